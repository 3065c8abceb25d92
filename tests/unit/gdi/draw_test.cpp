// Lines and shapes: end points, boundaries, pens, mixes, edges.
#include <climits>
#include <cstdlib>

#include "gdi_test_util.h"

namespace {

using gditest::MemSurface;
using gditest::Rows;

const COLORREF kWhite = RGB(255, 255, 255), kBlack = RGB(0, 0, 0), kRed = RGB(255, 0, 0);
const std::map<COLORREF, char> kGreyLegend{{kWhite, '.'}, {kBlack, '#'}, {RGB(128, 128, 128), 'g'}};

TEST(LineTest, EndPointIsExcludedInEveryDirection) {
    const POINT ends[] = {{18, 13}, {13, 18}, {7, 18}, {2, 13}, {2, 7},   {7, 2}, {13, 2}, {18, 7},
                          {18, 10}, {10, 18}, {2, 10}, {10, 2}, {16, 16}, {4, 4}, {16, 4}, {4, 16}};
    MemSurface s(21, 21);
    for (POINT e : ends) {
        SCOPED_TRACE(testing::Message() << "to " << e.x << "," << e.y);
        s.Fill(kWhite);
        MoveToEx(s.dc(), 10, 10, nullptr);
        ASSERT_TRUE(LineTo(s.dc(), e.x, e.y));
        EXPECT_EQ(GetPixel(s.dc(), 10, 10), kBlack);
        EXPECT_EQ(GetPixel(s.dc(), e.x, e.y), kWhite);
        // One pixel per step of the longer axis, all inside the line's box,
        // and the last one next to the end point.
        EXPECT_EQ(s.Count(kBlack), std::max(std::abs(e.x - 10), std::abs(e.y - 10)));
        const LONG o = 10;
        const RECT ink = s.Ink(), box{std::min(o, e.x), std::min(o, e.y), std::max(o, e.x) + 1, std::max(o, e.y) + 1};
        RECT both;
        UnionRect(&both, &ink, &box);
        EXPECT_TRUE(EqualRect(&both, &box));
        EXPECT_TRUE(s.HasInk(kWhite, {e.x - 1, e.y - 1, e.x + 2, e.y + 2}));
        POINT pos;
        MoveToEx(s.dc(), 0, 0, &pos);
        EXPECT_EQ(std::pair(pos.x, pos.y), std::pair(e.x, e.y));
    }
}

TEST(LineTest, ShallowLineRoundsToTheNearestRow) {
    MemSurface s(7, 3);
    MoveToEx(s.dc(), 0, 0, nullptr);
    LineTo(s.dc(), 6, 2);
    EXPECT_EQ(s.Picture(), Rows({"##.....", "..###..", ".....#."}));
    // Drawn back the other way it covers the mirror pixels, start included.
    s.Fill(kWhite);
    MoveToEx(s.dc(), 6, 2, nullptr);
    LineTo(s.dc(), 0, 0);
    EXPECT_EQ(s.Picture(), Rows({".#.....", "..###..", ".....##"}));
}

TEST(LineTest, PolylineCornersAreMixedOnce) {
    MemSurface s(4, 4);
    SetROP2(s.dc(), R2_NOT);
    const POINT pts[] = {{0, 0}, {3, 0}, {3, 3}};
    POINT before;
    MoveToEx(s.dc(), 2, 2, nullptr);
    ASSERT_TRUE(Polyline(s.dc(), pts, 3));
    EXPECT_EQ(s.Picture(), Rows({"####", "...#", "...#", "...."}));
    MoveToEx(s.dc(), 0, 0, &before);  // Polyline leaves the position alone
    EXPECT_EQ(before.x, 2);
    EXPECT_FALSE(Polyline(s.dc(), pts, 1));
    EXPECT_FAILS_WITH(Polyline(s.dc(), nullptr, 3), ERROR_INVALID_PARAMETER);
}

TEST(LineTest, PenWidthsAndStyles) {
    MemSurface s(7, 5);
    HPEN wide = CreatePen(PS_SOLID, 3, kBlack);
    HGDIOBJ old = SelectObject(s.dc(), wide);
    MoveToEx(s.dc(), 1, 2, nullptr);
    LineTo(s.dc(), 5, 2);
    EXPECT_EQ(s.Picture(), Rows({".......", "######.", "######.", "######.", "......."}));

    s.Fill(kWhite);
    SelectObject(s.dc(), GetStockObject(NULL_PEN));
    MoveToEx(s.dc(), 0, 0, nullptr);
    EXPECT_TRUE(LineTo(s.dc(), 6, 4));
    EXPECT_EQ(s.Picture(), Rows({".......", ".......", ".......", ".......", "......."}));
    SelectObject(s.dc(), old);
    DeleteObject(wide);
}

TEST(LineTest, DashedPenGapsFollowTheBackgroundMode) {
    MemSurface s(31, 1);
    HPEN dash = CreatePen(PS_DASH, 1, kBlack);
    HGDIOBJ old = SelectObject(s.dc(), dash);
    SetBkColor(s.dc(), kRed);
    MoveToEx(s.dc(), 0, 0, nullptr);
    LineTo(s.dc(), 30, 0);
    const std::map<COLORREF, char> legend{{kWhite, '.'}, {kBlack, '#'}, {kRed, 'r'}};
    EXPECT_EQ(s.Picture(legend), std::string(18, '#') + std::string(6, 'r') + std::string(6, '#') + ".");
    s.Fill(kWhite);
    SetBkMode(s.dc(), TRANSPARENT);
    MoveToEx(s.dc(), 0, 0, nullptr);
    LineTo(s.dc(), 30, 0);
    EXPECT_EQ(s.Picture(legend), std::string(18, '#') + std::string(6, '.') + std::string(6, '#') + ".");
    SelectObject(s.dc(), old);
    DeleteObject(dash);
}

TEST(LineTest, HugeCoordinatesAreClippedNotWalked) {
    MemSurface s(5, 5);
    MoveToEx(s.dc(), INT_MIN, INT_MIN, nullptr);
    LineTo(s.dc(), INT_MAX, INT_MAX);
    EXPECT_EQ(s.Picture(), Rows({"#....", ".#...", "..#..", "...#.", "....#"}));
}

TEST(ShapeTest, RectangleExcludesRightAndBottom) {
    MemSurface s(6, 5);
    const std::string box = Rows({"......", ".####.", ".#gg#.", ".####.", "......"});
    SelectObject(s.dc(), GetStockObject(GRAY_BRUSH));
    ASSERT_TRUE(Rectangle(s.dc(), 1, 1, 5, 4));
    EXPECT_EQ(s.Picture(kGreyLegend), box);
    // Corners given the other way round draw the same.
    s.Fill(kWhite);
    Rectangle(s.dc(), 5, 4, 1, 1);
    EXPECT_EQ(s.Picture(kGreyLegend), box);
    // A hollow brush leaves the inside.
    s.Fill(kRed);
    SelectObject(s.dc(), GetStockObject(HOLLOW_BRUSH));
    Rectangle(s.dc(), 1, 1, 5, 4);
    EXPECT_EQ(s.Picture({{kRed, 'r'}, {kBlack, '#'}}), Rows({"rrrrrr", "r####r", "r#rr#r", "r####r", "rrrrrr"}));
    // Without a pen the filled part is one pixel smaller.
    s.Fill(kWhite);
    SelectObject(s.dc(), GetStockObject(NULL_PEN));
    SelectObject(s.dc(), GetStockObject(BLACK_BRUSH));
    Rectangle(s.dc(), 1, 1, 5, 4);
    EXPECT_EQ(s.Picture(), Rows({"......", ".###..", ".###..", "......", "......"}));
}

TEST(ShapeTest, FillRectAndFrameRectBoundaries) {
    MemSurface s(5, 4);
    RECT r{1, 1, 4, 3}, big{0, 0, 5, 4}, inverted{4, 3, 1, 1};
    const std::string inner = Rows({".....", ".###.", ".###.", "....."});
    HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    SetROP2(s.dc(), R2_NOP);  // FillRect ignores the mix mode
    ASSERT_TRUE(FillRect(s.dc(), &r, black));
    EXPECT_EQ(s.Picture(), inner);
    s.Fill(kWhite);
    ASSERT_TRUE(FrameRect(s.dc(), &r, reinterpret_cast<HBRUSH>(COLOR_WINDOWTEXT + 1)));
    EXPECT_EQ(s.Picture(), inner);
    s.Fill(kWhite);
    FrameRect(s.dc(), &big, black);
    FillRect(s.dc(), &inverted, black);
    EXPECT_EQ(s.Picture(), Rows({"#####", "#...#", "#...#", "#####"}));

    EXPECT_FAILS_WITH(FillRect(s.dc(), &r, reinterpret_cast<HBRUSH>(uintptr_t{0x5552})), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(FillRect(s.dc(), nullptr, black));
    EXPECT_FALSE(FillRect(s.dc(), &r, static_cast<HBRUSH>(GetStockObject(BLACK_PEN))));
}

// Symmetric, touching the middle of each side of its box, never past it.
TEST(ShapeTest, EllipseTouchesItsBoxAndIsSymmetric) {
    MemSurface s(9, 8);
    SelectObject(s.dc(), GetStockObject(GRAY_BRUSH));
    ASSERT_TRUE(Ellipse(s.dc(), 0, 0, 7, 7));
    EXPECT_EQ(s.Picture(kGreyLegend), Rows({"..###....", ".#ggg#...", "#ggggg#..", "#ggggg#..", "#ggggg#..",
                                            ".#ggg#...", "..###....", "........."}));
}

TEST(ShapeTest, HugeShapesFillTheVisiblePart) {
    MemSurface s(3, 2);
    SelectObject(s.dc(), GetStockObject(BLACK_BRUSH));
    EXPECT_TRUE(Rectangle(s.dc(), INT_MIN, INT_MIN, INT_MAX, INT_MAX));
    EXPECT_EQ(s.Picture(), Rows({"###", "###"}));
    s.Fill(kWhite);
    EXPECT_TRUE(Ellipse(s.dc(), INT_MIN, INT_MIN, INT_MAX, INT_MAX));
    EXPECT_EQ(s.Picture(), Rows({"###", "###"}));
}

TEST(ShapeTest, MonochromeSurfacesUseTheNearerColour) {
    MemSurface s(4, 3, true);
    HPEN red = CreatePen(PS_SOLID, 1, kRed);
    HGDIOBJ oldPen = SelectObject(s.dc(), red);
    SelectObject(s.dc(), GetStockObject(LTGRAY_BRUSH));
    s.Fill(kBlack);
    Rectangle(s.dc(), 0, 0, 4, 3);
    EXPECT_EQ(s.Picture(), Rows({"####", "#..#", "####"}));
    SelectObject(s.dc(), oldPen);
    DeleteObject(red);
}

// Colours of the classic scheme as picture letters.
const std::map<COLORREF, char> kEdgeLegend{{RGB(192, 192, 192), 'l'},
                                           {RGB(255, 255, 255), 'W'},
                                           {RGB(128, 128, 128), 'g'},
                                           {RGB(0, 0, 0), '#'},
                                           {RGB(255, 0, 0), 'r'}};

TEST(EdgeTest, SunkenRaisedAndPartialEdgesWithAndWithoutAdjust) {
    MemSurface s(6, 5, false, kRed);
    RECT rc{0, 0, 6, 5};
    const RECT all = rc;
    ASSERT_TRUE(DrawEdge(s.dc(), &rc, EDGE_SUNKEN, BF_RECT));
    EXPECT_EQ(s.Picture(kEdgeLegend), Rows({"gggggW", "g###lW", "g#rrlW", "gllllW", "WWWWWW"}));
    EXPECT_TRUE(EqualRect(&rc, &all));  // no BF_ADJUST: unchanged
    ASSERT_TRUE(DrawEdge(s.dc(), &rc, EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_ADJUST));
    EXPECT_EQ(s.Picture(kEdgeLegend), Rows({"lllll#", "lWWWg#", "lWllg#", "lgggg#", "######"}));
    const RECT inner{2, 2, 4, 3}, partial{0, 0, 5, 4};
    EXPECT_TRUE(EqualRect(&rc, &inner));

    s.Fill(kRed);
    rc = all;
    ASSERT_TRUE(DrawEdge(s.dc(), &rc, BDR_RAISEDOUTER, BF_BOTTOM | BF_RIGHT | BF_ADJUST));
    EXPECT_EQ(s.Picture(kEdgeLegend), Rows({"rrrrr#", "rrrrr#", "rrrrr#", "rrrrr#", "######"}));
    EXPECT_TRUE(EqualRect(&rc, &partial));

    EXPECT_FALSE(DrawEdge(s.dc(), nullptr, EDGE_RAISED, BF_RECT));
    EXPECT_FALSE(DrawEdge(s.dc(), &rc, EDGE_RAISED, BF_DIAGONAL | BF_TOPLEFT));
}

}  // namespace
