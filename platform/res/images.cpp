// Bitmaps and icons: decoding DIBs, LoadBitmap, icon images.
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "ce_gdi.h"
#include "ce_res.h"

namespace ce::res {
namespace {

uint32_t Le32(const BYTE* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t{p[3]} << 24);
}
uint16_t Le16(const BYTE* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiBitfields = 3;

}  // namespace

bool DecodeDib(const BYTE* data, size_t size, Picture* out, int heightScale) {
    if (!data || size < 40) return false;
    const uint32_t headerSize = Le32(data);
    if (headerSize < 40 || headerSize > size) return false;
    const int32_t width = static_cast<int32_t>(Le32(data + 4));
    const int32_t rawHeight = static_cast<int32_t>(Le32(data + 8));
    const uint16_t bpp = Le16(data + 14);
    const uint32_t compression = Le32(data + 16);
    uint32_t colors = Le32(data + 32);
    if (width <= 0 || rawHeight == 0 || rawHeight == INT32_MIN || width > 16384) return false;
    const bool topDown = rawHeight < 0;
    const int height = std::abs(rawHeight) / heightScale;
    if (height <= 0 || height > 16384) return false;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return false;
    if (compression != kBiRgb && !(compression == kBiBitfields && (bpp == 16 || bpp == 32))) return false;

    size_t pos = headerSize;
    // Colour masks of BI_BITFIELDS follow a 40-byte header.
    uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};
    if (bpp == 32) {
        masks[0] = 0xFF0000;
        masks[1] = 0xFF00;
        masks[2] = 0xFF;
    }
    if (compression == kBiBitfields) {
        if (headerSize == 40) {
            if (pos + 12 > size) return false;
            for (int k = 0; k < 3; ++k) masks[k] = Le32(data + pos + 4 * k);
            pos += 12;
        } else {
            for (int k = 0; k < 3; ++k) masks[k] = Le32(data + 40 + 4 * k);
        }
    }
    std::vector<uint32_t> palette;
    if (bpp <= 8) {
        if (colors == 0 || colors > (1u << bpp)) colors = 1u << bpp;
        if (pos + 4 * size_t{colors} > size) return false;
        for (uint32_t k = 0; k < colors; ++k) {
            const BYTE* q = data + pos + 4 * k;  // RGBQUAD: blue, green, red, reserved
            palette.push_back((uint32_t{q[2]} << 16) | (uint32_t{q[1]} << 8) | q[0]);
        }
        pos += 4 * size_t{colors};
    }
    const size_t stride = (size_t{static_cast<uint32_t>(width)} * bpp + 31) / 32 * 4;
    if (pos > size || stride * height > size - pos) return false;

    // One channel of a bit-field pixel, scaled to 8 bits.
    auto channel = [](uint32_t v, uint32_t mask) -> uint32_t {
        if (!mask) return 0;
        int shift = 0;
        while (!((mask >> shift) & 1)) ++shift;
        uint32_t m = mask >> shift, c = (v & mask) >> shift;
        return m == 0xFF ? c : c * 255 / m;
    };

    out->width = width;
    out->height = height;
    out->alpha = false;
    out->mono = bpp == 1 && palette.size() == 2 && palette[0] == 0 && palette[1] == 0xFFFFFF;
    out->pixels.resize(size_t{static_cast<uint32_t>(width)} * height);
    bool anyAlpha = false;
    for (int y = 0; y < height; ++y) {
        const BYTE* row = data + pos + stride * (topDown ? y : height - 1 - y);
        uint32_t* dst = out->pixels.data() + size_t{static_cast<uint32_t>(width)} * y;
        // The common formats are decoded row by row without a per-pixel
        // choice of format; the others take the general path below.
        if (bpp == 24) {
            // Four bytes at a time (B, G, R and the next pixel's blue, which
            // the mask drops); the last pixel of a row may end the data.
            int x = 0;
            for (; x + 1 < width; ++x) dst[x] = Le32(row + 3 * x) & 0xFFFFFFu;
            for (; x < width; ++x)
                dst[x] = (uint32_t{row[3 * x + 2]} << 16) | (uint32_t{row[3 * x + 1]} << 8) | row[3 * x];
            continue;
        }
        if (bpp == 32 && compression == kBiRgb) {
            uint32_t alphaBits = 0;
            for (int x = 0; x < width; ++x) {
                dst[x] = Le32(row + 4 * x);  // 0xAARRGGBB
                alphaBits |= dst[x];
            }
            anyAlpha = anyAlpha || (alphaBits >> 24) != 0;
            continue;
        }
        for (int x = 0; x < width; ++x) {
            uint32_t v;
            switch (bpp) {
                case 1:
                    v = (row[x >> 3] >> (7 - (x & 7))) & 1;
                    break;
                case 4:
                    v = (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF;
                    break;
                case 8:
                    v = row[x];
                    break;
                case 16:
                    v = Le16(row + 2 * x);
                    break;
                default:
                    v = Le32(row + 4 * x);
                    break;
            }
            if (bpp <= 8)
                dst[x] = v < palette.size() ? palette[v] : 0;
            else
                dst[x] = (channel(v, masks[0]) << 16) | (channel(v, masks[1]) << 8) | channel(v, masks[2]);
        }
    }
    // Alpha counts only when some pixel has it (most 32-bit DIBs leave it 0).
    if (bpp == 32 && compression == kBiRgb) {
        if (anyAlpha)
            out->alpha = true;
        else
            for (auto& p : out->pixels) p &= 0xFFFFFF;
    }
    return true;
}

bool LoadIconImage(HINSTANCE instance, LPCWSTR name, int cx, int cy, IconImage* out) {
    Bytes group = FindBytes(instance, name, RT_GROUP_ICON);
    if (!group.data) return false;
    if (group.size < 6 || Le16(group.data + 2) != 1) {
        SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    const int count = Le16(group.data + 4);
    if (cx <= 0) cx = 32;
    if (cy <= 0) cy = 32;
    // The image nearest in size; among equals, the one with the most colours.
    int best = -1;
    long bestScore = 0;
    for (int k = 0; k < count; ++k) {
        const BYTE* e = group.data + 6 + 14 * k;
        if (6 + 14 * size_t(k + 1) > group.size) break;
        int w = e[0] ? e[0] : 256, h = e[1] ? e[1] : 256, bits = Le16(e + 6);
        long score = (std::labs(w - cx) + std::labs(h - cy)) * 1000L - bits;
        if (best < 0 || score < bestScore) {
            best = k;
            bestScore = score;
        }
    }
    if (best < 0) {
        SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    const WORD id = Le16(group.data + 6 + 14 * best + 12);
    Bytes image = FindBytes(instance, MAKEINTRESOURCE(id), RT_ICON);
    if (!image.data) return false;
    if (!DecodeDib(image.data, image.size, &out->color, 2)) {
        SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    // The AND mask follows the colour bits: 1 bit per pixel, rows bottom-up.
    const int w = out->color.width, h = out->color.height;
    const uint32_t header = Le32(image.data);
    const uint16_t bpp = Le16(image.data + 14);
    uint32_t colors = Le32(image.data + 32);
    if (bpp <= 8 && (colors == 0 || colors > (1u << bpp))) colors = 1u << bpp;
    size_t pos =
        header + (bpp <= 8 ? 4 * size_t{colors} : 0) + (size_t{static_cast<uint32_t>(w)} * bpp + 31) / 32 * 4 * h;
    const size_t maskStride = (size_t{static_cast<uint32_t>(w)} + 31) / 32 * 4;
    out->mask.assign(size_t{static_cast<uint32_t>(w)} * h, 0);
    if (pos + maskStride * h <= image.size) {
        for (int y = 0; y < h; ++y) {
            const BYTE* row = image.data + pos + maskStride * (h - 1 - y);
            for (int x = 0; x < w; ++x) out->mask[size_t(y) * w + x] = (row[x >> 3] >> (7 - (x & 7))) & 1;
        }
    } else if (!out->color.alpha) {
        SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    // With an alpha channel, a pixel less than half opaque is transparent;
    // its colour is cleared so that drawing (AND mask, XOR colour) leaves
    // the screen as it was.
    if (out->color.alpha) {
        for (size_t k = 0; k < out->mask.size(); ++k) {
            out->mask[k] = (out->color.pixels[k] >> 24) < 128;
            if (out->mask[k]) out->color.pixels[k] = 0;
        }
    }
    return true;
}

}  // namespace ce::res

namespace {

// Decoded pictures by the address of their resource bytes (which live as
// long as the program). A colour picture keeps its pixels as the bitmap's
// own words, shared by every bitmap loaded from it until one is drawn into:
// loading a bitmap again is neither a decode nor a copy.
struct LoadedPicture {
    std::shared_ptr<const ce::res::Picture> picture;      // the pixels of monochrome pictures only
    std::shared_ptr<const std::vector<uint32_t>> colour;  // colour pictures, alpha dropped
};

const LoadedPicture* DecodedPicture(const ce::res::Bytes& dib) {
    static std::mutex& mutex = *new std::mutex;
    static auto& cache = *new std::map<const BYTE*, LoadedPicture>;
    std::lock_guard lock(mutex);
    auto it = cache.find(dib.data);
    if (it != cache.end()) return &it->second;
    auto pic = std::make_shared<ce::res::Picture>();
    if (!ce::res::DecodeDib(dib.data, dib.size, pic.get())) return nullptr;
    LoadedPicture loaded;
    if (!pic->mono) {
        // Bitmaps have no alpha channel: a picture with one drops it.
        auto colour = std::make_shared<std::vector<uint32_t>>(std::move(pic->pixels));
        for (uint32_t& p : *colour) p &= 0xFFFFFFu;
        loaded.colour = std::move(colour);
    }
    loaded.picture = std::move(pic);
    return &cache.emplace(dib.data, std::move(loaded)).first->second;
}

}  // namespace

HBITMAP LoadBitmap(HINSTANCE hInstance, LPCWSTR lpBitmapName) {
    ce::res::Bytes dib = ce::res::FindBytes(hInstance, lpBitmapName, RT_BITMAP);
    if (!dib.data) return nullptr;
    const LoadedPicture* loaded = DecodedPicture(dib);
    if (!loaded) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    const ce::res::Picture& pic = *loaded->picture;
    if (pic.mono) {
        // CreateBitmap's monochrome rows are 16-bit aligned, 1 = white.
        const size_t stride = (size_t(pic.width) + 15) / 16 * 2;
        std::vector<BYTE> bits(stride * pic.height, 0);
        for (int y = 0; y < pic.height; ++y)
            for (int x = 0; x < pic.width; ++x)
                if (pic.pixels[size_t(y) * pic.width + x]) bits[stride * y + (x >> 3)] |= BYTE(0x80 >> (x & 7));
        return CreateBitmap(pic.width, pic.height, 1, 1, bits.data());
    }
    return ce::gdi::CreateBitmapSharingPixels(pic.width, pic.height, loaded->colour);
}

HICON LoadIcon(HINSTANCE hInstance, LPCWSTR lpIconName) {
    ce::res::IconImage image;
    if (!ce::res::LoadIconImage(hInstance, lpIconName, 32, 32, &image)) return nullptr;
    const int w = image.color.width, h = image.color.height;
    // The mask is monochrome (1 = white = transparent), rows 16-bit aligned.
    const size_t stride = (size_t(w) + 15) / 16 * 2;
    std::vector<BYTE> maskBits(stride * h, 0);
    std::vector<BYTE> colorBits(size_t(w) * h * 4);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const size_t k = size_t(y) * w + x;
            if (image.mask[k]) maskBits[stride * y + (x >> 3)] |= BYTE(0x80 >> (x & 7));
            const uint32_t p = image.color.pixels[k];
            colorBits[4 * k] = BYTE(p);
            colorBits[4 * k + 1] = BYTE(p >> 8);
            colorBits[4 * k + 2] = BYTE(p >> 16);
            colorBits[4 * k + 3] = 0;
        }
    }
    ICONINFO info{};
    info.fIcon = TRUE;
    info.hbmMask = CreateBitmap(w, h, 1, 1, maskBits.data());
    info.hbmColor = CreateBitmap(w, h, 1, 32, colorBits.data());
    HICON icon = info.hbmMask && info.hbmColor ? CreateIconIndirect(&info) : nullptr;
    if (info.hbmMask) DeleteObject(info.hbmMask);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    return icon;
}
