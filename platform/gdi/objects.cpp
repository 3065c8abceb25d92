// Drawing objects: the handle table, stock objects, system colours, pens,
// brushes, bitmaps and fonts, and their lifetime (DeleteObject, GetObject).
//
// Drawing objects have a handle table of their own kind (handle_table.h),
// apart from the kernel's: a pen is not something CloseHandle or
// WaitForSingleObject accept. Their handles carry the tag 2 in their low
// bits, so a drawing handle is never mistaken for a kernel handle (whose low
// two bits are clear), and a deleted or forged one is recognised instead of
// being followed.
#include <array>
#include <cstring>

#include "gdi_internal.h"
#include "handle_table.h"

namespace ce::gdi {

Surface::Surface(int width, int height, bool mono)
    : width_(width), height_(height), mono_(mono), own_(static_cast<size_t>(width) * height, 0u) {}

Surface::Surface(int width, int height, std::shared_ptr<const std::vector<uint32_t>> shared)
    : width_(width), height_(height), mono_(false), shared_(std::move(shared)) {}

std::mutex& Mutex() {
    static std::mutex m;
    return m;
}

namespace {

HandleTable<GdiObject>& Table() {
    static auto* table = new HandleTable<GdiObject>(2, ERROR_NOT_ENOUGH_MEMORY);
    return *table;
}

}  // namespace

HGDIOBJ AllocObject(std::shared_ptr<GdiObject> object) {
    GdiObject* raw = object.get();
    HGDIOBJ h = Table().Alloc(std::move(object));
    if (h) raw->handle = h;
    return h;
}

std::shared_ptr<GdiObject> LookupObject(HGDIOBJ h) {
    return Table().Lookup(h);
}

void FreeObject(HGDIOBJ h) {
    Table().Free(h);
}

std::shared_ptr<DcObject> LookupDC(HDC hdc) {
    auto dc = LookupAs<DcObject>(hdc);
    if (!dc) SetLastError(ERROR_INVALID_HANDLE);
    return dc;
}

// ---- System colours -----------------------------------------------------------

namespace {

// The classic grey scheme of the device.
constexpr std::array<COLORREF, C_SYS_COLOR_TYPES> kSysColors = {
    RGB(192, 192, 192),  // COLOR_SCROLLBAR
    RGB(0, 128, 128),    // COLOR_BACKGROUND
    RGB(0, 0, 128),      // COLOR_ACTIVECAPTION
    RGB(128, 128, 128),  // COLOR_INACTIVECAPTION
    RGB(192, 192, 192),  // COLOR_MENU
    RGB(255, 255, 255),  // COLOR_WINDOW
    RGB(0, 0, 0),        // COLOR_WINDOWFRAME
    RGB(0, 0, 0),        // COLOR_MENUTEXT
    RGB(0, 0, 0),        // COLOR_WINDOWTEXT
    RGB(255, 255, 255),  // COLOR_CAPTIONTEXT
    RGB(192, 192, 192),  // COLOR_ACTIVEBORDER
    RGB(192, 192, 192),  // COLOR_INACTIVEBORDER
    RGB(128, 128, 128),  // COLOR_APPWORKSPACE
    RGB(0, 0, 128),      // COLOR_HIGHLIGHT
    RGB(255, 255, 255),  // COLOR_HIGHLIGHTTEXT
    RGB(192, 192, 192),  // COLOR_BTNFACE
    RGB(128, 128, 128),  // COLOR_BTNSHADOW
    RGB(128, 128, 128),  // COLOR_GRAYTEXT
    RGB(0, 0, 0),        // COLOR_BTNTEXT
    RGB(192, 192, 192),  // COLOR_INACTIVECAPTIONTEXT
    RGB(255, 255, 255),  // COLOR_BTNHIGHLIGHT
    RGB(0, 0, 0),        // COLOR_3DDKSHADOW
    RGB(192, 192, 192),  // COLOR_3DLIGHT
    RGB(0, 0, 0),        // COLOR_INFOTEXT
    RGB(255, 255, 225),  // COLOR_INFOBK
    RGB(192, 192, 192),  // COLOR_STATIC
    RGB(0, 0, 0),        // COLOR_STATICTEXT
    RGB(16, 132, 208),   // COLOR_GRADIENTACTIVECAPTION
    RGB(181, 181, 181),  // COLOR_GRADIENTINACTIVECAPTION
};

std::shared_ptr<BrushObject> MakeBrush(COLORREF color, bool hollow, bool stock) {
    auto b = std::make_shared<BrushObject>();
    b->color = color & 0xFFFFFF;
    b->hollow = hollow;
    b->stock = stock;
    return b;
}

std::shared_ptr<PenObject> MakePen(int style, int width, COLORREF color, bool stock) {
    auto p = std::make_shared<PenObject>();
    p->style = style;
    p->width = width;
    p->color = color & 0xFFFFFF;
    p->stock = stock;
    return p;
}

struct StockTable {
    std::array<std::shared_ptr<GdiObject>, DEFAULT_GUI_FONT + 1> objects;
    std::array<std::shared_ptr<BrushObject>, C_SYS_COLOR_TYPES> sysBrushes;
    std::shared_ptr<BitmapObject> bitmap;

    StockTable() {
        objects[WHITE_BRUSH] = MakeBrush(RGB(255, 255, 255), false, true);
        objects[LTGRAY_BRUSH] = MakeBrush(RGB(192, 192, 192), false, true);
        objects[GRAY_BRUSH] = MakeBrush(RGB(128, 128, 128), false, true);
        objects[DKGRAY_BRUSH] = MakeBrush(RGB(64, 64, 64), false, true);
        objects[BLACK_BRUSH] = MakeBrush(RGB(0, 0, 0), false, true);
        objects[NULL_BRUSH] = MakeBrush(0, true, true);
        objects[WHITE_PEN] = MakePen(PS_SOLID, 1, RGB(255, 255, 255), true);
        objects[BLACK_PEN] = MakePen(PS_SOLID, 1, RGB(0, 0, 0), true);
        objects[NULL_PEN] = MakePen(PS_NULL, 1, 0, true);
        for (int index : {SYSTEM_FONT, DEFAULT_GUI_FONT}) {
            auto f = std::make_shared<FontObject>();
            f->stock = true;
            f->data->logFont.lfHeight = -13;
            f->data->logFont.lfWeight = index == SYSTEM_FONT ? 700 : 400;
            const char16_t face[] = u"Tahoma";
            std::memcpy(f->data->logFont.lfFaceName, face, sizeof(face));
            objects[index] = f;
        }
        for (size_t i = 0; i < sysBrushes.size(); ++i) sysBrushes[i] = MakeBrush(kSysColors[i], false, true);
        bitmap = std::make_shared<BitmapObject>();
        bitmap->stock = true;
        bitmap->surface = std::make_shared<Surface>(1, 1, true);
        for (auto& o : objects)
            if (o) AllocObject(o);
        for (auto& b : sysBrushes) AllocObject(b);
        AllocObject(bitmap);
    }
};

StockTable& Stocks() {
    static StockTable table;
    return table;
}

}  // namespace

std::shared_ptr<GdiObject> Stock(int index) {
    if (index < 0 || index >= static_cast<int>(Stocks().objects.size())) return nullptr;
    return Stocks().objects[index];
}

std::shared_ptr<BitmapObject> StockBitmap() {
    return Stocks().bitmap;
}

std::shared_ptr<BrushObject> SysColorBrush(int index) {
    if (index < 0 || index >= C_SYS_COLOR_TYPES) return nullptr;
    return Stocks().sysBrushes[index];
}

// FillRect and window classes accept a system colour index plus one in place
// of a brush handle.
std::shared_ptr<BrushObject> ResolveBrush(HBRUSH hbr) {
    uintptr_t v = reinterpret_cast<uintptr_t>(hbr);
    if (v >= 1 && v <= C_SYS_COLOR_TYPES) return SysColorBrush(static_cast<int>(v - 1));
    return LookupAs<BrushObject>(hbr);
}

HFONT CreateFontObject(const LOGFONTW& logFont) {
    Guard g(Mutex());
    auto f = std::make_shared<FontObject>();
    f->data->logFont = logFont;
    return static_cast<HFONT>(AllocObject(f));
}

std::shared_ptr<FontData> GetFontData(HFONT font) {
    Guard g(Mutex());
    auto f = LookupAs<FontObject>(font);
    return f ? f->data : nullptr;
}

}  // namespace ce::gdi

using namespace ce::gdi;

DWORD GetSysColor(int nIndex) {
    if (nIndex < 0 || nIndex >= C_SYS_COLOR_TYPES) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return kSysColors[nIndex];
}

HBRUSH GetSysColorBrush(int nIndex) {
    Guard g(Mutex());
    auto b = SysColorBrush(nIndex);
    if (!b) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return static_cast<HBRUSH>(b->handle);
}

HGDIOBJ GetStockObject(int fnObject) {
    Guard g(Mutex());
    auto o = Stock(fnObject);
    if (!o) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return o->handle;
}

// A width of 0 is one pixel. PS_DASH is drawn dashed only one pixel wide;
// wider dashed pens draw solid, as on the desktop system.
HPEN CreatePen(int fnPenStyle, int nWidth, COLORREF crColor) {
    if ((fnPenStyle != PS_SOLID && fnPenStyle != PS_DASH && fnPenStyle != PS_NULL) || nWidth < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    Guard g(Mutex());
    return static_cast<HPEN>(AllocObject(MakePen(fnPenStyle, nWidth == 0 ? 1 : nWidth, crColor, false)));
}

HPEN CreatePenIndirect(const LOGPEN* lplgpn) {
    if (!lplgpn) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return CreatePen(static_cast<int>(lplgpn->lopnStyle), lplgpn->lopnWidth.x, lplgpn->lopnColor);
}

HBRUSH CreateSolidBrush(COLORREF crColor) {
    Guard g(Mutex());
    return static_cast<HBRUSH>(AllocObject(MakeBrush(crColor, false, false)));
}

namespace {

constexpr int kMaxBitmapSide = 32767;
constexpr int64_t kMaxBitmapPixels = int64_t{16} << 20;

// Bitmap rows in memory are padded to a multiple of 16 bits.
int64_t StrideOf(int width, int bpp) {
    return (int64_t{width} * bpp + 15) / 16 * 2;
}

// Checks a size; 0 in either direction means the stock 1x1 bitmap.
bool CheckSize(int w, int h) {
    if (w < 0 || h < 0 || w > kMaxBitmapSide || h > kMaxBitmapSide) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (int64_t{w} * h > kMaxBitmapPixels) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    return true;
}

}  // namespace

namespace ce::gdi {
HBITMAP MakeBitmap(int w, int h, bool mono) {
    auto b = std::make_shared<BitmapObject>();
    b->surface = std::make_shared<Surface>(w, h, mono);
    return static_cast<HBITMAP>(AllocObject(b));
}
}  // namespace ce::gdi

// Accepts 1 bit per pixel (monochrome: bit 7 of a byte is the leftmost
// pixel, 1 is white), and 16 (5-6-5), 24 (B, G, R) or 32 (B, G, R, unused)
// for colour, always with rows padded to 16 bits. Colour bitmaps are kept at
// 32 bits per pixel and report that in GetObject. Without bits the bitmap is
// black. A width or height of 0 gives the stock 1x1 monochrome bitmap.
HBITMAP CreateBitmap(int nWidth, int nHeight, UINT cPlanes, UINT cBitsPerPel, const void* lpvBits) {
    if (cPlanes != 1 || (cBitsPerPel != 1 && cBitsPerPel != 16 && cBitsPerPel != 24 && cBitsPerPel != 32)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (!CheckSize(nWidth, nHeight)) return nullptr;
    Guard g(Mutex());
    if (nWidth == 0 || nHeight == 0) return static_cast<HBITMAP>(StockBitmap()->handle);
    HBITMAP h = MakeBitmap(nWidth, nHeight, cBitsPerPel == 1);
    if (!h || !lpvBits) return h;
    Surface& s = *LookupAs<BitmapObject>(h)->surface;
    const auto* bytes = static_cast<const uint8_t*>(lpvBits);
    const int64_t stride = StrideOf(nWidth, static_cast<int>(cBitsPerPel));
    for (int y = 0; y < nHeight; ++y) {
        const uint8_t* src = bytes + stride * y;
        uint32_t* dst = s.row(y);
        for (int x = 0; x < nWidth; ++x) {
            switch (cBitsPerPel) {
                case 1:
                    dst[x] = (src[x >> 3] & (0x80 >> (x & 7))) ? 0xFFFFFFu : 0u;
                    break;
                case 16: {
                    uint32_t v = src[2 * x] | (src[2 * x + 1] << 8);
                    uint32_t r = (v >> 11) & 31, gr = (v >> 5) & 63, b = v & 31;
                    dst[x] = (((r << 3) | (r >> 2)) << 16) | (((gr << 2) | (gr >> 4)) << 8) | ((b << 3) | (b >> 2));
                    break;
                }
                case 24:
                    dst[x] = (uint32_t{src[3 * x + 2]} << 16) | (uint32_t{src[3 * x + 1]} << 8) | src[3 * x];
                    break;
                default:
                    dst[x] = (uint32_t{src[4 * x + 2]} << 16) | (uint32_t{src[4 * x + 1]} << 8) | src[4 * x];
                    break;
            }
        }
    }
    return h;
}

HBITMAP ce::gdi::CreateBitmapFromPixels(int width, int height, const uint32_t* pixels) {
    if (!pixels || width <= 0 || height <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (!CheckSize(width, height)) return nullptr;
    Guard g(Mutex());
    HBITMAP h = MakeBitmap(width, height, false);
    if (!h) return nullptr;
    Surface& s = *LookupAs<BitmapObject>(h)->surface;
    for (int y = 0; y < height; ++y)
        std::memcpy(s.row(y), pixels + static_cast<size_t>(y) * width, static_cast<size_t>(width) * 4);
    return h;
}

HBITMAP ce::gdi::CreateBitmapSharingPixels(int width, int height, std::shared_ptr<const std::vector<uint32_t>> pixels) {
    if (!pixels || width <= 0 || height <= 0 || pixels->size() != static_cast<size_t>(width) * height) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (!CheckSize(width, height)) return nullptr;
    Guard g(Mutex());
    auto b = std::make_shared<BitmapObject>();
    b->surface = std::make_shared<Surface>(width, height, std::move(pixels));
    return static_cast<HBITMAP>(AllocObject(b));
}

// A bitmap like the one selected in a memory DC (so a memory DC that still
// holds its initial 1x1 bitmap gives a monochrome bitmap — the documented
// pitfall), or a colour bitmap for a window DC.
HBITMAP CreateCompatibleBitmap(HDC hdc, int nWidth, int nHeight) {
    Guard g(Mutex());
    auto dc = LookupDC(hdc);
    if (!dc) return nullptr;
    if (!CheckSize(nWidth, nHeight)) return nullptr;
    if (nWidth == 0 || nHeight == 0) return static_cast<HBITMAP>(StockBitmap()->handle);
    return MakeBitmap(nWidth, nHeight, dc->surface->mono());
}

// Stock objects are never deleted (TRUE, nothing happens). An object still
// selected into a DC is not deleted either: FALSE with ERROR_BUSY, and the
// program deletes it after selecting it out.
BOOL DeleteObject(HGDIOBJ hObject) {
    Guard g(Mutex());
    auto o = LookupObject(hObject);
    if (!o || o->type == OBJ_DC || o->type == OBJ_MEMDC) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (o->stock) return TRUE;
    if (o->selections > 0) {
        SetLastError(ERROR_BUSY);
        return FALSE;
    }
    FreeObject(hObject);
    return TRUE;
}

// Copies the object's description (BITMAP, LOGPEN, LOGBRUSH or LOGFONT).
// With a null buffer it returns the size needed; a buffer shorter than the
// description gets nothing (0, ERROR_INSUFFICIENT_BUFFER).
int GetObject(HGDIOBJ hgdiobj, int cbBuffer, LPVOID lpvObject) {
    Guard g(Mutex());
    auto o = LookupObject(hgdiobj);
    if (!o || o->type == OBJ_DC || o->type == OBJ_MEMDC) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    union {
        BITMAP bm;
        LOGPEN pen;
        LOGBRUSH brush;
        LOGFONTW font;
    } u{};
    int size = 0;
    if (auto b = std::dynamic_pointer_cast<BitmapObject>(o)) {
        const Surface& s = *b->surface;
        int bpp = s.mono() ? 1 : 32;
        u.bm = BITMAP{
            0, s.width(), s.height(), static_cast<LONG>(StrideOf(s.width(), bpp)), 1, static_cast<WORD>(bpp), nullptr};
        size = sizeof(BITMAP);
    } else if (auto p = std::dynamic_pointer_cast<PenObject>(o)) {
        u.pen = LOGPEN{static_cast<UINT>(p->style), POINT{p->width, 0}, p->color};
        size = sizeof(LOGPEN);
    } else if (auto br = std::dynamic_pointer_cast<BrushObject>(o)) {
        u.brush = LOGBRUSH{static_cast<UINT>(br->hollow ? BS_NULL : BS_SOLID), br->color, 0};
        size = sizeof(LOGBRUSH);
    } else if (auto f = std::dynamic_pointer_cast<FontObject>(o)) {
        u.font = f->data->logFont;
        size = sizeof(LOGFONTW);
    }
    if (!lpvObject) return size;
    if (cbBuffer < size) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(lpvObject, &u, static_cast<size_t>(size));
    return size;
}

DWORD GetObjectType(HGDIOBJ h) {
    Guard g(Mutex());
    auto o = LookupObject(h);
    if (!o) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return o->type;
}
