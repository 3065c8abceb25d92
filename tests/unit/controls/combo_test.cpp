// The combo box: its list messages, the drop-down list worked by touch, the
// notifications the parent hears, the framework's DDX_CBIndex and what the
// host's view shows of it.
#include <afxwin.h>

#include "controltest.h"
#include "dlgtest.h"
#include "jsontest.h"
#include "userdesktop.h"

using namespace dlgtest;
using ce::test::TapNow;

namespace {

class Combo : public DialogTest {
protected:
    HWND Make(HWND parent, DWORD style, int id = 20, int x = 100, int y = 50, int w = 150, int h = 200) {
        return ce::test::Child(parent, u"ComboBox", style, x, y, w, h, id);
    }
    static void Fill(HWND c, std::initializer_list<LPCWSTR> items) {
        for (LPCWSTR s : items) SendMessage(c, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
    }
    static std::u16string Text(HWND c) { return ce::test::WindowText(c); }
    static std::u16string Entry(HWND c, int i) {
        WCHAR buf[128] = {};
        return SendMessage(c, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buf)) == CB_ERR
                   ? u"<err>"
                   : std::u16string(buf);
    }
    // The combo-box notifications the host heard, in order.
    static std::vector<int> Notes(int id = 20) {
        std::vector<int> out;
        for (auto& s : Only(WM_COMMAND))
            if (LOWORD(s.wp) == id) out.push_back(HIWORD(s.wp));
        return out;
    }
    static int Count(int code) {
        auto n = Notes();
        return static_cast<int>(std::count(n.begin(), n.end(), code));
    }
    // The screen centre of entry `i` of the open list (the first one shown
    // is entry `top`).
    static POINT EntryPoint(HWND c, int i) {
        RECT r;
        SendMessage(c, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&r));
        auto ih = static_cast<int>(SendMessage(c, CB_GETITEMHEIGHT, 0, 0));
        auto top = static_cast<int>(SendMessage(c, CB_GETTOPINDEX, 0, 0));
        return {r.left + 20, r.top + 1 + (i - top) * ih + ih / 2};
    }
    static POINT ButtonPoint(HWND c) {
        RECT r;
        GetWindowRect(c, &r);
        return {r.right - 8, (r.top + r.bottom) / 2};
    }
    // The drop-down list: a top-level window of its own.
    static HWND ListOf() { return ce::test::FindTopLevel(u"ComboLBox"); }
};

// ---- List messages ----------------------------------------------------------------------------

TEST_F(Combo, AddInsertDeleteAndTheirErrorsAndSortedBoxesAddInOrder) {
    HWND c = Keep(Make(Host(), CBS_DROPDOWNLIST));
    EXPECT_EQ(SendMessage(c, CB_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(SendMessage(c, CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_EQ(SendMessage(c, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"one")), 0);
    EXPECT_EQ(SendMessage(c, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"two")), 1);
    EXPECT_EQ(SendMessage(c, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(u"zero")), 0);
    EXPECT_EQ(SendMessage(c, CB_INSERTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(u"three")), 3);
    EXPECT_EQ(SendMessage(c, CB_INSERTSTRING, 4, reinterpret_cast<LPARAM>(u"four")), 4);  // at the end
    EXPECT_EQ(SendMessage(c, CB_INSERTSTRING, 9, reinterpret_cast<LPARAM>(u"nine")), CB_ERR);
    EXPECT_EQ(SendMessage(c, CB_ADDSTRING, 0, 0), CB_ERR);  // no string
    EXPECT_EQ(SendMessage(c, CB_GETCOUNT, 0, 0), 5);
    EXPECT_EQ(Entry(c, 0), u"zero");
    EXPECT_EQ(Entry(c, 4), u"four");
    EXPECT_EQ(Entry(c, 5), u"<err>");
    EXPECT_EQ(SendMessage(c, CB_GETLBTEXT, 0, 0), CB_ERR);  // no buffer
    EXPECT_EQ(SendMessage(c, CB_GETLBTEXTLEN, 3, 0), 5);
    EXPECT_EQ(SendMessage(c, CB_GETLBTEXTLEN, static_cast<WPARAM>(-1), 0), CB_ERR);

    // The selection follows its entry through insertions and deletions.
    EXPECT_EQ(SendMessage(c, CB_SETCURSEL, 2, 0), 2);  // "two"
    SendMessage(c, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(u"minus"));
    EXPECT_EQ(SendMessage(c, CB_GETCURSEL, 0, 0), 3);
    EXPECT_EQ(SendMessage(c, CB_DELETESTRING, 0, 0), 5);  // returns what is left
    EXPECT_EQ(SendMessage(c, CB_GETCURSEL, 0, 0), 2);
    EXPECT_EQ(Text(c), u"two");
    EXPECT_EQ(SendMessage(c, CB_DELETESTRING, 7, 0), CB_ERR);
    EXPECT_EQ(SendMessage(c, CB_DELETESTRING, 2, 0), 4);  // the selected one
    EXPECT_EQ(SendMessage(c, CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_EQ(Text(c), u"");

    EXPECT_EQ(SendMessage(c, CB_RESETCONTENT, 0, 0), CB_OKAY);
    EXPECT_EQ(SendMessage(c, CB_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(SendMessage(c, CB_SETCURSEL, 0, 0), CB_ERR);
    EXPECT_TRUE(Notes().empty());  // messages notify nobody

    // Sorted boxes add in order but insert where told.
    c = Keep(Make(Host(), CBS_DROPDOWNLIST | CBS_SORT));
    Fill(c, {u"pear", u"Apple", u"fig", u"apple"});
    EXPECT_EQ(Entry(c, 0), u"Apple");
    EXPECT_EQ(Entry(c, 1), u"apple");  // equal ones keep their order
    EXPECT_EQ(Entry(c, 2), u"fig");
    EXPECT_EQ(Entry(c, 3), u"pear");
    EXPECT_EQ(SendMessage(c, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"Banana")), 2);
    EXPECT_EQ(SendMessage(c, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(u"zucchini")), 0);
    EXPECT_EQ(Entry(c, 0), u"zucchini");
}

TEST_F(Combo, SelectionFindFieldTextAndTheLimitOfTyping) {
    HWND c = Keep(Make(Host(), CBS_DROPDOWNLIST));
    Fill(c, {u"Red", u"Green", u"Blue", u"green"});
    EXPECT_EQ(SendMessage(c, CB_SETCURSEL, 2, 0), 2);
    EXPECT_EQ(Text(c), u"Blue");
    // Out of range or -1: CB_ERR and nothing selected.
    EXPECT_EQ(SendMessage(c, CB_SETCURSEL, 4, 0), CB_ERR);
    EXPECT_EQ(SendMessage(c, CB_GETCURSEL, 0, 0), CB_ERR);
    SendMessage(c, CB_SETCURSEL, 0, 0);
    EXPECT_EQ(SendMessage(c, CB_SETCURSEL, static_cast<WPARAM>(-1), 0), CB_ERR);
    EXPECT_EQ(SendMessage(c, CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_EQ(Text(c), u"");

    auto find = [&](int start, LPCWSTR s) {
        return SendMessage(c, CB_FINDSTRINGEXACT, static_cast<WPARAM>(start), reinterpret_cast<LPARAM>(s));
    };
    EXPECT_EQ(find(-1, u"GREEN"), 1);  // case does not matter
    EXPECT_EQ(find(1, u"green"), 3);   // searches after the start
    EXPECT_EQ(find(3, u"green"), 1);   // and wraps round
    EXPECT_EQ(find(-1, u"Gre"), CB_ERR);
    EXPECT_EQ(SendMessage(c, CB_FINDSTRINGEXACT, 0, 0), CB_ERR);

    // A drop-down list only takes the text of one of its entries.
    EXPECT_EQ(SendMessage(c, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(u"blue")), TRUE);
    EXPECT_EQ(SendMessage(c, CB_GETCURSEL, 0, 0), 2);
    EXPECT_EQ(SendMessage(c, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(u"Purple")), CB_ERR);
    EXPECT_EQ(SendMessage(c, CB_GETCURSEL, 0, 0), 2);

    // An editable one takes any text and leaves the list alone.
    HWND e = Keep(Make(Host(), CBS_DROPDOWN, 21));
    Fill(e, {u"Red"});
    SendMessage(e, CB_SETCURSEL, 0, 0);
    SetWindowText(e, u"Crimson");
    EXPECT_EQ(Text(e), u"Crimson");
    EXPECT_EQ(SendMessage(e, CB_GETCURSEL, 0, 0), 0);

    // Typing into the field honours the limit.
    c = Keep(Make(Host(), CBS_DROPDOWN));
    SetFocus(c);
    EXPECT_EQ(SendMessage(c, CB_LIMITTEXT, 3, 0), TRUE);
    ce::test::TypeChars(u"abcd");
    Pump();
    EXPECT_EQ(Text(c), u"abc");
    ce::user::InjectKey(VK_BACK, true, u'\b');
    ce::user::InjectKey(VK_BACK, false, 0);
    Pump();
    EXPECT_EQ(Text(c), u"ab");
    EXPECT_EQ(Count(CBN_EDITCHANGE), 4);
}

// ---- The drop-down list by touch ---------------------------------------------------------------

TEST_F(Combo, TheBoxIsAsHighAsItsFieldAndATapOnAnEntrySelectsItAndClosesTheList) {
    HWND host = Host();
    HWND c = Keep(Make(host, CBS_DROPDOWN));
    Fill(c, {u"Alpha", u"Beta", u"Gamma"});
    Pump();
    Log().clear();
    // The box takes the height of its field.
    RECT box;
    GetWindowRect(c, &box);
    EXPECT_LT(box.bottom - box.top, 40);
    EXPECT_EQ(box.bottom - box.top, SendMessage(c, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0));

    // The field of an editable box does not drop the list down; its button does.
    TapNow(Center(c));
    EXPECT_FALSE(SendMessage(c, CB_GETDROPPEDSTATE, 0, 0));
    EXPECT_EQ(GetFocus(), c);
    TapNow(ButtonPoint(c));
    ASSERT_TRUE(SendMessage(c, CB_GETDROPPEDSTATE, 0, 0));
    HWND list = ListOf();
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(IsWindowVisible(list));
    EXPECT_TRUE(GetWindowLong(list, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(GetActiveWindow(), host);  // the list never takes activation
    RECT lr;
    GetWindowRect(list, &lr);
    EXPECT_EQ(lr.top, box.bottom);
    EXPECT_EQ(lr.left, box.left);
    EXPECT_EQ(Count(CBN_DROPDOWN), 1);

    TapNow(EntryPoint(c, 1));
    EXPECT_FALSE(SendMessage(c, CB_GETDROPPEDSTATE, 0, 0));
    EXPECT_FALSE(IsWindowVisible(list));
    EXPECT_EQ(SendMessage(c, CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(Text(c), u"Beta");
    EXPECT_EQ(Count(CBN_SELCHANGE), 1);
    EXPECT_EQ(Count(CBN_CLOSEUP), 1);
    EXPECT_EQ(GetCapture(), nullptr);

    // Picking the entry already selected closes the list without a change.
    Log().clear();
    TapNow(ButtonPoint(c));
    TapNow(EntryPoint(c, 1));
    EXPECT_EQ(Count(CBN_SELCHANGE), 0);
    EXPECT_EQ(Count(CBN_CLOSEUP), 1);
}

TEST_F(Combo, TapOutsideOrLostFocusClosesWithoutAChangeAndDestroyingTheBoxTakesTheList) {
    HWND host = Host();
    HWND c = Keep(Make(host, CBS_DROPDOWNLIST));
    Fill(c, {u"Alpha", u"Beta"});
    SendMessage(c, CB_SETCURSEL, 0, 0);
    Pump();
    Log().clear();
    TapNow(Center(c));  // anywhere on a drop-down list box
    ASSERT_TRUE(SendMessage(c, CB_GETDROPPEDSTATE, 0, 0));
    TapNow({600, 400});
    EXPECT_FALSE(SendMessage(c, CB_GETDROPPEDSTATE, 0, 0));
    EXPECT_EQ(SendMessage(c, CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(Text(c), u"Alpha");
    EXPECT_EQ(Notes(), (std::vector<int>{CBN_SETFOCUS, CBN_DROPDOWN, CBN_SELENDCANCEL, CBN_CLOSEUP}));
    EXPECT_TRUE(Only(WM_LBUTTONDOWN).empty());  // the closing tap goes nowhere else

    // A second tap on the box closes it too; so does losing the focus.
    TapNow(Center(c));
    TapNow(Center(c));
    EXPECT_FALSE(SendMessage(c, CB_GETDROPPEDSTATE, 0, 0));
    SendMessage(c, CB_SHOWDROPDOWN, TRUE, 0);
    ASSERT_TRUE(SendMessage(c, CB_GETDROPPEDSTATE, 0, 0));
    SetFocus(host);
    EXPECT_FALSE(SendMessage(c, CB_GETDROPPEDSTATE, 0, 0));
    EXPECT_EQ(Text(c), u"Alpha");

    // Destroyed while dropped, the box takes its list along.
    SendMessage(c, CB_SHOWDROPDOWN, TRUE, 0);
    HWND list = ListOf();
    ASSERT_NE(list, nullptr);
    DestroyWindow(c);
    EXPECT_FALSE(IsWindow(list));
    EXPECT_EQ(GetCapture(), nullptr);
    TapNow({600, 400});  // nothing left to crash on
}

TEST_F(Combo, ALongListShowsEightEntriesAndScrolls) {
    HWND c = Keep(Make(Host(), CBS_DROPDOWNLIST, 20, 100, 20));
    for (int i = 0; i < 12; ++i) {
        std::u16string s = u"Item " + std::u16string(1, static_cast<char16_t>(u'A' + i));
        SendMessage(c, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s.c_str()));
    }
    SendMessage(c, CB_SHOWDROPDOWN, TRUE, 0);
    Pump();
    HWND list = ListOf();
    RECT lr;
    GetWindowRect(list, &lr);
    auto ih = SendMessage(c, CB_GETITEMHEIGHT, 0, 0);
    EXPECT_EQ(lr.bottom - lr.top, 8 * ih + 2);
    EXPECT_EQ(SendMessage(c, CB_GETTOPINDEX, 0, 0), 0);
    // The down arrow at the bottom of the strip scrolls by one; the track
    // pages; the list never scrolls past its end.
    POINT down{lr.right - 1 - GetSystemMetrics(SM_CXVSCROLL) / 2, lr.bottom - 1 - 4};
    TapNow(down);
    EXPECT_EQ(SendMessage(c, CB_GETTOPINDEX, 0, 0), 1);
    EXPECT_TRUE(SendMessage(c, CB_GETDROPPEDSTATE, 0, 0));
    TapNow({down.x, lr.bottom - 1 - GetSystemMetrics(SM_CXVSCROLL) - 2});
    EXPECT_EQ(SendMessage(c, CB_GETTOPINDEX, 0, 0), 4);
    TapNow(EntryPoint(c, 11));
    EXPECT_EQ(SendMessage(c, CB_GETCURSEL, 0, 0), 11);
    EXPECT_EQ(Text(c), u"Item L");
    // Opened again, the list shows the selection.
    SendMessage(c, CB_SHOWDROPDOWN, TRUE, 0);
    EXPECT_EQ(SendMessage(c, CB_GETTOPINDEX, 0, 0), 4);
    SendMessage(c, CB_SHOWDROPDOWN, FALSE, 0);
}

// ---- Framework and host ---------------------------------------------------------------------

TEST_F(Combo, DDXCBIndexRoundTripAndCComboBoxWrapsTheMessages) {
    HWND host = Host();
    HWND c = Keep(Make(host, CBS_DROPDOWNLIST, 30));
    Fill(c, {u"Low", u"Mid", u"High"});
    CWnd wnd;
    wnd.Attach(host);
    int index = 2;
    CDataExchange toControls(&wnd, FALSE);
    DDX_CBIndex(&toControls, 30, index);
    EXPECT_EQ(SendMessage(c, CB_GETCURSEL, 0, 0), 2);
    EXPECT_EQ(Text(c), u"High");
    SendMessage(c, CB_SETCURSEL, 0, 0);
    CDataExchange fromControls(&wnd, TRUE);
    DDX_CBIndex(&fromControls, 30, index);
    EXPECT_EQ(index, 0);
    SendMessage(c, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    DDX_CBIndex(&fromControls, 30, index);
    EXPECT_EQ(index, -1);
    // A missing control leaves the value alone.
    index = 7;
    DDX_CBIndex(&fromControls, 99, index);
    EXPECT_EQ(index, 7);
    EXPECT_FALSE(fromControls.m_bFailed);

    CComboBox box;
    ASSERT_TRUE(box.Create(WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST | CBS_SORT, CRect(10, 10, 110, 200), &wnd, 40));
    box.AddString(u"b");
    box.AddString(u"a");
    EXPECT_EQ(box.GetCount(), 2);
    EXPECT_EQ(box.FindStringExact(-1, u"b"), 1);
    EXPECT_EQ(box.SetCurSel(1), 1);
    EXPECT_EQ(box.GetLBTextLen(1), 1);
    box.SetItemData(0, 42);
    EXPECT_EQ(box.GetItemData(0), 42u);
    box.DestroyWindow();
    wnd.Detach();
}

TEST_F(Combo, HostViewShowsEntriesSelectionAndFindsOpenEntries) {
    ce::user::RegisterControlInspectors();
    auto desktop = ce::user::MakeDesktop();
    HWND c = Keep(Make(Host(), CBS_DROPDOWNLIST));
    Fill(c, {u"North", u"South \"S\""});
    SendMessage(c, CB_SETCURSEL, 1, 0);
    Pump();
    auto dump = desktop->DumpWindows();
    const auto* box = ce::test::FindWhere(dump, "class", "ComboBox");
    ASSERT_TRUE(box) << dump;
    EXPECT_EQ(ce::test::Missing(*box, {{"items", {"North", "South \"S\""}}, {"sel", 1}, {"text", "South \"S\""}}), "")
        << *box;
    // Closed, an entry is not there to tap; open, it is.
    EXPECT_FALSE(desktop->FindText("North"));
    SendMessage(c, CB_SHOWDROPDOWN, TRUE, 0);
    Pump();
    auto p = desktop->FindText("North");
    ASSERT_TRUE(p);
    TapNow({p->x, p->y});
    EXPECT_EQ(Text(c), u"North");
}

}  // namespace
