// The backlight driver: the LCD's backlight, its brightness level and the
// screen saver that turns it off.
//
// The light is on at the level the panel driver last set (0..31) until the
// time-out of the screen saver passes without a touch; then it is off until
// the next touch, which only turns it on again (the host does not pass that
// touch on to the programs). The time-out is HKEY_CURRENT_USER
// "ControlPanel\Backlight": "UseExt" not 0 means "ACTimeout" seconds are in
// use; "UseExt" 0 (the time-out then sits in "OldACTimeout"), a missing or
// zero "ACTimeout", or 0xFFFFFFFF mean never. The driver reads the values when
// it starts and whenever a program sets its named event
// "BackLightChangeEvent"; each read restarts the time-out.
//
// Nothing runs on its own: whoever asks for the state (the host's loop, a
// dump) or touches the panel lets the driver notice a time-out that has
// passed. Every change of the light is logged:
//   {"seq":N,"dev":"backlight","lit":false,"level":21,"timeout":60}
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>

#include "ce_drivers.h"

namespace ce::hw {

namespace {

using Clock = std::chrono::steady_clock;

struct Backlight {
    DWORD level = 21;
    bool lit = true;
    std::optional<DWORD> timeout;  // seconds; none: never off
    Clock::time_point lastTouch{};
};

std::mutex g_backlightMutex;
HANDLE g_event = nullptr;
Backlight g_light;
BacklightClock g_clock;

Clock::time_point Now() {
    return g_clock ? g_clock() : Clock::now();
}

std::optional<DWORD> ReadDword(HKEY key, const WCHAR* name) {
    DWORD value = 0, type = 0, size = sizeof value;
    if (RegQueryValueEx(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof value)
        return std::nullopt;
    return value;
}

Json JsonOf(const std::optional<DWORD>& v) {
    return v ? Json(*v) : Json(nullptr);
}

// Reads the time-out settings; returns the log fields of what was read.
Json ReadSettingsLocked() {
    Json fields = Json::object();
    g_light.timeout.reset();
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, u"ControlPanel\\Backlight", 0, 0, &key) == ERROR_SUCCESS) {
        std::optional<DWORD> useExt = ReadDword(key, u"UseExt");
        std::optional<DWORD> acTimeout = ReadDword(key, u"ACTimeout");
        std::optional<DWORD> oldAcTimeout = ReadDword(key, u"OldACTimeout");
        RegCloseKey(key);
        fields["UseExt"] = JsonOf(useExt);
        fields["ACTimeout"] = JsonOf(acTimeout);
        fields["OldACTimeout"] = JsonOf(oldAcTimeout);
        if (useExt.value_or(0) != 0 && acTimeout && *acTimeout != 0 && *acTimeout != 0xFFFFFFFF)
            g_light.timeout = *acTimeout;
        SetState("backlight.useext", JsonOf(useExt).dump());
        SetState("backlight.timeout", g_light.timeout ? std::to_string(*g_light.timeout) : "never");
    } else {
        fields["settings"] = "missing";
    }
    g_light.lastTouch = Now();
    return fields;
}

void LogLightLocked() {
    LogDevice(
        {{"dev", "backlight"}, {"lit", g_light.lit}, {"level", g_light.level}, {"timeout", JsonOf(g_light.timeout)}});
}

// Turns the light off once the time-out has passed since the last touch.
void CheckTimeoutLocked() {
    if (!g_light.lit || !g_light.timeout) return;
    if (Now() - g_light.lastTouch < std::chrono::seconds(*g_light.timeout)) return;
    g_light.lit = false;
    LogLightLocked();
}

void ApplySettings() {
    std::lock_guard lock(g_backlightMutex);
    Json fields = {{"dev", "backlight"}, {"event", "BackLightChangeEvent"}};
    const Json settings = ReadSettingsLocked();  // items() of a temporary would dangle
    for (const auto& [key, value] : settings.items()) fields[key] = value;
    fields["timeout"] = JsonOf(g_light.timeout);
    LogDevice(fields);
}

}  // namespace

void InstallBacklightDriver() {
    std::lock_guard lock(g_backlightMutex);
    g_light = Backlight{};
    std::string level = GetState("epi1.brightness", "21");
    char* end = nullptr;
    unsigned long n = std::strtoul(level.c_str(), &end, 10);
    if (!level.empty() && *end == '\0' && n <= kMaxBrightness) g_light.level = static_cast<DWORD>(n);
    ReadSettingsLocked();
    if (Image().config.Present("backlight_event") && !g_event)
        g_event = CreateDriverEvent(u"BackLightChangeEvent", false, ApplySettings);
}

void UninstallBacklightDriver() {
    std::lock_guard lock(g_backlightMutex);
    if (g_event) CloseHandle(g_event);
    g_event = nullptr;
    g_light = Backlight{};
}

BacklightState GetBacklight() {
    std::lock_guard lock(g_backlightMutex);
    CheckTimeoutLocked();
    return {g_light.level, g_light.lit};
}

bool BacklightTouch() {
    std::lock_guard lock(g_backlightMutex);
    CheckTimeoutLocked();
    g_light.lastTouch = Now();
    if (g_light.lit) return false;
    g_light.lit = true;
    LogLightLocked();
    return true;
}

void SetBacklightLevel(DWORD level) {
    std::lock_guard lock(g_backlightMutex);
    g_light.level = level > kMaxBrightness ? kMaxBrightness : level;
}

void SetBacklightClock(BacklightClock clock) {
    std::lock_guard lock(g_backlightMutex);
    g_clock = std::move(clock);
}

}  // namespace ce::hw
