#include "userdesktop.h"

namespace ce::user {

void RegisterMenuInspectors() {}

}  // namespace ce::user
