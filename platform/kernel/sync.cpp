// Events, threads, waits, time and the thread's last error.
//
// Every waitable object is guarded by one kernel-wide mutex and one condition
// variable: a state change wakes all waiters, which re-check their objects.
// The device's programs wait on a handful of objects, so this simple scheme
// costs nothing and makes WaitForMultipleObjects exact.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

#include "ce_kernel.h"

namespace ce {

namespace {

// Never destroyed: a thread that ends while the process exits may still be
// signalling them.
std::mutex& g_sync = *new std::mutex;
std::condition_variable& g_changed = *new std::condition_variable;

struct Waitable : KernelObject {
    // Both called with g_sync held.
    virtual bool Signaled() const = 0;
    virtual void Acquire() {}
};

struct Event : Waitable {
    bool manualReset = false;
    bool signaled = false;
    std::u16string foldedName;
    std::function<void()> onSet;  // driver-owned events only
    bool Signaled() const override { return signaled; }
    void Acquire() override {
        if (!manualReset) signaled = false;
    }
    ~Event() override;
};

std::unordered_map<std::u16string, std::weak_ptr<Event>>& g_namedEvents =
    *new std::unordered_map<std::u16string, std::weak_ptr<Event>>;  // under g_sync; never destroyed

Event::~Event() {
    if (foldedName.empty()) return;
    std::lock_guard lock(g_sync);
    auto it = g_namedEvents.find(foldedName);
    if (it != g_namedEvents.end() && it->second.expired()) g_namedEvents.erase(it);
}

struct Thread : Waitable {
    bool finished = false;
    DWORD exitCode = STILL_ACTIVE;
    DWORD id = 0;
    bool Signaled() const override { return finished; }
};

struct ThreadExit {
    DWORD code;
};

thread_local DWORD t_lastError = 0;
std::atomic<DWORD> g_nextThreadId{1};
thread_local DWORD t_threadId = 0;

const auto g_start = std::chrono::steady_clock::now();

HANDLE NewEvent(bool manualReset, bool initialState, std::u16string_view name, std::function<void()> onSet) {
    std::shared_ptr<Event> ev;
    bool existed = false;
    {
        std::lock_guard lock(g_sync);
        std::u16string folded = Fold(name);
        if (!folded.empty()) {
            auto it = g_namedEvents.find(folded);
            if (it != g_namedEvents.end()) ev = it->second.lock();
        }
        if (ev) {
            existed = true;
            if (onSet && !ev->onSet) ev->onSet = std::move(onSet);
        } else {
            ev = std::make_shared<Event>();
            ev->manualReset = manualReset;
            ev->signaled = initialState;
            ev->foldedName = folded;
            ev->onSet = std::move(onSet);
            if (!folded.empty()) g_namedEvents[folded] = ev;
        }
    }
    HANDLE h = AllocHandle(ev);
    if (h) SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return h;
}

}  // namespace

HANDLE CreateDriverEvent(std::u16string_view name, bool manualReset, std::function<void()> onSet) {
    return NewEvent(manualReset, false, name, std::move(onSet));
}

}  // namespace ce

using namespace ce;

DWORD GetLastError() {
    return t_lastError;
}
void SetLastError(DWORD dwErrCode) {
    t_lastError = dwErrCode;
}

HANDLE CreateEvent(LPSECURITY_ATTRIBUTES, BOOL bManualReset, BOOL bInitialState, LPCWSTR lpName) {
    std::u16string_view name;
    if (lpName) {
        size_t n = BoundedLen(lpName, MAX_PATH + 1);
        if (n > MAX_PATH) {
            SetLastError(ERROR_FILENAME_EXCED_RANGE);
            return nullptr;
        }
        name = std::u16string_view(lpName, n);
    }
    return NewEvent(bManualReset != FALSE, bInitialState != FALSE, name, nullptr);
}

HANDLE OpenEvent(DWORD, BOOL, LPCWSTR lpName) {
    if (!lpName || !*lpName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::shared_ptr<Event> ev;
    {
        std::lock_guard lock(g_sync);
        auto it = g_namedEvents.find(Fold(std::u16string_view(lpName, BoundedLen(lpName, MAX_PATH + 1))));
        if (it != g_namedEvents.end()) ev = it->second.lock();
    }
    if (!ev) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    return AllocHandle(ev);
}

static BOOL SetEventState(HANDLE hEvent, bool signaled) {
    auto ev = LookupHandleAs<Event>(hEvent);
    if (!ev) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    std::function<void()> onSet;
    {
        std::lock_guard lock(g_sync);
        ev->signaled = signaled;
        if (signaled) {
            onSet = ev->onSet;
            g_changed.notify_all();
        }
    }
    if (signaled) {
        if (onSet) {
            // The owning driver handles the event as its waiting thread would:
            // it runs, and an auto-reset event is consumed by that wait.
            onSet();
            std::lock_guard lock(g_sync);
            ev->Acquire();
        }
    }
    return TRUE;
}

BOOL SetEvent(HANDLE hEvent) {
    return SetEventState(hEvent, true);
}
BOOL ResetEvent(HANDLE hEvent) {
    return SetEventState(hEvent, false);
}

BOOL PulseEvent(HANDLE hEvent) {
    // Documented as unreliable on every Win32; here it wakes whoever waits
    // now and leaves the event reset.
    if (!SetEvent(hEvent)) return FALSE;
    return ResetEvent(hEvent);
}

DWORD WaitForMultipleObjects(DWORD nCount, const HANDLE* lpHandles, BOOL bWaitAll, DWORD dwMilliseconds) {
    if (nCount == 0 || nCount > MAXIMUM_WAIT_OBJECTS || !lpHandles) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    std::vector<std::shared_ptr<Waitable>> objects;
    for (DWORD i = 0; i < nCount; ++i) {
        auto w = LookupHandleAs<Waitable>(lpHandles[i]);
        if (!w) {
            SetLastError(ERROR_INVALID_HANDLE);
            return WAIT_FAILED;
        }
        objects.push_back(std::move(w));
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(dwMilliseconds);
    std::unique_lock lock(g_sync);
    for (;;) {
        if (bWaitAll) {
            bool all = true;
            for (auto& o : objects) all = all && o->Signaled();
            if (all) {
                for (auto& o : objects) o->Acquire();
                return WAIT_OBJECT_0;
            }
        } else {
            for (DWORD i = 0; i < nCount; ++i) {
                if (objects[i]->Signaled()) {
                    objects[i]->Acquire();
                    return WAIT_OBJECT_0 + i;
                }
            }
        }
        if (dwMilliseconds == INFINITE)
            g_changed.wait(lock);
        else if (std::chrono::steady_clock::now() >= deadline)
            return WAIT_TIMEOUT;
        else
            g_changed.wait_until(lock, deadline);
    }
}

DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
    return WaitForMultipleObjects(1, &hHandle, FALSE, dwMilliseconds);
}

DWORD GetCurrentThreadId() {
    if (t_threadId == 0) t_threadId = g_nextThreadId++;
    return t_threadId;
}

HANDLE CreateThread(LPSECURITY_ATTRIBUTES, DWORD, LPTHREAD_START_ROUTINE lpStartAddress, LPVOID lpParameter,
                    DWORD dwCreationFlags, LPDWORD lpThreadId) {
    if (!lpStartAddress) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (dwCreationFlags != 0) {
        // Suspended creation is not offered by this platform.
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    auto th = std::make_shared<Thread>();
    th->id = g_nextThreadId++;
    HANDLE h = AllocHandle(th);
    if (!h) return nullptr;
    if (lpThreadId) *lpThreadId = th->id;
    try {
        std::thread([th, lpStartAddress, lpParameter] {
            t_threadId = th->id;
            DWORD code;
            try {
                code = lpStartAddress(lpParameter);
            } catch (const ThreadExit& e) {
                code = e.code;
            }
            std::lock_guard lock(g_sync);
            th->exitCode = code;
            th->finished = true;
            g_changed.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        FreeHandle(h);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    return h;
}

void ExitThread(DWORD dwExitCode) {
    throw ThreadExit{dwExitCode};
}

BOOL GetExitCodeThread(HANDLE hThread, LPDWORD lpExitCode) {
    auto th = LookupHandleAs<Thread>(hThread);
    if (!th || !lpExitCode) {
        SetLastError(th ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    std::lock_guard lock(g_sync);
    *lpExitCode = th->exitCode;
    return TRUE;
}

void Sleep(DWORD dwMilliseconds) {
    if (dwMilliseconds == 0) {
        std::this_thread::yield();
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(dwMilliseconds));
}

// Sequentially consistent, as the full barriers of the Win32 functions.
LONG InterlockedExchange(LONG volatile* Target, LONG Value) {
    return std::atomic_ref<LONG>(*const_cast<LONG*>(Target)).exchange(Value);
}

LONG InterlockedIncrement(LONG volatile* Addend) {
    return std::atomic_ref<LONG>(*const_cast<LONG*>(Addend)).fetch_add(1) + 1;
}

LONG InterlockedDecrement(LONG volatile* Addend) {
    return std::atomic_ref<LONG>(*const_cast<LONG*>(Addend)).fetch_sub(1) - 1;
}

LONG InterlockedCompareExchange(LONG volatile* Destination, LONG Exchange, LONG Comperand) {
    std::atomic_ref<LONG>(*const_cast<LONG*>(Destination)).compare_exchange_strong(Comperand, Exchange);
    return Comperand;
}

DWORD GetTickCount() {
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - g_start);
    return static_cast<DWORD>(ms.count());
}
