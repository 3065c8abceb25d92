// The brightness dialog, opened from the panel and worked by touch: its steps
// are read back from the panel driver's log, its level from the registry.
#include <gtest/gtest.h>

#include <string>

#include "../../../halvo/res/resource.h"
#include "commctrl.h"
#include "panelrun.h"
#include "regvalues.h"

namespace {

using ce::test::BootedImage;
using ce::test::PanelRun;

const char16_t* const kKey = u"Drivers\\BuiltIn\\ExtPartInit";
const char16_t* const kLevel = u"brightless_value";
const ce::test::Json kStep = {{"ioctl", "0x40010"}};
const ce::test::Json kBrighterOne = {{"ioctl", "0x40010"}, {"in", "0100000001000000"}};
const ce::test::Json kDarkerOne = {{"ioctl", "0x40010"}, {"in", "0000000001000000"}};

std::optional<DWORD> StoredLevel() {
    return ce::test::RegDword(HKEY_LOCAL_MACHINE, kKey, kLevel);
}
void StoreLevel(DWORD v) {
    ASSERT_TRUE(ce::test::SetRegDword(HKEY_LOCAL_MACHINE, kKey, kLevel, v));
}

std::string LevelText(HWND dlg) {
    char16_t buf[16] = {};
    GetDlgItemText(dlg, IDC_BRIGHTNESS_LEVEL, buf, 16);
    return std::string(buf, buf + std::char_traits<char16_t>::length(buf));
}

int BarPos(HWND dlg) {
    return (int)SendMessage(GetDlgItem(dlg, IDC_BRIGHTNESS_BAR), PBM_GETPOS, 0, 0);
}

// Waits for a step count and the shown level to settle, then checks both.
void ExpectShown(PanelRun& run, HWND dlg, const std::string& level) {
    EXPECT_TRUE(run.WaitFor([&] { return LevelText(dlg) == level; })) << LevelText(dlg);
    EXPECT_EQ(BarPos(dlg), std::stoi(level));
}

POINT Centre(HWND dlg, int id) {
    RECT r{};
    GetWindowRect(GetDlgItem(dlg, id), &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

TEST(Brightness, ATapStepsOnceShowsTheLevelAndOkStoresItWithoutADriverRequest) {
    BootedImage device;
    StoreLevel(21);
    PanelRun run;
    HWND dlg = run.OpenDialog(IDC_BRIGHTNESS);
    ASSERT_NE(dlg, nullptr);
    EXPECT_FALSE(IsWindowEnabled(run.panel()));
    EXPECT_EQ(LevelText(dlg), "21");
    EXPECT_EQ(BarPos(dlg), 21);
    // The arrow buttons take their 48 x 48 pictures.
    RECT r{};
    GetWindowRect(GetDlgItem(dlg, IDC_BRIGHTNESS_INC), &r);
    EXPECT_EQ(r.right - r.left, 48);
    EXPECT_EQ(r.bottom - r.top, 48);
    EXPECT_TRUE(device.Log(kStep).empty());  // opening sends nothing

    run.TapControl(dlg, IDC_BRIGHTNESS_INC);
    ExpectShown(run, dlg, "22");
    EXPECT_EQ(StoredLevel(), 21u);  // only OK stores

    // OK ends the worker first: what the log holds then is all it sent.
    run.TapControl(dlg, IDOK);
    EXPECT_EQ(run.Top(), run.panel());
    EXPECT_EQ(StoredLevel(), 22u);
    auto steps = device.Log(kStep);
    ASSERT_EQ(steps.size(), 1u);
    EXPECT_EQ(ce::test::Missing(steps[0], kBrighterOne), "");
}

TEST(Brightness, AtTheBoundsTheLevelStaysButEveryStepIsSent) {
    BootedImage device;
    StoreLevel(0);
    PanelRun run;
    HWND dlg = run.OpenDialog(IDC_BRIGHTNESS);
    ASSERT_NE(dlg, nullptr);
    run.TapControl(dlg, IDC_BRIGHTNESS_DEC);
    ASSERT_TRUE(run.WaitFor([&] { return device.Log(kStep).size() == 1; }));
    EXPECT_EQ(ce::test::Missing(device.Log(kStep)[0], kDarkerOne), "");
    EXPECT_EQ(LevelText(dlg), "0");
    EXPECT_EQ(BarPos(dlg), 0);
    // OK without a change of level writes nothing; a Cancel would send nothing.
    run.TapControl(dlg, IDOK);
    EXPECT_EQ(StoredLevel(), 0u);
}

TEST(Brightness, HoldingStepsOnceThenRepeatsAfterTheHoldOffUntilRelease) {
    BootedImage device;
    StoreLevel(0);
    PanelRun run;
    HWND dlg = run.OpenDialog(IDC_BRIGHTNESS);
    ASSERT_NE(dlg, nullptr);
    POINT inc = Centre(dlg, IDC_BRIGHTNESS_INC);
    run.Press(inc.x, inc.y);
    // Past the hold-off the repeat runs on beyond the top level.
    ASSERT_TRUE(run.WaitFor([&] { return device.Log(kStep).size() > 40; }));
    run.Release(inc.x, inc.y);
    size_t atRelease = device.Log(kStep).size();
    ExpectShown(run, dlg, "31");

    run.TapControl(dlg, IDOK);
    EXPECT_EQ(StoredLevel(), 31u);
    // The release stops the repeat after the step in progress.
    size_t sent = device.Log(kStep).size();
    EXPECT_LE(sent, atRelease + 1);
    EXPECT_EQ(device.Log(kBrighterOne).size(), sent);
}

TEST(Brightness, APressOfTheOtherButtonWhileOneIsHeldKeepsTheDirection) {
    BootedImage device;
    StoreLevel(10);
    PanelRun run;
    HWND dlg = run.OpenDialog(IDC_BRIGHTNESS);
    ASSERT_NE(dlg, nullptr);
    POINT inc = Centre(dlg, IDC_BRIGHTNESS_INC);
    run.Press(inc.x, inc.y);
    ASSERT_TRUE(run.WaitFor([&] { return device.Log(kStep).size() >= 1; }));
    // The release of the increase button not yet seen, the decrease button is pressed.
    SendMessage(GetDlgItem(dlg, IDC_BRIGHTNESS_DEC), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    ASSERT_TRUE(run.WaitFor([&] { return device.Log(kStep).size() > 5; }));
    SendMessage(GetDlgItem(dlg, IDC_BRIGHTNESS_DEC), WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    run.Release(inc.x, inc.y);
    run.TapControl(dlg, IDOK);
    EXPECT_TRUE(device.Log(kDarkerOne).empty());
    EXPECT_GT(StoredLevel(), 10u);
}

TEST(Brightness, CancelSendsTheWholeDifferenceBackInOneRequestAndKeepsTheStore) {
    BootedImage device;
    StoreLevel(21);
    PanelRun run;
    HWND dlg = run.OpenDialog(IDC_BRIGHTNESS);
    ASSERT_NE(dlg, nullptr);
    for (int i = 0; i < 4; ++i) {
        run.TapControl(dlg, IDC_BRIGHTNESS_INC);
        ASSERT_TRUE(run.WaitFor([&] { return device.Log(kStep).size() == size_t(i + 1); }));
    }
    ExpectShown(run, dlg, "25");
    run.TapControl(dlg, IDCANCEL);
    EXPECT_EQ(run.Top(), run.panel());
    auto steps = device.Log(kStep);
    ASSERT_EQ(steps.size(), 5u);
    EXPECT_EQ(steps[4]["in"], "0000000004000000");
    EXPECT_EQ(StoredLevel(), 21u);

    // Down from 21 and Escape (Cancel): one brighter request of the difference.
    dlg = run.OpenDialog(IDC_BRIGHTNESS);
    ASSERT_NE(dlg, nullptr);
    run.TapControl(dlg, IDC_BRIGHTNESS_DEC);
    run.TapControl(dlg, IDC_BRIGHTNESS_DEC);
    ASSERT_TRUE(run.WaitFor([&] { return device.Log(kStep).size() == 7; }));
    run.Key(VK_ESCAPE);
    EXPECT_EQ(run.Top(), run.panel());
    steps = device.Log(kStep);
    ASSERT_EQ(steps.size(), 8u);
    EXPECT_EQ(steps[7]["in"], "0100000002000000");
    EXPECT_EQ(StoredLevel(), 21u);
}

TEST(Brightness, AStoredLevelAboveTheTopOpensAtTheTopAndIsRewrittenAtOnce) {
    BootedImage device;
    StoreLevel(40);
    PanelRun run;
    HWND dlg = run.OpenDialog(IDC_BRIGHTNESS);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(LevelText(dlg), "31");
    EXPECT_EQ(BarPos(dlg), 31);
    EXPECT_EQ(StoredLevel(), 31u);
    run.TapControl(dlg, IDCANCEL);  // Cancel does not bring 40 back
    EXPECT_EQ(StoredLevel(), 31u);
    EXPECT_TRUE(device.Log(kStep).empty());
}

TEST(Brightness, WithoutAStoredLevelItOpensAt21AndWritesNothingUnchanged) {
    BootedImage device;
    ASSERT_TRUE(ce::test::DeleteRegValue(HKEY_LOCAL_MACHINE, kKey, kLevel));
    PanelRun run;
    HWND dlg = run.OpenDialog(IDC_BRIGHTNESS);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(LevelText(dlg), "21");
    EXPECT_EQ(BarPos(dlg), 21);
    run.TapControl(dlg, IDOK);
    EXPECT_FALSE(StoredLevel());
}

TEST(Brightness, WithoutThePanelDriverTheLevelStillMoves) {
    BootedImage device("EPI1 = absent\n");
    StoreLevel(21);
    PanelRun run;
    HWND dlg = run.OpenDialog(IDC_BRIGHTNESS);
    ASSERT_NE(dlg, nullptr);
    run.TapControl(dlg, IDC_BRIGHTNESS_INC);
    ExpectShown(run, dlg, "22");
    run.TapControl(dlg, IDOK);
    EXPECT_EQ(StoredLevel(), 22u);
    EXPECT_TRUE(device.Log(kStep).empty());
}

// OK or Cancel while an arrow is held (the keyboard's Enter and Escape reach
// the dialog while the stylus is down) ends the dialog; the worker is gone
// with it and sends nothing more. (How fast is the benchmark's figure.)
TEST(Brightness, OkOrCancelWhileAButtonIsHeldEndsTheDialogPromptly) {
    BootedImage device;
    StoreLevel(0);
    PanelRun run;
    for (unsigned vk : {VK_RETURN, VK_ESCAPE}) {
        HWND dlg = run.OpenDialog(IDC_BRIGHTNESS);
        ASSERT_NE(dlg, nullptr);
        size_t before = device.Log(kStep).size();
        POINT dec = Centre(dlg, IDC_BRIGHTNESS_DEC);
        run.Press(dec.x, dec.y);
        ASSERT_TRUE(run.WaitFor([&] { return device.Log(kStep).size() > before + 10; }));
        run.Key(vk);
        EXPECT_FALSE(IsWindow(dlg));
        EXPECT_EQ(run.Top(), run.panel());
        size_t sent = device.Log(kStep).size();
        run.Release(dec.x, dec.y);
        // At the bottom every step changed nothing: no compensation on Cancel.
        EXPECT_EQ(device.Log(kStep).size(), sent);
        EXPECT_EQ(StoredLevel(), 0u);
    }
}

// A tap followed at once by OK or Cancel: the stop may reach the worker
// before the tap's wake-up did. The tap still makes its one step, so OK
// stores it and Cancel sends it back.
// Taps faster than the worker steps, one or two before OK: each makes its step.
TEST(Brightness, ATapJustBeforeOkOrCancelIsNotLost) {
    BootedImage device;
    StoreLevel(0);
    PanelRun run;
    DWORD expected = 0;
    for (int round = 0; round < 20; ++round) {
        HWND dlg = run.OpenDialog(IDC_BRIGHTNESS);
        ASSERT_NE(dlg, nullptr);
        POINT inc = Centre(dlg, IDC_BRIGHTNESS_INC);
        const int taps = 1 + round % 2;
        for (int i = 0; i < taps; ++i) run.TapNoWait(inc.x, inc.y);
        run.Key(VK_RETURN);
        ASSERT_FALSE(IsWindow(dlg));
        expected += taps;
        ASSERT_EQ(StoredLevel(), expected) << "round " << round;
    }
    size_t before = device.Log(kStep).size();
    HWND dlg = run.OpenDialog(IDC_BRIGHTNESS);
    ASSERT_NE(dlg, nullptr);
    POINT dec = Centre(dlg, IDC_BRIGHTNESS_DEC);
    run.TapNoWait(dec.x, dec.y);
    run.Key(VK_ESCAPE);
    ASSERT_FALSE(IsWindow(dlg));
    auto steps = device.Log(kStep);
    ASSERT_EQ(steps.size(), before + 2);  // the step, then its compensation
    EXPECT_EQ(ce::test::Missing(steps[before], kDarkerOne), "");
    EXPECT_EQ(ce::test::Missing(steps[before + 1], kBrighterOne), "");
    EXPECT_EQ(StoredLevel(), 30u);
}

}  // namespace
