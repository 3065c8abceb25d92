// Registration of the control classes.
#include <mutex>

#include "ce_comctl.h"

namespace ce::comctl {

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
