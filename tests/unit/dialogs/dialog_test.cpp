// Dialogs from templates: placement in dialog units, initialisation, the
// modal loop, the keyboard interface and the dialog helpers.
#include "controltest.h"
#include "dlgtest.h"

using namespace dlgtest;

namespace {

int Round(int v, int num, int den) {
    return (v * num + den / 2) / den;
}

// Base units measured the documented way with a font of `px` pixels.
std::pair<int, int> Units(int px) {
    HFONT f = CreateFont(-px, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, u"MS Shell Dlg");
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, f);
    SIZE s{};
    GetTextExtentPoint32(dc, u"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ", 52, &s);
    TEXTMETRICW tm{};
    GetTextMetrics(dc, &tm);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(f);
    return {(s.cx / 26 + 1) / 2, tm.tmHeight};
}

RECT ChildRect(HWND dlg, HWND c) {
    RECT r;
    GetWindowRect(c, &r);
    MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// What the dialog procedures saw, and how they answer.
struct ProcLog {
    std::vector<std::pair<UINT, WPARAM>> msgs;
    LPARAM initParam = 0;
    HWND initFocus = nullptr;
    bool visibleInInit = true;
    INT_PTR initResult = TRUE;
    int focusId = 0;  // set the focus to this control in WM_INITDIALOG
};
ProcLog g_proc;

INT_PTR CALLBACK RecordingDlgProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    switch (m) {
        case WM_INITDIALOG:
            g_proc.initParam = lp;
            g_proc.initFocus = reinterpret_cast<HWND>(wp);
            g_proc.visibleInInit = IsWindowVisible(h) != FALSE;
            if (g_proc.focusId) SetFocus(GetDlgItem(h, g_proc.focusId));
            return g_proc.initResult;
        case WM_COMMAND:
            g_proc.msgs.push_back({m, wp});
            return TRUE;
        case WM_APP:
            SetWindowLong(h, DWL_MSGRESULT, 1234);
            return TRUE;
        default:
            return FALSE;
    }
}

class Dialogs : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        g_proc = ProcLog{};
    }
    // OK (default), Cancel, an edit-like tab stop, a disabled tab stop and
    // three auto radio buttons in one group followed by one in the next.
    Template Form(DWORD style = WS_POPUP | WS_CAPTION | WS_VISIBLE) {
        Template t(style, 10, 10, 200, 100, u"Form", 8, u"MS Shell Dlg");
        t.Item(WS_TABSTOP | WS_VISIBLE | BS_DEFPUSHBUTTON, 10, 70, 50, 14, IDOK, kButtonAtom, u"OK");
        t.Item(WS_TABSTOP | WS_VISIBLE, 70, 70, 50, 14, IDCANCEL, kButtonAtom, u"Cancel");
        t.Item(WS_VISIBLE | SS_LEFT, 10, 5, 40, 8, 100, kStaticAtom, u"Label");
        t.Item(WS_TABSTOP | WS_VISIBLE | WS_DISABLED, 130, 70, 50, 14, 101, kButtonAtom, u"Off");
        t.Item(WS_TABSTOP | WS_VISIBLE | WS_GROUP | BS_AUTORADIOBUTTON, 10, 20, 60, 10, 201, kButtonAtom, u"One");
        t.Item(WS_VISIBLE | BS_AUTORADIOBUTTON, 10, 32, 60, 10, 202, kButtonAtom, u"Two");
        t.Item(WS_VISIBLE | BS_AUTORADIOBUTTON, 10, 44, 60, 10, 203, kButtonAtom, u"Three");
        t.Item(WS_TABSTOP | WS_VISIBLE | WS_GROUP | BS_AUTOCHECKBOX, 100, 20, 60, 10, 301, kButtonAtom, u"Check");
        return t;
    }
    // A key pressed in `dlg` and handled through IsDialogMessage.
    static void Press(HWND dlg, UINT vk) {
        Key(vk);
        Pump(dlg);
    }
    HWND Make(Template& t, HWND owner = nullptr, LPARAM lp = 0) {
        return Keep(CreateDialogIndirectParam(nullptr, t.Get(), owner, RecordingDlgProc, lp));
    }
    std::vector<WPARAM> Commands() {
        std::vector<WPARAM> out;
        for (auto& [m, wp] : g_proc.msgs)
            if (m == WM_COMMAND) out.push_back(wp);
        g_proc.msgs.clear();
        return out;
    }
};

// ---- Templates and dialog units ------------------------------------------------------------

TEST_F(Dialogs, ControlsArePlacedInTheTemplateFontsUnits) {
    Template t(WS_POPUP | WS_VISIBLE, 20, 16, 160, 80, u"Units", 8, u"MS Shell Dlg");
    t.Item(WS_VISIBLE | SS_LEFT, 7, 9, 28, 8, 100, kStaticAtom, u"Serial Port");
    t.Item(WS_VISIBLE | WS_TABSTOP, 50, 60, 50, 14, IDOK, u"button", u"OK");
    HWND host = Host();
    HWND dlg = Make(t, host);
    ASSERT_TRUE(dlg);

    auto [bx, by] = Units(Round(8, 96, 72));
    ASSERT_GT(bx, 0);
    RECT client;
    GetClientRect(dlg, &client);
    EXPECT_EQ(client.right, Round(160, bx, 4));
    EXPECT_EQ(client.bottom, Round(80, by, 8));
    RECT win;
    GetWindowRect(dlg, &win);
    EXPECT_EQ(win.left, Round(20, bx, 4));  // relative to the owner's client area at (0,0)
    EXPECT_EQ(win.top, Round(16, by, 8));

    RECT label = ChildRect(dlg, GetDlgItem(dlg, 100));
    EXPECT_EQ(label.left, Round(7, bx, 4));
    EXPECT_EQ(label.top, Round(9, by, 8));
    EXPECT_EQ(label.right - label.left, Round(28, bx, 4));
    EXPECT_EQ(label.bottom - label.top, by);
    RECT mapped{50, 60, 50, 14};  // position, then size
    ASSERT_TRUE(MapDialogRect(dlg, &mapped));
    RECT ok = ChildRect(dlg, GetDlgItem(dlg, IDOK));
    EXPECT_EQ(ok.left, mapped.left);
    EXPECT_EQ(ok.top, mapped.top);
    EXPECT_EQ(ok.right - ok.left, mapped.right);
    EXPECT_EQ(ok.bottom - ok.top, mapped.bottom);

    // Every control got the dialog's font.
    HFONT font = reinterpret_cast<HFONT>(SendMessage(dlg, WM_GETFONT, 0, 0));
    ASSERT_TRUE(font);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendDlgItemMessage(dlg, 100, WM_GETFONT, 0, 0)), font);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendDlgItemMessage(dlg, IDOK, WM_GETFONT, 0, 0)), font);
    WCHAR cls[16];
    GetClassName(dlg, cls, 16);
    EXPECT_EQ(std::u16string(cls), u"#32770");
    WCHAR text[32];
    EXPECT_EQ(GetDlgItemText(dlg, 100, text, 32), 11u);
    EXPECT_EQ(std::u16string(text), u"Serial Port");

    // DS_CENTER: in the middle of the screen, wherever the template puts it.
    Template centred(WS_POPUP | WS_CAPTION | DS_CENTER, 50, 50, 120, 60, u"Centre", 8, u"MS Shell Dlg");
    GetWindowRect(Make(centred), &win);
    EXPECT_LE(std::abs((win.left + win.right) - GetSystemMetrics(SM_CXSCREEN)), 1);
    EXPECT_LE(std::abs((win.top + win.bottom) - GetSystemMetrics(SM_CYSCREEN)), 1);
}

TEST_F(Dialogs, CreationDataAndUnknownClasses) {
    static const void* seen = nullptr;
    WNDCLASSW wc{};
    wc.lpfnWndProc = [](HWND h, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
        if (m == WM_CREATE) seen = reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams;
        return DefWindowProc(h, m, wp, lp);
    };
    wc.lpszClassName = u"DataCtl";
    RegisterClass(&wc);
    Template t(WS_POPUP, 0, 0, 100, 40, u"");
    t.Item(WS_VISIBLE, 0, 0, 10, 10, 5, u"DataCtl", u"x", {0x1234, 0x5678});
    HWND dlg = Make(t);
    ASSERT_TRUE(dlg);
    ASSERT_TRUE(seen);
    auto* words = static_cast<const WORD*>(seen);
    EXPECT_EQ(words[0], 4);  // the size word, then the data
    EXPECT_EQ(words[1], 0x1234);
    EXPECT_EQ(words[2], 0x5678);

    // A control of a class nobody registered fails the whole dialog.
    Template bad(WS_POPUP, 0, 0, 100, 40, u"");
    bad.Item(WS_VISIBLE, 0, 0, 10, 10, 5, kEditAtom, u"");
    bad.Item(WS_VISIBLE, 0, 0, 10, 10, 6, u"NoSuchClass", u"");
    SetLastError(0);
    EXPECT_FALSE(CreateDialogIndirectParam(nullptr, bad.Get(), nullptr, RecordingDlgProc, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANNOT_FIND_WND_CLASS));
}

TEST_F(Dialogs, BadInputFailsCleanly) {
    SetLastError(0);
    EXPECT_FALSE(CreateDialogIndirectParam(nullptr, nullptr, nullptr, RecordingDlgProc, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(DialogBoxIndirectParam(nullptr, nullptr, nullptr, RecordingDlgProc, 0), -1);
    Template t(WS_POPUP, 0, 0, 10, 10, u"");
    EXPECT_FALSE(CreateDialogIndirectParam(nullptr, t.Get(), reinterpret_cast<HWND>(0x12345), RecordingDlgProc, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    EXPECT_FALSE(EndDialog(reinterpret_cast<HWND>(0x12345), 1));
    EXPECT_FALSE(GetNextDlgTabItem(reinterpret_cast<HWND>(0x12345), nullptr, FALSE));
    HWND dlg = Make(t);
    EXPECT_FALSE(MapDialogRect(dlg, nullptr));
    EXPECT_FALSE(GetDlgItem(dlg, 99));
    EXPECT_EQ(IsDlgButtonChecked(dlg, 99), 0u);
    EXPECT_FALSE(SetDlgItemText(dlg, 99, u"x"));
    // The extended template layout is refused rather than misread.
    WORD ex[16] = {1, 0xFFFF};
    EXPECT_FALSE(CreateDialogIndirectParam(nullptr, reinterpret_cast<LPCDLGTEMPLATE>(ex), nullptr, nullptr, 0));
}

// ---- Initialisation --------------------------------------------------------------------------

TEST_F(Dialogs, InitDialogGetsTheParamFocusGoesToTheFirstTabStopAndResultsGoThroughMsgResult) {
    Template t = Form();
    HWND dlg = Make(t, nullptr, 0x5A5A);
    ASSERT_TRUE(dlg);
    EXPECT_EQ(g_proc.initParam, 0x5A5A);
    EXPECT_FALSE(g_proc.visibleInInit);  // shown only after WM_INITDIALOG
    EXPECT_TRUE(IsWindowVisible(dlg));
    EXPECT_EQ(g_proc.initFocus, GetDlgItem(dlg, IDOK));
    EXPECT_EQ(GetFocus(), GetDlgItem(dlg, IDOK));
    EXPECT_EQ(SendMessage(dlg, WM_APP, 0, 0), 1234);
    SetWindowLong(dlg, DWL_USER, 77);
    EXPECT_EQ(GetWindowLong(dlg, DWL_USER), 77);
    EXPECT_EQ(GetWindowLong(dlg, DWL_DLGPROC), reinterpret_cast<LONG_PTR>(&RecordingDlgProc));

    // WM_INITDIALOG answering FALSE keeps the focus it chose.
    g_proc.initResult = FALSE;
    g_proc.focusId = IDCANCEL;
    dlg = Make(t);
    EXPECT_EQ(GetFocus(), GetDlgItem(dlg, IDCANCEL));
}

// ---- Modal loop -----------------------------------------------------------------------------

// Ends its dialog with the command's id + 100; notes the dialog made last.
HWND g_lastDialog = nullptr;
INT_PTR CALLBACK EndsOnCommand(HWND h, UINT m, WPARAM wp, LPARAM) {
    if (m == WM_INITDIALOG) g_lastDialog = h;
    if (m == WM_COMMAND && (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL)) EndDialog(h, LOWORD(wp) + 100);
    return m == WM_COMMAND;
}

TEST_F(Dialogs, ModalDialogsDisableTheirOwnersAndNest) {
    HWND owner = Host();
    Template outer = Form(WS_POPUP | WS_CAPTION);
    Template inner(WS_POPUP | WS_CAPTION, 5, 5, 80, 40, u"Inner");
    HWND outerDlg = nullptr;
    WhenIdle({[&] {
        outerDlg = g_lastDialog;
        EXPECT_FALSE(IsWindowEnabled(owner));
        WhenIdle({[&] {
            EXPECT_FALSE(IsWindowEnabled(outerDlg));
            EXPECT_FALSE(IsWindowEnabled(owner));
            EndDialog(g_lastDialog, 42);
        }});
        // A control of the outer dialog as the parent: the inner one is owned
        // by the outer dialog itself.
        EXPECT_EQ(DialogBoxIndirectParam(nullptr, inner.Get(), GetDlgItem(outerDlg, IDOK), EndsOnCommand, 0), 42);
        EXPECT_TRUE(IsWindowEnabled(outerDlg));
        EndDialog(outerDlg, 7);
    }});
    EXPECT_EQ(DialogBoxIndirectParam(nullptr, outer.Get(), owner, EndsOnCommand, 0), 7);
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_FALSE(IsWindow(outerDlg));
    EXPECT_EQ(GetActiveWindow(), owner);

    // EndDialog inside WM_INITDIALOG returns without a loop.
    auto endsInInit = [](HWND h, UINT m, WPARAM, LPARAM) -> INT_PTR {
        if (m == WM_INITDIALOG) EndDialog(h, 5);
        return FALSE;
    };
    EXPECT_EQ(DialogBoxIndirectParam(nullptr, outer.Get(), owner, endsInInit, 0), 5);
    EXPECT_TRUE(IsWindowEnabled(owner));
}

// A panel whose button opens a modal dialog (as the control panel's do);
// with `nested`, the dialog asks the panel to open a second one over it.
struct Opener {
    Template* form = nullptr;
    int opened = 0;
    bool nested = false;
    std::vector<HWND> dialogs;
};
Opener g_open;

INT_PTR CALLBACK OpenedProc(HWND h, UINT m, WPARAM wp, LPARAM) {
    if (m == WM_INITDIALOG) {
        g_open.dialogs.push_back(h);
        if (g_open.nested && g_open.opened == 1) PostMessage(GetWindow(h, GW_OWNER), WM_APP, 0, 0);
        return TRUE;
    }
    if (m == WM_COMMAND && (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL)) EndDialog(h, LOWORD(wp));
    return m == WM_COMMAND;
}

LRESULT CALLBACK OpenerProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    if ((m == WM_COMMAND && LOWORD(wp) == 500) || m == WM_APP) {
        ++g_open.opened;
        DialogBoxIndirectParam(nullptr, g_open.form->Get(), h, OpenedProc, 0);
        return 0;
    }
    return DefWindowProc(h, m, wp, lp);
}

TEST_F(Dialogs, InputQueuedBeforeAModalDialogNeverReachesWhatItCovers) {
    ce::test::RegisterHostClass(u"Opener", OpenerProc);
    Template form = Form(WS_POPUP | WS_CAPTION | WS_VISIBLE);
    g_open = Opener{&form, 0, false, {}};
    HWND panel = Keep(ce::test::CreateHost(u"Opener"));
    HWND button = ce::test::Child(panel, u"BUTTON", BS_PUSHBUTTON, 600, 400, 100, 40, 500, u"Open");
    Pump();
    // A double tap, and Space on the focused button, all queued before the
    // first tap opens the dialog: one dialog opens (the Space reaches the
    // dialog's OK button and ends it).
    auto endAll = [] {
        for (HWND d : g_open.dialogs)
            if (IsWindow(d)) EndDialog(d, IDCANCEL);
    };
    SetFocus(button);
    Tap(Center(button));
    Tap(Center(button));
    Key(VK_SPACE);
    WhenIdle({endAll});
    Pump();
    EXPECT_EQ(g_open.opened, 1);

    // A dialog opened over another by their disabled owner: when it ends,
    // the one below is active again and has its focus back.
    g_open = Opener{&form, 0, true, {}};
    bool outerHadFocusBack = false;
    WhenIdle({[] { Key(VK_ESCAPE); },
              [&] {
                  HWND outer = g_open.dialogs.front();
                  outerHadFocusBack = GetActiveWindow() == outer && IsChild(outer, GetFocus());
                  endAll();
              }});
    SendMessage(panel, WM_APP, 0, 0);
    EXPECT_EQ(g_open.opened, 2);
    EXPECT_TRUE(outerHadFocusBack);
    EXPECT_TRUE(IsWindowEnabled(panel));
}

// ---- Keyboard interface ---------------------------------------------------------------------

TEST_F(Dialogs, EnterClicksTheDefaultButtonOrIdOkEscapeAndCloseCancel) {
    Template t = Form();
    HWND dlg = Make(t);
    SetFocus(GetDlgItem(dlg, 301));  // a check box: Enter goes to the default
    Press(dlg, VK_RETURN);
    EXPECT_EQ(Commands(), (std::vector<WPARAM>{MAKEWPARAM(IDOK, BN_CLICKED)}));
    EXPECT_EQ(SendMessage(dlg, DM_GETDEFID, 0, 0), MAKELRESULT(IDOK, DC_HASDEFID));

    // Another default button; a focused push button acts itself.
    SendMessage(dlg, DM_SETDEFID, IDCANCEL, 0);
    EXPECT_TRUE(SendDlgItemMessage(dlg, IDCANCEL, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON);
    EXPECT_TRUE(SendDlgItemMessage(dlg, IDOK, WM_GETDLGCODE, 0, 0) & DLGC_UNDEFPUSHBUTTON);
    Press(dlg, VK_RETURN);
    EXPECT_EQ(Commands(), (std::vector<WPARAM>{MAKEWPARAM(IDCANCEL, BN_CLICKED)}));

    // Escape and WM_CLOSE cancel, unless Cancel is disabled; the dialog stays.
    Press(dlg, VK_ESCAPE);
    SendMessage(dlg, WM_CLOSE, 0, 0);
    Pump(dlg);
    EXPECT_EQ(Commands(), (std::vector<WPARAM>{MAKEWPARAM(IDCANCEL, BN_CLICKED), MAKEWPARAM(IDCANCEL, BN_CLICKED)}));
    EXPECT_TRUE(IsWindow(dlg));
    EnableWindow(GetDlgItem(dlg, IDCANCEL), FALSE);
    Press(dlg, VK_ESCAPE);
    EXPECT_TRUE(Commands().empty());

    // Without any default button Enter means IDOK.
    Template bare(WS_POPUP | WS_VISIBLE, 0, 0, 100, 50, u"");
    bare.Item(WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 0, 0, 50, 10, 9, kButtonAtom, u"c");
    HWND dlg2 = Make(bare);
    Press(dlg2, VK_RETURN);
    EXPECT_EQ(Commands(), (std::vector<WPARAM>{MAKEWPARAM(IDOK, BN_CLICKED)}));
}

TEST_F(Dialogs, TabWalksTheTabStopsSkippingDisabledOnesAndArrowsMoveWithinARadioGroup) {
    Template t = Form();
    HWND dlg = Make(t);
    ASSERT_EQ(GetFocus(), GetDlgItem(dlg, IDOK));
    std::vector<int> order;
    for (int i = 0; i < 4; ++i) {
        Press(dlg, VK_TAB);
        order.push_back(GetDlgCtrlID(GetFocus()));
    }
    EXPECT_EQ(order, (std::vector<int>{IDCANCEL, 201, 301, IDOK}));
    ce::user::InjectKey(VK_SHIFT, true, 0);
    Key(VK_TAB);
    ce::user::InjectKey(VK_SHIFT, false, 0);
    Pump(dlg);
    EXPECT_EQ(GetDlgCtrlID(GetFocus()), 301);
    // Tabbing onto a push button makes it look like the default while it has
    // the focus; leaving the buttons gives the look back to OK.
    SetFocus(GetDlgItem(dlg, IDOK));
    Press(dlg, VK_TAB);
    EXPECT_TRUE(SendDlgItemMessage(dlg, IDCANCEL, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON);
    EXPECT_TRUE(SendDlgItemMessage(dlg, IDOK, WM_GETDLGCODE, 0, 0) & DLGC_UNDEFPUSHBUTTON);
    Press(dlg, VK_TAB);
    EXPECT_TRUE(SendDlgItemMessage(dlg, IDOK, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON);
    EXPECT_TRUE(SendDlgItemMessage(dlg, IDCANCEL, WM_GETDLGCODE, 0, 0) & DLGC_UNDEFPUSHBUTTON);

    // Arrows move and choose within a radio group.
    SetFocus(GetDlgItem(dlg, 201));
    Press(dlg, VK_DOWN);
    EXPECT_EQ(GetDlgCtrlID(GetFocus()), 202);
    EXPECT_EQ(IsDlgButtonChecked(dlg, 202), static_cast<UINT>(BST_CHECKED));
    Key(VK_DOWN);
    Key(VK_DOWN);  // wraps inside the group, never into the check box
    Pump(dlg);
    EXPECT_EQ(GetDlgCtrlID(GetFocus()), 201);
    EXPECT_EQ(IsDlgButtonChecked(dlg, 201), static_cast<UINT>(BST_CHECKED));
    EXPECT_EQ(IsDlgButtonChecked(dlg, 202), static_cast<UINT>(BST_UNCHECKED));
    EXPECT_EQ(IsDlgButtonChecked(dlg, 203), static_cast<UINT>(BST_UNCHECKED));
    Press(dlg, VK_UP);
    EXPECT_EQ(GetDlgCtrlID(GetFocus()), 203);
    EXPECT_EQ(IsDlgButtonChecked(dlg, 301), static_cast<UINT>(BST_UNCHECKED));
    EXPECT_EQ(GetNextDlgGroupItem(dlg, GetDlgItem(dlg, 203), FALSE), GetDlgItem(dlg, 201));
    EXPECT_EQ(GetNextDlgGroupItem(dlg, GetDlgItem(dlg, 201), TRUE), GetDlgItem(dlg, 203));
}

TEST_F(Dialogs, ControlsAskingForAllKeysGetEnterAndTab) {
    static std::vector<WPARAM> keys;
    keys.clear();
    WNDCLASSW wc{};
    wc.lpfnWndProc = [](HWND h, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
        if (m == WM_GETDLGCODE) return DLGC_WANTALLKEYS;
        if (m == WM_KEYDOWN) keys.push_back(wp);
        return DefWindowProc(h, m, wp, lp);
    };
    wc.lpszClassName = u"GreedyCtl";
    RegisterClass(&wc);
    Template t(WS_POPUP | WS_VISIBLE, 0, 0, 100, 50, u"");
    t.Item(WS_VISIBLE | WS_TABSTOP, 0, 0, 50, 10, 9, u"GreedyCtl", u"");
    t.Item(WS_VISIBLE | WS_TABSTOP, 0, 20, 50, 10, IDOK, kButtonAtom, u"OK");
    HWND dlg = Make(t);
    ASSERT_EQ(GetDlgCtrlID(GetFocus()), 9);
    Key(VK_RETURN);
    Key(VK_TAB);
    Press(dlg, VK_ESCAPE);
    EXPECT_EQ(keys, (std::vector<WPARAM>{VK_RETURN, VK_TAB, VK_ESCAPE}));
    EXPECT_TRUE(Commands().empty());
    EXPECT_EQ(GetDlgCtrlID(GetFocus()), 9);
}

// ---- Helpers --------------------------------------------------------------------------------

TEST_F(Dialogs, ItemIntegersRoundTripAndRejectJunk) {
    Template t(WS_POPUP, 0, 0, 100, 50, u"");
    t.Item(WS_VISIBLE, 0, 0, 50, 10, 7, kStaticAtom, u"");
    HWND dlg = Make(t);
    BOOL ok = FALSE;
    ASSERT_TRUE(SetDlgItemInt(dlg, 7, static_cast<UINT>(-250), TRUE));
    EXPECT_EQ(static_cast<int>(GetDlgItemInt(dlg, 7, &ok, TRUE)), -250);
    EXPECT_TRUE(ok);
    SetDlgItemInt(dlg, 7, 4000000000u, FALSE);
    EXPECT_EQ(GetDlgItemInt(dlg, 7, &ok, FALSE), 4000000000u);
    EXPECT_TRUE(ok);
    // A sign is no digit when unsigned, 4000000000 is out of range signed, and junk is junk.
    const struct {
        const char16_t* text;
        BOOL sign;
        UINT want;
    } cases[] = {{u"-250", FALSE, 0},       {u"4000000000", TRUE, 0}, {u"12a", TRUE, 0},   {u"", TRUE, 0},
                 {u"99999999999", TRUE, 0}, {u"- 3", TRUE, 0},        {u"  17 ", TRUE, 17}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.text, c.text + std::char_traits<char16_t>::length(c.text)));
        SetDlgItemText(dlg, 7, c.text);
        ok = c.want == 0;
        EXPECT_EQ(GetDlgItemInt(dlg, 7, &ok, c.sign), c.want);
        EXPECT_EQ(ok, c.want != 0);
    }
}

}  // namespace
