// Registry text files on the device's file system (regfileapi.h): the device
// path resolved, the file read or replaced whole, the text parsed and applied
// by the registry's own reader and writer (regfile.h).
#include "regfileapi.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "ce_kernel.h"
#include "regfile.h"
#include "regtext.h"
#include "savefile.h"

namespace {

// A registry file larger than this is not read (the registry itself holds
// far less than its text takes).
constexpr size_t kMaxRegFileSize = 256u << 20;

LONG Report(LONG status, const std::string& text, LPWSTR lpErrorText, DWORD cchErrorText) {
    if (lpErrorText && cchErrorText) {
        std::u16string wide = ce::FromUtf8(text);
        size_t n = std::min<size_t>(wide.size(), cchErrorText - 1);
        std::memcpy(lpErrorText, wide.data(), n * sizeof(WCHAR));
        lpErrorText[n] = 0;
    }
    return status;
}

std::string Named(LPCWSTR lpFile) {
    return ce::ToUtf8(std::u16string_view(lpFile));
}

std::string FileError(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return "the file or its folder does not exist";
        case ERROR_ACCESS_DENIED:
            return "access denied";
        case ERROR_DISK_FULL:
            return "the disk is full";
        case ERROR_FILE_TOO_LARGE:
            return "the file is too large";
        default:
            return ce::regtext::DescribeError(error);
    }
}

}  // namespace

LONG RegExportKeyToFile(HKEY hKey, LPCWSTR lpSubKey, LPCWSTR lpFile, LPWSTR lpErrorText, DWORD cchErrorText) {
    using namespace ce::regtext;
    if (!lpFile || !*lpFile) return Report(ERROR_INVALID_PARAMETER, "no file name", lpErrorText, cchErrorText);
    std::vector<KeyPath> keys;
    if (!hKey) {
        for (HKEY root : {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS})
            keys.push_back({root, u""});
    } else {
        if (RootName(hKey).empty())
            return Report(ERROR_INVALID_HANDLE, "not a registry root", lpErrorText, cchErrorText);
        std::u16string sub = lpSubKey ? std::u16string(lpSubKey) : std::u16string();
        if (!sub.empty() && sub.front() == u'\\') sub.erase(0, 1);
        keys.push_back({hKey, sub});
    }
    std::u16string text(kHeader5);
    text += u"\n\n";
    for (const KeyPath& key : keys) {
        std::string error;
        Outcome outcome = ExportKey(key, text, error);
        if (outcome == Outcome::NotFound) return Report(ERROR_FILE_NOT_FOUND, error, lpErrorText, cchErrorText);
        if (outcome != Outcome::Ok) return Report(ERROR_INVALID_DATA, error, lpErrorText, cchErrorText);
    }
    std::string bytes, error;
    if (!EncodeText(text, true, bytes, error)) return Report(ERROR_INVALID_DATA, error, lpErrorText, cchErrorText);
    std::filesystem::path host;
    DWORD err = ce::ResolveDevicePath(std::u16string_view(lpFile), host);
    if (!err) err = ce::reg::ReplaceHostFile(host, std::vector<uint8_t>(bytes.begin(), bytes.end()));
    if (err)
        return Report(static_cast<LONG>(err), "cannot write " + Named(lpFile) + ": " + FileError(err), lpErrorText,
                      cchErrorText);
    return Report(ERROR_SUCCESS, "", lpErrorText, cchErrorText);
}

LONG RegImportFile(LPCWSTR lpFile, LPWSTR lpErrorText, DWORD cchErrorText) {
    using namespace ce::regtext;
    if (!lpFile || !*lpFile) return Report(ERROR_INVALID_PARAMETER, "no file name", lpErrorText, cchErrorText);
    std::filesystem::path host;
    std::vector<uint8_t> bytes;
    DWORD err = ce::ResolveDevicePath(std::u16string_view(lpFile), host);
    if (!err) {
        err = ce::reg::ReadHostFile(host, bytes, kMaxRegFileSize);
        if (err == ERROR_REGISTRY_CORRUPT) err = ERROR_FILE_TOO_LARGE;  // its word for "over the limit"
    }
    if (err)
        return Report(static_cast<LONG>(err), "cannot read " + Named(lpFile) + ": " + FileError(err), lpErrorText,
                      cchErrorText);
    std::vector<Operation> ops;
    ParseError error;
    std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (!ParseRegFile(text, ops, error) || ApplyOperations(ops, error) != Outcome::Ok) {
        std::string where = error.line > 0 ? "line " + std::to_string(error.line) + ": " : "";
        return Report(ERROR_INVALID_DATA, where + error.message, lpErrorText, cchErrorText);
    }
    return Report(ERROR_SUCCESS, "", lpErrorText, cchErrorText);
}
