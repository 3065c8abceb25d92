// Internal interface of the emulated kernel, shared by the platform's layers
// (registry, drivers, host). Programs never include this header: they see the
// device only through the Win32 names of platform/include.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <nlohmann/json_fwd.hpp>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "windows.h"

namespace ce {

// ---- Text -----------------------------------------------------------------

std::string ToUtf8(std::u16string_view s);
std::u16string FromUtf8(std::string_view s);
// Case folding of the device's names (registry keys and values, file names):
// one UTF-16 unit at a time, covering ASCII and the Latin-1/Latin Extended-A
// letters the device's upper/lower-case tables know.
char16_t FoldChar(char16_t c);
std::u16string Fold(std::u16string_view s);
bool EqualsNoCase(std::u16string_view a, std::u16string_view b);
// Length of a NUL-terminated UTF-16 string, bounded by `max` units.
size_t BoundedLen(const WCHAR* s, size_t max);

// ---- Device image ---------------------------------------------------------

// A key of `device.conf`: its name, its default and what it does (the
// comment beside it in the file of a new image).
struct ConfKey {
    std::string_view name;
    std::string_view value;
    std::string_view comment;
};
// Every known key, in the order of the file.
std::span<const ConfKey> ConfKeys();
// The known key of that name (case-insensitive), or null.
const ConfKey* FindConfKey(std::string_view name);
// The known key closest in spelling to `name`.
std::string_view NearestConfKey(std::string_view name);
// The commented device.conf of a new image, every key at its default.
std::string DefaultDeviceConf();

// A line of device.conf the platform cannot use: an unknown key (with the
// nearest known one), or (empty key) a line that is not "key = value".
struct ConfProblem {
    int line = 0;
    std::string key;
    std::string_view nearest;
    // "FILE:LINE: unknown key \"x\" (nearest known key: y)"
    std::string Message(std::string_view file = "device.conf") const;
};

// `device.conf`: lines "key = value", '#' starts a comment. Keys are matched
// case-insensitively; a key not set has its default from ConfKeys().
class DeviceConfig {
public:
    static DeviceConfig Parse(std::string_view text);
    // The value set, else the key's default (empty for an unknown key).
    std::string Get(std::string_view key) const;
    std::string Get(std::string_view key, std::string_view fallback) const;
    bool Has(std::string_view key) const;  // set in the file
    // True unless the key is set to "absent" (or "no"/"off"/"false"/"0").
    bool Present(std::string_view key) const;
    void Set(std::string_view key, std::string_view value);
    // The lines Parse could not use, in file order.
    const std::vector<ConfProblem>& Problems() const { return problems_; }

private:
    std::map<std::string, std::string> values_;
    std::vector<ConfProblem> problems_;
};

struct ImageInfo {
    std::filesystem::path root;         // DIR
    std::filesystem::path fsRoot;       // DIR/fs, the device's "\"
    std::filesystem::path storageCard;  // host folder shown as "\StorageCard" (empty: none)
    DeviceConfig config;
};

// The image the platform works on. Set by the boot (platform/host) before any
// program code runs; tests boot their own images.
void SetImage(ImageInfo info);
void ClearImage();
bool HasImage();
const ImageInfo& Image();
// The storage card slot: a card is in while the image has a card folder and
// nobody took it out (the emulator's card control). Programs see
// "\StorageCard" only while one is in. SetImage puts the card back in.
bool StorageCardInserted();
void SetStorageCardInserted(bool inserted);
// Incremented by every SetImage/ClearImage; layers that cache per-image state
// (the registry's database connection) reopen when it changes.
uint64_t ImageGeneration();

// ---- Device log -----------------------------------------------------------

// JSON as the platform writes it (dumps, the device log): objects keep the
// order their members were added in. Include <nlohmann/json.hpp> to build one.
using Json = nlohmann::ordered_json;

// Appends one JSON object to DIR/log/device.log: "seq" first, then the
// members of `fields` (for example {"dev":"EPI1:","ioctl":"0x40010"}). The
// sequence number grows across every process of the image. Does nothing
// without an image.
void LogDevice(const Json& fields);
void LogDevice(const std::string&) = delete;  // a string would be logged as one text
void LogDevice(const char*) = delete;
std::string HexBytes(const void* data, size_t size);

// ---- Handles --------------------------------------------------------------

struct KernelObject {
    virtual ~KernelObject() = default;
};

HANDLE AllocHandle(std::shared_ptr<KernelObject> object);
std::shared_ptr<KernelObject> LookupHandle(HANDLE h);
template <class T>
std::shared_ptr<T> LookupHandleAs(HANDLE h) {
    return std::dynamic_pointer_cast<T>(LookupHandle(h));
}
// Removes the handle from the table; false when it was not a live handle.
bool FreeHandle(HANDLE h);

// Named event created by a driver: `onSet` runs on the setting thread each
// time any handle of the event is set (after the event is signalled).
HANDLE CreateDriverEvent(std::u16string_view name, bool manualReset, std::function<void()> onSet);

// ---- Files ----------------------------------------------------------------

// Maps a device path ("\Windows\info.civ", "Windows/info.civ") onto the host
// path inside the image's fs/ (or the storage card folder), matching existing
// names case-insensitively. Fails with a Win32 error for a path that would
// leave fs/ (a ".." component, a symbolic link anywhere on the way, an
// invalid character) or whose parent folder is missing. The last component
// need not exist.
DWORD ResolveDevicePath(std::u16string_view devicePath, std::filesystem::path& hostPath);

// ---- Devices --------------------------------------------------------------

class DeviceDriver {
public:
    virtual ~DeviceDriver() = default;
    // Returns a Win32 error code (ERROR_SUCCESS when the request was done).
    virtual DWORD IoControl(DWORD code, const BYTE* in, DWORD cbIn, BYTE* out, DWORD cbOut, DWORD* pcbReturned) = 0;
    // Extra members a driver adds to the log line of its last request (for
    // example what it now applies), as the text of a JSON object; read and
    // cleared after each call.
    std::string logFields;
};

// Opens one instance of a driver; returns null with `error` set when the
// device cannot be opened.
using DeviceOpener = std::function<std::shared_ptr<DeviceDriver>(DWORD& error)>;
void RegisterDevice(std::u16string_view name, DeviceOpener opener);
// True for a device name ("EPI1:": letters, one digit, a colon).
bool IsDeviceName(std::u16string_view name);
// Opens a registered device: a handle, or INVALID_HANDLE_VALUE with the last
// error set (ERROR_DEV_NOT_EXIST or the driver's own error). Failed opens are
// written to the device log.
HANDLE OpenDevice(std::u16string_view name);
void UnregisterAllDevices();

// Resolves a 32-bit buffer reference made by MapCallerBuffer32 on this thread
// for `cb` bytes. Null when the reference is unknown or its buffer is shorter.
BYTE* ResolveCallerBuffer32(DWORD ref, DWORD cb);

// ---- Modules --------------------------------------------------------------

// The export table of a built-in library ("coredll.dll"). The boot registers
// the entries that device.conf leaves present.
void RegisterModule(std::u16string_view name, std::map<std::string, FARPROC> exports);
void UnregisterAllModules();

// ---- HAL ------------------------------------------------------------------

// Called for IOCTL_HAL_REBOOT after it is logged. The default prints
// "device restart" and ends the process with status 3.
void SetRestartHandler(std::function<void()> handler);

}  // namespace ce
