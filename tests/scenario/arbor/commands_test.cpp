// The edit commands on keys, deletion with its questions, the accelerators,
// the About box and the placing of dialogs.
#include <gtest/gtest.h>

#include "arbor.h"
#include "editorrun.h"

namespace {

using namespace ce::test;

// One run: a key added under an open and under a closed key, names refused,
// names that exist already; then a key another program deleted, and the
// questions of Delete and what it removes.
TEST(EditCommands, NewKeyShowsTheKeyOrSelectsAnExistingOneAndDeleteAsksAboutTheKeyOrThePickedRow) {
    BootedImage device;
    CreateKey(HKEY_LOCAL_MACHINE, u"Arbor\\First");
    SetValue(HKEY_LOCAL_MACHINE, u"AExist\\First\\Inner", u"kept", REG_DWORD, {5, 0, 0, 0});
    CreateKey(HKEY_LOCAL_MACHINE, u"AExist\\Second");
    SetValue(HKEY_LOCAL_MACHINE, u"ASel\\Shown", u"v", REG_DWORD, {1, 0, 0, 0});
    CreateKey(HKEY_LOCAL_MACHINE, u"ASel\\Gone");
    SetValue(HKEY_LOCAL_MACHINE, u"ADel\\Gone", u"v1", REG_DWORD, {1, 0, 0, 0});
    SetValue(HKEY_LOCAL_MACHINE, u"ADel\\Gone", u"v2", REG_DWORD, {2, 0, 0, 0});
    SetValue(HKEY_LOCAL_MACHINE, u"ADel\\Key", u"v", REG_DWORD, {1, 0, 0, 0});
    SetValue(HKEY_LOCAL_MACHINE, u"ADel\\Elsewhere", u"v", REG_DWORD, {1, 0, 0, 0});
    EditorRun run;
    // Under an expanded key: the last child, without a button.
    HTREEITEM arbor = run.Open({"HKEY_LOCAL_MACHINE", "Arbor"});
    run.TapButton(arbor);
    run.Select(arbor);
    run.Command(IDM_NEW_KEY);
    EXPECT_EQ(TextOf(run.Top()), "New KEY");
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

    // Refused names keep the dialog open. 256 to 259 characters fit the
    // dialog's buffer, 300 do not: all are refused, never cut short.
    run.Select(run.Find(run.Root(), "HKEY_USERS"));
    run.Command(IDM_NEW_KEY);
    HWND dlg = run.Top();
    const std::string tooLong = "Key name is too long (at most 255 characters)";
    const std::pair<std::u16string, std::string> refused[] = {
        {u"", "Key name can not be empty"},   {u"a\\b", "Key name can not contain \\"},
        {std::u16string(256, u'k'), tooLong}, {std::u16string(259, u'k'), tooLong},
        {std::u16string(300, u'k'), tooLong},
    };
    for (const auto& [name, message] : refused) {
        SCOPED_TRACE(message);
        run.FillAndOk(name);
        HWND box = run.Top();
        ASSERT_NE(box, dlg);
        EXPECT_EQ(TextOf(box), "ERROR");
        EXPECT_EQ(MessageOf(box), message);
        EXPECT_EQ(GetWindow(box, GW_OWNER), dlg);
        run.Key(VK_RETURN);
        ASSERT_EQ(run.Top(), dlg);
    }
    EXPECT_FALSE(KeyExists(HKEY_USERS, u"a"));
    run.FillAndOk(std::u16string(255, u'k'));
    EXPECT_EQ(run.Top(), run.main());
    EXPECT_TRUE(KeyExists(HKEY_USERS, std::u16string(255, u'k')));
    // Cancel makes nothing.
    run.Select(arbor);
    run.Command(IDM_NEW_KEY);
    SetDlgItemText(run.Top(), IDC_KEYNAME, u"Cancelled");
    run.TapControl(run.Top(), IDCANCEL);
    EXPECT_EQ(run.Top(), run.main());
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, u"Arbor\\Cancelled"));

    // An existing name in any case selects that key and adds no item:
    // under an open key,
    HTREEITEM exist = run.Open({"HKEY_LOCAL_MACHINE", "AExist"});
    run.TapButton(exist);
    run.Select(exist);
    run.Command(IDM_NEW_KEY);
    run.FillAndOk(u"FIRST");
    EXPECT_EQ(run.Children(exist), (std::vector<std::string>{"First", "Second"}));
    EXPECT_EQ(run.Selected(), run.Find(exist, "First"));
    // under a closed key, which opens to show it,
    first = run.Find(exist, "First");
    run.Select(first);
    run.Command(IDM_NEW_KEY);
    run.FillAndOk(u"inner");
    EXPECT_TRUE(run.Expanded(first));
    EXPECT_EQ(run.Children(first), (std::vector<std::string>{"Inner"}));
    EXPECT_EQ(run.Selected(), run.Find(first, "Inner"));
    EXPECT_EQ(run.Cell(0, 0), "kept");
    // and made by another program after the parent was opened: one item.
    CreateKey(HKEY_LOCAL_MACHINE, u"AExist\\Third");
    run.Select(exist);
    run.Command(IDM_NEW_KEY);
    run.FillAndOk(u"Third");
    EXPECT_EQ(run.Children(exist), (std::vector<std::string>{"First", "Second", "Third"}));
    EXPECT_EQ(run.Selected(), run.Find(exist, "Third"));

    // A key another program deleted, selected: the tree drops it silently.
    HTREEITEM shown = run.Show({"HKEY_LOCAL_MACHINE", "ASel", "Shown"});
    HTREEITEM parent = TreeView_GetParent(run.tree(), shown);
    ASSERT_EQ(run.Rows(), 1);
    ASSERT_EQ(RegDeleteKey(HKEY_LOCAL_MACHINE, u"ASel\\Gone"), ERROR_SUCCESS);
    run.Select(run.Find(parent, "Gone"));
    EXPECT_EQ(run.Top(), run.main());  // no message
    EXPECT_EQ(run.Rows(), 0);
    EXPECT_EQ(run.Children(parent), (std::vector<std::string>{"Shown"}));
    EXPECT_EQ(run.Selected(), nullptr);
    // The tree goes on as before (a tap off the spot of the last one, which
    // would make a double tap).
    RECT r = run.ItemRect(shown);
    run.Tap(r.left + 20, (r.top + r.bottom) / 2);
    EXPECT_EQ(run.Selected(), shown);
    EXPECT_EQ(run.Rows(), 1);

    // The key question; Cancel changes nothing.
    HTREEITEM gone = run.Show({"HKEY_LOCAL_MACHINE", "ADel", "Gone"});
    parent = TreeView_GetParent(run.tree(), gone);
    run.Command(IDM_DELETE);
    EXPECT_EQ(TextOf(run.Top()), "Confirm");
    EXPECT_EQ(MessageOf(run.Top()), "Are you sure you want to DELETE this KEY?");
    run.Screenshot("arbor-delete-key.png");
    run.TapText("Cancel");
    EXPECT_EQ(run.Top(), run.main());
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, u"ADel\\Gone"));
    // A picked row: the value question; Cancel, then OK.
    run.TapRow(1);
    EXPECT_EQ(ListView_GetSelectionMark(run.list()), 1);
    run.Command(IDM_DELETE);
    EXPECT_EQ(TextOf(run.Top()), "Confirm");
    EXPECT_EQ(MessageOf(run.Top()), "Are you sure you want to DELETE this registry value?");
    run.Screenshot("arbor-delete-value.png");
    run.TapText("Cancel");
    EXPECT_EQ(run.Rows(), 2);
    run.Command(IDM_DELETE);
    run.TapText("OK");
    EXPECT_EQ(run.Rows(), 1);
    EXPECT_EQ(run.Cell(0, 0), "v1");
    EXPECT_EQ(GetValue(HKEY_LOCAL_MACHINE, u"ADel\\Gone", u"v2").first, 0xFFFFFFFFu);
    // A new tree selection clears the mark: the key question again; OK.
    run.Select(parent);
    run.Select(gone);
    run.Command(IDM_DELETE);
    EXPECT_EQ(TextOf(run.Top()), "Confirm");
    run.TapText("OK");
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, u"ADel\\Gone"));
    EXPECT_EQ(run.Find(parent, "Gone"), nullptr);

    // The Delete key on a picked row: the value question of Edit > Delete.
    run.Show({"HKEY_LOCAL_MACHINE", "ADel", "Key"});
    run.TapRow(0);
    run.Key(VK_DELETE);
    EXPECT_EQ(MessageOf(run.Top()), "Are you sure you want to DELETE this registry value?");
    run.TapText("Cancel");
    // A tap on the empty part of the list takes the selection away: Delete
    // then speaks of the key, whose row nobody sees selected.
    GetWindowRect(run.list(), &r);
    run.Tap((r.left + r.right) / 2, r.bottom - 20);
    ASSERT_EQ(ListView_GetNextItem(run.list(), -1, LVNI_SELECTED), -1);
    run.Key(VK_DELETE);
    EXPECT_EQ(MessageOf(run.Top()), "Are you sure you want to DELETE this KEY?");
    run.TapText("Cancel");
    EXPECT_EQ(GetValue(HKEY_LOCAL_MACHINE, u"ADel\\Key", u"v").first, static_cast<DWORD>(REG_DWORD));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, u"ADel\\Key"));

    // Another program deletes the value first: deleting fails, but the
    // value no longer exists, so its row goes. Likewise the key.
    run.Show({"HKEY_LOCAL_MACHINE", "ADel", "Elsewhere"});
    run.TapRow(0);
    HKEY k = CreateKey(HKEY_LOCAL_MACHINE, u"ADel\\Elsewhere");
    EXPECT_EQ(RegDeleteValue(k, u"v"), ERROR_SUCCESS);
    RegCloseKey(k);
    run.Command(IDM_DELETE);
    run.TapText("OK");
    EXPECT_EQ(run.Rows(), 0);
    EXPECT_EQ(RegDeleteKey(HKEY_LOCAL_MACHINE, u"ADel\\Elsewhere"), ERROR_SUCCESS);
    run.Command(IDM_DELETE);
    run.TapText("OK");
    EXPECT_EQ(run.Find(parent, "Elsewhere"), nullptr);
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

// About opens with Alt+/ (twice each way: the accelerators keep working
// while the tree holds the focus) and closes by its caption's OK or Escape;
// it is centred in the main window's client area, and stands at 0 on a
// screen smaller than itself. Alt+F4 ends the program.
TEST(About, OpensWithAltSlashCentredClosesByCaptionOkOrEscapeAndAltF4Ends) {
    BootedImage device;
    {
        EditorRun run;
        run.Select(run.Root());
        for (int i = 0; i < 2; ++i) {
            run.AltKey(0xBF, u'/');
            HWND about = run.Top();
            ASSERT_NE(about, run.main());
            EXPECT_EQ(TextOf(about), "About Arbor");
            EXPECT_TRUE(GetWindowLong(about, GWL_EXSTYLE) & WS_EX_CAPTIONOKBTN);
            EXPECT_TRUE(run.Shows("Arbor Version 1.0"));
            RECT d{}, c{};
            GetWindowRect(about, &d);
            GetClientRect(run.main(), &c);
            EXPECT_EQ(d.left, (c.right - (d.right - d.left)) / 2);
            EXPECT_EQ(d.top, (c.bottom - (d.bottom - d.top)) / 2);
            if (i == 0) {
                run.Screenshot("arbor-about.png");
                TapCaptionOk(run, about);
            } else {
                run.Key(VK_ESCAPE);
            }
            EXPECT_EQ(run.Top(), run.main());
        }
        run.AltKey(VK_F4);
        ASSERT_TRUE(run.Ended(5000));
        EXPECT_EQ(run.ExitCode(), 0);
    }
    EditorRun small(200, 120);
    small.Command(IDM_HELP_ABOUT);
    RECT d{};
    GetWindowRect(small.Top(), &d);
    ASSERT_GT(d.right - d.left, 200);
    EXPECT_EQ(d.left, 0);
    EXPECT_EQ(d.top, 0);
}

}  // namespace
