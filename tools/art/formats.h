// File encodings for the pictures: Windows bitmaps and icons, and a plain PNG
// for looking at the whole set on a development machine.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "canvas.h"

namespace art {

// One icon image: size x size pixels, straight RGBA, top row first.
struct IconImage {
    int size = 0;
    int bits = 32;  // 32 (BGRA + AND mask) or 4 (16-colour palette + AND mask)
    std::vector<uint8_t> rgba;
};

// 24-bit bottom-up bitmap file (BITMAPFILEHEADER + BITMAPINFOHEADER).
std::vector<uint8_t> encodeBmp(const Image& img);
// Icon file with one directory entry per image.
std::vector<uint8_t> encodeIco(const std::vector<IconImage>& images);
// PNG with stored (uncompressed) deflate blocks.
std::vector<uint8_t> encodePng(const Image& img);

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace art
