// The tree view: notifications and their contents, a parent that changes the
// tree from inside them, selection moves on deletion and collapse, touch,
// keys, scrolling, the drawn picture and the host's view.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "ce_gdi.h"
#include "ce_user.h"
#include "commctrl.h"
#include "controltest.h"
#include "jsontest.h"
#include "notifyrecorder.h"
#include "userdesktop.h"
#include "windowtest.h"

namespace {

using ce::test::Heard, ce::test::Log, ce::test::Only;

// Runs inside every notification; its result is the notification's.
std::function<LRESULT(const NMTREEVIEWW&)> g_hook;

// The notifications the host heard, in order.
std::vector<Heard> Notes() {
    return Only(WM_NOTIFY);
}

using ce::test::Pump;

DWORD g_time = 100000;
void TapAt(POINT p, DWORD gap = 10000) {
    g_time += gap;
    ce::user::InjectMouse(ce::user::Mouse::Down, p.x, p.y, g_time);
    ce::user::InjectMouse(ce::user::Mouse::Up, p.x, p.y, g_time + 1);
    Pump();
}

class Tree : public ::testing::Test {
protected:
    void SetUp() override {
        ce::test::InitWindowSystem();
        ce::test::RegisterHostClass(u"TreeHost", ce::test::RecordingProc, COLOR_WINDOW);
        host_ = ce::test::CreateHost(u"TreeHost");
        tree_ = ce::test::Child(
            host_, WC_TREEVIEW,
            WS_BORDER | WS_VSCROLL | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS, 10, 10, 260,
            200, 101, u"Tree View");
        Pump();
        Log().clear();
        g_hook = nullptr;
        ce::test::OnNotify() = [](const NMHDR* nm) -> LRESULT {
            return g_hook ? g_hook(*reinterpret_cast<const NMTREEVIEWW*>(nm)) : 0;
        };
    }
    void TearDown() override {
        g_hook = nullptr;
        DestroyWindow(host_);
        Pump();
        ce::test::ClearLog();
    }
    HTREEITEM Add(HTREEITEM parent, const char16_t* text, int children = 0, LPARAM param = 0,
                  HTREEITEM after = TVI_LAST) {
        TVINSERTSTRUCTW is{};
        is.hParent = parent;
        is.hInsertAfter = after;
        is.item.mask = TVIF_TEXT | TVIF_CHILDREN | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
        is.item.pszText = const_cast<LPWSTR>(text);
        is.item.cChildren = children;
        is.item.lParam = param;
        is.item.iImage = 1;
        is.item.iSelectedImage = 2;
        return TreeView_InsertItem(tree_, &is);
    }
    UINT State(HTREEITEM i) { return TreeView_GetItemState(tree_, i, 0xFFFF); }
    std::u16string Text(HTREEITEM i, int cch = 64) {
        WCHAR buf[64] = {};
        TVITEMW tv{};
        tv.mask = TVIF_TEXT;
        tv.hItem = i;
        tv.pszText = buf;
        tv.cchTextMax = cch;
        return TreeView_GetItem(tree_, &tv) ? std::u16string(buf) : u"<none>";
    }
    static std::vector<UINT> Codes() { return ce::test::NoteCodes(); }
    // Screen point of an item's label centre, and of its +/- box.
    POINT LabelPoint(HTREEITEM i) {
        RECT r{};
        EXPECT_TRUE(TreeView_GetItemRect(tree_, i, &r, TRUE));
        return ce::test::ToScreen(tree_, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }
    POINT ButtonPoint(HTREEITEM i) {
        RECT r{};
        EXPECT_TRUE(TreeView_GetItemRect(tree_, i, &r, TRUE));
        int cx = 0, cy = 0;
        if (HIMAGELIST l = TreeView_GetImageList(tree_, TVSIL_NORMAL)) ImageList_GetIconSize(l, &cx, &cy);
        return ce::test::ToScreen(tree_, r.left - (cx ? cx + 3 : 0) - 10, (r.top + r.bottom) / 2);
    }
    HWND host_ = nullptr;
    HWND tree_ = nullptr;
};

// ---- Expansion ------------------------------------------------------------------------------

TEST_F(Tree, ExpandingALazyItemLetsTheParentFillItKeepsTheActionExactAndMayBeVetoed) {
    HTREEITEM top = Add(TVI_ROOT, u"My Device", 1);
    HTREEITEM key = Add(top, u"HKEY_LOCAL_MACHINE", 1, 0x80000002);
    g_hook = [&](const NMTREEVIEWW& nm) -> LRESULT {
        if (nm.hdr.code == TVN_ITEMEXPANDING && nm.action == TVE_EXPAND && nm.itemNew.hItem == key) {
            Add(key, u"Drivers", 1);
            Add(key, u"Comm", 0);
        }
        return 0;
    };
    EXPECT_TRUE(TreeView_Expand(tree_, top, TVE_EXPAND | TVE_EXPANDPARTIAL));
    ASSERT_EQ(Notes().size(), 2u);
    EXPECT_EQ(Notes()[0].code, TVN_ITEMEXPANDING);
    EXPECT_EQ(Notes()[0].action,
              static_cast<UINT>(TVE_EXPAND | TVE_EXPANDPARTIAL));  // not mistaken for a plain expansion
    EXPECT_EQ(Notes()[1].code, TVN_ITEMEXPANDED);
    EXPECT_EQ(Notes()[1].action, static_cast<UINT>(TVE_EXPAND | TVE_EXPANDPARTIAL));
    EXPECT_EQ(Notes()[0].newItem, top);
    EXPECT_TRUE(State(top) & TVIS_EXPANDED);

    Log().clear();
    EXPECT_TRUE(TreeView_Expand(tree_, key, TVE_EXPAND));
    EXPECT_EQ(Codes(), (std::vector<UINT>{TVN_ITEMEXPANDING, TVN_ITEMEXPANDED}));
    EXPECT_EQ(Notes()[0].action, static_cast<UINT>(TVE_EXPAND));
    EXPECT_EQ(Notes()[0].newParam, 0x80000002);
    HTREEITEM first = TreeView_GetChild(tree_, key);
    EXPECT_EQ(Text(first), u"Drivers");
    EXPECT_EQ(Text(TreeView_GetNextSibling(tree_, first)), u"Comm");
    EXPECT_EQ(TreeView_GetNextVisible(tree_, key), first);
    EXPECT_EQ(TreeView_GetCount(tree_), 4u);

    // Nothing to expand: no notification, FALSE.
    Log().clear();
    HTREEITEM comm = TreeView_GetNextSibling(tree_, first);
    EXPECT_FALSE(TreeView_Expand(tree_, comm, TVE_EXPAND));
    EXPECT_TRUE(Notes().empty());

    // A non-zero reply vetoes the expansion.
    HTREEITEM a = Add(TVI_ROOT, u"a", 1);
    g_hook = [](const NMTREEVIEWW& nm) -> LRESULT { return nm.hdr.code == TVN_ITEMEXPANDING; };
    EXPECT_FALSE(TreeView_Expand(tree_, a, TVE_EXPAND));
    EXPECT_EQ(Codes(), (std::vector<UINT>{TVN_ITEMEXPANDING}));
    EXPECT_FALSE(State(a) & TVIS_EXPANDED);

    // A lazy item the parent finds empty (and clears) stays collapsed.
    Log().clear();
    g_hook = [&](const NMTREEVIEWW& nm) -> LRESULT {
        if (nm.hdr.code == TVN_ITEMEXPANDING) {
            TVITEMW tv{};
            tv.mask = TVIF_CHILDREN;
            tv.hItem = nm.itemNew.hItem;
            tv.cChildren = 0;
            TreeView_SetItem(tree_, &tv);
        }
        return 0;
    };
    EXPECT_FALSE(TreeView_Expand(tree_, a, TVE_EXPAND));
    EXPECT_EQ(Codes(), (std::vector<UINT>{TVN_ITEMEXPANDING}));
    EXPECT_FALSE(State(a) & TVIS_EXPANDED);
}

TEST_F(Tree, APartlyExpandedItemIsOpenAndATapOnItsBoxClosesIt) {
    HTREEITEM top = Add(TVI_ROOT, u"My Device", 1);
    Add(top, u"HKEY_USERS", 1);
    TreeView_Expand(tree_, top, TVE_EXPAND | TVE_EXPANDPARTIAL);
    EXPECT_EQ(State(top) & (TVIS_EXPANDED | TVIS_EXPANDPARTIAL), static_cast<UINT>(TVIS_EXPANDED | TVIS_EXPANDPARTIAL));
    Log().clear();
    TapAt(ButtonPoint(top));
    EXPECT_FALSE(State(top) & TVIS_EXPANDED);
    auto notes = Notes();
    auto expanding =
        std::find_if(notes.begin(), notes.end(), [](const Heard& n) { return n.code == TVN_ITEMEXPANDING; });
    ASSERT_NE(expanding, notes.end());
    EXPECT_EQ(expanding->action, static_cast<UINT>(TVE_COLLAPSE));
    TapAt(ButtonPoint(top));
    EXPECT_EQ(State(top) & (TVIS_EXPANDED | TVIS_EXPANDPARTIAL), static_cast<UINT>(TVIS_EXPANDED));
}

TEST_F(Tree, CollapseDeletingTheChildrenInsideTheNotificationIsSafe) {
    HTREEITEM a = Add(TVI_ROOT, u"a", 1, 7);
    HTREEITEM b = Add(TVI_ROOT, u"b");
    HTREEITEM kids[3] = {Add(a, u"x", 1), Add(a, u"y"), Add(a, u"z")};
    Add(kids[0], u"deep");
    TreeView_Expand(tree_, a, TVE_EXPAND);
    TreeView_Expand(tree_, kids[0], TVE_EXPAND);
    TreeView_SelectItem(tree_, TreeView_GetChild(tree_, kids[0]));  // the caret deep inside
    Log().clear();
    // The editor's way: on a collapse, delete every child (next fetched first).
    g_hook = [&](const NMTREEVIEWW& nm) -> LRESULT {
        if (nm.hdr.code == TVN_ITEMEXPANDED && nm.action == TVE_COLLAPSE) {
            HTREEITEM c = TreeView_GetChild(tree_, nm.itemNew.hItem);
            while (c) {
                HTREEITEM next = TreeView_GetNextSibling(tree_, c);
                TreeView_DeleteItem(tree_, c);
                c = next;
            }
        }
        return 0;
    };
    TapAt(ButtonPoint(a));                       // the user collapses a
    EXPECT_EQ(TreeView_GetSelection(tree_), a);  // the caret came up to a first
    EXPECT_EQ(TreeView_GetChild(tree_, a), nullptr);
    EXPECT_EQ(TreeView_GetCount(tree_), 2u);
    EXPECT_EQ(TreeView_GetNextVisible(tree_, a), b);
    // Order: expanding, the caret moving to a, expanded, then the four deletions.
    std::vector<UINT> want{TVN_ITEMEXPANDING, TVN_SELCHANGING, TVN_SELCHANGED, TVN_ITEMEXPANDED,
                           TVN_DELETEITEM,    TVN_DELETEITEM,  TVN_DELETEITEM, TVN_DELETEITEM};
    auto got = Codes();
    got.erase(std::remove_if(got.begin(), got.end(), [](UINT c) { return c == NM_CLICK || c == NM_SETFOCUS; }),
              got.end());
    EXPECT_EQ(got, want);
    // a keeps its button (cChildren 1): expanding again asks the parent again.
    TVITEMW tv{};
    tv.mask = TVIF_CHILDREN;
    tv.hItem = a;
    ASSERT_TRUE(TreeView_GetItem(tree_, &tv));
    EXPECT_EQ(tv.cChildren, 1);
    Log().clear();
    g_hook = nullptr;
    TapAt(ButtonPoint(a));
    EXPECT_EQ(Notes().front().code, TVN_ITEMEXPANDING);
    EXPECT_EQ(Notes().front().action, static_cast<UINT>(TVE_EXPAND));
}

// ---- Selection and deletion -------------------------------------------------------------------

TEST_F(Tree, SelectionNotifiesCanBeVetoedAndOpensCollapsedParents) {
    HTREEITEM a = Add(TVI_ROOT, u"a", 0, 1);
    HTREEITEM b = Add(TVI_ROOT, u"b", 0, 2);
    HTREEITEM c = Add(b, u"c", 0, 3);
    EXPECT_TRUE(TreeView_SelectItem(tree_, a));
    Log().clear();
    EXPECT_TRUE(TreeView_SelectItem(tree_, c));  // inside collapsed b
    EXPECT_TRUE(State(b) & TVIS_EXPANDED);
    EXPECT_TRUE(State(c) & TVIS_SELECTED);
    EXPECT_FALSE(State(a) & TVIS_SELECTED);
    ASSERT_EQ(Notes().back().code, TVN_SELCHANGED);
    EXPECT_EQ(Notes().back().action, static_cast<UINT>(TVC_UNKNOWN));
    EXPECT_EQ(Notes().back().oldItem, a);
    EXPECT_EQ(Notes().back().oldParam, 1);
    EXPECT_EQ(Notes().back().newItem, c);
    EXPECT_EQ(Notes().back().newParam, 3);

    g_hook = [](const NMTREEVIEWW& nm) -> LRESULT { return nm.hdr.code == TVN_SELCHANGING; };
    EXPECT_FALSE(TreeView_SelectItem(tree_, a));
    EXPECT_EQ(TreeView_GetSelection(tree_), c);
}

TEST_F(Tree, DeletingTheCaretMovesItToTheNextSiblingElseTheParent) {
    HTREEITEM p = Add(TVI_ROOT, u"p");
    HTREEITEM x = Add(p, u"x", 0, 10);
    HTREEITEM y = Add(p, u"y", 0, 11);
    TreeView_SelectItem(tree_, x);
    Log().clear();
    EXPECT_TRUE(TreeView_DeleteItem(tree_, x));
    EXPECT_EQ(Codes(), (std::vector<UINT>{TVN_DELETEITEM, TVN_SELCHANGING, TVN_SELCHANGED}));
    EXPECT_EQ(Notes()[0].oldItem, x);
    EXPECT_EQ(Notes()[0].oldParam, 10);
    EXPECT_EQ(Notes()[2].newItem, y);
    EXPECT_EQ(TreeView_GetSelection(tree_), y);
    EXPECT_TRUE(TreeView_DeleteItem(tree_, y));
    EXPECT_EQ(TreeView_GetSelection(tree_), p);
    // A deleted handle is refused everywhere.
    EXPECT_FALSE(TreeView_DeleteItem(tree_, y));
    EXPECT_EQ(Text(y), u"<none>");
    EXPECT_FALSE(TreeView_SelectItem(tree_, y));
    EXPECT_EQ(TreeView_GetNextSibling(tree_, y), nullptr);
    // Deleting everything from inside TVN_DELETEITEM does no harm.
    Add(p, u"q");
    g_hook = [&](const NMTREEVIEWW& nm) -> LRESULT {
        if (nm.hdr.code == TVN_DELETEITEM) TreeView_DeleteAllItems(tree_);
        return 0;
    };
    EXPECT_TRUE(TreeView_DeleteItem(tree_, TreeView_GetChild(tree_, p)));
    EXPECT_EQ(TreeView_GetCount(tree_), 0u);
    EXPECT_EQ(TreeView_GetSelection(tree_), nullptr);
}

TEST_F(Tree, GetItemCutsTheTextAndInsertPlacesItems) {
    HTREEITEM a = Add(TVI_ROOT, u"HKEY_CURRENT_USER");
    EXPECT_EQ(Text(a, 5), u"HKEY");
    EXPECT_EQ(Text(a, 1), u"");
    HTREEITEM first = Add(TVI_ROOT, u"first", 0, 0, TVI_FIRST);
    HTREEITEM mid = Add(TVI_ROOT, u"mid", 0, 0, first);
    EXPECT_EQ(TreeView_GetRoot(tree_), first);
    EXPECT_EQ(TreeView_GetNextSibling(tree_, first), mid);
    EXPECT_EQ(TreeView_GetNextSibling(tree_, mid), a);
    EXPECT_EQ(TreeView_GetPrevSibling(tree_, a), mid);
    EXPECT_EQ(TreeView_GetParent(tree_, a), nullptr);
    // An insert-after item of another parent is refused.
    EXPECT_EQ(Add(a, u"bad", 0, 0, mid), nullptr);
    TVINSERTSTRUCTW sorted{};
    sorted.hParent = TVI_ROOT;
    sorted.hInsertAfter = TVI_SORT;
    sorted.item.mask = TVIF_TEXT;
    sorted.item.pszText = const_cast<LPWSTR>(u"Gamma");
    TreeView_InsertItem(tree_, &sorted);  // goes between "first" and "HKEY..." only when sorted
    TVITEMW tv{};
    tv.mask = TVIF_STATE | TVIF_TEXT;
    tv.hItem = a;
    tv.stateMask = TVIS_BOLD;
    tv.state = TVIS_BOLD;
    tv.pszText = const_cast<LPWSTR>(u"renamed");
    EXPECT_TRUE(TreeView_SetItem(tree_, &tv));
    EXPECT_EQ(Text(a), u"renamed");
    EXPECT_TRUE(State(a) & TVIS_BOLD);
}

// ---- Touch, keys and scrolling ----------------------------------------------------------------------

TEST_F(Tree, TapsSelectToggleAndDoubleTapsToggle) {
    HTREEITEM a = Add(TVI_ROOT, u"alpha", 1);
    Add(a, u"child");
    HTREEITEM b = Add(TVI_ROOT, u"beta");
    TapAt(LabelPoint(b));
    EXPECT_EQ(GetFocus(), tree_);
    EXPECT_EQ(TreeView_GetSelection(tree_), b);
    ASSERT_FALSE(Notes().empty());
    EXPECT_EQ(Notes().back().code, TVN_SELCHANGED);
    EXPECT_EQ(Notes().back().action, static_cast<UINT>(TVC_BYMOUSE));

    TapAt(ButtonPoint(a));
    EXPECT_TRUE(State(a) & TVIS_EXPANDED);
    EXPECT_EQ(TreeView_GetSelection(tree_), b);  // the button does not select
    TapAt(ButtonPoint(a));
    EXPECT_FALSE(State(a) & TVIS_EXPANDED);

    POINT p = LabelPoint(a);
    TapAt(p);
    TapAt(p, 50);  // the second tap of a double tap
    EXPECT_TRUE(State(a) & TVIS_EXPANDED);
    EXPECT_EQ(TreeView_GetSelection(tree_), a);

    // Keys: down to the child, left to the parent, left collapses, end, home.
    ce::test::Key(VK_DOWN);
    Pump();
    EXPECT_EQ(Text(TreeView_GetSelection(tree_)), u"child");
    EXPECT_EQ(Notes().back().action, static_cast<UINT>(TVC_BYKEYBOARD));
    ce::test::Key(VK_LEFT);
    ce::test::Key(VK_LEFT);
    Pump();
    EXPECT_EQ(TreeView_GetSelection(tree_), a);
    EXPECT_FALSE(State(a) & TVIS_EXPANDED);
    ce::user::InjectKey(VK_END, true, 0);
    Pump();
    EXPECT_EQ(TreeView_GetSelection(tree_), b);
}

TEST_F(Tree, ScrollBarAppearsWhenItemsDoNotFitAndTouchScrollsIt) {
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_ALL;
    Add(TVI_ROOT, u"only");
    EXPECT_FALSE(GetScrollInfo(tree_, SB_VERT, &si));
    for (int i = 1; i < 40; ++i)
        Add(TVI_ROOT, (u"item " + std::u16string(1, static_cast<char16_t>(u'A' + i % 26))).c_str());
    HTREEITEM last = Add(TVI_ROOT, u"the last");
    Pump();
    ASSERT_TRUE(GetScrollInfo(tree_, SB_VERT, &si));
    EXPECT_EQ(si.nMax, 40);
    const int page = static_cast<int>(TreeView_GetVisibleCount(tree_));
    EXPECT_EQ(si.nPage, static_cast<UINT>(page));
    RECT r{};
    EXPECT_TRUE(TreeView_GetItemRect(tree_, last, &r, TRUE));
    RECT client;
    GetClientRect(tree_, &client);
    EXPECT_GE(r.top, client.bottom);  // not shown yet

    auto desktop = ce::user::MakeDesktop();
    EXPECT_FALSE(desktop->FindText("the last"));
    // Taps on the track below the thumb page down until the end shows.
    RECT wr;
    GetWindowRect(tree_, &wr);
    POINT track{wr.right - 1 - GetSystemMetrics(SM_CXVSCROLL) / 2 - 1, wr.bottom - 1 - 24};
    for (int i = 0; i < 5; ++i) TapAt(track);
    ASSERT_TRUE(GetScrollInfo(tree_, SB_VERT, &si));
    EXPECT_EQ(si.nPos, 41 - page);
    auto p = desktop->FindText("the last");
    ASSERT_TRUE(p);
    TapAt({p->x, p->y});
    EXPECT_EQ(TreeView_GetSelection(tree_), last);
    // Home scrolls back to the top to show the caret.
    ce::user::InjectKey(VK_HOME, true, 0);
    Pump();
    ASSERT_TRUE(GetScrollInfo(tree_, SB_VERT, &si));
    EXPECT_EQ(si.nPos, 0);
}

TEST_F(Tree, ASidewaysBarAppearsForWideRowsAndEnsureVisibleScrollsBothWays) {
    SCROLLINFO si{sizeof si, SIF_ALL, 0, 0, 0, 0, 0};
    HTREEITEM first = Add(TVI_ROOT, u"first", 1);
    Pump();
    EXPECT_FALSE(GetScrollInfo(tree_, SB_HORZ, &si));
    // Deep enough and long enough to be wider than the tree.
    HTREEITEM deep = first;
    for (int level = 0; level < 5; ++level) deep = Add(deep, u"nested", 1);
    HTREEITEM wide = Add(deep, u"a label long enough to run past the right edge of the tree view");
    HTREEITEM mid = Add(deep, u"a label of some length");
    TreeView_EnsureVisible(tree_, wide);  // opens the parents, so it answers FALSE
    Pump();
    ASSERT_TRUE(GetScrollInfo(tree_, SB_HORZ, &si));
    RECT client;
    GetClientRect(tree_, &client);
    EXPECT_GT(si.nMax + 1, client.right);
    EXPECT_EQ(si.nPage, static_cast<UINT>(client.right));  // no vertical bar: 8 rows fit
    // Wider than the view, its start in view: nothing to gain by scrolling.
    EXPECT_EQ(si.nPos, 0);
    // One that fits but ends past the edge: scrolled just enough to show its end.
    RECT label{};
    ASSERT_TRUE(TreeView_GetItemRect(tree_, mid, &label, TRUE));
    ASSERT_GT(label.right, client.right);
    TreeView_EnsureVisible(tree_, mid);
    ASSERT_TRUE(TreeView_GetItemRect(tree_, mid, &label, TRUE));
    EXPECT_EQ(label.right, client.right);
    ASSERT_TRUE(GetScrollInfo(tree_, SB_HORZ, &si));
    EXPECT_GT(si.nPos, 0);

    // The rows end above the bar; its arrows and WM_HSCROLL move the rows.
    EXPECT_EQ(TreeView_GetVisibleCount(tree_),
              (client.bottom - GetSystemMetrics(SM_CYHSCROLL)) / static_cast<int>(TreeView_GetItemHeight(tree_)));
    SendMessage(tree_, WM_HSCROLL, SB_LEFT, 0);
    RECT wr;
    GetWindowRect(tree_, &wr);
    const POINT rightArrow{wr.right - 2 - GetSystemMetrics(SM_CXHSCROLL) / 2,
                           wr.bottom - 2 - GetSystemMetrics(SM_CYHSCROLL) / 2};
    TapAt(rightArrow);
    TapAt(rightArrow);
    ASSERT_TRUE(GetScrollInfo(tree_, SB_HORZ, &si));
    EXPECT_EQ(si.nPos, 32);
    RECT firstLabel{};
    ASSERT_TRUE(TreeView_GetItemRect(tree_, first, &firstLabel, TRUE));
    EXPECT_LT(firstLabel.left, 0);
    // Selecting the first item brings its start back into view.
    ASSERT_TRUE(TreeView_SelectItem(tree_, first));
    ASSERT_TRUE(TreeView_GetItemRect(tree_, first, &firstLabel, TRUE));
    EXPECT_GE(firstLabel.left, 0);
    EXPECT_LT(firstLabel.left, 40);

    // Without sideways scrolling, no bar and no movement.
    SetWindowLong(tree_, GWL_STYLE, GetWindowLong(tree_, GWL_STYLE) | TVS_NOHSCROLL);
    SendMessage(tree_, WM_SIZE, 0, 0);
    EXPECT_FALSE(GetScrollInfo(tree_, SB_HORZ, &si));
}

TEST_F(Tree, HoldingTheStylusStillIsARightClickAndATapIsNot) {
    HTREEITEM a = Add(TVI_ROOT, u"alpha");
    HTREEITEM b = Add(TVI_ROOT, u"beta");
    Pump();
    Log().clear();
    // Each press long after the last: never a double tap.
    auto press = [](ce::user::Mouse kind, POINT p) {
        g_time += kind == ce::user::Mouse::Down ? 10000 : 1;
        ce::user::InjectMouse(kind, p.x, p.y, g_time);
    };
    auto rclicks = [] { return static_cast<int>(ce::test::NotesOf(NM_RCLICK).size()); };
    // A tap: no right click, even when its timer would have come.
    TapAt(LabelPoint(a));
    SendMessage(tree_, WM_TIMER, ce::comctl::Hold::kTimerId, 0);
    EXPECT_EQ(rclicks(), 0);
    // Moved away while held: no right click either.
    POINT pb = LabelPoint(b);
    press(ce::user::Mouse::Down, {pb.x, pb.y});
    press(ce::user::Mouse::Move, {pb.x + 20, pb.y});
    Pump();
    SendMessage(tree_, WM_TIMER, ce::comctl::Hold::kTimerId, 0);
    press(ce::user::Mouse::Up, {pb.x + 20, pb.y});
    Pump();
    EXPECT_EQ(rclicks(), 0);

    // Held still: the item is selected, then NM_RCLICK and WM_CONTEXTMENU at the stylus.
    press(ce::user::Mouse::Down, {pb.x, pb.y});
    ASSERT_TRUE(ce::test::PumpUntil([&] { return rclicks() > 0; }));
    EXPECT_EQ(TreeView_GetSelection(tree_), b);
    auto menus = Only(WM_CONTEXTMENU);
    ASSERT_EQ(menus.size(), 1u);
    EXPECT_EQ(menus[0].from, tree_);
    EXPECT_EQ(menus[0].pt.x, pb.x);
    EXPECT_EQ(menus[0].pt.y, pb.y);
    press(ce::user::Mouse::Up, {pb.x, pb.y});
    Pump();
    EXPECT_EQ(rclicks(), 1);
    // A parent that handles NM_RCLICK itself gets no WM_CONTEXTMENU.
    g_hook = [](const NMTREEVIEWW& nm) -> LRESULT { return nm.hdr.code == NM_RCLICK; };
    press(ce::user::Mouse::Down, {pb.x, pb.y});
    ASSERT_TRUE(ce::test::PumpUntil([&] { return rclicks() > 1; }));
    press(ce::user::Mouse::Up, {pb.x, pb.y});
    Pump();
    EXPECT_EQ(Only(WM_CONTEXTMENU).size(), 1u);
}

// ---- Picture and host view ------------------------------------------------------------------------

TEST_F(Tree, DrawsLinesButtonsImagesAndTheSelectionAndTheHostSeesIt) {
    // Image 1 for items, 2 when selected.
    HIMAGELIST l = ce::test::SolidImages({0x404040, 0xE0C020, 0xF0D040});
    TreeView_SetImageList(tree_, l, TVSIL_NORMAL);
    HTREEITEM top = Add(TVI_ROOT, u"My Device", 1);
    HTREEITEM roots[4];
    const char16_t* names[4] = {u"HKEY_CLASSES_ROOT", u"HKEY_CURRENT_USER", u"HKEY_LOCAL_MACHINE", u"HKEY_USERS"};
    for (int i = 0; i < 4; ++i) roots[i] = Add(top, names[i], 1);
    Add(roots[2], u"Drivers", 1);
    Add(roots[2], u"Comm", 0);
    TreeView_Expand(tree_, top, TVE_EXPAND);
    TreeView_Expand(tree_, roots[2], TVE_EXPAND);
    TreeView_SelectItem(tree_, roots[2]);
    SetFocus(host_);  // TVS_SHOWSELALWAYS: highlighted without the focus too
    UpdateWindow(tree_);
    Pump();

    RECT label{};
    ASSERT_TRUE(TreeView_GetItemRect(tree_, roots[2], &label, TRUE));
    POINT in = ce::test::ToScreen(tree_, label.right - 2, label.top + 2);
    EXPECT_EQ(ce::gdi::Screen::Pixel(in.x, in.y), GetSysColor(COLOR_HIGHLIGHT));
    // The selected item shows its selected image (index 2); others image 1.
    POINT icon = ce::test::ToScreen(tree_, label.left - 3 - 8, (label.top + label.bottom) / 2);
    EXPECT_EQ(ce::gdi::Screen::Pixel(icon.x, icon.y), RGB(0xF0, 0xD0, 0x40));
    RECT other{};
    ASSERT_TRUE(TreeView_GetItemRect(tree_, roots[0], &other, TRUE));
    POINT otherIcon = ce::test::ToScreen(tree_, other.left - 3 - 8, (other.top + other.bottom) / 2);
    EXPECT_EQ(ce::gdi::Screen::Pixel(otherIcon.x, otherIcon.y), RGB(0xE0, 0xC0, 0x20));
    // The button of an expanded item is a boxed minus: dark centre row, light
    // above and below the centre; a collapsed one has the vertical stroke.
    POINT minus = ButtonPoint(roots[2]);
    POINT plus = ButtonPoint(roots[0]);
    const COLORREF ink = GetSysColor(COLOR_WINDOWTEXT), paper = GetSysColor(COLOR_WINDOW);
    auto at = [](POINT p, int dx, int dy) { return ce::gdi::Screen::Pixel(p.x + dx, p.y + dy); };
    // Find the box centre near the estimated point: the ink pixel row.
    int found = 0;
    for (int dx = -4; dx <= 4 && !found; ++dx)
        if (at(minus, dx, 0) == ink && at(minus, dx, -2) == paper && at(plus, dx, -2) == ink) found = 1;
    EXPECT_TRUE(found) << "no +/- box near the buttons";

    auto desktop = ce::user::MakeDesktop();
    auto dump = desktop->DumpWindows();
    const auto* hklm = ce::test::FindWhere(dump, "text", "HKEY_LOCAL_MACHINE");
    ASSERT_TRUE(hklm) << dump;
    EXPECT_EQ((*hklm)["rect"].size(), 4u);
    EXPECT_EQ(ce::test::Missing(*hklm, {{"selected", true}, {"expanded", true}, {"children_flag", 1}, {"image", 1}}),
              "");
    EXPECT_EQ((*hklm)["children"][0]["text"], "Drivers");
    ASSERT_TRUE(ce::test::FindWhere(dump, "text", "HKEY_USERS"));
    EXPECT_TRUE((*ce::test::FindWhere(dump, "text", "HKEY_USERS"))["rect"].is_array());
    auto p = desktop->FindText("HKEY_USERS");
    ASSERT_TRUE(p);
    TapAt({p->x, p->y});
    EXPECT_EQ(TreeView_GetSelection(tree_), roots[3]);
    DestroyWindow(tree_);
    ImageList_Destroy(l);
}

}  // namespace
