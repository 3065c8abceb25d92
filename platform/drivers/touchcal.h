// The touch driver's calibration: an affine map from raw stylus points to
// screen points, its fit over the calibration taps, and its stored form.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "wingdi.h"

namespace ce::hw {

// screen.x = a * raw.x + b * raw.y + c, screen.y = d * raw.x + e * raw.y + f
// (pixels). The default is the identity.
struct TouchCalibration {
    double a = 1, b = 0, c = 0;
    double d = 0, e = 1, f = 0;
    bool operator==(const TouchCalibration&) const = default;
};

// The registry form (HKEY_LOCAL_MACHINE "HARDWARE\DEVICEMAP\TOUCH"
// "CalibrationData", REG_SZ): the six coefficients a,b,c,d,e,f as decimal
// numbers joined by commas, e.g. "1,0,0,0,1,0" for the identity.
std::string FormatCalibration(const TouchCalibration& cal);
// Nothing when the text is not six finite numbers separated by commas (spaces
// around them allowed) or the map folds the plane (it has no inverse).
std::optional<TouchCalibration> ParseCalibration(std::string_view text);

// The least-squares fit of the map that takes each raw point to its screen
// point (at least three, not all on one line); nothing when the points
// cannot fix a map.
std::optional<TouchCalibration> FitCalibration(std::span<const POINT> raw, std::span<const POINT> screen);

// The screen point of a raw point, rounded and kept on a screen of the given
// size (none when the size is not positive).
POINT ApplyCalibration(const TouchCalibration& cal, POINT raw, int screenWidth, int screenHeight);

}  // namespace ce::hw
