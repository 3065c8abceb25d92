// What the host's view shows of list views: the columns with their widths,
// every row's cells, image and selection with its place on the screen (null
// while scrolled out of view), and the selection mark; a script can tap any
// cell or column title it sees by its text.
//
// The host's thread asks the list by message only (its own thread answers
// while the program is idle).
#include <algorithm>
#include <string>
#include <vector>

#include "ce_kernel.h"
#include "commctrl.h"
#include "userdesktop.h"

namespace ce::user {

namespace {

constexpr int kTextMax = 1024;

struct ColumnInfo {
    std::u16string text;
    int width = 0;
    int sub = 0;
};

std::u16string Terminated(const WCHAR* buf) {
    return std::u16string(buf);
}

std::vector<ColumnInfo> ColumnsOf(HWND list) {
    std::vector<ColumnInfo> out;
    for (int c = 0;; ++c) {
        WCHAR buf[kTextMax] = {};
        LVCOLUMNW col{};
        col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        col.pszText = buf;
        col.cchTextMax = kTextMax;
        if (!SendMessage(list, LVM_GETCOLUMNW, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&col))) break;
        out.push_back({Terminated(buf), col.cx, col.iSubItem});
    }
    return out;
}

std::u16string CellOf(HWND list, int row, int sub) {
    WCHAR buf[kTextMax] = {};
    LVITEMW it{};
    it.iSubItem = sub;
    it.pszText = buf;
    it.cchTextMax = kTextMax;
    SendMessage(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&it));
    return Terminated(buf);
}

// The part of the list's client area that shows rows (under the header,
// left of the scroll bar), client coordinates.
RECT RowsArea(HWND list) {
    RECT rc{};
    GetClientRect(list, &rc);
    auto header = reinterpret_cast<HWND>(SendMessage(list, LVM_GETHEADER, 0, 0));
    if (header && IsWindowVisible(header)) {
        RECT hr{};
        GetWindowRect(header, &hr);
        POINT corner{hr.right, hr.bottom};
        ScreenToClient(list, &corner);
        rc.top = std::max<LONG>(rc.top, corner.y);
        rc.right = std::min<LONG>(rc.right, corner.x);
    }
    return rc;
}

// Row i's bounds in client coordinates, and whether all of it is shown.
bool RowRect(HWND list, int i, RECT& r) {
    r = RECT{LVIR_BOUNDS, 0, 0, 0};
    if (!SendMessage(list, LVM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r))) return false;
    RECT area = RowsArea(list);
    return r.top >= area.top && r.bottom <= area.bottom && r.top < r.bottom;
}

POINT ToScreen(HWND h, LONG x, LONG y) {
    POINT p{x, y};
    ClientToScreen(h, &p);
    return p;
}

void ListFields(HWND list, Json& entry) {
    std::vector<ColumnInfo> cols = ColumnsOf(list);
    Json columns = Json::array();
    for (const ColumnInfo& col : cols) columns.push_back({{"text", ToUtf8(col.text)}, {"width", col.width}});
    entry["columns"] = std::move(columns);
    Json rows = Json::array();
    auto count = SendMessage(list, LVM_GETITEMCOUNT, 0, 0);
    for (int i = 0; i < count; ++i) {
        Json cells = Json::array();
        if (cols.empty()) {
            cells.push_back(ToUtf8(CellOf(list, i, 0)));
        } else {
            for (const ColumnInfo& col : cols) cells.push_back(ToUtf8(CellOf(list, i, col.sub)));
        }
        LVITEMW it{};
        it.mask = LVIF_IMAGE;
        it.iItem = i;
        SendMessage(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it));
        bool selected = SendMessage(list, LVM_GETITEMSTATE, static_cast<WPARAM>(i), LVIS_SELECTED) != 0;
        Json row = {{"cells", std::move(cells)}, {"image", it.iImage}, {"selected", selected}, {"rect", nullptr}};
        RECT r{};
        if (RowRect(list, i, r)) {
            POINT a = ToScreen(list, r.left, r.top), b = ToScreen(list, r.right, r.bottom);
            row["rect"] = JsonRect(RECT{a.x, a.y, b.x, b.y});
        }
        rows.push_back(std::move(row));
    }
    entry["rows"] = std::move(rows);
    entry["selection_mark"] = SendMessage(list, LVM_GETSELECTIONMARK, 0, 0);
}

// A column title, then a cell of a row in view, whose text is `text`.
bool FindListText(HWND list, std::u16string_view text, POINT& pt) {
    RECT area = RowsArea(list);
    if (area.right <= area.left) return false;
    std::vector<ColumnInfo> cols = ColumnsOf(list);
    auto header = reinterpret_cast<HWND>(SendMessage(list, LVM_GETHEADER, 0, 0));
    if (header && IsWindowVisible(header)) {
        for (size_t c = 0; c < cols.size(); ++c) {
            RECT r{};
            if (cols[c].text != text ||
                !SendMessage(header, HDM_GETITEMRECT, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&r)))
                continue;
            LONG right = std::min<LONG>(r.right, area.right);
            if (right <= r.left) continue;
            POINT p{(r.left + right) / 2, (r.top + r.bottom) / 2};
            ClientToScreen(header, &p);
            pt = p;
            return true;
        }
    }
    auto count = static_cast<int>(SendMessage(list, LVM_GETITEMCOUNT, 0, 0));
    auto top = static_cast<int>(SendMessage(list, LVM_GETTOPINDEX, 0, 0));
    auto per = static_cast<int>(SendMessage(list, LVM_GETCOUNTPERPAGE, 0, 0));
    for (int i = std::max(0, top); i < count && i < top + per; ++i) {
        RECT row{};
        if (!RowRect(list, i, row)) continue;
        LONG left = 0;
        for (size_t c = 0; c < std::max<size_t>(1, cols.size()); ++c) {
            int width = cols.empty() ? area.right - area.left : cols[c].width;
            LONG right = std::min<LONG>(left + width, area.right);
            int sub = cols.empty() ? 0 : cols[c].sub;
            if (right > left && CellOf(list, i, sub) == text) {
                if (sub == 0) {
                    // The label, right of the image.
                    RECT label{LVIR_LABEL, 0, 0, 0};
                    if (SendMessage(list, LVM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&label)) &&
                        label.right > label.left)
                        left = std::max(left, label.left), right = std::min(right, label.right);
                }
                pt = ToScreen(list, (left + right) / 2, (row.top + row.bottom) / 2);
                return true;
            }
            left += width;
        }
    }
    return false;
}

void HeaderFields(HWND header, Json& entry) {
    Json items = Json::array();
    auto count = SendMessage(header, HDM_GETITEMCOUNT, 0, 0);
    for (int i = 0; i < count; ++i) {
        WCHAR buf[kTextMax] = {};
        HDITEMW it{};
        it.mask = HDI_TEXT | HDI_WIDTH;
        it.pszText = buf;
        it.cchTextMax = kTextMax;
        SendMessage(header, HDM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&it));
        items.push_back({{"text", ToUtf8(Terminated(buf))}, {"width", it.cxy}});
    }
    entry["items"] = std::move(items);
}

}  // namespace

void RegisterListInspectors() {
    RegisterClassInspector(WC_LISTVIEWW, {FindListText, ListFields});
    RegisterClassInspector(WC_HEADERW, {nullptr, HeaderFields});
}

}  // namespace ce::user
