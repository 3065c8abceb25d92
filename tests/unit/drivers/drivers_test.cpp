// The simulated hardware, reached the way programs reach it: CreateFile on a
// device name, DeviceIoControl, named events, KernelIoControl, LoadLibrary.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <optional>

#include "bootedimage.h"
#include "ce_drivers.h"

namespace {

using ce::test::BootedImage;

// Issues one request on a freshly opened device; false when it cannot be opened.
bool Request(const char16_t* dev, DWORD code, const void* in, DWORD cbIn, void* out, DWORD cbOut,
             BOOL* result = nullptr) {
    HANDLE h = CreateFile(dev, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    BOOL ok = DeviceIoControl(h, code, const_cast<void*>(in), cbIn, out, cbOut, nullptr, nullptr);
    if (result) *result = ok;
    CloseHandle(h);
    return true;
}

DWORD GetMode(DWORD port) {
    DWORD rec[2] = {3, port};
    Request(u"EPI1:", ce::hw::kIoctlGetSerialMode, nullptr, 0, rec, 8);
    return rec[0];
}

BOOL SetMode(DWORD mode, DWORD port) {
    DWORD rec[2] = {mode, port};
    BOOL ok = FALSE;
    Request(u"EPI1:", ce::hw::kIoctlSetSerialMode, rec, 8, nullptr, 0, &ok);
    return ok;
}

BOOL Step(DWORD direction, DWORD steps) {
    DWORD rec[2] = {direction, steps};
    BOOL ok = FALSE;
    Request(u"EPI1:", ce::hw::kIoctlStepBrightness, rec, 8, nullptr, 0, &ok);
    return ok;
}

TEST(PanelDriver, SerialModesPersistAndOutOfRangeModesAreRefused) {
    BootedImage device;
    EXPECT_EQ(GetMode(1), 0u);
    EXPECT_EQ(GetMode(3), 0u);
    EXPECT_TRUE(SetMode(2, 1));   // COM1 RS-422
    EXPECT_TRUE(SetMode(1, 3));   // COM3 RS-485
    EXPECT_FALSE(SetMode(2, 3));  // COM3 has no RS-422
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(SetMode(0, 2));  // no COM2 on this panel
    device.Reboot();
    EXPECT_EQ(GetMode(1), 2u);
    EXPECT_EQ(GetMode(3), 1u);
    auto sets = device.Log({{"ioctl", "0x40004"}});
    ASSERT_EQ(sets.size(), 4u);
    EXPECT_EQ(ce::test::Missing(sets[0], {{"in", "0200000001000000"}, {"out", ""}, {"port", 1}, {"mode", 2}}), "");
    EXPECT_EQ(sets[2]["error"], 87);
}

TEST(PanelDriver, BrightnessStepsClampAtBothEnds) {
    BootedImage device;
    EXPECT_EQ(ce::hw::GetState("epi1.brightness", "21"), "21");
    EXPECT_TRUE(Step(1, 4));
    EXPECT_EQ(ce::hw::GetState("epi1.brightness", ""), "25");
    EXPECT_TRUE(Step(1, 31));
    EXPECT_EQ(ce::hw::GetState("epi1.brightness", ""), "31");
    EXPECT_TRUE(Step(0, 0xFFFFFFFF));  // no wrap-around on huge counts
    EXPECT_EQ(ce::hw::GetState("epi1.brightness", ""), "0");
    EXPECT_FALSE(Step(2, 1));  // no such direction
    auto steps = device.Log({{"ioctl", "0x40010"}});
    ASSERT_EQ(steps.size(), 4u);
    EXPECT_EQ(ce::test::Missing(steps[0], {{"in", "0100000004000000"}, {"out", ""}, {"level", 25}}), "");
    // A short record is refused, not read past its end.
    BYTE shortRec[4] = {1, 0, 0, 0};
    BOOL ok = TRUE;
    Request(u"EPI1:", ce::hw::kIoctlStepBrightness, shortRec, 4, nullptr, 0, &ok);
    EXPECT_FALSE(ok);
}

struct I2cRecord {
    DWORD address, send, sendCount, recv, recvCount, clock;
};
static_assert(sizeof(I2cRecord) == 24);

TEST(I2cDriver, ReadsEepromCellsThroughBufferReferences) {
    BootedImage device("eeprom.mac = 12-34-56-78-9A-BC\n");
    HANDLE h = CreateFile(u"I2C0:", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    BYTE cell = 44, out[6] = {};
    I2cRecord rec{0xA0, MapCallerBuffer32(&cell, 1), 1, MapCallerBuffer32(out, 6), 6, 400000};
    EXPECT_TRUE(DeviceIoControl(h, ce::hw::kIoctlI2cRead, &rec, sizeof rec, nullptr, 0, nullptr, nullptr));
    const BYTE mac[] = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC};
    EXPECT_EQ(std::memcmp(out, mac, 6), 0);

    // Every malformed record is refused without touching memory.
    auto refused = [&](I2cRecord r, DWORD size = sizeof(I2cRecord)) {
        BOOL ok = DeviceIoControl(h, ce::hw::kIoctlI2cRead, &r, size, nullptr, 0, nullptr, nullptr);
        return !ok && GetLastError() != ERROR_SUCCESS;
    };
    EXPECT_TRUE(refused({0xA0, 0x10000010, 1, 0x10000020, 1, 400000}));  // forged references
    EXPECT_TRUE(refused({0xA0, MapCallerBuffer32(&cell, 1), 1, MapCallerBuffer32(out, 1), 6, 400000}));  // too long
    EXPECT_TRUE(refused({0xA0, MapCallerBuffer32(&cell, 1), 1, MapCallerBuffer32(out, 6), 6, 400000}, 20));
    EXPECT_TRUE(refused({0xA2, MapCallerBuffer32(&cell, 1), 1, MapCallerBuffer32(out, 6), 6, 400000}));  // no target
    EXPECT_TRUE(refused({0xA0, 0, 1, 0, 1, 400000}));
    CloseHandle(h);
}

TEST(I2cDriver, MacAddressSurvivesRebootAndConfigChanges) {
    BootedImage device;
    ce::hw::Eeprom rom;
    ASSERT_TRUE(ce::hw::ReadEeprom(rom));
    EXPECT_EQ(rom[44], 0x00);
    EXPECT_EQ(rom[46], 0xC2);
    EXPECT_EQ(rom[49], 0x56);
    ce::test::WriteTextFile(device.dir() / "device.conf", "eeprom.mac = 01-02-03-0A-0B-0C\n");
    device.Reboot();
    ASSERT_TRUE(ce::hw::ReadEeprom(rom));
    EXPECT_EQ(rom[44], 0x01);
    EXPECT_EQ(rom[49], 0x0C);
    // A malformed MAC in device.conf leaves the EEPROM as it was.
    ce::test::WriteTextFile(device.dir() / "device.conf", "eeprom.mac = 1-2-3\n");
    device.Reboot();
    ASSERT_TRUE(ce::hw::ReadEeprom(rom));
    EXPECT_EQ(rom[49], 0x0C);
}

TEST(HardwareFiles, AreRewrittenOnlyWhenChangedAndDamageIsReportedNotHidden) {
    BootedImage device("eeprom.mac = 12-34-56-78-9A-BC\n");
    namespace fs = std::filesystem;
    const fs::path eeprom = device.dir() / "hw" / "eeprom.bin", state = device.dir() / "hw" / "state";
    ASSERT_TRUE(SetMode(1, 3));
    // A boot that changes nothing writes nothing (each write is a chance to lose the file).
    auto old = fs::file_time_type(std::chrono::seconds(1000000));
    fs::last_write_time(eeprom, old);
    fs::last_write_time(state, old);
    device.Reboot();
    EXPECT_EQ(fs::last_write_time(eeprom), old);
    EXPECT_EQ(fs::last_write_time(state), old);
    ASSERT_TRUE(SetMode(1, 3));
    EXPECT_EQ(fs::last_write_time(state), old);

    // What a kill in the middle of a write used to leave behind.
    struct Case {
        const char* file;
        std::string content;
        const char* says;
    } cases[] = {
        {"eeprom.bin", "", "0 bytes instead of 256"},
        {"eeprom.bin", std::string(256, '\xff'), "no configuration block"},
        {"state", "", "empty"},
        {"state", "epi1.com3.mode = 1\n\x01\x02garbage\n", "1 unreadable lines"},
    };
    for (const Case& c : cases) {
        ce::test::WriteTextFile(device.dir() / "hw" / c.file, c.content);
        testing::internal::CaptureStderr();
        device.Reboot();
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find(std::string("hw/") + c.file + " is damaged"), std::string::npos) << err;
        EXPECT_NE(err.find(c.says), std::string::npos) << err;
        size_t logged = 0;
        for (const auto& entry : device.LogHaving("damaged"))
            logged += entry["damaged"].get<std::string>().find(c.says) != std::string::npos;
        EXPECT_EQ(logged, 1u) << c.says;
        EXPECT_EQ(ce::test::ReadTextFile(device.dir() / "hw" / (std::string(c.file) + ".damaged")), c.content);
        // Reported once: the next boot finds the file whole.
        testing::internal::CaptureStderr();
        device.Reboot();
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    }
    ce::hw::Eeprom rom;
    ASSERT_TRUE(ce::hw::ReadEeprom(rom));
    EXPECT_EQ(rom[44], 0x12);
    EXPECT_EQ(rom[49], 0xBC);
    EXPECT_EQ(GetMode(3), 1u);  // the readable line of the damaged state was kept
}

// The screen saver's time-out on a clock the test moves by hand.
class BacklightTimeout : public ::testing::Test {
protected:
    void SetUp() override {
        ce::hw::SetBacklightClock([this] { return now; });
    }
    void TearDown() override { ce::hw::SetBacklightClock(nullptr); }
    static void Store(const WCHAR* name, std::optional<DWORD> value) {
        HKEY key;
        ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, u"ControlPanel\\Backlight", 0, 0, &key), ERROR_SUCCESS);
        if (value)
            RegSetValueEx(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&*value), 4);
        else
            RegDeleteValue(key, name);
        RegCloseKey(key);
    }
    // Tells the driver to read its settings again; it consumes the event, as
    // its waiting thread would.
    static void Signal() {
        HANDLE ev = OpenEvent(EVENT_ALL_ACCESS, FALSE, u"BackLightChangeEvent");
        ASSERT_NE(ev, nullptr);
        EXPECT_TRUE(SetEvent(ev));
        EXPECT_EQ(WaitForSingleObject(ev, 0), WAIT_TIMEOUT);
        CloseHandle(ev);
    }
    void Wait(int seconds) { now += std::chrono::seconds(seconds); }
    std::chrono::steady_clock::time_point now{std::chrono::hours(1)};
};

TEST_F(BacklightTimeout, TheStoredSettingsDecideWhenTheLightGoesOff) {
    struct Case {
        std::optional<DWORD> useExt, acTimeout, oldAcTimeout;
        int offAfter;  // seconds; 0: never
    };
    const Case cases[] = {
        {1, 15, std::nullopt, 15},
        {1, 1800, std::nullopt, 1800},
        {0, std::nullopt, 0xFFFFFFFF, 0},  // "Never" as the screen-saver dialog stores it
        {0, 60, std::nullopt, 0},          // not in use, whatever time-out is left
        {1, 0xFFFFFFFF, std::nullopt, 0},  // an unlisted "never"
        {1, 0, std::nullopt, 0},           // no time: not "at once"
        {1, std::nullopt, 30, 0},          // in use but no time-out stored
        {std::nullopt, 45, std::nullopt, 0},
        {2, 45, std::nullopt, 45},
    };
    BootedImage device;
    for (const Case& c : cases) {
        Store(u"UseExt", c.useExt);
        Store(u"ACTimeout", c.acTimeout);
        Store(u"OldACTimeout", c.oldAcTimeout);
        ce::hw::BacklightTouch();  // lit, whatever the last case left
        Signal();                  // read now; the time-out starts here
        if (c.offAfter == 0) {
            Wait(100000);
            EXPECT_TRUE(ce::hw::GetBacklight().lit) << c.useExt.value_or(99) << " " << c.acTimeout.value_or(99);
            continue;
        }
        Wait(c.offAfter - 1);
        EXPECT_TRUE(ce::hw::GetBacklight().lit) << c.offAfter;
        Wait(1);
        EXPECT_FALSE(ce::hw::GetBacklight().lit) << c.offAfter;
    }
}

TEST_F(BacklightTimeout, ATouchWakesOnceAndRestartsTheTimeoutAndEveryChangeIsLogged) {
    BootedImage device;
    Store(u"ACTimeout", 15);
    Signal();
    Wait(10);
    EXPECT_FALSE(ce::hw::BacklightTouch());  // lit: the touch is the program's
    Wait(10);
    EXPECT_TRUE(ce::hw::GetBacklight().lit);  // 10 s since the touch
    Wait(5);
    // Nobody asked when it went off: the touch notices and wakes it.
    EXPECT_TRUE(ce::hw::BacklightTouch());
    EXPECT_TRUE(ce::hw::GetBacklight().lit);
    EXPECT_FALSE(ce::hw::BacklightTouch());
    auto lines = device.LogHaving("lit");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(ce::test::Missing(lines[0], {{"dev", "backlight"}, {"lit", false}, {"level", 21}, {"timeout", 15}}), "")
        << lines[0];
    EXPECT_EQ(lines[1]["lit"], true) << lines[1];

    // The level follows the panel driver's steps.
    HANDLE panel = CreateFile(u"EPI1:", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(panel, INVALID_HANDLE_VALUE);
    DWORD step[2] = {0, 40};  // darker by more than there is
    EXPECT_TRUE(DeviceIoControl(panel, 0x40010, step, sizeof step, nullptr, 0, nullptr, nullptr));
    CloseHandle(panel);
    EXPECT_EQ(ce::hw::GetBacklight().level, 0u);
    device.Reboot();
    EXPECT_EQ(ce::hw::GetBacklight().level, 0u);  // kept in the image
}

TEST(Hal, RebootRequestIsLoggedAndEndsTheDeviceWithStatusThreeWithoutAHandler) {
    BootedImage device;
    int restarts = 0;
    ce::SetRestartHandler([&] { ++restarts; });
    EXPECT_TRUE(KernelIoControl(IOCTL_HAL_REBOOT, nullptr, 0, nullptr, 0, nullptr));
    EXPECT_EQ(restarts, 1);
    EXPECT_FALSE(KernelIoControl(0x12345, nullptr, 0, nullptr, 0, nullptr));
    EXPECT_EQ(restarts, 1);
    ce::SetRestartHandler(nullptr);
    EXPECT_EQ(device.Log({{"request", "reboot"}}).size(), 1u);
    EXPECT_EXIT(KernelIoControl(IOCTL_HAL_REBOOT, nullptr, 0, nullptr, 0, nullptr), testing::ExitedWithCode(3), "");
}

// Each export of coredll.dll has its own switch in device.conf.
TEST(CoreDll, EachExportFollowsItsSwitch) {
    BootedImage device("coredll.RegSaveKey = absent\n");
    HMODULE core = LoadLibrary(u"coredll.dll");
    ASSERT_NE(core, nullptr);
    EXPECT_EQ(GetProcAddress(core, u"RegSaveKey"), nullptr);
    EXPECT_EQ(GetProcAddress(core, u"RegReplaceKey"), reinterpret_cast<FARPROC>(&RegReplaceKey));
    EXPECT_NE(GetProcAddress(core, u"TouchCalibrate"), nullptr);
    FreeLibrary(core);
}

}  // namespace
