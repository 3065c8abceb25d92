// The entry of a framework program: the host runs the application object.
#include <afxwin.h>

#include "programmain.h"

int main(int argc, char** argv) {
    return ce::host::RunProgram(argc, argv, [] { return AfxWinMain(); });
}
