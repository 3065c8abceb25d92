// The host's main sequence, headless, with a stand-in window system.
#include "hostmain.h"

#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <thread>

#include "bootedimage.h"
#include "ce_drivers.h"
#include "testimage.h"
#include "windows.h"
#include "winioctl.h"

namespace ce::host {
namespace {

// A program whose only window ends it when asked to, or when tapped.
class TestProgram {
public:
    int Main() {
        std::unique_lock lock(mutex_);
        cv_.wait(lock, [&] { return quit_; });
        return status_;
    }
    void Reset() {
        std::lock_guard lock(mutex_);
        quit_ = false;
    }
    void End(int status) {
        std::lock_guard lock(mutex_);
        quit_ = true;
        status_ = status;
        cv_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool quit_ = false;
    int status_ = 0;
};

class TestDesktop : public NullDesktop {
public:
    explicit TestDesktop(TestProgram& program) : program_(program) {}
    void InjectPointer(PointerKind kind, int, int, uint32_t) override {
        if (kind == PointerKind::Up) program_.End(5);
    }
    void RequestQuit() override {
        ++quits;
        program_.End(0);
    }
    static inline int quits = 0;

private:
    TestProgram& program_;
};

// ce::host::Run on these arguments.
int RunHost(std::vector<std::string> args, const std::function<int()>& program, const HostHooks& hooks = {}) {
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    return ce::host::Run(static_cast<int>(argv.size()), argv.data(), program, hooks);
}

// An image folder a death test's child and its parent both know (named
// after the parent's process: other runs of this test may share the folder).
std::filesystem::path SharedImage(const std::string& name, pid_t parent) {
    return std::filesystem::path(testing::TempDir()) / (name + "-" + std::to_string(parent));
}

// In a death test's child: runs the host in a window under SDL's offscreen
// driver on a fresh image `name`, and exits with 10 + its status.
[[noreturn]] void RunInWindow(const std::string& name, const std::function<int()>& program) {
    const auto image = SharedImage(name, getppid());
    std::filesystem::remove_all(image);
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    std::exit(10 + RunHost({"halvo", "--device", image.string()}, program));
}

class HostRun : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = ce::test::MakeTempDir("host_run");
        TestDesktop::quits = 0;
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    int RunWith(const std::string& script, std::vector<std::string> extra = {}) {
        std::vector<std::string> args = {"halvo", "--headless", "--device", (dir_ / "image").string()};
        if (!script.empty()) {
            ce::test::WriteTextFile(dir_ / "s.txt", script);
            args.push_back("--script");
            args.push_back((dir_ / "s.txt").string());
        }
        args.insert(args.end(), extra.begin(), extra.end());
        HostHooks hooks;
        hooks.makeDesktop = [&] { return std::make_unique<TestDesktop>(program_); };
        return RunHost(
            args, [&] { return program_.Main(); }, hooks);
    }

    std::filesystem::path dir_;
    TestProgram program_;
};

TEST_F(HostRun, AFinishedScriptEndsTheProgramWithZeroAndANewImageIsSaidSoOnce) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(RunWith("idle\nsleep 0\n"), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "device: created a new device image in " + (dir_ / "image").string() + "\n");
    EXPECT_EQ(TestDesktop::quits, 1);
    EXPECT_TRUE(std::filesystem::exists(dir_ / "image" / "registry.db"));
    program_.Reset();
    testing::internal::CaptureStderr();
    EXPECT_EQ(RunWith("idle\n"), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST_F(HostRun, WaitExitGivesTheProgramsStatus) {
    EXPECT_EQ(RunWith("tap 3 3\nwait-exit 60000\n"), 5);
    EXPECT_EQ(TestDesktop::quits, 0);
}

TEST_F(HostRun, BadScriptAndOptionsStopBeforeTheProgram) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(RunWith("idle\ntap here\n"), 2);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("s.txt:2: bad target"), std::string::npos) << err;

    testing::internal::CaptureStderr();
    EXPECT_EQ(RunWith("", {"--scale", "nine"}), 2);
    err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, "halvo: --scale needs a whole number from 1 to 8, not \"nine\"\n");
    EXPECT_FALSE(std::filesystem::exists(dir_ / "image"));
}

TEST_F(HostRun, WithoutAWindowOrAScriptNothingRunsAndTheLineSaysWhatToDo) {
    struct Case {
        std::vector<std::pair<const char*, const char*>> env;  // null value: unset
        bool headless;
        const char* says;
    };
    const Case cases[] = {
        {{}, true, "--headless without --script"},
        {{{"SDL_VIDEODRIVER", nullptr}, {"WAYLAND_DISPLAY", nullptr}, {"DISPLAY", nullptr}},
         false,
         "no display (DISPLAY is not set)"},
        {{{"SDL_VIDEODRIVER", nullptr}, {"WAYLAND_DISPLAY", nullptr}, {"DISPLAY", ":97"}},
         false,
         "cannot reach the display \":97\""},
    };
    for (const Case& c : cases) {
        std::vector<std::pair<std::string, std::string>> saved;
        for (auto [name, value] : c.env) {
            if (const char* old = std::getenv(name)) saved.emplace_back(name, old);
            value ? setenv(name, value, 1) : unsetenv(name);
        }
        std::vector<std::string> args = {"halvo", "--device", (dir_ / "image").string()};
        if (c.headless) args.push_back("--headless");
        testing::internal::CaptureStderr();
        int status = RunHost(args, [] { return 0; });
        std::string err = testing::internal::GetCapturedStderr();
        for (auto [name, value] : c.env) unsetenv(name);
        for (auto& [name, value] : saved) setenv(name.c_str(), value.c_str(), 1);
        EXPECT_EQ(status, 2) << c.says;
        EXPECT_TRUE(err.starts_with(std::string("halvo: ") + c.says)) << err;
        EXPECT_NE(err.find("give --script FILE"), std::string::npos) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_FALSE(std::filesystem::exists(dir_ / "image")) << c.says;  // nothing was booted
    }
}

TEST_F(HostRun, DeviceRestartEndsTheProcessWithThree) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ce::test::WriteTextFile(dir_ / "wait.txt", "wait-exit 60000\n");
    auto restart = [&] {
        std::exit(RunHost(
            {"arbor", "--headless", "--device", (dir_ / "image").string(), "--script", (dir_ / "wait.txt").string()},
            [] {
                KernelIoControl(IOCTL_HAL_REBOOT, nullptr, 0, nullptr, 0, nullptr);
                return 0;  // never reached
            }));
    };
    EXPECT_EXIT(restart(), testing::ExitedWithCode(3), "");
}

// What reaches the window system through the host's device.
class RecordingDesktop : public NullDesktop {
public:
    void InjectPointer(PointerKind kind, int x, int, uint32_t) override {
        events.push_back((kind == PointerKind::Down ? "down "
                          : kind == PointerKind::Up ? "up "
                                                    : "move ") +
                         std::to_string(x));
    }
    void InjectKey(unsigned vk, bool down, unsigned, char16_t) override {
        events.push_back("key " + std::to_string(vk) + (down ? " down" : " up"));
    }
    std::vector<std::string> events;
};

TEST(HostDevice, TheTouchThatWakesTheScreenOnlyWakesItAndDumpsShowTheLight) {
    auto now = std::chrono::steady_clock::time_point(std::chrono::hours(1));
    ce::hw::SetBacklightClock([&] { return now; });
    {
        ce::test::BootedImage image;  // the factory screen saver: 300 s
        RecordingDesktop desktop;
        ProgramState state;
        HostDevice device(desktop, state);
        device.InjectPointer(PointerKind::Down, 1, 1, 0);
        device.InjectPointer(PointerKind::Up, 1, 1, 0);
        EXPECT_NE(device.DumpJson().find("\"backlight\":{\"level\":21,\"lit\":true}"), std::string::npos);

        now += std::chrono::seconds(300);
        EXPECT_NE(device.DumpJson().find("\"backlight\":{\"level\":21,\"lit\":false}"), std::string::npos);
        device.InjectPointer(PointerKind::Down, 2, 1, 0);  // wakes
        device.InjectPointer(PointerKind::Move, 3, 1, 0);
        device.InjectPointer(PointerKind::Up, 3, 1, 0);
        EXPECT_TRUE(device.Backlight().lit);
        device.InjectPointer(PointerKind::Down, 4, 1, 0);  // the program's again
        // A touch held past the time-out stays the program's to its release.
        now += std::chrono::seconds(301);
        device.InjectPointer(PointerKind::Up, 4, 1, 0);
        now += std::chrono::seconds(300);
        device.InjectKey(0x41, true, 0, u'a');  // a key wakes it as well
        device.InjectKey(0x41, false, 0, 0);
        device.InjectKey(0x42, true, 0, u'b');
        EXPECT_EQ(desktop.events, (std::vector<std::string>{"down 1", "up 1", "down 4", "up 4", "key 66 down"}));
    }
    ce::hw::SetBacklightClock(nullptr);
}

TEST_F(HostRun, TheCloseButtonPowersTheDeviceOffWhateverDialogIsOpen) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // The child runs this test again from the start: the image needs a name both know.
    const auto image = SharedImage("power-off-image", getpid());
    auto powerOff = [] {
        RunInWindow("power-off-image", [] {
            SDL_Event e{};
            e.type = SDL_WINDOWEVENT;
            e.window.event = SDL_WINDOWEVENT_CLOSE;
            SDL_PushEvent(&e);
            for (;;) std::this_thread::sleep_for(std::chrono::hours(1));  // a dialog that never closes
            return 1;
        });
    };
    EXPECT_EXIT(powerOff(), testing::ExitedWithCode(0), "");
    EXPECT_NE(ce::test::ReadTextFile(image / "log" / "device.log").find("\"dev\":\"power\",\"state\":\"off\""),
              std::string::npos);
    std::filesystem::remove_all(image);
}

TEST_F(HostRun, ARestartInAWindowWithoutAScriptBootsAgainInTheSameWindow) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto image = SharedImage("reboot-image", getpid());
    auto reboot = [] {
        static std::atomic<int> boots{0};
        auto push = [](SDL_Keycode sym, Uint16 mod, uint32_t type) {
            SDL_Event e{};
            e.type = type;
            e.key.keysym.sym = sym;
            e.key.keysym.mod = mod;
            SDL_PushEvent(&e);
        };
        RunInWindow("reboot-image", [&] {
            int boot = ++boots;
            std::fprintf(stderr, "boot %d\n", boot);
            if (boot == 1) KernelIoControl(IOCTL_HAL_REBOOT, nullptr, 0, nullptr, 0, nullptr);  // the program asks
            if (boot == 2) {  // the emulator's reset key
                push(SDLK_RCTRL, KMOD_RCTRL, SDL_KEYDOWN);
                push(SDLK_b, KMOD_RCTRL, SDL_KEYDOWN);
            }
            if (boot == 3) {
                SDL_Event e{};
                e.type = SDL_QUIT;
                SDL_PushEvent(&e);
            }
            for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
            return 1;
        });
    };
    EXPECT_EXIT(reboot(), testing::ExitedWithCode(0), "boot 3");
    std::string log = ce::test::ReadTextFile(image / "log" / "device.log");
    size_t hal = log.find("\"request\":\"reboot\"");
    size_t key = log.find("\"request\":\"reset\"");
    size_t off = log.find("\"state\":\"off\"");
    EXPECT_NE(hal, std::string::npos);
    EXPECT_LT(hal, key);
    EXPECT_LT(key, off);
    EXPECT_NE(off, std::string::npos);
    std::filesystem::remove_all(image);
}

}  // namespace
}  // namespace ce::host
