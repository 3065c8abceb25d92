// The common controls of the device: the progress bar, and the
// initialisation calls programs make before using the common controls.
#pragma once

#include "windows.h"

// The common controls are registered with the window system when a program
// starts: initialising them only reports success.
typedef struct tagINITCOMMONCONTROLSEX {
    DWORD dwSize;
    DWORD dwICC;
} INITCOMMONCONTROLSEX, *LPINITCOMMONCONTROLSEX;

#define ICC_LISTVIEW_CLASSES 0x00000001
#define ICC_TREEVIEW_CLASSES 0x00000002
#define ICC_BAR_CLASSES 0x00000004
#define ICC_TAB_CLASSES 0x00000008
#define ICC_UPDOWN_CLASS 0x00000010
#define ICC_PROGRESS_CLASS 0x00000020
#define ICC_DATE_CLASSES 0x00000100
#define ICC_COOL_CLASSES 0x00000400

inline void InitCommonControls() {}
inline BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX*) {
    return TRUE;
}

// ---- Progress bar -------------------------------------------------------------------

#define PROGRESS_CLASSW u"msctls_progress32"
#define PROGRESS_CLASS PROGRESS_CLASSW

#define PBS_SMOOTH 0x01
#define PBS_VERTICAL 0x04

#define PBM_SETRANGE (WM_USER + 1)
#define PBM_SETPOS (WM_USER + 2)
#define PBM_DELTAPOS (WM_USER + 3)
#define PBM_SETSTEP (WM_USER + 4)
#define PBM_STEPIT (WM_USER + 5)
#define PBM_SETRANGE32 (WM_USER + 6)
#define PBM_GETRANGE (WM_USER + 7)
#define PBM_GETPOS (WM_USER + 8)

typedef struct {
    int iLow;
    int iHigh;
} PBRANGE, *PPBRANGE;

// ---- Image lists ----------------------------------------------------------------------

// ---- Tree view ------------------------------------------------------------------------

// ---- Header and list view -------------------------------------------------------------

// ---- Command bar ----------------------------------------------------------------------
