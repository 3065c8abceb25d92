#include "ce_comctl.h"

namespace ce::comctl {

void RegisterMenuClasses() {}

}  // namespace ce::comctl
