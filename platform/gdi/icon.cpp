// Icons: a colour image and an AND mask, drawn the documented way: the
// destination is ANDed with the mask, then XORed with the colour image. A
// white mask pixel with a black image pixel leaves the destination as it
// is; a black mask pixel shows the image.
//
// Icons are not drawing objects (DeleteObject and SelectObject refuse them)
// and have a table of their own. Handle values are ((generation << 16) |
// (slot + 1)) << 2 | 1, apart from drawing handles (low bits 2) and kernel
// handles (low bits 0). The table is guarded by the drawing layer's lock.
#include "gdi_internal.h"

namespace ce::gdi {
namespace {

struct IconObject {
    bool isIcon = true;
    DWORD hotX = 0, hotY = 0;
    Surface mask{1, 1, true};
    std::optional<Surface> color;  // none: a monochrome icon, mask is AND over XOR
    int width() const { return mask.width(); }
    int height() const { return color ? mask.height() : mask.height() / 2; }
};

struct IconSlot {
    std::unique_ptr<IconObject> icon;
    uint32_t generation = 1;
};
std::vector<IconSlot> g_icons;
std::vector<uint32_t> g_freeIcons;
constexpr uintptr_t kIconIndexBits = 16;

HICON AllocIcon(std::unique_ptr<IconObject> icon) {
    uint32_t index;
    if (!g_freeIcons.empty()) {
        index = g_freeIcons.back();
        g_freeIcons.pop_back();
    } else {
        if (g_icons.size() >= (size_t{1} << kIconIndexBits) - 1) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
        index = static_cast<uint32_t>(g_icons.size());
        g_icons.emplace_back();
    }
    IconSlot& slot = g_icons[index];
    slot.icon = std::move(icon);
    const uintptr_t v = ((uintptr_t{slot.generation} << kIconIndexBits) | (index + 1)) << 2 | 1;
    return reinterpret_cast<HICON>(v);
}

// The icon of a handle, or null with ERROR_INVALID_ICON_HANDLE.
IconObject* LookupIcon(HICON h, uint32_t* slotIndex = nullptr) {
    const uintptr_t v = reinterpret_cast<uintptr_t>(h);
    if ((v & 3) == 1) {
        const uintptr_t idx = (v >> 2) & ((uintptr_t{1} << kIconIndexBits) - 1);
        const uintptr_t generation = v >> (2 + kIconIndexBits);
        if (idx > 0 && idx <= g_icons.size()) {
            IconSlot& slot = g_icons[idx - 1];
            if (slot.icon && slot.generation == generation) {
                if (slotIndex) *slotIndex = static_cast<uint32_t>(idx - 1);
                return slot.icon.get();
            }
        }
    }
    SetLastError(ERROR_INVALID_ICON_HANDLE);
    return nullptr;
}

HBITMAP CopyToBitmap(const Surface& s) {
    HBITMAP h = MakeBitmap(s.width(), s.height(), s.mono());
    if (h) *LookupAs<BitmapObject>(h)->surface = s;
    return h;
}

}  // namespace
}  // namespace ce::gdi

using namespace ce::gdi;

// The bitmaps are copied; the caller still owns (and deletes) its own. The
// mask is required; without a colour bitmap the mask holds the AND mask
// over the XOR image and must be of even height.
HICON CreateIconIndirect(PICONINFO piconinfo) {
    Guard g(Mutex());
    if (!piconinfo) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto mask = LookupAs<BitmapObject>(piconinfo->hbmMask);
    std::shared_ptr<BitmapObject> color;
    if (piconinfo->hbmColor) color = LookupAs<BitmapObject>(piconinfo->hbmColor);
    if (!mask || (piconinfo->hbmColor && !color)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    const Surface& m = *mask->surface;
    if (color ? (color->surface->width() != m.width() || color->surface->height() != m.height())
              : (m.height() % 2 != 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto icon = std::make_unique<IconObject>();
    icon->isIcon = piconinfo->fIcon != FALSE;
    icon->hotX = piconinfo->xHotspot;
    icon->hotY = piconinfo->yHotspot;
    icon->mask = m;
    if (color) icon->color = *color->surface;
    return AllocIcon(std::move(icon));
}

BOOL DestroyIcon(HICON hIcon) {
    Guard g(Mutex());
    uint32_t index;
    if (!LookupIcon(hIcon, &index)) return FALSE;
    IconSlot& slot = g_icons[index];
    slot.icon.reset();
    ++slot.generation;
    g_freeIcons.push_back(index);
    return TRUE;
}

// Hands out new copies of the bitmaps, which the caller deletes.
BOOL GetIconInfo(HICON hIcon, PICONINFO piconinfo) {
    Guard g(Mutex());
    IconObject* icon = LookupIcon(hIcon);
    if (!icon) return FALSE;
    if (!piconinfo) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    HBITMAP mask = CopyToBitmap(icon->mask);
    HBITMAP color = icon->color ? CopyToBitmap(*icon->color) : nullptr;
    if (!mask || (icon->color && !color)) {
        if (mask) FreeObject(mask);
        if (color) FreeObject(color);
        return FALSE;
    }
    piconinfo->fIcon = icon->isIcon;
    piconinfo->xHotspot = icon->hotX;
    piconinfo->yHotspot = icon->hotY;
    piconinfo->hbmMask = mask;
    piconinfo->hbmColor = color;
    return TRUE;
}

// Draws at the icon's own size.
BOOL DrawIcon(HDC hDC, int X, int Y, HICON hIcon) {
    return DrawIconEx(hDC, X, Y, hIcon, 0, 0, 0, nullptr, DI_NORMAL);
}

// A width or height of 0 means the icon's own; other sizes stretch it
// (nearest pixel). DI_NORMAL draws mask then image; DI_MASK or DI_IMAGE
// alone copy that one picture. With hbrFlickerFreeDraw, the icon's
// rectangle is painted with the brush first, so transparent parts show it.
BOOL DrawIconEx(HDC hdc, int xLeft, int yTop, HICON hIcon, int cxWidth, int cyWidth, UINT istepIfAniCur,
                HBRUSH hbrFlickerFreeDraw, UINT diFlags) {
    Guard g(Mutex());
    auto dc = LookupDC(hdc);
    if (!dc) return FALSE;
    IconObject* icon = LookupIcon(hIcon);
    if (!icon) return FALSE;
    std::shared_ptr<BrushObject> brush;
    if (hbrFlickerFreeDraw) {
        brush = ResolveBrush(hbrFlickerFreeDraw);
        if (!brush) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
    }
    if (cxWidth < 0 || cyWidth < 0 || !(diFlags & DI_NORMAL)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const int iw = icon->width(), ih = icon->height();
    const int w = cxWidth ? cxWidth : iw, h = cyWidth ? cyWidth : ih;
    if (w == 0 || h == 0 || iw == 0 || ih == 0) return TRUE;
    const RECT area{dc->SurfaceX(xLeft), dc->SurfaceY(yTop), dc->SurfaceX(int64_t{xLeft} + w),
                    dc->SurfaceY(int64_t{yTop} + h)};
    if (brush && !brush->hollow) FillSurfaceRect(*dc, area, dc->Pixel(brush->color), R2_COPYPEN);
    const int64_t ox = int64_t{xLeft} + dc->dx(), oy = int64_t{yTop} + dc->dy();
    const bool mono = dc->surface->mono();
    for (const RECT& c : Intersect(dc->Clip(), area)) {
        for (LONG y = c.top; y < c.bottom; ++y) {
            const int sy = static_cast<int>((y - oy) * ih / h);
            const uint32_t* m = icon->mask.row(sy);
            const uint32_t* im = icon->color ? icon->color->row(sy) : icon->mask.row(sy + ih);
            uint32_t* row = dc->surface->row(y);
            for (LONG x = c.left; x < c.right; ++x) {
                const int sx = static_cast<int>((x - ox) * iw / w);
                uint32_t p = row[x];
                if ((diFlags & DI_NORMAL) == DI_NORMAL)
                    p = (p & m[sx]) ^ im[sx];
                else
                    p = (diFlags & DI_MASK) ? m[sx] : im[sx];
                p &= 0xFFFFFFu;
                row[x] = mono ? ToMonoPixel(ToColorRef(p)) : p;
            }
        }
    }
    dc->surface->Touch();
    return TRUE;
}
