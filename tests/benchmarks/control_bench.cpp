// Figures of live automation and of many devices at once, as medians:
//  - a round trip of "idle" over the control socket of a running halvo;
//  - a tap sent through the socket until the dialog it opens is shown
//    (the reply to the "idle" after it: input handled and painted);
//  - 40 halvo devices running a short script side by side: the peak
//    resident memory of each.
// A timed tool: it ignores the benchmark options ./run bench passes.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "figures.h"

extern char** environ;

namespace {

using ce::bench::Clock;
using ce::bench::Median;
using ce::bench::MsSince;
namespace fs = std::filesystem;

pid_t Spawn(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (posix_spawn(&pid, args[0].c_str(), &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

class Client {
public:
    explicit Client(const std::string& path) {
        for (int i = 0; i < 6000 && fd_ < 0; ++i) {
            int fd = socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un addr{};
            addr.sun_family = AF_UNIX;
            path.copy(addr.sun_path, sizeof addr.sun_path - 1);
            if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
                fd_ = fd;
            } else {
                close(fd);
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        }
    }
    ~Client() {
        if (fd_ >= 0) close(fd_);
    }
    bool ok() const { return fd_ >= 0; }
    std::string Ask(const std::string& command) {
        std::string line = command + "\n";
        send(fd_, line.data(), line.size(), MSG_NOSIGNAL);
        std::string reply;
        char c;
        while (recv(fd_, &c, 1, 0) == 1 && c != '\n') reply += c;
        return reply;
    }

private:
    int fd_ = -1;
};

}  // namespace

int main() {
    const fs::path dir = fs::temp_directory_path() / ("bench-control-" + std::to_string(getpid()));
    fs::create_directories(dir);
    const std::string socketPath = (dir / "s").string();

    pid_t pid = Spawn({HALVO_EXE, "--device", (dir / "dev").string(), "--headless", "--control", socketPath});
    {
        Client c(socketPath);
        if (!c.ok() || c.Ask("wait \"Quit\"") != "ok") {
            std::fprintf(stderr, "halvo did not answer on its control socket\n");
            return 1;
        }
        std::vector<double> idle, tap;
        for (int i = 0; i < 200; ++i) {
            auto t = Clock::now();
            c.Ask("idle");
            idle.push_back(MsSince(t));
        }
        for (int i = 0; i < 20; ++i) {
            auto t = Clock::now();
            std::string a = c.Ask("tap #1012");
            std::string b = c.Ask("idle");
            tap.push_back(MsSince(t));
            if (a != "ok" || b != "ok" || c.Ask("wait \"Inc\" 0") != "ok")
                std::fprintf(stderr, "no dialog: %s\n", a.c_str());
            c.Ask("key ESCAPE");
            c.Ask("wait-gone \"Inc\"");
        }
        ce::bench::PrintFigure("control: socket round trip of idle", Median(idle), "ms", 2);
        ce::bench::PrintFigure("control: tap through the socket to the dialog shown", Median(tap), "ms", 50);
        c.Ask("quit");
    }
    waitpid(pid, nullptr, 0);

    // 40 devices side by side, each with its own image and a short script.
    const int kDevices = 40;
    std::ofstream(dir / "short.script") << "wait \"Quit\"\ntap #1012\nwait \"Inc\"\ntap #1026\nkey ESCAPE\n"
                                           "wait-gone \"Inc\"\ntap #1020\nwait \"Screen Saver\"\nkey ESCAPE\n";
    std::vector<pid_t> pids;
    auto start = Clock::now();
    for (int i = 0; i < kDevices; ++i)
        pids.push_back(Spawn({HALVO_EXE, "--device", (dir / ("d" + std::to_string(i))).string(), "--headless",
                              "--script", (dir / "short.script").string()}));
    std::vector<double> rss;
    int failed = 0;
    for (pid_t p : pids) {
        int status = 0;
        struct rusage usage {};
        wait4(p, &status, 0, &usage);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) ++failed;
        rss.push_back(usage.ru_maxrss / 1024.0);
    }
    std::printf(
        "%d devices running a short script side by side: %.1f s in all, peak memory each median %.1f MB, "
        "largest %.1f MB%s\n",
        kDevices, MsSince(start) / 1000, Median(rss), *std::max_element(rss.begin(), rss.end()),
        failed ? (", " + std::to_string(failed) + " failed").c_str() : "");
    ce::bench::PrintFigure("control: peak memory of each of 40 devices side by side", Median(rss), "MB", 30);
    fs::remove_all(dir);
    return 0;
}
