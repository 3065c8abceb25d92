// The registry editor's pictures: its icon and the strip of seven 16 x 16
// images its tree and list draw. At this size every pixel counts, so they
// are drawn as pixel maps: one character per pixel, looked up in a palette.
#include <map>

#include "pictures.h"

namespace art {

namespace {

using Map = std::vector<const char*>;  // 16 rows of 16 characters

// Colours of the strip. The images are drawn opaque on the views' white.
const std::map<char, Rgb>& stripPalette() {
    static const std::map<char, Rgb> p = {
        {'.', {255, 255, 255}}, {'k', {0, 0, 0}},      {'g', {128, 128, 128}}, {'s', {192, 192, 192}},
        {'d', {96, 96, 96}},    {'B', {40, 90, 170}},  {'c', {170, 215, 250}}, {'y', {250, 210, 80}},
        {'Y', {255, 236, 150}}, {'o', {170, 120, 20}}, {'r', {150, 0, 0}},     {'b', {0, 0, 200}},
    };
    return p;
}

// The device: a small handheld computer with a blue screen and keys.
const Map kDevice = {
    "................", "...kkkkkkkkkk...", "...kssssssssk...", "...ksBBBBBBsk...",
    "...ksBccccBsk...", "...ksBBBBBBsk...", "...ksBcccBBsk...", "...ksBBBBBBsk...",
    "...ksBBBBBBsk...", "...kssssssssk...", "...ksdsdsdssk...", "...kssssssssk...",
    "...ksdsdsdssk...", "...kssssssssk...", "....kkkkkkkk....", "................",
};

const Map kFolder = {
    "................", "................", "..oooo..........", ".oYYYYo.........",
    ".oyyyyyoooooooo.", ".oYYYYYYYYYYYYo.", ".oyyyyyyyyyyyyo.", ".oyyyyyyyyyyyyo.",
    ".oyyyyyyyyyyyyo.", ".oyyyyyyyyyyyyo.", ".oyyyyyyyyyyyyo.", ".oyyyyyyyyyyyyo.",
    ".oooooooooooooo.", "................", "................", "................",
};

const Map kFolderOpen = {
    "................", "................", "..oooo..........", ".oYYYYo.........",
    ".oyyyyyoooooooo.", ".oyyyyyyyyyyyyo.", ".oyyoooooooooooo", ".oyoYYYYYYYYYYYo",
    ".oyoYYYYYYYYYYo.", ".ooYYYYYYYYYYYo.", ".ooYYYYYYYYYYo..", ".oYYYYYYYYYYYo..",
    ".ooooooooooooo..", "................", "................", "................",
};

// A sheet of paper with a folded corner; the value pictures write on it.
const Map kPage = {
    "................", "..ggggggggg.....", "..g.......gg....", "..g.......gsg...",
    "..g.......gggg..", "..g..........g..", "..g..........g..", "..g..........g..",
    "..g..........g..", "..g..........g..", "..g..........g..", "..g..........g..",
    "..g..........g..", "..g..........g..", "..gggggggggggg..", "................",
};

const Map kString = {
    "",
    "",
    "",
    "",
    "",
    "",
    "........r.......",
    "........r.......",
    "...rrr..rrr.....",
    "......r.r..r....",
    "....rrr.r..r....",
    "...r..r.r..r....",
    "....rrr.rrr.....",
};

const Map kMultiString = {
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "....rrrrrr......",
    "....r..r..r.....",
    "....r..r..r.....",
    "....r..r..r.....",
    "....r..r..r.....",
};

const Map kBinary = {
    "",
    "",
    "",
    "",
    "",
    "....b.bbb.b.....",
    "....b.b.b.b.....",
    "....b.b.b.b.....",
    "....b.bbb.b.....",
    "",
    "....bbb.b.bbb...",
    "....b.b.b.b.b...",
    "....b.b.b.b.b...",
    "....bbb.b.bbb...",
};

const Map kDword = {
    "",
    "",
    "",
    "",
    "",
    "",
    ".....bbbb.......",
    ".....bb.bb......",
    ".....bb..bb.....",
    ".....bb..bb.....",
    ".....bb..bb.....",
    ".....bb.bb......",
    ".....bbbb.......",
};

// Paints a map at (x0, 0); '.' in an overlay (or a short row) leaves the
// pixel as it is.
void paint(Image& img, int x0, const Map& map, bool overlay) {
    for (int y = 0; y < static_cast<int>(map.size()) && y < 16; ++y) {
        for (int x = 0; x < 16 && map[y][x]; ++x) {
            const char c = map[y][x];
            if (overlay && c == '.') continue;
            img.at(x0 + x, y) = stripPalette().at(c);
        }
    }
}

// The icon: a small tree of folders, in the colours of the 16-colour
// palette so that the 4-bit icon shows them exactly.
const Map kIcon = {
    ".ooo............", "oyyyoooo........", "oyyyyyyo........", "oyyyyyyo........",
    "oooooooo........", "..k.............", "..k....ooo......", "..k...oyyyoooooo",
    "..kkkkoyyyyyyyyo", "..k...oyyyyyyyyo", "..k...oooooooooo", "..k....ooo......",
    "..k...oyyyoooooo", "..kkkkoyyyyyyyyo", "......oyyyyyyyyo", "......oooooooooo",
};

IconImage iconAt(int size) {
    static const std::map<char, Rgb> palette = {{'k', {0, 0, 0}}, {'y', {255, 255, 0}}, {'o', {128, 128, 0}}};
    IconImage im{size, 4, std::vector<uint8_t>(static_cast<size_t>(size) * size * 4, 0)};
    const int z = size / 16;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const char c = kIcon[y / z][x / z];
            if (c == '.') continue;
            const Rgb rgb = palette.at(c);
            uint8_t* p = &im.rgba[(static_cast<size_t>(y) * size + x) * 4];
            p[0] = rgb.r, p[1] = rgb.g, p[2] = rgb.b, p[3] = 255;
        }
    }
    return im;
}

}  // namespace

std::vector<IconImage> drawArborIcon() {
    return {iconAt(32), iconAt(16)};
}

Image drawArborImages() {
    Image img(7 * 16, 16, {255, 255, 255});
    paint(img, 0, kDevice, false);
    paint(img, 16, kFolder, false);
    paint(img, 32, kFolderOpen, false);
    const Map* writing[] = {&kString, &kMultiString, &kBinary, &kDword};
    for (int i = 0; i < 4; ++i) {
        paint(img, 48 + 16 * i, kPage, false);
        paint(img, 48 + 16 * i, *writing[i], true);
    }
    return img;
}

}  // namespace art
