// Figures of the brightness dialog, as medians of repeated runs on a headless
// panel:
//  - steps per second of the auto-repeat while an arrow button is held (each
//    step one panel-driver request and one update of the number and the bar);
//  - OK pressed while an arrow button is held, to the dialog's window gone.
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "../../halvo/res/resource.h"
#include "ce_drivers.h"
#include "figures.h"
#include "panelrun.h"

namespace {

using ce::bench::Clock;
using ce::bench::Median;
using namespace std::chrono_literals;

POINT Centre(HWND dlg, int id) {
    RECT r{};
    GetWindowRect(GetDlgItem(dlg, id), &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

size_t Steps(const ce::test::BootedImage& device) {
    return device.Log({{"ioctl", "0x40010"}}).size();
}

}  // namespace

int main() {
    std::vector<double> rates, closes;
    {
        ce::test::BootedImage device;
        ce::test::PanelRun run;
        for (int i = 0; i < 9; ++i) {
            HWND dlg = run.OpenDialog(IDC_BRIGHTNESS);
            if (!dlg) {
                std::fprintf(stderr, "the brightness dialog did not open\n");
                return 1;
            }
            POINT p = Centre(dlg, i % 2 ? IDC_BRIGHTNESS_DEC : IDC_BRIGHTNESS_INC);
            run.Press(p.x, p.y);
            std::this_thread::sleep_for(150ms);  // past the hold-off, in the repeat
            size_t first = Steps(device);
            auto t0 = Clock::now();
            std::this_thread::sleep_for(500ms);
            size_t last = Steps(device);
            double secs = std::chrono::duration<double>(Clock::now() - t0).count();
            rates.push_back((last - first) / secs);

            // OK while the button is still held: the command the OK button sends.
            auto t1 = Clock::now();
            PostMessage(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)GetDlgItem(dlg, IDOK));
            while (IsWindow(dlg) && Clock::now() - t1 < 10s) std::this_thread::sleep_for(100us);
            closes.push_back(ce::bench::MsSince(t1));
            run.Release(p.x, p.y);
        }
        run.Key(VK_ESCAPE);
    }
    // With the panel controller's own request time a held arrow sweeps the
    // whole range in about a second, as on the device.
    double sweep = 0;
    {
        ce::test::BootedImage device("EPI1.latency_ms = 20\n");
        ce::test::PanelRun run;
        HWND dlg = run.OpenDialog(IDC_BRIGHTNESS);
        if (!dlg) return 1;
        POINT dec = Centre(dlg, IDC_BRIGHTNESS_DEC), inc = Centre(dlg, IDC_BRIGHTNESS_INC);
        auto holdUntil = [&](POINT p, DWORD level) {
            auto t0 = Clock::now();
            run.Press(p.x, p.y);
            while (ce::hw::GetBacklight().level != level && Clock::now() - t0 < 10s) std::this_thread::sleep_for(1ms);
            double secs = std::chrono::duration<double>(Clock::now() - t0).count();
            run.Release(p.x, p.y);
            return secs;
        };
        holdUntil(dec, 0);
        std::this_thread::sleep_for(200ms);
        sweep = holdUntil(inc, 31);
        run.Key(VK_ESCAPE);
    }
    // The summary compares figures with upper limits: the rate is printed as
    // the time of one step against 5 ms (at least 200 a second).
    ce::bench::PrintFigure("brightness: 0 to 31 holding an arrow, 20 ms requests", sweep, "s", 1, "about");
    ce::bench::PrintFigure("brightness: one auto-repeat step while an arrow is held", 1000 / Median(rates), "ms", 5);
    ce::bench::PrintFigure("brightness: OK while an arrow is held to the dialog gone", Median(closes), "ms", 50);
    return 0;
}
