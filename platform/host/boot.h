// Boot of the device image: every program of the device (halvo, arbor,
// cereg) boots the image before it touches anything else.
#pragma once

#include <filesystem>
#include <string>

namespace ce {

struct BootOptions {
    std::filesystem::path deviceDir = "device";  // --device DIR
    std::filesystem::path storageCardHostDir;    // --storage-card HOSTDIR (empty: DIR/fs/StorageCard)
};

// Creates a missing image with factory content (registry, \Windows\info.civ,
// EEPROM, storage card folder, commented device.conf), applies a pending
// registry replacement, reads device.conf and installs the simulated drivers
// and the built-in libraries. Returns false with a one-line reason in `error`
// when the image cannot be used.
bool BootDevice(const BootOptions& options, std::string& error);

// The commented device.conf a new image gets.
std::string DefaultDeviceConf();

// Drops the drivers, libraries and registry connection of the booted image.
void ShutdownDevice();

}  // namespace ce
