// Painting (update areas, WM_PAINT, DCs) and stylus routing.
#include "usertest.h"

using namespace usertest;
using ce::user::InjectMouse;
using ce::user::Mouse;

class Painting : public UserTest {};

TEST_F(Painting, InvalidateGivesOneWmPaintAndEraseOnlyWhenAsked) {
    HWND h = Top(u"Rec", WS_POPUP | WS_VISIBLE, 0, 0, 40, 40);
    Settle();
    InvalidateRect(h, nullptr, FALSE);
    InvalidateRect(h, nullptr, FALSE);
    Pump();
    EXPECT_EQ(Log::Get().Filter({WM_PAINT, WM_ERASEBKGND}), (Pairs{{h, WM_PAINT}}));
    RECT part{1, 1, 5, 5};
    InvalidateRect(h, &part, TRUE);
    RECT u;
    EXPECT_TRUE(GetUpdateRect(h, &u, FALSE));
    EXPECT_TRUE(EqualRect(&u, &part));
    Pump();
    EXPECT_EQ(Log::Get().Filter({WM_PAINT, WM_ERASEBKGND}), (Pairs{{h, WM_PAINT}, {h, WM_ERASEBKGND}}));
    EXPECT_FALSE(GetUpdateRect(h, &u, FALSE));
    InvalidateRect(h, nullptr, TRUE);
    ValidateRect(h, nullptr);
    Pump();
    EXPECT_TRUE(Log::Get().Filter({WM_PAINT}).empty());
    EXPECT_TRUE(ce::user::IsIdle());
}

TEST_F(Painting, UpdateWindowPaintsParentBeforeChildAndSkipsHiddenWindows) {
    HWND top = Top(u"Rec", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
    HWND c = Child(top, u"Rec", 1, 10, 10, 20, 20);
    HWND hidden = Child(top, u"Rec", 2, 40, 40, 20, 20, 0);
    Settle();
    InvalidateRect(top, nullptr, TRUE);
    InvalidateRect(hidden, nullptr, TRUE);
    UpdateWindow(top);
    EXPECT_EQ(Log::Get().Filter({WM_PAINT}), (Pairs{{top, WM_PAINT}, {c, WM_PAINT}}));
    Pump();
    EXPECT_TRUE(Log::Get().Filter({WM_PAINT}).empty());
    // Shown, it is painted.
    ShowWindow(hidden, SW_SHOW);
    Pump();
    EXPECT_EQ(Log::Get().Filter({WM_PAINT}), (Pairs{{hidden, WM_PAINT}}));
}

// Two small invalid corners make one update rectangle around them; the
// parent erases all of it, so a child inside it must paint again after it.
TEST_F(Painting, ChildInsideAGrownUpdateAreaPaintsAfterItsParent) {
    HWND top = Top(u"Rec", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
    HWND c = Child(top, u"Rec", 1, 40, 40, 20, 20);
    Settle();
    RECT a{0, 0, 10, 10}, b{90, 90, 100, 100};
    RedrawWindow(top, &a, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_NOCHILDREN);
    RedrawWindow(top, &b, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_NOCHILDREN);
    Pump();
    EXPECT_EQ(Log::Get().Filter({WM_PAINT}), (Pairs{{top, WM_PAINT}, {c, WM_PAINT}}));
    // A parent that clips its children leaves them alone.
    SetWindowLong(top, GWL_STYLE, GetWindowLong(top, GWL_STYLE) | WS_CLIPCHILDREN);
    RedrawWindow(top, &a, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_NOCHILDREN);
    RedrawWindow(top, &b, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_NOCHILDREN);
    Pump();
    EXPECT_EQ(Log::Get().Filter({WM_PAINT}), (Pairs{{top, WM_PAINT}}));
}

TEST_F(Painting, DefaultEraseUsesClassBrushAndDcIsClippedBySiblingsAbove) {
    HWND top = Top(u"Rec", WS_POPUP | WS_VISIBLE, 0, 0, 60, 60);
    HWND over = Top(u"Rec", WS_POPUP | WS_VISIBLE, 30, 0, 30, 60);
    Pump();
    EXPECT_EQ(ce::gdi::Screen::Pixel(5, 5), GetSysColor(COLOR_WINDOW));
    HDC dc = GetDC(top);
    ASSERT_TRUE(dc);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    RECT all{0, 0, 60, 60};
    FillRect(dc, &all, red);
    EXPECT_EQ(ce::gdi::Screen::Pixel(10, 10), RGB(255, 0, 0));
    EXPECT_EQ(ce::gdi::Screen::Pixel(40, 10), GetSysColor(COLOR_WINDOW));  // covered part untouched
    // Hiding the upper window uncovers the lower one: it is repainted.
    Log::Get().Take();
    ShowWindow(over, SW_HIDE);
    Pump();
    EXPECT_EQ(Log::Get().Filter({WM_PAINT}), (Pairs{{top, WM_PAINT}}));
    // The DC followed: it now reaches the uncovered part.
    FillRect(dc, &all, red);
    EXPECT_EQ(ce::gdi::Screen::Pixel(40, 10), RGB(255, 0, 0));
    EXPECT_EQ(ReleaseDC(top, dc), 1);
    EXPECT_EQ(ReleaseDC(top, dc), 0);
    DeleteObject(red);
}

class Input : public UserTest {};

TEST_F(Input, PressAndReleaseReachTheChildInClientCoordinates) {
    HWND top = Top(u"Rec", WS_POPUP | WS_VISIBLE, 100, 100, 200, 200);
    HWND c = Child(top, u"Rec", 1, 10, 20, 50, 50);
    Settle();
    InjectMouse(Mouse::Down, 115, 125);
    InjectMouse(Mouse::Move, 116, 126);
    InjectMouse(Mouse::Up, 117, 127);
    Pump();
    EXPECT_EQ(Log::Get().Take(), (Entries{{c, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5)},
                                          {c, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(6, 6)},
                                          {c, WM_LBUTTONUP, 0, MAKELPARAM(7, 7)}}));
}

TEST_F(Input, CaptureGetsEverythingAndIsToldWhenLost) {
    HWND top = Top(u"Rec", WS_POPUP | WS_VISIBLE, 0, 0, 200, 200);
    HWND a = Child(top, u"Rec", 1, 0, 0, 50, 50);
    HWND b = Child(top, u"Rec", 2, 100, 100, 50, 50);
    SetCapture(a);
    Settle();
    InjectMouse(Mouse::Down, 120, 120);
    InjectMouse(Mouse::Up, 300, 300);  // off the window and the screen's windows
    Pump();
    EXPECT_EQ(Log::Get().Take(), (Entries{{a, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(120, 120)},
                                          {a, WM_LBUTTONUP, 0, MAKELPARAM(300, 300)}}));
    SetCapture(b);
    EXPECT_EQ(Log::Get().Filter({WM_CAPTURECHANGED}), (Pairs{{a, WM_CAPTURECHANGED}}));
    ReleaseCapture();
    EXPECT_EQ(Log::Get().Filter({WM_CAPTURECHANGED}), (Pairs{{b, WM_CAPTURECHANGED}}));
    EXPECT_EQ(GetCapture(), nullptr);
}

// A double click (for a class with CS_DBLCLKS) needs the second tap close in
// time and place.
TEST_F(Input, DoubleClickOnlyCloseInTimeAndPlace) {
    HWND top = Top(u"Rec", WS_POPUP | WS_VISIBLE, 0, 0, 200, 200);
    HWND dbl = Child(top, u"RecDbl", 1, 0, 0, 100, 100);
    Settle();
    auto tap = [](int x, int y, DWORD t) {
        InjectMouse(Mouse::Down, x, y, t);
        InjectMouse(Mouse::Up, x, y, t + 1);
    };
    tap(10, 10, 1000);
    tap(11, 11, 1100);
    tap(10, 10, 3000);
    tap(10, 10, 3000 + GetDoubleClickTime() + 1);  // too late
    tap(10, 10, 5000);
    tap(20, 10, 5010);  // too far
    Pump();
    auto got = Log::Get().Filter({WM_LBUTTONDOWN, WM_LBUTTONDBLCLK});
    Pairs want{{dbl, WM_LBUTTONDOWN}, {dbl, WM_LBUTTONDBLCLK}, {dbl, WM_LBUTTONDOWN},
               {dbl, WM_LBUTTONDOWN}, {dbl, WM_LBUTTONDOWN},   {dbl, WM_LBUTTONDOWN}};
    EXPECT_EQ(got, want);
}

TEST_F(Input, DisabledWindowsSwallowTheTap) {
    HWND owner = Top(u"Rec", WS_POPUP | WS_VISIBLE, 0, 0, 200, 200);
    HWND c = Child(owner, u"Rec", 1, 0, 0, 50, 50);
    EnableWindow(c, FALSE);
    Settle();
    InjectMouse(Mouse::Down, 10, 10);
    InjectMouse(Mouse::Up, 10, 10);
    Pump();
    EXPECT_TRUE(Log::Get().Filter({WM_LBUTTONDOWN, WM_LBUTTONUP}).empty());
    // A modal pop-up disables its owner: taps on the owner do nothing.
    HWND modal = Top(u"Rec", WS_POPUP | WS_VISIBLE, 100, 100, 50, 50, 0, owner);
    EnableWindow(owner, FALSE);
    Settle();
    InjectMouse(Mouse::Down, 60, 60);
    InjectMouse(Mouse::Up, 60, 60);
    Pump();
    EXPECT_TRUE(Log::Get().Filter({WM_LBUTTONDOWN, WM_LBUTTONUP, WM_ACTIVATE}).empty());
    EXPECT_EQ(GetActiveWindow(), modal);
    EnableWindow(owner, TRUE);
}
