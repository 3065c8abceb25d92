// Settings dialogs of the control panel, opened from the panel and worked by
// touch; their effect is read back from the device log and the registry.
#include <gtest/gtest.h>

#include "../../../halvo/res/resource.h"
#include "commctrl.h"
#include "panelrun.h"
#include "regvalues.h"

namespace {

using ce::test::BootedImage;
using ce::test::PanelRun;

const char16_t* const kKey = u"Drivers\\BuiltIn\\ExtPartInit";

std::optional<DWORD> ReadDword(const char16_t* name) {
    return ce::test::RegDword(HKEY_LOCAL_MACHINE, kKey, name);
}
void WriteDword(const char16_t* name, DWORD v) {
    ASSERT_TRUE(ce::test::SetRegDword(HKEY_LOCAL_MACHINE, kKey, name, v));
}

bool Checked(HWND dlg, int id) {
    return SendMessage(GetDlgItem(dlg, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// The dialog reads the stored angle each time it opens.
TEST(ScreenRotate, TurnsTheScreenStoresTheAngleAndRecentresThePanelOnlyOnAChange) {
    BootedImage device;
    WriteDword(u"RotateAngle", 180);
    PanelRun run;
    // OK without a change touches nothing, Cancel keeps everything.
    HWND dlg = run.OpenDialog(IDC_SCREENROTATE);
    ASSERT_NE(dlg, nullptr);
    EXPECT_TRUE(Checked(dlg, IDC_ROTATE_180));
    run.TapControl(dlg, IDOK);
    dlg = run.OpenDialog(IDC_SCREENROTATE);
    run.TapControl(dlg, IDC_ROTATE_90);
    run.TapControl(dlg, IDCANCEL);
    EXPECT_TRUE(device.Log({{"dev", "display"}}).empty());
    EXPECT_EQ(ReadDword(u"RotateAngle"), 180u);

    // An unknown stored angle selects nothing, and any choice applies.
    WriteDword(u"RotateAngle", 45);
    dlg = run.OpenDialog(IDC_SCREENROTATE);
    for (int id : {IDC_ROTATE_0, IDC_ROTATE_90, IDC_ROTATE_180, IDC_ROTATE_270}) EXPECT_FALSE(Checked(dlg, id));
    run.TapControl(dlg, IDC_ROTATE_0);
    run.TapControl(dlg, IDOK);
    EXPECT_EQ(device.Log({{"orientation", 0}}).size(), 1u);
    EXPECT_EQ(ReadDword(u"RotateAngle"), 0u);

    WriteDword(u"RotateAngle", 90);
    dlg = run.OpenDialog(IDC_SCREENROTATE);
    EXPECT_FALSE(IsWindowEnabled(run.panel()));  // the panel waits for the dialog
    EXPECT_TRUE(Checked(dlg, IDC_ROTATE_90));
    run.TapControl(dlg, IDC_ROTATE_270);
    run.TapControl(dlg, IDOK);
    EXPECT_EQ(run.Top(), run.panel());
    EXPECT_TRUE(IsWindowEnabled(run.panel()));
    // 270 degrees is orientation 4; the screen is now 480 x 800.
    auto lines = device.Log({{"dev", "display"}});
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(ce::test::Missing(lines[1], {{"orientation", 4}, {"width", 480}, {"height", 800}, {"result", 0}}), "");
    EXPECT_EQ(ReadDword(u"RotateAngle"), 270u);
    RECT p = run.PanelRect();
    EXPECT_EQ(p.left, (480 - 450) / 2);
    EXPECT_EQ(p.top, (800 - 320) / 2);
    EXPECT_EQ(p.right - p.left, 450);

    // Without the key a chosen angle counts as a change: the screen turns;
    // nothing can be stored, and no key is made.
    ASSERT_EQ(RegDeleteKey(HKEY_LOCAL_MACHINE, kKey), ERROR_SUCCESS);
    dlg = run.OpenDialog(IDC_SCREENROTATE);
    run.TapControl(dlg, IDC_ROTATE_180);
    run.TapControl(dlg, IDOK);
    EXPECT_EQ(device.Log({{"orientation", 2}}).size(), 1u);
    HKEY key;
    EXPECT_NE(RegOpenKeyEx(HKEY_LOCAL_MACHINE, kKey, 0, 0, &key), ERROR_SUCCESS);
}

std::vector<ce::test::Json> ModeSets(const BootedImage& device) {
    return device.Log({{"ioctl", "0x40004"}});
}

TEST(SerialMode, ShowsTheDriversModesAndSendsOnlyChangesCom1First) {
    BootedImage device;
    PanelRun run;
    HWND dlg = run.OpenDialog(IDC_SERIALPORT);
    ASSERT_NE(dlg, nullptr);
    EXPECT_TRUE(Checked(dlg, IDC_COM1_RS232));
    EXPECT_TRUE(Checked(dlg, IDC_COM3_RS232));
    run.TapControl(dlg, IDC_COM1_RS485);
    run.TapControl(dlg, IDCANCEL);
    dlg = run.OpenDialog(IDC_SERIALPORT);
    run.TapControl(dlg, IDOK);
    EXPECT_TRUE(ModeSets(device).empty());  // Cancel, or no change: no request

    dlg = run.OpenDialog(IDC_SERIALPORT);
    run.TapControl(dlg, IDC_COM3_RS485);
    run.TapControl(dlg, IDC_COM1_RS422);
    run.TapControl(dlg, IDOK);
    auto sets = ModeSets(device);
    ASSERT_EQ(sets.size(), 2u);
    EXPECT_EQ(sets[0]["in"], "0200000001000000");
    EXPECT_EQ(sets[1]["in"], "0100000003000000");

    // Back and forth before OK sends nothing; the dialog shows what the driver now has.
    dlg = run.OpenDialog(IDC_SERIALPORT);
    EXPECT_TRUE(Checked(dlg, IDC_COM1_RS422));
    EXPECT_TRUE(Checked(dlg, IDC_COM3_RS485));
    run.TapControl(dlg, IDC_COM1_RS232);
    run.TapControl(dlg, IDC_COM1_RS422);
    run.TapControl(dlg, IDOK);
    EXPECT_EQ(ModeSets(device).size(), 2u);
}

// One device whose display refuses to turn and whose serial driver does not
// answer what mode it is in.
TEST(DeviceFaults, ASilentSerialDriverChecksNothingAndARefusingDisplayWritesNothing) {
    BootedImage device("EPI1.get_mode = silent\ndisplay.rotation = refuse\n");
    PanelRun run;
    HWND dlg = run.OpenDialog(IDC_SERIALPORT);
    ASSERT_NE(dlg, nullptr);
    for (int id : {IDC_COM1_RS232, IDC_COM1_RS485, IDC_COM1_RS422, IDC_COM3_RS232, IDC_COM3_RS485})
        EXPECT_FALSE(Checked(dlg, id));
    run.TapControl(dlg, IDC_COM3_RS485);  // only COM3 is chosen
    run.TapControl(dlg, IDOK);
    auto sets = ModeSets(device);
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets[0]["in"], "0100000003000000");

    dlg = run.OpenDialog(IDC_SCREENROTATE);
    run.TapControl(dlg, IDC_ROTATE_90);
    run.TapControl(dlg, IDOK);
    EXPECT_EQ(run.Top(), run.panel());  // closed as after any OK
    EXPECT_EQ(ReadDword(u"RotateAngle"), 0u);
    EXPECT_EQ(device.Log({{"dev", "display"}, {"result", -1}}).size(), 1u);
}

// Without the panel driver the brightness level still moves and is stored
// (no step is sent), and both ports show RS-232.
TEST(DeviceFaults, WithoutThePanelDriverTheLevelStillMovesAndBothPortsShowRs232) {
    BootedImage device("EPI1 = absent\n");
    WriteDword(u"brightless_value", 21);
    PanelRun run;
    HWND dlg = run.OpenDialog(IDC_BRIGHTNESS);
    ASSERT_NE(dlg, nullptr);
    run.TapControl(dlg, IDC_BRIGHTNESS_INC);
    EXPECT_TRUE(run.WaitFor([&] { return ce::test::TextOf(dlg, IDC_BRIGHTNESS_LEVEL) == "22"; }));
    EXPECT_EQ(SendMessage(GetDlgItem(dlg, IDC_BRIGHTNESS_BAR), PBM_GETPOS, 0, 0), 22);
    run.TapControl(dlg, IDOK);
    EXPECT_EQ(ReadDword(u"brightless_value"), 22u);
    EXPECT_TRUE(device.Log({{"ioctl", "0x40010"}}).empty());

    dlg = run.OpenDialog(IDC_SERIALPORT);
    ASSERT_NE(dlg, nullptr);
    EXPECT_TRUE(Checked(dlg, IDC_COM1_RS232));
    EXPECT_TRUE(Checked(dlg, IDC_COM3_RS232));
    run.TapControl(dlg, IDOK);
}

}  // namespace
