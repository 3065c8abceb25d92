#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <tuple>

#include "pictures.h"

namespace {

using Bytes = std::vector<uint8_t>;

uint32_t le(const Bytes& b, size_t at, int n) {
    uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = v << 8 | b[at + static_cast<size_t>(i)];
    return v;
}

struct Bmp {
    int w = 0, h = 0;
    Bytes b;
    art::Rgb at(int x, int y) const {  // top-down coordinates
        const size_t row = static_cast<size_t>((w * 3 + 3) / 4 * 4);
        const size_t p = 54 + row * static_cast<size_t>(h - 1 - y) + static_cast<size_t>(x) * 3;
        return {b[p + 2], b[p + 1], b[p]};
    }
};

class ArtFiles : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = std::filesystem::temp_directory_path() / ("halvo_art_" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        std::string failed;
        ASSERT_TRUE(art::writeAll(dir.string(), failed)) << failed;
    }
    static void TearDownTestSuite() { std::filesystem::remove_all(dir); }

    static Bytes read(const std::string& name) {
        std::ifstream f(dir / name, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(f), {});
    }

    // Checks the headers of a 24-bit bottom-up bitmap and returns it.
    static Bmp bmp(const std::string& name, int w, int h) {
        Bmp m{w, h, read(name)};
        const uint32_t row = static_cast<uint32_t>((w * 3 + 3) / 4 * 4);
        EXPECT_GE(m.b.size(), 54u) << name;
        if (m.b.size() < 54) return m;
        EXPECT_EQ(m.b[0], 'B');
        EXPECT_EQ(m.b[1], 'M');
        EXPECT_EQ(le(m.b, 2, 4), m.b.size()) << name;
        EXPECT_EQ(m.b.size(), 54 + row * static_cast<uint32_t>(h)) << name;
        // Offset of the bits, header size, width, height (positive: bottom-up),
        // 24 bits per pixel, no compression.
        const uint32_t want[][3] = {{10, 4, 54},          {14, 4, 40}, {18, 4, uint32_t(w)},
                                    {22, 4, uint32_t(h)}, {28, 2, 24}, {30, 4, 0}};
        for (auto [at, n, v] : want) EXPECT_EQ(le(m.b, at, int(n)), v) << name << " at " << at;
        return m;
    }

    static inline std::filesystem::path dir;
};

// Each test writes every picture once (a test is a process of its own): the
// checks of the bitmaps, and those of the icons, are one test each.
TEST_F(ArtFiles, BitmapsHaveTheirSizesAndStripsAreKeyedTwoFrames) {
    bmp("title.bmp", 450, 27);  // 1350-byte rows need padding
    bmp("background.bmp", 450, 320);
    // Strips: keyed at the bottom left of each frame, the pressed frame
    // differing from the up frame.
    const art::Image background = art::drawBackground();
    for (const art::StripDef& d : art::strips()) {
        const Bmp m = bmp(d.file, 96, 48);
        if (m.b.size() != 54u + 288u * 48u) continue;
        const art::Strip s = art::drawStrip(d, background);
        if (d.onPanel) {
            EXPECT_EQ(s.ground, art::kKey) << d.file;
        }
        int drawn[2] = {0, 0};
        for (int f = 0; f < 2; ++f) {
            EXPECT_EQ(m.at(f * 48, 47), s.ground) << d.file << " frame " << f;
            for (int y = 0; y < 48; ++y)
                for (int x = 0; x < 48; ++x) {
                    const bool picture = s.drawn[static_cast<size_t>(y) * 96 + f * 48 + x] != 0;
                    drawn[f] += picture;
                    // Transparent exactly where nothing is drawn, never inside the picture.
                    ASSERT_EQ(m.at(f * 48 + x, y) == s.ground, !picture)
                        << d.file << " frame " << f << " at " << x << "," << y;
                }
        }
        EXPECT_GT(drawn[0], 48 * 48 / 4) << d.file;
        EXPECT_LT(drawn[0], 48 * 48) << d.file;
        int differ = 0;
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 48; ++x) differ += !(m.at(x, y) == m.at(48 + x, y));
        EXPECT_GT(differ, 100) << d.file;
    }
}

TEST_F(ArtFiles, PanelIconHoldsTwoSizesAndTheCrosshairsMaskIsOpenInTheMiddle) {
    const Bytes b = read("panel.ico");
    ASSERT_GE(b.size(), 6u + 32u);
    EXPECT_EQ(le(b, 0, 2), 0u);
    EXPECT_EQ(le(b, 2, 2), 1u);
    ASSERT_EQ(le(b, 4, 2), 2u);
    uint32_t end = 6 + 32;
    for (int i = 0; i < 2; ++i) {
        const int size = i == 0 ? 32 : 16;
        const size_t e = 6 + 16 * static_cast<size_t>(i);
        EXPECT_EQ(b[e], size);
        EXPECT_EQ(le(b, e + 6, 2), 32u);
        const uint32_t bytes = le(b, e + 8, 4), at = le(b, e + 12, 4);
        EXPECT_EQ(at, end);
        // Header, BGRA pixels, then a 1-bit mask with 4-byte rows.
        EXPECT_EQ(bytes, 40u + static_cast<uint32_t>(size * size * 4 + size * 4));
        EXPECT_EQ(static_cast<int>(le(b, at + 8, 4)), size * 2);
        end += bytes;
    }
    EXPECT_EQ(end, b.size());

    // The cross-hair's mask leaves the centre open.
    const Bytes c = read("crosshair.ico");
    ASSERT_EQ(c.size(), 6u + 16u + 40u + 64u + 32u * 16u + 32u * 4u);
    EXPECT_EQ(le(c, 6 + 6, 2), 4u);
    const size_t mask = 6 + 16 + 40 + 64 + 32 * 16;
    auto transparent = [&](int x, int y) {  // mask rows run bottom-up
        return (c[mask + static_cast<size_t>(31 - y) * 4 + static_cast<size_t>(x / 8)] >> (7 - x % 8) & 1) != 0;
    };
    int opaque = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) opaque += !transparent(x, y);
    EXPECT_EQ(opaque, 4 * 2 * 13);
    for (auto [x, y, open] : {std::tuple{15, 1, false},
                              {16, 30, false},
                              {1, 15, false},
                              {30, 16, false},
                              {15, 15, true},
                              {15, 0, true},
                              {14, 1, true}})
        EXPECT_EQ(transparent(x, y), open) << x << "," << y;
}

}  // namespace
