// cereg: the command-line tool for the registry of an emulated device image.
#include <iostream>
#include <string>
#include <vector>

#include "commands.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    int status = cereg::Run(args, std::cout, std::cerr);
    std::cout.flush();
    if (!std::cout) {
        std::cerr << "cereg: cannot write the output\n";
        return cereg::kExitUsage;
    }
    return status;
}
