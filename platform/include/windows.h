// The device's Win32 API, as programs include it.
#pragma once

#include "windef.h"
#include "winbase.h"
#include "winreg.h"
#include "winioctl.h"
#include "wincrt.h"
#include "wingdi.h"
#include "winuser.h"
#include "winres.h"
