// The arbor executable driven by automation scripts; the registry it
// changed is read back with cereg.
#include "exerun.h"

namespace {

using ce::test::ReadTextFile;
using Answer = std::pair<int, std::string>;

class ArborRun : public ce::test::ExeRun {
protected:
    int Arbor(const std::string& args) { return Shell(ARBOR_EXE " --headless " + args + " > out.txt 2> err.txt"); }
    Answer Cereg(const std::string& args) { return Output(CEREG_EXE " --device dev " + args); }
};

TEST_F(ArborRun, CreatesAKeyAndValuesAndDeletesOneByTouch) {
    ASSERT_EQ(Arbor("--device dev --script " EDIT_SCRIPT), 0) << Err();
    EXPECT_EQ(Cereg("get 'HKU\\ScriptKey' Greeting"), (Answer{0, "hello"}));
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

TEST_F(ArborRun, ExportsAKeyToTheCardAndImportsItOnAnotherDevice) {
    std::filesystem::create_directories(dir_ / "card");
    ASSERT_EQ(Arbor("--storage-card card --device dev --script " EXPORT_SCRIPT), 0) << Err();
    const auto exported = Cereg("export 'HKLM\\Drivers\\BuiltIn'");
    ASSERT_EQ(exported.first, 0);

    // The other device lacks the key (and has a value the file does not
    // know, which the import leaves alone).
    ASSERT_EQ(Shell(CEREG_EXE " --device other init > /dev/null && " CEREG_EXE
                              " --device other delete 'HKLM\\Drivers\\BuiltIn' && " CEREG_EXE
                              " --device other set 'HKLM\\Drivers' Extra dword 5 > /dev/null"),
              0);
    ASSERT_EQ(Arbor("--storage-card card --device other --script " IMPORT_SCRIPT), 0) << Err();
    EXPECT_EQ(Output(CEREG_EXE " --device other export 'HKLM\\Drivers\\BuiltIn'"), exported);
    EXPECT_EQ(Shell(CEREG_EXE " --device other get 'HKLM\\Drivers' Extra > /dev/null"), 0);
}

TEST_F(ArborRun, TourLeavesTheRegistryAsItWas) {
    std::filesystem::create_directories(dir_ / "out");
    ASSERT_EQ(Shell(CEREG_EXE " --device dev init > /dev/null"), 0);
    const auto before = Cereg("export");
    ASSERT_EQ(before.first, 0);
    ASSERT_EQ(Arbor("--device dev --script " TOUR_SCRIPT), 0) << Err();
    for (const char* f : {"out/arbor-tour-2-values.png", "out/arbor-tour-36-key-deleted.png"})
        EXPECT_TRUE(std::filesystem::exists(dir_ / f)) << f;
    EXPECT_EQ(Cereg("export"), before);
}

}  // namespace
