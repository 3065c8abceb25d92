// The framework's access to the program's resources, through the Win32
// resource API over the program's own resource table (GetModuleHandle(NULL)).
#include "resources.h"

#include "windows.h"
#include "winres.h"

namespace ce::mfc {

bool LoadStringResource(UINT nID, CString& text) {
    // With a buffer size of 0 the resource API hands out the string in place
    // (not terminated), so a string of any length comes through whole.
    LPCWSTR chars = nullptr;
    int len = ::LoadString(GetModuleHandle(nullptr), nID, reinterpret_cast<LPWSTR>(&chars), 0);
    if (len <= 0 || !chars) return false;
    text = CString(chars, len);
    return true;
}

HBITMAP LoadBitmapResource(LPCTSTR lpszName) {
    return ::LoadBitmap(GetModuleHandle(nullptr), lpszName);
}

}  // namespace ce::mfc
