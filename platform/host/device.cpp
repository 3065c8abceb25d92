// The program's lifetime and the host's view of the device.
#include "device.h"

#include <algorithm>
#include <cstdio>

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
    int rotation = rotation_ ? rotation_() : 0;
    std::string windows = program_.Ended() ? "[]" : desktop_.DumpWindowsJson();
    BacklightView light = Backlight();
    return "{\"screen\":{\"width\":" + std::to_string(mode.width) + ",\"height\":" + std::to_string(mode.height) +
           ",\"rotation\":" + std::to_string(rotation) + ",\"backlight\":{\"level\":" + std::to_string(light.level) +
           ",\"lit\":" + (light.lit ? "true" : "false") + "}},\"windows\":" + windows + "}\n";
}

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(c));
                    out += buf;
                } else {
                    out += c;
                }
        }
    }
    return out + "\"";
}

}  // namespace ce::host
