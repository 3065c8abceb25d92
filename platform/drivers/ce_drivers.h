// Simulated hardware of the device: the panel driver "EPI1:", the I2C bus
// "I2C0:" with its configuration EEPROM, the backlight driver, the display
// driver and the HAL.
// Their state lives in the device image (DIR/hw/), so it survives a restart
// of the programs and is shared by every process of the image.
#pragma once

#include <array>
#include <chrono>
#include <functional>
#include <string>

#include "ce_kernel.h"
#include "touchcal.h"

namespace ce::hw {

// Hardware state (DIR/hw/state): "key = value" lines, updated under an
// exclusive lock of the image's hardware files. Every hardware file is
// replaced atomically (new file, sync, rename, sync of the folder) and only
// when its content changes.
std::string GetState(const std::string& key, const std::string& fallback);
void SetState(const std::string& key, const std::string& value);

constexpr size_t kEepromSize = 256;
constexpr size_t kEepromMacOffset = 44;
using Eeprom = std::array<BYTE, kEepromSize>;
bool ReadEeprom(Eeprom& out);
bool WriteEeprom(const Eeprom& data);
// At boot: makes a missing EEPROM (with the MAC address `macText`, or the
// factory one when that is empty), sets the MAC of device.conf, and reports a
// damaged EEPROM or state file on stderr and in the device log (the damaged
// content is kept as NAME.damaged; the EEPROM is made anew with the MAC).
void CheckHardwareFiles(const std::string& macText);
// "00-50-C2-12-34-56" -> 6 bytes; false when malformed.
bool ParseMac(const std::string& text, BYTE mac[6]);

// Creates missing hardware state (EEPROM with the MAC address of device.conf)
// and registers the drivers that device.conf leaves present.
void InstallDrivers();
void UninstallDrivers();

// ---- The display driver (display.cpp) ----
// The display's orientation in degrees (0, 90, 180, 270) as the display
// driver keeps it in the image; the host sizes the screen with it at boot.
int DisplayRotation();
// The orientation (DMDO_*) of the screen that now has `width` x `height`.
// A screen this driver did not leave (first use, or someone else set a mode)
// is the panel turned the stored way: its size at DMDO_0 is worked out.
DWORD DisplayOrientation(int width, int height);
// The screen size of the panel turned to `orientation`.
SIZE DisplaySize(DWORD orientation);
// The screen was turned to `orientation` and took `width` x `height`: the
// orientation is kept in the image for the next program.
void SetDisplayOrientation(DWORD orientation, int width, int height);
// device.conf "display.rotation = refuse": the display takes no new mode.
bool DisplayRotationRefused();
// Logs a request to turn the screen, its result and the size it left.
void LogDisplayChange(DWORD orientation, LONG result);

// The LCD's backlight (see backlight.cpp): its level 0..31 and whether it is
// lit. Asking lets the driver notice that the screen saver's time-out has
// passed without a touch (the light then goes off).
struct BacklightState {
    DWORD level = 21;
    bool lit = true;
};
BacklightState GetBacklight();
// A touch of the panel (or a key): restarts the time-out. True when the light
// was off: the touch turned it on and must not reach the programs.
bool BacklightTouch();
// The panel driver set a new brightness level.
void SetBacklightLevel(DWORD level);
// The clock the time-out runs on (tests move it by hand); null: the steady clock.
using BacklightClock = std::function<std::chrono::steady_clock::time_point()>;
void SetBacklightClock(BacklightClock clock);

// ---- The touch driver (touch.cpp) ----
// The screen point of a raw stylus point on a screen of the given size: the
// stored calibration applied; the raw point while a calibration runs or no
// touch driver is installed.
POINT CorrectTouchPoint(POINT raw, int screenWidth, int screenHeight);
// A calibration screen starts: false (logged, ERROR_BUSY) when one runs
// already. Until EndTouchCalibration the stylus goes uncorrected.
bool BeginTouchCalibration();
// How long the calibration screen waits for a tap, in milliseconds (0: no
// limit).
UINT TouchCalibrationTimeoutMs();
enum class CalibrationOutcome { Accepted, Cancelled, Timeout, Failed };
// The calibration screen ended after `points` confirmed taps (or could not be
// shown: Failed with the `error` of its window). An accepted `fit` is stored
// in the registry and used from now on; every end is logged. TRUE when the
// new calibration is stored.
BOOL EndTouchCalibration(CalibrationOutcome outcome, const TouchCalibration& fit, int points, DWORD error = 0);

// Driver records are little-endian 32-bit fields.
inline DWORD RecordField(const BYTE* record, size_t index) {
    const BYTE* f = record + index * 4;
    return DWORD{f[0]} | DWORD{f[1]} << 8 | DWORD{f[2]} << 16 | DWORD{f[3]} << 24;
}
inline void PutRecordField(BYTE* record, size_t index, DWORD value) {
    for (int i = 0; i < 4; ++i) record[index * 4 + i] = static_cast<BYTE>(value >> (8 * i));
}

// Panel driver constants.
constexpr DWORD kIoctlSetSerialMode = 0x40004;
constexpr DWORD kIoctlGetSerialMode = 0x40008;
constexpr DWORD kIoctlI2cRead = 0x4000C;
constexpr DWORD kIoctlStepBrightness = 0x40010;
constexpr DWORD kMaxBrightness = 31;

}  // namespace ce::hw
