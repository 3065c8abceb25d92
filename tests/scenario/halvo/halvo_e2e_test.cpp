// The halvo executable driven by automation scripts.
#include "exerun.h"

namespace {

using ce::test::Json;
using ce::test::ReadTextFile;

class HalvoRun : public ce::test::ExeRun {
protected:
    int Halvo(const std::string& script, const std::string& extra = "--headless") {
        ce::test::WriteTextFile(dir_ / "run.script", script);
        return Run(extra + " --script run.script");
    }
    int Run(const std::string& args) { return Shell(HALVO_EXE " --device dev " + args + " > out.txt 2> err.txt"); }
};

TEST_F(HalvoRun, TourDragsThePanelAndQuits) {
    std::filesystem::create_directories(dir_ / "out");
    EXPECT_EQ(Run("--headless --script " TOUR_SCRIPT), 0) << Err();
    for (const char* f : {"out/tour-1-panel.png", "out/tour-2-dragged.png", "out/tour-4-button-held.png"})
        EXPECT_TRUE(std::filesystem::exists(dir_ / f)) << f;
}

TEST_F(HalvoRun, EverySettingsDialogChangesTheDevice) {
    EXPECT_EQ(Run("--headless --script " SETTINGS_SCRIPT), 0) << Err();
    auto get = [&](const std::string& key, const std::string& name) {
        return Output(CEREG_EXE " --device dev get '" + key + "' " + name).second;
    };
    EXPECT_EQ(get("HKLM\\Drivers\\BuiltIn\\ExtPartInit", "brightless_value"), "22");
    EXPECT_EQ(get("HKLM\\Drivers\\BuiltIn\\ExtPartInit", "RotateAngle"), "90");
    EXPECT_EQ(get("HKCU\\ControlPanel\\Backlight", "ACTimeout"), "600");
    EXPECT_EQ(get("HKLM\\Comm\\FTPD", "IsEnabled"), "0");
    EXPECT_TRUE(Logged("dev", {{"ioctl", "0x40010"}, {"in", "0100000001000000"}}));  // one step
    EXPECT_TRUE(Logged("dev", {{"dev", "backlight"}}));
    EXPECT_TRUE(Logged("dev", {{"orientation", 1}, {"width", 480}, {"height", 800}}));
    EXPECT_TRUE(Logged("dev", {{"ioctl", "0x40004"}, {"in", "0100000001000000"}}));  // COM1 RS-485
    Json screen = Json::parse(ReadTextFile(dir_ / "turned.json"))["screen"];
    EXPECT_EQ(ce::test::Missing(screen, {{"width", 480}, {"height", 800}, {"rotation", 90}}), "") << screen;
    EXPECT_TRUE(ce::test::FindWhere(Json::parse(ReadTextFile(dir_ / "sysinfo.json")), "text", "00-50-C2-12-34-56"));
}

// A script that ends with a dialog open: the host closes the windows as
// their user would, so the brightness dialog cancels and puts the level back.
TEST_F(HalvoRun, EndingAScriptCancelsAnOpenDialog) {
    EXPECT_EQ(Halvo("wait \"Quit\"\ntap #1012\nwait \"OK\"\ntap #1026\n"), 0) << Err();
    EXPECT_TRUE(Logged("dev", {{"level", 22}}));
    EXPECT_TRUE(Logged("dev", {{"level", 21}}));
    EXPECT_NE(ReadTextFile(dir_ / "dev" / "hw" / "state").find("epi1.brightness = 21"), std::string::npos);
}

TEST_F(HalvoRun, DumpShowsThePanelEscapeEndsAndAFailingStepIsNamed) {
    EXPECT_EQ(Halvo("wait \"Brightness\"\ndump panel.json\nkey ESCAPE\nwait-exit\n"), 0);
    Json dump = Json::parse(ReadTextFile(dir_ / "panel.json"));
    EXPECT_EQ(ce::test::Missing(dump["screen"], {{"width", 800}, {"height", 480}}), "");
    const Json* panel = ce::test::FindWhere(dump, "class", "#32770");
    ASSERT_TRUE(panel);
    EXPECT_EQ((*panel)["rect"], Json({175, 80, 625, 400}));
    EXPECT_TRUE(ce::test::FindWhere(*panel, "id", 1012));
    EXPECT_TRUE(ce::test::FindWhere(*panel, "text", "Serial Port"));
    EXPECT_EQ(Halvo("wait \"No such text\" 200\n"), 1);
    EXPECT_NE(Err().find("run.script:1"), std::string::npos);
    // The program ends before the last step.
    EXPECT_EQ(Halvo("key ESCAPE\nwait-exit\ntap 10 10\n"), 1);
}

TEST_F(HalvoRun, SdlWindowUnderTheOffscreenDriver) {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    // The display libraries keep a few allocations to the end of the process.
    setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
    EXPECT_EQ(Halvo("wait \"Brightness\"\nscreenshot sdl.png\ntap #1000\nwait-exit\n", "--scale 2"), 0) << Err();
    unsetenv("SDL_VIDEODRIVER");
    unsetenv("ASAN_OPTIONS");
    EXPECT_TRUE(std::filesystem::exists(dir_ / "sdl.png"));
}

}  // namespace
