// The touch calibration screen behind coredll's TouchCalibrate: a
// full-screen, top-most window on the calling thread with its own message
// loop. It shows a cross at the centre and then near the top-left,
// top-right, bottom-right and bottom-left corners; each is confirmed by
// touching down within a radius of an eighth of the shorter screen side
// around it. A touch farther away is ignored: the same cross waits for a
// better tap. After the fifth the screen asks for a tap to accept the new
// calibration or Escape to keep the old one. The window sees raw stylus
// points while it runs (the touch driver leaves them uncorrected). Escape,
// or no confirmed tap for the driver's time-out, keeps the old calibration;
// the driver stores an accepted one and logs every run.
#include <algorithm>
#include <array>
#include <cmath>
#include <mutex>
#include <string>

#include "ce_drivers.h"
#include "ce_gdi.h"
#include "ce_user.h"
#include "touchscreen.h"

namespace ce::user {

namespace {

using hw::TouchCalibration;

constexpr const char16_t* kCalibrationClass = u"TouchCalibration";
constexpr UINT_PTR kTimeoutTimer = 1;
constexpr int kPoints = 5;

enum class Outcome { Running, Accepted, Cancelled, Timeout };

struct CalibrationRun {
    int width = 0, height = 0;
    std::array<POINT, kPoints> targets{};
    std::array<POINT, kPoints> taps{};
    int step = 0;  // the cross shown; kPoints: asking to accept
    UINT timeoutMs = 0;
    TouchCalibration fit;
    Outcome outcome = Outcome::Running;
};

void DrawCross(HDC hdc, POINT c) {
    HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    const RECT bars[] = {{c.x - 20, c.y - 1, c.x - 3, c.y + 2},
                         {c.x + 4, c.y - 1, c.x + 21, c.y + 2},
                         {c.x - 1, c.y - 20, c.x + 2, c.y - 3},
                         {c.x - 1, c.y + 4, c.x + 2, c.y + 21},
                         {c.x, c.y, c.x + 1, c.y + 1}};
    for (const RECT& r : bars) FillRect(hdc, &r, black);
}

void PaintCalibration(HWND h, const CalibrationRun& run) {
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(h, &ps);
    SetBkMode(hdc, TRANSPARENT);
    SetTextColor(hdc, RGB(0, 0, 0));
    RECT text{0, run.height / 2 + run.height / 8, run.width, run.height};
    if (run.step < kPoints) {
        DrawCross(hdc, run.targets[static_cast<size_t>(run.step)]);
        const std::u16string hint =
            u"Tap the centre of the cross (" + std::u16string(1, static_cast<char16_t>(u'1' + run.step)) + u" of 5).";
        DrawText(hdc, hint.c_str(), -1, &text, DT_CENTER);
        text.top += 24;
        DrawText(hdc, u"Press Escape to keep the old calibration.", -1, &text, DT_CENTER);
    } else {
        text.top = run.height / 2 - 24;
        DrawText(hdc, u"Tap the screen to accept the new calibration.", -1, &text, DT_CENTER);
        text.top += 24;
        DrawText(hdc, u"Press Escape to keep the old calibration.", -1, &text, DT_CENTER);
    }
    EndPaint(h, &ps);
}

void Finish(CalibrationRun& run, Outcome outcome) {
    if (run.outcome == Outcome::Running) run.outcome = outcome;
}

LRESULT OnCreate(HWND h, const CREATESTRUCT* cs) {
    SetWindowLongPtr(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    return 0;
}

LRESULT OnPaint(HWND h, const CalibrationRun& run) {
    PaintCalibration(h, run);
    return 0;
}

// A tap near the cross takes its point; after the last cross a tap accepts.
LRESULT OnTap(HWND h, CalibrationRun& run, POINT p) {
    if (run.step >= kPoints) {
        Finish(run, Outcome::Accepted);
        return 0;
    }
    POINT t = run.targets[static_cast<size_t>(run.step)];
    const double radius = std::min(run.width, run.height) / 8.0;
    if (std::hypot(p.x - t.x, p.y - t.y) > radius) return 0;  // too far: the cross waits
    run.taps[static_cast<size_t>(run.step)] = p;
    if (++run.step == kPoints) {
        auto fit = hw::FitCalibration(run.taps, run.targets);
        if (fit) {
            run.fit = *fit;
        } else {
            run.step = 0;  // taps that fix no map (cannot happen within the radii): start again
        }
    }
    if (run.timeoutMs) SetTimer(h, kTimeoutTimer, run.timeoutMs, nullptr);
    InvalidateRect(h, nullptr, TRUE);
    return 0;
}

LRESULT OnKeyDown(CalibrationRun& run, WPARAM vk) {
    if (vk == VK_ESCAPE) Finish(run, Outcome::Cancelled);
    return 0;
}

LRESULT OnTimer(CalibrationRun& run, WPARAM id) {
    if (id == kTimeoutTimer) Finish(run, Outcome::Timeout);
    return 0;
}

LRESULT OnDestroy(HWND h, CalibrationRun& run) {
    Finish(run, Outcome::Cancelled);
    SetWindowLongPtr(h, GWLP_USERDATA, 0);
    return 0;
}

LRESULT CALLBACK CalibrationProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_CREATE) return OnCreate(h, reinterpret_cast<const CREATESTRUCT*>(lp));
    auto* run = reinterpret_cast<CalibrationRun*>(GetWindowLongPtr(h, GWLP_USERDATA));
    if (!run) return DefWindowProc(h, msg, wp, lp);
    switch (msg) {
        case WM_PAINT:
            return OnPaint(h, *run);
        case WM_LBUTTONDOWN:
            return OnTap(h, *run, POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
        case WM_KEYDOWN:
            return OnKeyDown(*run, wp);
        case WM_TIMER:
            return OnTimer(*run, wp);
        case WM_DESTROY:
            return OnDestroy(h, *run);
        default:
            return DefWindowProc(h, msg, wp, lp);
    }
}

void RegisterCalibrationClass() {
    static std::once_flag once;
    std::call_once(once, [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = CalibrationProc;
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        wc.lpszClassName = kCalibrationClass;
        RegisterBuiltinClass(wc);
    });
}

}  // namespace

BOOL RunTouchCalibration() {
    if (!hw::BeginTouchCalibration()) return FALSE;
    CalibrationRun run;
    run.width = GetSystemMetrics(SM_CXSCREEN);
    run.height = GetSystemMetrics(SM_CYSCREEN);
    const int ix = run.width / 8, iy = run.height / 8;
    run.targets = {POINT{run.width / 2, run.height / 2}, POINT{ix, iy}, POINT{run.width - 1 - ix, iy},
                   POINT{run.width - 1 - ix, run.height - 1 - iy}, POINT{ix, run.height - 1 - iy}};
    run.timeoutMs = hw::TouchCalibrationTimeoutMs();

    RegisterCalibrationClass();
    HWND previousFocus = GetFocus();
    HWND h = CreateWindowEx(WS_EX_TOPMOST, kCalibrationClass, u"", WS_POPUP | WS_VISIBLE, 0, 0, run.width, run.height,
                            nullptr, nullptr, nullptr, &run);
    if (!h) {
        hw::EndTouchCalibration(hw::CalibrationOutcome::Failed, run.fit, 0, GetLastError());
        return FALSE;
    }
    SetFocus(h);
    UpdateWindow(h);
    if (run.timeoutMs) SetTimer(h, kTimeoutTimer, run.timeoutMs, nullptr);

    int quitCode = -1;
    MSG m;
    while (run.outcome == Outcome::Running) {
        BOOL got = GetMessage(&m, nullptr, 0, 0);
        if (got <= 0) {
            // The thread is told to end: give up and leave the request for
            // the loop that owns it.
            quitCode = got == 0 ? static_cast<int>(m.wParam) : -1;
            Finish(run, Outcome::Cancelled);
            break;
        }
        TranslateMessage(&m);
        DispatchMessage(&m);
    }
    if (IsWindow(h)) {
        KillTimer(h, kTimeoutTimer);
        DestroyWindow(h);
    }
    if (previousFocus && IsWindow(previousFocus)) SetFocus(previousFocus);
    if (quitCode >= 0) PostQuitMessage(quitCode);

    const hw::CalibrationOutcome outcome = run.outcome == Outcome::Accepted  ? hw::CalibrationOutcome::Accepted
                                           : run.outcome == Outcome::Timeout ? hw::CalibrationOutcome::Timeout
                                                                             : hw::CalibrationOutcome::Cancelled;
    return hw::EndTouchCalibration(outcome, run.fit, std::min(run.step, kPoints));
}

}  // namespace ce::user
