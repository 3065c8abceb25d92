// What the host's view shows of the file dialog's list: its rows as texts a
// script can tap, and the rows, selection and top row in the dump.
//
// The list answers list-box messages with their Win32 numbers (see
// platform/comctl/filelist.h); the host's thread asks it by message.
#include <algorithm>
#include <string>

#include "ce_kernel.h"
#include "userdesktop.h"

namespace ce::user {

namespace {

std::u16string Row(HWND h, LRESULT i) {
    auto n = SendMessage(h, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
    if (n < 0) return {};
    std::u16string s(static_cast<size_t>(n) + 1, u'\0');
    auto got = SendMessage(h, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(s.data()));
    s.resize(got < 0 ? 0 : std::min(static_cast<size_t>(got), static_cast<size_t>(n)));
    return s;
}

// The centre of the first visible row showing `text`.
bool FindRow(HWND h, std::u16string_view text, POINT& pt) {
    RECT client{};
    GetClientRect(h, &client);
    auto count = SendMessage(h, LB_GETCOUNT, 0, 0);
    for (auto i = SendMessage(h, LB_GETTOPINDEX, 0, 0); i >= 0 && i < count; ++i) {
        RECT r{};
        if (SendMessage(h, LB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r)) != TRUE) break;
        if (r.top >= client.bottom) break;
        if (Row(h, i) != text) continue;
        // Only the part of the row inside the list can be tapped.
        if (r.bottom > client.bottom) r.bottom = client.bottom;
        pt = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        ClientToScreen(h, &pt);
        return true;
    }
    return false;
}

void RowFields(HWND h, Json& entry) {
    Json rows = Json::array();
    auto count = SendMessage(h, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        bool folder = SendMessage(h, LB_GETITEMDATA, static_cast<WPARAM>(i), 0) == 1;
        rows.push_back({{"text", ToUtf8(Row(h, i))}, {"folder", folder}});
    }
    entry["rows"] = std::move(rows);
    entry["sel"] = SendMessage(h, LB_GETCURSEL, 0, 0);
    entry["top"] = SendMessage(h, LB_GETTOPINDEX, 0, 0);
}

}  // namespace

void RegisterFileDialogInspectors() {
    RegisterClassInspector(u"FileDlgList", {FindRow, RowFields});
}

}  // namespace ce::user
