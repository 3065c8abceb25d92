// Queues: posting, sending across threads, quitting, timers, keys.
#include <future>
#include <thread>

#include "usertest.h"

using namespace usertest;

namespace {

HWND g_main = nullptr;

LRESULT CALLBACK MainProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_USER + 7) return 10;
    if (m == WM_USER + 10) return static_cast<LRESULT>(wp) + 1;
    return DefWindowProc(h, m, wp, lp);
}

LRESULT CALLBACK WorkerProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    switch (m) {
        case WM_USER + 5:
            return static_cast<LRESULT>(wp) * 2;
        case WM_USER + 6:
            return SendMessage(g_main, WM_USER + 7, 0, 0) + 1;  // back while the main thread waits
        case WM_USER + 8:
            return SendMessage(g_main, WM_USER + 10, 5, 0);
        case WM_USER + 9:
            return 99;
        case WM_USER + 11:
            return InSendMessage();
    }
    return DefWindowProc(h, m, wp, lp);
}

void RegisterOnce() {
    static bool done = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = MainProc;
        wc.lpszClassName = u"MainSide";
        RegisterClass(&wc);
        wc.lpfnWndProc = WorkerProc;
        wc.lpszClassName = u"WorkerSide";
        RegisterClass(&wc);
        return true;
    }();
    (void)done;
}

// A thread with a window and a message loop.
class Worker {
public:
    Worker() {
        std::promise<std::pair<HWND, DWORD>> ready;
        auto f = ready.get_future();
        thread_ = std::thread([this, &ready] {
            HWND w = CreateWindowEx(0, u"WorkerSide", u"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
            ready.set_value({w, GetCurrentThreadId()});
            MSG m;
            while (GetMessage(&m, nullptr, 0, 0) > 0) DispatchMessage(&m);
            exitCode_ = static_cast<int>(m.wParam);
            DestroyWindow(w);
        });
        auto [w, tid] = f.get();
        hwnd = w;
        tid_ = tid;
    }
    int Stop(int code = 0) {
        PostThreadMessage(tid_, WM_QUIT, static_cast<WPARAM>(code), 0);
        thread_.join();
        return exitCode_;
    }
    HWND hwnd;

private:
    std::thread thread_;
    DWORD tid_ = 0;
    int exitCode_ = -1;
};

}  // namespace

class Messages : public UserTest {
protected:
    void SetUp() override {
        UserTest::SetUp();
        RegisterOnce();
        g_main = Top(u"MainSide", WS_POPUP, 0, 0, 1, 1);
    }
};

TEST_F(Messages, SendToAnotherThreadIsHandledWhileItWaitsInGetMessage) {
    Worker w;
    EXPECT_EQ(SendMessage(w.hwnd, WM_USER + 5, 21, 0), 42);
    EXPECT_EQ(SendMessage(w.hwnd, WM_USER + 11, 0, 0), TRUE);  // InSendMessage there
    EXPECT_FALSE(InSendMessage());
    EXPECT_EQ(w.Stop(7), 7);
    // The thread and its window are gone: sending fails cleanly.
    EXPECT_EQ(SendMessage(w.hwnd, WM_USER + 5, 1, 0), 0);
}

TEST_F(Messages, NestedAndCrossingSendsBetweenTwoThreadsDoNotDeadlock) {
    Worker w;
    // The worker sends back to this thread while this thread waits for it.
    EXPECT_EQ(SendMessage(w.hwnd, WM_USER + 6, 0, 0), 11);
    // Both threads send to each other at the same time.
    for (int i = 0; i < 50; ++i) {
        PostMessage(w.hwnd, WM_USER + 8, 0, 0);
        EXPECT_EQ(SendMessage(w.hwnd, WM_USER + 9, 0, 0), 99);
    }
    // Sends from the worker still waiting are served by the loop below.
    auto stopped = std::async(std::launch::async, [&] { return w.Stop(0); });
    MSG m;
    while (stopped.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
        if (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&m);
    EXPECT_EQ(stopped.get(), 0);
}

TEST_F(Messages, PostedMessagesArriveInOrderAndQuitEndsTheLoop) {
    HWND h = Top(u"Rec", WS_POPUP, 0, 0, 1, 1);
    PostMessage(h, WM_USER + 1, 1, 0);
    PostMessage(h, WM_USER + 2, 2, 0);
    PostThreadMessage(GetCurrentThreadId(), WM_USER + 3, 3, 0);
    PostQuitMessage(5);
    PostMessage(h, WM_USER + 4, 4, 0);  // posted messages come before WM_QUIT
    std::vector<UINT> seen;
    MSG m;
    BOOL r;
    while ((r = GetMessage(&m, nullptr, 0, 0)) > 0) {
        seen.push_back(m.message);
        DispatchMessage(&m);
    }
    EXPECT_EQ(r, FALSE);
    EXPECT_EQ(m.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(m.wParam, 5u);
    EXPECT_EQ(seen, (std::vector<UINT>{WM_USER + 1, WM_USER + 2, WM_USER + 3, WM_USER + 4}));
    EXPECT_FALSE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(Messages, PeekNoRemoveLeavesTheMessageAndFiltersApply) {
    HWND a = Top(u"Rec", WS_POPUP, 0, 0, 1, 1);
    HWND b = Top(u"Rec", WS_POPUP, 0, 0, 1, 1);
    PostMessage(a, WM_USER + 1, 0, 0);
    PostMessage(b, WM_USER + 2, 0, 0);
    MSG m;
    ASSERT_TRUE(PeekMessage(&m, b, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_USER + 2));
    ASSERT_TRUE(PeekMessage(&m, nullptr, WM_USER + 2, WM_USER + 2, PM_REMOVE));
    EXPECT_EQ(m.hwnd, b);
    ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_USER + 1));
    EXPECT_FALSE(PeekMessage(&m, nullptr, WM_USER, WM_USER + 10, PM_REMOVE));
}

TEST_F(Messages, TimersFireWhenTheQueueIsEmptyAndStopWhenKilled) {
    HWND h = Top(u"Rec", WS_POPUP, 0, 0, 1, 1);
    ASSERT_EQ(SetTimer(h, 9, 1, nullptr), 9u);
    PostMessage(h, WM_USER, 0, 0);
    MSG m;
    ASSERT_TRUE(GetMessage(&m, nullptr, 0, 0));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_USER));  // posted first
    ASSERT_TRUE(GetMessage(&m, nullptr, 0, 0));        // blocks until due
    EXPECT_EQ(m.message, static_cast<UINT>(WM_TIMER));
    EXPECT_EQ(m.hwnd, h);
    EXPECT_EQ(m.wParam, 9u);
    EXPECT_TRUE(KillTimer(h, 9));
    EXPECT_FALSE(KillTimer(h, 9));
    EXPECT_FALSE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
    // Timers of a destroyed window die with it.
    SetTimer(h, 3, 0, nullptr);
    DestroyWindow(h);
    EXPECT_FALSE(PeekMessage(&m, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
}

TEST_F(Messages, KeysGoToTheFocusAndTranslateMakesCharacters) {
    HWND top = Top(u"Rec", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50);
    HWND c = Child(top, u"Rec", 1, 0, 0, 10, 10);
    SetFocus(c);
    Settle();
    ce::user::InjectKey('A', true, u'\u00e4');
    ce::user::InjectKey('A', false, 0);
    ce::user::InjectKey(VK_LEFT, true, 0);
    Pump();
    const LPARAM up = LPARAM(0xC0000001u);  // previous state down, being released
    EXPECT_EQ(
        Log::Get().Take(),
        (Entries{
            {c, WM_KEYDOWN, 'A', 1}, {c, WM_CHAR, u'\u00e4', 1}, {c, WM_KEYUP, 'A', up}, {c, WM_KEYDOWN, VK_LEFT, 1}}));
}
