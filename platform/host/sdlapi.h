// The SDL2 library, loaded when a window is first wanted rather than when the
// program starts: SDL2 brings dozens of libraries (display, sound, input)
// whose loading would otherwise delay every start, headless runs included.
// The front end calls SDL through this table: Sdl().SDL_CreateWindow(...).
#pragma once

#include <SDL.h>

#include <string>

namespace ce::host {

// Every SDL2 function the front end calls, under its exported name (SDL.h's
// SDL_BlitSurface and SDL_BlitScaled are macros for the two upper blits).
#define CE_SDL_FUNCTIONS(X)               \
    X(SDL_ConvertSurfaceFormat)           \
    X(SDL_CreateRGBSurfaceWithFormatFrom) \
    X(SDL_CreateWindow)                   \
    X(SDL_DestroyWindow)                  \
    X(SDL_FillRect)                       \
    X(SDL_FreeSurface)                    \
    X(SDL_GetClipboardText)               \
    X(SDL_GetDisplayUsableBounds)         \
    X(SDL_GetError)                       \
    X(SDL_GetWindowDisplayIndex)          \
    X(SDL_GetWindowPosition)              \
    X(SDL_GetWindowSize)                  \
    X(SDL_GetWindowSurface)               \
    X(SDL_GetWindowTitle)                 \
    X(SDL_HasClipboardText)               \
    X(SDL_InitSubSystem)                  \
    X(SDL_LockSurface)                    \
    X(SDL_MapRGB)                         \
    X(SDL_PollEvent)                      \
    X(SDL_QuitSubSystem)                  \
    X(SDL_SetClipboardText)               \
    X(SDL_SetHint)                        \
    X(SDL_SetSurfaceColorMod)             \
    X(SDL_SetWindowPosition)              \
    X(SDL_SetWindowSize)                  \
    X(SDL_SetWindowTitle)                 \
    X(SDL_UnlockSurface)                  \
    X(SDL_UpdateWindowSurface)            \
    X(SDL_UpperBlit)                      \
    X(SDL_UpperBlitScaled)                \
    X(SDL_WaitEventTimeout)               \
    X(SDL_free)

struct SdlApi {
#define CE_SDL_MEMBER(name) decltype(&::name) name = nullptr;
    CE_SDL_FUNCTIONS(CE_SDL_MEMBER)
#undef CE_SDL_MEMBER
};

// Loads the library once; false with `error` in words when it or one of its
// functions is missing.
bool LoadSdl(std::string& error);
// The loaded functions (only after LoadSdl succeeded).
const SdlApi& Sdl();

}  // namespace ce::host
