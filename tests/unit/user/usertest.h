// Helpers of the window system tests: a recording window class.
#pragma once

#include <gtest/gtest.h>

#include <mutex>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "ce_gdi.h"
#include "ce_user.h"
#include "lasterror.h"

namespace usertest {

struct Entry {
    HWND hwnd;
    UINT msg;
    WPARAM wp;
    LPARAM lp;
    bool operator==(const Entry&) const = default;
};
inline void PrintTo(const Entry& e, std::ostream* os) {
    *os << "{" << e.hwnd << ", 0x" << std::hex << e.msg << ", 0x" << e.wp << ", 0x" << e.lp << std::dec << "}";
}
using Entries = std::vector<Entry>;
using Pairs = std::vector<std::pair<HWND, UINT>>;

// Every message the recording class sees (except the noisy ones), in order.
class Log {
public:
    static Log& Get() {
        static Log log;
        return log;
    }
    void Add(const Entry& e) {
        std::lock_guard<std::mutex> l(mu_);
        entries_.push_back(e);
    }
    Entries Take() {
        std::lock_guard<std::mutex> l(mu_);
        return std::exchange(entries_, {});
    }
    // Only the given messages, as (window, message) pairs.
    Pairs Filter(std::initializer_list<UINT> msgs) {
        Pairs out;
        for (auto& e : Take())
            for (UINT m : msgs)
                if (e.msg == m) out.push_back({e.hwnd, e.msg});
        return out;
    }

private:
    std::mutex mu_;
    Entries entries_;
};

inline LRESULT CALLBACK RecordProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    if (m != WM_NCHITTEST && m != WM_GETTEXT && m != WM_GETTEXTLENGTH) Log::Get().Add({h, m, wp, lp});
    return DefWindowProc(h, m, wp, lp);
}

inline void RegisterClasses() {
    static bool done = [] {
        ce::gdi::Screen::SetMode(ce::gdi::ScreenMode{});
        WNDCLASSW wc{};
        wc.lpfnWndProc = RecordProc;
        wc.lpszClassName = u"Rec";
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.cbWndExtra = 12;
        RegisterClass(&wc);
        wc.lpszClassName = u"RecDbl";
        wc.style = CS_DBLCLKS;
        RegisterClass(&wc);
        wc.lpszClassName = u"Static";  // a built-in class
        ce::user::RegisterBuiltinClass(wc);
        return true;
    }();
    (void)done;
}

// Handles everything pending on this thread (sent, posted, paint).
inline void Pump() {
    MSG m;
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
        if (m.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(m.wParam));
            return;
        }
        TranslateMessage(&m);
        DispatchMessage(&m);
    }
}

class UserTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterClasses();
        Settle();
    }
    void TearDown() override {
        for (HWND h : made_) DestroyWindow(h);
        ReleaseCapture();
        Pump();
        Log::Get().Take();
    }
    // Handles everything pending and forgets the messages it brought.
    static void Settle() {
        Pump();
        Log::Get().Take();
    }
    HWND Top(LPCWSTR cls, DWORD style, int x, int y, int w, int h, DWORD ex = 0, HWND owner = nullptr) {
        HWND r = CreateWindowEx(ex, cls, u"top", style, x, y, w, h, owner, nullptr, nullptr, nullptr);
        made_.push_back(r);
        return r;
    }
    HWND Child(HWND parent, LPCWSTR cls, int id, int x, int y, int w, int h, DWORD style = WS_VISIBLE) {
        return CreateWindowEx(0, cls, u"", WS_CHILD | style, x, y, w, h, parent,
                              reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), nullptr, nullptr);
    }
    std::vector<HWND> made_;
};

}  // namespace usertest
