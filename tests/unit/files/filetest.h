// Small helpers shared by the file tests.
#pragma once

#include <filesystem>
#include <string>

#include "ce_kernel.h"
#include "testimage.h"

namespace ce::test {

// Reads a whole device file through the file API ("" when it cannot be opened).
inline std::string ReadDevice(const WCHAR* path) {
    HANDLE h = CreateFile(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return "";
    std::string out;
    char buf[256];
    DWORD n = 0;
    while (ReadFile(h, buf, sizeof buf, &n, nullptr) && n) out.append(buf, n);
    CloseHandle(h);
    return out;
}

// Writes a whole device file (CREATE_ALWAYS); false when it cannot.
inline bool WriteDevice(const WCHAR* path, const std::string& text) {
    HANDLE h = CreateFile(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD n = 0;
    BOOL ok = WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &n, nullptr);
    CloseHandle(h);
    return ok && n == text.size();
}

// Error of a failing CreateFile (0 when it opened; the handle is closed).
inline DWORD OpenError(const WCHAR* path, DWORD access, DWORD disposition) {
    SetLastError(0);
    HANDLE h = CreateFile(path, access, 0, nullptr, disposition, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return GetLastError();
    CloseHandle(h);
    return 0;
}

inline DWORD AttributesError(const WCHAR* path) {
    SetLastError(0);
    return GetFileAttributes(path) == INVALID_FILE_ATTRIBUTES ? GetLastError() : 0;
}

// The last error of a BOOL call, or 0 when it succeeded.
#define CE_ERROR_OF(call)                    \
    ([&]() -> DWORD {                        \
        SetLastError(0);                     \
        return (call) ? 0u : GetLastError(); \
    }())

}  // namespace ce::test
