// Wide (UTF-16) C runtime helpers of the device.
//
// Device text is WCHAR (char16_t), so these are overloads beside the host C
// library's wchar_t functions: a call with a WCHAR string or a u"" literal
// picks the device version, a call with a wchar_t string the host one.
//
// Differences from the host library, all as on the device:
// - `long` is 32 bits on the device. wcstol/wcstoul/_wtol saturate at the
//   32-bit range, and the `l` length modifier of the printf/scanf family
//   means a 32-bit value (pass LONG/DWORD; scanf's %ld stores 32 bits).
//   `ll` and `I64` mean 64 bits.
// - In wide formats %s and %c take WCHAR strings/characters, %S and %C narrow
//   ones (narrow text is read as UTF-8). %hs/%hc are narrow, %ls/%lc/%ws wide.
// - swprintf has no size argument (the buffer must be large enough);
//   _snwprintf writes at most `count` characters and returns -1 when the
//   output did not fit (then no NUL is written); wsprintf writes at most 1024
//   characters including the NUL. %n is not supported by the printf family.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cwchar>
#include <cwctype>

#include "windef.h"

// ---- Strings -----------------------------------------------------------------

size_t wcslen(const WCHAR* s);
WCHAR* wcscpy(WCHAR* dst, const WCHAR* src);
// Copies at most n characters and pads with NULs up to n (no NUL when src is
// n characters or longer), as in the C library.
WCHAR* wcsncpy(WCHAR* dst, const WCHAR* src, size_t n);
WCHAR* wcscat(WCHAR* dst, const WCHAR* src);
// Appends at most n characters and always terminates.
WCHAR* wcsncat(WCHAR* dst, const WCHAR* src, size_t n);
int wcscmp(const WCHAR* a, const WCHAR* b);
int wcsncmp(const WCHAR* a, const WCHAR* b, size_t n);
// Case-insensitive: both sides are compared as lower case.
int _wcsicmp(const WCHAR* a, const WCHAR* b);
int _wcsnicmp(const WCHAR* a, const WCHAR* b, size_t n);
const WCHAR* wcschr(const WCHAR* s, WCHAR c);
WCHAR* wcschr(WCHAR* s, WCHAR c);
const WCHAR* wcsrchr(const WCHAR* s, WCHAR c);
WCHAR* wcsrchr(WCHAR* s, WCHAR c);
const WCHAR* wcsstr(const WCHAR* s, const WCHAR* sub);
WCHAR* wcsstr(WCHAR* s, const WCHAR* sub);
const WCHAR* wcspbrk(const WCHAR* s, const WCHAR* set);
WCHAR* wcspbrk(WCHAR* s, const WCHAR* set);
size_t wcsspn(const WCHAR* s, const WCHAR* set);
size_t wcscspn(const WCHAR* s, const WCHAR* set);
WCHAR* _wcslwr(WCHAR* s);
WCHAR* _wcsupr(WCHAR* s);
// Allocated with malloc; free with free().
WCHAR* _wcsdup(const WCHAR* s);

// ---- Characters ----------------------------------------------------------------

// Case mapping of ASCII, Latin-1, Latin Extended-A, Greek and Cyrillic.
WCHAR towlower(WCHAR c);
WCHAR towupper(WCHAR c);
int iswspace(WCHAR c);
int iswdigit(WCHAR c);
int iswxdigit(WCHAR c);
int iswalpha(WCHAR c);
int iswalnum(WCHAR c);
int iswupper(WCHAR c);
int iswlower(WCHAR c);

// ---- Numbers -------------------------------------------------------------------

long wcstol(const WCHAR* s, WCHAR** end, int base);
unsigned long wcstoul(const WCHAR* s, WCHAR** end, int base);
long _wtol(const WCHAR* s);
int _wtoi(const WCHAR* s);
WCHAR* _itow(int value, WCHAR* buf, int radix);
WCHAR* _ltow(long value, WCHAR* buf, int radix);
WCHAR* _ultow(unsigned long value, WCHAR* buf, int radix);

// ---- Formatted text --------------------------------------------------------------

int swprintf(WCHAR* buf, const WCHAR* fmt, ...);
int vswprintf(WCHAR* buf, const WCHAR* fmt, va_list args);
int _snwprintf(WCHAR* buf, size_t count, const WCHAR* fmt, ...);
int _vsnwprintf(WCHAR* buf, size_t count, const WCHAR* fmt, va_list args);
int wsprintf(WCHAR* buf, const WCHAR* fmt, ...);
int wvsprintf(WCHAR* buf, const WCHAR* fmt, va_list args);
// Returns the number of fields stored, or EOF when the input ended before the
// first conversion.
int swscanf(const WCHAR* input, const WCHAR* fmt, ...);
int vswscanf(const WCHAR* input, const WCHAR* fmt, va_list args);

// ---- Kernel string functions -----------------------------------------------------

int lstrlen(LPCWSTR s);
LPWSTR lstrcpy(LPWSTR dst, LPCWSTR src);
// Copies at most n-1 characters and always terminates.
LPWSTR lstrcpyn(LPWSTR dst, LPCWSTR src, int n);
LPWSTR lstrcat(LPWSTR dst, LPCWSTR src);
int lstrcmp(LPCWSTR a, LPCWSTR b);
int lstrcmpi(LPCWSTR a, LPCWSTR b);
