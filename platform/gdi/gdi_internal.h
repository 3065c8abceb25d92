// Objects of the drawing layer and the helpers shared by its files.
#pragma once

#include <algorithm>
#include <mutex>
#include <optional>

#include "ce_gdi.h"

namespace ce::gdi {

// The one lock of the drawing layer (see ce_gdi.h).
std::mutex& Mutex();
using Guard = std::lock_guard<std::mutex>;

struct DcObject;

struct GdiObject {
    explicit GdiObject(DWORD t) : type(t) {}
    virtual ~GdiObject() = default;
    DWORD type;          // OBJ_PEN, OBJ_BRUSH, ...
    bool stock = false;  // DeleteObject leaves it alone
    int selections = 0;  // number of DCs it is selected into
    HGDIOBJ handle = nullptr;
};

struct PenObject : GdiObject {
    PenObject() : GdiObject(OBJ_PEN) {}
    int style = PS_SOLID;
    int width = 1;
    COLORREF color = 0;
};

struct BrushObject : GdiObject {
    BrushObject() : GdiObject(OBJ_BRUSH) {}
    bool hollow = false;
    COLORREF color = 0;
};

struct FontObject : GdiObject {
    FontObject() : GdiObject(OBJ_FONT), data(std::make_shared<FontData>()) {}
    std::shared_ptr<FontData> data;
};

struct BitmapObject : GdiObject {
    BitmapObject() : GdiObject(OBJ_BITMAP) {}
    std::shared_ptr<Surface> surface;
    DcObject* selectedIn = nullptr;  // a bitmap lives in at most one DC (the stock bitmap excepted)
};

// Surface coordinates stay within +-2^28 so that no arithmetic on them can
// overflow, whatever numbers a program passes.
constexpr int64_t kCoordLimit = int64_t{1} << 28;
inline LONG ClampCoord(int64_t v) {
    return static_cast<LONG>(std::clamp(v, -kCoordLimit, kCoordLimit));
}

// A set of disjoint rectangles (right/bottom exclusive).
using RectList = std::vector<RECT>;
RectList Intersect(const RectList& list, const RECT& r);
RectList Subtract(const RectList& list, const RECT& r);
RectList Normalize(const std::vector<RECT>& rects);  // merges overlaps, drops empty ones

struct DcObject : GdiObject {
    explicit DcObject(bool memory) : GdiObject(memory ? OBJ_MEMDC : OBJ_DC) {}
    bool memory() const { return type == OBJ_MEMDC; }

    std::shared_ptr<Surface> surface;
    HWND owner = nullptr;             // window DCs
    POINT origin{0, 0};               // surface position of logical (0,0), before the viewport origin
    POINT viewport{0, 0};             // SetViewportOrgEx
    std::optional<RectList> sysClip;  // window DCs: visible part (surface coordinates)
    std::optional<RectList> appClip;  // IntersectClipRect/ExcludeClipRect (surface coordinates)

    std::shared_ptr<PenObject> pen;
    std::shared_ptr<BrushObject> brush;
    std::shared_ptr<FontObject> font;
    std::shared_ptr<BitmapObject> bitmap;  // memory DCs

    COLORREF textColor = RGB(0, 0, 0);
    COLORREF bkColor = RGB(255, 255, 255);
    int bkMode = OPAQUE;
    int rop2 = R2_COPYPEN;
    POINT pos{0, 0};

    // Offset from logical to surface coordinates.
    int64_t dx() const { return int64_t{origin.x} + viewport.x; }
    int64_t dy() const { return int64_t{origin.y} + viewport.y; }
    LONG SurfaceX(int64_t x) const { return ClampCoord(x + dx()); }
    LONG SurfaceY(int64_t y) const { return ClampCoord(y + dy()); }
    // The rectangles drawing may touch, in surface coordinates.
    RectList Clip() const;
    // A colour as a pixel of this DC's surface.
    uint32_t Pixel(COLORREF c) const { return surface->mono() ? ToMonoPixel(c) : ToPixel(c); }
};

// ---- Handles (a table apart from the kernel's, see objects.cpp) -----------

HGDIOBJ AllocObject(std::shared_ptr<GdiObject> object);
std::shared_ptr<GdiObject> LookupObject(HGDIOBJ h);
template <class T>
std::shared_ptr<T> LookupAs(HGDIOBJ h) {
    return std::dynamic_pointer_cast<T>(LookupObject(h));
}
void FreeObject(HGDIOBJ h);
// Looks up a DC; sets ERROR_INVALID_HANDLE and returns null for anything else.
std::shared_ptr<DcObject> LookupDC(HDC hdc);

// Stock objects by index (internal: never fails for a valid index).
std::shared_ptr<GdiObject> Stock(int index);
std::shared_ptr<BitmapObject> StockBitmap();  // the 1x1 monochrome bitmap of new memory DCs
std::shared_ptr<BrushObject> SysColorBrush(int index);
// A brush handle or a system colour (COLOR_xxx + 1) as FillRect takes it.
std::shared_ptr<BrushObject> ResolveBrush(HBRUSH hbr);
// A new black bitmap (size already checked).
HBITMAP MakeBitmap(int w, int h, bool mono);

// ---- Raster helpers (callers hold the lock) --------------------------------

// Truth-table evaluation of a raster operation on 24-bit pixel words.
uint32_t Rop3(uint8_t index, uint32_t pat, uint32_t src, uint32_t dst);
uint32_t Rop2(int rop2, uint32_t pen, uint32_t dst);

// Fills a surface rectangle (already in surface coordinates) through the DC
// clip with the pen-style mix `rop2`.
void FillSurfaceRect(DcObject& dc, RECT r, uint32_t pixel, int rop2);
// Plots one surface pixel through the DC clip with `rop2`.
void PlotPixel(DcObject& dc, const RectList& clip, int x, int y, uint32_t pixel, int rop2);

}  // namespace ce::gdi
