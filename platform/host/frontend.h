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

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "device.h"

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

// The SDL2 window. Shows ce::gdi::Screen enlarged `scale` times (nearest
// pixel), presents again when Screen::Changes() moves, follows the screen's
// size (rotation), turns the left mouse button into the stylus and keys into
// key events, and asks the program to end when its close button is pressed.
class SdlFrontEnd {
public:
    // Null with a one-line reason when SDL's video cannot start.
    static std::unique_ptr<SdlFrontEnd> Open(const std::string& title, int scale, std::string& error);
    ~SdlFrontEnd();
    SdlFrontEnd(const SdlFrontEnd&) = delete;
    SdlFrontEnd& operator=(const SdlFrontEnd&) = delete;

    // The event loop: until `done()`, handles window events and presents
    // screen changes. Close requests go to device.RequestQuit().
    void Run(Device& device, const std::function<bool()>& done);
    // One round of the loop: waits up to `wait` for an event, handles every
    // pending one and presents the screen when it changed.
    void Pump(Device& device, Millis wait);
    // Presents the screen now when it changed since the last time.
    void PresentIfChanged();
    // What the window shows, as XRGB8888 (for tests).
    std::vector<uint32_t> WindowPixels(int& width, int& height) const;
    int scale() const { return scale_; }
    uint64_t presents() const { return presents_; }

private:
    SdlFrontEnd() = default;
    void HandleEvent(Device& device, const void* event);

    void* window_ = nullptr;  // SDL_Window
    int scale_ = 1;
    int width_ = 0, height_ = 0;  // the screen's size as last presented
    uint64_t changes_ = ~uint64_t{0};
    uint64_t presents_ = 0;
    bool stylusDown_ = false;
};

// Win32 virtual key and character of an SDL key (US layout); vk 0 when the
// key has none. Exposed for tests.
struct KeyMapping {
    unsigned vk = 0;
    char16_t ch = 0;
};
KeyMapping MapSdlKey(int32_t sdlKey, unsigned modifiers);

}  // namespace ce::host
