#include "ce_comctl.h"

namespace ce::comctl {

void RegisterTreeViewClass() {}

}  // namespace ce::comctl
