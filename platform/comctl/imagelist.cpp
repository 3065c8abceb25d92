// Image lists: a set of same-sized images, each with an optional mask, that
// the tree and list views (and programs) draw by index.
//
// Every image is kept as its own copy of pixels (0x00RRGGBB) and, for lists
// made with ILC_MASK, a mask (1 = transparent). Adding copies the caller's
// bitmaps at once, so the caller may delete them right after. The colour
// depth asked for (ILC_COLORxx) does not change what is stored: the pixels
// keep 8 bits a channel, as the drawing layer does.
//
// cInitial and cGrow only size the first and later allocations on the
// device; the list always grows by as much as an addition needs, also with
// cGrow 0 (the number of images is what was added, never the capacity).
//
// Drawing follows the documented rules: with ILD_TRANSPARENT, or with
// ILD_NORMAL while the background colour (rgbBk, or the list's own for
// CLR_DEFAULT) is CLR_NONE, the mask's transparent pixels leave the
// destination alone; with a background colour they take that colour. A list
// without a mask, or an image added without a mask bitmap, draws opaque.
// ILD_BLEND50 (ILD_SELECTED) and ILD_BLEND25 (ILD_FOCUS) mix the opaque
// pixels with the foreground colour (CLR_DEFAULT: the highlight colour)
// half and a quarter. ILD_MASK draws the mask itself (black opaque, white
// transparent).
#include <algorithm>
#include <mutex>
#include <unordered_set>
#include <vector>

#include "commctrl.h"
#include "gdi_internal.h"

struct _IMAGELIST {
    int cx = 0;
    int cy = 0;
    UINT flags = 0;
    COLORREF bk = CLR_NONE;
    struct Image {
        std::vector<uint32_t> pixels;  // cx * cy
        std::vector<uint8_t> mask;     // cx * cy, 1 = transparent; empty: opaque
    };
    std::vector<Image> images;
    bool HasMask() const { return (flags & ILC_MASK) != 0; }
};

namespace {

// Live lists, so that a stale or made-up handle is refused instead of used.
// Lock order: this lock, then the drawing layer's.
std::mutex& ListsMutex() {
    static std::mutex m;
    return m;
}
std::unordered_set<HIMAGELIST>& Lists() {
    static std::unordered_set<HIMAGELIST> lists;
    return lists;
}
using Lock = std::lock_guard<std::mutex>;

bool Valid(HIMAGELIST h) {
    if (h && Lists().count(h)) return true;
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
}

constexpr int kMaxSide = 4096;

// Splits the surface of a bitmap into images of the list's size: as many
// whole images as fit across. `maskSurface` (may be null) gives the mask,
// white = transparent; `maskColour` (when set) makes pixels of that colour
// transparent and black, as ImageList_AddMasked documents.
std::vector<_IMAGELIST::Image> Split(const _IMAGELIST& l, const ce::gdi::Surface& s,
                                     const ce::gdi::Surface* maskSurface, const uint32_t* maskColour) {
    std::vector<_IMAGELIST::Image> out;
    const int n = s.width() / l.cx;
    for (int k = 0; k < n; ++k) {
        _IMAGELIST::Image img;
        img.pixels.assign(static_cast<size_t>(l.cx) * l.cy, 0);
        const bool masked = l.HasMask() && (maskSurface || maskColour);
        if (masked) img.mask.assign(img.pixels.size(), 1);
        for (int y = 0; y < l.cy && y < s.height(); ++y) {
            const uint32_t* row = s.row(y) + static_cast<size_t>(k) * l.cx;
            for (int x = 0; x < l.cx; ++x) {
                const size_t i = static_cast<size_t>(y) * l.cx + x;
                uint32_t p = row[x] & 0xFFFFFFu;
                if (masked) {
                    bool clear = false;
                    if (maskColour) {
                        clear = p == *maskColour;
                    } else {
                        const int mx = k * l.cx + x;
                        clear = mx < maskSurface->width() && y < maskSurface->height() &&
                                (maskSurface->row(y)[mx] & 0xFFFFFFu) != 0;
                    }
                    img.mask[i] = clear ? 1 : 0;
                    if (clear && maskColour) p = 0;
                }
                img.pixels[i] = p;
            }
        }
        out.push_back(std::move(img));
    }
    return out;
}

int Append(_IMAGELIST& l, std::vector<_IMAGELIST::Image> images) {
    if (images.empty()) return -1;
    const int first = static_cast<int>(l.images.size());
    for (auto& img : images) l.images.push_back(std::move(img));
    return first;
}

int AddBitmap(HIMAGELIST himl, HBITMAP image, HBITMAP mask, const COLORREF* maskColour) {
    Lock lock(ListsMutex());
    if (!Valid(himl)) return -1;
    ce::gdi::Guard g(ce::gdi::Mutex());
    auto bmp = ce::gdi::LookupAs<ce::gdi::BitmapObject>(image);
    if (!bmp || !bmp->surface) {
        SetLastError(ERROR_INVALID_HANDLE);
        return -1;
    }
    std::shared_ptr<ce::gdi::BitmapObject> mbmp;
    if (mask && himl->HasMask()) {
        mbmp = ce::gdi::LookupAs<ce::gdi::BitmapObject>(mask);
        if (!mbmp || !mbmp->surface) {
            SetLastError(ERROR_INVALID_HANDLE);
            return -1;
        }
    }
    uint32_t key = 0;
    if (maskColour) key = ce::gdi::ToPixel(*maskColour & 0xFFFFFF);
    return Append(*himl,
                  Split(*himl, *bmp->surface, mbmp ? mbmp->surface.get() : nullptr, maskColour ? &key : nullptr));
}

uint32_t Mix(uint32_t a, uint32_t b, int partsB, int parts) {
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const uint32_t ca = (a >> shift) & 0xFF, cb = (b >> shift) & 0xFF;
        out |= ((ca * static_cast<uint32_t>(parts - partsB) + cb * static_cast<uint32_t>(partsB)) /
                static_cast<uint32_t>(parts))
               << shift;
    }
    return out;
}

}  // namespace

HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int cInitial, int cGrow) {
    if (cx <= 0 || cy <= 0 || cx > kMaxSide || cy > kMaxSide || cInitial < 0 || cGrow < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto* l = new _IMAGELIST;
    l->cx = cx;
    l->cy = cy;
    l->flags = flags;
    l->images.reserve(static_cast<size_t>(std::min(cInitial, 1024)));
    Lock lock(ListsMutex());
    Lists().insert(l);
    return l;
}

BOOL ImageList_Destroy(HIMAGELIST himl) {
    Lock lock(ListsMutex());
    if (!Valid(himl)) return FALSE;
    Lists().erase(himl);
    delete himl;
    return TRUE;
}

int ImageList_GetImageCount(HIMAGELIST himl) {
    Lock lock(ListsMutex());
    return Valid(himl) ? static_cast<int>(himl->images.size()) : 0;
}

BOOL ImageList_GetIconSize(HIMAGELIST himl, int* cx, int* cy) {
    Lock lock(ListsMutex());
    if (!Valid(himl) || !cx || !cy) return FALSE;
    *cx = himl->cx;
    *cy = himl->cy;
    return TRUE;
}

COLORREF ImageList_SetBkColor(HIMAGELIST himl, COLORREF clrBk) {
    Lock lock(ListsMutex());
    if (!Valid(himl)) return CLR_NONE;
    COLORREF old = himl->bk;
    himl->bk = clrBk;
    return old;
}

COLORREF ImageList_GetBkColor(HIMAGELIST himl) {
    Lock lock(ListsMutex());
    return Valid(himl) ? himl->bk : CLR_NONE;
}

// Returns the index of the first new image, or -1 (bad handle, or a bitmap
// narrower than one image).
int ImageList_Add(HIMAGELIST himl, HBITMAP hbmImage, HBITMAP hbmMask) {
    return AddBitmap(himl, hbmImage, hbmMask, nullptr);
}

int ImageList_AddMasked(HIMAGELIST himl, HBITMAP hbmImage, COLORREF crMask) {
    bool masked;
    {
        Lock lock(ListsMutex());
        masked = Valid(himl) && himl->HasMask();
    }
    // A list without a mask takes the bitmap as it is.
    return AddBitmap(himl, hbmImage, nullptr, masked ? &crMask : nullptr);
}

// -1 removes every image.
BOOL ImageList_Remove(HIMAGELIST himl, int i) {
    Lock lock(ListsMutex());
    if (!Valid(himl)) return FALSE;
    if (i == -1) {
        himl->images.clear();
        return TRUE;
    }
    if (i < 0 || i >= static_cast<int>(himl->images.size())) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    himl->images.erase(himl->images.begin() + i);
    return TRUE;
}

// Replaces image i with the icon (scaled to the list's size, nearest pixel),
// or adds it at the end when i is -1. Returns the image's index or -1.
int ImageList_ReplaceIcon(HIMAGELIST himl, int i, HICON hicon) {
    ICONINFO info{};
    if (!GetIconInfo(hicon, &info)) return -1;
    int result = -1;
    {
        Lock lock(ListsMutex());
        ce::gdi::Guard g(ce::gdi::Mutex());
        auto mask = ce::gdi::LookupAs<ce::gdi::BitmapObject>(info.hbmMask);
        auto colour = info.hbmColor ? ce::gdi::LookupAs<ce::gdi::BitmapObject>(info.hbmColor) : nullptr;
        if (Valid(himl) && mask && (i == -1 || (i >= 0 && i < static_cast<int>(himl->images.size())))) {
            const ce::gdi::Surface& m = *mask->surface;
            const int iw = m.width(), ih = colour ? m.height() : m.height() / 2;
            _IMAGELIST::Image img;
            img.pixels.assign(static_cast<size_t>(himl->cx) * himl->cy, 0);
            if (himl->HasMask()) img.mask.assign(img.pixels.size(), 0);
            for (int y = 0; y < himl->cy && iw > 0 && ih > 0; ++y) {
                const int sy = y * ih / himl->cy;
                for (int x = 0; x < himl->cx; ++x) {
                    const int sx = x * iw / himl->cx;
                    const bool clear = (m.row(sy)[sx] & 0xFFFFFFu) != 0;
                    const uint32_t p = colour ? colour->surface->row(sy)[sx] : m.row(sy + ih)[sx];
                    const size_t k = static_cast<size_t>(y) * himl->cx + x;
                    img.pixels[k] = p & 0xFFFFFFu;
                    if (!img.mask.empty()) img.mask[k] = clear ? 1 : 0;
                }
            }
            if (i == -1) {
                himl->images.push_back(std::move(img));
                result = static_cast<int>(himl->images.size()) - 1;
            } else {
                himl->images[static_cast<size_t>(i)] = std::move(img);
                result = i;
            }
        } else if (Valid(himl)) {
            SetLastError(ERROR_INVALID_PARAMETER);
        }
    }
    DeleteObject(info.hbmMask);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    return result;
}

BOOL ImageList_Draw(HIMAGELIST himl, int i, HDC hdcDst, int x, int y, UINT fStyle) {
    return ImageList_DrawEx(himl, i, hdcDst, x, y, 0, 0, CLR_DEFAULT, CLR_DEFAULT, fStyle);
}

// dx/dy of 0 draw the whole image; smaller sizes draw its top-left part.
BOOL ImageList_DrawEx(HIMAGELIST himl, int i, HDC hdcDst, int x, int y, int dx, int dy, COLORREF rgbBk, COLORREF rgbFg,
                      UINT fStyle) {
    const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
    Lock lock(ListsMutex());
    if (!Valid(himl)) return FALSE;
    if (i < 0 || i >= static_cast<int>(himl->images.size()) || dx < 0 || dy < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const _IMAGELIST::Image& img = himl->images[static_cast<size_t>(i)];
    const int w = dx ? std::min(dx, himl->cx) : himl->cx;
    const int h = dy ? std::min(dy, himl->cy) : himl->cy;

    if (rgbBk == CLR_DEFAULT) rgbBk = himl->bk;
    const bool transparent = (fStyle & ILD_TRANSPARENT) || rgbBk == CLR_NONE;
    int blendParts = 0;  // quarters of the foreground colour mixed in
    if (fStyle & ILD_BLEND50)
        blendParts = 2;
    else if (fStyle & ILD_BLEND25)
        blendParts = 1;
    if (rgbFg == CLR_NONE) blendParts = 0;
    const uint32_t fg = ce::gdi::ToPixel(rgbFg == CLR_DEFAULT ? highlight : (rgbFg & 0xFFFFFF));
    const uint32_t bk = transparent ? 0 : ce::gdi::ToPixel(rgbBk & 0xFFFFFF);

    ce::gdi::Guard g(ce::gdi::Mutex());
    auto dc = ce::gdi::LookupDC(hdcDst);
    if (!dc) return FALSE;
    const RECT area{dc->SurfaceX(x), dc->SurfaceY(y), dc->SurfaceX(int64_t{x} + w), dc->SurfaceY(int64_t{y} + h)};
    const int64_t ox = int64_t{x} + dc->dx(), oy = int64_t{y} + dc->dy();
    const bool mono = dc->surface->mono();
    for (const RECT& c : ce::gdi::Intersect(dc->Clip(), area)) {
        for (LONG py = c.top; py < c.bottom; ++py) {
            const size_t rowStart = static_cast<size_t>(py - oy) * himl->cx;
            uint32_t* row = dc->surface->row(py);
            for (LONG px = c.left; px < c.right; ++px) {
                const size_t k = rowStart + static_cast<size_t>(px - ox);
                const bool clear = !img.mask.empty() && img.mask[k];
                uint32_t p;
                if (fStyle & ILD_MASK) {
                    p = clear ? 0xFFFFFFu : 0u;
                } else if (clear) {
                    if (transparent) continue;
                    p = bk;
                } else {
                    p = img.pixels[k];
                    if (blendParts) p = Mix(p, fg, blendParts, 4);
                }
                row[px] = mono ? ce::gdi::ToMonoPixel(ce::gdi::ToColorRef(p)) : p;
            }
        }
    }
    dc->surface->Touch();
    return TRUE;
}
