// The commands of the automation language, one table entry each: the name,
// the arguments the parser reads, and the handler the runner calls. A new
// command is one entry in kCommands (commands.cpp) plus its handler.
#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>

#include "device.h"
#include "script.h"

namespace ce::host {

struct RunnerOptions;

// What a handler works with: the device, the runner's options and the
// helpers several commands share.
class StepContext {
public:
    StepContext(Device& device, const RunnerOptions& options) : device(device), options(options) {}

    // The screen point of a target; false with the reason when it is not
    // there. With `mustReach`, a text shown where a touch does not reach it
    // (a label that lets touches through) fails too, naming the control to
    // use; drags (press, move, release) may start on a label.
    bool Resolve(const Target& target, ScreenPoint& point, std::string& why, bool mustReach = true);
    // Presses a key with its modifiers, each going down before it and up after it.
    void Key(const KeyStroke& key);
    // Polls until `text` is (or is no longer) visible, at most `timeout`.
    bool WaitText(const std::string& text, Millis timeout, bool visible, std::string& why);
    // The step's own time, or the default wait.
    Millis WaitTime(const Step& step) const;
    // Writes a text file (or, for "-", hands it to the runner's output).
    bool Write(const std::string& file, const std::string& text, std::string& why);

    Device& device;
    const RunnerOptions& options;
};

// The kinds of argument a command takes, in order.
enum class Arg : unsigned char {
    None,
    Target,      // X Y | "TEXT" | #ID
    Ms,          // milliseconds
    OptionalMs,  // milliseconds, may be left out (-1)
    Key,         // ENTER, CTRL+F4, ...
    Text,        // "TEXT", not empty
    AnyText,     // "TEXT", may be empty
    PngFile,     // FILE.png
    JsonFile,    // FILE.json, or - for the runner's output
};

enum CommandFlag : unsigned {
    kRunsAfterEnd = 1,  // runs when the program has ended, without waiting for idle (wait-exit)
    kOwnFailure = 2,    // its failure is its own (a file), even when the program ended meanwhile
};

struct CommandSpec {
    std::string_view name;
    std::array<Arg, 2> args;
    unsigned flags;
    bool (*run)(StepContext& context, const Step& step, std::string& why);
    std::string_view help;  // one line for usage texts
};

std::span<const CommandSpec> Commands();
const CommandSpec* FindCommand(std::string_view name);
// "tap TARGET", "wait \"TEXT\" [MS]", ...
std::string CommandUsage(const CommandSpec& command);

}  // namespace ce::host
