// Accelerator tables: TranslateAccelerator turns a key message that matches
// an entry of a table (LoadAccelerators) into the entry's WM_COMMAND.
//
// Virtual-key entries match the key going down (WM_KEYDOWN, or WM_SYSKEYDOWN
// while Alt is held) with exactly the modifiers of the entry, read with
// GetKeyState as of the message; character entries match the character the
// key made (WM_CHAR, or WM_SYSCHAR when Alt was held: those need FALT).
// FNOINVERT only matters to a menu highlight, which this device does not
// flash for accelerators, so it changes nothing here.
#include "ce_res.h"
#include "user_internal.h"

namespace {

bool Held(int vk) {
    return GetKeyState(vk) < 0;
}

bool Matches(const ce::res::AccelEntry& e, const MSG& m) {
    const bool alt = (e.fVirt & FALT) != 0;
    if (e.fVirt & FVIRTKEY) {
        if (m.message != WM_KEYDOWN && m.message != WM_SYSKEYDOWN) return false;
        if ((m.wParam & 0xFF) != e.key || (m.wParam >> 8) != 0) return false;
        return Held(VK_SHIFT) == ((e.fVirt & FSHIFT) != 0) && Held(VK_CONTROL) == ((e.fVirt & FCONTROL) != 0) &&
               Held(VK_MENU) == alt;
    }
    if (m.message != WM_CHAR && m.message != WM_SYSCHAR) return false;
    if (m.wParam != e.key) return false;
    return (m.message == WM_SYSCHAR) == alt;
}

}  // namespace

int TranslateAccelerator(HWND hWnd, HACCEL hAccTable, LPMSG lpMsg) {
    if (!lpMsg || !hAccTable) return 0;
    switch (lpMsg->message) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_CHAR:
        case WM_SYSCHAR:
            break;
        default:
            return 0;
    }
    auto table = ce::res::GetAccelData(hAccTable);
    if (!table) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (!hWnd || !IsWindow(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    for (const auto& e : table->entries) {
        if (!Matches(e, *lpMsg)) continue;
        SendMessage(hWnd, WM_COMMAND, MAKEWPARAM(e.cmd, 1), 0);
        return 1;
    }
    return 0;
}

BOOL DestroyAcceleratorTable(HACCEL hAccel) {
    return ce::res::FreeAccelData(hAccel);
}
