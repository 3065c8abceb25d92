// Common includes of the control panel.
#pragma once

#include <afxwin.h>
#include <tchar.h>

#include "../res/resource.h"
