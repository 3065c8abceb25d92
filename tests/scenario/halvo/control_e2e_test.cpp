// The halvo executable driven live over its control socket, and recording:
// a run driven through the socket with raw coordinates, recorded, replays on
// a fresh image to the same registry and the same windows.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "exerun.h"

extern char** environ;

namespace {

using ce::test::Json;
using ce::test::ReadTextFile;

// A client of the control socket.
class Client {
public:
    // Connects, retrying while the program is still starting.
    explicit Client(const std::string& path) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (std::chrono::steady_clock::now() < deadline) {
            fd_ = socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un addr{};
            addr.sun_family = AF_UNIX;
            path.copy(addr.sun_path, sizeof addr.sun_path - 1);
            if (connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) return;
            close(fd_);
            fd_ = -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));  // the socket is not there yet
        }
    }
    ~Client() {
        if (fd_ >= 0) close(fd_);
    }
    bool connected() const { return fd_ >= 0; }
    void Send(const std::string& text) {
        ASSERT_EQ(send(fd_, text.data(), text.size(), MSG_NOSIGNAL), ssize_t(text.size()));
    }
    // The next reply line ("" when the server closed the connection).
    std::string Line() {
        for (;;) {
            if (size_t nl = buffer_.find('\n'); nl != std::string::npos) {
                std::string line = buffer_.substr(0, nl);
                buffer_.erase(0, nl + 1);
                return line;
            }
            char chunk[65536];
            ssize_t n = recv(fd_, chunk, sizeof chunk, 0);
            if (n <= 0) return {};
            buffer_.append(chunk, static_cast<size_t>(n));
        }
    }
    std::string Ask(const std::string& command) {
        Send(command + "\n");
        return Line();
    }

private:
    int fd_ = -1;
    std::string buffer_;
};

class ControlRun : public ce::test::ExeRun {
protected:
    void TearDown() override {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            Wait();
        }
        ExeRun::TearDown();
    }
    std::string Socket() const { return (dir_ / "s").string(); }
    void Start(const std::string& device, std::vector<std::string> extra = {}) {
        std::vector<std::string> args = {HALVO_EXE,    "--device",  (dir_ / device).string(),
                                         "--headless", "--control", Socket()};
        args.insert(args.end(), extra.begin(), extra.end());
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        ASSERT_EQ(posix_spawn(&pid_, HALVO_EXE, nullptr, nullptr, argv.data(), environ), 0);
    }
    // The program's exit status; -1 (and the program killed) when it has
    // not ended within a minute.
    int Wait() {
        // The program's end makes its pidfd readable (without one, ctest's
        // own time-out is the limit).
        int fd = static_cast<int>(syscall(SYS_pidfd_open, pid_, 0));
        pollfd p{fd, POLLIN, 0};
        const bool ended = fd < 0 || poll(&p, 1, 60000) == 1;
        if (fd >= 0) close(fd);
        if (!ended) kill(pid_, SIGKILL);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return ended && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string Export(const std::string& device) {
        auto [rc, text] = Output(CEREG_EXE " --device " + device + " export");
        EXPECT_EQ(rc, 0);
        return text;
    }
    pid_t pid_ = -1;
};

// A client that goes away in the middle of a line leaves nothing behind:
// the half line is not run and the next client is served.
TEST_F(ControlRun, CommandsRepliesBadInputAndAClientThatVanishesMidLine) {
    Start("dev");
    {
        Client c(Socket());
        ASSERT_TRUE(c.connected());
        EXPECT_EQ(c.Ask("wait \"Quit\""), "ok");
        EXPECT_EQ(c.Ask("idle"), "ok");
        EXPECT_EQ(c.Ask("# a comment"), "ok");
        EXPECT_EQ(c.Ask("fly 1 2"), "error: unknown command \"fly\"");
        EXPECT_EQ(c.Ask(std::string("\x01\x02zz\0\xff", 6)), "error: unknown command \"??zz?\xff\"");
        EXPECT_EQ(c.Ask("tap \"Brightness\""),
                  "error: \"Brightness\" is shown where a touch does not reach it: it lets touches through; the "
                  "control nearest to it is #1012");
        EXPECT_EQ(c.Ask("wait \"Nowhere\" 0"), "error: \"Nowhere\" not visible after 0 ms");

        // A second client is turned away; the first goes on.
        {
            Client second(Socket());
            ASSERT_TRUE(second.connected());
            EXPECT_EQ(second.Line(), "error: another client is connected; one at a time");
            EXPECT_EQ(second.Line(), "");  // closed
        }
        // A line too long is refused whole, and what follows it still works.
        EXPECT_EQ(c.Ask("tap " + std::string(70000, 'x')), "error: line longer than 65536 bytes");
        EXPECT_EQ(c.Ask("idle"), "ok");
        c.Send("tap #10");  // no newline: would open the brightness dialog as "tap #1012"
    }
    Client c(Socket());
    ASSERT_TRUE(c.connected());
    EXPECT_EQ(c.Ask("idle"), "ok");
    EXPECT_EQ(c.Ask("wait-gone \"OK\" 0"), "ok");  // no dialog opened
    EXPECT_EQ(c.Ask("tap #1012"), "ok");
    EXPECT_EQ(c.Ask("wait \"Brightness\""), "ok");
    c.Send("dump -\n");
    Json dump = Json::parse(c.Line(), nullptr, false);
    EXPECT_EQ(c.Line(), "ok");
    ASSERT_TRUE(dump.is_object());
    EXPECT_EQ(dump["screen"]["width"], 800);
    EXPECT_TRUE(ce::test::FindWhere(dump, "text", "Brightness"));
    EXPECT_EQ(c.Ask("quit"), "ok");
    EXPECT_EQ(Wait(), 0);
    EXPECT_FALSE(std::filesystem::exists(Socket()));  // removed at the end
}

TEST_F(ControlRun, ARecordedRunReplaysToTheSameDevice) {
    const std::string recording = (dir_ / "recorded.script").string();
    const std::string first = (dir_ / "first.json").string();
    Start("dev", {"--record", recording});
    {
        Client c(Socket());
        ASSERT_TRUE(c.connected());
        ASSERT_EQ(c.Ask("wait \"Quit\""), "ok");
        // Raw coordinates only, as a person's touches: the brightness button,
        // its increase arrow twice, OK; the serial port button, COM1 RS-485, OK.
        c.Send("dump -\n");
        Json panel = Json::parse(c.Line());
        ASSERT_EQ(c.Line(), "ok");
        auto centre = [](const Json* w) {
            const Json& r = (*w)["rect"];
            return std::to_string((r[0].get<int>() + r[2].get<int>()) / 2) + " " +
                   std::to_string((r[1].get<int>() + r[3].get<int>()) / 2);
        };
        auto tapId = [&](int id) {
            c.Send("dump -\n");
            Json now = Json::parse(c.Line());
            EXPECT_EQ(c.Line(), "ok");
            const Json* w = ce::test::FindWhere(now, "id", id);
            ASSERT_TRUE(w) << id;
            EXPECT_EQ(c.Ask("tap " + centre(w)), "ok");
        };
        tapId(1012);
        ASSERT_EQ(c.Ask("wait \"Brightness\""), "ok");
        tapId(1026);
        tapId(1026);
        tapId(1);  // OK
        ASSERT_EQ(c.Ask("wait-gone \"OK\""), "ok");
        tapId(1017);
        ASSERT_EQ(c.Ask("wait \"Serial Mode\""), "ok");
        tapId(1012);
        tapId(1);  // OK
        ASSERT_EQ(c.Ask("wait-gone \"Serial Mode\""), "ok");
        ASSERT_EQ(c.Ask("dump " + first), "ok");
        ASSERT_EQ(c.Ask("quit"), "ok");
    }
    ASSERT_EQ(Wait(), 0);
    std::string script = ReadTextFile(recording);
    EXPECT_NE(script.find("tap #1012\nwait \"Brightness\"\n"), std::string::npos) << script;
    EXPECT_NE(script.find("wait-gone \"Serial Mode\""), std::string::npos) << script;
    // The panel's own label still shows "Brightness": no wait-gone that could never end.
    EXPECT_EQ(script.find("wait-gone \"Brightness\""), std::string::npos) << script;

    // The replay, on a fresh image, ends with the same dump.
    ce::test::WriteTextFile(dir_ / "replay.script", script + "dump " + (dir_ / "second.json").string() + "\n");
    ASSERT_EQ(Shell(HALVO_EXE " --device dev2 --headless --script replay.script 2> err.txt"), 0) << Err() << script;
    EXPECT_EQ(Export("dev"), Export("dev2")) << script;
    EXPECT_EQ(Json::parse(ReadTextFile(first)), Json::parse(ReadTextFile(dir_ / "second.json")));
}

}  // namespace
