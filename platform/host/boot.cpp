// Boot of the device image.
#include "boot.h"

#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "ce_drivers.h"
#include "ce_gdi.h"
#include "ce_kernel.h"
#include "ce_registry.h"
#include "ce_user.h"
#include "factory.h"
#include "regfile.h"
#include "touchscreen.h"

namespace ce {

namespace {

std::string ReadFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

BOOL WINAPI CoreTouchCalibrate() {
    return user::RunTouchCalibration();
}

// Every stylus point the window system gets is corrected by the touch
// driver's calibration for the screen as it is now.
POINT CorrectStylus(POINT raw) {
    const gdi::ScreenMode mode = gdi::Screen::Mode();
    return hw::CorrectTouchPoint(raw, mode.width, mode.height);
}

void RegisterCoreDll(const DeviceConfig& conf) {
    if (!conf.Present("coredll")) return;
    std::map<std::string, FARPROC> exports;
    if (conf.Present("coredll.TouchCalibrate"))
        exports["TouchCalibrate"] = reinterpret_cast<FARPROC>(&CoreTouchCalibrate);
    if (conf.Present("coredll.RegSaveKey")) exports["RegSaveKey"] = reinterpret_cast<FARPROC>(&::RegSaveKey);
    if (conf.Present("coredll.RegReplaceKey")) exports["RegReplaceKey"] = reinterpret_cast<FARPROC>(&::RegReplaceKey);
    RegisterModule(u"coredll.dll", std::move(exports));
}

}  // namespace

bool BootDevice(const BootOptions& options, std::string& error) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path dir = options.deviceDir.empty() ? fs::path("device") : options.deviceDir;
    if (fs::exists(dir, ec) && !fs::is_directory(dir, ec)) {
        error = "device image " + dir.string() + " is not a folder";
        return false;
    }
    const bool isImage = fs::exists(dir / "registry.db", ec);
    if (!options.createImage && !isImage) {
        error = fs::exists(dir, ec) ? "the folder " + dir.string() + " is not a device image (it has no registry.db)"
                                    : "there is no device image " + dir.string();
        return false;
    }
    for (const char* sub : {"fs", "log", "hw"}) {
        fs::create_directories(dir / sub, ec);
        if (ec) {
            error = "cannot create " + (dir / sub).string() + ": " + ec.message();
            return false;
        }
    }
    const fs::path confPath = dir / "device.conf";
    if (!fs::exists(confPath, ec)) {
        std::ofstream(confPath) << DefaultDeviceConf();
    }

    ImageInfo info;
    info.root = fs::absolute(dir, ec);
    info.fsRoot = info.root / "fs";
    info.config = DeviceConfig::Parse(ReadFile(confPath));
    if (!options.storageCardHostDir.empty()) {
        if (!fs::is_directory(options.storageCardHostDir, ec)) {
            error = "storage card folder " + options.storageCardHostDir.string() + " does not exist";
            return false;
        }
        info.storageCard = fs::absolute(options.storageCardHostDir, ec);
    } else if (info.config.Present("storage_card")) {
        info.storageCard = info.fsRoot / "StorageCard";
        fs::create_directories(info.storageCard, ec);
    }
    SetImage(info);
    // Lines of device.conf that do nothing are said, not ignored: a mistyped
    // key would leave its switch silently at its default.
    for (const ConfProblem& problem : Image().config.Problems()) {
        std::fprintf(stderr, "%s\n", problem.Message(confPath.string()).c_str());
        Json line = {{"dev", "device.conf"}, {"line", problem.line}};
        if (problem.key.empty()) {
            line["problem"] = "not a key = value line";
        } else {
            line["problem"] = "unknown key";
            line["key"] = problem.key;
            line["nearest"] = std::string(problem.nearest);
        }
        LogDevice(line);
    }

    // The store first: a damaged one is refused before anything changes it.
    HKEY probe = nullptr;
    if (LONG rc = RegOpenKeyEx(HKEY_LOCAL_MACHINE, u"", 0, 0, &probe); rc != ERROR_SUCCESS) {
        error = reg::StoreProblem();
        if (error.empty())
            error = "the registry " + (info.root / "registry.db").string() +
                    " cannot be opened: " + regtext::DescribeError(static_cast<DWORD>(rc));
        ClearImage();
        return false;
    }
    RegCloseKey(probe);
    const bool newStore = reg::StoreCreated();

    // A registry replacement staged before the last restart comes next.
    if (DWORD err = reg::ApplyPendingReplace()) {
        std::string why = regtext::DescribeError(err);
        std::fprintf(stderr,
                     "device: the staged registry restore %s could not be applied (%s); the registry is unchanged "
                     "and the restore will be tried again at the next start\n",
                     (info.root / "registry.pending").c_str(), why.c_str());
        LogDevice({{"dev", "registry"}, {"restore", "failed"}, {"error", err}, {"reason", why}});
    }
    if (newStore && reg::StoreIsEmpty()) {
        // First boot: factory content.
        std::fprintf(stderr, "device: created a new device image in %s\n", info.root.c_str());
        WriteFactoryRegistry();
        fs::create_directories(info.fsRoot / "Windows", ec);
        fs::create_directories(info.fsRoot / "Temp", ec);
        const fs::path civ = info.fsRoot / "Windows" / "info.civ";
        if (!fs::exists(civ, ec)) {
            auto rec = FactorySystemInfo();
            std::ofstream(civ, std::ios::binary).write(reinterpret_cast<const char*>(rec.data()), rec.size());
        }
    }

    hw::InstallDrivers();
    user::SetStylusTransform(CorrectStylus);
    RegisterCoreDll(info.config);
    return true;
}

void ShutdownDevice() {
    user::SetStylusTransform(nullptr);
    hw::UninstallDrivers();
    UnregisterAllModules();
    reg::CloseStore();
    ClearImage();
}

}  // namespace ce
