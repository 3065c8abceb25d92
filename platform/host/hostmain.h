// The emulator host: what main() of a device program calls.
//
//   int main(int argc, char** argv) {
//       return ce::host::Run(argc, argv, [] { return WinMain(...); }, hooks);
//   }
//
// Run reads the command line, boots the device image, sets the screen mode,
// opens the front end (SDL2 window, or headless), runs the program's entry on
// a thread of its own and, with --script, the automation script on another;
// the main thread keeps the front end (see frontend.h). Exit status: 2 for a
// bad command line or script, 1 when the image cannot boot or the script
// fails, else the script's or the program's status (3 after a device restart).
#pragma once

#include <functional>
#include <memory>

#include "device.h"

namespace ce::host {

using ProgramEntry = std::function<int()>;

// What the rest of the platform plugs into the host.
struct HostHooks {
    // The window system's side of the Device (see device.h); called once the
    // device has booted and the screen exists, on the main thread. Null (or a
    // null result): NullDesktop — the program runs but scripts can only
    // sleep, wait for its end and take screenshots.
    std::function<std::unique_ptr<Desktop>()> makeDesktop;
    // The display's rotation in degrees as the display driver keeps it in the
    // image (read at boot to size the screen, and for dumps). Null: 0.
    std::function<int()> rotation;
    // A restart in place (a window and no script): the window system forgets
    // the stopped program before the device boots again. Null: nothing.
    std::function<void()> restartWindowSystem;
};

int Run(int argc, char** argv, ProgramEntry entry, const HostHooks& hooks = {});

}  // namespace ce::host
