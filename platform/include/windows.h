// The device's Win32 API, as programs include it.
#pragma once

#include "winbase.h"
#include "wincrt.h"
#include "windef.h"
#include "wingdi.h"
#include "winioctl.h"
#include "winreg.h"
#include "winres.h"
#include "winuser.h"
