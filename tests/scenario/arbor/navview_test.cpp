// The status bar with the selected key's path, Copy Key Name, the menus of
// press-and-hold, and sorting the list by a column.
#include <gtest/gtest.h>

#include "arbor.h"
#include "editorrun.h"

namespace {

using namespace ce::test;

std::string StatusText(EditorRun& run) {
    WCHAR text[400] = {0};
    SendMessage(GetDlgItem(run.main(), IDC_STATUS), SB_GETTEXT, 0, reinterpret_cast<LPARAM>(text));
    return Narrow(text);
}

std::string Clipboard() {
    std::string text;
    if (!OpenClipboard(nullptr)) return "(not open)";
    if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) text = Narrow(static_cast<const WCHAR*>(GlobalLock(h)));
    CloseClipboard();
    return text;
}

TEST(StatusBar, ShowsTheSelectedKeyAndCopyKeyNamePutsItOnTheClipboard) {
    BootedImage device;
    EditorRun run;
    // The bar is under both panes.
    RECT bar{}, tree{}, list{};
    GetWindowRect(GetDlgItem(run.main(), IDC_STATUS), &bar);
    GetWindowRect(run.tree(), &tree);
    GetWindowRect(run.list(), &list);
    EXPECT_LE(tree.bottom, bar.top);
    EXPECT_LE(list.bottom, bar.top);
    EXPECT_EQ(StatusText(run), "");

    HTREEITEM builtin = run.Open({"HKEY_LOCAL_MACHINE", "Drivers", "BuiltIn"});
    run.Select(builtin);
    EXPECT_EQ(StatusText(run), "HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn");
    run.Screenshot("arbor-status-bar.png");
    run.Command(IDM_COPY_KEY_NAME);
    EXPECT_EQ(Clipboard(), "HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn");

    // A root names itself; "My Device" is no key: nothing to show or copy.
    run.Select(run.Find(run.Root(), "HKEY_USERS"));
    EXPECT_EQ(StatusText(run), "HKEY_USERS");
    run.Select(run.Root());
    EXPECT_EQ(StatusText(run), "");
    run.Command(IDM_COPY_KEY_NAME);
    EXPECT_EQ(Clipboard(), "HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn");
}

TEST(ContextMenu, HoldOnAKeyOrARowOffersWhatAppliesThereAndActsOnIt) {
    BootedImage device;
    SetValue(HKEY_LOCAL_MACHINE, u"AMenu\\Inner", u"v", REG_DWORD, {1, 0, 0, 0});
    EditorRun run;
    HTREEITEM inner = run.Open({"HKEY_LOCAL_MACHINE", "AMenu", "Inner"});
    run.Select(inner);
    run.TapRow(0);

    // Held on a key: the key's commands; Delete asks about the key even
    // though a value row was selected.
    RECT r = run.ItemRect(inner);
    run.Hold((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    ASSERT_TRUE(run.Shows("Copy Key Name"));
    EXPECT_TRUE(run.Shows("Export..."));
    EXPECT_FALSE(run.Shows("Modify..."));
    run.Screenshot("arbor-context-key.png");
    run.TapText("Delete");
    EXPECT_TRUE(run.Shows("Are you sure you want to DELETE this KEY?"));
    run.TapText("Cancel");

    // Held on a row: the value's commands, acting on that row.
    RECT row{};
    row.left = LVIR_LABEL;
    SendMessage(run.list(), LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row));
    POINT p{(row.left + row.right) / 2, (row.top + row.bottom) / 2};
    ClientToScreen(run.list(), &p);
    run.Hold(p.x, p.y);
    ASSERT_TRUE(run.Shows("Modify..."));
    EXPECT_FALSE(run.Shows("Export..."));
    run.Screenshot("arbor-context-value.png");
    run.TapText("Delete");
    EXPECT_TRUE(run.Shows("Are you sure you want to DELETE this registry value?"));
    run.TapText("OK");
    EXPECT_EQ(GetValue(HKEY_LOCAL_MACHINE, u"AMenu\\Inner", u"v").first, 0xFFFFFFFFu);
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, u"AMenu\\Inner"));
}

TEST(ValueList, AHeaderTapSortsByItsColumnAndASecondTapReverses) {
    BootedImage device;
    SetValue(HKEY_LOCAL_MACHINE, u"ASort", u"b", REG_DWORD, {2, 0, 0, 0});
    SetValue(HKEY_LOCAL_MACHINE, u"ASort", u"A", REG_DWORD, {10, 0, 0, 0});
    SetValue(HKEY_LOCAL_MACHINE, u"ASort", u"c", REG_DWORD, {1, 0, 0, 0});
    CreateKey(HKEY_LOCAL_MACHINE, u"ASort\\Other");
    EditorRun run;
    HTREEITEM key = run.Open({"HKEY_LOCAL_MACHINE", "ASort"});
    run.Select(key);
    const auto names = [&] {
        std::vector<std::string> out;
        for (int i = 0; i < run.Rows(); ++i) out.push_back(run.Cell(i, 0));
        return out;
    };
    using Names = std::vector<std::string>;
    const struct {
        const char* header;
        Names order;
    } taps[] = {
        {"Name", {"A", "b", "c"}},
        {"Name", {"c", "b", "A"}},
        {"Data", {"c", "b", "A"}},  // 1, 2, 10: numbers by their value
        {"Data", {"A", "b", "c"}},
    };
    for (const auto& tap : taps) {
        run.TapText(tap.header);
        EXPECT_EQ(names(), tap.order) << tap.header;
    }
    run.Screenshot("arbor-sorted.png");
    // The order stays for the next key shown.
    run.Select(run.Find(key, "Other"));
    run.Select(key);
    EXPECT_EQ(names(), (Names{"A", "b", "c"}));
}

}  // namespace
