// device.conf: the keys the platform knows, and reading the file.
#include <algorithm>

#include "ce_kernel.h"

namespace ce {

namespace {

// Every key of device.conf, in the order of the commented file a new image
// gets. Layers read their keys through DeviceConfig::Get/Present, which take
// the default from here.
constexpr ConfKey kConfKeys[] = {
    {"EPI1", "present", "absent: the panel driver cannot be opened"},
    {"EPI1.get_mode", "answer", "silent: the get-mode request leaves the mode field as sent"},
    {"EPI1.latency_ms", "20", "time the panel's controller takes per request (0 to 1000 ms)"},
    {"I2C0", "present", "absent: no I2C bus"},
    {"eeprom.mac", "00-50-C2-12-34-56", "the MAC address in the EEPROM"},
    {"storage_card", "present", "absent: no \\StorageCard"},
    {"coredll", "present", "absent: LoadLibrary(\"coredll.dll\") fails"},
    {"coredll.TouchCalibrate", "present", "absent: the entry is not exported"},
    {"coredll.RegSaveKey", "present", "absent: the entry is not exported"},
    {"coredll.RegReplaceKey", "present", "absent: the entry is not exported"},
    {"display.rotation", "accept", "refuse: ChangeDisplaySettingsEx fails"},
    {"backlight_event", "present", "absent: the backlight driver has no \"BackLightChangeEvent\""},
    {"touch.calibration_timeout", "30", "seconds the calibration screen waits for a tap (0: forever)"},
    {"user.register_class", "accept", "refuse: RegisterClass of a program's own class fails (out of memory)"},
};

std::string Trim(std::string_view s) {
    size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string_view::npos) return {};
    size_t e = s.find_last_not_of(" \t\r");
    return std::string(s.substr(b, e - b + 1));
}

std::string Lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
    return out;
}

// Edit distance between two short names (case already folded).
size_t Distance(std::string_view a, std::string_view b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            size_t up = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = up;
        }
    }
    return row[b.size()];
}

}  // namespace

std::span<const ConfKey> ConfKeys() {
    return kConfKeys;
}

const ConfKey* FindConfKey(std::string_view name) {
    std::string folded = Lower(name);
    for (const ConfKey& key : kConfKeys)
        if (Lower(key.name) == folded) return &key;
    return nullptr;
}

std::string_view NearestConfKey(std::string_view name) {
    std::string folded = Lower(name.substr(0, 256));
    std::string_view best;
    size_t bestDistance = SIZE_MAX;
    for (const ConfKey& key : kConfKeys) {
        size_t d = Distance(folded, Lower(key.name));
        if (d < bestDistance) bestDistance = d, best = key.name;
    }
    return best;
}

std::string DefaultDeviceConf() {
    std::string out =
        "# Hardware of this emulated device. Lines are \"key = value\"; '#' starts a comment.\n"
        "# Every switch can make one failure path of the programs reachable.\n\n";
    size_t width = 0;
    for (const ConfKey& key : kConfKeys) width = std::max(width, key.name.size() + key.value.size() + 3);
    for (const ConfKey& key : kConfKeys) {
        std::string line = std::string(key.name) + " = " + std::string(key.value);
        line.resize(std::max(line.size(), width), ' ');
        out += line + "   # " + std::string(key.comment) + "\n";
    }
    return out;
}

std::string ConfProblem::Message(std::string_view file) const {
    std::string where = std::string(file) + ":" + std::to_string(line);
    if (key.empty()) return where + ": not a \"key = value\" line";
    return where + ": unknown key \"" + key + "\" (nearest known key: " + std::string(nearest) + ")";
}

DeviceConfig DeviceConfig::Parse(std::string_view text) {
    DeviceConfig conf;
    size_t pos = 0;
    int lineNo = 0;
    while (pos <= text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        ++lineNo;
        if (size_t hash = line.find('#'); hash != std::string_view::npos) line = line.substr(0, hash);
        size_t eq = line.find('=');
        std::string key = Trim(line.substr(0, eq));
        if (eq == std::string_view::npos || key.empty()) {
            if (!key.empty() || eq != std::string_view::npos) conf.problems_.push_back({lineNo, "", {}});
            continue;
        }
        if (!FindConfKey(key)) conf.problems_.push_back({lineNo, key, NearestConfKey(key)});
        conf.Set(key, Trim(line.substr(eq + 1)));
    }
    return conf;
}

std::string DeviceConfig::Get(std::string_view key) const {
    if (auto it = values_.find(Lower(key)); it != values_.end()) return it->second;
    const ConfKey* known = FindConfKey(key);
    return known ? std::string(known->value) : std::string();
}

std::string DeviceConfig::Get(std::string_view key, std::string_view fallback) const {
    auto it = values_.find(Lower(key));
    return it == values_.end() ? std::string(fallback) : it->second;
}

bool DeviceConfig::Has(std::string_view key) const {
    return values_.contains(Lower(key));
}

bool DeviceConfig::Present(std::string_view key) const {
    std::string v = Lower(Get(key, "present"));
    return !(v == "absent" || v == "no" || v == "off" || v == "false" || v == "0");
}

void DeviceConfig::Set(std::string_view key, std::string_view value) {
    values_[Lower(key)] = std::string(value);
}

}  // namespace ce
