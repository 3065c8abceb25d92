// The "SysHeader32" control: a strip of column titles across the top of a
// report list.
//
// Each item has a text, a width, a format (justification) and a tag; items
// lie side by side from the left edge and are drawn as raised buttons with
// their text cut to the item's width ("..." at the end). The space right of
// the last item is an empty button face.
//
// Touch: with HDS_BUTTONS a tap on an item presses it while the stylus is
// down and sends HDN_ITEMCLICK when it comes up over the same item. A press
// within a few pixels of an item's right edge grabs the divider instead;
// dragging it changes the item's width, and the parent hears
// HDN_ITEMCHANGED for every new width.
//
// An item with HDF_SORTUP or HDF_SORTDOWN shows a small arrow at its right.
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "ce_comctl.h"
#include "commctrl.h"

namespace {

constexpr int kDataSlot = 0;
constexpr int kTextPad = 4;      // between a button's edge and its text
constexpr int kDividerGrab = 3;  // either side of a divider
constexpr int kArrowWidth = 8;   // HDF_SORTUP / HDF_SORTDOWN

struct HdItem {
    std::u16string text;
    int cx = 0;
    int fmt = HDF_LEFT | HDF_STRING;
    LPARAM lParam = 0;
    int image = -1;
};

struct HeaderData {
    std::vector<HdItem> items;
    HFONT font = nullptr;
    int pressed = -1;     // the item held down by the stylus
    bool inside = false;  // the stylus is still over it
    int dragging = -1;    // the item whose divider is being dragged
    int dragLeft = 0;     // its left edge
};

HeaderData* DataOf(HWND h) {
    return reinterpret_cast<HeaderData*>(GetWindowLong(h, kDataSlot));
}

bool Valid(const HeaderData& d, WPARAM i) {
    return static_cast<size_t>(i) < d.items.size();
}

int Height(HWND h, const HeaderData& d) {
    if (GetWindowLong(h, GWL_STYLE) & HDS_HIDDEN) return 0;
    return ce::comctl::FontHeight(h, d.font, 13) + 6;
}

RECT ItemRect(HWND h, const HeaderData& d, size_t i) {
    RECT rc;
    GetClientRect(h, &rc);
    int left = 0;
    for (size_t k = 0; k < i; ++k) left += d.items[k].cx;
    return {left, 0, left + d.items[i].cx, rc.bottom};
}

// The item at x (client coordinates) and whether x is on its right divider.
int HitTest(HWND h, const HeaderData& d, POINT p, UINT* flags) {
    RECT rc;
    GetClientRect(h, &rc);
    if (!PtInRect(&rc, p)) {
        if (flags) *flags = HHT_NOWHERE;
        return -1;
    }
    int left = 0;
    for (size_t i = 0; i < d.items.size(); ++i) {
        int right = left + d.items[i].cx;
        bool nextStarts = i + 1 < d.items.size();
        if (std::abs(p.x - right) <= kDividerGrab && (p.x < right || !nextStarts || d.items[i + 1].cx > kDividerGrab)) {
            if (flags) *flags = HHT_ONDIVIDER;
            return static_cast<int>(i);
        }
        if (p.x >= left && p.x < right) {
            if (flags) *flags = HHT_ONHEADER;
            return static_cast<int>(i);
        }
        left = right;
    }
    if (flags) *flags = HHT_NOWHERE;
    return -1;
}

void Notify(HWND h, UINT code, int item, HDITEMW* pitem = nullptr) {
    HWND parent = GetParent(h);
    if (!parent) return;
    NMHEADERW nm{};
    nm.hdr.hwndFrom = h;
    nm.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(h));
    nm.hdr.code = code;
    nm.iItem = item;
    nm.pitem = pitem;
    SendMessage(parent, WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm));
}

// ---- Painting -----------------------------------------------------------------------------

void Paint(HWND h, HDC dc, const HeaderData& d) {
    RECT rc;
    GetClientRect(h, &rc);
    HGDIOBJ oldFont = d.font ? SelectObject(dc, d.font) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
    int left = 0;
    for (size_t i = 0; i < d.items.size() && left < rc.right; ++i) {
        const HdItem& it = d.items[i];
        RECT r{left, rc.top, left + it.cx, rc.bottom};
        left = r.right;
        if (it.cx <= 0) continue;
        bool down = d.pressed == static_cast<int>(i) && d.inside;
        FillRect(dc, &r, face);
        RECT e = r;
        DrawEdge(dc, &e, down ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
        RECT t{r.left + kTextPad, r.top + 1, r.right - kTextPad, r.bottom - 1};
        if (down) OffsetRect(&t, 1, 1);
        if ((it.fmt & (HDF_SORTUP | HDF_SORTDOWN)) && t.right - t.left > 2 * kArrowWidth) {
            // The sort arrow at the right: a small triangle pointing up or down.
            t.right -= kArrowWidth + kTextPad;
            const int x0 = t.right + kTextPad, y0 = (t.top + t.bottom) / 2 - kArrowWidth / 4;
            const bool up = it.fmt & HDF_SORTUP;
            HBRUSH ink = GetSysColorBrush(COLOR_BTNSHADOW);
            for (int row = 0; row < kArrowWidth / 2; ++row) {
                const int inset = up ? kArrowWidth / 2 - 1 - row : row;
                RECT line{x0 + inset, y0 + row, x0 + kArrowWidth - inset, y0 + row + 1};
                FillRect(dc, &line, ink);
            }
        }
        if (t.right <= t.left || it.text.empty()) continue;
        UINT just = (it.fmt & HDF_JUSTIFYMASK) == HDF_RIGHT    ? DT_RIGHT
                    : (it.fmt & HDF_JUSTIFYMASK) == HDF_CENTER ? DT_CENTER
                                                               : DT_LEFT;
        DrawText(dc, it.text.c_str(), static_cast<int>(it.text.size()), &t,
                 just | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
    if (left < rc.right) {
        RECT rest{left, rc.top, rc.right, rc.bottom};
        FillRect(dc, &rest, face);
        DrawEdge(dc, &rest, EDGE_RAISED, BF_RECT);
    }
    if (oldFont) SelectObject(dc, oldFont);
}

// ---- Items --------------------------------------------------------------------------------

void Apply(HdItem& it, const HDITEMW& src) {
    if (src.mask & HDI_WIDTH) it.cx = std::max(0, src.cxy);
    if (src.mask & HDI_TEXT)
        it.text = src.pszText && src.pszText != LPSTR_TEXTCALLBACKW ? std::u16string(src.pszText) : std::u16string();
    if (src.mask & HDI_FORMAT) it.fmt = src.fmt;
    if (src.mask & HDI_LPARAM) it.lParam = src.lParam;
    if (src.mask & HDI_IMAGE) it.image = src.iImage;
}

LRESULT Insert(HWND h, HeaderData& d, WPARAM at, const HDITEMW* src) {
    if (!src || static_cast<int>(at) < 0) return -1;
    size_t pos = std::min(static_cast<size_t>(at), d.items.size());
    HdItem it;
    Apply(it, *src);
    d.items.insert(d.items.begin() + static_cast<ptrdiff_t>(pos), std::move(it));
    if (d.pressed >= static_cast<int>(pos)) ++d.pressed;
    InvalidateRect(h, nullptr, FALSE);
    return static_cast<LRESULT>(pos);
}

LRESULT Get(const HeaderData& d, WPARAM i, HDITEMW* dst) {
    if (!dst || !Valid(d, i)) return FALSE;
    const HdItem& it = d.items[i];
    if (dst->mask & HDI_WIDTH) dst->cxy = it.cx;
    if ((dst->mask & HDI_TEXT) && dst->pszText && dst->cchTextMax > 0) {
        size_t n = std::min(it.text.size(), static_cast<size_t>(dst->cchTextMax - 1));
        std::copy_n(it.text.data(), n, dst->pszText);
        dst->pszText[n] = 0;
    }
    if (dst->mask & HDI_FORMAT) dst->fmt = it.fmt;
    if (dst->mask & HDI_LPARAM) dst->lParam = it.lParam;
    if (dst->mask & HDI_IMAGE) dst->iImage = it.image;
    if (dst->mask & HDI_ORDER) dst->iOrder = static_cast<int>(i);
    return TRUE;
}

void EndTracking(HWND h, HeaderData& d) {
    d.pressed = -1;
    d.inside = false;
    d.dragging = -1;
    if (GetCapture() == h) ReleaseCapture();
    InvalidateRect(h, nullptr, FALSE);
}

LRESULT OnNcCreate(HWND h, WPARAM wp, LPARAM lp) {
    SetWindowLong(h, kDataSlot, reinterpret_cast<LONG_PTR>(new HeaderData));
    return DefWindowProc(h, WM_NCCREATE, wp, lp);
}

LRESULT OnNcDestroy(HWND h, HeaderData* d) {
    SetWindowLong(h, kDataSlot, 0);
    delete d;
    return 0;
}

LRESULT OnSetFont(HWND h, HeaderData& d, HFONT font, bool redraw) {
    d.font = font;
    if (redraw) InvalidateRect(h, nullptr, FALSE);
    return 0;
}

LRESULT OnPaint(HWND h, const HeaderData& d) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    if (dc) Paint(h, dc, d);
    EndPaint(h, &ps);
    return 0;
}

// A press on a divider grabs it; one on an item (HDS_BUTTONS) pushes it.
LRESULT OnButtonDown(HWND h, HeaderData& d, POINT pt) {
    UINT flags = 0;
    int i = HitTest(h, d, pt, &flags);
    if (i < 0) return 0;
    if (flags == HHT_ONDIVIDER) {
        d.dragging = i;
        d.dragLeft = ItemRect(h, d, static_cast<size_t>(i)).left;
    } else if (GetWindowLong(h, GWL_STYLE) & HDS_BUTTONS) {
        d.pressed = i;
        d.inside = true;
        InvalidateRect(h, nullptr, FALSE);
    } else {
        return 0;
    }
    SetCapture(h);
    return 0;
}

LRESULT OnMouseMove(HWND h, HeaderData& d, POINT pt) {
    if (d.dragging >= 0 && Valid(d, static_cast<WPARAM>(d.dragging))) {
        int cx = std::max(0, static_cast<int>(pt.x) - d.dragLeft);
        HdItem& it = d.items[static_cast<size_t>(d.dragging)];
        if (cx != it.cx) {
            it.cx = cx;
            InvalidateRect(h, nullptr, FALSE);
            HDITEMW change{};
            change.mask = HDI_WIDTH;
            change.cxy = cx;
            Notify(h, HDN_ITEMCHANGEDW, d.dragging, &change);
        }
    } else if (d.pressed >= 0) {
        bool inside = HitTest(h, d, pt, nullptr) == d.pressed;
        if (inside != d.inside) {
            d.inside = inside;
            InvalidateRect(h, nullptr, FALSE);
        }
    }
    return 0;
}

LRESULT OnButtonUp(HWND h, HeaderData& d, POINT pt) {
    int clicked = d.pressed >= 0 && HitTest(h, d, pt, nullptr) == d.pressed ? d.pressed : -1;
    EndTracking(h, d);
    if (clicked >= 0) Notify(h, HDN_ITEMCLICKW, clicked);
    return 0;
}

LRESULT OnCaptureChanged(HWND h, HeaderData& d) {
    if (d.pressed >= 0 || d.dragging >= 0) {
        d.pressed = d.dragging = -1;
        d.inside = false;
        InvalidateRect(h, nullptr, FALSE);
    }
    return 0;
}

LRESULT DeleteItem(HWND h, HeaderData& d, WPARAM i) {
    if (!Valid(d, i)) return FALSE;
    if (d.pressed >= 0 || d.dragging >= 0) EndTracking(h, d);
    d.items.erase(d.items.begin() + static_cast<ptrdiff_t>(i));
    InvalidateRect(h, nullptr, FALSE);
    return TRUE;
}

LRESULT SetItem(HWND h, HeaderData& d, WPARAM i, const HDITEMW* src) {
    if (!src || !Valid(d, i)) return FALSE;
    Apply(d.items[i], *src);
    InvalidateRect(h, nullptr, FALSE);
    return TRUE;
}

LRESULT GetItemRect(HWND h, const HeaderData& d, WPARAM i, RECT* r) {
    if (!r || !Valid(d, i)) return FALSE;
    *r = ItemRect(h, d, i);
    return TRUE;
}

LRESULT HitTestMessage(HWND h, const HeaderData& d, HDHITTESTINFO* info) {
    if (!info) return -1;
    info->iItem = HitTest(h, d, info->pt, &info->flags);
    return info->iItem;
}

LRESULT Layout(HWND h, const HeaderData& d, HDLAYOUT* layout) {
    if (!layout || !layout->prc || !layout->pwpos) return FALSE;
    int height = Height(h, d);
    RECT& r = *layout->prc;
    *layout->pwpos = WINDOWPOS{h, nullptr, r.left, r.top, r.right - r.left, height, SWP_NOZORDER | SWP_NOACTIVATE};
    r.top += height;
    return TRUE;
}

LRESULT CALLBACK HeaderProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) return OnNcCreate(h, wp, lp);
    HeaderData* d = DataOf(h);
    if (!d) return DefWindowProc(h, msg, wp, lp);
    POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    switch (msg) {
        case WM_NCDESTROY:
            return OnNcDestroy(h, d);
        case WM_SETFONT:
            return OnSetFont(h, *d, reinterpret_cast<HFONT>(wp), LOWORD(lp) != 0);
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(d->font);
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT:
            return OnPaint(h, *d);
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            return OnButtonDown(h, *d, pt);
        case WM_MOUSEMOVE:
            return OnMouseMove(h, *d, pt);
        case WM_LBUTTONUP:
            return OnButtonUp(h, *d, pt);
        case WM_CAPTURECHANGED:
            return OnCaptureChanged(h, *d);
        case HDM_GETITEMCOUNT:
            return static_cast<LRESULT>(d->items.size());
        case HDM_INSERTITEMW:
            return Insert(h, *d, wp, reinterpret_cast<const HDITEMW*>(lp));
        case HDM_DELETEITEM:
            return DeleteItem(h, *d, wp);
        case HDM_GETITEMW:
            return Get(*d, wp, reinterpret_cast<HDITEMW*>(lp));
        case HDM_SETITEMW:
            return SetItem(h, *d, wp, reinterpret_cast<const HDITEMW*>(lp));
        case HDM_GETITEMRECT:
            return GetItemRect(h, *d, wp, reinterpret_cast<RECT*>(lp));
        case HDM_HITTEST:
            return HitTestMessage(h, *d, reinterpret_cast<HDHITTESTINFO*>(lp));
        case HDM_LAYOUT:
            return Layout(h, *d, reinterpret_cast<HDLAYOUT*>(lp));
        default:
            return DefWindowProc(h, msg, wp, lp);
    }
}

}  // namespace

namespace ce::comctl {

void RegisterHeaderClass() {
    WNDCLASSW wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = HeaderProc;
    wc.cbWndExtra = 4;
    wc.lpszClassName = WC_HEADERW;
    ce::user::RegisterBuiltinClass(wc);
}

}  // namespace ce::comctl
