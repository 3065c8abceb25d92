// What the list view draws (texts kept inside their columns, the selection,
// the small images), its scroll bar worked by touch, and the host's view of
// a list (dump and tapping a cell by its text).
#include <memory>
#include <string>

#include "jsontest.h"
#include "lvtest.h"
#include "userdesktop.h"

using namespace lvtest;

namespace {

// Three 16 x 16 images: red, green, blue squares.
constexpr COLORREF kImageColors[] = {RGB(200, 0, 0), RGB(0, 160, 0), RGB(0, 0, 220)};
HIMAGELIST MakeImages() {
    return ce::test::SolidImages({0xC80000, 0x00A000, 0x0000DC});
}
RECT ItemRect(HWND l, int i, int code) {
    RECT r{code, 0, 0, 0};
    SendMessage(l, LVM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r));
    return r;
}
COLORREF At(HWND h, LONG x, LONG y) {
    POINT p = ce::test::ToScreen(h, x, y);
    return ce::gdi::Screen::Pixel(p.x, p.y);
}

TEST_F(ListTest, TextsStayInTheirColumnsAndTheSelectionIsLit) {
    HWND l = Make();
    HIMAGELIST il = MakeImages();
    EXPECT_EQ(SendMessage(l, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(il)), 0);
    Add(l, 0, u"Default", u"C:\\Windows\\A path much too long for its column", 0);
    Add(l, 1, u"MMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMM", nullptr, 1);  // nothing in column 1
    Add(l, 2, u"Selected", u"0x00000001 (1)", 2);
    Add(l, 3, u"No image", u"kept room", I_IMAGENONE);
    ListView_SetItemState(l, 2, LVIS_SELECTED, LVIS_SELECTED);
    UpdateWindow(l);
    UpdateWindow(reinterpret_cast<HWND>(SendMessage(l, LVM_GETHEADER, 0, 0)));

    const COLORREF window = GetSysColor(COLOR_WINDOW);
    // Row 1's long text ends at its column: all of column 1 stays empty.
    RECT row1 = ItemRect(l, 1, LVIR_BOUNDS);
    int dark = 0;
    for (LONG x = 120; x < 280; ++x)
        for (LONG y = row1.top; y < row1.bottom; ++y) EXPECT_EQ(At(l, x, y), window) << x << "," << y;
    for (LONG x = 60; x < 120; ++x)
        for (LONG y = row1.top; y < row1.bottom; ++y) dark += At(l, x, y) != window;
    EXPECT_GT(dark, 20);  // the text (and its "...") reaches the column's end

    // Row 0's long data text is cut before the list's right edge.
    RECT row0 = ItemRect(l, 0, LVIR_BOUNDS);
    for (LONG y = row0.top; y < row0.bottom; ++y) EXPECT_EQ(At(l, 278, y), window);

    // The selected row's label is lit (the list has no focus: LVS_SHOWSELALWAYS).
    EXPECT_NE(GetFocus(), l);
    RECT label = ItemRect(l, 2, LVIR_LABEL);
    EXPECT_EQ(At(l, label.left + 1, (label.top + label.bottom) / 2), GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(At(l, label.left + 1, (ItemRect(l, 0, LVIR_LABEL).top + ItemRect(l, 0, LVIR_LABEL).bottom) / 2), window);

    // Each row shows its image; none for I_IMAGENONE, whose label keeps its place.
    for (int i = 0; i < 3; ++i) {
        RECT icon = ItemRect(l, i, LVIR_ICON);
        EXPECT_EQ(At(l, icon.left + 8, (icon.top + icon.bottom) / 2), kImageColors[i]) << i;
    }
    RECT none = ItemRect(l, 3, LVIR_ICON);
    EXPECT_EQ(At(l, none.left + 8, (none.top + none.bottom) / 2), window);
    EXPECT_EQ(ItemRect(l, 3, LVIR_LABEL).left, label.left);
    DestroyWindow(l);  // and with it the image list
}

TEST_F(ListTest, TheScrollBarAppearsWhenNeededAndWorksByTouch) {
    HWND l = Make();
    auto header = reinterpret_cast<HWND>(SendMessage(l, LVM_GETHEADER, 0, 0));
    RECT client, hr;
    GetClientRect(l, &client);
    Add(l, 0, u"only");
    UpdateWindow(l);
    GetWindowRect(header, &hr);
    EXPECT_EQ(hr.right - hr.left, client.right);  // no bar yet

    for (int i = 1; i < 40; ++i) Add(l, i, u"row", u"data");
    UpdateWindow(l);
    GetWindowRect(header, &hr);
    const int bar = GetSystemMetrics(SM_CXVSCROLL);
    EXPECT_EQ(hr.right - hr.left, client.right - bar);
    int per = static_cast<int>(SendMessage(l, LVM_GETCOUNTPERPAGE, 0, 0));
    ASSERT_GT(per, 3);
    ASSERT_LT(per, 40);

    LONG x = client.right - bar / 2;
    TapNow(ce::test::ToScreen(l, x, client.bottom - bar / 2));  // the down arrow
    EXPECT_EQ(Top(l), 1);
    TapNow(ce::test::ToScreen(l, x, client.bottom - bar - 3));  // the track under the thumb
    EXPECT_EQ(Top(l), 1 + per);
    // Dragging the thumb from the top to the bottom shows the last rows.
    EXPECT_TRUE(ListView_EnsureVisible(l, 0, FALSE));
    EXPECT_EQ(Top(l), 0);
    UpdateWindow(l);
    POINT thumb = ce::test::ToScreen(l, x, bar + 3);
    POINT end = ce::test::ToScreen(l, x, client.bottom + 30);
    ce::test::MouseNow(ce::user::Mouse::Down, thumb.x, thumb.y);  // the list takes the stylus capture
    ce::test::MouseNow(ce::user::Mouse::Move, end.x, end.y);
    ce::test::MouseNow(ce::user::Mouse::Up, end.x, end.y);
    EXPECT_EQ(Top(l), 40 - per);
    EXPECT_EQ(ListView_GetSelectedCount(l), 0u);  // scrolling selects nothing
    TapNow(RowPoint(l, 38));

    // Programs scroll and bring rows into view too.
    EXPECT_TRUE(ListView_EnsureVisible(l, 0, FALSE));
    EXPECT_EQ(Top(l), 0);
    EXPECT_TRUE(ListView_EnsureVisible(l, 20, FALSE));
    EXPECT_EQ(Top(l), 21 - per);
    EXPECT_TRUE(ListView_EnsureVisible(l, 0, FALSE));
    EXPECT_TRUE(SendMessage(l, LVM_SCROLL, 0, 1));  // any part of a row is a whole row
    EXPECT_EQ(Top(l), 1);
    ListView_DeleteAllItems(l);
    EXPECT_EQ(Top(l), 0);
}

TEST_F(ListTest, WideColumnsScrollSidewaysWithTheHeader) {
    HWND l = Make(LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS, 100, 50, 300, 200, {200, 250});
    auto header = reinterpret_cast<HWND>(SendMessage(l, LVM_GETHEADER, 0, 0));
    for (int i = 0; i < 3; ++i) Add(l, i, u"row", u"data");
    UpdateWindow(l);
    SCROLLINFO si{sizeof si, SIF_ALL, 0, 0, 0, 0, 0};
    ASSERT_TRUE(GetScrollInfo(l, SB_HORZ, &si));
    RECT client;
    GetClientRect(l, &client);
    EXPECT_EQ(si.nMax, 449);
    EXPECT_EQ(si.nPage, static_cast<UINT>(client.right));
    EXPECT_EQ(si.nPos, 0);

    // The right arrow of the bar along the bottom, then the arrow key.
    const int cy = GetSystemMetrics(SM_CYHSCROLL);
    TapNow(ce::test::ToScreen(l, client.right - GetSystemMetrics(SM_CXHSCROLL) / 2, client.bottom - cy / 2));
    KeyNow(VK_RIGHT);
    ASSERT_TRUE(GetScrollInfo(l, SB_HORZ, &si));
    EXPECT_EQ(si.nPos, 32);
    RECT lr, hr;
    GetWindowRect(l, &lr);
    GetWindowRect(header, &hr);
    EXPECT_EQ(hr.left, lr.left + 1 - 32);  // inside the border, moved with the rows
    RECT item{};
    item.left = LVIR_BOUNDS;
    ASSERT_TRUE(SendMessage(l, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item)));
    EXPECT_EQ(item.left, -32);
    // A point now over the second column is its sub-item.
    LVHITTESTINFO hit{{200 - 32 + 5, item.top + 2}, 0, -1, 0};
    EXPECT_EQ(SendMessage(l, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)), 0);
    EXPECT_EQ(hit.iSubItem, 1);

    SendMessage(l, WM_HSCROLL, SB_RIGHT, 0);
    ASSERT_TRUE(GetScrollInfo(l, SB_HORZ, &si));
    EXPECT_EQ(si.nPos, 450 - client.right);
    EXPECT_TRUE(SendMessage(l, LVM_SCROLL, static_cast<WPARAM>(-1000), 0));
    ASSERT_TRUE(GetScrollInfo(l, SB_HORZ, &si));
    EXPECT_EQ(si.nPos, 0);
    SendMessage(l, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 60), 0);
    ASSERT_TRUE(GetScrollInfo(l, SB_HORZ, &si));
    EXPECT_EQ(si.nPos, 60);
    // Narrow columns again: the bar goes and the list is back at its left edge.
    ListView_SetColumnWidth(l, 1, 50);
    ASSERT_TRUE(GetScrollInfo(l, SB_HORZ, &si));
    EXPECT_EQ(si.nPos, 0);
    GetWindowRect(header, &hr);
    EXPECT_EQ(hr.left, lr.left + 1);
}

TEST_F(ListTest, TheHostSeesCellsAndTapsThemByText) {
    ce::user::RegisterControlInspectors();
    auto desktop = ce::user::MakeDesktop();
    HWND l = Make(LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS, 100, 50, 300, 120);
    for (int i = 0; i < 12; ++i) Add(l, i, i == 1 ? u"Data \"q\"" : u"Name", i == 1 ? u"Target" : u"x", i % 3);
    Pump();
    auto list = [&] { return *ce::test::FindWhere(desktop->DumpWindows(), "class", "SysListView32"); };
    auto dump = list();
    EXPECT_EQ(dump["columns"], ce::test::Json::parse(R"([{"text":"Name","width":120},{"text":"Data","width":160}])"));
    EXPECT_EQ(dump["rows"][1]["cells"], ce::test::Json({"Data \"q\"", "Target"})) << dump;
    EXPECT_EQ(ce::test::Missing(dump["rows"][1], {{"image", 1}, {"selected", false}}), "");
    EXPECT_EQ(dump["rows"][1]["rect"].size(), 4u);
    EXPECT_EQ(ce::test::Missing(dump["rows"][11], {{"image", 2}, {"selected", false}, {"rect", nullptr}}), "");
    EXPECT_EQ(dump["selection_mark"], -1);

    auto p = desktop->FindText("Target");
    ASSERT_TRUE(p);
    TapNow({p->x, p->y});
    EXPECT_TRUE(Selected(l, 1));
    EXPECT_EQ(list()["rows"][1]["selected"], true);
    EXPECT_EQ(list()["selection_mark"], 1);
    auto title = desktop->FindText("Data");
    ASSERT_TRUE(title);
    Log().clear();
    TapNow({title->x, title->y});
    EXPECT_EQ(NotesOf(LVN_COLUMNCLICK).size(), 1u);
}

}  // namespace
