// A booted device image for tests that need the whole device: factory
// registry, drivers and built-in libraries. Link ce_boot to use it.
#pragma once

#include <gtest/gtest.h>

#include <sstream>

#include "boot.h"
#include "ce_kernel.h"
#include "testimage.h"

namespace ce::test {

class BootedImage {
public:
    // `deviceConf` replaces the default device.conf when not empty.
    // The panel driver answers at once unless the conf sets its request time.
    explicit BootedImage(const std::string& deviceConf = "") : dir_(MakeTempDir("ce-device-")) {
        std::string conf = deviceConf.empty() ? DefaultDeviceConf() : deviceConf;
        if (size_t at = conf.find("EPI1.latency_ms = 20"); at != std::string::npos)
            conf.replace(at, 20, "EPI1.latency_ms = 0 ");
        else if (conf.find("EPI1.latency_ms") == std::string::npos)
            conf += "\nEPI1.latency_ms = 0\n";
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
    std::vector<std::string> LogLines() const {
        std::vector<std::string> lines;
        std::istringstream in(ReadTextFile(dir_ / "log" / "device.log"));
        for (std::string line; std::getline(in, line);)
            if (!line.empty()) lines.push_back(line);
        return lines;
    }
    // Log lines that contain `needle`.
    std::vector<std::string> LogLinesWith(const std::string& needle) const {
        std::vector<std::string> out;
        for (auto& l : LogLines())
            if (l.find(needle) != std::string::npos) out.push_back(l);
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
