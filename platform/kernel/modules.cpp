// The device's built-in libraries: LoadLibrary/GetProcAddress over export
// tables registered by the boot. There is no loader for real code files.
#include <mutex>

#include "ce_kernel.h"

namespace ce {

namespace {

struct Module : KernelObject {
    std::u16string name;
    std::map<std::string, FARPROC> exports;
};

std::mutex g_moduleMutex;
std::map<std::u16string, std::shared_ptr<Module>> g_modules;  // by folded base name

// "\Windows\CoreDLL.dll" and "coredll" both name "coredll.dll".
std::u16string ModuleKey(std::u16string_view name) {
    size_t slash = name.find_last_of(u"\\/");
    if (slash != std::u16string_view::npos) name = name.substr(slash + 1);
    std::u16string key = Fold(name);
    if (key.find(u'.') == std::u16string::npos) key += u".dll";
    return key;
}

}  // namespace

void RegisterModule(std::u16string_view name, std::map<std::string, FARPROC> exports) {
    auto m = std::make_shared<Module>();
    m->name = std::u16string(name);
    m->exports = std::move(exports);
    std::lock_guard lock(g_moduleMutex);
    g_modules[ModuleKey(name)] = std::move(m);
}

void UnregisterAllModules() {
    std::lock_guard lock(g_moduleMutex);
    g_modules.clear();
}

}  // namespace ce

using namespace ce;

HMODULE LoadLibrary(LPCWSTR lpLibFileName) {
    if (!lpLibFileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::shared_ptr<Module> m;
    {
        std::lock_guard lock(g_moduleMutex);
        auto it = g_modules.find(ModuleKey(std::u16string_view(lpLibFileName, BoundedLen(lpLibFileName, MAX_PATH))));
        if (it != g_modules.end()) m = it->second;
    }
    if (!m) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<HMODULE>(AllocHandle(m));
}

BOOL FreeLibrary(HMODULE hLibModule) {
    HANDLE h = reinterpret_cast<HANDLE>(hLibModule);
    if (!LookupHandleAs<Module>(h) || !FreeHandle(h)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

FARPROC GetProcAddress(HMODULE hModule, LPCSTR lpProcName) {
    auto m = LookupHandleAs<Module>(reinterpret_cast<HANDLE>(hModule));
    if (!m) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (!lpProcName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto it = m->exports.find(lpProcName);
    if (it == m->exports.end()) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    return it->second;
}

// The device's own GetProcAddress takes a wide name.
FARPROC GetProcAddress(HMODULE hModule, LPCWSTR lpProcName) {
    if (!lpProcName) return GetProcAddress(hModule, static_cast<LPCSTR>(nullptr));
    return GetProcAddress(hModule, ToUtf8(std::u16string_view(lpProcName, BoundedLen(lpProcName, 256))).c_str());
}
