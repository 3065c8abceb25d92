// Loading of the SDL2 library (see sdlapi.h).
#include "sdlapi.h"

#include <dlfcn.h>

#include <mutex>

namespace ce::host {

namespace {

// The run-time name of the SDL2 library (its major version 2.0, ABI 0).
constexpr const char* kLibrary = "libSDL2-2.0.so.0";

SdlApi g_api;
std::string g_error;

}  // namespace

bool LoadSdl(std::string& error) {
    static std::once_flag once;
    std::call_once(once, [] {
        // Never closed: SDL keeps threads and handlers of its own.
        void* library = dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL);
        if (!library) {
            const char* why = dlerror();
            g_error = std::string("cannot load the SDL2 library (") + (why ? why : kLibrary) + ")";
            return;
        }
        SdlApi api;
        bool complete = true;
#define CE_SDL_RESOLVE(name)                                                \
    api.name = reinterpret_cast<decltype(api.name)>(dlsym(library, #name)); \
    if (!api.name && complete) {                                            \
        g_error = std::string("the SDL2 library lacks ") + #name;           \
        complete = false;                                                   \
    }
        CE_SDL_FUNCTIONS(CE_SDL_RESOLVE)
#undef CE_SDL_RESOLVE
        if (complete) g_api = api;
    });
    if (!g_error.empty()) error = g_error;
    return g_error.empty();
}

const SdlApi& Sdl() {
    return g_api;
}

}  // namespace ce::host
