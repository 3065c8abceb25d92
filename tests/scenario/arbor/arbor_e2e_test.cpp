// The arbor executable driven by automation scripts; the registry it
// changed is read back with cereg.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>

#include "testimage.h"

namespace {

using ce::test::MakeTempDir;
using ce::test::ReadTextFile;

int Shell(const std::string& cmd) {
    int status = std::system(cmd.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class ArborRun : public testing::Test {
protected:
    void SetUp() override { dir_ = MakeTempDir("arbor-e2e-"); }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    // cereg's exit status and its output, without the final line break.
    std::pair<int, std::string> Cereg(const std::string& args) {
        int rc = Shell("cd " + dir_.string() + " && " CEREG_EXE " --device dev " + args + " > cereg.txt 2>&1");
        std::string out = ReadTextFile(dir_ / "cereg.txt");
        while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
        return {rc, out};
    }
    std::filesystem::path dir_;
};

TEST_F(ArborRun, CreatesAKeyAndValuesAndDeletesOneByTouch) {
    ASSERT_EQ(Shell("cd " + dir_.string() +
                    " && " ARBOR_EXE " --device dev --headless --script " EDIT_SCRIPT " > out.txt 2> err.txt"),
              0)
        << ReadTextFile(dir_ / "err.txt");
    EXPECT_EQ(Cereg("get 'HKU\\ScriptKey' Greeting"), (std::pair<int, std::string>{0, "hello"}));
    auto blob = Cereg("get 'HKU\\ScriptKey' Blob");
    EXPECT_EQ(blob.first, 0);
    EXPECT_NE(blob.second.find("01"), std::string::npos) << blob.second;
    EXPECT_NE(blob.second.find("ab"), std::string::npos) << blob.second;
    EXPECT_NE(blob.second.find("ff"), std::string::npos) << blob.second;
    EXPECT_EQ(Cereg("get 'HKU\\ScriptKey' Count").first, 1);  // deleted

    // The list showed the three new rows, then two.
    std::string added = ReadTextFile(dir_ / "arbor_added.json");
    std::string deleted = ReadTextFile(dir_ / "arbor_deleted.json");
    for (const char* cell : {"\"Greeting\"", "\"hello\"", "\"Count\"", "\"42\"", "\"Blob\"", "\"01 AB FF \""})
        EXPECT_NE(added.find(cell), std::string::npos) << cell;
    EXPECT_EQ(deleted.find("\"Count\""), std::string::npos);
    EXPECT_NE(deleted.find("\"Blob\""), std::string::npos);
    EXPECT_NE(deleted.find("\"ScriptKey\""), std::string::npos);
}

TEST_F(ArborRun, ModifiesAndRenamesByTouchAndKeys) {
    ASSERT_EQ(Shell("cd " + dir_.string() +
                    " && " CEREG_EXE " --device dev init > /dev/null && " CEREG_EXE
                    " --device dev set 'HKU\\Edits' Greeting sz hello && " CEREG_EXE
                    " --device dev set 'HKU\\Edits' Count dword 1"),
              0);
    ASSERT_EQ(Shell("cd " + dir_.string() +
                    " && " ARBOR_EXE " --device dev --headless --script " MODIFY_SCRIPT " > out.txt 2> err.txt"),
              0)
        << ReadTextFile(dir_ / "err.txt");
    using Answer = std::pair<int, std::string>;
    EXPECT_EQ(Cereg("get 'HKU\\Edits' Count").first, 1);  // the key is renamed
    EXPECT_EQ(Cereg("get 'HKU\\Edited' Welcome"), (Answer{0, "changed"}));
    EXPECT_EQ(Cereg("get 'HKU\\Edited' Greeting").first, 1);
    EXPECT_EQ(Cereg("get 'HKU\\Edited' Count"), (Answer{0, "4000000000"}));
    EXPECT_EQ(Cereg("get 'HKU\\Edited' Big"), (Answer{0, "00,00,00,00,01,00,00,00"}));
    // The list showed what was stored.
    std::string shown = ReadTextFile(dir_ / "arbor_modified.json");
    for (const char* cell : {"\"Welcome\"", "\"changed\"", "\"4000000000\"", "\"Edited\""})
        EXPECT_NE(shown.find(cell), std::string::npos) << cell;
}

TEST_F(ArborRun, ExportsAKeyToTheCardAndImportsItOnAnotherDevice) {
    const std::string run = "cd " + dir_.string() + " && " ARBOR_EXE " --headless --storage-card card ";
    std::filesystem::create_directories(dir_ / "card");
    ASSERT_EQ(Shell(run + "--device dev --script " EXPORT_SCRIPT " > out.txt 2> err.txt"), 0)
        << ReadTextFile(dir_ / "err.txt");
    const auto exported = Cereg("export 'HKLM\\Drivers\\BuiltIn'");
    ASSERT_EQ(exported.first, 0);

    // The other device lacks the key (and has a value the file does not
    // know, which the import leaves alone).
    ASSERT_EQ(Shell("cd " + dir_.string() +
                    " && " CEREG_EXE " --device other init > /dev/null && " CEREG_EXE
                    " --device other delete 'HKLM\\Drivers\\BuiltIn' && " CEREG_EXE
                    " --device other set 'HKLM\\Drivers' Extra dword 5 > /dev/null"),
              0);
    ASSERT_EQ(Shell(run + "--device other --script " IMPORT_SCRIPT " > out.txt 2> err.txt"), 0)
        << ReadTextFile(dir_ / "err.txt");
    ASSERT_EQ(
        Shell("cd " + dir_.string() + " && " CEREG_EXE " --device other export 'HKLM\\Drivers\\BuiltIn' > other.txt"),
        0);
    std::string other = ReadTextFile(dir_ / "other.txt");
    while (!other.empty() && other.back() == '\n') other.pop_back();
    EXPECT_EQ(other, exported.second);
    EXPECT_EQ(Shell("cd " + dir_.string() + " && " CEREG_EXE " --device other get 'HKLM\\Drivers' Extra > /dev/null"),
              0);
}

TEST_F(ArborRun, TourLeavesTheRegistryAsItWas) {
    std::filesystem::create_directories(dir_ / "out");
    ASSERT_EQ(Shell("cd " + dir_.string() + " && " CEREG_EXE " --device dev init > /dev/null"), 0);
    const auto before = Cereg("export");
    ASSERT_EQ(before.first, 0);
    ASSERT_EQ(Shell("cd " + dir_.string() +
                    " && " ARBOR_EXE " --device dev --headless --script " TOUR_SCRIPT " > out.txt 2> err.txt"),
              0)
        << ReadTextFile(dir_ / "err.txt");
    for (const char* f : {"out/arbor-tour-2-values.png", "out/arbor-tour-36-key-deleted.png"})
        EXPECT_TRUE(std::filesystem::exists(dir_ / f)) << f;
    EXPECT_EQ(Cereg("export"), before);
}

}  // namespace
