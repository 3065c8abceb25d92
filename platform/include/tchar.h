// Text macros: the device is always Unicode, so TCHAR is WCHAR.
#pragma once

#include "wincrt.h"
#include "windef.h"

#define _T(s) u##s
#define _TEXT(s) u##s
