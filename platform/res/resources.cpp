// Module tables, FindResource and friends, GetModuleHandle and LoadString.
#include <algorithm>
#include <mutex>

#include "ce_kernel.h"
#include "ce_res.h"

namespace ce::res {
namespace {

struct Module {
    std::u16string name;  // folded
    const ResourceEntry* entries = nullptr;
    size_t count = 0;
};

// Modules are never freed: their handles stay valid for the whole process,
// as a program's own instance does on the device.
struct Registry {
    std::mutex mutex;
    std::vector<std::unique_ptr<Module>> modules;
    Module* main = nullptr;
};

Registry& Reg() {
    static Registry r;
    return r;
}

// The module behind a handle (NULL: the main module); null when unknown.
Module* Lookup(Registry& r, HMODULE h) {
    if (!h) {
        if (!r.main) {  // a program without resources still has an instance
            r.modules.push_back(std::make_unique<Module>());
            r.main = r.modules.back().get();
        }
        return r.main;
    }
    for (auto& m : r.modules)
        if (reinterpret_cast<HMODULE>(m.get()) == h) return m.get();
    return nullptr;
}

// A type or name argument against an entry's: ordinals compare as numbers,
// strings without regard to case; "#123" is the ordinal 123.
bool Matches(LPCWSTR want, const char16_t* name, WORD id) {
    if (IS_INTRESOURCE(want)) return !name && id == static_cast<WORD>(reinterpret_cast<ULONG_PTR>(want));
    std::u16string_view w(want, BoundedLen(want, 256));
    if (!w.empty() && w[0] == u'#') {
        unsigned v = 0;
        for (char16_t c : w.substr(1)) {
            if (c < u'0' || c > u'9') return false;
            v = v * 10 + (c - u'0');
        }
        return !name && w.size() > 1 && id == v;
    }
    return name && EqualsNoCase(w, name);
}

const ResourceEntry* Find(Module& m, LPCWSTR name, LPCWSTR type) {
    bool typeSeen = false;
    for (size_t k = 0; k < m.count; ++k) {
        const ResourceEntry& e = m.entries[k];
        if (!Matches(type, e.type, e.typeId)) continue;
        typeSeen = true;
        if (Matches(name, e.name, e.nameId)) return &e;
    }
    SetLastError(typeSeen ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND);
    return nullptr;
}

const ResourceEntry* CheckInfo(Registry& r, HMODULE h, HRSRC info) {
    Module* m = Lookup(r, h);
    auto* e = reinterpret_cast<const ResourceEntry*>(info);
    if (!m || !e || e < m->entries || e >= m->entries + m->count) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return e;
}

}  // namespace

HMODULE RegisterModule(const char16_t* module, const ResourceEntry* entries, size_t count, bool main) {
    Registry& r = Reg();
    std::lock_guard lock(r.mutex);
    std::u16string key = Fold(module ? module : u"");
    Module* m = nullptr;
    for (auto& existing : r.modules)
        if (existing->name == key) m = existing.get();
    if (!m && main && r.main && r.main->count == 0 && r.main->name.empty()) m = r.main;  // the placeholder
    if (!m) {
        r.modules.push_back(std::make_unique<Module>());
        m = r.modules.back().get();
    }
    m->name = key;
    m->entries = entries;
    m->count = count;
    if (main) r.main = m;
    return reinterpret_cast<HMODULE>(m);
}

Bytes FindBytes(HMODULE module, LPCWSTR name, LPCWSTR type) {
    HRSRC info = FindResource(module, name, type);
    if (!info) return {};
    auto* e = reinterpret_cast<const ResourceEntry*>(info);
    return {e->data, e->size};
}

}  // namespace ce::res

using namespace ce::res;

HMODULE GetModuleHandle(LPCWSTR lpModuleName) {
    Registry& r = Reg();
    std::lock_guard lock(r.mutex);
    if (!lpModuleName) return reinterpret_cast<HMODULE>(Lookup(r, nullptr));
    // "halvo" and "halvo.exe" both name the module.
    std::u16string key = ce::Fold(std::u16string_view(lpModuleName, ce::BoundedLen(lpModuleName, MAX_PATH)));
    if (key.size() > 4 && (key.ends_with(u".exe") || key.ends_with(u".dll"))) key.resize(key.size() - 4);
    for (auto& m : r.modules)
        if (!m->name.empty() && m->name == key) return reinterpret_cast<HMODULE>(m.get());
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

HRSRC FindResource(HMODULE hModule, LPCWSTR lpName, LPCWSTR lpType) {
    Registry& r = Reg();
    std::lock_guard lock(r.mutex);
    if (!lpName || !lpType) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    Module* m = Lookup(r, hModule);
    if (!m) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return reinterpret_cast<HRSRC>(const_cast<ResourceEntry*>(Find(*m, lpName, lpType)));
}

HGLOBAL LoadResource(HMODULE hModule, HRSRC hResInfo) {
    Registry& r = Reg();
    std::lock_guard lock(r.mutex);
    const ResourceEntry* e = CheckInfo(r, hModule, hResInfo);
    return e ? const_cast<unsigned char*>(e->data) : nullptr;
}

// A loaded resource is its bytes, read-only, for the life of the program.
LPVOID LockResource(HGLOBAL hResData) {
    return hResData;
}

DWORD SizeofResource(HMODULE hModule, HRSRC hResInfo) {
    Registry& r = Reg();
    std::lock_guard lock(r.mutex);
    const ResourceEntry* e = CheckInfo(r, hModule, hResInfo);
    return e ? e->size : 0;
}

BOOL FreeResource(HGLOBAL) {
    return FALSE;
}  // documented: FALSE means success here

int LoadString(HINSTANCE hInstance, UINT uID, LPWSTR lpBuffer, int cchBufferMax) {
    if (!lpBuffer || cchBufferMax < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // Strings live in blocks of 16: block n + 1 holds ids 16n .. 16n + 15.
    Bytes block = FindBytes(hInstance, MAKEINTRESOURCE((uID >> 4) + 1), RT_STRING);
    auto fail = [&] {
        if (cchBufferMax > 0) lpBuffer[0] = 0;
        return 0;
    };
    if (!block.data) return fail();
    size_t pos = 0;
    auto word = [&](size_t at) { return static_cast<WORD>(block.data[at] | (block.data[at + 1] << 8)); };
    for (UINT k = 0; k < (uID & 15); ++k) {
        if (pos + 2 > block.size) return fail();
        pos += 2 + 2 * size_t{word(pos)};
    }
    if (pos + 2 > block.size) return fail();
    size_t len = word(pos);
    if (pos + 2 + 2 * len > block.size) return fail();
    if (len == 0) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return fail();
    }
    // Blocks are arrays of 4-byte-aligned 16-bit units, so the text can be
    // used in place.
    const WCHAR* text = reinterpret_cast<const WCHAR*>(block.data + pos + 2);
    if (cchBufferMax == 0) {
        *reinterpret_cast<LPCWSTR*>(lpBuffer) = text;
        return static_cast<int>(len);
    }
    size_t n = std::min(len, static_cast<size_t>(cchBufferMax - 1));
    std::copy(text, text + n, lpBuffer);
    lpBuffer[n] = 0;
    return static_cast<int>(n);
}
