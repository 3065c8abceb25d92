#include "afxwin.h"
