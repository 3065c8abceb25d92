// The "SysListView32" control in report view: rows of an image, a text and
// sub-item texts under a header of columns. The other views are drawn and
// handled as report view.
//
// This file holds the data messages (rows, columns, states, the selection
// mark) and the window procedure; listview_draw.cpp lays the rows out,
// paints them and handles the stylus and the keys.
//
// Inserting only records the row and asks for a repaint: the layout (scroll
// bar, header width) is worked out again when it is next needed, so filling
// a list costs no drawing per row, and adding at the end is constant time.
//
// The parent hears WM_NOTIFY for insertions, deletions, selection changes,
// column taps, taps and activation. It may change or destroy the list from
// inside any of them: rows are found again by an id after every
// notification, and a list that went away is not touched again.
#include <algorithm>

#include "listview_impl.h"

namespace ce::comctl::lv {

namespace {

constexpr int kDataSlot = 0;
constexpr int kMaxSubItems = 256;

DWORD StyleOf(HWND h) {
    return static_cast<DWORD>(GetWindowLong(h, GWL_STYLE));
}

// Row i if it still carries `id`, else wherever that row went; -1 if gone.
int Find(const ListData& d, int i, uint64_t id) {
    if (ValidRow(d, i) && d.rows[static_cast<size_t>(i)].id == id) return i;
    for (size_t k = 0; k < d.rows.size(); ++k)
        if (d.rows[k].id == id) return static_cast<int>(k);
    return -1;
}

bool IsCallback(LPCWSTR s) {
    return s == LPSTR_TEXTCALLBACKW;
}
std::u16string TextOf(LPCWSTR s) {
    return s && !IsCallback(s) ? std::u16string(s) : std::u16string();
}

// Copies `s` cut to cch - 1 characters and terminated; returns the count.
int CopyOut(const std::u16string& s, LPWSTR buf, int cch) {
    if (!buf || IsCallback(buf) || cch <= 0) return 0;
    size_t n = std::min(s.size(), static_cast<size_t>(cch - 1));
    std::copy_n(s.data(), n, buf);
    buf[n] = 0;
    return static_cast<int>(n);
}

const std::u16string& Cell(const Row& r, int sub) {
    static const std::u16string empty;
    return sub >= 0 && static_cast<size_t>(sub) < r.cells.size() ? r.cells[static_cast<size_t>(sub)] : empty;
}

bool SetCell(Row& r, int sub, LPCWSTR text) {
    if (sub < 0 || sub >= kMaxSubItems) return false;
    if (r.cells.size() <= static_cast<size_t>(sub)) r.cells.resize(static_cast<size_t>(sub) + 1);
    r.cells[static_cast<size_t>(sub)] = TextOf(text);
    return true;
}

// Clears `bits` on every row but `except` (no notifications).
void ClearOthers(ListData& d, size_t except, UINT bits) {
    for (size_t k = 0; k < d.rows.size(); ++k)
        if (k != except) d.rows[k].state &= ~bits;
}

// ---- Rows ---------------------------------------------------------------------------------

int Compare(const std::u16string& a, const std::u16string& b) {
    auto fold = [](char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; };
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        char16_t x = fold(a[i]), y = fold(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

LRESULT InsertItem(HWND h, ListData* d, const LVITEMW* src) {
    if (!src || src->iSubItem != 0 || src->iItem < 0) return -1;
    Row r;
    r.id = d->nextId++;
    r.cells.emplace_back((src->mask & LVIF_TEXT) ? TextOf(src->pszText) : std::u16string());
    if (src->mask & LVIF_IMAGE) r.image = src->iImage;
    if (src->mask & LVIF_PARAM) r.lParam = src->lParam;
    if (src->mask & LVIF_STATE) r.state = src->state & src->stateMask;

    size_t pos = std::min(static_cast<size_t>(src->iItem), d->rows.size());
    DWORD style = StyleOf(h);
    if (style & (LVS_SORTASCENDING | LVS_SORTDESCENDING)) {
        bool down = (style & LVS_SORTDESCENDING) != 0;
        auto it = std::upper_bound(d->rows.begin(), d->rows.end(), r, [down](const Row& a, const Row& b) {
            int c = Compare(a.cells[0], b.cells[0]);
            return down ? c > 0 : c < 0;
        });
        pos = static_cast<size_t>(it - d->rows.begin());
    }
    if (r.state & LVIS_FOCUSED) ClearOthers(*d, SIZE_MAX, LVIS_FOCUSED);
    if ((r.state & LVIS_SELECTED) && (style & LVS_SINGLESEL)) ClearOthers(*d, SIZE_MAX, LVIS_SELECTED);
    if (pos == d->rows.size())
        d->rows.push_back(std::move(r));
    else
        d->rows.insert(d->rows.begin() + static_cast<ptrdiff_t>(pos), std::move(r));
    if (d->mark >= static_cast<int>(pos)) ++d->mark;
    Changed(h, *d);
    Notify(h, LVN_INSERTITEM, static_cast<int>(pos));
    return static_cast<LRESULT>(pos);
}

LRESULT DeleteItem(HWND h, ListData* d, int i) {
    if (!ValidRow(*d, i)) return FALSE;
    uint64_t id = d->rows[static_cast<size_t>(i)].id;
    Lifeline life(h);
    Notify(h, LVN_DELETEITEM, i, 0, 0, 0, 0, d->rows[static_cast<size_t>(i)].lParam);
    if (!life) return TRUE;
    i = Find(*d, i, id);
    if (i < 0) return TRUE;  // the parent took it away itself
    d->rows.erase(d->rows.begin() + i);
    if (d->mark == i)
        d->mark = -1;
    else if (d->mark > i)
        --d->mark;
    Changed(h, *d);
    return TRUE;
}

// The rows are taken out first; the parent then hears LVN_DELETEALLITEMS
// and, unless it answers TRUE, LVN_DELETEITEM for each of them.
LRESULT DeleteAll(HWND h, ListData* d) {
    std::vector<Row> gone;
    gone.swap(d->rows);
    d->mark = -1;
    d->top = 0;
    Changed(h, *d);
    Lifeline life(h);
    if (Notify(h, LVN_DELETEALLITEMS, -1)) return TRUE;
    for (size_t k = 0; k < gone.size(); ++k) {
        if (!life) break;
        Notify(h, LVN_DELETEITEM, static_cast<int>(k), 0, 0, 0, 0, gone[k].lParam);
    }
    return TRUE;
}

LRESULT GetItem(const ListData& d, LVITEMW* it) {
    if (!it || !ValidRow(d, it->iItem) || it->iSubItem < 0) return FALSE;
    const Row& r = d.rows[static_cast<size_t>(it->iItem)];
    if (it->mask & LVIF_TEXT) CopyOut(Cell(r, it->iSubItem), it->pszText, it->cchTextMax);
    if (it->mask & LVIF_IMAGE) it->iImage = r.image;
    if (it->mask & LVIF_PARAM) it->lParam = r.lParam;
    if (it->mask & LVIF_STATE) it->state = r.state & it->stateMask;
    if (it->mask & LVIF_INDENT) it->iIndent = 0;
    return TRUE;
}

LRESULT SetItem(HWND h, ListData* d, const LVITEMW* it) {
    if (!it || !ValidRow(*d, it->iItem) || it->iSubItem < 0 || it->iSubItem >= kMaxSubItems) return FALSE;
    Row& r = d->rows[static_cast<size_t>(it->iItem)];
    if (it->mask & LVIF_TEXT) SetCell(r, it->iSubItem, it->pszText);
    if (it->iSubItem == 0) {
        if (it->mask & LVIF_IMAGE) r.image = it->iImage;
        if (it->mask & LVIF_PARAM) r.lParam = it->lParam;
    }
    Changed(h, *d);
    if (it->iSubItem == 0 && (it->mask & LVIF_STATE)) SetState(h, d, it->iItem, it->state, it->stateMask);
    return TRUE;
}

LRESULT GetNext(const ListData& d, int start, UINT flags) {
    UINT want = (flags & LVNI_SELECTED ? LVIS_SELECTED : 0) | (flags & LVNI_FOCUSED ? LVIS_FOCUSED : 0);
    // -1 starts at the first row; a start at or past the last row finds none.
    if (start >= Count(d)) return -1;
    for (int i = std::max(start, -1) + 1; i < Count(d); ++i)
        if ((d.rows[static_cast<size_t>(i)].state & want) == want) return i;
    return -1;
}

// ---- Columns ------------------------------------------------------------------------------

HDITEMW HeaderItem(const Column& c) {
    HDITEMW hd{};
    hd.mask = HDI_WIDTH | HDI_TEXT | HDI_FORMAT;
    hd.cxy = c.cx;
    hd.pszText = const_cast<LPWSTR>(c.text.c_str());
    hd.fmt = HDF_STRING | (c.fmt & LVCFMT_JUSTIFYMASK);
    return hd;
}

void Apply(Column& c, const LVCOLUMNW& src) {
    if (src.mask & LVCF_FMT) c.fmt = src.fmt;
    if (src.mask & LVCF_WIDTH) c.cx = std::max(0, src.cx);
    if (src.mask & LVCF_TEXT) c.text = TextOf(src.pszText);
    if (src.mask & LVCF_SUBITEM) c.sub = std::clamp(src.iSubItem, 0, kMaxSubItems - 1);
}

LRESULT InsertColumn(HWND h, ListData& d, int at, const LVCOLUMNW* src) {
    if (!src || at < 0) return -1;
    size_t pos = std::min(static_cast<size_t>(at), d.columns.size());
    Column c;
    c.sub = static_cast<int>(pos);
    Apply(c, *src);
    if (pos == 0) c.fmt = (c.fmt & ~LVCFMT_JUSTIFYMASK) | LVCFMT_LEFT;  // the first column is left aligned
    d.columns.insert(d.columns.begin() + static_cast<ptrdiff_t>(pos), c);
    if (d.header) {
        HDITEMW hd = HeaderItem(c);
        SendMessage(d.header, HDM_INSERTITEMW, pos, reinterpret_cast<LPARAM>(&hd));
    }
    Changed(h, d);
    return static_cast<LRESULT>(pos);
}

LRESULT GetColumn(const ListData& d, size_t i, LVCOLUMNW* dst) {
    if (!dst || i >= d.columns.size()) return FALSE;
    const Column& c = d.columns[i];
    if (dst->mask & LVCF_FMT) dst->fmt = c.fmt;
    if (dst->mask & LVCF_WIDTH) dst->cx = c.cx;
    if (dst->mask & LVCF_TEXT) CopyOut(c.text, dst->pszText, dst->cchTextMax);
    if (dst->mask & LVCF_SUBITEM) dst->iSubItem = c.sub;
    if (dst->mask & LVCF_ORDER) dst->iOrder = static_cast<int>(i);
    return TRUE;
}

void SyncHeader(const ListData& d, size_t i) {
    if (!d.header || i >= d.columns.size()) return;
    HDITEMW hd = HeaderItem(d.columns[i]);
    // The sort arrow is the program's, set on the header item itself.
    HDITEMW now{};
    now.mask = HDI_FORMAT;
    if (SendMessage(d.header, HDM_GETITEMW, i, reinterpret_cast<LPARAM>(&now)))
        hd.fmt |= now.fmt & (HDF_SORTUP | HDF_SORTDOWN);
    SendMessage(d.header, HDM_SETITEMW, i, reinterpret_cast<LPARAM>(&hd));
}

// LVSCW_AUTOSIZE (-1) fits the widest cell, LVSCW_AUTOSIZE_USEHEADER (-2)
// the widest cell or the title.
LRESULT SetColumnWidth(HWND h, ListData& d, size_t i, int cx) {
    if (i >= d.columns.size()) return FALSE;
    if (cx == LVSCW_AUTOSIZE || cx == LVSCW_AUTOSIZE_USEHEADER) {
        Column& c = d.columns[i];
        int widest = cx == LVSCW_AUTOSIZE_USEHEADER ? TextWidth(h, d, c.text) + 12 : 0;
        int icon = 0;
        if (c.sub == 0 && d.small) {
            int ix = 0, iy = 0;
            if (ImageList_GetIconSize(d.small, &ix, &iy)) icon = ix + 2;
        }
        for (const Row& r : d.rows) widest = std::max(widest, TextWidth(h, d, Cell(r, c.sub)) + 12 + icon);
        cx = widest;
    }
    if (cx < 0) return FALSE;
    d.columns[i].cx = cx;
    SyncHeader(d, i);
    Changed(h, d);
    return TRUE;
}

// ---- Sorting ------------------------------------------------------------------------------

// LVM_SORTITEMS (byIndex false: the comparison gets lParams) and
// LVM_SORTITEMSEX (indexes as they were when the sort began). A stable merge
// sort that needs nothing of the comparison: one that contradicts itself
// gives some order, never a fault. The rows stay where they are while the
// comparison runs (it may read them); if it changes or destroys the list,
// the sort is abandoned and FALSE answered.
LRESULT SortItems(HWND h, ListData* d, PFNLVCOMPARE compare, LPARAM sortParam, bool byIndex) {
    if (!compare) return FALSE;
    Lifeline life(h);
    const size_t n = d->rows.size();
    std::vector<uint64_t> ids(n);
    std::vector<LPARAM> keys(n);
    for (size_t i = 0; i < n; ++i) {
        ids[i] = d->rows[i].id;
        keys[i] = byIndex ? static_cast<LPARAM>(i) : d->rows[i].lParam;
    }
    std::vector<size_t> order(n), merged(n);
    for (size_t i = 0; i < n; ++i) order[i] = i;
    for (size_t width = 1; width < n; width *= 2) {
        for (size_t lo = 0; lo < n; lo += 2 * width) {
            const size_t mid = std::min(n, lo + width), hi = std::min(n, lo + 2 * width);
            size_t a = lo, b = mid, out = lo;
            while (a < mid && b < hi)
                merged[out++] = compare(keys[order[b]], keys[order[a]], sortParam) < 0 ? order[b++] : order[a++];
            while (a < mid) merged[out++] = order[a++];
            while (b < hi) merged[out++] = order[b++];
        }
        order.swap(merged);
    }
    if (!life || d->rows.size() != n) return FALSE;
    for (size_t i = 0; i < n; ++i)
        if (d->rows[i].id != ids[i]) return FALSE;
    std::vector<Row> sorted;
    sorted.reserve(n);
    int mark = -1;
    for (size_t i = 0; i < n; ++i) {
        if (static_cast<int>(order[i]) == d->mark) mark = static_cast<int>(i);
        sorted.push_back(std::move(d->rows[order[i]]));
    }
    d->rows.swap(sorted);
    d->mark = mark;
    Changed(h, *d);
    return TRUE;
}

// ---- Notifications from the header --------------------------------------------------------

LRESULT OnHeaderNotify(HWND h, ListData* d, const NMHDR* nm) {
    const auto* hn = reinterpret_cast<const NMHEADERW*>(nm);
    if (nm->code == HDN_ITEMCLICKW && hn->iItem >= 0) {
        Notify(h, LVN_COLUMNCLICK, -1, hn->iItem);
    } else if (nm->code == HDN_ITEMCHANGEDW && hn->pitem && (hn->pitem->mask & HDI_WIDTH) &&
               static_cast<size_t>(hn->iItem) < d->columns.size()) {
        d->columns[static_cast<size_t>(hn->iItem)].cx = std::max(0, hn->pitem->cxy);
        Changed(h, *d);
    }
    return 0;
}

LRESULT OnScrollInfo(HWND h, ListData& d, WPARAM wp, LPARAM lp) {
    auto* si = reinterpret_cast<SCROLLINFO*>(lp);
    const bool horz = LOWORD(wp) == SB_HORZ;
    if (!si || (LOWORD(wp) != SB_VERT && !horz)) return DefWindowProc(h, kWmWindowScrollInfo, wp, lp);
    Layout(h, d);
    if (HIWORD(wp) & kScrollInfoSet) {
        // The bars follow the rows and columns; a program may move the position only.
        if (si->fMask & SIF_POS) horz ? ScrollSideways(h, d, si->nPos) : ScrollTo(h, d, si->nPos);
        Layout(h, d);
        return horz ? d.hbar.Pos() : d.vbar.Pos();
    }
    (horz ? d.hbar : d.vbar).GetInfo(*si);
    return TRUE;
}

LRESULT MakeHeader(HWND h, ListData& d) {
    DWORD style = StyleOf(h);
    DWORD hs = WS_CHILD | HDS_HORZ | ((style & LVS_NOSORTHEADER) ? 0 : HDS_BUTTONS) |
               ((style & LVS_NOCOLUMNHEADER) ? HDS_HIDDEN : WS_VISIBLE);
    d.header = CreateWindowEx(0, WC_HEADERW, u"", hs, 0, 0, 0, 0, h, nullptr, nullptr, nullptr);
    if (d.header && d.font) SendMessage(d.header, WM_SETFONT, reinterpret_cast<WPARAM>(d.font), 0);
    return 0;
}

LRESULT DropImageLists(HWND h, ListData& d) {
    if (StyleOf(h) & LVS_SHAREIMAGELISTS) return 0;
    for (HIMAGELIST* l : {&d.small, &d.normal, &d.stateImages}) {
        if (*l) ImageList_Destroy(*l);
        *l = nullptr;
    }
    return 0;
}

// ---- Window messages ------------------------------------------------------------------------

LRESULT OnNcCreate(HWND h, WPARAM wp, LPARAM lp) {
    SetWindowLong(h, kDataSlot, reinterpret_cast<LONG_PTR>(new ListData));
    return DefWindowProc(h, WM_NCCREATE, wp, lp);
}

LRESULT OnNcDestroy(HWND h, ListData* d) {
    SetWindowLong(h, kDataSlot, 0);
    delete d;
    return 0;
}

LRESULT OnChanged(HWND h, ListData& d) {
    Changed(h, d);
    return 0;
}

LRESULT OnSetFont(HWND h, ListData& d, HFONT font) {
    d.font = font;
    if (d.header) SendMessage(d.header, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    d.measured = false;
    Changed(h, d);
    return 0;
}

LRESULT OnPaint(HWND h, ListData& d) {
    Layout(h, d);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    if (dc) Paint(h, dc, d);
    EndPaint(h, &ps);
    return 0;
}

LRESULT OnFocus(HWND h, ListData& d, bool gained) {
    d.focus = gained;
    InvalidateRect(h, nullptr, FALSE);
    return 0;
}

LRESULT OnButtonDown(HWND h, POINT p, bool dbl) {
    Lifeline life(h);
    if (GetFocus() != h) SetFocus(h);
    if (life) OnPress(h, *DataOf(h), p, dbl);
    return 0;
}

LRESULT OnTimer(HWND h, ListData& d, WPARAM id) {
    if (d.hold.Fire(h, id)) OnHold(h, d);
    return 0;
}

LRESULT OnCaptureChanged(HWND h, ListData& d, HWND taker) {
    if (taker != h) d.hold.Disarm(h);
    if (d.vbar.Tracking() || d.hbar.Tracking()) {
        d.vbar.Cancel();
        d.hbar.Cancel();
        InvalidateRect(h, nullptr, FALSE);
    }
    d.pressed = false;
    return 0;
}

LRESULT OnNotify(HWND h, ListData* d, const NMHDR* nm) {
    if (nm && nm->hwndFrom == d->header && d->header) return OnHeaderNotify(h, d, nm);
    return 0;
}

// ---- Rows -----------------------------------------------------------------------------------

LRESULT SetItemText(HWND h, ListData& d, int i, const LVITEMW* it) {
    if (!it || !ValidRow(d, i) || !SetCell(d.rows[static_cast<size_t>(i)], it->iSubItem, it->pszText)) return FALSE;
    Changed(h, d);
    return TRUE;
}

LRESULT GetItemText(const ListData& d, int i, LVITEMW* it) {
    if (!it || !ValidRow(d, i)) return 0;
    return CopyOut(Cell(d.rows[static_cast<size_t>(i)], it->iSubItem), it->pszText, it->cchTextMax);
}

// LVM_SETITEMSTATE: row i, or every row (-1).
LRESULT SetItemState(HWND h, ListData* d, int i, const LVITEMW* it) {
    if (!it) return FALSE;
    if (i != -1) return ValidRow(*d, i) && SetState(h, d, i, it->state, it->stateMask);
    UINT state = it->state, mask = it->stateMask;
    for (int k = 0; d && k < Count(*d); ++k) SetState(h, d, k, state, mask);
    return TRUE;
}

LRESULT GetItemState(const ListData& d, int i, UINT mask) {
    return ValidRow(d, i) ? d.rows[static_cast<size_t>(i)].state & mask : 0;
}

LRESULT SelectedCount(const ListData& d) {
    return std::count_if(d.rows.begin(), d.rows.end(), [](const Row& r) { return r.state & LVIS_SELECTED; });
}

LRESULT SetSelectionMark(ListData& d, int i) {
    int old = d.mark;
    if (i == -1 || ValidRow(d, i)) d.mark = i;
    return old;
}

// ---- Columns --------------------------------------------------------------------------------

LRESULT SetColumn(HWND h, ListData& d, size_t i, const LVCOLUMNW* src) {
    if (!src || i >= d.columns.size()) return FALSE;
    Apply(d.columns[i], *src);
    SyncHeader(d, i);
    Changed(h, d);
    return TRUE;
}

LRESULT DeleteColumn(HWND h, ListData& d, size_t i) {
    if (i >= d.columns.size()) return FALSE;
    d.columns.erase(d.columns.begin() + static_cast<ptrdiff_t>(i));
    if (d.header) SendMessage(d.header, HDM_DELETEITEM, i, 0);
    Changed(h, d);
    return TRUE;
}

LRESULT GetHeader(HWND h, ListData& d) {
    Layout(h, d);  // placed and sized before anyone asks it
    return reinterpret_cast<LRESULT>(d.header);
}

// ---- Looks and geometry ---------------------------------------------------------------------

HIMAGELIST* ImageListSlot(ListData& d, WPARAM which) {
    return which == LVSIL_SMALL    ? &d.small
           : which == LVSIL_NORMAL ? &d.normal
           : which == LVSIL_STATE  ? &d.stateImages
                                   : nullptr;
}

LRESULT SetImageList(HWND h, ListData& d, WPARAM which, HIMAGELIST list) {
    HIMAGELIST* slot = ImageListSlot(d, which);
    if (!slot) return 0;
    HIMAGELIST old = *slot;
    *slot = list;
    d.measured = false;
    Changed(h, d);
    return reinterpret_cast<LRESULT>(old);
}

LRESULT GetImageList(ListData& d, WPARAM which) {
    HIMAGELIST* slot = ImageListSlot(d, which);
    return reinterpret_cast<LRESULT>(slot ? *slot : nullptr);
}

LRESULT SetBkColor(HWND h, ListData& d, COLORREF c) {
    d.bk = c;
    InvalidateRect(h, nullptr, FALSE);
    return TRUE;
}

LRESULT GetItemRect(HWND h, ListData& d, int i, RECT* r) {
    if (!r || !ValidRow(d, i)) return FALSE;
    *r = ItemRect(h, d, i, static_cast<int>(r->left));
    return TRUE;
}

LRESULT GetTopIndex(HWND h, ListData& d) {
    Layout(h, d);
    return d.top;
}

// LVM_SCROLL: dx pixels sideways, dy pixels down (whole rows).
LRESULT Scroll(HWND h, ListData& d, int dx, int dy) {
    Layout(h, d);
    int rows = dy > 0 ? (dy + d.rowHeight - 1) / d.rowHeight : -((-dy + d.rowHeight - 1) / d.rowHeight);
    ScrollTo(h, d, d.top + rows);
    ScrollSideways(h, d, d.left + dx);
    return TRUE;
}

LRESULT Redraw(HWND h) {
    InvalidateRect(h, nullptr, FALSE);
    return TRUE;
}

LRESULT ColumnMessage(HWND h, ListData& d, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case LVM_INSERTCOLUMNW:
            return InsertColumn(h, d, static_cast<int>(wp), reinterpret_cast<const LVCOLUMNW*>(lp));
        case LVM_GETCOLUMNW:
            return GetColumn(d, wp, reinterpret_cast<LVCOLUMNW*>(lp));
        case LVM_SETCOLUMNW:
            return SetColumn(h, d, wp, reinterpret_cast<const LVCOLUMNW*>(lp));
        case LVM_GETCOLUMNWIDTH:
            return wp < d.columns.size() ? d.columns[wp].cx : 0;
        case LVM_SETCOLUMNWIDTH:
            return SetColumnWidth(h, d, wp, static_cast<short>(LOWORD(lp)));
        case LVM_DELETECOLUMN:
            return DeleteColumn(h, d, wp);
        case LVM_GETHEADER:
            return GetHeader(h, d);
        case LVM_SETIMAGELIST:
            return SetImageList(h, d, wp, reinterpret_cast<HIMAGELIST>(lp));
        case LVM_GETIMAGELIST:
            return GetImageList(d, wp);
        case LVM_SETBKCOLOR:
            return SetBkColor(h, d, static_cast<COLORREF>(lp));
        case LVM_GETBKCOLOR:
            return d.bk == CLR_DEFAULT ? GetSysColor(COLOR_WINDOW) : d.bk;
        case LVM_GETITEMRECT:
            return GetItemRect(h, d, static_cast<int>(wp), reinterpret_cast<RECT*>(lp));
        case LVM_HITTEST:
            return lp ? HitTest(h, d, *reinterpret_cast<LVHITTESTINFO*>(lp)) : -1;
        case LVM_ENSUREVISIBLE:
            return ValidRow(d, static_cast<int>(wp)) && EnsureVisible(h, d, static_cast<int>(wp), LOWORD(lp) != 0);
        case LVM_GETTOPINDEX:
            return GetTopIndex(h, d);
        case LVM_GETCOUNTPERPAGE:
            return PerPage(h, d);
        case LVM_SCROLL:
            return Scroll(h, d, static_cast<int>(wp), static_cast<int>(lp));
        case LVM_REDRAWITEMS:
            return Redraw(h);
        default:
            return DefWindowProc(h, msg, wp, lp);
    }
}

// The list's own messages: rows here, columns, looks and geometry in ColumnMessage.
LRESULT ListMessage(HWND h, ListData* d, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case LVM_INSERTITEMW:
            return InsertItem(h, d, reinterpret_cast<const LVITEMW*>(lp));
        case LVM_DELETEITEM:
            return DeleteItem(h, d, static_cast<int>(wp));
        case LVM_DELETEALLITEMS:
            return DeleteAll(h, d);
        case LVM_GETITEMCOUNT:
            return Count(*d);
        case LVM_GETITEMW:
            return GetItem(*d, reinterpret_cast<LVITEMW*>(lp));
        case LVM_SETITEMW:
            return SetItem(h, d, reinterpret_cast<const LVITEMW*>(lp));
        case LVM_SETITEMTEXTW:
            return SetItemText(h, *d, static_cast<int>(wp), reinterpret_cast<const LVITEMW*>(lp));
        case LVM_GETITEMTEXTW:
            return GetItemText(*d, static_cast<int>(wp), reinterpret_cast<LVITEMW*>(lp));
        case LVM_SETITEMSTATE:
            return SetItemState(h, d, static_cast<int>(wp), reinterpret_cast<const LVITEMW*>(lp));
        case LVM_GETITEMSTATE:
            return GetItemState(*d, static_cast<int>(wp), static_cast<UINT>(lp));
        case LVM_GETNEXTITEM:
            return GetNext(*d, static_cast<int>(wp), LOWORD(lp));
        case LVM_GETSELECTEDCOUNT:
            return SelectedCount(*d);
        case LVM_GETSELECTIONMARK:
            return d->mark;
        case LVM_SETSELECTIONMARK:
            return SetSelectionMark(*d, static_cast<int>(lp));
        case LVM_SORTITEMS:
        case LVM_SORTITEMSEX:
            return SortItems(h, d, reinterpret_cast<PFNLVCOMPARE>(lp), static_cast<LPARAM>(wp), msg == LVM_SORTITEMSEX);
        default:
            return ColumnMessage(h, *d, msg, wp, lp);
    }
}

POINT PointOf(LPARAM lp) {
    return POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
}

LRESULT CALLBACK ListProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) return OnNcCreate(h, wp, lp);
    ListData* d = DataOf(h);
    if (!d) return DefWindowProc(h, msg, wp, lp);
    switch (msg) {
        case WM_CREATE:
            return MakeHeader(h, *d);
        case WM_DESTROY:
            return DropImageLists(h, *d);
        case WM_NCDESTROY:
            return OnNcDestroy(h, d);
        case WM_SIZE:
        case WM_STYLECHANGED:
            return OnChanged(h, *d);
        case WM_SETFONT:
            return OnSetFont(h, *d, reinterpret_cast<HFONT>(wp));
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(d->font);
        case WM_GETDLGCODE:
            return DLGC_WANTARROWS | DLGC_WANTCHARS;
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT:
            return OnPaint(h, *d);
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            return OnFocus(h, *d, msg == WM_SETFOCUS);
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            return OnButtonDown(h, PointOf(lp), msg == WM_LBUTTONDBLCLK);
        case WM_MOUSEMOVE:
            return OnMove(h, *d, PointOf(lp));
        case WM_LBUTTONUP:
            return OnRelease(h, *d, PointOf(lp));
        case WM_TIMER:
            return OnTimer(h, *d, wp);
        case WM_CAPTURECHANGED:
            return OnCaptureChanged(h, *d, reinterpret_cast<HWND>(lp));
        case WM_KEYDOWN:
            return OnKey(h, *d, static_cast<UINT>(wp));
        case WM_VSCROLL:
            return ApplyScroll(h, *d, LOWORD(wp), static_cast<short>(HIWORD(wp)));
        case WM_HSCROLL:
            return ApplyHScroll(h, *d, LOWORD(wp), static_cast<short>(HIWORD(wp)));
        case kWmWindowScrollInfo:
            return OnScrollInfo(h, *d, wp, lp);
        case WM_NOTIFY:
            return OnNotify(h, d, reinterpret_cast<const NMHDR*>(lp));
        default:
            return ListMessage(h, d, msg, wp, lp);
    }
}

}  // namespace

ListData* DataOf(HWND h) {
    return reinterpret_cast<ListData*>(GetWindowLong(h, kDataSlot));
}

LRESULT Notify(HWND h, UINT code, int item, int sub, UINT newState, UINT oldState, UINT changed, LPARAM lParam,
               POINT pt) {
    HWND parent = GetParent(h);
    if (!parent) return 0;
    NMITEMACTIVATE nm{};
    nm.hdr.hwndFrom = h;
    nm.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(h));
    nm.hdr.code = code;
    nm.iItem = item;
    nm.iSubItem = sub;
    nm.uNewState = newState;
    nm.uOldState = oldState;
    nm.uChanged = changed;
    nm.ptAction = pt;
    nm.lParam = lParam;
    return SendMessage(parent, WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm));
}

bool SetState(HWND h, ListData*& d, int i, UINT state, UINT mask) {
    if (!d || !ValidRow(*d, i)) return false;
    uint64_t id = d->rows[static_cast<size_t>(i)].id;
    UINT old = d->rows[static_cast<size_t>(i)].state;
    UINT now = (old & ~mask) | (state & mask);
    if (now == old) return true;
    // One selected row in a single-selection list, one focused row in any:
    // the others let go first, each with its own notifications.
    UINT exclusive = (now & ~old) & (LVIS_FOCUSED | ((StyleOf(h) & LVS_SINGLESEL) ? LVIS_SELECTED : 0));
    for (int k = 0; exclusive && d && k < Count(*d); ++k) {
        UINT other = d->rows[static_cast<size_t>(k)].state & exclusive;
        if (d->rows[static_cast<size_t>(k)].id != id && other) SetState(h, d, k, 0, other);
    }
    if (!d || (i = Find(*d, i, id)) < 0) return false;
    old = d->rows[static_cast<size_t>(i)].state;
    now = (old & ~mask) | (state & mask);
    if (now == old) return true;
    LPARAM tag = d->rows[static_cast<size_t>(i)].lParam;
    Lifeline life(h);
    LRESULT refused = Notify(h, LVN_ITEMCHANGING, i, 0, now, old, LVIF_STATE, tag);
    if (!life) {
        d = nullptr;
        return false;
    }
    if (refused || (i = Find(*d, i, id)) < 0) return false;
    old = d->rows[static_cast<size_t>(i)].state;
    now = (old & ~mask) | (state & mask);
    d->rows[static_cast<size_t>(i)].state = now;
    InvalidateRect(h, nullptr, FALSE);
    Notify(h, LVN_ITEMCHANGED, i, 0, now, old, LVIF_STATE, tag);
    if (!life) d = nullptr;
    return true;
}

void SelectOnly(HWND h, ListData*& d, int i) {
    uint64_t id = ValidRow(*d, i) ? d->rows[static_cast<size_t>(i)].id : 0;
    for (int k = 0; d && k < Count(*d); ++k) {
        const Row& r = d->rows[static_cast<size_t>(k)];
        if (r.id != id && (r.state & LVIS_SELECTED)) SetState(h, d, k, 0, LVIS_SELECTED);
    }
    if (!d || !id || (i = Find(*d, i, id)) < 0) return;
    SetState(h, d, i, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    if (!d || (i = Find(*d, i, id)) < 0) return;
    d->mark = i;
    EnsureVisible(h, *d, i, false);
}

}  // namespace ce::comctl::lv

namespace ce::comctl {

void RegisterListViewClass() {
    WNDCLASSW wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = lv::ListProc;
    wc.cbWndExtra = 4;
    wc.lpszClassName = WC_LISTVIEWW;
    ce::user::RegisterBuiltinClass(wc);
}

}  // namespace ce::comctl
