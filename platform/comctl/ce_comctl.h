// Internal interface of the controls, for the emulator host and tests.
#pragma once

#include "ce_user.h"

namespace ce::comctl {

// Registers the control classes ("Button", "Static", ...) and the dialog
// class with the window system. Calling it again does nothing.
void RegisterControls();

// Height of a line of text in `font` (null: the window's DC default), as the
// window's DC measures it; `fallback` when it cannot be measured.
int FontHeight(HWND h, HFONT font, int fallback);

// Each control file registers its class.
void RegisterButtonClass();
void RegisterStaticClass();
void RegisterComboBoxClass();
void RegisterProgressClass();
void RegisterEditClass();
void RegisterScrollBarClass();
void RegisterTreeViewClass();
void RegisterListViewClass();
void RegisterHeaderClass();
void RegisterMenuClasses();
void RegisterCommandBarClass();
void RegisterFileDialogClasses();

}  // namespace ce::comctl
