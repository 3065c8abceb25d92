// Persistent hardware state in the device image.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <sstream>

#include "ce_drivers.h"
#include "savefile.h"

namespace ce::hw {

namespace {

std::mutex g_stateMutex;

std::filesystem::path HwDir() {
    return Image().root / "hw";
}

// The hardware files are replaced whole (a new file renamed over the old),
// so they cannot carry their own lock: every process of the image takes an
// exclusive lock on hw/.lock around a read-modify-write. Unlocked on
// destruction.
class HwLock {
public:
    HwLock() {
        std::error_code ec;
        std::filesystem::create_directories(HwDir(), ec);
        fd_ = open((HwDir() / ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
        if (fd_ >= 0 && flock(fd_, LOCK_EX) != 0) {
            close(fd_);
            fd_ = -1;
        }
    }
    ~HwLock() {
        if (fd_ >= 0) close(fd_);
    }
    HwLock(const HwLock&) = delete;
    HwLock& operator=(const HwLock&) = delete;
    bool ok() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// The whole file; false when it does not exist or cannot be read.
bool ReadWhole(const std::filesystem::path& p, std::string& out) {
    std::vector<uint8_t> bytes;
    if (reg::ReadHostFile(p, bytes, 1u << 20) != ERROR_SUCCESS) return false;
    out.assign(bytes.begin(), bytes.end());
    return true;
}

// Replaces the file atomically, and only when its content changes.
bool WriteIfChanged(const std::filesystem::path& p, const std::string& data) {
    std::string old;
    if (ReadWhole(p, old) && old == data) return true;
    return reg::ReplaceHostFile(p, std::vector<uint8_t>(data.begin(), data.end())) == ERROR_SUCCESS;
}

constexpr char kStateHeader[] = "# Hardware state of the emulated device, kept by its drivers.\n";

// "key = value" lines; `bad` counts the lines that are neither that, blank
// nor a comment.
std::map<std::string, std::string> ParseState(const std::string& text, int* bad = nullptr) {
    std::map<std::string, std::string> values;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        size_t eq = line.find(" = ");
        if (eq != std::string::npos && eq > 0)
            values[line.substr(0, eq)] = line.substr(eq + 3);
        else if (bad && !line.empty() && line[0] != '#')
            ++*bad;
    }
    return values;
}

std::string FormatState(const std::map<std::string, std::string>& values) {
    std::string text = kStateHeader;
    for (const auto& [k, v] : values) text += k + " = " + v + "\n";
    return text;
}

// A damaged hardware file, on stderr and in the device log; the damaged
// content is kept beside it as NAME.damaged.
void ReportDamaged(const std::string& name, const std::string& why, const std::string& content) {
    std::fprintf(stderr, "device: hardware file hw/%s is damaged (%s); kept as hw/%s.damaged\n", name.c_str(),
                 why.c_str(), name.c_str());
    WriteIfChanged(HwDir() / (name + ".damaged"), content);
    LogDevice({{"dev", "hw"}, {"file", name}, {"damaged", why}});
}

}  // namespace

std::string GetState(const std::string& key, const std::string& fallback) {
    if (!HasImage()) return fallback;
    std::lock_guard lock(g_stateMutex);
    std::string text;
    if (!ReadWhole(HwDir() / "state", text)) return fallback;
    auto values = ParseState(text);
    auto it = values.find(key);
    return it == values.end() ? fallback : it->second;
}

void SetState(const std::string& key, const std::string& value) {
    if (!HasImage()) return;
    std::lock_guard lock(g_stateMutex);
    HwLock fileLock;
    if (!fileLock.ok()) return;
    std::string text;
    ReadWhole(HwDir() / "state", text);
    auto values = ParseState(text);
    values[key] = value;
    WriteIfChanged(HwDir() / "state", FormatState(values));
}

bool ReadEeprom(Eeprom& out) {
    if (!HasImage()) return false;
    std::lock_guard lock(g_stateMutex);
    std::string data;
    if (!ReadWhole(HwDir() / "eeprom.bin", data)) return false;
    out.fill(0xFF);  // erased cells of an EEPROM read as 0xFF
    std::copy_n(data.begin(), std::min(data.size(), out.size()), out.begin());
    return true;
}

bool WriteEeprom(const Eeprom& data) {
    if (!HasImage()) return false;
    std::lock_guard lock(g_stateMutex);
    HwLock fileLock;
    return fileLock.ok() && WriteIfChanged(HwDir() / "eeprom.bin", std::string(data.begin(), data.end()));
}

void CheckHardwareFiles(const std::string& macText) {
    std::lock_guard lock(g_stateMutex);
    HwLock fileLock;
    if (!fileLock.ok()) return;
    // The EEPROM: exactly kEepromSize bytes starting with the board's
    // configuration block header. Missing (a new image) or damaged, it is
    // made anew with the MAC address of device.conf.
    static const BYTE kHeader[] = {'C', 'F', 'G', 1};
    const std::filesystem::path eepromPath = HwDir() / "eeprom.bin";
    std::string data;
    bool have = ReadWhole(eepromPath, data);
    if (have && data.size() != kEepromSize) {
        ReportDamaged("eeprom.bin",
                      std::to_string(data.size()) + " bytes instead of " + std::to_string(kEepromSize) +
                          "; made anew with the MAC address of device.conf",
                      data);
        have = false;
    } else if (have && !std::equal(std::begin(kHeader), std::end(kHeader), data.begin())) {
        ReportDamaged("eeprom.bin", "no configuration block; made anew with the MAC address of device.conf", data);
        have = false;
    }
    Eeprom rom;
    rom.fill(0xFF);
    if (have) {
        std::copy_n(data.begin(), kEepromSize, rom.begin());
    } else {
        std::copy(std::begin(kHeader), std::end(kHeader), rom.begin());
    }
    BYTE mac[6];
    std::string text = macText.empty() && !have ? "00-50-C2-12-34-56" : macText;
    if (!text.empty() && ParseMac(text, mac)) std::copy(mac, mac + 6, rom.begin() + kEepromMacOffset);
    WriteIfChanged(eepromPath, std::string(rom.begin(), rom.end()));

    // The state: a file this code wrote starts with its header line and holds
    // only "key = value" lines. The readable lines of a damaged one are kept.
    const std::filesystem::path statePath = HwDir() / "state";
    std::string state;
    if (ReadWhole(statePath, state)) {
        int bad = 0;
        auto values = ParseState(state, &bad);
        if (state.empty() || bad) {
            ReportDamaged("state",
                          state.empty() ? "empty; serial modes, brightness and orientation start from their defaults"
                                        : std::to_string(bad) + " unreadable lines; the readable ones are kept",
                          state);
            WriteIfChanged(statePath, FormatState(values));
        }
    }
}

bool ParseMac(const std::string& text, BYTE mac[6]) {
    // Exactly six pairs of hex digits joined by '-' (or ':').
    if (text.size() != 17) return false;
    auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    for (int i = 0; i < 6; ++i) {
        int hi = hex(text[i * 3]), lo = hex(text[i * 3 + 1]);
        if (hi < 0 || lo < 0) return false;
        if (i < 5 && text[i * 3 + 2] != '-' && text[i * 3 + 2] != ':') return false;
        mac[i] = static_cast<BYTE>(hi * 16 + lo);
    }
    return true;
}

}  // namespace ce::hw
