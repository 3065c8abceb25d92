// Wide C runtime helpers of the device: strings and characters (see
// wincrt.h for what differs from the host library; numbers and formatted
// text are in crtformat.cpp).
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ce_kernel.h"
#include "wincrt.h"

// ---- Strings -----------------------------------------------------------------

size_t wcslen(const WCHAR* s) {
    const WCHAR* p = s;
    while (*p) ++p;
    return static_cast<size_t>(p - s);
}

WCHAR* wcscpy(WCHAR* dst, const WCHAR* src) {
    WCHAR* d = dst;
    while ((*d++ = *src++)) {
    }
    return dst;
}

WCHAR* wcsncpy(WCHAR* dst, const WCHAR* src, size_t n) {
    size_t i = 0;
    for (; i < n && src[i]; ++i) dst[i] = src[i];
    for (; i < n; ++i) dst[i] = 0;
    return dst;
}

WCHAR* wcscat(WCHAR* dst, const WCHAR* src) {
    wcscpy(dst + wcslen(dst), src);
    return dst;
}

WCHAR* wcsncat(WCHAR* dst, const WCHAR* src, size_t n) {
    WCHAR* d = dst + wcslen(dst);
    for (size_t i = 0; i < n && src[i]; ++i) *d++ = src[i];
    *d = 0;
    return dst;
}

int wcscmp(const WCHAR* a, const WCHAR* b) {
    while (*a && *a == *b) ++a, ++b;
    return static_cast<int>(*a) - static_cast<int>(*b);
}

int wcsncmp(const WCHAR* a, const WCHAR* b, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        if (a[i] != b[i] || !a[i]) return static_cast<int>(a[i]) - static_cast<int>(b[i]);
    }
    return 0;
}

int _wcsnicmp(const WCHAR* a, const WCHAR* b, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        int ca = towlower(a[i]), cb = towlower(b[i]);
        if (ca != cb || !ca) return ca - cb;
    }
    return 0;
}

int _wcsicmp(const WCHAR* a, const WCHAR* b) {
    return _wcsnicmp(a, b, SIZE_MAX);
}

const WCHAR* wcschr(const WCHAR* s, WCHAR c) {
    for (;; ++s) {
        if (*s == c) return s;
        if (!*s) return nullptr;
    }
}
WCHAR* wcschr(WCHAR* s, WCHAR c) {
    return const_cast<WCHAR*>(wcschr(static_cast<const WCHAR*>(s), c));
}

const WCHAR* wcsrchr(const WCHAR* s, WCHAR c) {
    const WCHAR* found = nullptr;
    for (;; ++s) {
        if (*s == c) found = s;
        if (!*s) return found;
    }
}
WCHAR* wcsrchr(WCHAR* s, WCHAR c) {
    return const_cast<WCHAR*>(wcsrchr(static_cast<const WCHAR*>(s), c));
}

const WCHAR* wcsstr(const WCHAR* s, const WCHAR* sub) {
    size_t n = wcslen(sub);
    if (n == 0) return s;
    for (; *s; ++s)
        if (*s == *sub && wcsncmp(s, sub, n) == 0) return s;
    return nullptr;
}
WCHAR* wcsstr(WCHAR* s, const WCHAR* sub) {
    return const_cast<WCHAR*>(wcsstr(static_cast<const WCHAR*>(s), sub));
}

const WCHAR* wcspbrk(const WCHAR* s, const WCHAR* set) {
    for (; *s; ++s)
        if (wcschr(set, *s)) return s;
    return nullptr;
}
WCHAR* wcspbrk(WCHAR* s, const WCHAR* set) {
    return const_cast<WCHAR*>(wcspbrk(static_cast<const WCHAR*>(s), set));
}

size_t wcsspn(const WCHAR* s, const WCHAR* set) {
    size_t n = 0;
    while (s[n] && wcschr(set, s[n])) ++n;
    return n;
}

size_t wcscspn(const WCHAR* s, const WCHAR* set) {
    size_t n = 0;
    while (s[n] && !wcschr(set, s[n])) ++n;
    return n;
}

WCHAR* _wcslwr(WCHAR* s) {
    for (WCHAR* p = s; *p; ++p) *p = towlower(*p);
    return s;
}

WCHAR* _wcsupr(WCHAR* s) {
    for (WCHAR* p = s; *p; ++p) *p = towupper(*p);
    return s;
}

WCHAR* _wcsdup(const WCHAR* s) {
    if (!s) return nullptr;
    size_t n = wcslen(s) + 1;
    auto* p = static_cast<WCHAR*>(std::malloc(n * sizeof(WCHAR)));
    if (p) std::memcpy(p, s, n * sizeof(WCHAR));
    return p;
}

// ---- Characters ----------------------------------------------------------------

WCHAR towupper(WCHAR c) {
    if (c < 0x80) return (c >= u'a' && c <= u'z') ? static_cast<WCHAR>(c - 0x20) : c;
    if ((c >= 0xE0 && c <= 0xFE && c != 0xF7)) return static_cast<WCHAR>(c - 0x20);
    if (c == 0xFF) return 0x178;
    if ((c >= 0x100 && c <= 0x12F) || (c >= 0x132 && c <= 0x137) || (c >= 0x14A && c <= 0x177))
        return (c & 1) ? static_cast<WCHAR>(c - 1) : c;
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) ? c : static_cast<WCHAR>(c - 1);
    if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return static_cast<WCHAR>(c - 0x20);
    if (c >= 0x430 && c <= 0x44F) return static_cast<WCHAR>(c - 0x20);
    if (c >= 0x450 && c <= 0x45F) return static_cast<WCHAR>(c - 0x50);
    return c;
}

WCHAR towlower(WCHAR c) {
    if (c < 0x80) return (c >= u'A' && c <= u'Z') ? static_cast<WCHAR>(c + 0x20) : c;
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7)) return static_cast<WCHAR>(c + 0x20);
    if (c == 0x178) return 0xFF;
    if ((c >= 0x100 && c <= 0x12F) || (c >= 0x132 && c <= 0x137) || (c >= 0x14A && c <= 0x177))
        return (c & 1) ? c : static_cast<WCHAR>(c + 1);
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) ? static_cast<WCHAR>(c + 1) : c;
    if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return static_cast<WCHAR>(c + 0x20);
    if (c >= 0x410 && c <= 0x42F) return static_cast<WCHAR>(c + 0x20);
    if (c >= 0x400 && c <= 0x40F) return static_cast<WCHAR>(c + 0x50);
    return c;
}

int iswspace(WCHAR c) {
    return c == u' ' || (c >= 0x09 && c <= 0x0D) || c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) ||
           c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}
int iswdigit(WCHAR c) {
    return c >= u'0' && c <= u'9';
}
int iswxdigit(WCHAR c) {
    return iswdigit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}
int iswupper(WCHAR c) {
    return towlower(c) != c;
}
int iswlower(WCHAR c) {
    return towupper(c) != c || c == 0xDF;
}
int iswalpha(WCHAR c) {
    return iswupper(c) || iswlower(c) || c == 0xAA || c == 0xBA;
}
int iswalnum(WCHAR c) {
    return iswalpha(c) || iswdigit(c);
}

// ---- Kernel string functions -----------------------------------------------------

int lstrlen(LPCWSTR s) {
    return s ? static_cast<int>(wcslen(s)) : 0;
}
LPWSTR lstrcpy(LPWSTR dst, LPCWSTR src) {
    return wcscpy(dst, src);
}
LPWSTR lstrcpyn(LPWSTR dst, LPCWSTR src, int n) {
    if (n <= 0) return dst;
    int i = 0;
    for (; i < n - 1 && src[i]; ++i) dst[i] = src[i];
    dst[i] = 0;
    return dst;
}
LPWSTR lstrcat(LPWSTR dst, LPCWSTR src) {
    return wcscat(dst, src);
}
int lstrcmp(LPCWSTR a, LPCWSTR b) {
    int r = wcscmp(a, b);
    return (r > 0) - (r < 0);
}
int lstrcmpi(LPCWSTR a, LPCWSTR b) {
    int r = _wcsicmp(a, b);
    return (r > 0) - (r < 0);
}
