// The file dialog's list of folders and files (see filelist.h).
//
// Rows are as high as the font's line plus a little room for the stylus;
// a tap selects the row under it, a double tap reports LBN_DBLCLK, the
// arrow keys move the selection. The scroll bar at the right is the common
// scroll-bar model drawn inside the client area, worked by the stylus.
#include "filelist.h"

#include <algorithm>
#include <string>
#include <vector>

#include "ce_comctl.h"
#include "scrollbar.h"

namespace {

using ce::comctl::ClientBarRect;
using ce::comctl::Lifeline;
using ce::comctl::ScrollBarModel;
using ce::comctl::ScrollRequest;
using ce::comctl::ScrollTarget;

struct Row {
    std::u16string text;
    LPARAM data = 0;
};

struct ListData {
    std::vector<Row> rows;
    int sel = -1;
    int top = 0;
    HFONT font = nullptr;
    ScrollBarModel vbar{true};
};

constexpr int kDataSlot = 0;
constexpr int kIconSize = 16;

ListData* DataOf(HWND h) {
    return reinterpret_cast<ListData*>(GetWindowLong(h, kDataSlot));
}

int Count(const ListData& d) {
    return static_cast<int>(d.rows.size());
}

int RowHeight(HWND h, const ListData& d) {
    return std::max(kIconSize, ce::comctl::FontHeight(h, d.font, kIconSize)) + 4;
}

int VisibleRows(HWND h, const ListData& d) {
    RECT rc;
    GetClientRect(h, &rc);
    return std::max(1, static_cast<int>(rc.bottom - rc.top) / RowHeight(h, d));
}

bool HasBar(HWND h, const ListData& d) {
    return Count(d) > VisibleRows(h, d);
}

void UpdateBar(HWND h, ListData& d) {
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMin = 0;
    si.nMax = std::max(0, Count(d) - 1);
    si.nPage = static_cast<UINT>(VisibleRows(h, d));
    si.nPos = d.top;
    d.vbar.SetInfo(si);
}

void ScrollTo(HWND h, ListData& d, int top) {
    int maxTop = std::max(0, Count(d) - VisibleRows(h, d));
    top = std::clamp(top, 0, maxTop);
    if (top != d.top) {
        d.top = top;
        InvalidateRect(h, nullptr, TRUE);
    }
    UpdateBar(h, d);
}

void ApplyScroll(HWND h, ListData& d, const ScrollRequest& r) {
    if (auto to = ScrollTarget(r.code, r.pos, d.top, 1, VisibleRows(h, d), Count(d))) ScrollTo(h, d, *to);
}

void EnsureVisible(HWND h, ListData& d, int index) {
    if (index < 0) return;
    int page = VisibleRows(h, d);
    if (index < d.top)
        ScrollTo(h, d, index);
    else if (index >= d.top + page)
        ScrollTo(h, d, index - page + 1);
}

void Notify(HWND h, WORD code) {
    HWND parent = GetParent(h);
    if (parent)
        SendMessage(parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(h)), code),
                    reinterpret_cast<LPARAM>(h));
}

void Select(HWND h, ListData& d, int index, bool notify) {
    if (index < -1 || index >= Count(d)) index = -1;
    if (index == d.sel) return;
    d.sel = index;
    EnsureVisible(h, d, index);
    InvalidateRect(h, nullptr, TRUE);
    if (notify) Notify(h, LBN_SELCHANGE);
}

RECT ItemRect(HWND h, const ListData& d, int index) {
    RECT rc;
    GetClientRect(h, &rc);
    int height = RowHeight(h, d);
    RECT r{rc.left, rc.top + (index - d.top) * height, rc.right, rc.top + (index - d.top + 1) * height};
    if (HasBar(h, d)) r.right = ClientBarRect(h).left;
    return r;
}

int IndexAt(HWND h, const ListData& d, POINT p) {
    RECT rc;
    GetClientRect(h, &rc);
    if (p.y < rc.top) return -1;
    int index = d.top + static_cast<int>(p.y - rc.top) / RowHeight(h, d);
    return index < Count(d) ? index : -1;
}

void Fill(HDC dc, int l, int t, int r, int b, COLORREF c) {
    RECT rc{l, t, r, b};
    HBRUSH brush = CreateSolidBrush(c);
    FillRect(dc, &rc, brush);
    DeleteObject(brush);
}

// A folder: a yellow body with a tab; a file: a white page with a folded corner.
void DrawIcon(HDC dc, int x, int y, bool folder) {
    const COLORREF line = RGB(96, 96, 96);
    if (folder) {
        Fill(dc, x + 1, y + 3, x + 7, y + 5, line);
        Fill(dc, x + 1, y + 5, x + 15, y + 14, line);
        Fill(dc, x + 2, y + 4, x + 6, y + 5, RGB(240, 200, 80));
        Fill(dc, x + 2, y + 6, x + 14, y + 13, RGB(250, 214, 96));
    } else {
        Fill(dc, x + 3, y + 1, x + 13, y + 15, line);
        Fill(dc, x + 4, y + 2, x + 12, y + 14, RGB(255, 255, 255));
        Fill(dc, x + 9, y + 2, x + 12, y + 5, RGB(200, 200, 200));
        for (int i = 0; i < 3; ++i) Fill(dc, x + 5, y + 7 + 2 * i, x + 11, y + 8 + 2 * i, RGB(150, 150, 150));
    }
}

void Paint(HWND h, HDC dc, ListData& d) {
    RECT rc;
    GetClientRect(h, &rc);
    const bool enabled = IsWindowEnabled(h) != FALSE;
    if (HasBar(h, d)) {
        RECT bar = ClientBarRect(h);
        d.vbar.Draw(dc, bar, enabled);
        rc.right = bar.left;
    }
    FillRect(dc, &rc, GetSysColorBrush(COLOR_WINDOW));
    HGDIOBJ oldFont = d.font ? SelectObject(dc, d.font) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    const bool focused = GetFocus() == h;
    int page = VisibleRows(h, d) + 1;
    for (int i = d.top; i < Count(d) && i < d.top + page; ++i) {
        RECT r = ItemRect(h, d, i);
        r.right = rc.right;
        bool selected = i == d.sel;
        if (selected) {
            RECT hl = r;
            hl.left += kIconSize + 4;
            FillRect(dc, &hl, GetSysColorBrush(focused ? COLOR_HIGHLIGHT : COLOR_BTNFACE));
        }
        int height = r.bottom - r.top;
        DrawIcon(dc, r.left + 2, r.top + (height - kIconSize) / 2, d.rows[static_cast<size_t>(i)].data == 1);
        SetTextColor(dc, GetSysColor(!enabled              ? COLOR_GRAYTEXT
                                     : selected && focused ? COLOR_HIGHLIGHTTEXT
                                                           : COLOR_WINDOWTEXT));
        RECT tr = r;
        tr.left += kIconSize + 6;
        const auto& text = d.rows[static_cast<size_t>(i)].text;
        DrawText(dc, text.c_str(), static_cast<int>(text.size()), &tr,
                 DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
    if (oldFont) SelectObject(dc, oldFont);
}

LRESULT OnPress(HWND h, POINT p, bool dbl) {
    Lifeline life(h);
    if (GetFocus() != h) SetFocus(h);
    if (!life) return 0;
    ListData& d = *DataOf(h);
    if (HasBar(h, d)) {
        RECT bar = ClientBarRect(h);
        if (PtInRect(&bar, p)) {
            UpdateBar(h, d);
            auto reqs = d.vbar.Press(bar, p);
            if (d.vbar.Tracking()) SetCapture(h);
            for (auto& r : reqs) ApplyScroll(h, d, r);
            InvalidateRect(h, nullptr, TRUE);
            return 0;
        }
    }
    int index = IndexAt(h, d, p);
    if (index < 0) return 0;
    Select(h, d, index, true);
    if (dbl && life && index == d.sel) Notify(h, LBN_DBLCLK);
    return 0;
}

LRESULT OnKey(HWND h, ListData& d, UINT vk) {
    if (d.rows.empty()) return 0;
    int page = VisibleRows(h, d);
    int sel = d.sel;
    switch (vk) {
        case VK_UP:
            sel = sel < 0 ? 0 : sel - 1;
            break;
        case VK_DOWN:
            sel = sel + 1;
            break;
        case VK_PRIOR:
            sel = std::max(0, sel - page);
            break;
        case VK_NEXT:
            sel = sel + page;
            break;
        case VK_HOME:
            sel = 0;
            break;
        case VK_END:
            sel = Count(d) - 1;
            break;
        default:
            return 0;
    }
    Select(h, d, std::clamp(sel, 0, Count(d) - 1), true);
    return 0;
}

LRESULT OnNcCreate(HWND h, WPARAM wp, LPARAM lp) {
    SetWindowLong(h, kDataSlot, reinterpret_cast<LONG_PTR>(new ListData));
    return DefWindowProc(h, WM_NCCREATE, wp, lp);
}

LRESULT OnNcDestroy(HWND h, ListData* d) {
    SetWindowLong(h, kDataSlot, 0);
    delete d;
    return 0;
}

LRESULT OnSize(HWND h, ListData& d) {
    ScrollTo(h, d, d.top);
    InvalidateRect(h, nullptr, TRUE);
    return 0;
}

LRESULT OnSetFont(HWND h, ListData& d, HFONT font, bool redraw) {
    d.font = font;
    UpdateBar(h, d);
    if (redraw) InvalidateRect(h, nullptr, TRUE);
    return 0;
}

LRESULT OnPaint(HWND h, ListData& d) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    if (dc) Paint(h, dc, d);
    EndPaint(h, &ps);
    return 0;
}

POINT PointOf(LPARAM lp) {
    return POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
}

LRESULT OnMouseMove(HWND h, ListData& d, POINT p) {
    if (!d.vbar.Tracking()) return 0;
    for (auto& r : d.vbar.Move(ClientBarRect(h), p)) ApplyScroll(h, d, r);
    InvalidateRect(h, nullptr, TRUE);
    return 0;
}

LRESULT OnButtonUp(HWND h, ListData& d, POINT p) {
    std::vector<ScrollRequest> reqs;
    if (d.vbar.Tracking()) reqs = d.vbar.Release(ClientBarRect(h), p);
    if (GetCapture() == h) ReleaseCapture();
    for (auto& r : reqs) ApplyScroll(h, d, r);
    InvalidateRect(h, nullptr, TRUE);
    return 0;
}

LRESULT OnCaptureChanged(HWND h, ListData& d) {
    if (d.vbar.Tracking()) {
        d.vbar.Cancel();
        InvalidateRect(h, nullptr, TRUE);
    }
    return 0;
}

LRESULT OnVScroll(HWND h, ListData& d, WPARAM wp) {
    ApplyScroll(h, d, {LOWORD(wp), static_cast<short>(HIWORD(wp))});
    return 0;
}

// ---- The list-box messages ------------------------------------------------------------------

bool Valid(const ListData& d, int index) {
    return index >= 0 && index < Count(d);
}

LRESULT AddString(HWND h, ListData& d, LPCWSTR s) {
    d.rows.push_back({s ? std::u16string(s) : std::u16string(), 0});
    UpdateBar(h, d);
    InvalidateRect(h, nullptr, TRUE);
    return Count(d) - 1;
}

LRESULT ResetContent(HWND h, ListData& d) {
    d.rows.clear();
    d.sel = -1;
    d.top = 0;
    UpdateBar(h, d);
    InvalidateRect(h, nullptr, TRUE);
    return 0;
}

LRESULT SetCurSel(HWND h, ListData& d, int index) {
    if (index != -1 && !Valid(d, index)) return LB_ERR;
    Select(h, d, index, false);
    return index;
}

LRESULT SetTopIndex(HWND h, ListData& d, int index) {
    if (!Valid(d, index)) return LB_ERR;
    ScrollTo(h, d, index);
    return 0;
}

LRESULT GetText(const ListData& d, int index, LPWSTR buf) {
    if (!Valid(d, index) || !buf) return LB_ERR;
    const auto& t = d.rows[static_cast<size_t>(index)].text;
    std::copy(t.begin(), t.end(), buf);
    buf[t.size()] = 0;
    return static_cast<LRESULT>(t.size());
}

LRESULT GetTextLen(const ListData& d, int index) {
    return Valid(d, index) ? static_cast<LRESULT>(d.rows[static_cast<size_t>(index)].text.size()) : LB_ERR;
}

LRESULT SetItemData(HWND h, ListData& d, int index, LPARAM data) {
    if (!Valid(d, index)) return LB_ERR;
    d.rows[static_cast<size_t>(index)].data = data;
    InvalidateRect(h, nullptr, TRUE);
    return TRUE;
}

LRESULT GetItemRect(HWND h, const ListData& d, int index, RECT* r) {
    if (!Valid(d, index) || !r) return LB_ERR;
    *r = ItemRect(h, d, index);
    return TRUE;
}

LRESULT ListBoxMessage(HWND h, ListData& d, UINT msg, WPARAM wp, LPARAM lp) {
    const int index = static_cast<int>(static_cast<INT_PTR>(wp));
    switch (msg) {
        case LB_ADDSTRING:
            return AddString(h, d, reinterpret_cast<LPCWSTR>(lp));
        case LB_RESETCONTENT:
            return ResetContent(h, d);
        case LB_SETCURSEL:
            return SetCurSel(h, d, index);
        case LB_GETCURSEL:
            return d.sel;
        case LB_GETCOUNT:
            return Count(d);
        case LB_GETTOPINDEX:
            return d.top;
        case LB_SETTOPINDEX:
            return SetTopIndex(h, d, index);
        case LB_GETTEXTLEN:
            return GetTextLen(d, index);
        case LB_GETTEXT:
            return GetText(d, index, reinterpret_cast<LPWSTR>(lp));
        case LB_GETITEMDATA:
            return Valid(d, index) ? d.rows[static_cast<size_t>(index)].data : LB_ERR;
        case LB_SETITEMDATA:
            return SetItemData(h, d, index, lp);
        case LB_GETITEMRECT:
            return GetItemRect(h, d, index, reinterpret_cast<RECT*>(lp));
        case LB_GETITEMHEIGHT:
            return RowHeight(h, d);
        default:
            return DefWindowProc(h, msg, wp, lp);
    }
}

LRESULT CALLBACK FileListProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) return OnNcCreate(h, wp, lp);
    ListData* d = DataOf(h);
    if (!d) return DefWindowProc(h, msg, wp, lp);
    switch (msg) {
        case WM_NCDESTROY:
            return OnNcDestroy(h, d);
        case WM_SIZE:
            return OnSize(h, *d);
        case WM_GETDLGCODE:
            return DLGC_WANTARROWS;
        case WM_SETFONT:
            return OnSetFont(h, *d, reinterpret_cast<HFONT>(wp), LOWORD(lp) != 0);
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(d->font);
        case WM_ERASEBKGND:
            return 1;  // WM_PAINT covers everything
        case WM_PAINT:
            return OnPaint(h, *d);
        case WM_ENABLE:
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            return ce::comctl::Repaint(h);
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            return OnPress(h, PointOf(lp), msg == WM_LBUTTONDBLCLK);
        case WM_MOUSEMOVE:
            return OnMouseMove(h, *d, PointOf(lp));
        case WM_LBUTTONUP:
            return OnButtonUp(h, *d, PointOf(lp));
        case WM_CAPTURECHANGED:
            return OnCaptureChanged(h, *d);
        case WM_KEYDOWN:
            return OnKey(h, *d, static_cast<UINT>(wp));
        case WM_VSCROLL:
            return OnVScroll(h, *d, wp);
        default:
            return ListBoxMessage(h, *d, msg, wp, lp);
    }
}

}  // namespace

namespace ce::comctl {

void RegisterFileListClass() {
    WNDCLASSW wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = FileListProc;
    wc.cbWndExtra = sizeof(LONG_PTR);
    wc.lpszClassName = kFileListClass;
    ce::user::RegisterBuiltinClass(wc);
}

}  // namespace ce::comctl
