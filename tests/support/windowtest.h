// Helpers of the tests that drive windows on their own thread: one-time
// window system setup, host windows, a message pump, injected input, and
// steps run whenever the thread's loop (ours or a modal one) is idle.
// Only for targets that link the controls and the window system.
#pragma once

#include <deque>
#include <functional>
#include <initializer_list>
#include <set>
#include <string>

#include "ce_comctl.h"
#include "ce_gdi.h"
#include "ce_user.h"

namespace ce::test {

// Sets the default screen mode and registers the controls, once per process.
inline void InitWindowSystem() {
    static bool once = [] {
        ce::gdi::Screen::SetMode(ce::gdi::ScreenMode{});
        ce::comctl::RegisterControls();
        return true;
    }();
    (void)once;
}

// For RegisterHostClass: a class that paints no background.
inline constexpr int kNoBackground = -1;

// Registers a window class with `proc` and the system colour `background`
// (a COLOR_ index), once per class name.
inline void RegisterHostClass(LPCTSTR name, WNDPROC proc, int background = COLOR_WINDOW) {
    static std::set<std::u16string> done;
    if (!done.insert(name).second) return;
    WNDCLASSW wc{};
    wc.lpfnWndProc = proc;
    if (background != kNoBackground) wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(background + 1));
    wc.lpszClassName = name;
    RegisterClass(&wc);
}

// A visible popup of class `cls` covering the 800 x 480 screen.
inline HWND CreateHost(LPCTSTR cls, LPCTSTR title = u"") {
    return CreateWindowEx(0, cls, title, WS_POPUP | WS_VISIBLE, 0, 0, 800, 480, nullptr, nullptr, nullptr, nullptr);
}

// Handles everything pending; messages of `dlg` (if any) go through
// IsDialogMessage.
inline void Pump(HWND dlg = nullptr) {
    MSG m;
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
        if (dlg && IsDialogMessage(dlg, &m)) continue;
        TranslateMessage(&m);
        DispatchMessage(&m);
    }
}

// The screen centre of a window.
inline POINT Center(HWND h) {
    RECT r;
    GetWindowRect(h, &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// Handles messages as they come (waiting for them) until `done()` holds, for
// what a timer of the window system brings; false when a guard of
// `guardMs` passed first.
inline bool PumpUntil(const std::function<bool()>& done, UINT guardMs = 5000) {
    static bool expired;
    expired = false;
    UINT_PTR guard = SetTimer(nullptr, 0, guardMs, [](HWND, UINT, UINT_PTR, DWORD) { expired = true; });
    MSG m;
    while (!done() && !expired && GetMessage(&m, nullptr, 0, 0)) {
        TranslateMessage(&m);
        DispatchMessage(&m);
    }
    KillTimer(nullptr, guard);
    return done();
}

// A key pressed and released, and a stylus tap; both only queued (no pump).
inline void Key(UINT vk) {
    ce::user::InjectKey(vk, true, 0);
    ce::user::InjectKey(vk, false, 0);
}
inline void Tap(POINT p) {
    ce::user::InjectMouse(ce::user::Mouse::Down, p.x, p.y);
    ce::user::InjectMouse(ce::user::Mouse::Up, p.x, p.y);
}

// Steps run one at a time from a thread timer of period 0, that is whenever
// the thread's message loop has nothing else to do, so they can work a
// modal loop from inside it.
inline std::deque<std::function<void()>>& Steps() {
    static std::deque<std::function<void()>> steps;
    return steps;
}
inline void CALLBACK StepTimer(HWND, UINT, UINT_PTR id, DWORD) {
    if (Steps().empty()) {
        KillTimer(nullptr, id);
        return;
    }
    auto f = std::move(Steps().front());
    Steps().pop_front();
    f();
}
inline void WhenIdle(std::initializer_list<std::function<void()>> steps) {
    for (auto& s : steps) Steps().push_back(s);
    SetTimer(nullptr, 0, 0, StepTimer);
}

}  // namespace ce::test
