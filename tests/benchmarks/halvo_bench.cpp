// Figures of the control panel, as medians of repeated runs:
//  - start of the halvo executable to its first complete frame, headless, on
//    an existing device image: the script's first step dumps the windows
//    once the panel is painted and idle, into a pipe the benchmark reads, so
//    the figure ends with that frame; the whole run, to the process's end
//    (the host closing the panel and the device), is printed beside it;
//  - a full repaint of the panel (erase, nine buttons, nine labels), done
//    on the panel's own thread;
//  - the peak resident memory of the halvo process through the tour.
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

#include "figures.h"
#include "panelrun.h"

namespace {

using ce::bench::Clock;
using ce::bench::Median;
using ce::bench::MsSince;

struct Run {
    double frameMs = 0;  // until the first dump arrived through the pipe (0: none)
    double exitMs = 0;   // until the process ended
    long peakKiB = 0;
};

// Runs halvo with a script in `dir`; `pipe` (in `dir`, or empty) is a FIFO
// the script dumps into.
Run RunHalvo(const std::string& dir, const std::string& script, const std::string& pipe = "") {
    Run run;
    int fd = -1;
    if (!pipe.empty()) {
        std::string path = dir + "/" + pipe;
        unlink(path.c_str());
        if (mkfifo(path.c_str(), 0600) == 0) fd = open(path.c_str(), O_RDONLY | O_NONBLOCK);
    }
    auto start = Clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        if (chdir(dir.c_str()) != 0) _exit(126);
        freopen("/dev/null", "w", stdout);
        execl(HALVO_EXE, HALVO_EXE, "--device", "dev", "--headless", "--script", script.c_str(), (char*)nullptr);
        _exit(127);
    }
    int status = 0;
    struct rusage usage {};
    // The first bytes of the dump mark the frame; a halvo that ends without
    // writing it ends the wait too.
    while (fd >= 0) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 100) > 0) {
            run.frameMs = MsSince(start);
            char buffer[4096];
            while (read(fd, buffer, sizeof buffer) != 0) {
                pollfd more{fd, POLLIN, 0};
                poll(&more, 1, 100);
            }
            break;
        }
        if (wait4(pid, &status, WNOHANG, &usage) == pid) {
            pid = -1;
            break;
        }
    }
    if (fd >= 0) close(fd);
    if (pid > 0) wait4(pid, &status, 0, &usage);
    run.exitMs = MsSince(start);
    run.peakKiB = usage.ru_maxrss;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) std::fprintf(stderr, "halvo failed (%d)\n", status);
    return run;
}

// Repaints the panel completely, `count` times, on the panel's thread.
WNDPROC g_panelProc = nullptr;
constexpr UINT WM_BENCH_REPAINT = WM_APP + 1;

LRESULT CALLBACK BenchProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg != WM_BENCH_REPAINT) return CallWindowProc(g_panelProc, h, msg, wp, lp);
    auto* out = reinterpret_cast<std::vector<double>*>(lp);
    for (WPARAM i = 0; i < wp; ++i) {
        auto t0 = Clock::now();
        RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        out->push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
    }
    return 0;
}

}  // namespace

int main() {
    auto dir = ce::test::MakeTempDir("halvo-bench-");
    ce::test::WriteTextFile(dir / "first-frame.script", "dump frame.json\n");
    ce::test::WriteTextFile(dir / "tour.script",
                            "wait \"Brightness\"\npress 200 120\nmove 190 116\nmove 180 112\nrelease 180 112\n"
                            "press #1012\nrelease #1012\nwait \"Value:\"\nkey ESCAPE\ntap #1000\nwait-exit\n");
    RunHalvo(dir.string(), "first-frame.script", "frame.json");  // the first boot makes the image

    std::vector<double> frames, exits;
    for (int i = 0; i < 15; ++i) {
        Run run = RunHalvo(dir.string(), "first-frame.script", "frame.json");
        frames.push_back(run.frameMs);
        exits.push_back(run.exitMs);
    }
    long peak = 0;
    for (int i = 0; i < 3; ++i) peak = std::max(peak, RunHalvo(dir.string(), "tour.script").peakKiB);

    std::vector<double> repaints;
    {
        ce::test::BootedImage device;
        ce::test::PanelRun run;
        g_panelProc = reinterpret_cast<WNDPROC>(GetWindowLongPtr(run.panel(), GWLP_WNDPROC));
        SetWindowLongPtr(run.panel(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&BenchProc));
        SendMessage(run.panel(), WM_BENCH_REPAINT, 200, reinterpret_cast<LPARAM>(&repaints));
        SetWindowLongPtr(run.panel(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_panelProc));
        run.Key(VK_ESCAPE);
    }
    std::filesystem::remove_all(dir);

    std::printf("halvo start, whole run to the process's end: median %.1f ms\n", Median(exits));
    ce::bench::PrintFigure("halvo: start to its first complete frame", Median(frames), "ms", 15, "wall");
    ce::bench::PrintFigure("halvo: full repaint of the panel", Median(repaints) / 1000.0, "ms", 0.5, "wall");
    ce::bench::PrintFigure("halvo: peak resident memory", peak / 1024.0, "MB", 40);
    return 0;
}
