// Reading the command line.
#include "options.h"

#include <charconv>
#include <string_view>

namespace ce::host {

namespace {

bool ParseInt(std::string_view text, int& value, int min, int max) {
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && ec == std::errc() && ptr == text.data() + text.size() && value >= min && value <= max;
}

}  // namespace

std::string ProgramName(const char* argv0) {
    std::string_view name = argv0 ? argv0 : "";
    if (size_t slash = name.rfind('/'); slash != std::string_view::npos) name.remove_prefix(slash + 1);
    return name.empty() ? "program" : std::string(name);
}

std::string Usage(const std::string& program) {
    return "usage: " + program +
           " [--device DIR] [--screen WxH] [--headless] [--script FILE] [--scale N] [--storage-card HOSTDIR]"
           " [--control SOCKET] [--record FILE]";
}

std::string Help(const std::string& program) {
    return Usage(program) +
           "\n"
           "\n"
           "  --device DIR            the device image (default: ./device; a missing one is created)\n"
           "  --screen WxH            the LCD at rotation 0, 16 to 4096 pixels each (default: 800x480)\n"
           "  --scale N               window zoom, 1 to 8 (default: 1)\n"
           "  --headless              no window even when there is a display (default: a window)\n"
           "  --script FILE           drive the program with an automation script (default: none)\n"
           "  --storage-card HOSTDIR  a host folder shown as \\StorageCard (default: the image's\n"
           "                          fs/StorageCard)\n"
           "  --help                  this text\n"
           "\n"
           "Without a display (DISPLAY, WAYLAND_DISPLAY or SDL_VIDEODRIVER) a script is needed.\n"
           "\n"
           "Emulator keys in the window (Right Ctrl + letter):\n" +
           EmulatorKeysText();
}

std::string EmulatorKeysText() {
    std::string out;
    for (const EmulatorKey& k : EmulatorKeys()) out += std::string("  Right Ctrl+") + k.letter + "  " + k.what + "\n";
    return out;
}

const std::vector<EmulatorKey>& EmulatorKeys() {
    static const std::vector<EmulatorKey> keys = {
        {'R', EmulatorAction::Rotate, "turn the screen by 90 degrees"},
        {'I', EmulatorAction::ZoomIn, "zoom in (up to 4)"},
        {'O', EmulatorAction::ZoomOut, "zoom out"},
        {'S', EmulatorAction::Screenshot, "screenshot into the current folder"},
        {'B', EmulatorAction::Reset, "reset: restart the device"},
        {'C', EmulatorAction::Card, "take the storage card out or put it in"},
        {'H', EmulatorAction::Help, "show or hide this list"},
    };
    return keys;
}

ParsedOptions ParseOptions(int argc, const char* const* argv) {
    ParsedOptions result;
    HostOptions& o = result.options;
    std::string program = ProgramName(argc > 0 ? argv[0] : nullptr);
    auto fail = [&](const std::string& why) {
        result.error = program + ": " + why;
        return result;
    };
    bool seenDevice = false, seenScreen = false, seenScript = false, seenScale = false, seenCard = false,
         seenControl = false, seenRecord = false;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        std::string_view value;
        bool inlineValue = false;
        if (arg.starts_with("--")) {
            if (size_t eq = arg.find('='); eq != std::string_view::npos) {
                value = arg.substr(eq + 1);
                arg = arg.substr(0, eq);
                inlineValue = true;
            }
        }
        auto takesValue = [&](bool& seen) -> bool {
            if (seen) {
                result.error = program + ": " + std::string(arg) + " given twice";
                return false;
            }
            seen = true;
            if (!inlineValue) {
                if (i + 1 >= argc) {
                    result.error = program + ": " + std::string(arg) + " needs a value";
                    return false;
                }
                value = argv[++i];
            }
            if (value.empty()) {
                result.error = program + ": " + std::string(arg) + " needs a value";
                return false;
            }
            return true;
        };
        if (arg == "--help" || arg == "-h") {
            o.help = true;
        } else if (arg == "--headless") {
            if (inlineValue) return fail("--headless takes no value");
            o.headless = true;
        } else if (arg == "--device") {
            if (!takesValue(seenDevice)) return result;
            o.boot.deviceDir = std::string(value);
        } else if (arg == "--storage-card") {
            if (!takesValue(seenCard)) return result;
            o.boot.storageCardHostDir = std::string(value);
        } else if (arg == "--script") {
            if (!takesValue(seenScript)) return result;
            o.script = std::string(value);
        } else if (arg == "--control") {
            if (!takesValue(seenControl)) return result;
            o.control = std::string(value);
        } else if (arg == "--record") {
            if (!takesValue(seenRecord)) return result;
            o.record = std::string(value);
        } else if (arg == "--scale") {
            if (!takesValue(seenScale)) return result;
            if (!ParseInt(value, o.scale, 1, 8))
                return fail("--scale needs a whole number from 1 to 8, not \"" + std::string(value) + "\"");
        } else if (arg == "--screen") {
            if (!takesValue(seenScreen)) return result;
            size_t x = value.find_first_of("xX");
            if (x == std::string_view::npos || !ParseInt(value.substr(0, x), o.width, 16, 4096) ||
                !ParseInt(value.substr(x + 1), o.height, 16, 4096))
                return fail("--screen needs WIDTHxHEIGHT (16 to 4096 pixels each), not \"" + std::string(value) + "\"");
            o.screenGiven = true;
        } else if (arg.starts_with("-")) {
            return fail("unknown option " + std::string(arg) + " (" + Usage(program) + ")");
        } else {
            return fail("unexpected argument \"" + std::string(arg) + "\" (" + Usage(program) + ")");
        }
    }
    return result;
}

}  // namespace ce::host
