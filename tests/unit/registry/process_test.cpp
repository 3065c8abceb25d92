// Several processes of one device on the same store: concurrent writers,
// changes seen across processes, and a writer killed in mid-stream.
// These tests fork, so they are kept out of the ThreadSanitizer run.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "ce_registry.h"
#include "regtest.h"
#include "storesql.h"
#include "testimage.h"

using namespace regtest;

namespace {

std::u16string Num(const char16_t* prefix, int i) {
    std::u16string s = prefix;
    for (char c : std::to_string(i)) s.push_back(static_cast<char16_t>(c));
    return s;
}

// Runs `body` in a child process; the child exits 0 when it returns true.
template <class F>
pid_t Spawn(F body) {
    ce::reg::CloseStore();  // the child opens its own connection
    pid_t pid = fork();
    if (pid == 0) _exit(body() ? 0 : 1);
    return pid;
}

int Wait(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

bool WriteAll(int fd, const void* p, size_t n) {
    return write(fd, p, n) == static_cast<ssize_t>(n);
}
bool ReadAll(int fd, void* p, size_t n) {
    return read(fd, p, n) == static_cast<ssize_t>(n);
}

// One byte through a pipe: "go on" between the test and its child.
struct Signal {
    Signal() { EXPECT_EQ(pipe(fd), 0); }
    ~Signal() {
        close(fd[0]);
        close(fd[1]);
    }
    bool Send() { return WriteAll(fd[1], "x", 1); }
    bool Receive() {
        char c;
        return ReadAll(fd[0], &c, 1);
    }
    int fd[2];
};

class Processes : public ::testing::Test {
protected:
    ce::test::TestImage image;
};

TEST_F(Processes, TwoWritersAtOnceLoseNothing) {
    constexpr int kEach = 300;
    auto writer = [](const char16_t* prefix) {
        return [prefix] {
            HKEY shared = Create(HKEY_LOCAL_MACHINE, u"Shared");
            bool ok = shared != nullptr;
            for (int i = 0; i < kEach && ok; ++i) {
                HKEY k = Create(shared, Num(prefix, i).c_str());
                ok = k && SetDword(shared, Num(prefix, i).c_str(), static_cast<DWORD>(i)) == ERROR_SUCCESS &&
                     SetDword(HKEY_LOCAL_MACHINE, u"Counter", static_cast<DWORD>(i)) == ERROR_SUCCESS;
                RegCloseKey(k);
            }
            return ok;
        };
    };
    pid_t a = Spawn(writer(u"a"));
    pid_t b = Spawn(writer(u"b"));
    EXPECT_EQ(Wait(a), 0);
    EXPECT_EQ(Wait(b), 0);

    HKEY shared = nullptr;
    ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, u"Shared", &shared), ERROR_SUCCESS);
    EXPECT_EQ(SubKeys(shared).size(), 2u * kEach);
    for (int i = 0; i < kEach; ++i) {
        DWORD v = 0;
        ASSERT_EQ(GetDword(shared, Num(u"a", i).c_str(), v), ERROR_SUCCESS) << i;
        EXPECT_EQ(v, static_cast<DWORD>(i));
        ASSERT_EQ(GetDword(shared, Num(u"B", i).c_str(), v), ERROR_SUCCESS) << i;
    }
    RegCloseKey(shared);
}

TEST_F(Processes, ChangesOfAnotherProcessAreSeenAtTheNextCall) {
    HKEY h = Create(HKEY_LOCAL_MACHINE, u"Watched");
    RegCloseKey(Create(h, u"b"));
    ASSERT_EQ(SetDword(h, u"v", 1), ERROR_SUCCESS);
    EXPECT_EQ(SubKeys(h).size(), 1u);  // the handle now holds the list
    EXPECT_EQ(ValueNames(h).size(), 1u);

    Signal go, done;
    pid_t child = Spawn([&] {
        if (!go.Receive()) return false;
        HKEY k = nullptr;
        bool ok = Open(HKEY_LOCAL_MACHINE, u"Watched", &k) == ERROR_SUCCESS;
        RegCloseKey(Create(k, u"a"));
        ok = ok && SetDword(k, u"v", 2) == ERROR_SUCCESS && SetDword(k, u"w", 3) == ERROR_SUCCESS;
        ok = ok && RegDeleteKey(HKEY_LOCAL_MACHINE, u"Doomed") == ERROR_SUCCESS;
        return done.Send() && ok;
    });
    HKEY doomed = Create(HKEY_LOCAL_MACHINE, u"Doomed");
    ASSERT_EQ(SetDword(doomed, u"d", 1), ERROR_SUCCESS);
    ASSERT_TRUE(go.Send());
    ASSERT_TRUE(done.Receive());

    EXPECT_EQ(SubKeys(h), (std::vector<std::u16string>{u"a", u"b"}));
    EXPECT_EQ(ValueNames(h), (std::vector<std::u16string>{u"v", u"w"}));
    DWORD v = 0;
    EXPECT_EQ(GetDword(h, u"v", v), ERROR_SUCCESS);
    EXPECT_EQ(v, 2u);
    EXPECT_EQ(GetDword(doomed, u"d", v), ERROR_KEY_DELETED);
    EXPECT_EQ(Wait(child), 0);
    RegCloseKey(doomed);
    RegCloseKey(h);
}

TEST_F(Processes, KilledWriterLeavesEveryFlushedWrite) {
    int report[2];
    ASSERT_EQ(pipe(report), 0);
    pid_t child = Spawn([&] {
        close(report[0]);
        HKEY h = Create(HKEY_LOCAL_MACHINE, u"Stream");
        for (uint32_t i = 1;; ++i) {
            HKEY k = Create(h, Num(u"k", static_cast<int>(i)).c_str());
            BYTE blob[300];
            std::memset(blob, static_cast<int>(i), sizeof blob);
            if (RegSetValueEx(k, u"blob", 0, REG_BINARY, blob, sizeof blob) != ERROR_SUCCESS ||
                SetDword(h, u"Counter", i) != ERROR_SUCCESS || RegFlushKey(h) != ERROR_SUCCESS)
                return false;
            RegCloseKey(k);
            if (!WriteAll(report[1], &i, sizeof i)) return false;
        }
    });
    close(report[1]);
    uint32_t last = 0, got = 0;
    while (last < 40 && ReadAll(report[0], &got, sizeof got)) last = got;
    ASSERT_EQ(last, 40u);
    kill(child, SIGKILL);
    EXPECT_EQ(Wait(child), 128 + SIGKILL);
    while (ReadAll(report[0], &got, sizeof got)) last = got;  // reports made before the kill
    close(report[0]);

    EXPECT_EQ(ce::test::StoreIntegrity(image.dir()), "ok");

    HKEY h = nullptr;
    ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, u"Stream", &h), ERROR_SUCCESS);
    DWORD counter = 0;
    ASSERT_EQ(GetDword(h, u"Counter", counter), ERROR_SUCCESS);
    EXPECT_GE(counter, last);
    for (uint32_t i = 1; i <= last; ++i) {
        HKEY k = nullptr;
        ASSERT_EQ(Open(h, Num(u"K", static_cast<int>(i)).c_str(), &k), ERROR_SUCCESS) << i;
        BYTE blob[300];
        DWORD cb = sizeof blob;
        ASSERT_EQ(RegQueryValueEx(k, u"blob", nullptr, nullptr, blob, &cb), ERROR_SUCCESS) << i;
        EXPECT_EQ(blob[299], static_cast<BYTE>(i));
        RegCloseKey(k);
    }
    // The store still takes writes.
    EXPECT_EQ(SetDword(h, u"After", 1), ERROR_SUCCESS);
    RegCloseKey(h);
}

TEST_F(Processes, AnIdleReaderDelaysNoFlushAndSeesTheChange) {
    HKEY h = Create(HKEY_LOCAL_MACHINE, u"Held");
    ASSERT_EQ(SetDword(h, u"v", 1), ERROR_SUCCESS);
    Signal ready, done;
    pid_t child = Spawn([&] {
        // Reads, then stays idle (holding what it read) until the parent is done.
        DWORD v = 0;
        bool ok = GetDword(h, u"v", v) == ERROR_SUCCESS && v == 1 && ValueNames(h).size() == 1;
        if (!ready.Send() || !done.Receive()) return false;
        return ok && GetDword(h, u"v", v) == ERROR_SUCCESS && v == 2 && ValueNames(h).size() == 2;
    });
    ASSERT_TRUE(ready.Receive());
    EXPECT_EQ(SetDword(h, u"v", 2), ERROR_SUCCESS);
    EXPECT_EQ(SetDword(h, u"w", 3), ERROR_SUCCESS);
    // A flush checkpoints: it waits until no reader is on an older commit.
    EXPECT_EQ(RegFlushKey(h), ERROR_SUCCESS);
    ASSERT_TRUE(done.Send());
    EXPECT_EQ(Wait(child), 0);
    RegCloseKey(h);
}

TEST_F(Processes, HandleFollowsAKeyRenamedByAnotherProcess) {
    HKEY panel = Create(HKEY_LOCAL_MACHINE, u"Panel");
    RegCloseKey(Create(panel, u"Mode"));
    pid_t child = Spawn([] {
        // Renamed away, then a new key takes the old name.
        if (RegRenameKey(HKEY_LOCAL_MACHINE, u"Panel", u"Screen") != ERROR_SUCCESS) return false;
        HKEY again = Create(HKEY_LOCAL_MACHINE, u"Panel\\Other");
        return again && RegCloseKey(again) == ERROR_SUCCESS;
    });
    ASSERT_EQ(Wait(child), 0);
    HKEY mode = nullptr;
    ASSERT_EQ(Open(panel, u"Mode", &mode), ERROR_SUCCESS);
    ASSERT_EQ(SetDword(mode, u"Level", 2), ERROR_SUCCESS);
    HKEY screenMode = nullptr;
    ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, u"Screen\\Mode", &screenMode), ERROR_SUCCESS);
    DWORD v = 0;
    EXPECT_EQ(GetDword(screenMode, u"Level", v), ERROR_SUCCESS);
    EXPECT_EQ(SubKeys(panel), std::vector<std::u16string>{u"Mode"});
    for (HKEY h : {panel, mode, screenMode}) RegCloseKey(h);
}

}  // namespace
