#include "programmain.h"

#include "ce_comctl.h"
#include "ce_drivers.h"
#include "ce_user.h"
#include "userdesktop.h"

namespace ce::host {

int RunProgram(int argc, char** argv, ProgramEntry entry) {
    HostHooks hooks;
    hooks.makeDesktop = [] { return ce::user::MakeDesktop(); };
    hooks.rotation = [] { return ce::hw::DisplayRotation(); };
    hooks.restartWindowSystem = [] { ce::user::ResetForRestart(); };
    return Run(
        argc, argv,
        [entry] {
            ce::comctl::RegisterControls();
            return entry();
        },
        hooks);
}

}  // namespace ce::host
