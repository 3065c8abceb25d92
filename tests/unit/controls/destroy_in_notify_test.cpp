// Every control that tells its parent something, destroyed by the parent
// from inside that very notification: the control must stop at once, touch
// nothing of its freed state and leave no window behind (the sanitizer run
// catches any use after free).
#include <gtest/gtest.h>

#include <ostream>
#include <string_view>

#include "commctrl.h"
#include "controltest.h"
#include "filelist.h"
#include "windowtest.h"

namespace {

// A control filled with a few items (by its class) and worked by `act`; its
// parent destroys it on hearing `code` (WM_COMMAND, WM_NOTIFY) or any
// WM_VSCROLL from it.
struct Case {
    const char* name;
    LPCWSTR cls;
    DWORD style;
    UINT code;
    void (*act)(HWND);  // input; each step only while the control lives
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

HWND g_target = nullptr;
const Case* g_case = nullptr;
bool g_destroyed = false;

LRESULT CALLBACK ParentProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    bool hit = false;
    if (g_case && g_target) {
        if (m == WM_COMMAND)
            hit = reinterpret_cast<HWND>(lp) == g_target && HIWORD(wp) == g_case->code;
        else if (m == WM_NOTIFY)
            hit = reinterpret_cast<const NMHDR*>(lp)->hwndFrom == g_target &&
                  reinterpret_cast<const NMHDR*>(lp)->code == g_case->code;
        else if (m == WM_VSCROLL)
            hit = reinterpret_cast<HWND>(lp) == g_target;
    }
    if (hit) {
        HWND t = g_target;
        g_target = nullptr;
        g_destroyed = DestroyWindow(t) != FALSE;
        return 0;
    }
    return DefWindowProc(h, m, wp, lp);
}

// Sends `msg` to the control unless it is gone.
void Send(HWND h, UINT msg, WPARAM wp = 0, LPARAM lp = 0) {
    if (IsWindow(h)) SendMessage(h, msg, wp, lp);
}
void Tap(HWND h, int x, int y, bool twice = false) {
    Send(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    Send(h, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    if (!twice) return;
    Send(h, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(x, y));
    Send(h, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}
void Chars(HWND h, const char16_t* s) {
    for (; *s; ++s) Send(h, WM_CHAR, *s);
}

HTREEITEM AddTreeItem(HWND h, HTREEITEM parent, const char16_t* text) {
    TVINSERTSTRUCTW is{};
    is.hParent = parent;
    is.hInsertAfter = TVI_LAST;
    is.item.mask = TVIF_TEXT;
    is.item.pszText = const_cast<LPWSTR>(text);
    return TreeView_InsertItem(h, &is);
}
// Multi-line edits get eleven lines, lists a column and three rows, trees
// a (with a1, a2) and b, headers a column, file lists two names, bars a range.
void Fill(HWND h, const Case& c) {
    const std::u16string_view cls = c.cls;
    if (cls == u"Edit" && (c.style & ES_MULTILINE)) {
        SetWindowText(h, u"one\r\ntwo\r\nthree\r\nfour\r\nfive\r\nsix\r\nseven\r\neight\r\nnine\r\nten\r\neleven");
    } else if (cls == u"ComboBox") {
        for (auto* s : {u"a", u"b", u"c"}) SendMessage(h, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
    } else if (cls == WC_LISTVIEWW) {
        LVCOLUMNW col{};
        col.mask = LVCF_WIDTH | LVCF_TEXT;
        col.cx = 150;
        col.pszText = const_cast<LPWSTR>(u"Name");
        ListView_InsertColumn(h, 0, &col);
        for (int i = 0; i < 3; ++i) {
            LVITEMW it{};
            it.mask = LVIF_TEXT;
            it.iItem = i;
            it.pszText = const_cast<LPWSTR>(u"row");
            ListView_InsertItem(h, &it);
        }
    } else if (cls == WC_TREEVIEWW) {
        HTREEITEM a = AddTreeItem(h, TVI_ROOT, u"a");
        AddTreeItem(h, a, u"a1");
        AddTreeItem(h, a, u"a2");
        AddTreeItem(h, TVI_ROOT, u"b");
    } else if (cls == WC_HEADERW) {
        HDITEMW it{};
        it.mask = HDI_TEXT | HDI_WIDTH;
        it.cxy = 80;
        it.pszText = const_cast<LPWSTR>(u"Name");
        SendMessage(h, HDM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&it));
    } else if (cls == ce::comctl::kFileListClass) {
        for (auto* s : {u"a.txt", u"b.txt"}) SendMessage(h, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
    } else if (cls == u"ScrollBar") {
        SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 100, 10, 50, 0};
        SendMessage(h, SBM_SETSCROLLINFO, TRUE, reinterpret_cast<LPARAM>(&si));
    }
}

void TapCorner(HWND h) {
    Tap(h, 5, 5);
}
void KeyDown(HWND h) {
    Send(h, WM_KEYDOWN, VK_DOWN);
}
void TypeAbc(HWND h) {
    Chars(h, u"abc");
}
// Taps (twice: a double tap) the list's row 1.
void TapRow1(HWND h, bool twice = false) {
    RECT r{};
    ListView_GetItemRect(h, 1, &r, LVIR_BOUNDS);
    Tap(h, (r.left + r.right) / 2, (r.top + r.bottom) / 2, twice);
}
// Taps (twice: a double tap) the tree's top-level item `nth`.
void TapItem(HWND h, int nth, bool twice = false) {
    HTREEITEM i = TreeView_GetRoot(h);
    for (int k = 0; k < nth && i; ++k) i = TreeView_GetNextSibling(h, i);
    RECT r{};
    TreeView_GetItemRect(h, i, &r, TRUE);
    Tap(h, (r.left + r.right) / 2, (r.top + r.bottom) / 2, twice);
}
void TapItem1(HWND h) {
    TapItem(h, 1);
}

const Case kCases[] = {
    {"EditFocus", u"Edit", 0, EN_SETFOCUS, TapCorner},
    {"EditUpdate", u"Edit", ES_AUTOHSCROLL, EN_UPDATE, TypeAbc},
    {"EditChange", u"Edit", ES_AUTOHSCROLL, EN_CHANGE, TypeAbc},
    {"EditMaxText", u"Edit", ES_AUTOHSCROLL, EN_MAXTEXT,
     [](HWND h) {
         SendMessage(h, EM_LIMITTEXT, 2, 0);
         Chars(h, u"abcd");
     }},
    {"EditScrollByBar", u"Edit", ES_MULTILINE | WS_VSCROLL, EN_VSCROLL, [](HWND h) { Tap(h, 195, 140); }},
    {"EditScrollByKey", u"Edit", ES_MULTILINE | WS_VSCROLL, EN_VSCROLL, [](HWND h) { Send(h, WM_KEYDOWN, VK_NEXT); }},
    {"ComboSelChange", u"ComboBox", CBS_DROPDOWNLIST, CBN_SELCHANGE, KeyDown},
    {"ComboDropDown", u"ComboBox", CBS_DROPDOWNLIST, CBN_DROPDOWN, TapCorner},
    {"ComboSelEndOk", u"ComboBox", CBS_DROPDOWNLIST, CBN_SELENDOK,
     [](HWND h) {
         Send(h, CB_SHOWDROPDOWN, TRUE);
         Send(h, WM_KEYDOWN, VK_DOWN);
         Send(h, WM_KEYDOWN, VK_RETURN);
     }},
    {"ComboTapEntry", u"ComboBox", CBS_DROPDOWNLIST, CBN_SELENDOK,
     [](HWND h) {
         // The drop-down list is destroyed with the box while its own tap is being handled.
         Send(h, CB_SHOWDROPDOWN, TRUE);
         Tap(ce::test::FindTopLevel(u"ComboLBox"), 10, 5);
     }},
    {"ComboKillFocus", u"ComboBox", CBS_DROPDOWNLIST, CBN_KILLFOCUS,
     [](HWND h) {
         SetFocus(h);
         SetFocus(GetParent(h));
     }},
    {"ComboEditChange", u"ComboBox", CBS_DROPDOWN, CBN_EDITUPDATE, [](HWND h) { Chars(h, u"xy"); }},
    {"ListItemChanging", WC_LISTVIEWW, LVS_REPORT | LVS_SINGLESEL, LVN_ITEMCHANGING, [](HWND h) { TapRow1(h); }},
    {"ListClick", WC_LISTVIEWW, LVS_REPORT, NM_CLICK, [](HWND h) { TapRow1(h); }},
    {"ListActivate", WC_LISTVIEWW, LVS_REPORT, LVN_ITEMACTIVATE, [](HWND h) { TapRow1(h, true); }},
    {"ListKey", WC_LISTVIEWW, LVS_REPORT, LVN_ITEMCHANGED, KeyDown},
    {"ListColumnClick", WC_LISTVIEWW, LVS_REPORT, LVN_COLUMNCLICK,
     [](HWND h) { Tap(ListView_GetHeader(h), 20, 5); }},  // the header goes with the list
    {"ListDeleteItem", WC_LISTVIEWW, LVS_REPORT, LVN_DELETEITEM, [](HWND h) { Send(h, LVM_DELETEITEM, 1); }},
    {"TreeSelChanging", WC_TREEVIEWW, TVS_HASBUTTONS, TVN_SELCHANGING, TapItem1},
    {"TreeSelChanged", WC_TREEVIEWW, TVS_HASBUTTONS, TVN_SELCHANGED, TapItem1},
    {"TreeExpanding", WC_TREEVIEWW, TVS_HASBUTTONS, TVN_ITEMEXPANDING, [](HWND h) { TapItem(h, 0, true); }},
    {"TreeKey", WC_TREEVIEWW, TVS_HASBUTTONS, TVN_KEYDOWN, KeyDown},
    {"TreeDeleteItem", WC_TREEVIEWW, TVS_HASBUTTONS, TVN_DELETEITEM,
     [](HWND h) { Send(h, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TreeView_GetRoot(h))); }},
    {"TreeFocus", WC_TREEVIEWW, TVS_HASBUTTONS, NM_SETFOCUS, TapItem1},
    {"HeaderClick", WC_HEADERW, HDS_BUTTONS, HDN_ITEMCLICKW, [](HWND h) { Tap(h, 20, 5); }},
    {"ButtonClick", u"Button", BS_AUTOCHECKBOX, BN_CLICKED, TapCorner},
    {"ButtonFocus", u"Button", BS_PUSHBUTTON | BS_NOTIFY, BN_SETFOCUS, TapCorner},
    {"StaticClick", u"Static", SS_NOTIFY, STN_CLICKED, TapCorner},
    {"ScrollBarArrow", u"ScrollBar", SBS_VERT, 0, [](HWND h) { Tap(h, 5, 3); }},
    {"ScrollBarKey", u"ScrollBar", SBS_VERT, 0, KeyDown},
    {"FileListSelChange", ce::comctl::kFileListClass, 0, LBN_SELCHANGE,
     [](HWND h) { Send(h, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(20, 5)); }},
    {"FileListDblClk", ce::comctl::kFileListClass, 0, LBN_DBLCLK, [](HWND h) { Tap(h, 20, 5, true); }},
};

class DestroyInNotify : public testing::TestWithParam<Case> {
protected:
    void SetUp() override {
        ce::test::InitWindowSystem();
        ce::test::RegisterHostClass(u"DestroyInNotifyParent", ParentProc);
        parent_ = ce::test::CreateHost(u"DestroyInNotifyParent");
        ASSERT_TRUE(parent_);
    }
    void TearDown() override {
        g_case = nullptr;
        g_target = nullptr;
        DestroyWindow(parent_);
    }
    HWND parent_ = nullptr;
};

TEST_P(DestroyInNotify, TheControlStopsAndIsGone) {
    const Case& c = GetParam();
    HWND h = ce::test::Child(parent_, c.cls, c.style, 0, 0, 200, 150, 7);
    ASSERT_TRUE(h);
    Fill(h, c);
    g_destroyed = false;
    g_case = &c;
    g_target = h;
    c.act(h);
    EXPECT_TRUE(g_destroyed) << "the notification never came";
    EXPECT_FALSE(IsWindow(h));
    // The parent and the window system go on as before.
    EXPECT_TRUE(IsWindow(parent_));
    EXPECT_NE(GetCapture(), h);
    ce::test::Pump();
}

INSTANTIATE_TEST_SUITE_P(Controls, DestroyInNotify, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case>& i) { return std::string(i.param.name); });

}  // namespace
