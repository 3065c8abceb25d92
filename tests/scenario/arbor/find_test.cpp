// Find and Find Next: what is matched, where the search starts and ends, how
// a hit is shown, and stopping a search.
#include <gtest/gtest.h>

#include "arbor.h"
#include "editorrun.h"

namespace {

using namespace ce::test;

// The texts of the selected item and its parents below "My Device".
std::string SelectedPath(EditorRun& run) {
    std::string path;
    for (HTREEITEM i = run.Selected(); i && i != run.Root(); i = TreeView_GetParent(run.tree(), i))
        path = run.Text(i) + (path.empty() ? "" : "\\" + path);
    return path;
}

// A program that has looked for nothing yet. Searches show no progress
// (they never look at the queue, so each ends before the next step) unless a
// test asks for it.
class Find : public ::testing::Test {
protected:
    void SetUp() override {
        g_szFindText[0] = 0;
        g_dwFindFlags = FIND_KEYS | FIND_VALUES | FIND_DATA;
        g_dwFindProgressDelay = INFINITE;
    }
    void TearDown() override { g_dwFindProgressDelay = 500; }
};

// Opens Find, fills it and taps Find Next.
void FindText(EditorRun& run, const std::u16string& text, DWORD flags) {
    run.CtrlKey('F');
    HWND dlg = run.Top();
    ASSERT_NE(dlg, run.main());
    SetDlgItemText(dlg, IDC_FIND_TEXT, text.c_str());
    const int checks[] = {IDC_FIND_KEYS, IDC_FIND_VALUES, IDC_FIND_DATA, IDC_FIND_WHOLE};
    const DWORD bits[] = {FIND_KEYS, FIND_VALUES, FIND_DATA, FIND_WHOLE};
    for (int i = 0; i < 4; ++i) CheckDlgButton(dlg, checks[i], (flags & bits[i]) ? BST_CHECKED : BST_UNCHECKED);
    run.TapControl(dlg, IDOK);
}

// Keys below HKLM\AFind, in the registry's (and the tree's) order:
//   AFind            values: Plain = "nothing"
//   AFind\Alpha      values: Zqx-name = 1, Text = "the ZQX inside", Word = "zqx"
//   AFind\Alpha\Deep values: Multi = "one", "zqxmulti"; Bytes = AB CD EF; Num = 4000000123
//   AFind\Zqxkey
void FillSearchTree() {
    SetValue(HKEY_LOCAL_MACHINE, u"AFind", u"Plain", REG_SZ, Utf16Bytes(std::u16string(u"nothing") + u'\0'));
    SetValue(HKEY_LOCAL_MACHINE, u"AFind\\Alpha", u"Zqx-name", REG_DWORD, {1, 0, 0, 0});
    SetValue(HKEY_LOCAL_MACHINE, u"AFind\\Alpha", u"Text", REG_SZ,
             Utf16Bytes(std::u16string(u"the ZQX inside") + u'\0'));
    SetValue(HKEY_LOCAL_MACHINE, u"AFind\\Alpha", u"Word", REG_SZ, Utf16Bytes(std::u16string(u"zqx") + u'\0'));
    SetValue(HKEY_LOCAL_MACHINE, u"AFind\\Alpha\\Deep", u"Multi", REG_MULTI_SZ,
             Utf16Bytes(std::u16string(u"one\0zqxmulti\0\0", 15)));
    SetValue(HKEY_LOCAL_MACHINE, u"AFind\\Alpha\\Deep", u"Bytes", REG_BINARY, {0xAB, 0xCD, 0xEF});
    SetValue(HKEY_LOCAL_MACHINE, u"AFind\\Alpha\\Deep", u"Num", REG_DWORD, {0x7B, 0x28, 0x6B, 0xEE});
    CreateKey(HKEY_LOCAL_MACHINE, u"AFind\\Zqxkey");
}

// Each search starts at HKLM\AFind and follows F3 to the end; every hit is
// "key path|row" (row empty for a key hit).
struct FindCase {
    const char16_t* text;
    DWORD flags;
    std::vector<std::string> hits;
};

TEST_F(Find, WalksKeysInTreeOrderShowsEveryHitUntilTheEndAndStartsAfterTheSelectedRow) {
    BootedImage device;
    FillSearchTree();
    const std::string alpha = "HKEY_LOCAL_MACHINE\\AFind\\Alpha", deep = alpha + "\\Deep";
    const FindCase cases[] = {
        // Everything, case-insensitive, substrings: key names, value names, data.
        {u"zqx",
         FIND_KEYS | FIND_VALUES | FIND_DATA,
         {alpha + "|Text", alpha + "|Word", alpha + "|Zqx-name", deep + "|Multi",
          "HKEY_LOCAL_MACHINE\\AFind\\Zqxkey|"}},
        // Whole strings only: the value data "zqx".
        {u"ZQX", FIND_KEYS | FIND_VALUES | FIND_DATA | FIND_WHOLE, {alpha + "|Word"}},
        {u"zqx", FIND_KEYS, {"HKEY_LOCAL_MACHINE\\AFind\\Zqxkey|"}},
        {u"zqx", FIND_VALUES, {alpha + "|Zqx-name"}},
        // Numbers in decimal, bytes as the list shows them.
        {u"4000000123", FIND_DATA | FIND_WHOLE, {deep + "|Num"}},
        {u"cd ef", FIND_DATA, {deep + "|Bytes"}},
        {u"no such text", FIND_KEYS | FIND_VALUES | FIND_DATA, {}},
    };
    EditorRun run;
    HTREEITEM afind = run.Open({"HKEY_LOCAL_MACHINE", "AFind"});
    for (const FindCase& c : cases) {
        SCOPED_TRACE(Narrow(c.text));
        // Collapsed between cases: every hit must open its parents.
        run.Select(afind);
        SendMessage(run.tree(), TVM_EXPAND, TVE_COLLAPSE | TVE_COLLAPSERESET, reinterpret_cast<LPARAM>(afind));
        FindText(run, c.text, c.flags);
        for (const std::string& hit : c.hits) {
            ASSERT_EQ(run.Top(), run.main()) << "no hit " << hit;
            EXPECT_EQ(SelectedPath(run) + "|" + run.SelectedRow(), hit);
            EXPECT_EQ(GetFocus(), hit.back() == '|' ? run.tree() : run.list());
            run.Key(VK_F3);
        }
        HWND box = run.Top();
        ASSERT_NE(box, run.main());
        EXPECT_EQ(MessageOf(box), "Finished searching the registry.");
        run.Key(VK_RETURN);
    }

    // A search starts after the selected row, and reads keys made after
    // their parent was shown.
    run.Show({"HKEY_LOCAL_MACHINE", "AFind", "Alpha"});
    run.TapRow(run.RowOf("Word"));
    FindText(run, u"zqx", FIND_VALUES | FIND_DATA);
    EXPECT_EQ(run.SelectedRow(), "Zqx-name");

    // Another program adds a key under the shown (expanded) AFind: the
    // search finds it, and the tree reads AFind again to show it.
    SetValue(HKEY_LOCAL_MACHINE, u"AFind\\Beta", u"Late", REG_SZ, Utf16Bytes(std::u16string(u"zqx") + u'\0'));
    run.Key(VK_F3);  // Deep's multi-string
    run.Key(VK_F3);
    EXPECT_EQ(SelectedPath(run), "HKEY_LOCAL_MACHINE\\AFind\\Beta");
    EXPECT_EQ(run.SelectedRow(), "Late");
    EXPECT_TRUE(run.Expanded(run.Find(run.Find(run.Find(run.Root(), "HKEY_LOCAL_MACHINE"), "AFind"), "Alpha")));
}

TEST_F(Find, FindNextFirstAsksWhatToFindAndEscapeStopsASearchAtOnce) {
    BootedImage device;
    FillSearchTree();
    // The progress shows from the first key on. The search then lets the
    // program look idle between its looks at the queue: the steps below wait
    // for what they expect.
    g_dwFindProgressDelay = 0;
    EditorRun run;
    // F3 with nothing to look for opens the dialog; an empty text, or
    // nothing to look at, cannot be looked for.
    run.Key(VK_F3);
    HWND dlg = run.Top();
    ASSERT_NE(dlg, run.main());
    EXPECT_EQ(GetFocus(), GetDlgItem(dlg, IDC_FIND_TEXT));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, IDOK)));
    SetDlgItemText(dlg, IDC_FIND_TEXT, u"no such text");
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, IDOK)));
    for (int id : {IDC_FIND_KEYS, IDC_FIND_VALUES, IDC_FIND_DATA}) run.TapControl(dlg, id);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, IDOK)));
    run.TapControl(dlg, IDC_FIND_DATA);
    run.TapControl(dlg, IDOK);
    const auto finished = [&] { return MessageOf(run.Top()) == "Finished searching the registry."; };
    EXPECT_TRUE(run.WaitFor(finished, std::chrono::seconds(60)));
    run.Key(VK_RETURN);

    // Escape typed right behind F3 reaches the search at its first look at
    // the queue: it stops there, with no message, the selection where it
    // was and the progress gone.
    HTREEITEM afind = run.Open({"HKEY_LOCAL_MACHINE", "AFind"});
    run.Select(afind);
    run.KeysAhead({VK_F3, VK_ESCAPE});
    EXPECT_TRUE(run.WaitFor([&] { return run.Top() == run.main(); }, std::chrono::seconds(60)));
    EXPECT_FALSE(finished());
    EXPECT_EQ(run.Selected(), afind);
}

}  // namespace
