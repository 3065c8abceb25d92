// What the host's view shows of the standard controls: the check of check
// boxes and radio buttons, the position and range of progress bars, the
// entries, selection and text of combo boxes, and the entries of an open
// drop-down list as texts a script can tap.
//
// The host's thread asks the controls by message (their own thread answers
// while the program is idle), never by reading their state behind them.
#include <string>

#include "ce_kernel.h"
#include "commctrl.h"
#include "userdesktop.h"

namespace ce::user {

namespace {

void ButtonFields(HWND h, Json& entry) {
    UINT type = static_cast<UINT>(GetWindowLong(h, GWL_STYLE) & BS_TYPEMASK);
    switch (type) {
        case BS_CHECKBOX:
        case BS_AUTOCHECKBOX:
        case BS_3STATE:
        case BS_AUTO3STATE:
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON:
            entry["checked"] = SendMessage(h, BM_GETCHECK, 0, 0) == BST_CHECKED;
            return;
        default:
            return;
    }
}

void ProgressFields(HWND h, Json& entry) {
    entry["pos"] = SendMessage(h, PBM_GETPOS, 0, 0);
    entry["min"] = SendMessage(h, PBM_GETRANGE, TRUE, 0);
    entry["max"] = SendMessage(h, PBM_GETRANGE, FALSE, 0);
}

std::u16string Entry(HWND h, int i) {
    auto n = SendMessage(h, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
    if (n < 0) return {};
    std::u16string s(static_cast<size_t>(n) + 1, u'\0');
    auto got = SendMessage(h, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(s.data()));
    s.resize(got < 0 ? 0 : std::min(static_cast<size_t>(got), static_cast<size_t>(n)));
    return s;
}

void ComboFields(HWND h, Json& entry) {
    Json items = Json::array();
    auto count = SendMessage(h, CB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; ++i) items.push_back(ToUtf8(Entry(h, i)));
    entry["items"] = std::move(items);
    entry["sel"] = SendMessage(h, CB_GETCURSEL, 0, 0);
    auto n = SendMessage(h, WM_GETTEXTLENGTH, 0, 0);
    std::u16string text(static_cast<size_t>(n > 0 ? n : 0) + 1, u'\0');
    auto got = SendMessage(h, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(got > 0 ? std::min(static_cast<size_t>(got), text.size() - 1) : 0);
    entry["text"] = ToUtf8(text);
}

// A status bar: whether it shows its simple text, and every part's text
// (the simple text apart). What it shows is found as its parts' texts (or a
// tab-separated piece of one).
std::u16string StatusText(HWND h, WPARAM part) {
    auto n = LOWORD(SendMessage(h, SB_GETTEXTLENGTH, part, 0));
    std::u16string s(static_cast<size_t>(n) + 1, u'\0');
    SendMessage(h, SB_GETTEXT, part, reinterpret_cast<LPARAM>(s.data()));
    s.resize(n);
    return s;
}

void StatusFields(HWND h, Json& entry) {
    entry["simple"] = SendMessage(h, SB_ISSIMPLE, 0, 0) != 0;
    Json parts = Json::array();
    auto count = SendMessage(h, SB_GETPARTS, 0, 0);
    for (int i = 0; i < count; ++i) parts.push_back(ToUtf8(StatusText(h, static_cast<WPARAM>(i))));
    entry["parts"] = std::move(parts);
    entry["simple_text"] = ToUtf8(StatusText(h, SB_SIMPLEID));
}

bool FindStatusText(HWND h, std::u16string_view text, POINT& pt) {
    const bool simple = SendMessage(h, SB_ISSIMPLE, 0, 0) != 0;
    const auto parts = simple ? 1 : SendMessage(h, SB_GETPARTS, 0, 0);
    for (int i = 0; i < parts; ++i) {
        std::u16string shown = StatusText(h, simple ? SB_SIMPLEID : static_cast<WPARAM>(i));
        bool found = shown == text;
        for (size_t at = 0; !found && at <= shown.size();) {
            size_t tab = shown.find(u'\t', at);
            found = std::u16string_view(shown).substr(at, tab == shown.npos ? shown.npos : tab - at) == text;
            at = tab == shown.npos ? shown.size() + 1 : tab + 1;
        }
        RECT r{};
        if (!found || !SendMessage(h, SB_GETRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r))) continue;
        pt = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        ClientToScreen(h, &pt);
        return true;
    }
    return false;
}

// The centre of the entry showing `text` in the box's open list.
bool FindComboEntry(HWND h, std::u16string_view text, POINT& pt) {
    if (!h || !SendMessage(h, CB_GETDROPPEDSTATE, 0, 0)) return false;
    RECT list{};
    if (SendMessage(h, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&list)) != TRUE) return false;
    auto itemHeight = SendMessage(h, CB_GETITEMHEIGHT, 0, 0);
    if (itemHeight <= 0) return false;
    auto count = SendMessage(h, CB_GETCOUNT, 0, 0);
    auto top = SendMessage(h, CB_GETTOPINDEX, 0, 0);
    auto rows = (list.bottom - list.top - 2) / itemHeight;
    for (auto i = top; i < count && i < top + rows; ++i) {
        if (Entry(h, static_cast<int>(i)) != text) continue;
        // Left of the scroll strip a long list has at its right.
        pt.x = list.left + 1 + (list.right - list.left - 2 - GetSystemMetrics(SM_CXVSCROLL)) / 2;
        pt.y = static_cast<LONG>(list.top + 1 + (i - top) * itemHeight + itemHeight / 2);
        return true;
    }
    return false;
}

}  // namespace

void RegisterControlInspectors() {
    RegisterTreeInspectors();
    RegisterListInspectors();
    RegisterMenuInspectors();
    RegisterFileDialogInspectors();
    RegisterClassInspector(u"Button", {nullptr, ButtonFields});
    RegisterClassInspector(PROGRESS_CLASS, {nullptr, ProgressFields});
    RegisterClassInspector(STATUSCLASSNAME, {FindStatusText, StatusFields});
    RegisterClassInspector(u"ComboBox", {FindComboEntry, ComboFields});
    // The drop-down list lies above everything: its entries are found
    // through the box it belongs to.
    RegisterClassInspector(u"ComboLBox", {[](HWND list, std::u16string_view text, POINT& pt) {
                                              auto box = reinterpret_cast<HWND>(GetWindowLong(list, GWL_USERDATA));
                                              return FindComboEntry(box, text, pt);
                                          },
                                          nullptr});
}

}  // namespace ce::user
