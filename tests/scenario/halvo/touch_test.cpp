// The touch-screen settings dialog, the calibration screen behind it and the
// touch test window, run in the real control panel and worked by touch.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "../../../halvo/res/resource.h"
#include "controltest.h"
#include "panelrun.h"
#include "regvalues.h"

namespace {

using ce::test::BootedImage;
using ce::test::PanelRun;
using namespace std::chrono_literals;

// The calibration crosses on an 800 x 480 screen, in the order shown.
const POINT kTargets[5] = {{400, 240}, {100, 60}, {699, 60}, {699, 419}, {100, 419}};
const COLORREF kBlack = RGB(0, 0, 0);

std::u16string ClassOf(HWND h) {
    char16_t buf[64] = {};
    GetClassName(h, buf, 64);
    return buf;
}

std::optional<std::u16string> StoredCalibration() {
    return ce::test::RegText(HKEY_LOCAL_MACHINE, u"HARDWARE\\DEVICEMAP\\TOUCH", u"CalibrationData");
}

// Runs a whole calibration: each cross tapped at `offset` from its centre,
// then the accepting tap.
void Calibrate(PanelRun& run, HWND dlg, POINT offset) {
    run.TapControl(dlg, IDC_TOUCH_CALIBRATE);
    ASSERT_EQ(ClassOf(run.Top()), u"TouchCalibration");
    for (POINT t : kTargets) run.Tap(t.x + offset.x, t.y + offset.y);
    run.Tap(400, 300);
}

// A double tap with message times the window system counts as one.
void DoubleTap(PanelRun& run, int x, int y) {
    DWORD t = GetTickCount();
    ce::user::InjectMouse(ce::user::Mouse::Down, x, y, t);
    ce::user::InjectMouse(ce::user::Mouse::Up, x, y, t + 40);
    ce::user::InjectMouse(ce::user::Mouse::Down, x, y, t + 120);
    ce::user::InjectMouse(ce::user::Mouse::Up, x, y, t + 160);
    run.Idle();
}

// The cross-hair's two-pixel bars cross at (x, y): its bars run 3 to 14
// pixels from there (the middle 4 x 4 square is open).
bool CrossHairAt(int x, int y) {
    auto px = ce::gdi::Screen::Pixel;
    return px(x - 1, y - 10) == kBlack && px(x, y - 10) == kBlack && px(x - 10, y - 1) == kBlack &&
           px(x + 10, y) == kBlack && px(x - 1, y + 10) == kBlack && px(x, y - 1) != kBlack;
}

// Every pixel of icon 150 drawn with its top-left corner at (x0, y0): black
// bars in columns 15-16 and rows 15-16 (1-13 and 18-30 along them), the
// window colour everywhere else.
void ExpectCrossHairIconAt(int x0, int y0) {
    const COLORREF ground = GetSysColor(COLOR_WINDOW);
    auto along = [](int i) { return (i >= 1 && i <= 13) || (i >= 18 && i <= 30); };
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            bool bar = ((x == 15 || x == 16) && along(y)) || ((y == 15 || y == 16) && along(x));
            ASSERT_EQ(ce::gdi::Screen::Pixel(x0 + x, y0 + y), bar ? kBlack : ground) << x << "," << y;
        }
}

// Ends the settings dialog as its close box does, so the panel can end.
void CloseDialog(PanelRun& run, HWND dlg) {
    PostMessage(dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    run.Idle();
    EXPECT_EQ(run.Top(), run.panel());
}

int TopLevelWindowsOfClass(const std::u16string& cls) {
    int n = 0;
    for (HWND h = GetWindow(GetDesktopWindow(), GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT))
        n += IsWindowVisible(h) && ClassOf(h) == cls;
    return n;
}

// One run: the touch test (before any calibration moves the taps), then
// calibrations on the uncorrected and on a corrected stylus.
TEST(TouchTest, TheCrossHairFollowsTouchesAndCalibrationsRunOnEveryPressAndMoveLaterTaps) {
    BootedImage device;
    PanelRun run;
    HWND dlg = run.OpenDialog(IDC_TOUCHSCREEN);
    ASSERT_NE(dlg, nullptr);
    run.TapControl(dlg, IDC_TOUCH_TEST);
    HWND test = run.Top();
    ASSERT_NE(test, dlg);
    EXPECT_EQ(ClassOf(test).substr(0, 4), u"Afx:");  // a class of the framework's naming
    RECT r{};
    GetWindowRect(test, &r);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.right, 800);
    EXPECT_EQ(r.bottom, 480);
    EXPECT_EQ(GetWindowLong(test, GWL_STYLE) & (WS_POPUP | WS_VISIBLE | WS_CAPTION), WS_POPUP | WS_VISIBLE);
    EXPECT_TRUE(GetWindowLong(test, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(ce::test::CountPixels(0, 30, 800, 480, kBlack), 0);  // no touch yet: no cross-hair

    // At the very corner only the lower-right quarter shows.
    run.Tap(0, 0);
    const COLORREF ground = GetSysColor(COLOR_WINDOW);
    for (int i = 2; i <= 14; ++i) {
        EXPECT_EQ(ce::gdi::Screen::Pixel(0, i), kBlack) << i;
        EXPECT_EQ(ce::gdi::Screen::Pixel(i, 0), kBlack) << i;
        EXPECT_EQ(ce::gdi::Screen::Pixel(1, i), ground) << i;
        EXPECT_EQ(ce::gdi::Screen::Pixel(i, 1), ground) << i;
    }
    EXPECT_EQ(ce::gdi::Screen::Pixel(0, 1), ground);   // the open centre
    EXPECT_EQ(ce::gdi::Screen::Pixel(0, 15), ground);  // the bar ends at row 30 of the icon

    run.Tap(250, 200);
    ExpectCrossHairIconAt(250 - 16, 200 - 16);
    EXPECT_EQ(ce::gdi::Screen::Pixel(0, 5), ground);  // the old one is gone
    run.Screenshot("touch-test-crosshair.png");
    // A repaint without a touch draws it at the same place.
    InvalidateRect(test, nullptr, TRUE);
    run.Idle();
    EXPECT_TRUE(CrossHairAt(250, 200));

    // "Test" again while the window lives raises it and makes no second one.
    PostMessage(dlg, WM_COMMAND, MAKEWPARAM(IDC_TOUCH_TEST, BN_CLICKED),
                reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDC_TOUCH_TEST)));
    run.Idle();
    EXPECT_EQ(run.Top(), test);
    EXPECT_EQ(GetForegroundWindow(), test);
    EXPECT_EQ(TopLevelWindowsOfClass(ClassOf(test)), 1);

    // A double tap ends the test; the panel is painted again at once.
    DoubleTap(run, 500, 300);
    EXPECT_FALSE(IsWindow(test));
    EXPECT_EQ(run.Top(), dlg);
    RECT p = run.PanelRect();
    EXPECT_EQ(ce::gdi::Screen::Pixel(p.left + 20, p.bottom - 1), kBlack);  // the panel's frame
    EXPECT_NE(ce::gdi::Screen::Pixel(p.left + 20, p.bottom - 20), ground);

    // A second test shows the last point of the first until the next touch.
    run.TapControl(dlg, IDC_TOUCH_TEST);
    HWND again = run.Top();
    ASSERT_NE(again, dlg);
    EXPECT_TRUE(CrossHairAt(500, 300));
    run.Tap(600, 100);
    EXPECT_TRUE(CrossHairAt(600, 100));
    EXPECT_FALSE(CrossHairAt(500, 300));

    // Closing the settings dialog while the test runs takes the window down.
    PostMessage(dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    run.Idle();
    EXPECT_FALSE(IsWindow(dlg));
    EXPECT_FALSE(IsWindow(again));
    EXPECT_EQ(run.Top(), run.panel());

    // The calibration screen runs on every press and returns to the dialog.
    dlg = run.OpenDialog(IDC_TOUCHSCREEN);
    ASSERT_NE(dlg, nullptr);
    run.Screenshot("touch-dialog.png");

    run.TapControl(dlg, IDC_TOUCH_CALIBRATE);
    HWND screen = run.Top();
    ASSERT_EQ(ClassOf(screen), u"TouchCalibration");
    GetWindowRect(screen, &r);
    EXPECT_EQ(r.right - r.left, 800);
    EXPECT_EQ(r.bottom - r.top, 480);
    EXPECT_TRUE(GetWindowLong(screen, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_TRUE(CrossHairAt(400, 240));
    run.Screenshot("touch-calibrate-1.png");
    // A tap far from the cross is ignored: the same cross waits.
    run.Tap(650, 400);
    EXPECT_TRUE(CrossHairAt(400, 240));
    for (int i = 0; i < 5; ++i) {
        run.Tap(kTargets[i].x, kTargets[i].y);
        if (i < 4) {
            EXPECT_TRUE(CrossHairAt(kTargets[i + 1].x, kTargets[i + 1].y)) << i;
        }
    }
    run.Screenshot("touch-calibrate-accept.png");
    EXPECT_EQ(run.Top(), screen);  // waits for the accepting tap
    run.Tap(10, 470);
    EXPECT_FALSE(IsWindow(screen));
    EXPECT_EQ(run.Top(), dlg);
    auto runs = device.LogHaving("calibrate");
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(ce::test::Missing(runs[0], {{"calibrate", "accepted"}, {"data", "1,0,0,0,1,0"}}), "") << runs[0];

    // A second press runs it again; Escape ends it at once.
    run.TapControl(dlg, IDC_TOUCH_CALIBRATE);
    ASSERT_EQ(ClassOf(run.Top()), u"TouchCalibration");
    run.Key(VK_ESCAPE);
    EXPECT_EQ(run.Top(), dlg);
    runs = device.LogHaving("calibrate");
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(ce::test::Missing(runs[1], {{"calibrate", "cancelled"}, {"points", 0}}), "") << runs[1];

    // An accepted calibration moves later taps; Escape keeps it.
    // This stylus lands 30 pixels right and 20 down of where it is meant.
    Calibrate(run, dlg, {30, 20});
    EXPECT_EQ(StoredCalibration(), u"1,0,-30,0,1,-20");

    // A second run sees the raw stylus: taps on the crosses themselves count.
    run.TapControl(dlg, IDC_TOUCH_CALIBRATE);
    run.Tap(kTargets[0].x, kTargets[0].y);
    run.Tap(kTargets[1].x, kTargets[1].y);
    EXPECT_TRUE(CrossHairAt(kTargets[2].x, kTargets[2].y));
    run.Key(VK_ESCAPE);
    EXPECT_EQ(ce::test::Missing(device.LogHaving("calibrate").back(), {{"calibrate", "cancelled"}, {"points", 2}}), "");
    EXPECT_EQ(StoredCalibration(), u"1,0,-30,0,1,-20");

    // In the test window the cross-hair shows where the corrected taps land.
    run.TapControl(dlg, IDC_TOUCH_TEST);  // the button is larger than the correction
    ASSERT_EQ(TopLevelWindowsOfClass(ClassOf(run.Top())), 1);
    run.Tap(430, 260);
    EXPECT_TRUE(CrossHairAt(400, 240));
    run.Screenshot("touch-test-corrected.png");
    // Corrected points stay on the screen.
    run.Tap(5, 5);
    EXPECT_EQ(ce::gdi::Screen::Pixel(0, 5), kBlack);
    EXPECT_EQ(ce::gdi::Screen::Pixel(5, 0), kBlack);
    CloseDialog(run, dlg);
}

TEST(TouchCalibrate, WithoutTapsTheScreenTimesOutAndKeepsTheOldCalibration) {
    BootedImage device("touch.calibration_timeout = 0.05\n");
    PanelRun run;
    HWND dlg = run.OpenDialog(IDC_TOUCHSCREEN);
    ASSERT_NE(dlg, nullptr);
    run.TapControl(dlg, IDC_TOUCH_CALIBRATE);
    ASSERT_TRUE(run.WaitFor([&] { return !device.Log({{"calibrate", "timeout"}}).empty(); }, 5000ms));
    EXPECT_TRUE(run.WaitFor([&] { return run.Top() == dlg; }, 5000ms));
    EXPECT_EQ(StoredCalibration(), u"1,0,0,0,1,0");
    CloseDialog(run, dlg);
}

TEST(TouchCalibrate, AMissingLibraryOrEntryIsReportedAndTheDialogStays) {
    for (auto [conf, text] : {std::pair{"coredll.TouchCalibrate = absent\n", "TouchCalibrate == NULL"},
                              std::pair{"coredll = absent\n", "ApiDLL == NULL"}}) {
        BootedImage device(conf);
        PanelRun run;
        HWND dlg = run.OpenDialog(IDC_TOUCHSCREEN);
        ASSERT_NE(dlg, nullptr);
        run.TapControl(dlg, IDC_TOUCH_CALIBRATE);
        HWND box = run.Top();
        ASSERT_NE(box, dlg);
        EXPECT_TRUE(ce::test::FindWhere(run.Dump(), "text", text)) << text;
        run.Key(VK_RETURN);
        EXPECT_FALSE(IsWindow(box));
        EXPECT_EQ(run.Top(), dlg);
        EXPECT_TRUE(device.LogHaving("calibrate").empty());
        CloseDialog(run, dlg);
    }
}

}  // namespace
