// MessageBox: a modal dialog made in code from a template with no controls;
// its procedure lays out the icon, the word-wrapped text (a "Static" control)
// and a row of push buttons ("Button" class) when it starts, and paints the
// icon itself.
//
// The box is top-most and centred on the screen; its owner (the top-level
// window of hWnd) is disabled while it runs. Enter chooses the default
// button, Escape and the caption's close box cancel: IDCANCEL, or IDOK when
// OK is the only button.
#include <algorithm>
#include <string>
#include <vector>

#include "user_internal.h"

namespace {

struct BoxButton {
    int id;
    const char16_t* label;
};

struct BoxState {
    std::u16string text;
    UINT type = 0;
    std::vector<BoxButton> buttons;
    RECT textRect{};
    RECT iconRect{};
};

constexpr int kMargin = 12;
constexpr int kIconSize = 32;
constexpr int kButtonHeight = 26;
constexpr int kButtonMinWidth = 72;
constexpr int kButtonGap = 8;

std::vector<BoxButton> ButtonsOf(UINT type) {
    switch (type & MB_TYPEMASK) {
        case MB_OK:
            return {{IDOK, u"OK"}};
        case MB_OKCANCEL:
            return {{IDOK, u"OK"}, {IDCANCEL, u"Cancel"}};
        case MB_ABORTRETRYIGNORE:
            return {{IDABORT, u"&Abort"}, {IDRETRY, u"&Retry"}, {IDIGNORE, u"&Ignore"}};
        case MB_YESNOCANCEL:
            return {{IDYES, u"&Yes"}, {IDNO, u"&No"}, {IDCANCEL, u"Cancel"}};
        case MB_YESNO:
            return {{IDYES, u"&Yes"}, {IDNO, u"&No"}};
        case MB_RETRYCANCEL:
            return {{IDRETRY, u"&Retry"}, {IDCANCEL, u"Cancel"}};
        default:
            return {};
    }
}

// The icon, drawn with shapes: a disc with a sign in it.
void DrawBoxIcon(HDC dc, const RECT& r, UINT icon) {
    COLORREF disc, sign;
    const char16_t* text = nullptr;
    switch (icon) {
        case MB_ICONQUESTION:
            disc = RGB(0, 64, 192), sign = RGB(255, 255, 255), text = u"?";
            break;
        case MB_ICONEXCLAMATION:
            disc = RGB(255, 208, 0), sign = RGB(0, 0, 0), text = u"!";
            break;
        case MB_ICONASTERISK:
            disc = RGB(0, 64, 192), sign = RGB(255, 255, 255), text = u"i";
            break;
        case MB_ICONHAND:
            disc = RGB(208, 0, 0), sign = RGB(255, 255, 255);
            break;
        default:
            return;
    }
    HBRUSH brush = CreateSolidBrush(disc);
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    Ellipse(dc, r.left, r.top, r.right, r.bottom);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(brush);
    DeleteObject(pen);
    if (text) {
        HFONT font = CreateFont(-22, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, u"Tahoma");
        HGDIOBJ oldFont = SelectObject(dc, font);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, sign);
        RECT t = r;
        DrawText(dc, text, 1, &t, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        SelectObject(dc, oldFont);
        DeleteObject(font);
        return;
    }
    // The error sign: an "x" of 3-pixel strokes.
    HPEN cross = CreatePen(PS_SOLID, 1, sign);
    oldPen = SelectObject(dc, cross);
    const int in = 9;
    for (int d = -1; d <= 1; ++d) {
        MoveToEx(dc, r.left + in + d, r.top + in, nullptr);
        LineTo(dc, r.right - in + d, r.bottom - in);
        MoveToEx(dc, r.right - in - 1 + d, r.top + in, nullptr);
        LineTo(dc, r.left + in - 1 + d, r.bottom - in);
    }
    SelectObject(dc, oldPen);
    DeleteObject(cross);
}

void LayOut(HWND h, BoxState* s) {
    const int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
    const bool icon = (s->type & MB_ICONMASK) != 0;
    const int textLeft = kMargin + (icon ? kIconSize + kMargin : 0);
    // Text wraps at about two thirds of the screen.
    const int maxText = std::max(100, screenW * 2 / 3 - textLeft - kMargin);
    HDC dc = GetDC(h);
    RECT t{0, 0, maxText, 0};
    if (!s->text.empty())
        DrawText(dc, s->text.c_str(), static_cast<int>(s->text.size()), &t, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    // Buttons as wide as their widest label needs.
    int buttonW = kButtonMinWidth;
    for (const BoxButton& b : s->buttons) {
        RECT r{0, 0, 0, 0};
        DrawText(dc, b.label, -1, &r, DT_CALCRECT | DT_SINGLELINE);
        buttonW = std::max<int>(buttonW, r.right + 16);
    }
    // The caption must show too.
    WCHAR caption[128];
    int n = GetWindowText(h, caption, 128);
    RECT c{0, 0, 0, 0};
    if (n) DrawText(dc, caption, n, &c, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    ReleaseDC(h, dc);

    const int count = static_cast<int>(s->buttons.size());
    const int rowW = count * buttonW + (count - 1) * kButtonGap;
    const int textH = std::max<int>(t.bottom - t.top, icon ? kIconSize : 0);
    int clientW = std::max({textLeft + static_cast<int>(t.right - t.left) + kMargin, rowW + 2 * kMargin,
                            static_cast<int>(c.right) + 2 * ce::user::kCaptionHeight + 16});
    clientW = std::min(clientW, screenW);
    const int clientH = kMargin + textH + kMargin + kButtonHeight + kMargin;
    const int textTop = kMargin + (textH - static_cast<int>(t.bottom - t.top)) / 2;
    s->textRect = {textLeft, textTop, textLeft + static_cast<int>(t.right - t.left), textTop + (t.bottom - t.top)};
    s->iconRect = icon ? RECT{kMargin, kMargin, kMargin + kIconSize, kMargin + kIconSize} : RECT{};

    RECT win{0, 0, clientW, clientH};
    AdjustWindowRectEx(&win, static_cast<DWORD>(GetWindowLong(h, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLong(h, GWL_EXSTYLE)));
    const int w = win.right - win.left, hh = win.bottom - win.top;
    SetWindowPos(h, HWND_TOPMOST, (screenW - w) / 2, (screenH - hh) / 2, w, hh, SWP_NOACTIVATE);

    int def = static_cast<int>((s->type & MB_DEFMASK) >> 8);
    if (def >= count) def = 0;
    int x = (clientW - rowW) / 2;
    const int y = clientH - kMargin - kButtonHeight;
    HWND defButton = nullptr;
    for (int i = 0; i < count; ++i) {
        DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | (i == def ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) |
                      (i == 0 ? WS_GROUP : 0);
        HWND b = CreateWindowEx(0, u"Button", s->buttons[i].label, style, x, y, buttonW, kButtonHeight, h,
                                reinterpret_cast<HMENU>(static_cast<intptr_t>(s->buttons[i].id)), nullptr, nullptr);
        if (i == def) defButton = b;
        x += buttonW + kButtonGap;
    }
    // The text is a static control, so that it is a window text like any
    // other (scripts and dumps find it) and wraps exactly as measured.
    if (!s->text.empty())
        CreateWindowEx(0, u"Static", s->text.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, s->textRect.left,
                       s->textRect.top, s->textRect.right - s->textRect.left, s->textRect.bottom - s->textRect.top, h,
                       reinterpret_cast<HMENU>(static_cast<intptr_t>(0xFFFF)), nullptr, nullptr);
    SendMessage(h, DM_SETDEFID, static_cast<WPARAM>(s->buttons[def].id), 0);
    if (defButton) SendMessage(h, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(defButton), TRUE);
}

INT_PTR OnInitDialog(HWND h, BoxState* s) {
    SetWindowLong(h, DWL_USER, reinterpret_cast<LONG_PTR>(s));
    LayOut(h, s);
    return FALSE;  // the focus is on the default button already
}

INT_PTR OnPaint(HWND h, const BoxState* s) {
    if (!s) return FALSE;
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    if (!dc) return TRUE;
    DrawBoxIcon(dc, s->iconRect, s->type & MB_ICONMASK);
    EndPaint(h, &ps);
    return TRUE;
}

// A button of the box ends it with its id; so does Escape or the close box
// (IDCANCEL), as IDOK for a box with only an OK button.
INT_PTR OnCommand(HWND h, const BoxState* s, int id) {
    if (!s) return FALSE;
    bool known = std::any_of(s->buttons.begin(), s->buttons.end(), [&](const BoxButton& b) { return b.id == id; });
    if (!known && id == IDCANCEL) {
        known = true;
        if ((s->type & MB_TYPEMASK) == MB_OK) id = IDOK;
    }
    if (known) EndDialog(h, id);
    return TRUE;
}

INT_PTR CALLBACK BoxProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    auto* s = reinterpret_cast<BoxState*>(GetWindowLong(h, DWL_USER));
    switch (msg) {
        case WM_INITDIALOG:
            return OnInitDialog(h, reinterpret_cast<BoxState*>(lp));
        case WM_PAINT:
            return OnPaint(h, s);
        case WM_COMMAND:
            return OnCommand(h, s, LOWORD(wp));
        default:
            return FALSE;
    }
}

void Put(std::vector<WORD>& t, DWORD v) {
    t.push_back(LOWORD(v));
    t.push_back(HIWORD(v));
}

}  // namespace

int MessageBox(HWND hWnd, LPCWSTR text, LPCWSTR caption, UINT type) {
    BoxState s;
    s.type = type;
    s.buttons = ButtonsOf(type);
    if (s.buttons.empty()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (text) s.text.assign(text, ce::BoundedLen(text, 0x10000));
    std::u16string title = caption ? std::u16string(caption, ce::BoundedLen(caption, 0x1000)) : u"Error";

    std::vector<WORD> t;
    Put(t, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME);
    Put(t, WS_EX_TOPMOST);
    t.insert(t.end(), {0, 0, 0, 0, 0});  // no items; placed when it starts
    t.push_back(0);                      // no menu
    t.push_back(0);                      // the dialog class
    for (char16_t ch : title) t.push_back(ch);
    t.push_back(0);
    INT_PTR r = DialogBoxIndirectParam(nullptr, reinterpret_cast<LPCDLGTEMPLATE>(t.data()), hWnd, BoxProc,
                                       reinterpret_cast<LPARAM>(&s));
    return r < 0 ? 0 : static_cast<int>(r);
}
