// Requests to the panel driver "EPI1:" and the I2C bus "I2C0:".
#pragma once

#include <tchar.h>
#include <windows.h>

// Control codes: device type 4, buffered, any access.
#define FILE_DEVICE_EPI 4
#define IOCTL_EPI_SET_SERIAL_MODE CTL_CODE(FILE_DEVICE_EPI, 1, METHOD_BUFFERED, FILE_ANY_ACCESS)
#define IOCTL_EPI_GET_SERIAL_MODE CTL_CODE(FILE_DEVICE_EPI, 2, METHOD_BUFFERED, FILE_ANY_ACCESS)
#define IOCTL_I2C_READ CTL_CODE(FILE_DEVICE_EPI, 3, METHOD_BUFFERED, FILE_ANY_ACCESS)
#define IOCTL_EPI_STEP_BRIGHTNESS CTL_CODE(FILE_DEVICE_EPI, 4, METHOD_BUFFERED, FILE_ANY_ACCESS)

// Serial modes, in the order of the serial dialog's radio buttons.
#define SERIAL_MODE_RS232 0
#define SERIAL_MODE_RS485 1
#define SERIAL_MODE_RS422 2
#define SERIAL_MODE_NONE 3  // sent with the get request; left there by a driver that does not answer

#define BRIGHTNESS_DARKER 0
#define BRIGHTNESS_BRIGHTER 1

#define EEPROM_I2C_ADDRESS 0xA0
#define EEPROM_MAC_OFFSET 44
#define I2C_CLOCK_HZ 400000

// Every record is made of 32-bit little-endian fields, as on the device.
typedef struct _EPI_SERIAL_MODE {
    DWORD dwMode;
    DWORD dwPort;
} EPI_SERIAL_MODE;

typedef struct _EPI_BRIGHTNESS_STEP {
    DWORD dwDirection;
    DWORD dwSteps;
} EPI_BRIGHTNESS_STEP;

// One combined I2C transaction: send, then receive. The buffer fields are
// 32-bit buffer references (MapCallerBuffer32), the width the driver expects.
typedef struct _I2C_TRANSFER {
    DWORD dwAddress;
    DWORD dwSendBuffer;
    DWORD dwSendCount;
    DWORD dwReceiveBuffer;
    DWORD dwReceiveCount;
    DWORD dwClock;
} I2C_TRANSFER;

static_assert(sizeof(EPI_SERIAL_MODE) == 8, "serial-mode record is 8 bytes");
static_assert(sizeof(EPI_BRIGHTNESS_STEP) == 8, "brightness-step record is 8 bytes");
static_assert(sizeof(I2C_TRANSFER) == 24, "I2C transfer record is 24 bytes");

// Each returns 1 when the device could be opened, else 0.
int SetSerialMode(DWORD dwMode, DWORD dwPort);
int GetSerialMode(DWORD* pdwMode, DWORD dwPort);
int StepBrightness(DWORD dwDirection, DWORD dwSteps);
int OpenI2C(HANDLE* phI2C);
int ReadI2CBytes(HANDLE hI2C, DWORD dwOffset, BYTE* pBuffer, DWORD dwCount);
int ReadMacAddress(BYTE* pMac);
