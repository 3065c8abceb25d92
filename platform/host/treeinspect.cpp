#include "userdesktop.h"

namespace ce::user {

void RegisterTreeInspectors() {}

}  // namespace ce::user
