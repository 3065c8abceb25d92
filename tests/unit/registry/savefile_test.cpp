// RegSaveKey / RegReplaceKey and the save file's validation.
#include "savefile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "ce_kernel.h"
#include "ce_registry.h"
#include "regtest.h"
#include "regtext.h"
#include "testimage.h"

using namespace regtest;
namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> ReadBytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void WriteBytes(const fs::path& p, const std::vector<uint8_t>& b) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

using ce::regtext::Value;

std::vector<uint8_t> Bytes(std::initializer_list<int> b) {
    return {b.begin(), b.end()};
}

// Every value type the device knows, with the awkward sizes, in the
// registry's order.
const std::vector<Value>& AllTypes() {
    using ce::regtext::StringData;
    static const std::vector<Value> v = {
        {u"", REG_SZ, StringData(u"default")},
        {u"Binary", REG_BINARY, Bytes({0, 1, 2, 0xFF, 0x80})},
        {u"Dword", REG_DWORD, Bytes({0x78, 0x56, 0x34, 0x12})},
        {u"Empty", REG_BINARY, {}},
        {u"Expand", REG_EXPAND_SZ, StringData(u"%windir%\\x")},
        {u"Multi", REG_MULTI_SZ, ce::regtext::MultiStringData({u"one", u"two"})},
        {u"None", REG_NONE, Bytes({9})},
        {u"Odd", REG_SZ, Bytes({0x41, 0, 0x42})},
        {u"Qword", REG_QWORD, Bytes({1, 2, 3, 4, 5, 6, 7, 8})},
        {u"Sz", REG_SZ, StringData(u"Panel \u00C4")},
    };
    return v;
}

std::vector<Value> ReadValues(HKEY h) {
    std::vector<Value> out;
    for (DWORD i = 0;; ++i) {
        WCHAR name[256];
        DWORD cch = 256, type = 0, cb = 4096;
        std::vector<uint8_t> data(4096);
        if (RegEnumValue(h, i, name, &cch, nullptr, &type, data.data(), &cb) != ERROR_SUCCESS) break;
        data.resize(cb);
        out.push_back({std::u16string(name, cch), type, data});
    }
    return out;
}

class SaveReplace : public ::testing::Test {
protected:
    void SetUp() override {
        HKEY h = Create(HKEY_LOCAL_MACHINE, u"Drivers\\BuiltIn\\Panel");
        for (const Value& v : AllTypes())
            ASSERT_EQ(RegSetValueEx(h, v.name.c_str(), 0, v.type, v.data.data(), static_cast<DWORD>(v.data.size())),
                      ERROR_SUCCESS);
        RegCloseKey(h);
        RegCloseKey(Create(HKEY_LOCAL_MACHINE, u"Drivers\\Empty Key"));
        ASSERT_EQ(SetDword(HKEY_LOCAL_MACHINE, u"OnRoot", 1), ERROR_SUCCESS);
        RegCloseKey(Create(HKEY_CURRENT_USER, u"NotSaved"));
    }
    fs::path Host(const char* name) const { return image.fs() / name; }
    // Stages `bytes` as the file "\in.bin" and offers it to RegReplaceKey.
    LONG Replace(const std::vector<uint8_t>& bytes) {
        WriteBytes(Host("in.bin"), bytes);
        return RegReplaceKey(HKEY_LOCAL_MACHINE, nullptr, u"\\in.bin", nullptr);
    }
    fs::path Pending() const { return image.dir() / "registry.pending"; }

    ce::test::TestImage image;
};

TEST_F(SaveReplace, RoundTripOfEveryValueType) {
    ASSERT_EQ(RegSaveKey(HKEY_LOCAL_MACHINE, u"\\hklm.sav", nullptr), ERROR_SUCCESS);
    ASSERT_EQ(RegReplaceKey(HKEY_LOCAL_MACHINE, nullptr, u"\\HKLM.SAV", nullptr), ERROR_SUCCESS);
    EXPECT_TRUE(fs::exists(Pending()));

    // Changes after the save are undone by the replacement; HKCU is left alone.
    ASSERT_EQ(RegDeleteKey(HKEY_LOCAL_MACHINE, u"Drivers"), ERROR_SUCCESS);
    RegCloseKey(Create(HKEY_LOCAL_MACHINE, u"Later"));
    HKEY stale = Create(HKEY_LOCAL_MACHINE, u"Later\\Handle");
    RegCloseKey(Create(HKEY_CURRENT_USER, u"AlsoKept"));
    ASSERT_EQ(ce::reg::ApplyPendingReplace(), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_FALSE(fs::exists(Pending()));

    EXPECT_EQ(SubKeys(HKEY_LOCAL_MACHINE), std::vector<std::u16string>{u"Drivers"});
    HKEY drivers = nullptr, panel = nullptr;
    ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, u"Drivers", &drivers), ERROR_SUCCESS);
    EXPECT_EQ(SubKeys(drivers), (std::vector<std::u16string>{u"BuiltIn", u"Empty Key"}));
    ASSERT_EQ(Open(drivers, u"builtin\\PANEL", &panel), ERROR_SUCCESS);
    EXPECT_EQ(ReadValues(panel), AllTypes());
    DWORD v = 0;
    EXPECT_EQ(GetDword(HKEY_LOCAL_MACHINE, u"OnRoot", v), ERROR_SUCCESS);
    EXPECT_EQ(SubKeys(HKEY_CURRENT_USER), (std::vector<std::u16string>{u"AlsoKept", u"NotSaved"}));
    EXPECT_EQ(SetDword(stale, u"x", 1), ERROR_KEY_DELETED);
    // Nothing left staged: a second boot changes nothing.
    EXPECT_EQ(ce::reg::ApplyPendingReplace(), static_cast<DWORD>(ERROR_SUCCESS));
    for (HKEY h : {drivers, panel, stale}) RegCloseKey(h);
}

TEST_F(SaveReplace, SaveNeverOverwritesAndLeavesNoTemporaryFiles) {
    WriteBytes(Host("taken.sav"), Bytes({1, 2, 3}));
    EXPECT_EQ(RegSaveKey(HKEY_LOCAL_MACHINE, u"\\taken.sav", nullptr), ERROR_ALREADY_EXISTS);
    EXPECT_EQ(ReadBytes(Host("taken.sav")), Bytes({1, 2, 3}));
    ASSERT_EQ(RegSaveKey(HKEY_LOCAL_MACHINE, u"\\new.sav", nullptr), ERROR_SUCCESS);
    std::vector<uint8_t> first = ReadBytes(Host("new.sav"));
    EXPECT_EQ(RegSaveKey(HKEY_LOCAL_MACHINE, u"\\NEW.sav", nullptr), ERROR_ALREADY_EXISTS);
    EXPECT_EQ(ReadBytes(Host("new.sav")), first);
    std::vector<std::string> names;
    for (auto& e : fs::directory_iterator(image.fs()))
        if (!e.is_directory()) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"new.sav", "taken.sav"}));

    EXPECT_EQ(RegSaveKey(HKEY_LOCAL_MACHINE, nullptr, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_NE(RegSaveKey(HKEY_LOCAL_MACHINE, u"\\no folder\\x.sav", nullptr), ERROR_SUCCESS);
    EXPECT_NE(RegSaveKey(HKEY_LOCAL_MACHINE, u"\\..\\registry.db", nullptr), ERROR_SUCCESS);
}

TEST_F(SaveReplace, SaveOfASubKeyReplacesTheRootWithThatSubtree) {
    HKEY drivers = nullptr;
    ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, u"Drivers", &drivers), ERROR_SUCCESS);
    ASSERT_EQ(RegSaveKey(drivers, u"\\drivers.sav", nullptr), ERROR_SUCCESS);
    ASSERT_EQ(RegReplaceKey(HKEY_LOCAL_MACHINE, u"", u"\\drivers.sav", nullptr), ERROR_SUCCESS);
    ASSERT_EQ(ce::reg::ApplyPendingReplace(), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(SubKeys(HKEY_LOCAL_MACHINE), (std::vector<std::u16string>{u"BuiltIn", u"Empty Key"}));
    EXPECT_TRUE(ValueNames(HKEY_LOCAL_MACHINE).empty());
    RegCloseKey(drivers);
}

TEST_F(SaveReplace, ReplaceAcceptsOnlyTheWholeLocalMachine) {
    ASSERT_EQ(RegSaveKey(HKEY_LOCAL_MACHINE, u"\\ok.sav", nullptr), ERROR_SUCCESS);
    HKEY sub = Create(HKEY_LOCAL_MACHINE, u"Drivers");
    EXPECT_EQ(RegReplaceKey(HKEY_CURRENT_USER, nullptr, u"\\ok.sav", nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegReplaceKey(sub, nullptr, u"\\ok.sav", nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegReplaceKey(HKEY_LOCAL_MACHINE, u"Drivers", u"\\ok.sav", nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegReplaceKey(HKEY_LOCAL_MACHINE, nullptr, u"\\ok.sav", u"\\old.sav"), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegReplaceKey(HKEY_LOCAL_MACHINE, nullptr, nullptr, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegReplaceKey(HKEY_LOCAL_MACHINE, nullptr, u"\\missing.sav", nullptr), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(fs::exists(Pending()));
    RegCloseKey(sub);
}

TEST_F(SaveReplace, DamagedFilesAreRefusedAndStageNothing) {
    ASSERT_EQ(RegSaveKey(HKEY_LOCAL_MACHINE, u"\\good.sav", nullptr), ERROR_SUCCESS);
    const std::vector<uint8_t> good = ReadBytes(Host("good.sav"));
    auto refused = [](LONG err) { return err == ERROR_REGISTRY_CORRUPT || err == ERROR_BADDB; };

    // (Every truncation and bit flip of the format is refused by its own test.)
    EXPECT_PRED1(refused, Replace(std::vector<uint8_t>(good.begin(), good.end() - 1)));
    std::vector<uint8_t> flipped = good;
    flipped[good.size() - 3] ^= 1;
    EXPECT_PRED1(refused, Replace(flipped));
    std::vector<uint8_t> longer = good;
    longer.push_back(0);
    EXPECT_PRED1(refused, Replace(longer));
    EXPECT_FALSE(fs::exists(Pending()));

    // A good file staged, then damaged before the boot: left alone, registry untouched.
    ASSERT_EQ(Replace(good), ERROR_SUCCESS);
    RegCloseKey(Create(HKEY_LOCAL_MACHINE, u"Unsaved"));
    WriteBytes(Pending(), flipped);
    EXPECT_PRED1(refused, static_cast<LONG>(ce::reg::ApplyPendingReplace()));
    EXPECT_TRUE(fs::exists(Pending()));
    EXPECT_EQ(SubKeys(HKEY_LOCAL_MACHINE), (std::vector<std::u16string>{u"Drivers", u"Unsaved"}));
}

// ---- the format on its own ----

ce::reg::SavedTree SampleTree() {
    ce::reg::SavedTree t;
    t.keys.push_back({ce::reg::kNoParent, u"", {{u"", REG_SZ, Bytes({'a', 0, 0, 0})}}});
    t.keys.push_back({0, u"Child", {{u"v", REG_DWORD, Bytes({1, 0, 0, 0})}, {u"e", REG_BINARY, {}}}});
    t.keys.push_back({1, u"Grand", {}});
    t.keys.push_back({0, u"Other", {}});
    return t;
}

TEST(SaveFormat, EveryTruncationAndBitFlipIsRefused) {
    std::vector<uint8_t> file = ce::reg::EncodeSave(SampleTree());
    ce::reg::SavedTree back;
    ASSERT_EQ(ce::reg::DecodeSave(file.data(), file.size(), back), static_cast<DWORD>(ERROR_SUCCESS));
    ASSERT_EQ(back.keys.size(), 4u);
    EXPECT_EQ(back.keys[2].name, u"Grand");
    EXPECT_EQ(back.keys[2].parent, 1u);
    EXPECT_EQ(back.keys[1].values[1].data.size(), 0u);
    for (size_t n = 0; n < file.size(); ++n)
        EXPECT_NE(ce::reg::DecodeSave(file.data(), n, back), static_cast<DWORD>(ERROR_SUCCESS)) << n;
    for (size_t i = 0; i < file.size(); ++i) {
        for (int bit = 0; bit < 8; ++bit) {
            std::vector<uint8_t> bad = file;
            bad[i] ^= static_cast<uint8_t>(1 << bit);
            EXPECT_NE(ce::reg::DecodeSave(bad.data(), bad.size(), back), static_cast<DWORD>(ERROR_SUCCESS))
                << i << ":" << bit;
        }
    }
}

TEST(SaveFormat, StructuralRulesAreCheckedEvenWithGoodChecksums) {
    auto decode = [](const ce::reg::SavedTree& t) {
        std::vector<uint8_t> f = ce::reg::EncodeSave(t);
        ce::reg::SavedTree out;
        return ce::reg::DecodeSave(f.data(), f.size(), out);
    };
    EXPECT_EQ(decode(SampleTree()), static_cast<DWORD>(ERROR_SUCCESS));
    auto broken = [&](auto change) {
        ce::reg::SavedTree t = SampleTree();
        change(t);
        return decode(t);
    };
    const DWORD corrupt = ERROR_REGISTRY_CORRUPT;
    EXPECT_EQ(broken([](auto& t) { t.keys.clear(); }), corrupt);
    EXPECT_EQ(broken([](auto& t) { t.keys[2].parent = 3; }), corrupt);  // parent after child
    EXPECT_EQ(broken([](auto& t) { t.keys[2].parent = 2; }), corrupt);  // own parent
    EXPECT_EQ(broken([](auto& t) { t.keys[0].parent = 0; }), corrupt);
    EXPECT_EQ(broken([](auto& t) { t.keys[0].name = u"x"; }), corrupt);
    EXPECT_EQ(broken([](auto& t) { t.keys[3].name = u"CHILD"; }), corrupt);  // duplicate sibling
    EXPECT_EQ(broken([](auto& t) { t.keys[3].name = u""; }), corrupt);
    EXPECT_EQ(broken([](auto& t) { t.keys[3].name = u"a\\b"; }), corrupt);
    EXPECT_EQ(broken([](auto& t) { t.keys[3].name = std::u16string(256, u'n'); }), corrupt);
    EXPECT_EQ(broken([](auto& t) { t.keys[1].values[1].name = u"V"; }), corrupt);  // duplicate value
    EXPECT_EQ(broken([](auto& t) { t.keys[1].values[0].data.assign(ce::reg::kMaxValueDataSize + 1, 0); }), corrupt);
    EXPECT_EQ(broken([](auto& t) { t.keys[3].name = std::u16string(u"a\0b", 3); }), corrupt);
    EXPECT_EQ(broken([](auto& t) { t.keys[1].values[0].name = std::u16string(u"v\0", 2); }), corrupt);
    // The same name under different parents is fine.
    EXPECT_EQ(broken([](auto& t) { t.keys[3].name = u"Grand"; }), static_cast<DWORD>(ERROR_SUCCESS));

    // A chain exactly at the depth limit passes, one level more does not;
    // likewise the path length (16 names of 255 plus separators = 4095).
    auto chain = [&](size_t depth, size_t nameLength) {
        ce::reg::SavedTree t;
        t.keys.resize(depth + 1);
        for (uint32_t i = 1; i <= depth; ++i) t.keys[i] = {i - 1, std::u16string(nameLength, u'k'), {}};
        return decode(t);
    };
    EXPECT_EQ(chain(ce::reg::kMaxKeyDepth, 1), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(chain(ce::reg::kMaxKeyDepth + 1, 1), corrupt);
    EXPECT_EQ(chain(16, 255), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(chain(17, 255), corrupt);
}

}  // namespace
