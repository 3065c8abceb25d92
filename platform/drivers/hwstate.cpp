// Persistent hardware state in the device image.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <map>
#include <mutex>
#include <sstream>

#include "ce_drivers.h"

namespace ce::hw {

namespace {

std::mutex g_stateMutex;

std::filesystem::path HwDir() {
    return Image().root / "hw";
}

// An open, exclusively locked file; closed (and unlocked) on destruction.
class LockedFile {
public:
    explicit LockedFile(const std::filesystem::path& p) {
        std::error_code ec;
        std::filesystem::create_directories(p.parent_path(), ec);
        fd_ = open(p.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
        if (fd_ >= 0 && flock(fd_, LOCK_EX) != 0) {
            close(fd_);
            fd_ = -1;
        }
    }
    ~LockedFile() {
        if (fd_ >= 0) close(fd_);
    }
    bool ok() const { return fd_ >= 0; }
    std::string ReadAll() const {
        std::string out;
        char buf[4096];
        off_t pos = 0;
        for (;;) {
            ssize_t n = pread(fd_, buf, sizeof buf, pos);
            if (n <= 0) break;
            out.append(buf, static_cast<size_t>(n));
            pos += n;
        }
        return out;
    }
    bool Replace(const std::string& data) const {
        if (ftruncate(fd_, 0) != 0) return false;
        return pwrite(fd_, data.data(), data.size(), 0) == static_cast<ssize_t>(data.size());
    }

private:
    int fd_ = -1;
};

std::map<std::string, std::string> ParseState(const std::string& text) {
    std::map<std::string, std::string> values;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        size_t eq = line.find(" = ");
        if (eq != std::string::npos) values[line.substr(0, eq)] = line.substr(eq + 3);
    }
    return values;
}

}  // namespace

std::string GetState(const std::string& key, const std::string& fallback) {
    if (!HasImage()) return fallback;
    std::lock_guard lock(g_stateMutex);
    LockedFile f(HwDir() / "state");
    if (!f.ok()) return fallback;
    auto values = ParseState(f.ReadAll());
    auto it = values.find(key);
    return it == values.end() ? fallback : it->second;
}

void SetState(const std::string& key, const std::string& value) {
    if (!HasImage()) return;
    std::lock_guard lock(g_stateMutex);
    LockedFile f(HwDir() / "state");
    if (!f.ok()) return;
    auto values = ParseState(f.ReadAll());
    values[key] = value;
    std::string text = "# Hardware state of the emulated device, kept by its drivers.\n";
    for (const auto& [k, v] : values) text += k + " = " + v + "\n";
    f.Replace(text);
}

bool ReadEeprom(Eeprom& out) {
    if (!HasImage()) return false;
    std::lock_guard lock(g_stateMutex);
    LockedFile f(HwDir() / "eeprom.bin");
    if (!f.ok()) return false;
    std::string data = f.ReadAll();
    out.fill(0xFF);  // erased cells of an EEPROM read as 0xFF
    std::copy_n(data.begin(), std::min(data.size(), out.size()), out.begin());
    return true;
}

bool WriteEeprom(const Eeprom& data) {
    if (!HasImage()) return false;
    std::lock_guard lock(g_stateMutex);
    LockedFile f(HwDir() / "eeprom.bin");
    return f.ok() && f.Replace(std::string(data.begin(), data.end()));
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
