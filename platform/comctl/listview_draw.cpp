// The list view's layout, painting, stylus and keys.
//
// Layout, top to bottom: the header (one row of column titles), then one
// row per item, each as high as the font or the small images, whichever is
// taller. The vertical scroll bar is drawn inside the client area at its
// right, over the whole height, whenever the rows do not fit; the header
// then stops at the bar. The horizontal one runs along the bottom whenever
// the columns are wider than the list; rows and header scroll sideways
// together (the header is moved left by what is scrolled off).
//
// In each row the column showing the item's own text (sub-item 0) starts
// with the small image, or with the image's room when the row has none
// (I_IMAGENONE or a negative index); every text is cut to its column with
// "..." at the end and never reaches the next column. A selected row has its
// label (the item text) lit in the highlight colour while the list has the
// focus, and without it under LVS_SHOWSELALWAYS.
#include <algorithm>

#include "listview_impl.h"

namespace ce::comctl::lv {

namespace {

constexpr int kPad = 4;      // between a column's edge and its text
constexpr int kIconGap = 2;  // left of the small image and between it and the label

DWORD StyleOf(HWND h) {
    return static_cast<DWORD>(GetWindowLong(h, GWL_STYLE));
}

int IconWidth(const ListData& d, int* cy = nullptr) {
    int cx = 0, y = 0;
    if (d.small && !ImageList_GetIconSize(d.small, &cx, &y)) cx = y = 0;
    if (cy) *cy = y;
    return cx;
}

// Column c's width; a list without columns shows the item texts across
// its whole width.
int Width(HWND h, ListData& d, size_t c) {
    if (!d.columns.empty()) return d.columns[c].cx;
    RECT a = RowsArea(h, d);
    return a.right - a.left;
}
size_t Columns(const ListData& d) {
    return std::max<size_t>(1, d.columns.size());
}
int SubOf(const ListData& d, size_t c) {
    return d.columns.empty() ? 0 : d.columns[c].sub;
}
int FmtOf(const ListData& d, size_t c) {
    return d.columns.empty() ? LVCFMT_LEFT : d.columns[c].fmt;
}
// The column holding the image and the item's text.
size_t MainColumn(const ListData& d) {
    for (size_t c = 0; c < d.columns.size(); ++c)
        if (d.columns[c].sub == 0) return c;
    return 0;
}

void Measure(HWND h, ListData& d) {
    const int text = ce::comctl::FontHeight(h, d.font, 13);
    int iconCy = 0;
    IconWidth(d, &iconCy);
    d.rowHeight = std::max(text, iconCy) + 2;
    d.headerHeight = 0;
    if (d.header) {
        RECT rc{0, 0, 100, 100};
        WINDOWPOS wp{};
        HDLAYOUT layout{&rc, &wp};
        if (SendMessage(d.header, HDM_LAYOUT, 0, reinterpret_cast<LPARAM>(&layout))) d.headerHeight = wp.cy;
    }
    d.measured = true;
}

const std::u16string& CellText(const Row& r, int sub) {
    static const std::u16string empty;
    return sub >= 0 && static_cast<size_t>(sub) < r.cells.size() ? r.cells[static_cast<size_t>(sub)] : empty;
}

}  // namespace

// ---- Layout -------------------------------------------------------------------------------

void Changed(HWND h, ListData& d) {
    d.dirty = true;
    InvalidateRect(h, nullptr, FALSE);
}

void Layout(HWND h, ListData& d) {
    if (!d.measured) {
        Measure(h, d);
        d.dirty = true;
    }
    if (!d.dirty) return;
    d.dirty = false;
    const bool scroll = !(StyleOf(h) & LVS_NOSCROLL);
    const int contentWidth = d.columns.empty() ? 0 : ColumnLeft(d, d.columns.size());
    d.bars = LayOutClientBars(h, d.headerHeight, Count(d), d.rowHeight, contentWidth, scroll, scroll);
    d.barShown = d.bars.vert;
    const RECT& view = d.bars.view;
    int perPage = (view.bottom - view.top) / d.rowHeight;
    d.top = std::clamp(d.top, 0, std::max(0, Count(d) - std::max(1, perPage)));
    SCROLLINFO si{sizeof si,
                  SIF_RANGE | SIF_PAGE | SIF_POS,
                  0,
                  std::max(0, Count(d) - 1),
                  static_cast<UINT>(std::max(1, perPage)),
                  d.top,
                  0};
    d.vbar.SetInfo(si);
    const int viewWidth = std::max(1, static_cast<int>(view.right - view.left));
    d.left = std::clamp(d.left, 0, std::max(0, contentWidth - viewWidth));
    SCROLLINFO sh{sizeof sh,
                  SIF_RANGE | SIF_PAGE | SIF_POS,
                  0,
                  std::max(0, contentWidth - 1),
                  static_cast<UINT>(viewWidth),
                  d.left,
                  0};
    d.hbar.SetInfo(sh);
    if (d.header) {
        const int width = viewWidth + d.left;
        RECT now;
        GetWindowRect(d.header, &now);
        POINT at{now.left, now.top};
        ScreenToClient(h, &at);
        if (at.x != -d.left || at.y != 0 || now.right - now.left != width || now.bottom - now.top != d.headerHeight)
            SetWindowPos(d.header, nullptr, -d.left, 0, width, d.headerHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

RECT RowsArea(HWND h, ListData& d) {
    Layout(h, d);
    return d.bars.view;
}

int PerPage(HWND h, ListData& d) {
    RECT a = RowsArea(h, d);
    return (a.bottom - a.top) / d.rowHeight;
}

int ClampTop(HWND h, ListData& d, int top) {
    return std::clamp(top, 0, std::max(0, Count(d) - std::max(1, PerPage(h, d))));
}

void ScrollTo(HWND h, ListData& d, int top) {
    top = ClampTop(h, d, top);
    if (top == d.top) return;
    d.top = top;
    Changed(h, d);
}

void ScrollSideways(HWND h, ListData& d, int left) {
    RECT a = RowsArea(h, d);
    const int contentWidth = d.columns.empty() ? 0 : ColumnLeft(d, d.columns.size());
    left = std::clamp(left, 0, std::max(0, contentWidth - static_cast<int>(a.right - a.left)));
    if (left == d.left) return;
    d.left = left;
    Changed(h, d);
}

bool EnsureVisible(HWND h, ListData& d, int i, bool partialOk) {
    if (!ValidRow(d, i)) return false;
    RECT a = RowsArea(h, d);
    int per = std::max(1, PerPage(h, d));
    bool partlyShown = (a.bottom - a.top) % d.rowHeight != 0 && i == d.top + per;
    if (i < d.top)
        ScrollTo(h, d, i);
    else if (i >= d.top + per && !(partialOk && partlyShown))
        ScrollTo(h, d, i - per + 1);
    return true;
}

int ColumnLeft(const ListData& d, size_t c) {
    int x = 0;
    for (size_t k = 0; k < c && k < d.columns.size(); ++k) x += d.columns[k].cx;
    return x;
}

RECT ItemRect(HWND h, ListData& d, int i, int code) {
    RECT a = RowsArea(h, d);
    int y = a.top + (i - d.top) * d.rowHeight;
    const int x0 = -d.left;
    RECT bounds{x0, y, d.columns.empty() ? a.right : x0 + ColumnLeft(d, d.columns.size()), y + d.rowHeight};
    size_t main = MainColumn(d);
    int left = x0 + ColumnLeft(d, main), right = left + Width(h, d, main);
    int iconW = IconWidth(d);
    RECT icon{left + kIconGap, y, std::min(right, left + kIconGap + iconW), y + d.rowHeight};
    RECT label{std::min(right, static_cast<int>(icon.right) + (iconW ? kIconGap : 0)), y, right, y + d.rowHeight};
    switch (code) {
        case LVIR_ICON:
            return icon;
        case LVIR_LABEL:
            return label;
        case LVIR_SELECTBOUNDS:
            return {icon.left, y, label.right, y + d.rowHeight};
        default:
            return bounds;
    }
}

int HitTest(HWND h, ListData& d, LVHITTESTINFO& info) {
    RECT a = RowsArea(h, d);
    info.iItem = -1;
    info.iSubItem = 0;
    POINT p = info.pt;
    if (!PtInRect(&a, p)) {
        info.flags = p.y < a.top       ? LVHT_ABOVE
                     : p.y >= a.bottom ? LVHT_BELOW
                     : p.x < a.left    ? LVHT_TOLEFT
                     : p.x >= a.right  ? LVHT_TORIGHT
                                       : LVHT_NOWHERE;
        if (info.flags == LVHT_ABOVE && p.y >= 0) info.flags = LVHT_NOWHERE;  // on the header
        return -1;
    }
    int i = d.top + (p.y - a.top) / d.rowHeight;
    if (i >= Count(d)) {
        info.flags = LVHT_NOWHERE;
        return -1;
    }
    for (size_t c = 0; c < d.columns.size(); ++c)
        if (p.x + d.left >= ColumnLeft(d, c) && p.x + d.left < ColumnLeft(d, c + 1)) info.iSubItem = d.columns[c].sub;
    RECT icon = ItemRect(h, d, i, LVIR_ICON);
    info.flags = PtInRect(&icon, p) ? LVHT_ONITEMICON : LVHT_ONITEMLABEL;
    info.iItem = i;
    return i;
}

int TextWidth(HWND h, const ListData& d, const std::u16string& s) {
    if (s.empty()) return 0;
    SIZE sz{0, 0};
    if (HDC dc = GetDC(h)) {
        HGDIOBJ old = d.font ? SelectObject(dc, d.font) : nullptr;
        GetTextExtentPoint32(dc, s.c_str(), static_cast<int>(s.size()), &sz);
        if (old) SelectObject(dc, old);
        ReleaseDC(h, dc);
    }
    return sz.cx;
}

// ---- Painting -----------------------------------------------------------------------------

void Paint(HWND h, HDC dc, ListData& d) {
    bool enabled = IsWindowEnabled(h) != FALSE;
    RECT area = RowsArea(h, d);
    if (d.bars.vert) d.vbar.Draw(dc, d.bars.vbar, enabled);
    if (d.bars.horz) d.hbar.Draw(dc, d.bars.hbar, enabled);
    if (d.bars.vert && d.bars.horz) FillRect(dc, &d.bars.corner, GetSysColorBrush(COLOR_BTNFACE));
    IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
    COLORREF bk = d.bk == CLR_DEFAULT || d.bk == CLR_NONE ? GetSysColor(COLOR_WINDOW) : d.bk;
    HBRUSH bkBrush = CreateSolidBrush(bk);
    FillRect(dc, &area, bkBrush);
    DeleteObject(bkBrush);

    HGDIOBJ oldFont = d.font ? SelectObject(dc, d.font) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    bool showSel = d.focus || (StyleOf(h) & LVS_SHOWSELALWAYS);
    COLORREF normalText = GetSysColor(enabled ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT);
    size_t main = MainColumn(d);
    int iconW = IconWidth(d);
    int last = std::min(Count(d), d.top + (area.bottom - area.top + d.rowHeight - 1) / d.rowHeight);
    const UINT flags = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS;
    for (int i = d.top; i < last; ++i) {
        const Row& r = d.rows[static_cast<size_t>(i)];
        int y = area.top + (i - d.top) * d.rowHeight;
        int x = d.columns.empty() ? 0 : -d.left;
        for (size_t c = 0; c < Columns(d) && x < area.right; ++c) {
            int w = Width(h, d, c);
            RECT cell{x, y, std::min<LONG>(x + w, area.right), y + d.rowHeight};
            x += w;
            if (w <= 0) continue;
            const std::u16string& text = CellText(r, SubOf(d, c));
            if (c != main) {
                RECT t{cell.left + kPad, cell.top, cell.right - kPad, cell.bottom};
                int just = FmtOf(d, c) & LVCFMT_JUSTIFYMASK;
                SetTextColor(dc, normalText);
                if (t.right > t.left && !text.empty())
                    DrawText(dc, text.c_str(), static_cast<int>(text.size()), &t,
                             flags | (just == LVCFMT_RIGHT    ? DT_RIGHT
                                      : just == LVCFMT_CENTER ? DT_CENTER
                                                              : DT_LEFT));
                continue;
            }
            // The item's own column: image, then the label.
            if (d.small && r.image >= 0 && w >= kIconGap + iconW) {
                int iconCy = 0;
                IconWidth(d, &iconCy);
                ImageList_Draw(d.small, r.image, dc, cell.left + kIconGap, y + (d.rowHeight - iconCy) / 2, ILD_NORMAL);
            }
            RECT label{std::min<LONG>(cell.right, cell.left + kIconGap + iconW + (iconW ? kIconGap : 0)), y, cell.right,
                       cell.bottom};
            bool lit = (r.state & LVIS_SELECTED) && showSel;
            if (lit && label.right > label.left) {
                RECT hi = label;
                hi.right = std::min<LONG>(label.right, label.left + TextWidth(h, d, text) + 2 * kPad);
                FillRect(dc, &hi, GetSysColorBrush(COLOR_HIGHLIGHT));
            }
            SetTextColor(dc, lit ? GetSysColor(COLOR_HIGHLIGHTTEXT) : normalText);
            RECT t{label.left + kPad, y, label.right - kPad, cell.bottom};
            if (t.right > t.left && !text.empty())
                DrawText(dc, text.c_str(), static_cast<int>(text.size()), &t, flags | DT_LEFT);
        }
    }
    if (oldFont) SelectObject(dc, oldFont);
}

// ---- Stylus, keys and scrolling -----------------------------------------------------------

LRESULT ApplyScroll(HWND h, ListData& d, int code, int pos) {
    if (auto to = ScrollTarget(code, pos, d.top, 1, std::max(1, PerPage(h, d)), Count(d))) ScrollTo(h, d, *to);
    return 0;
}

LRESULT ApplyHScroll(HWND h, ListData& d, int code, int pos) {
    RECT a = RowsArea(h, d);
    const int page = std::max(1, static_cast<int>(a.right - a.left));
    auto to = ScrollTarget(code, pos, d.left, kHorzLine, page, ColumnLeft(d, d.columns.size()));
    if (to) ScrollSideways(h, d, *to);
    return 0;
}

namespace {

// The bar being dragged: its model, rectangle and direction.
struct Tracked {
    ScrollBarModel* bar = nullptr;
    RECT rect{};
    bool horz = false;
};
Tracked TrackedBar(HWND h, ListData& d) {
    Layout(h, d);
    if (d.vbar.Tracking()) return {&d.vbar, d.bars.vbar, false};
    if (d.hbar.Tracking()) return {&d.hbar, d.bars.hbar, true};
    return {};
}
void ApplyRequests(HWND h, ListData& d, bool horz, const std::vector<ScrollRequest>& reqs) {
    for (auto& r : reqs) horz ? ApplyHScroll(h, d, r.code, r.pos) : ApplyScroll(h, d, r.code, r.pos);
}

}  // namespace

void OnPress(HWND h, ListData& d, POINT p, bool dbl) {
    Layout(h, d);
    for (bool horz : {false, true}) {
        const RECT bar = horz ? d.bars.hbar : d.bars.vbar;
        if (!PtInRect(&bar, p)) continue;
        ScrollBarModel& model = horz ? d.hbar : d.vbar;
        auto reqs = model.Press(bar, p);
        if (model.Tracking()) SetCapture(h);
        ApplyRequests(h, d, horz, reqs);
        InvalidateRect(h, nullptr, FALSE);
        return;
    }
    if (PtInRect(&d.bars.corner, p)) return;
    LVHITTESTINFO hit{p, 0, -1, 0};
    int i = HitTest(h, d, hit);
    ListData* live = &d;
    SelectOnly(h, live, i);
    if (!live) return;
    if (dbl) {
        Lifeline life(h);
        Notify(h, NM_DBLCLK, i, hit.iSubItem, 0, 0, 0, 0, p);
        if (i >= 0 && life) Notify(h, LVN_ITEMACTIVATE, i, hit.iSubItem, 0, 0, 0, 0, p);
        return;
    }
    live->pressed = true;
    live->clickItem = i;
    live->clickSub = hit.iSubItem;
    SetCapture(h);
    live->hold.Arm(h, p);
}

void OnHold(HWND h, ListData& d) {
    // The release that follows is no tap.
    d.pressed = false;
    const POINT at = d.hold.at;
    Lifeline life(h);
    if (Notify(h, NM_RCLICK, d.clickItem, d.clickSub, 0, 0, 0, 0, at)) return;
    if (life) SendContextMenu(h, at);
}

LRESULT OnMove(HWND h, ListData& d, POINT p) {
    d.hold.Move(h, p);
    Tracked t = TrackedBar(h, d);
    if (!t.bar) return 0;
    auto reqs = t.bar->Move(t.rect, p);
    ApplyRequests(h, d, t.horz, reqs);
    if (!reqs.empty()) InvalidateRect(h, nullptr, FALSE);
    return 0;
}

LRESULT OnRelease(HWND h, ListData& d, POINT p) {
    d.hold.Disarm(h);
    if (Tracked t = TrackedBar(h, d); t.bar) {
        auto reqs = t.bar->Release(t.rect, p);
        if (GetCapture() == h) ReleaseCapture();
        ApplyRequests(h, d, t.horz, reqs);
        InvalidateRect(h, nullptr, FALSE);
        return 0;
    }
    if (!d.pressed) return 0;
    d.pressed = false;
    int item = d.clickItem, sub = d.clickSub;
    if (GetCapture() == h) ReleaseCapture();
    Notify(h, NM_CLICK, item, sub, 0, 0, 0, 0, p);
    return 0;
}

LRESULT OnKey(HWND h, ListData& d, UINT vk) {
    // A report has no column to move to: the arrows across scroll it sideways.
    if (vk == VK_LEFT || vk == VK_RIGHT) {
        ApplyHScroll(h, d, vk == VK_LEFT ? SB_LINELEFT : SB_LINERIGHT, 0);
        return 0;
    }
    if (d.rows.empty()) return 0;
    int cur = -1;
    for (int k = 0; k < Count(d) && cur < 0; ++k)
        if (d.rows[static_cast<size_t>(k)].state & LVIS_FOCUSED) cur = k;
    if (cur < 0) cur = d.mark;
    int page = std::max(1, PerPage(h, d));
    int next;
    switch (vk) {
        case VK_UP:
            next = cur < 0 ? 0 : cur - 1;
            break;
        case VK_DOWN:
            next = cur + 1;
            break;
        case VK_HOME:
            next = 0;
            break;
        case VK_END:
            next = Count(d) - 1;
            break;
        case VK_PRIOR:
            next = cur < 0 ? 0 : cur - page;
            break;
        case VK_NEXT:
            next = cur < 0 ? 0 : cur + page;
            break;
        case VK_RETURN:
            if (cur >= 0) Notify(h, LVN_ITEMACTIVATE, cur);
            return 0;
        default:
            return 0;
    }
    ListData* live = &d;
    SelectOnly(h, live, std::clamp(next, 0, Count(d) - 1));
    return 0;
}

}  // namespace ce::comctl::lv
