// Menus: the menu handles (LoadMenu's tree of items and the handles of its
// popups), the drop-down menu window ("#32768") and the modal menu loop.
//
// As on Win32, a menu is tracked in a loop of its own with the stylus
// captured: the owner gets WM_INITMENUPOPUP before each drop-down shows, the
// loop reads every stylus and key message of the thread itself (nothing
// reaches the windows beneath while a menu is open) and dispatches the rest
// (painting, timers, sent messages). The command chosen is posted to the
// owner after every menu window is gone.
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>
#include <mutex>

#include "ce_res.h"
#include "menu_internal.h"

namespace ce::comctl {

namespace {

using ce::res::MenuData;
using ce::res::MenuItem;

constexpr LPCWSTR kPopupClass = u"#32768";
constexpr int kItemHeight = 20;
constexpr int kSeparatorHeight = 8;
constexpr int kTextLeft = 18;   // room for a check mark
constexpr int kTextRight = 20;  // room for a submenu arrow
constexpr int kAccelGap = 16;   // between a text and its accelerator text
constexpr int kHoldSlop = 5;    // a held stylus moving less than this has not moved

// ---- Menu handles ------------------------------------------------------------------------------
//
// A top-level handle is LoadMenu's; the handle of a popup's menu is the
// address of the popup's item list, known here with the tree it lives in.
// Item flags (MF_GRAYED, MF_HILITE, ...) change under this lock.

std::mutex& Mu() {
    static std::mutex m;
    return m;
}
struct SubMenu {
    std::shared_ptr<MenuData> root;
    std::vector<MenuItem>* items;
};
std::map<HMENU, SubMenu>& Subs() {
    static auto& m = *new std::map<HMENU, SubMenu>;
    return m;
}

std::vector<MenuItem>* ItemsLocked(HMENU h) {
    if (!h) return nullptr;
    if (auto it = Subs().find(h); it != Subs().end()) return it->second.items;
    auto data = ce::res::GetMenuData(h);
    return data ? &data->items : nullptr;
}

std::shared_ptr<MenuData> RootLocked(HMENU h) {
    if (auto it = Subs().find(h); it != Subs().end()) return it->second.root;
    return ce::res::GetMenuData(h);
}

// The item `id` names: a position (MF_BYPOSITION) or a command id, searched
// through the popups too.
MenuItem* FindLocked(HMENU h, UINT id, UINT flags) {
    std::vector<MenuItem>* items = ItemsLocked(h);
    if (!items) return nullptr;
    if (flags & MF_BYPOSITION) return id < items->size() ? &(*items)[id] : nullptr;
    std::function<MenuItem*(std::vector<MenuItem>&)> search = [&](std::vector<MenuItem>& list) -> MenuItem* {
        for (auto& item : list) {
            if (!(item.flags & MF_POPUP) && !(item.flags & MF_SEPARATOR) && item.id == id) return &item;
            if (item.flags & MF_POPUP)
                if (MenuItem* found = search(item.children)) return found;
        }
        return nullptr;
    };
    return search(*items);
}

std::u16string ItemText(HMENU h, int pos) {
    std::lock_guard lock(Mu());
    MenuItem* item = FindLocked(h, static_cast<UINT>(pos), MF_BYPOSITION);
    return item ? item->text : std::u16string();
}

UINT ItemFlags(HMENU h, int pos) {
    std::lock_guard lock(Mu());
    MenuItem* item = FindLocked(h, static_cast<UINT>(pos), MF_BYPOSITION);
    return item ? item->flags : 0;
}

void SetHilite(HMENU h, int hot) {
    std::lock_guard lock(Mu());
    std::vector<MenuItem>* items = ItemsLocked(h);
    if (!items) return;
    for (size_t i = 0; i < items->size(); ++i) {
        auto& f = (*items)[i].flags;
        f = static_cast<int>(i) == hot ? (f | MF_HILITE) : (f & ~static_cast<UINT>(MF_HILITE));
    }
}

bool Selectable(UINT flags) {
    return !(flags & MF_SEPARATOR);
}
bool Choosable(UINT flags) {
    return !(flags & (MF_SEPARATOR | MF_GRAYED | MF_DISABLED));
}

// The mnemonic of a text ("E&xit": 'x'), 0 for none.
WCHAR Mnemonic(std::u16string_view s) {
    for (size_t i = 0; i + 1 < s.size(); ++i) {
        if (s[i] != u'&') continue;
        if (s[i + 1] != u'&') return s[i + 1];
        ++i;
    }
    return 0;
}

WCHAR Lower(WCHAR c) {
    return c >= u'A' && c <= u'Z' ? static_cast<WCHAR>(c - u'A' + u'a') : c;
}

// ---- The drop-down menu window -----------------------------------------------------------------

struct PopupData {
    HMENU menu = nullptr;
    int hot = -1;
    std::vector<RECT> rects;  // client coordinates, one per item
};

PopupData* DataOf(HWND h) {
    return reinterpret_cast<PopupData*>(GetWindowLong(h, GWL_USERDATA));
}

// The text of an item up to its tab and the accelerator text after it.
std::pair<std::u16string, std::u16string> SplitTab(const std::u16string& s) {
    size_t tab = s.find(u'\t');
    if (tab == std::u16string::npos) return {s, u""};
    return {s.substr(0, tab), s.substr(tab + 1)};
}

int TextWidth(HDC dc, const std::u16string& s) {
    if (s.empty()) return 0;
    RECT r{0, 0, 0, 0};
    DrawText(dc, s.c_str(), static_cast<int>(s.size()), &r, DT_SINGLELINE | DT_CALCRECT);
    return r.right - r.left;
}

// Lays the items out one under the other; returns the client size.
SIZE Layout(HWND h, PopupData& d) {
    int count = GetMenuItemCount(d.menu);
    HDC dc = GetDC(h);
    int textW = 0, accelW = 0;
    d.rects.clear();
    int y = 0;
    for (int i = 0; i < count; ++i) {
        UINT flags = ItemFlags(d.menu, i);
        int height = (flags & MF_SEPARATOR) ? kSeparatorHeight : kItemHeight;
        d.rects.push_back(RECT{0, y, 0, y + height});
        y += height;
        if (flags & MF_SEPARATOR) continue;
        auto [text, accel] = SplitTab(ItemText(d.menu, i));
        textW = std::max(textW, TextWidth(dc, text));
        accelW = std::max(accelW, TextWidth(dc, accel));
    }
    ReleaseDC(h, dc);
    int width = std::max(80, kTextLeft + textW + (accelW ? kAccelGap + accelW : 0) + kTextRight);
    for (auto& r : d.rects) r.right = width;
    return SIZE{width, std::max(y, 4)};
}

void Line(HDC dc, int x0, int y0, int x1, int y1) {
    MoveToEx(dc, x0, y0, nullptr);
    LineTo(dc, x1, y1);
}

void PaintPopup(HWND h, HDC dc, const PopupData& d) {
    RECT client;
    GetClientRect(h, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_MENU));
    SetBkMode(dc, TRANSPARENT);
    HPEN shadow = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
    HPEN light = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT));
    for (size_t i = 0; i < d.rects.size(); ++i) {
        const RECT& r = d.rects[i];
        UINT flags = ItemFlags(d.menu, static_cast<int>(i));
        if (flags & MF_SEPARATOR) {
            int y = (r.top + r.bottom) / 2 - 1;
            HGDIOBJ old = SelectObject(dc, shadow);
            Line(dc, r.left + 2, y, r.right - 2, y);
            SelectObject(dc, light);
            Line(dc, r.left + 2, y + 1, r.right - 2, y + 1);
            SelectObject(dc, old);
            continue;
        }
        const bool hot = static_cast<int>(i) == d.hot;
        const bool grayed = (flags & (MF_GRAYED | MF_DISABLED)) != 0;
        if (hot) FillRect(dc, &r, GetSysColorBrush(COLOR_HIGHLIGHT));
        COLORREF ink = grayed ? GetSysColor(COLOR_GRAYTEXT) : GetSysColor(hot ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT);
        SetTextColor(dc, ink);
        auto [text, accel] = SplitTab(ItemText(d.menu, static_cast<int>(i)));
        RECT tr{r.left + kTextLeft, r.top, r.right - kTextRight, r.bottom};
        DrawText(dc, text.c_str(), static_cast<int>(text.size()), &tr, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
        if (!accel.empty())
            DrawText(dc, accel.c_str(), static_cast<int>(accel.size()), &tr,
                     DT_SINGLELINE | DT_VCENTER | DT_RIGHT | DT_NOPREFIX);
        HPEN pen = CreatePen(PS_SOLID, 1, ink);
        HGDIOBJ old = SelectObject(dc, pen);
        const int cy = (r.top + r.bottom) / 2;
        if (flags & MF_CHECKED) {  // a tick
            Line(dc, r.left + 5, cy, r.left + 8, cy + 3);
            Line(dc, r.left + 8, cy + 3, r.left + 13, cy - 3);
            Line(dc, r.left + 5, cy + 1, r.left + 8, cy + 4);
            Line(dc, r.left + 8, cy + 4, r.left + 13, cy - 2);
        }
        if (flags & MF_POPUP) {  // a solid triangle pointing right
            const int x = r.right - 13;
            for (int k = 0; k < 5; ++k) Line(dc, x + k, cy - 4 + k, x + k, cy + 5 - k);
        }
        SelectObject(dc, old);
        DeleteObject(pen);
    }
    DeleteObject(shadow);
    DeleteObject(light);
}

LRESULT OnPopupPaint(HWND h, const PopupData* d) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    if (dc && d) PaintPopup(h, dc, *d);
    EndPaint(h, &ps);
    return 0;
}

// The screen rectangle of an item of the menu.
LRESULT OnPopupItemRect(HWND h, const PopupData* d, WPARAM i, RECT* out) {
    if (!d || !out || i >= d->rects.size()) return FALSE;
    *out = d->rects[i];
    MapWindowPoints(h, nullptr, reinterpret_cast<POINT*>(out), 2);
    return TRUE;
}

LRESULT OnPopupCaptureChanged(HWND h, HWND taker) {
    if (taker != h) CancelMenuLoop();
    return 0;
}

// Closing the topmost window (the host ending the program) closes the menus
// and then the window they belong to.
LRESULT OnPopupClose(HWND h) {
    CancelMenuLoop();
    if (HWND owner = GetWindow(h, GW_OWNER)) PostMessage(owner, WM_CLOSE, 0, 0);
    return 0;
}

LRESULT OnPopupNcDestroy(HWND h, PopupData* d) {
    delete d;
    SetWindowLong(h, GWL_USERDATA, 0);
    return 0;
}

LRESULT CALLBACK PopupProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    PopupData* d = DataOf(h);
    switch (msg) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT:
            return OnPopupPaint(h, d);
        case MN_GETHMENU:
            return reinterpret_cast<LRESULT>(d ? d->menu : nullptr);
        case kMnGetItemRect:
            return OnPopupItemRect(h, d, wp, reinterpret_cast<RECT*>(lp));
        case WM_CAPTURECHANGED:
            return OnPopupCaptureChanged(h, reinterpret_cast<HWND>(lp));
        case WM_CLOSE:
            return OnPopupClose(h);
        case WM_NCDESTROY:
            return OnPopupNcDestroy(h, d);
        default:
            return DefWindowProc(h, msg, wp, lp);
    }
}

// ---- The menu loop ------------------------------------------------------------------------------

struct Level {
    HWND wnd;
    HMENU menu;
};

class Tracker {
public:
    Tracker(HWND owner, HWND bar, HMENU barMenu, bool notify)
        : owner_(owner), bar_(bar), barMenu_(barMenu), notify_(notify) {}

    // Opens the drop-down of menu-bar item `item`.
    void OpenBar(int item, bool selectFirst) {
        CloseFrom(0);
        barItem_ = item;
        SendMessage(bar_, kMnSetBarHot, static_cast<WPARAM>(item), 0);
        HMENU sub = GetSubMenu(barMenu_, item);
        RECT r{};
        if (!sub || !SendMessage(bar_, kMnGetItemRect, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&r))) return;
        RECT barRect;
        if (GetWindowRect(bar_, &barRect)) r.bottom = barRect.bottom;  // drops from the bar's lower edge
        Open(sub, item, r, false, selectFirst);
    }
    // Opens `menu` at `at` (TrackPopupMenuEx): its top-left corner there,
    // or as the TPM_*ALIGN flags in `align` say.
    bool OpenAt(HMENU menu, POINT at, UINT align) {
        align_ = align;
        RECT r{at.x, at.y, at.x, at.y};
        return Open(menu, 0, r, false, false);
    }
    // The stylus that opened the menu is still down (a tap-and-hold): lifting
    // it where it is chooses nothing, dragging it to an item and lifting it
    // there does. Where it is: the first stylus message of the loop says.
    void Held() {
        held_ = true;
        heldKnown_ = false;
    }
    UINT Run(bool stylusDown);
    void Cancel() { cancelled_ = true; }

private:
    struct Hit {
        int level = -1, item = -1, barItem = -1;
    };

    bool Open(HMENU menu, int indexInParent, const RECT& anchor, bool beside, bool selectFirst);
    void CloseFrom(size_t level) {
        while (levels_.size() > level) {
            Level l = levels_.back();
            levels_.pop_back();
            SetHilite(l.menu, -1);
            if (IsWindow(l.wnd)) DestroyWindow(l.wnd);
        }
    }
    void SetHot(size_t level, int item) {
        if (level >= levels_.size()) return;
        PopupData* d = DataOf(levels_[level].wnd);
        if (!d || d->hot == item) return;
        d->hot = item;
        SetHilite(d->menu, item);
        InvalidateRect(levels_[level].wnd, nullptr, FALSE);
    }
    int HotOf(size_t level) {
        PopupData* d = level < levels_.size() ? DataOf(levels_[level].wnd) : nullptr;
        return d ? d->hot : -1;
    }
    Hit HitAt(POINT pt);
    void Touch(size_t level, int item, bool release);
    void OpenSub(size_t level, int item, bool selectFirst);
    void Step(int delta);
    void Mouse(const MSG& m);
    void Key(MSG& m);
    void Choose(UINT id) {
        chosen_ = id;
        done_ = true;
    }

    HWND owner_;
    HWND bar_;
    HMENU barMenu_;
    bool notify_;
    int barItem_ = -1;
    std::vector<Level> levels_;
    bool down_ = false;
    bool closing_ = false;  // dismissed by a stylus press: ends with its release
    UINT align_ = 0;
    UINT closeOnUp_ = 0;  // the key whose release ends the loop
    bool held_ = false;
    bool heldKnown_ = false;
    POINT heldAt_{};
    bool done_ = false;
    bool cancelled_ = false;
    UINT chosen_ = 0;
};

thread_local Tracker* t_tracker = nullptr;

bool Tracker::Open(HMENU menu, int indexInParent, const RECT& anchor, bool beside, bool selectFirst) {
    if (notify_)
        SendMessage(owner_, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), MAKELPARAM(indexInParent, FALSE));
    if (!IsWindow(owner_) || cancelled_) return false;
    HWND top = owner_;
    while (top && (GetWindowLong(top, GWL_STYLE) & WS_CHILD)) top = GetParent(top);
    HWND w = CreateWindowEx(WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW, kPopupClass, u"", WS_POPUP | WS_BORDER,
                            0, 0, 1, 1, top, nullptr, nullptr, nullptr);
    if (!w) return false;
    auto* d = new PopupData;
    d->menu = menu;
    SetWindowLong(w, GWL_USERDATA, reinterpret_cast<LONG_PTR>(d));
    SIZE sz = Layout(w, *d);
    const int width = sz.cx + 2 * ce::user::kBorderWidth, height = sz.cy + 2 * ce::user::kBorderWidth;
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    int x, y;
    if (beside) {  // right of the parent item, or left of it where the screen ends
        x = anchor.right;
        y = anchor.top - ce::user::kBorderWidth;
        if (x + width > sw && anchor.left - width >= 0 && anchor.left != anchor.right) x = anchor.left - width;
    } else {  // under the menu-bar item, or above it where the screen ends
        x = anchor.left;
        y = anchor.bottom;
        if (levels_.empty() && !bar_) {  // a popup menu's alignment on its point
            if (align_ & TPM_RIGHTALIGN) x -= width;
            if (align_ & TPM_CENTERALIGN) x -= width / 2;
            if (align_ & TPM_BOTTOMALIGN) y -= height;
            if (align_ & TPM_VCENTERALIGN) y -= height / 2;
        }
        if (y + height > sh && anchor.top - height >= 0) y = anchor.top - height;
    }
    x = std::max(0, std::min(x, sw - width));
    y = std::max(0, std::min(y, sh - height));
    levels_.push_back({w, menu});
    SetWindowPos(w, HWND_TOPMOST, x, y, width, height, SWP_SHOWWINDOW | SWP_NOACTIVATE);
    if (selectFirst) Step(1);
    return true;
}

Tracker::Hit Tracker::HitAt(POINT pt) {
    Hit hit;
    for (size_t l = levels_.size(); l-- > 0;) {
        RECT wr;
        if (!GetWindowRect(levels_[l].wnd, &wr) || !PtInRect(&wr, pt)) continue;
        hit.level = static_cast<int>(l);
        if (PopupData* d = DataOf(levels_[l].wnd)) {
            POINT c = pt;
            ScreenToClient(levels_[l].wnd, &c);
            for (size_t i = 0; i < d->rects.size(); ++i)
                if (PtInRect(&d->rects[i], c)) hit.item = static_cast<int>(i);
        }
        return hit;
    }
    if (bar_) {
        int n = GetMenuItemCount(barMenu_);
        for (int i = 0; i < n; ++i) {
            RECT r;
            if (SendMessage(bar_, kMnGetItemRect, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r)) &&
                PtInRect(&r, pt))
                hit.barItem = i;
        }
    }
    return hit;
}

void Tracker::OpenSub(size_t level, int item, bool selectFirst) {
    HMENU sub = GetSubMenu(levels_[level].menu, item);
    PopupData* d = DataOf(levels_[level].wnd);
    if (!sub || !d || static_cast<size_t>(item) >= d->rects.size()) return;
    RECT r = d->rects[static_cast<size_t>(item)];
    MapWindowPoints(levels_[level].wnd, nullptr, reinterpret_cast<POINT*>(&r), 2);
    RECT wr;
    GetWindowRect(levels_[level].wnd, &wr);
    r.left = wr.left;
    r.right = wr.right;
    Open(sub, item, r, true, selectFirst);
}

// The stylus on `item` of level `level`: it is highlighted, a popup opens
// its menu beside it, and a release on a command chooses it.
void Tracker::Touch(size_t level, int item, bool release) {
    const bool sameOpen = levels_.size() > level + 1 && HotOf(level) == item;
    CloseFrom(sameOpen ? level + 2 : level + 1);
    UINT flags = item < 0 ? 0 : ItemFlags(levels_[level].menu, item);
    SetHot(level, item >= 0 && Selectable(flags) ? item : -1);
    if (item < 0) return;
    if (!Choosable(flags)) return;
    if (flags & MF_POPUP) {
        if (!sameOpen) OpenSub(level, item, false);
        return;
    }
    if (release) Choose(GetMenuItemID(levels_[level].menu, item));
}

// Moves the highlight of the innermost menu over the separators.
void Tracker::Step(int delta) {
    if (levels_.empty()) return;
    size_t l = levels_.size() - 1;
    int n = GetMenuItemCount(levels_[l].menu);
    int hot = HotOf(l);
    for (int k = 0; k < n; ++k) {
        hot = hot < 0 ? (delta > 0 ? 0 : n - 1) : (hot + delta + n) % n;
        if (Selectable(ItemFlags(levels_[l].menu, hot))) {
            SetHot(l, hot);
            return;
        }
    }
}

void Tracker::Mouse(const MSG& m) {
    Hit hit = HitAt(m.pt);
    switch (m.message) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            down_ = true;
            if (closing_) return;
            if (hit.level >= 0) {
                Touch(static_cast<size_t>(hit.level), hit.item, false);
            } else if (hit.barItem >= 0 && hit.barItem != barItem_) {
                OpenBar(hit.barItem, false);
            } else {  // outside, or the open menu's own bar item: dismissed
                closing_ = true;
                CloseFrom(0);
                if (bar_) SendMessage(bar_, kMnSetBarHot, static_cast<WPARAM>(-1), 0);
            }
            return;
        case WM_MOUSEMOVE:
            if (held_ && !heldKnown_) {
                heldKnown_ = true;
                heldAt_ = m.pt;
            }
            if (held_ && (std::abs(m.pt.x - heldAt_.x) > kHoldSlop || std::abs(m.pt.y - heldAt_.y) > kHoldSlop))
                held_ = false;
            if (!down_ || closing_) return;
            if (hit.level >= 0)
                Touch(static_cast<size_t>(hit.level), hit.item, false);
            else if (hit.barItem >= 0 && hit.barItem != barItem_)
                OpenBar(hit.barItem, false);
            else if (hit.barItem < 0 && !levels_.empty())
                SetHot(levels_.size() - 1, -1);
            return;
        case WM_LBUTTONUP: {
            const bool wasDown = down_;
            down_ = false;
            if (closing_) {
                done_ = true;
                return;
            }
            if (held_) {  // the hold that opened the menu ends: it stays open
                held_ = false;
                if (!levels_.empty()) SetHot(levels_.size() - 1, -1);
                return;
            }
            if (!wasDown) return;
            if (hit.level >= 0)
                Touch(static_cast<size_t>(hit.level), hit.item, true);
            else if (hit.barItem < 0)
                done_ = true;  // dragged off every menu and released
            return;
        }
        default:
            return;
    }
}

void Tracker::Key(MSG& m) {
    if (m.message == WM_CHAR || m.message == WM_SYSCHAR) {
        if (levels_.empty()) return;
        size_t l = levels_.size() - 1;
        int n = GetMenuItemCount(levels_[l].menu);
        for (int i = 0; i < n; ++i) {
            if (Lower(Mnemonic(ItemText(levels_[l].menu, i))) != Lower(static_cast<WCHAR>(m.wParam))) continue;
            UINT flags = ItemFlags(levels_[l].menu, i);
            if (!Choosable(flags)) return;
            SetHot(l, i);
            if (flags & MF_POPUP)
                OpenSub(l, i, true);
            else
                Choose(GetMenuItemID(levels_[l].menu, i));
            return;
        }
        return;
    }
    if ((m.message == WM_KEYUP || m.message == WM_SYSKEYUP) && closeOnUp_ && m.wParam == closeOnUp_) {
        done_ = true;  // the key's release stays here: it would open the menus again
        return;
    }
    if (m.message != WM_KEYDOWN && m.message != WM_SYSKEYDOWN) return;
    const int barCount = bar_ ? GetMenuItemCount(barMenu_) : 0;
    switch (m.wParam) {
        case VK_ESCAPE:
            if (levels_.size() > 1)
                CloseFrom(levels_.size() - 1);
            else
                done_ = true;
            return;
        case VK_UP:
            Step(-1);
            return;
        case VK_DOWN:
            Step(1);
            return;
        case VK_RETURN: {
            if (levels_.empty()) return;
            size_t l = levels_.size() - 1;
            int hot = HotOf(l);
            if (hot < 0) return;
            UINT flags = ItemFlags(levels_[l].menu, hot);
            if (!Choosable(flags)) return;
            if (flags & MF_POPUP)
                OpenSub(l, hot, true);
            else
                Choose(GetMenuItemID(levels_[l].menu, hot));
            return;
        }
        case VK_RIGHT: {
            if (levels_.empty()) return;
            size_t l = levels_.size() - 1;
            int hot = HotOf(l);
            UINT flags = hot >= 0 ? ItemFlags(levels_[l].menu, hot) : 0;
            if ((flags & MF_POPUP) && Choosable(flags))
                OpenSub(l, hot, true);
            else if (barCount > 0)
                OpenBar((barItem_ + 1) % barCount, true);
            return;
        }
        case VK_LEFT:
            if (levels_.size() > 1)
                CloseFrom(levels_.size() - 1);
            else if (barCount > 0)
                OpenBar((barItem_ - 1 + barCount) % barCount, true);
            return;
        case VK_MENU:
        case VK_LMENU:
        case VK_RMENU:
        case VK_F10:
            closeOnUp_ = static_cast<UINT>(m.wParam);
            return;  // Alt and F10 leave the menus when released, as on Win32
        default:
            TranslateMessage(&m);
            return;  // characters choose by mnemonic
    }
}

UINT Tracker::Run(bool stylusDown) {
    down_ = stylusDown;
    HWND capture = bar_ ? bar_ : (levels_.empty() ? nullptr : levels_[0].wnd);
    if (!capture) return 0;
    Tracker* outer = t_tracker;
    t_tracker = this;
    SetCapture(capture);
    if (notify_) SendMessage(owner_, WM_ENTERMENULOOP, bar_ ? FALSE : TRUE, 0);
    while (!done_ && !cancelled_ && IsWindow(owner_) && GetCapture() == capture && (bar_ || !levels_.empty())) {
        MSG m;
        if (!GetMessage(&m, nullptr, 0, 0)) {
            PostQuitMessage(static_cast<int>(m.wParam));  // for the program's own loop
            break;
        }
        if (m.message >= WM_MOUSEFIRST && m.message <= WM_MOUSELAST)
            Mouse(m);
        else if (m.message >= WM_KEYFIRST && m.message <= WM_KEYLAST)
            Key(m);
        else
            DispatchMessage(&m);
    }
    t_tracker = outer;
    CloseFrom(0);
    if (bar_ && IsWindow(bar_)) SendMessage(bar_, kMnSetBarHot, static_cast<WPARAM>(-1), 0);
    if (GetCapture() == capture) ReleaseCapture();
    if (notify_ && IsWindow(owner_)) SendMessage(owner_, WM_EXITMENULOOP, bar_ ? FALSE : TRUE, 0);
    return done_ && IsWindow(owner_) ? chosen_ : 0;
}

}  // namespace

UINT TrackMenuBar(HWND bar, HMENU menu, int item, HWND owner, bool byKey) {
    if (!IsWindow(bar) || !IsWindow(owner) || item < 0 || item >= GetMenuItemCount(menu)) return 0;
    Tracker t(owner, bar, menu, true);
    t.OpenBar(item, byKey);
    return t.Run(!byKey);
}

int MenuBarItemOf(HMENU menu, WCHAR letter) {
    const int n = GetMenuItemCount(menu);
    for (int i = 0; i < n; ++i) {
        if (!Choosable(ItemFlags(menu, i))) continue;
        if (!letter || Lower(Mnemonic(ItemText(menu, i))) == Lower(letter)) return i;
    }
    return -1;
}

void CancelMenuLoop() {
    if (t_tracker) t_tracker->Cancel();
}

void RegisterMenuClasses() {
    WNDCLASSW wc{};
    wc.style = CS_SAVEBITS;
    wc.lpfnWndProc = PopupProc;
    wc.lpszClassName = kPopupClass;
    ce::user::RegisterBuiltinClass(wc);
}

}  // namespace ce::comctl

using namespace ce::comctl;

BOOL DestroyMenu(HMENU hMenu) {
    std::lock_guard lock(Mu());
    auto data = ce::res::GetMenuData(hMenu);
    if (!data) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    for (auto it = Subs().begin(); it != Subs().end();) it = it->second.root == data ? Subs().erase(it) : std::next(it);
    return ce::res::FreeMenuData(hMenu);
}

HMENU GetSubMenu(HMENU hMenu, int nPos) {
    std::lock_guard lock(Mu());
    std::vector<MenuItem>* items = ItemsLocked(hMenu);
    if (!items || nPos < 0 || static_cast<size_t>(nPos) >= items->size()) return nullptr;
    MenuItem& item = (*items)[static_cast<size_t>(nPos)];
    if (!(item.flags & MF_POPUP)) return nullptr;
    auto h = reinterpret_cast<HMENU>(&item.children);
    Subs()[h] = SubMenu{RootLocked(hMenu), &item.children};
    return h;
}

int GetMenuItemCount(HMENU hMenu) {
    std::lock_guard lock(Mu());
    std::vector<MenuItem>* items = ItemsLocked(hMenu);
    if (!items) {
        SetLastError(ERROR_INVALID_HANDLE);
        return -1;
    }
    return static_cast<int>(items->size());
}

UINT GetMenuItemID(HMENU hMenu, int nPos) {
    std::lock_guard lock(Mu());
    MenuItem* item = nPos < 0 ? nullptr : FindLocked(hMenu, static_cast<UINT>(nPos), MF_BYPOSITION);
    if (!item || (item->flags & MF_POPUP)) return static_cast<UINT>(-1);
    return item->id;
}

UINT GetMenuState(HMENU hMenu, UINT uId, UINT uFlags) {
    std::lock_guard lock(Mu());
    MenuItem* item = FindLocked(hMenu, uId, uFlags);
    if (!item) return static_cast<UINT>(-1);
    UINT state = item->flags & 0xFFFF;
    if (item->flags & MF_POPUP) state |= static_cast<UINT>(std::min<size_t>(item->children.size(), 0xFF)) << 8;
    return state;
}

int GetMenuString(HMENU hMenu, UINT uIDItem, LPWSTR lpString, int nMaxCount, UINT uFlag) {
    std::lock_guard lock(Mu());
    MenuItem* item = FindLocked(hMenu, uIDItem, uFlag);
    if (!item) return 0;
    const int len = static_cast<int>(item->text.size());
    if (!lpString || nMaxCount <= 0) return len;
    const int n = std::min(len, nMaxCount - 1);
    std::copy_n(item->text.data(), n, lpString);
    lpString[n] = 0;
    return n;
}

UINT EnableMenuItem(HMENU hMenu, UINT uIDEnableItem, UINT uEnable) {
    std::lock_guard lock(Mu());
    MenuItem* item = FindLocked(hMenu, uIDEnableItem, uEnable);
    if (!item) return static_cast<UINT>(-1);
    const UINT mask = MF_GRAYED | MF_DISABLED;
    UINT old = item->flags & mask;
    item->flags = (item->flags & ~mask) | (uEnable & mask);
    return old;
}

BOOL GetMenuItemRect(HWND hWnd, HMENU hMenu, UINT uItem, LPRECT lprcItem) {
    if (!lprcItem) return FALSE;
    auto ask = [&](HWND w) { return SendMessage(w, kMnGetItemRect, uItem, reinterpret_cast<LPARAM>(lprcItem)) != 0; };
    if (hWnd) {
        if (!IsWindow(hWnd)) return FALSE;
        HMENU shown = reinterpret_cast<HMENU>(SendMessage(hWnd, MN_GETHMENU, 0, 0));
        if (shown && shown != hMenu) return FALSE;
        return ask(hWnd);
    }
    // Any open drop-down menu showing hMenu.
    for (HWND w = GetWindow(GetDesktopWindow(), GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
        WCHAR cls[16] = {};
        GetClassName(w, cls, 16);
        if (std::u16string_view(cls) != kPopupClass) continue;
        if (reinterpret_cast<HMENU>(SendMessage(w, MN_GETHMENU, 0, 0)) == hMenu) return ask(w);
    }
    return FALSE;
}

BOOL TrackPopupMenuEx(HMENU hMenu, UINT uFlags, int x, int y, HWND hWnd, LPTPMPARAMS) {
    if (!IsWindow(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (GetMenuItemCount(hMenu) < 0) return FALSE;
    Tracker t(hWnd, nullptr, nullptr, !(uFlags & TPM_NONOTIFY));
    if (!t.OpenAt(hMenu, POINT{x, y}, uFlags)) return FALSE;
    const bool stylusDown = GetKeyState(VK_LBUTTON) < 0;
    if (stylusDown) t.Held();
    UINT id = t.Run(stylusDown);
    if (uFlags & TPM_RETURNCMD) return static_cast<BOOL>(id);
    if (id) PostMessage(hWnd, WM_COMMAND, MAKEWPARAM(id, 0), 0);
    return id ? TRUE : FALSE;
}
