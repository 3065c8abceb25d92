// The registry while another connection to the store writes: this process
// keeps a read open across its calls (and caches what it read), yet every
// call sees the newest commit, and that read never stops another
// connection's checkpoint.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <string>

#include "ce_registry.h"
#include "regtest.h"
#include "testimage.h"

using namespace regtest;

namespace {

class OtherConnection : public ::testing::Test {
protected:
    void TearDown() override { sqlite3_close(db); }
    // The second connection, once the registry has made its store.
    void Connect() {
        ASSERT_EQ(sqlite3_open_v2((image.dir() / "registry.db").c_str(), &db, SQLITE_OPEN_READWRITE, nullptr),
                  SQLITE_OK);
        sqlite3_busy_timeout(db, 20000);
    }
    int Exec(const std::string& sql) { return sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr); }

    ce::test::TestImage image;
    sqlite3* db = nullptr;
};

// Names as the store keeps them: UTF-16LE as written, UTF-16BE folded.
const char* const kLevel = "x'4c006500760065006c00'";
const char* const kWidth = "x'57006900640074006800'";
const char* const kWidthFold = "x'00770069006400740068'";

// Reads everything the test looks at, so that this process holds a read
// and has lists, values and a key path in memory.
void ReadPanel(HKEY panel) {
    DWORD v = 0, values = 0;
    HKEY mode = nullptr;
    EXPECT_EQ(SubKeys(panel), std::vector<std::u16string>{u"Mode"});
    EXPECT_EQ(ValueNames(panel), std::vector<std::u16string>{u"Level"});
    EXPECT_EQ(GetDword(panel, u"Level", v), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryInfoKey(panel, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                              nullptr, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, u"Panel\\Mode", &mode), ERROR_SUCCESS);
    RegCloseKey(mode);
}

// The other connection's change: Level 1 -> 2, a value Width added, Mode deleted.
std::string OtherChange() {
    std::string key = "(SELECT key FROM vals WHERE name=" + std::string(kLevel) + ")";
    return "BEGIN IMMEDIATE;UPDATE vals SET data=x'02000000' WHERE name=" + std::string(kLevel) +
           ";INSERT INTO vals VALUES(" + key + "," + kWidthFold + "," + kWidth + ",4,x'05000000');" +
           "DELETE FROM keys WHERE parent=" + key + ";COMMIT";
}

void ExpectChanged(HKEY panel) {
    DWORD v = 0, values = 0;
    HKEY mode = nullptr;
    ASSERT_EQ(GetDword(panel, u"Level", v), ERROR_SUCCESS);
    EXPECT_EQ(v, 2u);
    EXPECT_EQ(ValueNames(panel), (std::vector<std::u16string>{u"Level", u"Width"}));
    EXPECT_EQ(RegQueryInfoKey(panel, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                              nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(values, 2u);
    EXPECT_EQ(SubKeys(panel), std::vector<std::u16string>{});
    EXPECT_EQ(Open(HKEY_LOCAL_MACHINE, u"Panel\\Mode", &mode), ERROR_FILE_NOT_FOUND);
}

TEST_F(OtherConnection, ItsCommitIsSeenAtTheNextCall) {
    // Only the commit can end this process's read here.
    ce::reg::SetReadHold(std::chrono::hours(1));
    struct Restore {
        ~Restore() { ce::reg::SetReadHold(std::chrono::milliseconds(10)); }
    } restore;
    HKEY panel = Create(HKEY_LOCAL_MACHINE, u"Panel");
    RegCloseKey(Create(panel, u"Mode"));
    ASSERT_EQ(SetDword(panel, u"Level", 1), ERROR_SUCCESS);
    ReadPanel(panel);
    Connect();
    ASSERT_EQ(Exec(OtherChange()), SQLITE_OK);
    ExpectChanged(panel);
    RegCloseKey(panel);
}

TEST_F(OtherConnection, ItsCheckpointDoesNotWaitForAnIdleReader) {
    HKEY panel = Create(HKEY_LOCAL_MACHINE, u"Panel");
    RegCloseKey(Create(panel, u"Mode"));
    ASSERT_EQ(SetDword(panel, u"Level", 1), ERROR_SUCCESS);
    ReadPanel(panel);
    Connect();
    ASSERT_EQ(Exec(OtherChange()), SQLITE_OK);
    // A full checkpoint waits until every reader has left the older commits.
    EXPECT_EQ(sqlite3_wal_checkpoint_v2(db, nullptr, SQLITE_CHECKPOINT_FULL, nullptr, nullptr), SQLITE_OK);
    ExpectChanged(panel);
    RegCloseKey(panel);
}

}  // namespace
