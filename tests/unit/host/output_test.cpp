// Screenshots, dumps and the host's view of the program's lifetime.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <thread>

#include "ce_gdi.h"
#include "device.h"
#include "screenshot.h"
#include "testimage.h"

namespace ce::host {
namespace {

TEST(Screenshot, ScreenRoundTripsThroughPng) {
    gdi::ScreenMode mode;
    mode.width = 5;
    mode.height = 3;
    gdi::Screen::SetMode(mode);
    auto surface = gdi::Screen::CurrentSurface();
    surface->row(0)[0] = 0xFF0000;
    surface->row(2)[4] = 0x0000FF;
    surface->row(1)[2] = 0x123456;
    auto dir = ce::test::MakeTempDir("host_png");
    std::string error;
    ASSERT_TRUE(WriteScreenPng((dir / "s.png").string(), error)) << error;
    std::vector<uint32_t> pixels;
    int w = 0, h = 0;
    ASSERT_TRUE(ReadPng((dir / "s.png").string(), pixels, w, h, error)) << error;
    EXPECT_EQ(w, 5);
    EXPECT_EQ(h, 3);
    EXPECT_EQ(pixels, gdi::Screen::Snapshot(&w, &h));
    EXPECT_EQ(pixels[2 * 5 + 4], 0x0000FFu);
    EXPECT_FALSE(WriteScreenPng((dir / "missing" / "s.png").string(), error));
    EXPECT_NE(error.find("missing/s.png"), std::string::npos);
    EXPECT_FALSE(ReadPng((dir / "nothing.png").string(), pixels, w, h, error));
    std::filesystem::remove_all(dir);
}

TEST(Screenshot, RejectsPixelsThatDoNotMatchTheSize) {
    std::string error;
    EXPECT_FALSE(WritePng("/tmp/never.png", std::vector<uint32_t>(5), 2, 3, error));
    EXPECT_FALSE(error.empty());
}

TEST(HostDevice, NothingReachesTheDesktopAfterTheProgramEnded) {
    class Recording : public Desktop {
    public:
        void InjectPointer(PointerKind, int, int, uint32_t) override { ++calls; }
        void InjectKey(unsigned, bool, unsigned, char16_t) override { ++calls; }
        bool WaitIdle(Millis) override { return ++calls, false; }
        std::optional<ScreenPoint> FindText(const std::string&) override { return std::nullopt; }
        std::optional<ScreenPoint> FindControl(int) override { return std::nullopt; }
        std::string TouchPassesAt(ScreenPoint) override { return {}; }
        Json DumpWindows() override { return ++calls, Json::array({Json::object()}); }
        void RequestQuit() override { ++calls; }
        int calls = 0;
    } desktop;
    ProgramState state;
    HostDevice device(desktop, state);
    device.InjectKey(13, true, 0, u'\r');
    EXPECT_FALSE(device.WaitIdle(Millis(0)));
    EXPECT_EQ(desktop.calls, 2);
    state.MarkEnded(4);
    state.MarkEnded(3);  // the first end counts
    device.InjectPointer(PointerKind::Down, 1, 1, 0);
    device.RequestQuit();
    EXPECT_TRUE(device.WaitIdle(Millis(0)));
    EXPECT_EQ(Json::parse(device.DumpJson())["windows"], Json::array());
    EXPECT_EQ(desktop.calls, 2);
    EXPECT_TRUE(device.ProgramEnded());
    EXPECT_EQ(device.ExitStatus(), 4);
}

TEST(HostDevice, WaitExitWakesWhenTheProgramEnds) {
    ProgramState state;
    EXPECT_FALSE(state.WaitEnded(Millis(0)));
    std::thread program([&] { state.MarkEnded(7); });
    EXPECT_TRUE(state.WaitEnded(Millis(60000)));
    program.join();
    EXPECT_EQ(state.Status(), 7);
}

}  // namespace
}  // namespace ce::host
