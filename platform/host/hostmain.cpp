// The emulator host's main sequence.
#include "hostmain.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <thread>

#include "boot.h"
#include "ce_gdi.h"
#include "ce_kernel.h"
#include "frontend.h"
#include "options.h"
#include "runner.h"

namespace ce::host {

namespace {

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
        std::printf("%s\n", Usage(program).c_str());
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

    std::string error;
    if (!BootDevice(options.boot, error)) {
        std::fprintf(stderr, "%s: %s\n", program.c_str(), error.c_str());
        return 1;
    }

    // The LCD at rotation 0, turned as the display driver last left it.
    gdi::ScreenMode mode;
    mode.width = options.width;
    mode.height = options.height;
    int rotation = hooks.rotation ? hooks.rotation() : 0;
    if (rotation == 90 || rotation == 270) std::swap(mode.width, mode.height);
    gdi::Screen::SetMode(mode);

    HostSignal signal;
    ProgramState state;
    std::atomic<bool> parked{false};  // the program thread can never be joined
    SetRestartHandler([&] {
        // The device goes down at once: nothing after the request runs.
        std::printf("device restart\n");
        std::fflush(stdout);
        parked = true;
        state.MarkEnded(3);
        signal.Notify();
        for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
    });

    std::unique_ptr<Desktop> desktop = hooks.makeDesktop ? hooks.makeDesktop() : nullptr;
    if (!desktop) desktop = std::make_unique<NullDesktop>();
    HostDevice device(*desktop, state, hooks.rotation);

    std::unique_ptr<SdlFrontEnd> window;
    if (!options.headless) {
        std::string why = "no display";
        if (DisplayAvailable()) window = SdlFrontEnd::Open(program, options.scale, why);
        if (!window) std::fprintf(stderr, "%s: %s; running headless\n", program.c_str(), why.c_str());
    }

    std::thread programThread([&] {
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
        if (!script) return state.Ended();
        if (!scriptDone) return false;
        return state.Ended() || std::chrono::steady_clock::now() - quitAsked > kQuitGrace;
    };
    if (window)
        window->Run(device, done);
    else
        RunHeadless(signal, done);
    window.reset();

    int status = state.Status();
    if (script) {
        runnerThread.join();
        status = scriptResult.status;
        if (!scriptResult.message.empty())
            std::fprintf(stderr, "%s: %s\n", program.c_str(), scriptResult.message.c_str());
    }
    SetRestartHandler(nullptr);
    if (parked || !state.Ended()) {
        // The program's thread is stopped (restart) or did not end when
        // asked: the process ends without waiting for it.
        std::fflush(nullptr);
        std::_Exit(status);
    }
    programThread.join();
    ShutdownDevice();
    return status;
}

}  // namespace ce::host
