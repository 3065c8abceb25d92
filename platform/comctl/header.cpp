#include "ce_comctl.h"

namespace ce::comctl {

void RegisterHeaderClass() {}

}  // namespace ce::comctl
