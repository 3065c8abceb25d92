// Rename with F2: a key keeps its sub-keys and values, a value its data;
// names that cannot be used are refused and nothing changes.
#include <gtest/gtest.h>

#include "arbor.h"
#include "editorrun.h"

namespace {

using namespace ce::test;

// One run: keys and values renamed, then renames that another program
// overtakes while the dialog is open; each time the editor says what
// happened and shows the registry as it is.
TEST(Rename, KeysAndValuesTakeTheNewNameRefusedNamesChangeNothingAndAnotherProgramsChangesAreSaid) {
    // Each case works on a key of its own: ARename\K0, K1, K2.
    struct Case {
        bool value;  // rename the value "v" (else the key)
        void (*meanwhile)(const std::u16string& key);
        std::string message;
        bool rowStays, keyStays;
    } cases[] = {
        {true,
         [](const std::u16string& key) {
             SetValue(HKEY_LOCAL_MACHINE, key, u"NEW", REG_DWORD, {2, 0, 0, 0});
         },
         "A value named \"new\" already exists in this key", true, true},
        {true,
         [](const std::u16string& key) {
             HKEY k = CreateKey(HKEY_LOCAL_MACHINE, key);
             RegDeleteValue(k, u"v");
             RegCloseKey(k);
         },
         "The value has been deleted", false, true},
        {false, [](const std::u16string& key) { RegDeleteKey(HKEY_LOCAL_MACHINE, key.c_str()); },
         "The key has been deleted", false, false},
    };
    BootedImage device;
    for (char16_t i : {u'0', u'1', u'2'})
        SetValue(HKEY_LOCAL_MACHINE, u"ARename\\K" + std::u16string(1, i), u"v", REG_DWORD, {1, 0, 0, 0});
    SetValue(HKEY_LOCAL_MACHINE, u"Arbor\\Old\\Inner", u"deep", REG_DWORD, {9, 0, 0, 0});
    SetValue(HKEY_LOCAL_MACHINE, u"Arbor\\Old", u"v", REG_BINARY, {1, 2, 3});
    SetValue(HKEY_LOCAL_MACHINE, u"Arbor\\Old", u"w", REG_DWORD, {4, 0, 0, 0});
    CreateKey(HKEY_LOCAL_MACHINE, u"Arbor\\Other");
    EditorRun run;
    HTREEITEM old = run.Open({"HKEY_LOCAL_MACHINE", "Arbor", "Old"});
    run.Select(old);

    // A key: refused names first, the old name selected.
    run.Key(VK_F2);
    HWND dlg = run.Top();
    ASSERT_NE(dlg, run.main());
    EXPECT_EQ(TextOf(dlg), "Rename Key");
    run.Screenshot("arbor-rename.png");
    struct Refused {
        std::u16string name;
        std::string message;
    } keyRefusals[] = {
        {u"", "The name can not be empty"},
        {u"a\\b", "A key name can not contain \\"},
        {u"OTHER", "A key named \"OTHER\" already exists here"},
        {std::u16string(256, u'k'), "The name is too long (at most 255 characters)"},
    };
    for (const Refused& r : keyRefusals) {
        SetDlgItemText(dlg, IDC_RENAME_NAME, r.name.c_str());
        run.TapControl(dlg, IDOK);
        ASSERT_NE(run.Top(), dlg) << r.message;
        EXPECT_EQ(MessageOf(run.Top()), r.message);
        run.Key(VK_RETURN);
        ASSERT_EQ(run.Top(), dlg);
    }
    SetDlgItemText(dlg, IDC_RENAME_NAME, u"New");
    run.TapControl(dlg, IDOK);
    ASSERT_EQ(run.Top(), run.main());
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, u"Arbor\\Old"));
    EXPECT_EQ(GetValue(HKEY_LOCAL_MACHINE, u"Arbor\\New\\Inner", u"deep").second, (std::vector<BYTE>{9, 0, 0, 0}));
    EXPECT_EQ(run.Text(old), "New");
    EXPECT_EQ(run.Selected(), old);
    EXPECT_EQ(GetFocus(), run.tree());

    // A value, from the list.
    run.TapRow(run.RowOf("v"));
    run.Key(VK_F2);
    dlg = run.Top();
    EXPECT_EQ(TextOf(dlg), "Rename Value");
    SetDlgItemText(dlg, IDC_RENAME_NAME, u"W");
    run.TapControl(dlg, IDOK);
    EXPECT_EQ(MessageOf(run.Top()), "A value named \"W\" already exists in this key");
    run.Key(VK_RETURN);
    SetDlgItemText(dlg, IDC_RENAME_NAME, u"renamed");
    run.TapControl(dlg, IDOK);
    ASSERT_EQ(run.Top(), run.main());
    EXPECT_EQ(GetValue(HKEY_LOCAL_MACHINE, u"Arbor\\New", u"renamed").second, (std::vector<BYTE>{1, 2, 3}));
    EXPECT_EQ(GetValue(HKEY_LOCAL_MACHINE, u"Arbor\\New", u"v").first, 0xFFFFFFFFu);
    EXPECT_EQ(GetValue(HKEY_LOCAL_MACHINE, u"Arbor\\New", u"w").second, (std::vector<BYTE>{4, 0, 0, 0}));
    EXPECT_GE(run.RowOf("renamed"), 0);
    EXPECT_EQ(GetFocus(), run.list());
    // Its own name in other letters: taken, not refused as a name in use.
    run.Key(VK_F2);
    SetDlgItemText(run.Top(), IDC_RENAME_NAME, u"Renamed");
    run.TapControl(run.Top(), IDOK);
    ASSERT_EQ(run.Top(), run.main());
    EXPECT_GE(run.RowOf("Renamed"), 0);
    EXPECT_EQ(run.RowOf("renamed"), -1);
    EXPECT_EQ(GetValue(HKEY_LOCAL_MACHINE, u"Arbor\\New", u"renamed").second, (std::vector<BYTE>{1, 2, 3}));

    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.message);
        const std::string name = "K" + std::to_string(i);
        run.Show({"HKEY_LOCAL_MACHINE", "ARename", name});
        if (c.value) run.TapRow(run.RowOf("v"));
        run.Key(VK_F2);
        HWND dlg = run.Top();
        ASSERT_NE(dlg, run.main());
        c.meanwhile(u"ARename\\K" + std::u16string(1, static_cast<char16_t>(u'0' + i)));
        SetDlgItemText(dlg, IDC_RENAME_NAME, u"new");
        run.TapControl(dlg, IDOK);
        EXPECT_EQ(MessageOf(run.Top()), c.message);
        run.Key(VK_RETURN);
        if (run.Top() != run.main()) run.Key(VK_ESCAPE);  // a refused name leaves the dialog open
        ASSERT_EQ(run.Top(), run.main());
        EXPECT_EQ(run.RowOf("v") >= 0, c.rowStays);
        HTREEITEM parent = run.Open({"HKEY_LOCAL_MACHINE", "ARename"});
        EXPECT_EQ(run.Find(parent, name) != nullptr, c.keyStays);
        EXPECT_EQ(run.Find(parent, "new"), nullptr);
    }
}

}  // namespace
