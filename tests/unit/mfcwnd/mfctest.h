// Shared helpers of the window framework tests: one-time window system
// setup, a pump, injected input, and steps run whenever the thread's loop
// (ours or a modal one) is idle.
#pragma once

#include <afxwin.h>
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "ce_comctl.h"
#include "ce_gdi.h"
#include "ce_user.h"

namespace mfctest {

inline std::u16string Str(const CString& s) {
    return static_cast<LPCTSTR>(s);
}

inline void Pump() {
    MSG m;
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&m);
        DispatchMessage(&m);
    }
}

inline POINT Center(HWND h) {
    RECT r;
    GetWindowRect(h, &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}
inline void Press(HWND h) {
    POINT p = Center(h);
    ce::user::InjectMouse(ce::user::Mouse::Down, p.x, p.y);
}
inline void Release(HWND h) {
    POINT p = Center(h);
    ce::user::InjectMouse(ce::user::Mouse::Up, p.x, p.y);
}
inline void Key(UINT vk) {
    ce::user::InjectKey(vk, true, 0);
    ce::user::InjectKey(vk, false, 0);
}

// Steps run one at a time from a thread timer of period 0, so they can
// work a modal loop from inside it.
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

// A window class whose own procedure is the default one.
inline constexpr LPCTSTR kPlainClass = u"MfcPlain";

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        static bool once = [] {
            ce::gdi::Screen::SetMode(ce::gdi::ScreenMode{});
            ce::comctl::RegisterControls();
            WNDCLASSW wc{};
            wc.lpfnWndProc = DefWindowProc;
            wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
            wc.lpszClassName = kPlainClass;
            RegisterClass(&wc);
            return true;
        }();
        (void)once;
        Pump();
    }
    void TearDown() override {
        ReleaseCapture();
        Steps().clear();
        Pump();
    }
};

}  // namespace mfctest

namespace mfctest {

// An owner-drawn button object: records what it is asked to draw, that it
// was subclassed, and presses its own map sees.
class DrawnButton : public CButton {
public:
    std::vector<DRAWITEMSTRUCT> drawn;
    int subclassed = 0;
    HWND hwndAtSubclass = nullptr;
    int presses = 0;

    void DrawItem(LPDRAWITEMSTRUCT dis) override {
        drawn.push_back(*dis);
        ::FillRect(dis->hDC, &dis->rcItem,
                   GetSysColorBrush(dis->itemState & ODS_SELECTED ? COLOR_HIGHLIGHT : COLOR_BTNFACE));
    }
    void PreSubclassWindow() override {
        ++subclassed;
        hwndAtSubclass = m_hWnd;
    }
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point) {
        ++presses;
        CButton::OnLButtonDown(nFlags, point);  // the button still captures and pushes
    }
    bool DrawnSelected() const {
        for (auto& d : drawn)
            if (d.itemState & ODS_SELECTED) return true;
        return false;
    }
    DECLARE_MESSAGE_MAP()
};

}  // namespace mfctest
