// The tree view's state, shared by its message handling (treeview.cpp) and
// its layout and drawing (treeview_draw.cpp).
#pragma once

#include <string>
#include <unordered_set>
#include <vector>

#include "ce_comctl.h"
#include "commctrl.h"
#include "scrollbar.h"

namespace ce::comctl::tree {

struct Item {
    Item* parent = nullptr;
    Item* first = nullptr;  // children
    Item* last = nullptr;   // kept so that appending is O(1)
    Item* next = nullptr;
    Item* prev = nullptr;
    std::u16string text;
    int image = 0;
    int selImage = 0;
    int children = 0;  // cChildren as the program set it
    LPARAM param = 0;
    UINT state = 0;
    int level = 0;       // 0 for top-level items
    int row = -1;        // index in Tree::rows when that list is fresh and the item is in it
    int textWidth = -1;  // measured lazily with the current font
    bool dying = false;  // being deleted: its TVN_DELETEITEM is under way

    bool HasButton() const { return children != 0 || first != nullptr; }
};

struct Tree {
    HWND hwnd = nullptr;
    Item root;  // hidden: its children are the top-level items
    std::unordered_set<Item*> live;
    Item* caret = nullptr;
    HIMAGELIST normal = nullptr;
    HIMAGELIST stateList = nullptr;
    HFONT font = nullptr;
    bool focus = false;

    // The flattened list of rows: items whose ancestors are all expanded, in
    // display order. Rebuilt lazily when stale.
    std::vector<Item*> rows;
    bool rowsStale = true;
    int top = 0;  // first row shown

    int textHeight = -1;   // of the font, measured lazily
    int customHeight = 0;  // TVM_SETITEMHEIGHT; 0: computed
    int indent = 19;

    ScrollBarModel vbar{true};
    ScrollBarModel hbar{false};
    Hold hold;       // tap-and-hold on an item
    int left = 0;    // pixels scrolled off at the left
    int width = -1;  // of the widest row, measured lazily (-1: stale)
    bool paintPending = false;

    bool Alive(const Item* i) const { return i && live.count(const_cast<Item*>(i)) && !i->dying; }
};

// ---- treeview_draw.cpp ----

// Rebuilds Tree::rows if stale; the row of an item (-1 when it is hidden
// under a collapsed ancestor).
void EnsureRows(Tree& t);
int RowOf(Tree& t, Item* item);
int ItemHeight(Tree& t);
int TextWidth(Tree& t, Item* item);
// Where the scroll bars are (each shown when the rows do not fit), the
// client area without them, and the vertical bar (empty when not shown).
ClientBars Bars(Tree& t);
RECT ListArea(Tree& t);
RECT BarRect(Tree& t);
bool BarShown(Tree& t);
// Pixels from the left of the first column to the right of the widest row.
int ContentWidth(Tree& t);
// Whole rows that fit in the list area (at least 1).
int PageRows(Tree& t);
// Keeps `top` in range and the scroll bar in step with the rows.
void SyncScroll(Tree& t);
// Scrolls so that row `top` is the first shown; true when it moved.
bool ScrollTo(Tree& t, int top);
// Scrolls sideways so that pixel `left` of the rows is at the left edge.
bool ScrollSideways(Tree& t, int left);

struct RowGeometry {
    RECT row;     // the whole row across the list area
    int lineX;    // centre of the column of the item's button / line joint (or -1)
    RECT button;  // the +/- box (empty when none)
    RECT icon;    // the image (empty when no image list)
    RECT label;   // the text
};
RowGeometry Geometry(Tree& t, Item* item, int row);
Item* HitTest(Tree& t, POINT p, UINT& flags);
void Paint(Tree& t, HDC dc, const RECT& update);

// Marks the window for repainting (once until it is painted).
void Invalidate(Tree& t);
// The rows changed (an expansion, an insertion into an expanded item, ...).
void RowsChanged(Tree& t);

}  // namespace ce::comctl::tree
