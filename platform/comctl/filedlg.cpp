#include "ce_comctl.h"

namespace ce::comctl {

void RegisterFileDialogClasses() {}

}  // namespace ce::comctl
