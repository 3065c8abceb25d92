// The tree view ("SysTreeView32"): a hierarchy of items, each with a text,
// images, a program value and a state, shown as indented rows with optional
// +/- boxes and dotted lines, worked by touch and keys.
//
// Items form a linked tree (parent, first and last child, siblings), so
// appending a child is O(1). The list of visible rows is rebuilt lazily and
// nothing is laid out or painted per insertion: changes only mark the rows
// stale and the window invalid.
//
// The parent hears WM_NOTIFY with an NMTREEVIEW and may insert, delete and
// select items from inside any notification. Every notification is
// followed by a check that the items in hand still exist (and that the
// control itself does), so a handler that deletes them is harmless.
//
// Behaviour where the documentation leaves a choice:
//  - TVM_EXPAND sends TVN_ITEMEXPANDING/TVN_ITEMEXPANDED only until the item
//    has once been expanded (TVIS_EXPANDEDONCE), as documented; expansions
//    by the user (taps, keys) always notify. TVE_COLLAPSE|TVE_COLLAPSERESET
//    deletes the children and clears TVIS_EXPANDEDONCE. The notifications
//    carry the action exactly as asked, flags included; TVE_TOGGLE is
//    resolved to TVE_EXPAND or TVE_COLLAPSE first.
//  - An item whose child count (cChildren) is not 0 shows a button and can be
//    expanded even without child items: TVN_ITEMEXPANDING lets the parent
//    fill it. If it still has no child item after that, it stays collapsed
//    (no TVN_ITEMEXPANDED, FALSE). Deleting children leaves cChildren as the
//    program set it.
//  - TVE_EXPAND|TVE_EXPANDPARTIAL opens the item like TVE_EXPAND and marks
//    it TVIS_EXPANDPARTIAL; it is drawn and toggled like any open item (a
//    "-" box that collapses it), so an open item never shows "+".
//  - Deleting the caret item (or an ancestor of it) selects the deleted
//    item's next sibling, else its parent, else its previous sibling, with
//    TVN_SELCHANGING/TVN_SELCHANGED (action TVC_UNKNOWN, no old item).
//  - Collapsing an item whose subtree holds the caret selects the item.
#include <algorithm>
#include <cstring>

#include "ce_comctl.h"
#include "treeview_impl.h"

using namespace ce::comctl::tree;
using ce::comctl::Lifeline;

namespace {

constexpr int kDataSlot = 0;

Tree* DataOf(HWND h) {
    return reinterpret_cast<Tree*>(GetWindowLong(h, kDataSlot));
}

HTREEITEM H(Item* i) {
    return reinterpret_cast<HTREEITEM>(i);
}
Item* Lookup(Tree& t, HTREEITEM h) {
    auto* i = reinterpret_cast<Item*>(h);
    return t.Alive(i) ? i : nullptr;
}
// Also an item whose TVN_DELETEITEM is under way: it can still be read.
Item* LookupForReading(Tree& t, HTREEITEM h) {
    auto* i = reinterpret_cast<Item*>(h);
    return i && t.live.count(i) ? i : nullptr;
}

// ---- Notifications ----------------------------------------------------------------------

void Describe(TVITEMW& tv, Item* i) {
    tv.mask = TVIF_HANDLE | TVIF_STATE | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN;
    if (!i) return;
    tv.hItem = H(i);
    tv.state = i->state;
    tv.stateMask = 0xFFFF;
    tv.lParam = i->param;
    tv.iImage = i->image;
    tv.iSelectedImage = i->selImage;
    tv.cChildren = i->children;
}

LRESULT Send(Tree& t, NMHDR& hdr, UINT code) {
    HWND parent = GetParent(t.hwnd);
    if (!parent) return 0;
    hdr.hwndFrom = t.hwnd;
    hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(t.hwnd));
    hdr.code = code;
    return SendMessage(parent, WM_NOTIFY, hdr.idFrom, reinterpret_cast<LPARAM>(&hdr));
}

LRESULT NotifyTree(Tree& t, UINT code, UINT action, Item* oldItem, Item* newItem, POINT pt = {0, 0}) {
    NMTREEVIEWW nm{};
    nm.action = action;
    Describe(nm.itemOld, oldItem);
    Describe(nm.itemNew, newItem);
    nm.ptDrag = pt;
    return Send(t, nm.hdr, code);
}

LRESULT NotifySimple(Tree& t, UINT code) {
    NMHDR hdr{};
    return Send(t, hdr, code);
}

// ---- Selection and expansion --------------------------------------------------------------

bool IsAncestor(const Item* a, const Item* i) {
    for (i = i ? i->parent : nullptr; i; i = i->parent)
        if (i == a) return true;
    return false;
}

BOOL Expand(Tree& t, Item* item, UINT code, bool byUser);

// Scrolls (and expands ancestors) so that the item's row is shown. True
// when it scrolled and expanded nothing, as TVM_ENSUREVISIBLE answers.
BOOL EnsureVisible(Tree& t, Item* item) {
    Lifeline life(t.hwnd);
    bool expanded = false;
    std::vector<Item*> chain;
    for (Item* p = item->parent; p && p != &t.root; p = p->parent) chain.push_back(p);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (!t.Alive(*it) || ((*it)->state & TVIS_EXPANDED)) continue;
        Expand(t, *it, TVE_EXPAND, false);
        expanded = true;
        if (!life || !t.Alive(item)) return FALSE;
    }
    const int row = RowOf(t, item);
    if (row < 0) return FALSE;
    const int page = PageRows(t);
    bool scrolled = false;
    if (row < t.top)
        scrolled = ScrollTo(t, row);
    else if (row >= t.top + page)
        scrolled = ScrollTo(t, row - page + 1);
    // Sideways: the item from its button (or image, or label) on in view;
    // scrolled right only as far as its whole width fits.
    const RowGeometry g = Geometry(t, item, row);
    const RECT area = ListArea(t);
    const LONG start = !IsRectEmpty(&g.button) ? g.button.left : IsRectEmpty(&g.icon) ? g.label.left : g.icon.left;
    int left = t.left;
    if (start < area.left)
        left -= area.left - start;
    else if (g.label.right > area.right && g.label.right - start <= area.right - area.left)
        left += g.label.right - area.right;
    if (ScrollSideways(t, left)) scrolled = true;
    return scrolled && !expanded;
}

// Moves the caret to `item` (may be null). TVN_SELCHANGING may veto.
BOOL Select(Tree& t, Item* item, UINT action) {
    if (item == t.caret) {
        if (item) EnsureVisible(t, item);
        return TRUE;
    }
    Item* old = t.caret;
    Lifeline life(t.hwnd);
    if (NotifyTree(t, TVN_SELCHANGING, action, old, item)) return FALSE;
    if (!life || (item && !t.Alive(item))) return FALSE;
    if (!t.Alive(old)) old = nullptr;
    if (t.caret && t.Alive(t.caret)) t.caret->state &= ~TVIS_SELECTED;
    t.caret = item;
    if (item) item->state |= TVIS_SELECTED;
    Invalidate(t);
    // The parents of a newly selected item open, as the user must see it.
    if (item) EnsureVisible(t, item);
    if (!life) return FALSE;
    NotifyTree(t, TVN_SELCHANGED, action, old, t.Alive(item) ? item : nullptr);
    return TRUE;
}

void DeleteChildren(Tree& t, Item* item);

BOOL Expand(Tree& t, Item* item, UINT code, bool byUser) {
    UINT action = code & TVE_ACTIONMASK;
    if (action == TVE_TOGGLE) {
        action = (item->state & TVIS_EXPANDED) ? TVE_COLLAPSE : TVE_EXPAND;
        code = (code & ~TVE_ACTIONMASK) | action;
    }
    if (action == 0) return FALSE;
    const bool partial = (code & TVE_EXPANDPARTIAL) != 0;
    const bool notify = byUser || !(item->state & TVIS_EXPANDEDONCE);
    Lifeline life(t.hwnd);

    if (action == TVE_EXPAND) {
        const bool already = (item->state & TVIS_EXPANDED) && partial == ((item->state & TVIS_EXPANDPARTIAL) != 0);
        if (already) return TRUE;
        if (!item->HasButton()) return FALSE;
        if (notify) {
            if (NotifyTree(t, TVN_ITEMEXPANDING, code, nullptr, item)) return FALSE;
            if (!life || !t.Alive(item)) return FALSE;
        }
        if (!item->first) {
            // The parent found nothing to put under it (and may have
            // cleared its child count): the item stays collapsed.
            Invalidate(t);
            return FALSE;
        }
        item->state |= TVIS_EXPANDED | TVIS_EXPANDEDONCE;
        if (partial)
            item->state |= TVIS_EXPANDPARTIAL;
        else
            item->state &= ~TVIS_EXPANDPARTIAL;
        RowsChanged(t);
        if (notify) NotifyTree(t, TVN_ITEMEXPANDED, code, nullptr, item);
        return TRUE;
    }

    // Collapse.
    if (!(item->state & TVIS_EXPANDED) && !(code & TVE_COLLAPSERESET)) return FALSE;
    if (notify) {
        if (NotifyTree(t, TVN_ITEMEXPANDING, code, nullptr, item)) return FALSE;
        if (!life || !t.Alive(item)) return FALSE;
    }
    if (t.caret && IsAncestor(item, t.caret)) {
        Select(t, item, TVC_UNKNOWN);
        if (!life || !t.Alive(item)) return FALSE;
    }
    item->state &= ~(TVIS_EXPANDED | TVIS_EXPANDPARTIAL);
    if (code & TVE_COLLAPSERESET) {
        item->state &= ~TVIS_EXPANDEDONCE;
        DeleteChildren(t, item);
        if (!life || !t.Alive(item)) return FALSE;
    }
    RowsChanged(t);
    if (notify) NotifyTree(t, TVN_ITEMEXPANDED, code, nullptr, item);
    return TRUE;
}

// ---- Insertion and deletion ---------------------------------------------------------------

char16_t Fold(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
}
bool Before(const std::u16string& a, const std::u16string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char16_t x, char16_t y) { return Fold(x) < Fold(y); });
}

void Apply(Tree& t, Item& i, const TVITEMW& tv) {
    if (tv.mask & TVIF_TEXT) {
        i.text = (tv.pszText && tv.pszText != LPSTR_TEXTCALLBACKW) ? std::u16string(tv.pszText) : std::u16string();
        i.textWidth = -1;
        t.width = -1;
    }
    if (tv.mask & TVIF_IMAGE) i.image = tv.iImage;
    if (tv.mask & TVIF_SELECTEDIMAGE) i.selImage = tv.iSelectedImage;
    if (tv.mask & TVIF_PARAM) i.param = tv.lParam;
    if (tv.mask & TVIF_CHILDREN) i.children = tv.cChildren;
    if (tv.mask & TVIF_STATE) {
        // The selection belongs to the caret; the rest is the program's.
        const UINT mask = tv.stateMask & ~static_cast<UINT>(TVIS_SELECTED | TVIS_FOCUSED);
        const UINT before = i.state;
        i.state = (i.state & ~mask) | (tv.state & mask);
        if ((before ^ i.state) & TVIS_EXPANDED) t.rowsStale = true;
    }
}

Item* Insert(Tree& t, const TVINSERTSTRUCTW* is) {
    if (!is) return nullptr;
    Item* parent = (!is->hParent || is->hParent == TVI_ROOT) ? &t.root : Lookup(t, is->hParent);
    if (!parent) return nullptr;
    HTREEITEM after = is->hInsertAfter;
    Item* sibling = nullptr;  // insert after this one; null: first
    if (after == TVI_LAST || after == nullptr) {
        sibling = parent->last;
    } else if (after == TVI_FIRST) {
        sibling = nullptr;
    } else if (after == TVI_SORT) {
        const std::u16string key =
            (is->item.mask & TVIF_TEXT) && is->item.pszText && is->item.pszText != LPSTR_TEXTCALLBACKW
                ? is->item.pszText
                : u"";
        sibling = parent->last;
        while (sibling && Before(key, sibling->text)) sibling = sibling->prev;
    } else {
        sibling = Lookup(t, after);
        if (!sibling || sibling->parent != parent) return nullptr;
    }
    auto* item = new Item;
    Apply(t, *item, is->item);
    item->state &= ~static_cast<UINT>(TVIS_SELECTED);
    item->parent = parent;
    item->level = parent == &t.root ? 0 : parent->level + 1;
    item->prev = sibling;
    item->next = sibling ? sibling->next : parent->first;
    if (item->prev)
        item->prev->next = item;
    else
        parent->first = item;
    if (item->next)
        item->next->prev = item;
    else
        parent->last = item;
    t.live.insert(item);
    if (parent == &t.root || (parent->state & TVIS_EXPANDED)) t.rowsStale = true;
    Invalidate(t);
    return item;
}

void Unlink(Item* i) {
    Item* p = i->parent;
    if (i->prev)
        i->prev->next = i->next;
    else
        p->first = i->next;
    if (i->next)
        i->next->prev = i->prev;
    else
        p->last = i->prev;
    i->prev = i->next = nullptr;
}

// Deletes an item with its subtree: each item hears TVN_DELETEITEM (children
// before their parent) while it can still be read, then is freed.
BOOL Delete(Tree& t, Item* item) {
    Item* newCaret = nullptr;
    bool caretGoes = t.caret && (t.caret == item || IsAncestor(item, t.caret));
    if (caretGoes) {
        if (item->next)
            newCaret = item->next;
        else if (item->parent != &t.root)
            newCaret = item->parent;
        else
            newCaret = item->prev;
        t.caret = nullptr;
    }
    // Post-order list of the subtree (children first, in order), without
    // recursion.
    std::vector<Item*> doomed;
    std::vector<std::pair<Item*, bool>> stack{{item, false}};
    while (!stack.empty()) {
        auto [i, childrenListed] = stack.back();
        stack.pop_back();
        if (childrenListed) {
            doomed.push_back(i);
            continue;
        }
        i->dying = true;
        stack.push_back({i, true});
        for (Item* c = i->last; c; c = c->prev) stack.push_back({c, false});
    }
    Unlink(item);
    RowsChanged(t);
    Lifeline life(t.hwnd);
    for (Item* i : doomed) {
        NMTREEVIEWW nm{};
        nm.itemOld.mask = TVIF_HANDLE | TVIF_PARAM;
        nm.itemOld.hItem = H(i);
        nm.itemOld.lParam = i->param;
        Send(t, nm.hdr, TVN_DELETEITEM);
        // Gone with the tree: its items, these among them, were freed.
        if (!life) return TRUE;
    }
    for (Item* i : doomed) {
        t.live.erase(i);
        delete i;
    }
    if (caretGoes && !t.caret && t.Alive(newCaret)) Select(t, newCaret, TVC_UNKNOWN);
    return TRUE;
}

void DeleteChildren(Tree& t, Item* item) {
    Lifeline life(t.hwnd);
    while (life && t.Alive(item) && item->first) Delete(t, item->first);
}

void DeleteAll(Tree& t) {
    Lifeline life(t.hwnd);
    while (life && t.root.first) {
        // Nothing is left to select when everything goes.
        t.caret = nullptr;
        Delete(t, t.root.first);
    }
}

void FreeAll(Tree& t) {
    for (Item* i : t.live) delete i;
    t.live.clear();
    t.root.first = t.root.last = nullptr;
}

// ---- Messages ---------------------------------------------------------------------------------

BOOL GetItem(Tree& t, TVITEMW* tv) {
    if (!tv) return FALSE;
    Item* i = LookupForReading(t, tv->hItem);
    if (!i) return FALSE;
    if ((tv->mask & TVIF_TEXT) && tv->pszText && tv->cchTextMax > 0) {
        const size_t n = std::min(i->text.size(), static_cast<size_t>(tv->cchTextMax - 1));
        std::copy_n(i->text.data(), n, tv->pszText);
        tv->pszText[n] = 0;
    }
    if (tv->mask & TVIF_IMAGE) tv->iImage = i->image;
    if (tv->mask & TVIF_SELECTEDIMAGE) tv->iSelectedImage = i->selImage;
    if (tv->mask & TVIF_PARAM) tv->lParam = i->param;
    if (tv->mask & TVIF_STATE) tv->state = i->state;
    if (tv->mask & TVIF_CHILDREN) tv->cChildren = i->children != 0 ? i->children : (i->first ? 1 : 0);
    return TRUE;
}

Item* NextItem(Tree& t, UINT code, Item* i, bool given) {
    switch (code) {
        case TVGN_ROOT:
            return t.root.first;
        case TVGN_CARET:
            return t.caret;
        case TVGN_DROPHILITE:
            return nullptr;
        case TVGN_FIRSTVISIBLE:
            EnsureRows(t);
            return t.top < static_cast<int>(t.rows.size()) ? t.rows[static_cast<size_t>(t.top)] : nullptr;
        case TVGN_LASTVISIBLE:
            EnsureRows(t);
            return t.rows.empty() ? nullptr : t.rows.back();
        case TVGN_CHILD:
            if (!given) return t.root.first;
            return i ? i->first : nullptr;
        default:
            break;
    }
    if (!i) return nullptr;
    switch (code) {
        case TVGN_NEXT:
            return i->next;
        case TVGN_PREVIOUS:
            return i->prev;
        case TVGN_PARENT:
            return i->parent == &t.root ? nullptr : i->parent;
        case TVGN_NEXTVISIBLE: {
            int r = RowOf(t, i);
            return r >= 0 && r + 1 < static_cast<int>(t.rows.size()) ? t.rows[static_cast<size_t>(r + 1)] : nullptr;
        }
        case TVGN_PREVIOUSVISIBLE: {
            int r = RowOf(t, i);
            return r > 0 ? t.rows[static_cast<size_t>(r - 1)] : nullptr;
        }
        default:
            return nullptr;
    }
}

BOOL GetItemRect(Tree& t, BOOL textOnly, RECT* r) {
    if (!r) return FALSE;
    HTREEITEM h = nullptr;
    std::memcpy(&h, r, sizeof h);
    Item* i = Lookup(t, h);
    if (!i) return FALSE;
    const int row = RowOf(t, i);
    if (row < 0) return FALSE;
    RowGeometry g = Geometry(t, i, row);
    *r = textOnly ? g.label : g.row;
    return TRUE;
}

LRESULT ApplyScroll(Tree& t, int code, int pos) {
    if (auto to = ce::comctl::ScrollTarget(code, pos, t.top, 1, PageRows(t), static_cast<int>(t.rows.size())))
        ScrollTo(t, *to);
    return 0;
}

LRESULT OnKey(Tree& t, UINT vk) {
    NMTVKEYDOWN kd{};
    kd.wVKey = static_cast<WORD>(vk);
    Lifeline life(t.hwnd);
    Send(t, kd.hdr, TVN_KEYDOWN);
    if (!life) return 0;
    EnsureRows(t);
    if (t.rows.empty()) return 0;
    Item* c = t.caret;
    const int row = c ? RowOf(t, c) : -1;
    const int n = static_cast<int>(t.rows.size());
    auto rowItem = [&](int r) { return t.rows[static_cast<size_t>(std::clamp(r, 0, n - 1))]; };
    Item* target = nullptr;
    switch (vk) {
        case VK_UP:
            target = row < 0 ? rowItem(0) : rowItem(row - 1);
            break;
        case VK_DOWN:
            target = row < 0 ? rowItem(0) : rowItem(row + 1);
            break;
        case VK_HOME:
            target = rowItem(0);
            break;
        case VK_END:
            target = rowItem(n - 1);
            break;
        case VK_PRIOR:
            target = rowItem(row - (PageRows(t) - 1));
            break;
        case VK_NEXT:
            target = rowItem(row + (PageRows(t) - 1));
            break;
        case VK_LEFT:
            if (!c) break;
            if ((c->state & TVIS_EXPANDED) && c->first)
                Expand(t, c, TVE_COLLAPSE, true);
            else if (c->parent != &t.root)
                target = c->parent;
            break;
        case VK_RIGHT:
            if (!c) break;
            if (!(c->state & TVIS_EXPANDED) && c->HasButton())
                Expand(t, c, TVE_EXPAND, true);
            else if (c->first && (c->state & TVIS_EXPANDED))
                target = c->first;
            break;
        case VK_ADD:
            if (c && !(c->state & TVIS_EXPANDED)) Expand(t, c, TVE_EXPAND, true);
            break;
        case VK_SUBTRACT:
            if (c && (c->state & TVIS_EXPANDED)) Expand(t, c, TVE_COLLAPSE, true);
            break;
        default:
            break;
    }
    if (target && life && t.Alive(target)) Select(t, target, TVC_BYKEYBOARD);
    return 0;
}

LRESULT ApplyHScroll(Tree& t, int code, int pos) {
    const RECT area = ListArea(t);
    const int page = std::max(1, static_cast<int>(area.right - area.left));
    auto to = ce::comctl::ScrollTarget(code, pos, t.left, ce::comctl::kHorzLine, page, ContentWidth(t));
    if (to) ScrollSideways(t, *to);
    return 0;
}

// The bar being dragged (or null) and its scroll requests.
struct Tracked {
    ce::comctl::ScrollBarModel* bar;
    RECT rect;
    bool horz;
};
Tracked TrackedBar(Tree& t) {
    ce::comctl::ClientBars b = Bars(t);
    if (t.vbar.Tracking()) return {&t.vbar, b.vbar, false};
    if (t.hbar.Tracking()) return {&t.hbar, b.hbar, true};
    return {nullptr, {}, false};
}
void ApplyRequests(Tree& t, bool horz, const std::vector<ce::comctl::ScrollRequest>& reqs) {
    for (auto& r : reqs) horz ? ApplyHScroll(t, r.code, r.pos) : ApplyScroll(t, r.code, r.pos);
}

LRESULT OnPress(Tree& t, POINT p, bool dbl) {
    const ce::comctl::ClientBars bars = Bars(t);
    for (bool horz : {false, true}) {
        const RECT& bar = horz ? bars.hbar : bars.vbar;
        if (!PtInRect(&bar, p)) continue;
        auto& model = horz ? t.hbar : t.vbar;
        auto reqs = model.Press(bar, p);
        if (model.Tracking()) SetCapture(t.hwnd);
        ApplyRequests(t, horz, reqs);
        InvalidateRect(t.hwnd, nullptr, FALSE);
        return 0;
    }
    if (PtInRect(&bars.corner, p)) return 0;
    Lifeline life(t.hwnd);
    if (GetFocus() != t.hwnd) SetFocus(t.hwnd);
    if (!life) return 0;
    UINT flags = 0;
    Item* item = HitTest(t, p, flags);
    if (item && (flags & TVHT_ONITEMBUTTON)) {
        Expand(t, item, TVE_TOGGLE, true);
        return 0;
    }
    if (NotifySimple(t, dbl ? NM_DBLCLK : NM_CLICK) || !life) return 0;
    if (!item || !(flags & TVHT_ONITEM) || !t.Alive(item)) return 0;
    if (!dbl) {
        // Held still on the item, this press becomes a right click.
        POINT c = p;
        t.hold.Arm(t.hwnd, c);
        SetCapture(t.hwnd);
    }
    if (dbl)
        Expand(t, item, TVE_TOGGLE, true);
    else
        Select(t, item, TVC_BYMOUSE);
    return 0;
}

// ---- Window messages ------------------------------------------------------------------------

LRESULT OnNcCreate(HWND h, WPARAM wp, LPARAM lp) {
    auto* t = new Tree;
    t->hwnd = h;
    t->root.level = -1;
    SetWindowLong(h, kDataSlot, reinterpret_cast<LONG_PTR>(t));
    return DefWindowProc(h, WM_NCCREATE, wp, lp);
}

LRESULT OnDestroy(Tree& t) {
    DeleteAll(t);
    return 0;
}

LRESULT OnNcDestroy(Tree* t, WPARAM wp, LPARAM lp) {
    HWND h = t->hwnd;
    SetWindowLong(h, kDataSlot, 0);
    FreeAll(*t);
    delete t;
    return DefWindowProc(h, WM_NCDESTROY, wp, lp);
}

LRESULT OnSetFont(Tree& t, HFONT font) {
    t.font = font;
    t.textHeight = -1;
    for (Item* i : t.live) i->textWidth = -1;
    RowsChanged(t);
    return 0;
}

LRESULT OnSize(Tree& t) {
    SyncScroll(t);
    InvalidateRect(t.hwnd, nullptr, FALSE);
    return 0;
}

LRESULT OnPaint(Tree& t) {
    PAINTSTRUCT ps;
    t.paintPending = false;
    HDC dc = BeginPaint(t.hwnd, &ps);
    if (dc) Paint(t, dc, ps.rcPaint);
    EndPaint(t.hwnd, &ps);
    return 0;
}

LRESULT OnFocus(Tree& t, bool gained) {
    t.focus = gained;
    Invalidate(t);
    NotifySimple(t, gained ? NM_SETFOCUS : NM_KILLFOCUS);
    return 0;
}

POINT PointOf(LPARAM lp) {
    return POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
}

LRESULT OnMouseMove(Tree& t, POINT p) {
    t.hold.Move(t.hwnd, p);
    Tracked tr = TrackedBar(t);
    if (tr.bar) {
        auto reqs = tr.bar->Move(tr.rect, p);
        ApplyRequests(t, tr.horz, reqs);
        if (!reqs.empty()) InvalidateRect(t.hwnd, nullptr, FALSE);
    }
    return 0;
}

LRESULT OnButtonUp(Tree& t, POINT p) {
    t.hold.Disarm(t.hwnd);
    std::vector<ce::comctl::ScrollRequest> reqs;
    Tracked tr = TrackedBar(t);
    if (tr.bar) reqs = tr.bar->Release(tr.rect, p);
    if (GetCapture() == t.hwnd) ReleaseCapture();
    ApplyRequests(t, tr.horz, reqs);
    InvalidateRect(t.hwnd, nullptr, FALSE);
    return 0;
}

// The hold timer: a right click where the stylus went down.
LRESULT OnTimer(Tree& t, WPARAM id) {
    if (!t.hold.Fire(t.hwnd, id)) return 0;
    const POINT at = t.hold.at;
    HWND h = t.hwnd;
    Lifeline life(h);
    if (!NotifySimple(t, NM_RCLICK) && life) ce::comctl::SendContextMenu(h, at);
    return 0;
}

LRESULT OnCaptureChanged(Tree& t, HWND taker) {
    if (taker != t.hwnd) t.hold.Disarm(t.hwnd);
    if (t.vbar.Tracking() || t.hbar.Tracking()) {
        t.vbar.Cancel();
        t.hbar.Cancel();
        InvalidateRect(t.hwnd, nullptr, FALSE);
    }
    return 0;
}

LRESULT OnWindowScrollInfo(Tree& t, WPARAM wp, LPARAM lp) {
    auto* si = reinterpret_cast<SCROLLINFO*>(lp);
    const bool horz = LOWORD(wp) == SB_HORZ;
    if (!si || (LOWORD(wp) != SB_VERT && !horz)) return DefWindowProc(t.hwnd, ce::comctl::kWmWindowScrollInfo, wp, lp);
    ce::comctl::ClientBars bars = Bars(t);
    if (!(horz ? bars.horz : bars.vert)) return DefWindowProc(t.hwnd, ce::comctl::kWmWindowScrollInfo, wp, lp);
    SyncScroll(t);
    if (HIWORD(wp) & ce::comctl::kScrollInfoSet) {
        if (si->fMask & SIF_POS) horz ? ScrollSideways(t, si->nPos) : ScrollTo(t, si->nPos);
        return horz ? t.hbar.Pos() : t.vbar.Pos();
    }
    (horz ? t.hbar : t.vbar).GetInfo(*si);
    return TRUE;
}

// ---- The tree's own messages ----------------------------------------------------------------

LRESULT DeleteItem(Tree& t, HTREEITEM hi) {
    if (!hi || hi == TVI_ROOT) {
        DeleteAll(t);
        return TRUE;
    }
    Item* i = Lookup(t, hi);
    return i ? Delete(t, i) : FALSE;
}

LRESULT ExpandItem(Tree& t, HTREEITEM hi, UINT code) {
    Item* i = Lookup(t, hi);
    return i ? Expand(t, i, code, false) : FALSE;
}

LRESULT SelectItem(Tree& t, WPARAM which, HTREEITEM hi) {
    Item* i = Lookup(t, hi);
    if (hi && !i) return FALSE;
    switch (which) {
        case TVGN_CARET:
            return Select(t, i, TVC_UNKNOWN);
        case TVGN_FIRSTVISIBLE: {
            int row = i ? RowOf(t, i) : -1;
            if (row < 0) return FALSE;
            ScrollTo(t, row);
            return TRUE;
        }
        case TVGN_DROPHILITE:
            return TRUE;
        default:
            return FALSE;
    }
}

LRESULT GetNextItem(Tree& t, UINT code, HTREEITEM hi) {
    Item* i = Lookup(t, hi);
    if (hi && hi != TVI_ROOT && !i) return 0;
    return reinterpret_cast<LRESULT>(H(NextItem(t, code, i, hi && hi != TVI_ROOT)));
}

LRESULT SetItem(Tree& t, const TVITEMW* tv) {
    Item* i = tv ? Lookup(t, tv->hItem) : nullptr;
    if (!i) return FALSE;
    Apply(t, *i, *tv);
    Invalidate(t);
    return TRUE;
}

LRESULT GetItemState(Tree& t, HTREEITEM hi, UINT mask) {
    Item* i = Lookup(t, hi);
    return i ? (i->state & mask) : 0;
}

LRESULT SetImageList(Tree& t, WPARAM which, HIMAGELIST list) {
    HIMAGELIST* slot = which == TVSIL_NORMAL ? &t.normal : which == TVSIL_STATE ? &t.stateList : nullptr;
    if (!slot) return 0;
    HIMAGELIST old = *slot;
    *slot = list;
    RowsChanged(t);
    return reinterpret_cast<LRESULT>(old);
}

LRESULT GetImageList(const Tree& t, WPARAM which) {
    return reinterpret_cast<LRESULT>(which == TVSIL_NORMAL ? t.normal : which == TVSIL_STATE ? t.stateList : nullptr);
}

LRESULT HitTestMessage(Tree& t, TVHITTESTINFO* ht) {
    if (!ht) return 0;
    Item* i = HitTest(t, ht->pt, ht->flags);
    ht->hItem = H(i);
    return reinterpret_cast<LRESULT>(H(i));
}

LRESULT EnsureVisibleMessage(Tree& t, HTREEITEM hi) {
    Item* i = Lookup(t, hi);
    return i ? EnsureVisible(t, i) : FALSE;
}

LRESULT SetItemHeight(Tree& t, WPARAM height) {
    const int old = ItemHeight(t);
    const int v = static_cast<int>(static_cast<short>(LOWORD(height)));
    t.customHeight = v > 0 ? v : 0;
    RowsChanged(t);
    return old;
}

LRESULT SetIndent(Tree& t, WPARAM indent) {
    t.indent = std::clamp(static_cast<int>(indent), 12, 200);
    t.width = -1;
    Invalidate(t);
    return 0;
}

LRESULT TreeMessage(Tree& t, UINT msg, WPARAM wp, LPARAM lp) {
    auto item = reinterpret_cast<HTREEITEM>(lp);
    switch (msg) {
        case TVM_INSERTITEMW:
            return reinterpret_cast<LRESULT>(H(Insert(t, reinterpret_cast<const TVINSERTSTRUCTW*>(lp))));
        case TVM_DELETEITEM:
            return DeleteItem(t, item);
        case TVM_EXPAND:
            return ExpandItem(t, item, static_cast<UINT>(wp));
        case TVM_SELECTITEM:
            return SelectItem(t, wp, item);
        case TVM_GETNEXTITEM:
            return GetNextItem(t, static_cast<UINT>(wp), item);
        case TVM_GETITEMW:
            return GetItem(t, reinterpret_cast<TVITEMW*>(lp));
        case TVM_SETITEMW:
            return SetItem(t, reinterpret_cast<const TVITEMW*>(lp));
        case TVM_GETITEMSTATE:
            return GetItemState(t, reinterpret_cast<HTREEITEM>(wp), static_cast<UINT>(lp));
        case TVM_GETCOUNT:
            return static_cast<LRESULT>(t.live.size());
        case TVM_SETIMAGELIST:
            return SetImageList(t, wp, reinterpret_cast<HIMAGELIST>(lp));
        case TVM_GETIMAGELIST:
            return GetImageList(t, wp);
        case TVM_GETITEMRECT:
            return GetItemRect(t, static_cast<BOOL>(wp), reinterpret_cast<RECT*>(lp));
        case TVM_HITTEST:
            return HitTestMessage(t, reinterpret_cast<TVHITTESTINFO*>(lp));
        case TVM_ENSUREVISIBLE:
            return EnsureVisibleMessage(t, item);
        case TVM_GETVISIBLECOUNT:
            return PageRows(t);
        case TVM_GETITEMHEIGHT:
            return ItemHeight(t);
        case TVM_SETITEMHEIGHT:
            return SetItemHeight(t, wp);
        case TVM_GETINDENT:
            return t.indent;
        case TVM_SETINDENT:
            return SetIndent(t, wp);
        default:
            return DefWindowProc(t.hwnd, msg, wp, lp);
    }
}

LRESULT CALLBACK TreeProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) return OnNcCreate(h, wp, lp);
    Tree* t = DataOf(h);
    if (!t) return DefWindowProc(h, msg, wp, lp);
    switch (msg) {
        case WM_DESTROY:
            return OnDestroy(*t);
        case WM_NCDESTROY:
            return OnNcDestroy(t, wp, lp);
        case WM_SETFONT:
            return OnSetFont(*t, reinterpret_cast<HFONT>(wp));
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(t->font);
        case WM_GETDLGCODE:
            return DLGC_WANTARROWS | DLGC_WANTCHARS;
        case WM_SIZE:
            return OnSize(*t);
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT:
            return OnPaint(*t);
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            return OnFocus(*t, msg == WM_SETFOCUS);
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            return OnPress(*t, PointOf(lp), msg == WM_LBUTTONDBLCLK);
        case WM_MOUSEMOVE:
            return OnMouseMove(*t, PointOf(lp));
        case WM_LBUTTONUP:
            return OnButtonUp(*t, PointOf(lp));
        case WM_TIMER:
            return OnTimer(*t, wp);
        case WM_CAPTURECHANGED:
            return OnCaptureChanged(*t, reinterpret_cast<HWND>(lp));
        case WM_KEYDOWN:
            return OnKey(*t, static_cast<UINT>(wp));
        case WM_VSCROLL:
            return ApplyScroll(*t, LOWORD(wp), static_cast<short>(HIWORD(wp)));
        case WM_HSCROLL:
            return ApplyHScroll(*t, LOWORD(wp), static_cast<short>(HIWORD(wp)));
        case ce::comctl::kWmWindowScrollInfo:
            return OnWindowScrollInfo(*t, wp, lp);
        default:
            return TreeMessage(*t, msg, wp, lp);
    }
}

}  // namespace

namespace ce::comctl {

void RegisterTreeViewClass() {
    WNDCLASSW wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = TreeProc;
    wc.cbWndExtra = 4;
    wc.lpszClassName = WC_TREEVIEWW;
    ce::user::RegisterBuiltinClass(wc);
}

}  // namespace ce::comctl
