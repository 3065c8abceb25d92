// What the host's view shows of tree views: the texts of the items on screen
// as things a script can tap, and the item tree in the dump (the children of
// expanded items only; a collapsed item lists none).
//
// The host's thread asks the control by message, never by reading its state.
#include <cstring>
#include <string>

#include "ce_kernel.h"
#include "commctrl.h"
#include "userdesktop.h"

namespace ce::user {

namespace {

constexpr int kTextMax = 1024;

struct ItemInfo {
    std::u16string text;
    UINT state = 0;
    int children = 0;
    int image = 0;
};

ItemInfo Read(HWND h, HTREEITEM item) {
    WCHAR buf[kTextMax] = {};
    TVITEMW tv{};
    tv.mask = TVIF_TEXT | TVIF_STATE | TVIF_CHILDREN | TVIF_IMAGE | TVIF_HANDLE;
    tv.hItem = item;
    tv.stateMask = 0xFFFF;
    tv.pszText = buf;
    tv.cchTextMax = kTextMax;
    ItemInfo info;
    if (!SendMessage(h, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv))) return info;
    info.text = buf;
    info.state = tv.state;
    info.children = tv.cChildren;
    info.image = tv.iImage;
    return info;
}

// The item's label in screen coordinates, when it lies inside the control's
// client area.
bool LabelOnScreen(HWND h, HTREEITEM item, RECT& r) {
    std::memcpy(&r, &item, sizeof item);
    if (!SendMessage(h, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&r))) return false;
    RECT client{};
    GetClientRect(h, &client);
    RECT shown{};
    if (!IntersectRect(&shown, &r, &client)) return false;
    POINT a{r.left, r.top}, b{r.right, r.bottom};
    ClientToScreen(h, &a);
    ClientToScreen(h, &b);
    r = RECT{a.x, a.y, b.x, b.y};
    return true;
}

bool FindItem(HWND h, std::u16string_view text, POINT& pt) {
    auto visible = SendMessage(h, TVM_GETVISIBLECOUNT, 0, 0);
    auto item = reinterpret_cast<HTREEITEM>(SendMessage(h, TVM_GETNEXTITEM, TVGN_FIRSTVISIBLE, 0));
    RECT client{};
    GetClientRect(h, &client);
    for (LRESULT n = 0; item && n <= visible; ++n) {
        if (Read(h, item).text == text) {
            RECT r{};
            std::memcpy(&r, &item, sizeof item);
            if (SendMessage(h, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&r))) {
                // Only the part of the label inside the control can be tapped.
                RECT shown{};
                if (IntersectRect(&shown, &r, &client)) {
                    pt = {(shown.left + shown.right) / 2, (shown.top + shown.bottom) / 2};
                    ClientToScreen(h, &pt);
                    return true;
                }
            }
        }
        item = reinterpret_cast<HTREEITEM>(
            SendMessage(h, TVM_GETNEXTITEM, TVGN_NEXTVISIBLE, reinterpret_cast<LPARAM>(item)));
    }
    return false;
}

Json Items(HWND h, HTREEITEM first, int depth) {
    Json out = Json::array();
    for (HTREEITEM item = first; item; item = reinterpret_cast<HTREEITEM>(SendMessage(
                                           h, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)))) {
        ItemInfo info = Read(h, item);
        RECT r{};
        Json rect = nullptr;
        if (LabelOnScreen(h, item, r)) rect = JsonRect(r);
        const bool expanded = (info.state & TVIS_EXPANDED) != 0;
        Json children = Json::array();
        if (expanded && depth < 64) {
            auto child = reinterpret_cast<HTREEITEM>(
                SendMessage(h, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item)));
            children = Items(h, child, depth + 1);
        }
        out.push_back({{"text", ToUtf8(info.text)},
                       {"rect", std::move(rect)},
                       {"selected", (info.state & TVIS_SELECTED) != 0},
                       {"expanded", expanded},
                       {"children_flag", info.children ? 1 : 0},
                       {"image", info.image},
                       {"children", std::move(children)}});
    }
    return out;
}

void TreeFields(HWND h, Json& entry) {
    auto root = reinterpret_cast<HTREEITEM>(SendMessage(h, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    entry["items"] = Items(h, root, 0);
}

}  // namespace

void RegisterTreeInspectors() {
    RegisterClassInspector(WC_TREEVIEWW, {FindItem, TreeFields});
}

}  // namespace ce::user
