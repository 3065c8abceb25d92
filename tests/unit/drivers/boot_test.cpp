// First boot, later boots and the switches of device.conf.
#include <gtest/gtest.h>

#include "bootedimage.h"

namespace {

using ce::test::BootedImage;

DWORD QueryDword(HKEY root, const char16_t* path, const char16_t* name) {
    HKEY key;
    if (RegOpenKeyEx(root, path, 0, 0, &key) != ERROR_SUCCESS) return 0xDEADBEEF;
    DWORD v = 0xDEADBEEF, size = 4;
    RegQueryValueEx(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&v), &size);
    RegCloseKey(key);
    return v;
}

DWORD ValueType(HKEY root, const char16_t* path, const char16_t* name) {
    HKEY key;
    if (RegOpenKeyEx(root, path, 0, 0, &key) != ERROR_SUCCESS) return 0xFFFF;
    DWORD type = 0xFFFF;
    RegQueryValueEx(key, name, nullptr, &type, nullptr, nullptr);
    RegCloseKey(key);
    return type;
}

TEST(Boot, FirstBootCreatesTheFactoryImage) {
    BootedImage device;
    EXPECT_EQ(QueryDword(HKEY_CURRENT_USER, u"ControlPanel\\Backlight", u"UseExt"), 1u);
    EXPECT_EQ(QueryDword(HKEY_CURRENT_USER, u"ControlPanel\\Backlight", u"ACTimeout"), 300u);
    EXPECT_EQ(QueryDword(HKEY_LOCAL_MACHINE, u"Drivers\\BuiltIn\\ExtPartInit", u"brightless_value"), 21u);
    EXPECT_EQ(QueryDword(HKEY_LOCAL_MACHINE, u"Drivers\\BuiltIn\\ExtPartInit", u"RotateAngle"), 0u);
    EXPECT_EQ(QueryDword(HKEY_LOCAL_MACHINE, u"Comm\\FTPD", u"IsEnabled"), 1u);
    EXPECT_EQ(ValueType(HKEY_LOCAL_MACHINE, u"Comm\\FTPD", u"DefaultDir"), static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(ValueType(HKEY_LOCAL_MACHINE, u"Comm\\FTPD", u"UserList"), static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(ValueType(HKEY_LOCAL_MACHINE, u"Comm\\HTTPD\\VROOTS\\/", u"default"), static_cast<DWORD>(REG_SZ));
    // Content of every value type for the registry editor.
    EXPECT_EQ(ValueType(HKEY_LOCAL_MACHINE, u"Loader", u"SystemPath"), static_cast<DWORD>(REG_MULTI_SZ));
    EXPECT_EQ(ValueType(HKEY_LOCAL_MACHINE, u"Software\\Shell", u"StartupPath"), static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_EQ(ValueType(HKEY_CURRENT_USER, u"ControlPanel\\Owner", u"Owner"), static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(ValueType(HKEY_LOCAL_MACHINE, u"System\\Events", u"LastBootTime"), static_cast<DWORD>(REG_QWORD));

    auto civ = device.dir() / "fs" / "Windows" / "info.civ";
    ASSERT_TRUE(std::filesystem::exists(civ));
    EXPECT_EQ(std::filesystem::file_size(civ), 708u);
    std::string conf = ce::test::ReadTextFile(device.dir() / "device.conf");
    EXPECT_NE(conf.find("EPI1 = present"), std::string::npos);
    EXPECT_NE(conf.find("# absent: the panel driver cannot be opened"), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_directory(device.dir() / "fs" / "StorageCard"));
}

TEST(Boot, LaterBootsKeepTheUsersChangesAndDeletions) {
    BootedImage device;
    HKEY key;
    ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, u"Drivers\\BuiltIn\\ExtPartInit", 0, 0, &key), ERROR_SUCCESS);
    DWORD level = 5;
    RegSetValueEx(key, u"brightless_value", 0, REG_DWORD, reinterpret_cast<BYTE*>(&level), 4);
    RegFlushKey(key);
    RegCloseKey(key);
    std::filesystem::remove(device.dir() / "fs" / "Windows" / "info.civ");
    device.Reboot();
    EXPECT_EQ(QueryDword(HKEY_LOCAL_MACHINE, u"Drivers\\BuiltIn\\ExtPartInit", u"brightless_value"), 5u);
    EXPECT_FALSE(std::filesystem::exists(device.dir() / "fs" / "Windows" / "info.civ"));
}

TEST(Boot, ImagePathThatIsAFileIsRefused) {
    auto dir = ce::test::MakeTempDir("ce-bad-");
    ce::test::WriteTextFile(dir / "image", "not a folder");
    ce::BootOptions options;
    options.deviceDir = dir / "image";
    std::string error;
    EXPECT_FALSE(ce::BootDevice(options, error));
    EXPECT_NE(error.find("is not a folder"), std::string::npos);
    options.deviceDir = dir / "dev";
    options.storageCardHostDir = dir / "no-such-card";
    EXPECT_FALSE(ce::BootDevice(options, error));
    EXPECT_NE(error.find("storage card"), std::string::npos);
    std::filesystem::remove_all(dir);
}

TEST(Boot, StorageCardFollowsDeviceConfAndTheHostFolderOption) {
    {
        BootedImage device("storage_card = absent\n");
        EXPECT_TRUE(ce::Image().storageCard.empty());
    }
    auto card = ce::test::MakeTempDir("ce-card-");
    auto dir = ce::test::MakeTempDir("ce-device-");
    ce::BootOptions options;
    options.deviceDir = dir;
    options.storageCardHostDir = card;
    std::string error;
    ASSERT_TRUE(ce::BootDevice(options, error)) << error;
    EXPECT_EQ(ce::Image().storageCard, std::filesystem::absolute(card));
    ce::ShutdownDevice();
    std::filesystem::remove_all(dir);
    std::filesystem::remove_all(card);
}

TEST(Boot, StagedReplacementReplacesLocalMachineAtTheNextBoot) {
    BootedImage device;
    HMODULE core = LoadLibrary(u"coredll.dll");
    auto save = reinterpret_cast<LONG (*)(HKEY, LPCWSTR, LPSECURITY_ATTRIBUTES)>(GetProcAddress(core, u"RegSaveKey"));
    auto replace = reinterpret_cast<LONG (*)(HKEY, LPCWSTR, LPCWSTR, LPCWSTR)>(GetProcAddress(core, u"RegReplaceKey"));
    ASSERT_TRUE(save && replace);
    ASSERT_EQ(save(HKEY_LOCAL_MACHINE, u"\\StorageCard\\backup.bak", nullptr), ERROR_SUCCESS);
    FreeLibrary(core);
    // Change something after the backup, then restore it.
    EXPECT_EQ(RegDeleteKey(HKEY_LOCAL_MACHINE, u"Comm\\FTPD"), ERROR_SUCCESS);
    ASSERT_EQ(replace(HKEY_LOCAL_MACHINE, nullptr, u"\\StorageCard\\backup.bak", nullptr), ERROR_SUCCESS);
    EXPECT_EQ(QueryDword(HKEY_LOCAL_MACHINE, u"Comm\\FTPD", u"IsEnabled"), 0xDEADBEEFu);  // not before the restart
    device.Reboot();
    EXPECT_EQ(QueryDword(HKEY_LOCAL_MACHINE, u"Comm\\FTPD", u"IsEnabled"), 1u);
    // HKEY_CURRENT_USER is not part of the replacement.
    EXPECT_EQ(QueryDword(HKEY_CURRENT_USER, u"ControlPanel\\Backlight", u"ACTimeout"), 300u);
}

}  // namespace
