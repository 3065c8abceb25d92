// The command bar: a light-grey strip across the top of its parent's client
// area carrying a menu bar (the top-level items of a menu resource, opened
// as drop-down menus by menu.cpp) and, at its right end, the adornments: the
// close box ("X", WM_CLOSE to the parent), an OK box (WM_COMMAND IDOK) and a
// help box ("?", WM_HELP). A box acts when the stylus is pressed and
// released on it, and shows pressed while the stylus is over it.
#include <algorithm>
#include <string>
#include <vector>

#include "commctrl.h"
#include "menu_internal.h"

namespace ce::comctl {

namespace {

constexpr LPCWSTR kBarClass = u"CommandBar";
constexpr int kBarHeight = 26;
constexpr int kItemPad = 7;    // left and right of a menu-bar text
constexpr int kBoxWidth = 22;  // an adornment
constexpr int kOkWidth = 28;

// Messages of the bar's own API.
constexpr UINT kCbSetMenu = WM_USER + 0x40;     // lParam HMENU
constexpr UINT kCbAdornments = WM_USER + 0x41;  // wParam CMDBAR_* flags
constexpr UINT kCbGetMenu = WM_USER + 0x42;

enum Box { kClose, kOk, kHelp, kBoxCount };

struct BarData {
    HMENU menu = nullptr;
    std::vector<RECT> items;  // client coordinates of the menu-bar items
    int hot = -1;             // the item drawn pressed (its menu is open)
    bool boxes[kBoxCount] = {false, false, false};
    RECT boxRects[kBoxCount] = {};
    int boxDown = -1;  // the box the stylus went down on
    bool boxPressed = false;
};

BarData* DataOf(HWND h) {
    return reinterpret_cast<BarData*>(GetWindowLong(h, GWL_USERDATA));
}

void Layout(HWND h, BarData& d) {
    RECT client;
    GetClientRect(h, &client);
    d.items.clear();
    const int count = d.menu ? GetMenuItemCount(d.menu) : 0;
    HDC dc = GetDC(h);
    int x = 2;
    for (int i = 0; i < count; ++i) {
        WCHAR text[128] = {};
        GetMenuString(d.menu, static_cast<UINT>(i), text, 128, MF_BYPOSITION);
        RECT calc{0, 0, 0, 0};
        DrawText(dc, text, -1, &calc, DT_SINGLELINE | DT_CALCRECT);
        const int w = calc.right - calc.left + 2 * kItemPad;
        d.items.push_back(RECT{x, 2, x + w, client.bottom - 2});
        x += w;
    }
    ReleaseDC(h, dc);
    int right = client.right - 2;
    const int widths[kBoxCount] = {kBoxWidth, kOkWidth, kBoxWidth};
    for (int b = 0; b < kBoxCount; ++b) {
        d.boxRects[b] = RECT{0, 0, 0, 0};
        if (!d.boxes[b]) continue;
        d.boxRects[b] = RECT{right - widths[b], 2, right, client.bottom - 2};
        right -= widths[b] + 2;
    }
}

void Line(HDC dc, int x0, int y0, int x1, int y1) {
    MoveToEx(dc, x0, y0, nullptr);
    LineTo(dc, x1, y1);
}

void PaintBox(HDC dc, int b, RECT r, bool pressed) {
    FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
    RECT edge = r;
    DrawEdge(dc, &edge, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    if (pressed) OffsetRect(&r, 1, 1);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    if (b == kClose) {  // an X two pixels thick
        const int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2, k = 4;
        HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNTEXT));
        HGDIOBJ old = SelectObject(dc, pen);
        for (int dx = 0; dx < 2; ++dx) {
            Line(dc, cx - k + dx, cy - k, cx + k + 1 + dx, cy + k + 1);
            Line(dc, cx - k + dx, cy + k, cx + k + 1 + dx, cy - k - 1);
        }
        SelectObject(dc, old);
        DeleteObject(pen);
        return;
    }
    LPCWSTR text = b == kOk ? u"OK" : u"?";
    DrawText(dc, text, -1, &r, DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOPREFIX);
}

void Paint(HWND h, HDC dc, const BarData& d) {
    RECT client;
    GetClientRect(h, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    for (size_t i = 0; i < d.items.size(); ++i) {
        RECT r = d.items[i];
        WCHAR text[128] = {};
        GetMenuString(d.menu, static_cast<UINT>(i), text, 128, MF_BYPOSITION);
        UINT state = GetMenuState(d.menu, static_cast<UINT>(i), MF_BYPOSITION);
        if (static_cast<int>(i) == d.hot) {
            RECT e = r;
            DrawEdge(dc, &e, BDR_SUNKENOUTER, BF_RECT);
            OffsetRect(&r, 1, 1);
        }
        SetTextColor(
            dc, GetSysColor(state != static_cast<UINT>(-1) && (state & (MF_GRAYED | MF_DISABLED)) ? COLOR_GRAYTEXT
                                                                                                  : COLOR_BTNTEXT));
        DrawText(dc, text, -1, &r, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
    }
    for (int b = 0; b < kBoxCount; ++b)
        if (d.boxes[b]) PaintBox(dc, b, d.boxRects[b], d.boxDown == b && d.boxPressed);
}

int BoxAt(const BarData& d, POINT pt) {
    for (int b = 0; b < kBoxCount; ++b)
        if (d.boxes[b] && PtInRect(&d.boxRects[b], pt)) return b;
    return -1;
}

int ItemAt(const BarData& d, POINT pt) {
    for (size_t i = 0; i < d.items.size(); ++i)
        if (PtInRect(&d.items[i], pt)) return static_cast<int>(i);
    return -1;
}

void BoxActs(HWND h, int b) {
    HWND parent = GetParent(h);
    if (!parent) return;
    switch (b) {
        case kClose:
            PostMessage(parent, WM_CLOSE, 0, 0);
            break;
        case kOk:
            PostMessage(parent, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(h));
            break;
        // WM_HELP carries no HELPINFO here: the device's programs read none.
        case kHelp:
            PostMessage(parent, WM_HELP, 0, 0);
            break;
        default:
            break;
    }
}

LRESULT OnCreate(HWND h) {
    SetWindowLong(h, GWL_USERDATA, reinterpret_cast<LONG_PTR>(new BarData));
    return 0;
}

LRESULT OnNcDestroy(HWND h, BarData* d) {
    delete d;
    SetWindowLong(h, GWL_USERDATA, 0);
    return 0;
}

LRESULT OnSize(HWND h, BarData& d) {
    Layout(h, d);
    InvalidateRect(h, nullptr, FALSE);
    return 0;
}

LRESULT OnPaint(HWND h, const BarData& d) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    if (dc) Paint(h, dc, d);
    EndPaint(h, &ps);
    return 0;
}

// A press on a caption box pushes it; one on a menu title opens its menu
// (the menu loop runs until a choice or a cancel), one on a command sends it.
LRESULT OnButtonDown(HWND h, BarData& d, POINT pt) {
    if (int b = BoxAt(d, pt); b >= 0) {
        d.boxDown = b;
        d.boxPressed = true;
        SetCapture(h);
        InvalidateRect(h, &d.boxRects[b], FALSE);
        return 0;
    }
    int item = ItemAt(d, pt);
    if (item < 0 || !d.menu) return 0;
    UINT state = GetMenuState(d.menu, static_cast<UINT>(item), MF_BYPOSITION);
    if (state == static_cast<UINT>(-1) || (state & (MF_GRAYED | MF_DISABLED))) return 0;
    HWND owner = GetParent(h);
    HMENU menu = d.menu;
    UINT id = 0;
    if (state & MF_POPUP)
        id = TrackMenuBar(h, menu, item, owner);
    else  // a command on the bar itself
        id = GetMenuItemID(menu, item);
    // The bar may be gone now (its parent closed meanwhile): only handles below.
    if (id && IsWindow(owner)) PostMessage(owner, WM_COMMAND, MAKEWPARAM(id, 0), 0);
    return 0;
}

LRESULT OnMouseMove(HWND h, BarData& d, POINT pt) {
    if (d.boxDown < 0) return 0;
    bool inside = PtInRect(&d.boxRects[d.boxDown], pt) != FALSE;
    if (inside != d.boxPressed) {
        d.boxPressed = inside;
        InvalidateRect(h, &d.boxRects[d.boxDown], FALSE);
    }
    return 0;
}

LRESULT OnButtonUp(HWND h, BarData& d, POINT pt) {
    if (d.boxDown < 0) return 0;
    int b = d.boxDown;
    bool inside = PtInRect(&d.boxRects[b], pt) != FALSE;
    d.boxDown = -1;
    d.boxPressed = false;
    InvalidateRect(h, &d.boxRects[b], FALSE);
    if (GetCapture() == h) ReleaseCapture();
    if (inside) BoxActs(h, b);
    return 0;
}

LRESULT OnCaptureChanged(HWND h, BarData& d, HWND taker) {
    if (taker == h) return 0;
    CancelMenuLoop();
    if (d.boxDown >= 0) {
        InvalidateRect(h, &d.boxRects[d.boxDown], FALSE);
        d.boxDown = -1;
        d.boxPressed = false;
    }
    return 0;
}

LRESULT SetHot(HWND h, BarData& d, int hot) {
    if (hot != d.hot) {
        d.hot = hot;
        InvalidateRect(h, nullptr, FALSE);
    }
    return 0;
}

// The screen rectangle of a title on the bar.
LRESULT GetItemRect(HWND h, const BarData& d, WPARAM i, RECT* out) {
    if (!out || i >= d.items.size()) return FALSE;
    *out = d.items[i];
    MapWindowPoints(h, nullptr, reinterpret_cast<POINT*>(out), 2);
    return TRUE;
}

LRESULT SetBarMenu(HWND h, BarData& d, HMENU menu) {
    d.menu = menu;
    d.hot = -1;
    Layout(h, d);
    InvalidateRect(h, nullptr, FALSE);
    return TRUE;
}

LRESULT AddAdornments(HWND h, BarData& d, WPARAM flags) {
    d.boxes[kClose] = true;
    d.boxes[kOk] = d.boxes[kOk] || (flags & CMDBAR_OK);
    d.boxes[kHelp] = d.boxes[kHelp] || (flags & CMDBAR_HELP);
    Layout(h, d);
    InvalidateRect(h, nullptr, FALSE);
    return TRUE;
}

LRESULT CALLBACK BarProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_CREATE) return OnCreate(h);
    BarData* d = DataOf(h);
    if (!d) return DefWindowProc(h, msg, wp, lp);
    const POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    switch (msg) {
        case WM_NCDESTROY:
            return OnNcDestroy(h, d);
        case WM_SIZE:
            return OnSize(h, *d);
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
            return OnCaptureChanged(h, *d, reinterpret_cast<HWND>(lp));
        case kMnSetBarHot:
            return SetHot(h, *d, static_cast<int>(wp));
        case kMnGetItemRect:
            return GetItemRect(h, *d, wp, reinterpret_cast<RECT*>(lp));
        case MN_GETHMENU:
        case kCbGetMenu:
            return reinterpret_cast<LRESULT>(d->menu);
        case kCbSetMenu:
            return SetBarMenu(h, *d, reinterpret_cast<HMENU>(lp));
        case kCbAdornments:
            return AddAdornments(h, *d, wp);
        default:
            return DefWindowProc(h, msg, wp, lp);
    }
}

bool IsBar(HWND h) {
    WCHAR cls[16] = {};
    return h && IsWindow(h) && GetClassName(h, cls, 16) && std::u16string_view(cls) == kBarClass;
}

// Alt with a letter, Alt alone and F10 in a window with a command bar: the
// menu of that letter (the first one) opens with its first item lit.
bool OnKeyMenu(HWND top, WCHAR letter) {
    HWND bar = nullptr;
    for (HWND c = GetWindow(top, GW_CHILD); c && !bar; c = GetWindow(c, GW_HWNDNEXT))
        if (IsBar(c) && IsWindowVisible(c)) bar = c;
    BarData* d = bar ? DataOf(bar) : nullptr;
    if (!d || !d->menu || !IsWindowEnabled(top)) return false;
    const int item = MenuBarItemOf(d->menu, letter);
    if (item < 0) return false;
    HWND owner = GetParent(bar);
    HMENU menu = d->menu;
    UINT state = GetMenuState(menu, static_cast<UINT>(item), MF_BYPOSITION);
    UINT id = (state & MF_POPUP) ? TrackMenuBar(bar, menu, item, owner, true) : GetMenuItemID(menu, item);
    if (id && IsWindow(owner)) PostMessage(owner, WM_COMMAND, MAKEWPARAM(id, 0), 0);
    return true;
}

}  // namespace

void RegisterCommandBarClass() {
    ce::user::SetKeyMenuHandler(OnKeyMenu);
    WNDCLASSW wc{};
    wc.lpfnWndProc = BarProc;
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = kBarClass;
    ce::user::RegisterBuiltinClass(wc);
}

}  // namespace ce::comctl

using ce::comctl::IsBar;

HWND CommandBar_Create(HINSTANCE hInst, HWND hwndParent, int idCmdBar) {
    if (!hwndParent || !IsWindow(hwndParent)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    RECT client;
    GetClientRect(hwndParent, &client);
    return CreateWindowEx(0, ce::comctl::kBarClass, u"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0,
                          client.right - client.left, ce::comctl::kBarHeight, hwndParent,
                          reinterpret_cast<HMENU>(static_cast<intptr_t>(idCmdBar)), hInst, nullptr);
}

BOOL CommandBar_InsertMenubar(HWND hwndCB, HINSTANCE hInst, WORD idMenu, WORD iButton) {
    return CommandBar_InsertMenubarEx(hwndCB, hInst, MAKEINTRESOURCE(idMenu), iButton);
}

// With a NULL instance, pszMenu is a menu handle (as on the device).
BOOL CommandBar_InsertMenubarEx(HWND hwndCB, HINSTANCE hInst, LPWSTR pszMenu, WORD) {
    if (!IsBar(hwndCB)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    HMENU menu = hInst ? LoadMenu(hInst, pszMenu) : reinterpret_cast<HMENU>(pszMenu);
    if (!menu || GetMenuItemCount(menu) < 0) return FALSE;
    return static_cast<BOOL>(SendMessage(hwndCB, ce::comctl::kCbSetMenu, 0, reinterpret_cast<LPARAM>(menu)));
}

BOOL CommandBar_AddAdornments(HWND hwndCB, DWORD dwFlags, DWORD) {
    if (!IsBar(hwndCB)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return static_cast<BOOL>(SendMessage(hwndCB, ce::comctl::kCbAdornments, dwFlags, 0));
}

int CommandBar_Height(HWND hwndCB) {
    RECT r;
    if (!IsBar(hwndCB) || !GetWindowRect(hwndCB, &r)) return 0;
    return r.bottom - r.top;
}

BOOL CommandBar_Show(HWND hwndCB, BOOL fShow) {
    if (!IsBar(hwndCB)) return FALSE;
    ShowWindow(hwndCB, fShow ? SW_SHOW : SW_HIDE);
    return TRUE;
}

BOOL CommandBar_IsVisible(HWND hwndCB) {
    return IsBar(hwndCB) && IsWindowVisible(hwndCB);
}

HMENU CommandBar_GetMenu(HWND hwndCB, WORD) {
    if (!IsBar(hwndCB)) return nullptr;
    return reinterpret_cast<HMENU>(SendMessage(hwndCB, ce::comctl::kCbGetMenu, 0, 0));
}

BOOL CommandBar_DrawMenuBar(HWND hwndCB, WORD) {
    if (!IsBar(hwndCB)) return FALSE;
    InvalidateRect(hwndCB, nullptr, FALSE);
    return TRUE;
}
