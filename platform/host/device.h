// What the host drives: the running program on the emulated device.
//
// Two interfaces meet here:
//  - Device is everything the script runner and the front ends need: input,
//    idleness, finding things on the screen, the program's lifetime, dumps.
//  - Desktop is the part only the window system can answer (input delivery,
//    idleness, what shows which text, the window tree). The window system
//    implements it; the host adds the program's lifetime and the screen and
//    makes a Device of it (HostDevice). Until a Desktop is installed the host
//    uses NullDesktop: no windows, always idle, input dropped.
//
// Every member may be called from any thread (the runner's, the SDL front
// end on the main thread) while the program runs on its own thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <vector>

namespace ce::host {

using Json = nlohmann::ordered_json;  // as ce::Json
using Millis = std::chrono::milliseconds;

struct ScreenPoint {
    int x = 0;
    int y = 0;
    bool operator==(const ScreenPoint&) const = default;
};

enum class PointerKind { Down, Move, Up };

// The LCD's backlight as the window shows it: level 0..31, or off.
struct BacklightView {
    unsigned level = 31;
    bool lit = true;
    bool operator==(const BacklightView&) const = default;
};

class Desktop {
public:
    virtual ~Desktop() = default;
    // Stylus input in screen pixels. `time` is the message time in ms (0: now).
    virtual void InjectPointer(PointerKind kind, int x, int y, uint32_t time) = 0;
    // A key press or release. `vk` is the Win32 virtual key, `modifiers` the
    // ce::host::Modifier bits held (the modifier keys themselves also arrive
    // as their own key events first), `ch` the character it makes or 0.
    virtual void InjectKey(unsigned vk, bool down, unsigned modifiers, char16_t ch) = 0;
    // True once every input is handled and nothing waits to be painted;
    // false when that did not happen within `timeout`.
    virtual bool WaitIdle(Millis timeout) = 0;
    // Centre of the topmost visible thing showing `text` (UTF-8): a caption,
    // a control's text, a tree item, a list cell, a menu item, a combo-box
    // entry; its text or one line of it equals `text`, `&` mnemonics ignored.
    virtual std::optional<ScreenPoint> FindText(const std::string& text) = 0;
    // Centre of the control with that id in the active window.
    virtual std::optional<ScreenPoint> FindControl(int id) = 0;
    // Empty when a touch at `p` reaches the window shown there; otherwise
    // why not, naming the control a person would take it for ("it lets
    // touches through; the control nearest to it is #1012").
    virtual std::string TouchPassesAt(ScreenPoint p) = 0;
    // How a script names what a touch at `p` reaches: "#ID" for a button
    // with an id in the active window, "\"TEXT\"" (quoted as scripts quote)
    // for a tree, list or menu item that its text finds again; empty when
    // only the coordinates say it.
    virtual std::string TargetAt(ScreenPoint) { return {}; }
    // The captions of the visible top-level windows, topmost first.
    virtual std::vector<std::string> Captions() { return {}; }
    // The "windows" array of a dump: top-level windows topmost first (see the
    // dump format in the host's documentation).
    virtual Json DumpWindows() = 0;
    // Asks the program to end as its user would (closes the main window).
    virtual void RequestQuit() = 0;
    // Tells every top-level window that a storage card came in or went out
    // (WM_DEVICECHANGE).
    virtual void StorageCardChanged(bool /*inserted*/) {}
    // Has the program's user-interface thread restart the device (as if it
    // had asked the HAL) between two of its messages. False when the
    // program has no window to carry the request.
    virtual bool RequestRestart() { return false; }
    // The device clipboard's text (UTF-8) and a count that moves whenever it
    // changes; SetClipboardText puts desktop text there. A desktop without a
    // clipboard has no text and ignores it.
    virtual std::optional<std::string> ClipboardText(uint64_t& changes) {
        changes = 0;
        return std::nullopt;
    }
    virtual void SetClipboardText(const std::string&) {}
};

class Device {
public:
    virtual ~Device() = default;
    virtual void InjectPointer(PointerKind kind, int x, int y, uint32_t time) = 0;
    virtual void InjectKey(unsigned vk, bool down, unsigned modifiers, char16_t ch) = 0;
    virtual bool WaitIdle(Millis timeout) = 0;
    virtual std::optional<ScreenPoint> FindText(const std::string& text) = 0;
    virtual std::optional<ScreenPoint> FindControl(int id) = 0;
    virtual std::string TouchPassesAt(ScreenPoint p) = 0;
    virtual std::string TargetAt(ScreenPoint) { return {}; }
    virtual std::vector<std::string> Captions() { return {}; }
    virtual bool ProgramEnded() = 0;
    // Until the program has ended; false on time-out. Also an interruptible
    // sleep: it returns as soon as the program ends.
    virtual bool WaitExit(Millis timeout) = 0;
    // The program's exit status (valid once ProgramEnded()).
    virtual int ExitStatus() = 0;
    // {"screen":{"width","height","rotation","backlight"},"windows":[...]} as
    // one line of text ending in a newline.
    virtual std::string DumpJson() = 0;
    virtual void RequestQuit() = 0;
    // The backlight now (asking lets the driver notice its time-out).
    virtual BacklightView Backlight() { return {}; }
    virtual void StorageCardChanged(bool /*inserted*/) {}
    // The device's clipboard text, as Desktop has it.
    virtual std::optional<std::string> ClipboardText(uint64_t& changes) {
        changes = 0;
        return std::nullopt;
    }
    virtual void SetClipboardText(const std::string&) {}
};

// The lifetime of the program: its thread marks the end with its status (or
// the restart handler marks status 3). Waiters are woken.
class ProgramState {
public:
    void MarkEnded(int status);
    bool Ended() const;
    bool WaitEnded(Millis timeout) const;
    int Status() const;

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable cv_;
    bool ended_ = false;
    int status_ = 0;
};

// A desktop without windows: always idle, finds nothing, drops input.
class NullDesktop : public Desktop {
public:
    void InjectPointer(PointerKind, int, int, uint32_t) override {}
    void InjectKey(unsigned, bool, unsigned, char16_t) override {}
    bool WaitIdle(Millis) override { return true; }
    std::optional<ScreenPoint> FindText(const std::string&) override { return std::nullopt; }
    std::optional<ScreenPoint> FindControl(int) override { return std::nullopt; }
    std::string TouchPassesAt(ScreenPoint) override { return {}; }
    Json DumpWindows() override;
    void RequestQuit() override {}
};

// The Device of a running program: the window system's Desktop plus the
// program's lifetime, the backlight (input that wakes it is not delivered)
// and the screen (size from ce::gdi::Screen; `rotation`
// answers the display's rotation in degrees, none: 0).
class HostDevice final : public Device {
public:
    HostDevice(Desktop& desktop, ProgramState& program, std::function<int()> rotation = {})
        : desktop_(desktop), program_(program), rotation_(std::move(rotation)) {}
    void InjectPointer(PointerKind kind, int x, int y, uint32_t time) override;
    void InjectKey(unsigned vk, bool down, unsigned modifiers, char16_t ch) override;
    bool WaitIdle(Millis timeout) override;
    std::optional<ScreenPoint> FindText(const std::string& text) override { return desktop_.FindText(text); }
    std::optional<ScreenPoint> FindControl(int id) override { return desktop_.FindControl(id); }
    std::string TouchPassesAt(ScreenPoint p) override { return program_.Ended() ? "" : desktop_.TouchPassesAt(p); }
    std::string TargetAt(ScreenPoint p) override { return program_.Ended() ? "" : desktop_.TargetAt(p); }
    std::vector<std::string> Captions() override {
        return program_.Ended() ? std::vector<std::string>{} : desktop_.Captions();
    }
    bool ProgramEnded() override { return program_.Ended(); }
    bool WaitExit(Millis timeout) override { return program_.WaitEnded(timeout); }
    int ExitStatus() override { return program_.Status(); }
    std::string DumpJson() override;
    void RequestQuit() override;
    BacklightView Backlight() override;
    void StorageCardChanged(bool inserted) override {
        if (!program_.Ended()) desktop_.StorageCardChanged(inserted);
    }
    std::optional<std::string> ClipboardText(uint64_t& changes) override { return desktop_.ClipboardText(changes); }
    void SetClipboardText(const std::string& text) override { desktop_.SetClipboardText(text); }

private:
    Desktop& desktop_;
    ProgramState& program_;
    std::function<int()> rotation_;
    // A touch or key that woke the backlight reaches nobody, nor do the rest
    // of that touch and the release of that key.
    std::mutex wakeMutex_;
    bool swallowStylus_ = false;
    std::vector<unsigned> swallowKeys_;
};

}  // namespace ce::host
