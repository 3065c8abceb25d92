// Text macros: the device is always Unicode, so TCHAR is WCHAR.
#pragma once

#include "windef.h"
#include "wincrt.h"

#define _T(s) u##s
#define _TEXT(s) u##s
