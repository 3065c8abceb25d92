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

// Reading and writing the backlight settings and the brightness; what the
// dialogs store through them is checked by the dialogs' own tests.
TEST(Settings, EachTimeoutIsKeptByItsFlagMissingValuesKeepOutputsAndNoKeyIsCreated) {
    BootedImage device;
    EXPECT_EQ(WriteBacklightTimeout(0xFFFFFFFF, 0), 1);
    EXPECT_EQ(Stored(u"UseExt"), 0u);
    EXPECT_EQ(Stored(u"OldACTimeout"), 0xFFFFFFFFu);
    EXPECT_FALSE(Stored(u"ACTimeout"));
    EXPECT_EQ(WriteBacklightTimeout(300, 1), 1);
    EXPECT_EQ(Stored(u"ACTimeout"), 300u);
    EXPECT_FALSE(Stored(u"OldACTimeout"));

    // Without UseExt the caller's flag chooses the time-out.
    HKEY key;
    ASSERT_TRUE(OpenRegKey(HKEY_CURRENT_USER, BACKLIGHT_KEY, &key));
    RegDeleteValue(key, u"UseExt");
    SetRegDword(key, u"OldACTimeout", 60);
    CloseRegKey(key, 1);
    for (DWORD flag : {0u, 1u}) {
        DWORD timeout = 7, useExt = flag;
        EXPECT_EQ(ReadBacklightTimeout(&timeout, &useExt), 1);
        EXPECT_EQ(useExt, flag);
        EXPECT_EQ(timeout, flag ? 300u : 60u);
    }

    ASSERT_TRUE(OpenRegKey(HKEY_LOCAL_MACHINE, EXTPART_KEY, &key));
    RegDeleteValue(key, BRIGHTNESS_VALUE);
    CloseRegKey(key, 1);
    DWORD level = 99;
    EXPECT_EQ(ReadBrightnessLevel(&level), 0);
    EXPECT_EQ(level, 99u);

    ASSERT_EQ(RegDeleteKey(HKEY_CURRENT_USER, u"ControlPanel\\Backlight"), ERROR_SUCCESS);
    DWORD timeout = 5, useExt = 6;
    EXPECT_EQ(ReadBacklightTimeout(&timeout, &useExt), 0);
    EXPECT_EQ(timeout, 5u);
    EXPECT_EQ(useExt, 6u);
    EXPECT_EQ(WriteBacklightTimeout(300, 1), 0);
    EXPECT_EQ(OpenRegKey(HKEY_CURRENT_USER, BACKLIGHT_KEY, &key), 0);
}

TEST(RegHelpers, DwordsTakeAnyFourBytesAndStringsAreAlwaysTerminated) {
    BootedImage device;
    HKEY key;
    ASSERT_TRUE(OpenRegKey(HKEY_LOCAL_MACHINE, EXTPART_KEY, &key));
    const BYTE four[] = {0x2C, 0x01, 0, 0}, eight[8] = {1};
    RegSetValueEx(key, u"bin4", 0, REG_BINARY, four, 4);
    RegSetValueEx(key, u"bin8", 0, REG_BINARY, eight, 8);
    DWORD v = 5;
    EXPECT_EQ(GetRegDword(key, u"bin4", &v), 1);
    EXPECT_EQ(v, 300u);
    v = 5;
    EXPECT_EQ(GetRegDword(key, u"bin8", &v), 0);
    EXPECT_EQ(GetRegDword(key, u"nothing", &v), 0);
    EXPECT_EQ(v, 5u);

    const WCHAR full[8] = {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'};  // no terminator
    SetRegString(key, u"Full", full, sizeof full);
    SetRegString(key, u"Long", u"0123456789abcdef", 34);
    SetRegString(key, u"Odd", u"xyz", 5);
    SetRegDword(key, u"Number", 0x00410042);
    SetRegString(key, u"Dir", u"\\Temp", 12);
    struct Case {
        const char16_t* name;
        std::u16string read;  // into a buffer of 8 characters
    } cases[] = {
        {u"Full", u"abcdefg"},                           // cut at the end
        {u"Long", u"0123456"}, {u"Odd", u"xy"},          // the odd byte is dropped
        {u"Number", u"BA"},                              // not a string: taken as it is
        {u"Dir", u"\\Temp"},   {u"Missing", u"\\Temp"},  // the buffer is left alone
    };
    WCHAR buf[8];
    std::fill(std::begin(buf), std::end(buf), u'#');
    for (const Case& c : cases) {
        EXPECT_EQ(GetRegString(key, c.name, buf, sizeof buf), 1);
        EXPECT_EQ(std::u16string(buf), c.read) << ce::ToUtf8(c.name);
    }
    // A one-character buffer holds just the terminator.
    WCHAR one[1] = {u'#'};
    GetRegString(key, u"Dir", one, sizeof one);
    EXPECT_EQ(one[0], 0);
    CloseRegKey(key, 0);
}

}  // namespace
