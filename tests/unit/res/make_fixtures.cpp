// Writes the pictures of the resource tests into the folder given as the
// only argument (run at build time; see res.cmake).
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "fixtures.h"

namespace {

struct Out {
    std::vector<uint8_t> b;
    void U8(uint32_t v) { b.push_back(static_cast<uint8_t>(v)); }
    void U16(uint32_t v) { U8(v), U8(v >> 8); }
    void U32(uint32_t v) { U16(v & 0xFFFF), U16(v >> 16); }
    void Pad4(size_t rowStart) {
        while ((b.size() - rowStart) % 4) U8(0);
    }
};

void InfoHeader(Out& o, int w, int h, int bpp, int colors) {
    o.U32(40);
    o.U32(static_cast<uint32_t>(w));
    o.U32(static_cast<uint32_t>(h));
    o.U16(1);
    o.U16(static_cast<uint32_t>(bpp));
    o.U32(0);  // BI_RGB
    o.U32(0);
    o.U32(2835);
    o.U32(2835);
    o.U32(static_cast<uint32_t>(colors));
    o.U32(0);
}

void Palette(Out& o, const uint32_t* c, int n) {
    for (int k = 0; k < n; ++k) o.U32(c[k] & 0xFFFFFF);  // blue, green, red, 0
}

void WriteFile(const std::filesystem::path& p, const Out& o) {
    std::ofstream(p, std::ios::binary)
        .write(reinterpret_cast<const char*>(o.b.data()), static_cast<std::streamsize>(o.b.size()));
}

// A file header before `dib`, whose colour table holds `colors` entries.
void WriteBmp(const std::filesystem::path& p, const Out& dib, uint32_t colors) {
    Out f;
    f.U8('B'), f.U8('M');
    f.U32(static_cast<uint32_t>(14 + dib.b.size()));
    f.U32(0);
    f.U32(14 + 40 + 4 * colors);
    f.b.insert(f.b.end(), dib.b.begin(), dib.b.end());
    WriteFile(p, f);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_fixtures DIR\n");
        return 2;
    }
    std::filesystem::path dir = argv[1];
    std::filesystem::create_directories(dir);
    using namespace fixture;

    {  // 24 bits, bottom-up
        Out o;
        InfoHeader(o, kPictureW, kPictureH, 24, 0);
        for (int y = kPictureH - 1; y >= 0; --y) {
            size_t row = o.b.size();
            for (int x = 0; x < kPictureW; ++x) {
                uint32_t c = Picture(x, y);
                o.U8(c), o.U8(c >> 8), o.U8(c >> 16);
            }
            o.Pad4(row);
        }
        WriteBmp(dir / "picture24.bmp", o, 0);
    }
    {  // 8 bits, top-down, short colour table
        Out o;
        InfoHeader(o, kPaletteW, -kPaletteH, 8, 4);
        Palette(o, kPaletteColors, 4);
        for (int y = 0; y < kPaletteH; ++y) {
            size_t row = o.b.size();
            for (int x = 0; x < kPaletteW; ++x) o.U8(static_cast<uint32_t>(PaletteIndex(x, y)));
            o.Pad4(row);
        }
        WriteBmp(dir / "palette8.bmp", o, 4);
    }
    {  // 1 bit, bottom-up
        Out o;
        InfoHeader(o, kMonoW, kMonoH, 1, 2);
        const uint32_t bw[2] = {0x000000, 0xFFFFFF};
        Palette(o, bw, 2);
        for (int y = kMonoH - 1; y >= 0; --y) {
            size_t row = o.b.size();
            uint32_t bits = 0;
            for (int x = 0; x < 16; ++x) bits = (bits << 1) | (x < kMonoW && MonoWhite(x, y) ? 1u : 0u);
            o.U8(bits >> 8), o.U8(bits);
            o.Pad4(row);
        }
        WriteBmp(dir / "mono1.bmp", o, 2);
    }
    {  // icon: 16x16x24 with mask, 32x32x32 with alpha
        Out img16, img32;
        InfoHeader(img16, 16, 32, 24, 0);
        for (int y = 15; y >= 0; --y)
            for (int x = 0; x < 16; ++x) {
                uint32_t c = Icon16(x, y);
                img16.U8(c), img16.U8(c >> 8), img16.U8(c >> 16);
            }
        for (int y = 15; y >= 0; --y) {
            uint32_t bits = 0;
            for (int x = 0; x < 16; ++x) bits = (bits << 1) | (Icon16Transparent(x, y) ? 1u : 0u);
            img16.U8(bits >> 8), img16.U8(bits), img16.U16(0);
        }
        InfoHeader(img32, 32, 64, 32, 0);
        for (int y = 31; y >= 0; --y)
            for (int x = 0; x < 32; ++x) img32.U32(Icon32(x, y));
        for (int y = 0; y < 32; ++y) img32.U32(0);  // mask unused: alpha decides
        Out ico;
        ico.U16(0), ico.U16(1), ico.U16(2);
        uint32_t offset = 6 + 2 * 16;
        for (const auto& [img, size, bpp] : {std::tuple{&img16, 16, 24}, std::tuple{&img32, 32, 32}}) {
            ico.U8(static_cast<uint32_t>(size)), ico.U8(static_cast<uint32_t>(size)), ico.U8(0), ico.U8(0);
            ico.U16(1), ico.U16(static_cast<uint32_t>(bpp));
            ico.U32(static_cast<uint32_t>(img->b.size()));
            ico.U32(offset);
            offset += static_cast<uint32_t>(img->b.size());
        }
        ico.b.insert(ico.b.end(), img16.b.begin(), img16.b.end());
        ico.b.insert(ico.b.end(), img32.b.begin(), img32.b.end());
        WriteFile(dir / "app.ico", ico);
    }
    return 0;
}
