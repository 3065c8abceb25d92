// The list view's state and the parts of it shared between its message
// handling (listview.cpp) and its geometry, painting and input
// (listview_draw.cpp).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ce_comctl.h"
#include "commctrl.h"
#include "scrollbar.h"

namespace ce::comctl::lv {

struct Column {
    std::u16string text;
    int cx = 0;
    int fmt = LVCFMT_LEFT;
    int sub = 0;  // the sub-item it shows
};

struct Row {
    std::vector<std::u16string> cells;  // [0]: the item's text, then sub-items
    int image = 0;
    LPARAM lParam = 0;
    UINT state = 0;
    uint64_t id = 0;  // tells a row apart after the parent had a say
};

struct ListData {
    std::vector<Column> columns;
    std::vector<Row> rows;
    uint64_t nextId = 1;
    HWND header = nullptr;
    HFONT font = nullptr;
    HIMAGELIST small = nullptr, normal = nullptr, stateImages = nullptr;
    COLORREF bk = CLR_DEFAULT;  // CLR_DEFAULT: the window colour
    int mark = -1;              // the selection mark
    int top = 0;                // first row shown
    bool focus = false;
    // Cached layout; `dirty` asks for it to be worked out again before use.
    bool dirty = true;
    bool measured = false;  // rowHeight and headerHeight fit the font and images
    int rowHeight = 16;
    int headerHeight = 0;
    bool barShown = false;
    ClientBars bars;  // where the scroll bars are, from the last layout
    int left = 0;     // pixels scrolled off at the left
    ScrollBarModel vbar{true};
    ScrollBarModel hbar{false};
    bool pressed = false;  // the stylus went down on the rows (not the bar)
    Hold hold;             // tap-and-hold on the rows
    int clickItem = -1;    // where it went down, for NM_CLICK on release
    int clickSub = 0;
};

ListData* DataOf(HWND h);

inline int Count(const ListData& d) {
    return static_cast<int>(d.rows.size());
}
inline bool ValidRow(const ListData& d, int i) {
    return i >= 0 && i < Count(d);
}

// ---- listview_draw.cpp ----------------------------------------------------------------------

// Works out the row height, the header and the scroll bar when needed.
void Layout(HWND h, ListData& d);
// Forgets the layout and repaints later (cheap: nothing is measured now).
void Changed(HWND h, ListData& d);
// The client area under the header, left of the bar.
RECT RowsArea(HWND h, ListData& d);
int PerPage(HWND h, ListData& d);
int ClampTop(HWND h, ListData& d, int top);
void ScrollTo(HWND h, ListData& d, int top);
// Scrolls sideways so that pixel `left` of the columns is at the left edge.
void ScrollSideways(HWND h, ListData& d, int left);
LRESULT ApplyHScroll(HWND h, ListData& d, int code, int pos);
bool EnsureVisible(HWND h, ListData& d, int i, bool partialOk);
// LVIR_* rectangle of a row, client coordinates.
RECT ItemRect(HWND h, ListData& d, int i, int code);
int HitTest(HWND h, ListData& d, LVHITTESTINFO& info);
void Paint(HWND h, HDC dc, ListData& d);
// Width of the columns' left edges: column c starts at ColumnLeft(d, c).
int ColumnLeft(const ListData& d, size_t c);
int TextWidth(HWND h, const ListData& d, const std::u16string& s);

// Stylus and keys.
void OnPress(HWND h, ListData& d, POINT p, bool dbl);
LRESULT OnMove(HWND h, ListData& d, POINT p);
LRESULT OnRelease(HWND h, ListData& d, POINT p);
// The hold timer fired: a right click where the stylus went down.
void OnHold(HWND h, ListData& d);
LRESULT OnKey(HWND h, ListData& d, UINT vk);
LRESULT ApplyScroll(HWND h, ListData& d, int code, int pos);

// ---- listview.cpp ---------------------------------------------------------------------------

// Sends a list notification and returns the parent's answer; the parent
// may change or destroy the list meanwhile (take a Lifeline before).
LRESULT Notify(HWND h, UINT code, int item, int sub = 0, UINT newState = 0, UINT oldState = 0, UINT changed = 0,
               LPARAM lParam = 0, POINT pt = {0, 0});
// Changes row i's state bits under `mask` as the user or a program asks,
// with LVN_ITEMCHANGING / LVN_ITEMCHANGED; single selection and the one
// focused row are kept. Returns false when the parent refused or the list
// went away.
bool SetState(HWND h, ListData*& d, int i, UINT state, UINT mask);
// Selects row i alone, focuses and marks it (a tap or a key); -1 clears the
// selection and keeps the mark.
void SelectOnly(HWND h, ListData*& d, int i);

}  // namespace ce::comctl::lv
