// The keyboard between the panes: Tab, Enter on the tree, and the focus
// coming back to its pane after each dialog and question.
#include <gtest/gtest.h>

#include <functional>

#include "arbor.h"
#include "editorrun.h"

namespace {

using namespace ce::test;

TEST(Panes, TabMovesBetweenThemEveryDialogGivesTheFocusBackAndEnterOpensAKey) {
    BootedImage device;
    SetValue(HKEY_LOCAL_MACHINE, u"Arbor\\Key", u"v", REG_SZ, {'x', 0, 0, 0});
    CreateKey(HKEY_LOCAL_MACHINE, u"Arbor\\Key\\Inner");
    EditorRun run;
    HTREEITEM key = run.Open({"HKEY_LOCAL_MACHINE", "Arbor", "Key"});
    run.Select(key);
    ASSERT_EQ(GetFocus(), run.tree());
    run.Key(VK_TAB);
    EXPECT_EQ(GetFocus(), run.list());
    run.Key(VK_TAB);
    EXPECT_EQ(GetFocus(), run.tree());

    // From the tree: New KEY, the key question, About.
    struct Step {
        HWND pane;
        std::function<void()> open;
    } steps[] = {
        {run.tree(), [&] { run.Command(IDM_NEW_KEY); }},    {run.tree(), [&] { run.Key(VK_DELETE); }},
        {run.tree(), [&] { run.AltKey(0xBF, u'/'); }},      {run.list(), [&] { run.Key(VK_RETURN); }},
        {run.list(), [&] { run.Command(IDM_NEW_STRING); }}, {run.list(), [&] { run.Key(VK_DELETE); }},
    };
    for (size_t i = 0; i < std::size(steps); ++i) {
        if (steps[i].pane == run.list())
            run.TapRow(0, i % 2 ? 10 : -10);  // never a double tap
        else
            run.Select(key);
        ASSERT_EQ(GetFocus(), steps[i].pane) << i;
        steps[i].open();
        ASSERT_NE(run.Top(), run.main()) << i;
        run.Key(VK_ESCAPE);
        ASSERT_EQ(run.Top(), run.main()) << i;
        EXPECT_EQ(GetFocus(), steps[i].pane) << i;
    }

    // Enter on the tree opens and closes the selected key.
    run.Select(key);
    run.Key(VK_RETURN);
    EXPECT_TRUE(run.Expanded(key));
    EXPECT_EQ(run.Children(key), (std::vector<std::string>{"Inner"}));
    run.Key(VK_RETURN);
    EXPECT_FALSE(run.Expanded(key));
    EXPECT_EQ(run.Top(), run.main());
}

}  // namespace
