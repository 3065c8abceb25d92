// The "ComboBox" control: a selection field with a drop-down button at its
// right, and a list of entries that drops down under it.
//
// CBS_DROPDOWNLIST shows the selected entry; a tap anywhere on it drops the
// list down. CBS_DROPDOWN has a field the user types into (the combo box
// draws and edits that text itself: printable characters are appended,
// Backspace takes the last one off, CB_LIMITTEXT bounds what is typed); only
// its button drops the list down. CBS_SIMPLE (a list always shown) is drawn
// and handled as CBS_DROPDOWN.
//
// As on Win32 the window takes the height of its selection field when it is
// created or gets a font: the height a template gives is the room of the
// list. Here the list shows up to kMaxVisible entries and scrolls beyond
// that.
//
// The list is a top-most pop-up window ("ComboLBox") that never activates.
// While it is down it holds the stylus capture: a tap on an entry selects
// the entry, puts its text in the field and closes the list; a tap outside
// the list (the combo box's own button included) closes it without a
// change. A strip at the right of a list longer than kMaxVisible scrolls it
// (arrows by one entry, the track by a page). The parent hears
// CBN_DROPDOWN before the list shows (it may still fill the list), then on
// close CBN_SELENDOK or CBN_SELENDCANCEL, CBN_CLOSEUP, and CBN_SELCHANGE
// when the selection changed. Messages (CB_SETCURSEL, ...) send no
// notifications.
//
// Entries are compared without regard to case (ASCII and Latin-1 letters),
// for CBS_SORT and the CB_FIND... messages alike.
#include <algorithm>
#include <string>
#include <vector>

#include "ce_comctl.h"

namespace {

using ce::comctl::Lifeline;

constexpr int kMaxVisible = 8;
constexpr int kDataSlot = 0;
constexpr LPCWSTR kListClass = u"ComboLBox";

struct Item {
    std::u16string text;
    LPARAM data = 0;
};

struct ComboData {
    std::vector<Item> items;
    int sel = -1;
    size_t limit = 0;  // characters that may be typed; 0: no bound
    HFONT font = nullptr;
    bool focus = false;
    // The drop-down list.
    HWND list = nullptr;  // made on first drop, hidden while closed
    bool dropped = false;
    int top = 0;            // first entry shown
    bool listDown = false;  // the stylus went down on an entry
    int hot = -1;           // the entry under the stylus while it is down
};

ComboData* DataOf(HWND h) {
    return reinterpret_cast<ComboData*>(GetWindowLong(h, kDataSlot));
}

DWORD Kind(HWND h) {
    DWORD k = static_cast<DWORD>(GetWindowLong(h, GWL_STYLE)) & 3;
    return k == CBS_DROPDOWNLIST ? CBS_DROPDOWNLIST : CBS_DROPDOWN;
}

void Notify(HWND h, int code) {
    HWND parent = GetParent(h);
    if (parent)
        SendMessage(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(h), static_cast<WORD>(code)),
                    reinterpret_cast<LPARAM>(h));
}

// ---- Entries ------------------------------------------------------------------------------

char16_t Fold(char16_t c) {
    if ((c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return static_cast<char16_t>(c + 32);
    return c;
}

int Compare(std::u16string_view a, std::u16string_view b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        char16_t x = Fold(a[i]), y = Fold(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

bool StartsWith(std::u16string_view s, std::u16string_view prefix) {
    return s.size() >= prefix.size() && Compare(s.substr(0, prefix.size()), prefix) == 0;
}

bool Valid(const ComboData& d, WPARAM index) {
    return static_cast<size_t>(index) < d.items.size();
}

// Searches the entries after `start` (-1 or out of range: all), wrapping
// round to the beginning.
int Find(const ComboData& d, WPARAM start, LPCWSTR text, bool exact) {
    if (!text || d.items.empty()) return CB_ERR;
    std::u16string_view wanted(text);
    int n = static_cast<int>(d.items.size());
    int first = Valid(d, start) ? static_cast<int>(start) + 1 : 0;
    for (int k = 0; k < n; ++k) {
        int i = (first + k) % n;
        const std::u16string& s = d.items[static_cast<size_t>(i)].text;
        if (exact ? Compare(s, wanted) == 0 : StartsWith(s, wanted)) return i;
    }
    return CB_ERR;
}

// ---- Geometry -------------------------------------------------------------------------------

int TextHeight(HWND h, const ComboData& d) {
    return ce::comctl::FontHeight(h, d.font, 16);
}

int FieldHeight(HWND h, const ComboData& d) {
    return TextHeight(h, d) + 8;
}
int ItemHeight(HWND h, const ComboData& d) {
    return TextHeight(h, d) + 2;
}

void FitHeight(HWND h, const ComboData& d) {
    RECT r;
    GetWindowRect(h, &r);
    SetWindowPos(h, nullptr, 0, 0, r.right - r.left, FieldHeight(h, d), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

RECT ButtonRect(HWND h) {
    RECT rc;
    GetClientRect(h, &rc);
    InflateRect(&rc, -2, -2);
    rc.left = std::max(rc.left, rc.right - GetSystemMetrics(SM_CXVSCROLL));
    return rc;
}

int Visible(const ComboData& d) {
    return std::clamp(static_cast<int>(d.items.size()), 1, kMaxVisible);
}
bool Scrolls(const ComboData& d) {
    return static_cast<int>(d.items.size()) > kMaxVisible;
}

// Where the list drops down (screen, border included): under the box, or
// above it when the screen has no room below.
RECT ListRect(HWND h, const ComboData& d) {
    RECT box;
    GetWindowRect(h, &box);
    int height = Visible(d) * ItemHeight(h, d) + 2;
    RECT r{box.left, box.bottom, box.right, box.bottom + height};
    if (r.bottom > GetSystemMetrics(SM_CYSCREEN) && box.top - height >= 0) OffsetRect(&r, 0, box.top - height - r.top);
    return r;
}

int ClampTop(const ComboData& d, int top) {
    return std::clamp(top, 0, std::max(0, static_cast<int>(d.items.size()) - Visible(d)));
}

// Parts of the list's client area.
struct ListParts {
    RECT entries;
    RECT up, track, down;  // the scroll strip (empty when the list fits)
};

ListParts PartsOf(HWND list, const ComboData& d) {
    ListParts p{};
    GetClientRect(list, &p.entries);
    if (!Scrolls(d)) return p;
    int w = GetSystemMetrics(SM_CXVSCROLL);
    RECT strip = p.entries;
    strip.left = p.entries.right = strip.right - w;
    p.up = {strip.left, strip.top, strip.right, std::min(strip.bottom, strip.top + w)};
    p.down = {strip.left, std::max(p.up.bottom, strip.bottom - w), strip.right, strip.bottom};
    p.track = {strip.left, p.up.bottom, strip.right, p.down.top};
    return p;
}

RECT ThumbRect(const ListParts& p, const ComboData& d) {
    int count = static_cast<int>(d.items.size());
    int track = p.track.bottom - p.track.top;
    int thumb = std::min(track, std::max(8, track * Visible(d) / std::max(1, count)));
    int range = count - Visible(d);
    int at = range > 0 ? (track - thumb) * d.top / range : 0;
    return {p.track.left, p.track.top + at, p.track.right, p.track.top + at + thumb};
}

// The entry at a point of the list's client area; -1 for none.
int EntryAt(HWND list, HWND combo, const ComboData& d, POINT pt) {
    ListParts p = PartsOf(list, d);
    if (!PtInRect(&p.entries, pt)) return -1;
    int i = d.top + (pt.y - p.entries.top) / ItemHeight(combo, d);
    return i < static_cast<int>(d.items.size()) ? i : -1;
}

// ---- Painting -------------------------------------------------------------------------------

bool Hollow(HBRUSH b) {
    if (!b || b == GetStockObject(NULL_BRUSH)) return true;
    LOGBRUSH lb{};
    return GetObject(b, sizeof lb, &lb) == sizeof lb && lb.lbStyle == BS_NULL;
}

// A small black triangle pointing up or down, centred in `r`.
void Arrow(HDC dc, const RECT& r, bool down) {
    HBRUSH black = GetSysColorBrush(COLOR_BTNTEXT);
    int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
    for (int k = 0; k < 4; ++k) {
        int row = down ? cy - 2 + k : cy + 1 - k;
        RECT line{cx - 3 + k, row, cx + 4 - k, row + 1};
        FillRect(dc, &line, black);
    }
}

void PaintCombo(HWND h, HDC dc, const ComboData& d) {
    RECT rc;
    GetClientRect(h, &rc);
    RECT edge = rc;
    DrawEdge(dc, &edge, EDGE_SUNKEN, BF_RECT);
    RECT button = ButtonRect(h);
    RECT field = rc;
    InflateRect(&field, -2, -2);
    field.right = button.left;

    bool enabled = IsWindowEnabled(h) != FALSE;
    HGDIOBJ oldFont = d.font ? SelectObject(dc, d.font) : nullptr;
    HWND parent = GetParent(h);
    auto brush = parent ? reinterpret_cast<HBRUSH>(SendMessage(parent, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                                                               reinterpret_cast<LPARAM>(h)))
                        : nullptr;
    if (!enabled)
        FillRect(dc, &field, GetSysColorBrush(COLOR_BTNFACE));
    else if (!Hollow(brush))
        FillRect(dc, &field, brush);
    else if (!parent)
        FillRect(dc, &field, GetSysColorBrush(COLOR_WINDOW));

    WCHAR text[512];
    int n = GetWindowText(h, text, 512);
    RECT t = field;
    InflateRect(&t, -1, -1);
    if (enabled && d.focus && !d.dropped && Kind(h) == CBS_DROPDOWNLIST) {
        FillRect(dc, &t, GetSysColorBrush(COLOR_HIGHLIGHT));
        SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
    } else if (!enabled) {
        SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    } else if (!parent) {
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    }
    SetBkMode(dc, TRANSPARENT);
    t.left += 2;
    if (n > 0) DrawText(dc, text, n, &t, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    if (enabled && d.focus && Kind(h) == CBS_DROPDOWN) {
        // The caret, after the text.
        SIZE ext{};
        if (n > 0) GetTextExtentPoint32(dc, text, n, &ext);
        int x = std::min<LONG>(t.left + ext.cx, t.right - 1);
        RECT caret{x, t.top + 1, x + 1, t.bottom - 1};
        FillRect(dc, &caret, GetSysColorBrush(COLOR_WINDOWTEXT));
    }
    if (oldFont) SelectObject(dc, oldFont);

    FillRect(dc, &button, GetSysColorBrush(COLOR_BTNFACE));
    RECT b = button;
    DrawEdge(dc, &b, d.dropped ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    Arrow(dc, button, true);
}

void PaintList(HWND list, HWND combo, HDC dc, const ComboData& d) {
    ListParts p = PartsOf(list, d);
    FillRect(dc, &p.entries, GetSysColorBrush(COLOR_WINDOW));
    HGDIOBJ oldFont = d.font ? SelectObject(dc, d.font) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    int ih = ItemHeight(combo, d);
    int lit = d.listDown ? d.hot : d.sel;
    int end = std::min(static_cast<int>(d.items.size()), d.top + Visible(d));
    for (int i = d.top; i < end; ++i) {
        RECT row{p.entries.left, p.entries.top + (i - d.top) * ih, p.entries.right,
                 p.entries.top + (i - d.top + 1) * ih};
        if (i == lit) FillRect(dc, &row, GetSysColorBrush(COLOR_HIGHLIGHT));
        SetTextColor(dc, GetSysColor(i == lit ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
        RECT t = row;
        t.left += 3;
        const std::u16string& s = d.items[static_cast<size_t>(i)].text;
        if (!s.empty())
            DrawText(dc, s.c_str(), static_cast<int>(s.size()), &t, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
    if (oldFont) SelectObject(dc, oldFont);
    if (!Scrolls(d)) return;
    FillRect(dc, &p.track, GetSysColorBrush(COLOR_SCROLLBAR));
    for (const RECT* r : {&p.up, &p.down}) {
        RECT e = *r;
        FillRect(dc, &e, GetSysColorBrush(COLOR_BTNFACE));
        DrawEdge(dc, &e, EDGE_RAISED, BF_RECT);
        Arrow(dc, *r, r == &p.down);
    }
    RECT thumb = ThumbRect(p, d);
    FillRect(dc, &thumb, GetSysColorBrush(COLOR_BTNFACE));
    DrawEdge(dc, &thumb, EDGE_RAISED, BF_RECT);
}

// ---- Selection and the list -------------------------------------------------------------------

void Refresh(HWND h, const ComboData& d) {
    InvalidateRect(h, nullptr, FALSE);
    if (d.dropped && d.list) InvalidateRect(d.list, nullptr, FALSE);
}

void SetFieldText(HWND h, std::u16string_view text) {
    std::u16string s(text);
    DefWindowProc(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(s.c_str()));
}

// Selects an entry (-1: none) and shows it in the field.
void Select(HWND h, ComboData& d, int index) {
    d.sel = index;
    SetFieldText(h, index >= 0 ? std::u16string_view(d.items[static_cast<size_t>(index)].text) : u"");
    if (index >= 0 && d.dropped) {
        if (index < d.top) d.top = index;
        if (index >= d.top + Visible(d)) d.top = ClampTop(d, index - Visible(d) + 1);
    }
    Refresh(h, d);
}

void ShowList(HWND h, ComboData& d) {
    if (d.dropped || !IsWindowEnabled(h)) return;
    Lifeline life(h);
    Notify(h, CBN_DROPDOWN);
    if (!life || d.dropped || !IsWindowVisible(h)) return;
    if (!d.list || !IsWindow(d.list)) {
        HWND owner = h;
        while (owner && (GetWindowLong(owner, GWL_STYLE) & WS_CHILD)) owner = GetParent(owner);
        d.list = CreateWindowEx(WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW, kListClass, u"",
                                WS_POPUP | WS_BORDER, 0, 0, 1, 1, owner, nullptr, nullptr, nullptr);
        if (!d.list) return;
        SetWindowLong(d.list, GWL_USERDATA, reinterpret_cast<LONG_PTR>(h));
    }
    RECT r = ListRect(h, d);
    d.top = ClampTop(d, d.sel >= 0 ? d.sel - Visible(d) + 1 : 0);
    d.dropped = true;
    d.listDown = false;
    d.hot = -1;
    SetWindowPos(d.list, HWND_TOPMOST, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_SHOWWINDOW | SWP_NOACTIVATE);
    InvalidateRect(d.list, nullptr, FALSE);
    SetCapture(d.list);
    InvalidateRect(h, nullptr, FALSE);
}

// Closes the list; `chosen` is the entry picked (-1: closed without a
// choice).
void CloseList(HWND h, ComboData& d, int chosen) {
    if (!d.dropped) return;
    d.dropped = false;
    d.listDown = false;
    d.hot = -1;
    if (d.list && IsWindow(d.list)) {
        if (GetCapture() == d.list) ReleaseCapture();
        ShowWindow(d.list, SW_HIDE);
    }
    bool changed = chosen >= 0 && chosen != d.sel;
    if (chosen >= 0) Select(h, d, chosen);
    InvalidateRect(h, nullptr, FALSE);
    Lifeline life(h);
    Notify(h, chosen >= 0 ? CBN_SELENDOK : CBN_SELENDCANCEL);
    if (life) Notify(h, CBN_CLOSEUP);
    if (life && changed) Notify(h, CBN_SELCHANGE);
}

// Moves the selection by the arrow keys, as the user's choice.
void Step(HWND h, ComboData& d, int delta) {
    if (d.items.empty()) return;
    int next = std::clamp(d.sel < 0 ? 0 : d.sel + delta, 0, static_cast<int>(d.items.size()) - 1);
    if (next == d.sel) return;
    Select(h, d, next);
    Notify(h, CBN_SELCHANGE);
}

// ---- The list's window procedure ------------------------------------------------------------

void Scroll(HWND list, ComboData& d, int top) {
    top = ClampTop(d, top);
    if (top == d.top) return;
    d.top = top;
    InvalidateRect(list, nullptr, FALSE);
}

LRESULT OnListPaint(HWND list, HWND combo, const ComboData& d) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(list, &ps);
    if (dc) PaintList(list, combo, dc, d);
    EndPaint(list, &ps);
    return 0;
}

// Outside the list a press closes it; on the strip it scrolls; on an entry
// it marks the entry until the stylus comes up.
LRESULT OnListPress(HWND list, HWND combo, ComboData& d, POINT pt) {
    RECT client;
    GetClientRect(list, &client);
    if (!PtInRect(&client, pt)) {
        CloseList(combo, d, -1);
        return 0;
    }
    ListParts p = PartsOf(list, d);
    if (PtInRect(&p.up, pt)) {
        Scroll(list, d, d.top - 1);
    } else if (PtInRect(&p.down, pt)) {
        Scroll(list, d, d.top + 1);
    } else if (PtInRect(&p.track, pt)) {
        RECT thumb = ThumbRect(p, d);
        if (pt.y < thumb.top) Scroll(list, d, d.top - Visible(d));
        if (pt.y >= thumb.bottom) Scroll(list, d, d.top + Visible(d));
    } else {
        d.listDown = true;
        d.hot = EntryAt(list, combo, d, pt);
        InvalidateRect(list, nullptr, FALSE);
    }
    return 0;
}

LRESULT OnListMove(HWND list, HWND combo, ComboData& d, POINT pt) {
    if (!d.listDown) return 0;
    int hot = EntryAt(list, combo, d, pt);
    if (hot != d.hot) {
        d.hot = hot;
        InvalidateRect(list, nullptr, FALSE);
    }
    return 0;
}

// Released over an entry, the stylus chooses it (the list closes).
LRESULT OnListRelease(HWND list, HWND combo, ComboData& d, POINT pt) {
    if (!d.listDown) return 0;
    d.listDown = false;
    int chosen = EntryAt(list, combo, d, pt);
    if (chosen >= 0) {
        CloseList(combo, d, chosen);
    } else {
        d.hot = -1;
        InvalidateRect(list, nullptr, FALSE);
    }
    return 0;
}

// Something else took the stylus: the list goes away.
LRESULT OnListCaptureChanged(HWND combo, ComboData& d) {
    if (d.dropped) CloseList(combo, d, -1);
    return 0;
}

LRESULT CALLBACK ListProc(HWND list, UINT msg, WPARAM wp, LPARAM lp) {
    HWND combo = reinterpret_cast<HWND>(GetWindowLong(list, GWL_USERDATA));
    ComboData* d = combo && IsWindow(combo) ? DataOf(combo) : nullptr;
    if (!d) return DefWindowProc(list, msg, wp, lp);
    POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    switch (msg) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT:
            return OnListPaint(list, combo, *d);
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            return OnListPress(list, combo, *d, pt);
        case WM_MOUSEMOVE:
            return OnListMove(list, combo, *d, pt);
        case WM_LBUTTONUP:
            return OnListRelease(list, combo, *d, pt);
        case WM_CAPTURECHANGED:
            return OnListCaptureChanged(combo, *d);
        default:
            return DefWindowProc(list, msg, wp, lp);
    }
}

// ---- The combo box's window procedure ---------------------------------------------------------

LRESULT SetCurSel(HWND h, ComboData& d, WPARAM index) {
    if (!Valid(d, index)) {
        Select(h, d, -1);
        return CB_ERR;
    }
    Select(h, d, static_cast<int>(index));
    return static_cast<LRESULT>(index);
}

LRESULT Insert(HWND h, ComboData& d, WPARAM at, LPCWSTR text, bool add) {
    if (!text) return CB_ERR;
    size_t pos;
    if (add && (GetWindowLong(h, GWL_STYLE) & CBS_SORT)) {
        auto it = std::upper_bound(d.items.begin(), d.items.end(), std::u16string_view(text),
                                   [](std::u16string_view s, const Item& e) { return Compare(s, e.text) < 0; });
        pos = static_cast<size_t>(it - d.items.begin());
    } else if (add || static_cast<int>(at) == -1) {
        pos = d.items.size();
    } else if (at <= d.items.size()) {
        pos = at;
    } else {
        return CB_ERR;
    }
    d.items.insert(d.items.begin() + static_cast<ptrdiff_t>(pos), Item{text, 0});
    if (d.sel >= static_cast<int>(pos)) ++d.sel;
    Refresh(h, d);
    return static_cast<LRESULT>(pos);
}

LRESULT Delete(HWND h, ComboData& d, WPARAM index) {
    if (!Valid(d, index)) return CB_ERR;
    int i = static_cast<int>(index);
    d.items.erase(d.items.begin() + i);
    if (d.sel == i) {
        d.sel = -1;
        if (Kind(h) == CBS_DROPDOWNLIST) SetFieldText(h, u"");
    } else if (d.sel > i) {
        --d.sel;
    }
    d.top = ClampTop(d, d.top);
    Refresh(h, d);
    return static_cast<LRESULT>(d.items.size());
}

// WM_SETTEXT: a drop-down list only shows its entries, so the text must be
// one of them (it is selected; CB_ERR otherwise).
LRESULT SetText(HWND h, ComboData& d, LPCWSTR text) {
    if (Kind(h) == CBS_DROPDOWNLIST) {
        if (!text || !*text) {
            Select(h, d, -1);
            return TRUE;
        }
        int i = Find(d, static_cast<WPARAM>(-1), text, true);
        if (i < 0) return CB_ERR;
        Select(h, d, i);
        return TRUE;
    }
    LRESULT r = DefWindowProc(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
    InvalidateRect(h, nullptr, FALSE);
    return r;
}

void Type(HWND h, ComboData& d, WCHAR ch) {
    int n = GetWindowTextLength(h);
    std::u16string text(static_cast<size_t>(n) + 1, u'\0');
    GetWindowText(h, text.data(), n + 1);
    text.resize(static_cast<size_t>(n));
    if (ch == VK_BACK) {
        if (text.empty()) return;
        text.pop_back();
    } else if (ch >= 0x20 && ch != 0x7F) {
        if (d.limit && text.size() >= d.limit) return;
        text += ch;
    } else {
        return;
    }
    SetFieldText(h, text);
    InvalidateRect(h, nullptr, FALSE);
    Lifeline life(h);
    Notify(h, CBN_EDITUPDATE);
    if (life) Notify(h, CBN_EDITCHANGE);
}

// ---- Window messages ------------------------------------------------------------------------

LRESULT OnNcCreate(HWND h, WPARAM wp, LPARAM lp) {
    SetWindowLong(h, kDataSlot, reinterpret_cast<LONG_PTR>(new ComboData));
    return DefWindowProc(h, WM_NCCREATE, wp, lp);
}

LRESULT OnCreate(HWND h, ComboData& d) {
    FitHeight(h, d);
    return 0;
}

LRESULT OnDestroy(ComboData& d) {
    if (d.list && IsWindow(d.list)) {
        SetWindowLong(d.list, GWL_USERDATA, 0);
        DestroyWindow(d.list);
    }
    d.list = nullptr;
    d.dropped = false;
    return 0;
}

LRESULT OnNcDestroy(HWND h, ComboData* d) {
    SetWindowLong(h, kDataSlot, 0);
    delete d;
    return 0;
}

LRESULT OnSetFont(HWND h, ComboData& d, HFONT font, bool redraw) {
    d.font = font;
    FitHeight(h, d);
    if (redraw) InvalidateRect(h, nullptr, TRUE);
    return 0;
}

LRESULT OnGetDlgCode(HWND h, const ComboData& d) {
    LRESULT code = DLGC_WANTARROWS | (Kind(h) == CBS_DROPDOWN ? DLGC_WANTCHARS | DLGC_HASSETSEL : 0);
    return d.dropped ? code | DLGC_WANTALLKEYS : code;
}

LRESULT OnEnable(HWND h, ComboData& d, bool enabled) {
    Lifeline life(h);
    if (!enabled) CloseList(h, d, -1);
    if (life) InvalidateRect(h, nullptr, FALSE);
    return 0;
}

LRESULT OnPaint(HWND h, const ComboData& d) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    if (dc) PaintCombo(h, dc, d);
    EndPaint(h, &ps);
    return 0;
}

LRESULT OnSetFocus(HWND h, ComboData& d) {
    d.focus = true;
    InvalidateRect(h, nullptr, FALSE);
    Notify(h, CBN_SETFOCUS);
    return 0;
}

LRESULT OnKillFocus(HWND h, ComboData& d) {
    d.focus = false;
    Lifeline life(h);
    CloseList(h, d, -1);
    if (!life) return 0;
    InvalidateRect(h, nullptr, FALSE);
    Notify(h, CBN_KILLFOCUS);
    return 0;
}

LRESULT OnButtonDown(HWND h, POINT pt) {
    Lifeline life(h);
    if (GetFocus() != h) SetFocus(h);  // the parent hears CBN_SETFOCUS
    if (!life) return 0;
    RECT button = ButtonRect(h);
    if (Kind(h) == CBS_DROPDOWNLIST || PtInRect(&button, pt)) ShowList(h, *DataOf(h));
    return 0;
}

LRESULT OnKeyDown(HWND h, ComboData& d, WPARAM vk, LPARAM lp) {
    switch (vk) {
        case VK_F4:
            if (d.dropped)
                CloseList(h, d, d.sel);
            else
                ShowList(h, d);
            return 0;
        case VK_UP:
        case VK_LEFT:
            Step(h, d, -1);
            return 0;
        case VK_DOWN:
        case VK_RIGHT:
            Step(h, d, 1);
            return 0;
        case VK_RETURN:
            if (d.dropped) CloseList(h, d, d.sel);
            return 0;
        case VK_ESCAPE:
            if (d.dropped) CloseList(h, d, -1);
            return 0;
        default:
            return DefWindowProc(h, WM_KEYDOWN, vk, lp);
    }
}

LRESULT OnChar(HWND h, ComboData& d, WCHAR ch) {
    if (Kind(h) == CBS_DROPDOWN) Type(h, d, ch);
    return 0;
}

// ---- The combo box's own messages -----------------------------------------------------------

LRESULT ResetContent(HWND h, ComboData& d) {
    d.items.clear();
    d.top = 0;
    Select(h, d, -1);
    return CB_OKAY;
}

LRESULT GetText(const ComboData& d, WPARAM index, LPWSTR buf) {
    if (!Valid(d, index) || !buf) return CB_ERR;
    const std::u16string& s = d.items[index].text;
    std::copy(s.begin(), s.end(), buf);
    buf[s.size()] = 0;
    return static_cast<LRESULT>(s.size());
}

LRESULT SetItemData(ComboData& d, WPARAM index, LPARAM data) {
    if (!Valid(d, index)) return CB_ERR;
    d.items[index].data = data;
    return TRUE;
}

LRESULT SelectString(HWND h, ComboData& d, WPARAM start, LPCWSTR text) {
    int i = Find(d, start, text, false);
    if (i >= 0) Select(h, d, i);
    return i;
}

LRESULT ShowDropDown(HWND h, ComboData& d, bool show) {
    if (show)
        ShowList(h, d);
    else
        CloseList(h, d, -1);
    return TRUE;
}

LRESULT GetDroppedRect(HWND h, const ComboData& d, RECT* r) {
    if (!r) return CB_ERR;
    *r = ListRect(h, d);
    if (d.dropped && d.list) GetWindowRect(d.list, r);
    return TRUE;
}

LRESULT SetTopIndex(HWND h, ComboData& d, WPARAM index) {
    if (!Valid(d, index)) return CB_ERR;
    d.top = ClampTop(d, static_cast<int>(index));
    Refresh(h, d);
    return CB_OKAY;
}

LRESULT LimitText(ComboData& d, WPARAM limit) {
    d.limit = static_cast<size_t>(limit);
    return TRUE;
}

LRESULT ComboMessage(HWND h, ComboData& d, UINT msg, WPARAM wp, LPARAM lp) {
    auto text = reinterpret_cast<LPCWSTR>(lp);
    switch (msg) {
        case CB_ADDSTRING:
            return Insert(h, d, 0, text, true);
        case CB_INSERTSTRING:
            return Insert(h, d, wp, text, false);
        case CB_DELETESTRING:
            return Delete(h, d, wp);
        case CB_RESETCONTENT:
            return ResetContent(h, d);
        case CB_GETCOUNT:
            return static_cast<LRESULT>(d.items.size());
        case CB_SETCURSEL:
            return SetCurSel(h, d, wp);
        case CB_GETCURSEL:
            return d.sel;
        case CB_GETLBTEXT:
            return GetText(d, wp, reinterpret_cast<LPWSTR>(lp));
        case CB_GETLBTEXTLEN:
            return Valid(d, wp) ? static_cast<LRESULT>(d.items[wp].text.size()) : CB_ERR;
        case CB_GETITEMDATA:
            return Valid(d, wp) ? d.items[wp].data : CB_ERR;
        case CB_SETITEMDATA:
            return SetItemData(d, wp, lp);
        case CB_FINDSTRINGEXACT:
            return Find(d, wp, text, true);
        case CB_FINDSTRING:
            return Find(d, wp, text, false);
        case CB_SELECTSTRING:
            return SelectString(h, d, wp, text);
        case CB_SHOWDROPDOWN:
            return ShowDropDown(h, d, wp != 0);
        case CB_GETDROPPEDSTATE:
            return d.dropped ? TRUE : FALSE;
        case CB_GETDROPPEDCONTROLRECT:
            return GetDroppedRect(h, d, reinterpret_cast<RECT*>(lp));
        case CB_GETITEMHEIGHT:
            return static_cast<int>(wp) == -1 ? FieldHeight(h, d) : ItemHeight(h, d);
        case CB_GETTOPINDEX:
            return d.top;
        case CB_SETTOPINDEX:
            return SetTopIndex(h, d, wp);
        case CB_LIMITTEXT:
            return LimitText(d, wp);
        default:
            return DefWindowProc(h, msg, wp, lp);
    }
}

LRESULT CALLBACK ComboProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) return OnNcCreate(h, wp, lp);
    ComboData* d = DataOf(h);
    if (!d) return DefWindowProc(h, msg, wp, lp);
    switch (msg) {
        case WM_CREATE:
            return OnCreate(h, *d);
        case WM_DESTROY:
            return OnDestroy(*d);
        case WM_NCDESTROY:
            return OnNcDestroy(h, d);
        case WM_SETFONT:
            return OnSetFont(h, *d, reinterpret_cast<HFONT>(wp), LOWORD(lp) != 0);
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(d->font);
        case WM_SETTEXT:
            return SetText(h, *d, reinterpret_cast<LPCWSTR>(lp));
        case WM_GETDLGCODE:
            return OnGetDlgCode(h, *d);
        case WM_ENABLE:
            return OnEnable(h, *d, wp != 0);
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT:
            return OnPaint(h, *d);
        case WM_SETFOCUS:
            return OnSetFocus(h, *d);
        case WM_KILLFOCUS:
            return OnKillFocus(h, *d);
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            return OnButtonDown(h, POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
        case WM_KEYDOWN:
            return OnKeyDown(h, *d, wp, lp);
        case WM_CHAR:
            return OnChar(h, *d, static_cast<WCHAR>(wp));
        default:
            return ComboMessage(h, *d, msg, wp, lp);
    }
}

}  // namespace

namespace ce::comctl {

void RegisterComboBoxClass() {
    WNDCLASSW wc{};
    wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = ComboProc;
    wc.cbWndExtra = 4;
    wc.lpszClassName = u"ComboBox";
    ce::user::RegisterBuiltinClass(wc);

    WNDCLASSW list{};
    list.style = CS_SAVEBITS;
    list.lpfnWndProc = ListProc;
    list.lpszClassName = kListClass;
    ce::user::RegisterBuiltinClass(list);
}

}  // namespace ce::comctl
