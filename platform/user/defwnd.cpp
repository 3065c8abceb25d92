// Default message handling and system metrics.
#include <algorithm>
#include <atomic>

#include "user_internal.h"
#include "winres.h"

using namespace ce::user;

namespace {

HBRUSH ClassBrush(HWND h) {
    Lock l(S().mu);
    Window* w = Find(h);
    if (!w || !w->cls) return nullptr;
    HBRUSH b = w->cls->wc.hbrBackground;
    // (HBRUSH)(COLOR_xxx + 1) names a system colour.
    auto v = reinterpret_cast<uintptr_t>(b);
    if (v >= 1 && v <= C_SYS_COLOR_TYPES) return GetSysColorBrush(static_cast<int>(v - 1));
    return b;
}

LRESULT HitTest(HWND h, LPARAM lp) {
    POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    Lock l(S().mu);
    Window* w = Find(h);
    if (!w) return HTNOWHERE;
    RECT sr = ScreenRect(w);
    if (!PtInRect(&sr, pt)) return HTNOWHERE;
    POINT o = ClientOrigin(w);
    RECT c = ClientRectLocal(w);
    RECT client{o.x, o.y, o.x + c.right - c.left, o.y + c.bottom - c.top};
    if (PtInRect(&client, pt)) return HTCLIENT;
    POINT local{pt.x - sr.left, pt.y - sr.top};
    RECT close = CaptionBoxRect(w, CaptionBox::Close), ok = CaptionBoxRect(w, CaptionBox::Ok);
    if (PtInRect(&close, local)) return HTCLOSE;
    if (PtInRect(&ok, local)) return kHitOkBox;
    if ((w->style & WS_CAPTION) == WS_CAPTION && pt.y >= sr.top + kBorderWidth &&
        pt.y < sr.top + kBorderWidth + kCaptionHeight)
        return HTCAPTION;
    return HTBORDER;
}

}  // namespace

namespace {
std::atomic<ce::user::KeyMenuHandler> g_keyMenu{nullptr};
}  // namespace

void ce::user::SetKeyMenuHandler(KeyMenuHandler handler) {
    g_keyMenu.store(handler);
}

namespace {

// Alt with a letter opens the menu of that mnemonic.
LRESULT OnSysChar(HWND h, WPARAM ch, LPARAM lp) {
    if ((lp & 0x20000000) && ch != VK_ESCAPE && ch != u'\t' && ch != u' ' && ch != u'\r')
        SendMessage(h, WM_SYSCOMMAND, SC_KEYMENU, static_cast<LPARAM>(ch));
    return 0;
}

// Alt alone (it comes up as a system key only when nothing was typed with it) and F10.
LRESULT OnSysKeyUp(HWND h, WPARAM vk) {
    if (vk == VK_MENU || vk == VK_LMENU || vk == VK_RMENU || vk == VK_F10) SendMessage(h, WM_SYSCOMMAND, SC_KEYMENU, 0);
    return 0;
}

LRESULT OnSysCommand(HWND h, WPARAM cmd, LPARAM lp) {
    if ((cmd & 0xFFF0) == SC_KEYMENU) {
        HWND top = h;
        while (top && (GetWindowLong(top, GWL_STYLE) & WS_CHILD)) top = GetParent(top);
        if (auto handler = g_keyMenu.load(); handler && top) handler(top, static_cast<WCHAR>(lp));
    }
    return 0;
}

LRESULT OnNcCreate(HWND h, const CREATESTRUCTW* cs) {
    if (cs && cs->lpszName && !IS_INTRESOURCE(cs->lpszName)) {
        Lock l(S().mu);
        if (Window* w = Find(h)) w->text.assign(cs->lpszName, ce::BoundedLen(cs->lpszName, 0x7FFFFFFF));
    }
    return TRUE;
}

LRESULT OnSetText(HWND h, LPCWSTR s) {
    Lock l(S().mu);
    Window* w = Find(h);
    if (!w) return FALSE;
    w->text = s ? std::u16string(s, ce::BoundedLen(s, 0x7FFFFFFF)) : std::u16string();
    if ((w->style & WS_CAPTION) == WS_CAPTION && VisibleChain(w)) {
        w->framePending = true;
        NotifyQueue(w->queue.get());
    }
    return TRUE;
}

LRESULT OnGetText(HWND h, WPARAM size, LPWSTR buf) {
    if (!buf || size == 0) return 0;
    Lock l(S().mu);
    Window* w = Find(h);
    if (!w) return 0;
    size_t n = std::min<size_t>(w->text.size(), size - 1);
    std::copy_n(w->text.data(), n, buf);
    buf[n] = 0;
    return static_cast<LRESULT>(n);
}

LRESULT OnGetTextLength(HWND h) {
    Lock l(S().mu);
    Window* w = Find(h);
    return w ? static_cast<LRESULT>(w->text.size()) : 0;
}

LRESULT OnPaint(HWND h) {
    PAINTSTRUCT ps;
    if (BeginPaint(h, &ps)) EndPaint(h, &ps);
    return 0;
}

LRESULT OnEraseBkgnd(HWND h, HDC dc) {
    HBRUSH b = ClassBrush(h);
    if (!b) return 0;
    RECT rc;
    GetClientRect(h, &rc);
    FillRect(dc, &rc, b);
    return 1;
}

LRESULT OnClose(HWND h) {
    DestroyWindow(h);
    return 0;
}

LRESULT OnActivate(HWND h, WPARAM state) {
    if (LOWORD(state) != WA_INACTIVE) {
        HWND f = GetFocus();
        if (f != h && !IsChild(h, f)) SetFocus(h);
    }
    return 0;
}

// The WM_CTLCOLOR... messages: the system colours of each kind of control.
LRESULT OnCtlColor(UINT msg, HDC dc) {
    int bk = msg == WM_CTLCOLOREDIT || msg == WM_CTLCOLORLISTBOX ? COLOR_WINDOW
             : msg == WM_CTLCOLORSTATIC                          ? COLOR_STATIC
                                                                 : COLOR_BTNFACE;
    SetTextColor(dc, GetSysColor(msg == WM_CTLCOLORSTATIC ? COLOR_STATICTEXT : COLOR_WINDOWTEXT));
    SetBkColor(dc, GetSysColor(bk));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(bk));
}

}  // namespace

LRESULT DefWindowProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_SYSCHAR:
            return OnSysChar(h, wp, lp);
        case WM_SYSKEYUP:
            return OnSysKeyUp(h, wp);
        case WM_SYSCOMMAND:
            return OnSysCommand(h, wp, lp);
        case WM_NCCREATE:
            return OnNcCreate(h, reinterpret_cast<const CREATESTRUCTW*>(lp));
        case WM_NCHITTEST:
            return HitTest(h, lp);
        case WM_SETTEXT:
            return OnSetText(h, reinterpret_cast<LPCWSTR>(lp));
        case WM_GETTEXT:
            return OnGetText(h, wp, reinterpret_cast<LPWSTR>(lp));
        case WM_GETTEXTLENGTH:
            return OnGetTextLength(h);
        case WM_PAINT:
            return OnPaint(h);
        case WM_ERASEBKGND:
            return OnEraseBkgnd(h, reinterpret_cast<HDC>(wp));
        case WM_CLOSE:
            return OnClose(h);
        case WM_ACTIVATE:
            return OnActivate(h, wp);
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORMSGBOX:
            return OnCtlColor(msg, reinterpret_cast<HDC>(wp));
        default:
            return 0;
    }
}

int GetSystemMetrics(int index) {
    auto mode = ce::gdi::Screen::Mode();
    switch (index) {
        case SM_CXSCREEN:
        case SM_CXFULLSCREEN:
            return mode.width;
        case SM_CYSCREEN:
            return mode.height;
        case SM_CYFULLSCREEN:
            return mode.height - kCaptionHeight;
        case SM_CYCAPTION:
            return kCaptionHeight;
        case SM_CXBORDER:
        case SM_CYBORDER:
            return kBorderWidth;
        case SM_CXDLGFRAME:
        case SM_CYDLGFRAME:
            return kBorderWidth;
        case SM_CXEDGE:
        case SM_CYEDGE:
            return 2;
        case SM_CXVSCROLL:
        case SM_CYHSCROLL:
        case SM_CYVSCROLL:
        case SM_CXHSCROLL:
            return 13;
        case SM_CXDOUBLECLK:
        case SM_CYDOUBLECLK:
            return 4;
        case SM_CXICON:
        case SM_CYICON:
        case SM_CXCURSOR:
        case SM_CYCURSOR:
            return 32;
        case SM_CXSMICON:
        case SM_CYSMICON:
            return 16;
        case SM_CYMENU:
            return 20;
        case SM_MOUSEPRESENT:
            return 1;
        case SM_DEBUG:
            return 0;
        default:
            return 0;
    }
}

UINT GetDoubleClickTime() {
    return 500;
}

// The arrow is a real icon object (a white arrow with a black edge, hot spot
// at its tip), made once and shared; the panel never draws a cursor, but a
// class or a program may hold it and draw it like any icon.
HCURSOR LoadCursor(HINSTANCE hInstance, LPCWSTR lpCursorName) {
    if (hInstance || lpCursorName != IDC_ARROW) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    static HCURSOR arrow = [] {
        constexpr int n = 32;
        std::vector<BYTE> mask(n * n / 8, 0xFF);  // 1: transparent; rows of 32 bits
        std::vector<uint32_t> color(n * n, 0);
        for (int y = 0; y < 17; ++y) {
            const int width = y < 12 ? y : 12 - (y - 12) * 2;  // the head, then a narrowing tail
            for (int x = 0; x <= width; ++x) {
                mask[static_cast<size_t>(y * n + x) / 8] &= static_cast<BYTE>(~(0x80 >> (x % 8)));
                const bool edge = x == 0 || x == width || y == 11 || y == 16;
                color[static_cast<size_t>(y * n + x)] = edge ? 0x000000u : 0xFFFFFFu;
            }
        }
        ICONINFO ii{};
        ii.fIcon = FALSE;
        ii.hbmMask = CreateBitmap(n, n, 1, 1, mask.data());
        ii.hbmColor = ce::gdi::CreateBitmapFromPixels(n, n, color.data());
        HCURSOR h = CreateIconIndirect(&ii);
        DeleteObject(ii.hbmMask);
        DeleteObject(ii.hbmColor);
        return h;
    }();
    return arrow;
}
