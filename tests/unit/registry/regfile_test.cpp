// .reg export, import and tree deletion against the registry: one
// transaction each, limits checked first, no recursion per level.
#include "regfile.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <functional>

#include "regtest.h"
#include "store.h"
#include "storesql.h"
#include "testimage.h"

using namespace ce::regtext;
using namespace regtest;

namespace {

class RegFile : public ::testing::Test {
protected:
    ce::test::TestImage image;

    // Runs SQL on the store from a second connection (as another process would).
    void Sql(const char* sql) {
        ASSERT_EQ(OpenError(HKEY_LOCAL_MACHINE, u""), ERROR_SUCCESS);  // the store is made
        EXPECT_EQ(ce::test::StoreSql(image.dir(), sql), "");
    }

    std::vector<Operation> Parse(const std::string& text) {
        std::vector<Operation> ops;
        ParseError error;
        EXPECT_TRUE(ParseRegFile("REGEDIT4\n\n" + text, ops, error)) << error.message;
        return ops;
    }

    std::u16string Export(const char16_t* key) {
        KeyPath path;
        std::string why;
        EXPECT_TRUE(ParseKeyPath(key, path, why));
        std::u16string text;
        EXPECT_EQ(ExportKey(path, text, why), Outcome::Ok) << why;
        return text;
    }
};

// Runs `body` on a thread with a small stack (a walk that recursed per level
// would overflow it).
void OnSmallStack(const std::function<void()>& body) {
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, 256 * 1024);
    pthread_t thread;
    auto run = [](void* p) -> void* {
        (*static_cast<const std::function<void()>*>(p))();
        return nullptr;
    };
    ASSERT_EQ(pthread_create(&thread, &attr, run, const_cast<std::function<void()>*>(&body)), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attr);
}

TEST_F(RegFile, ExportWalksDepthFirstInTheRegistrysOrderWithNamesAsSpelled) {
    RegCloseKey(Create(HKEY_LOCAL_MACHINE, u"Top\\b b"));
    HKEY a = Create(HKEY_LOCAL_MACHINE, u"Top\\Alpha\\Inner");
    ASSERT_EQ(SetDword(a, u"v", 1), ERROR_SUCCESS);
    RegCloseKey(a);
    EXPECT_EQ(Export(u"hklm\\top\\ALPHA"),
              u"[HKEY_LOCAL_MACHINE\\Top\\Alpha]\n\n"
              u"[HKEY_LOCAL_MACHINE\\Top\\Alpha\\Inner]\n\"v\"=dword:00000001\n\n");
    // "Alpha\Inner" before its sibling "b b", although "Alpha " < "Alpha\" by code.
    RegCloseKey(Create(HKEY_LOCAL_MACHINE, u"Top\\Alpha B"));
    std::u16string all = Export(u"HKLM\\Top");
    EXPECT_LT(all.find(u"Alpha\\Inner]"), all.find(u"Alpha B]"));
    EXPECT_LT(all.find(u"Alpha B]"), all.find(u"b b]"));

    KeyPath missing{HKEY_LOCAL_MACHINE, u"Top\\Nope"};
    std::u16string text;
    std::string why;
    EXPECT_EQ(ExportKey(missing, text, why), Outcome::NotFound);
    EXPECT_EQ(DeleteKeyTree(missing, why), Outcome::NotFound);
    EXPECT_EQ(DeleteKeyTree({HKEY_LOCAL_MACHINE, u""}, why), Outcome::Failed);
}

TEST_F(RegFile, AKeyThatCannotBeWrittenFailsTheExportInsteadOfBeingLeftOut) {
    RegCloseKey(Create(HKEY_LOCAL_MACHINE, u"Top\\Fine"));
    // A name with a NUL, as an older store or a foreign writer may hold.
    Sql("INSERT INTO keys(parent, name, fold, path) SELECT id, x'41000000', x'00410000',"
        " CAST(path || x'005c00410000' AS BLOB) FROM keys WHERE name = x'54006f007000'");
    std::u16string text;
    std::string why;
    EXPECT_EQ(ExportKey({HKEY_LOCAL_MACHINE, u"Top"}, text, why), Outcome::Failed);
    EXPECT_NE(why.find("NUL"), std::string::npos) << why;
    EXPECT_TRUE(text.empty());
}

TEST_F(RegFile, ImportAndDeletionLandWholeOrNotAtAll) {
    HKEY keep = Create(HKEY_LOCAL_MACHINE, u"Keep\\A\\B\\C");
    RegCloseKey(keep);
    // The store refuses one write part-way, as a full disk would.
    Sql("CREATE TRIGGER refuse BEFORE INSERT ON vals WHEN new.type = 777 BEGIN SELECT RAISE(ABORT, 'full'); END;"
        "CREATE TRIGGER refuse_delete BEFORE DELETE ON keys WHEN old.name = x'4200' BEGIN SELECT RAISE(ABORT, "
        "'full'); END;");
    std::vector<Operation> ops = Parse(
        "[HKEY_LOCAL_MACHINE\\New]\n\"a\"=dword:00000001\n"
        "[-HKEY_LOCAL_MACHINE\\Keep\\A\\B\\C]\n"
        "[HKEY_LOCAL_MACHINE\\New2]\n\"b\"=hex(309):01\n");
    ParseError error;
    EXPECT_EQ(ApplyOperations(ops, error), Outcome::Failed);
    EXPECT_EQ(error.line, 7);
    EXPECT_NE(error.message.find("cannot set value \"b\" in HKEY_LOCAL_MACHINE\\New2"), std::string::npos)
        << error.message;
    EXPECT_EQ(OpenError(HKEY_LOCAL_MACHINE, u"New"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(OpenError(HKEY_LOCAL_MACHINE, u"Keep\\A\\B\\C"), ERROR_SUCCESS);

    // The deletion of a tree stops at "B": nothing of it goes.
    std::string why;
    EXPECT_EQ(DeleteKeyTree({HKEY_LOCAL_MACHINE, u"Keep\\A"}, why), Outcome::Failed);
    EXPECT_NE(why.find("cannot delete HKEY_LOCAL_MACHINE\\Keep\\A: "), std::string::npos) << why;
    EXPECT_EQ(OpenError(HKEY_LOCAL_MACHINE, u"Keep\\A\\B\\C"), ERROR_SUCCESS);

    ops.pop_back();
    EXPECT_EQ(ApplyOperations(ops, error), Outcome::Ok) << error.message;
    EXPECT_EQ(OpenError(HKEY_LOCAL_MACHINE, u"Keep\\A\\B\\C"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(OpenError(HKEY_LOCAL_MACHINE, u"New2"), ERROR_SUCCESS);
}

TEST_F(RegFile, ImportsPastTheLimitsAreRefusedBeforeAnythingChanges) {
    std::string deep = "HKEY_LOCAL_MACHINE";
    for (int i = 0; i < 513; ++i) deep += "\\k";
    std::string longPath = "HKEY_LOCAL_MACHINE";
    for (int i = 0; i < 20; ++i) longPath += "\\" + std::string(250, 'n');
    struct Case {
        std::string body;
        int line;
        const char* says;
    } cases[] = {
        {"[" + deep + "]\n", 5, "deeper than 512 levels"},
        {"[" + longPath + "]\n", 5, "longer than 4096 characters"},
    };
    for (const Case& c : cases) {
        std::vector<Operation> ops = Parse("[HKEY_LOCAL_MACHINE\\First]\n\"x\"=\"y\"\n" + c.body);
        ParseError error;
        EXPECT_EQ(ApplyOperations(ops, error), Outcome::Failed) << c.says;
        EXPECT_EQ(error.line, c.line) << c.says;
        EXPECT_NE(error.message.find(c.says), std::string::npos) << error.message;
        EXPECT_EQ(OpenError(HKEY_LOCAL_MACHINE, u"First"), ERROR_FILE_NOT_FOUND) << c.says;
    }
    // A value name with a NUL (only an API caller can build one).
    Operation op;
    op.kind = Operation::SetValue;
    op.key = {HKEY_LOCAL_MACHINE, u"First"};
    op.value.name = std::u16string(u"a\0b", 3);
    ParseError error;
    EXPECT_EQ(ApplyOperations({op}, error), Outcome::Failed);
    EXPECT_NE(error.message.find("NUL"), std::string::npos);
}

TEST_F(RegFile, DeepTreesAreExportedAndDeletedWithoutRecursion) {
    // Deeper than the registry now lets anyone create: a store from before the limit.
    constexpr int kDepth = 2000;
    ce::reg::SavedTree tree;
    tree.keys.resize(kDepth + 1);
    for (uint32_t i = 1; i <= kDepth; ++i) {
        tree.keys[i].parent = i - 1;
        tree.keys[i].name = u"d";
    }
    tree.keys[kDepth].values.push_back({u"leaf", REG_DWORD, {1, 0, 0, 0}});
    ASSERT_EQ(ce::reg::WithStore([&](ce::reg::Store& s) -> DWORD {
                  s.ReplaceRoot(1, tree);
                  return ERROR_SUCCESS;
              }),
              0u);
    OnSmallStack([&] {
        std::u16string text;
        std::string why;
        EXPECT_EQ(ExportKey({HKEY_CURRENT_USER, u""}, text, why), Outcome::Ok) << why;
        EXPECT_NE(text.find(u"\\d\\d]\n\"leaf\"=dword:00000001"), std::u16string::npos);
        EXPECT_EQ(DeleteKeyTree({HKEY_CURRENT_USER, u"d"}, why), Outcome::Ok) << why;
    });
    EXPECT_TRUE(SubKeys(HKEY_CURRENT_USER).empty());
}

}  // namespace
