// RegRenameKey and RegCopyTree: whole subtrees move or copy, refusals change nothing;
// RegRenameValue moves one value.
#include <gtest/gtest.h>

#include "ce_kernel.h"
#include "regtest.h"
#include "testimage.h"

using namespace regtest;

namespace {

class RenameCopy : public ::testing::Test {
protected:
    ce::test::TestImage image;

    // "Name=dword" lines of a whole subtree, depth first, for comparing trees.
    static std::vector<std::u16string> Tree(HKEY h, const std::u16string& prefix = u"") {
        std::vector<std::u16string> out;
        for (const auto& v : ValueNames(h)) {
            DWORD d = 0;
            GetDword(h, v.c_str(), d);
            out.push_back(prefix + v + u"=" + std::u16string(1, static_cast<char16_t>(u'0' + d)));
        }
        for (const auto& k : SubKeys(h)) {
            HKEY c = nullptr;
            EXPECT_EQ(Open(h, k.c_str(), &c), ERROR_SUCCESS);
            out.push_back(prefix + k + u"\\");
            for (auto& line : Tree(c, prefix + k + u"\\")) out.push_back(line);
            RegCloseKey(c);
        }
        return out;
    }
};

TEST_F(RenameCopy, RenameMovesTheSubtreeAndOpenHandlesFollow) {
    HKEY deep = Create(HKEY_LOCAL_MACHINE, u"Drivers\\Panel\\Mode");
    HKEY panel = nullptr;
    ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, u"Drivers\\Panel", &panel), ERROR_SUCCESS);
    ASSERT_EQ(SetDword(deep, u"Level", 3), ERROR_SUCCESS);
    ASSERT_EQ(SetDword(panel, u"On", 1), ERROR_SUCCESS);
    RegCloseKey(Create(HKEY_LOCAL_MACHINE, u"Drivers\\Panelx"));  // a sibling whose name extends the old one
    HKEY drivers = nullptr;
    ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, u"Drivers", &drivers), ERROR_SUCCESS);
    auto before = Tree(panel);

    ASSERT_EQ(RegRenameKey(drivers, u"panel", u"Screen"), ERROR_SUCCESS);
    EXPECT_EQ(SubKeys(drivers), (std::vector<std::u16string>{u"Panelx", u"Screen"}));
    HKEY screen = nullptr;
    ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, u"Drivers\\Screen", &screen), ERROR_SUCCESS);
    EXPECT_EQ(Tree(screen), before);
    // Handles opened before the rename still work by name below their key.
    HKEY mode = nullptr;
    EXPECT_EQ(Open(panel, u"Mode", &mode), ERROR_SUCCESS);
    ASSERT_EQ(SetDword(deep, u"Level", 4), ERROR_SUCCESS);
    DWORD v = 0;
    EXPECT_EQ(GetDword(mode, u"Level", v), ERROR_SUCCESS);
    EXPECT_EQ(v, 4u);
    EXPECT_EQ(OpenError(HKEY_LOCAL_MACHINE, u"Drivers\\Panel"), ERROR_FILE_NOT_FOUND);
    RegCloseKey(Create(deep, u"Sub"));
    EXPECT_EQ(OpenError(HKEY_LOCAL_MACHINE, u"Drivers\\Screen\\Mode\\Sub"), ERROR_SUCCESS);

    // NULL renames the handle's own key; a change of case only is allowed.
    ASSERT_EQ(RegRenameKey(deep, nullptr, u"Modes"), ERROR_SUCCESS);
    ASSERT_EQ(RegRenameKey(screen, nullptr, u"SCREEN"), ERROR_SUCCESS);
    EXPECT_EQ(SubKeys(drivers), (std::vector<std::u16string>{u"Panelx", u"SCREEN"}));
    EXPECT_EQ(SubKeys(screen), std::vector<std::u16string>{u"Modes"});
    EXPECT_EQ(SubKeys(deep), std::vector<std::u16string>{u"Sub"});
    for (HKEY h : {deep, panel, drivers, screen, mode}) RegCloseKey(h);
}

TEST_F(RenameCopy, RefusedRenamesChangeNothing) {
    HKEY soft = Create(HKEY_LOCAL_MACHINE, u"Software");
    RegCloseKey(Create(soft, u"Alpha\\Inner"));
    RegCloseKey(Create(soft, u"Beta"));
    ASSERT_EQ(SetDword(soft, u"Keep", 1), ERROR_SUCCESS);
    auto before = Tree(soft);
    std::u16string tooLong(256, u'k');
    struct Case {
        const char16_t* sub;
        const char16_t* name;
        LONG err;
    } cases[] = {
        {u"Alpha", u"BETA", ERROR_ALREADY_EXISTS},
        {u"Alpha", u"", ERROR_INVALID_PARAMETER},
        {u"Alpha", nullptr, ERROR_INVALID_PARAMETER},
        {u"Alpha", u"a\\b", ERROR_INVALID_PARAMETER},
        {u"Alpha", tooLong.c_str(), ERROR_INVALID_PARAMETER},
        {u"Gamma", u"Delta", ERROR_FILE_NOT_FOUND},
        {u"Alpha\\\\Inner", u"Delta", ERROR_BAD_PATHNAME},
    };
    for (const Case& c : cases) EXPECT_EQ(RegRenameKey(soft, c.sub, c.name), c.err) << (c.name ? "named" : "null");
    EXPECT_EQ(RegRenameKey(HKEY_LOCAL_MACHINE, nullptr, u"Machine"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(Tree(soft), before);
    RegCloseKey(soft);
}

TEST_F(RenameCopy, RenameValueKeepsTypeAndDataAndRefusalsChangeNothing) {
    HKEY key = Create(HKEY_LOCAL_MACHINE, u"Values");
    const BYTE blob[] = {1, 0, 2};
    ASSERT_EQ(RegSetValueEx(key, u"Blob", 0, REG_BINARY, blob, sizeof blob), ERROR_SUCCESS);
    ASSERT_EQ(SetDword(key, u"Other", 7), ERROR_SUCCESS);
    struct Case {
        const char16_t* from;
        const char16_t* to;
        LONG err;
        std::vector<std::u16string> names;  // afterwards, in the store's order
    } cases[] = {
        {u"Blob", u"OTHER", ERROR_ALREADY_EXISTS, {u"Blob", u"Other"}},
        {u"Gone", u"New", ERROR_FILE_NOT_FOUND, {u"Blob", u"Other"}},
        {u"blob", u"Data", ERROR_SUCCESS, {u"Data", u"Other"}},
        {u"Data", u"DATA", ERROR_SUCCESS, {u"DATA", u"Other"}},  // its own name in another case
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RegRenameValue(key, c.from, c.to), c.err) << "from " << ce::ToUtf8(c.from);
        EXPECT_EQ(ValueNames(key), c.names) << "from " << ce::ToUtf8(c.from);
    }
    BYTE data[8] = {};
    DWORD type = 0, cb = sizeof data;
    ASSERT_EQ(RegQueryValueEx(key, u"data", nullptr, &type, data, &cb), ERROR_SUCCESS);
    EXPECT_EQ(type, DWORD{REG_BINARY});
    EXPECT_EQ(std::vector<BYTE>(data, data + cb), std::vector<BYTE>(blob, blob + sizeof blob));
    RegCloseKey(key);
}

TEST_F(RenameCopy, CopyMergesIntoTheDestination) {
    HKEY src = Create(HKEY_CURRENT_USER, u"Src");
    HKEY a = Create(src, u"A\\Deep");
    ASSERT_EQ(SetDword(src, u"Top", 1), ERROR_SUCCESS);
    ASSERT_EQ(SetDword(a, u"Leaf", 2), ERROR_SUCCESS);
    HKEY dst = Create(HKEY_LOCAL_MACHINE, u"Dst");
    HKEY existing = Create(dst, u"a");
    ASSERT_EQ(SetDword(dst, u"top", 9), ERROR_SUCCESS);
    ASSERT_EQ(SetDword(existing, u"Own", 5), ERROR_SUCCESS);

    ASSERT_EQ(RegCopyTree(HKEY_CURRENT_USER, u"Src", dst), ERROR_SUCCESS);
    EXPECT_EQ(Tree(dst),
              (std::vector<std::u16string>{u"top=1", u"a\\", u"a\\Own=5", u"a\\Deep\\", u"a\\Deep\\Leaf=2"}));
    // The source is untouched; a copy into its own subtree copies it as it was.
    auto srcBefore = Tree(src);
    EXPECT_EQ(srcBefore, (std::vector<std::u16string>{u"Top=1", u"A\\", u"A\\Deep\\", u"A\\Deep\\Leaf=2"}));
    ASSERT_EQ(RegCopyTree(src, nullptr, a), ERROR_SUCCESS);
    EXPECT_EQ(Tree(a), (std::vector<std::u16string>{u"Leaf=2", u"Top=1", u"A\\", u"A\\Deep\\", u"A\\Deep\\Leaf=2"}));

    EXPECT_EQ(RegCopyTree(src, u"Missing", dst), ERROR_FILE_NOT_FOUND);
    for (HKEY h : {src, a, dst, existing}) RegCloseKey(h);
}

TEST_F(RenameCopy, PathLimitsHoldForRenamesAndCopies) {
    // HKLM\A\(255 x 15)\(200): 4042 characters below the root, the limit being 4096.
    std::u16string path = u"A";
    for (int i = 0; i < 15; ++i) path += u"\\" + std::u16string(255, static_cast<char16_t>(u'a' + i));
    path += u"\\" + std::u16string(200, u'z');
    RegCloseKey(Create(HKEY_LOCAL_MACHINE, path.c_str()));
    EXPECT_EQ(RegRenameKey(HKEY_LOCAL_MACHINE, u"A", std::u16string(60, u'B').c_str()), ERROR_FILENAME_EXCED_RANGE);
    EXPECT_EQ(OpenError(HKEY_LOCAL_MACHINE, path.c_str()), ERROR_SUCCESS);
    EXPECT_EQ(RegRenameKey(HKEY_LOCAL_MACHINE, u"A", std::u16string(50, u'B').c_str()), ERROR_SUCCESS);
    ASSERT_EQ(RegRenameKey(HKEY_LOCAL_MACHINE, std::u16string(50, u'B').c_str(), u"A"), ERROR_SUCCESS);

    HKEY far = Create(HKEY_LOCAL_MACHINE, std::u16string(100, u'F').c_str());
    EXPECT_EQ(RegCopyTree(HKEY_LOCAL_MACHINE, u"A", far), ERROR_FILENAME_EXCED_RANGE);
    EXPECT_TRUE(SubKeys(far).empty());  // nothing of the copy stays
    HKEY near = Create(HKEY_LOCAL_MACHINE, u"Z");
    EXPECT_EQ(RegCopyTree(HKEY_LOCAL_MACHINE, u"A", near), ERROR_SUCCESS);
    EXPECT_EQ(SubKeys(near).size(), 1u);
    RegCloseKey(far);
    RegCloseKey(near);
}

}  // namespace
