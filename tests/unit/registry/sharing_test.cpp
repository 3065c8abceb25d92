// What the registry keeps between calls (a read held open, lists, keys found
// by path, sub-key counts) never outlives a change: by this process, or by
// another connection to the store; and the read it holds never stops another
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

// Names as the store keeps them: UTF-16LE as written, UTF-16BE folded.
const char* const kLevel = "x'4c006500760065006c00'";
const char* const kWidth = "x'57006900640074006800'";
const char* const kWidthFold = "x'00770069006400740068'";

class KeptInMemory : public ::testing::Test {
protected:
    ce::test::TestImage image;
};

// A key listed, then its sub-keys opened by their whole path and asked for
// their sub-key counts one after the other, as a tree view fills itself.
TEST_F(KeptInMemory, SubKeysOfTheKeyListedLastFollowEveryChange) {
    for (const char16_t* path : {u"List\\Alpha", u"List\\beta", u"List\\\u00c4rger", u"List\\Deep\\Leaf"})
        RegCloseKey(Create(HKEY_LOCAL_MACHINE, path));
    auto listed = [] {
        HKEY list = nullptr;
        EXPECT_EQ(Open(HKEY_LOCAL_MACHINE, u"List", &list), ERROR_SUCCESS);
        SubKeys(list);
        return list;
    };
    HKEY list = listed();
    struct Case {
        const char16_t* path;
        LONG opened;
        DWORD subKeys;
    } cases[] = {
        {u"List\\ALPHA", ERROR_SUCCESS, 0},
        {u"List\\\u00e4RGER", ERROR_SUCCESS, 0},
        {u"List\\deep", ERROR_SUCCESS, 1},
        {u"List\\gamma", ERROR_FILE_NOT_FOUND, 99},
        {u"List\\Alpha\\x", ERROR_FILE_NOT_FOUND, 99},
        {u"List\\DEEP\\leaf", ERROR_SUCCESS, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(OpenError(HKEY_LOCAL_MACHINE, c.path), c.opened) << "case " << (&c - cases);
        EXPECT_EQ(SubKeyCount(HKEY_LOCAL_MACHINE, c.path), c.subKeys);
    }
    // The key opened by its path is the key itself.
    HKEY alpha = nullptr;
    ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, u"List\\alpha", &alpha), ERROR_SUCCESS);
    ASSERT_EQ(SetDword(alpha, u"v", 7), ERROR_SUCCESS);
    RegCloseKey(alpha);
    DWORD v = 0;
    HKEY again = Create(list, u"ALPHA");
    EXPECT_EQ(GetDword(again, u"v", v), ERROR_SUCCESS);
    RegCloseKey(again);
    RegCloseKey(list);

    // Changes by this process.
    ASSERT_EQ(RegRenameKey(HKEY_LOCAL_MACHINE, u"List\\Alpha", u"Gamma"), ERROR_SUCCESS);
    RegCloseKey(Create(HKEY_LOCAL_MACHINE, u"List\\beta\\Sub"));
    ASSERT_EQ(RegDeleteKey(HKEY_LOCAL_MACHINE, u"List\\Deep\\Leaf"), ERROR_SUCCESS);
    list = listed();
    EXPECT_EQ(OpenError(HKEY_LOCAL_MACHINE, u"List\\alpha"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(SubKeyCount(HKEY_LOCAL_MACHINE, u"List\\gamma"), 0u);
    EXPECT_EQ(SubKeyCount(HKEY_LOCAL_MACHINE, u"List\\beta"), 1u);
    EXPECT_EQ(SubKeyCount(HKEY_LOCAL_MACHINE, u"List\\deep"), 0u);
    RegCloseKey(list);
}

// Reads everything the test looks at, so that this process holds a read
// and has lists, values and a key path in memory.
void ReadPanel(HKEY panel) {
    DWORD v = 0, values = 0;
    EXPECT_EQ(SubKeys(panel), std::vector<std::u16string>{u"Mode"});
    EXPECT_EQ(ValueNames(panel), std::vector<std::u16string>{u"Level"});
    EXPECT_EQ(GetDword(panel, u"Level", v), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryInfoKey(panel, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                              nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(OpenError(HKEY_LOCAL_MACHINE, u"Panel\\Mode"), ERROR_SUCCESS);
    SubKeys(HKEY_LOCAL_MACHINE);
    EXPECT_EQ(SubKeyCount(HKEY_LOCAL_MACHINE, u"Other"), 0u);
    EXPECT_EQ(SubKeyCount(HKEY_LOCAL_MACHINE, u"Panel"), 1u);
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
    ASSERT_EQ(GetDword(panel, u"Level", v), ERROR_SUCCESS);
    EXPECT_EQ(v, 2u);
    EXPECT_EQ(ValueNames(panel), (std::vector<std::u16string>{u"Level", u"Width"}));
    EXPECT_EQ(RegQueryInfoKey(panel, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                              nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(values, 2u);
    EXPECT_EQ(SubKeys(panel), std::vector<std::u16string>{});
    EXPECT_EQ(OpenError(HKEY_LOCAL_MACHINE, u"Panel\\Mode"), ERROR_FILE_NOT_FOUND);
    SubKeys(HKEY_LOCAL_MACHINE);
    EXPECT_EQ(SubKeyCount(HKEY_LOCAL_MACHINE, u"Other"), 0u);
    EXPECT_EQ(SubKeyCount(HKEY_LOCAL_MACHINE, u"Panel"), 0u);
}

class OtherConnection : public ::testing::Test {
protected:
    void TearDown() override {
        RegCloseKey(panel);
        sqlite3_close(db);
    }
    // This process reads Panel all over, then the other connection changes it.
    void ReadThenChange() {
        RegCloseKey(Create(HKEY_LOCAL_MACHINE, u"Other"));
        panel = Create(HKEY_LOCAL_MACHINE, u"Panel");
        RegCloseKey(Create(panel, u"Mode"));
        ASSERT_EQ(SetDword(panel, u"Level", 1), ERROR_SUCCESS);
        ReadPanel(panel);
        ASSERT_EQ(sqlite3_open_v2((image.dir() / "registry.db").c_str(), &db, SQLITE_OPEN_READWRITE, nullptr),
                  SQLITE_OK);
        sqlite3_busy_timeout(db, 20000);
        ASSERT_EQ(sqlite3_exec(db, OtherChange().c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    }

    ce::test::TestImage image;
    sqlite3* db = nullptr;
    HKEY panel = nullptr;
};

TEST_F(OtherConnection, ItsCommitIsSeenAtTheNextCall) {
    // Only the commit can end this process's read here.
    ce::reg::SetReadHold(std::chrono::hours(1));
    struct Restore {
        ~Restore() { ce::reg::SetReadHold(std::chrono::milliseconds(10)); }
    } restore;
    ReadThenChange();
    ExpectChanged(panel);
}

TEST_F(OtherConnection, ItsCheckpointDoesNotWaitForAnIdleReader) {
    ReadThenChange();
    // A full checkpoint waits until every reader has left the older commits.
    EXPECT_EQ(sqlite3_wal_checkpoint_v2(db, nullptr, SQLITE_CHECKPOINT_FULL, nullptr, nullptr), SQLITE_OK);
    ExpectChanged(panel);
}

}  // namespace
