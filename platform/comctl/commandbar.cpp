#include "ce_comctl.h"

namespace ce::comctl {

void RegisterCommandBarClass() {}

}  // namespace ce::comctl
