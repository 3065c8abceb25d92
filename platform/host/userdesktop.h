// The window system's side of the emulator host (ce::host::Desktop).
#pragma once

#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "ce_kernel.h"
#include "device.h"
#include "winuser.h"

namespace ce::user {

// What a control class adds to the host's view of its windows: a finder for
// texts it shows that are not its window text (tree items, list cells, menu
// items, combo-box entries) and the extra fields of its dump entry. Both are
// called from the host's thread while the program is idle.
struct ClassInspector {
    // Screen point of the centre of the item showing `text`; false if none.
    std::function<bool(HWND, std::u16string_view text, POINT& screenPt)> findText;
    // Adds the class's members to the window's dump entry, e.g.
    // entry["checked"] = true.
    std::function<void(HWND, Json& entry)> dumpFields;
};
void RegisterClassInspector(std::u16string_view className, ClassInspector inspector);
// The inspectors of the standard controls (buttons, progress bars, combo
// boxes); MakeDesktop registers them.
void RegisterControlInspectors();
// Tree views, list views, and menus (menu bars and open drop-down menus).
void RegisterTreeInspectors();
void RegisterListInspectors();
void RegisterMenuInspectors();
// The file dialog's list of folders and files.
void RegisterFileDialogInspectors();

// A rectangle as dumps write it: [left,top,right,bottom].
Json JsonRect(const RECT& r);

std::unique_ptr<host::Desktop> MakeDesktop();

}  // namespace ce::user
