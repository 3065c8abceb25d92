#include "userdesktop.h"

namespace ce::user {

void RegisterListInspectors() {}

}  // namespace ce::user
