// The emulator host's main sequence.
#include "hostmain.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <thread>

#include "boot.h"
#include "ce_gdi.h"
#include "ce_kernel.h"
#include "frontend.h"
#include "options.h"
#include "runner.h"
#include "winioctl.h"
#include "winuser.h"

namespace ce::host {

namespace {

// The emulator's rotate control: the next quarter turn, asked of the display
// driver as a program of the device would ask (the driver logs it).
void TurnScreen(int degrees) {
    DEVMODEW mode{};
    mode.dmSize = sizeof mode;
    mode.dmFields = DM_DISPLAYORIENTATION;
    switch ((degrees + 90) % 360) {
        case 90:
            mode.dmDisplayOrientation = DMDO_90;
            break;
        case 180:
            mode.dmDisplayOrientation = DMDO_180;
            break;
        case 270:
            mode.dmDisplayOrientation = DMDO_270;
            break;
        default:
            mode.dmDisplayOrientation = DMDO_0;
    }
    ChangeDisplaySettingsEx(nullptr, &mode, nullptr, 0, nullptr);
}

// The LCD at rotation 0, turned as the display driver last left it.
void SetScreenMode(const HostOptions& options, const HostHooks& hooks) {
    gdi::ScreenMode mode;
    mode.width = options.width;
    mode.height = options.height;
    int rotation = hooks.rotation ? hooks.rotation() : 0;
    if (rotation == 90 || rotation == 270) std::swap(mode.width, mode.height);
    gdi::Screen::SetMode(mode);
}

// How long the host waits for the program to end after asking it to.
constexpr Millis kQuitGrace{5000};

}  // namespace

int Run(int argc, char** argv, ProgramEntry entry, const HostHooks& hooks) {
    ParsedOptions parsed = ParseOptions(argc, argv);
    std::string program = ProgramName(argc > 0 ? argv[0] : nullptr);
    if (!parsed.ok()) {
        std::fprintf(stderr, "%s\n", parsed.error.c_str());
        return 2;
    }
    const HostOptions& options = parsed.options;
    if (options.help) {
        std::printf("%s", Help(program).c_str());
        return 0;
    }

    std::optional<Script> script;
    if (!options.script.empty()) {
        script.emplace();
        std::string error;
        if (!LoadScript(options.script, *script, error)) {
            std::fprintf(stderr, "%s: %s\n", program.c_str(), error.c_str());
            return 2;
        }
    }

    // Where the screen goes. Without a window and without a script nothing
    // could ever drive the program: say what to do instead of running on.
    std::string noDisplay;
    if (!options.headless) noDisplay = DisplayAvailable() ? ProbeDisplay() : "no display (DISPLAY is not set)";
    if (!script && (options.headless || !noDisplay.empty())) {
        std::string why = options.headless ? "--headless without --script" : noDisplay;
        std::fprintf(stderr,
                     "%s: %s: nothing would drive the program; run it on a display, or give --script FILE "
                     "(see --help)\n",
                     program.c_str(), why.c_str());
        return 2;
    }
    if (!noDisplay.empty())
        std::fprintf(stderr, "%s: %s; running the script headless\n", program.c_str(), noDisplay.c_str());

    std::string error;
    const std::filesystem::path imageDir = options.boot.deviceDir.empty() ? "device" : options.boot.deviceDir;
    if (!BootDevice(options.boot, error)) {
        std::fprintf(stderr, "%s: %s\n", program.c_str(), error.c_str());
        return 2;  // an unusable device image
    }

    SetScreenMode(options, hooks);
    std::unique_ptr<SdlFrontEnd> window;
    if (!options.headless && noDisplay.empty()) {
        std::string why;
        window = SdlFrontEnd::Open(program, options.scale, why);
        if (!window && !script) {
            std::fprintf(stderr, "%s: %s\n", program.c_str(), why.c_str());
            ShutdownDevice();
            return 2;
        }
        if (!window) std::fprintf(stderr, "%s: %s; running the script headless\n", program.c_str(), why.c_str());
    }
    // A person at the window sees the device restart in it; a script or a
    // headless run ends with the restart (status 3).
    const bool rebootInPlace = window && !script;

    HostSignal signal;
    for (;;) {
        // One run of the device, from boot to power off or restart. The
        // program's lifetime stays allocated: a thread stopped by a restart
        // may still refer to it.
        ProgramState& state = *new ProgramState;
        std::atomic<bool> parked{false};  // the program thread can never be joined
        std::atomic<bool> rebooting{false};
        std::atomic<bool> poweredOff{false};
        auto restart = [&] {
            std::printf("device restart\n");
            std::fflush(stdout);
            parked = true;
            rebooting = rebootInPlace;
            state.MarkEnded(3);
            signal.Notify();
        };
        SetRestartHandler([&] {
            // The device goes down at once: nothing after the request runs.
            restart();
            for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
        });

        std::unique_ptr<Desktop> desktop = hooks.makeDesktop ? hooks.makeDesktop() : nullptr;
        if (!desktop) desktop = std::make_unique<NullDesktop>();
        HostDevice device(*desktop, state, hooks.rotation);

        if (window) {
            EmulatorControls controls;
            controls.rotate = [&] { TurnScreen(hooks.rotation ? hooks.rotation() : 0); };
            controls.toggleCard = [&] {
                if (Image().storageCard.empty()) return;  // this device has no card slot
                bool in = !StorageCardInserted();
                SetStorageCardInserted(in);
                LogDevice(std::string("\"dev\":\"storage_card\",\"inserted\":") + (in ? "true" : "false"));
                device.StorageCardChanged(in);
            };
            controls.powerOff = [&] {
                // The power switch: the device stops where it is, whatever
                // dialog is open; nothing of the program runs any more.
                LogDevice("\"dev\":\"power\",\"state\":\"off\"");
                poweredOff = true;
                parked = true;
                state.MarkEnded(0);
                signal.Notify();
            };
            controls.reset = [&] {
                LogDevice("\"dev\":\"HAL\",\"request\":\"reset\"");
                // The program's own thread stops itself, between two of its
                // messages; a program without a window yet is stopped here.
                if (!desktop->RequestRestart()) restart();
            };
            controls.title = [&, imageDir](int zoom) {
                gdi::ScreenMode m = gdi::Screen::Mode();
                std::string card = Image().storageCard.empty() ? "no card slot"
                                   : StorageCardInserted()     ? "card in"
                                                               : "card out";
                return program + " - " + imageDir.string() + " - " + std::to_string(m.width) + "x" +
                       std::to_string(m.height) + " - " + std::to_string(hooks.rotation ? hooks.rotation() : 0) +
                       " degrees - zoom " + std::to_string(zoom) + " - " + card;
            };
            window->SetControls(std::move(controls));
        }

        std::thread programThread([&state, &signal, entry] {
            int status = entry();
            state.MarkEnded(status);
            signal.Notify();
        });

        std::atomic<bool> scriptDone{false};
        ScriptResult scriptResult;
        std::chrono::steady_clock::time_point quitAsked{};
        std::thread runnerThread;
        if (script) {
            runnerThread = std::thread([&] {
                ScriptResult result = RunScript(*script, device);
                quitAsked = std::chrono::steady_clock::now();
                // Done or failed: the program ends now, closed as its user would
                // close it, one top-level window after the other (a message box,
                // the dialog under it, the main window), each once the program
                // has handled the previous close. The first close waits, as every
                // step does, until the program has handled the script's last
                // step and is idle.
                device.WaitIdle(Millis{1000});
                while (!state.Ended() && std::chrono::steady_clock::now() - quitAsked < kQuitGrace) {
                    device.RequestQuit();
                    device.WaitIdle(Millis{1000});
                    if (!state.Ended()) device.WaitExit(Millis{50});
                }
                scriptResult = result;
                scriptDone = true;
                signal.Notify();
            });
        }

        auto done = [&] {
            device.Backlight();  // the backlight driver notices its time-out
            if (!script || poweredOff) return state.Ended();
            if (!scriptDone) return false;
            return state.Ended() || std::chrono::steady_clock::now() - quitAsked > kQuitGrace;
        };
        if (window)
            window->Run(device, done);
        else
            RunHeadless(signal, done);

        if (rebooting) {
            // The same window shows the device starting again: the stopped
            // program is forgotten, the image boots (a staged registry
            // replacement is applied) and the program starts anew. The card
            // stays as the person left it.
            SetRestartHandler(nullptr);
            programThread.detach();
            bool cardIn = StorageCardInserted();
            if (hooks.restartWindowSystem) hooks.restartWindowSystem();
            ShutdownDevice();
            std::string why;
            if (!BootDevice(options.boot, why)) {
                std::fprintf(stderr, "%s: %s\n", program.c_str(), why.c_str());
                std::fflush(nullptr);
                std::_Exit(1);
            }
            if (!cardIn) SetStorageCardInserted(false);
            SetScreenMode(options, hooks);
            continue;
        }
        window.reset();

        int status = state.Status();
        if (script && !poweredOff) {
            runnerThread.join();
            status = scriptResult.status;
            if (!scriptResult.message.empty())
                std::fprintf(stderr, "%s: %s\n", program.c_str(), scriptResult.message.c_str());
        }
        SetRestartHandler(nullptr);
        if (parked || !state.Ended()) {
            // The program's thread is stopped (restart, power off) or did
            // not end when asked: the process ends without waiting for it.
            std::fflush(nullptr);
            std::_Exit(status);
        }
        programThread.join();
        ShutdownDevice();
        delete &state;
        return status;
    }
}

}  // namespace ce::host
