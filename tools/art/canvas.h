// A small vector toolkit for the panel's pictures: shapes are signed distance
// functions (negative inside), paints are colour functions of position, and a
// Layer accumulates premultiplied colour with analytic edge coverage.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace art {

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

struct Image {
    int w = 0, h = 0;
    std::vector<Rgb> px;
    Image() = default;
    Image(int width, int height, Rgb fill = {});
    Rgb& at(int x, int y) { return px[static_cast<size_t>(y) * w + x]; }
    const Rgb& at(int x, int y) const { return px[static_cast<size_t>(y) * w + x]; }
};

// Straight (not premultiplied) colour, components 0..1.
struct Col {
    float r = 0, g = 0, b = 0, a = 1;
};
Col rgb(int r, int g, int b, float a = 1.0f);
Col mix(Col a, Col b, float t);
Col shade(Col c, float f);  // f < 1 darkens, f > 1 lightens toward white

struct Pt {
    float x = 0, y = 0;
};

using Shape = std::function<float(float, float)>;
using Paint = std::function<Col(float, float)>;

// Primitive shapes.
Shape circle(float cx, float cy, float r);
Shape ellipse(float cx, float cy, float rx, float ry);
Shape roundRect(float x0, float y0, float x1, float y1, float radius);
Shape polygon(std::vector<Pt> pts);
Shape segment(Pt a, Pt b, float width);            // round-capped stroke
Shape polyline(std::vector<Pt> pts, float width);  // round joins and caps
// Elliptical arc as points; angles in degrees, screen orientation (90 = down).
std::vector<Pt> arcPoints(float cx, float cy, float rx, float ry, float a0, float a1, int n = 0);
Shape arc(float cx, float cy, float r, float a0, float a1, float width);
Shape ring(float cx, float cy, float r, float width);

// Combinations and transforms.
Shape unite(Shape a, Shape b);
Shape unite(std::vector<Shape> parts);
Shape subtract(Shape a, Shape b);
Shape intersect(Shape a, Shape b);
Shape move(Shape s, float dx, float dy);
Shape grow(Shape s, float by);        // rounds corners outward (negative: shrinks)
Shape outline(Shape s, float width);  // band of the given width just inside the edge
Shape mirrorX(Shape s, float axis);

// Paints.
Paint solid(Col c);
Paint linear(Pt p0, Col c0, Pt p1, Col c1);
Paint radial(Pt centre, float radius, Col inner, Col outer);

class Layer {
public:
    Layer(int width, int height);
    int w, h;
    // Origin shift applied to everything drawn (used for the pushed look).
    float ox = 0, oy = 0;
    bool pressed = false;
    // Premultiplied colour.
    std::vector<Col> px;

    // soft > 0 spreads the edge over that many pixels (shadows, glows).
    void fill(const Shape& s, const Paint& p, float opacity = 1.0f, float soft = 0.0f);
    void scale(float f);  // darken or brighten every pixel, keeping coverage
    Col& at(int x, int y) { return px[static_cast<size_t>(y) * w + x]; }
    const Col& at(int x, int y) const { return px[static_cast<size_t>(y) * w + x]; }
};

// Flattens a layer over an opaque picture.
void composite(Image& dst, const Layer& src, int dx = 0, int dy = 0);
uint8_t toByte(float v);

}  // namespace art
