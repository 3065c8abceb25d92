// Runs the real control panel headless on a fresh device image and works it
// by touch, the way a person would on the device.
#pragma once

#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "bootedimage.h"
#include "ce_comctl.h"
#include "ce_gdi.h"
#include "ce_user.h"
#include "screenshot.h"
#include "userdesktop.h"
#include "windows.h"

int AfxWinMain();

namespace ce::test {

class PanelRun {
public:
    explicit PanelRun(int width = 800, int height = 480) {
        ce::gdi::ScreenMode mode;
        mode.width = width;
        mode.height = height;
        ce::gdi::Screen::SetMode(mode);
        ce::comctl::RegisterControls();
        desktop_ = ce::user::MakeDesktop();
        ended_ = std::async(std::launch::async, [] { return AfxWinMain(); });
        // The program starts on its own thread: wait for its panel to show.
        for (int i = 0; i < 1000 && !panel_; ++i) {
            panel_ = FindPanel();
            if (!panel_) ended_.wait_for(std::chrono::milliseconds(5));
        }
        Idle();
    }
    ~PanelRun() {
        if (!Ended()) {
            if (IsWindow(panel_)) PostMessage(panel_, WM_CLOSE, 0, 0);
            ended_.wait_for(std::chrono::seconds(10));
        }
    }
    PanelRun(const PanelRun&) = delete;
    PanelRun& operator=(const PanelRun&) = delete;

    HWND panel() const { return panel_; }
    // The topmost visible window (an open dialog, or the panel).
    HWND Top() const { return FindPanel(); }
    // Taps the centre of a control of a window.
    void TapControl(HWND parent, int id) {
        RECT r{};
        GetWindowRect(GetDlgItem(parent, id), &r);
        Tap((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }
    // Opens a dialog by its panel button; returns the dialog's window.
    HWND OpenDialog(int buttonId) {
        TapControl(panel_, buttonId);
        HWND top = Top();
        return top != panel_ ? top : nullptr;
    }
    RECT PanelRect() const {
        RECT r{};
        GetWindowRect(panel_, &r);
        return r;
    }
    HWND Item(int id) const { return GetDlgItem(panel_, id); }
    RECT ItemRectInPanel(int id) const {
        RECT r{};
        GetWindowRect(Item(id), &r);
        POINT tl{r.left, r.top}, br{r.right, r.bottom};
        ScreenToClient(panel_, &tl);
        ScreenToClient(panel_, &br);
        return {tl.x, tl.y, br.x, br.y};
    }

    void Idle() { ASSERT_TRUE(desktop_->WaitIdle(std::chrono::seconds(10))); }
    void Press(int x, int y) { Input(ce::host::PointerKind::Down, x, y); }
    void Move(int x, int y) { Input(ce::host::PointerKind::Move, x, y); }
    void Release(int x, int y) { Input(ce::host::PointerKind::Up, x, y); }
    void Tap(int x, int y) {
        Press(x, y);
        Release(x, y);
    }
    // Queued without waiting: whatever comes next reaches the program before
    // it has handled this tap.
    void TapNoWait(int x, int y) {
        desktop_->InjectPointer(ce::host::PointerKind::Down, x, y, 0);
        desktop_->InjectPointer(ce::host::PointerKind::Up, x, y, 0);
    }
    void Key(unsigned vk) {
        desktop_->InjectKey(vk, true, 0, 0);
        desktop_->InjectKey(vk, false, 0, 0);
        Idle();
    }
    bool Ended(int waitMs = 0) {
        if (!ended_.valid()) return true;  // the exit code was taken
        return ended_.wait_for(std::chrono::milliseconds(waitMs)) == std::future_status::ready;
    }
    int ExitCode() { return ended_.get(); }
    std::string Dump() { return desktop_->DumpWindowsJson(); }
    void Screenshot(const std::string& file) {
        std::string error;
        ASSERT_TRUE(ce::host::WriteScreenPng(file, error)) << error;
    }

private:
    void Input(ce::host::PointerKind kind, int x, int y) {
        desktop_->InjectPointer(kind, x, y, 0);
        Idle();
    }
    static HWND FindPanel() {
        for (HWND h = GetWindow(GetDesktopWindow(), GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT))
            if (IsWindowVisible(h)) return h;
        return nullptr;
    }

    std::unique_ptr<ce::host::Desktop> desktop_;
    std::future<int> ended_;
    HWND panel_ = nullptr;
};

}  // namespace ce::test
