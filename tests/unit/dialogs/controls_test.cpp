// Buttons and statics: stylus tracking, owner drawing, check and radio
// state, default-button looks, and how statics paint and pass taps on.
#include "controltest.h"
#include "dlgtest.h"

using namespace dlgtest;
using ce::test::TapNow, ce::test::MouseNow;
using ce::user::InjectMouse;
using ce::user::Mouse;

namespace {

class Controls : public DialogTest {
protected:
    HWND Button(HWND parent, DWORD style, int id, int x, int y, int w = 80, int h = 30, LPCWSTR text = u"Push") {
        return ce::test::Child(parent, u"Button", style, x, y, w, h, id, text);
    }
    HWND Label(HWND parent, DWORD style, int id, int x, int y, int w, int h, LPCWSTR text) {
        return ce::test::Child(parent, u"Static", style, x, y, w, h, id, text);
    }
    // Owner-draw calls since the last look: (action, selected?).
    std::vector<std::pair<UINT, bool>> Draws() {
        std::vector<std::pair<UINT, bool>> out;
        for (auto& s : Only(WM_DRAWITEM))
            if ((s.extra >> 16) == ODA_SELECT) out.push_back({s.extra >> 16, (s.extra & ODS_SELECTED) != 0});
        return out;
    }
    int Clicks(int id) {
        int n = 0;
        for (auto& s : Only(WM_COMMAND))
            if (s.wp == MAKEWPARAM(id, BN_CLICKED)) ++n;
        return n;
    }
};

// ---- Push buttons -----------------------------------------------------------------------------

TEST_F(Controls, OwnerDrawnButtonFollowsTheStylus) {
    HWND host = Host();
    HWND b = Button(host, BS_OWNERDRAW, 10, 100, 100);
    Pump();
    Log().clear();
    MouseNow(Mouse::Down, 120, 110);
    EXPECT_EQ(GetCapture(), b);
    EXPECT_EQ(SendMessage(b, BM_GETSTATE, 0, 0) & BST_PUSHED, BST_PUSHED);
    MouseNow(Mouse::Move, 300, 300);  // off the button
    MouseNow(Mouse::Move, 130, 115);  // back on
    MouseNow(Mouse::Up, 130, 115);
    using D = std::vector<std::pair<UINT, bool>>;
    EXPECT_EQ(Draws(), (D{{ODA_SELECT, true}, {ODA_SELECT, false}, {ODA_SELECT, true}, {ODA_SELECT, false}}));
    EXPECT_EQ(Clicks(10), 1);
    EXPECT_EQ(GetCapture(), nullptr);
    auto draws = Only(WM_DRAWITEM);
    ASSERT_FALSE(draws.empty());
    EXPECT_TRUE(draws.back().extra & ODS_FOCUS);  // a tap gives the focus

    // Released off the button: no click.
    Log().clear();
    MouseNow(Mouse::Down, 120, 110);
    MouseNow(Mouse::Move, 10, 10);
    MouseNow(Mouse::Up, 10, 10);
    EXPECT_EQ(Draws(), (D{{ODA_SELECT, true}, {ODA_SELECT, false}}));
    EXPECT_EQ(Clicks(10), 0);
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(Controls, PushButtonsClickBySpaceAndBmClickButNotWhenDisabled) {
    HWND host = Host();
    HWND b = Button(host, BS_PUSHBUTTON, 11, 10, 10);
    SetFocus(b);
    ce::user::InjectKey(VK_SPACE, true, u' ');
    Pump();
    EXPECT_EQ(SendMessage(b, BM_GETSTATE, 0, 0) & BST_PUSHED, BST_PUSHED);
    EXPECT_EQ(Clicks(11), 0);
    ce::user::InjectKey(VK_SPACE, false, 0);
    Pump();
    EXPECT_EQ(Clicks(11), 1);
    Log().clear();
    SendMessage(b, BM_CLICK, 0, 0);
    EXPECT_EQ(Clicks(11), 1);
    Log().clear();
    EnableWindow(b, FALSE);
    SendMessage(b, BM_CLICK, 0, 0);
    TapNow(Center(b));
    EXPECT_EQ(Clicks(11), 0);
    EXPECT_EQ(SendMessage(b, BM_GETCHECK, 0, 0), BST_UNCHECKED);

    // The capture lost while pushed cancels the click.
    EnableWindow(b, TRUE);
    MouseNow(Mouse::Down, 20, 20);
    ASSERT_EQ(GetCapture(), b);
    ReleaseCapture();
    EXPECT_EQ(SendMessage(b, BM_GETSTATE, 0, 0) & BST_PUSHED, 0);
    MouseNow(Mouse::Up, 20, 20);
    EXPECT_EQ(Clicks(11), 0);
}

TEST_F(Controls, DefaultPushButtonHasABlackOuterFrameAndSinksWhenPushed) {
    HWND host = Host();
    HWND def = Button(host, BS_DEFPUSHBUTTON, 1, 10, 10);
    HWND plain = Button(host, BS_PUSHBUTTON, 2, 110, 10);
    Pump();
    const COLORREF black = RGB(0, 0, 0);
    EXPECT_EQ(ce::gdi::Screen::Pixel(10, 20), black);
    EXPECT_EQ(ce::gdi::Screen::Pixel(45, 10), black);
    EXPECT_NE(ce::gdi::Screen::Pixel(110, 20), black);
    COLORREF raisedTopLeft = ce::gdi::Screen::Pixel(111, 20);
    SendMessage(plain, BM_SETSTATE, TRUE, 0);
    EXPECT_NE(ce::gdi::Screen::Pixel(111, 20), raisedTopLeft);
    SendMessage(plain, BM_SETSTATE, FALSE, 0);
    EXPECT_EQ(ce::gdi::Screen::Pixel(111, 20), raisedTopLeft);
    EXPECT_EQ(SendMessage(def, WM_GETDLGCODE, 0, 0), DLGC_BUTTON | DLGC_DEFPUSHBUTTON);
    EXPECT_EQ(SendMessage(plain, WM_GETDLGCODE, 0, 0), DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON);
    // BM_SETSTYLE changes the type only.
    SendMessage(plain, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
    EXPECT_EQ(GetWindowLong(plain, GWL_STYLE) & (BS_TYPEMASK | WS_VISIBLE | WS_CHILD),
              BS_DEFPUSHBUTTON | WS_VISIBLE | WS_CHILD);
}

// ---- Check boxes and radio buttons --------------------------------------------------------------

TEST_F(Controls, AutoRadioButtonsUncheckTheirGroupOnly) {
    HWND host = Host();
    HWND a = Button(host, BS_AUTORADIOBUTTON | WS_GROUP, 1, 10, 10);
    HWND b = Button(host, BS_AUTORADIOBUTTON, 2, 10, 50);
    HWND c = Button(host, BS_RADIOBUTTON, 3, 10, 90);  // not automatic: left alone
    HWND d = Button(host, BS_AUTORADIOBUTTON | WS_GROUP, 4, 10, 130);
    SendMessage(a, BM_SETCHECK, BST_CHECKED, 0);
    SendMessage(c, BM_SETCHECK, BST_CHECKED, 0);
    SendMessage(d, BM_SETCHECK, BST_CHECKED, 0);
    TapNow(Center(b));
    EXPECT_EQ(SendMessage(a, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(SendMessage(b, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessage(c, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessage(d, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(Clicks(2), 1);
    EXPECT_EQ(SendMessage(b, WM_GETDLGCODE, 0, 0), DLGC_BUTTON | DLGC_RADIOBUTTON);
    // A plain radio button only tells its parent.
    Tap(Center(c));
    TapNow(Center(c));
    EXPECT_EQ(SendMessage(c, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(Clicks(3), 2);
    ASSERT_TRUE(CheckRadioButton(host, 1, 3, 1));
    EXPECT_EQ(IsDlgButtonChecked(host, 1), static_cast<UINT>(BST_CHECKED));
    EXPECT_EQ(IsDlgButtonChecked(host, 2), static_cast<UINT>(BST_UNCHECKED));
    EXPECT_EQ(IsDlgButtonChecked(host, 3), static_cast<UINT>(BST_UNCHECKED));
    EXPECT_EQ(IsDlgButtonChecked(host, 4), static_cast<UINT>(BST_CHECKED));
}

TEST_F(Controls, CheckBoxesToggleAndPushButtonsHoldNoCheck) {
    HWND host = Host();
    HWND box = Button(host, BS_AUTOCHECKBOX, 1, 10, 10);
    HWND tri = Button(host, BS_AUTO3STATE, 2, 10, 50);
    HWND push = Button(host, BS_PUSHBUTTON, 3, 10, 90);
    TapNow(Center(box));
    EXPECT_EQ(IsDlgButtonChecked(host, 1), static_cast<UINT>(BST_CHECKED));
    TapNow(Center(box));
    EXPECT_EQ(IsDlgButtonChecked(host, 1), static_cast<UINT>(BST_UNCHECKED));
    std::vector<LRESULT> states;
    for (int i = 0; i < 3; ++i) {
        SendMessage(tri, BM_CLICK, 0, 0);
        states.push_back(SendMessage(tri, BM_GETCHECK, 0, 0));
    }
    EXPECT_EQ(states, (std::vector<LRESULT>{BST_CHECKED, BST_INDETERMINATE, BST_UNCHECKED}));
    CheckDlgButton(host, 3, BST_CHECKED);
    EXPECT_EQ(SendMessage(push, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    CheckDlgButton(host, 1, BST_INDETERMINATE);  // two-state: becomes checked
    EXPECT_EQ(IsDlgButtonChecked(host, 1), static_cast<UINT>(BST_CHECKED));
}

TEST_F(Controls, GroupBoxesNeitherHideNorSwallowTheirContents) {
    HWND host = Host();
    Button(host, BS_GROUPBOX, 9, 10, 10, 200, 100, u"Group");
    HWND radio = Button(host, BS_AUTORADIOBUTTON | WS_GROUP, 1, 20, 40, 150, 20, u"Inside");
    Pump();
    // The radio circle's black outline is on the screen.
    EXPECT_GT(ce::test::CountPixels(20, 40, 34, 60, RGB(0, 0, 0)), 10);
    TapNow(Center(radio));
    EXPECT_EQ(SendMessage(radio, BM_GETCHECK, 0, 0), BST_CHECKED);
}

// ---- Statics ------------------------------------------------------------------------------------

TEST_F(Controls, LabelsPassTapsToTheirParent) {
    HWND host = Host();
    HWND label = Label(host, SS_LEFT, 5, 10, 10, 100, 20, u"Label");
    EXPECT_EQ(SendMessage(label, WM_NCHITTEST, 0, MAKELPARAM(20, 20)), HTTRANSPARENT);
    EXPECT_EQ(WindowFromPoint(POINT{20, 20}), host);
    TapNow({20, 20});
    auto downs = Only(WM_LBUTTONDOWN);
    ASSERT_EQ(downs.size(), 1u);
    EXPECT_EQ(downs[0].hwnd, host);
    // SS_NOTIFY takes the tap and says so.
    Log().clear();
    HWND notify = Label(host, SS_LEFT | SS_NOTIFY, 6, 10, 40, 100, 20, u"Notify");
    TapNow(Center(notify));
    EXPECT_TRUE(Only(WM_LBUTTONDOWN).empty());
    ASSERT_EQ(Only(WM_COMMAND).size(), 1u);
    EXPECT_EQ(Only(WM_COMMAND)[0].wp, MAKEWPARAM(6, STN_CLICKED));
}

TEST_F(Controls, LabelBackgroundComesFromTheParentsBrush) {
    HWND host = Host();
    HBRUSH green = CreateSolidBrush(RGB(0, 200, 0));
    StaticBrush() = green;
    StaticTextColor() = RGB(0, 0, 255);
    Label(host, SS_LEFT, 5, 10, 10, 120, 30, u"MMMM");
    Pump();
    EXPECT_EQ(ce::gdi::Screen::Pixel(125, 35), RGB(0, 200, 0));
    // The text is drawn in the colour the parent set.
    EXPECT_GT(ce::test::CountPixels(10, 10, 60, 25, RGB(0, 0, 255)), 0);

    // A hollow brush leaves the parent's background (the window colour).
    StaticBrush() = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    Label(host, SS_LEFT, 6, 10, 100, 120, 30, u"MMMM");
    Pump();
    EXPECT_EQ(ce::gdi::Screen::Pixel(125, 125), GetSysColor(COLOR_WINDOW));
    StaticBrush() = nullptr;
    DeleteObject(green);
}

// A subclass sees WM_ERASEBKGND before the parent is asked for colours.
std::vector<UINT>* g_order;
WNDPROC g_staticProc;
LRESULT CALLBACK SubclassedStatic(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_ERASEBKGND || m == WM_PAINT) g_order->push_back(m);
    return CallWindowProc(g_staticProc, h, m, wp, lp);
}

TEST_F(Controls, LabelsEraseFirstRepaintOnNewTextAndKeepTheIconTheyAreGiven) {
    HWND host = Host();
    Pump();
    std::vector<UINT> order;
    g_order = &order;
    HWND label = Label(host, SS_LEFT, 5, 10, 10, 120, 30, u"One");
    g_staticProc =
        reinterpret_cast<WNDPROC>(SetWindowLong(label, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&SubclassedStatic)));
    InvalidateRect(label, nullptr, TRUE);
    Log().clear();
    Pump();
    ASSERT_GE(order.size(), 2u);
    EXPECT_EQ(order[0], static_cast<UINT>(WM_PAINT));
    EXPECT_EQ(order[1], static_cast<UINT>(WM_ERASEBKGND));  // from BeginPaint, before the colours
    EXPECT_FALSE(Only(WM_CTLCOLORSTATIC).empty());
    SetWindowText(label, u"Two");
    RECT u;
    EXPECT_TRUE(GetUpdateRect(label, &u, FALSE));
    Pump();
    EXPECT_FALSE(GetUpdateRect(label, &u, FALSE));
    SetWindowLong(label, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(g_staticProc));

    // Icon labels keep the icon they are given.
    HWND iconLabel = Label(host, SS_ICON, 6, 200, 10, 32, 32, u"");
    BYTE mask[32 * 4] = {};
    HBITMAP m = CreateBitmap(32, 32, 1, 1, mask);
    HDC screen = GetDC(nullptr);
    HBITMAP c = CreateCompatibleBitmap(screen, 32, 32);
    ReleaseDC(nullptr, screen);
    ICONINFO ii{TRUE, 0, 0, m, c};
    HICON icon = CreateIconIndirect(&ii);
    ASSERT_TRUE(icon);
    EXPECT_EQ(SendMessage(iconLabel, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0), 0);
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessage(iconLabel, STM_GETICON, 0, 0)), icon);
    Pump();
    EXPECT_EQ(ce::gdi::Screen::Pixel(210, 20), RGB(0, 0, 0));  // the icon's black picture
    DestroyWindow(iconLabel);
    DestroyIcon(icon);
    DeleteObject(m);
    DeleteObject(c);
}

}  // namespace
