// The panel driver "EPI1:": the electrical mode of the serial ports COM1
// (RS-232, RS-485, RS-422) and COM3 (RS-232, RS-485), and the backlight
// brightness level, moved in steps and clamped to 0..31.
//
// Records are little-endian 32-bit fields:
//   serial mode:     {mode, port}
//   brightness step: {direction (0 darker, 1 brighter), steps}
// Every request takes the controller's answer time first.
#include <chrono>
#include <cstring>
#include <nlohmann/json.hpp>
#include <thread>

#include "ce_drivers.h"

namespace ce::hw {

namespace {

using Millis = std::chrono::milliseconds;

// Number of modes each port offers; 0 for a port the panel does not have.
DWORD ModeCount(DWORD port) {
    switch (port) {
        case 1:
            return 3;
        case 3:
            return 2;
        default:
            return 0;
    }
}

std::string ModeKey(DWORD port) {
    return "epi1.com" + std::to_string(port) + ".mode";
}

DWORD ReadNumber(const std::string& key, DWORD fallback, DWORD max) {
    std::string v = GetState(key, "");
    char* end = nullptr;
    unsigned long n = std::strtoul(v.c_str(), &end, 10);
    if (v.empty() || *end != '\0' || n > max) return fallback;
    return static_cast<DWORD>(n);
}

// The time the panel's controller takes to answer a request (device.conf
// "EPI1.latency_ms", default 20 ms): a held brightness arrow then sweeps the
// 32 levels in about a second, as on the hardware. Tests set 0.
Millis RequestTime() {
    std::string text = Image().config.Get("EPI1.latency_ms");
    char* end = nullptr;
    unsigned long ms = std::strtoul(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || ms > 1000) return Millis{20};  // unreadable: the hardware's time
    return Millis{static_cast<long>(ms)};
}

class PanelDriver : public DeviceDriver {
public:
    DWORD IoControl(DWORD code, const BYTE* in, DWORD cbIn, BYTE* out, DWORD cbOut, DWORD* returned) override {
        if (Millis t = RequestTime(); t.count() > 0) std::this_thread::sleep_for(t);
        switch (code) {
            case kIoctlSetSerialMode: {
                if (cbIn < 8) return ERROR_INVALID_PARAMETER;
                DWORD mode = RecordField(in, 0), port = RecordField(in, 1);
                if (mode >= ModeCount(port)) return ERROR_INVALID_PARAMETER;
                SetState(ModeKey(port), std::to_string(mode));
                logFields = Json{{"port", port}, {"mode", mode}}.dump();
                return ERROR_SUCCESS;
            }
            case kIoctlGetSerialMode: {
                if (cbOut < 8) return ERROR_INVALID_PARAMETER;
                DWORD port = RecordField(out, 1);
                if (ModeCount(port) == 0) return ERROR_INVALID_PARAMETER;
                // A driver build that does not answer leaves the record as sent.
                if (Image().config.Get("EPI1.get_mode") == "silent") return ERROR_SUCCESS;
                PutRecordField(out, 0, ReadNumber(ModeKey(port), 0, ModeCount(port) - 1));
                *returned = 8;
                return ERROR_SUCCESS;
            }
            case kIoctlStepBrightness: {
                if (cbIn < 8) return ERROR_INVALID_PARAMETER;
                DWORD direction = RecordField(in, 0), steps = RecordField(in, 1);
                if (direction > 1) return ERROR_INVALID_PARAMETER;
                DWORD level = ReadNumber("epi1.brightness", 21, kMaxBrightness);
                if (direction == 1)
                    level = steps >= kMaxBrightness - level ? kMaxBrightness : level + steps;
                else
                    level = steps >= level ? 0 : level - steps;
                SetState("epi1.brightness", std::to_string(level));
                SetBacklightLevel(level);
                logFields = Json{{"level", level}}.dump();
                return ERROR_SUCCESS;
            }
            default:
                return ERROR_NOT_SUPPORTED;
        }
    }
};

}  // namespace

void InstallPanelDriver() {
    if (!Image().config.Present("EPI1")) return;
    RegisterDevice(u"EPI1:", [](DWORD&) { return std::make_shared<PanelDriver>(); });
}

}  // namespace ce::hw
