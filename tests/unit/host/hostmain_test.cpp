// The host's main sequence, headless, with a stand-in window system.
#include "hostmain.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <filesystem>

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
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        HostHooks hooks;
        hooks.makeDesktop = [&] { return std::make_unique<TestDesktop>(program_); };
        return ce::host::Run(
            static_cast<int>(argv.size()), argv.data(), [&] { return program_.Main(); }, hooks);
    }

    std::filesystem::path dir_;
    TestProgram program_;
};

TEST_F(HostRun, FinishedScriptEndsTheProgramWithZero) {
    EXPECT_EQ(RunWith("idle\nsleep 0\n"), 0);
    EXPECT_EQ(TestDesktop::quits, 1);
    EXPECT_TRUE(std::filesystem::exists(dir_ / "image" / "registry.db"));  // the image was booted
}

TEST_F(HostRun, WaitExitGivesTheProgramsStatus) {
    EXPECT_EQ(RunWith("tap 3 3\nwait-exit 60000\n"), 5);
    EXPECT_EQ(TestDesktop::quits, 0);
}

TEST_F(HostRun, ProgramEndingEarlyFailsNamingTheStep) {
    testing::internal::CaptureStderr();
    int status = RunWith("tap 3 3\nwait \"never\" 60000\n");
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, 1);
    EXPECT_NE(err.find("s.txt:2: the program ended before this step: wait \"never\" 60000"), std::string::npos) << err;
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

TEST_F(HostRun, DeviceRestartEndsTheProcessWithThree) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto restart = [&] {
        std::vector<std::string> args = {"arbor", "--headless", "--device", (dir_ / "image").string()};
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        std::exit(ce::host::Run(static_cast<int>(argv.size()), argv.data(), [] {
            KernelIoControl(IOCTL_HAL_REBOOT, nullptr, 0, nullptr, 0, nullptr);
            return 0;  // never reached
        }));
    };
    EXPECT_EXIT(restart(), testing::ExitedWithCode(3), "");
}

}  // namespace
}  // namespace ce::host
