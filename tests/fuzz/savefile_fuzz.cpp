// The save-file decoder: any bytes are refused with one of its two errors,
// or decoded into a tree that encodes back to exactly the same bytes.
#include <cstring>
#include <vector>

#include "fuzzcheck.h"
#include "savefile.h"
#include "windows.h"

using namespace ce::reg;

namespace {

void Decode(const unsigned char* data, size_t size) {
    SavedTree tree;
    DWORD err = DecodeSave(data, size, tree);
    if (err) {
        FUZZ_CHECK(err == ERROR_BADDB || err == ERROR_REGISTRY_CORRUPT);
        FUZZ_CHECK(tree.keys.empty());
        return;
    }
    FUZZ_CHECK(!tree.keys.empty());
    std::vector<uint8_t> again = EncodeSave(tree);
    FUZZ_CHECK(again.size() == size && std::memcmp(again.data(), data, size) == 0);
}

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    std::memcpy(b.data() + at, &v, 4);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    Decode(data, size);
    // Checksums stop nearly every change at the header: read the input also
    // as the body of a file whose header is right.
    std::vector<uint8_t> file(kSaveHeaderSize + size);
    std::memcpy(file.data(), "CEHIVE\r\n", 8);
    Put32(file, 8, kSaveFormatVersion);
    Put32(file, 12, 0);
    uint64_t bodySize = size;
    std::memcpy(file.data() + 16, &bodySize, 8);
    if (size) std::memcpy(file.data() + kSaveHeaderSize, data, size);
    Put32(file, 24, Crc32(file.data() + kSaveHeaderSize, size));
    Put32(file, 28, Crc32(file.data(), 28));
    Decode(file.data(), file.size());
    return 0;
}
