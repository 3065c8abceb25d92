// Rectangle helpers and the rectangle lists behind clipping.
#include <gtest/gtest.h>

#include "gdi_internal.h"

namespace {

bool Same(const RECT& a, const RECT& b) {
    return EqualRect(&a, &b) != FALSE;
}

TEST(RectTest, IntersectionOfOverlappingDisjointAndEmptyRectangles) {
    RECT a{0, 0, 10, 10}, b{5, 5, 15, 15}, out{1, 2, 3, 4};
    EXPECT_TRUE(IntersectRect(&out, &a, &b));
    EXPECT_TRUE(Same(out, RECT{5, 5, 10, 10}));

    // Touching edges do not overlap (right/bottom are exclusive).
    RECT c{10, 0, 20, 10};
    out = RECT{1, 2, 3, 4};
    EXPECT_FALSE(IntersectRect(&out, &a, &c));
    EXPECT_TRUE(Same(out, RECT{0, 0, 0, 0}));

    // An empty operand intersects nothing, even when it lies inside.
    RECT empty{3, 3, 3, 8};
    EXPECT_FALSE(IntersectRect(&out, &a, &empty));
    EXPECT_TRUE(IsRectEmpty(&out));
}

TEST(RectTest, UnionIgnoresEmptyOperands) {
    RECT a{0, 0, 4, 4}, b{10, 10, 12, 12}, empty{50, 50, 40, 60}, out;
    EXPECT_TRUE(UnionRect(&out, &a, &b));
    EXPECT_TRUE(Same(out, RECT{0, 0, 12, 12}));
    EXPECT_TRUE(UnionRect(&out, &empty, &b));
    EXPECT_TRUE(Same(out, b));
    EXPECT_FALSE(UnionRect(&out, &empty, &empty));
    EXPECT_TRUE(Same(out, RECT{0, 0, 0, 0}));
}

TEST(RectTest, PointsOnTheRightAndBottomEdgesAreOutside) {
    RECT r{2, 3, 5, 7};
    EXPECT_TRUE(PtInRect(&r, POINT{2, 3}));
    EXPECT_TRUE(PtInRect(&r, POINT{4, 6}));
    EXPECT_FALSE(PtInRect(&r, POINT{5, 6}));
    EXPECT_FALSE(PtInRect(&r, POINT{4, 7}));
    EXPECT_FALSE(PtInRect(&r, POINT{1, 3}));
}

TEST(RectTest, SettingMovingAndGrowing) {
    RECT r;
    SetRect(&r, 1, 2, 3, 4);
    OffsetRect(&r, 10, -2);
    EXPECT_TRUE(Same(r, RECT{11, 0, 13, 2}));
    InflateRect(&r, 1, -1);
    EXPECT_TRUE(Same(r, RECT{10, 1, 14, 1}));
    EXPECT_TRUE(IsRectEmpty(&r));
    RECT copy;
    CopyRect(&copy, &r);
    EXPECT_TRUE(Same(copy, r));
    SetRectEmpty(&copy);
    EXPECT_TRUE(Same(copy, RECT{0, 0, 0, 0}));
    RECT inverted{5, 5, 1, 9};
    EXPECT_TRUE(IsRectEmpty(&inverted));
}

TEST(RectTest, NullPointersFailWithInvalidParameter) {
    RECT r{0, 0, 1, 1};
    SetLastError(0);
    EXPECT_FALSE(SetRect(nullptr, 0, 0, 1, 1));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(IntersectRect(&r, nullptr, &r));
    EXPECT_FALSE(UnionRect(nullptr, &r, &r));
    EXPECT_FALSE(OffsetRect(nullptr, 1, 1));
    EXPECT_FALSE(PtInRect(nullptr, POINT{0, 0}));
    EXPECT_FALSE(EqualRect(&r, nullptr));
    EXPECT_TRUE(IsRectEmpty(nullptr));
}

long Area(const ce::gdi::RectList& list) {
    long a = 0;
    for (const RECT& r : list) a += long{r.right - r.left} * (r.bottom - r.top);
    return a;
}

TEST(RectListTest, NormalizeMergesOverlapsIntoDisjointPieces) {
    auto list = ce::gdi::Normalize({RECT{0, 0, 10, 10}, RECT{5, 5, 15, 15}, RECT{2, 2, 4, 4}, RECT{9, 9, 9, 20}});
    EXPECT_EQ(Area(list), 100 + 100 - 25);
    for (size_t i = 0; i < list.size(); ++i)
        for (size_t j = i + 1; j < list.size(); ++j) {
            RECT out;
            EXPECT_FALSE(IntersectRect(&out, &list[i], &list[j])) << i << " overlaps " << j;
        }
}

TEST(RectListTest, SubtractingAHoleLeavesAFrame) {
    auto list = ce::gdi::Subtract({RECT{0, 0, 10, 10}}, RECT{3, 3, 6, 6});
    EXPECT_EQ(list.size(), 4u);
    EXPECT_EQ(Area(list), 100 - 9);
    EXPECT_EQ(Area(ce::gdi::Subtract({RECT{0, 0, 10, 10}}, RECT{-5, -5, 20, 20})), 0);
    EXPECT_EQ(Area(ce::gdi::Intersect({RECT{0, 0, 10, 10}, RECT{20, 0, 30, 10}}, RECT{5, 0, 25, 1})), 10);
}

}  // namespace
