// The backlight driver. It owns the named event "BackLightChangeEvent"; when
// a program sets it, the driver reads the time-out settings from the
// registry (HKEY_CURRENT_USER "ControlPanel\Backlight") and applies them,
// logging what it now uses.
#include <mutex>

#include "ce_drivers.h"

namespace ce::hw {

namespace {

std::mutex g_backlightMutex;
HANDLE g_event = nullptr;

std::string ReadDword(HKEY key, const WCHAR* name) {
    DWORD value = 0, type = 0, size = sizeof value;
    if (RegQueryValueEx(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof value)
        return "null";
    return std::to_string(value);
}

void ApplySettings() {
    std::string fields = "\"dev\":\"backlight\",\"event\":\"BackLightChangeEvent\"";
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, u"ControlPanel\\Backlight", 0, 0, &key) == ERROR_SUCCESS) {
        std::string useExt = ReadDword(key, u"UseExt");
        std::string acTimeout = ReadDword(key, u"ACTimeout");
        std::string oldAcTimeout = ReadDword(key, u"OldACTimeout");
        RegCloseKey(key);
        fields += ",\"UseExt\":" + useExt + ",\"ACTimeout\":" + acTimeout + ",\"OldACTimeout\":" + oldAcTimeout;
        SetState("backlight.useext", useExt);
        SetState("backlight.timeout", useExt != "null" && useExt != "0" ? acTimeout : "never");
    } else {
        fields += ",\"settings\":\"missing\"";
    }
    LogDevice(fields);
}

}  // namespace

void InstallBacklightDriver() {
    if (!Image().config.Present("backlight_event")) return;
    std::lock_guard lock(g_backlightMutex);
    if (!g_event) g_event = CreateDriverEvent(u"BackLightChangeEvent", false, ApplySettings);
}

void UninstallBacklightDriver() {
    std::lock_guard lock(g_backlightMutex);
    if (g_event) CloseHandle(g_event);
    g_event = nullptr;
}

}  // namespace ce::hw
