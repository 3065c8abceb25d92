// Back up, change, restore: the halvo executable driven by scripts, the
// registry read back with cereg, the restart seen in the exit status.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>

#include "jsontest.h"
#include "testimage.h"

namespace {

using ce::test::ReadTextFile;

TEST(RegistryRun, BackupChangeRestoreAndRestartBringTheOldValueBack) {
    auto dir = ce::test::MakeTempDir("halvo-registry-");
    auto run = [&](const std::string& cmd) {
        int status = std::system(("cd " + dir.string() + " && " + cmd).c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    auto halvo = [&](const std::string& script) {
        return run(HALVO_EXE " --device dev --headless --script " + script + " > out.txt 2> err.txt");
    };
    const std::string value = CEREG_EXE " --device dev get 'HKLM\\Drivers\\BuiltIn\\ExtPartInit' brightless_value";

    ASSERT_EQ(halvo(BACKUP_SCRIPT), 0) << ReadTextFile(dir / "err.txt");
    run(value + " > before.txt");
    using ce::test::Json;
    Json root = Json::parse(ReadTextFile(dir / "files-root.json"));
    const Json* card = ce::test::FindWhere(root, "text", "StorageCard");
    ASSERT_TRUE(card);
    EXPECT_EQ((*card)["folder"], true);
    run(CEREG_EXE " --device dev set 'HKLM\\Drivers\\BuiltIn\\ExtPartInit' brightless_value dword 3");

    EXPECT_EQ(halvo(RESTORE_SCRIPT), 3) << ReadTextFile(dir / "err.txt");
    EXPECT_NE(ReadTextFile(dir / "out.txt").find("device restart"), std::string::npos);
    Json onCard = Json::parse(ReadTextFile(dir / "files-card.json"));
    const Json* files = ce::test::FindObject(onCard, [](const Json& o) { return o.contains("rows"); });
    ASSERT_TRUE(files);
    EXPECT_EQ((*files)["rows"], Json::parse(R"([{"text":"before.bak","folder":false}])"));
    EXPECT_EQ((*files)["sel"], 0);

    // The next start of the device has the registry of the backup again.
    run("printf 'wait \"Quit\"\\n' > start.script");
    EXPECT_EQ(halvo("start.script"), 0) << ReadTextFile(dir / "err.txt");
    run(value + " > after.txt");
    EXPECT_FALSE(ReadTextFile(dir / "before.txt").empty());
    EXPECT_EQ(ReadTextFile(dir / "after.txt"), ReadTextFile(dir / "before.txt"));
    std::filesystem::remove_all(dir);
}

}  // namespace
