// Device contexts: memory DCs, window DCs on the screen, selection of
// objects, attributes, clipping and device capabilities.
#include <algorithm>
#include <climits>
#include <utility>

#include "gdi_internal.h"

namespace ce::gdi {

// ---- The screen -------------------------------------------------------------

namespace {

ScreenMode g_mode;
std::shared_ptr<Surface> g_screen;

std::shared_ptr<Surface> ScreenSurfaceLocked() {
    if (!g_screen) g_screen = std::make_shared<Surface>(g_mode.width, g_mode.height, false);
    return g_screen;
}

}  // namespace

void Screen::SetMode(const ScreenMode& mode) {
    Guard g(Mutex());
    g_mode = mode;
    g_mode.width = std::clamp(mode.width, 1, 8192);
    g_mode.height = std::clamp(mode.height, 1, 8192);
    g_screen = std::make_shared<Surface>(g_mode.width, g_mode.height, false);
}

ScreenMode Screen::Mode() {
    Guard g(Mutex());
    return g_mode;
}

std::shared_ptr<Surface> Screen::CurrentSurface() {
    Guard g(Mutex());
    return ScreenSurfaceLocked();
}

COLORREF Screen::Pixel(int x, int y) {
    Guard g(Mutex());
    auto s = ScreenSurfaceLocked();
    if (x < 0 || y < 0 || x >= s->width() || y >= s->height()) return CLR_INVALID;
    return ToColorRef(s->row(y)[x]);
}

std::vector<uint32_t> Screen::Snapshot(int* width, int* height) {
    Guard g(Mutex());
    auto s = ScreenSurfaceLocked();
    if (width) *width = s->width();
    if (height) *height = s->height();
    return s->pixels();
}

uint64_t Screen::Changes() {
    Guard g(Mutex());
    return ScreenSurfaceLocked()->changes();
}

// ---- DC bookkeeping -------------------------------------------------------------

namespace {

// A rectangle larger than any surface: "no restriction" for clip arithmetic.
constexpr RECT kEverything{-(1 << 28), -(1 << 28), 1 << 28, 1 << 28};

template <class T>
HGDIOBJ Swap(std::shared_ptr<T>& slot, std::shared_ptr<T> object) {
    HGDIOBJ old = slot ? slot->handle : nullptr;
    if (slot) --slot->selections;
    slot = std::move(object);
    if (slot) ++slot->selections;
    return old;
}

void SelectBitmap(DcObject& dc, std::shared_ptr<BitmapObject> b) {
    if (dc.bitmap) dc.bitmap->selectedIn = nullptr;
    Swap(dc.bitmap, b);
    if (!b->stock) b->selectedIn = &dc;
    dc.surface = b->surface;
}

void InitDefaults(DcObject& dc) {
    Swap(dc.pen, std::static_pointer_cast<PenObject>(Stock(BLACK_PEN)));
    Swap(dc.brush, std::static_pointer_cast<BrushObject>(Stock(WHITE_BRUSH)));
    Swap(dc.font, std::static_pointer_cast<FontObject>(Stock(SYSTEM_FONT)));
    dc.textColor = RGB(0, 0, 0);
    dc.bkColor = RGB(255, 255, 255);
    dc.bkMode = OPAQUE;
    dc.rop2 = R2_COPYPEN;
    dc.pos = POINT{0, 0};
    dc.viewport = POINT{0, 0};
    dc.appClip.reset();
}

void ReleaseSelections(DcObject& dc) {
    Swap(dc.pen, std::shared_ptr<PenObject>());
    Swap(dc.brush, std::shared_ptr<BrushObject>());
    Swap(dc.font, std::shared_ptr<FontObject>());
    if (dc.bitmap) dc.bitmap->selectedIn = nullptr;
    Swap(dc.bitmap, std::shared_ptr<BitmapObject>());
}

int RegionKind(const RectList& clip) {
    return clip.empty() ? NULLREGION : clip.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

RECT ToSurface(const DcObject& dc, int l, int t, int r, int b) {
    if (l > r) std::swap(l, r);
    if (t > b) std::swap(t, b);
    return RECT{dc.SurfaceX(l), dc.SurfaceY(t), dc.SurfaceX(r), dc.SurfaceY(b)};
}

}  // namespace

RectList DcObject::Clip() const {
    RectList clip{RECT{0, 0, surface->width(), surface->height()}};
    if (sysClip) {
        RectList out;
        for (const RECT& r : *sysClip) {
            RectList part = Intersect(clip, r);
            out.insert(out.end(), part.begin(), part.end());
        }
        clip = std::move(out);
    }
    if (appClip) {
        RectList out;
        for (const RECT& r : *appClip) {
            RectList part = Intersect(clip, r);
            out.insert(out.end(), part.begin(), part.end());
        }
        clip = std::move(out);
    }
    return clip;
}

// ---- Window DCs -------------------------------------------------------------------

HDC CreateWindowDC(HWND owner, const DcGeometry& geometry) {
    Guard g(Mutex());
    auto dc = std::make_shared<DcObject>(false);
    dc->surface = ScreenSurfaceLocked();
    dc->owner = owner;
    dc->origin = geometry.origin;
    dc->sysClip = Normalize(geometry.clip);
    InitDefaults(*dc);
    HDC h = static_cast<HDC>(AllocObject(dc));
    if (!h) ReleaseSelections(*dc);
    return h;
}

namespace {
std::shared_ptr<DcObject> LookupWindowDC(HDC hdc) {
    auto dc = LookupAs<DcObject>(hdc);
    if (!dc || dc->memory()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return dc;
}
}  // namespace

BOOL ReleaseWindowDC(HDC hdc) {
    Guard g(Mutex());
    auto dc = LookupWindowDC(hdc);
    if (!dc) return FALSE;
    ReleaseSelections(*dc);
    FreeObject(hdc);
    return TRUE;
}

BOOL SetWindowDCGeometry(HDC hdc, const DcGeometry& geometry) {
    Guard g(Mutex());
    auto dc = LookupWindowDC(hdc);
    if (!dc) return FALSE;
    dc->surface = ScreenSurfaceLocked();
    dc->origin = geometry.origin;
    dc->sysClip = Normalize(geometry.clip);
    dc->appClip.reset();
    return TRUE;
}

BOOL ResetDCState(HDC hdc) {
    Guard g(Mutex());
    auto dc = LookupDC(hdc);
    if (!dc) return FALSE;
    InitDefaults(*dc);
    return TRUE;
}

HWND WindowFromDC(HDC hdc) {
    Guard g(Mutex());
    auto dc = LookupAs<DcObject>(hdc);
    return dc ? dc->owner : nullptr;
}

HFONT GetDCFont(HDC hdc) {
    Guard g(Mutex());
    auto dc = LookupDC(hdc);
    return dc ? static_cast<HFONT>(dc->font->handle) : nullptr;
}

}  // namespace ce::gdi

using namespace ce::gdi;

// ---- Memory DCs and selection ---------------------------------------------------------

// A new memory DC holds the stock 1x1 monochrome bitmap until the program
// selects its own. Every DC here is compatible with the screen, so `hdc`
// only has to be NULL or a live DC.
HDC CreateCompatibleDC(HDC hdc) {
    Guard g(Mutex());
    if (hdc && !LookupDC(hdc)) return nullptr;
    auto dc = std::make_shared<DcObject>(true);
    SelectBitmap(*dc, StockBitmap());
    InitDefaults(*dc);
    HDC h = static_cast<HDC>(AllocObject(dc));
    if (!h) ReleaseSelections(*dc);
    return h;
}

// Selected objects become free to delete. Window DCs belong to the window
// system (ReleaseDC): DeleteDC refuses them with ERROR_INVALID_HANDLE.
BOOL DeleteDC(HDC hdc) {
    Guard g(Mutex());
    auto dc = LookupAs<DcObject>(hdc);
    if (!dc || !dc->memory()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    ReleaseSelections(*dc);
    FreeObject(hdc);
    return TRUE;
}

// Returns the object of the same kind previously selected. A bitmap goes
// only into a memory DC, and into one DC at a time: selecting it elsewhere
// fails with ERROR_BUSY (the stock 1x1 bitmap may be in many DCs).
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ hgdiobj) {
    Guard g(Mutex());
    auto dc = LookupDC(hdc);
    if (!dc) return nullptr;
    auto o = LookupObject(hgdiobj);
    if (!o) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    switch (o->type) {
        case OBJ_PEN:
            return Swap(dc->pen, std::static_pointer_cast<PenObject>(o));
        case OBJ_BRUSH:
            return Swap(dc->brush, std::static_pointer_cast<BrushObject>(o));
        case OBJ_FONT:
            return Swap(dc->font, std::static_pointer_cast<FontObject>(o));
        case OBJ_BITMAP: {
            auto b = std::static_pointer_cast<BitmapObject>(o);
            if (!dc->memory()) {
                SetLastError(ERROR_INVALID_PARAMETER);
                return nullptr;
            }
            HGDIOBJ old = dc->bitmap->handle;
            if (b == dc->bitmap) return old;
            if (b->selectedIn) {
                SetLastError(ERROR_BUSY);
                return nullptr;
            }
            SelectBitmap(*dc, b);
            return old;
        }
        default:
            SetLastError(ERROR_INVALID_HANDLE);
            return nullptr;
    }
}

HGDIOBJ GetCurrentObject(HDC hdc, UINT uObjectType) {
    Guard g(Mutex());
    auto dc = LookupDC(hdc);
    if (!dc) return nullptr;
    switch (uObjectType) {
        case OBJ_PEN:
            return dc->pen->handle;
        case OBJ_BRUSH:
            return dc->brush->handle;
        case OBJ_FONT:
            return dc->font->handle;
        case OBJ_BITMAP:
            if (dc->bitmap) return dc->bitmap->handle;
            break;
    }
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
}

// Every DC answers for the screen (memory DCs are compatible with it).
int GetDeviceCaps(HDC hdc, int nIndex) {
    Guard g(Mutex());
    if (!LookupDC(hdc)) return 0;
    const ScreenMode& m = g_mode;
    switch (nIndex) {
        case DRIVERVERSION:
            return 0x0500;
        case TECHNOLOGY:
            return DT_RASDISPLAY;
        case HORZSIZE:
            return m.widthMM;
        case VERTSIZE:
            return m.heightMM;
        case HORZRES:
            return ScreenSurfaceLocked()->width();
        case VERTRES:
            return ScreenSurfaceLocked()->height();
        case BITSPIXEL:
            return m.bitsPerPixel;
        case PLANES:
            return 1;
        case NUMBRUSHES:
        case NUMPENS:
        case NUMCOLORS:
            return -1;
        case NUMFONTS:
            return 0;
        case RASTERCAPS:
            return RC_BITBLT | RC_BITMAP64 | RC_DI_BITMAP | RC_DIBTODEV;
        case LOGPIXELSX:
        case LOGPIXELSY:
            return m.dpi;
        case SIZEPALETTE:
            return 0;
    }
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
}

// ---- Attributes -------------------------------------------------------------------------

COLORREF SetTextColor(HDC hdc, COLORREF crColor) {
    Guard g(Mutex());
    auto dc = LookupDC(hdc);
    if (!dc) return CLR_INVALID;
    return std::exchange(dc->textColor, crColor & 0xFFFFFF);
}

COLORREF GetTextColor(HDC hdc) {
    Guard g(Mutex());
    auto dc = LookupDC(hdc);
    return dc ? dc->textColor : CLR_INVALID;
}

COLORREF SetBkColor(HDC hdc, COLORREF crColor) {
    Guard g(Mutex());
    auto dc = LookupDC(hdc);
    if (!dc) return CLR_INVALID;
    return std::exchange(dc->bkColor, crColor & 0xFFFFFF);
}

COLORREF GetBkColor(HDC hdc) {
    Guard g(Mutex());
    auto dc = LookupDC(hdc);
    return dc ? dc->bkColor : CLR_INVALID;
}

int SetBkMode(HDC hdc, int iBkMode) {
    Guard g(Mutex());
    auto dc = LookupDC(hdc);
    if (!dc) return 0;
    if (iBkMode != TRANSPARENT && iBkMode != OPAQUE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return std::exchange(dc->bkMode, iBkMode);
}

int GetBkMode(HDC hdc) {
    Guard g(Mutex());
    auto dc = LookupDC(hdc);
    return dc ? dc->bkMode : 0;
}

int SetROP2(HDC hdc, int fnDrawMode) {
    Guard g(Mutex());
    auto dc = LookupDC(hdc);
    if (!dc) return 0;
    if (fnDrawMode < R2_BLACK || fnDrawMode > R2_WHITE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return std::exchange(dc->rop2, fnDrawMode);
}

int GetROP2(HDC hdc) {
    Guard g(Mutex());
    auto dc = LookupDC(hdc);
    return dc ? dc->rop2 : 0;
}

BOOL SetViewportOrgEx(HDC hdc, int X, int Y, LPPOINT lpPoint) {
    Guard g(Mutex());
    auto dc = LookupDC(hdc);
    if (!dc) return FALSE;
    if (lpPoint) *lpPoint = dc->viewport;
    dc->viewport = POINT{X, Y};
    return TRUE;
}

BOOL GetViewportOrgEx(HDC hdc, LPPOINT lpPoint) {
    Guard g(Mutex());
    auto dc = LookupDC(hdc);
    if (!dc) return FALSE;
    if (!lpPoint) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *lpPoint = dc->viewport;
    return TRUE;
}

// ---- Clipping ---------------------------------------------------------------------------

// The program's clip area is kept in surface coordinates, so a later
// viewport change does not move it (as with a clip region).
int IntersectClipRect(HDC hdc, int nLeftRect, int nTopRect, int nRightRect, int nBottomRect) {
    Guard g(Mutex());
    auto dc = LookupDC(hdc);
    if (!dc) return ERROR;
    RECT r = ToSurface(*dc, nLeftRect, nTopRect, nRightRect, nBottomRect);
    dc->appClip = Intersect(dc->appClip ? *dc->appClip : RectList{kEverything}, r);
    return RegionKind(dc->Clip());
}

int ExcludeClipRect(HDC hdc, int nLeftRect, int nTopRect, int nRightRect, int nBottomRect) {
    Guard g(Mutex());
    auto dc = LookupDC(hdc);
    if (!dc) return ERROR;
    RECT r = ToSurface(*dc, nLeftRect, nTopRect, nRightRect, nBottomRect);
    dc->appClip = Subtract(dc->appClip ? *dc->appClip : RectList{kEverything}, r);
    return RegionKind(dc->Clip());
}

// The smallest logical rectangle around everything drawing can touch.
int GetClipBox(HDC hdc, LPRECT lprc) {
    Guard g(Mutex());
    auto dc = LookupDC(hdc);
    if (!dc) return ERROR;
    if (!lprc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return ERROR;
    }
    RectList clip = dc->Clip();
    RECT box{0, 0, 0, 0};
    if (!clip.empty()) {
        box = RECT{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
        for (const RECT& r : clip) {
            box.left = std::min(box.left, r.left);
            box.top = std::min(box.top, r.top);
            box.right = std::max(box.right, r.right);
            box.bottom = std::max(box.bottom, r.bottom);
        }
        box.left = ClampCoord(box.left - dc->dx());
        box.right = ClampCoord(box.right - dc->dx());
        box.top = ClampCoord(box.top - dc->dy());
        box.bottom = ClampCoord(box.bottom - dc->dy());
    }
    *lprc = box;
    return RegionKind(clip);
}
