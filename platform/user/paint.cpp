// Painting: update areas, WM_PAINT, window DCs and the frame.
//
// The update area of a window is kept as its bounding rectangle (client
// coordinates): ValidateRect removes a part only when what is left is again
// a rectangle. Painting a little more than needed is harmless.
//
// Visible area of a window DC: its client area (or whole window), clipped by
// the client areas of its ancestors and by every visible window above it in
// z-order, siblings of the window and of each ancestor (every window behaves
// as if it had WS_CLIPSIBLINGS), except by WS_EX_TRANSPARENT siblings.
// Children are cut out only with WS_CLIPCHILDREN. Window DCs follow when windows move, hide or change order.
#include <algorithm>

#include "user_internal.h"

namespace ce::user {

bool Empty(const RECT& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

RECT Intersect(const RECT& a, const RECT& b) {
    RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
    return Empty(r) ? RECT{} : r;
}

RECT Union(const RECT& a, const RECT& b) {
    if (Empty(a)) return b;
    if (Empty(b)) return a;
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}

void SubtractRect(std::vector<RECT>& region, const RECT& cut) {
    if (Empty(cut)) return;
    std::vector<RECT> out;
    for (const RECT& r : region) {
        RECT i = Intersect(r, cut);
        if (Empty(i)) {
            out.push_back(r);
            continue;
        }
        if (r.top < i.top) out.push_back({r.left, r.top, r.right, i.top});
        if (i.bottom < r.bottom) out.push_back({r.left, i.bottom, r.right, r.bottom});
        if (r.left < i.left) out.push_back({r.left, i.top, i.left, i.bottom});
        if (i.right < r.right) out.push_back({i.right, i.top, r.right, i.bottom});
    }
    region.swap(out);
}

void IntersectRegion(std::vector<RECT>& region, const RECT& clip) {
    std::vector<RECT> out;
    for (const RECT& r : region) {
        RECT i = Intersect(r, clip);
        if (!Empty(i)) out.push_back(i);
    }
    region.swap(out);
}

namespace {

RECT ClientScreenRect(const Window* w) {
    POINT o = ClientOrigin(w);
    RECT c = ClientRectLocal(w);
    return {o.x, o.y, o.x + c.right - c.left, o.y + c.bottom - c.top};
}

RECT ToClient(const Window* w, RECT screen) {
    POINT o = ClientOrigin(w);
    OffsetRect(&screen, -o.x, -o.y);
    return screen;
}

HBRUSH Brush(int index) {
    return GetSysColorBrush(index);
}

}  // namespace

std::vector<RECT> VisibleRegion(const Window* w, bool whole) {
    if (!VisibleChain(w)) return {};
    std::vector<RECT> region{whole ? ScreenRect(w) : ClientScreenRect(w)};
    if (w->style & WS_CLIPCHILDREN)
        for (auto* c : w->children)
            if (c->style & WS_VISIBLE) SubtractRect(region, ScreenRect(c));
    for (const Window* cur = w; cur->parent; cur = cur->parent) {
        IntersectRegion(region, ClientScreenRect(cur->parent));
        for (auto* s : cur->parent->children) {
            if (s == cur) break;
            // A WS_EX_TRANSPARENT sibling (a group box around its controls)
            // lets what lies below it show.
            if ((s->style & WS_VISIBLE) && !(s->exStyle & WS_EX_TRANSPARENT)) SubtractRect(region, ScreenRect(s));
        }
    }
    return region;
}

void InvalidateLocked(Window* w, const RECT* rc, bool erase, Kids kids) {
    if (!VisibleChain(w) || w == S().desktop.get()) return;
    RECT c = ClientRectLocal(w);
    RECT all{0, 0, c.right - c.left, c.bottom - c.top};
    RECT r = rc ? Intersect(*rc, all) : all;
    if (Empty(r)) return;
    w->update = Union(w->update, r);
    w->erasePending = w->erasePending || erase;
    NotifyQueue(w->queue.get());
    bool down = kids == Kids::All || (kids == Kids::Default && !(w->style & WS_CLIPCHILDREN));
    if (down) InvalidateChildrenLocked(w, r, erase, kids);
}

void InvalidateChildrenLocked(Window* w, const RECT& r, bool erase, Kids kids) {
    for (auto* ch : w->children) {
        if (!(ch->style & WS_VISIBLE)) continue;
        RECT cr = ClientRectLocal(ch);
        RECT inChild = r;
        OffsetRect(&inChild, -(ch->rect.left + cr.left), -(ch->rect.top + cr.top));
        InvalidateLocked(ch, &inChild, erase, kids);
        // The child's frame lies in the invalidated part too.
        if (!Empty(Intersect(r, ch->rect))) ch->framePending = true;
    }
}

void PaintDesktopLocked(const RECT& screenRect) {
    std::vector<RECT> region{screenRect};
    for (auto* t : S().desktop->children)
        if (t->style & WS_VISIBLE) SubtractRect(region, ScreenRect(t));
    if (region.empty()) return;
    ce::gdi::DcGeometry g{{0, 0}, region};
    HDC dc = ce::gdi::CreateWindowDC(S().desktop->hwnd, g);
    if (!dc) return;
    FillRect(dc, &screenRect, Brush(COLOR_BACKGROUND));
    ce::gdi::ReleaseWindowDC(dc);
}

static void ExposeTree(Window* w, const RECT& screenRect, const Window* except) {
    if (w == except || !(w->style & WS_VISIBLE)) return;
    RECT hit = Intersect(ScreenRect(w), screenRect);
    if (Empty(hit)) return;
    RECT local = ToClient(w, hit);
    InvalidateLocked(w, &local, true, Kids::None);
    w->framePending = true;
    for (auto* c : w->children) ExposeTree(c, screenRect, except);
}

void ExposeLocked(const RECT& screenRect, const Window* except) {
    for (auto* t : S().desktop->children) ExposeTree(t, screenRect, except);
    PaintDesktopLocked(screenRect);
}

namespace {

ce::gdi::DcGeometry GeometryFor(const State::DcInfo& info) {
    ce::gdi::DcGeometry g;
    Window* w = Find(info.hwnd);
    if (!w) return g;
    if (w == S().desktop.get()) {
        g.clip = {ScreenRect(w)};
        return g;
    }
    g.origin = info.whole ? POINT{ScreenRect(w).left, ScreenRect(w).top} : ClientOrigin(w);
    g.clip = VisibleRegion(w, info.whole);
    if (info.paint) {
        RECT pc = info.paintClip;
        POINT o = ClientOrigin(w);
        OffsetRect(&pc, o.x, o.y);
        IntersectRegion(g.clip, pc);
    }
    return g;
}

HDC MakeDcLocked(HWND h, bool whole, bool paint, RECT paintClip) {
    State::DcInfo info{h, whole, paint, paintClip};
    HDC dc = ce::gdi::CreateWindowDC(h, GeometryFor(info));
    if (dc) S().dcs[dc] = info;
    return dc;
}

}  // namespace

void RefreshDCsLocked() {
    for (auto it = S().dcs.begin(); it != S().dcs.end();) {
        if (!Find(it->second.hwnd)) {
            EndDrawnText(it->first);
            ce::gdi::ReleaseWindowDC(it->first);
            it = S().dcs.erase(it);
            continue;
        }
        ce::gdi::SetWindowDCGeometry(it->first, GeometryFor(it->second));
        ++it;
    }
}

RECT CaptionBoxRect(const Window* w, CaptionBox box) {
    if ((w->style & WS_CAPTION) != WS_CAPTION || box == CaptionBox::None) return RECT{};
    auto f = FrameOf(w->style, w->exStyle);
    const LONG width = w->rect.right - w->rect.left;
    const LONG top = kBorderWidth + 2, bottom = kBorderWidth + kCaptionHeight - 2;
    RECT close{width - f.right - 2 - kCaptionHeight, top, width - f.right - 2, bottom};
    if (box == CaptionBox::Close) return close;
    if (!(w->exStyle & WS_EX_CAPTIONOKBTN)) return RECT{};
    return RECT{close.left - 2 - kCaptionHeight - 6, top, close.left - 2, bottom};
}

RECT CaptionOkRect(HWND h) {
    Lock l(S().mu);
    Window* w = Find(h);
    if (!w) return RECT{};
    RECT r = CaptionBoxRect(w, CaptionBox::Ok);
    if (IsRectEmpty(&r)) return RECT{};
    RECT screen = ScreenRect(w);
    OffsetRect(&r, screen.left, screen.top);
    return r;
}

namespace {

// The bold font of caption text and caption buttons, made on first use.
HFONT CaptionFont() {
    static HFONT font = CreateFont(-13, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, u"Tahoma");
    return font;
}

// A caption button: raised grey face, sunken while pressed; "X" or "OK".
void DrawCaptionBox(HDC dc, RECT r, CaptionBox box, bool pressed) {
    if (Empty(r)) return;
    FillRect(dc, &r, Brush(COLOR_BTNFACE));
    RECT edge = r;
    DrawEdge(dc, &edge, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    const int shift = pressed ? 1 : 0;
    if (box == CaptionBox::Close) {
        // Two 2-pixel strokes, centred.
        const int size = std::min(r.right - r.left, r.bottom - r.top) - 8;
        const int x0 = (r.left + r.right - size) / 2 + shift, y0 = (r.top + r.bottom - size) / 2 + shift;
        HGDIOBJ old = SelectObject(dc, GetStockObject(BLACK_PEN));
        for (int d = 0; d < 2; ++d) {
            MoveToEx(dc, x0 + d, y0, nullptr);
            LineTo(dc, x0 + size + d, y0 + size);
            MoveToEx(dc, x0 + size - 1 + d, y0, nullptr);
            LineTo(dc, x0 - 1 + d, y0 + size);
        }
        SelectObject(dc, old);
        return;
    }
    HGDIOBJ oldFont = SelectObject(dc, CaptionFont());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    OffsetRect(&r, shift, shift);
    DrawText(dc, u"OK", 2, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, oldFont);
}

}  // namespace

// The caption: the window text in bold (white on the caption colour), the
// close box at the right end and, for WS_EX_CAPTIONOKBTN, the OK button left
// of it. The text is cut with an ellipsis before the buttons.
void DrawFrameLocked(Window* w) {
    w->framePending = false;
    auto f = FrameOf(w->style, w->exStyle);
    if (f.left == 0 && f.top == 0) return;
    RECT sr = ScreenRect(w);
    ce::gdi::DcGeometry g{{sr.left, sr.top}, VisibleRegion(w, true)};
    SubtractRect(g.clip, ClientScreenRect(w));
    if (g.clip.empty()) return;
    HDC dc = ce::gdi::CreateWindowDC(w->hwnd, g);
    if (!dc) return;
    RECT all{0, 0, sr.right - sr.left, sr.bottom - sr.top};
    if (f.left > 0) FrameRect(dc, &all, Brush(COLOR_WINDOWFRAME));
    if ((w->style & WS_CAPTION) == WS_CAPTION) {
        bool active = S().active == w->hwnd;
        RECT cap{f.left, kBorderWidth, all.right - f.right, kBorderWidth + kCaptionHeight};
        FillRect(dc, &cap, Brush(active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION));
        const FrameTrack& t = S().frameTrack;
        RECT text = cap;
        for (CaptionBox box : {CaptionBox::Close, CaptionBox::Ok}) {
            RECT r = CaptionBoxRect(w, box);
            if (Empty(r)) continue;
            DrawCaptionBox(dc, r, box, t.hwnd == w->hwnd && t.box == box && t.pressed);
            text.right = std::min(text.right, r.left - 2);
        }
        if (S().captionPainter) {
            S().captionPainter(dc, text, w->text, active);
        } else if (!w->text.empty()) {
            text.left += 4;
            HGDIOBJ oldFont = SelectObject(dc, CaptionFont());
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, GetSysColor(active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT));
            DrawText(dc, w->text.data(), static_cast<int>(w->text.size()), &text,
                     DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
            SelectObject(dc, oldFont);
        }
    }
    ce::gdi::ReleaseWindowDC(dc);
}

void SetCaptionTextPainter(CaptionTextPainter painter) {
    Lock l(S().mu);
    S().captionPainter = painter;
}

}  // namespace ce::user

using namespace ce::user;

BOOL InvalidateRect(HWND h, const RECT* rc, BOOL erase) {
    Lock l(S().mu);
    if (!h) {
        for (auto* t : S().desktop->children) InvalidateLocked(t, nullptr, erase, Kids::All);
        return TRUE;
    }
    Window* w = FindOrFail(h);
    if (!w) return FALSE;
    InvalidateLocked(w, rc, erase, Kids::Default);
    return TRUE;
}

static void ValidateLocked(Window* w, const RECT* rc, bool children) {
    RECT& u = w->update;
    if (!rc || (rc->left <= u.left && rc->top <= u.top && rc->right >= u.right && rc->bottom >= u.bottom)) {
        u = RECT{};
    } else {
        std::vector<RECT> left{u};
        SubtractRect(left, *rc);
        if (left.size() == 1) u = left.front();
    }
    if (Empty(u)) w->erasePending = false;
    if (!children) return;
    for (auto* c : w->children) {
        if (!rc) {
            ValidateLocked(c, nullptr, true);
            continue;
        }
        RECT cr = ClientRectLocal(c);
        RECT in = *rc;
        OffsetRect(&in, -(c->rect.left + cr.left), -(c->rect.top + cr.top));
        ValidateLocked(c, &in, true);
    }
}

BOOL ValidateRect(HWND h, const RECT* rc) {
    Lock l(S().mu);
    Window* w = FindOrFail(h);
    if (!w) return FALSE;
    ValidateLocked(w, rc, false);
    return TRUE;
}

BOOL GetUpdateRect(HWND h, LPRECT rc, BOOL erase) {
    bool sendErase = false;
    BOOL result;
    {
        Lock l(S().mu);
        Window* w = FindOrFail(h);
        if (!w) return FALSE;
        if (rc) *rc = w->update;
        result = Empty(w->update) ? FALSE : TRUE;
        sendErase = erase && result && w->erasePending;
        if (sendErase) w->erasePending = false;
    }
    if (sendErase) {
        HDC dc = GetDC(h);
        if (SendMessage(h, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) == 0) {
            Lock l(S().mu);
            if (Window* w = Find(h)) w->erasePending = true;
        }
        ReleaseDC(h, dc);
    }
    return result;
}

// Sends WM_PAINT to a window whose update area is not empty, then to its
// children when asked.
static void UpdateNow(HWND h, bool children) {
    bool paint;
    std::vector<HWND> kids;
    {
        Lock l(S().mu);
        Window* w = Find(h);
        if (!w || !VisibleChain(w)) return;
        if (w->framePending) DrawFrameLocked(w);
        paint = !Empty(w->update);
        if (children)
            for (auto* c : w->children) kids.push_back(c->hwnd);
    }
    if (paint) SendInternal(h, WM_PAINT, 0, 0);
    for (HWND k : kids) UpdateNow(k, true);
}

BOOL UpdateWindow(HWND h) {
    return RedrawWindow(h, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

// RDW_ERASENOW is handled as RDW_UPDATENOW (erasing happens in BeginPaint).
BOOL RedrawWindow(HWND h, const RECT* rc, HRGN, UINT flags) {
    std::vector<HWND> targets;
    {
        Lock l(S().mu);
        Window* w = h ? FindOrFail(h) : S().desktop.get();
        if (!w) return FALSE;
        if (w == S().desktop.get())
            for (auto* t : w->children) targets.push_back(t->hwnd);
        else
            targets.push_back(h);
        Kids kids = (flags & RDW_ALLCHILDREN) ? Kids::All : (flags & RDW_NOCHILDREN) ? Kids::None : Kids::Default;
        for (HWND t : targets) {
            Window* x = Find(t);
            const RECT* r = x == w ? rc : nullptr;
            if (flags & RDW_INVALIDATE) InvalidateLocked(x, r, (flags & RDW_ERASE) != 0, kids);
            if (flags & RDW_FRAME) x->framePending = true;
            if (flags & RDW_VALIDATE) ValidateLocked(x, r, (flags & RDW_ALLCHILDREN) != 0);
            if (flags & RDW_NOERASE) x->erasePending = false;
        }
        if (!h) PaintDesktopLocked(ScreenRect(S().desktop.get()));
    }
    if (flags & (RDW_UPDATENOW | RDW_ERASENOW))
        for (HWND t : targets) UpdateNow(t, (flags & RDW_NOCHILDREN) == 0);
    return TRUE;
}

HDC BeginPaint(HWND h, LPPAINTSTRUCT ps) {
    HDC dc;
    bool erase;
    RECT update;
    {
        Lock l(S().mu);
        Window* w = FindOrFail(h);
        if (!w || !ps || w == S().desktop.get()) return nullptr;
        update = w->update;
        erase = w->erasePending;
        w->update = RECT{};
        w->erasePending = false;
        // An update area is one rectangle, so it can be larger than what was
        // invalidated; a window that does not clip its children paints over
        // them there, so they paint again after it.
        if (!(w->style & WS_CLIPCHILDREN)) InvalidateChildrenLocked(w, update, erase, Kids::Default);
        if (w->framePending) DrawFrameLocked(w);
        dc = MakeDcLocked(h, false, true, update);
        BeginDrawnText(h, dc);
    }
    *ps = PAINTSTRUCT{};
    ps->hdc = dc;
    ps->rcPaint = update;
    if (erase && dc) ps->fErase = SendInternal(h, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) ? FALSE : TRUE;
    return dc;
}

BOOL EndPaint(HWND h, const PAINTSTRUCT* ps) {
    if (!ps) return FALSE;
    ReleaseDC(h, ps->hdc);
    return TRUE;
}

HDC GetDC(HWND h) {
    Lock l(S().mu);
    Window* w = h ? FindOrFail(h) : S().desktop.get();
    if (!w) return nullptr;
    return MakeDcLocked(w->hwnd, false, false, RECT{});
}

HDC GetWindowDC(HWND h) {
    Lock l(S().mu);
    Window* w = h ? FindOrFail(h) : S().desktop.get();
    if (!w) return nullptr;
    return MakeDcLocked(w->hwnd, true, false, RECT{});
}

int ReleaseDC(HWND, HDC dc) {
    Lock l(S().mu);
    auto it = S().dcs.find(dc);
    if (it == S().dcs.end()) return 0;
    if (it->second.paint) EndDrawnText(dc);
    S().dcs.erase(it);
    ce::gdi::ReleaseWindowDC(dc);
    return 1;
}

void ce::user::RepaintDesktop() {
    Lock l(S().mu);
    auto mode = ce::gdi::Screen::Mode();
    PaintDesktopLocked(RECT{0, 0, mode.width, mode.height});
}

void ce::user::FollowScreenChange() {
    Lock l(S().mu);
    RefreshDCsLocked();
    // The old surface's pixels are gone: everything visible is drawn again,
    // including parts that now lie beyond the screen's edge (they may be
    // scrolled or moved into view without another expose).
    const RECT everything{-(1 << 28), -(1 << 28), 1 << 28, 1 << 28};
    for (auto* t : S().desktop->children) ExposeTree(t, everything, nullptr);
    auto mode = ce::gdi::Screen::Mode();
    PaintDesktopLocked(RECT{0, 0, mode.width, mode.height});
}
