// The touch driver's calibration map: its stored form, its fit over the
// calibration taps, the correction it makes, and how the driver reads it.
#include <gtest/gtest.h>

#include <vector>

#include "bootedimage.h"
#include "ce_registry.h"
#include "regvalues.h"
#include "touchcal.h"

namespace {

using ce::hw::ApplyCalibration;
using ce::hw::FitCalibration;
using ce::hw::FormatCalibration;
using ce::hw::ParseCalibration;
using ce::hw::TouchCalibration;
using ce::test::BootedImage;

TEST(TouchCalibrationText, RoundTripsAndRejectsWhatIsNotSixNumbersOfAnInvertibleMap) {
    EXPECT_EQ(FormatCalibration(TouchCalibration{}), "1,0,0,0,1,0");
    TouchCalibration odd{1.25, -0.0001, -30.5, 0.002, 0.98, 17};
    auto back = ParseCalibration(FormatCalibration(odd));
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, odd);
    EXPECT_TRUE(ParseCalibration(" 1 , 0,0, 0,1 ,0 "));
    for (const char* bad : {"", "1,0,0,0,1", "1,0,0,0,1,0,0", "1;0;0;0;1;0", "1,0,0,0,1,x", "1,,0,0,1,0",
                            "1,0,0,0,1,0 7", "inf,0,0,0,1,0", "nan,0,0,0,1,0", "0,0,0,0,0,0", "1,2,0,2,4,0",
                            "2048,2048 410,410 3686,410 3686,3686 410,3686"})
        EXPECT_FALSE(ParseCalibration(bad)) << bad;
}

const std::vector<POINT> kTargets = {{400, 240}, {100, 60}, {699, 60}, {699, 419}, {100, 419}};

TEST(TouchCalibrationFit, RecoversAnExactMapAndRefusesPointsThatFixNone) {
    // Raw = screen stretched 10 % in x and shifted by (30, 20).
    std::vector<POINT> raw;
    for (POINT p : kTargets) raw.push_back({static_cast<LONG>(p.x * 1.1 + 30), p.y + 20});
    auto fit = FitCalibration(raw, kTargets);
    ASSERT_TRUE(fit);
    for (size_t i = 0; i < raw.size(); ++i) {
        POINT s = ApplyCalibration(*fit, raw[i], 800, 480);
        EXPECT_NEAR(s.x, kTargets[i].x, 1) << i;
        EXPECT_NEAR(s.y, kTargets[i].y, 1) << i;
    }
    const std::vector<POINT> oneLine = {{0, 0}, {10, 10}, {20, 20}, {30, 30}, {40, 40}};
    EXPECT_FALSE(FitCalibration(std::vector<POINT>(5, POINT{400, 240}), kTargets));
    EXPECT_FALSE(FitCalibration(oneLine, kTargets));
    EXPECT_FALSE(FitCalibration(kTargets, std::vector<POINT>(kTargets.begin(), kTargets.begin() + 4)));
}

TEST(TouchCalibrationApply, RoundsAndKeepsPointsOnTheScreen) {
    TouchCalibration shift{1, 0, -30.4, 0, 1, 20.6};
    POINT p = ApplyCalibration(shift, {100, 100}, 800, 480);
    EXPECT_EQ(p.x, 70);
    EXPECT_EQ(p.y, 121);
    p = ApplyCalibration(shift, {5, -50}, 800, 480);
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.y, 0);
    p = ApplyCalibration(shift, {900, 470}, 800, 480);
    EXPECT_EQ(p.x, 799);
    EXPECT_EQ(p.y, 479);
}

constexpr const char16_t* kTouchKey = u"HARDWARE\\DEVICEMAP\\TOUCH";

void StoreCalibrationText(const std::u16string& text, DWORD type = REG_SZ) {
    ASSERT_TRUE(ce::test::SetRegValue(HKEY_LOCAL_MACHINE, kTouchKey, u"CalibrationData", type, text.c_str(),
                                      static_cast<DWORD>((text.size() + 1) * 2)));
}

TEST(TouchDriver, TheFactoryHoldsTheIdentityAndAMalformedValueIsLoggedAtInstall) {
    BootedImage device;
    EXPECT_EQ(ce::test::RegType(HKEY_LOCAL_MACHINE, kTouchKey, u"CalibrationData"), static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(ce::test::RegText(HKEY_LOCAL_MACHINE, kTouchKey, u"CalibrationData"), u"1,0,0,0,1,0");
    EXPECT_TRUE(device.Log({{"calibration", "malformed"}}).empty());

    StoreCalibrationText(u"1,0,oops");
    device.Reboot();
    auto lines = device.Log({{"calibration", "malformed"}});
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0]["data"], "1,0,oops");

    StoreCalibrationText(u"1,0,0,0,1,0", REG_EXPAND_SZ);  // the right text of the wrong type
    device.Reboot();
    EXPECT_EQ(device.Log({{"calibration", "malformed"}}).size(), 2u);
}

}  // namespace
