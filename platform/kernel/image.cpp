// The device image the platform works on, and its device.conf.
#include <algorithm>
#include <atomic>
#include <mutex>

#include "ce_kernel.h"

namespace ce {

namespace {

std::string Trim(std::string_view s) {
    size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string_view::npos) return {};
    size_t e = s.find_last_not_of(" \t\r");
    return std::string(s.substr(b, e - b + 1));
}

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

std::mutex g_imageMutex;
ImageInfo g_image;
std::atomic<bool> g_hasImage{false};
std::atomic<uint64_t> g_generation{1};

}  // namespace

DeviceConfig DeviceConfig::Parse(std::string_view text) {
    DeviceConfig conf;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        if (size_t hash = line.find('#'); hash != std::string_view::npos) line = line.substr(0, hash);
        size_t eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        std::string key = Trim(line.substr(0, eq));
        if (!key.empty()) conf.Set(key, Trim(line.substr(eq + 1)));
    }
    return conf;
}

std::string DeviceConfig::Get(std::string_view key, std::string_view fallback) const {
    auto it = values_.find(Lower(std::string(key)));
    return it == values_.end() ? std::string(fallback) : it->second;
}

bool DeviceConfig::Present(std::string_view key) const {
    std::string v = Lower(Get(key, "present"));
    return !(v == "absent" || v == "no" || v == "off" || v == "false" || v == "0");
}

void DeviceConfig::Set(std::string_view key, std::string_view value) {
    values_[Lower(std::string(key))] = std::string(value);
}

namespace {
std::atomic<bool> g_cardOut{false};
}  // namespace

bool StorageCardInserted() {
    return HasImage() && !Image().storageCard.empty() && !g_cardOut;
}

void SetStorageCardInserted(bool inserted) {
    g_cardOut = !inserted;
}

void SetImage(ImageInfo info) {
    std::lock_guard lock(g_imageMutex);
    g_cardOut = false;
    g_image = std::move(info);
    g_hasImage = true;
    ++g_generation;
}

void ClearImage() {
    std::lock_guard lock(g_imageMutex);
    g_image = ImageInfo{};
    g_hasImage = false;
    ++g_generation;
}

bool HasImage() {
    return g_hasImage;
}

// The image is set once at boot, before any other thread of the device runs,
// and stays unchanged while programs work on it; readers need no lock.
const ImageInfo& Image() {
    return g_image;
}

uint64_t ImageGeneration() {
    return g_generation;
}

}  // namespace ce
