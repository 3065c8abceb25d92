// Values of the device's registry read and written by key path, for tests
// that check what a program stored. A missing key or value reads as nullopt;
// the writers need the key to exist and say whether the write took.
#pragma once

#include <optional>
#include <string>

#include "windows.h"

namespace ce::test {

inline std::optional<DWORD> RegDword(HKEY root, const char16_t* path, const char16_t* name) {
    HKEY key;
    if (RegOpenKeyEx(root, path, 0, 0, &key) != ERROR_SUCCESS) return std::nullopt;
    DWORD v = 0, size = sizeof v, type = 0;
    LONG rc = RegQueryValueEx(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&v), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || type != REG_DWORD) return std::nullopt;
    return v;
}

inline std::optional<std::u16string> RegText(HKEY root, const char16_t* path, const char16_t* name) {
    HKEY key;
    if (RegOpenKeyEx(root, path, 0, 0, &key) != ERROR_SUCCESS) return std::nullopt;
    WCHAR buf[600] = {};
    DWORD size = sizeof buf - 2;
    LONG rc = RegQueryValueEx(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) return std::nullopt;
    return std::u16string(buf);
}

// The type of a value; nullopt when the key or the value is missing.
inline std::optional<DWORD> RegType(HKEY root, const char16_t* path, const char16_t* name) {
    HKEY key;
    if (RegOpenKeyEx(root, path, 0, 0, &key) != ERROR_SUCCESS) return std::nullopt;
    DWORD type = 0;
    LONG rc = RegQueryValueEx(key, name, nullptr, &type, nullptr, nullptr);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) return std::nullopt;
    return type;
}

inline bool SetRegValue(HKEY root, const char16_t* path, const char16_t* name, DWORD type, const void* data,
                        DWORD size) {
    HKEY key;
    if (RegOpenKeyEx(root, path, 0, 0, &key) != ERROR_SUCCESS) return false;
    LONG rc = RegSetValueEx(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}
inline bool SetRegDword(HKEY root, const char16_t* path, const char16_t* name, DWORD v) {
    return SetRegValue(root, path, name, REG_DWORD, &v, sizeof v);
}
inline bool SetRegText(HKEY root, const char16_t* path, const char16_t* name, const std::u16string& text) {
    return SetRegValue(root, path, name, REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * 2));
}
inline bool DeleteRegValue(HKEY root, const char16_t* path, const char16_t* name) {
    HKEY key;
    if (RegOpenKeyEx(root, path, 0, 0, &key) != ERROR_SUCCESS) return false;
    LONG rc = RegDeleteValue(key, name);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

}  // namespace ce::test
