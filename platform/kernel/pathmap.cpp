// Device paths onto the image's folders: parsing, the case-insensitive walk,
// and ce::ResolveDevicePath for the other layers.
#include "pathmap.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "ce_kernel.h"

namespace ce::files {

void Fd::Reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

namespace {

// Longest name (in bytes) the host stores in one folder entry.
constexpr size_t kHostNameMax = 255;

bool IsSeparator(char16_t c) {
    return c == u'\\' || c == u'/';
}

// Characters the device refuses in file names.
bool IsInvalidNameChar(char16_t c) {
    return c < 0x20 || c == u'<' || c == u'>' || c == u':' || c == u'"' || c == u'|';
}

bool IsWildcard(char16_t c) {
    return c == u'*' || c == u'?';
}

bool OnlyDots(std::u16string_view s) {
    return s.find_first_not_of(u'.') == std::u16string_view::npos;
}

Fd OpenFolder(const std::filesystem::path& p) {
    return Fd(::open(p.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

// The card's root folder. A host folder given for the card on the command
// line is trusted as it is; the image's own card folder lies under fs/ and is
// walked from there like any device path, so a link in its place (or on the
// way to it) leads nowhere: ERROR_ACCESS_DENIED.
DWORD OpenCardRoot(const ImageInfo& image, Fd& out) {
    const std::filesystem::path rel = image.storageCard.lexically_relative(image.fsRoot);
    const bool inImage = !rel.empty() && *rel.begin() != ".." && *rel.begin() != ".";
    if (!inImage) {
        out = OpenFolder(image.storageCard);
        return out.valid() ? ERROR_SUCCESS : ERROR_PATH_NOT_FOUND;
    }
    Fd dir = OpenFolder(image.fsRoot);
    if (!dir.valid()) return ERROR_PATH_NOT_FOUND;
    for (const auto& part : rel) {
        struct stat st {};
        if (::fstatat(dir.get(), part.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return ERROR_PATH_NOT_FOUND;
        if (S_ISLNK(st.st_mode)) return ERROR_ACCESS_DENIED;
        Fd next(::openat(dir.get(), part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        // A link put in its place since the look (ELOOP, or ENOTDIR with O_DIRECTORY) is refused too.
        if (!next.valid()) return errno == ELOOP || errno == ENOTDIR ? ERROR_ACCESS_DENIED : ERROR_PATH_NOT_FOUND;
        dir = std::move(next);
    }
    out = std::move(dir);
    return ERROR_SUCCESS;
}

}  // namespace

DWORD ErrnoToWin32(int err) {
    switch (err) {
        case 0:
            return ERROR_SUCCESS;
        case ENOENT:
            return ERROR_FILE_NOT_FOUND;
        case ENOTDIR:
            return ERROR_PATH_NOT_FOUND;
        case EACCES:
        case EPERM:
        case ELOOP:
        case EROFS:
        case EISDIR:
        case EBUSY:
        case ETXTBSY:
            return ERROR_ACCESS_DENIED;
        case EEXIST:
            return ERROR_ALREADY_EXISTS;
        case ENOTEMPTY:
            return ERROR_DIR_NOT_EMPTY;
        case ENOSPC:
        case EDQUOT:
            return ERROR_DISK_FULL;
        case EFBIG:
            return ERROR_FILE_TOO_LARGE;
        case ENAMETOOLONG:
            return ERROR_FILENAME_EXCED_RANGE;
        case EMFILE:
        case ENFILE:
            return ERROR_TOO_MANY_OPEN_FILES;
        case ENOMEM:
            return ERROR_NOT_ENOUGH_MEMORY;
        case EINVAL:
            return ERROR_INVALID_PARAMETER;
        default:
            return ERROR_GEN_FAILURE;
    }
}

DWORD PathArgument(LPCWSTR p, std::u16string_view& out) {
    if (!p) return ERROR_INVALID_PARAMETER;
    size_t n = 0;
    while (n < MAX_PATH && p[n]) ++n;
    // MAX_PATH counts the terminating NUL, so the longest path has one less.
    if (n >= MAX_PATH) return ERROR_FILENAME_EXCED_RANGE;
    out = std::u16string_view(p, n);
    return ERROR_SUCCESS;
}

DWORD ParseDevicePath(std::u16string_view path, ParsedPath& out, bool wildcardLast) {
    out = ParsedPath{};
    if (path.empty()) return ERROR_PATH_NOT_FOUND;
    if (path.size() >= MAX_PATH) return ERROR_FILENAME_EXCED_RANGE;

    // Characters first, so a malformed name is reported as such wherever it is.
    size_t lastStart = path.size();
    while (lastStart > 0 && !IsSeparator(path[lastStart - 1])) --lastStart;
    for (size_t i = 0; i < path.size(); ++i) {
        char16_t c = path[i];
        if (IsInvalidNameChar(c)) return ERROR_INVALID_NAME;
        if (IsWildcard(c) && !(wildcardLast && i >= lastStart)) return ERROR_INVALID_NAME;
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 >= path.size() || path[i + 1] < 0xDC00 || path[i + 1] > 0xDFFF) return ERROR_INVALID_NAME;
            ++i;
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            return ERROR_INVALID_NAME;
        }
    }

    size_t i = 0;
    while (i < path.size()) {
        if (IsSeparator(path[i])) {
            ++i;
            continue;
        }
        size_t j = i;
        while (j < path.size() && !IsSeparator(path[j])) ++j;
        std::u16string_view comp = path.substr(i, j - i);
        if (comp == u"..") return ERROR_ACCESS_DENIED;
        if (OnlyDots(comp)) return ERROR_BAD_PATHNAME;
        if (ToUtf8(comp).size() > kHostNameMax) return ERROR_FILENAME_EXCED_RANGE;
        out.components.emplace_back(comp);
        i = j;
    }
    out.trailingSeparator = IsSeparator(path.back()) && !out.components.empty();
    return ERROR_SUCCESS;
}

bool FindEntry(int dirFd, std::u16string_view name, std::string& hostName, struct stat& st) {
    std::string exact = ToUtf8(name);
    if (::fstatat(dirFd, exact.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        hostName = std::move(exact);
        return true;
    }
    int dupFd = ::fcntl(dirFd, F_DUPFD_CLOEXEC, 0);
    if (dupFd < 0) return false;
    DIR* d = ::fdopendir(dupFd);
    if (!d) {
        ::close(dupFd);
        return false;
    }
    // The duplicate shares the folder's read position with every other scan.
    ::rewinddir(d);
    std::string best;
    bool found = false;
    while (dirent* e = ::readdir(d)) {
        std::string_view entry = e->d_name;
        if (entry == "." || entry == "..") continue;
        std::u16string deviceName;
        if (!IsDeviceVisibleName(entry, &deviceName)) continue;
        if (!EqualsNoCase(deviceName, name)) continue;
        if (!found || entry < best) best = entry;
        found = true;
    }
    ::closedir(d);
    if (!found || ::fstatat(dirFd, best.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
    hostName = std::move(best);
    return true;
}

bool IsDeviceVisibleName(std::string_view hostName, std::u16string* deviceName) {
    if (hostName.empty() || hostName == "." || hostName == "..") return false;
    std::u16string name = FromUtf8(hostName);
    if (ToUtf8(name) != hostName) return false;  // not valid UTF-8
    if (name.size() >= MAX_PATH) return false;
    for (char16_t c : name)
        if (IsInvalidNameChar(c) || IsWildcard(c) || IsSeparator(c)) return false;
    if (deviceName) *deviceName = std::move(name);
    return true;
}

DWORD ResolvePath(const ParsedPath& parsed, Resolved& out) {
    out = Resolved{};
    if (!HasImage()) return ERROR_PATH_NOT_FOUND;
    const ImageInfo& image = Image();
    const auto& comps = parsed.components;
    out.trailingSeparator = parsed.trailingSeparator;

    size_t first = 0;
    std::filesystem::path base = image.fsRoot;
    Fd dir;
    if (!comps.empty() && EqualsNoCase(comps[0], kStorageCardName)) {
        if (!StorageCardInserted()) {
            // No card: the name exists nowhere, and nothing may take it.
            if (comps.size() > 1) return ERROR_PATH_NOT_FOUND;
            out.dir = OpenFolder(image.fsRoot);
            if (!out.dir.valid()) return ERROR_PATH_NOT_FOUND;
            out.reserved = true;
            out.given = comps[0];
            out.hostPath = image.fsRoot / ToUtf8(comps[0]);
            return ERROR_SUCCESS;
        }
        out.volume = Volume::StorageCard;
        base = image.storageCard;
        first = 1;
        if (DWORD err = OpenCardRoot(image, dir)) return err;
    } else {
        dir = OpenFolder(base);
        if (!dir.valid()) return ERROR_PATH_NOT_FOUND;
    }
    std::filesystem::path host = base;

    if (first == comps.size()) {
        out.volumeRoot = true;
        out.exists = true;
        if (::fstat(dir.get(), &out.st) != 0) return ErrnoToWin32(errno);
        out.dir = std::move(dir);
        out.hostPath = std::move(host);
        out.given = comps.empty() ? std::u16string() : comps[0];
        return ERROR_SUCCESS;
    }

    for (size_t i = first; i + 1 < comps.size(); ++i) {
        std::string name;
        struct stat st {};
        if (!FindEntry(dir.get(), comps[i], name, st)) return ERROR_PATH_NOT_FOUND;
        if (S_ISLNK(st.st_mode)) return ERROR_ACCESS_DENIED;
        if (!S_ISDIR(st.st_mode)) return ERROR_PATH_NOT_FOUND;
        Fd next(::openat(dir.get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!next.valid()) {
            // Swapped for a link (ELOOP) or a file (ENOTDIR) since the lookup.
            if (errno == ELOOP) return ERROR_ACCESS_DENIED;
            if (errno == ENOENT || errno == ENOTDIR) return ERROR_PATH_NOT_FOUND;
            return ErrnoToWin32(errno);
        }
        dir = std::move(next);
        host /= name;
    }

    const std::u16string& last = comps.back();
    out.given = last;
    if (FindEntry(dir.get(), last, out.name, out.st)) {
        if (S_ISLNK(out.st.st_mode)) return ERROR_ACCESS_DENIED;
        out.exists = true;
    } else {
        out.name = ToUtf8(last);
        out.st = {};
    }
    out.hostPath = host / out.name;
    out.dir = std::move(dir);
    return ERROR_SUCCESS;
}

DWORD ResolvePath(std::u16string_view path, Resolved& out) {
    ParsedPath parsed;
    if (DWORD err = ParseDevicePath(path, parsed)) return err;
    return ResolvePath(parsed, out);
}

}  // namespace ce::files

namespace ce {

DWORD ResolveDevicePath(std::u16string_view devicePath, std::filesystem::path& hostPath) {
    files::Resolved r;
    if (DWORD err = files::ResolvePath(devicePath, r)) return err;
    if (r.reserved) return ERROR_ACCESS_DENIED;
    hostPath = r.hostPath;
    return ERROR_SUCCESS;
}

}  // namespace ce
