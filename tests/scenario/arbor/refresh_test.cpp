// Refresh: the tree and the list follow what other programs changed, and keep
// what the user had open, selected and scrolled to.
#include <gtest/gtest.h>

#include "arbor.h"
#include "editorrun.h"

namespace {

using namespace ce::test;

std::u16string Name(const char16_t* prefix, int i) {
    std::u16string s = prefix;
    if (i < 10) s += u'0';
    for (char c : std::to_string(i)) s += static_cast<char16_t>(c);
    return s;
}

TEST(Refresh, FollowsAnotherWriterKeepsExpansionSelectionAndScrollAndDropsADeletedSelection) {
    BootedImage device;
    SetValue(HKEY_LOCAL_MACHINE, u"AGone", u"parent", REG_DWORD, {1, 0, 0, 0});
    SetValue(HKEY_LOCAL_MACHINE, u"AGone\\Gone\\Below", u"child", REG_DWORD, {1, 0, 0, 0});
    CreateKey(HKEY_LOCAL_MACHINE, u"ARefresh\\A\\A1");
    CreateKey(HKEY_LOCAL_MACHINE, u"ARefresh\\C");
    CreateKey(HKEY_LOCAL_MACHINE, u"ARefresh\\D\\Only");
    for (int i = 0; i < 40; ++i) SetValue(HKEY_LOCAL_MACHINE, u"ARefresh\\B", Name(u"v", i), REG_DWORD, {1, 0, 0, 0});
    EditorRun run;
    HTREEITEM top = run.Open({"HKEY_LOCAL_MACHINE", "ARefresh"});
    run.TapButton(top);
    HTREEITEM a = run.Find(top, "A");
    run.TapButton(a);
    HTREEITEM b = run.Find(top, "B");
    run.Select(b);
    ListView_EnsureVisible(run.list(), 30, FALSE);
    run.Idle();
    run.TapRow(30);
    const int listTop = ListView_GetTopIndex(run.list());
    ASSERT_GT(listTop, 0);
    const HTREEITEM firstShown = TreeView_GetFirstVisible(run.tree());

    // Another program: a key deleted, keys added above and below shown
    // items, a collapsed key loses its only sub-key, values come and go.
    EXPECT_EQ(RegDeleteKey(HKEY_LOCAL_MACHINE, u"ARefresh\\C"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKey(HKEY_LOCAL_MACHINE, u"ARefresh\\D\\Only"), ERROR_SUCCESS);
    CreateKey(HKEY_LOCAL_MACHINE, u"ARefresh\\Bnew\\Inner");
    CreateKey(HKEY_LOCAL_MACHINE, u"ARefresh\\A\\A0");
    SetValue(HKEY_LOCAL_MACHINE, u"ARefresh\\B", u"v40x", REG_DWORD, {2, 0, 0, 0});
    HKEY k = CreateKey(HKEY_LOCAL_MACHINE, u"ARefresh\\B");
    EXPECT_EQ(RegDeleteValue(k, u"v05"), ERROR_SUCCESS);
    RegCloseKey(k);

    run.Key(VK_F5);
    EXPECT_EQ(run.Children(top), (std::vector<std::string>{"A", "B", "Bnew", "D"}));
    EXPECT_TRUE(run.Expanded(a));
    EXPECT_EQ(run.Children(a), (std::vector<std::string>{"A0", "A1"}));
    EXPECT_TRUE(run.HasButton(run.Find(top, "Bnew")));
    EXPECT_FALSE(run.HasButton(run.Find(top, "D")));
    EXPECT_EQ(run.Selected(), b);
    EXPECT_EQ(TreeView_GetFirstVisible(run.tree()), firstShown);
    EXPECT_EQ(run.Rows(), 40);
    EXPECT_EQ(run.RowOf("v05"), -1);
    EXPECT_NE(run.RowOf("v40x"), -1);
    EXPECT_EQ(ListView_GetNextItem(run.list(), -1, LVNI_SELECTED), run.RowOf("v30"));
    EXPECT_EQ(ListView_GetTopIndex(run.list()), listTop);

    // The selected key another program deleted is dropped: its parent is
    // selected and shows its values.
    run.Show({"HKEY_LOCAL_MACHINE", "AGone", "Gone", "Below"});
    EXPECT_EQ(run.Cell(0, 0), "child");
    EXPECT_EQ(RegDeleteKey(HKEY_LOCAL_MACHINE, u"AGone\\Gone"), ERROR_SUCCESS);
    run.Key(VK_F5);
    HTREEITEM parent = run.Find(run.Find(run.Root(), "HKEY_LOCAL_MACHINE"), "AGone");
    EXPECT_TRUE(run.Children(parent).empty());
    EXPECT_EQ(run.Selected(), parent);
    ASSERT_EQ(run.Rows(), 1);
    EXPECT_EQ(run.Cell(0, 0), "parent");
}

}  // namespace
