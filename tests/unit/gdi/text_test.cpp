// Text and icons: extents, metrics, ExtTextOut backgrounds and clipping,
// DrawText layout and mnemonics, icon masks.
#include <climits>

#include "gdi_test_util.h"

namespace {

using gditest::MemSurface;
using gditest::Rows;

const COLORREF kWhite = RGB(255, 255, 255), kBlack = RGB(0, 0, 0), kRed = RGB(255, 0, 0), kBlue = RGB(0, 0, 255),
               kGreen = RGB(0, 255, 0);

// The bounding box of every pixel that is not `bg` (empty when none).
RECT Ink(HDC dc, int w, int h, COLORREF bg = kWhite, RECT within = {0, 0, INT_MAX, INT_MAX}) {
    RECT r{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    for (int y = std::max(0, (int)within.top); y < std::min(h, (int)within.bottom); ++y)
        for (int x = std::max(0, (int)within.left); x < std::min(w, (int)within.right); ++x)
            if (GetPixel(dc, x, y) != bg) {
                r.left = std::min<LONG>(r.left, x);
                r.top = std::min<LONG>(r.top, y);
                r.right = std::max<LONG>(r.right, x + 1);
                r.bottom = std::max<LONG>(r.bottom, y + 1);
            }
    if (r.left == INT_MAX) return RECT{0, 0, 0, 0};
    return r;
}

bool HasInk(const RECT& r) {
    return r.right > r.left;
}

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

// ---- Fonts and metrics --------------------------------------------------------

TEST(FontTest, ExtentsGrowWithTextAndSize) {
    MemSurface s(10, 10);
    const SIZE a = Extent(s.dc(), u"Apply");
    const SIZE ab = Extent(s.dc(), u"Apply changes");
    EXPECT_GT(a.cx, 0);
    EXPECT_GT(ab.cx, a.cx);
    EXPECT_EQ(ab.cy, a.cy);
    SIZE empty{-1, -1};
    ASSERT_TRUE(GetTextExtentPoint32(s.dc(), u"Apply", 0, &empty));
    EXPECT_EQ(empty.cx, 0);
    EXPECT_EQ(empty.cy, a.cy);
    // An explicit count measures only that many characters.
    SIZE part;
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
        TEXTMETRICW tm{};
        ASSERT_TRUE(GetTextMetrics(s.dc(), &tm));
        EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
        EXPECT_EQ(tm.tmInternalLeading, tm.tmHeight - 20);
        EXPECT_GE(tm.tmInternalLeading, 0);
        EXPECT_GT(tm.tmAveCharWidth, 0);
        EXPECT_GE(tm.tmMaxCharWidth, tm.tmAveCharWidth);
        EXPECT_EQ(Extent(s.dc(), u"x").cy, tm.tmHeight);
    }
    {
        // A positive height is the cell height.
        Font cell(s.dc(), 20);
        TEXTMETRICW tm{};
        ASSERT_TRUE(GetTextMetrics(s.dc(), &tm));
        EXPECT_NEAR(tm.tmHeight, 20, 1);
    }
    {
        // 0 is the default size, the size of the stock font.
        TEXTMETRICW stock{}, zero{};
        SelectObject(s.dc(), GetStockObject(DEFAULT_GUI_FONT));
        ASSERT_TRUE(GetTextMetrics(s.dc(), &stock));
        Font f(s.dc(), 0);
        ASSERT_TRUE(GetTextMetrics(s.dc(), &zero));
        EXPECT_EQ(zero.tmHeight, stock.tmHeight);
        EXPECT_EQ(stock.tmHeight - stock.tmInternalLeading, 13);
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
        TEXTMETRICW tm{};
        ASSERT_TRUE(GetTextMetrics(s.dc(), &tm));
        EXPECT_EQ(tm.tmWeight, FW_BOLD);
    }
    EXPECT_GT(bold, normal);
    HFONT h = CreateFont(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, u"No Such Face");
    ASSERT_NE(h, nullptr);
    LOGFONTW lf{};
    ASSERT_EQ(GetObject(h, sizeof lf, &lf), (int)sizeof lf);
    EXPECT_EQ(lf.lfHeight, -12);
    EXPECT_EQ(lf.lfFaceName[0], u'N');
    EXPECT_TRUE(DeleteObject(h));
    // The stock system font is the bold one.
    SelectObject(s.dc(), GetStockObject(SYSTEM_FONT));
    TEXTMETRICW tm{};
    ASSERT_TRUE(GetTextMetrics(s.dc(), &tm));
    EXPECT_EQ(tm.tmWeight, FW_BOLD);
}

TEST(FontTest, ExtremeHeightsAreClampedNotFatal) {
    MemSurface s(10, 10);
    for (LONG h : {LONG(INT_MIN), LONG(INT_MAX), LONG(-1), LONG(1)}) {
        SCOPED_TRACE(h);
        Font f(s.dc(), h);
        ASSERT_NE(f.handle(), nullptr);
        TEXTMETRICW tm{};
        EXPECT_TRUE(GetTextMetrics(s.dc(), &tm));
        EXPECT_GT(tm.tmHeight, 0);
    }
}

TEST(FontTest, BadArgumentsFailWithAnError) {
    MemSurface s(10, 10);
    SIZE sz;
    TEXTMETRICW tm;
    HDC bad = reinterpret_cast<HDC>(uintptr_t{0x7FFE});
    SetLastError(0);
    EXPECT_FALSE(GetTextExtentPoint32(bad, u"a", 1, &sz));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
    EXPECT_FALSE(GetTextMetrics(nullptr, &tm));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
    EXPECT_FALSE(ExtTextOut(bad, 0, 0, 0, nullptr, u"a", 1, nullptr));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
    RECT r{0, 0, 10, 10};
    EXPECT_EQ(DrawText(bad, u"a", 1, &r, 0), 0);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);

    SetLastError(0);
    EXPECT_FALSE(GetTextExtentPoint32(s.dc(), u"a", 1, nullptr));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(GetTextExtentPoint32(s.dc(), nullptr, 3, &sz));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(GetTextExtentPoint32(s.dc(), u"abc", -2, &sz));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(GetTextMetrics(s.dc(), nullptr));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(TextOut(s.dc(), 0, 0, nullptr, 4));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
    EXPECT_EQ(DrawText(s.dc(), u"a", 1, nullptr, 0), 0);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
    EXPECT_EQ(CreateFontIndirect(nullptr), nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
    // A pen is not a font: selecting it leaves the DC's font alone.
    EXPECT_TRUE(GetTextMetrics(s.dc(), &tm));
}

// ---- ExtTextOut ------------------------------------------------------------------

TEST(ExtTextOutTest, DrawsInTheTextColourInsideTheCell) {
    MemSurface s(80, 30);
    SetTextColor(s.dc(), kRed);
    SetBkMode(s.dc(), TRANSPARENT);
    ASSERT_TRUE(TextOut(s.dc(), 5, 4, u"Hello", -1));
    const RECT ink = Ink(s.dc(), 80, 30);
    ASSERT_TRUE(HasInk(ink));
    const SIZE ext = Extent(s.dc(), u"Hello");
    EXPECT_GE(ink.left, 5);
    EXPECT_LE(ink.right, 5 + ext.cx + 1);
    EXPECT_GE(ink.top, 4);
    EXPECT_LE(ink.bottom, 4 + ext.cy);
    // Solid stems are the text colour itself.
    int red = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 80; ++x) red += GetPixel(s.dc(), x, y) == kRed;
    EXPECT_GT(red, 10);
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
    EXPECT_EQ(GetPixel(s.dc(), 10, 5), kGreen);
    int blue = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 80; ++x) blue += GetPixel(s.dc(), x, y) == kBlue;
    EXPECT_EQ(blue, 0);
    EXPECT_TRUE(HasInk(Ink(s.dc(), 80, 30, kGreen)));
}

TEST(ExtTextOutTest, OpaqueRectangleIsFilledEvenInTransparentModeAndWithoutText) {
    MemSurface s(20, 20);
    SetBkMode(s.dc(), TRANSPARENT);
    SetBkColor(s.dc(), kBlue);
    RECT r{2, 3, 6, 5};
    ASSERT_TRUE(ExtTextOut(s.dc(), 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr));
    EXPECT_EQ(Ink(s.dc(), 20, 20).left, 2);
    EXPECT_EQ(Ink(s.dc(), 20, 20).bottom, 5);
    EXPECT_EQ(
        s.Picture({{kWhite, '.'}, {kBlue, 'b'}}).substr(0, 21 * 4),
        Rows({"....................", "....................", "....................", "..bbbb..............", ""}));
}

TEST(ExtTextOutTest, ClippedTextStaysInsideTheRectangle) {
    MemSurface s(100, 30);
    SetBkMode(s.dc(), TRANSPARENT);
    ASSERT_TRUE(ExtTextOut(s.dc(), 2, 2, 0, nullptr, u"WWWWWWWW", 8, nullptr));
    const RECT full = Ink(s.dc(), 100, 30);
    s.Fill(kWhite);
    RECT clip{10, 6, 30, 12};
    ASSERT_TRUE(ExtTextOut(s.dc(), 2, 2, ETO_CLIPPED, &clip, u"WWWWWWWW", 8, nullptr));
    const RECT ink = Ink(s.dc(), 100, 30);
    ASSERT_TRUE(HasInk(ink));
    EXPECT_GE(ink.left, 10);
    EXPECT_LE(ink.right, 30);
    EXPECT_GE(ink.top, 6);
    EXPECT_LE(ink.bottom, 12);
    ASSERT_GT(full.right, 30);  // the clip did cut something off
    // In opaque mode the background is clipped too.
    s.Fill(kWhite);
    SetBkMode(s.dc(), OPAQUE);
    SetBkColor(s.dc(), kBlue);
    ASSERT_TRUE(ExtTextOut(s.dc(), 2, 2, ETO_CLIPPED, &clip, u"WWWWWWWW", 8, nullptr));
    EXPECT_EQ(Ink(s.dc(), 100, 30).left, 10);
    EXPECT_EQ(GetPixel(s.dc(), 9, 8), kWhite);
    EXPECT_EQ(GetPixel(s.dc(), 30, 8), kWhite);
}

TEST(ExtTextOutTest, TextFarOutsideOrOnMonochromeSurfacesIsHarmless) {
    MemSurface s(40, 20, true);
    SetBkMode(s.dc(), TRANSPARENT);
    EXPECT_TRUE(TextOut(s.dc(), INT_MIN, INT_MAX, u"far away", -1));
    EXPECT_TRUE(TextOut(s.dc(), INT_MAX - 5, 0, u"far away", -1));
    EXPECT_FALSE(HasInk(Ink(s.dc(), 40, 20)));
    ASSERT_TRUE(TextOut(s.dc(), 2, 2, u"Mono", -1));
    // Only black and white on a monochrome surface.
    EXPECT_EQ(s.Picture().find('?'), std::string::npos);
    EXPECT_TRUE(HasInk(Ink(s.dc(), 40, 20)));
}

TEST(ExtTextOutTest, CallerAdvancesPlaceEachCharacter) {
    MemSurface s(120, 20);
    SetBkMode(s.dc(), TRANSPARENT);
    const int dx[] = {40, 40, 40};
    ASSERT_TRUE(ExtTextOut(s.dc(), 0, 0, 0, nullptr, u"iii", 3, dx));
    // Three separate stems, about 40 pixels apart.
    EXPECT_TRUE(HasInk(Ink(s.dc(), 120, 20, kWhite, {0, 0, 20, 20})));
    EXPECT_FALSE(HasInk(Ink(s.dc(), 120, 20, kWhite, {20, 0, 40, 20})));
    EXPECT_TRUE(HasInk(Ink(s.dc(), 120, 20, kWhite, {40, 0, 60, 20})));
    EXPECT_TRUE(HasInk(Ink(s.dc(), 120, 20, kWhite, {80, 0, 100, 20})));
}

// ---- DrawText --------------------------------------------------------------------

TEST(DrawTextTest, HorizontalAlignment) {
    MemSurface s(200, 20);
    SetBkMode(s.dc(), TRANSPARENT);
    RECT r{0, 0, 200, 20};
    ASSERT_GT(DrawText(s.dc(), u"Centre me", -1, &r, DT_CENTER | DT_SINGLELINE), 0);
    RECT ink = Ink(s.dc(), 200, 20);
    EXPECT_NEAR(ink.left, 200 - ink.right, 3);

    s.Fill(kWhite);
    DrawText(s.dc(), u"Right", -1, &r, DT_RIGHT);
    ink = Ink(s.dc(), 200, 20);
    EXPECT_GE(ink.right, 195);
    EXPECT_LE(ink.right, 200);

    s.Fill(kWhite);
    DrawText(s.dc(), u"Left", -1, &r, DT_LEFT);
    EXPECT_LE(Ink(s.dc(), 200, 20).left, 3);
}

TEST(DrawTextTest, VerticalAlignmentOnlyOnASingleLine) {
    MemSurface s(100, 60);
    SetBkMode(s.dc(), TRANSPARENT);
    TEXTMETRICW tm;
    GetTextMetrics(s.dc(), &tm);
    RECT r{0, 0, 100, 60};
    EXPECT_EQ(DrawText(s.dc(), u"Mid", -1, &r, DT_SINGLELINE | DT_VCENTER), (60 - tm.tmHeight) / 2 + tm.tmHeight);
    RECT ink = Ink(s.dc(), 100, 60);
    EXPECT_NEAR(ink.top, 60 - ink.bottom, 4);

    s.Fill(kWhite);
    EXPECT_EQ(DrawText(s.dc(), u"Low", -1, &r, DT_SINGLELINE | DT_BOTTOM), 60);
    EXPECT_GT(Ink(s.dc(), 100, 60).top, 60 - tm.tmHeight - 1);

    // Without DT_SINGLELINE the text stays at the top.
    s.Fill(kWhite);
    EXPECT_EQ(DrawText(s.dc(), u"Top", -1, &r, DT_VCENTER), tm.tmHeight);
    EXPECT_LT(Ink(s.dc(), 100, 60).bottom, tm.tmHeight + 1);
}

TEST(DrawTextTest, WordBreakMakesLinesAndCalcRectMeasuresThem) {
    MemSurface s(80, 120);
    SetBkMode(s.dc(), TRANSPARENT);
    TEXTMETRICW tm;
    GetTextMetrics(s.dc(), &tm);
    const char16_t* text = u"the quick brown fox jumps over";
    RECT calc{0, 0, 80, 0};
    const int h = DrawText(s.dc(), text, -1, &calc, DT_WORDBREAK | DT_CALCRECT);
    EXPECT_GE(h, 3 * tm.tmHeight);
    EXPECT_EQ(h % tm.tmHeight, 0);
    EXPECT_EQ(calc.bottom, h);
    EXPECT_LE(calc.right, 80);
    EXPECT_GT(calc.right, 40);
    EXPECT_FALSE(HasInk(Ink(s.dc(), 80, 120)));  // DT_CALCRECT draws nothing

    RECT r{0, 0, 80, 120};
    EXPECT_EQ(DrawText(s.dc(), text, -1, &r, DT_WORDBREAK), h);
    const RECT ink = Ink(s.dc(), 80, 120);
    EXPECT_LE(ink.right, 80);
    EXPECT_GT(ink.bottom, h - tm.tmHeight);
    EXPECT_LE(ink.bottom, h);
    // Without word breaks it is one (clipped) line.
    RECT one{0, 0, 80, 0};
    EXPECT_EQ(DrawText(s.dc(), text, -1, &one, DT_CALCRECT), tm.tmHeight);
    EXPECT_GT(one.right, 80);
}

TEST(DrawTextTest, LongWordsBreakBetweenCharactersAndLineBreaksCount) {
    MemSurface s(10, 10);
    TEXTMETRICW tm;
    GetTextMetrics(s.dc(), &tm);
    RECT r{0, 0, 30, 0};
    const int h = DrawText(s.dc(), u"Abcdefghijklmnop", -1, &r, DT_WORDBREAK | DT_CALCRECT);
    EXPECT_GE(h, 3 * tm.tmHeight);
    EXPECT_LE(r.right, 30);
    // A zero-width rectangle still ends (one character per line).
    RECT zero{0, 0, 0, 0};
    EXPECT_EQ(DrawText(s.dc(), u"abc", -1, &zero, DT_WORDBREAK | DT_CALCRECT), 3 * tm.tmHeight);

    RECT lines{0, 0, 500, 0};
    EXPECT_EQ(DrawText(s.dc(), u"one\r\ntwo\nthree", -1, &lines, DT_CALCRECT), 3 * tm.tmHeight);
    RECT single{0, 0, 500, 0};
    EXPECT_EQ(DrawText(s.dc(), u"one\r\ntwo\nthree", -1, &single, DT_CALCRECT | DT_SINGLELINE), tm.tmHeight);
    RECT blank{0, 0, 500, 0};
    EXPECT_EQ(DrawText(s.dc(), u"a\n\nb", -1, &blank, DT_CALCRECT), 3 * tm.tmHeight);
    // The count limits the text.
    RECT part{0, 0, 500, 0};
    EXPECT_EQ(DrawText(s.dc(), u"one\ntwo", 3, &part, DT_CALCRECT), tm.tmHeight);
}

TEST(DrawTextTest, MnemonicPrefixes) {
    MemSurface s(10, 10);
    // "&&" is one "&", "&x" is x: the same width as the plain text.
    RECT plain{0, 0, 500, 0}, amp{0, 0, 500, 0}, exit{0, 0, 500, 0}, mnemonic{0, 0, 500, 0}, raw{0, 0, 500, 0};
    DrawText(s.dc(), u"Save & exit", -1, &plain, DT_CALCRECT | DT_NOPREFIX);
    DrawText(s.dc(), u"Save && exit", -1, &amp, DT_CALCRECT);
    DrawText(s.dc(), u"Save & exit", -1, &exit, DT_CALCRECT | DT_NOPREFIX);
    DrawText(s.dc(), u"Save & e&xit", -1, &mnemonic, DT_CALCRECT);
    DrawText(s.dc(), u"Save && exit", -1, &raw, DT_CALCRECT | DT_NOPREFIX);
    EXPECT_EQ(amp.right, plain.right);
    EXPECT_LT(mnemonic.right, exit.right);  // "& " shows " ", "&x" shows "x"
    EXPECT_GT(raw.right, plain.right);

    // The underline of "&E" is below the baseline, under the E only.
    MemSurface u(120, 30);
    SetBkMode(u.dc(), TRANSPARENT);
    TEXTMETRICW tm;
    GetTextMetrics(u.dc(), &tm);
    const RECT below{0, tm.tmAscent + 1, 120, tm.tmHeight};
    RECT r{0, 0, 120, 30};
    DrawText(u.dc(), u"&Exit", -1, &r, DT_SINGLELINE);
    const RECT line = Ink(u.dc(), 120, 30, kWhite, below);
    ASSERT_TRUE(HasInk(line));
    SIZE e;
    GetTextExtentPoint32(u.dc(), u"E", 1, &e);
    EXPECT_EQ(line.left, 0);
    EXPECT_EQ(line.right, e.cx);
    for (const UINT hide : {UINT{DT_HIDEPREFIX}, UINT{DT_NOPREFIX}}) {
        u.Fill(kWhite);
        DrawText(u.dc(), hide == DT_NOPREFIX ? u"Exit" : u"&Exit", -1, &r, DT_SINGLELINE | hide);
        EXPECT_FALSE(HasInk(Ink(u.dc(), 120, 30, kWhite, below)));
        EXPECT_TRUE(HasInk(Ink(u.dc(), 120, 30)));
    }
    // "&&" draws an ampersand without an underline.
    u.Fill(kWhite);
    DrawText(u.dc(), u"A&&B", -1, &r, DT_SINGLELINE);
    EXPECT_FALSE(HasInk(Ink(u.dc(), 120, 30, kWhite, below)));
}

TEST(DrawTextTest, ClipsToTheRectangleUnlessNoClip) {
    MemSurface s(100, 30);
    SetBkMode(s.dc(), TRANSPARENT);
    RECT r{0, 0, 20, 30};
    DrawText(s.dc(), u"Wider than twenty", -1, &r, DT_SINGLELINE);
    EXPECT_LE(Ink(s.dc(), 100, 30).right, 20);
    s.Fill(kWhite);
    DrawText(s.dc(), u"Wider than twenty", -1, &r, DT_SINGLELINE | DT_NOCLIP);
    EXPECT_GT(Ink(s.dc(), 100, 30).right, 40);
}

TEST(DrawTextTest, EndEllipsisFitsTheRectangle) {
    MemSurface s(10, 10);
    RECT r{0, 0, 60, 0};
    DrawText(s.dc(), u"A rather long caption", -1, &r, DT_CALCRECT | DT_SINGLELINE | DT_END_ELLIPSIS);
    EXPECT_LE(r.right, 60);
    EXPECT_GT(r.right, 20);
    RECT fits{0, 0, 500, 0}, plain{0, 0, 500, 0};
    DrawText(s.dc(), u"Short", -1, &fits, DT_CALCRECT | DT_END_ELLIPSIS);
    DrawText(s.dc(), u"Short", -1, &plain, DT_CALCRECT);
    EXPECT_EQ(fits.right, plain.right);
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
    EXPECT_EQ(bm.bmWidth, 4);
    EXPECT_EQ(bm.bmHeight, 2);
    EXPECT_TRUE(DeleteObject(ii.hbmMask));
    EXPECT_TRUE(DeleteObject(ii.hbmColor));

    MemSurface s(4, 4);
    SetLastError(0);
    EXPECT_FALSE(DrawIcon(s.dc(), 0, 0, nullptr));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_ICON_HANDLE);
    // A drawing object is not an icon, nor an icon a drawing object.
    EXPECT_FALSE(DrawIcon(s.dc(), 0, 0, reinterpret_cast<HICON>(mask_)));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_ICON_HANDLE);
    EXPECT_FALSE(DeleteObject(reinterpret_cast<HGDIOBJ>(icon_)));
    EXPECT_FALSE(DrawIcon(reinterpret_cast<HDC>(icon_), 0, 0, icon_));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
    EXPECT_EQ(s.Picture(), Rows({"....", "....", "....", "...."}));

    HICON copy = icon_;
    EXPECT_TRUE(DestroyIcon(icon_));
    icon_ = nullptr;
    EXPECT_FALSE(DestroyIcon(copy));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_ICON_HANDLE);
    EXPECT_FALSE(DrawIcon(s.dc(), 0, 0, copy));
    EXPECT_FALSE(GetIconInfo(copy, &ii));

    ICONINFO noMask{TRUE, 0, 0, nullptr, color_};
    EXPECT_EQ(CreateIconIndirect(&noMask), nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
    HBITMAP odd = CreateBitmap(4, 3, 1, 1, nullptr);
    ICONINFO oddMono{TRUE, 0, 0, odd, nullptr};
    EXPECT_EQ(CreateIconIndirect(&oddMono), nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
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
