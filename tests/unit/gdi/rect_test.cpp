// Rectangle helpers and the rectangle lists behind clipping.
#include <gtest/gtest.h>

#include "gdi_internal.h"
#include "lasterror.h"

namespace {

bool Same(const RECT& a, const RECT& b) {
    return EqualRect(&a, &b) != FALSE;
}

// Touching edges do not overlap (right and bottom are exclusive); an empty
// operand intersects nothing, even when it lies inside, and adds nothing to
// a union.
TEST(RectTest, IntersectionAndUnion) {
    using Op = BOOL (*)(LPRECT, const RECT*, const RECT*);
    const RECT a{0, 0, 10, 10}, inside{3, 3, 3, 8}, inverted{50, 50, 40, 60}, none{0, 0, 0, 0};
    const struct {
        Op op;
        RECT a, b;
        BOOL ok;
        RECT want;
    } cases[] = {
        {IntersectRect, a, {5, 5, 15, 15}, TRUE, {5, 5, 10, 10}},
        {IntersectRect, a, {10, 0, 20, 10}, FALSE, none},
        {IntersectRect, a, inside, FALSE, none},
        {UnionRect, {0, 0, 4, 4}, {10, 10, 12, 12}, TRUE, {0, 0, 12, 12}},
        {UnionRect, inverted, a, TRUE, a},
        {UnionRect, inverted, inverted, FALSE, none},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        RECT out{1, 2, 3, 4};
        EXPECT_EQ(c.op(&out, &c.a, &c.b), c.ok);
        EXPECT_TRUE(Same(out, c.want));
    }
}

TEST(RectTest, PointsOnTheRightAndBottomEdgesAreOutside) {
    RECT r{2, 3, 5, 7};
    EXPECT_TRUE(PtInRect(&r, POINT{2, 3}));
    EXPECT_TRUE(PtInRect(&r, POINT{4, 6}));
    EXPECT_FALSE(PtInRect(&r, POINT{5, 6}));
    EXPECT_FALSE(PtInRect(&r, POINT{4, 7}));
    EXPECT_FALSE(PtInRect(&r, POINT{1, 3}));
}

TEST(RectTest, SettingMovingGrowingAndNullPointers) {
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

    EXPECT_FAILS_WITH(SetRect(nullptr, 0, 0, 1, 1), ERROR_INVALID_PARAMETER);
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

TEST(RectListTest, NormalizeMakesDisjointPiecesAndSubtractLeavesAFrame) {
    auto list = ce::gdi::Normalize({RECT{0, 0, 10, 10}, RECT{5, 5, 15, 15}, RECT{2, 2, 4, 4}, RECT{9, 9, 9, 20}});
    EXPECT_EQ(Area(list), 100 + 100 - 25);
    for (size_t i = 0; i < list.size(); ++i)
        for (size_t j = i + 1; j < list.size(); ++j) {
            RECT out;
            EXPECT_FALSE(IntersectRect(&out, &list[i], &list[j])) << i << " overlaps " << j;
        }
    list = ce::gdi::Subtract({RECT{0, 0, 10, 10}}, RECT{3, 3, 6, 6});
    EXPECT_EQ(list.size(), 4u);
    EXPECT_EQ(Area(list), 100 - 9);
    EXPECT_EQ(Area(ce::gdi::Subtract({RECT{0, 0, 10, 10}}, RECT{-5, -5, 20, 20})), 0);
    EXPECT_EQ(Area(ce::gdi::Intersect({RECT{0, 0, 10, 10}, RECT{20, 0, 30, 10}}, RECT{5, 0, 25, 1})), 10);
}

}  // namespace
