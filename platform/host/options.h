// The command line of a device program:
//   PROGRAM [--device DIR] [--screen WxH] [--headless] [--script FILE] [--scale N] [--storage-card HOSTDIR]
//           [--control SOCKET] [--record FILE]
#pragma once

#include <string>
#include <vector>

#include "boot.h"

namespace ce::host {

struct HostOptions {
    BootOptions boot;  // --device, --storage-card
    int width = 800;   // --screen WxH: the LCD at rotation 0
    int height = 480;
    bool screenGiven = false;  // --screen was given (a stored rotation still applies)
    bool headless = false;
    std::string script;   // empty: no script
    std::string control;  // --control SOCKET: live automation (empty: none)
    std::string record;   // --record FILE: what is done, as a script (empty: none)
    int scale = 1;
    bool help = false;  // --help: print Usage() and exit 0
};

struct ParsedOptions {
    HostOptions options;
    std::string error;  // one line, empty when the command line is good
    bool ok() const { return error.empty(); }
};

// argv[0] names the program in messages. Accepts "--opt VALUE" and "--opt=VALUE".
ParsedOptions ParseOptions(int argc, const char* const* argv);
std::string Usage(const std::string& program);
// Usage, every option with its default, and the emulator's keys (--help).
std::string Help(const std::string& program);

// The emulator's own controls in the window: Right Ctrl + a letter, so that
// every other key still reaches the program.
enum class EmulatorAction { Rotate, ZoomIn, ZoomOut, Screenshot, Reset, Card, Help };
struct EmulatorKey {
    char letter;  // upper case
    EmulatorAction action;
    const char* what;
};
const std::vector<EmulatorKey>& EmulatorKeys();
// One line per key, as --help and the window's help overlay list them.
std::string EmulatorKeysText();
// The program's name for messages: the last part of argv[0].
std::string ProgramName(const char* argv0);

}  // namespace ce::host
