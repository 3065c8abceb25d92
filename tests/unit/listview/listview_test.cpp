// The list view's messages: columns and the header, rows with the
// selection mark, texts cut to the caller's buffer, taps and keys selecting
// rows, and a parent that changes the list from inside its notifications.
#include <algorithm>

#include "lvtest.h"

using namespace lvtest;

namespace {

TEST_F(ListTest, ColumnsAndTheHeaderStayTogetherAndRowsKeepTheSelectionMark) {
    HWND l = Make();
    auto header = reinterpret_cast<HWND>(SendMessage(l, LVM_GETHEADER, 0, 0));
    ASSERT_TRUE(header);
    EXPECT_EQ(SendMessage(header, HDM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_EQ(SendMessage(l, LVM_GETCOLUMNWIDTH, 1, 0), 160);
    EXPECT_EQ(SendMessage(l, LVM_GETCOLUMNWIDTH, 5, 0), 0);
    EXPECT_TRUE(ListView_SetColumnWidth(l, 0, 90));
    RECT r{};
    ASSERT_TRUE(Header_GetItemRect(header, 1, &r));
    EXPECT_EQ(r.left, 90);
    EXPECT_EQ(r.right, 250);

    // A column put far past the end goes last; its title comes back cut to the buffer.
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH;
    col.pszText = const_cast<LPWSTR>(u"Comment");
    col.cx = 50;
    EXPECT_EQ(SendMessage(l, LVM_INSERTCOLUMNW, 40, reinterpret_cast<LPARAM>(&col)), 2);
    EXPECT_EQ(SendMessage(l, LVM_INSERTCOLUMNW, 0, 0), -1);
    WCHAR buf[5] = {u'x', u'x', u'x', u'x', u'x'};
    LVCOLUMNW get{};
    get.mask = LVCF_TEXT | LVCF_SUBITEM;
    get.pszText = buf;
    get.cchTextMax = 4;
    ASSERT_TRUE(SendMessage(l, LVM_GETCOLUMNW, 2, reinterpret_cast<LPARAM>(&get)));
    EXPECT_EQ(std::u16string(buf), u"Com");
    EXPECT_EQ(buf[4], u'x');
    EXPECT_EQ(get.iSubItem, 2);

    EXPECT_TRUE(SendMessage(l, LVM_DELETECOLUMN, 0, 0));
    EXPECT_FALSE(SendMessage(l, LVM_DELETECOLUMN, 7, 0));
    EXPECT_EQ(SendMessage(header, HDM_GETITEMCOUNT, 0, 0), 2);
    HDHITTESTINFO hit{{170, 5}, 0, -1};
    EXPECT_EQ(SendMessage(header, HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)), 1);  // "Comment" from 160
    EXPECT_EQ(hit.flags, static_cast<UINT>(HHT_ONHEADER));

    // The header's layout takes its height off the top of the rectangle.
    RECT rc{0, 0, 300, 200};
    WINDOWPOS wp{};
    HDLAYOUT layout{&rc, &wp};
    ASSERT_TRUE(Header_Layout(header, &layout));
    EXPECT_GT(wp.cy, 10);
    EXPECT_EQ(rc.top, wp.cy);
    EXPECT_EQ(wp.cx, 300);

    // Rows: insertion, deletion and the selection mark.
    l = Make();
    EXPECT_EQ(Add(l, 0, u"b"), 0);
    EXPECT_EQ(Add(l, 99, u"d"), 1);  // clamped to the count
    EXPECT_EQ(Add(l, 0, u"a"), 0);
    EXPECT_EQ(Add(l, 2, u"c"), 2);
    EXPECT_EQ(Add(l, -1, u"bad"), -1);
    EXPECT_EQ(Rows(l), 4);
    EXPECT_EQ(Text(l, 0) + Text(l, 1) + Text(l, 2) + Text(l, 3), u"abcd");
    EXPECT_EQ(NotesOf(LVN_INSERTITEM).size(), 4u);

    // The mark follows its row through insertions and deletions before it.
    EXPECT_EQ(ListView_SetSelectionMark(l, 2), -1);
    EXPECT_EQ(ListView_SetSelectionMark(l, 9), 2);  // out of range: unchanged
    Add(l, 0, u"first");
    EXPECT_EQ(Mark(l), 3);
    EXPECT_TRUE(ListView_DeleteItem(l, 0));
    EXPECT_EQ(Mark(l), 2);
    EXPECT_TRUE(ListView_DeleteItem(l, 3));  // after it: no change
    EXPECT_EQ(Mark(l), 2);
    EXPECT_FALSE(ListView_DeleteItem(l, 3));
    EXPECT_TRUE(ListView_DeleteItem(l, 2));  // the marked row itself
    EXPECT_EQ(Mark(l), -1);

    ListView_SetSelectionMark(l, 1);
    Log().clear();
    EXPECT_TRUE(ListView_DeleteAllItems(l));
    EXPECT_EQ(Rows(l), 0);
    EXPECT_EQ(Mark(l), -1);
    EXPECT_EQ(NotesOf(LVN_DELETEALLITEMS).size(), 1u);
    EXPECT_EQ(NotesOf(LVN_DELETEITEM).size(), 2u);  // the parent did not decline them
}

TEST_F(ListTest, TextsAreCutToTheBufferAndBadInputIsRefused) {
    HWND l = Make();
    Add(l, 0, u"HKEY_LOCAL_MACHINE", u"0x00000001 (1)", 3, 77);
    WCHAR buf[8];
    std::fill(std::begin(buf), std::end(buf), u'#');
    LVITEMW it{};
    it.iSubItem = 1;
    it.pszText = buf;
    it.cchTextMax = 5;
    EXPECT_EQ(SendMessage(l, LVM_GETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&it)), 4);
    EXPECT_EQ(std::u16string(buf), u"0x00");
    EXPECT_EQ(buf[5], u'#');  // nothing written past cchTextMax
    it.cchTextMax = 0;
    EXPECT_EQ(SendMessage(l, LVM_GETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&it)), 0);
    it.cchTextMax = 5;
    EXPECT_EQ(SendMessage(l, LVM_GETITEMTEXTW, 3, reinterpret_cast<LPARAM>(&it)), 0);  // no such row
    EXPECT_EQ(Text(l, 0, 7), u"");                                                     // a sub-item never set

    LVITEMW get{};
    get.mask = LVIF_IMAGE | LVIF_PARAM | LVIF_TEXT;
    get.pszText = buf;
    get.cchTextMax = 8;
    ASSERT_TRUE(ListView_GetItem(l, &get));
    EXPECT_EQ(get.iImage, 3);
    EXPECT_EQ(get.lParam, 77);
    EXPECT_EQ(std::u16string(buf), u"HKEY_LO");

    // A text to be asked for later is not read; a sub-item far out is refused.
    LVITEMW cb{};
    cb.mask = LVIF_TEXT;
    cb.iItem = 1;
    cb.pszText = LPSTR_TEXTCALLBACKW;
    EXPECT_EQ(SendMessage(l, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&cb)), 1);
    EXPECT_EQ(Text(l, 1), u"");
    LVITEMW far{};
    far.iSubItem = 100000;
    far.pszText = const_cast<LPWSTR>(u"x");
    EXPECT_FALSE(SendMessage(l, LVM_SETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&far)));
    EXPECT_EQ(SendMessage(l, LVM_INSERTITEMW, 0, 0), -1);
    EXPECT_FALSE(SendMessage(l, LVM_GETITEMRECT, 0, 0));
}

TEST_F(ListTest, TapsSelectOneRowSetTheMarkAndNotify) {
    HWND l = Make();
    for (auto* s : {u"zero", u"one", u"two"}) Add(l, Rows(l), s);
    TapNow(RowPoint(l, 2));
    EXPECT_TRUE(Selected(l, 2));
    EXPECT_EQ(ListView_GetItemState(l, 2, LVIS_FOCUSED), static_cast<UINT>(LVIS_FOCUSED));
    EXPECT_EQ(Mark(l), 2);
    EXPECT_EQ(GetFocus(), l);
    auto changed = NotesOf(LVN_ITEMCHANGED);
    ASSERT_FALSE(changed.empty());
    EXPECT_EQ(changed.back().item, 2);
    EXPECT_TRUE(changed.back().newState & LVIS_SELECTED);
    EXPECT_EQ(NotesOf(NM_CLICK).size(), 1u);

    TapNow(RowPoint(l, 0));
    EXPECT_TRUE(Selected(l, 0));
    EXPECT_FALSE(Selected(l, 2));
    EXPECT_EQ(ListView_GetSelectedCount(l), 1u);
    EXPECT_EQ(ListView_GetNextItem(l, -1, LVNI_SELECTED), 0);

    // Below the rows: nothing selected, the mark stays.
    RECT wr;
    GetWindowRect(l, &wr);
    TapNow({wr.left + 40, wr.bottom - 10});
    EXPECT_EQ(ListView_GetSelectedCount(l), 0u);
    EXPECT_EQ(Mark(l), 0);

    // Keys move the selection; a double tap activates.
    KeyNow(VK_DOWN);
    EXPECT_TRUE(Selected(l, 1));
    KeyNow(VK_END);
    EXPECT_TRUE(Selected(l, 2));
    EXPECT_EQ(Mark(l), 2);
    KeyNow(VK_HOME);
    EXPECT_TRUE(Selected(l, 0));
    Log().clear();
    POINT p = RowPoint(l, 1);
    ce::user::InjectMouse(ce::user::Mouse::Down, p.x, p.y);
    ce::user::InjectMouse(ce::user::Mouse::Up, p.x, p.y);
    ce::user::InjectMouse(ce::user::Mouse::Down, p.x, p.y);
    ce::test::MouseNow(ce::user::Mouse::Up, p.x, p.y);
    ASSERT_EQ(NotesOf(LVN_ITEMACTIVATE).size(), 1u);
    EXPECT_EQ(NotesOf(LVN_ITEMACTIVATE)[0].item, 1);
    EXPECT_EQ(NotesOf(NM_DBLCLK).size(), 1u);
}

TEST_F(ListTest, AParentMayRefuseAChangeAndTappingAColumnTitleIsHeard) {
    HWND l = Make();
    Add(l, 0, u"a");
    Add(l, 1, u"b");
    OnNotify() = [](const NMHDR* nm) -> LRESULT {
        auto* lv = reinterpret_cast<const NMLISTVIEW*>(nm);
        return nm->code == LVN_ITEMCHANGING && lv->iItem == 1 && (lv->uNewState & LVIS_SELECTED);
    };
    TapNow(RowPoint(l, 1));
    EXPECT_FALSE(Selected(l, 1));
    OnNotify() = nullptr;

    auto header = reinterpret_cast<HWND>(SendMessage(l, LVM_GETHEADER, 0, 0));
    RECT r;
    Header_GetItemRect(header, 1, &r);
    POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ClientToScreen(header, &p);
    Log().clear();
    TapNow(p);
    auto clicks = NotesOf(LVN_COLUMNCLICK);
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(clicks[0].item, -1);
    EXPECT_EQ(clicks[0].sub, 1);

    // Dragging the divider after "Name" widens the column; that is no click.
    POINT grab{120, 5};
    ClientToScreen(header, &grab);
    POINT to{grab.x + 30, grab.y};
    ce::test::MouseNow(ce::user::Mouse::Down, grab.x, grab.y);
    ce::test::MouseNow(ce::user::Mouse::Move, to.x, to.y);
    ce::test::MouseNow(ce::user::Mouse::Up, to.x, to.y);
    EXPECT_EQ(SendMessage(l, LVM_GETCOLUMNWIDTH, 0, 0), 150);
    EXPECT_EQ(NotesOf(LVN_COLUMNCLICK).size(), 1u);
}

HWND g_sorted = nullptr;
int CALLBACK ByParamDown(LPARAM a, LPARAM b, LPARAM) {
    return static_cast<int>(b - a);
}
int CALLBACK ByTextAtIndex(LPARAM a, LPARAM b, LPARAM sub) {
    WCHAR x[32] = {}, y[32] = {};
    ListView_GetItemText(g_sorted, static_cast<int>(a), static_cast<int>(sub), x, 32);
    ListView_GetItemText(g_sorted, static_cast<int>(b), static_cast<int>(sub), y, 32);
    return std::u16string_view(x).compare(y);
}
int CALLBACK Contradicts(LPARAM, LPARAM, LPARAM) {
    return -1;
}
int CALLBACK DeletesARow(LPARAM, LPARAM, LPARAM) {
    ListView_DeleteItem(g_sorted, 0);
    return 0;
}

TEST_F(ListTest, SortingMovesRowsWithTheirStatesAndSurvivesBadComparisons) {
    HWND l = Make();
    g_sorted = l;
    const char16_t* names[] = {u"c", u"a", u"d", u"b", u"a"};
    const char16_t* data[] = {u"3", u"5", u"1", u"4", u"2"};
    for (int i = 0; i < 5; ++i) Add(l, i, names[i], data[i], 0, i);
    ListView_SetItemState(l, 2, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetSelectionMark(l, 2);
    auto column = [&](int sub) {
        std::u16string s;
        for (int i = 0; i < Rows(l); ++i) s += Text(l, i, sub);
        return s;
    };

    EXPECT_TRUE(ListView_SortItems(l, ByParamDown, 0));
    EXPECT_EQ(column(0), u"abdac");
    EXPECT_TRUE(Selected(l, 2));  // "d" stayed in the middle
    EXPECT_TRUE(ListView_SortItemsEx(l, ByTextAtIndex, 0));
    EXPECT_EQ(column(0), u"aabcd");
    EXPECT_EQ(column(1),
              u"2543"
              u"1");  // equal names keep their order
    EXPECT_TRUE(Selected(l, 4));
    EXPECT_EQ(Mark(l), 4);
    EXPECT_TRUE(ListView_SortItemsEx(l, ByTextAtIndex, 1));
    EXPECT_EQ(column(1), u"12345");

    EXPECT_TRUE(ListView_SortItems(l, Contradicts, 0));
    std::u16string all = column(1);
    std::sort(all.begin(), all.end());
    EXPECT_EQ(all, u"12345");
    EXPECT_FALSE(ListView_SortItems(l, nullptr, 0));
    EXPECT_FALSE(ListView_SortItems(l, DeletesARow, 0));
    EXPECT_LT(Rows(l), 5);

    // A sort arrow set on the header stays when the column changes width.
    HWND header = ListView_GetHeader(l);
    HDITEMW hd{};
    hd.mask = HDI_FORMAT;
    ASSERT_TRUE(Header_GetItem(header, 1, &hd));
    hd.fmt |= HDF_SORTUP;
    ASSERT_TRUE(Header_SetItem(header, 1, &hd));
    ListView_SetColumnWidth(l, 1, 140);
    hd.fmt = 0;
    ASSERT_TRUE(Header_GetItem(header, 1, &hd));
    EXPECT_TRUE(hd.fmt & HDF_SORTUP);
}

TEST_F(ListTest, HoldingARowIsARightClickWithoutATap) {
    HWND l = Make();
    for (auto* s : {u"zero", u"one", u"two"}) Add(l, Rows(l), s);
    TapNow(RowPoint(l, 0));
    SendMessage(l, WM_TIMER, ce::comctl::Hold::kTimerId, 0);  // too late: the tap ended it
    EXPECT_TRUE(NotesOf(NM_RCLICK).empty());
    Log().clear();
    POINT p = RowPoint(l, 1);
    ce::user::InjectMouse(ce::user::Mouse::Down, p.x, p.y);
    ASSERT_TRUE(ce::test::PumpUntil([] { return !NotesOf(NM_RCLICK).empty(); }));
    EXPECT_EQ(NotesOf(NM_RCLICK)[0].item, 1);
    EXPECT_TRUE(Selected(l, 1));
    auto menus = Only(WM_CONTEXTMENU);
    ASSERT_EQ(menus.size(), 1u);
    EXPECT_EQ(menus[0].pt.x, p.x);
    EXPECT_EQ(menus[0].pt.y, p.y);
    ce::test::MouseNow(ce::user::Mouse::Up, p.x, p.y);
    EXPECT_TRUE(NotesOf(NM_CLICK).empty());  // the release is no tap
}

// The parent empties the list while hearing about a tap, or deletes a row
// while hearing of its deletion: the list must neither crash nor touch what
// is gone (run under ASan). Destroying it is tried for every notification
// with the other controls.
TEST_F(ListTest, ChangesFromInsideNotificationsAreSafe) {
    HWND l = Make();
    for (auto* s : {u"a", u"b", u"c", u"d"}) Add(l, Rows(l), s);
    ListView_SetSelectionMark(l, 3);
    OnNotify() = [l](const NMHDR* nm) -> LRESULT {
        if (nm->code == LVN_ITEMCHANGING) SendMessage(l, LVM_DELETEALLITEMS, 0, 0);
        return 0;
    };
    TapNow(RowPoint(l, 2));
    EXPECT_EQ(Rows(l), 0);
    EXPECT_EQ(Mark(l), -1);

    for (auto* s : {u"a", u"b", u"c"}) Add(l, Rows(l), s);
    bool once = true;
    OnNotify() = [l, &once](const NMHDR* nm) -> LRESULT {
        // Deleting row 0 while it is being deleted, and adding one meanwhile.
        if (nm->code == LVN_DELETEITEM && once) {
            once = false;
            SendMessage(l, LVM_DELETEITEM, 0, 0);
            Add(l, 0, u"new");
        }
        return 0;
    };
    EXPECT_TRUE(ListView_DeleteItem(l, 0));
    EXPECT_EQ(Rows(l), 3);
    EXPECT_EQ(Text(l, 0), u"new");
}

}  // namespace
