// The window system's side of the touch screen.
#pragma once

#include "windows.h"

namespace ce::user {

// The calibration screen behind coredll's TouchCalibrate (touchcal.cpp), run
// on the calling thread with its own message loop: TRUE when a new
// calibration was accepted and the touch driver stored it.
BOOL RunTouchCalibration();

}  // namespace ce::user
