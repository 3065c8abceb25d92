// The settings store: small helpers over the registry, and the backlight
// time-out and brightness settings. Results are 1 for success, 0 for failure.
#pragma once

#include <tchar.h>
#include <windows.h>

#define BACKLIGHT_KEY _T("ControlPanel\\Backlight")
#define EXTPART_KEY _T("Drivers\\BuiltIn\\ExtPartInit")
#define BRIGHTNESS_VALUE _T("brightless_value")
#define MAX_BRIGHTNESS_LEVEL 31

int OpenRegKey(HKEY hRoot, LPCTSTR pszSubKey, HKEY* phKey);
int CloseRegKey(HKEY hKey, int bFlush);
int SetRegDword(HKEY hKey, LPCTSTR pszName, DWORD dwValue);
int GetRegDword(HKEY hKey, LPCTSTR pszName, DWORD* pdwValue);
int SetRegString(HKEY hKey, LPCTSTR pszName, LPCTSTR pszData, DWORD cbData);
int GetRegString(HKEY hKey, LPCTSTR pszName, LPTSTR pszBuffer, DWORD cbBuffer);

int ReadBacklightTimeout(DWORD* pdwTimeout, DWORD* pdwUseExt);
int WriteBacklightTimeout(DWORD dwTimeout, DWORD dwUseExt);
int ReadBrightnessLevel(DWORD* pdwLevel);
int WriteBrightnessLevel(DWORD dwLevel);
