// Internal: the maps from Win32 handles to the framework's C++ objects.
//
// Permanent entries are the C++ objects a program made and attached a
// handle to (a CPen it created, a CDC it attached). They are shared by all
// threads and live as long as the object keeps its handle.
//
// Temporary entries are wrappers the framework makes on demand, when it has
// to hand out a C++ object for a handle nobody attached (the pen that was
// selected before, the DC of a paint message). They belong to the thread
// that asked, never own the handle (deleting one leaves the Win32 object
// alone) and stay valid until that thread calls AfxUnlockTempMaps - the
// message loop does at idle time - or ends. A caller must therefore not keep
// such a pointer beyond the message it is handling.
#pragma once

#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "windef.h"

namespace ce::mfc {

// Called by AfxUnlockTempMaps for the calling thread; every map registers one.
void RegisterTempMap(void (*deleteTemps)());
void DeleteAllTempMaps();

template <class Object, class Handle, Handle Object::*Member>
class HandleMap {
public:
    HandleMap() { RegisterTempMap(&HandleMap::DeleteTemps); }

    // The permanent object of h, else a temporary one made by make(h) whose
    // kind is `kind` (an existing temporary of another kind - the handle was
    // freed and reused - is retired, not reused). nullptr for a null handle.
    Object* FromHandle(Handle h, DWORD kind, Object* (*make)()) {
        if (!h) return nullptr;
        if (Object* o = LookupPermanent(h)) return o;
        Temps& t = ThreadTemps();
        auto it = t.live.find(h);
        if (it != t.live.end()) {
            if (it->second.kind == kind) return it->second.object;
            t.retired.push_back(it->second.object);
            t.live.erase(it);
        }
        Object* o = make();
        o->*Member = h;
        t.live.emplace(h, Entry{kind, o});
        return o;
    }

    Object* LookupPermanent(Handle h) {
        std::lock_guard<std::mutex> g(mu_);
        auto it = permanent_.find(h);
        return it == permanent_.end() ? nullptr : it->second;
    }

    void SetPermanent(Handle h, Object* o) {
        if (!h) return;
        std::lock_guard<std::mutex> g(mu_);
        permanent_[h] = o;
    }

    void RemovePermanent(Handle h, const Object* o) {
        if (!h) return;
        std::lock_guard<std::mutex> g(mu_);
        auto it = permanent_.find(h);
        if (it != permanent_.end() && it->second == o) permanent_.erase(it);
    }

    static void DeleteTemps() { ThreadTemps().Clear(); }

private:
    struct Entry {
        DWORD kind;
        Object* object;
    };
    struct Temps {
        std::unordered_map<Handle, Entry> live;
        std::vector<Object*> retired;
        ~Temps() { Clear(); }
        static void Free(Object* o) {
            o->*Member = nullptr;  // a temporary never owns its handle
            delete o;
        }
        void Clear() {
            for (auto& [h, e] : live) Free(e.object);
            for (Object* o : retired) Free(o);
            live.clear();
            retired.clear();
        }
    };
    static Temps& ThreadTemps() {
        static thread_local Temps temps;
        return temps;
    }

    std::mutex mu_;
    std::unordered_map<Handle, Object*> permanent_;
};

}  // namespace ce::mfc
