// Raster operations: BitBlt, PatBlt, single pixels, and the fills every
// other drawing function ends in.
//
// A ternary raster operation's bits 16..23 are its truth table: bit
// (p << 2 | s << 1 | d) is the result for pattern bit p, source bit s and
// destination bit d. Evaluating that table bitwise over whole pixel words
// gives every one of the 256 operations, the named ones included.
#include <utility>

#include "gdi_internal.h"

namespace ce::gdi {

uint32_t Rop3(uint8_t index, uint32_t p, uint32_t s, uint32_t d) {
    uint32_t r;
    switch (index) {
        case 0x00:
            r = 0;
            break;
        case 0xFF:
            r = ~0u;
            break;
        case 0xCC:
            r = s;
            break;
        case 0x33:
            r = ~s;
            break;
        case 0xF0:
            r = p;
            break;
        case 0xAA:
            r = d;
            break;
        case 0x55:
            r = ~d;
            break;
        case 0x66:
            r = s ^ d;
            break;
        case 0x88:
            r = s & d;
            break;
        case 0xEE:
            r = s | d;
            break;
        case 0x5A:
            r = p ^ d;
            break;
        default:
            r = 0;
            for (int i = 0; i < 8; ++i) {
                if (index & (1 << i)) r |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
            }
    }
    return r & 0xFFFFFFu;
}

// R2_xxx - 1 is the truth table over (pen << 1 | destination).
uint32_t Rop2(int rop2, uint32_t pen, uint32_t d) {
    if (rop2 == R2_COPYPEN) return pen;
    int index = rop2 - 1;
    uint32_t r = 0;
    for (int i = 0; i < 4; ++i) {
        if (index & (1 << i)) r |= ((i & 2) ? pen : ~pen) & ((i & 1) ? d : ~d);
    }
    return r & 0xFFFFFFu;
}

void FillSurfaceRect(DcObject& dc, RECT r, uint32_t pixel, int rop2) {
    for (const RECT& c : Intersect(dc.Clip(), r)) {
        for (LONG y = c.top; y < c.bottom; ++y) {
            uint32_t* row = dc.surface->row(y);
            if (rop2 == R2_COPYPEN) {
                std::fill(row + c.left, row + c.right, pixel);
            } else {
                for (LONG x = c.left; x < c.right; ++x) row[x] = Rop2(rop2, pixel, row[x]);
            }
        }
    }
    dc.surface->Touch();
}

void PlotPixel(DcObject& dc, const RectList& clip, int x, int y, uint32_t pixel, int rop2) {
    for (const RECT& c : clip) {
        if (x >= c.left && x < c.right && y >= c.top && y < c.bottom) {
            uint32_t& d = dc.surface->row(y)[x];
            d = Rop2(rop2, pixel, d);
            return;
        }
    }
}

namespace {

bool NeedsSource(uint8_t index) {
    return ((index >> 2) & 0x33) != (index & 0x33);
}
bool NeedsPattern(uint8_t index) {
    return ((index >> 4) & 0x0F) != (index & 0x0F);
}

RECT IntersectRects(const RECT& a, const RECT& b) {
    return RECT{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                std::min(a.bottom, b.bottom)};
}

// Combines `n` pixels of a row with the raster operation. The common
// operations run as plain loops; the rest go through the truth table.
void CombineRow(uint8_t index, uint32_t pat, const uint32_t* s, uint32_t* d, size_t n) {
    constexpr uint32_t kMask = 0xFFFFFFu;
    switch (index) {
        case 0xCC:  // SRCCOPY
            for (size_t i = 0; i < n; ++i) d[i] = s[i] & kMask;
            return;
        case 0x66:  // SRCINVERT
            for (size_t i = 0; i < n; ++i) d[i] = (s[i] ^ d[i]) & kMask;
            return;
        case 0x88:  // SRCAND
            for (size_t i = 0; i < n; ++i) d[i] = s[i] & d[i] & kMask;
            return;
        case 0xEE:  // SRCPAINT
            for (size_t i = 0; i < n; ++i) d[i] = (s[i] | d[i]) & kMask;
            return;
        case 0xF0:  // PATCOPY
            std::fill(d, d + n, pat & kMask);
            return;
        default:
            for (size_t i = 0; i < n; ++i) d[i] = Rop3(index, pat, s ? s[i] : 0u, d[i]);
    }
}

// The shared body of BitBlt and PatBlt. `src` is null when the operation
// does not read a source. Callers hold the lock.
BOOL Blt(DcObject& dst, RECT d, DcObject* src, int64_t srcX, int64_t srcY, uint8_t index) {
    if (d.right <= d.left || d.bottom <= d.top) return TRUE;
    // A hollow brush gives nothing to paint with: operations that use the
    // pattern leave the destination alone.
    if (NeedsPattern(index) && dst.brush->hollow) return TRUE;
    const uint32_t pat = dst.Pixel(dst.brush->color);
    const RectList clip = Intersect(dst.Clip(), d);
    if (!src) {
        for (const RECT& c : clip)
            for (LONG y = c.top; y < c.bottom; ++y)
                CombineRow(index, pat, nullptr, dst.surface->row(y) + c.left, static_cast<size_t>(c.right - c.left));
        dst.surface->Touch();
        return TRUE;
    }

    // Source surface position of destination (d.left, d.top); the source is
    // clipped to its own surface (its DC's clip does not apply).
    const int64_t offX = srcX - d.left, offY = srcY - d.top;
    const Surface& ss = *src->surface;
    d = IntersectRects(
        d, RECT{ClampCoord(-offX), ClampCoord(-offY), ClampCoord(ss.width() - offX), ClampCoord(ss.height() - offY)});
    if (d.right <= d.left || d.bottom <= d.top) return TRUE;
    const bool toMono = dst.surface->mono() && !ss.mono();
    const bool toColour = !dst.surface->mono() && ss.mono();
    const uint32_t srcBk = ToPixel(src->bkColor);
    const uint32_t fg = ToPixel(dst.textColor), bg = ToPixel(dst.bkColor);
    // The source pixels of one destination row span, converted to the
    // destination's kind.
    std::vector<uint32_t> line;
    auto sourceRow = [&](LONG y, LONG left, LONG right) -> const uint32_t* {
        const uint32_t* row = ss.row(static_cast<int>(y + offY)) + (left + offX);
        if (!toMono && !toColour) return row;
        line.resize(static_cast<size_t>(right - left));
        for (size_t x = 0; x < line.size(); ++x) {
            // Colour to monochrome: the source DC's background colour
            // becomes white (1), everything else black (0). Monochrome to
            // colour: white (1) becomes the destination DC's background
            // colour, black (0) its text colour.
            line[x] = toMono ? (row[x] == srcBk ? 0xFFFFFFu : 0u) : (row[x] ? bg : fg);
        }
        return line.data();
    };

    if (&ss == dst.surface.get()) {
        // A blit within one surface (scrolling) must see the original
        // pixels: the source is read whole before anything is written.
        const int w = d.right - d.left, h = d.bottom - d.top;
        std::vector<uint32_t> source(static_cast<size_t>(w) * h);
        for (int y = 0; y < h; ++y)
            std::copy_n(sourceRow(d.top + y, d.left, d.right), w, source.data() + static_cast<size_t>(y) * w);
        for (const RECT& c : Intersect(clip, d))
            for (LONG y = c.top; y < c.bottom; ++y)
                CombineRow(index, pat, source.data() + static_cast<size_t>(y - d.top) * w + (c.left - d.left),
                           dst.surface->row(y) + c.left, static_cast<size_t>(c.right - c.left));
    } else {
        for (const RECT& c : Intersect(clip, d))
            for (LONG y = c.top; y < c.bottom; ++y)
                CombineRow(index, pat, sourceRow(y, c.left, c.right), dst.surface->row(y) + c.left,
                           static_cast<size_t>(c.right - c.left));
    }
    dst.surface->Touch();
    return TRUE;
}

}  // namespace

BOOL DrawCoverageMask(HDC hdc, int x, int y, int width, int height, const uint8_t* mask, int stride, COLORREF color) {
    Guard g(Mutex());
    auto dc = LookupDC(hdc);
    if (!dc) return FALSE;
    if (width < 0 || height < 0 || (width > 0 && height > 0 && (!mask || stride < width))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const LONG sx = dc->SurfaceX(x), sy = dc->SurfaceY(y);
    const RECT area{sx, sy, ClampCoord(int64_t{sx} + width), ClampCoord(int64_t{sy} + height)};
    const bool mono = dc->surface->mono();
    const uint32_t solid = dc->Pixel(color);
    for (const RECT& c : Intersect(dc->Clip(), area)) {
        for (LONG py = c.top; py < c.bottom; ++py) {
            const uint8_t* m = mask + static_cast<size_t>(py - sy) * stride;
            uint32_t* row = dc->surface->row(py);
            for (LONG px = c.left; px < c.right; ++px) {
                const uint32_t a = m[px - sx];
                if (a == 0) continue;
                if (mono || a == 255) {
                    if (!mono || a >= 128) row[px] = solid;
                    continue;
                }
                uint32_t out = 0;
                for (int shift = 0; shift < 24; shift += 8) {
                    uint32_t fgc = (solid >> shift) & 0xFF, bgc = (row[px] >> shift) & 0xFF;
                    out |= ((fgc * a + bgc * (255 - a) + 127) / 255) << shift;
                }
                row[px] = out;
            }
        }
    }
    dc->surface->Touch();
    return TRUE;
}

BOOL FillSolidRect(HDC hdc, const RECT& rect, COLORREF color) {
    Guard g(Mutex());
    auto dc = LookupDC(hdc);
    if (!dc) return FALSE;
    RECT r{dc->SurfaceX(rect.left), dc->SurfaceY(rect.top), dc->SurfaceX(rect.right), dc->SurfaceY(rect.bottom)};
    FillSurfaceRect(*dc, r, dc->Pixel(color), R2_COPYPEN);
    return TRUE;
}

}  // namespace ce::gdi

using namespace ce::gdi;

// A width or height of zero or less draws nothing (and succeeds); there is
// no mirroring. An operation that reads the source needs a valid source DC;
// others ignore hdcSrc.
BOOL BitBlt(HDC hdcDest, int nXDest, int nYDest, int nWidth, int nHeight, HDC hdcSrc, int nXSrc, int nYSrc,
            DWORD dwRop) {
    Guard g(Mutex());
    auto dst = LookupDC(hdcDest);
    if (!dst) return FALSE;
    const uint8_t index = static_cast<uint8_t>(dwRop >> 16);
    std::shared_ptr<DcObject> src;
    if (NeedsSource(index)) {
        src = LookupDC(hdcSrc);
        if (!src) return FALSE;
    }
    if (nWidth <= 0 || nHeight <= 0) return TRUE;
    const RECT d{dst->SurfaceX(nXDest), dst->SurfaceY(nYDest), dst->SurfaceX(int64_t{nXDest} + nWidth),
                 dst->SurfaceY(int64_t{nYDest} + nHeight)};
    // The source position that lands on d.left/d.top (after clamping).
    const int64_t srcX = src ? int64_t{nXSrc} + src->dx() + (d.left - (int64_t{nXDest} + dst->dx())) : 0;
    const int64_t srcY = src ? int64_t{nYSrc} + src->dy() + (d.top - (int64_t{nYDest} + dst->dy())) : 0;
    return Blt(*dst, d, src.get(), srcX, srcY, index);
}

// A negative width or height extends the rectangle left or up from the
// given corner.
BOOL PatBlt(HDC hdc, int nXLeft, int nYLeft, int nWidth, int nHeight, DWORD dwRop) {
    Guard g(Mutex());
    auto dc = LookupDC(hdc);
    if (!dc) return FALSE;
    const uint8_t index = static_cast<uint8_t>(dwRop >> 16);
    if (NeedsSource(index)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    int64_t x0 = nXLeft, x1 = int64_t{nXLeft} + nWidth, y0 = nYLeft, y1 = int64_t{nYLeft} + nHeight;
    if (x0 > x1) std::swap(x0, x1);
    if (y0 > y1) std::swap(y0, y1);
    const RECT d{dc->SurfaceX(x0), dc->SurfaceY(y0), dc->SurfaceX(x1), dc->SurfaceY(y1)};
    return Blt(*dc, d, nullptr, 0, 0, index);
}

namespace {
bool InClip(const DcObject& dc, LONG x, LONG y) {
    for (const RECT& c : dc.Clip())
        if (x >= c.left && x < c.right && y >= c.top && y < c.bottom) return true;
    return false;
}
}  // namespace

// CLR_INVALID outside the DC's clip area (or its surface).
COLORREF GetPixel(HDC hdc, int nXPos, int nYPos) {
    Guard g(Mutex());
    auto dc = LookupDC(hdc);
    if (!dc) return CLR_INVALID;
    const LONG x = dc->SurfaceX(nXPos), y = dc->SurfaceY(nYPos);
    if (!InClip(*dc, x, y)) return CLR_INVALID;
    return ToColorRef(std::as_const(*dc->surface).row(y)[x]);
}

// Returns the colour actually stored (black or white on a monochrome
// surface), CLR_INVALID outside the clip area. The DC's mix mode does not
// apply.
COLORREF SetPixel(HDC hdc, int X, int Y, COLORREF crColor) {
    Guard g(Mutex());
    auto dc = LookupDC(hdc);
    if (!dc) return CLR_INVALID;
    const LONG x = dc->SurfaceX(X), y = dc->SurfaceY(Y);
    if (!InClip(*dc, x, y)) return CLR_INVALID;
    uint32_t p = dc->Pixel(crColor);
    dc->surface->row(y)[x] = p;
    dc->surface->Touch();
    return ToColorRef(p);
}
