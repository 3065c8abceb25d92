// Internal: where the framework reaches the program's resources (string
// table, bitmaps). Kept in one place so the framework classes do not depend on
// how resources are stored.
#pragma once

#include "afxstr.h"
#include "wingdi.h"

namespace ce::mfc {

// String nID of the program's string table; false when there is none.
bool LoadStringResource(UINT nID, CString& text);
// Bitmap resource nID (a new bitmap the caller owns); NULL when there is none.
HBITMAP LoadBitmapResource(LPCTSTR lpszName);

}  // namespace ce::mfc
