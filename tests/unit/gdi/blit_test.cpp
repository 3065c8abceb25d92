// Raster operations: every named operation on colour and monochrome
// surfaces, the colour/monochrome conversions, clipping, single pixels.
#include <climits>
#include <functional>

#include "gdi_test_util.h"

namespace {

using gditest::MemSurface;
using Formula = std::function<uint32_t(uint32_t p, uint32_t s, uint32_t d)>;

struct NamedRop {
    const char* name;
    DWORD rop;
    Formula f;
};

const NamedRop kRops[] = {
    {"SRCCOPY", SRCCOPY, [](uint32_t, uint32_t s, uint32_t) { return s; }},
    {"SRCPAINT", SRCPAINT, [](uint32_t, uint32_t s, uint32_t d) { return s | d; }},
    {"SRCAND", SRCAND, [](uint32_t, uint32_t s, uint32_t d) { return s & d; }},
    {"SRCINVERT", SRCINVERT, [](uint32_t, uint32_t s, uint32_t d) { return s ^ d; }},
    {"SRCERASE", SRCERASE, [](uint32_t, uint32_t s, uint32_t d) { return s & ~d; }},
    {"NOTSRCCOPY", NOTSRCCOPY, [](uint32_t, uint32_t s, uint32_t) { return ~s; }},
    {"NOTSRCERASE", NOTSRCERASE, [](uint32_t, uint32_t s, uint32_t d) { return ~(s | d); }},
    {"MERGECOPY", MERGECOPY, [](uint32_t p, uint32_t s, uint32_t) { return p & s; }},
    {"MERGEPAINT", MERGEPAINT, [](uint32_t, uint32_t s, uint32_t d) { return ~s | d; }},
    {"PATCOPY", PATCOPY, [](uint32_t p, uint32_t, uint32_t) { return p; }},
    {"PATPAINT", PATPAINT, [](uint32_t p, uint32_t s, uint32_t d) { return p | ~s | d; }},
    {"PATINVERT", PATINVERT, [](uint32_t p, uint32_t, uint32_t d) { return p ^ d; }},
    {"DSTINVERT", DSTINVERT, [](uint32_t, uint32_t, uint32_t d) { return ~d; }},
    {"BLACKNESS", BLACKNESS, [](uint32_t, uint32_t, uint32_t) { return 0u; }},
    {"WHITENESS", WHITENESS, [](uint32_t, uint32_t, uint32_t) { return ~0u; }},
};

COLORREF Grey(uint32_t v) {
    return RGB(v & 0xFF, v & 0xFF, v & 0xFF);
}

// Pattern, source and destination bytes 0xF0, 0xCC and 0xAA hold every
// combination of bits, so one pixel checks an operation's whole table.
TEST(RopTest, EveryTernaryCodeFollowsItsTruthTable) {
    MemSurface dst(1, 1), src(1, 1, false, Grey(0xCC));
    HBRUSH brush = CreateSolidBrush(Grey(0xF0));
    HGDIOBJ old = SelectObject(dst.dc(), brush);
    for (uint32_t index = 0; index < 256; ++index) {
        SetPixel(dst.dc(), 0, 0, Grey(0xAA));
        BitBlt(dst.dc(), 0, 0, 1, 1, src.dc(), 0, 0, index << 16);
        ASSERT_EQ(GetPixel(dst.dc(), 0, 0), Grey(index)) << index;
    }
    SelectObject(dst.dc(), old);
    DeleteObject(brush);
}

// The named codes on monochrome surfaces: destination bits 0011, source
// bits 0101, with a black and with a white brush.
TEST(RopTest, NamedOperationsOnMonochromeSurfaces) {
    const COLORREF kBit[] = {RGB(0, 0, 0), RGB(255, 255, 255)};
    for (bool whiteBrush : {false, true}) {
        for (const NamedRop& r : kRops) {
            SCOPED_TRACE(std::string(r.name) + (whiteBrush ? " white brush" : " black brush"));
            MemSurface dst(4, 1, true), src(4, 1, true);
            std::string want;
            for (int x = 0; x < 4; ++x) {
                SetPixel(dst.dc(), x, 0, kBit[x >> 1]);
                SetPixel(src.dc(), x, 0, kBit[x & 1]);
                want += (r.f(whiteBrush, x & 1, x >> 1) & 1) ? '1' : '0';
            }
            SelectObject(dst.dc(), GetStockObject(whiteBrush ? WHITE_BRUSH : BLACK_BRUSH));
            ASSERT_TRUE(BitBlt(dst.dc(), 0, 0, 4, 1, src.dc(), 0, 0, r.rop));
            EXPECT_EQ(dst.Picture({{kBit[0], '0'}, {kBit[1], '1'}}), want);
        }
    }
}

const COLORREF kRed = RGB(255, 0, 0), kGreen = RGB(0, 255, 0), kBlue = RGB(0, 0, 255);

TEST(ConversionTest, ColourToMonochromeKeepsOnlyTheSourceBackgroundAsWhite) {
    MemSurface src(4, 1), dst(4, 1, true, RGB(0, 0, 0));
    SetPixel(src.dc(), 0, 0, kRed);
    SetPixel(src.dc(), 1, 0, RGB(255, 255, 255));
    SetPixel(src.dc(), 2, 0, RGB(0, 0, 0));
    SetPixel(src.dc(), 3, 0, kGreen);
    SetBkColor(src.dc(), kRed);
    SetBkColor(dst.dc(), kGreen);  // the destination's colours do not matter here
    SetTextColor(dst.dc(), kBlue);
    BitBlt(dst.dc(), 0, 0, 4, 1, src.dc(), 0, 0, SRCCOPY);
    EXPECT_EQ(dst.Picture(), ".###");  // only the red pixel became 1 (white), white itself 0

    SetBkColor(src.dc(), RGB(255, 255, 255));
    BitBlt(dst.dc(), 0, 0, 4, 1, src.dc(), 0, 0, SRCCOPY);
    EXPECT_EQ(dst.Picture(), "#.##");
}

TEST(ConversionTest, MonochromeToColourUsesTheDestinationTextAndBackgroundColours) {
    const uint8_t bits[] = {0b10100000, 0};
    HBITMAP mono = CreateBitmap(4, 1, 1, 1, bits);
    HDC src = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(src, mono);
    SetTextColor(src, kRed);  // the source's colours do not matter here
    SetBkColor(src, kRed);
    MemSurface dst(4, 1);
    SetTextColor(dst.dc(), kBlue);
    SetBkColor(dst.dc(), kGreen);
    BitBlt(dst.dc(), 0, 0, 4, 1, src, 0, 0, SRCCOPY);
    EXPECT_EQ(dst.Picture({{kGreen, 'g'}, {kBlue, 'b'}}), "gbgb");

    // The classic mask step: SRCAND with a monochrome mask keeps the
    // destination where the mask is white (background colour white).
    dst.Fill(kRed);
    SetTextColor(dst.dc(), RGB(0, 0, 0));
    SetBkColor(dst.dc(), RGB(255, 255, 255));
    BitBlt(dst.dc(), 0, 0, 4, 1, src, 0, 0, SRCAND);
    EXPECT_EQ(dst.Picture({{kRed, 'r'}, {RGB(0, 0, 0), '#'}}), "r#r#");
    SelectObject(src, old);
    DeleteDC(src);
    DeleteObject(mono);
}

TEST(ClipTest, SourceOutsideItsSurfaceLeavesTheDestinationAlone) {
    MemSurface src(4, 1), dst(6, 1);
    const COLORREF c[] = {RGB(10, 0, 0), RGB(20, 0, 0), RGB(30, 0, 0), RGB(40, 0, 0)};
    for (int x = 0; x < 4; ++x) SetPixel(src.dc(), x, 0, c[x]);
    BitBlt(dst.dc(), 1, 0, 4, 1, src.dc(), -1, 0, SRCCOPY);
    const std::map<COLORREF, char> legend{
        {RGB(255, 255, 255), '.'}, {c[0], '0'}, {c[1], '1'}, {c[2], '2'}, {c[3], '3'}};
    EXPECT_EQ(dst.Picture(legend), "..012.");
    BitBlt(dst.dc(), 0, 0, 6, 1, src.dc(), 2, 0, SRCCOPY);
    EXPECT_EQ(dst.Picture(legend), "23012.");
}

TEST(ClipTest, OverlappingBlitsWithinOneSurfaceReadTheOriginal) {
    MemSurface s(5, 1);
    const std::map<COLORREF, char> legend{
        {RGB(1, 0, 0), 'a'}, {RGB(2, 0, 0), 'b'}, {RGB(3, 0, 0), 'c'}, {RGB(4, 0, 0), 'd'}, {RGB(5, 0, 0), 'e'}};
    auto reset = [&] {
        for (int x = 0; x < 5; ++x) SetPixel(s.dc(), x, 0, RGB(x + 1, 0, 0));
    };
    reset();
    BitBlt(s.dc(), 1, 0, 4, 1, s.dc(), 0, 0, SRCCOPY);
    EXPECT_EQ(s.Picture(legend), "aabcd");
    reset();
    BitBlt(s.dc(), 0, 0, 4, 1, s.dc(), 1, 0, SRCCOPY);
    EXPECT_EQ(s.Picture(legend), "bcdee");
}

TEST(ClipTest, BlitsAreClippedToTheDestinationEdgesAndExtremeCoordinatesAreHarmless) {
    MemSurface dst(4, 4), src(4, 4, false, RGB(0, 0, 0));
    EXPECT_TRUE(BitBlt(dst.dc(), -2, -3, 4, 4, src.dc(), 0, 0, SRCCOPY));
    EXPECT_TRUE(BitBlt(dst.dc(), 3, 2, 10, 10, src.dc(), 0, 0, SRCCOPY));
    EXPECT_EQ(dst.Picture(), gditest::Rows({"##..", "....", "...#", "...#"}));
    dst.Fill(RGB(255, 255, 255));
    EXPECT_TRUE(BitBlt(dst.dc(), INT_MAX - 1, 0, INT_MAX, 2, src.dc(), 0, 0, SRCCOPY));
    EXPECT_TRUE(BitBlt(dst.dc(), INT_MIN, INT_MIN, INT_MAX, INT_MAX, src.dc(), INT_MAX, INT_MAX, SRCCOPY));
    EXPECT_TRUE(PatBlt(dst.dc(), INT_MIN, INT_MIN, INT_MAX, INT_MAX, BLACKNESS));
    EXPECT_EQ(dst.Picture(), gditest::Rows({"....", "....", "....", "...."}));
    SetViewportOrgEx(dst.dc(), INT_MAX, INT_MAX, nullptr);
    EXPECT_EQ(SetPixel(dst.dc(), INT_MAX, INT_MAX, 0), CLR_INVALID);
    // INT_MAX + INT_MIN is -1: computed without overflow, (0,0) is covered.
    EXPECT_TRUE(PatBlt(dst.dc(), INT_MIN, INT_MIN, 2, 2, BLACKNESS));
    SetViewportOrgEx(dst.dc(), 0, 0, nullptr);
    EXPECT_EQ(dst.Picture(), gditest::Rows({"#...", "....", "....", "...."}));
}

TEST(BlitArgumentsTest, SourceIsNeededOnlyWhenTheOperationReadsIt) {
    MemSurface dst(2, 1);
    EXPECT_FAILS_WITH(BitBlt(dst.dc(), 0, 0, 2, 1, nullptr, 0, 0, SRCCOPY), ERROR_INVALID_HANDLE);
    SelectObject(dst.dc(), GetStockObject(BLACK_BRUSH));
    EXPECT_TRUE(BitBlt(dst.dc(), 0, 0, 1, 1, nullptr, 0, 0, PATCOPY));
    EXPECT_EQ(dst.Picture(), "#.");
    EXPECT_FALSE(BitBlt(nullptr, 0, 0, 1, 1, dst.dc(), 0, 0, SRCCOPY));
    EXPECT_FAILS_WITH(PatBlt(dst.dc(), 0, 0, 1, 1, SRCCOPY), ERROR_INVALID_PARAMETER);
    // Empty and negative sizes draw nothing.
    EXPECT_TRUE(BitBlt(dst.dc(), 0, 0, 0, 1, nullptr, 0, 0, WHITENESS));
    EXPECT_TRUE(BitBlt(dst.dc(), 1, 0, -1, 1, nullptr, 0, 0, WHITENESS));
    EXPECT_EQ(dst.Picture(), "#.");
}

TEST(PatBltTest, NegativeExtentsGrowLeftAndUpAndHollowBrushesPaintNothing) {
    MemSurface s(4, 2);
    SelectObject(s.dc(), GetStockObject(BLACK_BRUSH));
    EXPECT_TRUE(PatBlt(s.dc(), 3, 2, -2, -1, PATCOPY));
    EXPECT_EQ(s.Picture(), gditest::Rows({"....", ".##."}));
    EXPECT_TRUE(PatBlt(s.dc(), 0, 0, 4, 2, PATINVERT));  // black brush: no change
    EXPECT_TRUE(PatBlt(s.dc(), 0, 0, 2, 1, DSTINVERT));
    EXPECT_EQ(s.Picture(), gditest::Rows({"##..", ".##."}));
    SelectObject(s.dc(), GetStockObject(NULL_BRUSH));
    EXPECT_TRUE(PatBlt(s.dc(), 0, 0, 4, 2, PATCOPY));
    EXPECT_EQ(s.Picture(), gditest::Rows({"##..", ".##."}));
}

TEST(PixelTest, PixelsOutsideTheSurfaceAreInvalid) {
    MemSurface s(3, 2);
    EXPECT_EQ(SetPixel(s.dc(), 2, 1, kRed), kRed);
    EXPECT_EQ(GetPixel(s.dc(), 2, 1), kRed);
    for (POINT p : {POINT{-1, 0}, POINT{0, -1}, POINT{3, 0}, POINT{0, 2}}) {
        EXPECT_EQ(SetPixel(s.dc(), p.x, p.y, kRed), CLR_INVALID);
        EXPECT_EQ(GetPixel(s.dc(), p.x, p.y), CLR_INVALID);
    }
    EXPECT_EQ(GetPixel(nullptr, 0, 0), CLR_INVALID);
    // A viewport origin moves logical (0,0).
    SetViewportOrgEx(s.dc(), 1, 1, nullptr);
    SetPixel(s.dc(), 0, 0, kBlue);
    POINT org;
    GetViewportOrgEx(s.dc(), &org);
    EXPECT_EQ(org.x, 1);
    SetViewportOrgEx(s.dc(), 0, 0, nullptr);
    EXPECT_EQ(GetPixel(s.dc(), 1, 1), kBlue);
}

TEST(PixelTest, MonochromeSurfacesStoreTheNearerOfBlackAndWhite) {
    MemSurface s(1, 1, true);
    EXPECT_EQ(SetPixel(s.dc(), 0, 0, kRed), RGB(0, 0, 0));
    EXPECT_EQ(SetPixel(s.dc(), 0, 0, RGB(200, 200, 200)), RGB(255, 255, 255));
    EXPECT_EQ(SetPixel(s.dc(), 0, 0, RGB(128, 127, 127)), RGB(0, 0, 0));
    EXPECT_EQ(SetPixel(s.dc(), 0, 0, RGB(128, 128, 127)), RGB(255, 255, 255));
}

TEST(CoverageMaskTest, BlendsThroughTheMaskAndTheClip) {
    MemSurface s(4, 2);
    const uint8_t mask[] = {0, 128, 255, 255, 9, 9, 9, 9};
    IntersectClipRect(s.dc(), 0, 0, 3, 1);
    ASSERT_TRUE(ce::gdi::DrawCoverageMask(s.dc(), 0, 0, 4, 1, mask, 4, kRed));
    EXPECT_EQ(GetPixel(s.dc(), 0, 0), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(s.dc(), 1, 0), RGB(255, 127, 127));
    EXPECT_EQ(GetPixel(s.dc(), 2, 0), kRed);
    ce::gdi::ResetDCState(s.dc());
    EXPECT_EQ(GetPixel(s.dc(), 3, 0), RGB(255, 255, 255));  // was clipped
    EXPECT_FALSE(ce::gdi::DrawCoverageMask(s.dc(), 0, 0, 4, 1, mask, 3, kRed));
    EXPECT_FALSE(ce::gdi::DrawCoverageMask(s.dc(), 0, 0, 4, 1, nullptr, 4, kRed));

    MemSurface m(3, 1, true);
    ASSERT_TRUE(ce::gdi::DrawCoverageMask(m.dc(), 0, 0, 3, 1, mask, 4, RGB(0, 0, 0)));
    EXPECT_EQ(m.Picture(), ".##");
}

}  // namespace
