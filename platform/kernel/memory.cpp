// LocalAlloc and friends: fixed blocks from the process heap, each with its
// size in front. The live blocks are kept in a set, so that a block freed
// twice, or a pointer that never was a block, is refused instead of freed.
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_set>

#include "windows.h"

namespace {

struct Header {
    size_t size;
    size_t pad;  // keeps the data 16-byte aligned
};

struct Blocks {
    std::mutex mu;
    std::unordered_set<void*> live;
};
Blocks& TheBlocks() {
    static Blocks* b = new Blocks;  // never destroyed: blocks may be freed at exit
    return *b;
}

Header* HeaderOf(HLOCAL h) {
    return reinterpret_cast<Header*>(static_cast<char*>(h) - sizeof(Header));
}

bool IsLive(HLOCAL h) {
    Blocks& b = TheBlocks();
    std::lock_guard lock(b.mu);
    return h && b.live.count(h);
}

}  // namespace

HLOCAL LocalAlloc(UINT uFlags, UINT uBytes) {
    if (uFlags & ~static_cast<UINT>(LMEM_MOVEABLE | LMEM_ZEROINIT)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    void* raw = std::malloc(sizeof(Header) + uBytes);
    if (!raw) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    auto* head = static_cast<Header*>(raw);
    head->size = uBytes;
    void* data = head + 1;
    if (uFlags & LMEM_ZEROINIT) std::memset(data, 0, uBytes);
    Blocks& b = TheBlocks();
    std::lock_guard lock(b.mu);
    b.live.insert(data);
    return data;
}

HLOCAL LocalFree(HLOCAL hMem) {
    if (!hMem) return nullptr;
    Blocks& b = TheBlocks();
    {
        std::lock_guard lock(b.mu);
        if (!b.live.erase(hMem)) {
            SetLastError(ERROR_INVALID_HANDLE);
            return hMem;
        }
    }
    std::free(HeaderOf(hMem));
    return nullptr;
}

UINT LocalSize(HLOCAL hMem) {
    if (!IsLive(hMem)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return static_cast<UINT>(HeaderOf(hMem)->size);
}

LPVOID LocalLock(HLOCAL hMem) {
    if (!IsLive(hMem)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return hMem;
}

BOOL LocalUnlock(HLOCAL hMem) {
    // Fixed blocks are never locked: FALSE, as Win32 answers for them.
    if (!IsLive(hMem)) SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
}
