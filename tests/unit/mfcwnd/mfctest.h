// Shared helpers of the window framework tests: one-time window system
// setup, a pump, injected input, and steps run whenever the thread's loop
// (ours or a modal one) is idle.
#pragma once

#include <afxwin.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ce_user.h"
#include "windowtest.h"

namespace mfctest {

inline std::u16string Str(const CString& s) {
    return static_cast<LPCTSTR>(s);
}

// Pump, Center and Key (queued, no pump) and steps run when idle.
using ce::test::Center, ce::test::Key, ce::test::Pump, ce::test::Steps, ce::test::StepTimer, ce::test::WhenIdle;

inline void Press(HWND h) {
    POINT p = Center(h);
    ce::user::InjectMouse(ce::user::Mouse::Down, p.x, p.y);
}
inline void Release(HWND h) {
    POINT p = Center(h);
    ce::user::InjectMouse(ce::user::Mouse::Up, p.x, p.y);
}

// A window class whose own procedure is the default one.
inline constexpr LPCTSTR kPlainClass = u"MfcPlain";

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ce::test::InitWindowSystem();
        ce::test::RegisterHostClass(kPlainClass, DefWindowProc, COLOR_WINDOW);
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
