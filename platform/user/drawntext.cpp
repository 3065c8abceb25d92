// The text each window drew in its last paint. A window that draws its text
// itself (DrawText, ExtTextOut in WM_PAINT) shows it as surely as a static
// control shows its window text; the host finds and lists both.
//
// Own lock, taken after State::mu when both are held (BeginPaint, the
// caption drawn under State::mu, the host's snapshots).
#include <map>
#include <mutex>

#include "ce_gdi.h"
#include "user_internal.h"

namespace ce::user {

namespace {

struct Drawn {
    std::mutex mu;
    std::map<HDC, HWND> paintDcs;  // DCs from BeginPaint not yet released
    std::map<HWND, std::vector<DrawnText>> texts;
};

Drawn& D() {
    static Drawn& d = *new Drawn;
    return d;
}

void OnTextDrawn(HDC dc, std::u16string_view text, const RECT& cell) {
    std::lock_guard lock(D().mu);
    auto it = D().paintDcs.find(dc);
    if (it == D().paintDcs.end()) return;
    auto& list = D().texts[it->second];
    if (list.size() < 256) list.push_back({std::u16string(text), cell});  // bounded: a paint that draws without end
}

}  // namespace

void BeginDrawnText(HWND h, HDC paintDc) {
    static std::once_flag once;
    std::call_once(once, [] { ce::gdi::SetTextDrawnHook(&OnTextDrawn); });
    std::lock_guard lock(D().mu);
    D().texts.erase(h);
    if (paintDc) D().paintDcs[paintDc] = h;
}

void EndDrawnText(HDC dc) {
    std::lock_guard lock(D().mu);
    D().paintDcs.erase(dc);
}

void ForgetDrawnText(HWND h) {
    std::lock_guard lock(D().mu);
    D().texts.erase(h);
}

std::vector<DrawnText> DrawnTexts(HWND h) {
    std::lock_guard lock(D().mu);
    auto it = D().texts.find(h);
    return it == D().texts.end() ? std::vector<DrawnText>{} : it->second;
}

}  // namespace ce::user
