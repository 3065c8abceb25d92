// The menus of press-and-hold, and sorting the list by a column.
#include <gtest/gtest.h>

#include "arbor.h"
#include "editorrun.h"

namespace {

using namespace ce::test;

// One run: the menus in one key, the sorting in another.
TEST(ValueList, HoldOnAKeyOrARowOffersWhatAppliesThereAndAHeaderTapSortsByItsColumn) {
    BootedImage device;
    SetValue(HKEY_LOCAL_MACHINE, u"AMenu\\Inner", u"v", REG_DWORD, {1, 0, 0, 0});
    SetValue(HKEY_LOCAL_MACHINE, u"ASort", u"b", REG_DWORD, {2, 0, 0, 0});
    SetValue(HKEY_LOCAL_MACHINE, u"ASort", u"A", REG_DWORD, {10, 0, 0, 0});
    SetValue(HKEY_LOCAL_MACHINE, u"ASort", u"c", REG_DWORD, {1, 0, 0, 0});
    CreateKey(HKEY_LOCAL_MACHINE, u"ASort\\Other");
    EditorRun run;
    HTREEITEM inner = run.Show({"HKEY_LOCAL_MACHINE", "AMenu", "Inner"});
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

    HTREEITEM key = run.Show({"HKEY_LOCAL_MACHINE", "ASort"});
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
