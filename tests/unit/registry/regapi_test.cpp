// The Win32 registry API: handles, names, values, enumeration, deletion.
#include <gtest/gtest.h>

#include <array>
#include <thread>

#include "ce_registry.h"
#include "regtest.h"
#include "testimage.h"

using namespace regtest;

namespace {

class Registry : public ::testing::Test {
protected:
    ce::test::TestImage image;
};

TEST_F(Registry, BadAndClosedHandlesAreRefusedEverywhere) {
    HKEY h = Create(HKEY_LOCAL_MACHINE, u"Software");
    ASSERT_EQ(RegCloseKey(h), ERROR_SUCCESS);
    HKEY bogus = reinterpret_cast<HKEY>(uintptr_t{0x1234});
    for (HKEY bad : {h, bogus, static_cast<HKEY>(nullptr), reinterpret_cast<HKEY>(uintptr_t{0x80000004})}) {
        ExpectEveryCallFails(bad, ERROR_INVALID_HANDLE);
        EXPECT_EQ(RegCloseKey(bad), ERROR_INVALID_HANDLE);
    }
    // Root keys are always open.
    EXPECT_EQ(RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
    EXPECT_EQ(SubKeys(HKEY_LOCAL_MACHINE), std::vector<std::u16string>{u"Software"});
    EXPECT_TRUE(SubKeys(HKEY_CURRENT_USER).empty());
}

TEST_F(Registry, EmptySubKeyGivesAnIndependentHandleToTheSameKey) {
    HKEY a = Create(HKEY_CURRENT_USER, u"Panel");
    HKEY b = nullptr, c = nullptr, root = nullptr;
    ASSERT_EQ(Open(a, nullptr, &b), ERROR_SUCCESS);
    ASSERT_EQ(Open(a, u"", &c), ERROR_SUCCESS);
    ASSERT_EQ(Open(HKEY_CURRENT_USER, nullptr, &root), ERROR_SUCCESS);
    EXPECT_NE(a, b);
    EXPECT_NE(b, c);
    ASSERT_EQ(SetDword(b, u"Level", 7), ERROR_SUCCESS);
    ASSERT_EQ(RegCloseKey(b), ERROR_SUCCESS);
    DWORD v = 0;
    EXPECT_EQ(GetDword(c, u"Level", v), ERROR_SUCCESS);
    EXPECT_EQ(v, 7u);
    EXPECT_EQ(GetDword(a, u"Level", v), ERROR_SUCCESS);
    EXPECT_EQ(SubKeys(root), std::vector<std::u16string>{u"Panel"});
    for (HKEY h : {a, c, root}) EXPECT_EQ(RegCloseKey(h), ERROR_SUCCESS);
}

TEST_F(Registry, NamesAreCaseInsensitiveAndKeepTheirFirstCase) {
    HKEY h = Create(HKEY_LOCAL_MACHINE, u"Comm\\Display");
    HKEY same = Create(HKEY_LOCAL_MACHINE, u"COMM\\display");
    HKEY latin = Create(HKEY_LOCAL_MACHINE, u"\u00C4rger");                  // Ä
    EXPECT_EQ(OpenError(HKEY_LOCAL_MACHINE, u"\u00E4RGER"), ERROR_SUCCESS);  // ä
    ASSERT_EQ(SetDword(h, u"Rotation", 90), ERROR_SUCCESS);
    ASSERT_EQ(SetDword(same, u"ROTATION", 180), ERROR_SUCCESS);
    DWORD v = 0;
    EXPECT_EQ(GetDword(h, u"rotation", v), ERROR_SUCCESS);
    EXPECT_EQ(v, 180u);
    EXPECT_EQ(ValueNames(h), std::vector<std::u16string>{u"Rotation"});
    EXPECT_EQ(SubKeys(HKEY_LOCAL_MACHINE), (std::vector<std::u16string>{u"Comm", u"\u00C4rger"}));
    for (HKEY k : {h, same, latin}) RegCloseKey(k);
}

TEST_F(Registry, BackslashPathsStartAtTheRootOfTheHandlesTree) {
    HKEY deep = Create(HKEY_LOCAL_MACHINE, u"A\\B\\C");
    Create(HKEY_LOCAL_MACHINE, u"Other");
    EXPECT_EQ(OpenError(deep, u"\\Other"), ERROR_SUCCESS);
    EXPECT_EQ(OpenError(deep, u"Other"), ERROR_FILE_NOT_FOUND);
    HKEY made = Create(deep, u"\\Made\\Here");
    EXPECT_EQ(OpenError(HKEY_LOCAL_MACHINE, u"Made\\Here"), ERROR_SUCCESS);
    // "\" alone names the root itself.
    HKEY root = nullptr;
    ASSERT_EQ(Open(deep, u"\\", &root), ERROR_SUCCESS);
    EXPECT_EQ(SubKeys(root), (std::vector<std::u16string>{u"A", u"Made", u"Other"}));
    for (HKEY k : {deep, made, root}) RegCloseKey(k);
}

TEST_F(Registry, QueryValueSizesFollowWin32) {
    HKEY h = Create(HKEY_LOCAL_MACHINE, u"Ident");
    const std::u16string text = u"Panel 800";  // 10 units with NUL = 20 bytes
    ASSERT_EQ(SetSz(h, u"Name", text), ERROR_SUCCESS);

    DWORD type = 0, cb = 0;
    EXPECT_EQ(RegQueryValueEx(h, u"Name", nullptr, &type, nullptr, &cb), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(cb, 20u);
    EXPECT_EQ(RegQueryValueEx(h, u"Name", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);

    // One byte short: ERROR_MORE_DATA, the size needed, nothing written past the buffer.
    std::array<BYTE, 32> buf;
    buf.fill(0xEE);
    cb = 19;
    EXPECT_EQ(RegQueryValueEx(h, u"Name", nullptr, &type, buf.data(), &cb), ERROR_MORE_DATA);
    EXPECT_EQ(cb, 20u);
    for (size_t i = 19; i < buf.size(); ++i) EXPECT_EQ(buf[i], 0xEE) << i;
    cb = 0;
    EXPECT_EQ(RegQueryValueEx(h, u"Name", nullptr, &type, buf.data(), &cb), ERROR_MORE_DATA);
    EXPECT_EQ(cb, 20u);

    cb = 20;
    ASSERT_EQ(RegQueryValueEx(h, u"name", nullptr, &type, buf.data(), &cb), ERROR_SUCCESS);
    EXPECT_EQ(cb, 20u);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(buf.data())), text);
    EXPECT_EQ(buf[20], 0xEE);

    EXPECT_EQ(RegQueryValueEx(h, u"Name", nullptr, &type, buf.data(), nullptr), ERROR_INVALID_PARAMETER);
    DWORD reserved = 0;
    EXPECT_EQ(RegQueryValueEx(h, u"Name", &reserved, &type, nullptr, &cb), ERROR_INVALID_PARAMETER);
    cb = sizeof buf;
    EXPECT_EQ(RegQueryValueEx(h, u"Missing", nullptr, &type, buf.data(), &cb), ERROR_FILE_NOT_FOUND);
    RegCloseKey(h);
}

TEST_F(Registry, DefaultValueEmptyDataAndRewrites) {
    HKEY h = Create(HKEY_CURRENT_USER, u"Defaults");
    DWORD cb = 0, type = 0;
    EXPECT_EQ(RegQueryValueEx(h, nullptr, nullptr, &type, nullptr, &cb), ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(SetSz(h, nullptr, u"dflt"), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueEx(h, u"", nullptr, &type, nullptr, &cb), ERROR_SUCCESS);
    EXPECT_EQ(cb, 10u);
    EXPECT_EQ(ValueNames(h), std::vector<std::u16string>{u""});

    // Empty data is a value of size 0, not a missing value; a rewrite may change the type.
    ASSERT_EQ(RegSetValueEx(h, u"Empty", 0, REG_BINARY, nullptr, 0), ERROR_SUCCESS);
    BYTE buf[4] = {1, 2, 3, 4};
    cb = sizeof buf;
    EXPECT_EQ(RegQueryValueEx(h, u"Empty", nullptr, &type, buf, &cb), ERROR_SUCCESS);
    EXPECT_EQ(cb, 0u);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    ASSERT_EQ(SetDword(h, u"EMPTY", 5), ERROR_SUCCESS);
    DWORD v = 0;
    EXPECT_EQ(GetDword(h, u"empty", v), ERROR_SUCCESS);
    EXPECT_EQ(v, 5u);

    EXPECT_EQ(RegSetValueEx(h, u"Bad", 0, REG_BINARY, nullptr, 4), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegDeleteValue(h, u"Bad"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteValue(h, u"EMPTY"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValue(h, nullptr), ERROR_SUCCESS);
    EXPECT_TRUE(ValueNames(h).empty());
    RegCloseKey(h);
}

TEST_F(Registry, EnumKeysInCaseInsensitiveOrderWithWin32Counts) {
    HKEY h = Create(HKEY_LOCAL_MACHINE, u"Order");
    for (const char16_t* n : {u"delta", u"Alpha", u"charlie", u"BRAVO"}) RegCloseKey(Create(h, n));
    EXPECT_EQ(SubKeys(h), (std::vector<std::u16string>{u"Alpha", u"BRAVO", u"charlie", u"delta"}));

    WCHAR buf[8] = {};
    DWORD cch = 5;  // "Alpha" needs 6 with its NUL
    EXPECT_EQ(RegEnumKeyEx(h, 0, buf, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    EXPECT_EQ(cch, 5u);
    EXPECT_EQ(buf[0], 0);
    cch = 6;
    WCHAR cls[4] = {u'x'};
    DWORD cchClass = 4;
    FILETIME ft{1, 1};
    ASSERT_EQ(RegEnumKeyEx(h, 0, buf, &cch, nullptr, cls, &cchClass, &ft), ERROR_SUCCESS);
    EXPECT_EQ(cch, 5u);
    EXPECT_EQ(std::u16string(buf), u"Alpha");
    EXPECT_EQ(cchClass, 0u);
    EXPECT_EQ(cls[0], 0);
    cch = 8;
    EXPECT_EQ(RegEnumKeyEx(h, 4, buf, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(RegEnumKeyEx(h, 0, buf, nullptr, nullptr, nullptr, nullptr, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegEnumKeyEx(h, 0, nullptr, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_INVALID_PARAMETER);
    RegCloseKey(h);
}

// Cases where callers rely on Win32's exact behaviour.
TEST_F(Registry, KeyPathsFollowWin32AndTheLimitsAndMalformedOnesCreateNothing) {
    auto chain = [](int depth, size_t nameLength) {
        std::u16string p = u"Deep";
        for (int i = 1; i < depth; ++i) p += u"\\" + std::u16string(nameLength, u'k');
        return p;
    };
    const std::u16string longest(255, u'k');
    struct Case {
        std::u16string path;
        LONG create, open;
    } cases[] = {
        {u"a\\\\b", ERROR_BAD_PATHNAME, ERROR_BAD_PATHNAME},
        {u"\\\\a", ERROR_BAD_PATHNAME, ERROR_BAD_PATHNAME},
        {u"ok\\" + longest + u"k", ERROR_INVALID_PARAMETER, ERROR_INVALID_PARAMETER},
        {longest, ERROR_SUCCESS, ERROR_SUCCESS},
        {u"Conf\\A\\", ERROR_SUCCESS, ERROR_SUCCESS},  // a trailing backslash is ignored
        {u"Conf\\A", ERROR_SUCCESS, ERROR_SUCCESS},
        {u"Conf\\\\A", ERROR_BAD_PATHNAME, ERROR_BAD_PATHNAME},
        {chain(512, 1), ERROR_SUCCESS, ERROR_SUCCESS},
        {chain(513, 1), ERROR_FILENAME_EXCED_RANGE, ERROR_FILE_NOT_FOUND},
        {u"Long\\" + chain(16, 250), ERROR_SUCCESS, ERROR_SUCCESS},
        {u"Long\\" + chain(18, 250), ERROR_FILENAME_EXCED_RANGE, ERROR_FILE_NOT_FOUND},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "path of " << c.path.size() << " units");
        HKEY h = nullptr;
        EXPECT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, c.path.c_str(), 0, nullptr, 0, 0, nullptr, &h, nullptr), c.create);
        RegCloseKey(h);
        EXPECT_EQ(Open(HKEY_LOCAL_MACHINE, c.path.c_str(), &h), c.open);
        RegCloseKey(h);
    }
    EXPECT_EQ(SubKeys(HKEY_LOCAL_MACHINE), (std::vector<std::u16string>{u"Conf", u"Deep", longest, u"Long"}));
    // The limit counts from the root, whatever handle the path starts from.
    HKEY mid = Create(HKEY_LOCAL_MACHINE, chain(500, 1).c_str()), h = nullptr;
    EXPECT_EQ(RegCreateKeyEx(mid, chain(14, 1).c_str(), 0, nullptr, 0, 0, nullptr, &h, nullptr),
              ERROR_FILENAME_EXCED_RANGE);
    RegCloseKey(mid);

    // Value names: the default value may be NULL or "", up to 16383 characters.
    std::u16string longValue(16384, u'v');
    EXPECT_EQ(SetDword(HKEY_LOCAL_MACHINE, longValue.c_str(), 1), ERROR_INVALID_PARAMETER);
    longValue.pop_back();
    EXPECT_EQ(SetDword(HKEY_LOCAL_MACHINE, longValue.c_str(), 1), ERROR_SUCCESS);
    // Nowhere to put the key.
    EXPECT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, u"x", 0, nullptr, 0, 0, nullptr, nullptr, nullptr),
              ERROR_INVALID_PARAMETER);
}

TEST_F(Registry, EnumValuesReportsNamesTypesAndSizes) {
    HKEY h = Create(HKEY_LOCAL_MACHINE, u"Vals");
    ASSERT_EQ(SetSz(h, u"b", u"xyz"), ERROR_SUCCESS);
    ASSERT_EQ(SetDword(h, u"A", 3), ERROR_SUCCESS);

    WCHAR name[8];
    DWORD cch = 8, type = 0, cb = 0;
    ASSERT_EQ(RegEnumValue(h, 1, name, &cch, nullptr, &type, nullptr, &cb), ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(name, cch), u"b");
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(cb, 8u);

    BYTE data[8];
    std::memset(data, 0xEE, sizeof data);
    cch = 8;
    cb = 7;
    EXPECT_EQ(RegEnumValue(h, 1, name, &cch, nullptr, &type, data, &cb), ERROR_MORE_DATA);
    EXPECT_EQ(cb, 8u);
    EXPECT_EQ(data[7], 0xEE);

    cch = 1;  // no room for "A" and its NUL
    EXPECT_EQ(RegEnumValue(h, 0, name, &cch, nullptr, &type, nullptr, nullptr), ERROR_MORE_DATA);
    EXPECT_EQ(cch, 1u);
    cch = 2;
    cb = 4;
    DWORD v = 0;
    ASSERT_EQ(RegEnumValue(h, 0, name, &cch, nullptr, &type, reinterpret_cast<BYTE*>(&v), &cb), ERROR_SUCCESS);
    EXPECT_EQ(cch, 1u);
    EXPECT_EQ(v, 3u);
    EXPECT_EQ(RegEnumValue(h, 0, name, &cch, nullptr, &type, data, nullptr), ERROR_INVALID_PARAMETER);
    cch = 8;
    EXPECT_EQ(RegEnumValue(h, 2, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);

    // A name buffer too small still tells the type and the data size.
    cch = 1;
    cb = 0;
    EXPECT_EQ(RegEnumValue(h, 1, name, &cch, nullptr, &type, data, &cb), ERROR_MORE_DATA);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(cb, 8u);
    EXPECT_EQ(cch, 1u);
    // One DWORD as both lpType and lpcbData: the size in it is the room.
    DWORD both = sizeof data;
    ASSERT_EQ(RegQueryValueEx(h, u"b", nullptr, &both, data, &both), ERROR_SUCCESS);
    EXPECT_EQ(both, 8u);
    EXPECT_EQ(std::memcmp(data, u"xyz", 8), 0);
    RegCloseKey(h);
}

TEST_F(Registry, EnumerationSeesChangesMadeBetweenCalls) {
    HKEY h = Create(HKEY_LOCAL_MACHINE, u"Live");
    RegCloseKey(Create(h, u"b"));
    RegCloseKey(Create(h, u"d"));
    ASSERT_EQ(SetDword(h, u"v1", 1), ERROR_SUCCESS);
    EXPECT_EQ(SubKeys(h).size(), 2u);  // fills the handle's list
    EXPECT_EQ(ValueNames(h).size(), 1u);

    HKEY other = nullptr;
    ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, u"Live", &other), ERROR_SUCCESS);
    RegCloseKey(Create(other, u"a"));
    ASSERT_EQ(SetDword(other, u"v0", 0), ERROR_SUCCESS);
    EXPECT_EQ(SubKeys(h), (std::vector<std::u16string>{u"a", u"b", u"d"}));
    EXPECT_EQ(ValueNames(h), (std::vector<std::u16string>{u"v0", u"v1"}));

    // A change from another thread, between two indices of one enumeration.
    WCHAR buf[8];
    DWORD cch = 8;
    ASSERT_EQ(RegEnumKeyEx(h, 0, buf, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    std::thread([other] { RegDeleteKey(other, u"a"); }).join();
    cch = 8;
    ASSERT_EQ(RegEnumKeyEx(h, 0, buf, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(buf), u"b");
    RegCloseKey(other);
    RegCloseKey(h);
}

TEST_F(Registry, QueryInfoKeyCountsOnlyWhatIsAsked) {
    HKEY h = Create(HKEY_LOCAL_MACHINE, u"Info");
    RegCloseKey(Create(h, u"short"));
    RegCloseKey(Create(h, u"a-longer-name"));
    ASSERT_EQ(SetDword(h, u"n", 1), ERROR_SUCCESS);
    ASSERT_EQ(SetSz(h, u"LongestName", u"0123456789"), ERROR_SUCCESS);  // 22 bytes

    DWORD subKeys = 99, maxSub = 99, maxClass = 99, values = 99, maxName = 99, maxData = 99, sd = 99;
    WCHAR cls[4] = {u'x'};
    DWORD cchClass = 4;
    ASSERT_EQ(RegQueryInfoKey(h, cls, &cchClass, nullptr, &subKeys, &maxSub, &maxClass, &values, &maxName, &maxData,
                              &sd, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(subKeys, 2u);
    EXPECT_EQ(maxSub, 13u);
    EXPECT_EQ(values, 2u);
    EXPECT_EQ(maxName, 11u);
    EXPECT_EQ(maxData, 22u);
    EXPECT_EQ(maxClass, 0u);
    EXPECT_EQ(cchClass, 0u);

    DWORD only = 0, untouched = 1234;
    HKEY child = nullptr;
    ASSERT_EQ(Open(h, u"short", &child), ERROR_SUCCESS);
    ASSERT_EQ(RegQueryInfoKey(child, nullptr, nullptr, nullptr, &only, nullptr, nullptr, nullptr, nullptr, nullptr,
                              nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(only, 0u);
    ASSERT_EQ(RegQueryInfoKey(HKEY_LOCAL_MACHINE, nullptr, nullptr, nullptr, &only, nullptr, nullptr, nullptr, nullptr,
                              nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(only, 1u);
    EXPECT_EQ(untouched, 1234u);
    DWORD reserved = 0;
    EXPECT_EQ(RegQueryInfoKey(h, nullptr, nullptr, &reserved, &only, nullptr, nullptr, nullptr, nullptr, nullptr,
                              nullptr, nullptr),
              ERROR_INVALID_PARAMETER);
    RegCloseKey(child);
    RegCloseKey(h);
}

TEST_F(Registry, DeleteKeyTakesTheWholeSubtreeAndNothingBeside) {
    HKEY a = Create(HKEY_LOCAL_MACHINE, u"Tree\\a\\deep\\deeper");
    HKEY ab = Create(HKEY_LOCAL_MACHINE, u"Tree\\ab");    // shares the prefix "a"
    HKEY asp = Create(HKEY_LOCAL_MACHINE, u"Tree\\a b");  // sorts between "a" and "a\..."
    ASSERT_EQ(SetDword(a, u"x", 1), ERROR_SUCCESS);
    HKEY aKey = nullptr;
    ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, u"Tree\\a", &aKey), ERROR_SUCCESS);
    ASSERT_EQ(SetDword(aKey, u"y", 2), ERROR_SUCCESS);

    ASSERT_EQ(RegDeleteKey(HKEY_LOCAL_MACHINE, u"TREE\\A"), ERROR_SUCCESS);
    HKEY tree = nullptr;
    ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, u"Tree", &tree), ERROR_SUCCESS);
    EXPECT_EQ(SubKeys(tree), (std::vector<std::u16string>{u"a b", u"ab"}));
    EXPECT_EQ(RegDeleteKey(tree, u"a"), ERROR_FILE_NOT_FOUND);

    // Recreated under the same name, the key is empty and old handles stay dead.
    HKEY again = Create(HKEY_LOCAL_MACHINE, u"Tree\\a\\deep\\deeper");
    EXPECT_TRUE(ValueNames(again).empty());
    for (HKEY dead : {a, aKey}) {
        ExpectEveryCallFails(dead, ERROR_KEY_DELETED);
        EXPECT_EQ(RegCloseKey(dead), ERROR_SUCCESS);
    }
    HKEY out = nullptr;
    // "\"-paths from a dead handle still reach the living root.
    EXPECT_EQ(RegDeleteKey(again, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(Open(again, u"\\Tree\\ab", &out), ERROR_SUCCESS);
    for (HKEY k : {again, out, ab, asp, tree}) EXPECT_EQ(RegCloseKey(k), ERROR_SUCCESS);
}

TEST_F(Registry, RootKeysAreSeparateTreesAndCannotBeDeleted) {
    HKEY h = Create(HKEY_LOCAL_MACHINE, u"Keep");
    ASSERT_EQ(SetDword(HKEY_LOCAL_MACHINE, u"RootValue", 1), ERROR_SUCCESS);
    HKEY rootCopy = nullptr;
    ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, u"", &rootCopy), ERROR_SUCCESS);
    for (HKEY root : {HKEY_LOCAL_MACHINE, rootCopy}) {
        EXPECT_EQ(RegDeleteKey(root, nullptr), ERROR_ACCESS_DENIED);
        EXPECT_EQ(RegDeleteKey(root, u""), ERROR_ACCESS_DENIED);
        EXPECT_EQ(RegDeleteKey(h, u"\\"), ERROR_ACCESS_DENIED);
    }
    EXPECT_EQ(SubKeys(HKEY_LOCAL_MACHINE), std::vector<std::u16string>{u"Keep"});
    DWORD v = 0;
    EXPECT_EQ(GetDword(HKEY_LOCAL_MACHINE, u"RootValue", v), ERROR_SUCCESS);
    RegCloseKey(rootCopy);
    RegCloseKey(h);

    RegCloseKey(Create(HKEY_CLASSES_ROOT, u"Same"));
    RegCloseKey(Create(HKEY_USERS, u"Same\\Below"));
    EXPECT_EQ(OpenError(HKEY_CURRENT_USER, u"Same"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(OpenError(HKEY_CLASSES_ROOT, u"Same\\Below"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKey(HKEY_USERS, u"Same"), ERROR_SUCCESS);
    EXPECT_EQ(OpenError(HKEY_CLASSES_ROOT, u"Same"), ERROR_SUCCESS);
}

TEST_F(Registry, StoreSurvivesReopeningAndNewImagesVoidHandles) {
    HKEY h = Create(HKEY_LOCAL_MACHINE, u"Persist");
    ASSERT_EQ(SetDword(h, u"v", 42), ERROR_SUCCESS);
    ASSERT_EQ(RegFlushKey(h), ERROR_SUCCESS);
    ce::reg::CloseStore();
    DWORD v = 0;
    EXPECT_EQ(GetDword(h, u"v", v), ERROR_SUCCESS);  // handles outlive the connection
    EXPECT_EQ(v, 42u);
    EXPECT_FALSE(ce::reg::StoreIsEmpty());
    {
        ce::test::TestImage second;
        EXPECT_EQ(GetDword(h, u"v", v), ERROR_INVALID_HANDLE);
        EXPECT_TRUE(ce::reg::StoreIsEmpty());
    }
}

TEST_F(Registry, ThreadsWritingAtOnceLoseNothing) {
    constexpr int kThreads = 4, kEach = 50;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            HKEY shared = Create(HKEY_LOCAL_MACHINE, u"Shared");
            for (int i = 0; i < kEach; ++i) {
                std::u16string name = u"t_";
                name[1] = static_cast<char16_t>(u'0' + t);
                name.push_back(static_cast<char16_t>(u'A' + i / 26));
                name.push_back(static_cast<char16_t>(u'a' + i % 26));
                HKEY k = Create(shared, name.c_str());
                EXPECT_EQ(SetDword(shared, name.c_str(), static_cast<DWORD>(i)), ERROR_SUCCESS);
                SubKeys(shared);
                RegCloseKey(k);
            }
            RegCloseKey(shared);
        });
    }
    for (auto& t : threads) t.join();
    HKEY shared = nullptr;
    ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, u"Shared", &shared), ERROR_SUCCESS);
    DWORD subKeys = 0, values = 0;
    ASSERT_EQ(RegQueryInfoKey(shared, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr, nullptr,
                              nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(subKeys, static_cast<DWORD>(kThreads * kEach));
    EXPECT_EQ(values, static_cast<DWORD>(kThreads * kEach));
    RegCloseKey(shared);
}

}  // namespace
