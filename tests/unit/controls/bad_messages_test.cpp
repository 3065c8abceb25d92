// Every message of the tree view, list view, header and command bar sent with
// null, zeroed and out-of-range arguments: each is refused or ignored, none
// crashes or writes where it should not.
#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "ce_comctl.h"
#include "ce_user.h"
#include "commctrl.h"
#include "commdlg.h"

namespace {

LRESULT CALLBACK ParentProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    return DefWindowProc(h, m, wp, lp);
}

class BadMessages : public testing::Test {
protected:
    void SetUp() override {
        ce::comctl::RegisterControls();
        WNDCLASS wc{};
        wc.lpfnWndProc = ParentProc;
        wc.lpszClassName = u"BadMessagesParent";
        RegisterClass(&wc);
        parent_ = CreateWindowEx(0, u"BadMessagesParent", u"", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300, nullptr, nullptr,
                                 nullptr, nullptr);
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

    HWND Child(LPCWSTR cls, DWORD style) {
        return CreateWindowEx(0, cls, u"", WS_CHILD | WS_VISIBLE | style, 0, 0, 200, 150, parent_,
                              reinterpret_cast<HMENU>(7), nullptr, nullptr);
    }

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

TEST_F(BadMessages, CommandBarCallsRefuseBadHandles) {
    EXPECT_EQ(CommandBar_Height(nullptr), 0);
    EXPECT_FALSE(CommandBar_InsertMenubar(nullptr, nullptr, 102, 0));
    EXPECT_FALSE(CommandBar_AddAdornments(parent_, 0, 0));  // not a command bar
    HWND bar = CommandBar_Create(nullptr, parent_, 1);
    ASSERT_TRUE(bar);
    EXPECT_FALSE(CommandBar_InsertMenubar(bar, nullptr, 9999, 0));  // no such menu
    EXPECT_EQ(CommandBar_GetMenu(bar, 0), nullptr);
    EXPECT_GT(CommandBar_Height(bar), 0);
}

TEST_F(BadMessages, MenuFileDialogAndImageListCallsRefuseNullArguments) {
    EXPECT_EQ(GetSubMenu(nullptr, 0), nullptr);
    EXPECT_EQ(GetMenuItemCount(nullptr), -1);
    EXPECT_FALSE(TrackPopupMenuEx(nullptr, 0, 0, 0, parent_, nullptr));
    EXPECT_FALSE(DestroyMenu(nullptr));
    MSG msg{};
    EXPECT_EQ(TranslateAccelerator(parent_, nullptr, &msg), 0);
    EXPECT_EQ(TranslateAccelerator(parent_, nullptr, nullptr), 0);
    EXPECT_FALSE(GetSaveFileName(nullptr));
    OPENFILENAME ofn{};  // no size, no buffer
    EXPECT_FALSE(GetSaveFileName(&ofn));
    EXPECT_EQ(ImageList_GetImageCount(nullptr), 0);
    EXPECT_EQ(ImageList_Add(nullptr, nullptr, nullptr), -1);
    EXPECT_FALSE(ImageList_Draw(nullptr, 0, nullptr, 0, 0, ILD_NORMAL));
    HIMAGELIST list = ImageList_Create(16, 16, ILC_MASK, 1, 0);
    ASSERT_TRUE(list);
    EXPECT_EQ(ImageList_Add(list, nullptr, nullptr), -1);
    HDC dc = GetDC(parent_);
    EXPECT_FALSE(ImageList_Draw(list, 5, dc, 0, 0, ILD_NORMAL));  // no image 5
    ReleaseDC(parent_, dc);
    EXPECT_TRUE(ImageList_Destroy(list));
    EXPECT_FALSE(ImageList_Destroy(list));  // a destroyed list is refused, not used
}

}  // namespace
