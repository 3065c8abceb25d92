// Boot of the device image: every program of the device (halvo, arbor,
// cereg) boots the image before it touches anything else.
#pragma once

#include <filesystem>
#include <string>

namespace ce {

struct BootOptions {
    std::filesystem::path deviceDir = "device";  // --device DIR
    std::filesystem::path storageCardHostDir;    // --storage-card HOSTDIR (empty: DIR/fs/StorageCard)
    bool createImage = true;                     // false: a missing image is an error (cereg)
};

// Creates a missing image with factory content (registry, \Windows\info.civ,
// EEPROM, storage card folder, commented device.conf) and says so in one line
// on stderr, applies a pending registry replacement (a failure is reported on
// stderr and in the device log, and the boot goes on with the registry as it
// was), reads device.conf and installs the simulated drivers and the built-in
// libraries. Returns false with a one-line reason in `error` when the image
// cannot be used: not a folder, a damaged registry, or (createImage false)
// no image at all.
bool BootDevice(const BootOptions& options, std::string& error);

// Drops the drivers, libraries and registry connection of the booted image.
void ShutdownDevice();

}  // namespace ce
