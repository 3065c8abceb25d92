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

// Opens `path` and closes it again: what the open returned.
inline LONG OpenError(HKEY base, const char16_t* path) {
    HKEY h = nullptr;
    LONG err = Open(base, path, &h);
    if (err == ERROR_SUCCESS) RegCloseKey(h);
    return err;
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

// The sub-key count of `path` below `base` (99 when it cannot be opened).
inline DWORD SubKeyCount(HKEY base, const char16_t* path) {
    HKEY h = nullptr;
    DWORD count = 99;
    if (Open(base, path, &h) != ERROR_SUCCESS) return 99;
    EXPECT_EQ(RegQueryInfoKey(h, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr, nullptr,
                              nullptr, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(h);
    return count;
}

// Every call on `h` but its close fails with `err`, changes nothing and hands
// out no key.
inline void ExpectEveryCallFails(HKEY h, LONG err) {
    HKEY out = reinterpret_cast<HKEY>(uintptr_t{1});
    DWORD v = 0, cb = 4, cch = 10;
    WCHAR name[10];
    EXPECT_EQ(Open(h, u"x", &out), err);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(Open(h, nullptr, &out), err);
    EXPECT_EQ(RegCreateKeyEx(h, u"x", 0, nullptr, 0, 0, nullptr, &out, nullptr), err);
    EXPECT_EQ(RegQueryValueEx(h, u"v", nullptr, nullptr, reinterpret_cast<BYTE*>(&v), &cb), err);
    EXPECT_EQ(RegQueryValueEx(h, u"v", nullptr, nullptr, nullptr, &cb), err);
    EXPECT_EQ(SetDword(h, u"v", 1), err);
    EXPECT_EQ(RegDeleteValue(h, u"v"), err);
    EXPECT_EQ(RegDeleteKey(h, u"x"), err);
    EXPECT_EQ(RegDeleteKey(h, nullptr), err);
    EXPECT_EQ(RegEnumKeyEx(h, 0, name, &cch, nullptr, nullptr, nullptr, nullptr), err);
    EXPECT_EQ(RegEnumValue(h, 0, name, &cch, nullptr, nullptr, nullptr, nullptr), err);
    EXPECT_EQ(RegQueryInfoKey(h, nullptr, nullptr, nullptr, &v, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                              nullptr),
              err);
    EXPECT_EQ(RegFlushKey(h), err);
    EXPECT_EQ(RegRenameKey(h, nullptr, u"y"), err);
    EXPECT_EQ(RegRenameValue(h, u"v", u"w"), err);
    EXPECT_EQ(RegCopyTree(h, nullptr, HKEY_CURRENT_USER), err);
    EXPECT_EQ(RegCopyTree(HKEY_CURRENT_USER, nullptr, h), err);
}

}  // namespace regtest
