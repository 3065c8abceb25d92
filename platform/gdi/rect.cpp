// Rectangle helpers of the API and the rectangle lists that clipping uses.
// Rectangles are right/bottom exclusive: {0,0,2,2} holds four pixels.
#include <algorithm>

#include "gdi_internal.h"

namespace {

bool Empty(const RECT& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

bool BadArg(const void* p) {
    if (p) return false;
    SetLastError(ERROR_INVALID_PARAMETER);
    return true;
}

}  // namespace

BOOL SetRect(LPRECT lprc, int xLeft, int yTop, int xRight, int yBottom) {
    if (BadArg(lprc)) return FALSE;
    *lprc = RECT{xLeft, yTop, xRight, yBottom};
    return TRUE;
}

BOOL SetRectEmpty(LPRECT lprc) {
    return SetRect(lprc, 0, 0, 0, 0);
}

BOOL CopyRect(LPRECT lprcDst, const RECT* lprcSrc) {
    if (BadArg(lprcDst) || BadArg(lprcSrc)) return FALSE;
    *lprcDst = *lprcSrc;
    return TRUE;
}

BOOL OffsetRect(LPRECT lprc, int dx, int dy) {
    if (BadArg(lprc)) return FALSE;
    lprc->left += dx;
    lprc->right += dx;
    lprc->top += dy;
    lprc->bottom += dy;
    return TRUE;
}

BOOL InflateRect(LPRECT lprc, int dx, int dy) {
    if (BadArg(lprc)) return FALSE;
    lprc->left -= dx;
    lprc->right += dx;
    lprc->top -= dy;
    lprc->bottom += dy;
    return TRUE;
}

// No overlap (or an empty operand) leaves an empty rectangle and FALSE.
BOOL IntersectRect(LPRECT lprcDst, const RECT* a, const RECT* b) {
    if (BadArg(lprcDst) || BadArg(a) || BadArg(b)) return FALSE;
    RECT r{std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
           std::min(a->bottom, b->bottom)};
    if (Empty(*a) || Empty(*b) || Empty(r)) {
        *lprcDst = RECT{0, 0, 0, 0};
        return FALSE;
    }
    *lprcDst = r;
    return TRUE;
}

// Empty operands do not count; two empty ones give an empty rectangle and FALSE.
BOOL UnionRect(LPRECT lprcDst, const RECT* a, const RECT* b) {
    if (BadArg(lprcDst) || BadArg(a) || BadArg(b)) return FALSE;
    if (Empty(*a) && Empty(*b)) {
        *lprcDst = RECT{0, 0, 0, 0};
        return FALSE;
    }
    if (Empty(*a)) {
        *lprcDst = *b;
    } else if (Empty(*b)) {
        *lprcDst = *a;
    } else {
        *lprcDst = RECT{std::min(a->left, b->left), std::min(a->top, b->top), std::max(a->right, b->right),
                        std::max(a->bottom, b->bottom)};
    }
    return TRUE;
}

BOOL PtInRect(const RECT* lprc, POINT pt) {
    if (BadArg(lprc)) return FALSE;
    return pt.x >= lprc->left && pt.x < lprc->right && pt.y >= lprc->top && pt.y < lprc->bottom;
}

BOOL IsRectEmpty(const RECT* lprc) {
    return !lprc || Empty(*lprc);
}

BOOL EqualRect(const RECT* a, const RECT* b) {
    if (BadArg(a) || BadArg(b)) return FALSE;
    return a->left == b->left && a->top == b->top && a->right == b->right && a->bottom == b->bottom;
}

namespace ce::gdi {

RectList Intersect(const RectList& list, const RECT& r) {
    RectList out;
    for (const RECT& c : list) {
        RECT i{std::max(c.left, r.left), std::max(c.top, r.top), std::min(c.right, r.right),
               std::min(c.bottom, r.bottom)};
        if (!Empty(i)) out.push_back(i);
    }
    return out;
}

RectList Subtract(const RectList& list, const RECT& r) {
    RectList out;
    for (const RECT& c : list) {
        RECT i{std::max(c.left, r.left), std::max(c.top, r.top), std::min(c.right, r.right),
               std::min(c.bottom, r.bottom)};
        if (Empty(i)) {
            out.push_back(c);
            continue;
        }
        // Up to four pieces: the bands above and below, then left and right of the hole.
        if (c.top < i.top) out.push_back(RECT{c.left, c.top, c.right, i.top});
        if (i.bottom < c.bottom) out.push_back(RECT{c.left, i.bottom, c.right, c.bottom});
        if (c.left < i.left) out.push_back(RECT{c.left, i.top, i.left, i.bottom});
        if (i.right < c.right) out.push_back(RECT{i.right, i.top, c.right, i.bottom});
    }
    return out;
}

RectList Normalize(const std::vector<RECT>& rects) {
    RectList out;
    for (const RECT& r : rects) {
        if (Empty(r)) continue;
        RectList piece{r};
        for (const RECT& have : out) piece = Subtract(piece, have);
        out.insert(out.end(), piece.begin(), piece.end());
    }
    return out;
}

}  // namespace ce::gdi
