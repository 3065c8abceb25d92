// Runs a real program headless: its entry on its own thread against a fresh
// desktop, worked by touch and keys the way a person would on the device.
// PanelRun and EditorRun add what each program's tests need on top.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <thread>

#include "bootedimage.h"
#include "ce_comctl.h"
#include "ce_gdi.h"
#include "ce_user.h"
#include "jsontest.h"
#include "screenshot.h"
#include "userdesktop.h"
#include "windows.h"

namespace ce::test {

// Text for messages and comparisons: characters beyond ASCII read as '?'.
inline std::string Narrow(const std::u16string& s) {
    std::string out;
    for (char16_t c : s) out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}
// A window's text (a dialog's caption), a control's, and the text of a
// message box.
inline std::string TextOf(HWND h) {
    std::u16string text(static_cast<size_t>(GetWindowTextLength(h)) + 1, u'\0');
    GetWindowText(h, text.data(), static_cast<int>(text.size()));
    text.pop_back();
    return Narrow(text);
}
inline std::string TextOf(HWND dlg, int id) {
    return TextOf(GetDlgItem(dlg, id));
}
inline std::string MessageOf(HWND box) {
    return TextOf(box, 0xFFFF);
}

class ProgramRun {
public:
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

    // The topmost visible window: an open dialog or message box, or the
    // program's main window.
    HWND Top() const { return TopVisible(); }

    // ---- input
    void Idle() { ASSERT_TRUE(desktop_->WaitIdle(std::chrono::seconds(10))); }
    void Tap(int x, int y) {
        Pointer(ce::host::PointerKind::Down, x, y);
        Pointer(ce::host::PointerKind::Up, x, y);
    }
    // Taps the centre of a control of a window.
    void TapControl(HWND parent, int id) {
        RECT r{};
        GetWindowRect(GetDlgItem(parent, id), &r);
        Tap((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }
    void Key(unsigned vk, char16_t ch = 0) {
        desktop_->InjectKey(vk, true, 0, ch);
        desktop_->InjectKey(vk, false, 0, 0);
        Idle();
    }

    // Something done on another thread (a worker, a timer) shows only after
    // the program has handled what it posted: lets the program run until
    // `done` holds or `limit` has passed; false when it never held.
    bool WaitFor(const std::function<bool()>& done,
                 std::chrono::milliseconds limit = std::chrono::milliseconds(10000)) {
        auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            Idle();
            if (done()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return done();
    }

    // ---- the program as a whole
    bool Ended(int waitMs = 0) {
        if (!ended_.valid()) return true;  // the exit code was taken
        return ended_.wait_for(std::chrono::milliseconds(waitMs)) == std::future_status::ready;
    }
    int ExitCode() { return ended_.get(); }
    ce::host::Json Dump() { return desktop_->DumpWindows(); }
    void Screenshot(const std::string& file) {
        std::string error;
        ASSERT_TRUE(ce::host::WriteScreenPng(file, error)) << error;
    }

protected:
    // Sets the screen mode, makes the desktop, starts `entry` on its own
    // thread and waits until `findMain` finds the program's main window.
    ProgramRun(std::function<int()> entry, const std::function<HWND()>& findMain, int width, int height) {
        ce::gdi::ScreenMode mode;
        mode.width = width;
        mode.height = height;
        ce::gdi::Screen::SetMode(mode);
        ce::comctl::RegisterControls();
        desktop_ = ce::user::MakeDesktop();
        ended_ = std::async(std::launch::async, std::move(entry));
        for (int i = 0; i < 2000 && !main_; ++i) {
            main_ = findMain();
            if (!main_) ended_.wait_for(std::chrono::milliseconds(5));
        }
        Idle();
    }
    // The program's thread is joined when ended_ goes, after the derived
    // class has closed the program.
    ~ProgramRun() = default;

    // Cancels what is open above the main window (a test that stopped early
    // may leave a dialog open, whose modal loop would keep the program
    // running), asks the main window to close and waits for the program to end.
    void CloseMain() {
        for (int i = 0; i < 5 && Top() && Top() != main_; ++i) {
            PostMessage(Top(), WM_COMMAND, IDCANCEL, 0);
            desktop_->WaitIdle(std::chrono::seconds(5));
        }
        if (IsWindow(main_)) PostMessage(main_, WM_CLOSE, 0, 0);
        ended_.wait_for(std::chrono::seconds(10));
    }
    void Pointer(ce::host::PointerKind kind, int x, int y) {
        desktop_->InjectPointer(kind, x, y, 0);
        Idle();
    }
    static HWND TopVisible() {
        for (HWND h = GetWindow(GetDesktopWindow(), GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT))
            if (IsWindowVisible(h)) return h;
        return nullptr;
    }

    std::unique_ptr<ce::host::Desktop> desktop_;
    std::future<int> ended_;
    HWND main_ = nullptr;
};

}  // namespace ce::test
