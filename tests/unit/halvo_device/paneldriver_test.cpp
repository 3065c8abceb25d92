// The control panel's driver requests, checked against the bytes that
// reached the simulated drivers (the device log).
#include "paneldriver.h"

#include <gtest/gtest.h>

#include "bootedimage.h"

namespace {

using ce::test::BootedImage;

// A member as text ("" when missing): strings as they are, numbers written out.
std::string Field(const ce::test::Json& entry, const std::string& name) {
    if (!entry.contains(name)) return "";
    return entry[name].is_string() ? entry[name].get<std::string>() : entry[name].dump();
}

TEST(PanelRequests, SerialModeRecordsAndRoundTrip) {
    BootedImage device;
    EXPECT_EQ(SetSerialMode(SERIAL_MODE_RS485, 1), 1);
    EXPECT_EQ(SetSerialMode(SERIAL_MODE_RS232, 3), 1);
    DWORD mode = 99;
    EXPECT_EQ(GetSerialMode(&mode, 1), 1);
    EXPECT_EQ(mode, static_cast<DWORD>(SERIAL_MODE_RS485));
    auto sets = device.Log({{"ioctl", "0x40004"}});
    ASSERT_EQ(sets.size(), 2u);
    EXPECT_EQ(Field(sets[0], "in"), "0100000001000000");
    EXPECT_EQ(Field(sets[1], "in"), "0000000003000000");
    auto gets = device.Log({{"ioctl", "0x40008"}});
    ASSERT_EQ(gets.size(), 1u);
    EXPECT_EQ(Field(gets[0], "in"), "");
    EXPECT_EQ(Field(gets[0], "out"), "0100000001000000");
}

TEST(PanelRequests, SilentDriverGivesModeThree) {
    BootedImage device("EPI1.get_mode = silent\n");
    DWORD mode = 0;
    EXPECT_EQ(GetSerialMode(&mode, 3), 1);
    EXPECT_EQ(mode, static_cast<DWORD>(SERIAL_MODE_NONE));
}

TEST(PanelRequests, WithoutThePanelDriverNothingIsSent) {
    BootedImage device("EPI1 = absent\n");
    DWORD mode = 77;
    EXPECT_EQ(GetSerialMode(&mode, 1), 0);
    EXPECT_EQ(mode, 77u);  // output untouched
    EXPECT_EQ(SetSerialMode(1, 1), 0);
    EXPECT_EQ(StepBrightness(BRIGHTNESS_BRIGHTER, 1), 0);
    EXPECT_TRUE(device.Log().size() == device.Log({{"dev", "EPI1:"}, {"open", "failed"}}).size());
    EXPECT_EQ(device.Log({{"open", "failed"}}).size(), 3u);
}

TEST(PanelRequests, BrightnessStepRecord) {
    BootedImage device;
    EXPECT_EQ(StepBrightness(BRIGHTNESS_DARKER, 4), 1);
    auto steps = device.Log({{"ioctl", "0x40010"}});
    ASSERT_EQ(steps.size(), 1u);
    EXPECT_EQ(Field(steps[0], "in"), "0000000004000000");
    EXPECT_EQ(Field(steps[0], "level"), "17");
}

TEST(MacAddress, ReadsSixCellsOneTransactionEach) {
    BootedImage device("eeprom.mac = 12-34-56-78-9A-BC\n");
    BYTE mac[6] = {};
    EXPECT_EQ(ReadMacAddress(mac), 1);
    const BYTE expected[] = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC};
    EXPECT_EQ(memcmp(mac, expected, 6), 0);
    auto reads = device.Log({{"ioctl", "0x4000c"}});
    ASSERT_EQ(reads.size(), 6u);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(Field(reads[i], "offset"), std::to_string(44 + i));
        std::string in = Field(reads[i], "in");
        ASSERT_EQ(in.size(), 48u);                         // the 24-byte record
        EXPECT_EQ(in.substr(0, 8), "a0000000");            // EEPROM address
        EXPECT_EQ(in.substr(16, 8), "01000000");           // one byte sent
        EXPECT_EQ(in.substr(32, 16), "01000000801a0600");  // one byte back, 400 kHz
        EXPECT_EQ(Field(reads[i], "error"), "");
    }
}

TEST(MacAddress, WithoutTheBusAllZerosAndFailure) {
    BootedImage device("I2C0 = absent\n");
    BYTE mac[6] = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(ReadMacAddress(mac), 0);
    for (BYTE b : mac) EXPECT_EQ(b, 0);
    HANDLE h = reinterpret_cast<HANDLE>(1);
    EXPECT_EQ(OpenI2C(&h), 0);
    EXPECT_EQ(h, nullptr);
    EXPECT_EQ(ReadI2CBytes(nullptr, 44, mac, 6), 0);
}

}  // namespace
