// The display driver: the panel's orientation and the screen size it gives.
// The window system's ChangeDisplaySettingsEx (platform/user/display.cpp)
// asks it what the screen is, turns the screen and tells it the new mode.
//
// The panel has one size at orientation 0 (the host's --screen); DMDO_90 and
// DMDO_270 swap the logical width and height. The orientation is kept in the
// image's hardware state ("display.orientation", in degrees), so the next
// program of the device starts turned the same way. Every request to turn
// the screen is written to the device log with its result and the screen
// size it left:
//   {"seq":N,"dev":"display","orientation":2,"width":800,"height":480,"result":0}
#include <mutex>
#include <nlohmann/json.hpp>

#include "ce_drivers.h"

namespace ce::hw {

namespace {

std::mutex g_displayMutex;

struct DisplayState {
    bool known = false;  // the fields below describe this process's screen
    DWORD orientation = DMDO_0;
    int baseWidth = 0;  // the panel at DMDO_0
    int baseHeight = 0;
    int width = 0;  // the screen size this driver last left
    int height = 0;
};
DisplayState g_display;

bool Swaps(DWORD o) {
    return o == DMDO_90 || o == DMDO_270;
}

int ToDegrees(DWORD o) {
    switch (o) {
        case DMDO_90:
            return 90;
        case DMDO_180:
            return 180;
        case DMDO_270:
            return 270;
        default:
            return 0;
    }
}

DWORD FromDegrees(int degrees) {
    switch (degrees) {
        case 90:
            return DMDO_90;
        case 180:
            return DMDO_180;
        case 270:
            return DMDO_270;
        default:
            return DMDO_0;
    }
}

DWORD StoredOrientation() {
    std::string text = GetState("display.orientation", "0");
    int degrees = 0;
    for (char c : text) {
        if (c < '0' || c > '9' || degrees > 1000) return DMDO_0;  // damaged state: unturned
        degrees = degrees * 10 + (c - '0');
    }
    return FromDegrees(degrees);
}

// Brings the driver's view in line with the screen. The host sizes the
// screen at boot from the stored orientation; when the screen is not the
// one this driver last left (first use, or someone else set a mode), the
// panel size is worked out from it and the stored orientation.
void SyncLocked(int width, int height) {
    if (g_display.known && width == g_display.width && height == g_display.height) return;
    g_display.known = true;
    g_display.orientation = StoredOrientation();
    g_display.width = width;
    g_display.height = height;
    bool swapped = Swaps(g_display.orientation);
    g_display.baseWidth = swapped ? height : width;
    g_display.baseHeight = swapped ? width : height;
}

}  // namespace

void InstallDisplayDriver() {
    std::lock_guard lock(g_displayMutex);
    g_display = DisplayState{};  // a new image: read its state on first use
}

int DisplayRotation() {
    return ToDegrees(StoredOrientation());
}

DWORD DisplayOrientation(int width, int height) {
    std::lock_guard lock(g_displayMutex);
    SyncLocked(width, height);
    return g_display.orientation;
}

SIZE DisplaySize(DWORD orientation) {
    std::lock_guard lock(g_displayMutex);
    return Swaps(orientation) ? SIZE{g_display.baseHeight, g_display.baseWidth}
                              : SIZE{g_display.baseWidth, g_display.baseHeight};
}

void SetDisplayOrientation(DWORD orientation, int width, int height) {
    std::lock_guard lock(g_displayMutex);
    g_display.orientation = orientation;
    g_display.width = width;
    g_display.height = height;
    SetState("display.orientation", std::to_string(ToDegrees(orientation)));
}

bool DisplayRotationRefused() {
    return HasImage() && Image().config.Get("display.rotation") == "refuse";
}

void LogDisplayChange(DWORD orientation, LONG result) {
    std::lock_guard lock(g_displayMutex);
    LogDevice({{"dev", "display"},
               {"orientation", orientation},
               {"width", g_display.width},
               {"height", g_display.height},
               {"result", result}});
}

}  // namespace ce::hw
