// Every control that tells its parent something, destroyed by the parent
// from inside that very notification: the control must stop at once, touch
// nothing of its freed state and leave no window behind (the sanitizer run
// catches any use after free).
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string_view>

#include "commctrl.h"
#include "controltest.h"
#include "filelist.h"
#include "windowtest.h"

namespace {

struct Case {
    const char* name;
    LPCWSTR cls;
    DWORD style;
    UINT msg;   // WM_COMMAND, WM_NOTIFY or WM_VSCROLL
    UINT code;  // the notification code (WM_COMMAND, WM_NOTIFY) that destroys it
    std::function<void(HWND)> fill;
    std::function<void(HWND)> act;  // input; each step only while the control lives
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

HWND g_target = nullptr;
const Case* g_case = nullptr;
bool g_destroyed = false;

LRESULT CALLBACK ParentProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    bool hit = false;
    if (g_case && g_target && m == g_case->msg) {
        if (m == WM_COMMAND)
            hit = reinterpret_cast<HWND>(lp) == g_target && HIWORD(wp) == g_case->code;
        else if (m == WM_NOTIFY)
            hit = reinterpret_cast<const NMHDR*>(lp)->hwndFrom == g_target &&
                  reinterpret_cast<const NMHDR*>(lp)->code == g_case->code;
        else
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

void FillEdit(HWND h) {
    SetWindowText(h, u"one\r\ntwo\r\nthree\r\nfour\r\nfive\r\nsix\r\nseven\r\neight\r\nnine\r\nten\r\neleven");
}
void FillCombo(HWND h) {
    for (auto* s : {u"a", u"b", u"c"}) SendMessage(h, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
}
void FillList(HWND h) {
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
}
// Taps (twice: a double tap) the list's row 1.
void TapRow1(HWND h, bool twice = false) {
    RECT r{};
    ListView_GetItemRect(h, 1, &r, LVIR_BOUNDS);
    Tap(h, (r.left + r.right) / 2, (r.top + r.bottom) / 2, twice);
}
HTREEITEM AddTreeItem(HWND h, HTREEITEM parent, const char16_t* text) {
    TVINSERTSTRUCTW is{};
    is.hParent = parent;
    is.hInsertAfter = TVI_LAST;
    is.item.mask = TVIF_TEXT;
    is.item.pszText = const_cast<LPWSTR>(text);
    return TreeView_InsertItem(h, &is);
}
void FillTree(HWND h) {
    HTREEITEM a = AddTreeItem(h, TVI_ROOT, u"a");
    AddTreeItem(h, a, u"a1");
    AddTreeItem(h, a, u"a2");
    AddTreeItem(h, TVI_ROOT, u"b");
}
POINT ItemCentre(HWND h, HTREEITEM i) {
    RECT r{};
    TreeView_GetItemRect(h, i, &r, TRUE);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}
void TapItem(HWND h, int nth, bool twice = false) {
    HTREEITEM i = TreeView_GetRoot(h);
    for (int k = 0; k < nth && i; ++k) i = TreeView_GetNextSibling(h, i);
    POINT p = ItemCentre(h, i);
    Tap(h, p.x, p.y, twice);
}
void FillHeader(HWND h) {
    HDITEMW it{};
    it.mask = HDI_TEXT | HDI_WIDTH;
    it.cxy = 80;
    it.pszText = const_cast<LPWSTR>(u"Name");
    SendMessage(h, HDM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&it));
}
void FillFiles(HWND h) {
    for (auto* s : {u"a.txt", u"b.txt"}) SendMessage(h, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
}
void FillBar(HWND h) {
    SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 100, 10, 50, 0};
    SendMessage(h, SBM_SETSCROLLINFO, TRUE, reinterpret_cast<LPARAM>(&si));
}

const Case kCases[] = {
    {"EditFocus", u"Edit", 0, WM_COMMAND, EN_SETFOCUS, nullptr, [](HWND h) { Tap(h, 5, 5); }},
    {"EditUpdate", u"Edit", ES_AUTOHSCROLL, WM_COMMAND, EN_UPDATE, nullptr, [](HWND h) { Chars(h, u"abc"); }},
    {"EditChange", u"Edit", ES_AUTOHSCROLL, WM_COMMAND, EN_CHANGE, nullptr, [](HWND h) { Chars(h, u"abc"); }},
    {"EditMaxText", u"Edit", ES_AUTOHSCROLL, WM_COMMAND, EN_MAXTEXT, [](HWND h) { SendMessage(h, EM_LIMITTEXT, 2, 0); },
     [](HWND h) { Chars(h, u"abcd"); }},
    {"EditScrollByBar", u"Edit", ES_MULTILINE | WS_VSCROLL, WM_COMMAND, EN_VSCROLL, FillEdit,
     [](HWND h) { Tap(h, 195, 140); }},
    {"EditScrollByKey", u"Edit", ES_MULTILINE | WS_VSCROLL, WM_COMMAND, EN_VSCROLL, FillEdit,
     [](HWND h) { Send(h, WM_KEYDOWN, VK_NEXT); }},
    {"ComboSelChange", u"ComboBox", CBS_DROPDOWNLIST, WM_COMMAND, CBN_SELCHANGE, FillCombo,
     [](HWND h) { Send(h, WM_KEYDOWN, VK_DOWN); }},
    {"ComboDropDown", u"ComboBox", CBS_DROPDOWNLIST, WM_COMMAND, CBN_DROPDOWN, FillCombo, [](HWND h) { Tap(h, 5, 5); }},
    {"ComboSelEndOk", u"ComboBox", CBS_DROPDOWNLIST, WM_COMMAND, CBN_SELENDOK, FillCombo,
     [](HWND h) {
         Send(h, CB_SHOWDROPDOWN, TRUE);
         Send(h, WM_KEYDOWN, VK_DOWN);
         Send(h, WM_KEYDOWN, VK_RETURN);
     }},
    {"ComboTapEntry", u"ComboBox", CBS_DROPDOWNLIST, WM_COMMAND, CBN_SELENDOK, FillCombo,
     [](HWND h) {
         // The drop-down list is destroyed with the box while its own tap is being handled.
         Send(h, CB_SHOWDROPDOWN, TRUE);
         Tap(ce::test::FindTopLevel(u"ComboLBox"), 10, 5);
     }},
    {"ComboKillFocus", u"ComboBox", CBS_DROPDOWNLIST, WM_COMMAND, CBN_KILLFOCUS, FillCombo,
     [](HWND h) {
         SetFocus(h);
         SetFocus(GetParent(h));
     }},
    {"ComboEditChange", u"ComboBox", CBS_DROPDOWN, WM_COMMAND, CBN_EDITUPDATE, FillCombo,
     [](HWND h) { Chars(h, u"xy"); }},
    {"ListItemChanging", WC_LISTVIEWW, LVS_REPORT | LVS_SINGLESEL, WM_NOTIFY, LVN_ITEMCHANGING, FillList,
     [](HWND h) { TapRow1(h); }},
    {"ListClick", WC_LISTVIEWW, LVS_REPORT, WM_NOTIFY, NM_CLICK, FillList, [](HWND h) { TapRow1(h); }},
    {"ListActivate", WC_LISTVIEWW, LVS_REPORT, WM_NOTIFY, LVN_ITEMACTIVATE, FillList, [](HWND h) { TapRow1(h, true); }},
    {"ListKey", WC_LISTVIEWW, LVS_REPORT, WM_NOTIFY, LVN_ITEMCHANGED, FillList,
     [](HWND h) { Send(h, WM_KEYDOWN, VK_DOWN); }},
    {"ListColumnClick", WC_LISTVIEWW, LVS_REPORT, WM_NOTIFY, LVN_COLUMNCLICK, FillList,
     [](HWND h) { Tap(ListView_GetHeader(h), 20, 5); }},  // the header goes with the list
    {"ListDeleteItem", WC_LISTVIEWW, LVS_REPORT, WM_NOTIFY, LVN_DELETEITEM, FillList,
     [](HWND h) { Send(h, LVM_DELETEITEM, 1); }},
    {"TreeSelChanging", WC_TREEVIEWW, TVS_HASBUTTONS, WM_NOTIFY, TVN_SELCHANGING, FillTree,
     [](HWND h) { TapItem(h, 1); }},
    {"TreeSelChanged", WC_TREEVIEWW, TVS_HASBUTTONS, WM_NOTIFY, TVN_SELCHANGED, FillTree,
     [](HWND h) { TapItem(h, 1); }},
    {"TreeExpanding", WC_TREEVIEWW, TVS_HASBUTTONS, WM_NOTIFY, TVN_ITEMEXPANDING, FillTree,
     [](HWND h) { TapItem(h, 0, true); }},
    {"TreeKey", WC_TREEVIEWW, TVS_HASBUTTONS, WM_NOTIFY, TVN_KEYDOWN, FillTree,
     [](HWND h) { Send(h, WM_KEYDOWN, VK_DOWN); }},
    {"TreeDeleteItem", WC_TREEVIEWW, TVS_HASBUTTONS, WM_NOTIFY, TVN_DELETEITEM, FillTree,
     [](HWND h) { Send(h, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TreeView_GetRoot(h))); }},
    {"TreeFocus", WC_TREEVIEWW, TVS_HASBUTTONS, WM_NOTIFY, NM_SETFOCUS, FillTree, [](HWND h) { TapItem(h, 1); }},
    {"HeaderClick", WC_HEADERW, HDS_BUTTONS, WM_NOTIFY, HDN_ITEMCLICKW, FillHeader, [](HWND h) { Tap(h, 20, 5); }},
    {"ButtonClick", u"Button", BS_AUTOCHECKBOX, WM_COMMAND, BN_CLICKED, nullptr, [](HWND h) { Tap(h, 5, 5); }},
    {"ButtonFocus", u"Button", BS_PUSHBUTTON | BS_NOTIFY, WM_COMMAND, BN_SETFOCUS, nullptr,
     [](HWND h) { Tap(h, 5, 5); }},
    {"StaticClick", u"Static", SS_NOTIFY, WM_COMMAND, STN_CLICKED, nullptr, [](HWND h) { Tap(h, 5, 5); }},
    {"ScrollBarArrow", u"ScrollBar", SBS_VERT, WM_VSCROLL, 0, FillBar, [](HWND h) { Tap(h, 5, 3); }},
    {"ScrollBarKey", u"ScrollBar", SBS_VERT, WM_VSCROLL, 0, FillBar, [](HWND h) { Send(h, WM_KEYDOWN, VK_DOWN); }},
    {"FileListSelChange", ce::comctl::kFileListClass, 0, WM_COMMAND, LBN_SELCHANGE, FillFiles,
     [](HWND h) { Send(h, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(20, 5)); }},
    {"FileListDblClk", ce::comctl::kFileListClass, 0, WM_COMMAND, LBN_DBLCLK, FillFiles,
     [](HWND h) { Tap(h, 20, 5, true); }},
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
    if (c.fill) c.fill(h);
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
