#include "canvas.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace art {

Image::Image(int width, int height, Rgb fill) : w(width), h(height), px(static_cast<size_t>(width) * height, fill) {}

Col rgb(int r, int g, int b, float a) {
    return {r / 255.0f, g / 255.0f, b / 255.0f, a};
}

Col mix(Col a, Col b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

Col shade(Col c, float f) {
    if (f <= 1.0f) return {c.r * f, c.g * f, c.b * f, c.a};
    const float t = std::min(f - 1.0f, 1.0f);
    return {c.r + (1 - c.r) * t, c.g + (1 - c.g) * t, c.b + (1 - c.b) * t, c.a};
}

uint8_t toByte(float v) {
    return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f));
}

namespace {

float segDist(float px, float py, Pt a, Pt b) {
    const float ex = b.x - a.x, ey = b.y - a.y, wx = px - a.x, wy = py - a.y;
    const float ee = ex * ex + ey * ey;
    const float t = ee > 0 ? std::clamp((wx * ex + wy * ey) / ee, 0.0f, 1.0f) : 0.0f;
    return std::hypot(wx - ex * t, wy - ey * t);
}

}  // namespace

Shape circle(float cx, float cy, float r) {
    return [=](float x, float y) { return std::hypot(x - cx, y - cy) - r; };
}

Shape ellipse(float cx, float cy, float rx, float ry) {
    // Scaled-circle estimate; exact enough for edge coverage of small pictures.
    return [=](float x, float y) {
        const float nx = (x - cx) / rx, ny = (y - cy) / ry;
        const float k = std::hypot(nx, ny);
        if (k == 0) return -std::min(rx, ry);
        const float gx = nx / rx, gy = ny / ry;  // gradient of k (times k)
        return (k - 1) * k / std::hypot(gx, gy);
    };
}

Shape roundRect(float x0, float y0, float x1, float y1, float radius) {
    const float cx = (x0 + x1) / 2, cy = (y0 + y1) / 2, hx = (x1 - x0) / 2 - radius, hy = (y1 - y0) / 2 - radius;
    return [=](float x, float y) {
        const float qx = std::abs(x - cx) - hx, qy = std::abs(y - cy) - hy;
        return std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f)) + std::min(std::max(qx, qy), 0.0f) - radius;
    };
}

Shape polygon(std::vector<Pt> v) {
    return [v = std::move(v)](float x, float y) {
        float d = 1e9f, s = 1.0f;
        const size_t n = v.size();
        for (size_t i = 0, j = n - 1; i < n; j = i++) {
            d = std::min(d, segDist(x, y, v[i], v[j]));
            const bool c1 = y >= v[i].y, c2 = y < v[j].y;
            const bool c3 = (v[j].x - v[i].x) * (y - v[i].y) > (v[j].y - v[i].y) * (x - v[i].x);
            if ((c1 && c2 && c3) || (!c1 && !c2 && !c3)) s = -s;
        }
        return s * d;
    };
}

Shape segment(Pt a, Pt b, float width) {
    return [=](float x, float y) { return segDist(x, y, a, b) - width / 2; };
}

Shape polyline(std::vector<Pt> v, float width) {
    return [v = std::move(v), width](float x, float y) {
        float d = 1e9f;
        for (size_t i = 1; i < v.size(); ++i) d = std::min(d, segDist(x, y, v[i - 1], v[i]));
        return d - width / 2;
    };
}

std::vector<Pt> arcPoints(float cx, float cy, float rx, float ry, float a0, float a1, int n) {
    if (n <= 0) n = std::max(6, static_cast<int>(std::abs(a1 - a0) / 360.0f * std::max(rx, ry) * 2.5f) + 4);
    std::vector<Pt> pts;
    for (int i = 0; i <= n; ++i) {
        const float a = (a0 + (a1 - a0) * i / n) * std::numbers::pi_v<float> / 180.0f;
        pts.push_back({cx + rx * std::cos(a), cy + ry * std::sin(a)});
    }
    return pts;
}

Shape arc(float cx, float cy, float r, float a0, float a1, float width) {
    return polyline(arcPoints(cx, cy, r, r, a0, a1), width);
}

Shape ring(float cx, float cy, float r, float width) {
    return [=](float x, float y) { return std::abs(std::hypot(x - cx, y - cy) - r) - width / 2; };
}

Shape unite(Shape a, Shape b) {
    return [=](float x, float y) { return std::min(a(x, y), b(x, y)); };
}

Shape unite(std::vector<Shape> parts) {
    return [parts = std::move(parts)](float x, float y) {
        float d = 1e9f;
        for (const auto& p : parts) d = std::min(d, p(x, y));
        return d;
    };
}

Shape subtract(Shape a, Shape b) {
    return [=](float x, float y) { return std::max(a(x, y), -b(x, y)); };
}

Shape intersect(Shape a, Shape b) {
    return [=](float x, float y) { return std::max(a(x, y), b(x, y)); };
}

Shape move(Shape s, float dx, float dy) {
    return [=](float x, float y) { return s(x - dx, y - dy); };
}

Shape grow(Shape s, float by) {
    return [=](float x, float y) { return s(x, y) - by; };
}

Shape outline(Shape s, float width) {
    return [=](float x, float y) { return std::abs(s(x, y) + width / 2) - width / 2; };
}

Shape mirrorX(Shape s, float axis) {
    return [=](float x, float y) { return s(2 * axis - x, y); };
}

Paint solid(Col c) {
    return [=](float, float) { return c; };
}

Paint linear(Pt p0, Col c0, Pt p1, Col c1) {
    const float ex = p1.x - p0.x, ey = p1.y - p0.y, ee = ex * ex + ey * ey;
    return [=](float x, float y) {
        const float t = std::clamp(((x - p0.x) * ex + (y - p0.y) * ey) / ee, 0.0f, 1.0f);
        return mix(c0, c1, t);
    };
}

Paint radial(Pt centre, float radius, Col inner, Col outer) {
    return [=](float x, float y) {
        return mix(inner, outer, std::clamp(std::hypot(x - centre.x, y - centre.y) / radius, 0.0f, 1.0f));
    };
}

Layer::Layer(int width, int height) : w(width), h(height), px(static_cast<size_t>(width) * height, Col{0, 0, 0, 0}) {}

void Layer::fill(const Shape& s, const Paint& p, float opacity, float soft) {
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const float sx = x + 0.5f - ox, sy = y + 0.5f - oy;
            const float d = s(sx, sy);
            float cov;
            if (soft > 0) {
                const float t = std::clamp(0.5f - d / soft, 0.0f, 1.0f);
                cov = t * t * (3 - 2 * t);
            } else {
                cov = std::clamp(0.5f - d, 0.0f, 1.0f);
            }
            if (cov <= 0) continue;
            const Col c = p(sx, sy);
            const float a = c.a * cov * opacity;
            Col& o = at(x, y);
            o = {c.r * a + o.r * (1 - a), c.g * a + o.g * (1 - a), c.b * a + o.b * (1 - a), a + o.a * (1 - a)};
        }
    }
}

void Layer::scale(float f) {
    for (Col& c : px) {
        c.r *= f;
        c.g *= f;
        c.b *= f;
    }
}

void composite(Image& dst, const Layer& src, int dx, int dy) {
    for (int y = 0; y < src.h; ++y) {
        for (int x = 0; x < src.w; ++x) {
            const int tx = x + dx, ty = y + dy;
            if (tx < 0 || ty < 0 || tx >= dst.w || ty >= dst.h) continue;
            const Col& c = src.at(x, y);
            Rgb& o = dst.at(tx, ty);
            o = {toByte(c.r + (1 - c.a) * o.r / 255.0f), toByte(c.g + (1 - c.a) * o.g / 255.0f),
                 toByte(c.b + (1 - c.a) * o.b / 255.0f)};
        }
    }
}

}  // namespace art
