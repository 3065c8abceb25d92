// The script runner.
#include "runner.h"

#include <fstream>

#include "screenshot.h"

namespace ce::host {

namespace {

class Runner {
public:
    Runner(const Script& script, Device& device, const RunnerOptions& options)
        : script_(script), device_(device), options_(options) {}

    ScriptResult Run() {
        for (const Step& step : script_.steps) {
            if (device_.ProgramEnded() && step.command != Command::WaitExit)
                return Fail(step, "the program ended before this step: " + step.source);
            if (step.command != Command::WaitExit && !device_.WaitIdle(options_.idleTimeout)) {
                if (device_.ProgramEnded()) return Fail(step, "the program ended before this step: " + step.source);
                return Fail(step, "the device did not become idle within " + Ms(options_.idleTimeout));
            }
            std::string why;
            if (!Execute(step, why)) {
                bool fileStep = step.command == Command::Screenshot || step.command == Command::Dump;
                if (!fileStep && step.command != Command::WaitExit && device_.ProgramEnded())
                    return Fail(step, "the program ended before this step: " + step.source);
                return Fail(step, why);
            }
        }
        ScriptResult result;
        if (!script_.steps.empty() && script_.steps.back().command == Command::WaitExit) {
            result.status = device_.ExitStatus();
        } else {
            result.quitProgram = !device_.ProgramEnded();
        }
        return result;
    }

private:
    static std::string Ms(Millis ms) { return std::to_string(ms.count()) + " ms"; }

    ScriptResult Fail(const Step& step, const std::string& why) const {
        return {1, script_.name + ":" + std::to_string(step.line) + ": " + why, false};
    }

    Millis WaitTime(const Step& step) const { return step.ms >= 0 ? Millis(step.ms) : options_.defaultWait; }

    bool Resolve(const Target& target, ScreenPoint& point, std::string& why) {
        switch (target.kind) {
            case Target::Kind::Point:
                point = {target.x, target.y};
                return true;
            case Target::Kind::Text:
                if (auto found = device_.FindText(target.text)) {
                    point = *found;
                    return true;
                }
                why = "\"" + target.text + "\" is not visible";
                return false;
            case Target::Kind::Control:
                if (auto found = device_.FindControl(target.id)) {
                    point = *found;
                    return true;
                }
                why = "no control #" + std::to_string(target.id) + " in the active window";
                return false;
        }
        return false;
    }

    void Key(const KeyStroke& key) {
        // Modifier keys go down before the key and up after it, as typed.
        static constexpr struct { unsigned bit, vk; } kMods[] = {{kCtrl, 0x11}, {kAlt, 0x12}, {kShift, 0x10}};
        unsigned held = 0;
        for (auto m : kMods) {
            if (key.modifiers & m.bit) {
                held |= m.bit;
                device_.InjectKey(m.vk, true, held, 0);
            }
        }
        device_.InjectKey(key.vk, true, held, key.ch);
        device_.InjectKey(key.vk, false, held, 0);
        for (int i = 2; i >= 0; --i) {
            if (key.modifiers & kMods[i].bit) {
                held &= ~kMods[i].bit;
                device_.InjectKey(kMods[i].vk, false, held, 0);
            }
        }
    }

    // Polls for a text until it is (or is no longer) visible.
    bool WaitText(const Step& step, bool visible, std::string& why) {
        auto deadline = std::chrono::steady_clock::now() + WaitTime(step);
        for (;;) {
            if (device_.FindText(step.target.text).has_value() == visible) return true;
            if (device_.ProgramEnded()) {
                why = "the program ended while waiting for \"" + step.target.text + "\"" + (visible ? "" : " to go");
                return false;
            }
            if (std::chrono::steady_clock::now() >= deadline) {
                why = "\"" + step.target.text + "\" " + (visible ? "not visible" : "still visible") + " after " +
                      Ms(WaitTime(step));
                return false;
            }
            device_.WaitExit(options_.pollInterval);
            device_.WaitIdle(options_.idleTimeout);
        }
    }

    bool Execute(const Step& step, std::string& why) {
        ScreenPoint p;
        switch (step.command) {
            case Command::Tap:
                if (!Resolve(step.target, p, why)) return false;
                device_.InjectPointer(PointerKind::Down, p.x, p.y, 0);
                device_.InjectPointer(PointerKind::Up, p.x, p.y, 0);
                return true;
            case Command::DblTap:
                // The four events go out back to back: both taps fall within the
                // double-click time and on the same spot.
                if (!Resolve(step.target, p, why)) return false;
                for (int i = 0; i < 2; ++i) {
                    if (i && options_.doubleClickGap.count()) device_.WaitExit(options_.doubleClickGap);
                    device_.InjectPointer(PointerKind::Down, p.x, p.y, 0);
                    device_.InjectPointer(PointerKind::Up, p.x, p.y, 0);
                }
                return true;
            case Command::Hold:
                if (!Resolve(step.target, p, why)) return false;
                device_.InjectPointer(PointerKind::Down, p.x, p.y, 0);
                device_.WaitExit(Millis(step.ms));
                device_.InjectPointer(PointerKind::Up, p.x, p.y, 0);
                return true;
            case Command::Press:
            case Command::Move:
            case Command::Release: {
                if (!Resolve(step.target, p, why)) return false;
                PointerKind kind = step.command == Command::Press  ? PointerKind::Down
                                   : step.command == Command::Move ? PointerKind::Move
                                                                   : PointerKind::Up;
                device_.InjectPointer(kind, p.x, p.y, 0);
                return true;
            }
            case Command::Key:
                Key(step.key);
                return true;
            case Command::Type:
                for (char16_t ch : Utf16(step.text)) Key(KeyForChar(ch));
                return true;
            case Command::Wait:
                return WaitText(step, true, why);
            case Command::WaitGone:
                return WaitText(step, false, why);
            case Command::Idle:
                return true;  // done by the wait every step begins with
            case Command::Sleep:
                device_.WaitExit(Millis(step.ms));
                return true;
            case Command::WaitExit:
                if (!device_.WaitExit(WaitTime(step))) {
                    why = "the program did not end within " + Ms(WaitTime(step));
                    return false;
                }
                return true;
            case Command::Screenshot:
                return options_.screenshot ? options_.screenshot(step.text, why) : WriteScreenPng(step.text, why);
            case Command::Dump: {
                std::string json = device_.DumpJson();
                if (options_.writeFile) return options_.writeFile(step.text, json, why);
                std::ofstream out(step.text, std::ios::binary | std::ios::trunc);
                out << json;
                out.close();
                if (!out) {
                    why = step.text + ": cannot write the dump";
                    return false;
                }
                return true;
            }
        }
        return false;
    }

    const Script& script_;
    Device& device_;
    const RunnerOptions& options_;
};

}  // namespace

ScriptResult RunScript(const Script& script, Device& device, const RunnerOptions& options) {
    return Runner(script, device, options).Run();
}

}  // namespace ce::host
