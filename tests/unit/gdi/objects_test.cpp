// Drawing objects and device contexts: stock objects, bitmaps, selection
// bookkeeping, deletion, bad handles, window DCs and the screen.
#include <atomic>
#include <thread>
#include <tuple>

#include "gdi_test_util.h"

namespace {

using gditest::MemSurface;

bool SameRect(const RECT& a, const RECT& b) {
    return EqualRect(&a, &b) != FALSE;
}

BITMAP BitmapInfo(HGDIOBJ h) {
    BITMAP bm{};
    EXPECT_EQ(GetObject(h, sizeof bm, &bm), static_cast<int>(sizeof bm));
    return bm;
}

TEST(StockObjectTest, StockObjectsHaveTheirKindsAndColoursAndOutliveDeletion) {
    struct {
        int index;
        DWORD type;
        COLORREF color;
    } brushes[] = {{WHITE_BRUSH, OBJ_BRUSH, RGB(255, 255, 255)},
                   {LTGRAY_BRUSH, OBJ_BRUSH, RGB(192, 192, 192)},
                   {GRAY_BRUSH, OBJ_BRUSH, RGB(128, 128, 128)},
                   {DKGRAY_BRUSH, OBJ_BRUSH, RGB(64, 64, 64)},
                   {BLACK_BRUSH, OBJ_BRUSH, RGB(0, 0, 0)},
                   {WHITE_PEN, OBJ_PEN, RGB(255, 255, 255)},
                   {BLACK_PEN, OBJ_PEN, RGB(0, 0, 0)}};
    for (const auto& b : brushes) {
        HGDIOBJ h = GetStockObject(b.index);
        ASSERT_NE(h, nullptr) << b.index;
        EXPECT_EQ(GetObjectType(h), b.type);
        if (b.type == OBJ_BRUSH) {
            LOGBRUSH lb{};
            GetObject(h, sizeof lb, &lb);
            EXPECT_EQ(lb.lbColor, b.color) << b.index;
            EXPECT_EQ(lb.lbStyle, static_cast<UINT>(BS_SOLID));
        } else {
            LOGPEN lp{};
            GetObject(h, sizeof lp, &lp);
            EXPECT_EQ(lp.lopnColor, b.color) << b.index;
        }
    }
    LOGBRUSH hollow{};
    GetObject(GetStockObject(HOLLOW_BRUSH), sizeof hollow, &hollow);
    EXPECT_EQ(hollow.lbStyle, static_cast<UINT>(BS_NULL));
    LOGPEN nullPen{};
    GetObject(GetStockObject(NULL_PEN), sizeof nullPen, &nullPen);
    EXPECT_EQ(nullPen.lopnStyle, static_cast<UINT>(PS_NULL));
    EXPECT_EQ(GetObjectType(GetStockObject(SYSTEM_FONT)), static_cast<DWORD>(OBJ_FONT));
    EXPECT_EQ(GetStockObject(9), nullptr);  // no such stock object here
    EXPECT_FAILS_WITH(GetStockObject(-1), ERROR_INVALID_PARAMETER);
    // Deleting a stock object succeeds and keeps it.
    HGDIOBJ black = GetStockObject(BLACK_BRUSH);
    EXPECT_TRUE(DeleteObject(black));
    EXPECT_EQ(GetObjectType(black), static_cast<DWORD>(OBJ_BRUSH));
    HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
    EXPECT_TRUE(DeleteObject(face));
    EXPECT_EQ(GetSysColorBrush(COLOR_BTNFACE), face);
}

TEST(SysColorTest, ClassicColoursAndTheirBrushes) {
    const std::pair<int, COLORREF> classic[] = {
        {COLOR_WINDOW, RGB(255, 255, 255)},      {COLOR_WINDOWTEXT, RGB(0, 0, 0)},  {COLOR_BTNFACE, RGB(192, 192, 192)},
        {COLOR_BTNSHADOW, RGB(128, 128, 128)},   {COLOR_HIGHLIGHT, RGB(0, 0, 128)}, {COLOR_3DDKSHADOW, RGB(0, 0, 0)},
        {COLOR_BTNHIGHLIGHT, RGB(255, 255, 255)}};
    for (auto [index, colour] : classic) EXPECT_EQ(GetSysColor(index), colour) << index;
    for (int i : {COLOR_SCROLLBAR, COLOR_STATIC, COLOR_STATICTEXT, COLOR_GRAYTEXT, COLOR_CAPTIONTEXT}) {
        LOGBRUSH lb{};
        ASSERT_EQ(GetObject(GetSysColorBrush(i), sizeof lb, &lb), static_cast<int>(sizeof lb));
        EXPECT_EQ(lb.lbColor, GetSysColor(i)) << i;
    }
    EXPECT_FAILS_WITH(GetSysColor(C_SYS_COLOR_TYPES), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(GetSysColorBrush(-1), nullptr);
}

TEST(BitmapTest, NewMemoryDCHoldsAOneByOneMonochromeBitmap) {
    HDC dc = CreateCompatibleDC(nullptr);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(GetObjectType(dc), static_cast<DWORD>(OBJ_MEMDC));
    BITMAP bm = BitmapInfo(GetCurrentObject(dc, OBJ_BITMAP));
    EXPECT_EQ(std::tuple(bm.bmWidth, bm.bmHeight, bm.bmBitsPixel, bm.bmPlanes), std::tuple(1, 1, 1, 1));
    // The classic pitfall: a bitmap compatible with this DC is monochrome.
    HBITMAP mono = CreateCompatibleBitmap(dc, 8, 8);
    EXPECT_EQ(BitmapInfo(mono).bmBitsPixel, 1);
    // Compatible with the screen (a window DC) it is colour.
    HDC screen = ce::gdi::CreateWindowDC(nullptr, {{0, 0}, {RECT{0, 0, 10, 10}}});
    HBITMAP colour = CreateCompatibleBitmap(screen, 8, 8);
    EXPECT_EQ(BitmapInfo(colour).bmBitsPixel, 32);
    // Once a colour bitmap is selected, the memory DC makes colour bitmaps.
    HGDIOBJ old = SelectObject(dc, colour);
    HBITMAP colour2 = CreateCompatibleBitmap(dc, 3, 3);
    EXPECT_EQ(BitmapInfo(colour2).bmBitsPixel, 32);
    SelectObject(dc, old);
    for (HBITMAP b : {mono, colour, colour2}) EXPECT_TRUE(DeleteObject(b));
    EXPECT_TRUE(ce::gdi::ReleaseWindowDC(screen));
    EXPECT_TRUE(DeleteDC(dc));
}

TEST(BitmapTest, CreateBitmapReadsPaddedRowsOfEachDepth) {
    // 3x2 at 24 bits: rows of 9 bytes padded to 10 (B, G, R order).
    const uint8_t rgb24[] = {0, 0, 255, 0, 255, 0, 255, 0, 0, 0xEE,  //
                             1, 2, 3,   4, 5,   6, 7,   8, 9, 0xEE};
    HBITMAP b24 = CreateBitmap(3, 2, 1, 24, rgb24);
    // 10x2 at 1 bit: rows padded to 2 bytes, leftmost pixel in bit 7, 1 = white.
    const uint8_t bits1[] = {0b10100000, 0b01000000, 0b11111111, 0b11000000};
    HBITMAP b1 = CreateBitmap(10, 2, 1, 1, bits1);
    // 1x1 at 32 bits (B, G, R, unused) and at 16 bits (5-6-5).
    const uint8_t rgb32[] = {0x30, 0x20, 0x10, 0x99};
    HBITMAP b32 = CreateBitmap(1, 1, 1, 32, rgb32);
    const uint16_t rgb565[] = {0xF800};
    HBITMAP b16 = CreateBitmap(1, 1, 1, 16, rgb565);

    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, b24);
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 1, 0), RGB(0, 255, 0));
    EXPECT_EQ(GetPixel(dc, 2, 0), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(dc, 0, 1), RGB(3, 2, 1));
    EXPECT_EQ(GetPixel(dc, 2, 1), RGB(9, 8, 7));
    EXPECT_EQ(BitmapInfo(b24).bmBitsPixel, 32);  // kept as 32 bits
    EXPECT_EQ(BitmapInfo(b24).bmWidthBytes, 12);

    SelectObject(dc, b1);
    EXPECT_EQ(gditest::PictureOf(dc, 10, 2, {{RGB(255, 255, 255), '1'}, {RGB(0, 0, 0), '0'}}),
              "1010000001\n1111111111");
    EXPECT_EQ(BitmapInfo(b1).bmWidthBytes, 2);

    SelectObject(dc, b32);
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0x10, 0x20, 0x30));
    SelectObject(dc, b16);
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 0, 0));
    SelectObject(dc, old);
    DeleteDC(dc);
    for (HBITMAP b : {b24, b1, b32, b16}) EXPECT_TRUE(DeleteObject(b));
}

TEST(BitmapTest, BadRequestsFailClearlyAndGetObjectChecksTheBuffer) {
    EXPECT_FAILS_WITH(CreateBitmap(4, 4, 2, 1, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(CreateBitmap(4, 4, 1, 8, nullptr), nullptr);
    EXPECT_FAILS_WITH(CreateBitmap(-1, 4, 1, 32, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_FAILS_WITH(CreateBitmap(30000, 30000, 1, 32, nullptr), ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_FAILS_WITH(CreateCompatibleBitmap(nullptr, 4, 4), ERROR_INVALID_HANDLE);
    // A zero size gives the 1x1 monochrome bitmap.
    HBITMAP tiny = CreateBitmap(0, 5, 1, 32, nullptr);
    ASSERT_NE(tiny, nullptr);
    EXPECT_EQ(BitmapInfo(tiny).bmWidth, 1);
    EXPECT_EQ(BitmapInfo(tiny).bmBitsPixel, 1);

    HBITMAP b = CreateBitmap(17, 3, 1, 1, nullptr);
    EXPECT_EQ(GetObject(b, 0, nullptr), static_cast<int>(sizeof(BITMAP)));
    BITMAP bm{};
    EXPECT_FAILS_WITH(GetObject(b, sizeof bm - 1, &bm), ERROR_INSUFFICIENT_BUFFER);
    bm = BitmapInfo(b);
    EXPECT_EQ(std::tuple(bm.bmWidth, bm.bmHeight, bm.bmWidthBytes), std::tuple(17, 3, 4));  // 17 bits padded to 32
    EXPECT_EQ(bm.bmBits, nullptr);
    EXPECT_TRUE(DeleteObject(b));
}

TEST(SelectionTest, SelectObjectReturnsThePreviousObjectOfEachKind) {
    HDC dc = CreateCompatibleDC(nullptr);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), GetStockObject(BLACK_PEN));
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), GetStockObject(WHITE_BRUSH));
    EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), GetStockObject(SYSTEM_FONT));
    HPEN pen = CreatePen(PS_SOLID, 2, RGB(1, 2, 3));
    HBRUSH brush = CreateSolidBrush(RGB(4, 5, 6));
    HBITMAP bmp = CreateBitmap(2, 2, 1, 32, nullptr);
    HGDIOBJ stockBitmap = GetCurrentObject(dc, OBJ_BITMAP);

    EXPECT_EQ(SelectObject(dc, pen), GetStockObject(BLACK_PEN));
    EXPECT_EQ(SelectObject(dc, brush), GetStockObject(WHITE_BRUSH));
    EXPECT_EQ(SelectObject(dc, bmp), stockBitmap);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), pen);
    EXPECT_EQ(SelectObject(dc, bmp), bmp);  // already there
    EXPECT_EQ(SelectObject(dc, GetStockObject(NULL_PEN)), pen);
    EXPECT_EQ(SelectObject(dc, GetStockObject(BLACK_BRUSH)), brush);
    EXPECT_EQ(SelectObject(dc, stockBitmap), bmp);
    EXPECT_TRUE(DeleteDC(dc));
    for (HGDIOBJ o : {(HGDIOBJ)pen, (HGDIOBJ)brush, (HGDIOBJ)bmp}) EXPECT_TRUE(DeleteObject(o));
}

TEST(SelectionTest, ABitmapLivesInOneDCAtATime) {
    HDC a = CreateCompatibleDC(nullptr), b = CreateCompatibleDC(nullptr);
    HBITMAP bmp = CreateBitmap(4, 4, 1, 32, nullptr);
    ASSERT_NE(SelectObject(a, bmp), nullptr);
    EXPECT_FAILS_WITH(SelectObject(b, bmp), ERROR_BUSY);
    // The stock 1x1 bitmap is shared by every new memory DC.
    EXPECT_EQ(GetCurrentObject(b, OBJ_BITMAP), GetCurrentObject(CreateCompatibleDC(nullptr), OBJ_BITMAP));
    // Deleting the DC frees the bitmap for another.
    EXPECT_TRUE(DeleteDC(a));
    EXPECT_NE(SelectObject(b, bmp), nullptr);
    EXPECT_TRUE(DeleteDC(b));
    EXPECT_TRUE(DeleteObject(bmp));
}

TEST(SelectionTest, SelectedObjectsAreNotDeletedUnderTheDC) {
    MemSurface s(4, 1);
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
    HGDIOBJ old = SelectObject(s.dc(), pen);
    EXPECT_FAILS_WITH(DeleteObject(pen), ERROR_BUSY);
    EXPECT_FALSE(DeleteObject(s.bitmap()));
    // The pen still works.
    MoveToEx(s.dc(), 0, 0, nullptr);
    LineTo(s.dc(), 2, 0);
    EXPECT_EQ(GetPixel(s.dc(), 1, 0), RGB(255, 0, 0));
    SelectObject(s.dc(), old);
    EXPECT_TRUE(DeleteObject(pen));
    // A deleted handle is dead for good, even after its slot is reused.
    HBRUSH reuse = CreateSolidBrush(0);
    EXPECT_NE(static_cast<HGDIOBJ>(reuse), static_cast<HGDIOBJ>(pen));
    EXPECT_EQ(GetObjectType(pen), 0u);
    EXPECT_FAILS_WITH(DeleteObject(pen), ERROR_INVALID_HANDLE);
    EXPECT_EQ(SelectObject(s.dc(), pen), nullptr);
    DeleteObject(reuse);
}

TEST(SelectionTest, BadHandlesAreRefused) {
    MemSurface s(2, 2);
    HPEN pen = CreatePen(PS_SOLID, 1, 0);
    HGDIOBJ forged = reinterpret_cast<HGDIOBJ>(uintptr_t{0x12345672});
    HANDLE event = CreateEvent(nullptr, TRUE, FALSE, nullptr);

    EXPECT_FAILS_WITH(SelectObject(nullptr, pen), ERROR_INVALID_HANDLE);
    EXPECT_EQ(SelectObject(s.dc(), forged), nullptr);
    EXPECT_EQ(SelectObject(s.dc(), event), nullptr);  // a kernel object is no drawing object
    EXPECT_EQ(SelectObject(s.dc(), s.dc()), nullptr);
    EXPECT_EQ(SelectObject(static_cast<HDC>(static_cast<HGDIOBJ>(pen)), pen), nullptr);
    EXPECT_FALSE(DeleteDC(static_cast<HDC>(static_cast<HGDIOBJ>(pen))));
    EXPECT_FALSE(DeleteObject(s.dc()));
    EXPECT_FALSE(DeleteObject(nullptr));
    EXPECT_FALSE(CloseHandle(pen));  // drawing handles are not kernel handles
    EXPECT_EQ(GetObjectType(pen), static_cast<DWORD>(OBJ_PEN));
    EXPECT_EQ(GetObject(s.dc(), 0, nullptr), 0);
    EXPECT_EQ(CreateCompatibleDC(static_cast<HDC>(forged)), nullptr);
    EXPECT_EQ(SetTextColor(nullptr, 0), CLR_INVALID);
    EXPECT_EQ(GetDeviceCaps(nullptr, HORZRES), 0);
    EXPECT_EQ(GetCurrentObject(s.dc(), 99), nullptr);
    EXPECT_EQ(CreatePen(7, 1, 0), nullptr);
    EXPECT_FAILS_WITH(CreatePen(PS_SOLID, -1, 0), ERROR_INVALID_PARAMETER);
    CloseHandle(event);
    DeleteObject(pen);
}

TEST(DcStateTest, AttributesReturnThePreviousValuesAndFontsAreSelectable) {
    MemSurface s(1, 1);
    EXPECT_EQ(GetTextColor(s.dc()), RGB(0, 0, 0));
    EXPECT_EQ(GetBkColor(s.dc()), RGB(255, 255, 255));
    EXPECT_EQ(GetBkMode(s.dc()), OPAQUE);
    EXPECT_EQ(SetTextColor(s.dc(), RGB(1, 2, 3)), RGB(0, 0, 0));
    EXPECT_EQ(SetTextColor(s.dc(), RGB(4, 5, 6)), RGB(1, 2, 3));
    EXPECT_EQ(SetBkColor(s.dc(), RGB(7, 8, 9)), RGB(255, 255, 255));
    EXPECT_EQ(SetBkMode(s.dc(), TRANSPARENT), OPAQUE);
    EXPECT_EQ(SetBkMode(s.dc(), 3), 0);
    EXPECT_EQ(GetBkMode(s.dc()), TRANSPARENT);
    EXPECT_EQ(SetROP2(s.dc(), R2_XORPEN), R2_COPYPEN);
    EXPECT_EQ(SetROP2(s.dc(), 0), 0);
    EXPECT_EQ(GetROP2(s.dc()), R2_XORPEN);
    ce::gdi::ResetDCState(s.dc());
    EXPECT_EQ(GetTextColor(s.dc()), RGB(0, 0, 0));
    EXPECT_EQ(GetROP2(s.dc()), R2_COPYPEN);

    // Fonts are selectable for the text engine.
    LOGFONTW lf{};
    lf.lfHeight = -20;
    HFONT font = ce::gdi::CreateFontObject(lf);
    EXPECT_EQ(GetObjectType(font), static_cast<DWORD>(OBJ_FONT));
    EXPECT_EQ(SelectObject(s.dc(), font), GetStockObject(SYSTEM_FONT));
    EXPECT_EQ(ce::gdi::GetDCFont(s.dc()), font);
    EXPECT_EQ(ce::gdi::GetFontData(font)->logFont.lfHeight, -20);
    LOGFONTW back{};
    EXPECT_EQ(GetObject(font, sizeof back, &back), static_cast<int>(sizeof back));
    EXPECT_EQ(back.lfHeight, -20);
    EXPECT_FALSE(DeleteObject(font));
    SelectObject(s.dc(), GetStockObject(SYSTEM_FONT));
    EXPECT_TRUE(DeleteObject(font));
    EXPECT_EQ(ce::gdi::GetFontData(font), nullptr);
}

TEST(ClipTest, ProgramClipRectanglesCombine) {
    MemSurface s(10, 10);
    RECT box;
    EXPECT_EQ(GetClipBox(s.dc(), &box), SIMPLEREGION);
    EXPECT_TRUE(SameRect(box, RECT{0, 0, 10, 10}));
    EXPECT_EQ(IntersectClipRect(s.dc(), 2, 2, 8, 8), SIMPLEREGION);
    EXPECT_EQ(ExcludeClipRect(s.dc(), 4, 0, 6, 10), COMPLEXREGION);
    s.Fill(RGB(0, 0, 0));
    std::string row;
    for (int x = 0; x < 10; ++x) row += GetPixel(s.dc(), x, 5) == RGB(0, 0, 0) ? '#' : '.';
    EXPECT_EQ(row, "..##..##..");  // outside the clip GetPixel answers CLR_INVALID
    EXPECT_EQ(GetClipBox(s.dc(), &box), COMPLEXREGION);
    EXPECT_TRUE(SameRect(box, RECT{2, 2, 8, 8}));
    EXPECT_EQ(IntersectClipRect(s.dc(), 4, 4, 6, 6), NULLREGION);
}

class ScreenTest : public ::testing::Test {
protected:
    void SetUp() override { ce::gdi::Screen::SetMode({}); }
    void TearDown() override { ce::gdi::Screen::SetMode({}); }
};

TEST_F(ScreenTest, DeviceCapsDescribeTheScreen) {
    HDC dc = CreateCompatibleDC(nullptr);
    for (auto [index, value] :
         {std::pair{HORZRES, 800}, {VERTRES, 480}, {BITSPIXEL, 32}, {PLANES, 1}, {LOGPIXELSX, 96}})
        EXPECT_EQ(GetDeviceCaps(dc, index), value) << index;
    ce::gdi::ScreenMode mode;
    mode.width = 480;
    mode.height = 800;
    mode.bitsPerPixel = 16;
    mode.dpi = 120;
    ce::gdi::Screen::SetMode(mode);
    for (auto [index, value] : {std::pair{HORZRES, 480}, {VERTRES, 800}, {BITSPIXEL, 16}, {LOGPIXELSY, 120}, {9999, 0}})
        EXPECT_EQ(GetDeviceCaps(dc, index), value) << index;
    DeleteDC(dc);
}

TEST_F(ScreenTest, WindowDCDrawsAtItsOriginInsideItsClipAndNothingWhenItIsEmpty) {
    // Client area at (100, 50); visible: two overlapping strips.
    ce::gdi::DcGeometry geo{{100, 50}, {RECT{100, 50, 110, 55}, RECT{105, 50, 120, 52}}};
    HWND owner = reinterpret_cast<HWND>(uintptr_t{0x1000});
    HDC dc = ce::gdi::CreateWindowDC(owner, geo);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(GetObjectType(dc), static_cast<DWORD>(OBJ_DC));
    EXPECT_EQ(ce::gdi::WindowFromDC(dc), owner);
    uint64_t before = ce::gdi::Screen::Changes();
    // Inverting twice where the strips overlap would cancel out: it must not.
    PatBlt(dc, -5, -5, 100, 100, DSTINVERT);
    EXPECT_GT(ce::gdi::Screen::Changes(), before);
    for (auto [x, y, inverted] : {std::tuple{100, 50, true},
                                  {107, 51, true},
                                  {119, 51, true},
                                  {119, 52, false},
                                  {99, 50, false},
                                  {110, 54, false}})
        EXPECT_EQ(ce::gdi::Screen::Pixel(x, y), inverted ? RGB(255, 255, 255) : RGB(0, 0, 0)) << x << "," << y;
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(dc, 19, 2), CLR_INVALID);  // hidden
    RECT box;
    EXPECT_EQ(GetClipBox(dc, &box), COMPLEXREGION);
    EXPECT_TRUE(SameRect(box, RECT{0, 0, 20, 5}));

    int w = 0, h = 0;
    std::vector<uint32_t> shot = ce::gdi::Screen::Snapshot(&w, &h);
    ASSERT_EQ(shot.size(), static_cast<size_t>(w) * h);
    EXPECT_EQ(shot[50 * w + 100], 0xFFFFFFu);

    // Moved and uncovered: the next drawing lands at the new place.
    ASSERT_TRUE(ce::gdi::SetWindowDCGeometry(dc, {{0, 0}, {RECT{0, 0, 800, 480}}}));
    SetPixel(dc, 3, 4, RGB(10, 20, 30));
    EXPECT_EQ(ce::gdi::Screen::Pixel(3, 4), RGB(10, 20, 30));
    EXPECT_EQ(shot[4 * w + 3], 0u);  // the snapshot is a copy

    EXPECT_FALSE(DeleteDC(dc));  // window DCs go back to the window system
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_TRUE(ce::gdi::ReleaseWindowDC(dc));
    EXPECT_FALSE(ce::gdi::ReleaseWindowDC(dc));
    HDC mem = CreateCompatibleDC(nullptr);
    EXPECT_FALSE(ce::gdi::ReleaseWindowDC(mem));
    DeleteDC(mem);

    // An empty visible area draws nothing.
    dc = ce::gdi::CreateWindowDC(nullptr, {{10, 10}, {}});
    EXPECT_TRUE(PatBlt(dc, 0, 0, 50, 50, WHITENESS));
    EXPECT_EQ(ce::gdi::Screen::Pixel(10, 10), RGB(0, 0, 0));
    EXPECT_EQ(SetPixel(dc, 0, 0, RGB(255, 0, 0)), CLR_INVALID);
    ce::gdi::ReleaseWindowDC(dc);
}

// Programs draw from several threads while the host reads the screen.
TEST(ConcurrencyTest, ThreadsDrawIntoTheirOwnBitmapsWhileTheScreenIsRead) {
    std::vector<std::thread> threads;
    std::atomic<int> wrong{0};
    for (int t = 0; t < 3; ++t) {
        threads.emplace_back([t, &wrong] {
            for (int i = 0; i < 200; ++i) {
                MemSurface s(8, 8);
                HBRUSH b = CreateSolidBrush(RGB(t, i & 0xFF, 0));
                RECT r{0, 0, 8, 8};
                FillRect(s.dc(), &r, b);
                if (GetPixel(s.dc(), 7, 7) != RGB(t, i & 0xFF, 0)) ++wrong;
                DeleteObject(b);
            }
        });
    }
    threads.emplace_back([] {
        for (int i = 0; i < 50; ++i) ce::gdi::Screen::Snapshot(nullptr, nullptr);
    });
    for (auto& th : threads) th.join();
    EXPECT_EQ(wrong.load(), 0);
}

}  // namespace
