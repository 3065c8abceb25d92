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

int BarPos(HWND dlg) {
    return (int)SendMessage(GetDlgItem(dlg, IDC_BRIGHTNESS_BAR), PBM_GETPOS, 0, 0);
}

// Waits for a step count and the shown level to settle, then checks both.
void ExpectShown(PanelRun& run, HWND dlg, const std::string& level) {
    EXPECT_TRUE(run.WaitFor([&] { return ce::test::TextOf(dlg, IDC_BRIGHTNESS_LEVEL) == level; }))
        << ce::test::TextOf(dlg, IDC_BRIGHTNESS_LEVEL);
    EXPECT_EQ(BarPos(dlg), std::stoi(level));
}

POINT Centre(HWND dlg, int id) {
    RECT r{};
    GetWindowRect(GetDlgItem(dlg, id), &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// The steps the driver was sent after the first `from`.
std::vector<ce::test::Json> StepsAfter(const BootedImage& device, size_t from) {
    auto steps = device.Log(kStep);
    steps.erase(steps.begin(), steps.begin() + static_cast<std::ptrdiff_t>(std::min(from, steps.size())));
    return steps;
}

// Each part stores its level while the dialog is closed; the dialog reads it
// when it opens.
TEST(Brightness, ATapStepsOnceOkStoresTheLevelAndCancelSendsTheWholeDifferenceBack) {
    BootedImage device;
    StoreLevel(21);
    PanelRun run;
    HWND dlg = run.OpenDialog(IDC_BRIGHTNESS);
    ASSERT_NE(dlg, nullptr);
    EXPECT_FALSE(IsWindowEnabled(run.panel()));
    EXPECT_EQ(ce::test::TextOf(dlg, IDC_BRIGHTNESS_LEVEL), "21");
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

    // OK ends the worker first: what the log holds then is all it sent,
    // and OK sends no request of its own.
    run.TapControl(dlg, IDOK);
    EXPECT_EQ(run.Top(), run.panel());
    EXPECT_EQ(StoredLevel(), 22u);
    auto steps = device.Log(kStep);
    ASSERT_EQ(steps.size(), 1u);
    EXPECT_EQ(ce::test::Missing(steps[0], kBrighterOne), "");

    // Cancel sends the whole difference back in one request and keeps the store.
    StoreLevel(21);
    dlg = run.OpenDialog(IDC_BRIGHTNESS);
    for (size_t i = 0; i < 4; ++i) {
        run.TapControl(dlg, IDC_BRIGHTNESS_INC);
        ASSERT_TRUE(run.WaitFor([&] { return StepsAfter(device, 1).size() == i + 1; }));
    }
    ExpectShown(run, dlg, "25");
    run.TapControl(dlg, IDCANCEL);
    EXPECT_EQ(run.Top(), run.panel());
    steps = StepsAfter(device, 1);
    ASSERT_EQ(steps.size(), 5u);
    EXPECT_EQ(steps[4]["in"], "0000000004000000");
    EXPECT_EQ(StoredLevel(), 21u);
    // Down from 21 and Escape (Cancel): one brighter request of the difference.
    dlg = run.OpenDialog(IDC_BRIGHTNESS);
    run.TapControl(dlg, IDC_BRIGHTNESS_DEC);
    run.TapControl(dlg, IDC_BRIGHTNESS_DEC);
    ASSERT_TRUE(run.WaitFor([&] { return StepsAfter(device, 6).size() == 2; }));
    run.Key(VK_ESCAPE);
    EXPECT_EQ(run.Top(), run.panel());
    steps = StepsAfter(device, 6);
    ASSERT_EQ(steps.size(), 3u);
    EXPECT_EQ(steps[2]["in"], "0100000002000000");
    EXPECT_EQ(StoredLevel(), 21u);

    // At the bounds the level stays but every step is sent; OK without a
    // change of level writes nothing.
    StoreLevel(0);
    dlg = run.OpenDialog(IDC_BRIGHTNESS);
    run.TapControl(dlg, IDC_BRIGHTNESS_DEC);
    ASSERT_TRUE(run.WaitFor([&] { return StepsAfter(device, 9).size() == 1; }));
    EXPECT_EQ(ce::test::Missing(StepsAfter(device, 9)[0], kDarkerOne), "");
    EXPECT_EQ(ce::test::TextOf(dlg, IDC_BRIGHTNESS_LEVEL), "0");
    EXPECT_EQ(BarPos(dlg), 0);
    run.TapControl(dlg, IDOK);
    EXPECT_EQ(StoredLevel(), 0u);

    // A stored level above the top opens at the top and is rewritten at
    // once; Cancel does not bring it back.
    StoreLevel(40);
    dlg = run.OpenDialog(IDC_BRIGHTNESS);
    EXPECT_EQ(ce::test::TextOf(dlg, IDC_BRIGHTNESS_LEVEL), "31");
    EXPECT_EQ(BarPos(dlg), 31);
    EXPECT_EQ(StoredLevel(), 31u);
    run.TapControl(dlg, IDCANCEL);
    EXPECT_EQ(StoredLevel(), 31u);
    // Without a stored level it opens at 21 and writes nothing unchanged.
    ASSERT_TRUE(ce::test::DeleteRegValue(HKEY_LOCAL_MACHINE, kKey, kLevel));
    dlg = run.OpenDialog(IDC_BRIGHTNESS);
    EXPECT_EQ(ce::test::TextOf(dlg, IDC_BRIGHTNESS_LEVEL), "21");
    EXPECT_EQ(BarPos(dlg), 21);
    run.TapControl(dlg, IDOK);
    EXPECT_FALSE(StoredLevel());
    EXPECT_EQ(device.Log(kStep).size(), 10u);
}

// OK or Cancel while an arrow is held (the keyboard's Enter and Escape reach
// the dialog while the stylus is down) ends the dialog; the worker is gone
// with it and sends nothing more. (How fast is the benchmark's figure.)
// Holding steps once, then repeats after the hold-off until release; a press
// of the other button meanwhile keeps the direction.
TEST(Brightness, HoldingRepeatsUntilReleaseOrTheDialogsEndInTheHeldDirectionAndATapJustBeforeOkIsNotLost) {
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

    const size_t mark = device.Log(kStep).size();
    HWND dlg = run.OpenDialog(IDC_BRIGHTNESS);
    POINT inc = Centre(dlg, IDC_BRIGHTNESS_INC);
    run.Press(inc.x, inc.y);
    // Past the hold-off the repeat runs on beyond the top level.
    ASSERT_TRUE(run.WaitFor([&] { return StepsAfter(device, mark).size() > 40; }));
    run.Release(inc.x, inc.y);
    size_t atRelease = StepsAfter(device, mark).size();
    ExpectShown(run, dlg, "31");
    run.TapControl(dlg, IDOK);
    EXPECT_EQ(StoredLevel(), 31u);
    // The release stops the repeat after the step in progress.
    auto steps = StepsAfter(device, mark);
    EXPECT_LE(steps.size(), atRelease + 1);
    for (const auto& step : steps) EXPECT_EQ(ce::test::Missing(step, kBrighterOne), "");

    StoreLevel(10);
    const size_t mark2 = device.Log(kStep).size();
    dlg = run.OpenDialog(IDC_BRIGHTNESS);
    run.Press(inc.x, inc.y);
    ASSERT_TRUE(run.WaitFor([&] { return StepsAfter(device, mark2).size() >= 1; }));
    // The release of the increase button not yet seen, the decrease button is pressed.
    SendMessage(GetDlgItem(dlg, IDC_BRIGHTNESS_DEC), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    ASSERT_TRUE(run.WaitFor([&] { return StepsAfter(device, mark2).size() > 5; }));
    SendMessage(GetDlgItem(dlg, IDC_BRIGHTNESS_DEC), WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    run.Release(inc.x, inc.y);
    run.TapControl(dlg, IDOK);
    for (const auto& step : StepsAfter(device, mark2)) EXPECT_EQ(ce::test::Missing(step, kBrighterOne), "");
    EXPECT_GT(StoredLevel(), 10u);

    // A tap followed at once by OK or Cancel: the stop may reach the worker
    // before the tap's wake-up did. The tap still makes its one step, so OK
    // stores it and Cancel sends it back.
    // Taps faster than the worker steps, one or two before OK: each makes its step.
    StoreLevel(0);
    DWORD expected = 0;
    for (int round = 0; round < 20; ++round) {
        dlg = run.OpenDialog(IDC_BRIGHTNESS);
        ASSERT_NE(dlg, nullptr);
        inc = Centre(dlg, IDC_BRIGHTNESS_INC);
        const int taps = 1 + round % 2;
        for (int i = 0; i < taps; ++i) run.TapNoWait(inc.x, inc.y);
        run.Key(VK_RETURN);
        ASSERT_FALSE(IsWindow(dlg));
        expected += taps;
        ASSERT_EQ(StoredLevel(), expected) << "round " << round;
    }
    size_t before = device.Log(kStep).size();
    dlg = run.OpenDialog(IDC_BRIGHTNESS);
    ASSERT_NE(dlg, nullptr);
    POINT dec = Centre(dlg, IDC_BRIGHTNESS_DEC);
    run.TapNoWait(dec.x, dec.y);
    run.Key(VK_ESCAPE);
    ASSERT_FALSE(IsWindow(dlg));
    steps = device.Log(kStep);
    ASSERT_EQ(steps.size(), before + 2);  // the step, then its compensation
    EXPECT_EQ(ce::test::Missing(steps[before], kDarkerOne), "");
    EXPECT_EQ(ce::test::Missing(steps[before + 1], kBrighterOne), "");
    EXPECT_EQ(StoredLevel(), 30u);
}

}  // namespace
