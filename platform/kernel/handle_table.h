// A table of handles: opaque numbers that stand for shared objects. A handle
// is a slot index with a generation, so a closed or forged handle is
// recognised instead of being followed, even after its slot is reused.
//
// Handle values: ((generation << 16) | (index + 1)) << 2 | tag. Never 0 and
// never INVALID_HANDLE_VALUE. The two low bits carry the table's tag, so
// handles of one table (the kernel's, tag 0, as on the device) are never
// taken for handles of another (drawing objects, tag 2).
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "windows.h"

namespace ce {

template <class T>
class HandleTable {
public:
    // `fullError` is the last error set when every slot is in use.
    HandleTable(uintptr_t tag, DWORD fullError) : tag_(tag & 3), fullError_(fullError) {}

    // Null (with the last error set) when the table is full.
    void* Alloc(std::shared_ptr<T> object) {
        std::lock_guard lock(mutex_);
        uint32_t index;
        if (!free_.empty()) {
            index = free_.back();
            free_.pop_back();
        } else {
            if (slots_.size() >= kMaxSlots) {
                SetLastError(fullError_);
                return nullptr;
            }
            index = static_cast<uint32_t>(slots_.size());
            slots_.emplace_back();
        }
        Slot& slot = slots_[index];
        slot.object = std::move(object);
        return reinterpret_cast<void*>((((uintptr_t{slot.generation} << kIndexBits) | (index + 1)) << 2) | tag_);
    }

    std::shared_ptr<T> Lookup(const void* h) const {
        uint32_t index, generation;
        if (!Decode(h, index, generation)) return nullptr;
        std::lock_guard lock(mutex_);
        if (index >= slots_.size() || slots_[index].generation != generation) return nullptr;
        return slots_[index].object;
    }

    // Takes the object out of the table and returns it, so the caller decides
    // where it dies (outside any lock of its own); null when `h` was not live.
    std::shared_ptr<T> Free(const void* h) {
        uint32_t index, generation;
        if (!Decode(h, index, generation)) return nullptr;
        std::lock_guard lock(mutex_);
        if (index >= slots_.size() || slots_[index].generation != generation || !slots_[index].object) return nullptr;
        Slot& slot = slots_[index];
        std::shared_ptr<T> object = std::move(slot.object);
        slot.generation = (slot.generation + 1) & kGenerationMask;
        if (slot.generation == 0) slot.generation = 1;
        free_.push_back(index);
        return object;
    }

private:
    static constexpr uintptr_t kIndexBits = 16;
    static constexpr size_t kMaxSlots = (size_t{1} << kIndexBits) - 1;
    static constexpr uint32_t kGenerationMask = 0xFFFF;

    struct Slot {
        std::shared_ptr<T> object;
        uint32_t generation = 1;
    };

    bool Decode(const void* h, uint32_t& index, uint32_t& generation) const {
        uintptr_t v = reinterpret_cast<uintptr_t>(h);
        if (v == 0 || (v & 3) != tag_ || h == INVALID_HANDLE_VALUE) return false;
        v >>= 2;
        uintptr_t idx = v & ((uintptr_t{1} << kIndexBits) - 1);
        if (idx == 0) return false;
        index = static_cast<uint32_t>(idx - 1);
        generation = static_cast<uint32_t>(v >> kIndexBits);
        return true;
    }

    const uintptr_t tag_;
    const DWORD fullError_;
    mutable std::mutex mutex_;
    std::vector<Slot> slots_;
    std::vector<uint32_t> free_;
};

}  // namespace ce
