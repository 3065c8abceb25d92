// The "Static" control: text labels (left, centred, right; word-wrapped with
// "\n" breaks), icons, filled and framed rectangles, owner-drawn labels.
//
// Painting: WM_ERASEBKGND comes first (BeginPaint sends it, so a subclass
// can paint its own background); then the parent answers WM_CTLCOLORSTATIC,
// whose brush fills the background (a hollow brush leaves what is there)
// and whose colours and mode on the DC the text is drawn in. Disabled text
// is grey.
//
// A label is transparent to the stylus (WM_NCHITTEST answers HTTRANSPARENT:
// a tap goes to the window below); with SS_NOTIFY it takes taps and tells
// its parent STN_CLICKED.
#include <algorithm>
#include <string>

#include "ce_comctl.h"

namespace {

struct StaticData {
    HFONT font = nullptr;
    HICON icon = nullptr;
};

constexpr int kDataSlot = 0;

StaticData* DataOf(HWND h) {
    return reinterpret_cast<StaticData*>(GetWindowLong(h, kDataSlot));
}

bool Hollow(HBRUSH b) {
    if (!b || b == GetStockObject(NULL_BRUSH)) return true;
    LOGBRUSH lb{};
    return GetObject(b, sizeof lb, &lb) == sizeof lb && lb.lbStyle == BS_NULL;
}

void Paint(HWND h, HDC dc, const StaticData& d) {
    RECT rc;
    GetClientRect(h, &rc);
    DWORD style = static_cast<DWORD>(GetWindowLong(h, GWL_STYLE));
    UINT type = style & SS_TYPEMASK;
    HWND parent = GetParent(h);

    if (type == SS_OWNERDRAW) {
        DRAWITEMSTRUCT dis{};
        dis.CtlType = ODT_STATIC;
        dis.CtlID = static_cast<UINT>(GetDlgCtrlID(h));
        dis.itemAction = ODA_DRAWENTIRE;
        dis.itemState = IsWindowEnabled(h) ? 0 : ODS_DISABLED;
        dis.hwndItem = h;
        dis.hDC = dc;
        dis.rcItem = rc;
        if (parent) SendMessage(parent, WM_DRAWITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis));
        return;
    }
    // Rectangles and frames in the window colours.
    int color = -1;
    bool frame = false;
    switch (type) {
        case SS_BLACKRECT:
            color = COLOR_WINDOWFRAME;
            break;
        case SS_GRAYRECT:
            color = COLOR_BTNSHADOW;
            break;
        case SS_WHITERECT:
            color = COLOR_WINDOW;
            break;
        case SS_BLACKFRAME:
            color = COLOR_WINDOWFRAME, frame = true;
            break;
        case SS_GRAYFRAME:
            color = COLOR_BTNSHADOW, frame = true;
            break;
        case SS_WHITEFRAME:
            color = COLOR_WINDOW, frame = true;
            break;
        default:
            break;
    }
    if (color >= 0) {
        if (frame)
            FrameRect(dc, &rc, GetSysColorBrush(color));
        else
            FillRect(dc, &rc, GetSysColorBrush(color));
        return;
    }

    auto brush = parent ? reinterpret_cast<HBRUSH>(SendMessage(parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                                               reinterpret_cast<LPARAM>(h)))
                        : nullptr;
    if (!parent) {
        SetTextColor(dc, GetSysColor(COLOR_STATICTEXT));
        SetBkColor(dc, GetSysColor(COLOR_STATIC));
        brush = GetSysColorBrush(COLOR_STATIC);
    }
    if (!Hollow(brush)) FillRect(dc, &rc, brush);

    if (type == SS_ICON) {
        if (!d.icon) return;
        int x = 0, y = 0;
        if (style & SS_CENTERIMAGE) {
            ICONINFO ii{};
            BITMAP bm{};
            if (GetIconInfo(d.icon, &ii)) {
                HBITMAP b = ii.hbmColor ? ii.hbmColor : ii.hbmMask;
                if (b && GetObject(b, sizeof bm, &bm)) {
                    x = (rc.right - bm.bmWidth) / 2;
                    y = (rc.bottom - (ii.hbmColor ? bm.bmHeight : bm.bmHeight / 2)) / 2;
                }
                if (ii.hbmColor) DeleteObject(ii.hbmColor);
                if (ii.hbmMask) DeleteObject(ii.hbmMask);
            }
        }
        DrawIcon(dc, x, y, d.icon);
        return;
    }

    std::u16string text(static_cast<size_t>(std::max(0, GetWindowTextLength(h))) + 1, u'\0');
    int n = GetWindowText(h, text.data(), static_cast<int>(text.size()));
    if (n <= 0) return;
    UINT format = DT_EXPANDTABS;
    if (type == SS_CENTER)
        format |= DT_CENTER | DT_WORDBREAK;
    else if (type == SS_RIGHT)
        format |= DT_RIGHT | DT_WORDBREAK;
    else if (type == SS_LEFTNOWORDWRAP)
        format |= DT_LEFT;
    else
        format |= DT_LEFT | DT_WORDBREAK;
    if (style & SS_NOPREFIX) format |= DT_NOPREFIX;
    if (!IsWindowEnabled(h)) SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    HGDIOBJ oldFont = d.font ? SelectObject(dc, d.font) : nullptr;
    if (style & SS_CENTERIMAGE) {
        // One line, centred vertically.
        format = (format & ~DT_WORDBREAK) | DT_SINGLELINE | DT_VCENTER;
    }
    DrawText(dc, text.c_str(), n, &rc, format);
    if (oldFont) SelectObject(dc, oldFont);
}

HICON SetIcon(HWND h, StaticData& d, HICON icon) {
    HICON old = d.icon;
    d.icon = icon;
    InvalidateRect(h, nullptr, TRUE);
    return old;
}

// An icon's resource id as the name ({ 0xFFFF, id }) is not text. An icon
// label loads its icon from the creating module by that id, or by the name
// in its text (how dialog templates name icons).
LRESULT OnNcCreate(HWND h, WPARAM wp, LPARAM lp) {
    auto* d = new StaticData;
    SetWindowLong(h, kDataSlot, reinterpret_cast<LONG_PTR>(d));
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
    const bool ordinal = cs && cs->lpszName && !IS_INTRESOURCE(cs->lpszName) && cs->lpszName[0] == 0xFFFF;
    if (cs && (cs->style & SS_TYPEMASK) == SS_ICON && cs->lpszName) {
        LPCWSTR name = ordinal ? MAKEINTRESOURCE(cs->lpszName[1]) : cs->lpszName;
        if (IS_INTRESOURCE(name) || name[0]) d->icon = LoadIcon(cs->hInstance, name);
    }
    if (ordinal) return TRUE;
    return DefWindowProc(h, WM_NCCREATE, wp, lp);
}

LRESULT OnNcDestroy(HWND h, StaticData* d) {
    SetWindowLong(h, kDataSlot, 0);
    delete d;
    return 0;
}

bool Notifies(HWND h) {
    return (GetWindowLong(h, GWL_STYLE) & SS_NOTIFY) != 0;
}

// Without SS_NOTIFY a label lets taps through to what lies below.
LRESULT OnNcHitTest(HWND h, WPARAM wp, LPARAM lp) {
    return Notifies(h) ? DefWindowProc(h, WM_NCHITTEST, wp, lp) : HTTRANSPARENT;
}

LRESULT OnButtonDown(HWND h) {
    if (!Notifies(h)) return 0;
    if (HWND parent = GetParent(h))
        SendMessage(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(h), STN_CLICKED), reinterpret_cast<LPARAM>(h));
    return 0;
}

LRESULT OnSetFont(HWND h, StaticData& d, HFONT font, bool redraw) {
    d.font = font;
    if (redraw) InvalidateRect(h, nullptr, TRUE);
    return 0;
}

LRESULT OnPaint(HWND h, const StaticData& d) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    if (dc) Paint(h, dc, d);
    EndPaint(h, &ps);
    return 0;
}

LRESULT CALLBACK StaticProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) return OnNcCreate(h, wp, lp);
    StaticData* d = DataOf(h);
    if (!d) return DefWindowProc(h, msg, wp, lp);
    switch (msg) {
        case WM_NCDESTROY:
            return OnNcDestroy(h, d);
        case WM_NCHITTEST:
            return OnNcHitTest(h, wp, lp);
        case WM_LBUTTONDOWN:
            return OnButtonDown(h);
        case WM_GETDLGCODE:
            return DLGC_STATIC;
        case WM_SETFONT:
            return OnSetFont(h, *d, reinterpret_cast<HFONT>(wp), LOWORD(lp) != 0);
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(d->font);
        case WM_SETTEXT:
            return ce::comctl::SetTextAndRepaint(h, wp, lp);
        case WM_ENABLE:
            return ce::comctl::Repaint(h);
        case WM_ERASEBKGND:
            return 1;  // the background is painted with the parent's brush
        case WM_PAINT:
            return OnPaint(h, *d);
        case STM_SETICON:
            return reinterpret_cast<LRESULT>(SetIcon(h, *d, reinterpret_cast<HICON>(wp)));
        case STM_GETICON:
            return reinterpret_cast<LRESULT>(d->icon);
        case STM_SETIMAGE:
            return wp == IMAGE_ICON ? reinterpret_cast<LRESULT>(SetIcon(h, *d, reinterpret_cast<HICON>(lp))) : 0;
        case STM_GETIMAGE:
            return wp == IMAGE_ICON ? reinterpret_cast<LRESULT>(d->icon) : 0;
        default:
            return DefWindowProc(h, msg, wp, lp);
    }
}

}  // namespace

namespace ce::comctl {

void RegisterStaticClass() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = StaticProc;
    wc.cbWndExtra = 4;
    wc.lpszClassName = u"Static";
    ce::user::RegisterBuiltinClass(wc);
}

}  // namespace ce::comctl
