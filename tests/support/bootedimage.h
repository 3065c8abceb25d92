// A booted device image for tests that need the whole device: factory
// registry, drivers and built-in libraries. Link ce_boot to use it.
#pragma once

#include <gtest/gtest.h>

#include "boot.h"
#include "ce_kernel.h"
#include "jsontest.h"
#include "testimage.h"

namespace ce::test {

class BootedImage {
public:
    // `deviceConf` replaces the default device.conf when not empty.
    // The panel driver answers at once unless the conf sets its request time.
    explicit BootedImage(const std::string& deviceConf = "") : dir_(MakeTempDir("ce-device-")) {
        std::string conf = deviceConf.empty() ? DefaultDeviceConf() : deviceConf;
        // A later line wins, so this overrides the default file's hardware
        // time but never a time the caller's conf sets.
        if (deviceConf.empty() || conf.find("EPI1.latency_ms") == std::string::npos) conf += "\nEPI1.latency_ms = 0\n";
        WriteTextFile(dir_ / "device.conf", conf);
        Boot();
    }
    ~BootedImage() {
        ShutdownDevice();
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    BootedImage(const BootedImage&) = delete;
    BootedImage& operator=(const BootedImage&) = delete;

    // Restart: the programs go, the image stays.
    void Reboot() {
        ShutdownDevice();
        Boot();
    }
    const std::filesystem::path& dir() const { return dir_; }
    // The device log's entries that have a member `key`.
    std::vector<Json> LogHaving(const std::string& key) const {
        std::vector<Json> out;
        for (Json& entry : Log())
            if (entry.contains(key)) out.push_back(std::move(entry));
        return out;
    }
    // The device log's entries whose members include all of `match`.
    std::vector<Json> Log(const Json& match = Json::object()) const {
        std::vector<Json> out;
        for (Json& entry : ParseLines(ReadTextFile(dir_ / "log" / "device.log")))
            if (Missing(entry, match).empty()) out.push_back(std::move(entry));
        return out;
    }

private:
    void Boot() {
        BootOptions options;
        options.deviceDir = dir_;
        std::string error;
        if (!BootDevice(options, error)) ADD_FAILURE() << "boot failed: " << error;
    }
    std::filesystem::path dir_;
};

}  // namespace ce::test
