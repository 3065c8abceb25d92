// The commands of cereg: export, import, get, set and delete on the
// registry of a device image, through the device's Win32 registry API.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace cereg {

enum ExitStatus {
    kExitOk = 0,
    kExitNotFound = 1,  // the key or value does not exist
    kExitUsage = 2,     // bad arguments, bad import file, unusable image
};

// Runs one command line (the arguments after the program name). Results go
// to `out`; a failure prints one line "cereg: ..." to `err`.
int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace cereg
