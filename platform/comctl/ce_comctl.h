// Internal interface of the controls, for the emulator host and tests.
#pragma once

#include "ce_user.h"

namespace ce::comctl {

// Registers the control classes ("Button", "Static", ...) and the dialog
// class with the window system. Calling it again does nothing.
void RegisterControls();

// Height of a line of text in `font` (null: the window's DC default), as the
// window's DC measures it; `fallback` when it cannot be measured.
int FontHeight(HWND h, HFONT font, int fallback);

// Tap-and-hold, the touch screen's right click. A control arms it when the
// stylus goes down on it (with the stylus captured), passes on the moves and
// disarms it on release; when the stylus stays within kSlop pixels for
// kDelayMs its timer (kTimerId) fires and Fire() answers true once: the
// control then sends NM_RCLICK and, when the parent leaves that alone,
// WM_CONTEXTMENU (SendContextMenu), as a right click does on Win32.
struct Hold {
    static constexpr UINT_PTR kTimerId = 0x484F;
    static constexpr UINT kDelayMs = 500;
    static constexpr int kSlop = 5;
    bool armed = false;
    POINT at{};  // client coordinates
    void Arm(HWND h, POINT client);
    void Move(HWND h, POINT client);
    void Disarm(HWND h);
    bool Fire(HWND h, WPARAM timerId);
};
// WM_CONTEXTMENU to the parent of `h` for a point in h's client area.
void SendContextMenu(HWND h, POINT client);

// A control that sends a message out (WM_COMMAND or WM_NOTIFY to its parent,
// WM_VSCROLL, WM_CONTEXTMENU, ...) may be destroyed by whoever handles it,
// and its state (kept in window slot 0) freed with it at WM_NCDESTROY. The
// rule for every control: take a Lifeline before sending, and afterwards
// touch nothing of the control (state, items, the window itself) unless the
// Lifeline says it is still there; otherwise return at once. Window handles
// are never reused, so a control that is gone stays gone.
class Lifeline {
public:
    explicit Lifeline(HWND h);
    // The window exists and still has the state it had when the Lifeline was
    // taken (false from its WM_NCDESTROY on).
    bool Alive() const;
    explicit operator bool() const { return Alive(); }

private:
    HWND h_;
    LONG_PTR state_;
};

// Small answers every control gives alike: the whole control marked to be
// erased and drawn again (0), and WM_SETTEXT stored, then drawn again.
LRESULT Repaint(HWND h);
LRESULT SetTextAndRepaint(HWND h, WPARAM wp, LPARAM lp);

// Each control file registers its class.
void RegisterButtonClass();
void RegisterStaticClass();
void RegisterComboBoxClass();
void RegisterProgressClass();
void RegisterEditClass();
void RegisterScrollBarClass();
void RegisterTreeViewClass();
void RegisterListViewClass();
void RegisterHeaderClass();
void RegisterMenuClasses();
void RegisterCommandBarClass();
void RegisterFileDialogClasses();
void RegisterStatusBarClass();

}  // namespace ce::comctl
