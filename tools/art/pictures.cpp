#include "pictures.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace art {

namespace {

constexpr float kPi = std::numbers::pi_v<float>;
const Col kWhite = rgb(255, 255, 255);
const Col kBlack = rgb(0, 0, 0);

Pt polar(float cx, float cy, float r, float deg) {
    return {cx + r * std::cos(deg * kPi / 180), cy + r * std::sin(deg * kPi / 180)};
}

// ---------------------------------------------------------------- shared parts

// Soft drop shadow that tightens when the button is pushed in.
void shadow(Layer& L, const Shape& s, float strength = 0.35f) {
    if (L.pressed)
        L.fill(move(s, 0.0f, 0.5f), solid(kBlack), strength * 0.7f, 2.0f);
    else
        L.fill(move(s, 1.0f, 2.0f), solid(kBlack), strength, 3.5f);
}

// Rounded glossy tile that carries the panel's glyphs.
void tile(Layer& L, Col top, Col bottom) {
    const Shape body = roundRect(5, 4, 43, 42, 8);
    shadow(L, body);
    L.fill(body, linear({0, 4}, top, {0, 42}, bottom));
    L.fill(intersect(body, ellipse(24, 4, 26, 17)),
           linear({0, 4}, rgb(255, 255, 255, 0.38f), {0, 21}, rgb(255, 255, 255, 0.04f)));
    L.fill(intersect(outline(grow(body, -1.0f), 1.0f), roundRect(0, 0, 48, 22, 0)),
           linear({0, 5}, rgb(255, 255, 255, 0.5f), {0, 22}, rgb(255, 255, 255, 0.0f)));
    L.fill(outline(body, 1.0f), solid(shade(bottom, 0.72f)), 0.9f);
}

// A light glyph with a faint shadow under it so it stands off the tile.
void glyph(Layer& L, const Shape& s, Col c = kWhite) {
    L.fill(move(s, 0.0f, 1.0f), solid(kBlack), 0.22f, 1.2f);
    L.fill(s, solid(c));
}

Shape arrowHead(Pt tip, float dirDeg, float length, float halfWidth) {
    const Pt base = polar(tip.x, tip.y, -length, dirDeg);
    const Pt a = polar(base.x, base.y, halfWidth, dirDeg + 90), b = polar(base.x, base.y, halfWidth, dirDeg - 90);
    return grow(polygon({tip, a, b}), 0.3f);
}

Shape gear(float cx, float cy, float rOuter, float rRoot, int teeth, float hole) {
    std::vector<Pt> pts;
    const float step = 360.0f / teeth;
    for (int k = 0; k < teeth; ++k) {
        const float c = k * step - 90;
        pts.push_back(polar(cx, cy, rRoot, c - step * 0.36f));
        pts.push_back(polar(cx, cy, rOuter, c - step * 0.2f));
        pts.push_back(polar(cx, cy, rOuter, c + step * 0.2f));
        pts.push_back(polar(cx, cy, rRoot, c + step * 0.36f));
    }
    return subtract(polygon(pts), circle(cx, cy, hole));
}

// ---------------------------------------------------------------- main panel

void drawTouch(Layer& L) {
    tile(L, rgb(110, 190, 245), rgb(30, 105, 200));
    L.fill(roundRect(11, 11, 34, 30, 2.5f), solid(kWhite), 0.22f);
    glyph(L, outline(roundRect(11, 11, 34, 30, 2.5f), 2.2f));
    // Ripples where the stylus meets the glass.
    glyph(L, arc(21, 19, 4.2f, 130, 320, 1.5f));
    glyph(L, arc(21, 19, 7.4f, 145, 305, 1.5f));
    // Stylus coming in from the lower right.
    const Shape pen = unite({segment({27.5f, 25.5f}, {39, 37}, 4.2f),
                             grow(polygon({{21.8f, 19.8f}, {28.6f, 23.6f}, {25.6f, 26.6f}}), 0.4f)});
    glyph(L, pen);
    L.fill(segment({30, 28}, {38, 36}, 1.2f), solid(rgb(30, 105, 200)), 0.55f);
}

void drawSysInfo(Layer& L) {
    const Col blue = rgb(25, 85, 185);
    tile(L, rgb(105, 170, 245), rgb(25, 80, 180));
    glyph(L, circle(24, 23, 13.5f));
    L.fill(circle(24, 23, 13.5f), radial({20, 17}, 18, rgb(255, 255, 255, 0), rgb(200, 220, 245)), 0.8f);
    L.fill(circle(24, 15.5f, 2.5f), solid(blue));
    const Shape stem = unite({roundRect(21.8f, 19.5f, 26.2f, 31.5f, 1.0f), roundRect(20, 19.5f, 26.2f, 21.6f, 0.8f),
                              roundRect(19.8f, 29.4f, 28.2f, 31.6f, 0.8f)});
    L.fill(stem, solid(blue));
}

void drawBrightness(Layer& L) {
    tile(L, rgb(255, 205, 75), rgb(235, 125, 20));
    std::vector<Shape> rays;
    for (int k = 0; k < 8; ++k)
        rays.push_back(segment(polar(24, 23, 10.0f, k * 45.0f), polar(24, 23, 14.5f, k * 45.0f), 2.6f));
    glyph(L, unite(rays));
    glyph(L, circle(24, 23, 7.0f));
    L.fill(circle(24, 23, 7.0f), radial({22, 21}, 8, rgb(255, 252, 225), rgb(255, 225, 120)));
}

void drawSerial(Layer& L) {
    tile(L, rgb(140, 155, 180), rgb(60, 72, 98));
    const Shape flange = roundRect(7.5f, 15, 40.5f, 31, 2.5f);
    glyph(L, flange, rgb(236, 240, 246));
    L.fill(flange, linear({0, 15}, rgb(255, 255, 255, 0), {0, 31}, rgb(160, 170, 190, 0.7f)));
    for (float sx : {10.8f, 37.2f}) {
        L.fill(circle(sx, 23, 2.0f), solid(rgb(110, 118, 135)));
        L.fill(segment({sx - 1.2f, 23}, {sx + 1.2f, 23}, 0.8f), solid(rgb(235, 238, 244)));
    }
    const Shape shell = grow(polygon({{15, 18}, {33, 18}, {30.8f, 28}, {17.2f, 28}}), 1.2f);
    L.fill(shell, linear({0, 17}, rgb(35, 42, 58), {0, 29}, rgb(60, 70, 92)));
    for (int i = 0; i < 5; ++i) L.fill(circle(17.5f + i * 3.25f, 21, 1.15f), solid(rgb(250, 210, 100)));
    for (int i = 0; i < 4; ++i) L.fill(circle(19.125f + i * 3.25f, 25.3f, 1.15f), solid(rgb(250, 210, 100)));
}

void drawScreenSaver(Layer& L) {
    tile(L, rgb(125, 120, 230), rgb(55, 45, 150));
    glyph(L, unite({roundRect(9, 10, 39, 32, 2.5f), roundRect(21, 31, 27, 35.5f, 0.5f),
                    roundRect(16, 34.5f, 32, 37.5f, 1.4f)}));
    L.fill(roundRect(11.5f, 12.5f, 36.5f, 29.5f, 1.0f), linear({0, 12}, rgb(20, 25, 70), {0, 30}, rgb(50, 55, 120)));
    L.fill(subtract(circle(20, 21.5f, 5.6f), circle(22.8f, 19.2f, 4.8f)), solid(rgb(255, 228, 120)));
    const Col z = rgb(220, 225, 255);
    L.fill(polyline({{27, 15.5f}, {30.5f, 15.5f}, {27, 19.5f}, {30.5f, 19.5f}}, 1.2f), solid(z));
    L.fill(polyline({{31.5f, 20.5f}, {34, 20.5f}, {31.5f, 23.5f}, {34, 23.5f}}, 1.0f), solid(z), 0.8f);
    L.fill(circle(15, 15.5f, 0.7f), solid(z), 0.8f);
    L.fill(circle(31, 26.5f, 0.6f), solid(z), 0.7f);
}

void drawRotate(Layer& L) {
    tile(L, rgb(75, 210, 195), rgb(15, 125, 125));
    glyph(L, roundRect(18, 14, 30, 32, 2.2f));
    L.fill(roundRect(19.8f, 16, 28.2f, 28.6f, 0.8f), linear({0, 16}, rgb(20, 110, 115), {0, 29}, rgb(40, 150, 150)));
    L.fill(circle(24, 30.3f, 0.9f), solid(rgb(20, 110, 115)));
    const float r = 14.5f;
    glyph(L, unite({arc(24, 23, r, 200, 305, 2.6f), arrowHead(polar(24, 23, r, 322), 322 + 90, 6, 4),
                    arc(24, 23, r, 20, 125, 2.6f), arrowHead(polar(24, 23, r, 142), 142 + 90, 6, 4)}));
}

void drawServices(Layer& L) {
    tile(L, rgb(100, 210, 115), rgb(25, 130, 55));
    const float cx = 24, cy = 23, r = 13.5f;
    L.fill(circle(cx, cy, r), radial({19, 17}, 20, rgb(255, 255, 255, 0.45f), rgb(255, 255, 255, 0.08f)));
    const Shape inside = circle(cx, cy, r - 0.5f);
    const Shape lines =
        unite({polyline(arcPoints(cx, cy, 6.2f, r, 0, 360), 1.6f), segment({cx, cy - r}, {cx, cy + r}, 1.6f),
               intersect(segment({cx - r, cy}, {cx + r, cy}, 1.6f), inside),
               intersect(segment({cx - r, cy - 6.8f}, {cx + r, cy - 6.8f}, 1.4f), inside),
               intersect(segment({cx - r, cy + 6.8f}, {cx + r, cy + 6.8f}, 1.4f), inside), ring(cx, cy, r, 2.2f)});
    glyph(L, lines);
}

void drawRegistry(Layer& L) {
    const Col purple = rgb(120, 60, 175);
    tile(L, rgb(190, 125, 235), rgb(105, 45, 160));
    const float cx = 24, rx = 11.5f, ry = 3.8f, top = 13.5f, bottom = 32.5f;
    const Shape body =
        unite({roundRect(cx - rx, top, cx + rx, bottom, 0.0f), ellipse(cx, top, rx, ry), ellipse(cx, bottom, rx, ry)});
    glyph(L, body);
    L.fill(body, linear({cx - rx, 0}, rgb(200, 170, 230, 0.0f), {cx + rx, 0}, rgb(200, 170, 230, 0.8f)));
    L.fill(ellipse(cx, top, rx - 1.4f, ry - 1.2f), solid(rgb(225, 205, 245)));
    for (float y : {top + 6.3f, top + 12.6f})
        L.fill(polyline(arcPoints(cx, y, rx - 0.2f, ry, 0, 180), 1.5f), solid(purple), 0.85f);
    L.fill(outline(ellipse(cx, top, rx - 0.2f, ry), 1.2f), solid(purple), 0.6f);
}

void drawQuit(Layer& L) {
    tile(L, rgb(245, 105, 90), rgb(175, 25, 25));
    glyph(L, unite(arc(24, 24.5f, 10.0f, 300, 600, 3.2f), segment({24, 11}, {24, 23}, 3.2f)));
}

// ---------------------------------------------------------------- dialogs

void bulb(Layer& L, bool bright) {
    const Shape glass = unite(circle(22, 18, 11), grow(polygon({{13, 22}, {31, 22}, {26.5f, 30}, {17.5f, 30}}), 0.5f));
    const Shape base = unite({roundRect(16.5f, 29.5f, 27.5f, 37.5f, 1.5f), roundRect(19, 37, 25, 40.5f, 1.5f)});
    if (bright) {
        std::vector<Shape> rays;
        for (int k = 0; k < 7; ++k)
            rays.push_back(segment(polar(22, 18, 14.2f, 165 + k * 35.0f), polar(22, 18, 17.2f, 165 + k * 35.0f), 2.0f));
        L.fill(unite(rays), solid(rgb(245, 170, 20)));
    }
    shadow(L, unite(glass, base), 0.3f);
    if (bright) {
        L.fill(glass, radial({19, 14}, 17, rgb(255, 253, 215), rgb(255, 200, 40)));
        L.fill(outline(glass, 1.0f), solid(rgb(210, 140, 10)));
    } else {
        L.fill(glass, radial({19, 14}, 17, rgb(238, 236, 220), rgb(165, 158, 120)));
        L.fill(outline(glass, 1.0f), solid(rgb(120, 112, 85)));
    }
    L.fill(polyline({{19, 29.5f}, {19, 22}, {20.5f, 19.5f}, {22, 22}, {23.5f, 19.5f}, {25, 22}, {25, 29.5f}}, 1.0f),
           solid(bright ? rgb(220, 110, 10) : rgb(110, 100, 80)), 0.9f);
    L.fill(arc(22, 18, 7.5f, 200, 250, 1.8f), solid(kWhite), 0.8f);
    L.fill(base, linear({16, 0}, rgb(150, 155, 165), {28, 0}, rgb(90, 95, 105)));
    L.fill(roundRect(17, 30.5f, 27, 31.8f, 0.5f), solid(rgb(225, 228, 235)));
    for (float y : {33.0f, 35.5f}) L.fill(segment({17.5f, y}, {26.5f, y}, 0.9f), solid(rgb(210, 214, 222)));
}

void badge(Layer& L, Col c, bool plus) {
    const Shape disc = circle(35.5f, 34.5f, 8.0f);
    shadow(L, disc, 0.3f);
    L.fill(disc, solid(kWhite));
    L.fill(circle(35.5f, 34.5f, 6.8f), linear({0, 28}, shade(c, 1.35f), {0, 41}, c));
    Shape sign = segment({31.5f, 34.5f}, {39.5f, 34.5f}, 2.4f);
    if (plus) sign = unite(sign, segment({35.5f, 30.5f}, {35.5f, 38.5f}, 2.4f));
    L.fill(sign, solid(kWhite));
}

void drawDarker(Layer& L) {
    bulb(L, false);
    badge(L, rgb(40, 95, 190), false);
}

void drawBrighter(Layer& L) {
    bulb(L, true);
    badge(L, rgb(30, 150, 55), true);
}

void roundButton(Layer& L, bool right) {
    const Shape rim = circle(24, 23, 18.5f);
    shadow(L, rim, 0.4f);
    L.fill(rim, linear({0, 5}, rgb(235, 120, 10), {0, 41}, rgb(170, 65, 0)));
    L.fill(circle(24, 23, 16.8f), radial({19, 15}, 26, rgb(255, 190, 80), rgb(235, 105, 5)));
    L.fill(intersect(circle(24, 23, 16.0f), ellipse(24, 12.5f, 13.5f, 9.0f)),
           linear({0, 6}, rgb(255, 255, 255, 0.55f), {0, 20}, rgb(255, 255, 255, 0.02f)));
    Shape arrow =
        grow(polygon({{14, 23}, {23, 14.5f}, {23, 19.5f}, {33, 19.5f}, {33, 26.5f}, {23, 26.5f}, {23, 31.5f}}), 0.6f);
    if (right) arrow = mirrorX(arrow, 24);
    L.fill(move(arrow, 0, 1.0f), solid(rgb(150, 55, 0)), 0.45f, 1.5f);
    L.fill(arrow, solid(kWhite));
}

void drawLeft(Layer& L) {
    roundButton(L, false);
}
void drawRight(Layer& L) {
    roundButton(L, true);
}

// ---------------------------------------------------------------- lettering

// Single-stroke letters for the title; b is the baseline, x the pen position.
float letter(char c, float x, float b, std::vector<std::vector<Pt>>& out) {
    switch (c) {
        case 'C':
            out.push_back(arcPoints(x + 5, b - 5.5f, 5, 5.7f, 40, 320));
            return 11.5f;
        case 'P':
            out.push_back({{x + 0.8f, b}, {x + 0.8f, b - 11}});
            {
                auto bowl = arcPoints(x + 5, b - 8, 3.2f, 3, 270, 450);
                std::vector<Pt> p = {{x + 0.8f, b - 11}};
                p.insert(p.end(), bowl.begin(), bowl.end());
                p.push_back({x + 0.8f, b - 5});
                out.push_back(p);
            }
            return 11;
        case 'o':
            out.push_back(arcPoints(x + 4, b - 4, 3.8f, 4, 0, 360));
            return 9.5f;
        case 'n': {
            out.push_back({{x + 0.8f, b - 8}, {x + 0.8f, b}});
            auto p = arcPoints(x + 4.2f, b - 4.6f, 3.4f, 3.6f, 180, 360);
            p.push_back({x + 7.6f, b});
            out.push_back(p);
            return 10.5f;
        }
        case 't': {
            auto p = arcPoints(x + 4.2f, b - 2, 2.2f, 2, 180, 90, 6);
            p.insert(p.begin(), Pt{x + 2, b - 10.5f});
            out.push_back(p);
            out.push_back({{x, b - 8}, {x + 4.8f, b - 8}});
            return 7;
        }
        case 'r': {
            out.push_back({{x + 0.8f, b - 8}, {x + 0.8f, b}});
            out.push_back(arcPoints(x + 4.6f, b - 4.4f, 3.8f, 3.6f, 180, 285));
            return 7.5f;
        }
        case 'l':
            out.push_back({{x + 1, b - 11.5f}, {x + 1, b}});
            return 4.5f;
        case 'a':
            out.push_back(arcPoints(x + 3.7f, b - 4, 3.5f, 4, 0, 360));
            out.push_back({{x + 7.2f, b - 8}, {x + 7.2f, b}});
            return 10.5f;
        case 'e': {
            auto p = arcPoints(x + 4, b - 4, 3.8f, 4, 0, -315);
            p.insert(p.begin(), Pt{x + 0.3f, b - 4});
            out.push_back(p);
            return 9.5f;
        }
        default:
            return 5;
    }
}

Shape text(const char* s, float x, float baseline, float width) {
    std::vector<std::vector<Pt>> strokes;
    for (; *s; ++s) x += letter(*s, x, baseline, strokes);
    std::vector<Shape> parts;
    for (auto& p : strokes) parts.push_back(polyline(std::move(p), width));
    return unite(std::move(parts));
}

Image frameOf(const Image& src, int x0, int y0) {
    Image out(kFrame, kFrame);
    for (int y = 0; y < kFrame; ++y)
        for (int x = 0; x < kFrame; ++x) out.at(x, y) = src.at(x0 + x, y0 + y);
    return out;
}

IconImage toIcon(const Layer& L, int bits) {
    IconImage im{L.w, bits, {}};
    for (const Col& c : L.px) {
        const float a = c.a > 0 ? c.a : 1;
        im.rgba.insert(im.rgba.end(), {toByte(c.r / a), toByte(c.g / a), toByte(c.b / a), toByte(c.a)});
    }
    return im;
}

}  // namespace

// -------------------------------------------------------------------- public

const std::vector<StripDef>& strips() {
    static const std::vector<StripDef> list = {
        {"touch.bmp", 202, true, 60, 36, drawTouch},
        {"sysinfo.bmp", 203, true, 60, 128, drawSysInfo},
        {"brightness.bmp", 205, true, 200, 36, drawBrightness},
        {"serial.bmp", 206, true, 340, 36, drawSerial},
        {"screensaver.bmp", 207, true, 200, 128, drawScreenSaver},
        {"rotate.bmp", 208, true, 340, 128, drawRotate},
        {"services.bmp", 210, true, 56, 223, drawServices},
        {"registry.bmp", 212, true, 200, 223, drawRegistry},
        {"quit.bmp", 213, true, 342, 231, drawQuit},
        {"darker.bmp", 216, false, 0, 0, drawDarker},
        {"brighter.bmp", 217, false, 0, 0, drawBrighter},
        {"left.bmp", 218, false, 0, 0, drawLeft},
        {"right.bmp", 219, false, 0, 0, drawRight},
    };
    return list;
}

Image drawTitle() {
    Layer L(kPanelW, kTitleH);
    L.fill(roundRect(-10, -10, kPanelW + 10, kTitleH + 10, 0),
           linear({0, 0}, rgb(20, 45, 105), {kPanelW, 0}, rgb(12, 125, 135)));
    L.fill(roundRect(-10, -10, kPanelW + 10, kTitleH + 10, 0),
           linear({0, 0}, rgb(255, 255, 255, 0.14f), {0, kTitleH}, rgb(0, 0, 0, 0.18f)));
    L.fill(roundRect(-10, 0.6f, kPanelW + 10, 1.6f, 0),
           linear({0, 0}, rgb(140, 190, 255, 0.55f), {kPanelW, 0}, rgb(150, 255, 240, 0.55f)));
    L.fill(roundRect(-10, kTitleH - 1, kPanelW + 10, kTitleH + 10, 0), solid(rgb(5, 20, 45)), 0.7f);
    const Shape cog = gear(15, 13.5f, 8.2f, 6.0f, 8, 2.6f);
    L.fill(move(cog, 0, 1), solid(kBlack), 0.35f, 1.2f);
    L.fill(cog, linear({0, 5}, rgb(255, 255, 255), {0, 22}, rgb(180, 220, 235)));
    const Shape words = text("Control Panel", 30, 18.5f, 1.7f);
    L.fill(move(words, 0, 1), solid(kBlack), 0.4f, 1.2f);
    L.fill(words, solid(rgb(250, 252, 255)));
    Image img(kPanelW, kTitleH);
    composite(img, L);
    return img;
}

Image drawBackground() {
    Layer L(kPanelW, kPanelH);
    const Shape all = roundRect(-10, -10, kPanelW + 10, kPanelH + 10, 0);
    L.fill(all, linear({0, 0}, rgb(240, 244, 249), {0, kPanelH}, rgb(208, 219, 233)));
    L.fill(all, radial({90, 40}, 330, rgb(255, 255, 255, 0.55f), rgb(255, 255, 255, 0)));
    // Two broad, faint waves along the bottom.
    auto wave = [](float base, float amp, float phase) {
        return Shape([=](float x, float y) { return base + amp * std::sin(x / 70.0f + phase) - y; });
    };
    L.fill(subtract(all, wave(250, 14, 0.5f)), solid(rgb(180, 198, 222)), 0.16f, 1.5f);
    L.fill(subtract(all, wave(278, 10, 2.2f)), solid(rgb(170, 190, 218)), 0.14f, 1.5f);
    // A very light diagonal weave.
    L.fill([](float x, float y) { return std::abs(std::fmod(x + y + 1000.0f, 8.0f) - 4.0f) - 0.6f; },
           solid(rgb(255, 255, 255)), 0.18f);
    Image img(kPanelW, kPanelH);
    composite(img, L);
    return img;
}

Strip drawStrip(const StripDef& def, const Image& background) {
    Strip s{Image(2 * kFrame, kFrame), def.onPanel ? kKey : kDialogFace,
            std::vector<uint8_t>(static_cast<size_t>(2 * kFrame * kFrame), 0)};
    const Image under = def.onPanel ? frameOf(background, def.x, def.y) : Image(kFrame, kFrame, kDialogFace);
    for (int f = 0; f < 2; ++f) {
        Layer L(kFrame, kFrame);
        if (f == 1) {
            L.pressed = true;
            L.ox = L.oy = 1;
        }
        def.draw(L);
        if (f == 1) L.scale(0.9f);
        // The bottom-left pixel names the transparent colour; keep it clear.
        L.at(0, kFrame - 1) = {0, 0, 0, 0};
        Image flat = under;
        composite(flat, L);
        for (int y = 0; y < kFrame; ++y) {
            for (int x = 0; x < kFrame; ++x) {
                Rgb c = s.ground;
                const bool drawn = L.at(x, y).a >= 0.5f / 255;
                if (drawn) {
                    // Edges were blended against what lies around the button,
                    // so they need no fringe against the transparent colour.
                    c = flat.at(x, y);
                    if (c == s.ground) c.g = static_cast<uint8_t>(c.g ^ 1);
                }
                s.image.at(f * kFrame + x, y) = c;
                s.drawn[static_cast<size_t>(y) * 2 * kFrame + f * kFrame + x] = drawn ? 1 : 0;
            }
        }
    }
    return s;
}

std::vector<IconImage> drawPanelIcon() {
    std::vector<IconImage> out;
    for (int n : {32, 16}) {
        const float k = n / 32.0f;
        Layer L(n, n);
        const Shape cog = gear(16 * k, 16 * k, 15 * k, 11.5f * k, 8, 5 * k);
        L.fill(cog, linear({0, 0}, rgb(95, 165, 230), {0, 32 * k}, rgb(25, 70, 150)));
        L.fill(outline(cog, std::max(1.0f, 1.2f * k)), solid(rgb(15, 40, 95)));
        L.fill(ring(16 * k, 16 * k, 8 * k, 1.4f * k), solid(rgb(210, 232, 250)), 0.9f);
        out.push_back(toIcon(L, 32));
    }
    return out;
}

std::vector<IconImage> drawCrosshairIcon() {
    IconImage im{32, 4, std::vector<uint8_t>(32 * 32 * 4, 0)};
    auto set = [&](int x, int y) { im.rgba[(static_cast<size_t>(y) * 32 + x) * 4 + 3] = 255; };
    for (int i = 1; i <= 30; ++i) {
        if (i >= 14 && i <= 17) continue;  // open centre, 4 x 4
        for (int t : {15, 16}) {
            set(t, i);
            set(i, t);
        }
    }
    return {im};
}

Image composePanel(const Image& title, const Image& background, const std::vector<Strip>& drawn) {
    Image out = background;
    for (int y = 0; y < kTitleH; ++y)
        for (int x = 0; x < kPanelW; ++x) out.at(x, y) = title.at(x, y);
    for (size_t i = 0; i < drawn.size(); ++i) {
        const StripDef& d = strips()[i];
        if (!d.onPanel) continue;
        const Strip& s = drawn[i];
        for (int y = 0; y < kFrame; ++y)
            for (int x = 0; x < kFrame; ++x)
                if (!(s.image.at(x, y) == s.image.at(0, kFrame - 1))) out.at(d.x + x, d.y + y) = s.image.at(x, y);
    }
    for (int x = 0; x < kPanelW; ++x) out.at(x, kPanelH - 1) = {};
    for (int y = kTitleH; y < kPanelH; ++y) out.at(0, y) = out.at(kPanelW - 1, y) = {};
    return out;
}

Image previewSheet() {
    const Image title = drawTitle(), background = drawBackground();
    std::vector<Strip> drawn;
    for (const StripDef& d : strips()) drawn.push_back(drawStrip(d, background));
    const Image panel = composePanel(title, background, drawn);
    const int z = 3, gap = 12;
    std::vector<std::pair<const Image*, int>> rows;  // image, zoom
    Image icons(32 + 16 + 32 + 16, 32, {128, 128, 128});
    for (const auto& [list, x0] : {std::pair{drawPanelIcon(), 0}, std::pair{drawCrosshairIcon(), 56}}) {
        int x = x0;
        for (const IconImage& im : list) {
            for (int y = 0; y < im.size; ++y)
                for (int i = 0; i < im.size; ++i) {
                    const uint8_t* p = &im.rgba[(static_cast<size_t>(y) * im.size + i) * 4];
                    Rgb& o = icons.at(x + i, y);
                    const float a = p[3] / 255.0f;
                    o = {static_cast<uint8_t>(p[0] * a + o.r * (1 - a)), static_cast<uint8_t>(p[1] * a + o.g * (1 - a)),
                         static_cast<uint8_t>(p[2] * a + o.b * (1 - a))};
                }
            x += im.size + 8;
        }
    }
    const int cols = 4, cellW = 2 * kFrame * z + gap, cellH = kFrame * z + gap;
    const int stripRows = (static_cast<int>(drawn.size()) + cols - 1) / cols;
    const int W = kPanelW * z + 2 * gap;
    const int H = gap + kTitleH * z + gap + kPanelH * z + gap + stripRows * cellH + 32 * z + gap + kPanelH * 2 + gap;
    Image sheet(W, H, {128, 128, 128});
    auto blit = [&](const Image& img, int x0, int y0, int zoom) {
        for (int y = 0; y < img.h * zoom; ++y)
            for (int x = 0; x < img.w * zoom; ++x) sheet.at(x0 + x, y0 + y) = img.at(x / zoom, y / zoom);
    };
    int y = gap;
    blit(title, gap, y, z);
    y += kTitleH * z + gap;
    blit(background, gap, y, z);
    y += kPanelH * z + gap;
    for (size_t i = 0; i < drawn.size(); ++i)
        blit(drawn[i].image, gap + static_cast<int>(i % cols) * cellW, y + static_cast<int>(i / cols) * cellH, z);
    y += stripRows * cellH;
    blit(icons, gap, y, z);
    y += 32 * z + gap;
    blit(panel, gap, y, 2);
    return sheet;
}

bool writeAll(const std::string& dir, std::string& failed) {
    const Image background = drawBackground();
    auto put = [&](const std::string& name, const std::vector<uint8_t>& bytes) {
        if (writeFile(dir + "/" + name, bytes)) return true;
        failed = name;
        return false;
    };
    if (!put("title.bmp", encodeBmp(drawTitle())) || !put("background.bmp", encodeBmp(background))) return false;
    for (const StripDef& d : strips())
        if (!put(d.file, encodeBmp(drawStrip(d, background).image))) return false;
    return put("panel.ico", encodeIco(drawPanelIcon())) && put("crosshair.ico", encodeIco(drawCrosshairIcon())) &&
           put("arbor.ico", encodeIco(drawArborIcon())) && put("arbor_images.bmp", encodeBmp(drawArborImages()));
}

}  // namespace art
