// A throw-away device image for tests: a fresh folder under the system's
// temporary directory, made the platform's current image while the object
// lives. It holds only what the test puts there (no factory content); tests
// that need a booted device call the boot on `dir()` themselves.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace ce::test {

class TestImage {
public:
    explicit TestImage(const std::string& deviceConf = "");
    ~TestImage();
    TestImage(const TestImage&) = delete;
    TestImage& operator=(const TestImage&) = delete;

    const std::filesystem::path& dir() const { return dir_; }
    std::filesystem::path fs() const { return dir_ / "fs"; }
    // Every line of log/device.log.

private:
    std::filesystem::path dir_;
};

// A fresh empty folder under the temporary directory (removed by the caller).
std::filesystem::path MakeTempDir(const std::string& prefix);
std::string ReadTextFile(const std::filesystem::path& p);
void WriteTextFile(const std::filesystem::path& p, const std::string& text);

}  // namespace ce::test
