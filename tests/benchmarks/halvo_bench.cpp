// Figures of the control panel, as medians of repeated runs:
//  - start of the halvo executable to its first complete frame, headless, on
//    an existing device image (the process ends right after that frame);
//  - a full repaint of the panel (erase, nine buttons, nine labels), done
//    on the panel's own thread;
//  - the peak resident memory of the halvo process through the whole tour.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "panelrun.h"

namespace {

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Runs halvo with a script; returns the wall time in ms and the peak RSS in KiB.
std::pair<double, long> RunHalvo(const std::string& dir, const std::string& script) {
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
    wait4(pid, &status, 0, &usage);
    double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) std::fprintf(stderr, "halvo failed (%d)\n", status);
    return {ms, usage.ru_maxrss};
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
    ce::test::WriteTextFile(dir / "first-frame.script", "idle\n");
    ce::test::WriteTextFile(dir / "tour.script",
                            "wait \"Brightness\"\npress 200 120\nmove 190 116\nmove 180 112\nrelease 180 112\n"
                            "press #1012\nrelease #1012\ntap #1000\nwait-exit\n");
    RunHalvo(dir.string(), "first-frame.script");  // the first boot makes the image

    std::vector<double> starts;
    for (int i = 0; i < 15; ++i) starts.push_back(RunHalvo(dir.string(), "first-frame.script").first);
    long peak = 0;
    for (int i = 0; i < 3; ++i) peak = std::max(peak, RunHalvo(dir.string(), "tour.script").second);

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

    std::printf("halvo start to first complete frame (headless, whole process): median %.1f ms (target 100 ms)\n",
                Median(starts));
    std::printf("full repaint of the panel: median %.3f ms (target 2 ms)\n", Median(repaints) / 1000.0);
    std::printf("peak resident memory of halvo through the tour: %.1f MB (target 40 MB)\n", peak / 1024.0);
    return 0;
}
