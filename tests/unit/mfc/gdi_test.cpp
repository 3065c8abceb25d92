// The drawing classes over memory DCs: ownership of handles, SelectObject
// handing back the previous object, temporary wrappers, and drawing through
// the wrappers.
#include <gtest/gtest.h>

#include <thread>
#include <utility>

#include "afxwin.h"

namespace {

// A memory DC with its own 32-bit bitmap selected.
struct Canvas {
    CDC dc;
    CBitmap bitmap;
    CBitmap* old = nullptr;
    Canvas(int w, int h, COLORREF fill) {
        EXPECT_TRUE(dc.CreateCompatibleDC(nullptr));
        EXPECT_TRUE(bitmap.CreateBitmap(w, h, 1, 32, nullptr));
        old = dc.SelectObject(&bitmap);
        dc.FillSolidRect(0, 0, w, h, fill);
    }
    ~Canvas() { dc.SelectObject(old); }
};

TEST(CGdiObjectTest, OwnershipAttachDetach) {
    HPEN raw = nullptr;
    {
        CPen pen(PS_SOLID, 1, RGB(1, 2, 3));
        ASSERT_NE(pen.GetSafeHandle(), nullptr);
        LOGPEN lp{};
        EXPECT_EQ(pen.GetLogPen(&lp), int(sizeof lp));
        EXPECT_EQ(lp.lopnColor, RGB(1, 2, 3));
        EXPECT_EQ(CPen::FromHandle(pen), &pen);       // the attached object itself
        EXPECT_FALSE(pen.CreatePen(PS_SOLID, 1, 0));  // one handle per object
        raw = static_cast<HPEN>(pen.Detach());
        EXPECT_EQ(pen.GetSafeHandle(), nullptr);
    }
    EXPECT_EQ(GetObjectType(raw), DWORD(OBJ_PEN));  // detached: not deleted
    {
        CPen owner;
        EXPECT_TRUE(owner.Attach(raw));
        EXPECT_FALSE(owner.Attach(nullptr));
    }
    EXPECT_EQ(GetObjectType(raw), 0u);  // deleted with its owner

    CBrush stock;
    EXPECT_TRUE(stock.CreateStockObject(WHITE_BRUSH));
    EXPECT_TRUE(stock.DeleteObject());
    EXPECT_EQ(GetObjectType(GetStockObject(WHITE_BRUSH)), DWORD(OBJ_BRUSH));
    EXPECT_FALSE(stock.DeleteObject());  // nothing left
    EXPECT_EQ(CGdiObject::FromHandle(nullptr), nullptr);
}

TEST(CDCTest, SelectObjectReturnsThePreviousObject) {
    Canvas c(8, 8, RGB(255, 255, 255));
    ASSERT_NE(c.old, nullptr);  // the DC's default bitmap, as a temporary CBitmap
    BITMAP bm{};
    EXPECT_EQ(c.old->GetBitmap(&bm), int(sizeof bm));
    EXPECT_EQ(bm.bmWidth, 1);

    CPen red(PS_SOLID, 1, RGB(255, 0, 0));
    CPen blue(PS_SOLID, 1, RGB(0, 0, 255));
    CPen* def = c.dc.SelectObject(&red);
    ASSERT_NE(def, nullptr);
    EXPECT_EQ(def->GetSafeHandle(), GetStockObject(BLACK_PEN));
    EXPECT_EQ(c.dc.SelectObject(&blue), &red);  // a permanent object comes back as itself
    EXPECT_EQ(c.dc.GetCurrentPen(), &blue);
    EXPECT_EQ(c.dc.SelectObject(def), &blue);
    EXPECT_EQ(c.dc.SelectObject(def), def);  // the same temporary for the same handle

    CBrush brush(RGB(0, 255, 0));
    CBrush* oldBrush = c.dc.SelectObject(&brush);
    ASSERT_NE(oldBrush, nullptr);
    CGdiObject* prev = c.dc.SelectStockObject(NULL_BRUSH);
    EXPECT_EQ(prev, &brush);
    EXPECT_EQ(c.dc.SelectObject(oldBrush)->GetSafeHandle(), GetStockObject(NULL_BRUSH));

    // Bad selections fail cleanly.
    CPen empty;
    EXPECT_EQ(c.dc.SelectObject(&empty), nullptr);
    EXPECT_EQ(c.dc.SelectObject(static_cast<CPen*>(nullptr)), nullptr);
    CDC none;
    EXPECT_EQ(none.SelectObject(&red), nullptr);
    EXPECT_EQ(none.GetSafeHdc(), nullptr);
}

TEST(CDCTest, TemporariesBelongToTheThreadUntilUnlocked) {
    HPEN raw = CreatePen(PS_SOLID, 1, RGB(9, 9, 9));
    CPen* here = CPen::FromHandle(raw);
    ASSERT_NE(here, nullptr);
    EXPECT_EQ(CPen::FromHandle(raw), here);
    CPen* there = nullptr;
    std::thread([&] { there = CPen::FromHandle(raw); }).join();
    EXPECT_NE(there, here);  // another thread got (and freed) its own

    AfxUnlockTempMaps();
    EXPECT_EQ(GetObjectType(raw), DWORD(OBJ_PEN));  // freeing a temporary keeps the pen
    EXPECT_EQ(CPen::FromHandle(raw)->GetSafeHandle(), raw);
    DeleteObject(raw);
    AfxUnlockTempMaps();

    CDC memory;
    ASSERT_TRUE(memory.CreateCompatibleDC(nullptr));
    EXPECT_EQ(CDC::FromHandle(memory), &memory);
    HDC loose = CreateCompatibleDC(nullptr);
    CDC* temp = CDC::FromHandle(loose);
    ASSERT_NE(temp, nullptr);
    EXPECT_EQ(temp->GetSafeHdc(), loose);
    CDC::DeleteTempMap();
    EXPECT_TRUE(DeleteDC(loose));  // the temporary did not delete it
}

TEST(CDCTest, DrawingThroughTheWrappers) {
    Canvas src(4, 4, RGB(255, 255, 255));
    src.dc.SetPixel(1, 1, RGB(10, 20, 30));
    src.dc.FillSolidRect(CRect(2, 0, 4, 2), RGB(200, 0, 0));
    EXPECT_EQ(src.dc.GetBkColor(), RGB(200, 0, 0));

    Canvas dst(6, 6, RGB(0, 0, 0));
    EXPECT_TRUE(dst.dc.BitBlt(1, 1, 4, 4, &src.dc, 0, 0, SRCCOPY));
    EXPECT_EQ(dst.dc.GetPixel(0, 0), RGB(0, 0, 0));
    EXPECT_EQ(dst.dc.GetPixel(1, 1), RGB(255, 255, 255));
    EXPECT_EQ(dst.dc.GetPixel(2, 2), RGB(10, 20, 30));
    EXPECT_EQ(dst.dc.GetPixel(CPoint(4, 1)), RGB(200, 0, 0));
    EXPECT_TRUE(dst.dc.PatBlt(0, 0, 1, 1, WHITENESS));
    EXPECT_EQ(dst.dc.GetPixel(0, 0), RGB(255, 255, 255));

    CPen pen(PS_SOLID, 1, RGB(0, 0, 255));
    CPen* old = dst.dc.SelectObject(&pen);
    dst.dc.MoveTo(0, 5);
    EXPECT_EQ(dst.dc.MoveTo(0, 5), CPoint(0, 5));
    dst.dc.LineTo(6, 5);
    EXPECT_EQ(dst.dc.GetPixel(3, 5), RGB(0, 0, 255));
    dst.dc.SelectObject(old);

    CBrush green(RGB(0, 255, 0));
    dst.dc.FillRect(CRect(0, 0, 2, 2), &green);
    EXPECT_EQ(dst.dc.GetPixel(1, 1), RGB(0, 255, 0));
    dst.dc.FillRect(CRect(0, 0, 2, 2), nullptr);  // no brush: nothing happens
    EXPECT_EQ(dst.dc.GetPixel(1, 1), RGB(0, 255, 0));

    dst.dc.Draw3dRect(CRect(0, 0, 6, 6), RGB(255, 255, 255), RGB(128, 128, 128));
    EXPECT_EQ(dst.dc.GetPixel(0, 0), RGB(255, 255, 255));
    EXPECT_EQ(dst.dc.GetPixel(5, 5), RGB(128, 128, 128));
    EXPECT_EQ(dst.dc.GetPixel(5, 0), RGB(128, 128, 128));

    EXPECT_GT(dst.dc.GetDeviceCaps(BITSPIXEL), 0);
    EXPECT_FALSE(dst.dc.BitBlt(0, 0, 1, 1, nullptr, 0, 0, SRCCOPY));  // a source is needed
}

TEST(CBitmapTest, CompatibleBitmapsAndMissingResources) {
    CDC dc;
    ASSERT_TRUE(dc.CreateCompatibleDC(nullptr));
    CBitmap bmp;
    EXPECT_TRUE(bmp.CreateCompatibleBitmap(&dc, 16, 9));
    BITMAP bm{};
    ASSERT_TRUE(bmp.GetBitmap(&bm));
    EXPECT_EQ(std::pair(bm.bmWidth, bm.bmHeight), std::pair(16, 9));

    CBitmap missing;
    EXPECT_FALSE(missing.LoadBitmap(65000));
    EXPECT_EQ(missing.GetSafeHandle(), nullptr);
    EXPECT_FALSE(missing.CreateBitmapIndirect(nullptr));
}

}  // namespace
