// SIGKILL at random moments: `cereg set`, a scripted edit, an import and a
// key rename in the registry editor, and a boot applying a large staged restore. After every kill the
// image must be whole: the store passes SQLite's integrity check, every
// write a program acknowledged (exit 0) is there, the hardware files are
// complete and the next program starts on the image.
//
// CE_KILL_ROUNDS (default 3) sets the rounds per program; CE_KILL_SEED
// repeats the moments of an earlier run (each run prints its seed).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "ce_kernel.h"
#include "savefile.h"
#include "storesql.h"
#include "testimage.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using ce::test::MakeTempDir;
using ce::test::ReadTextFile;
using ce::test::WriteTextFile;

int EnvInt(const char* name, int fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::atoi(v) : fallback;
}

// A program run with its output in `log`; the exit status, or -1 when killed.
class Program {
public:
    Program(const std::vector<std::string>& args, const fs::path& log) : log_(log) {
        pid_ = fork();
        if (pid_ == 0) {
            int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(fd, 1);
            dup2(fd, 2);
            std::vector<char*> argv;
            for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        if (pid_ < 0) ADD_FAILURE() << "fork: " << std::strerror(errno);
    }
    // Kills the program `after` its start unless it ended before.
    int KillAfter(std::chrono::microseconds after) {
        std::this_thread::sleep_until(start_ + after);
        if (pid_ > 0) kill(pid_, SIGKILL);  // never -1: that would be every process of the user
        int status = Wait();
        ++(status == -1 ? killed : finished);
        // A run that ended before its kill did all of its work.
        if (status > 0) ADD_FAILURE() << log_.filename() << ": status " << status << "\n" << ReadTextFile(log_);
        return status;
    }
    // Runs cut short and runs that ended before their kill, over the test.
    static inline int killed = 0, finished = 0;
    int Wait() {
        int status = 0;
        if (pid_ <= 0 || waitpid(pid_, &status, 0) != pid_) return -2;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::chrono::microseconds Elapsed() const {
        return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start_);
    }

private:
    fs::path log_;
    pid_t pid_ = -1;
    Clock::time_point start_ = Clock::now();
};

class KillTest : public testing::Test {
protected:
    void SetUp() override {
        dir_ = MakeTempDir("kill-");
        rounds_ = EnvInt("CE_KILL_ROUNDS", 3);
        unsigned seed = unsigned(EnvInt("CE_KILL_SEED", int(std::random_device{}() & 0x7fffffff)));
        std::printf("CE_KILL_SEED=%u\n", seed);
        random_.seed(seed);
    }
    void TearDown() override {
        std::printf("%d runs killed, %d ended before their moment\n", Program::killed, Program::finished);
        Program::killed = Program::finished = 0;
        if (!HasFailure()) fs::remove_all(dir_);
    }

    fs::path Image() const { return dir_ / "dev"; }
    std::vector<std::string> Cereg(std::vector<std::string> args) const {
        args.insert(args.begin(), {CEREG_EXE, "--device", Image().string()});
        return args;
    }
    int RunCereg(const std::vector<std::string>& args) { return Program(Cereg(args), dir_ / "cereg.txt").Wait(); }
    Program Arbor(const fs::path& script) const {
        return Program({ARBOR_EXE, "--device", Image().string(), "--headless", "--script", script.string()},
                       dir_ / "arbor.txt");
    }
    // Keeps the image as it is now; Fresh() puts it back before each round.
    void KeepPristine() { fs::copy(Image(), dir_ / "pristine", fs::copy_options::recursive); }
    void Fresh() {
        fs::remove_all(Image());
        fs::copy(dir_ / "pristine", Image(), fs::copy_options::recursive);
    }
    // A .reg file of 2000 keys in 40 groups below HKEY_LOCAL_MACHINE\`top`.
    static std::string BigRegFile(const std::string& top) {
        std::string text = "Windows Registry Editor Version 5.00\n\n";
        for (int k = 0; k < 2000; ++k) {
            text += "[HKEY_LOCAL_MACHINE\\" + top + "\\K" + std::to_string(k % 40) + "\\L" + std::to_string(k) + "]\n";
            text += "\"v\"=dword:" + std::to_string(10000000 + k) + "\n\"s\"=\"text " + std::to_string(k) + "\"\n\n";
        }
        return text;
    }

    void MakeImage() {
        ASSERT_EQ(RunCereg({"init"}), 0) << ReadTextFile(dir_ / "cereg.txt");
        eeprom_ = ReadTextFile(Image() / "hw" / "eeprom.bin");
        ASSERT_EQ(eeprom_.size(), 256u);
        ASSERT_EQ(eeprom_.substr(44, 6), std::string("\x00\x50\xC2\x12\x34\x56", 6));  // the MAC of device.conf
        std::string state = "# Hardware state of the emulated device, kept by its drivers.\n";
        for (const char* line : kStateLines) state += std::string(line) + "\n";
        WriteTextFile(Image() / "hw" / "state", state);
    }

    // Kills `run` at a random moment up to a little after the end of the
    // shortest run seen so far (`full`), so that some runs finish and their
    // work counts as acknowledged; a run that ended before its moment
    // shortens `full`.
    int KillAtRandom(Program&& run, std::chrono::microseconds& full) {
        std::chrono::microseconds moment(std::uniform_int_distribution<long>(0, full.count() * 5 / 4)(random_));
        int status = run.KillAfter(moment);
        if (status == 0) full = std::min(full, moment);
        return status;
    }

    // Everything a kill must leave whole.
    void ExpectImageWhole(const std::string& when) {
        SCOPED_TRACE(when);
        ASSERT_EQ(ce::test::StoreIntegrity(Image()), "ok");

        // None of these programs changes the hardware: its files stay as they were.
        EXPECT_EQ(ReadTextFile(Image() / "hw" / "eeprom.bin"), eeprom_) << "hw/eeprom.bin";
        std::string state = ReadTextFile(Image() / "hw" / "state");
        for (const char* line : kStateLines) EXPECT_NE(state.find(line), std::string::npos) << "hw/state: " << state;
        EXPECT_EQ(RunCereg({"get", "HKLM"}), 0) << ReadTextFile(dir_ / "cereg.txt");
    }

    // Settings a person made earlier, kept by the drivers.
    static constexpr const char* kStateLines[] = {"display.orientation = 0", "epi1.brightness = 3"};

    fs::path dir_;
    std::string eeprom_;
    int rounds_ = 3;
    std::mt19937 random_;
};

TEST_F(KillTest, CeregSetKeepsEveryAcknowledgedWrite) {
    MakeImage();
    auto set = [&](int n) {
        return Program(Cereg({"set", "HKCU\\Kill", "v" + std::to_string(n), "dword", std::to_string(n)}),
                       dir_ / "set.txt");
    };
    Program first = set(0);
    ASSERT_EQ(first.Wait(), 0) << ReadTextFile(dir_ / "set.txt");
    auto full = first.Elapsed();
    std::vector<int> acknowledged = {0};
    for (int n = 1; n <= rounds_; ++n) {
        if (KillAtRandom(set(n), full) == 0) acknowledged.push_back(n);
        ExpectImageWhole("after killing cereg set v" + std::to_string(n));
        if (HasFatalFailure()) return;
    }
    for (int n : acknowledged) {
        EXPECT_EQ(RunCereg({"get", "HKCU\\Kill", "v" + std::to_string(n)}), 0) << "v" << n << " was acknowledged";
        EXPECT_EQ(ReadTextFile(dir_ / "cereg.txt").rfind(std::to_string(n), 0), 0u) << ReadTextFile(dir_ / "cereg.txt");
    }
}

TEST_F(KillTest, EditorEditKeepsTheStoreWhole) {
    MakeImage();
    // Each round adds its own key under HKEY_USERS by touch.
    auto edit = [&](int n) {
        fs::path script = dir_ / ("edit" + std::to_string(n) + ".script");
        WriteTextFile(script,
                      "wait \"My Device\"\ntap \"HKEY_USERS\"\ntap \"Edit\"\ntap \"New\"\ntap \"Key\"\n"
                      "wait \"New KEY\"\ntype \"Kill" +
                          std::to_string(n) + "\"\ntap \"OK\"\nwait-gone \"New KEY\"\n");
        return Arbor(script);
    };
    Program first = edit(0);
    ASSERT_EQ(first.Wait(), 0) << ReadTextFile(dir_ / "arbor.txt");
    auto full = first.Elapsed();
    for (int n = 1; n <= rounds_; ++n) {
        bool done = KillAtRandom(edit(n), full) == 0;
        ExpectImageWhole("after killing the editor in round " + std::to_string(n));
        if (HasFatalFailure()) return;
        if (done) {
            EXPECT_EQ(RunCereg({"get", "HKU\\Kill" + std::to_string(n)}), 0) << "the editor finished round " << n;
        }
    }
    EXPECT_EQ(RunCereg({"get", "HKU\\Kill0"}), 0);
}

// An import of some thousands of keys through the editor's File › Import...:
// killed part-way, the registry holds none of the file or all of it.
TEST_F(KillTest, EditorImportLandsWholeOrNotAtAll) {
    MakeImage();
    WriteTextFile(Image() / "fs" / "big.reg", BigRegFile("Imported"));
    fs::path script = dir_ / "import.script";
    WriteTextFile(script,
                  "wait \"My Device\"\ntap \"File\"\ntap \"Import...\"\nwait \"Import Registry File\"\n"
                  "type \"big.reg\"\nkey ENTER\nwait \"Its keys and values have been imported.\" 60000\n");
    KeepPristine();
    Program first = Arbor(script);
    ASSERT_EQ(first.Wait(), 0) << ReadTextFile(dir_ / "arbor.txt");
    auto full = first.Elapsed();
    ASSERT_EQ(RunCereg({"export", "HKLM\\Imported"}), 0);
    const std::string imported = ReadTextFile(dir_ / "cereg.txt");

    for (int n = 1; n <= rounds_; ++n) {
        Fresh();
        bool done = KillAtRandom(Arbor(script), full) == 0;
        ExpectImageWhole("after killing an import in round " + std::to_string(n));
        if (HasFatalFailure()) return;
        int found = RunCereg({"export", "HKLM\\Imported"});
        if (done) {
            EXPECT_EQ(found, 0) << "the editor finished round " << n;
        }
        if (found == 0) {
            EXPECT_TRUE(ReadTextFile(dir_ / "cereg.txt") == imported) << "round " << n << ": a part of the file landed";
        } else {
            EXPECT_EQ(found, 1) << ReadTextFile(dir_ / "cereg.txt");
        }
    }
}

// A key with some thousands of keys below it renamed with F2 in the editor:
// killed part-way, the registry holds the tree under the old name or under
// the new one, whole, and never both or neither.
TEST_F(KillTest, EditorRenameLandsWholeOrNotAtAll) {
    MakeImage();
    WriteTextFile(dir_ / "tree.reg", BigRegFile("Before"));
    ASSERT_EQ(RunCereg({"import", (dir_ / "tree.reg").string()}), 0) << ReadTextFile(dir_ / "cereg.txt");
    ASSERT_EQ(RunCereg({"export", "HKLM\\Before"}), 0);
    const std::string before = ReadTextFile(dir_ / "cereg.txt");
    fs::path script = dir_ / "rename.script";
    WriteTextFile(script,
                  "wait \"My Device\"\ntap \"HKEY_LOCAL_MACHINE\"\nkey RIGHT\nwait \"Before\"\ntap \"Before\"\n"
                  "key F2\nwait \"Rename Key\"\ntype \"After\"\nkey ENTER\nwait-gone \"Rename Key\"\n"
                  "wait \"HKEY_LOCAL_MACHINE\\\\After\"\n");
    KeepPristine();
    auto rename = [&] {
        Fresh();
        return Arbor(script);
    };
    Program first = rename();
    ASSERT_EQ(first.Wait(), 0) << ReadTextFile(dir_ / "arbor.txt");
    auto full = first.Elapsed();
    ASSERT_EQ(RunCereg({"export", "HKLM\\After"}), 0);
    const std::string after = ReadTextFile(dir_ / "cereg.txt");
    std::string expected = before;
    const std::string from = "[HKEY_LOCAL_MACHINE\\Before", to = "[HKEY_LOCAL_MACHINE\\After";
    for (size_t at = 0; (at = expected.find(from, at)) != std::string::npos; at += to.size())
        expected.replace(at, from.size(), to);
    ASSERT_TRUE(after == expected) << "a rename that was not disturbed changed the tree";

    for (int n = 1; n <= rounds_; ++n) {
        bool done = KillAtRandom(rename(), full) == 0;
        ExpectImageWhole("after killing a rename in round " + std::to_string(n));
        if (HasFatalFailure()) return;
        int old = RunCereg({"export", "HKLM\\Before"});
        std::string oldText = ReadTextFile(dir_ / "cereg.txt");
        int renamed = RunCereg({"export", "HKLM\\After"});
        std::string newText = ReadTextFile(dir_ / "cereg.txt");
        EXPECT_NE(old, renamed) << "round " << n << ": the tree is under both names or neither";
        if (old == 0) {
            EXPECT_TRUE(oldText == before) << "round " << n << ": the old tree changed";
        }
        if (renamed == 0) {
            EXPECT_TRUE(newText == after) << "round " << n << ": the renamed tree differs";
        }
        if (done) {
            EXPECT_EQ(renamed, 0) << "the editor finished round " << n;
        }
    }
}

// A restore of some thousands of keys staged as the editor's backup dialog
// stages it; a program's boot applies it. Killed part-way, the boot leaves
// either the old registry with the restore still staged or the new one.
TEST_F(KillTest, BootApplyingARestoreNeverHalfAppliesIt) {
    MakeImage();
    ASSERT_EQ(RunCereg({"set", "HKCU\\Kept", "v", "dword", "7"}), 0);  // outside what a restore replaces
    ce::reg::SavedTree tree;
    tree.keys.push_back({ce::reg::kNoParent, u"", {}});
    std::vector<uint8_t> blob(64);
    for (uint32_t k = 0; k < 3000; ++k) {
        uint32_t parent = k < 30 ? 0 : 1 + k % 30;
        std::u16string name = u"K" + std::u16string(1, char16_t(u'a' + k % 26)) + ce::FromUtf8(std::to_string(k));
        ce::reg::SavedKey key{parent, name, {}};
        for (int v = 0; v < 4; ++v) {
            blob[0] = uint8_t(k + v);
            key.values.push_back({u"v" + ce::FromUtf8(std::to_string(v)), REG_BINARY, blob});
        }
        tree.keys.push_back(std::move(key));
    }
    std::vector<uint8_t> save = ce::reg::EncodeSave(tree);
    WriteTextFile(Image() / "registry.pending", std::string(save.begin(), save.end()));
    KeepPristine();

    // The registry as a boot that is not disturbed leaves it.
    Program first(Cereg({"get", "HKCU\\Kept", "v"}), dir_ / "boot.txt");
    ASSERT_EQ(first.Wait(), 0) << ReadTextFile(dir_ / "boot.txt");
    auto full = first.Elapsed();
    ASSERT_FALSE(fs::exists(Image() / "registry.pending"));
    ASSERT_EQ(RunCereg({"export", "HKLM"}), 0);
    std::string restored = ReadTextFile(dir_ / "cereg.txt");
    ASSERT_NE(restored.find(ce::ToUtf8(tree.keys.back().name)), std::string::npos);

    for (int n = 1; n <= rounds_; ++n) {
        Fresh();
        bool done = KillAtRandom(Program(Cereg({"get", "HKCU\\Kept", "v"}), dir_ / "boot.txt"), full) == 0;
        if (done) {
            EXPECT_FALSE(fs::exists(Image() / "registry.pending"));
        }
        ExpectImageWhole("after killing a boot applying a restore, round " + std::to_string(n));
        if (HasFatalFailure()) return;
        EXPECT_FALSE(fs::exists(Image() / "registry.pending"));
        ASSERT_EQ(RunCereg({"export", "HKLM"}), 0);
        EXPECT_TRUE(ReadTextFile(dir_ / "cereg.txt") == restored) << "round " << n << ": HKLM differs from the restore";
        EXPECT_EQ(RunCereg({"get", "HKCU\\Kept", "v"}), 0);
    }
}

}  // namespace
