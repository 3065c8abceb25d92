// The settings store against the device registry.
#include "settings.h"

#include <gtest/gtest.h>

#include "bootedimage.h"
#include "regvalues.h"

namespace {

using ce::test::BootedImage;

std::optional<DWORD> Stored(const char16_t* name) {
    return ce::test::RegDword(HKEY_CURRENT_USER, BACKLIGHT_KEY, name);
}

TEST(BacklightSettings, WriteKeepsExactlyTheMatchingTimeoutValue) {
    BootedImage device;
    EXPECT_EQ(WriteBacklightTimeout(0xFFFFFFFF, 0), 1);
    EXPECT_EQ(Stored(u"UseExt"), 0u);
    EXPECT_EQ(Stored(u"OldACTimeout"), 0xFFFFFFFFu);
    EXPECT_FALSE(Stored(u"ACTimeout"));

    EXPECT_EQ(WriteBacklightTimeout(300, 1), 1);
    EXPECT_EQ(Stored(u"ACTimeout"), 300u);
    EXPECT_FALSE(Stored(u"OldACTimeout"));

    DWORD timeout = 0, useExt = 0;
    EXPECT_EQ(ReadBacklightTimeout(&timeout, &useExt), 1);
    EXPECT_EQ(useExt, 1u);
    EXPECT_EQ(timeout, 300u);
}

TEST(BacklightSettings, MissingUseExtKeepsTheCallersFlagToChooseTheTimeout) {
    BootedImage device;
    HKEY key;
    ASSERT_TRUE(OpenRegKey(HKEY_CURRENT_USER, BACKLIGHT_KEY, &key));
    RegDeleteValue(key, u"UseExt");
    SetRegDword(key, u"OldACTimeout", 60);
    CloseRegKey(key, 1);
    DWORD timeout = 7, useExt = 0;
    EXPECT_EQ(ReadBacklightTimeout(&timeout, &useExt), 1);
    EXPECT_EQ(useExt, 0u);
    EXPECT_EQ(timeout, 60u);
    timeout = 7;
    useExt = 1;
    EXPECT_EQ(ReadBacklightTimeout(&timeout, &useExt), 1);
    EXPECT_EQ(timeout, 300u);  // ACTimeout, chosen by the caller's flag
}

TEST(BacklightSettings, MissingKeyIsNeverCreated) {
    BootedImage device;
    ASSERT_EQ(RegDeleteKey(HKEY_CURRENT_USER, u"ControlPanel\\Backlight"), ERROR_SUCCESS);
    DWORD timeout = 5, useExt = 6;
    EXPECT_EQ(ReadBacklightTimeout(&timeout, &useExt), 0);
    EXPECT_EQ(timeout, 5u);
    EXPECT_EQ(useExt, 6u);
    EXPECT_EQ(WriteBacklightTimeout(300, 1), 0);
    HKEY key;
    EXPECT_EQ(OpenRegKey(HKEY_CURRENT_USER, BACKLIGHT_KEY, &key), 0);
}

TEST(BrightnessSettings, ReadWriteAndMissingValue) {
    BootedImage device;
    DWORD level = 0;
    EXPECT_EQ(ReadBrightnessLevel(&level), 1);
    EXPECT_EQ(level, 21u);
    EXPECT_EQ(WriteBrightnessLevel(31), 1);
    EXPECT_EQ(ReadBrightnessLevel(&level), 1);
    EXPECT_EQ(level, 31u);
    HKEY key;
    ASSERT_TRUE(OpenRegKey(HKEY_LOCAL_MACHINE, EXTPART_KEY, &key));
    RegDeleteValue(key, BRIGHTNESS_VALUE);
    CloseRegKey(key, 1);
    level = 99;
    EXPECT_EQ(ReadBrightnessLevel(&level), 0);
    EXPECT_EQ(level, 99u);
}

TEST(RegHelpers, GetRegDwordTakesAnyFourBytesAndLeavesOutputOnFailure) {
    BootedImage device;
    HKEY key;
    ASSERT_TRUE(OpenRegKey(HKEY_LOCAL_MACHINE, EXTPART_KEY, &key));
    const BYTE four[] = {0x2C, 0x01, 0, 0};
    RegSetValueEx(key, u"bin4", 0, REG_BINARY, four, 4);
    const BYTE eight[8] = {1};
    RegSetValueEx(key, u"bin8", 0, REG_BINARY, eight, 8);
    DWORD v = 5;
    EXPECT_EQ(GetRegDword(key, u"bin4", &v), 1);
    EXPECT_EQ(v, 300u);
    v = 5;
    EXPECT_EQ(GetRegDword(key, u"bin8", &v), 0);
    EXPECT_EQ(GetRegDword(key, u"nothing", &v), 0);
    EXPECT_EQ(v, 5u);
    CloseRegKey(key, 0);
}

TEST(RegHelpers, GetRegStringAlwaysLeavesATerminatedString) {
    BootedImage device;
    HKEY key;
    ASSERT_TRUE(OpenRegKey(HKEY_LOCAL_MACHINE, u"Comm\\FTPD", &key));
    WCHAR buf[8];
    auto fill = [&] { std::fill(std::begin(buf), std::end(buf), u'#'); };

    // Data that fills the buffer exactly, without a terminator: cut at the end.
    const WCHAR full[8] = {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'};
    SetRegString(key, u"Full", full, sizeof full);
    fill();
    EXPECT_EQ(GetRegString(key, u"Full", buf, sizeof buf), 1);
    EXPECT_EQ(std::u16string(buf), u"abcdefg");

    // Longer than the buffer.
    SetRegString(key, u"Long", u"0123456789abcdef", 34);
    fill();
    GetRegString(key, u"Long", buf, sizeof buf);
    EXPECT_EQ(std::u16string(buf), u"0123456");

    // Odd length: the odd byte is dropped.
    SetRegString(key, u"Odd", u"xyz", 5);
    fill();
    GetRegString(key, u"Odd", buf, sizeof buf);
    EXPECT_EQ(std::u16string(buf), u"xy");

    // Not a string at all.
    SetRegDword(key, u"Number", 0x00410042);
    fill();
    GetRegString(key, u"Number", buf, sizeof buf);
    EXPECT_EQ(std::u16string(buf), u"BA");

    // A normal string, and a missing value that leaves the buffer alone.
    SetRegString(key, u"Dir", u"\\Temp", 12);
    GetRegString(key, u"Dir", buf, sizeof buf);
    EXPECT_EQ(std::u16string(buf), u"\\Temp");
    GetRegString(key, u"Missing", buf, sizeof buf);
    EXPECT_EQ(std::u16string(buf), u"\\Temp");

    // A one-character buffer holds just the terminator.
    WCHAR one[1] = {u'#'};
    GetRegString(key, u"Dir", one, sizeof one);
    EXPECT_EQ(one[0], 0);
    CloseRegKey(key, 0);
}

}  // namespace
