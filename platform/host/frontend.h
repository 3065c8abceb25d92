// The front ends of the emulator: what shows the screen and feeds input.
//
// Threads. SDL wants its window and event pump on the process's main thread,
// so the host keeps the main thread for the front end and runs the program's
// entry (WinMain / the MFC application) on a thread of its own; the window
// system keeps its queues per thread and does not care which thread that is.
// The front end only reads ce::gdi::Screen (under the drawing lock) and feeds
// input through Device, which posts to the program's queues. Nothing of the
// window system is called on the main thread except through Device.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "device.h"
#include "options.h"

namespace ce::host {

// Wakes a waiting front end when the program or the script has finished.
class HostSignal {
public:
    void Notify();
    // Until `done()` holds; checks it at least every `period`.
    void WaitUntil(const std::function<bool()>& done, Millis period);

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    uint64_t generation_ = 0;
};

// Headless: nothing is shown; the main thread waits until `done()`.
void RunHeadless(HostSignal& signal, const std::function<bool()>& done);

// True when a display may be there: DISPLAY or WAYLAND_DISPLAY is set, or
// SDL_VIDEODRIVER names a driver explicitly (offscreen in tests).
bool DisplayAvailable();
// Empty when SDL's video starts on the display the environment names, else
// one line naming that display and why it cannot be reached.
std::string ProbeDisplay();

// What the emulator's own controls act on besides the window. Each may be
// empty (the control then does nothing).
struct EmulatorControls {
    std::function<void()> rotate;      // the display driver turns the screen by 90 degrees
    std::function<void()> reset;       // the device restarts
    std::function<void()> toggleCard;  // the storage card goes out or comes in
    std::function<void()> powerOff;    // the close button (empty: the program is asked to end)
    // The window's title for a zoom factor: program, image, size, rotation,
    // zoom, card.
    std::function<std::string(int zoom)> title;
};

// The SDL2 window. Shows ce::gdi::Screen enlarged `scale` times (nearest
// pixel) as the LCD shows it: dimmed by the backlight level and black while
// the backlight is off; presents again when Screen::Changes() moves or the
// backlight changes; follows the screen's size (rotation) and stays on the
// desktop; turns the left mouse button into the stylus and keys into key
// events, except Right Ctrl + a letter, which are the emulator's own
// controls (options.h), never the program's.
class SdlFrontEnd {
public:
    // Null with a one-line reason when SDL's video cannot start.
    static std::unique_ptr<SdlFrontEnd> Open(const std::string& program, int scale, std::string& error);
    ~SdlFrontEnd();
    SdlFrontEnd(const SdlFrontEnd&) = delete;
    SdlFrontEnd& operator=(const SdlFrontEnd&) = delete;

    void SetControls(EmulatorControls controls);
    // The event loop: until `done()`, handles window events and presents
    // screen changes.
    void Run(Device& device, const std::function<bool()>& done);
    // One round of the loop: waits up to `wait` for an event, handles every
    // pending one and presents the screen when it or the backlight changed.
    void Pump(Device& device, Millis wait);
    // Presents the screen now when it (or `light`) changed since the last time.
    void PresentIfChanged(const BacklightView& light = {});
    // One of the emulator's controls, as its key does it.
    void Act(EmulatorAction action);
    // What the window shows, as XRGB8888 (for tests).
    std::vector<uint32_t> WindowPixels(int& width, int& height) const;
    int scale() const { return scale_; }
    uint64_t presents() const { return presents_; }
    bool helpShown() const { return help_; }
    std::string Title() const;
    void WindowRect(int& x, int& y, int& w, int& h) const;
    void MoveWindow(int x, int y);  // as a person drags it
    // The file the last screenshot went to (empty: none yet, or it failed).
    const std::string& lastScreenshot() const { return lastShot_; }

private:
    SdlFrontEnd() = default;
    void HandleEvent(Device& device, const void* event);
    bool HandleHostKey(const void* event);
    void Resize();  // the window to the screen's size times the zoom, kept on the desktop
    void UpdateTitle();
    void Screenshot();
    void DrawHelp(void* surface);
    void ShareClipboard(Device& device);

    void* window_ = nullptr;  // SDL_Window
    std::string program_;
    EmulatorControls controls_;
    int scale_ = 1;
    int width_ = 0, height_ = 0;  // the screen's size as last presented
    uint64_t changes_ = ~uint64_t{0};
    BacklightView light_;
    uint64_t presents_ = 0;
    bool stylusDown_ = false;
    bool hostKey_ = false;  // Right Ctrl is held
    bool help_ = false;
    std::vector<uint32_t> helpPixels_;  // the help overlay, drawn once
    int helpWidth_ = 0, helpHeight_ = 0;
    std::string lastShot_;
    std::chrono::steady_clock::time_point titleAt_{};
    uint64_t clipboardChanges_ = 0;
    bool desktopClipboardChanged_ = true;  // read the desktop's text once at the start
};

// Win32 virtual key and character of an SDL key (US layout); vk 0 when the
// key has none. Exposed for tests.
struct KeyMapping {
    unsigned vk = 0;
    char16_t ch = 0;
};
KeyMapping MapSdlKey(int32_t sdlKey, unsigned modifiers);

}  // namespace ce::host
