// The touch driver: the correction of every stylus point by the stored
// calibration, and the calibration runs of the window system's calibration
// screen (platform/user/touchcal.cpp, behind coredll's TouchCalibrate).
//
// The calibration lives in the registry where the device's touch driver
// keeps it: HKEY_LOCAL_MACHINE "HARDWARE\DEVICEMAP\TOUCH" "CalibrationData"
// (REG_SZ, the six coefficients of an affine map from raw to screen points,
// see touchcal.h). It is read when the driver is installed and after an
// accepted calibration run; a missing value means the identity, a malformed
// one the identity with a line in the device log:
//   {"seq":N,"dev":"touch","calibration":"malformed","data":"..."}
//
// While a calibration screen runs the stylus goes uncorrected. Its wait for
// a tap is device.conf "touch.calibration_timeout" seconds (default 30, 0: no
// limit). Every run is logged:
//   {"seq":N,"dev":"touch","calibrate":"accepted","data":"1,0,0,0,1,0"}
//   {"seq":N,"dev":"touch","calibrate":"cancelled","points":2}
//   {"seq":N,"dev":"touch","calibrate":"timeout","points":0}
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <mutex>
#include <nlohmann/json.hpp>

#include "ce_drivers.h"

namespace ce::hw {

// ---- The map ----------------------------------------------------------------------------

std::string FormatCalibration(const TouchCalibration& cal) {
    std::string out;
    for (double v : {cal.a, cal.b, cal.c, cal.d, cal.e, cal.f}) {
        if (std::fabs(v) < 5e-10) v = 0;  // no "-0"
        char buf[32];
        auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 9);
        if (!out.empty()) out += ',';
        out.append(buf, ec == std::errc{} ? end : buf);
    }
    return out;
}

std::optional<TouchCalibration> ParseCalibration(std::string_view text) {
    std::array<double, 6> v{};
    size_t pos = 0;
    auto skipSpaces = [&] {
        while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
    };
    for (size_t i = 0; i < v.size(); ++i) {
        skipSpaces();
        if (i > 0) {
            if (pos >= text.size() || text[pos] != ',') return std::nullopt;
            ++pos;
            skipSpaces();
        }
        auto [end, ec] = std::from_chars(text.data() + pos, text.data() + text.size(), v[i]);
        if (ec != std::errc{} || !std::isfinite(v[i])) return std::nullopt;
        pos = static_cast<size_t>(end - text.data());
    }
    skipSpaces();
    if (pos != text.size()) return std::nullopt;
    TouchCalibration cal{v[0], v[1], v[2], v[3], v[4], v[5]};
    if (std::fabs(cal.a * cal.e - cal.b * cal.d) < 1e-6) return std::nullopt;  // folds the plane
    return cal;
}

std::optional<TouchCalibration> FitCalibration(std::span<const POINT> raw, std::span<const POINT> screen) {
    if (raw.size() != screen.size() || raw.size() < 3) return std::nullopt;
    // Normal equations of the least-squares fit, the same matrix for x and y.
    double sxx = 0, sxy = 0, syy = 0, sx = 0, sy = 0, n = static_cast<double>(raw.size());
    double bx[3] = {}, by[3] = {};
    for (size_t i = 0; i < raw.size(); ++i) {
        const double x = raw[i].x, y = raw[i].y, X = screen[i].x, Y = screen[i].y;
        sxx += x * x, sxy += x * y, syy += y * y, sx += x, sy += y;
        bx[0] += x * X, bx[1] += y * X, bx[2] += X;
        by[0] += x * Y, by[1] += y * Y, by[2] += Y;
    }
    const double m[3][3] = {{sxx, sxy, sx}, {sxy, syy, sy}, {sx, sy, n}};
    auto det3 = [](const double(&a)[3][3]) {
        return a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) - a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
               a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
    };
    const double det = det3(m);
    // Relative to the spread of the points: collinear points leave nothing.
    const double scale = std::max(1.0, sxx + syy);
    if (std::fabs(det) < 1e-9 * scale * scale * n) return std::nullopt;
    auto solve = [&](const double(&b)[3], double out[3]) {
        for (int col = 0; col < 3; ++col) {
            double a[3][3];
            for (int r = 0; r < 3; ++r)
                for (int c = 0; c < 3; ++c) a[r][c] = c == col ? b[r] : m[r][c];
            out[col] = det3(a) / det;
        }
    };
    double px[3], py[3];
    solve(bx, px);
    solve(by, py);
    TouchCalibration cal{px[0], px[1], px[2], py[0], py[1], py[2]};
    if (std::fabs(cal.a * cal.e - cal.b * cal.d) < 1e-6) return std::nullopt;
    return cal;
}

POINT ApplyCalibration(const TouchCalibration& cal, POINT raw, int screenWidth, int screenHeight) {
    double x = cal.a * raw.x + cal.b * raw.y + cal.c;
    double y = cal.d * raw.x + cal.e * raw.y + cal.f;
    if (screenWidth > 0) x = std::clamp(x, 0.0, static_cast<double>(screenWidth - 1));
    if (screenHeight > 0) y = std::clamp(y, 0.0, static_cast<double>(screenHeight - 1));
    // Far outside any screen the size is unknown: keep within LONG.
    x = std::clamp(x, -1e9, 1e9);
    y = std::clamp(y, -1e9, 1e9);
    return POINT{static_cast<LONG>(std::lround(x)), static_cast<LONG>(std::lround(y))};
}

namespace {

constexpr const char16_t* kTouchKey = u"HARDWARE\\DEVICEMAP\\TOUCH";
constexpr const char16_t* kCalibrationValue = u"CalibrationData";

std::mutex g_touchMutex;
TouchCalibration g_calibration;
bool g_calibrating = false;  // a calibration screen runs: the stylus goes uncorrected
bool g_installed = false;    // between InstallTouchDriver and UninstallTouchDriver

std::string Narrow(std::u16string_view s) {
    std::string out;
    for (char16_t c : s) out.push_back(c >= 0x20 && c < 0x7F && c != '"' && c != '\\' ? static_cast<char>(c) : '?');
    return out;
}

// The stored calibration; the identity when there is none or it is malformed.
TouchCalibration ReadStoredCalibration() {
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, kTouchKey, 0, 0, &key) != ERROR_SUCCESS) return {};
    char16_t buf[256] = {};
    DWORD type = 0, size = sizeof buf - sizeof(char16_t);
    LONG rc = RegQueryValueEx(key, kCalibrationValue, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size);
    RegCloseKey(key);
    if (rc == ERROR_FILE_NOT_FOUND) return {};
    std::u16string text;
    if (rc == ERROR_SUCCESS && type == REG_SZ) {
        text.assign(buf, size / sizeof(char16_t));
        while (!text.empty() && text.back() == 0) text.pop_back();
    }
    std::string narrow = Narrow(text);
    std::optional<TouchCalibration> cal;
    if (rc == ERROR_SUCCESS && type == REG_SZ && narrow.find('?') == std::string::npos) cal = ParseCalibration(narrow);
    if (!cal) {
        LogDevice({{"dev", "touch"}, {"calibration", "malformed"}, {"data", narrow}});
        return {};
    }
    return *cal;
}

bool StoreCalibration(const std::string& text) {
    HKEY key = nullptr;
    if (RegCreateKeyEx(HKEY_LOCAL_MACHINE, kTouchKey, 0, nullptr, 0, 0, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    std::u16string data(text.begin(), text.end());
    LONG rc = RegSetValueEx(key, kCalibrationValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                            static_cast<DWORD>((data.size() + 1) * sizeof(char16_t)));
    if (rc == ERROR_SUCCESS) RegFlushKey(key);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

UINT TimeoutMs() {
    double seconds = 30;
    if (HasImage()) {
        std::string text = Image().config.Get("touch.calibration_timeout");
        double v = 0;
        auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
        if (ec == std::errc{} && end == text.data() + text.size() && std::isfinite(v) && v >= 0) seconds = v;
    }
    if (seconds == 0) return 0;
    return static_cast<UINT>(std::clamp(std::lround(seconds * 1000), 1L, 24L * 3600 * 1000));
}

}  // namespace

POINT CorrectTouchPoint(POINT raw, int screenWidth, int screenHeight) {
    TouchCalibration cal;
    {
        std::lock_guard lock(g_touchMutex);
        if (!g_installed || g_calibrating) return raw;
        cal = g_calibration;
    }
    return ApplyCalibration(cal, raw, screenWidth, screenHeight);
}

bool BeginTouchCalibration() {
    std::lock_guard lock(g_touchMutex);
    if (g_calibrating) {
        LogDevice({{"dev", "touch"}, {"calibrate", "busy"}});
        SetLastError(ERROR_BUSY);
        return false;
    }
    g_calibrating = true;
    return true;
}

UINT TouchCalibrationTimeoutMs() {
    return TimeoutMs();
}

BOOL EndTouchCalibration(CalibrationOutcome outcome, const TouchCalibration& fit, int points, DWORD error) {
    Json fields = {{"dev", "touch"}};
    BOOL accepted = FALSE;
    TouchCalibration stored = fit;
    switch (outcome) {
        case CalibrationOutcome::Accepted: {
            const std::string text = FormatCalibration(fit);
            if (StoreCalibration(text)) {
                accepted = TRUE;
                stored = ParseCalibration(text).value_or(fit);  // exactly what a restart reads
                fields["calibrate"] = "accepted";
                fields["data"] = text;
            } else {
                fields["calibrate"] = "failed";
                fields["data"] = text;
                fields["error"] = "registry";
            }
            break;
        }
        case CalibrationOutcome::Cancelled:
        case CalibrationOutcome::Timeout:
            fields["calibrate"] = outcome == CalibrationOutcome::Timeout ? "timeout" : "cancelled";
            fields["points"] = points;
            break;
        case CalibrationOutcome::Failed:
            fields["calibrate"] = "failed";
            fields["error"] = error;
            break;
    }
    {
        std::lock_guard lock(g_touchMutex);
        if (accepted) g_calibration = stored;
        g_calibrating = false;
    }
    LogDevice(fields);
    return accepted;
}

void InstallTouchDriver() {
    TouchCalibration cal = ReadStoredCalibration();
    std::lock_guard lock(g_touchMutex);
    g_calibration = cal;
    g_calibrating = false;
    g_installed = true;
}

void UninstallTouchDriver() {
    std::lock_guard lock(g_touchMutex);
    g_calibration = TouchCalibration{};
    g_installed = false;
}

}  // namespace ce::hw
