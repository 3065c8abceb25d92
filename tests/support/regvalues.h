// Values of the device's registry read and written by key path, for tests
// that check what a program stored. A missing key or value reads as nullopt.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "windows.h"

namespace ce::test {

// The value's type and data; type 0xFFFFFFFF when the key or the value is
// missing.
inline std::pair<DWORD, std::vector<BYTE>> GetValue(HKEY root, const std::u16string& path, const std::u16string& name) {
    HKEY k = nullptr;
    if (RegOpenKeyEx(root, path.c_str(), 0, 0, &k) != ERROR_SUCCESS) return {0xFFFFFFFF, {}};
    DWORD type = 0, size = 0;
    std::vector<BYTE> data;
    LONG rc = RegQueryValueEx(k, name.c_str(), nullptr, &type, nullptr, &size);
    if (rc == ERROR_SUCCESS) {
        data.resize(size);
        rc = RegQueryValueEx(k, name.c_str(), nullptr, &type, data.data(), &size);
    }
    RegCloseKey(k);
    if (rc != ERROR_SUCCESS) return {0xFFFFFFFF, {}};
    return {type, data};
}

inline std::optional<DWORD> RegDword(HKEY root, const char16_t* path, const char16_t* name) {
    auto [type, data] = GetValue(root, path, name);
    if (type != REG_DWORD || data.size() != sizeof(DWORD)) return std::nullopt;
    return DWORD{data[0]} | DWORD{data[1]} << 8 | DWORD{data[2]} << 16 | DWORD{data[3]} << 24;
}

// A string value up to its first terminator.
inline std::optional<std::u16string> RegText(HKEY root, const char16_t* path, const char16_t* name) {
    auto [type, data] = GetValue(root, path, name);
    if (type == 0xFFFFFFFF) return std::nullopt;
    std::u16string text;
    for (size_t i = 0; i + 1 < data.size() && (data[i] || data[i + 1]); i += 2)
        text += static_cast<char16_t>(data[i] | data[i + 1] << 8);
    return text;
}

// The type of a value; nullopt when the key or the value is missing.
inline std::optional<DWORD> RegType(HKEY root, const char16_t* path, const char16_t* name) {
    DWORD type = GetValue(root, path, name).first;
    if (type == 0xFFFFFFFF) return std::nullopt;
    return type;
}

// Writers that need the key to exist and say whether the write took.
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

// Registry access as another program of the device would: keys made as
// needed, failures reported by the test.
inline HKEY CreateKey(HKEY root, const std::u16string& path) {
    HKEY k = nullptr;
    DWORD disp = 0;
    EXPECT_EQ(RegCreateKeyEx(root, path.c_str(), 0, nullptr, 0, 0, nullptr, &k, &disp), ERROR_SUCCESS);
    return k;
}
inline void SetValue(HKEY root, const std::u16string& path, const std::u16string& name, DWORD type,
                     const std::vector<BYTE>& data) {
    HKEY k = CreateKey(root, path);
    EXPECT_EQ(RegSetValueEx(k, name.c_str(), 0, type, data.data(), static_cast<DWORD>(data.size())), ERROR_SUCCESS);
    RegCloseKey(k);
}
inline bool KeyExists(HKEY root, const std::u16string& path) {
    HKEY k = nullptr;
    if (RegOpenKeyEx(root, path.c_str(), 0, 0, &k) != ERROR_SUCCESS) return false;
    RegCloseKey(k);
    return true;
}
inline std::vector<BYTE> Utf16Bytes(const std::u16string& s) {
    std::vector<BYTE> b;
    for (char16_t c : s) b.insert(b.end(), {static_cast<BYTE>(c), static_cast<BYTE>(c >> 8)});
    return b;
}

}  // namespace ce::test
