// Runs the real control panel headless on a fresh device image and works it
// by touch, the way a person would on the device.
#pragma once

#include "programrun.h"

int AfxWinMain();

namespace ce::test {

class PanelRun : public ProgramRun {
public:
    explicit PanelRun(int width = 800, int height = 480)
        : ProgramRun([] { return AfxWinMain(); }, TopVisible, width, height) {}
    ~PanelRun() {
        if (!Ended()) CloseMain();
    }

    HWND panel() const { return main_; }
    // Opens a dialog by its panel button; returns the dialog's window.
    HWND OpenDialog(int buttonId) {
        TapControl(main_, buttonId);
        HWND top = Top();
        return top != main_ ? top : nullptr;
    }
    RECT PanelRect() const {
        RECT r{};
        GetWindowRect(main_, &r);
        return r;
    }
    HWND Item(int id) const { return GetDlgItem(main_, id); }
    RECT ItemRectInPanel(int id) const {
        RECT r{};
        GetWindowRect(Item(id), &r);
        POINT tl{r.left, r.top}, br{r.right, r.bottom};
        ScreenToClient(main_, &tl);
        ScreenToClient(main_, &br);
        return {tl.x, tl.y, br.x, br.y};
    }

    void Press(int x, int y) { Pointer(ce::host::PointerKind::Down, x, y); }
    void Move(int x, int y) { Pointer(ce::host::PointerKind::Move, x, y); }
    void Release(int x, int y) { Pointer(ce::host::PointerKind::Up, x, y); }
    // Queued without waiting: whatever comes next reaches the program before
    // it has handled this tap.
    void TapNoWait(int x, int y) {
        desktop_->InjectPointer(ce::host::PointerKind::Down, x, y, 0);
        desktop_->InjectPointer(ce::host::PointerKind::Up, x, y, 0);
    }
};

}  // namespace ce::test
