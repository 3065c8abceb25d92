// Events, waits and threads.
#include <gtest/gtest.h>

#include <atomic>

#include "ce_kernel.h"

namespace {

TEST(Events, AutoResetReleasesOneWaitManualResetStaysSignalledUntilReset) {
    HANDLE autoEv = CreateEvent(nullptr, FALSE, FALSE, nullptr), manual = CreateEvent(nullptr, TRUE, TRUE, nullptr);
    ASSERT_NE(autoEv, nullptr);
    EXPECT_EQ(WaitForSingleObject(autoEv, 0), WAIT_TIMEOUT);
    SetEvent(autoEv);
    EXPECT_EQ(WaitForSingleObject(autoEv, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(autoEv, 0), WAIT_TIMEOUT);
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(manual, 10), WAIT_OBJECT_0);
    ResetEvent(manual);
    EXPECT_EQ(WaitForSingleObject(manual, 5), WAIT_TIMEOUT);
    EXPECT_TRUE(CloseHandle(autoEv));
    EXPECT_TRUE(CloseHandle(manual));
}

TEST(Events, NamedEventsAreSharedAndOpenFailsWithoutOne) {
    SetLastError(0);
    EXPECT_EQ(OpenEvent(EVENT_ALL_ACCESS, FALSE, u"NoSuchEvent"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

    HANDLE a = CreateEvent(nullptr, FALSE, FALSE, u"SharedEvent");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    HANDLE b = CreateEvent(nullptr, FALSE, FALSE, u"sharedevent");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    HANDLE c = OpenEvent(EVENT_ALL_ACCESS, FALSE, u"SharedEvent");
    ASSERT_NE(c, nullptr);
    SetEvent(b);
    EXPECT_EQ(WaitForSingleObject(c, 0), WAIT_OBJECT_0);
    CloseHandle(a);
    CloseHandle(b);
    CloseHandle(c);
    // The name goes with the last handle.
    EXPECT_EQ(OpenEvent(EVENT_ALL_ACCESS, FALSE, u"SharedEvent"), nullptr);
}

TEST(Events, BadHandlesFailCleanly) {
    HANDLE ev = CreateEvent(nullptr, FALSE, FALSE, nullptr);
    CloseHandle(ev);
    EXPECT_FALSE(SetEvent(ev));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(WaitForSingleObject(ev, 0), WAIT_FAILED);
    EXPECT_FALSE(CloseHandle(ev));
    EXPECT_FALSE(CloseHandle(reinterpret_cast<HANDLE>(uintptr_t{0x12345678})));
    EXPECT_FALSE(CloseHandle(INVALID_HANDLE_VALUE));
    EXPECT_FALSE(CloseHandle(nullptr));
}

TEST(Events, WaitForMultipleReportsTheSignalledIndex) {
    HANDLE evs[3] = {CreateEvent(nullptr, FALSE, FALSE, nullptr), CreateEvent(nullptr, FALSE, FALSE, nullptr),
                     CreateEvent(nullptr, TRUE, FALSE, nullptr)};
    SetEvent(evs[2]);
    EXPECT_EQ(WaitForMultipleObjects(3, evs, FALSE, 0), WAIT_OBJECT_0 + 2);
    EXPECT_EQ(WaitForMultipleObjects(3, evs, TRUE, 0), WAIT_TIMEOUT);
    SetEvent(evs[0]);
    SetEvent(evs[1]);
    EXPECT_EQ(WaitForMultipleObjects(3, evs, TRUE, 0), WAIT_OBJECT_0);
    // The auto-reset members were consumed by the wait-all.
    EXPECT_EQ(WaitForMultipleObjects(2, evs, FALSE, 0), WAIT_TIMEOUT);
    for (HANDLE h : evs) CloseHandle(h);
}

DWORD WINAPI WaitThenExit(LPVOID param) {
    HANDLE ev = static_cast<HANDLE>(param);
    return WaitForSingleObject(ev, INFINITE) == WAIT_OBJECT_0 ? 42 : 1;
}

TEST(Threads, ThreadsWaitForEventsAndReportTheirExitCodes) {
    HANDLE ev = CreateEvent(nullptr, FALSE, FALSE, nullptr);
    DWORD id = 0;
    HANDLE th = CreateThread(nullptr, 0, WaitThenExit, ev, 0, &id);
    ASSERT_NE(th, nullptr);
    EXPECT_NE(id, 0u);
    EXPECT_NE(id, GetCurrentThreadId());
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(th, &code));
    EXPECT_EQ(code, STILL_ACTIVE);
    EXPECT_EQ(WaitForSingleObject(th, 0), WAIT_TIMEOUT);
    SetEvent(ev);
    EXPECT_EQ(WaitForSingleObject(th, INFINITE), WAIT_OBJECT_0);
    EXPECT_TRUE(GetExitCodeThread(th, &code));
    EXPECT_EQ(code, 42u);
    CloseHandle(th);
    CloseHandle(ev);

    // Many threads released by one manual-reset event.
    HANDLE go = CreateEvent(nullptr, TRUE, FALSE, nullptr);
    std::vector<HANDLE> threads;
    for (int i = 0; i < 8; ++i) threads.push_back(CreateThread(nullptr, 0, WaitThenExit, go, 0, nullptr));
    SetEvent(go);
    EXPECT_EQ(WaitForMultipleObjects(static_cast<DWORD>(threads.size()), threads.data(), TRUE, INFINITE),
              WAIT_OBJECT_0);
    for (HANDLE t : threads) {
        EXPECT_TRUE(GetExitCodeThread(t, &code));
        EXPECT_EQ(code, 42u);
        CloseHandle(t);
    }
    CloseHandle(go);
}

DWORD WINAPI ExitEarly(LPVOID) {
    ExitThread(7);
    return 0;
}

TEST(Threads, ExitThreadSetsTheCodeAndClosingTheHandleLeavesThreadRunning) {
    HANDLE th = CreateThread(nullptr, 0, ExitEarly, nullptr, 0, nullptr);
    WaitForSingleObject(th, INFINITE);
    DWORD code = 0;
    GetExitCodeThread(th, &code);
    EXPECT_EQ(code, 7u);
    CloseHandle(th);

    // A thread whose handle is closed at once still runs to its end.
    HANDLE ev = CreateEvent(nullptr, TRUE, FALSE, nullptr);
    HANDLE done = CreateEvent(nullptr, TRUE, FALSE, nullptr);
    struct Args {
        HANDLE go, done;
    } args{ev, done};
    HANDLE t2 = CreateThread(
        nullptr, 0,
        [](LPVOID p) -> DWORD {
            auto* a = static_cast<Args*>(p);
            WaitForSingleObject(a->go, INFINITE);
            SetEvent(a->done);
            return 0;
        },
        &args, 0, nullptr);
    CloseHandle(t2);
    SetEvent(ev);
    EXPECT_EQ(WaitForSingleObject(done, INFINITE), WAIT_OBJECT_0);
    CloseHandle(ev);
    CloseHandle(done);
}

TEST(Time, TickCountAdvancesAcrossSleep) {
    DWORD t0 = GetTickCount();
    Sleep(20);
    EXPECT_GE(GetTickCount() - t0, 20u);
}

}  // namespace
