// The Win32 registry API of the device over the shared store.
//
// Key handles come from a table of this process: each records the key's row
// id and folded path, plus the ordered sub-key and value lists last read
// through it. The lists are used as long as the store's change stamp is the
// one they were read at, so enumerating a key index by index reads the key
// once, and a change by any process is seen at the next call. Opening a key
// is answered from memory under the same rule when its parent's list is at
// hand (the handle opened on, or the key listed last) or when the same path
// was found before.
//
// Choices where Win32 leaves room (documented here once):
// - A sub-key path may begin with "\": it is then taken from the root of the
//   handle's tree. Trailing backslashes are ignored ("a\b\" is "a\b", as on
//   Win32); an empty component inside ("a\\b") is ERROR_BAD_PATHNAME; a key
//   name over 255 characters or a value name over 16383 is
//   ERROR_INVALID_PARAMETER. A key deeper than kMaxKeyDepth levels or with a
//   path over kMaxKeyPathLength characters below its root cannot be created:
//   ERROR_FILENAME_EXCED_RANGE.
// - ERROR_MORE_DATA for a name buffer leaves the buffer and its count as
//   they were, but RegEnumValue still reports the value's type and data size
//   (so a caller can size both buffers at once); for a data buffer it reports
//   the size needed in *lpcbData and leaves the buffer's content unspecified
//   (we do not write it).
// - Every in/out size is read before any output is written, so a caller may
//   pass one DWORD as both lpType and lpcbData.
// - Keys have no class and no last-write time: both are reported empty/zero.
// - RegDeleteKey deletes the whole subtree; "" or NULL deletes the handle's
//   own key, which for a root key is refused with ERROR_ACCESS_DENIED.
// - RegRenameKey refuses a new name that a sibling has in any case with
//   ERROR_ALREADY_EXISTS (a change of case of the key's own name is allowed),
//   and an empty name, a name with "\" or over 255 characters with
//   ERROR_INVALID_PARAMETER; a root key cannot be renamed (ERROR_ACCESS_DENIED).
//   Handles stay on their keys: a handle follows its key's new path.
// - RegRenameValue (the device's own call; Win32 has none) moves a value's
//   type and data to a new name in one transaction; a name another value of
//   the key has in any case is refused with ERROR_ALREADY_EXISTS (a change of
//   case of the value's own name is allowed).
//
// Reads share a read transaction held across calls (store.h). A helper
// thread ends it once it is older than the hold limit (looking every
// kReaperTick), so no process keeps a snapshot for long: another process's
// checkpoint (RegFlushKey) waits for it a few milliseconds at most.
#include <pthread.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <vector>

#include "ce_kernel.h"
#include "ce_registry.h"
#include "savefile.h"
#include "store.h"
#include "winreg.h"

namespace ce::reg {
namespace {

constexpr uintptr_t kFirstRoot = 0x80000000u;
constexpr int kRootCount = 4;
constexpr int kLocalMachine = 2;
constexpr size_t kMaxSaveFileSize = 256u << 20;
constexpr uintptr_t kHandleBase = 0x00010000u;
constexpr uintptr_t kHandleSpan = 0x3FFF0000u;
// How often the helper thread that ends held reads looks, and how many looks
// without a held read it waits before it goes.
constexpr auto kReaperTick = std::chrono::milliseconds(10);
constexpr int kReaperLinger = 100;
// How many keys found by path are kept at most.
constexpr size_t kKnownKeys = 4096;

struct KeyHandle {
    int root = 0;
    KeyId id = 0;
    std::string path;  // folded full path as stored
    bool isRoot = false;

    bool childrenValid = false;
    Stamp childrenStamp;
    ChildList children;  // in the store's order (case-insensitive)
    bool valuesValid = false;
    Stamp valuesStamp;
    Stamp pathStamp;  // when `path` was last known to be the key's path
    ValueList values;

    void Forget() {
        childrenValid = valuesValid = false;
        children.clear();
        values.clear();
    }

    // The ordered sub-key (value) list, read again only when the store has
    // changed since it was read; false when the key is gone.
    bool EnsureChildren(Store& store) {
        return Ensure(store, childrenValid, childrenStamp, children, &Store::LoadChildren);
    }
    bool EnsureValues(Store& store) { return Ensure(store, valuesValid, valuesStamp, values, &Store::LoadValues); }

private:
    template <class List>
    bool Ensure(Store& store, bool& valid, Stamp& stamp, List& list, bool (Store::*load)(KeyId, List&)) {
        Stamp now = store.CurrentStamp();
        if (valid && stamp == now) return true;
        valid = false;
        if (!(store.*load)(id, list)) return false;
        valid = true;
        stamp = now;
        return true;
    }
};

struct Registry {
    std::mutex mu;
    Store store;
    uint64_t generation = 0;
    bool generationKnown = false;
    std::unordered_map<uintptr_t, KeyHandle> handles;
    KeyHandle roots[kRootCount];
    uintptr_t nextHandle = 0;
    bool reaperRunning = false;
    // The handle whose sub-keys were listed last: programs that list a key
    // open its sub-keys next, often by their whole path.
    uintptr_t lastLister = 0;
    // Keys found by path, as of `knownStamp` (forgotten at any change).
    std::unordered_map<std::string, KeyId> known;
    Stamp knownStamp;
    // The sub-key counts of the sub-keys of key `parent`, as of `stamp`:
    // read in one go when a program asks for them sub-key after sub-key of
    // the key it listed last (a tree showing which items can be expanded).
    struct {
        KeyId parent = 0;
        Stamp stamp;
        int asks = 0;
        bool loaded = false;
        std::unordered_map<KeyId, DWORD> counts;
    } siblings;
    std::chrono::milliseconds readHold{10};

    Registry() {
        for (int r = 0; r < kRootCount; ++r) {
            roots[r].root = r;
            roots[r].id = Store::RootId(r);
            roots[r].path = RootPath(r);
            roots[r].isRoot = true;
        }
    }

    // Handles belong to one image: a new image voids them.
    void CheckImage() {
        uint64_t g = ImageGeneration();
        if (generationKnown && g == generation) return;
        generation = g;
        generationKnown = true;
        handles.clear();
        known.clear();
        knownStamp = Stamp{};
        siblings.parent = 0;
        siblings.counts.clear();
        for (KeyHandle& r : roots) r.Forget();
    }

    // The key at `path` if it was found there since the last change; 0 when not known.
    KeyId Known(const std::string& path, Stamp now) {
        if (!(knownStamp == now)) {
            known.clear();
            knownStamp = now;
            return 0;
        }
        auto it = known.find(path);
        return it == known.end() ? 0 : it->second;
    }
    void Remember(const std::string& path, KeyId id, Stamp now) {
        if (!(knownStamp == now) || known.size() >= kKnownKeys) {
            known.clear();
            knownStamp = now;
        }
        known.emplace(path, id);
    }

    KeyHandle* Find(HKEY h) {
        auto v = reinterpret_cast<uintptr_t>(h);
        if (v >= kFirstRoot && v < kFirstRoot + kRootCount) return &roots[v - kFirstRoot];
        auto it = handles.find(v);
        return it == handles.end() ? nullptr : &it->second;
    }

    HKEY Add(int root, KeyId id, std::string path) {
        uintptr_t v;
        do {
            v = kHandleBase + (nextHandle++ % (kHandleSpan / 4)) * 4;
        } while (handles.count(v));
        KeyHandle& k = handles[v];
        k.root = root;
        k.id = id;
        k.path = std::move(path);
        k.pathStamp = store.CurrentStamp();
        k.isRoot = id == Store::RootId(root);  // a handle opened with "" on a root
        return reinterpret_cast<HKEY>(v);
    }
};

Registry& Reg();

// Ends a held read older than the hold limit; goes after kReaperLinger looks
// without one.
void Reap(Registry& r) {
    for (int quiet = 0;;) {
        std::this_thread::sleep_for(kReaperTick);
        std::lock_guard lock(r.mu);
        if (r.store.ReadHeld()) {
            if (std::chrono::steady_clock::now() - r.store.ReadSince() >= r.readHold) r.store.EndRead();
            quiet = 0;
        } else if (++quiet >= kReaperLinger) {
            r.reaperRunning = false;
            return;
        }
    }
}

// After a call that left a read held: makes sure the reaper runs.
void WatchRead(Registry& r) {
    if (r.reaperRunning || !r.store.ReadHeld()) return;
    try {
        std::thread([&r] { Reap(r); }).detach();
        r.reaperRunning = true;
    } catch (const std::system_error&) {
        r.store.EndRead();  // without the thread, no read outlives its call
    }
}

// fork() copies the lock as it is: it is taken around the fork, so the child
// gets it free (and no reaper: the child starts its own).
void BeforeFork() {
    Reg().mu.lock();
}
void AfterForkParent() {
    Reg().mu.unlock();
}
void AfterForkChild() {
    Reg().reaperRunning = false;
    Reg().mu.unlock();
}

Registry& Reg() {
    // Never destroyed: threads may still use the registry while the process exits.
    static Registry* r = [] {
        auto* made = new Registry;
        pthread_atfork(BeforeFork, AfterForkParent, AfterForkChild);
        return made;
    }();
    return *r;
}

// Runs one API call under the registry's lock, with the store open when
// `needStore`, turning store failures into Win32 errors.
template <class F>
LONG Call(bool needStore, F&& body) {
    Registry& r = Reg();
    std::lock_guard lock(r.mu);
    LONG result;
    try {
        r.CheckImage();
        if (needStore) r.store.Ensure();
        result = static_cast<LONG>(body(r));
    } catch (const DbError& e) {
        result = static_cast<LONG>(Win32FromSqlite(e.rc));
    } catch (const std::bad_alloc&) {
        result = ERROR_NOT_ENOUGH_MEMORY;
    }
    WatchRead(r);
    return result;
}

size_t Length(const WCHAR* s, size_t max) {
    size_t n = 0;
    while (n <= max && s[n]) ++n;
    return n;
}

struct SubKey {
    bool fromRoot = false;
    std::vector<std::u16string_view> names;
};

DWORD ParseSubKey(LPCWSTR text, SubKey& out) {
    if (!text) return ERROR_SUCCESS;
    std::u16string_view s(text, std::char_traits<char16_t>::length(text));
    if (!s.empty() && s.front() == u'\\') {
        out.fromRoot = true;
        s.remove_prefix(1);
    }
    while (!s.empty() && s.back() == u'\\') s.remove_suffix(1);
    if (s.empty()) return ERROR_SUCCESS;
    for (;;) {
        size_t cut = s.find(u'\\');
        std::u16string_view name = s.substr(0, cut);
        if (name.empty()) return ERROR_BAD_PATHNAME;
        if (name.size() > kMaxKeyNameLength) return ERROR_INVALID_PARAMETER;
        out.names.push_back(name);
        if (cut == std::u16string_view::npos) return ERROR_SUCCESS;
        s.remove_prefix(cut + 1);
    }
}

DWORD ParseValueName(LPCWSTR text, std::u16string_view& name) {
    name = {};
    if (!text) return ERROR_SUCCESS;
    size_t n = Length(text, kMaxValueNameLength);
    if (n > kMaxValueNameLength) return ERROR_INVALID_PARAMETER;
    name = std::u16string_view(text, n);
    return ERROR_SUCCESS;
}

// The key a parsed sub-key path starts from, with its path as it is now: a
// rename (by any process) moves the keys below the renamed one.
KeyHandle& StartOf(Registry& r, KeyHandle& k, const SubKey& sub) {
    KeyHandle& start = sub.fromRoot ? r.roots[k.root] : k;
    if (!start.isRoot) {
        Stamp now = r.store.CurrentStamp();
        if (!(start.pathStamp == now)) {
            // A key that is gone keeps its last path: lookups from it report it deleted.
            r.store.KeyPath(start.id, start.path);
            start.pathStamp = now;
        }
    }
    return start;
}

std::string PathOf(const KeyHandle& start, const SubKey& sub) {
    std::string path = start.path;
    for (auto name : sub.names) AppendToPath(path, name);
    return path;
}

const ChildList* CurrentChildren(const KeyHandle& h, Stamp now) {
    return h.childrenValid && h.childrenStamp == now ? &h.children : nullptr;
}

// The sub-keys of the parent of `path` (the key `sub` names from `start`),
// when a handle holds them as of `now`: `start` itself, or the key listed last.
const ChildList* ListOfParent(Registry& r, const KeyHandle& start, const SubKey& sub, const std::string& path,
                              Stamp now) {
    if (sub.names.size() == 1) return CurrentChildren(start, now);
    const KeyHandle* lister = r.Find(reinterpret_cast<HKEY>(r.lastLister));
    // Its path is the key's path only while nothing has changed since it was read.
    if (!lister || !(lister->isRoot || lister->pathStamp == now)) return nullptr;
    size_t parentLength = path.size() - 2 * (sub.names.back().size() + 1);
    if (lister->path.size() != parentLength || path.compare(0, parentLength, lister->path) != 0) return nullptr;
    return CurrentChildren(*lister, now);
}

// Whether `child` is the path of a key right below the key at `parent`.
bool IsChildPath(const std::string& parent, const std::string& child) {
    if (child.size() <= parent.size() + 2 || child.compare(0, parent.size(), parent) != 0) return false;
    if (child[parent.size()] != 0 || child[parent.size() + 1] != '\\') return false;
    for (size_t i = parent.size() + 2; i + 1 < child.size(); i += 2)
        if (child[i] == 0 && child[i + 1] == '\\') return false;
    return true;
}

// The sub-key count of `k` from the counts of its siblings, read in one go
// when `k` is a sub-key of the key listed last and is the second of them
// asked for since the last change; nullptr otherwise.
const DWORD* SiblingSubKeys(Registry& r, const KeyHandle& k, Stamp now) {
    auto& s = r.siblings;
    if (!(s.stamp == now)) {
        s.stamp = now;
        s.parent = 0;
        s.loaded = false;
    }
    // Ids are never reused: an id among the parent's sub-keys is that sub-key.
    auto counted = [&]() -> const DWORD* {
        auto it = s.counts.find(k.id);
        return it == s.counts.end() ? nullptr : &it->second;
    };
    if (s.loaded) {
        if (const DWORD* count = counted()) return count;
    }
    const KeyHandle* lister = r.Find(reinterpret_cast<HKEY>(r.lastLister));
    if (!lister || !CurrentChildren(*lister, now) || !(lister->isRoot || lister->pathStamp == now) ||
        !(k.pathStamp == now) || !IsChildPath(lister->path, k.path))
        return nullptr;
    if (s.parent != lister->id) {
        s.parent = lister->id;
        s.asks = 0;
        s.loaded = false;
    }
    if (s.loaded || ++s.asks < 2) return nullptr;
    r.store.LoadSubKeyCounts(s.parent, s.counts);
    s.loaded = true;
    return counted();
}

// Copies a name and its NUL into a caller's buffer of *cch characters.
DWORD PutName(std::u16string_view name, LPWSTR buf, LPDWORD cch) {
    if (*cch < name.size() + 1) return ERROR_MORE_DATA;
    std::memcpy(buf, name.data(), name.size() * 2);
    buf[name.size()] = 0;
    *cch = static_cast<DWORD>(name.size());
    return ERROR_SUCCESS;
}

void NoClass(LPWSTR lpClass, LPDWORD lpcClass) {
    if (!lpcClass) return;
    if (lpClass && *lpcClass) lpClass[0] = 0;
    *lpcClass = 0;
}

}  // namespace

DWORD WithStore(const std::function<DWORD(Store&)>& body) {
    return static_cast<DWORD>(Call(true, [&](Registry& r) -> DWORD { return body(r.store); }));
}

// ---- boot interface ---------------------------------------------------------

DWORD ApplyPendingReplace() {
    return static_cast<DWORD>(Call(false, [](Registry& r) -> DWORD {
        if (!HasImage()) return ERROR_SUCCESS;
        std::filesystem::path staged = Image().root / "registry.pending";
        std::vector<uint8_t> bytes;
        DWORD err = ReadHostFile(staged, bytes, kMaxSaveFileSize);
        if (err == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
        SavedTree tree;
        if (!err) err = DecodeSave(bytes.data(), bytes.size(), tree);
        if (err) return err;
        r.store.Ensure();
        r.store.ReplaceRoot(kLocalMachine, tree);
        // Durable before the staged copy goes: a crash in between applies it again.
        r.store.Flush();
        std::error_code ec;
        std::filesystem::remove(staged, ec);
        return ERROR_SUCCESS;
    }));
}

bool StoreIsEmpty() {
    bool empty = false;
    LONG err = Call(true, [&](Registry& r) -> DWORD {
        empty = r.store.IsEmpty();
        return ERROR_SUCCESS;
    });
    return err == ERROR_SUCCESS && empty;
}

bool StoreCreated() {
    bool created = false;
    Call(true, [&](Registry& r) -> DWORD {
        created = r.store.Created();
        return ERROR_SUCCESS;
    });
    return created;
}

std::string StoreProblem() {
    return Store::Problem();
}

void SetReadHold(std::chrono::milliseconds limit) {
    Registry& r = Reg();
    std::lock_guard lock(r.mu);
    r.readHold = limit;
}

void CloseStore() {
    Registry& r = Reg();
    std::lock_guard lock(r.mu);
    r.store.Close();
}

}  // namespace ce::reg

using namespace ce;
using namespace ce::reg;

// ---- keys ---------------------------------------------------------------------

LONG RegOpenKeyEx(HKEY hKey, LPCWSTR lpSubKey, DWORD, REGSAM, PHKEY phkResult) {
    if (!phkResult) return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    return Call(true, [&](Registry& r) -> DWORD {
        KeyHandle* k = r.Find(hKey);
        if (!k) return ERROR_INVALID_HANDLE;
        SubKey sub;
        if (DWORD err = ParseSubKey(lpSubKey, sub)) return err;
        KeyHandle& start = StartOf(r, *k, sub);
        std::string path = PathOf(start, sub);
        KeyId id = start.id;
        if (!sub.names.empty()) {
            Stamp now = r.store.CurrentStamp();
            if (const ChildList* siblings = ListOfParent(r, start, sub, path, now)) {
                // The parent's list, current, answers without a query.
                id = siblings->Find(sub.names.back());
                if (!id) return ERROR_FILE_NOT_FOUND;
            } else if (!(id = r.Known(path, now))) {
                bool baseExists;
                id = r.store.FindKey(start.id, path, baseExists);
                if (!baseExists) return ERROR_KEY_DELETED;
                if (!id) return ERROR_FILE_NOT_FOUND;
                r.Remember(path, id, now);
            }
        } else if (!start.isRoot) {
            bool baseExists;
            id = r.store.FindKey(start.id, path, baseExists);
            if (!baseExists) return ERROR_KEY_DELETED;
            if (!id) return ERROR_FILE_NOT_FOUND;
        }
        int root = start.root;
        *phkResult = r.Add(root, id, std::move(path));
        return ERROR_SUCCESS;
    });
}

LONG RegCreateKeyEx(HKEY hKey, LPCWSTR lpSubKey, DWORD, LPWSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES, PHKEY phkResult,
                    LPDWORD lpdwDisposition) {
    if (!phkResult) return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    return Call(true, [&](Registry& r) -> DWORD {
        KeyHandle* k = r.Find(hKey);
        if (!k) return ERROR_INVALID_HANDLE;
        SubKey sub;
        if (DWORD err = ParseSubKey(lpSubKey, sub)) return err;
        KeyHandle& start = StartOf(r, *k, sub);
        std::string path = PathOf(start, sub);
        bool baseExists = true;
        KeyId id = start.id;
        if (!start.isRoot || !sub.names.empty()) id = r.store.FindKey(start.id, path, baseExists);
        if (!baseExists) return ERROR_KEY_DELETED;
        bool created = false;
        if (!id) {
            if (DWORD err = r.store.CreateKey(start.id, start.path, sub.names, id, created)) return err;
        }
        if (lpdwDisposition) *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
        int root = start.root;
        *phkResult = r.Add(root, id, std::move(path));
        return ERROR_SUCCESS;
    });
}

LONG RegCloseKey(HKEY hKey) {
    return Call(false, [&](Registry& r) -> DWORD {
        auto v = reinterpret_cast<uintptr_t>(hKey);
        if (v >= kFirstRoot && v < kFirstRoot + kRootCount) return ERROR_SUCCESS;
        return r.handles.erase(v) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
    });
}

LONG RegFlushKey(HKEY hKey) {
    return Call(true, [&](Registry& r) -> DWORD {
        KeyHandle* k = r.Find(hKey);
        if (!k) return ERROR_INVALID_HANDLE;
        if (!k->isRoot && !r.store.KeyExists(k->id)) return ERROR_KEY_DELETED;
        r.store.Flush();
        return ERROR_SUCCESS;
    });
}

LONG RegDeleteKey(HKEY hKey, LPCWSTR lpSubKey) {
    return Call(true, [&](Registry& r) -> DWORD {
        KeyHandle* k = r.Find(hKey);
        if (!k) return ERROR_INVALID_HANDLE;
        SubKey sub;
        if (DWORD err = ParseSubKey(lpSubKey, sub)) return err;
        KeyHandle& start = StartOf(r, *k, sub);
        if (sub.names.empty()) {
            if (start.isRoot) return ERROR_ACCESS_DENIED;
            return r.store.DeleteKey(start.id, start.path);
        }
        return r.store.DeleteKey(start.id, PathOf(start, sub));
    });
}

LONG RegEnumKeyEx(HKEY hKey, DWORD dwIndex, LPWSTR lpName, LPDWORD lpcName, LPDWORD lpReserved, LPWSTR lpClass,
                  LPDWORD lpcClass, PFILETIME lpftLastWriteTime) {
    if (!lpName || !lpcName || lpReserved || (lpClass && !lpcClass)) return ERROR_INVALID_PARAMETER;
    return Call(true, [&](Registry& r) -> DWORD {
        KeyHandle* k = r.Find(hKey);
        if (!k) return ERROR_INVALID_HANDLE;
        if (!k->EnsureChildren(r.store)) return ERROR_KEY_DELETED;
        r.lastLister = reinterpret_cast<uintptr_t>(hKey);
        if (dwIndex >= k->children.size()) return ERROR_NO_MORE_ITEMS;
        if (DWORD err = PutName(k->children.Name(dwIndex), lpName, lpcName)) return err;
        NoClass(lpClass, lpcClass);
        if (lpftLastWriteTime) *lpftLastWriteTime = FILETIME{0, 0};
        return ERROR_SUCCESS;
    });
}

LONG RegQueryInfoKey(HKEY hKey, LPWSTR lpClass, LPDWORD lpcClass, LPDWORD lpReserved, LPDWORD lpcSubKeys,
                     LPDWORD lpcMaxSubKeyLen, LPDWORD lpcMaxClassLen, LPDWORD lpcValues, LPDWORD lpcMaxValueNameLen,
                     LPDWORD lpcMaxValueLen, LPDWORD lpcbSecurityDescriptor, PFILETIME lpftLastWriteTime) {
    if (lpReserved || (lpClass && !lpcClass)) return ERROR_INVALID_PARAMETER;
    return Call(true, [&](Registry& r) -> DWORD {
        KeyHandle* k = r.Find(hKey);
        if (!k) return ERROR_INVALID_HANDLE;
        if (lpcSubKeys && !lpcMaxSubKeyLen && !lpcValues && !lpcMaxValueNameLen && !lpcMaxValueLen) {
            if (const DWORD* count = SiblingSubKeys(r, *k, r.store.CurrentStamp())) {
                NoClass(lpClass, lpcClass);
                *lpcSubKeys = *count;
                if (lpcMaxClassLen) *lpcMaxClassLen = 0;
                if (lpcbSecurityDescriptor) *lpcbSecurityDescriptor = 0;
                if (lpftLastWriteTime) *lpftLastWriteTime = FILETIME{0, 0};
                return ERROR_SUCCESS;
            }
        }
        KeyInfoRequest want;
        want.subKeys = lpcSubKeys;
        want.maxSubKeyLen = lpcMaxSubKeyLen;
        want.values = lpcValues;
        want.maxValueNameLen = lpcMaxValueNameLen;
        want.maxValueLen = lpcMaxValueLen;
        KeyInfo info = r.store.QueryInfo(k->id, want);
        if (!info.exists) return ERROR_KEY_DELETED;
        NoClass(lpClass, lpcClass);
        if (lpcSubKeys) *lpcSubKeys = info.subKeys;
        if (lpcMaxSubKeyLen) *lpcMaxSubKeyLen = info.maxSubKeyLen;
        if (lpcMaxClassLen) *lpcMaxClassLen = 0;
        if (lpcValues) *lpcValues = info.values;
        if (lpcMaxValueNameLen) *lpcMaxValueNameLen = info.maxValueNameLen;
        if (lpcMaxValueLen) *lpcMaxValueLen = info.maxValueLen;
        if (lpcbSecurityDescriptor) *lpcbSecurityDescriptor = 0;
        if (lpftLastWriteTime) *lpftLastWriteTime = FILETIME{0, 0};
        return ERROR_SUCCESS;
    });
}

// ---- values -------------------------------------------------------------------

LONG RegQueryValueEx(HKEY hKey, LPCWSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                     LPDWORD lpcbData) {
    if (lpReserved || (lpData && !lpcbData)) return ERROR_INVALID_PARAMETER;
    return Call(true, [&](Registry& r) -> DWORD {
        KeyHandle* k = r.Find(hKey);
        if (!k) return ERROR_INVALID_HANDLE;
        std::u16string_view name;
        if (DWORD err = ParseValueName(lpValueName, name)) return err;
        return r.store.QueryValue(k->id, FoldBlob(name), lpType, lpData, lpcbData);
    });
}

LONG RegSetValueEx(HKEY hKey, LPCWSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData, DWORD cbData) {
    if ((!lpData && cbData) || cbData > kMaxValueDataSize) return ERROR_INVALID_PARAMETER;
    return Call(true, [&](Registry& r) -> DWORD {
        KeyHandle* k = r.Find(hKey);
        if (!k) return ERROR_INVALID_HANDLE;
        std::u16string_view name;
        if (DWORD err = ParseValueName(lpValueName, name)) return err;
        return r.store.SetValue(k->id, name, dwType, lpData, cbData);
    });
}

LONG RegDeleteValue(HKEY hKey, LPCWSTR lpValueName) {
    return Call(true, [&](Registry& r) -> DWORD {
        KeyHandle* k = r.Find(hKey);
        if (!k) return ERROR_INVALID_HANDLE;
        std::u16string_view name;
        if (DWORD err = ParseValueName(lpValueName, name)) return err;
        return r.store.DeleteValue(k->id, name);
    });
}

LONG RegEnumValue(HKEY hKey, DWORD dwIndex, LPWSTR lpValueName, LPDWORD lpcValueName, LPDWORD lpReserved,
                  LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
    if (!lpValueName || !lpcValueName || lpReserved || (lpData && !lpcbData)) return ERROR_INVALID_PARAMETER;
    return Call(true, [&](Registry& r) -> DWORD {
        KeyHandle* k = r.Find(hKey);
        if (!k) return ERROR_INVALID_HANDLE;
        if (!k->EnsureValues(r.store)) return ERROR_KEY_DELETED;
        if (dwIndex >= k->values.size()) return ERROR_NO_MORE_ITEMS;
        const ValueList& v = k->values;
        DWORD size = static_cast<DWORD>(v.DataSize(dwIndex));
        bool fits = lpcbData && *lpcbData >= size;
        DWORD err = PutName(v.Name(dwIndex), lpValueName, lpcValueName);
        if (!err && lpData && fits && size) std::memcpy(lpData, v.Data(dwIndex), size);
        if (lpType) *lpType = v.Type(dwIndex);
        if (lpcbData) *lpcbData = size;
        if (!err && lpData && !fits) err = ERROR_MORE_DATA;
        return err;
    });
}

// ---- save and replace -----------------------------------------------------------

LONG RegSaveKey(HKEY hKey, LPCWSTR lpFile, LPSECURITY_ATTRIBUTES) {
    if (!lpFile || !*lpFile) return ERROR_INVALID_PARAMETER;
    return Call(true, [&](Registry& r) -> DWORD {
        KeyHandle* k = r.Find(hKey);
        if (!k) return ERROR_INVALID_HANDLE;
        std::filesystem::path host;
        if (DWORD err = ResolveDevicePath(std::u16string_view(lpFile), host)) return err;
        std::error_code ec;
        if (std::filesystem::exists(std::filesystem::symlink_status(host, ec))) return ERROR_ALREADY_EXISTS;
        SavedTree tree;
        if (!r.store.ReadTree(k->id, k->path, tree)) return ERROR_KEY_DELETED;
        return WriteNewHostFile(host, EncodeSave(tree));
    });
}

LONG RegReplaceKey(HKEY hKey, LPCWSTR lpSubKey, LPCWSTR lpNewFile, LPCWSTR lpOldFile) {
    // Only the whole of HKEY_LOCAL_MACHINE can be replaced, at the next boot.
    if (hKey != HKEY_LOCAL_MACHINE || (lpSubKey && *lpSubKey) || !lpNewFile || !*lpNewFile || lpOldFile)
        return ERROR_INVALID_PARAMETER;
    return Call(false, [&](Registry&) -> DWORD {
        if (!HasImage()) return ERROR_CANTOPEN;
        std::filesystem::path host;
        if (DWORD err = ResolveDevicePath(std::u16string_view(lpNewFile), host)) return err;
        std::vector<uint8_t> bytes;
        if (DWORD err = ReadHostFile(host, bytes, kMaxSaveFileSize)) return err;
        SavedTree tree;
        if (DWORD err = DecodeSave(bytes.data(), bytes.size(), tree)) return err;
        return ReplaceHostFile(Image().root / "registry.pending", bytes);
    });
}

// ---- rename and copy --------------------------------------------------------------

LONG RegRenameKey(HKEY hKey, LPCWSTR lpSubKeyName, LPCWSTR lpNewKeyName) {
    if (!lpNewKeyName) return ERROR_INVALID_PARAMETER;
    size_t n = Length(lpNewKeyName, kMaxKeyNameLength);
    std::u16string_view newName(lpNewKeyName, n);
    if (n == 0 || n > kMaxKeyNameLength || newName.find(u'\\') != std::u16string_view::npos)
        return ERROR_INVALID_PARAMETER;
    return Call(true, [&](Registry& r) -> DWORD {
        KeyHandle* k = r.Find(hKey);
        if (!k) return ERROR_INVALID_HANDLE;
        SubKey sub;
        if (DWORD err = ParseSubKey(lpSubKeyName, sub)) return err;
        KeyHandle& start = StartOf(r, *k, sub);
        if (sub.names.empty() && start.isRoot) return ERROR_ACCESS_DENIED;
        KeyId id = start.id;
        std::string path = PathOf(start, sub);
        if (!sub.names.empty()) {
            bool baseExists;
            id = r.store.FindKey(start.id, path, baseExists);
            if (!baseExists) return ERROR_KEY_DELETED;
            if (!id) return ERROR_FILE_NOT_FOUND;
        }
        std::string newPath;
        if (DWORD err = r.store.RenameKey(id, path, newName, newPath)) return err;
        // This process's handles on the key and below it follow it at once.
        Stamp now = r.store.CurrentStamp();
        for (auto& [v, h] : r.handles) {
            if (h.root != start.root || h.isRoot || h.path.compare(0, path.size(), path) != 0) continue;
            if (h.path.size() > path.size() && h.path.compare(path.size(), 2, std::string("\0\\", 2)) != 0) continue;
            h.path = newPath + h.path.substr(path.size());
            h.pathStamp = now;
        }
        return ERROR_SUCCESS;
    });
}

LONG RegRenameValue(HKEY hKey, LPCWSTR lpValueName, LPCWSTR lpNewValueName) {
    return Call(true, [&](Registry& r) -> DWORD {
        KeyHandle* k = r.Find(hKey);
        if (!k) return ERROR_INVALID_HANDLE;
        std::u16string_view oldName, newName;
        if (DWORD err = ParseValueName(lpValueName, oldName)) return err;
        if (DWORD err = ParseValueName(lpNewValueName, newName)) return err;
        const std::string oldFold = FoldBlob(oldName), newFold = FoldBlob(newName);
        // One transaction: a failure or a kill part-way leaves the old value.
        WriteTxn txn(r.store);
        DWORD type = 0, cb = 0;
        if (DWORD err = r.store.QueryValue(k->id, oldFold, &type, nullptr, &cb)) return err;
        if (newFold != oldFold && r.store.QueryValue(k->id, newFold, nullptr, nullptr, nullptr) == ERROR_SUCCESS)
            return ERROR_ALREADY_EXISTS;
        std::vector<BYTE> data(cb);
        if (DWORD err = r.store.QueryValue(k->id, oldFold, &type, data.data(), &cb)) return err;
        if (DWORD err = r.store.DeleteValue(k->id, oldName)) return err;
        if (DWORD err = r.store.SetValue(k->id, newName, type, data.data(), cb)) return err;
        txn.Commit();
        return ERROR_SUCCESS;
    });
}

LONG RegCopyTree(HKEY hKeySrc, LPCWSTR lpSubKey, HKEY hKeyDest) {
    return Call(true, [&](Registry& r) -> DWORD {
        KeyHandle* k = r.Find(hKeySrc);
        KeyHandle* d = r.Find(hKeyDest);
        if (!k || !d) return ERROR_INVALID_HANDLE;
        SubKey sub;
        if (DWORD err = ParseSubKey(lpSubKey, sub)) return err;
        KeyHandle& start = StartOf(r, *k, sub);
        std::string path = PathOf(start, sub);
        KeyId id = start.id;
        if (!sub.names.empty()) {
            bool baseExists;
            id = r.store.FindKey(start.id, path, baseExists);
            if (!baseExists) return ERROR_KEY_DELETED;
            if (!id) return ERROR_FILE_NOT_FOUND;
        }
        KeyHandle& dest = StartOf(r, *d, SubKey{});
        return r.store.CopyTree(id, path, dest.id, dest.path);
    });
}
