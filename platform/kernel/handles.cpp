// The kernel's handle table. A handle is an opaque number: a slot index with
// a generation, so a closed or forged handle is recognised instead of being
// followed.
#include <mutex>
#include <vector>

#include "ce_kernel.h"

namespace ce {

namespace {

struct Slot {
    std::shared_ptr<KernelObject> object;
    uint32_t generation = 1;
};

// The table lives as long as the process: objects still open at exit (the
// drivers' events, a thread's handle) are never destroyed in an arbitrary
// order against the rest of the kernel's globals.
std::mutex& g_handleMutex = *new std::mutex;
std::vector<Slot>& g_slots = *new std::vector<Slot>;
std::vector<uint32_t>& g_free = *new std::vector<uint32_t>;

// Handle values: ((generation << 16) | (index + 1)) << 2. Never 0 and never
// INVALID_HANDLE_VALUE; the low two bits stay clear as on the device.
constexpr uintptr_t kIndexBits = 16;

bool Decode(HANDLE h, uint32_t& index, uint32_t& generation) {
    uintptr_t v = reinterpret_cast<uintptr_t>(h);
    if (v == 0 || (v & 3) || h == INVALID_HANDLE_VALUE) return false;
    v >>= 2;
    uintptr_t idx = v & ((uintptr_t{1} << kIndexBits) - 1);
    if (idx == 0) return false;
    index = static_cast<uint32_t>(idx - 1);
    generation = static_cast<uint32_t>(v >> kIndexBits);
    return true;
}

}  // namespace

HANDLE AllocHandle(std::shared_ptr<KernelObject> object) {
    std::lock_guard lock(g_handleMutex);
    uint32_t index;
    if (!g_free.empty()) {
        index = g_free.back();
        g_free.pop_back();
    } else {
        if (g_slots.size() >= (size_t{1} << kIndexBits) - 1) {
            SetLastError(ERROR_TOO_MANY_OPEN_FILES);
            return nullptr;
        }
        index = static_cast<uint32_t>(g_slots.size());
        g_slots.emplace_back();
    }
    Slot& slot = g_slots[index];
    slot.object = std::move(object);
    uintptr_t v = ((uintptr_t{slot.generation} << kIndexBits) | (index + 1)) << 2;
    return reinterpret_cast<HANDLE>(v);
}

std::shared_ptr<KernelObject> LookupHandle(HANDLE h) {
    uint32_t index, generation;
    if (!Decode(h, index, generation)) return nullptr;
    std::lock_guard lock(g_handleMutex);
    if (index >= g_slots.size() || g_slots[index].generation != generation) return nullptr;
    return g_slots[index].object;
}

bool FreeHandle(HANDLE h) {
    uint32_t index, generation;
    if (!Decode(h, index, generation)) return false;
    std::shared_ptr<KernelObject> dying;  // released outside the lock
    {
        std::lock_guard lock(g_handleMutex);
        if (index >= g_slots.size() || g_slots[index].generation != generation || !g_slots[index].object) return false;
        dying = std::move(g_slots[index].object);
        g_slots[index].generation = (g_slots[index].generation + 1) & 0xFFFF;
        if (g_slots[index].generation == 0) g_slots[index].generation = 1;
        g_free.push_back(index);
    }
    return true;
}

}  // namespace ce

BOOL CloseHandle(HANDLE hObject) {
    if (!ce::FreeHandle(hObject)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}
