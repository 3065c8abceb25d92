// The tree view's layout and drawing: the flattened list of visible rows,
// the geometry of a row (indent, +/- box, image, label), hit testing, the
// scroll bar and painting. Only the rows inside the update rectangle are
// measured and drawn, so a repaint costs the same for ten items as for ten
// thousand.
#include <algorithm>

#include "treeview_impl.h"

namespace ce::comctl::tree {

namespace {

DWORD StyleOf(const Tree& t) {
    return static_cast<DWORD>(GetWindowLong(t.hwnd, GWL_STYLE));
}

// Columns of indentation before an item's image: its level, plus one for the
// button/line column of top-level items with TVS_LINESATROOT.
int Columns(const Tree& t, const Item* item) {
    const DWORD s = StyleOf(t);
    const bool rootColumn = (s & TVS_LINESATROOT) && (s & (TVS_HASLINES | TVS_HASBUTTONS));
    return item->level + (rootColumn ? 1 : 0);
}

// A DC of the control with its font selected.
class FontDC {
public:
    explicit FontDC(Tree& t) : h_(t.hwnd), dc_(GetDC(t.hwnd)) {
        if (dc_ && t.font) old_ = SelectObject(dc_, t.font);
    }
    ~FontDC() {
        if (old_) SelectObject(dc_, old_);
        if (dc_) ReleaseDC(h_, dc_);
    }
    FontDC(const FontDC&) = delete;
    FontDC& operator=(const FontDC&) = delete;
    HDC dc() const { return dc_; }

private:
    HWND h_;
    HDC dc_;
    HGDIOBJ old_ = nullptr;
};

int MeasureText(HDC dc, const std::u16string& s) {
    if (!dc || s.empty()) return 0;
    SIZE sz{0, 0};
    GetTextExtentPoint32(dc, s.c_str(), static_cast<int>(s.size()), &sz);
    return sz.cx;
}

// Dotted lines on every other pixel of the screen grid, so that pieces drawn
// for different rows join up.
void DotsH(HDC dc, int x0, int x1, int y, COLORREF c) {
    for (int x = x0 + ((x0 + y) & 1); x < x1; x += 2) SetPixel(dc, x, y, c);
}
void DotsV(HDC dc, int x, int y0, int y1, COLORREF c) {
    for (int y = y0 + ((x + y0) & 1); y < y1; y += 2) SetPixel(dc, x, y, c);
}

void Fill(HDC dc, const RECT& r, COLORREF c) {
    HBRUSH b = CreateSolidBrush(c);
    FillRect(dc, &r, b);
    DeleteObject(b);
}

void DrawButton(HDC dc, const RECT& b, bool expanded) {
    Fill(dc, b, GetSysColor(COLOR_WINDOW));
    const COLORREF frame = GetSysColor(COLOR_BTNSHADOW);
    const RECT edges[] = {{b.left, b.top, b.right, b.top + 1},
                          {b.left, b.bottom - 1, b.right, b.bottom},
                          {b.left, b.top, b.left + 1, b.bottom},
                          {b.right - 1, b.top, b.right, b.bottom}};
    for (const RECT& e : edges) Fill(dc, e, frame);
    const int cx = (b.left + b.right) / 2, cy = (b.top + b.bottom) / 2;
    const COLORREF ink = GetSysColor(COLOR_WINDOWTEXT);
    Fill(dc, RECT{b.left + 2, cy, b.right - 2, cy + 1}, ink);
    if (!expanded) Fill(dc, RECT{cx, b.top + 2, cx + 1, b.bottom - 2}, ink);
}

}  // namespace

void Invalidate(Tree& t) {
    if (t.paintPending && IsWindowVisible(t.hwnd)) return;
    t.paintPending = true;
    InvalidateRect(t.hwnd, nullptr, FALSE);
}

void RowsChanged(Tree& t) {
    t.rowsStale = true;
    Invalidate(t);
}

void EnsureRows(Tree& t) {
    if (!t.rowsStale) return;
    t.rows.clear();
    // Depth-first without recursion: a deep tree cannot exhaust the stack.
    Item* i = t.root.first;
    while (i) {
        i->row = static_cast<int>(t.rows.size());
        t.rows.push_back(i);
        if ((i->state & TVIS_EXPANDED) && i->first) {
            i = i->first;
            continue;
        }
        while (i && !i->next) {
            i = i->parent;
            if (i == &t.root) i = nullptr;
        }
        if (i) i = i->next;
    }
    t.rowsStale = false;
    t.width = -1;
    SyncScroll(t);
}

int RowOf(Tree& t, Item* item) {
    EnsureRows(t);
    if (!item || item->row < 0 || item->row >= static_cast<int>(t.rows.size())) return -1;
    return t.rows[static_cast<size_t>(item->row)] == item ? item->row : -1;
}

int ItemHeight(Tree& t) {
    if (t.customHeight > 0) return t.customHeight;
    if (t.textHeight < 0) {
        FontDC f(t);
        TEXTMETRICW tm{};
        t.textHeight = (f.dc() && GetTextMetrics(f.dc(), &tm) && tm.tmHeight > 0) ? tm.tmHeight : 16;
    }
    int cx = 0, cy = 0;
    if (t.normal) ImageList_GetIconSize(t.normal, &cx, &cy);
    return std::max(t.textHeight + 4, cy + 2);
}

int TextWidth(Tree& t, Item* item) {
    if (item->textWidth < 0) {
        FontDC f(t);
        item->textWidth = MeasureText(f.dc(), item->text);
    }
    return item->textWidth;
}

int ContentWidth(Tree& t) {
    EnsureRows(t);
    if (t.width >= 0) return t.width;
    int icx = 0, icy = 0;
    const int image = t.normal && ImageList_GetIconSize(t.normal, &icx, &icy) ? icx + 3 : 0;
    int w = 0;
    for (Item* i : t.rows) w = std::max(w, Columns(t, i) * t.indent + image + TextWidth(t, i) + 4);
    t.width = w;
    return w;
}

ClientBars Bars(Tree& t) {
    EnsureRows(t);
    const DWORD s = StyleOf(t);
    const bool scroll = !(s & TVS_NOSCROLL);
    return LayOutClientBars(t.hwnd, 0, static_cast<int>(t.rows.size()), ItemHeight(t), ContentWidth(t),
                            scroll && (s & WS_VSCROLL), scroll && !(s & TVS_NOHSCROLL));
}

bool BarShown(Tree& t) {
    return Bars(t).vert;
}

RECT BarRect(Tree& t) {
    return Bars(t).vbar;
}

RECT ListArea(Tree& t) {
    return Bars(t).view;
}

int PageRows(Tree& t) {
    RECT rc = ListArea(t);
    return std::max(1, static_cast<int>(rc.bottom - rc.top) / std::max(1, ItemHeight(t)));
}

void SyncScroll(Tree& t) {
    const int n = static_cast<int>(t.rows.size());
    const int page = PageRows(t);
    t.top = std::clamp(t.top, 0, std::max(0, n - page));
    SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, 0, std::max(0, n - 1), static_cast<UINT>(page), t.top, 0};
    t.vbar.SetInfo(si);
    const RECT area = ListArea(t);
    const int view = std::max(1, static_cast<int>(area.right - area.left));
    const int width = ContentWidth(t);
    t.left = std::clamp(t.left, 0, std::max(0, width - view));
    SCROLLINFO sh{sizeof sh, SIF_RANGE | SIF_PAGE | SIF_POS, 0, std::max(0, width - 1), static_cast<UINT>(view), t.left,
                  0};
    t.hbar.SetInfo(sh);
}

bool ScrollTo(Tree& t, int top) {
    EnsureRows(t);
    const int n = static_cast<int>(t.rows.size());
    top = std::clamp(top, 0, std::max(0, n - PageRows(t)));
    if (top == t.top) return false;
    t.top = top;
    SyncScroll(t);
    Invalidate(t);
    return true;
}

bool ScrollSideways(Tree& t, int left) {
    const RECT area = ListArea(t);
    left = std::clamp(left, 0, std::max(0, ContentWidth(t) - static_cast<int>(area.right - area.left)));
    if (left == t.left) return false;
    t.left = left;
    SyncScroll(t);
    Invalidate(t);
    return true;
}

RowGeometry Geometry(Tree& t, Item* item, int row) {
    RowGeometry g{};
    const RECT area = ListArea(t);
    const int h = ItemHeight(t);
    const int y = (row - t.top) * h;
    g.row = RECT{area.left, y, area.right, y + h};
    const int cols = Columns(t, item);
    int x = area.left - t.left + cols * t.indent;
    g.lineX = cols > 0 ? x - t.indent / 2 - 1 : -1;
    const DWORD s = StyleOf(t);
    if (g.lineX >= 0 && (s & TVS_HASBUTTONS) && item->HasButton()) {
        const int cy = y + h / 2;
        g.button = RECT{g.lineX - 4, cy - 4, g.lineX + 5, cy + 5};
    }
    int icx = 0, icy = 0;
    if (t.normal && ImageList_GetIconSize(t.normal, &icx, &icy)) {
        g.icon = RECT{x + 1, y + (h - icy) / 2, x + 1 + icx, y + (h - icy) / 2 + icy};
        x += icx + 3;
    }
    g.label = RECT{x, y, x + TextWidth(t, item) + 4, y + h};
    return g;
}

Item* HitTest(Tree& t, POINT p, UINT& flags) {
    EnsureRows(t);
    RECT area = ListArea(t);
    flags = 0;
    if (p.y < area.top) flags |= TVHT_ABOVE;
    if (p.y >= area.bottom) flags |= TVHT_BELOW;
    if (p.x < area.left) flags |= TVHT_TOLEFT;
    if (p.x >= area.right) flags |= TVHT_TORIGHT;
    if (flags) return nullptr;
    const int h = ItemHeight(t);
    const int row = t.top + (p.y - area.top) / h;
    if (row < 0 || row >= static_cast<int>(t.rows.size())) {
        flags = TVHT_NOWHERE;
        return nullptr;
    }
    Item* item = t.rows[static_cast<size_t>(row)];
    RowGeometry g = Geometry(t, item, row);
    RECT hotButton = g.button;
    InflateRect(&hotButton, 3, 3);  // a finger is wider than the box
    const LONG content = IsRectEmpty(&g.icon) ? g.label.left : g.icon.left - 1;
    if (!IsRectEmpty(&g.button) && PtInRect(&hotButton, p) && p.x < content)
        flags = TVHT_ONITEMBUTTON;
    else if (!IsRectEmpty(&g.icon) && p.x >= g.icon.left - 1 && p.x < g.label.left)
        flags = TVHT_ONITEMICON;
    else if (p.x >= g.label.left && p.x < g.label.right)
        flags = TVHT_ONITEMLABEL;
    else if (p.x >= g.label.right)
        flags = TVHT_ONITEMRIGHT;
    else
        flags = TVHT_ONITEMINDENT;
    return item;
}

void Paint(Tree& t, HDC dc, const RECT& update) {
    EnsureRows(t);
    SyncScroll(t);  // a label may have changed width
    const DWORD s = StyleOf(t);
    const ClientBars bars = Bars(t);
    const RECT area = bars.view;
    const bool enabled = IsWindowEnabled(t.hwnd) != FALSE;
    if (bars.vert) t.vbar.Draw(dc, bars.vbar, enabled);
    if (bars.horz) t.hbar.Draw(dc, bars.hbar, enabled);
    if (bars.vert && bars.horz) Fill(dc, bars.corner, GetSysColor(COLOR_BTNFACE));
    RECT fill{};
    IntersectRect(&fill, &area, &update);
    Fill(dc, fill, GetSysColor(COLOR_WINDOW));

    HGDIOBJ oldFont = t.font ? SelectObject(dc, t.font) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    const int h = ItemHeight(t);
    const COLORREF lineColour = GetSysColor(COLOR_BTNSHADOW);
    const bool showSel = (s & TVS_SHOWSELALWAYS) || t.focus;
    const int n = static_cast<int>(t.rows.size());
    const int first = std::max(t.top, t.top + static_cast<int>(update.top - area.top) / h);
    const int last = std::min(n, t.top + static_cast<int>(update.bottom - area.top + h - 1) / h);
    IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
    for (int row = first; row < last; ++row) {
        Item* item = t.rows[static_cast<size_t>(row)];
        RowGeometry g = Geometry(t, item, row);
        const int cy = (g.row.top + g.row.bottom) / 2;
        if ((s & TVS_HASLINES) && g.lineX >= 0) {
            // The joint of this item, then the lines of its ancestors that
            // have later siblings.
            const int joint = IsRectEmpty(&g.icon) ? g.label.left : g.icon.left;
            DotsH(dc, g.lineX, joint - 1, cy, lineColour);
            const bool above = item->prev || item->parent != &t.root;
            if (above) DotsV(dc, g.lineX, g.row.top, cy, lineColour);
            if (item->next) DotsV(dc, g.lineX, cy, g.row.bottom, lineColour);
            int x = g.lineX;
            for (Item* a = item->parent; a && a != &t.root; a = a->parent) {
                x -= t.indent;
                if (x < 0) break;
                if (a->next) DotsV(dc, x, g.row.top, g.row.bottom, lineColour);
            }
        }
        if (!IsRectEmpty(&g.button)) DrawButton(dc, g.button, (item->state & TVIS_EXPANDED) != 0);
        if (!IsRectEmpty(&g.icon)) {
            const int index = item == t.caret ? item->selImage : item->image;
            if (index >= 0 && index < ImageList_GetImageCount(t.normal))
                ImageList_Draw(t.normal, index, dc, g.icon.left, g.icon.top, ILD_NORMAL);
        }
        const bool selected = (item->state & TVIS_SELECTED) && showSel;
        if (selected) Fill(dc, g.label, GetSysColor(COLOR_HIGHLIGHT));
        SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
        RECT text = g.label;
        text.left += 2;
        DrawText(dc, item->text.c_str(), static_cast<int>(item->text.size()), &text,
                 DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_LEFT);
    }
    if (oldFont) SelectObject(dc, oldFont);
}

}  // namespace ce::comctl::tree
