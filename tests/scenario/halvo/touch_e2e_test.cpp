// The halvo executable, worked by a script: the touch button, a calibration,
// a touch test and the double tap that ends it.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>

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
    std::string log = ReadTextFile(dir / "dev" / "log" / "device.log");
    EXPECT_NE(log.find("\"dev\":\"touch\",\"calibrate\":\"accepted\",\"data\":\"1,0,10,0,1,0\""), std::string::npos)
        << log;
    // The test window (a class of the framework's naming) is there, then
    // gone, and the settings dialog is back on top.
    EXPECT_NE(ReadTextFile(dir / "out" / "3-test.json").find("\"class\":\"Afx:"), std::string::npos);
    std::string dump = ReadTextFile(dir / "out" / "4-back.json");
    EXPECT_EQ(dump.find("\"class\":\"Afx:"), std::string::npos);
    EXPECT_NE(dump.find("\"windows\":[{\"class\":\"#32770\",\"id\":0,\"text\":\"Touch Screen Settings\""),
              std::string::npos);
    EXPECT_EQ(ReadTextFile(dir / "out" / "5-closed.json").find("Touch Screen Settings"), std::string::npos);
    std::filesystem::remove_all(dir);
}

}  // namespace
