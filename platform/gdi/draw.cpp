// Lines and shapes: MoveToEx/LineTo, Polyline, Rectangle, Ellipse,
// FillRect, FrameRect and DrawEdge.
//
// Pen shapes are first marked into a mask over the part of the shape that
// can be visible, then painted once with the DC's mix mode, so a pixel
// covered twice (a polyline's corner, a wide pen's overlapping squares) is
// still mixed only once, as with R2_XORPEN it must be.
#include <cmath>

#include "gdi_internal.h"

namespace ce::gdi {
namespace {

// Wider pens draw this wide: it bounds the work of one call.
constexpr int kMaxPenWidth = 64;
// PS_DASH: dashes of 18 pixels with gaps of 6 (one-pixel pens only).
constexpr int kDashOn = 18;
constexpr int kDashPeriod = 24;

enum Cell : uint8_t { kNone, kFill, kPen, kGap };

class Shape {
public:
    // `bounds` in surface coordinates; only its visible part is kept.
    Shape(DcObject& dc, RECT bounds) : dc_(dc), clip_(dc.Clip()) {
        if (clip_.empty()) return;
        RECT cb = clip_[0];
        for (const RECT& c : clip_) {
            cb.left = std::min(cb.left, c.left);
            cb.top = std::min(cb.top, c.top);
            cb.right = std::max(cb.right, c.right);
            cb.bottom = std::max(cb.bottom, c.bottom);
        }
        box_ = RECT{std::max(bounds.left, cb.left), std::max(bounds.top, cb.top), std::min(bounds.right, cb.right),
                    std::min(bounds.bottom, cb.bottom)};
        if (box_.right <= box_.left || box_.bottom <= box_.top) box_ = RECT{0, 0, 0, 0};
        cells_.assign(static_cast<size_t>(box_.right - box_.left) * (box_.bottom - box_.top), kNone);
    }

    const RECT& box() const { return box_; }

    // Marks [x0, x1) x [y0, y1); pen marks win over fills and gaps.
    void Mark(int64_t x0, int64_t y0, int64_t x1, int64_t y1, Cell cell) {
        x0 = std::max<int64_t>(x0, box_.left);
        y0 = std::max<int64_t>(y0, box_.top);
        x1 = std::min<int64_t>(x1, box_.right);
        y1 = std::min<int64_t>(y1, box_.bottom);
        for (int64_t y = y0; y < y1; ++y) {
            uint8_t* row = cells_.data() + static_cast<size_t>(y - box_.top) * (box_.right - box_.left);
            for (int64_t x = x0; x < x1; ++x) {
                uint8_t& c = row[x - box_.left];
                if (cell == kPen || c == kNone) c = cell;
            }
        }
    }

    void Paint(uint32_t pen, uint32_t brush, uint32_t bk) {
        const int w = box_.right - box_.left;
        for (const RECT& c : Intersect(clip_, box_)) {
            for (LONG y = c.top; y < c.bottom; ++y) {
                const uint8_t* cells = cells_.data() + static_cast<size_t>(y - box_.top) * w;
                uint32_t* row = dc_.surface->row(y);
                for (LONG x = c.left; x < c.right; ++x) {
                    switch (cells[x - box_.left]) {
                        case kPen:
                            row[x] = Rop2(dc_.rop2, pen, row[x]);
                            break;
                        case kFill:
                            row[x] = Rop2(dc_.rop2, brush, row[x]);
                            break;
                        case kGap:
                            row[x] = Rop2(dc_.rop2, bk, row[x]);
                            break;
                        default:
                            break;
                    }
                }
            }
        }
        dc_.surface->Touch();
    }

private:
    DcObject& dc_;
    RectList clip_;
    RECT box_{0, 0, 0, 0};
    std::vector<uint8_t> cells_;
};

int PenWidth(const DcObject& dc) {
    return std::min(dc.pen->width, kMaxPenWidth);
}
int64_t PenLow(int width) {
    return -(width - 1) / 2;
}  // a wide pen's square starts here

// Marks the pixels of one line from (x0,y0) up to, not including, (x1,y1):
// one pixel per step along the major axis, the minor coordinate rounded.
// `phase` counts pixels for the dash pattern across a polyline.
void MarkLine(Shape& shape, const DcObject& dc, int64_t x0, int64_t y0, int64_t x1, int64_t y1, int64_t& phase) {
    const int64_t adx = std::llabs(x1 - x0), ady = std::llabs(y1 - y0);
    const int64_t n = std::max(adx, ady);
    if (n == 0) return;
    const int width = PenWidth(dc);
    const int64_t lo = PenLow(width);
    const bool dashed = dc.pen->style == PS_DASH && width == 1;
    const bool xMajor = adx >= ady;
    const int64_t a0 = xMajor ? x0 : y0, b0 = xMajor ? y0 : x0;
    const int64_t sa = (xMajor ? x1 - x0 : y1 - y0) < 0 ? -1 : 1;
    const int64_t sb = (xMajor ? y1 - y0 : x1 - x0) < 0 ? -1 : 1;
    const int64_t aminor = xMajor ? ady : adx;
    // Only the steps whose major coordinate can reach the visible box.
    const RECT& box = shape.box();
    const int64_t boxLo = (xMajor ? box.left : box.top) - width, boxHi = (xMajor ? box.right : box.bottom) + width;
    int64_t first = sa > 0 ? boxLo - a0 : a0 - boxHi;
    int64_t last = sa > 0 ? boxHi - a0 : a0 - boxLo;
    first = std::max<int64_t>(first, 0);
    last = std::min<int64_t>(last, n - 1);
    for (int64_t i = first; i <= last; ++i) {
        const int64_t a = a0 + sa * i;
        const int64_t b = b0 + sb * ((2 * i * aminor + n) / (2 * n));
        const int64_t x = xMajor ? a : b, y = xMajor ? b : a;
        const bool on = !dashed || (phase + i) % kDashPeriod < kDashOn;
        if (on) {
            shape.Mark(x + lo, y + lo, x + lo + width, y + lo + width, kPen);
        } else if (dc.bkMode == OPAQUE) {
            shape.Mark(x, y, x + 1, y + 1, kGap);
        }
    }
    phase += n;
}

// The bounds of a run of points, widened by the pen.
RECT PointBounds(const std::vector<POINT>& pts, int width) {
    int64_t l = pts[0].x, t = pts[0].y, r = l, b = t;
    for (const POINT& p : pts) {
        l = std::min<int64_t>(l, p.x);
        t = std::min<int64_t>(t, p.y);
        r = std::max<int64_t>(r, p.x);
        b = std::max<int64_t>(b, p.y);
    }
    return RECT{ClampCoord(l - width), ClampCoord(t - width), ClampCoord(r + width + 1), ClampCoord(b + width + 1)};
}

// Draws connected lines through surface points (the last point excluded).
void DrawPolyline(DcObject& dc, const std::vector<POINT>& pts) {
    if (dc.pen->style == PS_NULL || pts.size() < 2) return;
    Shape shape(dc, PointBounds(pts, PenWidth(dc)));
    int64_t phase = 0;
    for (size_t i = 1; i < pts.size(); ++i) MarkLine(shape, dc, pts[i - 1].x, pts[i - 1].y, pts[i].x, pts[i].y, phase);
    shape.Paint(dc.Pixel(dc.pen->color), 0, dc.Pixel(dc.bkColor));
}

POINT ToSurfacePoint(const DcObject& dc, int64_t x, int64_t y) {
    return POINT{dc.SurfaceX(x), dc.SurfaceY(y)};
}

void Normalize(int& l, int& t, int& r, int& b) {
    if (l > r) std::swap(l, r);
    if (t > b) std::swap(t, b);
}

}  // namespace
}  // namespace ce::gdi

using namespace ce::gdi;

BOOL MoveToEx(HDC hdc, int X, int Y, LPPOINT lpPoint) {
    Guard g(Mutex());
    auto dc = LookupDC(hdc);
    if (!dc) return FALSE;
    if (lpPoint) *lpPoint = dc->pos;
    dc->pos = POINT{X, Y};
    return TRUE;
}

// Draws from the current position up to, not including, the end point,
// which becomes the current position.
BOOL LineTo(HDC hdc, int nXEnd, int nYEnd) {
    Guard g(Mutex());
    auto dc = LookupDC(hdc);
    if (!dc) return FALSE;
    DrawPolyline(*dc, {ToSurfacePoint(*dc, dc->pos.x, dc->pos.y), ToSurfacePoint(*dc, nXEnd, nYEnd)});
    dc->pos = POINT{nXEnd, nYEnd};
    return TRUE;
}

// Neither uses nor moves the current position; the last point is excluded.
BOOL Polyline(HDC hdc, const POINT* lppt, int cPoints) {
    Guard g(Mutex());
    auto dc = LookupDC(hdc);
    if (!dc) return FALSE;
    if (!lppt || cPoints < 2) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::vector<POINT> pts;
    pts.reserve(static_cast<size_t>(cPoints));
    for (int i = 0; i < cPoints; ++i) pts.push_back(ToSurfacePoint(*dc, lppt[i].x, lppt[i].y));
    DrawPolyline(*dc, pts);
    return TRUE;
}

// The figure covers left..right-1 and top..bottom-1: the pen's outline runs
// along those pixels (a wide pen centred on them) and the brush fills the
// inside. With a null pen the filled area is one pixel narrower and lower,
// left..right-2 and top..bottom-2.
BOOL Rectangle(HDC hdc, int nLeftRect, int nTopRect, int nRightRect, int nBottomRect) {
    Guard g(Mutex());
    auto dc = LookupDC(hdc);
    if (!dc) return FALSE;
    Normalize(nLeftRect, nTopRect, nRightRect, nBottomRect);
    const int64_t l = dc->SurfaceX(nLeftRect), t = dc->SurfaceY(nTopRect);
    const int64_t r = dc->SurfaceX(nRightRect), b = dc->SurfaceY(nBottomRect);
    if (r <= l || b <= t) return TRUE;
    const bool pen = dc->pen->style != PS_NULL;
    const int width = pen ? PenWidth(*dc) : 0;
    Shape shape(*dc, RECT{ClampCoord(l - width), ClampCoord(t - width), ClampCoord(r + width), ClampCoord(b + width)});
    if (pen) {
        const int64_t lo = PenLow(width), hi = lo + width;
        shape.Mark(l + lo, t + lo, r - 1 + hi, t + hi, kPen);          // top
        shape.Mark(l + lo, b - 1 + lo, r - 1 + hi, b - 1 + hi, kPen);  // bottom
        shape.Mark(l + lo, t + lo, l + hi, b - 1 + hi, kPen);          // left
        shape.Mark(r - 1 + lo, t + lo, r - 1 + hi, b - 1 + hi, kPen);  // right
        if (!dc->brush->hollow) shape.Mark(l + 1, t + 1, r - 1, b - 1, kFill);
    } else if (!dc->brush->hollow) {
        shape.Mark(l, t, r - 1, b - 1, kFill);
    }
    shape.Paint(dc->Pixel(dc->pen->color), dc->Pixel(dc->brush->color), 0);
    return TRUE;
}

// The ellipse fits the pixels left..right-1, top..bottom-1: a pixel belongs
// to it when its centre lies inside. The pen covers the pixels within its
// width of the outside, the brush the rest.
BOOL Ellipse(HDC hdc, int nLeftRect, int nTopRect, int nRightRect, int nBottomRect) {
    Guard g(Mutex());
    auto dc = LookupDC(hdc);
    if (!dc) return FALSE;
    Normalize(nLeftRect, nTopRect, nRightRect, nBottomRect);
    const int64_t l = dc->SurfaceX(nLeftRect), t = dc->SurfaceY(nTopRect);
    const int64_t r = dc->SurfaceX(nRightRect), b = dc->SurfaceY(nBottomRect);
    if (r <= l || b <= t) return TRUE;
    const double cx = (l + r) / 2.0, cy = (t + b) / 2.0, rx = (r - l) / 2.0, ry = (b - t) / 2.0;
    // Pixels [xl, xr] of row y inside the ellipse (xl > xr: none).
    auto span = [&](int64_t y, int64_t& xl, int64_t& xr) {
        const double dy = (static_cast<double>(y) + 0.5 - cy) / ry;
        xl = 1;
        xr = 0;
        if (y < t || y >= b || dy * dy >= 1.0) return;
        const double half = rx * std::sqrt(1.0 - dy * dy);
        xl = static_cast<int64_t>(std::ceil(cx - half - 0.5));
        xr = static_cast<int64_t>(std::floor(cx + half - 0.5));
    };
    auto inside = [&](int64_t x, int64_t y) {
        int64_t xl, xr;
        span(y, xl, xr);
        return x >= xl && x <= xr;
    };
    const bool pen = dc->pen->style != PS_NULL;
    const int width = pen ? PenWidth(*dc) : 0;
    Shape shape(*dc, RECT{ClampCoord(l), ClampCoord(t), ClampCoord(r), ClampCoord(b)});
    const RECT box = shape.box();
    for (int64_t y = box.top; y < box.bottom; ++y) {
        int64_t xl, xr;
        span(y, xl, xr);
        for (int64_t x = std::max<int64_t>(xl, box.left); x <= std::min<int64_t>(xr, box.right - 1); ++x) {
            // The shape is convex, so "near the outside" needs only the
            // pixels `width` away along each axis.
            const bool edge =
                pen && (x - width < xl || x + width > xr || !inside(x, y - width) || !inside(x, y + width));
            if (edge) {
                shape.Mark(x, y, x + 1, y + 1, kPen);
            } else if (!dc->brush->hollow) {
                shape.Mark(x, y, x + 1, y + 1, kFill);
            }
        }
    }
    shape.Paint(dc->Pixel(dc->pen->color), dc->Pixel(dc->brush->color), 0);
    return TRUE;
}

// The DC and brush of a rectangle call, with the Win32 error of whichever
// argument is bad. The caller holds the drawing lock.
template <class DcPtr>
static bool LookupBrushCall(HDC hDC, HBRUSH hbr, const RECT* lprc, DcPtr& dc, std::shared_ptr<BrushObject>& brush) {
    dc = LookupDC(hDC);
    if (!dc) return false;
    brush = ResolveBrush(hbr);
    if (!brush) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    if (!lprc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    return true;
}

// Fills left..right-1, top..bottom-1 with the brush (or a system colour
// given as COLOR_xxx + 1), whatever the DC's mix mode.
int FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr) {
    Guard g(Mutex());
    decltype(LookupDC(hDC)) dc;
    std::shared_ptr<BrushObject> brush;
    if (!LookupBrushCall(hDC, hbr, lprc, dc, brush)) return FALSE;
    if (brush->hollow) return TRUE;
    RECT r{dc->SurfaceX(lprc->left), dc->SurfaceY(lprc->top), dc->SurfaceX(lprc->right), dc->SurfaceY(lprc->bottom)};
    FillSurfaceRect(*dc, r, dc->Pixel(brush->color), R2_COPYPEN);
    return TRUE;
}

// A one-pixel border along the inside of the rectangle.
int FrameRect(HDC hDC, const RECT* lprc, HBRUSH hbr) {
    Guard g(Mutex());
    decltype(LookupDC(hDC)) dc;
    std::shared_ptr<BrushObject> brush;
    if (!LookupBrushCall(hDC, hbr, lprc, dc, brush)) return FALSE;
    const LONG l = dc->SurfaceX(lprc->left), t = dc->SurfaceY(lprc->top);
    const LONG r = dc->SurfaceX(lprc->right), b = dc->SurfaceY(lprc->bottom);
    if (brush->hollow || r <= l || b <= t) return TRUE;
    const uint32_t p = dc->Pixel(brush->color);
    FillSurfaceRect(*dc, RECT{l, t, r, t + 1}, p, R2_COPYPEN);
    FillSurfaceRect(*dc, RECT{l, b - 1, r, b}, p, R2_COPYPEN);
    FillSurfaceRect(*dc, RECT{l, t, l + 1, b}, p, R2_COPYPEN);
    FillSurfaceRect(*dc, RECT{r - 1, t, r, b}, p, R2_COPYPEN);
    return TRUE;
}

// Classic three-dimensional borders: an outer and an inner one-pixel line.
// The top-left colour runs along the top (but its last pixel) and the left
// side (but its last pixel); the bottom-right colour owns the whole bottom
// row and right column, corners included.
//   raised outer: 3D light / 3D dark shadow     sunken outer: shadow / highlight
//   raised inner: highlight / shadow             sunken inner: 3D dark shadow / 3D light
// BF_SOFT swaps the top-left colours of the two lines; BF_FLAT draws the
// outer line in the shadow colour and the inner in the face colour; BF_MONO
// the outer in the frame colour and the inner in the window colour.
// BF_MIDDLE fills what is left with the face colour; BF_ADJUST shrinks *qrc
// to it. Diagonal borders are not drawn (FALSE, ERROR_NOT_SUPPORTED).
BOOL DrawEdge(HDC hdc, LPRECT qrc, UINT edge, UINT grfFlags) {
    Guard g(Mutex());
    auto dc = LookupDC(hdc);
    if (!dc) return FALSE;
    if (!qrc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (grfFlags & BF_DIAGONAL) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    struct Line {
        bool present;
        int tl, br;
    };
    Line outer{(edge & BDR_OUTER) != 0, 0, 0}, inner{(edge & BDR_INNER) != 0, 0, 0};
    if (grfFlags & (BF_FLAT | BF_MONO)) {
        const bool mono = grfFlags & BF_MONO;
        outer.tl = outer.br = mono ? COLOR_WINDOWFRAME : COLOR_BTNSHADOW;
        inner.tl = inner.br = mono ? COLOR_WINDOW : COLOR_BTNFACE;
    } else {
        if (edge & BDR_RAISEDOUTER)
            outer = {true, COLOR_3DLIGHT, COLOR_3DDKSHADOW};
        else if (edge & BDR_SUNKENOUTER)
            outer = {true, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT};
        if (edge & BDR_RAISEDINNER)
            inner = {true, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW};
        else if (edge & BDR_SUNKENINNER)
            inner = {true, COLOR_3DDKSHADOW, COLOR_3DLIGHT};
        if ((grfFlags & BF_SOFT) && outer.present && inner.present) std::swap(outer.tl, inner.tl);
    }
    RECT rc = *qrc;  // logical
    for (const Line& line : {outer, inner}) {
        if (!line.present || rc.right <= rc.left || rc.bottom <= rc.top) continue;
        const LONG l = dc->SurfaceX(rc.left), t = dc->SurfaceY(rc.top);
        const LONG r = dc->SurfaceX(rc.right), b = dc->SurfaceY(rc.bottom);
        const uint32_t tl = dc->Pixel(GetSysColor(line.tl)), br = dc->Pixel(GetSysColor(line.br));
        if (grfFlags & BF_TOP) FillSurfaceRect(*dc, RECT{l, t, r - 1, t + 1}, tl, R2_COPYPEN);
        if (grfFlags & BF_LEFT) FillSurfaceRect(*dc, RECT{l, t, l + 1, b - 1}, tl, R2_COPYPEN);
        if (grfFlags & BF_BOTTOM) FillSurfaceRect(*dc, RECT{l, b - 1, r, b}, br, R2_COPYPEN);
        if (grfFlags & BF_RIGHT) FillSurfaceRect(*dc, RECT{r - 1, t, r, b}, br, R2_COPYPEN);
        if (grfFlags & BF_LEFT) ++rc.left;
        if (grfFlags & BF_TOP) ++rc.top;
        if (grfFlags & BF_RIGHT) --rc.right;
        if (grfFlags & BF_BOTTOM) --rc.bottom;
    }
    if ((grfFlags & BF_MIDDLE) && rc.right > rc.left && rc.bottom > rc.top) {
        const int face = (grfFlags & BF_MONO) ? COLOR_WINDOW : COLOR_BTNFACE;
        FillSurfaceRect(
            *dc, RECT{dc->SurfaceX(rc.left), dc->SurfaceY(rc.top), dc->SurfaceX(rc.right), dc->SurfaceY(rc.bottom)},
            dc->Pixel(GetSysColor(face)), R2_COPYPEN);
    }
    if (grfFlags & BF_ADJUST) *qrc = rc;
    return TRUE;
}
