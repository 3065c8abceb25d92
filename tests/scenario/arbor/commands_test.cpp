// The edit commands on keys, deletion with its questions, the accelerators,
// the About box and the placing of dialogs.
#include <gtest/gtest.h>

#include "arbor.h"
#include "editorrun.h"

namespace {

using namespace ce::test;

std::string Caption(HWND h) {
    WCHAR text[64] = {0};
    GetWindowText(h, text, 64);
    return Narrow(text);
}

// The text of a message box: its static control 0xFFFF.
std::string Message(HWND box) {
    WCHAR text[128] = {0};
    GetDlgItemText(box, 0xFFFF, text, 128);
    return Narrow(text);
}

TEST(NewKey, UnderAnExpandedKeyShowsAsLastChildWithoutButton) {
    BootedImage device;
    CreateKey(HKEY_LOCAL_MACHINE, u"Arbor\\First");
    EditorRun run;
    HTREEITEM arbor = run.Open({"HKEY_LOCAL_MACHINE", "Arbor"});
    run.TapButton(arbor);
    run.Select(arbor);
    run.Command(IDM_NEW_KEY);
    EXPECT_EQ(Caption(run.Top()), "New KEY");
    run.Screenshot("arbor-newkey.png");
    run.FillAndOk(u"Second");
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, u"Arbor\\Second"));
    EXPECT_EQ(run.Children(arbor), (std::vector<std::string>{"First", "Second"}));
    EXPECT_FALSE(run.HasButton(run.Find(arbor, "Second")));

    // Under a collapsed key without sub-keys: only the button appears, the
    // next expansion reads the key.
    HTREEITEM first = run.Find(arbor, "First");
    EXPECT_FALSE(run.HasButton(first));
    run.Select(first);
    run.Command(IDM_NEW_KEY);
    run.FillAndOk(u"Inner");
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, u"Arbor\\First\\Inner"));
    EXPECT_TRUE(run.HasButton(first));
    EXPECT_EQ(run.Child(first), nullptr);
    run.TapButton(first);
    EXPECT_EQ(run.Children(first), (std::vector<std::string>{"Inner"}));
}

TEST(NewKey, RefusesEmptyNamesAndBackslashesKeepingTheDialogOpen) {
    BootedImage device;
    CreateKey(HKEY_LOCAL_MACHINE, u"Arbor");
    EditorRun run;
    HTREEITEM arbor = run.Open({"HKEY_LOCAL_MACHINE", "Arbor"});
    run.Select(arbor);
    run.Command(IDM_NEW_KEY);
    HWND dlg = run.Top();
    for (const char16_t* name : {u"", u"a\\b"}) {
        run.FillAndOk(name);
        HWND box = run.Top();
        ASSERT_NE(box, dlg);
        EXPECT_EQ(Caption(box), "ERROR");
        EXPECT_EQ(Message(box), *name ? "Key name can not contain \\" : "Key name can not be empty");
        EXPECT_EQ(GetWindow(box, GW_OWNER), dlg);
        run.Key(VK_RETURN);
        EXPECT_EQ(run.Top(), dlg);
    }
    run.TapControl(dlg, IDCANCEL);
    EXPECT_EQ(run.Top(), run.main());
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, u"Arbor\\a"));
    HKEY k = CreateKey(HKEY_LOCAL_MACHINE, u"Arbor");
    DWORD subkeys = 9;
    RegQueryInfoKey(k, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                    nullptr);
    RegCloseKey(k);
    EXPECT_EQ(subkeys, 0u);
}

TEST(NewKey, ANameTooLongForTheRegistryIsRefusedWithItsReason) {
    BootedImage device;
    EditorRun run;
    HTREEITEM users = run.Find(run.Root(), "HKEY_USERS");
    run.Select(users);
    run.Command(IDM_NEW_KEY);
    HWND dlg = run.Top();
    // 256 to 259 characters fit the dialog's buffer, 300 do not: both are
    // refused, never cut short.
    for (size_t n : {256, 259, 300}) {
        run.FillAndOk(std::u16string(n, u'k'));
        ASSERT_NE(run.Top(), dlg) << n;
        EXPECT_EQ(Message(run.Top()), "Key name is too long (at most 255 characters)");
        run.Key(VK_RETURN);
        ASSERT_EQ(run.Top(), dlg);
    }
    run.FillAndOk(std::u16string(255, u'k'));
    EXPECT_EQ(run.Top(), run.main());
    EXPECT_TRUE(KeyExists(HKEY_USERS, std::u16string(255, u'k')));
}

TEST(NewKey, AnExistingNameInAnyCaseSelectsThatKeyAndAddsNoItem) {
    BootedImage device;
    SetValue(HKEY_LOCAL_MACHINE, u"Arbor\\First\\Inner", u"kept", REG_DWORD, {5, 0, 0, 0});
    CreateKey(HKEY_LOCAL_MACHINE, u"Arbor\\Second");
    EditorRun run;
    HTREEITEM arbor = run.Open({"HKEY_LOCAL_MACHINE", "Arbor"});
    // Under an open key.
    run.TapButton(arbor);
    run.Select(arbor);
    run.Command(IDM_NEW_KEY);
    run.FillAndOk(u"FIRST");
    EXPECT_EQ(run.Children(arbor), (std::vector<std::string>{"First", "Second"}));
    EXPECT_EQ(run.Selected(), run.Find(arbor, "First"));
    // Under a closed key: it opens to show the key.
    HTREEITEM first = run.Find(arbor, "First");
    run.Select(first);
    run.Command(IDM_NEW_KEY);
    run.FillAndOk(u"inner");
    EXPECT_TRUE(run.Expanded(first));
    EXPECT_EQ(run.Children(first), (std::vector<std::string>{"Inner"}));
    EXPECT_EQ(run.Selected(), run.Find(first, "Inner"));
    EXPECT_EQ(run.Cell(0, 0), "kept");
    // Made by another program after the parent was opened: one item.
    CreateKey(HKEY_LOCAL_MACHINE, u"Arbor\\Third");
    run.Select(arbor);
    run.Command(IDM_NEW_KEY);
    run.FillAndOk(u"Third");
    EXPECT_EQ(run.Children(arbor), (std::vector<std::string>{"First", "Second", "Third"}));
    EXPECT_EQ(run.Selected(), run.Find(arbor, "Third"));
}

TEST(NewKey, ASelectedKeyAnotherProgramDeletedLeavesTheTreeSilently) {
    BootedImage device;
    SetValue(HKEY_LOCAL_MACHINE, u"Arbor\\Shown", u"v", REG_DWORD, {1, 0, 0, 0});
    CreateKey(HKEY_LOCAL_MACHINE, u"Arbor\\Gone");
    EditorRun run;
    HTREEITEM shown = run.Open({"HKEY_LOCAL_MACHINE", "Arbor", "Shown"});
    HTREEITEM arbor = TreeView_GetParent(run.tree(), shown);
    run.Select(shown);
    ASSERT_EQ(run.Rows(), 1);
    ASSERT_EQ(RegDeleteKey(HKEY_LOCAL_MACHINE, u"Arbor\\Gone"), ERROR_SUCCESS);
    run.Select(run.Find(arbor, "Gone"));
    EXPECT_EQ(run.Top(), run.main());  // no message
    EXPECT_EQ(run.Rows(), 0);
    EXPECT_EQ(run.Children(arbor), (std::vector<std::string>{"Shown"}));
    EXPECT_EQ(run.Selected(), nullptr);
    // The tree goes on as before (a tap off the spot of the last one, which
    // would make a double tap).
    RECT r = run.ItemRect(shown);
    run.Tap(r.left + 20, (r.top + r.bottom) / 2);
    EXPECT_EQ(run.Selected(), shown);
    EXPECT_EQ(run.Rows(), 1);
}

TEST(Delete, AsksAboutTheKeyAfterATreeSelectionAndTheValueAfterARowIsPicked) {
    BootedImage device;
    SetValue(HKEY_LOCAL_MACHINE, u"Arbor\\Gone", u"v1", REG_DWORD, {1, 0, 0, 0});
    SetValue(HKEY_LOCAL_MACHINE, u"Arbor\\Gone", u"v2", REG_DWORD, {2, 0, 0, 0});
    EditorRun run;
    HTREEITEM gone = run.Open({"HKEY_LOCAL_MACHINE", "Arbor", "Gone"});
    run.Select(gone);

    // The key question; Cancel changes nothing.
    run.Command(IDM_DELETE);
    EXPECT_EQ(Caption(run.Top()), "Confirm");
    EXPECT_EQ(Message(run.Top()), "Are you sure you want to DELETE this KEY?");
    run.Screenshot("arbor-delete-key.png");
    run.TapText("Cancel");
    EXPECT_EQ(run.Top(), run.main());
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, u"Arbor\\Gone"));

    // A picked row: the value question; Cancel, then OK.
    run.TapRow(1);
    EXPECT_EQ(ListView_GetSelectionMark(run.list()), 1);
    run.Command(IDM_DELETE);
    EXPECT_EQ(Caption(run.Top()), "Confirm");
    EXPECT_EQ(Message(run.Top()), "Are you sure you want to DELETE this registry value?");
    run.Screenshot("arbor-delete-value.png");
    run.TapText("Cancel");
    EXPECT_EQ(run.Rows(), 2);
    run.Command(IDM_DELETE);
    run.TapText("OK");
    EXPECT_EQ(run.Rows(), 1);
    EXPECT_EQ(run.Cell(0, 0), "v1");
    EXPECT_EQ(GetValue(HKEY_LOCAL_MACHINE, u"Arbor\\Gone", u"v2").first, 0xFFFFFFFFu);

    // A new tree selection clears the mark: the key question again; OK.
    HTREEITEM arbor = run.Find(run.Find(run.Root(), "HKEY_LOCAL_MACHINE"), "Arbor");
    run.Select(arbor);
    run.Select(gone);
    run.Command(IDM_DELETE);
    EXPECT_EQ(Caption(run.Top()), "Confirm");
    run.TapText("OK");
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, u"Arbor\\Gone"));
    EXPECT_EQ(run.Find(arbor, "Gone"), nullptr);
}

TEST(Delete, ActsOnlyOnARowShownSelectedAndTheKeyAsksTheSameQuestion) {
    BootedImage device;
    SetValue(HKEY_LOCAL_MACHINE, u"Arbor\\Key", u"v", REG_DWORD, {1, 0, 0, 0});
    EditorRun run;
    run.Select(run.Open({"HKEY_LOCAL_MACHINE", "Arbor", "Key"}));
    // The Delete key on a picked row: the value question of Edit > Delete.
    run.TapRow(0);
    run.Key(VK_DELETE);
    EXPECT_EQ(Message(run.Top()), "Are you sure you want to DELETE this registry value?");
    run.TapText("Cancel");
    // A tap on the empty part of the list takes the selection away: Delete
    // then speaks of the key, whose row nobody sees selected.
    RECT r{};
    GetWindowRect(run.list(), &r);
    run.Tap((r.left + r.right) / 2, r.bottom - 20);
    ASSERT_EQ(ListView_GetNextItem(run.list(), -1, LVNI_SELECTED), -1);
    run.Key(VK_DELETE);
    EXPECT_EQ(Message(run.Top()), "Are you sure you want to DELETE this KEY?");
    run.TapText("Cancel");
    EXPECT_EQ(GetValue(HKEY_LOCAL_MACHINE, u"Arbor\\Key", u"v").first, static_cast<DWORD>(REG_DWORD));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, u"Arbor\\Key"));
}

TEST(Delete, NeverTouchesMyDeviceOrARoot) {
    BootedImage device;
    EditorRun run;
    for (HTREEITEM item = run.Root(); item; item = item == run.Root() ? run.Child(item) : run.Next(item)) {
        run.Select(item);
        run.Command(IDM_DELETE);
        EXPECT_EQ(run.Top(), run.main()) << run.Text(item);  // no question
    }
    EXPECT_EQ(run.Children(run.Root()).size(), 4u);
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, u"Drivers\\BuiltIn"));
}

TEST(Delete, RemovesTheItemOrRowOnlyWhenTheKeyOrValueIsGone) {
    BootedImage device;
    SetValue(HKEY_LOCAL_MACHINE, u"Arbor\\Elsewhere", u"v", REG_DWORD, {1, 0, 0, 0});
    EditorRun run;
    HTREEITEM key = run.Open({"HKEY_LOCAL_MACHINE", "Arbor", "Elsewhere"});
    run.Select(key);
    run.TapRow(0);
    // Another program deletes the value first: deleting fails, but the
    // value no longer exists, so its row goes.
    HKEY k = CreateKey(HKEY_LOCAL_MACHINE, u"Arbor\\Elsewhere");
    EXPECT_EQ(RegDeleteValue(k, u"v"), ERROR_SUCCESS);
    RegCloseKey(k);
    run.Command(IDM_DELETE);
    run.TapText("OK");
    EXPECT_EQ(run.Rows(), 0);
    // Likewise the key.
    EXPECT_EQ(RegDeleteKey(HKEY_LOCAL_MACHINE, u"Arbor\\Elsewhere"), ERROR_SUCCESS);
    run.Command(IDM_DELETE);
    run.TapText("OK");
    EXPECT_EQ(run.Find(run.Open({"HKEY_LOCAL_MACHINE", "Arbor"}), "Elsewhere"), nullptr);
}

// Taps the OK button in a window's caption (found by hit-testing the caption).
void TapCaptionOk(EditorRun& run, HWND h) {
    RECT r{};
    GetWindowRect(h, &r);
    const int y = r.top + 1 + 10;
    for (int x = r.right - 1; x > r.left; --x) {
        LRESULT hit = SendMessage(h, WM_NCHITTEST, 0, MAKELPARAM(x, y));
        if (hit != HTCLOSE && hit != HTCAPTION && hit != HTBORDER && hit != HTNOWHERE && hit != HTCLIENT) {
            run.Tap(x - 4, y);
            return;
        }
    }
    ADD_FAILURE() << "no OK button in the caption";
}

TEST(About, OpensWithAltSlashAndClosesByCaptionOkOrEscape) {
    BootedImage device;
    EditorRun run;
    // Twice each way: the accelerators keep working while the tree holds
    // the focus.
    run.Select(run.Root());
    for (int i = 0; i < 2; ++i) {
        run.AltKey(0xBF, u'/');
        HWND about = run.Top();
        ASSERT_NE(about, run.main());
        EXPECT_EQ(Caption(about), "About Arbor");
        EXPECT_TRUE(GetWindowLong(about, GWL_EXSTYLE) & WS_EX_CAPTIONOKBTN);
        EXPECT_TRUE(run.Shows("Arbor Version 1.0"));
        if (i == 0) {
            run.Screenshot("arbor-about.png");
            TapCaptionOk(run, about);
        } else {
            run.Key(VK_ESCAPE);
        }
        EXPECT_EQ(run.Top(), run.main());
    }
}

TEST(About, AltF4EndsTheProgram) {
    BootedImage device;
    EditorRun run;
    run.Select(run.Root());
    run.AltKey(VK_F4);
    ASSERT_TRUE(run.Ended(5000));
    EXPECT_EQ(run.ExitCode(), 0);
}

TEST(About, FileExitEndsTheProgram) {
    BootedImage device;
    EditorRun run;
    run.Command(IDM_FILE_EXIT);
    ASSERT_TRUE(run.Ended(5000));
    EXPECT_EQ(run.ExitCode(), 0);
}

TEST(CenterDialogs, CentresInTheParentsClientSizeAndClampsAtZero) {
    BootedImage device;
    {
        EditorRun run;
        run.Command(IDM_HELP_ABOUT);
        RECT d{}, c{};
        GetWindowRect(run.Top(), &d);
        GetClientRect(run.main(), &c);
        EXPECT_EQ(d.left, (c.right - (d.right - d.left)) / 2);
        EXPECT_EQ(d.top, (c.bottom - (d.bottom - d.top)) / 2);
    }
    // On a screen smaller than the dialog it stands at 0.
    EditorRun small(200, 120);
    small.Command(IDM_HELP_ABOUT);
    RECT d{};
    GetWindowRect(small.Top(), &d);
    ASSERT_GT(d.right - d.left, 200);
    EXPECT_EQ(d.left, 0);
    EXPECT_EQ(d.top, 0);
}

}  // namespace
