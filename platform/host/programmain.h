// What every program of the device needs before its entry runs: the
// system's controls, and the window system's side of the host.
#pragma once

#include "hostmain.h"

namespace ce::host {

// Runs `entry` as a program of the emulated device (see Run).
int RunProgram(int argc, char** argv, ProgramEntry entry);

}  // namespace ce::host
