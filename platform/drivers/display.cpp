// The display driver: turning the screen (ChangeDisplaySettingsEx with
// DM_DISPLAYORIENTATION) and reporting how it is turned.
//
// The panel has one size at orientation 0 (the host's --screen); DMDO_90 and
// DMDO_270 swap the logical width and height. The orientation is kept in the
// image's hardware state ("display.orientation", in degrees), so the next
// program of the device starts turned the same way. Every request to turn
// the screen is written to the device log with its result and the screen
// size it left:
//   {"seq":N,"dev":"display","orientation":2,"width":800,"height":480,"result":0}
//
// Outcomes (the documented Win32 ones):
//  - NULL devmode: back to the stored mode, which is the current one here:
//    DISP_CHANGE_SUCCESSFUL, nothing changes;
//  - dmFields without DM_DISPLAYORIENTATION (the only mode field this
//    display can change; other mode fields next to it are ignored), or an
//    orientation other than DMDO_0/90/180/270: DISP_CHANGE_BADPARAM. The
//    value is a parameter the call does not know rather than a mode the
//    display lacks, so BADPARAM is answered rather than BADMODE;
//  - a device name other than the primary display, or a window: BADPARAM;
//    an unknown flag: DISP_CHANGE_BADFLAGS;
//  - CDS_VIDEOPARAMETERS: the current orientation is written to
//    dmDisplayOrientation; nothing changes;
//  - CDS_TEST: the request is checked (and, as programs of the device use it
//    to ask as well, the current orientation is reported); nothing changes;
//  - device.conf "display.rotation = refuse": every change (and every test
//    of one) fails with DISP_CHANGE_FAILED; the screen stays as it is;
//  - a request for the orientation the screen already has changes nothing
//    unless CDS_RESET asks to set the mode again.
#include <algorithm>
#include <mutex>

#include "ce_drivers.h"
#include "ce_gdi.h"
#include "ce_user.h"

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

bool ValidOrientation(DWORD o) {
    return o == DMDO_0 || o == DMDO_90 || o == DMDO_180 || o == DMDO_270;
}
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
void SyncLocked() {
    gdi::ScreenMode mode = gdi::Screen::Mode();
    if (g_display.known && mode.width == g_display.width && mode.height == g_display.height) return;
    g_display.known = true;
    g_display.orientation = StoredOrientation();
    g_display.width = mode.width;
    g_display.height = mode.height;
    bool swapped = Swaps(g_display.orientation);
    g_display.baseWidth = swapped ? mode.height : mode.width;
    g_display.baseHeight = swapped ? mode.width : mode.height;
}

bool Refused() {
    return HasImage() && Image().config.Get("display.rotation", "accept") == "refuse";
}

void LogChange(DWORD orientation, LONG result) {
    LogDevice("\"dev\":\"display\",\"orientation\":" + std::to_string(orientation) +
              ",\"width\":" + std::to_string(g_display.width) + ",\"height\":" + std::to_string(g_display.height) +
              ",\"result\":" + std::to_string(result));
}

// Sets the screen to `orientation`; the window system follows.
void TurnLocked(DWORD orientation) {
    gdi::ScreenMode mode = gdi::Screen::Mode();
    bool swapped = Swaps(orientation);
    if (swapped != Swaps(g_display.orientation)) std::swap(mode.widthMM, mode.heightMM);
    mode.width = swapped ? g_display.baseHeight : g_display.baseWidth;
    mode.height = swapped ? g_display.baseWidth : g_display.baseHeight;
    gdi::Screen::SetMode(mode);
    gdi::ScreenMode applied = gdi::Screen::Mode();  // as the screen clamped it
    g_display.orientation = orientation;
    g_display.width = applied.width;
    g_display.height = applied.height;
    SetState("display.orientation", std::to_string(ToDegrees(orientation)));
    user::FollowScreenChange();
}

}  // namespace

void InstallDisplayDriver() {
    std::lock_guard lock(g_displayMutex);
    g_display = DisplayState{};  // a new image: read its state on first use
}

int DisplayRotation() {
    return ToDegrees(StoredOrientation());
}

}  // namespace ce::hw

using namespace ce;
using namespace ce::hw;

LONG ChangeDisplaySettingsEx(LPCWSTR lpszDeviceName, DEVMODEW* lpDevMode, HWND hwnd, DWORD dwflags, LPVOID) {
    constexpr DWORD kKnownFlags = CDS_UPDATEREGISTRY | CDS_TEST | CDS_VIDEOPARAMETERS | CDS_RESET;
    // The primary display only: no name (or an empty one).
    if ((lpszDeviceName && lpszDeviceName[0] != 0) || hwnd) return DISP_CHANGE_BADPARAM;
    if (dwflags & ~kKnownFlags) return DISP_CHANGE_BADFLAGS;

    if (!lpDevMode) {
        // Back to the mode kept in the image, which is the one in use.
        return (dwflags & CDS_VIDEOPARAMETERS) ? DISP_CHANGE_BADPARAM : DISP_CHANGE_SUCCESSFUL;
    }
    if (!(lpDevMode->dmFields & DM_DISPLAYORIENTATION)) return DISP_CHANGE_BADPARAM;

    std::lock_guard lock(g_displayMutex);
    SyncLocked();
    if (dwflags & CDS_VIDEOPARAMETERS) {
        lpDevMode->dmDisplayOrientation = g_display.orientation;
        return DISP_CHANGE_SUCCESSFUL;
    }

    const DWORD wanted = lpDevMode->dmDisplayOrientation;
    if (dwflags & CDS_TEST) {
        if (!ValidOrientation(wanted)) return DISP_CHANGE_BADPARAM;
        if (Refused()) return DISP_CHANGE_FAILED;
        lpDevMode->dmDisplayOrientation = g_display.orientation;
        return DISP_CHANGE_SUCCESSFUL;
    }

    LONG result = DISP_CHANGE_SUCCESSFUL;
    if (!ValidOrientation(wanted))
        result = DISP_CHANGE_BADPARAM;
    else if (Refused())
        result = DISP_CHANGE_FAILED;
    else if (wanted != g_display.orientation || (dwflags & CDS_RESET))
        TurnLocked(wanted);
    LogChange(wanted, result);
    return result;
}
