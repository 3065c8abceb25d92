// Registration of the control classes, and what the controls share.
#include <mutex>

#include "ce_comctl.h"

namespace ce::comctl {

int FontHeight(HWND h, HFONT font, int fallback) {
    HDC dc = GetDC(h);
    if (!dc) return fallback;
    HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    TEXTMETRICW tm{};
    int height = GetTextMetrics(dc, &tm) && tm.tmHeight > 0 ? static_cast<int>(tm.tmHeight) : fallback;
    if (old) SelectObject(dc, old);
    ReleaseDC(h, dc);
    return height;
}

void RegisterControls() {
    static std::once_flag once;
    std::call_once(once, [] {
        ce::user::RegisterDialogClass();
        RegisterButtonClass();
        RegisterStaticClass();
        RegisterComboBoxClass();
        RegisterProgressClass();
        RegisterEditClass();
        RegisterScrollBarClass();
        RegisterTreeViewClass();
        RegisterListViewClass();
        RegisterHeaderClass();
        RegisterMenuClasses();
        RegisterCommandBarClass();
        RegisterFileDialogClasses();
    });
}

}  // namespace ce::comctl
