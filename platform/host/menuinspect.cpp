// What the host's view shows of menus: the items of a command bar's menu bar
// and of open drop-down menus, as texts a script can tap and as dump fields.
//
// Everything goes through the menu API: item rectangles are asked of the
// window showing them (answered on the program's thread), item texts and
// states are read under the menus' own lock.
#include <string>

#include "ce_kernel.h"
#include "commctrl.h"
#include "userdesktop.h"

namespace ce::user {

namespace {

// "E&xit" shows "Exit"; "&&" shows "&"; the accelerator text after a tab is
// not part of what an item shows as its name.
std::u16string Shown(std::u16string_view s) {
    s = s.substr(0, s.find(u'\t'));
    std::u16string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == u'&' && i + 1 < s.size())
            ++i;
        else if (s[i] == u'&')
            continue;
        out += s[i];
    }
    return out;
}

std::u16string Text(HMENU menu, int i) {
    WCHAR buf[256] = {};
    GetMenuString(menu, static_cast<UINT>(i), buf, 256, MF_BYPOSITION);
    return buf;
}

// GetMenuState of an item that opens a sub-menu carries the sub-menu's item
// count in its high byte, which overlaps MF_SEPARATOR (0x800) from eight items
// on: only the low byte holds that item's flags.
bool IsSeparator(UINT state) {
    return state != static_cast<UINT>(-1) &&
           (state & MF_POPUP ? (state & 0xFF & MF_SEPARATOR) : (state & MF_SEPARATOR));
}

HMENU MenuOf(HWND h) {
    return reinterpret_cast<HMENU>(SendMessage(h, MN_GETHMENU, 0, 0));
}

bool FindItem(HWND h, std::u16string_view text, POINT& pt) {
    HMENU menu = MenuOf(h);
    int n = menu ? GetMenuItemCount(menu) : 0;
    for (int i = 0; i < n; ++i) {
        UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
        if (state == static_cast<UINT>(-1) || IsSeparator(state)) continue;
        if (Shown(Text(menu, i)) != text) continue;
        RECT r;
        if (!GetMenuItemRect(h, menu, static_cast<UINT>(i), &r)) return false;
        pt = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        return true;
    }
    return false;
}

void BarFields(HWND h, Json& entry) {
    HMENU menu = MenuOf(h);
    int n = menu ? GetMenuItemCount(menu) : 0;
    Json items = Json::array();
    for (int i = 0; i < n; ++i) {
        RECT r{};
        GetMenuItemRect(h, menu, static_cast<UINT>(i), &r);
        items.push_back({{"text", ToUtf8(Text(menu, i))}, {"rect", JsonRect(r)}});
    }
    entry["menubar"] = std::move(items);
}

void PopupFields(HWND h, Json& entry) {
    HMENU menu = MenuOf(h);
    int n = menu ? GetMenuItemCount(menu) : 0;
    Json items = Json::array();
    for (int i = 0; i < n; ++i) {
        UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
        if (state == static_cast<UINT>(-1)) state = 0;
        RECT r{};
        GetMenuItemRect(h, menu, static_cast<UINT>(i), &r);
        UINT id = GetMenuItemID(menu, i);
        items.push_back({{"text", ToUtf8(Text(menu, i))},
                         {"id", id == static_cast<UINT>(-1) ? 0 : id},
                         {"rect", JsonRect(r)},
                         {"popup", (state & MF_POPUP) != 0},
                         {"separator", IsSeparator(state)},
                         {"grayed", (state & (MF_GRAYED | MF_DISABLED)) != 0},
                         {"highlighted", (state & MF_HILITE) != 0}});
    }
    entry["items"] = std::move(items);
}

}  // namespace

void RegisterMenuInspectors() {
    RegisterClassInspector(u"CommandBar", {FindItem, BarFields});
    RegisterClassInspector(u"#32768", {FindItem, PopupFields});
}

}  // namespace ce::user
