#include "testimage.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "ce_kernel.h"

namespace ce::test {

std::filesystem::path MakeTempDir(const std::string& prefix) {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "XXXXXX")).string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    return pattern;
}

std::string ReadTextFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteTextFile(const std::filesystem::path& p, const std::string& text) {
    std::filesystem::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out << text;
}

TestImage::TestImage(const std::string& deviceConf) : dir_(MakeTempDir("ce-image-")) {
    std::filesystem::create_directories(dir_ / "fs");
    std::filesystem::create_directories(dir_ / "log");
    WriteTextFile(dir_ / "device.conf", deviceConf);
    ImageInfo info;
    info.root = dir_;
    info.fsRoot = dir_ / "fs";
    info.config = DeviceConfig::Parse(deviceConf);
    if (info.config.Present("storage_card")) {
        info.storageCard = dir_ / "fs" / "StorageCard";
        std::filesystem::create_directories(info.storageCard);
    }
    SetImage(std::move(info));
}

TestImage::~TestImage() {
    ClearImage();
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
}

}  // namespace ce::test
