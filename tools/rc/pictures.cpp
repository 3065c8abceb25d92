// Picture files named by resource scripts: .bmp files become DIBs, .ico
// files are split into their images.
#include <fstream>

#include "rc.h"

namespace rc {
namespace {

uint32_t Le32(const std::vector<uint8_t>& b, size_t o) {
    return b[o] | (b[o + 1] << 8) | (b[o + 2] << 16) | (uint32_t{b[o + 3]} << 24);
}
uint16_t Le16(const std::vector<uint8_t>& b, size_t o) {
    return static_cast<uint16_t>(b[o] | (b[o + 1] << 8));
}

}  // namespace

std::vector<uint8_t> ReadBinary(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// A .bmp file is a 14-byte BITMAPFILEHEADER ("BM", sizes, offset of the
// bits) and the DIB: a BITMAPINFOHEADER (or a later, larger version),
// colour table and bits, which is what the resource keeps.
std::optional<std::vector<uint8_t>> BitmapFileToDib(const std::vector<uint8_t>& file, std::string* why) {
    if (file.size() < 14 + 40 || file[0] != 'B' || file[1] != 'M') {
        *why = "is not a bitmap file";
        return std::nullopt;
    }
    uint32_t header = Le32(file, 14);
    if (header < 40 || 14 + size_t{header} > file.size()) {
        *why = "has an unsupported bitmap header";
        return std::nullopt;
    }
    return std::vector<uint8_t>(file.begin() + 14, file.end());
}

// An .ico file: ICONDIR { WORD 0, WORD 1, WORD count } and `count` 16-byte
// ICONDIRENTRYs whose last field is the file offset of the image.
std::optional<std::vector<IconFileImage>> ReadIconFile(const std::vector<uint8_t>& file, std::string* why) {
    auto bad = [&](const char* reason) {
        *why = std::string("is not a valid icon file: ") + reason;
        return std::nullopt;
    };
    if (file.size() < 6 || Le16(file, 0) != 0 || Le16(file, 2) != 1) return bad("bad header");
    const uint16_t count = Le16(file, 4);
    if (count == 0) return bad("no images");
    if (file.size() < 6 + 16u * count) return bad("truncated directory");
    std::vector<IconFileImage> images;
    for (uint16_t k = 0; k < count; ++k) {
        const size_t e = 6 + 16u * k;
        const uint32_t size = Le32(file, e + 8), offset = Le32(file, e + 12);
        if (offset > file.size() || size > file.size() - offset || size < 40) return bad("image outside the file");
        IconFileImage img;
        std::copy(file.begin() + e, file.begin() + e + 12, img.entry.begin());
        img.data.assign(file.begin() + offset, file.begin() + offset + size);
        images.push_back(std::move(img));
    }
    return images;
}

}  // namespace rc
