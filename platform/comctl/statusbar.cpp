// The "msctls_statusbar32" control: a strip along the bottom of its parent
// (the top with CCS_TOP) showing a text in each of its parts, or one text
// across the whole strip in simple mode (SB_SIMPLE).
//
// Parts are given by their right edges (SB_SETPARTS; -1 reaches the right
// end); a new bar has one part across the whole width. Each part's text is
// drawn in a sunken box (raised with SBT_POPOUT, no box with SBT_NOBORDERS);
// a tab starts the centred piece of the text and a second tab the piece
// pushed right (unless SBT_NOTABPARSING). The window text is part 0's text.
//
// Sizing: whenever the bar is sent WM_SIZE (a parent passes its own on), it
// takes the width of its parent's client area and the height of its font
// plus borders (at least SB_SETMINHEIGHT), at the bottom (CCS_TOP: the top);
// CCS_NOPARENTALIGN keeps its vertical position, CCS_NORESIZE keeps the
// window as the program placed it.
#include <algorithm>
#include <string>
#include <vector>

#include "ce_comctl.h"
#include "commctrl.h"

namespace {

constexpr int kDataSlot = 0;
constexpr int kMaxParts = 256;
constexpr int kBorder = 2;  // around the strip (horizontal) and between parts
constexpr int kTextPad = 3;

struct Part {
    std::u16string text;
    UINT type = 0;
    int right = -1;
};

struct StatusData {
    std::vector<Part> parts{Part{}};
    Part simplePart;
    bool simple = false;
    HFONT font = nullptr;
    int minHeight = 0;
};

StatusData* DataOf(HWND h) {
    return reinterpret_cast<StatusData*>(GetWindowLong(h, kDataSlot));
}

DWORD StyleOf(HWND h) {
    return static_cast<DWORD>(GetWindowLong(h, GWL_STYLE));
}

int Height(HWND h, const StatusData& d) {
    return std::max(d.minHeight, ce::comctl::FontHeight(h, d.font, 13) + 2 * kBorder + 2);
}

void Reposition(HWND h, const StatusData& d) {
    const DWORD style = StyleOf(h);
    HWND parent = GetParent(h);
    if ((style & CCS_NORESIZE) || !parent) return;
    RECT pc;
    GetClientRect(parent, &pc);
    const int height = Height(h, d);
    int y = (style & CCS_BOTTOM) == CCS_TOP ? 0 : pc.bottom - height;
    if (style & CCS_NOPARENTALIGN) {
        RECT now;
        GetWindowRect(h, &now);
        POINT at{now.left, now.top};
        ScreenToClient(parent, &at);
        y = at.y;
    }
    SetWindowPos(h, nullptr, 0, y, pc.right - pc.left, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

// Part i's rectangle in client coordinates (the whole strip in simple mode).
RECT PartRect(HWND h, const StatusData& d, size_t i) {
    RECT rc;
    GetClientRect(h, &rc);
    RECT r{rc.left, rc.top + kBorder, rc.right, rc.bottom};
    if (d.simple) return r;
    r.left = i == 0 ? 0 : std::max(0, d.parts[i - 1].right) + kBorder;
    r.right = d.parts[i].right < 0 ? rc.right : std::min<LONG>(rc.right, d.parts[i].right);
    r.right = std::max(r.left, r.right);
    return r;
}

void DrawPart(HDC dc, RECT r, const Part& p) {
    if (!(p.type & SBT_NOBORDERS)) {
        RECT e = r;
        DrawEdge(dc, &e, (p.type & SBT_POPOUT) ? BDR_RAISEDINNER : BDR_SUNKENOUTER, BF_RECT);
    }
    RECT t{r.left + kTextPad, r.top + 1, r.right - kTextPad, r.bottom - 1};
    if (t.right <= t.left || p.text.empty()) return;
    // Up to three pieces: left, centred and right, split at tabs.
    std::u16string_view rest(p.text);
    const UINT just[3] = {DT_LEFT, DT_CENTER, DT_RIGHT};
    for (int piece = 0; piece < 3 && !rest.empty(); ++piece) {
        size_t tab = (p.type & SBT_NOTABPARSING) || piece == 2 ? rest.npos : rest.find(u'\t');
        std::u16string_view s = rest.substr(0, tab);
        if (!s.empty())
            DrawText(dc, s.data(), static_cast<int>(s.size()), &t,
                     just[piece] | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
        if (tab == rest.npos) break;
        rest.remove_prefix(tab + 1);
    }
}

void Paint(HWND h, HDC dc, const StatusData& d) {
    RECT rc;
    GetClientRect(h, &rc);
    FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
    HGDIOBJ oldFont = d.font ? SelectObject(dc, d.font) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    if (d.simple) {
        DrawPart(dc, PartRect(h, d, 0), d.simplePart);
    } else {
        for (size_t i = 0; i < d.parts.size(); ++i) DrawPart(dc, PartRect(h, d, i), d.parts[i]);
    }
    if (oldFont) SelectObject(dc, oldFont);
}

// The part wParam's low byte names (SB_SIMPLEID: the simple-mode text).
Part* PartOf(StatusData& d, WPARAM wp) {
    const size_t i = wp & 0xFF;
    if (i == SB_SIMPLEID) return &d.simplePart;
    return i < d.parts.size() ? &d.parts[i] : nullptr;
}

LRESULT TextInfo(const Part& p) {
    return MAKELONG(static_cast<WORD>(std::min<size_t>(p.text.size(), 0xFFFF)), static_cast<WORD>(p.type));
}

LRESULT SetPartText(HWND h, StatusData& d, WPARAM wp, LPCWSTR text) {
    Part* p = PartOf(d, wp);
    if (!p) return FALSE;
    p->type = static_cast<UINT>(wp & 0xFF00);
    p->text = text && !(p->type & SBT_OWNERDRAW) ? std::u16string(text) : std::u16string();
    if (p == &d.parts[0]) DefWindowProc(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(p->text.c_str()));
    InvalidateRect(h, nullptr, FALSE);
    return TRUE;
}

LRESULT SetParts(HWND h, StatusData& d, WPARAM count, const int* rights) {
    if (count == 0 || count > kMaxParts || !rights) return FALSE;
    std::vector<Part> parts(count);
    for (size_t i = 0; i < count; ++i) {
        if (i < d.parts.size()) parts[i] = std::move(d.parts[i]);
        parts[i].right = rights[i];
    }
    d.parts = std::move(parts);
    InvalidateRect(h, nullptr, FALSE);
    return TRUE;
}

LRESULT OnNcCreate(HWND h, WPARAM wp, LPARAM lp) {
    SetWindowLong(h, kDataSlot, reinterpret_cast<LONG_PTR>(new StatusData));
    return DefWindowProc(h, WM_NCCREATE, wp, lp);
}

LRESULT OnNcDestroy(HWND h, StatusData* d) {
    SetWindowLong(h, kDataSlot, 0);
    delete d;
    return 0;
}

LRESULT OnCreate(HWND h, StatusData& d, const CREATESTRUCTW* cs) {
    if (cs && cs->lpszName) d.parts[0].text = cs->lpszName;
    Reposition(h, d);
    return 0;
}

// The parent's size (passed on) or our own: either way, fit the parent again.
LRESULT OnSize(HWND h, StatusData& d) {
    Reposition(h, d);
    InvalidateRect(h, nullptr, FALSE);
    return 0;
}

LRESULT OnSetFont(HWND h, StatusData& d, HFONT font, bool redraw) {
    d.font = font;
    Reposition(h, d);
    if (redraw) InvalidateRect(h, nullptr, FALSE);
    return 0;
}

LRESULT OnPaint(HWND h, StatusData& d) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    if (dc) Paint(h, dc, d);
    EndPaint(h, &ps);
    return 0;
}

// As on Win32 the buffer must hold the whole text (SB_GETTEXTLENGTH first).
LRESULT GetPartText(StatusData& d, WPARAM part, LPWSTR buf) {
    const Part* p = PartOf(d, part);
    if (!p) return 0;
    if (buf) {
        std::copy(p->text.begin(), p->text.end(), buf);
        buf[p->text.size()] = 0;
    }
    return TextInfo(*p);
}

LRESULT GetPartTextLength(StatusData& d, WPARAM part) {
    const Part* p = PartOf(d, part);
    return p ? TextInfo(*p) : 0;
}

LRESULT GetParts(const StatusData& d, WPARAM count, int* rights) {
    if (rights)
        for (size_t i = 0; i < d.parts.size() && i < count; ++i) rights[i] = d.parts[i].right;
    return static_cast<LRESULT>(d.parts.size());
}

LRESULT GetBorders(int* b) {
    if (!b) return FALSE;
    b[0] = 0;
    b[1] = kBorder;
    b[2] = kBorder;
    return TRUE;
}

LRESULT SetMinHeight(StatusData& d, WPARAM height) {
    d.minHeight = std::clamp(static_cast<int>(height), 0, 1000);
    return 0;
}

LRESULT SetSimple(HWND h, StatusData& d, bool simple) {
    if (d.simple != simple) {
        d.simple = simple;
        InvalidateRect(h, nullptr, FALSE);
    }
    return TRUE;
}

LRESULT GetRect(HWND h, StatusData& d, WPARAM part, RECT* r) {
    if (!r || (!d.simple && part >= d.parts.size())) return FALSE;
    *r = PartRect(h, d, d.simple ? 0 : part);
    return TRUE;
}

LRESULT CALLBACK StatusProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) return OnNcCreate(h, wp, lp);
    StatusData* d = DataOf(h);
    if (!d) return DefWindowProc(h, msg, wp, lp);
    switch (msg) {
        case WM_NCDESTROY:
            return OnNcDestroy(h, d);
        case WM_CREATE:
            return OnCreate(h, *d, reinterpret_cast<const CREATESTRUCTW*>(lp));
        case WM_SIZE:
            return OnSize(h, *d);
        case WM_SETFONT:
            return OnSetFont(h, *d, reinterpret_cast<HFONT>(wp), LOWORD(lp) != 0);
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(d->font);
        case WM_SETTEXT:
            return SetPartText(h, *d, 0, reinterpret_cast<LPCWSTR>(lp));
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT:
            return OnPaint(h, *d);
        case SB_SETTEXTW:
            return SetPartText(h, *d, wp, reinterpret_cast<LPCWSTR>(lp));
        case SB_GETTEXTW:
            return GetPartText(*d, wp, reinterpret_cast<LPWSTR>(lp));
        case SB_GETTEXTLENGTHW:
            return GetPartTextLength(*d, wp);
        case SB_SETPARTS:
            return SetParts(h, *d, wp, reinterpret_cast<const int*>(lp));
        case SB_GETPARTS:
            return GetParts(*d, wp, reinterpret_cast<int*>(lp));
        case SB_GETBORDERS:
            return GetBorders(reinterpret_cast<int*>(lp));
        case SB_SETMINHEIGHT:
            return SetMinHeight(*d, wp);
        case SB_SIMPLE:
            return SetSimple(h, *d, wp != 0);
        case SB_ISSIMPLE:
            return d->simple ? TRUE : FALSE;
        case SB_GETRECT:
            return GetRect(h, *d, wp, reinterpret_cast<RECT*>(lp));
        default:
            return DefWindowProc(h, msg, wp, lp);
    }
}

}  // namespace

namespace ce::comctl {

void RegisterStatusBarClass() {
    WNDCLASSW wc{};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = StatusProc;
    wc.cbWndExtra = 4;
    wc.lpszClassName = STATUSCLASSNAME;
    ce::user::RegisterBuiltinClass(wc);
}

}  // namespace ce::comctl

HWND CreateStatusWindow(LONG style, LPCWSTR lpszText, HWND hwndParent, UINT wID) {
    return CreateWindowEx(0, STATUSCLASSNAME, lpszText, static_cast<DWORD>(style), 0, 0, 0, 0, hwndParent,
                          reinterpret_cast<HMENU>(static_cast<UINT_PTR>(wID)), nullptr, nullptr);
}
