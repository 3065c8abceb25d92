// The file dialog's list of folders and files ("FileDlgList"): one column of
// rows, each a small folder or file picture and a name, with a vertical
// scroll bar when the rows do not fit. It answers the list-box messages it
// needs, with their Win32 numbers, and tells its parent of a new selection
// (LBN_SELCHANGE) and of a double tap on a row (LBN_DBLCLK) by WM_COMMAND.
#pragma once

#include <string_view>

#include "winuser.h"

namespace ce::comctl {

inline constexpr char16_t kFileListClass[] = u"FileDlgList";

// The list answers LB_ADDSTRING (returns the index), LB_RESETCONTENT, LB_SETCURSEL
// (-1: none), LB_GETCURSEL, LB_GETTEXT, LB_GETTEXTLEN, LB_GETCOUNT,
// LB_GETTOPINDEX, LB_SETTOPINDEX, LB_GETITEMRECT (client coordinates),
// LB_GETITEMDATA, LB_SETITEMDATA (item data 1 marks a folder) and
// LB_GETITEMHEIGHT.

void RegisterFileListClass();

// The file dialog's filter: true when `name` matches one of the
// ';'-separated patterns of `patterns`, ignoring case.
bool FileNameMatchesFilter(std::u16string_view patterns, std::u16string_view name);

}  // namespace ce::comctl
