// The registry dialog, opened from the panel and worked by touch: saving,
// backing up into a file chosen in the file dialog, and restoring one.
#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "../../../halvo/res/resource.h"
#include "commctrl.h"
#include "panelrun.h"
#include "regvalues.h"

// Every message box the program shows, recorded when it closes, in order with
// the device restarts. The link wraps the platform's MessageBox with this.
namespace {
std::mutex g_mu;
std::vector<std::u16string> g_events;  // "<text>" per closed box, "restart" per restart

void Record(std::u16string e) {
    std::lock_guard lock(g_mu);
    g_events.push_back(std::move(e));
}
std::vector<std::u16string> Events() {
    std::lock_guard lock(g_mu);
    return g_events;
}
void ClearEvents() {
    std::lock_guard lock(g_mu);
    g_events.clear();
}
}  // namespace

extern "C" int __real__Z10MessageBoxP6HWND__PKDsS2_j(HWND, LPCWSTR, LPCWSTR, UINT);
extern "C" int __wrap__Z10MessageBoxP6HWND__PKDsS2_j(HWND h, LPCWSTR text, LPCWSTR caption, UINT type) {
    // Every message of the dialog is captioned with the program's name.
    EXPECT_EQ(std::u16string(caption ? caption : u""), u"Halvo");
    int r = __real__Z10MessageBoxP6HWND__PKDsS2_j(h, text, caption, type);
    Record(text ? text : u"");
    return r;
}

namespace {

using ce::test::BootedImage;
using ce::test::PanelRun;
using ce::test::ReadTextFile;
using ce::test::WriteTextFile;
using Texts = std::vector<std::u16string>;

const char16_t kKey[] = u"Drivers\\BuiltIn\\ExtPartInit";
const char16_t kValue[] = u"brightless_value";
constexpr int kNameField = 1103;

std::optional<DWORD> ReadLevel() {
    return ce::test::RegDword(HKEY_LOCAL_MACHINE, kKey, kValue);
}
void WriteLevel(DWORD v) {
    ASSERT_TRUE(ce::test::SetRegDword(HKEY_LOCAL_MACHINE, kKey, kValue, v));
}

class RegistryDialog : public testing::Test {
protected:
    void SetUp() override {
        ClearEvents();
        ce::SetRestartHandler([] { Record(u"restart"); });
    }
    void TearDown() override { ce::SetRestartHandler(nullptr); }

    // Opens the registry dialog from the panel.
    HWND Open(PanelRun& run) {
        HWND dlg = run.OpenDialog(IDC_REGISTRYSAVE);
        EXPECT_NE(dlg, nullptr);
        return dlg;
    }
    // Works the open file dialog: each name is typed and confirmed with
    // Enter; a folder's name opens the folder.
    void Choose(PanelRun& run, HWND dlg, std::initializer_list<const char16_t*> names) {
        HWND files = run.Top();
        ASSERT_NE(files, dlg);
        EXPECT_EQ(ce::test::TextOf(files), "Save As");  // the save-style dialog both times
        for (const char16_t* name : names) {
            SetDlgItemText(files, kNameField, name);
            run.Key(VK_RETURN);
        }
    }
    // Closes the registry dialog with Escape (its close box).
    void Finish(PanelRun& run) {
        run.Key(VK_ESCAPE);
        EXPECT_EQ(run.Top(), run.panel());
    }
    // Closes the message box on top.
    void CloseMessage(PanelRun& run, HWND dlg) {
        ASSERT_NE(run.Top(), dlg);
        run.Key(VK_RETURN);
        EXPECT_EQ(run.Top(), dlg);
    }
};

TEST_F(RegistryDialog, SaveEndsWithTheBarAtZeroCancelChangesNothingAndBackupNeverReplacesAFile) {
    BootedImage device;
    PanelRun run;
    HWND dlg = Open(run);
    HWND bar = GetDlgItem(dlg, IDC_REGISTRY_PROGRESS);
    EXPECT_EQ(SendMessage(bar, PBM_GETRANGE, TRUE, 0), 0);
    EXPECT_EQ(SendMessage(bar, PBM_GETRANGE, FALSE, 0), 100);
    run.TapControl(dlg, IDC_REGISTRY_SAVE);
    // The message is up: the bar stands at its last step, the button waits.
    ASSERT_NE(run.Top(), dlg);
    EXPECT_EQ(SendMessage(bar, PBM_GETPOS, 0, 0), 99);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, IDC_REGISTRY_SAVE)));
    run.Screenshot("registry-save.png");
    CloseMessage(run, dlg);
    EXPECT_EQ(Events(), Texts{u"Registry save successful!"});
    EXPECT_EQ(SendMessage(bar, PBM_GETPOS, 0, 0), 0);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, IDC_REGISTRY_SAVE)));
    ClearEvents();

    // Cancel in the file dialog changes nothing, and a backup never
    // replaces a file.
    auto card = device.dir() / "fs" / "StorageCard";
    for (int button : {IDC_REGISTRY_BACKUP, IDC_REGISTRY_RESTORE}) {
        run.TapControl(dlg, button);
        ASSERT_NE(run.Top(), dlg);
        run.Key(VK_ESCAPE);
        EXPECT_EQ(run.Top(), dlg);
    }
    EXPECT_TRUE(Events().empty());
    EXPECT_TRUE(std::filesystem::is_empty(card));

    WriteTextFile(card / "old.bak", "keep");
    run.TapControl(dlg, IDC_REGISTRY_BACKUP);
    Choose(run, dlg, {u"StorageCard", u"new.bak"});
    CloseMessage(run, dlg);
    run.TapControl(dlg, IDC_REGISTRY_BACKUP);
    Choose(run, dlg, {u"StorageCard", u"old.bak"});
    CloseMessage(run, dlg);
    EXPECT_EQ(Events(), (Texts{u"Registry backup successful!", u"Registry backup failed!"}));
    EXPECT_GT(std::filesystem::file_size(card / "new.bak"), 0u);
    EXPECT_EQ(ReadTextFile(card / "old.bak"), "keep");
    Finish(run);
}

// One device: a refused restore, then a backup restored; each is followed
// by the next start of the device.
TEST_F(RegistryDialog, AFileThatIsNoRegistrySaveIsRefusedAndARestoreRestartsOnlyAfterTheMessage) {
    BootedImage device;
    auto card = device.dir() / "fs" / "StorageCard";
    WriteTextFile(card / "bad.bak", "not a registry");
    WriteLevel(9);
    {
        PanelRun run;
        HWND dlg = Open(run);
        run.TapControl(dlg, IDC_REGISTRY_RESTORE);
        Choose(run, dlg, {u"StorageCard", u"bad.bak"});
        // The move back ran before the message: it cannot replace the chosen
        // file, so the working copy stays beside it.
        EXPECT_EQ(ReadTextFile(card / "regbackup.bak1"), "not a registry");
        CloseMessage(run, dlg);
        Finish(run);
    }
    EXPECT_EQ(Events(), Texts{u"Registry replace failed!\nMoveFile"});
    EXPECT_EQ(ReadTextFile(card / "bad.bak"), "not a registry");
    EXPECT_TRUE(device.Log({{"request", "reboot"}}).empty());
    device.Reboot();
    EXPECT_EQ(ReadLevel(), 9u);

    ClearEvents();
    WriteLevel(21);
    {
        PanelRun run;
        HWND dlg = Open(run);
        run.TapControl(dlg, IDC_REGISTRY_BACKUP);
        Choose(run, dlg, {u"StorageCard", u"before.bak"});
        CloseMessage(run, dlg);
        WriteLevel(7);
        run.TapControl(dlg, IDC_REGISTRY_RESTORE);
        Choose(run, dlg, {u"StorageCard", u"before.bak"});
        ASSERT_NE(run.Top(), dlg);
        EXPECT_EQ(Events().size(), 1u);  // no restart while the message is up
        run.Key(VK_RETURN);
        Finish(run);
    }
    EXPECT_EQ(Events(), (Texts{u"Registry backup successful!", u"Registry replace successful!\nReboot the system now!",
                               u"restart"}));
    EXPECT_EQ(device.Log({{"request", "reboot"}}).size(), 1u);
    EXPECT_EQ(ReadLevel(), 7u);  // until the device starts again
    device.Reboot();
    EXPECT_EQ(ReadLevel(), 21u);
}

TEST_F(RegistryDialog, WithoutACardOrTheSaveEntryBothFail) {
    BootedImage device("storage_card = absent\ncoredll.RegSaveKey = absent\n");
    ASSERT_EQ(RegSaveKey(HKEY_LOCAL_MACHINE, u"\\Temp\\good.bak", nullptr), ERROR_SUCCESS);
    PanelRun run;
    HWND dlg = Open(run);
    run.TapControl(dlg, IDC_REGISTRY_BACKUP);
    Choose(run, dlg, {u"Temp", u"x.bak"});
    CloseMessage(run, dlg);
    run.TapControl(dlg, IDC_REGISTRY_RESTORE);
    Choose(run, dlg, {u"Temp", u"good.bak"});
    CloseMessage(run, dlg);
    EXPECT_EQ(Events(), (Texts{u"Registry backup failed!", u"Registry replace failed!\nCopyFile"}));
    EXPECT_FALSE(std::filesystem::exists(device.dir() / "fs" / "Temp" / "x.bak"));
    EXPECT_TRUE(device.Log({{"request", "reboot"}}).empty());
    Finish(run);
}

}  // namespace
