// Mapping of device paths onto the image's folders, shared by the file API.
//
// A device path is split into components and walked one folder at a time
// with openat() on folder descriptors, so what the walk checked is what the
// caller then works on: a component may never be "." or "..", and a symbolic
// link anywhere on the way (the last component included) refuses the path.
// Names are matched case-insensitively against what the folder holds.
#pragma once

#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "windef.h"

namespace ce::files {

// An owned file descriptor.
class Fd {
public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() { Reset(); }
    Fd(Fd&& o) noexcept : fd_(o.Release()) {}
    Fd& operator=(Fd&& o) noexcept {
        if (this != &o) {
            Reset();
            fd_ = o.Release();
        }
        return *this;
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    int Release() {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }
    void Reset();

private:
    int fd_ = -1;
};

// The two volumes of the device: the internal store ("\") and the storage
// card ("\StorageCard").
enum class Volume { Internal, StorageCard };

// Name of the storage card folder in the root, as the device shows it.
inline constexpr std::u16string_view kStorageCardName = u"StorageCard";

struct ParsedPath {
    std::vector<std::u16string> components;
    bool trailingSeparator = false;
};

// Splits a device path. '\' and '/' both separate, repeated separators count
// as one, and a path is always taken from the root. Fails with
// ERROR_PATH_NOT_FOUND (empty), ERROR_FILENAME_EXCED_RANGE (MAX_PATH or more
// characters, or a name the host cannot store), ERROR_INVALID_NAME (a NUL, a
// control character, one of < > : " | ? *, a lone surrogate),
// ERROR_BAD_PATHNAME (a "." component or one made only of dots) or
// ERROR_ACCESS_DENIED (".."). With `wildcardLast`, '*' and '?' are allowed in
// the last component.
DWORD ParseDevicePath(std::u16string_view path, ParsedPath& out, bool wildcardLast = false);

// The outcome of walking a path down to its last component.
struct Resolved {
    Volume volume = Volume::Internal;
    // The folder holding the last component; for a volume root, the root
    // folder itself.
    Fd dir;
    // True for "\" and "\StorageCard": `name` is empty then.
    bool volumeRoot = false;
    // True for "\StorageCard" while no card is inserted: it does not exist,
    // and nothing may be created under that name.
    bool reserved = false;
    // The host name of the last component: the name it has on disk when it
    // exists (whatever its case), else the name as given (UTF-8).
    std::string name;
    // The last component as the caller wrote it.
    std::u16string given;
    bool exists = false;
    struct stat st {};  // of the last component when it exists (never followed)
    std::filesystem::path hostPath;
    bool trailingSeparator = false;
};

// Walks `path` down to its last component. Every folder on the way must
// exist (ERROR_PATH_NOT_FOUND) and be a real folder; a symbolic link gives
// ERROR_ACCESS_DENIED. The last component need not exist; when it does and
// is a symbolic link, the walk fails with ERROR_ACCESS_DENIED as well.
DWORD ResolvePath(const ParsedPath& parsed, Resolved& out);
DWORD ResolvePath(std::u16string_view path, Resolved& out);

// The path argument of a Win32 call: NULL gives ERROR_INVALID_PARAMETER, a
// string of MAX_PATH characters or more ERROR_FILENAME_EXCED_RANGE.
DWORD PathArgument(LPCWSTR p, std::u16string_view& out);

// Looks up `name` in the open folder `dirFd`, case-insensitively (an exact
// match wins; among several case-variants on the host, the first in byte
// order). Returns true with the host name and its lstat when found.
bool FindEntry(int dirFd, std::u16string_view name, std::string& hostName, struct stat& st);

// True when a host entry name can be shown on the device: valid UTF-8, no
// character the device refuses in names, not "." / "..", short enough.
bool IsDeviceVisibleName(std::string_view hostName, std::u16string* deviceName = nullptr);

// Win32 error for an errno of a file operation.
DWORD ErrnoToWin32(int err);

}  // namespace ce::files
