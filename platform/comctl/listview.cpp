#include "ce_comctl.h"

namespace ce::comctl {

void RegisterListViewClass() {}

}  // namespace ce::comctl
