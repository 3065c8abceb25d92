// Window classes and windows: creation, destruction, the window tree,
// window longs, text, visibility, position and z-order.
//
// Z-order. Every parent keeps its children topmost first. New child windows
// go to the bottom of their siblings (so the first control created is the
// first in GW_CHILD/GW_HWNDNEXT order, as dialogs expect); new top-level
// windows go to the top. Among top-level windows, WS_EX_TOPMOST windows form
// a band above all others; raising an owner raises its owned windows above it.
#include <algorithm>

#include "user_internal.h"

namespace ce::user {

State& S() {
    // Never destroyed: threads may still end (and drop their queues) while
    // the process exits.
    static State* s = [] {
        auto* st = new State;
        st->desktop = std::make_shared<Window>();
        st->desktop->hwnd = reinterpret_cast<HWND>(uintptr_t{0x10004});
        st->desktop->style = WS_VISIBLE;
        return st;
    }();
    return *s;
}

namespace {

std::u16string NameOf(LPCWSTR name) {
    if (IS_INTRESOURCE(name)) return u"#" + ce::FromUtf8(std::to_string(reinterpret_cast<uintptr_t>(name)));
    return ce::Fold(std::u16string_view(name, ce::BoundedLen(name, 256)));
}

std::map<std::u16string, std::shared_ptr<WndClass>>& Builtins() {
    static auto* m = new std::map<std::u16string, std::shared_ptr<WndClass>>;
    return *m;
}

std::shared_ptr<WndClass> FindClassLocked(LPCWSTR name) {
    if (!name) return nullptr;
    if (IS_INTRESOURCE(name)) {
        auto atom = static_cast<WORD>(reinterpret_cast<uintptr_t>(name));
        for (auto& [k, c] : S().classes)
            if (c->atom == atom) return c;
        return nullptr;
    }
    auto key = NameOf(name);
    if (auto it = S().classes.find(key); it != S().classes.end()) return it->second;
    if (auto it = Builtins().find(key); it != Builtins().end()) return it->second;
    return nullptr;
}

std::shared_ptr<WndClass> MakeClass(const WNDCLASSW& wc, bool builtin) {
    auto c = std::make_shared<WndClass>();
    c->wc = wc;
    c->name = std::u16string(wc.lpszClassName, ce::BoundedLen(wc.lpszClassName, 256));
    c->wc.lpszClassName = c->name.c_str();
    c->wc.lpszMenuName = nullptr;
    c->builtin = builtin;
    return c;
}

int IndexOf(const Window* parent, const Window* w) {
    auto& c = parent->children;
    auto it = std::find(c.begin(), c.end(), w);
    return it == c.end() ? -1 : static_cast<int>(it - c.begin());
}

void Unlink(Window* w) {
    if (!w->parent) return;
    auto& c = w->parent->children;
    c.erase(std::remove(c.begin(), c.end(), w), c.end());
}

bool Topmost(const Window* w) {
    return (w->exStyle & WS_EX_TOPMOST) != 0;
}

// Puts `w` into its parent's child list at `where` (HWND_TOP, HWND_BOTTOM or
// a sibling to go below). Keeps the top-most band of top-level windows.
void Place(Window* w, HWND where) {
    Window* parent = w->parent;
    Unlink(w);
    auto& c = parent->children;
    bool desktop = parent == S().desktop.get();
    int topmostCount = 0;
    if (desktop)
        for (auto* s : c) topmostCount += Topmost(s) ? 1 : 0;
    int index;
    if (where == HWND_TOP) {
        index = desktop && !Topmost(w) ? topmostCount : 0;
    } else if (where == HWND_BOTTOM) {
        index = static_cast<int>(c.size());
    } else {
        Window* after = Find(where);
        int i = after && after->parent == parent ? IndexOf(parent, after) : -1;
        index = i < 0 ? 0 : i + 1;
    }
    if (desktop) index = Topmost(w) ? std::min(index, topmostCount) : std::max(index, topmostCount);
    c.insert(c.begin() + index, w);
    if (desktop && where == HWND_TOP) {
        // Owned windows stay above their owner.
        std::vector<Window*> owned;
        for (auto* s : c)
            if (s->owner == w->hwnd && s != w) owned.push_back(s);
        for (auto it = owned.rbegin(); it != owned.rend(); ++it) Place(*it, HWND_TOP);
    }
}

Window* TopLevelOf(Window* w) {
    while (w && w->parent && w->parent != S().desktop.get()) w = w->parent;
    return w;
}

LRESULT SendCreate(HWND h, UINT msg, CREATESTRUCTW* cs) {
    return SendInternal(h, msg, 0, reinterpret_cast<LPARAM>(cs));
}

void SendMoveSize(HWND h) {
    RECT rc{};
    POINT pt{};
    {
        Lock l(S().mu);
        Window* w = Find(h);
        if (!w) return;
        RECT c = ClientRectLocal(w);
        rc = {0, 0, c.right - c.left, c.bottom - c.top};
        pt = {w->rect.left + c.left, w->rect.top + c.top};
    }
    SendInternal(h, WM_SIZE, SIZE_RESTORED, MAKELPARAM(rc.right, rc.bottom));
    SendInternal(h, WM_MOVE, 0, MAKELPARAM(pt.x, pt.y));
}

// WM_DESTROY goes to a window before its children.
void SendDestroy(HWND h) {
    std::vector<HWND> kids;
    {
        Lock l(S().mu);
        Window* w = Find(h);
        if (!w) return;
        w->destroying = true;
        for (auto* c : w->children) kids.push_back(c->hwnd);
    }
    SendInternal(h, WM_DESTROY, 0, 0);
    for (HWND k : kids) SendDestroy(k);
}

// WM_NCDESTROY goes to the children first; then the window is freed.
void FreeTree(HWND h) {
    std::vector<HWND> kids;
    {
        Lock l(S().mu);
        Window* w = Find(h);
        if (!w) return;
        for (auto* c : w->children) kids.push_back(c->hwnd);
    }
    for (HWND k : kids) FreeTree(k);
    SendInternal(h, WM_NCDESTROY, 0, 0);
    Lock l(S().mu);
    auto it = S().windows.find(h);
    if (it == S().windows.end()) return;
    auto keep = it->second;
    Window* w = keep.get();
    for (auto* c : std::vector<Window*>(w->children)) {
        // Children created while the window was being destroyed.
        Unlink(c);
        c->parent = S().desktop.get();
    }
    Unlink(w);
    ClearTimersLocked(h);
    for (auto& [hwnd, ow] : S().windows)
        if (ow->owner == h) ow->owner = nullptr;
    w->destroyed = true;
    ForgetDrawnText(h);
    w->cls->windows--;
    S().windows.erase(it);
    RefreshDCsLocked();
}

}  // namespace

// ---- Lookups ---------------------------------------------------------------------------

Window* Find(HWND h) {
    if (h == S().desktop->hwnd) {
        auto mode = ce::gdi::Screen::Mode();
        S().desktop->rect = {0, 0, mode.width, mode.height};
        return S().desktop.get();
    }
    auto it = S().windows.find(h);
    return it == S().windows.end() ? nullptr : it->second.get();
}

Window* FindOrFail(HWND h) {
    Window* w = Find(h);
    if (!w) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return w;
}

bool IsTopLevel(const Window* w) {
    return w->parent == S().desktop.get();
}

bool VisibleChain(const Window* w) {
    for (; w; w = w->parent)
        if (!(w->style & WS_VISIBLE)) return false;
    return true;
}

bool IsDescendant(const Window* ancestor, const Window* w) {
    for (; w; w = w->parent)
        if (w == ancestor) return true;
    return false;
}

FrameInsets FrameOf(DWORD style, DWORD exStyle) {
    FrameInsets f;
    if (style & (WS_BORDER | WS_DLGFRAME)) f.left = f.top = f.right = f.bottom = kBorderWidth;
    if ((style & WS_CAPTION) == WS_CAPTION) f.top += kCaptionHeight;
    return f;
}

RECT ClientRectLocal(const Window* w) {
    if (!w->parent) {
        auto mode = ce::gdi::Screen::Mode();
        return {0, 0, mode.width, mode.height};
    }
    auto f = FrameOf(w->style, w->exStyle);
    LONG width = w->rect.right - w->rect.left, height = w->rect.bottom - w->rect.top;
    RECT r{f.left, f.top, std::max<LONG>(f.left, width - f.right), std::max<LONG>(f.top, height - f.bottom)};
    return r;
}

RECT ScreenRect(const Window* w) {
    if (!w->parent) {
        auto mode = ce::gdi::Screen::Mode();
        return {0, 0, mode.width, mode.height};
    }
    POINT o = ClientOrigin(w->parent);
    RECT r = w->rect;
    return {r.left + o.x, r.top + o.y, r.right + o.x, r.bottom + o.y};
}

POINT ClientOrigin(const Window* w) {
    if (!w->parent) return {0, 0};
    RECT s = ScreenRect(w);
    RECT c = ClientRectLocal(w);
    return {s.left + c.left, s.top + c.top};
}

// ---- Classes -----------------------------------------------------------------------------

void RegisterBuiltinClass(const WNDCLASSW& wc) {
    Lock l(S().mu);
    auto c = MakeClass(wc, true);
    Builtins()[ce::Fold(c->name)] = c;
}

}  // namespace ce::user

using namespace ce::user;

WORD RegisterClass(const WNDCLASSW* wc) {
    if (!wc || !wc->lpszClassName || IS_INTRESOURCE(wc->lpszClassName) || !wc->lpfnWndProc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // device.conf "user.register_class = refuse": the window system has no
    // room for another class, as on a device that ran out of memory.
    if (ce::HasImage() && ce::Image().config.Get("user.register_class") == "refuse") {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    Lock l(S().mu);
    auto c = MakeClass(*wc, false);
    auto key = ce::Fold(c->name);
    if (S().classes.count(key)) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    WORD atom = S().nextAtom++;
    if (S().nextAtom == 0) S().nextAtom = 0xC000;
    c->atom = atom;
    S().classes[key] = c;
    return atom;
}

BOOL UnregisterClass(LPCWSTR name, HINSTANCE) {
    if (!name || IS_INTRESOURCE(name)) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    Lock l(S().mu);
    auto it = S().classes.find(ce::Fold(std::u16string_view(name, ce::BoundedLen(name, 256))));
    if (it == S().classes.end()) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    if (it->second->windows > 0) {
        SetLastError(ERROR_CLASS_HAS_WINDOWS);
        return FALSE;
    }
    S().classes.erase(it);
    return TRUE;
}

BOOL GetClassInfo(HINSTANCE, LPCWSTR name, LPWNDCLASSW out) {
    Lock l(S().mu);
    auto c = name && !IS_INTRESOURCE(name) ? FindClassLocked(name) : nullptr;
    if (!c || !out) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    *out = c->wc;
    return TRUE;
}

int GetClassName(HWND h, LPWSTR buf, int max) {
    Lock l(S().mu);
    Window* w = FindOrFail(h);
    if (!w || !buf || max <= 0) return 0;
    const auto& n = w->cls ? w->cls->name : std::u16string(u"#32769");
    int len = std::min<int>(static_cast<int>(n.size()), max - 1);
    std::copy_n(n.data(), len, buf);
    buf[len] = 0;
    return len;
}

// ---- Creation and destruction --------------------------------------------------------------

namespace {
thread_local CreationHook t_creationHook = nullptr;
thread_local void* t_creationContext = nullptr;

// The hook sees one window: the next one this thread creates.
void RunCreationHook(HWND h) {
    CreationHook hook = t_creationHook;
    void* context = t_creationContext;
    t_creationHook = nullptr;
    t_creationContext = nullptr;
    if (hook) hook(h, context);
}
}  // namespace

void ce::user::SetCreationHook(CreationHook hook, void* context) {
    t_creationHook = hook;
    t_creationContext = context;
}

HWND CreateWindowEx(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                    int height, HWND hwndParent, HMENU menu, HINSTANCE instance, LPVOID param) {
    HWND h;
    {
        Lock l(S().mu);
        auto cls = FindClassLocked(className);
        if (!cls) {
            SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
            return nullptr;
        }
        Window* parent = S().desktop.get();
        HWND owner = nullptr;
        if (style & WS_CHILD) {
            if (!hwndParent) {
                SetLastError(ERROR_TLW_WITH_WSCHILD);
                return nullptr;
            }
            parent = FindOrFail(hwndParent);
            if (!parent) return nullptr;
        } else if (hwndParent) {
            Window* o = FindOrFail(hwndParent);
            if (!o) return nullptr;
            owner = TopLevelOf(o)->hwnd;
        }
        auto w = std::make_shared<Window>();
        w->hwnd = h = reinterpret_cast<HWND>(S().nextHandle);
        S().nextHandle += 4;
        w->cls = cls;
        w->proc = cls->wc.lpfnWndProc;
        w->style = style & ~WS_VISIBLE;
        w->exStyle = exStyle;
        w->id = (style & WS_CHILD) ? reinterpret_cast<LONG_PTR>(menu) : 0;
        w->instance = instance;
        w->parent = parent;
        w->owner = owner;
        w->threadId = GetCurrentThreadId();
        w->queue = CurrentQueue();
        // Default placement: a top-level window without a caption covers the
        // screen, as on the device; one with a caption gets a centred window
        // of three quarters of the screen. Children default to 0.
        auto mode = ce::gdi::Screen::Mode();
        bool top = !(style & WS_CHILD);
        bool captioned = (style & WS_CAPTION) == WS_CAPTION;
        if (width == CW_USEDEFAULT) {
            width = top ? (captioned ? mode.width * 3 / 4 : mode.width) : 0;
            height = top ? (captioned ? mode.height * 3 / 4 : mode.height) : 0;
            if (top && x == CW_USEDEFAULT && captioned) x = mode.width / 8, y = mode.height / 8;
        }
        if (x == CW_USEDEFAULT) x = y = 0;
        if (height == CW_USEDEFAULT) height = 0;
        w->rect = {x, y, x + std::max(0, width), y + std::max(0, height)};
        cls->windows++;
        S().windows[h] = w;
        if (top) {
            parent->children.insert(parent->children.begin(), w.get());
            Place(w.get(), HWND_TOP);
        } else {
            parent->children.push_back(w.get());
        }
    }
    CREATESTRUCTW cs{param,      instance,  menu,   hwndParent, height, width, y, x, static_cast<LONG>(style),
                     windowName, className, exStyle};
    RunCreationHook(h);
    if (!SendCreate(h, WM_NCCREATE, &cs) || SendCreate(h, WM_CREATE, &cs) == -1) {
        DestroyWindow(h);
        return nullptr;
    }
    if (!IsWindow(h)) return nullptr;
    SendMoveSize(h);
    if (style & WS_VISIBLE) ShowWindow(h, SW_SHOW);
    return IsWindow(h) ? h : nullptr;
}

BOOL DestroyWindow(HWND h) {
    std::vector<HWND> owned;
    RECT old{};
    bool wasVisible;
    {
        Lock l(S().mu);
        Window* w = FindOrFail(h);
        if (!w || w == S().desktop.get()) {
            if (w) SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        if (w->threadId != GetCurrentThreadId()) {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        if (w->destroying) return TRUE;
        w->destroying = true;
        for (auto& [oh, ow] : S().windows)
            if (ow->owner == h) owned.push_back(oh);
        wasVisible = VisibleChain(w);
        old = ScreenRect(w);
        w->style &= ~WS_VISIBLE;
    }
    // Owned windows go first.
    for (HWND o : owned) DestroyWindow(o);
    {
        Lock l(S().mu);
        if (wasVisible) ExposeLocked(old, Find(h));
        RefreshDCsLocked();
    }
    ForgetInputState(h);
    FocusLost(h);
    ActivateNextIfActive(h);
    SendDestroy(h);
    FreeTree(h);
    return TRUE;
}

BOOL IsWindow(HWND h) {
    Lock l(S().mu);
    return Find(h) ? TRUE : FALSE;
}

BOOL IsChild(HWND hParent, HWND h) {
    Lock l(S().mu);
    Window* p = Find(hParent);
    Window* w = Find(h);
    if (!p || !w || p == w) return FALSE;
    for (Window* c = w; c && (c->style & WS_CHILD); c = c->parent)
        if (c->parent == p) return TRUE;
    return FALSE;
}

HWND GetDesktopWindow() {
    return S().desktop->hwnd;
}

HWND GetParent(HWND h) {
    Lock l(S().mu);
    Window* w = FindOrFail(h);
    if (!w || !w->parent) return nullptr;
    if (w->style & WS_CHILD) return w->parent->hwnd;
    return (w->style & WS_POPUP) ? w->owner : nullptr;
}

HWND SetParent(HWND hChild, HWND hNewParent) {
    Lock l(S().mu);
    Window* w = FindOrFail(hChild);
    Window* p = hNewParent ? FindOrFail(hNewParent) : S().desktop.get();
    if (!w || !p || w == S().desktop.get() || IsDescendant(w, p)) return nullptr;
    HWND old = w->parent->hwnd;
    bool visible = VisibleChain(w);
    RECT was = ScreenRect(w);
    Unlink(w);
    w->parent = p;
    p->children.insert(p->children.begin(), w);
    Place(w, HWND_TOP);
    if (visible) ExposeLocked(was, w);
    InvalidateLocked(w, nullptr, true, Kids::All);
    RefreshDCsLocked();
    return old;
}

HWND GetWindow(HWND h, UINT cmd) {
    Lock l(S().mu);
    Window* w = FindOrFail(h);
    if (!w) return nullptr;
    auto* sib = w->parent ? &w->parent->children : nullptr;
    int i = w->parent ? IndexOf(w->parent, w) : -1;
    switch (cmd) {
        case GW_CHILD:
            return w->children.empty() ? nullptr : w->children.front()->hwnd;
        case GW_OWNER:
            return w->owner;
        case GW_HWNDFIRST:
            return sib && !sib->empty() ? sib->front()->hwnd : nullptr;
        case GW_HWNDLAST:
            return sib && !sib->empty() ? sib->back()->hwnd : nullptr;
        case GW_HWNDNEXT:
            return sib && i >= 0 && i + 1 < static_cast<int>(sib->size()) ? (*sib)[i + 1]->hwnd : nullptr;
        case GW_HWNDPREV:
            return sib && i > 0 ? (*sib)[i - 1]->hwnd : nullptr;
        default:
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
    }
}

HWND GetDlgItem(HWND hDlg, int id) {
    Lock l(S().mu);
    Window* w = FindOrFail(hDlg);
    if (!w) return nullptr;
    for (auto* c : w->children)
        if (static_cast<int>(c->id) == id) return c->hwnd;
    SetLastError(ERROR_CONTROL_ID_NOT_FOUND);
    return nullptr;
}

int GetDlgCtrlID(HWND h) {
    Lock l(S().mu);
    Window* w = FindOrFail(h);
    return w && (w->style & WS_CHILD) ? static_cast<int>(w->id) : 0;
}

DWORD GetWindowThreadProcessId(HWND h, LPDWORD pid) {
    Lock l(S().mu);
    Window* w = FindOrFail(h);
    if (!w) return 0;
    if (pid) *pid = 1;
    return w->threadId;
}

// ---- Window longs ----------------------------------------------------------------------------

// Offsets of the extra bytes are the device's 32-bit ones; each slot keeps
// the full value stored at that offset (a pointer stays whole on the host).
LONG_PTR GetWindowLong(HWND h, int index) {
    Lock l(S().mu);
    Window* w = FindOrFail(h);
    if (!w || w == S().desktop.get()) return 0;
    switch (index) {
        case GWL_WNDPROC:
            return reinterpret_cast<LONG_PTR>(w->proc);
        case GWL_STYLE:
            return static_cast<LONG_PTR>(static_cast<LONG>(w->style));
        case GWL_EXSTYLE:
            return static_cast<LONG_PTR>(static_cast<LONG>(w->exStyle));
        case GWL_ID:
            return w->id;
        case GWL_USERDATA:
            return w->userData;
        case GWL_HWNDPARENT:
            return reinterpret_cast<LONG_PTR>((w->style & WS_CHILD) ? w->parent->hwnd : w->owner);
        default:
            if (index < 0 || index + 4 > w->cls->wc.cbWndExtra) {
                SetLastError(ERROR_INVALID_INDEX);
                return 0;
            }
            auto it = w->extra.find(index);
            return it == w->extra.end() ? 0 : it->second;
    }
}

LONG_PTR SetWindowLong(HWND h, int index, LONG_PTR v) {
    Lock l(S().mu);
    Window* w = FindOrFail(h);
    if (!w || w == S().desktop.get()) return 0;
    LONG_PTR old = 0;
    switch (index) {
        case GWL_WNDPROC:
            old = reinterpret_cast<LONG_PTR>(w->proc);
            w->proc = reinterpret_cast<WNDPROC>(v);
            break;
        case GWL_STYLE:
            old = static_cast<LONG>(w->style);
            w->style = static_cast<DWORD>(v);
            RefreshDCsLocked();
            break;
        case GWL_EXSTYLE:
            old = static_cast<LONG>(w->exStyle);
            w->exStyle = static_cast<DWORD>(v);
            break;
        case GWL_ID:
            old = w->id;
            w->id = v;
            break;
        case GWL_USERDATA:
            old = w->userData;
            w->userData = v;
            break;
        default:
            if (index < 0 || index + 4 > w->cls->wc.cbWndExtra) {
                SetLastError(ERROR_INVALID_INDEX);
                return 0;
            }
            old = w->extra[index];
            w->extra[index] = v;
    }
    return old;
}

LRESULT CallWindowProc(WNDPROC proc, HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (!proc) return 0;
    return proc(h, msg, wp, lp);
}

// ---- Text ----------------------------------------------------------------------------------------

BOOL SetWindowText(HWND h, LPCWSTR text) {
    if (!IsWindow(h)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return SendMessage(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) ? TRUE : FALSE;
}

int GetWindowText(HWND h, LPWSTR buf, int max) {
    if (!IsWindow(h)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (!buf || max <= 0) return 0;
    buf[0] = 0;
    return static_cast<int>(SendMessage(h, WM_GETTEXT, static_cast<WPARAM>(max), reinterpret_cast<LPARAM>(buf)));
}

int GetWindowTextLength(HWND h) {
    if (!IsWindow(h)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return static_cast<int>(SendMessage(h, WM_GETTEXTLENGTH, 0, 0));
}

// ---- Visibility and state ------------------------------------------------------------------------

namespace {

// Shows or hides without messages; returns whether the window was visible.
bool SetVisibleLocked(Window* w, bool show) {
    bool was = (w->style & WS_VISIBLE) != 0;
    if (was == show) return was;
    bool chainBefore = VisibleChain(w);
    RECT old = ScreenRect(w);
    if (show) {
        w->style |= WS_VISIBLE;
        if (VisibleChain(w)) {
            InvalidateLocked(w, nullptr, true, Kids::All);
            w->framePending = true;
        }
    } else {
        w->style &= ~WS_VISIBLE;
        if (chainBefore) ExposeLocked(old, w);
    }
    RefreshDCsLocked();
    return was;
}

}  // namespace

BOOL ShowWindow(HWND h, int cmd) {
    bool show = cmd != SW_HIDE;
    bool activate = false;
    {
        Lock l(S().mu);
        Window* w = FindOrFail(h);
        if (!w || w == S().desktop.get()) return FALSE;
        bool was = (w->style & WS_VISIBLE) != 0;
        if (was == show) return was ? TRUE : FALSE;
        activate = show && IsTopLevel(w) && cmd != SW_SHOWNA && cmd != SW_SHOWNOACTIVATE && cmd != SW_SHOWMINNOACTIVE &&
                   !(w->exStyle & WS_EX_NOACTIVATE);
    }
    SendInternal(h, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
    bool was;
    {
        Lock l(S().mu);
        Window* w = Find(h);
        if (!w) return FALSE;
        was = SetVisibleLocked(w, show);
    }
    if (!show) {
        FocusLost(h);
        ActivateNextIfActive(h);
    } else if (activate) {
        SetActiveWindow(h);
    }
    return was ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND h) {
    Lock l(S().mu);
    Window* w = Find(h);
    return w && VisibleChain(w) ? TRUE : FALSE;
}

BOOL EnableWindow(HWND h, BOOL enable) {
    bool wasDisabled;
    {
        Lock l(S().mu);
        Window* w = FindOrFail(h);
        if (!w || w == S().desktop.get()) return FALSE;
        wasDisabled = (w->style & WS_DISABLED) != 0;
        if (wasDisabled == !enable) return wasDisabled ? TRUE : FALSE;
        if (enable)
            w->style &= ~WS_DISABLED;
        else
            w->style |= WS_DISABLED;
    }
    if (!enable) {
        FocusLost(h);
        Lock l(S().mu);
        if (S().capture == h) S().capture = nullptr;
    }
    SendInternal(h, WM_ENABLE, enable ? TRUE : FALSE, 0);
    return wasDisabled ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND h) {
    Lock l(S().mu);
    Window* w = FindOrFail(h);
    return w && !(w->style & WS_DISABLED) ? TRUE : FALSE;
}

// ---- Position and z-order ------------------------------------------------------------------------

BOOL SetWindowPos(HWND h, HWND after, int x, int y, int cx, int cy, UINT flags) {
    bool moved = false, sized = false, activate = false, hidden = false;
    {
        Lock l(S().mu);
        Window* w = FindOrFail(h);
        if (!w || w == S().desktop.get()) return FALSE;
        bool zorder = !(flags & SWP_NOZORDER) && after != h;
        if (zorder && after != HWND_TOP && after != HWND_BOTTOM && after != HWND_TOPMOST && after != HWND_NOTOPMOST &&
            !FindOrFail(after))
            return FALSE;
        bool wasVisible = VisibleChain(w);
        RECT oldScreen = ScreenRect(w);
        RECT r = w->rect;
        if (!(flags & SWP_NOMOVE)) OffsetRect(&r, x - r.left, y - r.top);
        if (!(flags & SWP_NOSIZE)) {
            r.right = r.left + std::max(0, cx);
            r.bottom = r.top + std::max(0, cy);
        }
        moved = r.left != w->rect.left || r.top != w->rect.top;
        sized = (r.right - r.left) != (w->rect.right - w->rect.left) ||
                (r.bottom - r.top) != (w->rect.bottom - w->rect.top);
        w->rect = r;
        bool raised = false;
        if (zorder) {
            if (IsTopLevel(w) && after == HWND_TOPMOST) {
                w->exStyle |= WS_EX_TOPMOST;
                after = HWND_TOP;
            } else if (IsTopLevel(w) && after == HWND_NOTOPMOST) {
                w->exStyle &= ~WS_EX_TOPMOST;
                after = HWND_TOP;
            } else if (after == HWND_TOPMOST || after == HWND_NOTOPMOST) {
                after = HWND_TOP;
            } else if (after == HWND_BOTTOM && IsTopLevel(w)) {
                w->exStyle &= ~WS_EX_TOPMOST;
            }
            int before = IndexOf(w->parent, w);
            Place(w, after);
            raised = IndexOf(w->parent, w) < before;
        }
        if (flags & SWP_SHOWWINDOW) SetVisibleLocked(w, true);
        if (flags & SWP_HIDEWINDOW) {
            SetVisibleLocked(w, false);
            hidden = true;
        }
        if (wasVisible && VisibleChain(w) && (moved || sized || zorder)) {
            if (moved || sized || !raised) ExposeLocked(oldScreen, w);
            if (!(flags & SWP_NOREDRAW)) {
                InvalidateLocked(w, nullptr, true, Kids::All);
                w->framePending = true;
            }
        }
        RefreshDCsLocked();
        activate = !(flags & SWP_NOACTIVATE) && IsTopLevel(w) && VisibleChain(w) &&
                   (zorder || (flags & SWP_SHOWWINDOW)) && !(w->exStyle & WS_EX_NOACTIVATE);
    }
    if (moved || sized) SendMoveSize(h);
    if (hidden) {
        FocusLost(h);
        ActivateNextIfActive(h);
    }
    if (activate) SetActiveWindow(h);
    return TRUE;
}

BOOL MoveWindow(HWND h, int x, int y, int w, int hgt, BOOL repaint) {
    return SetWindowPos(h, nullptr, x, y, w, hgt, SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

BOOL BringWindowToTop(HWND h) {
    return SetWindowPos(h, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

BOOL GetWindowRect(HWND h, LPRECT r) {
    Lock l(S().mu);
    Window* w = FindOrFail(h);
    if (!w || !r) return FALSE;
    *r = ScreenRect(w);
    return TRUE;
}

BOOL GetClientRect(HWND h, LPRECT r) {
    Lock l(S().mu);
    Window* w = FindOrFail(h);
    if (!w || !r) return FALSE;
    RECT c = ClientRectLocal(w);
    *r = {0, 0, c.right - c.left, c.bottom - c.top};
    return TRUE;
}

BOOL AdjustWindowRectEx(LPRECT r, DWORD style, BOOL, DWORD exStyle) {
    if (!r) return FALSE;
    auto f = FrameOf(style, exStyle);
    r->left -= f.left;
    r->top -= f.top;
    r->right += f.right;
    r->bottom += f.bottom;
    return TRUE;
}

BOOL ClientToScreen(HWND h, LPPOINT p) {
    Lock l(S().mu);
    Window* w = FindOrFail(h);
    if (!w || !p) return FALSE;
    POINT o = ClientOrigin(w);
    p->x += o.x;
    p->y += o.y;
    return TRUE;
}

BOOL ScreenToClient(HWND h, LPPOINT p) {
    Lock l(S().mu);
    Window* w = FindOrFail(h);
    if (!w || !p) return FALSE;
    POINT o = ClientOrigin(w);
    p->x -= o.x;
    p->y -= o.y;
    return TRUE;
}

int MapWindowPoints(HWND from, HWND to, LPPOINT pts, UINT count) {
    Lock l(S().mu);
    Window* a = from ? FindOrFail(from) : S().desktop.get();
    Window* b = to ? FindOrFail(to) : S().desktop.get();
    if (!a || !b) return 0;
    POINT oa = ClientOrigin(a), ob = ClientOrigin(b);
    LONG dx = oa.x - ob.x, dy = oa.y - ob.y;
    for (UINT i = 0; pts && i < count; ++i) {
        pts[i].x += dx;
        pts[i].y += dy;
    }
    SetLastError(0);
    return MAKELONG(static_cast<WORD>(dx), static_cast<WORD>(dy));
}

HWND ChildWindowFromPointEx(HWND hParent, POINT pt, UINT flags) {
    Lock l(S().mu);
    Window* p = FindOrFail(hParent);
    if (!p) return nullptr;
    RECT c = ClientRectLocal(p);
    RECT all{0, 0, c.right - c.left, c.bottom - c.top};
    if (p != S().desktop.get()) {
        RECT wr = p->rect;
        all = {-c.left, -c.top, wr.right - wr.left - c.left, wr.bottom - wr.top - c.top};
    }
    if (!PtInRect(&all, pt)) return nullptr;
    for (auto* ch : p->children) {
        if ((flags & CWP_SKIPINVISIBLE) && !(ch->style & WS_VISIBLE)) continue;
        if ((flags & CWP_SKIPDISABLED) && (ch->style & WS_DISABLED)) continue;
        if ((flags & CWP_SKIPTRANSPARENT) && (ch->exStyle & WS_EX_TRANSPARENT)) continue;
        if (PtInRect(&ch->rect, pt)) return ch->hwnd;
    }
    return hParent;
}

HWND ChildWindowFromPoint(HWND hParent, POINT pt) {
    return ChildWindowFromPointEx(hParent, pt, CWP_ALL);
}
