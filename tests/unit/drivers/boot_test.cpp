// First boot, later boots and the switches of device.conf.
#include <gtest/gtest.h>

#include "bootedimage.h"
#include "regvalues.h"
#include "storesql.h"

namespace {

using ce::test::BootedImage;

using ce::test::RegDword, ce::test::RegType;

TEST(Boot, FirstBootCreatesTheFactoryImage) {
    BootedImage device;
    // (The control panel's settings are checked by the dialogs opening on them.)
    EXPECT_EQ(RegDword(HKEY_LOCAL_MACHINE, u"Comm\\FTPD", u"IsEnabled"), 1u);
    EXPECT_EQ(RegType(HKEY_LOCAL_MACHINE, u"Comm\\FTPD", u"UserList"), static_cast<DWORD>(REG_SZ));
    // Content of every value type for the registry editor.
    EXPECT_EQ(RegType(HKEY_LOCAL_MACHINE, u"Loader", u"SystemPath"), static_cast<DWORD>(REG_MULTI_SZ));
    EXPECT_EQ(RegType(HKEY_LOCAL_MACHINE, u"Software\\Shell", u"StartupPath"), static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_EQ(RegType(HKEY_CURRENT_USER, u"ControlPanel\\Owner", u"Owner"), static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(RegType(HKEY_LOCAL_MACHINE, u"System\\Events", u"LastBootTime"), static_cast<DWORD>(REG_QWORD));

    auto civ = device.dir() / "fs" / "Windows" / "info.civ";
    ASSERT_TRUE(std::filesystem::exists(civ));
    EXPECT_EQ(std::filesystem::file_size(civ), 708u);
    std::string conf = ce::test::ReadTextFile(device.dir() / "device.conf");
    EXPECT_NE(conf.find("EPI1 = present"), std::string::npos);
    EXPECT_NE(conf.find("# absent: the panel driver cannot be opened"), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_directory(device.dir() / "fs" / "StorageCard"));
}

// (That the registry keeps the user's changes is checked wherever a test
// reboots; a factory registry written again fails most of them.)
TEST(Boot, LaterBootsKeepTheUsersDeletions) {
    BootedImage device;
    std::filesystem::remove(device.dir() / "fs" / "Windows" / "info.civ");
    device.Reboot();
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

TEST(Boot, AFailedRestoreIsReportedAtEveryBootAndKeptWhole) {
    BootedImage device;
    ASSERT_EQ(RegDeleteKey(HKEY_LOCAL_MACHINE, u"Comm\\FTPD"), ERROR_SUCCESS);
    ASSERT_EQ(RegSaveKey(HKEY_LOCAL_MACHINE, u"\\StorageCard\\backup.bak", nullptr), ERROR_SUCCESS);
    HKEY after = nullptr;
    ASSERT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, u"AfterBackup", 0, nullptr, 0, 0, nullptr, &after, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(after);
    ASSERT_EQ(RegReplaceKey(HKEY_LOCAL_MACHINE, nullptr, u"\\StorageCard\\backup.bak", nullptr), ERROR_SUCCESS);
    // The store refuses the replacement part-way, as a full disk would.
    // (The old tree is already deleted inside the transaction when the first insert fails.)
    ASSERT_EQ(
        ce::test::StoreSql(device.dir(),
                           "CREATE TRIGGER full AFTER INSERT ON keys BEGIN SELECT RAISE(ABORT, 'disk full'); END;"),
        "");
    for (int boot = 1; boot <= 2; ++boot) {
        testing::internal::CaptureStderr();
        device.Reboot();
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find("registry.pending could not be applied"), std::string::npos) << err;
        EXPECT_EQ(device.Log({{"restore", "failed"}}).size(), static_cast<size_t>(boot));
        EXPECT_TRUE(std::filesystem::exists(device.dir() / "registry.pending"));
        HKEY h = nullptr;  // nothing of the restore applied, nothing of the old registry lost
        EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, u"AfterBackup", 0, 0, &h), ERROR_SUCCESS);
        RegCloseKey(h);
        EXPECT_FALSE(RegDword(HKEY_LOCAL_MACHINE, u"Comm\\FTPD", u"IsEnabled"));
    }
    ASSERT_EQ(ce::test::StoreSql(device.dir(), "DROP TRIGGER full"), "");
    device.Reboot();
    EXPECT_FALSE(std::filesystem::exists(device.dir() / "registry.pending"));
    HKEY h = nullptr;
    EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, u"AfterBackup", 0, 0, &h), ERROR_FILE_NOT_FOUND);
}

TEST(Boot, ADamagedStoreIsRefusedAndNeverReplacedByTheFactoryOne) {
    struct Case {
        const char* sql;  // nullptr: the file is emptied
        const char* says;
    } cases[] = {
        {nullptr, "holds no registry"},
        {"DROP TABLE vals", "table of values is missing"},
        {"DROP INDEX keys_children", "index of sub-keys is missing"},
        {"DELETE FROM keys WHERE id = 3", "root keys is missing"},
        {"PRAGMA user_version = 7", "format version is 7"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.says);
        auto dir = ce::test::MakeTempDir("ce-damaged-");
        ce::BootOptions options;
        options.deviceDir = dir;
        std::string error;
        ASSERT_TRUE(ce::BootDevice(options, error)) << error;
        ce::ShutdownDevice();
        if (c.sql)
            EXPECT_EQ(ce::test::StoreSql(dir, c.sql), "");
        else
            std::filesystem::resize_file(dir / "registry.db", 0);
        auto size = std::filesystem::file_size(dir / "registry.db");
        EXPECT_FALSE(ce::BootDevice(options, error));
        EXPECT_NE(error.find("registry.db is damaged: "), std::string::npos) << error;
        EXPECT_NE(error.find(c.says), std::string::npos) << error;
        EXPECT_EQ(std::filesystem::file_size(dir / "registry.db"), size);
        // Without the option to create one, a missing image is refused too.
        options.deviceDir = dir / "none";
        options.createImage = false;
        EXPECT_FALSE(ce::BootDevice(options, error));
        EXPECT_NE(error.find("there is no device image"), std::string::npos) << error;
        EXPECT_FALSE(std::filesystem::exists(dir / "none"));
        std::filesystem::remove_all(dir);
    }
}

}  // namespace
