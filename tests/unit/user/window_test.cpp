// Window classes, creation and destruction, the tree, longs, text, z-order.
#include "usertest.h"

using namespace usertest;

namespace {

LRESULT CALLBACK FailCreateProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    RecordProc(h, m, wp, lp);
    return m == WM_CREATE ? -1 : DefWindowProc(h, m, wp, lp);
}

WNDPROC g_prev = nullptr;
LRESULT CALLBACK SubclassProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_USER + 1) return 42;
    return CallWindowProc(g_prev, h, m, wp, lp);
}

}  // namespace

class Windows : public UserTest {};

TEST_F(Windows, ClassesMatchCaseInsensitivelyAndRefuseDuplicatesAndBusyUnregister) {
    WNDCLASSW wc{};
    ASSERT_TRUE(GetClassInfo(nullptr, u"rEC", &wc));
    EXPECT_EQ(wc.lpfnWndProc, &RecordProc);
    WNDCLASSW dup{};
    dup.lpfnWndProc = RecordProc;
    dup.lpszClassName = u"REC";
    EXPECT_FAILS_WITH(RegisterClass(&dup), ERROR_CLASS_ALREADY_EXISTS);
    EXPECT_FAILS_WITH(CreateWindowEx(0, u"NoSuchClass", u"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr),
                      ERROR_CANNOT_FIND_WND_CLASS);

    dup.lpszClassName = u"Temp";
    ASSERT_NE(RegisterClass(&dup), 0);
    HWND h = CreateWindowEx(0, u"temp", u"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(h);
    EXPECT_FAILS_WITH(UnregisterClass(u"TEMP", nullptr), ERROR_CLASS_HAS_WINDOWS);
    DestroyWindow(h);
    EXPECT_TRUE(UnregisterClass(u"TEMP", nullptr));
    // Built-in classes cannot be unregistered by programs.
    EXPECT_FALSE(UnregisterClass(u"static", nullptr));
}

TEST_F(Windows, CreationSendsNcCreateCreateSizeMoveThenShows) {
    HWND h = Top(u"Rec", WS_POPUP | WS_VISIBLE, 10, 20, 100, 50);
    ASSERT_TRUE(h);
    auto got = Log::Get().Filter({WM_NCCREATE, WM_CREATE, WM_SIZE, WM_MOVE, WM_SHOWWINDOW, WM_ACTIVATE, WM_SETFOCUS});
    Pairs want{{h, WM_NCCREATE},   {h, WM_CREATE},   {h, WM_SIZE},    {h, WM_MOVE},
               {h, WM_SHOWWINDOW}, {h, WM_ACTIVATE}, {h, WM_SETFOCUS}};
    EXPECT_EQ(got, want);
    EXPECT_TRUE(IsWindowVisible(h));
    EXPECT_EQ(GetActiveWindow(), h);
    EXPECT_EQ(GetFocus(), h);
    WCHAR buf[8];
    EXPECT_EQ(GetWindowText(h, buf, 8), 3);
    EXPECT_EQ(std::u16string(buf), u"top");
}

TEST_F(Windows, CreateReturningMinusOneDestroysAndFails) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = FailCreateProc;
    wc.lpszClassName = u"FailCreate";
    RegisterClass(&wc);
    HWND h = CreateWindowEx(0, u"FailCreate", u"", WS_POPUP, 0, 0, 5, 5, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(h, nullptr);
    auto got = Log::Get().Take();
    ASSERT_GE(got.size(), 4u);
    HWND was = got.front().hwnd;
    EXPECT_FALSE(IsWindow(was));
    EXPECT_EQ(got[got.size() - 2].msg, static_cast<UINT>(WM_DESTROY));
    EXPECT_EQ(got.back().msg, static_cast<UINT>(WM_NCDESTROY));
}

TEST_F(Windows, DestroyCascadesToChildrenAndOwnedWindowsInOrder) {
    HWND top = Top(u"Rec", WS_POPUP | WS_VISIBLE, 0, 0, 200, 200);
    HWND a = Child(top, u"Rec", 1, 0, 0, 10, 10);
    HWND a1 = Child(a, u"Rec", 11, 0, 0, 5, 5);
    HWND owned = CreateWindowEx(0, u"Rec", u"", WS_POPUP, 0, 0, 5, 5, top, nullptr, nullptr, nullptr);
    EXPECT_EQ(GetWindow(owned, GW_OWNER), top);
    EXPECT_EQ(GetParent(owned), top);  // the owner of a pop-up
    EXPECT_EQ(GetParent(a1), a);
    EXPECT_TRUE(IsChild(top, a1));
    EXPECT_FALSE(IsChild(top, owned));
    Log::Get().Take();
    ASSERT_TRUE(DestroyWindow(top));
    made_.clear();
    auto got = Log::Get().Filter({WM_DESTROY, WM_NCDESTROY});
    Pairs want{{owned, WM_DESTROY}, {owned, WM_NCDESTROY}, {top, WM_DESTROY}, {a, WM_DESTROY},
               {a1, WM_DESTROY},    {a1, WM_NCDESTROY},    {a, WM_NCDESTROY}, {top, WM_NCDESTROY}};
    EXPECT_EQ(got, want);
    for (HWND h : {top, a, a1, owned}) EXPECT_FALSE(IsWindow(h));
}

TEST_F(Windows, StaleAndBogusHandlesFailCleanly) {
    HWND h = Top(u"Rec", WS_POPUP, 0, 0, 10, 10);
    DestroyWindow(h);
    made_.clear();
    HWND bogus = reinterpret_cast<HWND>(uintptr_t{0xDEAD0});
    for (HWND bad : {h, bogus}) {
        RECT r;
        EXPECT_FAILS_WITH(GetWindowRect(bad, &r), ERROR_INVALID_WINDOW_HANDLE);
        EXPECT_FAILS_WITH(SendMessage(bad, WM_USER, 0, 0), ERROR_INVALID_WINDOW_HANDLE);
        EXPECT_FALSE(PostMessage(bad, WM_USER, 0, 0));
        EXPECT_FALSE(SetWindowText(bad, u"x"));
        EXPECT_EQ(GetWindowLong(bad, GWL_STYLE), 0);
        EXPECT_FALSE(DestroyWindow(bad));
        EXPECT_FALSE(ShowWindow(bad, SW_SHOW));
        EXPECT_FALSE(InvalidateRect(bad, nullptr, TRUE));
        EXPECT_EQ(GetDC(bad), nullptr);
        EXPECT_EQ(SetFocus(bad), nullptr);
        EXPECT_EQ(GetParent(bad), nullptr);
        EXPECT_EQ(SetTimer(bad, 1, 10, nullptr), 0u);
        EXPECT_EQ(CreateWindowEx(0, u"Rec", u"", WS_CHILD, 0, 0, 1, 1, bad, nullptr, nullptr, nullptr), nullptr);
    }
    // A new window never reuses the old handle.
    HWND again = Top(u"Rec", WS_POPUP, 0, 0, 10, 10);
    EXPECT_NE(again, h);
}

TEST_F(Windows, LongsTextIdsAndSubclassing) {
    HWND top = Top(u"Rec", WS_POPUP, 0, 0, 100, 100);
    HWND c = Child(top, u"Rec", 7, 0, 0, 10, 10);
    EXPECT_EQ(GetDlgItem(top, 7), c);
    EXPECT_EQ(GetDlgCtrlID(c), 7);
    EXPECT_EQ(GetDlgItem(top, 8), nullptr);
    int dummy;
    SetWindowLong(c, GWL_USERDATA, reinterpret_cast<LONG_PTR>(&dummy));
    EXPECT_EQ(GetWindowLong(c, GWL_USERDATA), reinterpret_cast<LONG_PTR>(&dummy));
    EXPECT_EQ(SetWindowLong(c, DWL_USER, reinterpret_cast<LONG_PTR>(&dummy)), 0);
    EXPECT_EQ(GetWindowLong(c, DWL_USER), reinterpret_cast<LONG_PTR>(&dummy));
    EXPECT_FAILS_WITH(GetWindowLong(c, 12), ERROR_INVALID_INDEX);  // past cbWndExtra
    EXPECT_TRUE(GetWindowLong(c, GWL_STYLE) & WS_CHILD);

    g_prev = reinterpret_cast<WNDPROC>(SetWindowLong(c, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(SubclassProc)));
    EXPECT_EQ(g_prev, &RecordProc);
    EXPECT_EQ(SendMessage(c, WM_USER + 1, 0, 0), 42);
    ASSERT_TRUE(SetWindowText(c, u"hello"));  // reaches the old procedure
    EXPECT_EQ(GetWindowTextLength(c), 5);
    WCHAR small[3];
    EXPECT_EQ(GetWindowText(c, small, 3), 2);
    EXPECT_EQ(std::u16string(small), u"he");
}

TEST_F(Windows, ZOrderKeepsTopmostWindowsAboveOthers) {
    HWND a = Top(u"Rec", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50);
    HWND t = Top(u"Rec", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, WS_EX_TOPMOST);
    HWND b = Top(u"Rec", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50);
    // b is newer but stays under the top-most window.
    EXPECT_EQ(WindowFromPoint(POINT{5, 5}), t);
    EXPECT_EQ(GetWindow(t, GW_HWNDNEXT), b);
    EXPECT_EQ(GetWindow(b, GW_HWNDNEXT), a);
    SetWindowPos(a, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_EQ(GetWindow(t, GW_HWNDNEXT), a);
    SetWindowPos(b, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_EQ(WindowFromPoint(POINT{5, 5}), b);
    EXPECT_TRUE(GetWindowLong(b, GWL_EXSTYLE) & WS_EX_TOPMOST);
    SetWindowPos(b, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_EQ(WindowFromPoint(POINT{5, 5}), t);
    EXPECT_EQ(GetWindow(t, GW_HWNDNEXT), b);
    ShowWindow(t, SW_HIDE);
    EXPECT_EQ(WindowFromPoint(POINT{5, 5}), b);
}

TEST_F(Windows, ChildrenKeepCreationOrderAndGeometryFollowsFrame) {
    HWND top = Top(u"Rec", WS_POPUP | WS_CAPTION | WS_VISIBLE, 100, 50, 200, 150);
    HWND c1 = Child(top, u"Rec", 1, 10, 10, 20, 20);
    HWND c2 = Child(top, u"Rec", 2, 15, 15, 20, 20);
    EXPECT_EQ(GetWindow(top, GW_CHILD), c1);
    EXPECT_EQ(GetWindow(c1, GW_HWNDNEXT), c2);
    RECT cr, wr;
    GetClientRect(top, &cr);
    EXPECT_EQ(std::pair(cr.right, cr.bottom), std::pair(200 - 2, 150 - 2 - GetSystemMetrics(SM_CYCAPTION)));
    GetWindowRect(c1, &wr);
    EXPECT_EQ(std::pair(wr.left, wr.top), std::pair(100 + 1 + 10, 50 + 1 + 20 + 10));
    POINT p{0, 0};
    ClientToScreen(c2, &p);
    EXPECT_EQ(p.x, 100 + 1 + 15);
    ScreenToClient(c1, &p);
    EXPECT_EQ(p.x, 5);
    POINT q{1, 1};
    MapWindowPoints(c2, c1, &q, 1);
    EXPECT_EQ(std::pair(q.x, q.y), std::pair(6, 6));
    // The first sibling in z-order wins where they overlap.
    EXPECT_EQ(ChildWindowFromPoint(top, POINT{16, 16}), c1);
    EXPECT_EQ(ChildWindowFromPoint(top, POINT{150, 100}), top);
    MoveWindow(top, 0, 0, 100, 100, TRUE);
    GetWindowRect(c1, &wr);
    EXPECT_EQ(wr.left, 11);
}

TEST_F(Windows, VisibilityNeedsEveryAncestorEnableSendsWmEnableAndFocusMoves) {
    HWND top = Top(u"Rec", WS_POPUP, 0, 0, 50, 50);
    HWND c = Child(top, u"Rec", 1, 0, 0, 10, 10);
    EXPECT_FALSE(IsWindowVisible(c));
    ShowWindow(top, SW_SHOW);
    EXPECT_TRUE(IsWindowVisible(c));
    Log::Get().Take();
    EXPECT_FALSE(EnableWindow(c, FALSE));  // was enabled
    EXPECT_FALSE(IsWindowEnabled(c));
    EXPECT_TRUE(EnableWindow(c, TRUE));
    auto got = Log::Get().Filter({WM_ENABLE});
    EXPECT_EQ(got, (Pairs{{c, WM_ENABLE}, {c, WM_ENABLE}}));

    // Focus moves with WM_KILLFOCUS, then WM_SETFOCUS.
    HWND a = c, b = Child(top, u"Rec", 2, 0, 0, 10, 10);
    SetFocus(a);
    Log::Get().Take();
    EXPECT_EQ(SetFocus(b), a);
    EXPECT_EQ(Log::Get().Take(), (Entries{{a, WM_KILLFOCUS, WPARAM(b), 0}, {b, WM_SETFOCUS, WPARAM(a), 0}}));
    DestroyWindow(b);
    EXPECT_EQ(GetFocus(), nullptr);
}
