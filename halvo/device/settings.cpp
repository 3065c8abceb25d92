// The settings store. Keys are opened for one operation and closed at once;
// a key that was written is flushed before it is closed.
#include "settings.h"

#include <stdlib.h>
#include <string.h>

int OpenRegKey(HKEY hRoot, LPCTSTR pszSubKey, HKEY* phKey) {
    return RegOpenKeyEx(hRoot, pszSubKey, 0, 0, phKey) == ERROR_SUCCESS ? 1 : 0;
}

int CloseRegKey(HKEY hKey, int bFlush) {
    if (bFlush) RegFlushKey(hKey);
    RegCloseKey(hKey);
    return 1;
}

int SetRegDword(HKEY hKey, LPCTSTR pszName, DWORD dwValue) {
    return RegSetValueEx(hKey, pszName, 0, REG_DWORD, (const BYTE*)&dwValue, sizeof(dwValue)) == ERROR_SUCCESS ? 1 : 0;
}

int GetRegDword(HKEY hKey, LPCTSTR pszName, DWORD* pdwValue) {
    // Read into a zeroed local first: a failed query leaves the caller's value
    // untouched, and a value shorter than 4 bytes does not leave stale bytes.
    DWORD dwValue = 0;
    DWORD cbValue = sizeof(dwValue);
    if (RegQueryValueEx(hKey, pszName, NULL, NULL, (BYTE*)&dwValue, &cbValue) != ERROR_SUCCESS) return 0;
    *pdwValue = dwValue;
    return 1;
}

int SetRegString(HKEY hKey, LPCTSTR pszName, LPCTSTR pszData, DWORD cbData) {
    RegSetValueEx(hKey, pszName, 0, REG_SZ, (const BYTE*)pszData, cbData);
    return 1;
}

int GetRegString(HKEY hKey, LPCTSTR pszName, LPTSTR pszBuffer, DWORD cbBuffer) {
    // The buffer always ends up holding a terminated string: stored data that
    // is longer than the buffer is cut at its last character, data of odd
    // length loses its odd byte, and data that is not text is taken as it is.
    // A missing value leaves the buffer untouched.
    DWORD cchBuffer = cbBuffer / sizeof(TCHAR);
    if (cchBuffer == 0) return 1;
    DWORD cbStored = 0;
    if (RegQueryValueEx(hKey, pszName, NULL, NULL, NULL, &cbStored) != ERROR_SUCCESS) return 1;
    BYTE* pData = (BYTE*)malloc(cbStored + sizeof(TCHAR));
    if (pData == NULL) return 1;
    DWORD cbRead = cbStored;
    if (RegQueryValueEx(hKey, pszName, NULL, NULL, pData, &cbRead) == ERROR_SUCCESS) {
        DWORD cchRead = cbRead / sizeof(TCHAR);
        if (cchRead > cchBuffer - 1) cchRead = cchBuffer - 1;
        memcpy(pszBuffer, pData, cchRead * sizeof(TCHAR));
        pszBuffer[cchRead] = 0;
    }
    free(pData);
    return 1;
}

int ReadBacklightTimeout(DWORD* pdwTimeout, DWORD* pdwUseExt) {
    HKEY hKey;
    if (!OpenRegKey(HKEY_CURRENT_USER, BACKLIGHT_KEY, &hKey)) return 0;
    GetRegDword(hKey, _T("UseExt"), pdwUseExt);
    GetRegDword(hKey, *pdwUseExt ? _T("ACTimeout") : _T("OldACTimeout"), pdwTimeout);
    CloseRegKey(hKey, 0);
    return 1;
}

int WriteBacklightTimeout(DWORD dwTimeout, DWORD dwUseExt) {
    HKEY hKey;
    if (!OpenRegKey(HKEY_CURRENT_USER, BACKLIGHT_KEY, &hKey)) return 0;
    SetRegDword(hKey, _T("UseExt"), dwUseExt);
    if (dwUseExt == 0) {
        RegDeleteValue(hKey, _T("ACTimeout"));
        SetRegDword(hKey, _T("OldACTimeout"), dwTimeout);
    } else {
        RegDeleteValue(hKey, _T("OldACTimeout"));
        SetRegDword(hKey, _T("ACTimeout"), dwTimeout);
    }
    CloseRegKey(hKey, 1);
    return 1;
}

int ReadBrightnessLevel(DWORD* pdwLevel) {
    HKEY hKey;
    if (!OpenRegKey(HKEY_LOCAL_MACHINE, EXTPART_KEY, &hKey)) return 0;
    int nRead = GetRegDword(hKey, BRIGHTNESS_VALUE, pdwLevel);
    CloseRegKey(hKey, 0);
    return nRead;
}

int WriteBrightnessLevel(DWORD dwLevel) {
    HKEY hKey;
    if (!OpenRegKey(HKEY_LOCAL_MACHINE, EXTPART_KEY, &hKey)) return 0;
    SetRegDword(hKey, BRIGHTNESS_VALUE, dwLevel);
    CloseRegKey(hKey, 1);
    return 1;
}
