// The automation language of the emulator host: one command per line, read
// into steps that the script runner executes against the device.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ce::host {

// Where a pointer command acts: a screen point, the thing that shows a text,
// or the control with an id in the active window.
struct Target {
    enum class Kind { Point, Text, Control };
    Kind kind = Kind::Point;
    int x = 0, y = 0;  // Point
    std::string text;  // Text (UTF-8, escapes resolved)
    int id = 0;        // Control
};

// Bits of the modifier keys held with a key.
enum Modifier : unsigned { kShift = 1, kCtrl = 2, kAlt = 4 };

// A key as the device sees it: its virtual-key code (Win32 values) and the
// character it makes (0 for none).
struct KeyStroke {
    unsigned vk = 0;
    unsigned modifiers = 0;
    char16_t ch = 0;
};

struct CommandSpec;  // commands.h

struct Step {
    const CommandSpec* command = nullptr;  // its entry in the command table
    int line = 0;                          // 1-based line in the script file
    std::string source;                    // the line as written, without outer blanks
    Target target;                         // a TARGET argument
    KeyStroke key;                         // a KEY argument
    std::string text;                      // a "TEXT" (UTF-8) or file argument
    int ms = -1;                           // an MS argument (-1: left out, the default)
};

struct Script {
    std::string name;  // the file as given, for messages
    std::vector<Step> steps;
};

// Reads a script. On a malformed line returns false with "NAME:LINE: reason"
// in `error`.
bool ParseScript(std::string_view text, std::string name, Script& script, std::string& error);
bool LoadScript(const std::string& file, Script& script, std::string& error);

// "ENTER", "CTRL+F4", "ALT+/", "SHIFT+TAB", "CTRL+C"...
bool ParseKey(std::string_view text, KeyStroke& key);
// The name ParseKey reads back for a key ("CTRL+F4"); empty when the key has none.
std::string KeyName(unsigned vk, unsigned modifiers);
// `text` in quotes, as a script writes it: `"` and `\` escaped.
std::string Quoted(const std::string& text);
// The keystrokes that type one character (UTF-16 code unit), on the US
// layout the emulator's keyboard follows: 'A' and '!' are Shift with A and 1.
KeyStroke KeyForChar(char16_t ch);
// The character a key makes with Shift held on that layout ('1' makes '!',
// 'a' makes 'A'); other characters stay as they are.
char ShiftedChar(char c);
// Reads one line (without its newline) into `step`. False with the reason
// when it is malformed; true with `empty` set for a blank or comment line.
bool ParseStep(std::string_view line, Step& step, bool& empty, std::string& error);

}  // namespace ce::host
