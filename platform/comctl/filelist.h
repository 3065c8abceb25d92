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

// List-box messages (Win32 numbers) the file list answers.
inline constexpr UINT kLbAddString = 0x0180;     // lParam: text; returns the index
inline constexpr UINT kLbResetContent = 0x0184;
inline constexpr UINT kLbSetCurSel = 0x0186;     // wParam: index or -1
inline constexpr UINT kLbGetCurSel = 0x0188;
inline constexpr UINT kLbGetText = 0x0189;       // wParam: index, lParam: buffer
inline constexpr UINT kLbGetTextLen = 0x018A;
inline constexpr UINT kLbGetCount = 0x018B;
inline constexpr UINT kLbGetTopIndex = 0x018E;
inline constexpr UINT kLbGetItemRect = 0x0198;   // wParam: index, lParam: RECT (client)
inline constexpr UINT kLbGetItemData = 0x0199;
inline constexpr UINT kLbSetItemData = 0x019A;   // item data 1 marks a folder
inline constexpr UINT kLbSetTopIndex = 0x0197;
inline constexpr UINT kLbGetItemHeight = 0x01A1;
inline constexpr WORD kLbnSelChange = 1;
inline constexpr WORD kLbnDblClk = 2;
inline constexpr LRESULT kLbErr = -1;

void RegisterFileListClass();

// The file dialog's filter: true when `name` matches one of the
// ';'-separated patterns of `patterns`, ignoring case.
bool FileNameMatchesFilter(std::u16string_view patterns, std::u16string_view name);

}  // namespace ce::comctl
