// The front ends: SDL2 under its offscreen driver, and headless.
#include "frontend.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "ce_gdi.h"
#include "fake_device.h"
#include "screenshot.h"
#include "script.h"
#include "testimage.h"

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
    static void Key(uint32_t type, SDL_Keycode sym, Uint16 mod) {
        SDL_Event e{};
        e.type = type;
        e.key.keysym.sym = sym;
        e.key.keysym.mod = mod;
        SDL_PushEvent(&e);
    }
    std::unique_ptr<SdlFrontEnd> front;
};

TEST_F(SdlFront, ShowsTheScreenEnlargedAndFollowsChangesAndTurns) {
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

    gdi::ScreenMode mode;
    mode.width = 3;
    mode.height = 4;
    gdi::Screen::SetMode(mode);
    Put(2, 3, 0xFFFFFF);
    front->PresentIfChanged();
    px = front->WindowPixels(w, h);
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

TEST_F(SdlFront, TheWindowShowsTheBacklightAndScreenshotsStayTheFrameBuffer) {
    struct Case {
        BacklightView light;
        uint32_t red;  // what the window shows of the red pixel
    };
    const Case cases[] = {
        {{31, true}, 0xFF0000},  {{0, true}, 0x280000},   // very dim, never black
        {{16, true}, 0x960000},  {{40, true}, 0xFF0000},  // out of range: the brightest
        {{31, false}, 0x000000},
    };
    for (const Case& c : cases) {
        front->PresentIfChanged(c.light);
        int w = 0, h = 0;
        std::vector<uint32_t> px = front->WindowPixels(w, h);
        EXPECT_EQ(px[0], c.red) << c.light.level << (c.light.lit ? " lit" : " off");
        EXPECT_EQ(gdi::Screen::Pixel(0, 0), RGB(255, 0, 0));
    }
    // A change of the light alone presents again; the same light does not.
    uint64_t presents = front->presents();
    front->PresentIfChanged({31, false});
    EXPECT_EQ(front->presents(), presents);
    FakeDevice d;
    d.light = {31, true};
    front->Pump(d, Millis(0));
    EXPECT_EQ(front->presents(), presents + 1);
}

TEST_F(SdlFront, RightCtrlLettersAreTheEmulatorsAndNeverReachTheProgram) {
    int rotations = 0, resets = 0, cards = 0;
    EmulatorControls controls;
    controls.rotate = [&] { ++rotations; };
    controls.reset = [&] { ++resets; };
    controls.toggleCard = [&] { ++cards; };
    controls.title = [&](int zoom) { return "t zoom " + std::to_string(zoom) + " card " + std::to_string(cards); };
    front->SetControls(controls);
    EXPECT_EQ(front->Title(), "t zoom 2 card 0");
    FakeDevice d;
    Key(SDL_KEYDOWN, SDLK_RCTRL, KMOD_RCTRL);
    for (SDL_Keycode letter : {SDLK_r, SDLK_b, SDLK_c, SDLK_i, SDLK_h, SDLK_q}) {
        Key(SDL_KEYDOWN, letter, KMOD_RCTRL);
        Key(SDL_KEYUP, letter, KMOD_RCTRL);
    }
    Key(SDL_KEYUP, SDLK_RCTRL, 0);
    // Other keys reach the program, the left Ctrl too.
    Key(SDL_KEYDOWN, SDLK_LCTRL, KMOD_LCTRL);
    Key(SDL_KEYDOWN, SDLK_a, KMOD_LSHIFT);
    Key(SDL_KEYUP, SDLK_a, KMOD_LSHIFT);
    front->Pump(d, Millis(0));
    EXPECT_EQ(d.Events(), (std::vector<std::string>{"key 17 down m2 c0", "key 65 down m1 c65", "key 65 up m1 c0"}));
    EXPECT_EQ(rotations, 1);
    EXPECT_EQ(resets, 1);
    EXPECT_EQ(cards, 1);
    EXPECT_EQ(front->scale(), 3);
    EXPECT_TRUE(front->helpShown());
    EXPECT_EQ(front->Title(), "t zoom 3 card 1");
    int x, y, w, h;
    front->WindowRect(x, y, w, h);
    EXPECT_EQ(w, 12);
    EXPECT_EQ(h, 9);

    // Zoom runs from 1 to 4.
    for (int i = 0; i < 5; ++i) front->Act(EmulatorAction::ZoomIn);
    EXPECT_EQ(front->scale(), 4);
    for (int i = 0; i < 5; ++i) front->Act(EmulatorAction::ZoomOut);
    EXPECT_EQ(front->scale(), 1);

    // The help overlay lies over the picture; the frame buffer is untouched.
    front->Act(EmulatorAction::ZoomIn);
    front->PresentIfChanged();
    std::vector<uint32_t> px = front->WindowPixels(w, h);
    EXPECT_NE(px[0], 0xFF0000u);
    EXPECT_EQ(gdi::Screen::Pixel(0, 0), RGB(255, 0, 0));
    front->Act(EmulatorAction::Help);
    front->PresentIfChanged();
    px = front->WindowPixels(w, h);
    EXPECT_EQ(px[0], 0xFF0000u);
}

TEST_F(SdlFront, ScreenshotKeyWritesTheFrameBufferIntoTheCurrentFolder) {
    auto dir = ce::test::MakeTempDir("shots");
    auto back = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    ce::test::WriteTextFile(dir / "test-screen-1.png", "taken");
    testing::internal::CaptureStdout();
    front->Act(EmulatorAction::Screenshot);
    std::string out = testing::internal::GetCapturedStdout();
    std::filesystem::current_path(back);
    EXPECT_EQ(front->lastScreenshot(), "test-screen-2.png");  // the next free name
    EXPECT_EQ(out, "screenshot: test-screen-2.png\n");
    std::vector<uint32_t> px;
    int w = 0, h = 0;
    std::string error;
    ASSERT_TRUE(ReadPng((dir / "test-screen-2.png").string(), px, w, h, error)) << error;
    EXPECT_EQ(w, 4);
    EXPECT_EQ(px[0], 0xFF0000u);
    std::filesystem::remove_all(dir);
}

TEST_F(SdlFront, AfterATurnOrAZoomTheWindowStaysOnTheDesktop) {
    SDL_Rect desk{};
    ASSERT_EQ(SDL_GetDisplayUsableBounds(0, &desk), 0);
    gdi::ScreenMode mode;
    mode.width = desk.w / 3 + 1;  // fits at zoom 2, not at 3
    mode.height = desk.h / 4;
    gdi::Screen::SetMode(mode);
    front->PresentIfChanged();
    front->MoveWindow(desk.x + desk.w - 10, desk.y + desk.h - 10);
    for (int i = 0; i < 3; ++i) front->Act(EmulatorAction::ZoomIn);
    EXPECT_EQ(front->scale(), 2);  // lowered to what fits
    int x, y, w, h;
    front->WindowRect(x, y, w, h);
    EXPECT_EQ(w, mode.width * 2);
    EXPECT_LE(x + w, desk.x + desk.w);
    EXPECT_LE(y + h, desk.y + desk.h);

    std::swap(mode.width, mode.height);  // a quarter turn
    gdi::Screen::SetMode(mode);
    front->MoveWindow(desk.x + desk.w - 10, desk.y + desk.h - 10);
    front->PresentIfChanged();
    front->WindowRect(x, y, w, h);
    EXPECT_LE(w, desk.w);
    EXPECT_LE(h, desk.h);
    EXPECT_GE(x, desk.x);
    EXPECT_LE(x + w, desk.x + desk.w);
    EXPECT_LE(y + h, desk.y + desk.h);
}

TEST_F(SdlFront, CloseButtonIsThePowerSwitchWhenTheHostHasOneElseItAsksTheProgramToEnd) {
    int offs = 0;
    EmulatorControls controls;
    controls.powerOff = [&] { ++offs; };
    front->SetControls(controls);
    FakeDevice d;
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = SDL_WINDOWEVENT_CLOSE;
    SDL_PushEvent(&e);
    front->Pump(d, Millis(0));
    EXPECT_EQ(offs, 1);
    EXPECT_TRUE(d.Events().empty());  // the program is not asked

    // Without a power switch the program is asked to end and the loop stops.
    front->SetControls({});
    d.endOnQuit = true;
    e.type = SDL_QUIT;
    SDL_PushEvent(&e);
    front->Run(d, [&] { return d.ProgramEnded(); });
    EXPECT_EQ(d.Events(), (std::vector<std::string>{"quit"}));
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

}  // namespace
}  // namespace ce::host
