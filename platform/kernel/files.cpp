// The device's file API on the image's fs/ folder (and the storage card).
//
// Paths are walked by pathmap.cpp; every operation here then works relative
// to the folder descriptor the walk ended in (openat, mkdirat, renameat2,
// unlinkat), with O_NOFOLLOW on the last component, so neither a "..", nor a
// symbolic link, nor a link swapped in after the walk can take it outside.
//
// Behaviour of the device kept here:
// - A read-only file (no owner write permission on the host) cannot be opened
//   for writing, replaced or deleted (ERROR_ACCESS_DENIED), also when the
//   platform runs as root.
// - CreateFile with CREATE_ALWAYS / OPEN_ALWAYS sets ERROR_ALREADY_EXISTS on
//   success when the file was there, and 0 otherwise.
// - MoveFile never replaces; a move between the internal store and the
//   storage card is a copy followed by a delete of the source. When the copy
//   fails, what was copied is removed and the source is left as it was.
// - CopyFile writes a temporary file beside the target and renames it into
//   place, so a failed copy never leaves a half-written target.
// - "\StorageCard" reports FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_TEMPORARY,
//   the way the device marks a mounted card.
// - Searches never return "." or "..", and list entries in a stable order
//   (case-insensitive name order). Host entries the device could not show
//   (symbolic links, special files, names with characters the device refuses)
//   are left out.
// - Sharing modes are not enforced.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

#include "ce_kernel.h"
#include "pathmap.h"

namespace ce::files {
namespace {

struct FileObject : KernelObject {
    Fd fd;
    bool canRead = false;
    bool canWrite = false;
};

struct FindObject : KernelObject {
    std::mutex mutex;
    std::vector<WIN32_FIND_DATAW> entries;
    size_t next = 0;
};

BOOL Fail(DWORD err) {
    SetLastError(err);
    return FALSE;
}

HANDLE FailHandle(DWORD err) {
    SetLastError(err);
    return INVALID_HANDLE_VALUE;
}

std::shared_ptr<FileObject> LookupFile(HANDLE h) {
    if (h == nullptr || h == INVALID_HANDLE_VALUE) return nullptr;
    return LookupHandleAs<FileObject>(h);
}

bool IsReadOnly(const struct stat& st) {
    return (st.st_mode & S_IWUSR) == 0;
}

FILETIME ToFileTime(const struct timespec& ts) {
    // 100-ns intervals since 1601-01-01.
    constexpr int64_t kEpochDelta = 11644473600LL;
    int64_t t = (static_cast<int64_t>(ts.tv_sec) + kEpochDelta) * 10000000LL + ts.tv_nsec / 100;
    if (t < 0) t = 0;
    return FILETIME{static_cast<DWORD>(t), static_cast<DWORD>(static_cast<uint64_t>(t) >> 32)};
}

DWORD AttributesOf(const struct stat& st) {
    DWORD attrs = 0;
    if (S_ISDIR(st.st_mode)) attrs |= FILE_ATTRIBUTE_DIRECTORY;
    if (IsReadOnly(st)) attrs |= FILE_ATTRIBUTE_READONLY;
    return attrs ? attrs : FILE_ATTRIBUTE_NORMAL;
}

DWORD AttributesOf(const Resolved& r) {
    DWORD attrs = AttributesOf(r.st);
    if (r.volumeRoot && r.volume == Volume::StorageCard) attrs |= FILE_ATTRIBUTE_TEMPORARY;
    return attrs;
}

WIN32_FIND_DATAW MakeFindData(std::u16string_view name, const struct stat& st, DWORD attrs) {
    WIN32_FIND_DATAW d{};
    d.dwFileAttributes = attrs;
    d.ftCreationTime = ToFileTime(st.st_ctim);
    d.ftLastAccessTime = ToFileTime(st.st_atim);
    d.ftLastWriteTime = ToFileTime(st.st_mtim);
    if (S_ISREG(st.st_mode)) {
        uint64_t size = static_cast<uint64_t>(st.st_size);
        d.nFileSizeHigh = static_cast<DWORD>(size >> 32);
        d.nFileSizeLow = static_cast<DWORD>(size);
    }
    size_t n = std::min<size_t>(name.size(), MAX_PATH - 1);
    std::copy_n(name.begin(), n, d.cFileName);
    d.cFileName[n] = 0;
    return d;
}

// Case-insensitive match of a device file-name pattern ('*' any run, '?' one
// character). As on the device, a pattern ending in ".*" also matches a name
// without any dot ("*.*" matches everything).
bool WildMatch(std::u16string_view pattern, std::u16string_view name) {
    size_t p = 0, n = 0, starP = std::u16string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == u'*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() && (pattern[p] == u'?' || FoldChar(pattern[p]) == FoldChar(name[n]))) {
            ++p;
            ++n;
        } else if (starP != std::u16string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*') ++p;
    return p == pattern.size();
}

bool MatchesPattern(std::u16string_view pattern, std::u16string_view name) {
    if (WildMatch(pattern, name)) return true;
    if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == u".*" &&
        name.find(u'.') == std::u16string_view::npos)
        return WildMatch(pattern.substr(0, pattern.size() - 2), name);
    return false;
}

// Opens the folder a walk ended at (the last component itself).
DWORD OpenResolvedFolder(Resolved& r, Fd& out) {
    if (r.reserved || !r.exists) return ERROR_PATH_NOT_FOUND;
    if (!S_ISDIR(r.st.st_mode)) return ERROR_DIRECTORY;
    if (r.volumeRoot) {
        out = std::move(r.dir);
        return ERROR_SUCCESS;
    }
    out = Fd(::openat(r.dir.get(), r.name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!out.valid()) return errno == ELOOP ? ERROR_ACCESS_DENIED : ErrnoToWin32(errno);
    return ERROR_SUCCESS;
}

// Entries of a folder the device can show, with their lstat.
struct HostEntry {
    std::string hostName;
    std::u16string name;
    struct stat st;
};

DWORD ListFolder(int dirFd, std::vector<HostEntry>& out) {
    int dupFd = ::fcntl(dirFd, F_DUPFD_CLOEXEC, 0);
    if (dupFd < 0) return ErrnoToWin32(errno);
    DIR* d = ::fdopendir(dupFd);
    if (!d) {
        ::close(dupFd);
        return ErrnoToWin32(errno);
    }
    ::rewinddir(d);
    while (dirent* e = ::readdir(d)) {
        HostEntry entry;
        entry.hostName = e->d_name;
        if (!IsDeviceVisibleName(entry.hostName, &entry.name)) continue;
        if (::fstatat(dirFd, e->d_name, &entry.st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (!S_ISREG(entry.st.st_mode) && !S_ISDIR(entry.st.st_mode)) continue;
        out.push_back(std::move(entry));
    }
    ::closedir(d);
    return ERROR_SUCCESS;
}

// ---- Copying ----------------------------------------------------------------

DWORD CopyContents(int in, int out) {
    std::vector<char> buf(1 << 16);
    for (;;) {
        ssize_t n = ::read(in, buf.data(), buf.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return ERROR_READ_FAULT;
        }
        if (n == 0) return ERROR_SUCCESS;
        for (ssize_t done = 0; done < n;) {
            ssize_t w = ::write(out, buf.data() + done, static_cast<size_t>(n - done));
            if (w < 0) {
                if (errno == EINTR) continue;
                return ErrnoToWin32(errno);
            }
            done += w;
        }
    }
}

std::string TempName(const std::string& base) {
    static std::atomic<unsigned> counter{0};
    return "." + base.substr(0, 200) + ".~copy" + std::to_string(::getpid()) + "." + std::to_string(counter++);
}

Fd OpenRegularNoFollow(int dirFd, const std::string& name, int mode, struct stat& st) {
    Fd fd(::openat(dirFd, name.c_str(), mode | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!fd.valid()) return fd;
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        errno = EACCES;
        return Fd();
    }
    int fl = ::fcntl(fd.get(), F_GETFL);
    if (fl >= 0) ::fcntl(fd.get(), F_SETFL, fl & ~O_NONBLOCK);
    return fd;
}

// Renames without ever replacing an existing entry (EEXIST when one is there).
// Host file systems without RENAME_NOREPLACE get a check before the rename.
int RenameNoReplace(int fromDir, const std::string& from, int toDir, const std::string& to) {
    if (::renameat2(fromDir, from.c_str(), toDir, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return -1;
    struct stat st {};
    if (::fstatat(toDir, to.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        errno = EEXIST;
        return -1;
    }
    return ::renameat(fromDir, from.c_str(), toDir, to.c_str());
}

// Removes a folder entry and everything below it, never following a link.
void RemoveTree(int dirFd, const std::string& name) {
    struct stat st {};
    if (::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return;
    if (S_ISDIR(st.st_mode)) {
        Fd sub(::openat(dirFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (sub.valid()) {
            std::vector<std::string> names;
            int dupFd = ::fcntl(sub.get(), F_DUPFD_CLOEXEC, 0);
            if (DIR* d = dupFd >= 0 ? ::fdopendir(dupFd) : nullptr) {
                ::rewinddir(d);
                while (dirent* e = ::readdir(d))
                    if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
                        names.emplace_back(e->d_name);
                ::closedir(d);
            } else if (dupFd >= 0) {
                ::close(dupFd);
            }
            for (const auto& n : names) RemoveTree(sub.get(), n);
        }
        ::unlinkat(dirFd, name.c_str(), AT_REMOVEDIR);
    } else {
        ::unlinkat(dirFd, name.c_str(), 0);
    }
}

// Copies a file or a whole folder to a new entry (never replacing one). On
// failure nothing of the copy is left. Links and special files inside a
// folder refuse the copy, so a move can never drop them silently.
DWORD CopyTree(int srcDir, const std::string& srcName, int dstDir, const std::string& dstName) {
    struct stat st {};
    if (::fstatat(srcDir, srcName.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return ErrnoToWin32(errno);
    if (S_ISREG(st.st_mode)) {
        struct stat ist {};
        Fd in = OpenRegularNoFollow(srcDir, srcName, O_RDONLY, ist);
        if (!in.valid()) return ErrnoToWin32(errno);
        Fd out(::openat(dstDir, dstName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                        ist.st_mode & 07777));
        if (!out.valid()) return errno == EEXIST ? ERROR_ALREADY_EXISTS : ErrnoToWin32(errno);
        DWORD err = CopyContents(in.get(), out.get());
        if (!err && ::fsync(out.get()) != 0) err = ErrnoToWin32(errno);
        if (err) ::unlinkat(dstDir, dstName.c_str(), 0);
        return err;
    }
    if (!S_ISDIR(st.st_mode)) return ERROR_ACCESS_DENIED;

    Fd src(::openat(srcDir, srcName.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!src.valid()) return errno == ELOOP ? ERROR_ACCESS_DENIED : ErrnoToWin32(errno);
    std::vector<std::string> names;
    {
        int dupFd = ::fcntl(src.get(), F_DUPFD_CLOEXEC, 0);
        DIR* d = dupFd >= 0 ? ::fdopendir(dupFd) : nullptr;
        if (!d) {
            if (dupFd >= 0) ::close(dupFd);
            return ERROR_ACCESS_DENIED;
        }
        ::rewinddir(d);
        while (dirent* e = ::readdir(d))
            if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) names.emplace_back(e->d_name);
        ::closedir(d);
    }
    if (::mkdirat(dstDir, dstName.c_str(), st.st_mode & 07777) != 0)
        return errno == EEXIST ? ERROR_ALREADY_EXISTS : ErrnoToWin32(errno);
    Fd dst(::openat(dstDir, dstName.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    DWORD err = dst.valid() ? ERROR_SUCCESS : ErrnoToWin32(errno);
    for (size_t i = 0; !err && i < names.size(); ++i) err = CopyTree(src.get(), names[i], dst.get(), names[i]);
    if (err) RemoveTree(dstDir, dstName);
    return err;
}

}  // namespace
}  // namespace ce::files

using namespace ce::files;

HANDLE CreateFile(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                  LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition, DWORD dwFlagsAndAttributes,
                  HANDLE hTemplateFile) {
    std::u16string_view path;
    if (DWORD err = PathArgument(lpFileName, path)) return FailHandle(err);
    if (ce::IsDeviceName(path)) return ce::OpenDevice(path);
    if (dwCreationDisposition < CREATE_NEW || dwCreationDisposition > TRUNCATE_EXISTING)
        return FailHandle(ERROR_INVALID_PARAMETER);
    const bool wantRead = dwDesiredAccess & (GENERIC_READ | GENERIC_ALL | GENERIC_EXECUTE);
    const bool wantWrite = dwDesiredAccess & (GENERIC_WRITE | GENERIC_ALL);
    if (dwCreationDisposition == TRUNCATE_EXISTING && !wantWrite) return FailHandle(ERROR_INVALID_PARAMETER);

    Resolved r;
    if (DWORD err = ResolvePath(path, r)) return FailHandle(err);
    const bool mustExist = dwCreationDisposition == OPEN_EXISTING || dwCreationDisposition == TRUNCATE_EXISTING;
    if (r.reserved) return FailHandle(mustExist ? ERROR_FILE_NOT_FOUND : ERROR_ACCESS_DENIED);
    if (r.volumeRoot || (r.exists && S_ISDIR(r.st.st_mode))) return FailHandle(ERROR_ACCESS_DENIED);
    if (r.trailingSeparator) return FailHandle(ERROR_INVALID_NAME);
    if (r.exists && !S_ISREG(r.st.st_mode)) return FailHandle(ERROR_ACCESS_DENIED);
    if (dwCreationDisposition == CREATE_NEW && r.exists) return FailHandle(ERROR_FILE_EXISTS);
    if (mustExist && !r.exists) return FailHandle(ERROR_FILE_NOT_FOUND);

    const bool truncate = dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == TRUNCATE_EXISTING;
    if (r.exists && (wantWrite || truncate) && IsReadOnly(r.st)) return FailHandle(ERROR_ACCESS_DENIED);

    int flags = O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
    // Truncation needs a writable descriptor even for a read-only handle.
    if (wantWrite || truncate)
        flags |= wantRead || !wantWrite ? O_RDWR : O_WRONLY;
    else
        flags |= O_RDONLY;
    switch (dwCreationDisposition) {
        case CREATE_NEW:
            flags |= O_CREAT | O_EXCL;
            break;
        case CREATE_ALWAYS:
            flags |= O_CREAT | O_TRUNC;
            break;
        case OPEN_ALWAYS:
            flags |= O_CREAT;
            break;
        case TRUNCATE_EXISTING:
            flags |= O_TRUNC;
            break;
        default:
            break;
    }
    mode_t mode = (dwFlagsAndAttributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
    Fd fd(::openat(r.dir.get(), r.name.c_str(), flags, mode));
    if (!fd.valid()) {
        if (errno == EEXIST) return FailHandle(ERROR_FILE_EXISTS);
        if (errno == ELOOP) return FailHandle(ERROR_ACCESS_DENIED);  // a link swapped in
        return FailHandle(ErrnoToWin32(errno));
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return FailHandle(ERROR_ACCESS_DENIED);
    int fl = ::fcntl(fd.get(), F_GETFL);
    if (fl >= 0) ::fcntl(fd.get(), F_SETFL, fl & ~O_NONBLOCK);

    auto file = std::make_shared<FileObject>();
    file->fd = std::move(fd);
    file->canRead = wantRead;
    file->canWrite = wantWrite;
    HANDLE h = ce::AllocHandle(file);
    if (h == nullptr || h == INVALID_HANDLE_VALUE) return FailHandle(ERROR_TOO_MANY_OPEN_FILES);
    const bool reportsExisting = dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == OPEN_ALWAYS;
    SetLastError(reportsExisting && r.exists ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return h;
}

BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
              LPOVERLAPPED lpOverlapped) {
    if (lpNumberOfBytesRead) *lpNumberOfBytesRead = 0;
    auto file = LookupFile(hFile);
    if (!file) return Fail(ERROR_INVALID_HANDLE);
    if (lpOverlapped) return Fail(ERROR_NOT_SUPPORTED);  // the device has no overlapped I/O
    if (!lpBuffer && nNumberOfBytesToRead) return Fail(ERROR_INVALID_PARAMETER);
    if (!file->canRead) return Fail(ERROR_ACCESS_DENIED);
    auto* p = static_cast<char*>(lpBuffer);
    DWORD done = 0;
    while (done < nNumberOfBytesToRead) {
        ssize_t n = ::read(file->fd.get(), p + done, nNumberOfBytesToRead - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (lpNumberOfBytesRead) *lpNumberOfBytesRead = done;
            return Fail(ERROR_READ_FAULT);
        }
        if (n == 0) break;  // end of file: success with fewer bytes
        done += static_cast<DWORD>(n);
    }
    if (lpNumberOfBytesRead) *lpNumberOfBytesRead = done;
    return TRUE;
}

BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, LPDWORD lpNumberOfBytesWritten,
               LPOVERLAPPED lpOverlapped) {
    if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = 0;
    auto file = LookupFile(hFile);
    if (!file) return Fail(ERROR_INVALID_HANDLE);
    if (lpOverlapped) return Fail(ERROR_NOT_SUPPORTED);
    if (!lpBuffer && nNumberOfBytesToWrite) return Fail(ERROR_INVALID_PARAMETER);
    if (!file->canWrite) return Fail(ERROR_ACCESS_DENIED);
    auto* p = static_cast<const char*>(lpBuffer);
    DWORD done = 0;
    while (done < nNumberOfBytesToWrite) {
        ssize_t n = ::write(file->fd.get(), p + done, nNumberOfBytesToWrite - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = done;
            return Fail(ErrnoToWin32(errno) == ERROR_GEN_FAILURE ? ERROR_WRITE_FAULT : ErrnoToWin32(errno));
        }
        done += static_cast<DWORD>(n);
    }
    if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = done;
    return TRUE;
}

DWORD SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh, DWORD dwMoveMethod) {
    auto file = LookupFile(hFile);
    if (!file) {
        SetLastError(ERROR_INVALID_HANDLE);
        return INVALID_SET_FILE_POINTER;
    }
    int64_t distance =
        lpDistanceToMoveHigh
            ? static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(*lpDistanceToMoveHigh)) << 32) |
                                   static_cast<uint32_t>(lDistanceToMove))
            : static_cast<int64_t>(lDistanceToMove);
    int whence;
    switch (dwMoveMethod) {
        case FILE_BEGIN:
            whence = SEEK_SET;
            break;
        case FILE_CURRENT:
            whence = SEEK_CUR;
            break;
        case FILE_END:
            whence = SEEK_END;
            break;
        default:
            SetLastError(ERROR_INVALID_PARAMETER);
            return INVALID_SET_FILE_POINTER;
    }
    int64_t base = whence == SEEK_SET ? 0 : ::lseek(file->fd.get(), 0, whence);
    if (base < 0) {
        SetLastError(ErrnoToWin32(errno));
        return INVALID_SET_FILE_POINTER;
    }
    int64_t target;
    if (__builtin_add_overflow(base, distance, &target) || target < 0) {
        SetLastError(ERROR_NEGATIVE_SEEK);
        return INVALID_SET_FILE_POINTER;
    }
    // Without a high part the new position has to fit in 32 bits.
    if (!lpDistanceToMoveHigh && target > 0xFFFFFFFFLL) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    if (::lseek(file->fd.get(), target, SEEK_SET) < 0) {
        SetLastError(ErrnoToWin32(errno));
        return INVALID_SET_FILE_POINTER;
    }
    if (lpDistanceToMoveHigh) *lpDistanceToMoveHigh = static_cast<LONG>(static_cast<uint64_t>(target) >> 32);
    DWORD low = static_cast<DWORD>(target);
    // A low part equal to INVALID_SET_FILE_POINTER is told apart by the error.
    if (low == INVALID_SET_FILE_POINTER) SetLastError(NO_ERROR);
    return low;
}

DWORD GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh) {
    auto file = LookupFile(hFile);
    struct stat st {};
    if (!file || ::fstat(file->fd.get(), &st) != 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return INVALID_FILE_SIZE;
    }
    uint64_t size = static_cast<uint64_t>(st.st_size);
    if (lpFileSizeHigh) *lpFileSizeHigh = static_cast<DWORD>(size >> 32);
    DWORD low = static_cast<DWORD>(size);
    if (low == INVALID_FILE_SIZE) SetLastError(NO_ERROR);
    return low;
}

BOOL FlushFileBuffers(HANDLE hFile) {
    auto file = LookupFile(hFile);
    if (!file) return Fail(ERROR_INVALID_HANDLE);
    if (!file->canWrite) return Fail(ERROR_ACCESS_DENIED);
    if (::fsync(file->fd.get()) != 0) return Fail(ERROR_WRITE_FAULT);
    return TRUE;
}

BOOL CopyFile(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, BOOL bFailIfExists) {
    std::u16string_view srcPath, dstPath;
    if (DWORD err = PathArgument(lpExistingFileName, srcPath)) return Fail(err);
    if (DWORD err = PathArgument(lpNewFileName, dstPath)) return Fail(err);
    Resolved src, dst;
    if (DWORD err = ResolvePath(srcPath, src)) return Fail(err);
    if (src.reserved || !src.exists) return Fail(ERROR_FILE_NOT_FOUND);
    if (!S_ISREG(src.st.st_mode)) return Fail(ERROR_ACCESS_DENIED);
    if (src.trailingSeparator) return Fail(ERROR_INVALID_NAME);
    if (DWORD err = ResolvePath(dstPath, dst)) return Fail(err);
    if (dst.reserved || dst.volumeRoot) return Fail(ERROR_ACCESS_DENIED);
    if (dst.trailingSeparator) return Fail(ERROR_INVALID_NAME);
    if (dst.exists) {
        if (bFailIfExists) return Fail(ERROR_FILE_EXISTS);
        if (!S_ISREG(dst.st.st_mode) || IsReadOnly(dst.st)) return Fail(ERROR_ACCESS_DENIED);
    }

    struct stat st {};
    Fd in = OpenRegularNoFollow(src.dir.get(), src.name, O_RDONLY, st);
    if (!in.valid()) return Fail(errno == ELOOP ? ERROR_ACCESS_DENIED : ErrnoToWin32(errno));
    std::string tmp = TempName(dst.name);
    Fd out(
        ::openat(dst.dir.get(), tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, st.st_mode & 0777));
    if (!out.valid()) return Fail(ErrnoToWin32(errno));
    DWORD err = CopyContents(in.get(), out.get());
    if (!err && ::fsync(out.get()) != 0) err = ErrnoToWin32(errno);
    if (!err) {
        if (bFailIfExists) {
            // A target made meanwhile still wins.
            if (RenameNoReplace(dst.dir.get(), tmp, dst.dir.get(), dst.name) != 0)
                err = errno == EEXIST ? ERROR_FILE_EXISTS : ErrnoToWin32(errno);
        } else if (::renameat(dst.dir.get(), tmp.c_str(), dst.dir.get(), dst.name.c_str()) != 0) {
            err = errno == EISDIR ? ERROR_ACCESS_DENIED : ErrnoToWin32(errno);
        }
    }
    ::unlinkat(dst.dir.get(), tmp.c_str(), 0);  // gone already after a rename
    if (err) return Fail(err);
    return TRUE;
}

BOOL MoveFile(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName) {
    std::u16string_view srcPath, dstPath;
    if (DWORD err = PathArgument(lpExistingFileName, srcPath)) return Fail(err);
    if (DWORD err = PathArgument(lpNewFileName, dstPath)) return Fail(err);
    Resolved src, dst;
    if (DWORD err = ResolvePath(srcPath, src)) return Fail(err);
    if (src.reserved || !src.exists) return Fail(ERROR_FILE_NOT_FOUND);
    if (src.volumeRoot) return Fail(ERROR_ACCESS_DENIED);
    if (DWORD err = ResolvePath(dstPath, dst)) return Fail(err);
    if (dst.reserved) return Fail(ERROR_ACCESS_DENIED);
    if (dst.volumeRoot) return Fail(ERROR_ALREADY_EXISTS);
    const bool srcIsDir = S_ISDIR(src.st.st_mode);
    if ((src.trailingSeparator || dst.trailingSeparator) && !srcIsDir) return Fail(ERROR_INVALID_NAME);

    std::string newName = dst.name;
    if (dst.exists) {
        // Only the same entry under another case of its name may be "replaced":
        // that renames it to the new spelling.
        bool sameEntry = src.volume == dst.volume && src.st.st_dev == dst.st.st_dev && src.st.st_ino == dst.st.st_ino &&
                         src.hostPath == dst.hostPath;
        if (!sameEntry) return Fail(ERROR_ALREADY_EXISTS);
        newName = ce::ToUtf8(dst.given);
        if (newName == src.name) return TRUE;
    }
    if (srcIsDir) {
        // A folder cannot move into itself.
        std::string from = src.hostPath.string() + "/";
        if (dst.hostPath.string().compare(0, from.size(), from) == 0) return Fail(ERROR_ACCESS_DENIED);
    }

    if (src.volume != dst.volume) {
        // Between the internal store and the card the device copies, then
        // deletes the source (also when both live on one host file system).
        if (DWORD err = CopyTree(src.dir.get(), src.name, dst.dir.get(), newName)) return Fail(err);
        RemoveTree(src.dir.get(), src.name);
        return TRUE;
    }
    // A new spelling of the same entry is a plain rename; anything else must
    // not replace what may have appeared since the walk.
    int rc = dst.exists ? ::renameat(src.dir.get(), src.name.c_str(), dst.dir.get(), newName.c_str())
                        : RenameNoReplace(src.dir.get(), src.name, dst.dir.get(), newName);
    if (rc == 0) return TRUE;
    if (errno == EEXIST || errno == ENOTEMPTY) return Fail(ERROR_ALREADY_EXISTS);
    if (errno != EXDEV) return Fail(ErrnoToWin32(errno));

    // The two folders are on different host file systems: copy, then delete.
    if (DWORD err = CopyTree(src.dir.get(), src.name, dst.dir.get(), newName)) return Fail(err);
    RemoveTree(src.dir.get(), src.name);
    return TRUE;
}

BOOL DeleteFile(LPCWSTR lpFileName) {
    std::u16string_view path;
    if (DWORD err = PathArgument(lpFileName, path)) return Fail(err);
    Resolved r;
    if (DWORD err = ResolvePath(path, r)) return Fail(err);
    if (r.reserved || !r.exists) return Fail(ERROR_FILE_NOT_FOUND);
    if (r.volumeRoot || S_ISDIR(r.st.st_mode)) return Fail(ERROR_ACCESS_DENIED);
    if (r.trailingSeparator) return Fail(ERROR_INVALID_NAME);
    if (!S_ISREG(r.st.st_mode) || IsReadOnly(r.st)) return Fail(ERROR_ACCESS_DENIED);
    if (::unlinkat(r.dir.get(), r.name.c_str(), 0) != 0) return Fail(ErrnoToWin32(errno));
    return TRUE;
}

BOOL CreateDirectory(LPCWSTR lpPathName, LPSECURITY_ATTRIBUTES lpSecurityAttributes) {
    std::u16string_view path;
    if (DWORD err = PathArgument(lpPathName, path)) return Fail(err);
    Resolved r;
    if (DWORD err = ResolvePath(path, r)) return Fail(err);
    if (r.reserved) return Fail(ERROR_ACCESS_DENIED);
    if (r.volumeRoot || r.exists) return Fail(ERROR_ALREADY_EXISTS);
    if (::mkdirat(r.dir.get(), r.name.c_str(), 0777) != 0) return Fail(ErrnoToWin32(errno));
    return TRUE;
}

BOOL RemoveDirectory(LPCWSTR lpPathName) {
    std::u16string_view path;
    if (DWORD err = PathArgument(lpPathName, path)) return Fail(err);
    Resolved r;
    if (DWORD err = ResolvePath(path, r)) return Fail(err);
    if (r.reserved || !r.exists) return Fail(ERROR_FILE_NOT_FOUND);
    if (r.volumeRoot) return Fail(ERROR_ACCESS_DENIED);
    if (!S_ISDIR(r.st.st_mode)) return Fail(ERROR_DIRECTORY);
    if (::unlinkat(r.dir.get(), r.name.c_str(), AT_REMOVEDIR) != 0)
        return Fail(errno == EEXIST ? ERROR_DIR_NOT_EMPTY : ErrnoToWin32(errno));
    return TRUE;
}

DWORD GetFileAttributes(LPCWSTR lpFileName) {
    std::u16string_view path;
    Resolved r;
    DWORD err = PathArgument(lpFileName, path);
    if (!err) err = ResolvePath(path, r);
    if (!err && (r.reserved || !r.exists)) err = ERROR_FILE_NOT_FOUND;
    if (!err && r.trailingSeparator && !S_ISDIR(r.st.st_mode)) err = ERROR_INVALID_NAME;
    if (err) {
        SetLastError(err);
        return INVALID_FILE_ATTRIBUTES;
    }
    return AttributesOf(r);
}

HANDLE FindFirstFile(LPCWSTR lpFileName, LPWIN32_FIND_DATAW lpFindFileData) {
    std::u16string_view path;
    if (DWORD err = PathArgument(lpFileName, path)) return FailHandle(err);
    if (!lpFindFileData) return FailHandle(ERROR_INVALID_PARAMETER);
    ParsedPath parsed;
    if (DWORD err = ParseDevicePath(path, parsed, /*wildcardLast=*/true)) return FailHandle(err);
    // "\" or "\Windows\": there is no name to look for.
    if (parsed.components.empty() || parsed.trailingSeparator) return FailHandle(ERROR_FILE_NOT_FOUND);

    auto find = std::make_shared<FindObject>();
    const std::u16string pattern = parsed.components.back();
    if (pattern.find_first_of(u"*?") == std::u16string::npos) {
        // A plain name: the entry itself, under its name on disk.
        Resolved r;
        if (DWORD err = ResolvePath(parsed, r)) return FailHandle(err);
        if (r.reserved || !r.exists) return FailHandle(ERROR_FILE_NOT_FOUND);
        std::u16string name = r.volumeRoot ? std::u16string(kStorageCardName) : ce::FromUtf8(r.name);
        find->entries.push_back(MakeFindData(name, r.st, AttributesOf(r)));
    } else {
        ParsedPath parentPath = parsed;
        parentPath.components.pop_back();
        parentPath.trailingSeparator = false;
        Resolved parent;
        if (DWORD err = ResolvePath(parentPath, parent)) return FailHandle(err);
        const bool internalRoot = parent.volumeRoot && parent.volume == Volume::Internal;
        Fd dir;
        if (DWORD err = OpenResolvedFolder(parent, dir))
            return FailHandle(err == ERROR_DIRECTORY ? ERROR_PATH_NOT_FOUND : err);
        std::vector<HostEntry> entries;
        if (DWORD err = ListFolder(dir.get(), entries)) return FailHandle(err);
        for (const auto& e : entries) {
            // The root's "StorageCard" is always the card, never a folder of fs/.
            if (internalRoot && ce::EqualsNoCase(e.name, kStorageCardName)) continue;
            if (MatchesPattern(pattern, e.name))
                find->entries.push_back(MakeFindData(e.name, e.st, AttributesOf(e.st)));
        }
        if (internalRoot && ce::StorageCardInserted() && MatchesPattern(pattern, kStorageCardName)) {
            Resolved card;
            ParsedPath cardPath;
            cardPath.components.emplace_back(kStorageCardName);
            if (ResolvePath(cardPath, card) == ERROR_SUCCESS && card.exists)
                find->entries.push_back(MakeFindData(kStorageCardName, card.st, AttributesOf(card)));
        }
        std::sort(find->entries.begin(), find->entries.end(), [](const auto& a, const auto& b) {
            std::u16string_view an(a.cFileName), bn(b.cFileName);
            auto fa = ce::Fold(an), fb = ce::Fold(bn);
            return fa != fb ? fa < fb : an < bn;
        });
    }
    if (find->entries.empty()) return FailHandle(ERROR_FILE_NOT_FOUND);
    *lpFindFileData = find->entries[0];
    find->next = 1;
    HANDLE h = ce::AllocHandle(find);
    if (h == nullptr || h == INVALID_HANDLE_VALUE) return FailHandle(ERROR_TOO_MANY_OPEN_FILES);
    return h;
}

BOOL FindNextFile(HANDLE hFindFile, LPWIN32_FIND_DATAW lpFindFileData) {
    auto find = (hFindFile && hFindFile != INVALID_HANDLE_VALUE) ? ce::LookupHandleAs<FindObject>(hFindFile) : nullptr;
    if (!find) return Fail(ERROR_INVALID_HANDLE);
    if (!lpFindFileData) return Fail(ERROR_INVALID_PARAMETER);
    std::lock_guard lock(find->mutex);
    if (find->next >= find->entries.size()) return Fail(ERROR_NO_MORE_FILES);
    *lpFindFileData = find->entries[find->next++];
    return TRUE;
}

BOOL FindClose(HANDLE hFindFile) {
    if (!hFindFile || hFindFile == INVALID_HANDLE_VALUE || !ce::LookupHandleAs<FindObject>(hFindFile))
        return Fail(ERROR_INVALID_HANDLE);
    if (!ce::FreeHandle(hFindFile)) return Fail(ERROR_INVALID_HANDLE);
    return TRUE;
}
