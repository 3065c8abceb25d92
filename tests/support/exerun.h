// Runs the built executables (halvo, arbor, cereg) the way a shell would, in
// a fresh folder of the test's own that holds their device images.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <utility>

#include "jsontest.h"
#include "testimage.h"

namespace ce::test {

class ExeRun : public testing::Test {
protected:
    void SetUp() override { dir_ = MakeTempDir("ce-exe-"); }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    // Runs `cmd` in the folder; its exit status (-1 when it did not exit).
    int Shell(const std::string& cmd) {
        int status = std::system(("cd " + dir_.string() + " && " + cmd).c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    // Runs `cmd` in the folder: its exit status and its output (stdout and
    // stderr) without the final line breaks.
    std::pair<int, std::string> Output(const std::string& cmd) {
        int rc = Shell(cmd + " > output.txt 2>&1");
        std::string out = ReadTextFile(dir_ / "output.txt");
        while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
        return {rc, out};
    }
    // Whether the device log of the image `device` has an entry with all of
    // `match`'s members.
    bool Logged(const std::string& device, const Json& match) {
        for (const Json& entry : ParseLines(ReadTextFile(dir_ / device / "log" / "device.log")))
            if (Missing(entry, match).empty()) return true;
        return false;
    }
    std::string Err() { return ReadTextFile(dir_ / "err.txt"); }

    std::filesystem::path dir_;
};

}  // namespace ce::test
