#include "programmain.h"

#include "ce_comctl.h"
#include "userdesktop.h"

namespace ce::host {

int RunProgram(int argc, char** argv, ProgramEntry entry) {
    HostHooks hooks;
    hooks.makeDesktop = [] { return ce::user::MakeDesktop(); };
    return Run(argc, argv, [entry] {
        ce::comctl::RegisterControls();
        return entry();
    }, hooks);
}

}  // namespace ce::host
