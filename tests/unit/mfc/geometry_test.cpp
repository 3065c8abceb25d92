// CPoint, CSize and CRect: the Win32 rectangle rules through the helpers.
#include <gtest/gtest.h>

#include "afxwin.h"

namespace {

TEST(CRectShape, CornersEmptinessAndHitTests) {
    CRect r(10, 20, 110, 70);
    EXPECT_EQ(r.Size(), CSize(100, 50));
    EXPECT_EQ(r.BottomRight(), CPoint(110, 70));
    EXPECT_EQ(r.CenterPoint(), CPoint(60, 45));
    r.TopLeft() = CPoint(0, 0);  // a reference into the rectangle
    EXPECT_EQ(r, CRect(0, 0, 110, 70));
    EXPECT_EQ(CRect(CPoint(5, 5), CSize(10, 20)), CRect(5, 5, 15, 25));
    EXPECT_EQ(CRect(static_cast<LPCRECT>(nullptr)), CRect(0, 0, 0, 0));

    EXPECT_TRUE(CRect().IsRectNull());
    EXPECT_TRUE(CRect(5, 5, 5, 10).IsRectEmpty());
    EXPECT_FALSE(CRect(5, 5, 5, 10).IsRectNull());
    EXPECT_TRUE(CRect(10, 0, 0, 10).IsRectEmpty());  // inverted
    r.SetRect(0, 0, 10, 10);
    EXPECT_TRUE(r.PtInRect(CPoint(0, 0)));
    EXPECT_TRUE(r.PtInRect(CPoint(9, 9)));
    EXPECT_FALSE(r.PtInRect(CPoint(10, 5)));  // right and bottom are outside
    EXPECT_FALSE(r.PtInRect(CPoint(5, 10)));
    EXPECT_FALSE(r.PtInRect(CPoint(-1, 5)));
}

TEST(CRectEdit, MoveInflateDeflateNormalize) {
    CRect r(0, 0, 10, 10);
    r.OffsetRect(5, -5);
    r.InflateRect(2, 3);
    EXPECT_EQ(r, CRect(3, -8, 17, 8));
    r.DeflateRect(2, 3);
    r.DeflateRect(1, 2, 3, 4);
    EXPECT_EQ(r, CRect(6, -3, 12, 1));
    r.DeflateRect(10, 10);  // past empty: inverted, not clamped
    EXPECT_EQ(r, CRect(16, 7, 2, -9));
    r.NormalizeRect();
    EXPECT_EQ(r, CRect(2, -9, 16, 7));
    r.MoveToXY(0, 0);
    EXPECT_EQ(r, CRect(0, 0, 14, 16));
    r.SetRectEmpty();
    EXPECT_TRUE(r.IsRectNull());
}

TEST(CRectCombine, IntersectUnionAndOperators) {
    CRect a(0, 0, 10, 10), b(5, 5, 20, 20), far(30, 30, 40, 40);
    CRect r;
    EXPECT_TRUE(r.IntersectRect(a, b));
    EXPECT_EQ(r, CRect(5, 5, 10, 10));
    EXPECT_FALSE(r.IntersectRect(a, far));
    EXPECT_TRUE(r.IsRectNull());  // no overlap gives the null rectangle
    EXPECT_FALSE(r.IntersectRect(a, nullptr));
    EXPECT_TRUE(r.UnionRect(CRect(), b));  // an empty one does not count
    EXPECT_EQ(r, b);

    EXPECT_EQ(a | far, CRect(0, 0, 40, 40));
    EXPECT_TRUE((a & far).IsRectNull());
    CRect c = a;
    c &= b;
    c |= far;
    EXPECT_EQ(c, CRect(5, 5, 40, 40));
    c = a;
    c += CPoint(1, 2);
    EXPECT_EQ(c, CRect(1, 2, 11, 12));
    c -= CSize(1, 2);
    EXPECT_EQ(c + CPoint(5, 5), CRect(5, 5, 15, 15));
    CRect border(1, 2, 3, 4);
    EXPECT_EQ(c + &border, CRect(-1, -2, 13, 14));
    EXPECT_NE(c, CRect(0, 0, 10, 11));

    LPRECT p = c;  // usable where Win32 wants a RECT*
    p->right = 20;
    EXPECT_EQ(c.Width(), 20);

    CPoint pt(3, 4);
    EXPECT_EQ(pt - CPoint(1, 1), CSize(2, 3));
    EXPECT_EQ(-pt, CPoint(-3, -4));
    EXPECT_EQ(CPoint(static_cast<LPARAM>(0xFFFE0005)), CPoint(5, -2));
}

}  // namespace
