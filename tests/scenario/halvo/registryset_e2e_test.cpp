// Back up, change, restore: the halvo executable driven by scripts, the
// registry read back with cereg, the restart seen in the exit status.
#include "exerun.h"

namespace {

using ce::test::Json;
using ce::test::ReadTextFile;
using RegistryRun = ce::test::ExeRun;

TEST_F(RegistryRun, BackupChangeRestoreAndRestartBringTheOldValueBack) {
    auto halvo = [&](const std::string& script) {
        return Shell(HALVO_EXE " --device dev --headless --script " + script + " > out.txt 2> err.txt");
    };
    const std::string value = CEREG_EXE " --device dev get 'HKLM\\Drivers\\BuiltIn\\ExtPartInit' brightless_value";

    ASSERT_EQ(halvo(BACKUP_SCRIPT), 0) << Err();
    const auto before = Output(value);
    Json root = Json::parse(ReadTextFile(dir_ / "files-root.json"));
    const Json* card = ce::test::FindWhere(root, "text", "StorageCard");
    ASSERT_TRUE(card);
    EXPECT_EQ((*card)["folder"], true);
    Shell(CEREG_EXE " --device dev set 'HKLM\\Drivers\\BuiltIn\\ExtPartInit' brightless_value dword 3");

    EXPECT_EQ(halvo(RESTORE_SCRIPT), 3) << Err();
    EXPECT_NE(ReadTextFile(dir_ / "out.txt").find("device restart"), std::string::npos);
    Json onCard = Json::parse(ReadTextFile(dir_ / "files-card.json"));
    const Json* files = ce::test::FindObject(onCard, [](const Json& o) { return o.contains("rows"); });
    ASSERT_TRUE(files);
    EXPECT_EQ((*files)["rows"], Json::parse(R"([{"text":"before.bak","folder":false}])"));
    EXPECT_EQ((*files)["sel"], 0);

    // The next start of the device has the registry of the backup again.
    ce::test::WriteTextFile(dir_ / "start.script", "wait \"Quit\"\n");
    EXPECT_EQ(halvo("start.script"), 0) << Err();
    EXPECT_FALSE(before.second.empty());
    EXPECT_EQ(Output(value), before);
}

}  // namespace
