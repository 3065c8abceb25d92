// Encoding, validation and file handling of the registry's save file (the
// format is described in savefile.h).
#include "savefile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>

#include "ce_kernel.h"

namespace ce::reg {

namespace {

constexpr char kMagic[8] = {'C', 'E', 'H', 'I', 'V', 'E', '\r', '\n'};

const std::array<uint32_t, 256>& CrcTable() {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    return table;
}

class Writer {
public:
    void U16(uint16_t v) { Bytes(&v, 2); }
    void U32(uint32_t v) { Bytes(&v, 4); }
    void U64(uint64_t v) { Bytes(&v, 8); }
    void Name(const std::u16string& s) {
        U16(static_cast<uint16_t>(s.size()));
        for (char16_t c : s) U16(c);
    }
    void Bytes(const void* p, size_t n) {
        // The format is little-endian, as is every host we build for.
        static_assert(std::endian::native == std::endian::little);
        auto b = static_cast<const uint8_t*>(p);
        out.insert(out.end(), b, b + n);
    }
    std::vector<uint8_t> out;
};

class Reader {
public:
    Reader(const uint8_t* p, size_t n) : p_(p), end_(p + n) {}
    bool U16(uint16_t& v) { return Bytes(&v, 2); }
    bool U32(uint32_t& v) { return Bytes(&v, 4); }
    bool Bytes(void* dst, size_t n) {
        if (static_cast<size_t>(end_ - p_) < n) return false;
        if (n) std::memcpy(dst, p_, n);
        p_ += n;
        return true;
    }
    bool Name(std::u16string& s, size_t maxLen) {
        uint16_t len;
        if (!U16(len) || len > maxLen || Left() / 2 < len) return false;
        s.resize(len);
        return Bytes(s.data(), len * 2u);
    }
    size_t Left() const { return static_cast<size_t>(end_ - p_); }

private:
    const uint8_t* p_;
    const uint8_t* end_;
};

uint32_t Le32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

DWORD ErrnoToWin32(int e) {
    switch (e) {
        case ENOENT:
        case ENOTDIR:
            return ERROR_PATH_NOT_FOUND;
        case EEXIST:
            return ERROR_ALREADY_EXISTS;
        case EACCES:
        case EPERM:
        case EROFS:
            return ERROR_ACCESS_DENIED;
        case ENAMETOOLONG:
            return ERROR_FILENAME_EXCED_RANGE;
        default:
            return ERROR_CANTWRITE;
    }
}

bool WriteAll(int fd, const std::vector<uint8_t>& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return ::fsync(fd) == 0;
}

// Creates a synced temporary file beside `path` holding `bytes`.
DWORD WriteTemp(const std::filesystem::path& path, const std::vector<uint8_t>& bytes, std::string& tempName) {
    std::string name = ".";
    name.append(path.filename().string()).append(".XXXXXX");
    tempName = (path.parent_path() / name).string();
    int fd = ::mkstemp(tempName.data());
    if (fd < 0) return ErrnoToWin32(errno);
    bool ok = WriteAll(fd, bytes);
    ::close(fd);
    if (!ok) {
        ::unlink(tempName.c_str());
        return ERROR_CANTWRITE;
    }
    return ERROR_SUCCESS;
}

void SyncFolder(const std::filesystem::path& folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

uint32_t Crc32(const void* data, size_t size, uint32_t crc) {
    const auto& table = CrcTable();
    auto p = static_cast<const uint8_t*>(data);
    crc = ~crc;
    for (size_t i = 0; i < size; ++i) crc = table[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

std::vector<uint8_t> EncodeSave(const SavedTree& tree) {
    Writer body;
    body.U32(static_cast<uint32_t>(tree.keys.size()));
    for (const SavedKey& key : tree.keys) {
        body.U32(key.parent);
        body.Name(key.name);
        body.U32(static_cast<uint32_t>(key.values.size()));
        for (const SavedValue& v : key.values) {
            body.Name(v.name);
            body.U32(v.type);
            body.U32(static_cast<uint32_t>(v.data.size()));
            body.Bytes(v.data.data(), v.data.size());
        }
    }
    Writer file;
    file.Bytes(kMagic, sizeof kMagic);
    file.U32(kSaveFormatVersion);
    file.U32(0);
    file.U64(body.out.size());
    file.U32(Crc32(body.out.data(), body.out.size()));
    file.U32(Crc32(file.out.data(), file.out.size()));
    file.out.insert(file.out.end(), body.out.begin(), body.out.end());
    return std::move(file.out);
}

DWORD DecodeSave(const uint8_t* data, size_t size, SavedTree& out) {
    static constexpr std::u16string_view kNotInKeyNames(u"\\\0", 2);
    if (size < kSaveHeaderSize || std::memcmp(data, kMagic, sizeof kMagic) != 0) return ERROR_BADDB;
    if (Le32(data + 8) != kSaveFormatVersion) return ERROR_BADDB;
    if (Crc32(data, 28) != Le32(data + 28)) return ERROR_REGISTRY_CORRUPT;
    uint64_t bodySize;
    std::memcpy(&bodySize, data + 16, 8);
    if (Le32(data + 12) != 0 || bodySize != size - kSaveHeaderSize) return ERROR_REGISTRY_CORRUPT;
    const uint8_t* body = data + kSaveHeaderSize;
    if (Crc32(body, bodySize) != Le32(data + 24)) return ERROR_REGISTRY_CORRUPT;

    Reader in(body, bodySize);
    uint32_t keyCount;
    if (!in.U32(keyCount) || keyCount == 0) return ERROR_REGISTRY_CORRUPT;
    SavedTree tree;
    // Sibling names, folded, as (parent, name): duplicates are refused.
    std::set<std::pair<uint32_t, std::u16string>> siblings;
    // Each key's depth and path length below record 0, for the limits.
    std::vector<std::pair<uint32_t, uint32_t>> reach;
    for (uint32_t i = 0; i < keyCount; ++i) {
        SavedKey key;
        uint32_t valueCount;
        if (!in.U32(key.parent) || !in.Name(key.name, kMaxKeyNameLength) || !in.U32(valueCount))
            return ERROR_REGISTRY_CORRUPT;
        if (i == 0) {
            if (key.parent != kNoParent || !key.name.empty()) return ERROR_REGISTRY_CORRUPT;
            reach.emplace_back(0, 0);
        } else {
            if (key.parent >= i || key.name.empty() || key.name.find_first_of(kNotInKeyNames) != std::u16string::npos)
                return ERROR_REGISTRY_CORRUPT;
            auto [depth, length] = reach[key.parent];
            length += (depth ? 1 : 0) + static_cast<uint32_t>(key.name.size());
            if (!WithinKeyLimits(++depth, length)) return ERROR_REGISTRY_CORRUPT;
            reach.emplace_back(depth, length);
            if (!siblings.emplace(key.parent, Fold(key.name)).second) return ERROR_REGISTRY_CORRUPT;
        }
        std::set<std::u16string> valueNames;
        for (uint32_t v = 0; v < valueCount; ++v) {
            SavedValue value;
            uint32_t dataSize;
            if (!in.Name(value.name, kMaxValueNameLength) || !in.U32(value.type) || !in.U32(dataSize) ||
                dataSize > kMaxValueDataSize || dataSize > in.Left() || value.name.find(u'\0') != std::u16string::npos)
                return ERROR_REGISTRY_CORRUPT;
            value.data.resize(dataSize);
            in.Bytes(value.data.data(), dataSize);
            if (!valueNames.insert(Fold(value.name)).second) return ERROR_REGISTRY_CORRUPT;
            key.values.push_back(std::move(value));
        }
        tree.keys.push_back(std::move(key));
    }
    if (in.Left() != 0) return ERROR_REGISTRY_CORRUPT;
    out = std::move(tree);
    return ERROR_SUCCESS;
}

DWORD ReadHostFile(const std::filesystem::path& path, std::vector<uint8_t>& bytes, size_t maxSize) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? ERROR_FILE_NOT_FOUND : ErrnoToWin32(errno);
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return ERROR_ACCESS_DENIED;
    }
    if (static_cast<uint64_t>(st.st_size) > maxSize) {
        ::close(fd);
        return ERROR_REGISTRY_CORRUPT;
    }
    bytes.assign(static_cast<size_t>(st.st_size), 0);
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ::close(fd);
            return ERROR_CANTREAD;
        }
        if (n == 0) break;  // shrank while we read it
        done += static_cast<size_t>(n);
    }
    bytes.resize(done);
    ::close(fd);
    return ERROR_SUCCESS;
}

DWORD WriteNewHostFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    struct stat st;
    if (::lstat(path.c_str(), &st) == 0) return ERROR_ALREADY_EXISTS;
    std::string temp;
    if (DWORD err = WriteTemp(path, bytes, temp)) return err;
    // Neither a no-replace rename nor link() replaces an existing name: a
    // file created meanwhile wins. link() serves file systems without the
    // rename flag.
    int rc = ::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE);
    bool tempLeft = rc != 0;
    if (rc != 0 && (errno == EINVAL || errno == ENOSYS || errno == ENOTSUP)) {
        rc = ::link(temp.c_str(), path.c_str());
    }
    int moveErrno = errno;
    if (tempLeft) ::unlink(temp.c_str());
    if (rc != 0) return ErrnoToWin32(moveErrno);
    SyncFolder(path.parent_path());
    return ERROR_SUCCESS;
}

DWORD ReplaceHostFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::string temp;
    if (DWORD err = WriteTemp(path, bytes, temp)) return err;
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        int e = errno;
        ::unlink(temp.c_str());
        return ErrnoToWin32(e);
    }
    SyncFolder(path.parent_path());
    return ERROR_SUCCESS;
}

}  // namespace ce::reg
