// The table of script commands and their handlers.
#include "commands.h"

#include <cstdio>
#include <fstream>

#include "ce_kernel.h"
#include "runner.h"
#include "screenshot.h"

namespace ce::host {

namespace {

std::string Ms(Millis ms) {
    return std::to_string(ms.count()) + " ms";
}

void Tap(Device& device, ScreenPoint p) {
    device.InjectPointer(PointerKind::Down, p.x, p.y, 0);
    device.InjectPointer(PointerKind::Up, p.x, p.y, 0);
}

bool RunTap(StepContext& c, const Step& step, std::string& why) {
    ScreenPoint p;
    if (!c.Resolve(step.target, p, why)) return false;
    Tap(c.device, p);
    return true;
}

// The four events go out back to back: both taps fall within the
// double-click time and on the same spot.
bool RunDblTap(StepContext& c, const Step& step, std::string& why) {
    ScreenPoint p;
    if (!c.Resolve(step.target, p, why)) return false;
    Tap(c.device, p);
    if (c.options.doubleClickGap.count()) c.device.WaitExit(c.options.doubleClickGap);
    Tap(c.device, p);
    return true;
}

bool RunHold(StepContext& c, const Step& step, std::string& why) {
    ScreenPoint p;
    if (!c.Resolve(step.target, p, why)) return false;
    c.device.InjectPointer(PointerKind::Down, p.x, p.y, 0);
    c.device.WaitExit(Millis(step.ms));
    c.device.InjectPointer(PointerKind::Up, p.x, p.y, 0);
    return true;
}

template <PointerKind kKind>
bool RunPointer(StepContext& c, const Step& step, std::string& why) {
    ScreenPoint p;
    if (!c.Resolve(step.target, p, why, false)) return false;
    c.device.InjectPointer(kKind, p.x, p.y, 0);
    return true;
}

bool RunKey(StepContext& c, const Step& step, std::string&) {
    c.Key(step.key);
    return true;
}

bool RunType(StepContext& c, const Step& step, std::string&) {
    for (char16_t ch : FromUtf8(step.text)) c.Key(KeyForChar(ch));
    return true;
}

bool RunWait(StepContext& c, const Step& step, std::string& why) {
    return c.WaitText(step.text, c.WaitTime(step), true, why);
}

bool RunWaitGone(StepContext& c, const Step& step, std::string& why) {
    return c.WaitText(step.text, c.WaitTime(step), false, why);
}

bool RunIdle(StepContext&, const Step&, std::string&) {
    return true;  // done by the wait every step begins with
}

bool RunSleep(StepContext& c, const Step& step, std::string&) {
    c.device.WaitExit(Millis(step.ms));
    return true;
}

bool RunWaitExit(StepContext& c, const Step& step, std::string& why) {
    if (c.device.WaitExit(c.WaitTime(step))) return true;
    why = "the program did not end within " + Ms(c.WaitTime(step));
    return false;
}

bool RunScreenshot(StepContext& c, const Step& step, std::string& why) {
    return c.options.screenshot ? c.options.screenshot(step.text, why) : WriteScreenPng(step.text, why);
}

bool RunDump(StepContext& c, const Step& step, std::string& why) {
    return c.Write(step.text, c.device.DumpJson(), why);
}

constexpr CommandSpec kCommands[] = {
    {"tap", {Arg::Target}, 0, RunTap, "touch and lift"},
    {"dbltap", {Arg::Target}, 0, RunDblTap, "two taps within the double-click time"},
    {"hold", {Arg::Target, Arg::Ms}, 0, RunHold, "touch, keep the stylus down MS, lift"},
    {"press", {Arg::Target}, 0, RunPointer<PointerKind::Down>, "put the stylus down"},
    {"move", {Arg::Target}, 0, RunPointer<PointerKind::Move>, "move the stylus held down"},
    {"release", {Arg::Target}, 0, RunPointer<PointerKind::Up>, "lift the stylus"},
    {"key", {Arg::Key}, 0, RunKey, "press and release a key"},
    {"type", {Arg::AnyText}, 0, RunType, "characters typed into the focused control"},
    {"wait", {Arg::Text, Arg::OptionalMs}, 0, RunWait, "until the text is visible"},
    {"wait-gone", {Arg::Text, Arg::OptionalMs}, 0, RunWaitGone, "until the text is no longer visible"},
    {"idle", {}, 0, RunIdle, "until every input is handled and painted"},
    {"sleep", {Arg::Ms}, 0, RunSleep, "wait MS"},
    {"wait-exit", {Arg::OptionalMs}, kRunsAfterEnd, RunWaitExit, "until the program has ended"},
    {"screenshot", {Arg::PngFile}, kOwnFailure, RunScreenshot, "the whole screen as a PNG file"},
    {"dump", {Arg::JsonFile}, kOwnFailure, RunDump, "the state of every window as JSON (-: the output)"},
};

}  // namespace

std::span<const CommandSpec> Commands() {
    return kCommands;
}

const CommandSpec* FindCommand(std::string_view name) {
    for (const CommandSpec& c : kCommands)
        if (c.name == name) return &c;
    return nullptr;
}

std::string CommandUsage(const CommandSpec& command) {
    std::string out(command.name);
    for (Arg a : command.args) {
        switch (a) {
            case Arg::None:
                break;
            case Arg::Target:
                out += " TARGET";
                break;
            case Arg::Ms:
                out += " MS";
                break;
            case Arg::OptionalMs:
                out += " [MS]";
                break;
            case Arg::Key:
                out += " KEY";
                break;
            case Arg::Text:
            case Arg::AnyText:
                out += " \"TEXT\"";
                break;
            case Arg::PngFile:
                out += " FILE.png";
                break;
            case Arg::JsonFile:
                out += " FILE.json";
                break;
        }
    }
    return out;
}

bool StepContext::Resolve(const Target& target, ScreenPoint& point, std::string& why, bool mustReach) {
    switch (target.kind) {
        case Target::Kind::Point:
            point = {target.x, target.y};
            return true;
        case Target::Kind::Text:
            if (auto found = device.FindText(target.text)) {
                // A touch there must reach what shows the text.
                if (std::string passes = mustReach ? device.TouchPassesAt(*found) : ""; !passes.empty()) {
                    why = "\"" + target.text + "\" is shown where a touch does not reach it: " + passes;
                    return false;
                }
                point = *found;
                return true;
            }
            why = "\"" + target.text + "\" is not visible";
            return false;
        case Target::Kind::Control:
            if (auto found = device.FindControl(target.id)) {
                point = *found;
                return true;
            }
            why = "no control #" + std::to_string(target.id) + " in the active window";
            return false;
    }
    return false;
}

void StepContext::Key(const KeyStroke& key) {
    static constexpr struct { unsigned bit, vk; } kMods[] = {{kCtrl, 0x11}, {kAlt, 0x12}, {kShift, 0x10}};
    unsigned held = 0;
    for (auto m : kMods) {
        if (key.modifiers & m.bit) {
            held |= m.bit;
            device.InjectKey(m.vk, true, held, 0);
        }
    }
    device.InjectKey(key.vk, true, held, key.ch);
    device.InjectKey(key.vk, false, held, 0);
    for (int i = 2; i >= 0; --i) {
        if (key.modifiers & kMods[i].bit) {
            held &= ~kMods[i].bit;
            device.InjectKey(kMods[i].vk, false, held, 0);
        }
    }
}

bool StepContext::WaitText(const std::string& text, Millis timeout, bool visible, std::string& why) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (device.FindText(text).has_value() == visible) return true;
        if (device.ProgramEnded()) {
            why = "the program ended while waiting for \"" + text + "\"" + (visible ? "" : " to go");
            return false;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            why = "\"" + text + "\" " + (visible ? "not visible" : "still visible") + " after " + Ms(timeout);
            return false;
        }
        device.WaitExit(options.pollInterval);
        device.WaitIdle(options.idleTimeout);
    }
}

Millis StepContext::WaitTime(const Step& step) const {
    return step.ms >= 0 ? Millis(step.ms) : options.defaultWait;
}

bool StepContext::Write(const std::string& file, const std::string& text, std::string& why) {
    if (options.writeFile) return options.writeFile(file, text, why);
    if (file == "-") {
        std::fwrite(text.data(), 1, text.size(), stdout);
        std::fflush(stdout);
        return true;
    }
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) {
        why = file + ": cannot write the dump";
        return false;
    }
    return true;
}

}  // namespace ce::host
