// Registration of the control classes, and what the controls share.
#include <cstdlib>
#include <mutex>

#include "ce_comctl.h"

namespace ce::comctl {

int FontHeight(HWND h, HFONT font, int fallback) {
    HDC dc = GetDC(h);
    if (!dc) return fallback;
    HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    TEXTMETRICW tm{};
    int height = GetTextMetrics(dc, &tm) && tm.tmHeight > 0 ? static_cast<int>(tm.tmHeight) : fallback;
    if (old) SelectObject(dc, old);
    ReleaseDC(h, dc);
    return height;
}

void Hold::Arm(HWND h, POINT client) {
    armed = true;
    at = client;
    SetTimer(h, kTimerId, kDelayMs, nullptr);
}

void Hold::Move(HWND h, POINT client) {
    if (armed && (std::abs(client.x - at.x) > kSlop || std::abs(client.y - at.y) > kSlop)) Disarm(h);
}

void Hold::Disarm(HWND h) {
    if (armed) KillTimer(h, kTimerId);
    armed = false;
}

bool Hold::Fire(HWND h, WPARAM timerId) {
    if (timerId != kTimerId) return false;
    KillTimer(h, kTimerId);
    if (!armed) return false;
    armed = false;
    // The menu the parent may show takes the stylus from here.
    if (GetCapture() == h) ReleaseCapture();
    return true;
}

void SendContextMenu(HWND h, POINT client) {
    POINT screen = client;
    ClientToScreen(h, &screen);
    if (HWND parent = GetParent(h))
        SendMessage(parent, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(h), MAKELPARAM(screen.x, screen.y));
}

Lifeline::Lifeline(HWND h) : h_(h), state_(IsWindow(h) ? GetWindowLong(h, 0) : 0) {}

bool Lifeline::Alive() const {
    return state_ != 0 && IsWindow(h_) && GetWindowLong(h_, 0) == state_;
}

void RegisterControls() {
    static std::once_flag once;
    std::call_once(once, [] {
        ce::user::RegisterDialogClass();
        RegisterButtonClass();
        RegisterStaticClass();
        RegisterComboBoxClass();
        RegisterProgressClass();
        RegisterEditClass();
        RegisterScrollBarClass();
        RegisterTreeViewClass();
        RegisterListViewClass();
        RegisterHeaderClass();
        RegisterMenuClasses();
        RegisterCommandBarClass();
        RegisterFileDialogClasses();
        RegisterStatusBarClass();
    });
}

LRESULT Repaint(HWND h) {
    InvalidateRect(h, nullptr, TRUE);
    return 0;
}

LRESULT SetTextAndRepaint(HWND h, WPARAM wp, LPARAM lp) {
    LRESULT r = DefWindowProc(h, WM_SETTEXT, wp, lp);
    Repaint(h);
    return r;
}

}  // namespace ce::comctl
