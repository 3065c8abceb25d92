#include "ce_drivers.h"
