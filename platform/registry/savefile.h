// The registry's save file: what RegSaveKey writes and RegReplaceKey stages.
//
// Layout (all integers little-endian):
//
//   offset  size  field
//   0       8     magic "CEHIVE\r\n"
//   8       4     format version (1)
//   12      4     flags (0; anything else is refused)
//   16      8     body size in bytes (the file is exactly 32 + body size long)
//   24      4     CRC-32 (IEEE 802.3, reflected, polynomial 0xEDB88320) of the body
//   28      4     CRC-32 of bytes 0..27 of the header
//   32      ...   body
//
// Body:
//   u32 keyCount (>= 1)
//   keyCount times, parents always before their children:
//     u32 parent       index of the parent key record; 0xFFFFFFFF for record 0,
//                      which is the saved key itself, and only for it
//     u16 nameLength   in UTF-16 units; 0 only for record 0, at most 255
//     nameLength x u16 the key name (UTF-16LE, no '\' or NUL, case as created)
//     u32 valueCount
//     valueCount times:
//       u16 nameLength in UTF-16 units (0: the default value), at most 16383
//       nameLength x u16 the value name (UTF-16LE, no NUL)
//       u32 type       REG_* as stored, not interpreted
//       u32 dataSize   in bytes
//       dataSize bytes the raw data
//
// Sibling key names and the value names of one key are unique without regard
// to case; no key lies deeper than kMaxKeyDepth below record 0 or has a path
// longer than kMaxKeyPathLength below it. A file that breaks any of these rules, or has bytes left over after
// the last record, is refused as a whole.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "windef.h"

namespace ce::reg {

constexpr uint32_t kSaveFormatVersion = 1;
constexpr size_t kSaveHeaderSize = 32;
constexpr uint32_t kNoParent = 0xFFFFFFFFu;
constexpr size_t kMaxKeyNameLength = 255;
constexpr size_t kMaxValueNameLength = 16383;
constexpr size_t kMaxValueDataSize = 1u << 20;  // our own bound on one value's data
// How deep keys may nest below a root, and how long a key's path below its
// root may be (a\b is 3 units). Keys are stored with their full path, so
// these bound what one small file can cost the store.
constexpr size_t kMaxKeyDepth = 512;
constexpr size_t kMaxKeyPathLength = 4096;
// Whether a key `depth` levels below its root, whose path below the root is
// `pathLength` UTF-16 units long, is within those limits.
inline bool WithinKeyLimits(size_t depth, size_t pathLength) {
    return depth <= kMaxKeyDepth && pathLength <= kMaxKeyPathLength;
}

struct SavedValue {
    std::u16string name;
    DWORD type = 0;
    std::vector<uint8_t> data;
};

struct SavedKey {
    uint32_t parent = kNoParent;
    std::u16string name;
    std::vector<SavedValue> values;
};

// keys[0] is the saved key itself (no name); every other key names its parent.
struct SavedTree {
    std::vector<SavedKey> keys;
};

uint32_t Crc32(const void* data, size_t size, uint32_t crc = 0);

std::vector<uint8_t> EncodeSave(const SavedTree& tree);
// Checks everything (magic, version, checksums, structure, names) before it
// fills `out`. ERROR_BADDB: not a save file of this format or version;
// ERROR_REGISTRY_CORRUPT: a save file whose content is damaged or invalid.
DWORD DecodeSave(const uint8_t* data, size_t size, SavedTree& out);

// Reads a whole host file. ERROR_FILE_NOT_FOUND, ERROR_CANTREAD.
DWORD ReadHostFile(const std::filesystem::path& path, std::vector<uint8_t>& bytes, size_t maxSize);
// Writes `bytes` as a new file: fails with ERROR_ALREADY_EXISTS when `path`
// exists, and never leaves a partial file under `path` (the data goes to a
// temporary name in the same folder, is synced, then linked into place).
DWORD WriteNewHostFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);
// Writes `bytes` to `path` through a synced temporary file and a rename, so
// that `path` holds either its old content or all of the new.
DWORD ReplaceHostFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);

}  // namespace ce::reg
