// The one recorder of what host windows hear from their controls: WM_COMMAND,
// WM_NOTIFY (with the fields of the tree view's NMTREEVIEW and the list
// view's NMLISTVIEW copied while the structure lives), WM_CONTEXTMENU and
// whatever else a test's own window procedure passes to Record, in order.
// RecordingProc is a host window procedure that records the first three and
// answers WM_NOTIFY with OnNotify.
#pragma once

#include <functional>
#include <string_view>
#include <vector>

#include "commctrl.h"

namespace ce::test {

struct Heard {
    HWND hwnd;  // the window that heard it
    UINT msg;
    WPARAM wp;
    LPARAM lp;
    UINT extra = 0;  // what the recording procedure adds (WM_DRAWITEM: itemAction << 16 | itemState)
    // WM_COMMAND: HIWORD(wParam) and LOWORD(wParam); WM_NOTIFY: the header's code and idFrom.
    UINT code = 0;
    UINT id = 0;
    HWND from = nullptr;  // the control (WM_CONTEXTMENU: the window pressed on)
    POINT pt{};           // WM_CONTEXTMENU: the screen point
    // A tree view's NMTREEVIEW.
    UINT action = 0;
    HTREEITEM oldItem = nullptr, newItem = nullptr;
    LPARAM oldParam = 0, newParam = 0;
    // A list view's NMLISTVIEW.
    int item = -1, sub = 0;
    UINT newState = 0, oldState = 0;
    LPARAM lParam = 0;
};

inline std::vector<Heard>& Log() {
    static std::vector<Heard> log;
    return log;
}
// Called for every WM_NOTIFY RecordingProc records; its result is answered.
inline std::function<LRESULT(const NMHDR*)>& OnNotify() {
    static std::function<LRESULT(const NMHDR*)> f;
    return f;
}
inline void ClearLog() {
    Log().clear();
    OnNotify() = nullptr;
}

// What was heard that `keep` keeps, in order.
inline std::vector<Heard> Heards(const std::function<bool(const Heard&)>& keep) {
    std::vector<Heard> out;
    for (auto& h : Log())
        if (keep(h)) out.push_back(h);
    return out;
}
inline std::vector<Heard> Only(UINT msg) {
    return Heards([msg](const Heard& h) { return h.msg == msg; });
}
// The WM_NOTIFY messages of one code.
inline std::vector<Heard> NotesOf(UINT code) {
    return Heards([code](const Heard& h) { return h.msg == WM_NOTIFY && h.code == code; });
}
// The codes of the WM_NOTIFY messages, in order.
inline std::vector<UINT> NoteCodes() {
    std::vector<UINT> out;
    for (auto& h : Only(WM_NOTIFY)) out.push_back(h.code);
    return out;
}

namespace detail {
inline bool IsClass(HWND h, std::u16string_view cls) {
    WCHAR name[32] = {};
    return GetClassName(h, name, 32) && std::u16string_view(name) == cls;
}
}  // namespace detail

inline void Record(HWND h, UINT m, WPARAM wp, LPARAM lp, UINT extra = 0) {
    Heard e{h, m, wp, lp, extra};
    if (m == WM_COMMAND) {
        e.code = HIWORD(wp);
        e.id = LOWORD(wp);
        e.from = reinterpret_cast<HWND>(lp);
    } else if (m == WM_CONTEXTMENU) {
        e.from = reinterpret_cast<HWND>(wp);
        e.pt = {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    } else if (m == WM_NOTIFY) {
        auto* hdr = reinterpret_cast<const NMHDR*>(lp);
        e.code = hdr->code;
        e.id = static_cast<UINT>(hdr->idFrom);
        e.from = hdr->hwndFrom;
        // These come with a plain NMHDR (or a smaller structure): only the
        // header may be read.
        bool headerOnly = e.code == NM_CLICK || e.code == NM_DBLCLK || e.code == NM_RCLICK || e.code == NM_SETFOCUS ||
                          e.code == NM_KILLFOCUS || e.code == TVN_KEYDOWN;
        if (detail::IsClass(hdr->hwndFrom, WC_TREEVIEWW) && !headerOnly) {
            auto* nm = reinterpret_cast<const NMTREEVIEWW*>(lp);
            e.action = nm->action;
            e.oldItem = nm->itemOld.hItem;
            e.newItem = nm->itemNew.hItem;
            e.oldParam = nm->itemOld.lParam;
            e.newParam = nm->itemNew.lParam;
        } else if (detail::IsClass(hdr->hwndFrom, WC_LISTVIEWW)) {
            // Every list notification carries NMLISTVIEW (NMITEMACTIVATE starts with it).
            auto* nm = reinterpret_cast<const NMLISTVIEW*>(lp);
            e.item = nm->iItem;
            e.sub = nm->iSubItem;
            e.newState = nm->uNewState;
            e.oldState = nm->uOldState;
            e.lParam = nm->lParam;
        }
    }
    Log().push_back(e);
}

inline LRESULT CALLBACK RecordingProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    switch (m) {
        case WM_COMMAND:
            Record(h, m, wp, lp);
            return 0;
        case WM_NOTIFY:
            Record(h, m, wp, lp);
            return OnNotify() ? OnNotify()(reinterpret_cast<const NMHDR*>(lp)) : 0;
        case WM_CONTEXTMENU:
            Record(h, m, wp, lp);
            break;
        default:
            break;
    }
    return DefWindowProc(h, m, wp, lp);
}

}  // namespace ce::test
