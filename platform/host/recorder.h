// Recording (--record FILE): what a person or a control client does to the
// device, written as a script that replays it.
//
// The recorder stands between the input's sources (the window, the script
// runner, the control socket) and the device, passing everything through.
// A touch becomes tap, dbltap or hold on a target named as a script names
// it (#ID, an item's text, else coordinates); a touch that moves becomes
// press/move/release; keys become key lines and typed characters one type
// line. After each action, once the device is idle, a window that came or
// went gets a wait or wait-gone on its caption, so the replay keeps pace.
// The file is replaced after every action, so it is whole even when the
// device restarts or the emulator is killed.
#pragma once

#include <chrono>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

#include "device.h"

namespace ce::host {

class Recorder final : public Device {
public:
    // Moves under this many pixels from the touch-down still make a tap.
    static constexpr int kSlop = 4;
    // A touch held this long is a hold; two taps this close a double tap.
    static constexpr Millis kHoldTime{500};
    static constexpr Millis kDoubleTapTime{500};

    Recorder(Device& device, std::string file) : device_(device), file_(std::move(file)) {}
    // False with the reason when the file cannot be written.
    bool Start(std::string& error);
    std::vector<std::string> Lines();

    void InjectPointer(PointerKind kind, int x, int y, uint32_t time) override;
    void InjectKey(unsigned vk, bool down, unsigned modifiers, char16_t ch) override;
    bool WaitIdle(Millis timeout) override { return device_.WaitIdle(timeout); }
    std::optional<ScreenPoint> FindText(const std::string& text) override { return device_.FindText(text); }
    std::optional<ScreenPoint> FindControl(int id) override { return device_.FindControl(id); }
    std::string TouchPassesAt(ScreenPoint p) override { return device_.TouchPassesAt(p); }
    std::string TargetAt(ScreenPoint p) override { return device_.TargetAt(p); }
    std::vector<std::string> Captions() override { return device_.Captions(); }
    bool ProgramEnded() override { return device_.ProgramEnded(); }
    bool WaitExit(Millis timeout) override { return device_.WaitExit(timeout); }
    int ExitStatus() override { return device_.ExitStatus(); }
    std::string DumpJson() override { return device_.DumpJson(); }
    void RequestQuit() override { device_.RequestQuit(); }
    BacklightView Backlight() override { return device_.Backlight(); }
    void StorageCardChanged(bool inserted) override { device_.StorageCardChanged(inserted); }

private:
    using Clock = std::chrono::steady_clock;
    void Add(std::string line);
    void AfterAction();  // waits for idle, then the captions that came and went; writes the file
    void Write();

    Device& device_;
    std::string file_;
    std::mutex mutex_;
    std::vector<std::string> lines_;
    std::vector<std::string> captions_;
    bool haveCaptions_ = false;
    bool typing_ = false;  // the last line is a type line still growing
    std::string typed_;
    // The touch in progress.
    bool down_ = false;
    ScreenPoint downAt_;
    std::string target_;
    Clock::time_point downTime_;
    bool dragging_ = false;
    std::vector<std::string> moves_;
    // The last tap, for double taps.
    std::string lastTap_;
    Clock::time_point lastTapTime_;
};

}  // namespace ce::host
