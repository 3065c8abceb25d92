// The emulator host's main sequence.
#include "hostmain.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <thread>

#include "boot.h"
#include "ce_gdi.h"
#include "ce_kernel.h"
#include "control.h"
#include "frontend.h"
#include "options.h"
#include "recorder.h"
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
    const bool driven = script || !options.control.empty();
    if (!driven && (options.headless || !noDisplay.empty())) {
        std::string why = options.headless ? "--headless without --script or --control" : noDisplay;
        std::fprintf(stderr,
                     "%s: %s: nothing would drive the program; run it on a display, or give --script FILE or "
                     "--control SOCKET (see --help)\n",
                     program.c_str(), why.c_str());
        return 2;
    }
    if (!noDisplay.empty() && !options.headless)
        std::fprintf(stderr, "%s: %s; running headless\n", program.c_str(), noDisplay.c_str());

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
        if (!window && !driven) {
            std::fprintf(stderr, "%s: %s\n", program.c_str(), why.c_str());
            ShutdownDevice();
            return 2;
        }
        if (!window) std::fprintf(stderr, "%s: %s; running headless\n", program.c_str(), why.c_str());
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
        HostDevice hostDevice(*desktop, state, hooks.rotation);
        // Every source of input goes through the recorder when there is one.
        std::unique_ptr<Recorder> recorder;
        if (!options.record.empty()) {
            recorder = std::make_unique<Recorder>(hostDevice, options.record);
            if (!recorder->Start(error)) {
                std::fprintf(stderr, "%s: %s\n", program.c_str(), error.c_str());
                SetRestartHandler(nullptr);
                ShutdownDevice();
                return 2;
            }
        }
        Device& device = recorder ? static_cast<Device&>(*recorder) : hostDevice;

        // Closes the program as its user would, one top-level window after
        // the other (a message box, the dialog under it, the main window),
        // each once the program has handled the previous close. The first
        // close waits, as every step does, until the program has handled the
        // last input and is idle. Gives up after kQuitGrace.
        std::atomic<bool> quitting{false};
        std::chrono::steady_clock::time_point quitAsked{};
        auto closeProgram = [&] {
            quitAsked = std::chrono::steady_clock::now();
            quitting = true;
            device.WaitIdle(Millis{1000});
            while (!state.Ended() && std::chrono::steady_clock::now() - quitAsked < kQuitGrace) {
                device.RequestQuit();
                device.WaitIdle(Millis{1000});
                if (!state.Ended()) device.WaitExit(Millis{50});
            }
        };

        // Live automation: a client's "quit" ends the program as a script's end does.
        std::atomic<bool> controlDone{false};
        std::unique_ptr<ControlServer> control;
        if (!options.control.empty()) {
            control = ControlServer::Open(
                options.control, device, {},
                [&] {
                    closeProgram();
                    controlDone = true;
                    signal.Notify();
                },
                error);
            if (!control) {
                std::fprintf(stderr, "%s: %s\n", program.c_str(), error.c_str());
                SetRestartHandler(nullptr);
                ShutdownDevice();
                return 2;
            }
        }

        if (window) {
            EmulatorControls controls;
            controls.rotate = [&] { TurnScreen(hooks.rotation ? hooks.rotation() : 0); };
            controls.toggleCard = [&] {
                if (Image().storageCard.empty()) return;  // this device has no card slot
                bool in = !StorageCardInserted();
                SetStorageCardInserted(in);
                LogDevice({{"dev", "storage_card"}, {"inserted", in}});
                device.StorageCardChanged(in);
            };
            controls.powerOff = [&] {
                // The power switch: the device stops where it is, whatever
                // dialog is open; nothing of the program runs any more.
                LogDevice({{"dev", "power"}, {"state", "off"}});
                poweredOff = true;
                parked = true;
                state.MarkEnded(0);
                signal.Notify();
            };
            controls.reset = [&] {
                LogDevice({{"dev", "HAL"}, {"request", "reset"}});
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
        std::thread runnerThread;
        if (script) {
            runnerThread = std::thread([&] {
                ScriptResult result = RunScript(*script, device);
                closeProgram();  // done or failed: the program ends now
                scriptResult = result;
                scriptDone = true;
                signal.Notify();
            });
        }

        auto done = [&] {
            device.Backlight();  // the backlight driver notices its time-out
            bool closed = state.Ended() || (quitting && std::chrono::steady_clock::now() - quitAsked > kQuitGrace);
            if (poweredOff) return state.Ended();
            if (script) return scriptDone && closed;
            return state.Ended() || (controlDone && closed);
        };
        if (window)
            window->Run(device, done);
        else
            RunHeadless(signal, done);

        control.reset();
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
        if (controlDone && !parked) status = 0;  // ended by the client's quit, as a script's end
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
