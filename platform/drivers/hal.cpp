// The HAL (device restart) and the installation of every simulated driver.
#include <unistd.h>

#include <cstdio>
#include <mutex>
#include <nlohmann/json.hpp>

#include "ce_drivers.h"

namespace ce {

namespace {

std::mutex g_halMutex;
std::function<void()> g_restartHandler;

}  // namespace

void SetRestartHandler(std::function<void()> handler) {
    std::lock_guard lock(g_halMutex);
    g_restartHandler = std::move(handler);
}

namespace hw {

void InstallPanelDriver();
void InstallI2cDriver();
void InstallBacklightDriver();
void UninstallBacklightDriver();
void InstallDisplayDriver();
void InstallTouchDriver();
void UninstallTouchDriver();

void InstallDrivers() {
    // The EEPROM always exists on the board; device.conf can set its MAC.
    CheckHardwareFiles(Image().config.Get("eeprom.mac", ""));

    InstallPanelDriver();
    InstallI2cDriver();
    InstallBacklightDriver();
    InstallDisplayDriver();
    InstallTouchDriver();
}

void UninstallDrivers() {
    UnregisterAllDevices();
    UninstallBacklightDriver();
    UninstallTouchDriver();
}

}  // namespace hw
}  // namespace ce

using namespace ce;

BOOL KernelIoControl(DWORD dwIoControlCode, LPVOID, DWORD, LPVOID, DWORD, LPDWORD) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%x", static_cast<unsigned>(dwIoControlCode));
    Json fields = {{"dev", "HAL"}, {"ioctl", code}};
    if (dwIoControlCode != IOCTL_HAL_REBOOT) {
        fields["error"] = ERROR_NOT_SUPPORTED;
        LogDevice(fields);
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    fields["request"] = "reboot";
    LogDevice(fields);
    std::function<void()> handler;
    {
        std::lock_guard lock(g_halMutex);
        handler = g_restartHandler;
    }
    if (handler) {
        handler();
        return TRUE;
    }
    // The device goes down at once: nothing after the request runs.
    std::printf("device restart\n");
    std::fflush(nullptr);
    _exit(3);
}
