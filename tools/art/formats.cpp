#include "formats.h"

#include <algorithm>
#include <array>
#include <fstream>

namespace art {

namespace {

void put16(std::vector<uint8_t>& o, uint32_t v) {
    o.push_back(static_cast<uint8_t>(v));
    o.push_back(static_cast<uint8_t>(v >> 8));
}

void put32(std::vector<uint8_t>& o, uint32_t v) {
    put16(o, v & 0xFFFF);
    put16(o, v >> 16);
}

void put32be(std::vector<uint8_t>& o, uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) o.push_back(static_cast<uint8_t>(v >> s));
}

void infoHeader(std::vector<uint8_t>& o, int w, int h, int bits, uint32_t imageBytes, uint32_t colours) {
    put32(o, 40);
    put32(o, static_cast<uint32_t>(w));
    put32(o, static_cast<uint32_t>(h));
    put16(o, 1);
    put16(o, static_cast<uint32_t>(bits));
    put32(o, 0);  // BI_RGB
    put32(o, imageBytes);
    put32(o, 2835);  // 72 dpi
    put32(o, 2835);
    put32(o, colours);
    put32(o, 0);
}

uint32_t stride(int w, int bits) {
    return static_cast<uint32_t>((w * bits + 31) / 32 * 4);
}

uint32_t crc32(const uint8_t* p, size_t n, uint32_t crc = 0) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (size_t i = 0; i < n; ++i) crc = table[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

void chunk(std::vector<uint8_t>& o, const char* type, const std::vector<uint8_t>& data) {
    put32be(o, static_cast<uint32_t>(data.size()));
    const size_t start = o.size();
    o.insert(o.end(), type, type + 4);
    o.insert(o.end(), data.begin(), data.end());
    put32be(o, crc32(o.data() + start, o.size() - start));
}

}  // namespace

std::vector<uint8_t> encodeBmp(const Image& img) {
    const uint32_t rowBytes = stride(img.w, 24);
    const uint32_t imageBytes = rowBytes * static_cast<uint32_t>(img.h);
    std::vector<uint8_t> o;
    o.push_back('B');
    o.push_back('M');
    put32(o, 14 + 40 + imageBytes);
    put32(o, 0);
    put32(o, 14 + 40);
    infoHeader(o, img.w, img.h, 24, imageBytes, 0);
    for (int y = img.h - 1; y >= 0; --y) {
        for (int x = 0; x < img.w; ++x) {
            const Rgb& c = img.at(x, y);
            o.insert(o.end(), {c.b, c.g, c.r});
        }
        o.resize(o.size() + rowBytes - static_cast<uint32_t>(img.w) * 3, 0);
    }
    return o;
}

namespace {

const uint8_t kPalette16[16][3] = {{0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                                   {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
                                   {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
                                   {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};

uint8_t nearest16(const uint8_t* rgb) {
    int best = 0, bestDist = 1 << 30;
    for (int i = 0; i < 16; ++i) {
        const int dr = rgb[0] - kPalette16[i][0], dg = rgb[1] - kPalette16[i][1], db = rgb[2] - kPalette16[i][2];
        const int d = dr * dr + dg * dg + db * db;
        if (d < bestDist) best = i, bestDist = d;
    }
    return static_cast<uint8_t>(best);
}

}  // namespace

std::vector<uint8_t> encodeIco(const std::vector<IconImage>& images) {
    std::vector<std::vector<uint8_t>> bodies;
    for (const IconImage& im : images) {
        const int n = im.size;
        const uint32_t xorRow = stride(n, im.bits), andRow = stride(n, 1);
        std::vector<uint8_t> b;
        const uint32_t colours = im.bits == 4 ? 16 : 0;
        infoHeader(b, n, n * 2, im.bits, (xorRow + andRow) * static_cast<uint32_t>(n), colours);
        if (im.bits == 4) {
            // The usual 16-colour palette; each pixel takes its nearest entry.
            for (const auto& c : kPalette16) b.insert(b.end(), {c[2], c[1], c[0], 0});
        }
        auto pixel = [&](int x, int y) { return &im.rgba[(static_cast<size_t>(y) * n + x) * 4]; };
        for (int y = n - 1; y >= 0; --y) {
            const size_t rowStart = b.size();
            for (int x = 0; x < n; ++x) {
                const uint8_t* p = pixel(x, y);
                if (im.bits == 32) {
                    b.insert(b.end(), {p[2], p[1], p[0], p[3]});
                } else {
                    // Black under a transparent mask bit.
                    const uint8_t index = p[3] < 128 ? 0 : nearest16(p);
                    if (x % 2 == 0)
                        b.push_back(static_cast<uint8_t>(index << 4));
                    else
                        b.back() = static_cast<uint8_t>(b.back() | index);
                }
            }
            b.resize(rowStart + xorRow, 0);
        }
        for (int y = n - 1; y >= 0; --y) {
            std::vector<uint8_t> row(andRow, 0);
            for (int x = 0; x < n; ++x)
                if (pixel(x, y)[3] < 128) row[static_cast<size_t>(x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
            b.insert(b.end(), row.begin(), row.end());
        }
        bodies.push_back(std::move(b));
    }
    std::vector<uint8_t> o;
    put16(o, 0);
    put16(o, 1);
    put16(o, static_cast<uint32_t>(images.size()));
    uint32_t offset = 6 + 16 * static_cast<uint32_t>(images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        o.push_back(static_cast<uint8_t>(images[i].size));
        o.push_back(static_cast<uint8_t>(images[i].size));
        o.push_back(images[i].bits == 4 ? 16 : 0);
        o.push_back(0);
        put16(o, 1);
        put16(o, static_cast<uint32_t>(images[i].bits));
        put32(o, static_cast<uint32_t>(bodies[i].size()));
        put32(o, offset);
        offset += static_cast<uint32_t>(bodies[i].size());
    }
    for (const auto& b : bodies) o.insert(o.end(), b.begin(), b.end());
    return o;
}

std::vector<uint8_t> encodePng(const Image& img) {
    std::vector<uint8_t> raw;
    raw.reserve(static_cast<size_t>(img.w * 3 + 1) * img.h);
    for (int y = 0; y < img.h; ++y) {
        raw.push_back(0);  // no filter
        for (int x = 0; x < img.w; ++x) raw.insert(raw.end(), {img.at(x, y).r, img.at(x, y).g, img.at(x, y).b});
    }
    std::vector<uint8_t> z = {0x78, 0x01};
    size_t pos = 0;
    do {
        const size_t len = std::min<size_t>(65535, raw.size() - pos);
        z.push_back(pos + len == raw.size() ? 1 : 0);
        put16(z, static_cast<uint32_t>(len));
        put16(z, static_cast<uint32_t>(~len & 0xFFFF));
        z.insert(z.end(), raw.begin() + static_cast<long>(pos), raw.begin() + static_cast<long>(pos + len));
        pos += len;
    } while (pos < raw.size());
    uint32_t a = 1, b = 0;
    for (uint8_t v : raw) {
        a = (a + v) % 65521;
        b = (b + a) % 65521;
    }
    put32be(z, (b << 16) | a);

    std::vector<uint8_t> o = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> ihdr;
    put32be(ihdr, static_cast<uint32_t>(img.w));
    put32be(ihdr, static_cast<uint32_t>(img.h));
    ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});  // 8-bit RGB
    chunk(o, "IHDR", ihdr);
    chunk(o, "IDAT", z);
    chunk(o, "IEND", {});
    return o;
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(f);
}

}  // namespace art
