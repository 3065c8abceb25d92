// The control panel's driver requests, checked against the bytes that
// reached the simulated drivers (the device log). The serial-mode and
// brightness records are checked through the dialogs that send them.
#include "paneldriver.h"

#include <gtest/gtest.h>

#include "bootedimage.h"

namespace {

using ce::test::BootedImage;

TEST(MacAddress, ReadsSixCellsOneTransactionEach) {
    BootedImage device("eeprom.mac = 12-34-56-78-9A-BC\n");
    BYTE mac[6] = {};
    EXPECT_EQ(ReadMacAddress(mac), 1);
    const BYTE expected[] = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC};
    EXPECT_EQ(memcmp(mac, expected, 6), 0);
    auto reads = device.Log({{"ioctl", "0x4000c"}});
    ASSERT_EQ(reads.size(), 6u);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(reads[i]["offset"], 44 + i);
        std::string in = reads[i]["in"];
        ASSERT_EQ(in.size(), 48u);                         // the 24-byte record
        EXPECT_EQ(in.substr(0, 8), "a0000000");            // EEPROM address
        EXPECT_EQ(in.substr(16, 8), "01000000");           // one byte sent
        EXPECT_EQ(in.substr(32, 16), "01000000801a0600");  // one byte back, 400 kHz
        EXPECT_FALSE(reads[i].contains("error"));
    }
}

TEST(PanelRequests, WithoutTheDriversNothingIsSentAndOutputsAreKeptOrCleared) {
    BootedImage device("EPI1 = absent\nI2C0 = absent\n");
    DWORD mode = 77;
    EXPECT_EQ(GetSerialMode(&mode, 1), 0);
    EXPECT_EQ(mode, 77u);  // output untouched
    EXPECT_EQ(SetSerialMode(1, 1), 0);
    EXPECT_EQ(StepBrightness(BRIGHTNESS_BRIGHTER, 1), 0);
    EXPECT_EQ(device.Log({{"dev", "EPI1:"}, {"open", "failed"}}).size(), 3u);
    // The MAC address reads as zeros, never as what the buffer held.
    BYTE mac[6] = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(ReadMacAddress(mac), 0);
    for (BYTE b : mac) EXPECT_EQ(b, 0);
    HANDLE h = reinterpret_cast<HANDLE>(1);
    EXPECT_EQ(OpenI2C(&h), 0);
    EXPECT_EQ(h, nullptr);
    EXPECT_EQ(ReadI2CBytes(nullptr, 44, mac, 6), 0);
    EXPECT_EQ(device.Log().size(), device.Log({{"open", "failed"}}).size());
}

}  // namespace
