// The "Button" control: push buttons (default ones with a black outer
// frame), owner-drawn buttons, check boxes, radio buttons and group boxes.
//
// A push is tracked with the stylus captured: the button shows pushed while
// the stylus is over it, and BN_CLICKED goes to the parent only when the
// stylus is released over it. The Space key pushes on its way down and
// clicks on its way up.
//
// Colours: push and owner-drawn buttons ask their parent with
// WM_CTLCOLORBTN; check boxes, radio buttons and group boxes, which show the
// parent's background, ask with WM_CTLCOLORSTATIC (as on Win32); the brush
// returned fills their background (a hollow brush leaves it) and the text
// takes the colours and mode the parent set on the DC.
#include <algorithm>

#include "ce_comctl.h"

namespace {

using ce::comctl::Lifeline;

struct ButtonData {
    UINT check = BST_UNCHECKED;  // BST_CHECKED / BST_INDETERMINATE
    bool pushed = false;
    bool focus = false;
    bool tracking = false;  // stylus captured since it went down on the button
    bool spaceDown = false;
    HFONT font = nullptr;
};

constexpr int kDataSlot = 0;

ButtonData* DataOf(HWND h) {
    return reinterpret_cast<ButtonData*>(GetWindowLong(h, kDataSlot));
}

UINT TypeOf(HWND h) {
    return static_cast<UINT>(GetWindowLong(h, GWL_STYLE) & BS_TYPEMASK);
}

bool IsCheck(UINT type) {
    return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE || type == BS_AUTO3STATE;
}
bool IsRadio(UINT type) {
    return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
}

void Notify(HWND h, WORD code) {
    HWND parent = GetParent(h);
    if (parent) SendMessage(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(h), code), reinterpret_cast<LPARAM>(h));
}

bool Hollow(HBRUSH b) {
    if (!b || b == GetStockObject(NULL_BRUSH)) return true;
    LOGBRUSH lb{};
    return GetObject(b, sizeof lb, &lb) == sizeof lb && lb.lbStyle == BS_NULL;
}

// ---- Painting ---------------------------------------------------------------------------

void DrawOwner(HWND h, HDC dc, const ButtonData& d, UINT action) {
    HWND parent = GetParent(h);
    if (!parent) return;
    DRAWITEMSTRUCT dis{};
    dis.CtlType = ODT_BUTTON;
    dis.CtlID = static_cast<UINT>(GetDlgCtrlID(h));
    dis.itemAction = action;
    dis.itemState = (d.pushed ? ODS_SELECTED : 0) | (d.focus ? ODS_FOCUS : 0) | (IsWindowEnabled(h) ? 0 : ODS_DISABLED);
    dis.hwndItem = h;
    dis.hDC = dc;
    GetClientRect(h, &dis.rcItem);
    SendMessage(parent, WM_DRAWITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis));
}

void DrawLabel(HWND h, HDC dc, RECT r, UINT format) {
    WCHAR text[256];
    int n = GetWindowText(h, text, 256);
    if (n > 0) DrawText(dc, text, n, &r, format);
}

void DrawPush(HWND h, HDC dc, const ButtonData& d) {
    RECT rc;
    GetClientRect(h, &rc);
    HWND parent = GetParent(h);
    if (parent) SendMessage(parent, WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(h));
    DWORD style = static_cast<DWORD>(GetWindowLong(h, GWL_STYLE));
    if ((style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
        FrameRect(dc, &rc, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        InflateRect(&rc, -1, -1);
    }
    FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
    RECT edge = rc;
    DrawEdge(dc, &edge, d.pushed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    InflateRect(&rc, -2, -2);
    if (d.pushed) OffsetRect(&rc, 1, 1);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(IsWindowEnabled(h) ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
    UINT format = DT_CENTER | ((style & BS_MULTILINE) ? DT_WORDBREAK : DT_VCENTER | DT_SINGLELINE);
    if (style & BS_MULTILINE) {
        RECT calc{0, 0, rc.right - rc.left, 0};
        WCHAR text[256];
        int n = GetWindowText(h, text, 256);
        if (n > 0) DrawText(dc, text, n, &calc, format | DT_CALCRECT);
        rc.top += std::max<LONG>(0, (rc.bottom - rc.top - calc.bottom) / 2);
    }
    DrawLabel(h, dc, rc, format);
}

void DrawCheckOrRadio(HWND h, HDC dc, const ButtonData& d, UINT type) {
    RECT rc;
    GetClientRect(h, &rc);
    HWND parent = GetParent(h);
    auto brush = parent ? reinterpret_cast<HBRUSH>(SendMessage(parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                                               reinterpret_cast<LPARAM>(h)))
                        : nullptr;
    if (!Hollow(brush)) FillRect(dc, &rc, brush);
    const int box = 13;
    DWORD style = static_cast<DWORD>(GetWindowLong(h, GWL_STYLE));
    bool leftText = (style & BS_LEFTTEXT) != 0;
    RECT b{leftText ? rc.right - box : rc.left, (rc.top + rc.bottom - box) / 2, 0, 0};
    b.right = b.left + box;
    b.bottom = b.top + box;
    HBRUSH face = GetSysColorBrush(d.pushed || !IsWindowEnabled(h) ? COLOR_BTNFACE : COLOR_WINDOW);
    if (IsRadio(type)) {
        HGDIOBJ oldBrush = SelectObject(dc, face);
        HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
        Ellipse(dc, b.left, b.top, b.right, b.bottom);
        if (d.check & BST_CHECKED) {
            SelectObject(dc, GetStockObject(BLACK_BRUSH));
            Ellipse(dc, b.left + 4, b.top + 4, b.right - 4, b.bottom - 4);
        }
        SelectObject(dc, oldBrush);
        SelectObject(dc, oldPen);
    } else {
        FillRect(dc, &b, face);
        RECT e = b;
        DrawEdge(dc, &e, EDGE_SUNKEN, BF_RECT);
        if (d.check) {
            // A tick of 2-pixel strokes (grey when indeterminate).
            HPEN pen = CreatePen(PS_SOLID, 1, d.check & BST_CHECKED ? RGB(0, 0, 0) : RGB(128, 128, 128));
            HGDIOBJ oldPen = SelectObject(dc, pen);
            for (int k = 0; k < 2; ++k) {
                MoveToEx(dc, b.left + 3, b.top + 6 + k, nullptr);
                LineTo(dc, b.left + 5, b.top + 8 + k);
                LineTo(dc, b.left + 10, b.top + 3 + k);
            }
            SelectObject(dc, oldPen);
            DeleteObject(pen);
        }
    }
    RECT t = rc;
    if (leftText)
        t.right = b.left - 4;
    else
        t.left = b.right + 4;
    if (!IsWindowEnabled(h)) SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    const UINT format = DT_LEFT | ((style & BS_MULTILINE) ? DT_WORDBREAK : DT_VCENTER | DT_SINGLELINE);
    DrawLabel(h, dc, t, format);
    if (d.focus && !Hollow(brush)) {
        // The focus shows as a dotted frame around the label (not over a
        // hollow background: nothing would wipe it when the focus leaves).
        WCHAR text[256];
        int n = GetWindowText(h, text, 256);
        RECT f{t.left, t.top, t.right, t.top};
        if (n > 0) DrawText(dc, text, n, &f, (format & ~DT_VCENTER) | DT_CALCRECT);
        OffsetRect(&f, 0, (style & BS_MULTILINE) ? 0 : (t.bottom - t.top - (f.bottom - f.top)) / 2);
        InflateRect(&f, 1, 1);
        f.left = std::max(f.left, rc.left), f.top = std::max(f.top, rc.top);
        f.right = std::min(f.right, rc.right), f.bottom = std::min(f.bottom, rc.bottom);
        const COLORREF ink = GetTextColor(dc);
        for (int x = f.left; x < f.right; x += 2) {
            SetPixel(dc, x, f.top, ink);
            SetPixel(dc, x, f.bottom - 1, ink);
        }
        for (int y = f.top; y < f.bottom; y += 2) {
            SetPixel(dc, f.left, y, ink);
            SetPixel(dc, f.right - 1, y, ink);
        }
    }
}

void DrawGroup(HWND h, HDC dc) {
    RECT rc;
    GetClientRect(h, &rc);
    HWND parent = GetParent(h);
    auto brush = parent ? reinterpret_cast<HBRUSH>(SendMessage(parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                                               reinterpret_cast<LPARAM>(h)))
                        : nullptr;
    TEXTMETRICW tm{};
    GetTextMetrics(dc, &tm);
    RECT frame = rc;
    frame.top += tm.tmHeight / 2;
    DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
    WCHAR text[256];
    int n = GetWindowText(h, text, 256);
    if (n <= 0) return;
    RECT t{rc.left + 8, rc.top, rc.right - 8, rc.top + tm.tmHeight};
    RECT calc = t;
    DrawText(dc, text, n, &calc, DT_CALCRECT | DT_SINGLELINE);
    calc.right = std::min(calc.right + 4, t.right);
    calc.left -= 2;
    if (!Hollow(brush)) FillRect(dc, &calc, brush);
    if (!IsWindowEnabled(h)) SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    DrawText(dc, text, n, &t, DT_LEFT | DT_SINGLELINE);
}

void Paint(HWND h, HDC dc, const ButtonData& d, UINT action) {
    HGDIOBJ oldFont = d.font ? SelectObject(dc, d.font) : nullptr;
    UINT type = TypeOf(h);
    if (type == BS_OWNERDRAW)
        DrawOwner(h, dc, d, action);
    else if (IsCheck(type) || IsRadio(type))
        DrawCheckOrRadio(h, dc, d, type);
    else if (type == BS_GROUPBOX)
        DrawGroup(h, dc);
    else
        DrawPush(h, dc, d);
    if (oldFont) SelectObject(dc, oldFont);
}

// Draws at once (a state change shows while the stylus is still down).
void Redraw(HWND h, ButtonData& d, UINT action) {
    if (!IsWindowVisible(h)) return;
    HDC dc = GetDC(h);
    if (!dc) return;
    Paint(h, dc, d, action);
    ReleaseDC(h, dc);
}

void SetPushed(HWND h, ButtonData& d, bool pushed) {
    if (d.pushed == pushed) return;
    d.pushed = pushed;
    Redraw(h, d, ODA_SELECT);
}

// Auto buttons change their check first; then the parent hears of the click.
void Click(HWND h, ButtonData& d) {
    UINT type = TypeOf(h);
    if (type == BS_AUTOCHECKBOX) {
        SendMessage(h, BM_SETCHECK, d.check & BST_CHECKED ? BST_UNCHECKED : BST_CHECKED, 0);
    } else if (type == BS_AUTO3STATE) {
        SendMessage(h, BM_SETCHECK, (d.check + 1) % 3, 0);
    } else if (type == BS_AUTORADIOBUTTON) {
        // Unchecks the other auto radio buttons of its group.
        HWND parent = GetParent(h);
        if (parent) {
            HWND start = h;
            while (!(GetWindowLong(start, GWL_STYLE) & WS_GROUP)) {
                HWND prev = GetWindow(start, GW_HWNDPREV);
                if (!prev) break;
                start = prev;
            }
            for (HWND c = start; c; c = GetWindow(c, GW_HWNDNEXT)) {
                if (c != start && (GetWindowLong(c, GWL_STYLE) & WS_GROUP)) break;
                if (c != h && TypeOf(c) == BS_AUTORADIOBUTTON) {
                    WCHAR cls[16];
                    if (GetClassName(c, cls, 16) && std::u16string_view(cls) == u"Button")
                        SendMessage(c, BM_SETCHECK, BST_UNCHECKED, 0);
                }
            }
        }
        SendMessage(h, BM_SETCHECK, BST_CHECKED, 0);
    }
    Notify(h, BN_CLICKED);
}

// ---- Messages -------------------------------------------------------------------------------

LRESULT OnNcCreate(HWND h, WPARAM wp, LPARAM lp) {
    SetWindowLong(h, kDataSlot, reinterpret_cast<LONG_PTR>(new ButtonData));
    return DefWindowProc(h, WM_NCCREATE, wp, lp);
}

LRESULT OnNcDestroy(HWND h, ButtonData* d) {
    SetWindowLong(h, kDataSlot, 0);
    delete d;
    return 0;
}

// A group box lies above the controls it frames: it must not hide them.
LRESULT OnCreate(HWND h) {
    if (TypeOf(h) == BS_GROUPBOX) SetWindowLong(h, GWL_EXSTYLE, GetWindowLong(h, GWL_EXSTYLE) | WS_EX_TRANSPARENT);
    return 0;
}

// A group box is only a frame: taps go to what lies below.
LRESULT OnNcHitTest(HWND h, WPARAM wp, LPARAM lp) {
    if (TypeOf(h) == BS_GROUPBOX) return HTTRANSPARENT;
    return DefWindowProc(h, WM_NCHITTEST, wp, lp);
}

LRESULT OnGetDlgCode(HWND h) {
    UINT type = TypeOf(h);
    if (type == BS_PUSHBUTTON) return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
    if (type == BS_DEFPUSHBUTTON) return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
    if (IsRadio(type)) return DLGC_BUTTON | DLGC_RADIOBUTTON;
    if (type == BS_GROUPBOX) return DLGC_STATIC;
    return DLGC_BUTTON;
}

LRESULT OnSetFont(HWND h, ButtonData& d, HFONT font, bool redraw) {
    d.font = font;
    if (redraw) InvalidateRect(h, nullptr, TRUE);
    return 0;
}

LRESULT OnPaint(HWND h, const ButtonData& d) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    if (dc) Paint(h, dc, d, ODA_DRAWENTIRE);
    EndPaint(h, &ps);
    return 0;
}

LRESULT OnSetFocus(HWND h, ButtonData& d) {
    d.focus = true;
    Redraw(h, d, ODA_FOCUS);
    if (GetWindowLong(h, GWL_STYLE) & BS_NOTIFY) Notify(h, BN_SETFOCUS);
    return 0;
}

LRESULT OnKillFocus(HWND h, ButtonData& d) {
    d.focus = false;
    d.spaceDown = false;
    if (d.tracking) {
        d.tracking = false;
        ReleaseCapture();
    }
    d.pushed = false;
    Redraw(h, d, ODA_FOCUS);
    if (GetWindowLong(h, GWL_STYLE) & BS_NOTIFY) Notify(h, BN_KILLFOCUS);
    return 0;
}

LRESULT OnButtonDown(HWND h) {
    if (TypeOf(h) == BS_GROUPBOX) return 0;
    Lifeline life(h);
    if (GetFocus() != h) SetFocus(h);  // with BS_NOTIFY the parent hears BN_SETFOCUS
    if (!life) return 0;
    ButtonData& d = *DataOf(h);
    d.tracking = true;
    SetCapture(h);
    SetPushed(h, d, true);
    return 0;
}

bool Inside(HWND h, LPARAM lp) {
    RECT rc;
    GetClientRect(h, &rc);
    return PtInRect(&rc, POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)}) != FALSE;
}

LRESULT OnMouseMove(HWND h, ButtonData& d, LPARAM lp) {
    if (d.tracking) SetPushed(h, d, Inside(h, lp));
    return 0;
}

LRESULT OnButtonUp(HWND h, ButtonData& d, LPARAM lp) {
    if (!d.tracking) return 0;
    d.tracking = false;
    bool inside = Inside(h, lp);
    ReleaseCapture();
    SetPushed(h, d, false);
    if (inside) Click(h, d);
    return 0;
}

// The capture was taken away while pushing: no click.
LRESULT OnCaptureChanged(HWND h, ButtonData& d) {
    if (d.tracking) {
        d.tracking = false;
        SetPushed(h, d, false);
    }
    return 0;
}

LRESULT OnKeyDown(HWND h, ButtonData& d, WPARAM vk, LPARAM lp) {
    if (vk != VK_SPACE || TypeOf(h) == BS_GROUPBOX) return DefWindowProc(h, WM_KEYDOWN, vk, lp);
    if (!d.spaceDown) {
        d.spaceDown = true;
        SetPushed(h, d, true);
    }
    return 0;
}

LRESULT OnKeyUp(HWND h, ButtonData& d, WPARAM vk, LPARAM lp) {
    if (vk != VK_SPACE || !d.spaceDown) return DefWindowProc(h, WM_KEYUP, vk, lp);
    d.spaceDown = false;
    SetPushed(h, d, false);
    Click(h, d);
    return 0;
}

LRESULT GetCheck(HWND h, const ButtonData& d) {
    UINT type = TypeOf(h);
    return IsCheck(type) || IsRadio(type) ? d.check : BST_UNCHECKED;
}

LRESULT SetCheck(HWND h, ButtonData& d, WPARAM wp) {
    UINT type = TypeOf(h);
    if (!IsCheck(type) && !IsRadio(type)) return 0;
    UINT check = static_cast<UINT>(wp) & 3;
    if (check == BST_INDETERMINATE && type != BS_3STATE && type != BS_AUTO3STATE) check = BST_CHECKED;
    if (check > BST_INDETERMINATE) check = BST_CHECKED;
    if (check != d.check) {
        d.check = check;
        InvalidateRect(h, nullptr, TRUE);
    }
    return 0;
}

LRESULT GetState(HWND h, const ButtonData& d) {
    return GetCheck(h, d) | (d.pushed ? BST_PUSHED : 0) | (d.focus ? BST_FOCUS : 0);
}

LRESULT SetState(HWND h, ButtonData& d, bool pushed) {
    SetPushed(h, d, pushed);
    return 0;
}

// The button's type changes; its other styles stay.
LRESULT SetStyle(HWND h, WPARAM type, bool redraw) {
    DWORD style = static_cast<DWORD>(GetWindowLong(h, GWL_STYLE));
    SetWindowLong(h, GWL_STYLE, static_cast<LONG>((style & ~BS_TYPEMASK) | (type & BS_TYPEMASK)));
    if (redraw) InvalidateRect(h, nullptr, TRUE);
    return 0;
}

LRESULT OnClick(HWND h, ButtonData& d) {
    if (IsWindowEnabled(h) && TypeOf(h) != BS_GROUPBOX) Click(h, d);
    return 0;
}

LRESULT CALLBACK ButtonProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) return OnNcCreate(h, wp, lp);
    ButtonData* d = DataOf(h);
    if (!d) return DefWindowProc(h, msg, wp, lp);
    switch (msg) {
        case WM_NCDESTROY:
            return OnNcDestroy(h, d);
        case WM_CREATE:
            return OnCreate(h);
        case WM_NCHITTEST:
            return OnNcHitTest(h, wp, lp);
        case WM_GETDLGCODE:
            return OnGetDlgCode(h);
        case WM_SETFONT:
            return OnSetFont(h, *d, reinterpret_cast<HFONT>(wp), LOWORD(lp) != 0);
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(d->font);
        case WM_SETTEXT:
            return ce::comctl::SetTextAndRepaint(h, wp, lp);
        case WM_ENABLE:
            return ce::comctl::Repaint(h);
        case WM_ERASEBKGND:
            return 1;  // WM_PAINT covers everything
        case WM_PAINT:
            return OnPaint(h, *d);
        case WM_SETFOCUS:
            return OnSetFocus(h, *d);
        case WM_KILLFOCUS:
            return OnKillFocus(h, *d);
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            return OnButtonDown(h);
        case WM_MOUSEMOVE:
            return OnMouseMove(h, *d, lp);
        case WM_LBUTTONUP:
            return OnButtonUp(h, *d, lp);
        case WM_CAPTURECHANGED:
            return OnCaptureChanged(h, *d);
        case WM_KEYDOWN:
            return OnKeyDown(h, *d, wp, lp);
        case WM_KEYUP:
            return OnKeyUp(h, *d, wp, lp);
        case BM_GETCHECK:
            return GetCheck(h, *d);
        case BM_SETCHECK:
            return SetCheck(h, *d, wp);
        case BM_GETSTATE:
            return GetState(h, *d);
        case BM_SETSTATE:
            return SetState(h, *d, wp != 0);
        case BM_SETSTYLE:
            return SetStyle(h, wp, LOWORD(lp) != 0);
        case BM_CLICK:
            return OnClick(h, *d);
        default:
            return DefWindowProc(h, msg, wp, lp);
    }
}

}  // namespace

namespace ce::comctl {

void RegisterButtonClass() {
    WNDCLASSW wc{};
    wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = ButtonProc;
    wc.cbWndExtra = 4;
    wc.lpszClassName = u"Button";
    ce::user::RegisterBuiltinClass(wc);
}

}  // namespace ce::comctl
