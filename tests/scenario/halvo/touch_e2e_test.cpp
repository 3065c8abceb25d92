// The halvo executable, worked by a script: the touch button, a calibration,
// a touch test and the double tap that ends it.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>

#include "jsontest.h"
#include "testimage.h"

namespace {

using ce::test::MakeTempDir;
using ce::test::ReadTextFile;
using ce::test::WriteTextFile;

const char kScript[] = R"(# Calibrate with a stylus that lands 10 px left of where it is meant.
tap #1005
wait "Touch Screen Settings"
tap "Calibrate"
screenshot out/1-calibrate.png
tap 390 240
tap 90 60
tap 689 60
tap 689 419
tap 90 419
screenshot out/2-accept.png
tap 400 300
wait "Touch Screen Settings"
tap "Test"
tap 310 200
screenshot out/3-test.png
dump out/3-test.json
dbltap 310 200
dump out/4-back.json
key ESCAPE
dump out/5-closed.json
)";

TEST(TouchE2e, CalibrateTestAndDoubleTapOut) {
    auto dir = MakeTempDir("touch-e2e-");
    std::filesystem::create_directories(dir / "out");
    WriteTextFile(dir / "run.script", kScript);
    int status = std::system(
        ("cd " + dir.string() + " && " HALVO_EXE " --device dev --headless --script run.script > out.txt 2> err.txt")
            .c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << ReadTextFile(dir / "err.txt");
    for (const char* f : {"out/1-calibrate.png", "out/2-accept.png", "out/3-test.png"})
        EXPECT_TRUE(std::filesystem::exists(dir / f)) << f;
    using ce::test::Json;
    bool accepted = false;
    for (const Json& entry : ce::test::ParseLines(ReadTextFile(dir / "dev" / "log" / "device.log")))
        accepted |=
            ce::test::Missing(entry, {{"dev", "touch"}, {"calibrate", "accepted"}, {"data", "1,0,10,0,1,0"}}).empty();
    EXPECT_TRUE(accepted);
    // The test window (a class of the framework's naming) is there, then
    // gone, and the settings dialog is back on top.
    auto frameworkWindow = [](const Json& o) {
        return o.contains("class") && o["class"].get<std::string>().starts_with("Afx:");
    };
    EXPECT_TRUE(ce::test::FindObject(Json::parse(ReadTextFile(dir / "out" / "3-test.json")), frameworkWindow));
    Json dump = Json::parse(ReadTextFile(dir / "out" / "4-back.json"));
    EXPECT_FALSE(ce::test::FindObject(dump, frameworkWindow));
    EXPECT_EQ(ce::test::Missing(dump["windows"][0], {{"class", "#32770"}, {"text", "Touch Screen Settings"}}), "");
    EXPECT_FALSE(
        ce::test::FindWhere(Json::parse(ReadTextFile(dir / "out" / "5-closed.json")), "text", "Touch Screen Settings"));
    std::filesystem::remove_all(dir);
}

}  // namespace
