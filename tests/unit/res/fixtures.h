// Pictures of the resource tests: what the fixture generator writes and the
// tests expect back, pixel by pixel (0x00RRGGBB).
#pragma once

#include <cstdint>

namespace fixture {

// picture24.bmp: 4 x 3, 24 bits, bottom-up.
constexpr int kPictureW = 4, kPictureH = 3;
constexpr uint32_t Picture(int x, int y) {
    return (uint32_t(x * 60 + 10) << 16) | (uint32_t(y * 80 + 5) << 8) | uint32_t((x + y) * 20 + 1);
}

// palette8.bmp: 3 x 2, 8 bits with a 4-colour table, top-down.
constexpr int kPaletteW = 3, kPaletteH = 2;
constexpr uint32_t kPaletteColors[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0x123456};
constexpr int PaletteIndex(int x, int y) {
    return (x + 2 * y) % 4;
}

// mono1.bmp: 10 x 2, 1 bit, black and white checkerboard.
constexpr int kMonoW = 10, kMonoH = 2;
constexpr bool MonoWhite(int x, int y) {
    return ((x + y) & 1) != 0;
}

// app.ico: a 16 x 16 24-bit image (left half transparent through its mask)
// and a 32 x 32 32-bit image with alpha (left 4 columns transparent).
constexpr uint32_t Icon16(int x, int y) {
    return 0x102030u + uint32_t(x) * 0x10000 + uint32_t(y);
}
constexpr bool Icon16Transparent(int x, int) {
    return x < 8;
}
constexpr uint32_t Icon32(int x, int y) {
    return (x < 4 ? 0u : 0xFF000000u) | (uint32_t(y) << 8) | uint32_t(x);
}

}  // namespace fixture
