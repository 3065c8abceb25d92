// Edit controls: typing within the limit, selection by keys and stylus,
// sideways scrolling that keeps the caret in view, text queries with short
// buffers, the parent's notifications and colours, and multi-line text
// scrolled by its own bar.
#include <array>

#include "controltest.h"
#include "dlgtest.h"

using namespace dlgtest;
using ce::test::TapNow, ce::test::MouseNow;
using ce::user::InjectKey;
using ce::user::InjectMouse;
using ce::user::Mouse;

namespace {

// The parent: records notifications and colour requests.
LRESULT CALLBACK EditHostProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    switch (m) {
        case WM_COMMAND:
            ce::test::Record(h, m, wp, lp);
            return 0;
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:
            ce::test::Record(h, m, wp, lp);
            break;
        default:
            break;
    }
    return DefWindowProc(h, m, wp, lp);
}

class Edit : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        ce::test::RegisterHostClass(u"EditHost", EditHostProc, COLOR_WINDOW);
        host_ = Keep(ce::test::CreateHost(u"EditHost"));
        Log().clear();
    }
    HWND Make(DWORD style, int x, int y, int w, int h, LPCWSTR text = u"") {
        HWND e = ce::test::Child(host_, u"Edit", style, x, y, w, h, 42, text);
        Pump();
        Log().clear();
        return e;
    }
    static void Type(std::u16string_view s) {
        ce::test::TypeChars(s);
        Pump();
    }
    static void Press(UINT vk, WCHAR ch = 0) {
        InjectKey(vk, true, ch);
        InjectKey(vk, false, 0);
        Pump();
    }
    static void ShiftPress(UINT vk) {
        InjectKey(VK_SHIFT, true, 0);
        Press(vk);
        InjectKey(VK_SHIFT, false, 0);
        Pump();
    }
    static std::u16string Text(HWND e) { return ce::test::WindowText(e); }
    static std::pair<int, int> Sel(HWND e) {
        DWORD s = 99, t = 99;
        SendMessage(e, EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&t));
        return {static_cast<int>(s), static_cast<int>(t)};
    }
    // The notification codes the parent heard, in order.
    static std::vector<UINT> Codes() {
        std::vector<UINT> codes;
        for (auto& h : Only(WM_COMMAND)) codes.push_back(h.code);
        return codes;
    }
    static int Count(UINT code) {
        auto codes = Codes();
        return static_cast<int>(std::count(codes.begin(), codes.end(), code));
    }
    HWND host_ = nullptr;
};

// ---- Typing and the limit ------------------------------------------------------------------------

TEST_F(Edit, LimitedEditRefusesTheCharacterBeyondItsLimit) {
    HWND e = Make(WS_BORDER | ES_AUTOHSCROLL, 10, 10, 200, 24);
    EXPECT_EQ(SendMessage(e, EM_GETLIMITTEXT, 0, 0), 30000);
    SendMessage(e, EM_LIMITTEXT, 255, 0);
    SetFocus(e);
    std::u16string chars(255, u'x');
    Type(chars);
    ASSERT_EQ(GetWindowTextLength(e), 255);
    EXPECT_EQ(Count(EN_CHANGE), 255);
    EXPECT_EQ(Count(EN_MAXTEXT), 0);
    Log().clear();
    Type(u"y");
    EXPECT_EQ(GetWindowTextLength(e), 255);
    EXPECT_EQ(Text(e), chars);
    EXPECT_EQ(Count(EN_MAXTEXT), 1);
    EXPECT_EQ(Count(EN_CHANGE), 0);

    // Replacing a selection may fill it up again; a longer replacement is cut.
    SendMessage(e, EM_SETSEL, 0, 3);
    SendMessage(e, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(u"abcdef"));
    EXPECT_EQ(Text(e).substr(0, 4), u"abcx");
    EXPECT_EQ(GetWindowTextLength(e), 255);

    // WM_SETTEXT is not held to the limit.
    std::u16string longer(300, u'z');
    SetWindowText(e, longer.c_str());
    EXPECT_EQ(GetWindowTextLength(e), 300);
}

TEST_F(Edit, TypingFollowsStylesAndReadOnlyRefusesChanges) {
    HWND num = Make(ES_NUMBER | ES_AUTOHSCROLL, 10, 10, 200, 24);
    SetFocus(num);
    Type(u"1a2-3");
    EXPECT_EQ(Text(num), u"123");

    HWND upper = Make(ES_UPPERCASE | ES_AUTOHSCROLL, 10, 40, 200, 24);
    SetFocus(upper);
    Type(u"abc");
    EXPECT_EQ(Text(upper), u"ABC");

    HWND ro = Make(ES_READONLY | ES_AUTOHSCROLL, 10, 70, 200, 24, u"fixed");
    SetFocus(ro);
    Type(u"x");
    Press(VK_BACK, VK_BACK);
    Press(VK_DELETE);
    EXPECT_EQ(Text(ro), u"fixed");
    EXPECT_EQ(Count(EN_CHANGE), 0);
    Press(VK_END);  // moving is allowed
    EXPECT_EQ(Sel(ro), std::make_pair(5, 5));

    // Without ES_AUTOHSCROLL the text stops at the width.
    HWND narrow = Make(0, 10, 100, 60, 24);
    SetFocus(narrow);
    Type(std::u16string(100, u'W'));
    EXPECT_GT(GetWindowTextLength(narrow), 0);
    EXPECT_LT(GetWindowTextLength(narrow), 100);
    EXPECT_GE(Count(EN_MAXTEXT), 1);
}

// ---- Selection and editing keys ---------------------------------------------------------------

TEST_F(Edit, KeysMoveTheCaretShiftSelectsAndBackspaceAndDeleteRemove) {
    HWND e = Make(ES_AUTOHSCROLL, 10, 10, 300, 24, u"hello world");
    SetFocus(e);
    SendMessage(e, EM_SETSEL, 0, 6);
    Press(VK_BACK, VK_BACK);
    EXPECT_EQ(Text(e), u"world");
    EXPECT_EQ(Sel(e), std::make_pair(0, 0));
    ShiftPress(VK_RIGHT);
    ShiftPress(VK_RIGHT);
    EXPECT_EQ(Sel(e), std::make_pair(0, 2));
    Press(VK_DELETE);
    EXPECT_EQ(Text(e), u"rld");
    Press(VK_BACK, VK_BACK);  // at the start: nothing to remove
    EXPECT_EQ(Text(e), u"rld");
    Press(VK_END);
    Press(VK_BACK, VK_BACK);
    EXPECT_EQ(Text(e), u"rl");
    EXPECT_EQ(Count(EN_UPDATE), Count(EN_CHANGE));

    // Home, End and the arrows move the caret; Shift extends.
    SetWindowText(e, u"abcdef");
    Press(VK_END);
    EXPECT_EQ(Sel(e), std::make_pair(6, 6));
    Press(VK_LEFT);
    Press(VK_LEFT);
    EXPECT_EQ(Sel(e), std::make_pair(4, 4));
    ShiftPress(VK_HOME);
    EXPECT_EQ(Sel(e), std::make_pair(0, 4));
    Press(VK_RIGHT);  // collapses to the selection's end
    EXPECT_EQ(Sel(e), std::make_pair(4, 4));
    ShiftPress(VK_END);
    EXPECT_EQ(Sel(e), std::make_pair(4, 6));
    Press(VK_LEFT);  // collapses to its start
    EXPECT_EQ(Sel(e), std::make_pair(4, 4));
    Press(VK_HOME);
    Press(VK_LEFT);  // stays at the start
    EXPECT_EQ(Sel(e), std::make_pair(0, 0));
}

TEST_F(Edit, SetSelFollowsTheMinusOneRules) {
    HWND e = Make(ES_AUTOHSCROLL, 10, 10, 300, 24, u"abcdef");
    SendMessage(e, EM_SETSEL, 0, -1);
    EXPECT_EQ(Sel(e), std::make_pair(0, 6));
    EXPECT_EQ(SendMessage(e, EM_GETSEL, 0, 0), MAKELRESULT(0, 6));
    SendMessage(e, EM_SETSEL, static_cast<WPARAM>(-1), 0);  // deselects, caret stays
    EXPECT_EQ(Sel(e), std::make_pair(6, 6));
    SendMessage(e, EM_SETSEL, 5, 2);  // reported in order
    EXPECT_EQ(Sel(e), std::make_pair(2, 5));
    SendMessage(e, EM_SETSEL, 4, 1000);  // past the end: the end
    EXPECT_EQ(Sel(e), std::make_pair(4, 6));
    SendMessage(e, EM_REPLACESEL, FALSE, 0);  // no text: removes the selection
    EXPECT_EQ(Text(e), u"abcd");
    // All selected, typing replaces it (a field opened for a change).
    SetFocus(e);
    SendMessage(e, EM_SETSEL, 0, -1);
    Type(u"new");
    EXPECT_EQ(Text(e), u"new");
}

TEST_F(Edit, StylusPressPlacesTheCaretAndDragSelects) {
    HWND e = Make(ES_AUTOHSCROLL, 10, 10, 300, 24, u"select me please");
    auto posOf = [&](int i) {
        LRESULT r = SendMessage(e, EM_POSFROMCHAR, static_cast<WPARAM>(i), 0);
        return POINT{static_cast<short>(LOWORD(r)), static_cast<short>(HIWORD(r))};
    };
    POINT a = ce::test::ToScreen(e, posOf(0).x + 1, 12);
    POINT b = ce::test::ToScreen(e, posOf(6).x, 12);
    MouseNow(Mouse::Down, a.x, a.y);
    EXPECT_EQ(GetFocus(), e);
    EXPECT_EQ(Sel(e), std::make_pair(0, 0));
    InjectMouse(Mouse::Move, b.x, b.y);
    MouseNow(Mouse::Up, b.x, b.y);
    EXPECT_EQ(Sel(e), std::make_pair(0, 6));
    EXPECT_EQ(GetCapture(), nullptr);
    // The selection shows in the highlight colour while focused.
    POINT mid = ce::test::ToScreen(e, (posOf(0).x + posOf(6).x) / 2, posOf(0).y + 1);
    EXPECT_EQ(ce::gdi::Screen::Pixel(mid.x, mid.y), GetSysColor(COLOR_HIGHLIGHT));
}

// ---- Scrolling sideways ------------------------------------------------------------------------

TEST_F(Edit, AutoScrollKeepsTheCaretVisible) {
    HWND e = Make(WS_BORDER | ES_AUTOHSCROLL, 10, 10, 80, 24);
    SetFocus(e);
    Type(u"the quick brown fox jumps over the lazy dog");
    RECT rc;
    GetClientRect(e, &rc);
    int last = GetWindowTextLength(e) - 1;
    LRESULT pos = SendMessage(e, EM_POSFROMCHAR, static_cast<WPARAM>(last), 0);
    int x = static_cast<short>(LOWORD(pos));
    EXPECT_GE(x, 0);
    EXPECT_LT(x, rc.right);
    EXPECT_GT(SendMessage(e, EM_GETFIRSTVISIBLELINE, 0, 0), 0);  // the first characters scrolled off
    // The caret line is drawn at the text's end, inside the window.
    Pump();
    RECT fr;
    SendMessage(e, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&fr));
    bool caretSeen = false;
    for (int cx = x; cx < fr.right && !caretSeen; ++cx) {
        POINT p = ce::test::ToScreen(e, cx, rc.bottom / 2);
        caretSeen =
            ce::gdi::Screen::Pixel(p.x, p.y) == RGB(0, 0, 0) && ce::gdi::Screen::Pixel(p.x, p.y - 4) == RGB(0, 0, 0);
    }
    EXPECT_TRUE(caretSeen);

    Press(VK_HOME);
    EXPECT_EQ(SendMessage(e, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
    EXPECT_GE(static_cast<short>(LOWORD(SendMessage(e, EM_POSFROMCHAR, 0, 0))), 0);
    EXPECT_EQ(SendMessage(e, EM_POSFROMCHAR, 1000, 0), -1);
}

// ---- Queries with bad or short buffers ------------------------------------------------------------

TEST_F(Edit, TextQueriesNeverWritePastTheBuffer) {
    HWND e = Make(ES_AUTOHSCROLL, 10, 10, 200, 24, u"abcdefgh");
    std::array<WCHAR, 10> buf;
    buf.fill(u'#');
    EXPECT_EQ(SendMessage(e, WM_GETTEXT, 5, reinterpret_cast<LPARAM>(buf.data())), 4);
    EXPECT_EQ(std::u16string(buf.data()), u"abcd");
    EXPECT_EQ(buf[5], u'#');
    buf.fill(u'#');
    EXPECT_EQ(SendMessage(e, WM_GETTEXT, 0, reinterpret_cast<LPARAM>(buf.data())), 0);
    EXPECT_EQ(buf[0], u'#');
    EXPECT_EQ(SendMessage(e, WM_GETTEXT, 5, 0), 0);
    EXPECT_EQ(SendMessage(e, WM_GETTEXTLENGTH, 0, 0), 8);

    // EM_GETLINE: the first WORD holds the size; no terminator when it is full.
    buf.fill(u'#');
    buf[0] = 3;
    EXPECT_EQ(SendMessage(e, EM_GETLINE, 0, reinterpret_cast<LPARAM>(buf.data())), 3);
    EXPECT_EQ(std::u16string(buf.data(), 4), u"abc#");
    EXPECT_EQ(SendMessage(e, EM_GETLINE, 0, 0), 0);
    SendMessage(e, EM_GETSEL, 0, 0);  // null out-pointers are fine
    SetWindowText(e, nullptr);
    EXPECT_EQ(GetWindowTextLength(e), 0);
}

// ---- Notifications, dialog code, colours ---------------------------------------------------------

TEST_F(Edit, ParentHearsFocusUpdateAndChangeInOrder) {
    HWND e = Make(ES_AUTOHSCROLL, 10, 10, 200, 24);
    HWND other = Make(ES_AUTOHSCROLL, 10, 40, 200, 24);
    TapNow(Center(e));
    EXPECT_EQ(Count(EN_SETFOCUS), 1);
    Log().clear();
    Type(u"a");
    EXPECT_EQ(Codes(), (std::vector<UINT>{EN_UPDATE, EN_CHANGE}));
    SetFocus(other);
    Pump();
    EXPECT_EQ(Count(EN_KILLFOCUS), 1);

    Log().clear();
    SetWindowText(e, u"set");  // a single line tells of WM_SETTEXT...
    EXPECT_EQ(Count(EN_CHANGE), 1);
    HWND multi = Make(ES_MULTILINE, 10, 80, 200, 60);
    SetWindowText(multi, u"set");  // ...a multi-line edit does not
    EXPECT_EQ(Count(EN_CHANGE), 0);

    EXPECT_EQ(SendMessage(e, WM_GETDLGCODE, 0, 0), DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS);
    // Typing over a selection of the same character moves on past it.
    SetWindowText(e, u"0");
    SendMessage(e, EM_SETSEL, 0, -1);
    SendMessage(e, WM_CHAR, u'0', 0);
    SendMessage(e, WM_CHAR, u'x', 0);
    WCHAR typed[8] = {0};
    GetWindowText(e, typed, 8);
    EXPECT_EQ(std::u16string(typed), u"0x");
    // A multi-line edit that takes Enter leaves Escape and Tab to its dialog.
    HWND lines = Make(ES_MULTILINE | ES_WANTRETURN, 10, 150, 200, 60);
    for (WPARAM vk : {VK_RETURN, VK_ESCAPE, VK_TAB}) {
        MSG m{lines, WM_KEYDOWN, vk, 0, 0, {0, 0}};
        EXPECT_EQ((SendMessage(lines, WM_GETDLGCODE, vk, reinterpret_cast<LPARAM>(&m)) & DLGC_WANTALLKEYS) != 0,
                  vk == VK_RETURN)
            << vk;
    }
}

TEST_F(Edit, ReadOnlyEditsAskStaticColours) {
    HWND e = Make(ES_AUTOHSCROLL, 10, 10, 200, 24, u"x");
    InvalidateRect(e, nullptr, TRUE);
    Pump();
    auto asked = [](UINT msg) { return !Only(msg).empty(); };
    EXPECT_TRUE(asked(WM_CTLCOLOREDIT));
    EXPECT_FALSE(asked(WM_CTLCOLORSTATIC));
    Log().clear();
    SendMessage(e, EM_SETREADONLY, TRUE, 0);
    Pump();
    EXPECT_TRUE(asked(WM_CTLCOLORSTATIC));
    EXPECT_FALSE(asked(WM_CTLCOLOREDIT));
    EXPECT_TRUE(GetWindowLong(e, GWL_STYLE) & ES_READONLY);
}

// ---- Multi-line text ------------------------------------------------------------------------------

class MultiLine : public Edit {
protected:
    // Ten short lines in a window showing about three.
    HWND MakeTen() {
        std::u16string s;
        for (int i = 0; i < 10; ++i) {
            if (i) s += u"\r\n";
            s += u"line" + std::u16string(1, static_cast<char16_t>(u'0' + i));
        }
        return Make(ES_MULTILINE | ES_READONLY | WS_VSCROLL | WS_BORDER, 20, 20, 200, 3 * LineHeight() + 4, s.c_str());
    }
    int LineHeight() {
        HDC dc = GetDC(host_);
        TEXTMETRICW tm{};
        GetTextMetrics(dc, &tm);
        ReleaseDC(host_, dc);
        return tm.tmHeight;
    }
    static int First(HWND e) { return static_cast<int>(SendMessage(e, EM_GETFIRSTVISIBLELINE, 0, 0)); }
    // The screen point of the bar's down or up arrow.
    POINT Arrow(HWND e, bool down) {
        RECT rc;
        GetClientRect(e, &rc);
        return ce::test::ToScreen(e, rc.right - GetSystemMetrics(SM_CXVSCROLL) / 2, down ? rc.bottom - 3 : 3);
    }
};

TEST_F(MultiLine, LinesAreCountedAtLineBreaksAndLongParagraphsWrap) {
    HWND e = MakeTen();
    EXPECT_EQ(SendMessage(e, EM_GETLINECOUNT, 0, 0), 10);
    EXPECT_EQ(SendMessage(e, EM_LINEINDEX, 1, 0), 7);  // "line0\r\n"
    EXPECT_EQ(SendMessage(e, EM_LINEINDEX, 10, 0), -1);
    EXPECT_EQ(SendMessage(e, EM_LINELENGTH, 8, 0), 5);
    EXPECT_EQ(SendMessage(e, EM_LINEFROMCHAR, 15, 0), 2);
    EXPECT_EQ(SendMessage(e, EM_LINEINDEX, static_cast<WPARAM>(-1), 0), 0);  // the caret's line

    HWND empty = Make(ES_MULTILINE, 20, 200, 200, 60, u"");
    EXPECT_EQ(SendMessage(empty, EM_GETLINECOUNT, 0, 0), 1);
    SetWindowText(empty, u"a\r\n\r\nb\r\n");
    EXPECT_EQ(SendMessage(empty, EM_GETLINECOUNT, 0, 0), 4);
    EXPECT_EQ(SendMessage(empty, EM_LINELENGTH, 3, 0), 0);

    // Long paragraphs wrap without ES_AUTOHSCROLL.
    std::u16string text = u"alpha beta gamma delta epsilon zeta eta theta iota kappa\r\nshort";
    HWND wrapped = Make(ES_MULTILINE, 250, 20, 90, 200, text.c_str());
    int count = static_cast<int>(SendMessage(wrapped, EM_GETLINECOUNT, 0, 0));
    EXPECT_GT(count, 2);
    // Lines cover the text in order; breaks fall after spaces.
    int prev = -1;
    for (int i = 0; i < count; ++i) {
        int start = static_cast<int>(SendMessage(wrapped, EM_LINEINDEX, static_cast<WPARAM>(i), 0));
        EXPECT_GT(start, prev);
        EXPECT_TRUE(i == 0 || i == count - 1 || text[static_cast<size_t>(start - 1)] == u' ') << i;
        prev = start;
    }
    EXPECT_EQ(SendMessage(wrapped, EM_LINELENGTH, text.size() - 1, 0), 5);  // "short"
    HWND noWrap = Make(ES_MULTILINE | ES_AUTOHSCROLL, 350, 20, 90, 200, text.c_str());
    EXPECT_EQ(SendMessage(noWrap, EM_GETLINECOUNT, 0, 0), 2);
}

TEST_F(MultiLine, ArrowAndPageTapsThumbDragAndLineScrollStayInRange) {
    HWND e = MakeTen();
    ASSERT_EQ(First(e), 0);
    TapNow(Arrow(e, true));
    EXPECT_EQ(First(e), 1);
    EXPECT_GE(Count(EN_VSCROLL), 1);
    TapNow(Arrow(e, true));
    EXPECT_EQ(First(e), 2);
    EXPECT_EQ(GetScrollPos(e, SB_VERT), 2);
    TapNow(Arrow(e, false));
    EXPECT_EQ(First(e), 1);
    Tap(Arrow(e, false));
    TapNow(Arrow(e, false));  // already at the top
    EXPECT_EQ(First(e), 0);
    EXPECT_EQ(GetCapture(), nullptr);

    SCROLLINFO si{sizeof si, SIF_ALL, 0, 0, 0, 0, 0};
    ASSERT_TRUE(GetScrollInfo(e, SB_VERT, &si));
    EXPECT_EQ(si.nMax, 9);
    int page = static_cast<int>(si.nPage);
    ASSERT_GE(page, 1);
    POINT down = Arrow(e, true);
    POINT belowThumb{down.x, down.y - GetSystemMetrics(SM_CYVSCROLL) - 2};
    TapNow(belowThumb);
    EXPECT_EQ(First(e), page);

    // Dragging the thumb to the bottom shows the last page. At the top
    // position the thumb lies just below the up arrow.
    POINT up = Arrow(e, false);
    EXPECT_TRUE(SendMessage(e, EM_LINESCROLL, 0, -100));
    EXPECT_EQ(First(e), 0);
    POINT grab{up.x, up.y + GetSystemMetrics(SM_CYVSCROLL) + 1};
    MouseNow(Mouse::Down, grab.x, grab.y);  // the capture decides where the moves go
    MouseNow(Mouse::Move, grab.x, 470);
    EXPECT_EQ(First(e), 10 - page);  // follows while dragging
    MouseNow(Mouse::Up, grab.x, 470);
    EXPECT_EQ(First(e), 10 - page);
    EXPECT_EQ(GetCapture(), nullptr);

    EXPECT_TRUE(SendMessage(e, EM_LINESCROLL, 0, 100));
    EXPECT_EQ(First(e), 10 - page);
    EXPECT_TRUE(SendMessage(e, EM_LINESCROLL, 0, -1));
    EXPECT_EQ(First(e), 9 - page);
    EXPECT_EQ(SendMessage(e, EM_SCROLL, SB_LINEUP, 0), MAKELRESULT(static_cast<WORD>(-1), TRUE));
    HWND single = Make(ES_AUTOHSCROLL, 300, 10, 100, 24, u"x");
    EXPECT_FALSE(SendMessage(single, EM_LINESCROLL, 0, 1));
}

}  // namespace
