// Input: activation, focus, capture, stylus and keys.
//
// Focus, the active window and the capture are one each for the whole
// device (the programs run one UI thread each; there is one stylus).
//
// Stylus hit test: from the top of the z-order down, the first visible
// window under the point that does not answer WM_NCHITTEST with
// HTTRANSPARENT, then down through its visible children in the same way to
// the deepest one. A disabled window found on the way swallows the tap
// (nothing is delivered), which makes a disabled owner of a modal window
// deaf. The hit test is made when the program takes the input from its
// queue, not when the stylus touches: by then an earlier tap may have
// disabled the window or opened a modal dialog over it.
#include <cstdlib>
#include <mutex>

#include "user_internal.h"

namespace ce::user {

namespace {

Window* TopLevelOf(Window* w) {
    while (w && w->parent && w->parent != S().desktop.get()) w = w->parent;
    return w;
}

void SetFocusTo(HWND h) {
    HWND old;
    {
        Lock l(S().mu);
        old = S().focus;
        if (old == h) return;
        S().focus = h;
    }
    if (old) SendInternal(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(h), 0);
    if (h) {
        Lock l(S().mu);
        if (S().focus != h) return;  // moved again meanwhile
    }
    if (h) SendInternal(h, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
}

enum class HitKind { None, Hit, Swallowed };
struct HitResult {
    HitKind kind = HitKind::None;
    HWND hwnd = nullptr;
    LRESULT ht = HTNOWHERE;
};

HitResult Probe(HWND h, POINT pt) {
    std::vector<HWND> kids;
    {
        Lock l(S().mu);
        Window* w = Find(h);
        if (!w || !(w->style & WS_VISIBLE)) return {};
        RECT sr = ScreenRect(w);
        if (!PtInRect(&sr, pt)) return {};
        if (w->style & WS_DISABLED) return {HitKind::Swallowed, h, HTCLIENT};
    }
    LRESULT ht = SendInternal(h, WM_NCHITTEST, 0, MAKELPARAM(pt.x, pt.y));
    if (ht == HTTRANSPARENT) return {};
    if (ht != HTCLIENT) return {HitKind::Hit, h, ht};
    {
        Lock l(S().mu);
        Window* w = Find(h);
        if (!w) return {};
        for (auto* c : w->children) kids.push_back(c->hwnd);
    }
    for (HWND k : kids) {
        HitResult r = Probe(k, pt);
        if (r.kind != HitKind::None) return r;
    }
    return {HitKind::Hit, h, HTCLIENT};
}

HitResult HitTestScreen(POINT pt) {
    std::vector<HWND> tops;
    {
        Lock l(S().mu);
        for (auto* t : S().desktop->children) tops.push_back(t->hwnd);
    }
    for (HWND t : tops) {
        HitResult r = Probe(t, pt);
        if (r.kind != HitKind::None) return r;
    }
    return {};
}

}  // namespace

void FocusLost(HWND h) {
    bool inside;
    {
        Lock l(S().mu);
        Window* w = Find(h);
        Window* f = Find(S().focus);
        inside = w && f && IsDescendant(w, f);
    }
    if (inside) SetFocusTo(nullptr);
}

void ActivateNextIfActive(HWND h) {
    HWND next = nullptr;
    {
        Lock l(S().mu);
        Window* w = Find(h);
        Window* a = Find(S().active);
        if (!w || !a || !IsDescendant(w, a)) return;
        auto usable = [&](Window* c) {
            return c && c != w && !c->destroying && IsTopLevel(c) && (c->style & WS_VISIBLE) &&
                   !(c->style & WS_DISABLED) && !(c->exStyle & WS_EX_NOACTIVATE);
        };
        Window* owner = Find(TopLevelOf(w)->owner);
        if (usable(owner)) next = owner->hwnd;
        for (auto* t : S().desktop->children)
            if (!next && usable(t)) next = t->hwnd;
        if (!next) {
            S().active = nullptr;
            return;
        }
    }
    SetActiveWindow(next);
}

void ForgetInputState(HWND h) {
    HWND lost = nullptr;
    {
        Lock l(S().mu);
        Window* w = Find(h);
        Window* c = Find(S().capture);
        if (w && c && IsDescendant(w, c)) {
            lost = S().capture;
            S().capture = nullptr;
        }
        if (S().lastDownHwnd == h) S().lastDownHwnd = nullptr;
    }
    if (lost) SendInternal(lost, WM_CAPTURECHANGED, 0, 0);
}

// ---- Injection -------------------------------------------------------------------------------

namespace {

// The stylus while it tracks a caption button: the button shows pressed
// while the stylus is over it; released over it, it acts. The close box of a
// dialog sends it WM_COMMAND IDCANCEL (as the device does), of any other
// window WM_CLOSE; the OK button sends WM_COMMAND IDOK. Returns false when
// no caption button is being tracked; `out` gets the message of a button
// that acted (`acted`).
bool TrackCaptionBoxLocked(Mouse kind, POINT pt, DWORD time, MSG& out, bool& acted) {
    acted = false;
    FrameTrack& t = S().frameTrack;
    if (!t.hwnd) return false;
    Window* w = Find(t.hwnd);
    if (!w) {
        t = FrameTrack{};
        if (kind == Mouse::Up) S().buttonDown = false;
        return kind != Mouse::Down;
    }
    if (kind == Mouse::Down) return true;  // a second stylus: ignored
    RECT r = CaptionBoxRect(w, t.box);
    RECT sr = ScreenRect(w);
    OffsetRect(&r, sr.left, sr.top);
    const bool inside = PtInRect(&r, pt) != FALSE;
    if (kind == Mouse::Move) {
        if (inside != t.pressed) {
            t.pressed = inside;
            w->framePending = true;
            NotifyQueue(w->queue.get());
        }
        return true;
    }
    const CaptionBox box = t.box;
    t = FrameTrack{};
    S().buttonDown = false;
    w->framePending = true;
    NotifyQueue(w->queue.get());
    if (!inside) return true;
    out = MSG{w->hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0, time, pt};
    if (box == CaptionBox::Close) {
        if (IsDialogWindow(w))
            out.wParam = MAKEWPARAM(IDCANCEL, BN_CLICKED);
        else
            out.message = WM_CLOSE, out.wParam = 0;
    }
    acted = true;
    return true;
}

// The thread that takes a stylus input from its queue: the one of the
// window holding the capture or tracking a caption button, else of the
// topmost window under the point, else of the active window. (Who gets it
// is decided there, when it is taken.)
Queue* RouteStylusLocked(POINT pt) {
    if (Window* c = Find(S().capture)) return c->queue.get();
    if (Window* t = Find(S().frameTrack.hwnd)) return t->queue.get();
    for (auto* t : S().desktop->children) {
        RECT r = ScreenRect(t);
        if ((t->style & WS_VISIBLE) && PtInRect(&r, pt)) return t->queue.get();
    }
    Window* a = Find(S().active);
    return a ? a->queue.get() : nullptr;
}

bool CookStylus(Mouse kind, POINT pt, DWORD time, MSG& out) {
    const int x = pt.x, y = pt.y;
    HitResult hit;
    {
        Lock l(S().mu);
        bool acted = false;
        if (TrackCaptionBoxLocked(kind, pt, time, out, acted)) return acted;
        if (kind == Mouse::Up && !S().buttonDown && !S().capture) return false;
        if (Find(S().capture)) hit = {HitKind::Hit, S().capture, HTCLIENT};
    }
    if (hit.kind == HitKind::None) hit = HitTestScreen(pt);
    if (hit.kind != HitKind::Hit) {
        if (kind == Mouse::Up) {
            Lock l(S().mu);
            S().buttonDown = false;
        }
        return false;
    }
    if (kind == Mouse::Down) {
        HWND top = nullptr;
        {
            Lock l(S().mu);
            Window* w = TopLevelOf(Find(hit.hwnd));
            if (w && S().active != w->hwnd && !(w->exStyle & WS_EX_NOACTIVATE)) top = w->hwnd;
        }
        if (top) SetActiveWindow(top);
    }
    Lock l(S().mu);
    Window* w = Find(hit.hwnd);
    if (!w) return false;
    UINT msg = WM_MOUSEMOVE;
    WPARAM wp = S().buttonDown ? MK_LBUTTON : 0;
    if (kind == Mouse::Down) {
        msg = WM_LBUTTONDOWN;
        wp = MK_LBUTTON;
        int cx = GetSystemMetrics(SM_CXDOUBLECLK), cy = GetSystemMetrics(SM_CYDOUBLECLK);
        bool dbl = S().lastDownHwnd == hit.hwnd && time - S().lastDownTime <= GetDoubleClickTime() &&
                   std::abs(x - S().lastDownPt.x) <= cx / 2 && std::abs(y - S().lastDownPt.y) <= cy / 2 &&
                   (w->cls->wc.style & CS_DBLCLKS);
        if (dbl) {
            msg = WM_LBUTTONDBLCLK;
            S().lastDownHwnd = nullptr;
        } else {
            S().lastDownHwnd = hit.hwnd;
            S().lastDownTime = time;
            S().lastDownPt = pt;
        }
        S().buttonDown = true;
    } else if (kind == Mouse::Up) {
        msg = WM_LBUTTONUP;
        wp = 0;
        S().buttonDown = false;
    }
    if (kind == Mouse::Down && (hit.ht == HTCLOSE || hit.ht == kHitOkBox)) {
        S().frameTrack = FrameTrack{hit.hwnd, hit.ht == HTCLOSE ? CaptionBox::Close : CaptionBox::Ok, true};
        w->framePending = true;
        NotifyQueue(w->queue.get());
        return false;
    }
    if (hit.ht != HTCLIENT) return false;  // the rest of the frame takes no stylus messages
    POINT o = ClientOrigin(w);
    LPARAM lp = MAKELPARAM(static_cast<SHORT>(x - o.x), static_cast<SHORT>(y - o.y));
    out = MSG{hit.hwnd, msg, wp, lp, time, pt};
    return true;
}

// A key goes to the window with the focus (else the active window) as it is
// when the key is taken; a disabled one gets nothing.
bool CookKey(const MSG& in, MSG& out) {
    Lock l(S().mu);
    HWND target = S().focus ? S().focus : S().active;
    Window* w = Find(target);
    if (!w || (w->style & WS_DISABLED)) return false;
    out = in;
    out.hwnd = target;
    return true;
}

}  // namespace

bool CookInput(RawInput raw, const MSG& in, MSG& out) {
    switch (raw) {
        case RawInput::StylusDown:
            return CookStylus(Mouse::Down, in.pt, in.time, out);
        case RawInput::StylusUp:
            return CookStylus(Mouse::Up, in.pt, in.time, out);
        case RawInput::StylusMove:
            return CookStylus(Mouse::Move, in.pt, in.time, out);
        case RawInput::Key:
            return CookKey(in, out);
        case RawInput::None:
            break;
    }
    return false;
}

namespace {
std::mutex g_stylusMutex;
std::function<POINT(POINT)> g_stylusTransform;
}  // namespace

void SetStylusTransform(std::function<POINT(POINT)> transform) {
    std::lock_guard lock(g_stylusMutex);
    g_stylusTransform = std::move(transform);
}

void InjectMouse(Mouse kind, int x, int y, DWORD time) {
    if (!time) time = GetTickCount();
    std::function<POINT(POINT)> transform;
    {
        std::lock_guard lock(g_stylusMutex);
        transform = g_stylusTransform;
    }
    POINT pt{x, y};
    if (transform) pt = transform(pt);
    const RawInput raw = kind == Mouse::Down ? RawInput::StylusDown
                         : kind == Mouse::Up ? RawInput::StylusUp
                                             : RawInput::StylusMove;
    Lock l(S().mu);
    PostRawLocked(RouteStylusLocked(pt), raw, MSG{nullptr, WM_MOUSEMOVE, 0, 0, time, pt}, 0);
}

namespace {
// The keyboard's own view of Alt and Ctrl, as the keys arrive (GetKeyState
// answers per thread, as of the messages it retrieved). Guarded by S().mu.
bool g_altDown = false;
bool g_ctrlDown = false;
bool g_keySinceAlt = false;  // another key went down while Alt was held
}  // namespace

void InjectKey(UINT vk, bool down, WCHAR ch, DWORD time) {
    if (!time) time = GetTickCount();
    Lock l(S().mu);
    // Keys typed with Alt held (and Alt itself, and F10) are system keys:
    // WM_SYSKEYDOWN / WM_SYSKEYUP, with the context bit (29) set while Alt
    // is down; with Ctrl held too they are ordinary keys, as on Win32. Alt
    // released after another key comes as WM_KEYUP.
    const bool isAlt = vk == VK_MENU || vk == VK_LMENU || vk == VK_RMENU;
    const bool isCtrl = vk == VK_CONTROL || vk == VK_LCONTROL || vk == VK_RCONTROL;
    bool sys;
    if (isAlt) {
        sys = !g_ctrlDown && (down || !g_keySinceAlt);
        if (down && !g_altDown) g_keySinceAlt = false;
        g_altDown = down;
    } else {
        if (isCtrl) g_ctrlDown = down;
        if (down && g_altDown) g_keySinceAlt = true;
        sys = (g_altDown && !g_ctrlDown) || vk == VK_F10;
    }
    Window* w = Find(S().focus ? S().focus : S().active);
    if (!w) return;
    LPARAM lp = down ? 1 : static_cast<LPARAM>(0xC0000001u);
    if (g_altDown || (isAlt && !down)) lp |= 0x20000000;
    UINT msg = down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
    PostRawLocked(w->queue.get(), RawInput::Key, MSG{nullptr, msg, vk, lp, time, {}}, down ? ch : 0);
}

}  // namespace ce::user

using namespace ce::user;

HWND SetActiveWindow(HWND h) {
    HWND old;
    {
        Lock l(S().mu);
        Window* w = FindOrFail(h);
        if (!w || w == S().desktop.get()) return nullptr;
        w = TopLevelOf(w);
        h = w->hwnd;
        old = S().active;
        if (old == h) return old;
        S().active = h;
        Window* prev = Find(old);
        if (prev) prev->framePending = true;
        w->framePending = true;
    }
    SetWindowPos(h, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    // Focus leaves the window being deactivated.
    if (old) {
        Lock l(S().mu);
        Window* o = Find(old);
        Window* f = Find(S().focus);
        bool inside = o && f && IsDescendant(o, f);
        l.unlock();
        if (inside) SetFocusTo(nullptr);
        if (IsWindow(old)) SendInternal(old, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(h));
    }
    SendInternal(h, WM_ACTIVATE, WA_ACTIVE, reinterpret_cast<LPARAM>(old));
    return old;
}

HWND GetActiveWindow() {
    Lock l(S().mu);
    return S().active;
}

BOOL SetForegroundWindow(HWND h) {
    if (!IsWindow(h)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    SetActiveWindow(h);
    return TRUE;
}

HWND GetForegroundWindow() {
    return GetActiveWindow();
}

HWND SetFocus(HWND h) {
    HWND top = nullptr, old;
    {
        Lock l(S().mu);
        old = S().focus;
        if (h) {
            Window* w = FindOrFail(h);
            if (!w || w == S().desktop.get()) return nullptr;
            if (w->style & WS_DISABLED) return nullptr;
            Window* t = TopLevelOf(w);
            if (t->style & WS_DISABLED) return nullptr;
            if (S().active != t->hwnd) top = t->hwnd;
        }
    }
    if (top) SetActiveWindow(top);
    SetFocusTo(h);
    return old;
}

HWND GetFocus() {
    Lock l(S().mu);
    return S().focus;
}

HWND SetCapture(HWND h) {
    HWND old;
    {
        Lock l(S().mu);
        if (!FindOrFail(h)) return nullptr;
        old = S().capture;
        S().capture = h;
    }
    if (old && old != h) SendInternal(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(h));
    return old;
}

BOOL ReleaseCapture() {
    HWND old;
    {
        Lock l(S().mu);
        old = S().capture;
        S().capture = nullptr;
    }
    if (old) SendInternal(old, WM_CAPTURECHANGED, 0, 0);
    return TRUE;
}

HWND GetCapture() {
    Lock l(S().mu);
    return S().capture;
}

HWND WindowFromPoint(POINT pt) {
    // As the stylus sees it, except that a disabled window is not returned:
    // its parent is.
    HitResult r = HitTestScreen(pt);
    if (r.kind != HitKind::Swallowed) return r.hwnd;
    HWND parent = GetParent(r.hwnd);
    return parent && IsChild(parent, r.hwnd) ? parent : nullptr;
}

// The state of a key as of the last key message this thread retrieved: the
// high bit set while it is down.
SHORT GetKeyState(int vk) {
    if (vk < 0 || vk > 0xFF) return 0;
    Lock l(S().mu);
    return CurrentQueue()->keys[vk] ? static_cast<SHORT>(0x8000) : 0;
}
