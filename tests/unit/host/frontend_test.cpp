// The front ends: SDL2 under its offscreen driver, and headless.
#include "frontend.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

#include "ce_gdi.h"
#include "fake_device.h"
#include "script.h"

namespace ce::host {
namespace {

using test::FakeDevice;

class SdlFront : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        gdi::ScreenMode mode;
        mode.width = 4;
        mode.height = 3;
        gdi::Screen::SetMode(mode);
        Put(0, 0, 0xFF0000);
        Put(3, 2, 0x00FF00);
        std::string error;
        front = SdlFrontEnd::Open("test", 2, error);
        if (!front) GTEST_SKIP() << "SDL offscreen video unavailable: " << error;
    }
    static void Put(int x, int y, uint32_t pixel) {
        auto surface = gdi::Screen::CurrentSurface();
        surface->row(y)[x] = pixel;
        surface->Touch();
    }
    static void Push(uint32_t type, int x, int y) {
        SDL_Event e{};
        e.type = type;
        if (type == SDL_MOUSEMOTION) {
            e.motion.x = x;
            e.motion.y = y;
        } else {
            e.button.button = SDL_BUTTON_LEFT;
            e.button.x = x;
            e.button.y = y;
        }
        SDL_PushEvent(&e);
    }
    std::unique_ptr<SdlFrontEnd> front;
};

TEST_F(SdlFront, ShowsTheScreenEnlargedAndFollowsChanges) {
    int w = 0, h = 0;
    std::vector<uint32_t> px = front->WindowPixels(w, h);
    ASSERT_EQ(w, 8);
    ASSERT_EQ(h, 6);
    EXPECT_EQ(px[0], 0xFF0000u);
    EXPECT_EQ(px[1 * 8 + 1], 0xFF0000u);  // nearest-pixel enlargement
    EXPECT_EQ(px[1 * 8 + 2], 0x000000u);
    EXPECT_EQ(px[5 * 8 + 7], 0x00FF00u);

    uint64_t presents = front->presents();
    front->PresentIfChanged();
    EXPECT_EQ(front->presents(), presents);  // nothing new, nothing shown
    Put(1, 1, 0x0000FF);
    front->PresentIfChanged();
    EXPECT_EQ(front->presents(), presents + 1);
    px = front->WindowPixels(w, h);
    EXPECT_EQ(px[3 * 8 + 3], 0x0000FFu);
}

TEST_F(SdlFront, WindowFollowsARotatedScreen) {
    gdi::ScreenMode mode;
    mode.width = 3;
    mode.height = 4;
    gdi::Screen::SetMode(mode);
    Put(2, 3, 0xFFFFFF);
    front->PresentIfChanged();
    int w = 0, h = 0;
    std::vector<uint32_t> px = front->WindowPixels(w, h);
    ASSERT_EQ(w, 6);
    ASSERT_EQ(h, 8);
    EXPECT_EQ(px[7 * 6 + 5], 0xFFFFFFu);
}

TEST_F(SdlFront, MouseBecomesTheStylusScaledBack) {
    FakeDevice d;
    Push(SDL_MOUSEMOTION, 1, 1);  // hovering: no stylus
    Push(SDL_MOUSEBUTTONDOWN, 5, 3);
    Push(SDL_MOUSEMOTION, 7, 5);
    Push(SDL_MOUSEMOTION, 100, -4);  // dragged outside: kept on the screen
    Push(SDL_MOUSEBUTTONUP, 6, 4);
    front->Pump(d, Millis(0));
    EXPECT_EQ(d.Events(), (std::vector<std::string>{"down 2,1", "move 3,2", "move 3,0", "up 3,2"}));
}

TEST_F(SdlFront, CloseButtonAsksTheProgramToEndAndTheLoopStops) {
    FakeDevice d;
    d.endOnQuit = true;
    SDL_Event e{};
    e.type = SDL_QUIT;
    SDL_PushEvent(&e);
    front->Run(d, [&] { return d.ProgramEnded(); });
    EXPECT_EQ(d.Events(), (std::vector<std::string>{"quit"}));
}

TEST_F(SdlFront, KeysReachTheDevice) {
    FakeDevice d;
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.keysym.sym = SDLK_a;
    e.key.keysym.mod = KMOD_LSHIFT;
    SDL_PushEvent(&e);
    e.type = SDL_KEYUP;
    SDL_PushEvent(&e);
    front->Pump(d, Millis(0));
    EXPECT_EQ(d.Events(), (std::vector<std::string>{"key 65 down m1 c65", "key 65 up m1 c0"}));
}

TEST(SdlKeys, MapToVirtualKeysAndCharacters) {
    EXPECT_EQ(MapSdlKey(SDLK_RETURN, 0).vk, 0x0Du);
    EXPECT_EQ(MapSdlKey(SDLK_RETURN, 0).ch, u'\r');
    EXPECT_EQ(MapSdlKey(SDLK_F5, 0).vk, 0x74u);
    EXPECT_EQ(MapSdlKey(SDLK_1, kShift).ch, u'!');
    EXPECT_EQ(MapSdlKey(SDLK_SLASH, kAlt).vk, 0xBFu);
    EXPECT_EQ(MapSdlKey(SDLK_c, kCtrl).ch, char16_t{3});
    EXPECT_EQ(MapSdlKey(SDLK_b, 0).ch, u'b');
    EXPECT_EQ(MapSdlKey(SDLK_CAPSLOCK, 0).vk, 0u);
}

TEST(Headless, WaitsUntilDone) {
    HostSignal signal;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        done = true;
        signal.Notify();
    });
    RunHeadless(signal, [&] { return done.load(); });
    worker.join();
    EXPECT_TRUE(done);
}

}  // namespace
}  // namespace ce::host
