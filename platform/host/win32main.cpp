// The entry of a plain Win32 program: the host calls its WinMain.
#include <windows.h>
#include <winuser.h>

#include "programmain.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPWSTR lpCmdLine, int nCmdShow);

int main(int argc, char** argv) {
    return ce::host::RunProgram(argc, argv, [] {
        // The device's programs get no command line.
        static WCHAR empty[1] = {0};
        return WinMain(GetModuleHandle(nullptr), nullptr, empty, SW_SHOW);
    });
}
