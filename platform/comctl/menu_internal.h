// Between the drop-down menus and the command bar that opens them.
#pragma once

#include "ce_comctl.h"

namespace ce::comctl {

// Messages of the menu windows (drop-down menus and the command bar), in the
// window system's range for menu messages.
// wParam: item position; lParam: RECT* filled with its screen rectangle.
// TRUE when the window shows that item.
constexpr UINT kMnGetItemRect = 0x01EA;
// Command bar: wParam is the menu-bar item to draw pressed (-1: none).
constexpr UINT kMnSetBarHot = 0x01EB;

// Runs the menu loop of a menu bar: `bar` shows the top-level items of
// `menu`, the stylus went down on item `item` (drop-down opened at once),
// or a key opened it (`byKey`: its first item is highlighted for the arrow
// keys). Returns the id chosen (0: dismissed). The caller posts the command.
UINT TrackMenuBar(HWND bar, HMENU menu, int item, HWND owner, bool byKey = false);
// The enabled menu-bar item whose mnemonic is `letter` (0: the first enabled
// item); -1 when none.
int MenuBarItemOf(HMENU menu, WCHAR letter);
// A window of the menu loop lost the stylus: the loop ends without a choice.
void CancelMenuLoop();

}  // namespace ce::comctl
