// Every message of the tree view, list view and header sent with null,
// zeroed and out-of-range arguments: each is refused or ignored, none
// crashes or writes where it should not. (The menu, command bar, image list
// and file dialog calls are given bad arguments in their own tests.)
#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "commctrl.h"
#include "controltest.h"
#include "windowtest.h"

namespace {

class BadMessages : public testing::Test {
protected:
    void SetUp() override {
        ce::test::InitWindowSystem();
        ce::test::RegisterHostClass(u"BadMessagesParent", DefWindowProc);
        parent_ = ce::test::CreateHost(u"BadMessagesParent");
        ASSERT_TRUE(parent_);
    }
    void TearDown() override { DestroyWindow(parent_); }

    // Sends messages first..last with each kind of argument. A zeroed block
    // stands for a structure whose pointers are null and counts are 0.
    void Hammer(HWND h, UINT first, UINT last) {
        const std::array<WPARAM, 4> wps{0, 1, static_cast<WPARAM>(-1), 0x7FFFFFFF};
        for (UINT m = first; m <= last && IsWindow(h); ++m) {
            // These call lParam as the comparison: a code address nothing can check.
            if (m == LVM_SORTITEMS || m == LVM_SORTITEMSEX) continue;
            for (WPARAM wp : wps) {
                alignas(16) unsigned char block[1024];
                std::memset(block, 0, sizeof block);
                SendMessage(h, m, wp, 0);
                if (!IsWindow(h)) return;
                SendMessage(h, m, wp, reinterpret_cast<LPARAM>(block));
                if (!IsWindow(h)) return;
                std::memset(block, 0xFF, 64);  // handles and indexes of -1
                SendMessage(h, m, wp, reinterpret_cast<LPARAM>(block + 64));
            }
        }
    }

    HWND Child(LPCWSTR cls, DWORD style) { return ce::test::Child(parent_, cls, style, 0, 0, 200, 150, 7); }

    HWND parent_ = nullptr;
};

TEST_F(BadMessages, TreeViewRefusesOrIgnoresThem) {
    HWND tree = Child(WC_TREEVIEW, TVS_HASBUTTONS | TVS_HASLINES | WS_VSCROLL);
    ASSERT_TRUE(tree);
    TVINSERTSTRUCT tvis{};
    tvis.hParent = TVI_ROOT;
    tvis.hInsertAfter = TVI_LAST;
    tvis.item.mask = TVIF_TEXT;
    tvis.item.pszText = const_cast<LPWSTR>(u"item");
    ASSERT_TRUE(TreeView_InsertItem(tree, &tvis));
    Hammer(tree, TV_FIRST, TV_FIRST + 0x7F);
    UpdateWindow(tree);
    EXPECT_TRUE(IsWindow(tree));
}

TEST_F(BadMessages, ListViewAndHeaderRefuseOrIgnoreThem) {
    HWND list = Child(WC_LISTVIEW, LVS_REPORT | WS_VSCROLL);
    ASSERT_TRUE(list);
    LVCOLUMN col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH;
    col.cx = 80;
    col.pszText = const_cast<LPWSTR>(u"Name");
    ASSERT_EQ(ListView_InsertColumn(list, 0, &col), 0);
    LVITEM item{};
    item.mask = LVIF_TEXT;
    item.pszText = const_cast<LPWSTR>(u"row");
    ASSERT_EQ(ListView_InsertItem(list, &item), 0);
    Hammer(list, LVM_FIRST, LVM_FIRST + 0xBF);
    UpdateWindow(list);
    EXPECT_TRUE(IsWindow(list));
    HWND header = Child(WC_HEADER, 0);
    ASSERT_TRUE(header);
    Hammer(header, HDM_FIRST, HDM_FIRST + 0x3F);
    UpdateWindow(header);
    EXPECT_TRUE(IsWindow(header));
}

}  // namespace
