// The program's lifetime and the host's view of the device.
#include "device.h"

#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "ce_drivers.h"
#include "ce_gdi.h"

namespace ce::host {

void ProgramState::MarkEnded(int status) {
    {
        std::lock_guard lock(mutex_);
        if (ended_) return;  // the first end counts (a restart during shutdown)
        ended_ = true;
        status_ = status;
    }
    cv_.notify_all();
}

bool ProgramState::Ended() const {
    std::lock_guard lock(mutex_);
    return ended_;
}

bool ProgramState::WaitEnded(Millis timeout) const {
    std::unique_lock lock(mutex_);
    return cv_.wait_for(lock, timeout, [&] { return ended_; });
}

int ProgramState::Status() const {
    std::lock_guard lock(mutex_);
    return status_;
}

// Once the program has ended nothing receives input any more; its windows
// may already be gone.
//
// Every input is a touch for the backlight driver. A touch that goes down on
// a dark screen only lights it: that touch (its moves and release too) does
// not reach the program, as on the device. A touch already delivered stays
// delivered to its release, so the program never sees a press without one.
void HostDevice::InjectPointer(PointerKind kind, int x, int y, uint32_t time) {
    if (program_.Ended()) return;
    {
        std::lock_guard lock(wakeMutex_);
        bool woke = hw::BacklightTouch();
        if (kind == PointerKind::Down) swallowStylus_ = woke;
        if (swallowStylus_) {
            if (kind == PointerKind::Up) swallowStylus_ = false;
            return;
        }
    }
    desktop_.InjectPointer(kind, x, y, time);
}

void HostDevice::InjectKey(unsigned vk, bool down, unsigned modifiers, char16_t ch) {
    if (program_.Ended()) return;
    {
        std::lock_guard lock(wakeMutex_);
        auto held = std::find(swallowKeys_.begin(), swallowKeys_.end(), vk);
        if (!down && held != swallowKeys_.end()) {
            swallowKeys_.erase(held);
            return;
        }
        if (hw::BacklightTouch() && down) {
            if (held == swallowKeys_.end()) swallowKeys_.push_back(vk);
            return;
        }
    }
    desktop_.InjectKey(vk, down, modifiers, ch);
}

BacklightView HostDevice::Backlight() {
    hw::BacklightState s = hw::GetBacklight();
    return {s.level, s.lit};
}

bool HostDevice::WaitIdle(Millis timeout) {
    return program_.Ended() || desktop_.WaitIdle(timeout);
}

void HostDevice::RequestQuit() {
    if (!program_.Ended()) desktop_.RequestQuit();
}

std::string HostDevice::DumpJson() {
    gdi::ScreenMode mode = gdi::Screen::Mode();
    BacklightView light = Backlight();
    Json dump = {{"screen",
                  {{"width", mode.width},
                   {"height", mode.height},
                   {"rotation", rotation_ ? rotation_() : 0},
                   {"backlight", {{"level", light.level}, {"lit", light.lit}}}}},
                 {"windows", program_.Ended() ? Json::array() : desktop_.DumpWindows()}};
    return dump.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
}

Json NullDesktop::DumpWindows() {
    return Json::array();
}

}  // namespace ce::host
