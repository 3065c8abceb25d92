// ChangeDisplaySettingsEx: turning the screen (DM_DISPLAYORIENTATION). The
// display driver keeps the panel's orientation and logs every request; the
// window system sets the screen surface to the new size and follows it.
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
#include <mutex>
#include <utility>

#include "ce_drivers.h"
#include "ce_gdi.h"
#include "ce_user.h"

namespace {

std::mutex g_changeMutex;  // one change of mode at a time

bool ValidOrientation(DWORD o) {
    return o == DMDO_0 || o == DMDO_90 || o == DMDO_180 || o == DMDO_270;
}

// The driver's orientation for the screen as it is now.
DWORD CurrentOrientation() {
    ce::gdi::ScreenMode mode = ce::gdi::Screen::Mode();
    return ce::hw::DisplayOrientation(mode.width, mode.height);
}

// Sets the screen to `orientation`; the driver keeps it, the windows follow.
void Turn(DWORD from, DWORD to) {
    ce::gdi::ScreenMode mode = ce::gdi::Screen::Mode();
    const bool swapped = to == DMDO_90 || to == DMDO_270;
    if (swapped != (from == DMDO_90 || from == DMDO_270)) std::swap(mode.widthMM, mode.heightMM);
    const SIZE size = ce::hw::DisplaySize(to);
    mode.width = size.cx;
    mode.height = size.cy;
    ce::gdi::Screen::SetMode(mode);
    const ce::gdi::ScreenMode applied = ce::gdi::Screen::Mode();  // as the screen clamped it
    ce::hw::SetDisplayOrientation(to, applied.width, applied.height);
    ce::user::FollowScreenChange();
}

}  // namespace

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

    std::lock_guard lock(g_changeMutex);
    const DWORD current = CurrentOrientation();
    if (dwflags & CDS_VIDEOPARAMETERS) {
        lpDevMode->dmDisplayOrientation = current;
        return DISP_CHANGE_SUCCESSFUL;
    }

    const DWORD wanted = lpDevMode->dmDisplayOrientation;
    if (dwflags & CDS_TEST) {
        if (!ValidOrientation(wanted)) return DISP_CHANGE_BADPARAM;
        if (ce::hw::DisplayRotationRefused()) return DISP_CHANGE_FAILED;
        lpDevMode->dmDisplayOrientation = current;
        return DISP_CHANGE_SUCCESSFUL;
    }

    LONG result = DISP_CHANGE_SUCCESSFUL;
    if (!ValidOrientation(wanted))
        result = DISP_CHANGE_BADPARAM;
    else if (ce::hw::DisplayRotationRefused())
        result = DISP_CHANGE_FAILED;
    else if (wanted != current || (dwflags & CDS_RESET))
        Turn(current, wanted);
    ce::hw::LogDisplayChange(wanted, result);
    return result;
}
