// Small helpers shared by the registry tests.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "windows.h"

namespace regtest {

inline HKEY Create(HKEY base, const char16_t* path) {
    HKEY h = nullptr;
    DWORD disp = 0;
    LONG err = RegCreateKeyEx(base, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, &disp);
    EXPECT_EQ(err, ERROR_SUCCESS);
    return h;
}

inline LONG Open(HKEY base, const char16_t* path, HKEY* out) {
    return RegOpenKeyEx(base, path, 0, KEY_ALL_ACCESS, out);
}

inline LONG SetDword(HKEY h, const char16_t* name, DWORD v) {
    return RegSetValueEx(h, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v);
}

inline LONG SetSz(HKEY h, const char16_t* name, const std::u16string& s) {
    return RegSetValueEx(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(s.c_str()),
                         static_cast<DWORD>((s.size() + 1) * 2));
}

inline LONG GetDword(HKEY h, const char16_t* name, DWORD& v) {
    DWORD type = 0, cb = sizeof v;
    LONG err = RegQueryValueEx(h, name, nullptr, &type, reinterpret_cast<BYTE*>(&v), &cb);
    if (err == ERROR_SUCCESS && (type != REG_DWORD || cb != 4)) return ERROR_INVALID_DATA;
    return err;
}

// Every sub-key name in enumeration order (stops at the first error).
inline std::vector<std::u16string> SubKeys(HKEY h, LONG* last = nullptr) {
    std::vector<std::u16string> names;
    for (DWORD i = 0;; ++i) {
        WCHAR buf[256];
        DWORD cch = 256;
        LONG err = RegEnumKeyEx(h, i, buf, &cch, nullptr, nullptr, nullptr, nullptr);
        if (err != ERROR_SUCCESS) {
            if (last) *last = err;
            break;
        }
        names.emplace_back(buf, cch);
    }
    return names;
}

inline std::vector<std::u16string> ValueNames(HKEY h) {
    std::vector<std::u16string> names;
    for (DWORD i = 0;; ++i) {
        WCHAR buf[512];
        DWORD cch = 512;
        if (RegEnumValue(h, i, buf, &cch, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(buf, cch);
    }
    return names;
}

}  // namespace regtest
