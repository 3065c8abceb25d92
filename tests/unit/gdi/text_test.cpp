// Text and icons: extents, metrics, ExtTextOut backgrounds and clipping,
// DrawText layout and mnemonics, icon masks.
#include "gdi_test_util.h"

namespace {

using gditest::MemSurface;
using gditest::Rows;

const COLORREF kWhite = RGB(255, 255, 255), kBlack = RGB(0, 0, 0), kRed = RGB(255, 0, 0), kBlue = RGB(0, 0, 255),
               kGreen = RGB(0, 255, 0);

// A font selected into a DC for the life of the object.
class Font {
public:
    Font(HDC dc, LONG height, LONG weight = FW_NORMAL, const char16_t* face = u"Tahoma") : dc_(dc) {
        LOGFONTW lf{};
        lf.lfHeight = height;
        lf.lfWeight = weight;
        for (int i = 0; face[i] && i < LF_FACESIZE - 1; ++i) lf.lfFaceName[i] = face[i];
        font_ = CreateFontIndirect(&lf);
        old_ = SelectObject(dc, font_);
    }
    ~Font() {
        SelectObject(dc_, old_);
        DeleteObject(font_);
    }
    HFONT handle() const { return font_; }

private:
    HDC dc_;
    HFONT font_;
    HGDIOBJ old_;
};

SIZE Extent(HDC dc, const char16_t* s) {
    SIZE sz{-1, -1};
    EXPECT_TRUE(GetTextExtentPoint32(dc, s, -1, &sz));
    return sz;
}

TEXTMETRICW Metrics(HDC dc) {
    TEXTMETRICW tm{};
    EXPECT_TRUE(GetTextMetrics(dc, &tm));
    return tm;
}

bool Within(const RECT& inner, const RECT& outer) {
    RECT both;
    UnionRect(&both, &inner, &outer);
    return EqualRect(&both, &outer) != FALSE;
}

// A white surface that draws text without a background.
struct Paper : MemSurface {
    Paper(int w, int h) : MemSurface(w, h) { SetBkMode(dc(), TRANSPARENT); }
    // Clears the surface, then draws as DrawText does.
    int Draw(const char16_t* text, RECT r, UINT flags) {
        Fill(kWhite);
        return DrawText(dc(), text, -1, &r, flags);
    }
};

// DrawText's DT_CALCRECT in a box `width` wide: the height it returns and
// the rectangle it measured.
struct Measured {
    int height;
    RECT r;
};
Measured Measure(HDC dc, const char16_t* text, UINT flags, LONG width = 500, int count = -1) {
    Measured m{0, {0, 0, width, 0}};
    m.height = DrawText(dc, text, count, &m.r, flags | DT_CALCRECT);
    return m;
}

// ---- Fonts and metrics --------------------------------------------------------

TEST(FontTest, ExtentsGrowWithTextAndSize) {
    MemSurface s(10, 10);
    const SIZE a = Extent(s.dc(), u"Apply");
    const SIZE ab = Extent(s.dc(), u"Apply changes");
    EXPECT_GT(a.cx, 0);
    EXPECT_GT(ab.cx, a.cx);
    EXPECT_EQ(ab.cy, a.cy);
    SIZE empty{-1, -1}, part;
    ASSERT_TRUE(GetTextExtentPoint32(s.dc(), u"Apply", 0, &empty));
    EXPECT_EQ(std::pair(empty.cx, empty.cy), std::pair(0, a.cy));
    // An explicit count measures only that many characters.
    ASSERT_TRUE(GetTextExtentPoint32(s.dc(), u"Apply changes", 5, &part));
    EXPECT_EQ(part.cx, a.cx);

    Font big(s.dc(), -26);
    const SIZE b = Extent(s.dc(), u"Apply");
    EXPECT_GT(b.cx, a.cx * 3 / 2);
    EXPECT_GT(b.cy, a.cy * 3 / 2);
}

TEST(FontTest, MetricsAreConsistentAndFollowTheHeightConvention) {
    MemSurface s(10, 10);
    {
        Font em(s.dc(), -20);
        const TEXTMETRICW tm = Metrics(s.dc());
        EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
        EXPECT_EQ(tm.tmInternalLeading, tm.tmHeight - 20);
        EXPECT_GE(tm.tmInternalLeading, 0);
        EXPECT_GT(tm.tmAveCharWidth, 0);
        EXPECT_GE(tm.tmMaxCharWidth, tm.tmAveCharWidth);
        EXPECT_EQ(Extent(s.dc(), u"x").cy, tm.tmHeight);
    }
    {
        Font cell(s.dc(), 20);  // a positive height is the cell height
        EXPECT_NEAR(Metrics(s.dc()).tmHeight, 20, 1);
    }
    // 0 is the default size, the size of the stock font.
    SelectObject(s.dc(), GetStockObject(DEFAULT_GUI_FONT));
    const TEXTMETRICW stock = Metrics(s.dc());
    EXPECT_EQ(stock.tmHeight - stock.tmInternalLeading, 13);
    {
        Font f(s.dc(), 0);
        EXPECT_EQ(Metrics(s.dc()).tmHeight, stock.tmHeight);
    }
    // Extreme heights are clamped, not fatal.
    for (LONG h : {LONG(INT_MIN), LONG(INT_MAX), LONG(-1), LONG(1)}) {
        SCOPED_TRACE(h);
        Font f(s.dc(), h);
        ASSERT_NE(f.handle(), nullptr);
        EXPECT_GT(Metrics(s.dc()).tmHeight, 0);
    }
}

TEST(FontTest, BoldIsWiderAndEveryFaceNameRenders) {
    MemSurface s(10, 10);
    LONG normal, bold;
    {
        Font f(s.dc(), -16, FW_NORMAL, u"MS Shell Dlg");
        normal = Extent(s.dc(), u"Wide bold text").cx;
    }
    {
        Font f(s.dc(), -16, FW_BOLD, u"Courier New");
        bold = Extent(s.dc(), u"Wide bold text").cx;
        EXPECT_EQ(Metrics(s.dc()).tmWeight, FW_BOLD);
    }
    EXPECT_GT(bold, normal);
    HFONT h = CreateFont(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, u"No Such Face");
    LOGFONTW lf{};
    ASSERT_EQ(GetObject(h, sizeof lf, &lf), (int)sizeof lf);
    EXPECT_EQ(lf.lfHeight, -12);
    EXPECT_EQ(lf.lfFaceName[0], u'N');
    EXPECT_TRUE(DeleteObject(h));
    // The stock system font is the bold one.
    SelectObject(s.dc(), GetStockObject(SYSTEM_FONT));
    EXPECT_EQ(Metrics(s.dc()).tmWeight, FW_BOLD);
}

TEST(FontTest, BadArgumentsFailWithAnError) {
    MemSurface s(10, 10);
    SIZE sz;
    TEXTMETRICW tm;
    RECT r{0, 0, 10, 10};
    HDC bad = reinterpret_cast<HDC>(uintptr_t{0x7FFE});
    EXPECT_FAILS_WITH(GetTextExtentPoint32(bad, u"a", 1, &sz), ERROR_INVALID_HANDLE);
    EXPECT_FAILS_WITH(GetTextMetrics(nullptr, &tm), ERROR_INVALID_HANDLE);
    EXPECT_FAILS_WITH(ExtTextOut(bad, 0, 0, 0, nullptr, u"a", 1, nullptr), ERROR_INVALID_HANDLE);
    EXPECT_FAILS_WITH(DrawText(bad, u"a", 1, &r, 0), ERROR_INVALID_HANDLE);

    EXPECT_FAILS_WITH(GetTextExtentPoint32(s.dc(), u"a", 1, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_FAILS_WITH(GetTextExtentPoint32(s.dc(), nullptr, 3, &sz), ERROR_INVALID_PARAMETER);
    EXPECT_FAILS_WITH(GetTextExtentPoint32(s.dc(), u"abc", -2, &sz), ERROR_INVALID_PARAMETER);
    EXPECT_FAILS_WITH(GetTextMetrics(s.dc(), nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_FAILS_WITH(TextOut(s.dc(), 0, 0, nullptr, 4), ERROR_INVALID_PARAMETER);
    EXPECT_FAILS_WITH(DrawText(s.dc(), u"a", 1, nullptr, 0), ERROR_INVALID_PARAMETER);
    EXPECT_FAILS_WITH(CreateFontIndirect(nullptr), ERROR_INVALID_PARAMETER);
}

// ---- ExtTextOut ------------------------------------------------------------------

TEST(ExtTextOutTest, DrawsInTheTextColourInsideTheCell) {
    Paper s(80, 30);
    SetTextColor(s.dc(), kRed);
    ASSERT_TRUE(TextOut(s.dc(), 5, 4, u"Hello", -1));
    const SIZE ext = Extent(s.dc(), u"Hello");
    ASSERT_TRUE(s.HasInk());
    EXPECT_TRUE(Within(s.Ink(), RECT{5, 4, 5 + ext.cx + 1, 4 + ext.cy}));
    EXPECT_GT(s.Count(kRed), 10);  // solid stems are the text colour itself
}

TEST(ExtTextOutTest, OpaqueModeFillsTheCellTransparentModeKeepsTheBackground) {
    MemSurface s(80, 30, false, kGreen);
    SetTextColor(s.dc(), kBlack);
    SetBkColor(s.dc(), kBlue);
    const SIZE ext = Extent(s.dc(), u"Ok go");
    ASSERT_TRUE(ExtTextOut(s.dc(), 10, 5, 0, nullptr, u"Ok go", 5, nullptr));
    // The cell corners (no ink there) are the background colour, just outside is untouched.
    EXPECT_EQ(GetPixel(s.dc(), 10, 5), kBlue);
    EXPECT_EQ(GetPixel(s.dc(), 10 + ext.cx - 1, 5 + ext.cy - 1), kBlue);
    EXPECT_EQ(GetPixel(s.dc(), 9, 5), kGreen);
    EXPECT_EQ(GetPixel(s.dc(), 10, 5 + ext.cy), kGreen);
    EXPECT_EQ(GetPixel(s.dc(), 10 + ext.cx, 5), kGreen);

    s.Fill(kGreen);
    SetBkMode(s.dc(), TRANSPARENT);
    ASSERT_TRUE(ExtTextOut(s.dc(), 10, 5, 0, nullptr, u"Ok go", 5, nullptr));
    EXPECT_EQ(s.Count(kBlue), 0);
    EXPECT_TRUE(s.HasInk(kGreen));

    // An opaque rectangle is filled even in transparent mode and without text.
    s.Fill(kWhite);
    RECT r{2, 3, 6, 5};
    ASSERT_TRUE(ExtTextOut(s.dc(), 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr));
    const RECT ink = s.Ink();
    EXPECT_TRUE(EqualRect(&ink, &r));
    EXPECT_EQ(s.Count(kBlue), 8);
}

TEST(ExtTextOutTest, ClippedTextAndBackgroundStayInsideTheRectangle) {
    Paper s(100, 30);
    ASSERT_TRUE(ExtTextOut(s.dc(), 2, 2, 0, nullptr, u"WWWWWWWW", 8, nullptr));
    ASSERT_GT(s.Ink().right, 30);  // the clip below cuts something off
    s.Fill(kWhite);
    RECT clip{10, 6, 30, 12};
    ASSERT_TRUE(ExtTextOut(s.dc(), 2, 2, ETO_CLIPPED, &clip, u"WWWWWWWW", 8, nullptr));
    ASSERT_TRUE(s.HasInk());
    EXPECT_TRUE(Within(s.Ink(), clip));
    s.Fill(kWhite);
    SetBkMode(s.dc(), OPAQUE);
    SetBkColor(s.dc(), kBlue);
    ASSERT_TRUE(ExtTextOut(s.dc(), 2, 2, ETO_CLIPPED, &clip, u"WWWWWWWW", 8, nullptr));
    EXPECT_EQ(s.Ink().left, 10);
    EXPECT_EQ(GetPixel(s.dc(), 9, 8), kWhite);
    EXPECT_EQ(GetPixel(s.dc(), 30, 8), kWhite);
}

TEST(ExtTextOutTest, TextFarOutsideOrOnMonochromeSurfacesIsHarmless) {
    MemSurface s(40, 20, true);
    SetBkMode(s.dc(), TRANSPARENT);
    EXPECT_TRUE(TextOut(s.dc(), INT_MIN, INT_MAX, u"far away", -1));
    EXPECT_TRUE(TextOut(s.dc(), INT_MAX - 5, 0, u"far away", -1));
    EXPECT_FALSE(s.HasInk());
    ASSERT_TRUE(TextOut(s.dc(), 2, 2, u"Mono", -1));
    // Only black and white on a monochrome surface.
    EXPECT_EQ(s.Picture().find('?'), std::string::npos);
    EXPECT_TRUE(s.HasInk());
}

TEST(ExtTextOutTest, CallerAdvancesPlaceEachCharacter) {
    Paper s(120, 20);
    const int dx[] = {40, 40, 40};
    ASSERT_TRUE(ExtTextOut(s.dc(), 0, 0, 0, nullptr, u"iii", 3, dx));
    // Three separate stems, about 40 pixels apart.
    EXPECT_TRUE(s.HasInk(kWhite, {0, 0, 20, 20}));
    EXPECT_FALSE(s.HasInk(kWhite, {20, 0, 40, 20}));
    EXPECT_TRUE(s.HasInk(kWhite, {40, 0, 60, 20}));
    EXPECT_TRUE(s.HasInk(kWhite, {80, 0, 100, 20}));
}

// ---- DrawText --------------------------------------------------------------------

TEST(DrawTextTest, HorizontalAlignmentAndClipping) {
    Paper s(200, 20);
    const RECT r{0, 0, 200, 20}, narrow{0, 0, 20, 30};
    ASSERT_GT(s.Draw(u"Centre me", r, DT_CENTER | DT_SINGLELINE), 0);
    EXPECT_NEAR(s.Ink().left, 200 - s.Ink().right, 3);
    s.Draw(u"Right", r, DT_RIGHT);
    EXPECT_GE(s.Ink().right, 195);
    EXPECT_LE(s.Ink().right, 200);
    s.Draw(u"Left", r, DT_LEFT);
    EXPECT_LE(s.Ink().left, 3);
    // Clipped to the rectangle unless DT_NOCLIP.
    s.Draw(u"Wider than twenty", narrow, DT_SINGLELINE);
    EXPECT_LE(s.Ink().right, 20);
    s.Draw(u"Wider than twenty", narrow, DT_SINGLELINE | DT_NOCLIP);
    EXPECT_GT(s.Ink().right, 40);
}

TEST(DrawTextTest, VerticalAlignmentOnlyOnASingleLine) {
    Paper s(100, 60);
    const TEXTMETRICW tm = Metrics(s.dc());
    const RECT r{0, 0, 100, 60};
    EXPECT_EQ(s.Draw(u"Mid", r, DT_SINGLELINE | DT_VCENTER), (60 - tm.tmHeight) / 2 + tm.tmHeight);
    EXPECT_NEAR(s.Ink().top, 60 - s.Ink().bottom, 4);
    EXPECT_EQ(s.Draw(u"Low", r, DT_SINGLELINE | DT_BOTTOM), 60);
    EXPECT_GT(s.Ink().top, 60 - tm.tmHeight - 1);
    // Without DT_SINGLELINE the text stays at the top.
    EXPECT_EQ(s.Draw(u"Top", r, DT_VCENTER), tm.tmHeight);
    EXPECT_LT(s.Ink().bottom, tm.tmHeight + 1);
}

TEST(DrawTextTest, WordBreakMakesLinesAndCalcRectMeasuresThem) {
    Paper s(80, 120);
    const int line = Metrics(s.dc()).tmHeight;
    const char16_t* text = u"the quick brown fox jumps over";
    const Measured m = Measure(s.dc(), text, DT_WORDBREAK, 80);
    EXPECT_GE(m.height, 3 * line);
    EXPECT_EQ(m.height % line, 0);
    EXPECT_EQ(m.r.bottom, m.height);
    EXPECT_LE(m.r.right, 80);
    EXPECT_GT(m.r.right, 40);
    EXPECT_FALSE(s.HasInk());  // DT_CALCRECT draws nothing

    EXPECT_EQ(s.Draw(text, {0, 0, 80, 120}, DT_WORDBREAK), m.height);
    EXPECT_LE(s.Ink().right, 80);
    EXPECT_GT(s.Ink().bottom, m.height - line);
    EXPECT_LE(s.Ink().bottom, m.height);
    // Without word breaks it is one (clipped) line.
    const Measured one = Measure(s.dc(), text, 0, 80);
    EXPECT_EQ(one.height, line);
    EXPECT_GT(one.r.right, 80);

    // A long word breaks between characters; a zero-width rectangle still
    // ends (one character per line).
    const Measured word = Measure(s.dc(), u"Abcdefghijklmnop", DT_WORDBREAK, 30);
    EXPECT_GE(word.height, 3 * line);
    EXPECT_LE(word.r.right, 30);
    EXPECT_EQ(Measure(s.dc(), u"abc", DT_WORDBREAK, 0).height, 3 * line);
    // Line breaks count, unless single line; the count limits the text.
    EXPECT_EQ(Measure(s.dc(), u"one\r\ntwo\nthree", 0).height, 3 * line);
    EXPECT_EQ(Measure(s.dc(), u"one\r\ntwo\nthree", DT_SINGLELINE).height, line);
    EXPECT_EQ(Measure(s.dc(), u"a\n\nb", 0).height, 3 * line);
    EXPECT_EQ(Measure(s.dc(), u"one\ntwo", 0, 500, 3).height, line);
}

TEST(DrawTextTest, MnemonicPrefixes) {
    Paper u(120, 30);
    // "&&" is one "&", "&x" is x: the same width as the plain text.
    const LONG plain = Measure(u.dc(), u"Save & exit", DT_NOPREFIX).r.right;
    EXPECT_EQ(Measure(u.dc(), u"Save && exit", 0).r.right, plain);
    EXPECT_LT(Measure(u.dc(), u"Save & e&xit", 0).r.right, plain);  // "& " shows " ", "&x" shows "x"
    EXPECT_GT(Measure(u.dc(), u"Save && exit", DT_NOPREFIX).r.right, plain);

    // The underline of "&E" is below the baseline, under the E only.
    const TEXTMETRICW tm = Metrics(u.dc());
    const RECT below{0, tm.tmAscent + 1, 120, tm.tmHeight}, r{0, 0, 120, 30};
    u.Draw(u"&Exit", r, DT_SINGLELINE);
    const RECT line = u.Ink(kWhite, below);
    EXPECT_EQ(std::pair(line.left, line.right), std::pair(0, Extent(u.dc(), u"E").cx));
    for (const UINT hide : {UINT{DT_HIDEPREFIX}, UINT{DT_NOPREFIX}}) {
        u.Draw(hide == DT_NOPREFIX ? u"Exit" : u"&Exit", r, DT_SINGLELINE | hide);
        EXPECT_FALSE(u.HasInk(kWhite, below));
        EXPECT_TRUE(u.HasInk());
    }
    // "&&" draws an ampersand without an underline.
    u.Draw(u"A&&B", r, DT_SINGLELINE);
    EXPECT_FALSE(u.HasInk(kWhite, below));
}

TEST(DrawTextTest, EndEllipsisFitsTheRectangle) {
    MemSurface s(10, 10);
    const Measured m = Measure(s.dc(), u"A rather long caption", DT_SINGLELINE | DT_END_ELLIPSIS, 60);
    EXPECT_LE(m.r.right, 60);
    EXPECT_GT(m.r.right, 20);
    EXPECT_EQ(Measure(s.dc(), u"Short", DT_END_ELLIPSIS).r.right, Measure(s.dc(), u"Short", 0).r.right);
}

// ---- Icons ---------------------------------------------------------------------------

// A 4x2 icon: mask black (opaque) on the left half, white (transparent) on
// the right; colour red on the left, black on the right except one blue
// pixel, which a white mask XORs onto the background.
class IconTest : public testing::Test {
protected:
    void SetUp() override {
        const BYTE maskBits[] = {0x30, 0, 0x30, 0};  // rows padded to 16 bits; 1 = white
        mask_ = CreateBitmap(4, 2, 1, 1, maskBits);
        const uint32_t px[] = {0x00FF0000, 0x00FF0000, 0, 0, 0x00FF0000, 0x00FF0000, 0, 0x000000FF};
        color_ = CreateBitmap(4, 2, 1, 32, px);
        ICONINFO ii{TRUE, 0, 0, mask_, color_};
        icon_ = CreateIconIndirect(&ii);
        ASSERT_NE(icon_, nullptr);
    }
    void TearDown() override {
        DestroyIcon(icon_);
        DeleteObject(mask_);
        DeleteObject(color_);
    }
    HBITMAP mask_ = nullptr, color_ = nullptr;
    HICON icon_ = nullptr;
};

TEST_F(IconTest, MaskMakesPixelsTransparent) {
    MemSurface s(6, 4, false, kGreen);
    ASSERT_TRUE(DrawIcon(s.dc(), 1, 1, icon_));
    // Blue XOR green is cyan.
    const std::map<COLORREF, char> legend{{kGreen, 'g'}, {kRed, 'r'}, {RGB(0, 255, 255), 'c'}};
    EXPECT_EQ(s.Picture(legend), Rows({"gggggg", "grrggg", "grrgcg", "gggggg"}));
    // The caller's bitmaps were copied: deleting them keeps the icon whole.
    DeleteObject(mask_);
    DeleteObject(color_);
    mask_ = color_ = nullptr;
    s.Fill(kGreen);
    ASSERT_TRUE(DrawIconEx(s.dc(), 1, 1, icon_, 0, 0, 0, nullptr, DI_NORMAL));
    EXPECT_EQ(s.Picture(legend), Rows({"gggggg", "grrggg", "grrgcg", "gggggg"}));
}

TEST_F(IconTest, StretchingMaskOnlyAndFlickerFreeBrush) {
    MemSurface s(8, 4, false, kGreen);
    ASSERT_TRUE(DrawIconEx(s.dc(), 0, 0, icon_, 8, 4, 0, nullptr, DI_NORMAL));
    const std::map<COLORREF, char> legend{{kGreen, 'g'}, {kRed, 'r'},   {RGB(0, 255, 255), 'c'},
                                          {kWhite, 'w'}, {kBlack, 'k'}, {RGB(255, 255, 0), 'y'}};
    EXPECT_EQ(s.Picture(legend), Rows({"rrrrgggg", "rrrrgggg", "rrrrggcc", "rrrrggcc"}));
    s.Fill(kGreen);
    ASSERT_TRUE(DrawIconEx(s.dc(), 0, 0, icon_, 0, 0, 0, nullptr, DI_MASK));
    EXPECT_EQ(s.Picture(legend).substr(0, 9), "kkwwgggg\n");
    s.Fill(kGreen);
    HBRUSH white = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    ASSERT_TRUE(DrawIconEx(s.dc(), 0, 0, icon_, 0, 0, 0, white, DI_NORMAL));
    // White brush behind the transparent half; blue XOR white is yellow.
    EXPECT_EQ(s.Picture(legend), Rows({"rrwwgggg", "rrwygggg", "gggggggg", "gggggggg"}));
}

TEST_F(IconTest, InfoReturnsCopiesAndBadHandlesFail) {
    ICONINFO ii{};
    ASSERT_TRUE(GetIconInfo(icon_, &ii));
    EXPECT_TRUE(ii.fIcon);
    ASSERT_NE(ii.hbmMask, nullptr);
    ASSERT_NE(ii.hbmColor, nullptr);
    EXPECT_NE(ii.hbmMask, mask_);
    BITMAP bm{};
    ASSERT_EQ(GetObject(ii.hbmColor, sizeof bm, &bm), (int)sizeof bm);
    EXPECT_EQ(std::pair(bm.bmWidth, bm.bmHeight), std::pair(4, 2));
    EXPECT_TRUE(DeleteObject(ii.hbmMask));
    EXPECT_TRUE(DeleteObject(ii.hbmColor));

    MemSurface s(4, 4);
    EXPECT_FAILS_WITH(DrawIcon(s.dc(), 0, 0, nullptr), ERROR_INVALID_ICON_HANDLE);
    // A drawing object is not an icon, nor an icon a drawing object.
    EXPECT_FAILS_WITH(DrawIcon(s.dc(), 0, 0, reinterpret_cast<HICON>(mask_)), ERROR_INVALID_ICON_HANDLE);
    EXPECT_FALSE(DeleteObject(reinterpret_cast<HGDIOBJ>(icon_)));
    EXPECT_FAILS_WITH(DrawIcon(reinterpret_cast<HDC>(icon_), 0, 0, icon_), ERROR_INVALID_HANDLE);
    EXPECT_EQ(s.Picture(), Rows({"....", "....", "....", "...."}));

    HICON copy = icon_;
    EXPECT_TRUE(DestroyIcon(icon_));
    icon_ = nullptr;
    EXPECT_FAILS_WITH(DestroyIcon(copy), ERROR_INVALID_ICON_HANDLE);
    EXPECT_FALSE(DrawIcon(s.dc(), 0, 0, copy));
    EXPECT_FALSE(GetIconInfo(copy, &ii));

    ICONINFO noMask{TRUE, 0, 0, nullptr, color_};
    EXPECT_FAILS_WITH(CreateIconIndirect(&noMask), ERROR_INVALID_HANDLE);
    HBITMAP odd = CreateBitmap(4, 3, 1, 1, nullptr);
    ICONINFO oddMono{TRUE, 0, 0, odd, nullptr};
    EXPECT_FAILS_WITH(CreateIconIndirect(&oddMono), ERROR_INVALID_PARAMETER);
    ICONINFO mismatch{TRUE, 0, 0, odd, color_};
    EXPECT_EQ(CreateIconIndirect(&mismatch), nullptr);
    DeleteObject(odd);
    EXPECT_EQ(CreateIconIndirect(nullptr), nullptr);
}

TEST(MonoIconTest, AndMaskOverXorImage) {
    // 2x1 icon as a 2x2 monochrome bitmap: AND row "white, black", XOR row
    // "black, white": left transparent, right white.
    const BYTE bits[] = {0x80, 0, 0x40, 0};
    HBITMAP both = CreateBitmap(2, 2, 1, 1, bits);
    ICONINFO ii{TRUE, 0, 0, both, nullptr};
    HICON icon = CreateIconIndirect(&ii);
    ASSERT_NE(icon, nullptr);
    MemSurface s(2, 1, false, kRed);
    ASSERT_TRUE(DrawIcon(s.dc(), 0, 0, icon));
    EXPECT_EQ(GetPixel(s.dc(), 0, 0), kRed);
    EXPECT_EQ(GetPixel(s.dc(), 1, 0), kWhite);
    EXPECT_TRUE(DestroyIcon(icon));
    DeleteObject(both);
}

}  // namespace
