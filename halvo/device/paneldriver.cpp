// Requests to the panel driver and the I2C bus. Each request opens its
// device, issues its control call and closes the device again; no handle or
// buffer lives on between calls, so they may run on any thread.
#include "paneldriver.h"

#include <string.h>

static HANDLE OpenDevice(LPCWSTR pszName) {
    return CreateFile(pszName, GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
}

// Sends one input record to the panel driver; 0 when it cannot be opened.
// The result of the control call itself is not looked at.
static int SendToPanel(DWORD dwCode, LPVOID pRecord, DWORD cbRecord) {
    HANDLE hDev = OpenDevice(_T("EPI1:"));
    if (hDev == INVALID_HANDLE_VALUE) return 0;
    DWORD dwReturned = 0;
    DeviceIoControl(hDev, dwCode, pRecord, cbRecord, NULL, 0, &dwReturned, NULL);
    CloseHandle(hDev);
    return 1;
}

int SetSerialMode(DWORD dwMode, DWORD dwPort) {
    EPI_SERIAL_MODE mode = {dwMode, dwPort};
    return SendToPanel(IOCTL_EPI_SET_SERIAL_MODE, &mode, sizeof(mode));
}

int GetSerialMode(DWORD* pdwMode, DWORD dwPort) {
    HANDLE hDev = OpenDevice(_T("EPI1:"));
    if (hDev == INVALID_HANDLE_VALUE) return 0;
    EPI_SERIAL_MODE mode = {SERIAL_MODE_NONE, dwPort};
    DWORD dwReturned = 0;
    DeviceIoControl(hDev, IOCTL_EPI_GET_SERIAL_MODE, NULL, 0, &mode, sizeof(mode), &dwReturned, NULL);
    CloseHandle(hDev);
    *pdwMode = mode.dwMode;
    return 1;
}

int StepBrightness(DWORD dwDirection, DWORD dwSteps) {
    EPI_BRIGHTNESS_STEP step = {dwDirection, dwSteps};
    return SendToPanel(IOCTL_EPI_STEP_BRIGHTNESS, &step, sizeof(step));
}

int OpenI2C(HANDLE* phI2C) {
    HANDLE hDev = OpenDevice(_T("I2C0:"));
    if (hDev == INVALID_HANDLE_VALUE) {
        *phI2C = NULL;
        return 0;
    }
    *phI2C = hDev;
    return 1;
}

int ReadI2CBytes(HANDLE hI2C, DWORD dwOffset, BYTE* pBuffer, DWORD dwCount) {
    if (hI2C == NULL) return 0;
    for (DWORD i = 0; i < dwCount; i++) {
        // One transaction per byte: the cell address, then one byte back.
        BYTE bCell = (BYTE)((dwOffset + i) & 0xFF);
        I2C_TRANSFER xfer;
        xfer.dwAddress = EEPROM_I2C_ADDRESS;
        xfer.dwSendBuffer = MapCallerBuffer32(&bCell, 1);
        xfer.dwSendCount = 1;
        xfer.dwReceiveBuffer = MapCallerBuffer32(&pBuffer[i], 1);
        xfer.dwReceiveCount = 1;
        xfer.dwClock = I2C_CLOCK_HZ;
        DeviceIoControl(hI2C, IOCTL_I2C_READ, &xfer, sizeof(xfer), NULL, 0, NULL, NULL);
    }
    return 1;
}

int ReadMacAddress(BYTE* pMac) {
    // A transfer that fails leaves its byte at 0 rather than at whatever the
    // caller's buffer held.
    memset(pMac, 0, 6);
    HANDLE hI2C;
    if (!OpenI2C(&hI2C)) return 0;
    ReadI2CBytes(hI2C, EEPROM_MAC_OFFSET, pMac, 6);
    CloseHandle(hI2C);
    return 1;
}
