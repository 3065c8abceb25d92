#include "commctrl.h"
