#include "../shell/stdafx.h"
