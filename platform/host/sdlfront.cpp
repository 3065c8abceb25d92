// The SDL2 window of the emulator.
#include <SDL.h>

#include <algorithm>

#include "ce_gdi.h"
#include "frontend.h"
#include "script.h"

namespace ce::host {

namespace {

SDL_Window* Win(void* w) {
    return static_cast<SDL_Window*>(w);
}

unsigned Modifiers(SDL_Keymod mod) {
    unsigned m = 0;
    if (mod & KMOD_SHIFT) m |= kShift;
    if (mod & KMOD_CTRL) m |= kCtrl;
    if (mod & KMOD_ALT) m |= kAlt;
    return m;
}

// The character a shifted key makes on the US layout.
char ShiftedChar(char c) {
    static constexpr char kPlain[] = "1234567890-=[]\\;',./`";
    static constexpr char kShifted[] = "!@#$%^&*()_+{}|:\"<>?~";
    if (c >= 'a' && c <= 'z') return static_cast<char>(c - 'a' + 'A');
    for (size_t i = 0; kPlain[i]; ++i)
        if (kPlain[i] == c) return kShifted[i];
    return c;
}

}  // namespace

KeyMapping MapSdlKey(int32_t key, unsigned modifiers) {
    switch (key) {
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
            return {0x0D, (modifiers & (kCtrl | kAlt)) ? u'\0' : u'\r'};
        case SDLK_ESCAPE:
            return {0x1B, 0x1B};
        case SDLK_TAB:
            return {0x09, (modifiers & (kCtrl | kAlt)) ? u'\0' : u'\t'};
        case SDLK_BACKSPACE:
            return {0x08, 0x08};
        case SDLK_DELETE:
            return {0x2E, 0};
        case SDLK_UP:
            return {0x26, 0};
        case SDLK_DOWN:
            return {0x28, 0};
        case SDLK_LEFT:
            return {0x25, 0};
        case SDLK_RIGHT:
            return {0x27, 0};
        case SDLK_HOME:
            return {0x24, 0};
        case SDLK_END:
            return {0x23, 0};
        case SDLK_PAGEUP:
            return {0x21, 0};
        case SDLK_PAGEDOWN:
            return {0x22, 0};
        case SDLK_INSERT:
            return {0x2D, 0};
        case SDLK_LSHIFT:
        case SDLK_RSHIFT:
            return {0x10, 0};
        case SDLK_LCTRL:
        case SDLK_RCTRL:
            return {0x11, 0};
        case SDLK_LALT:
        case SDLK_RALT:
            return {0x12, 0};
        default:
            break;
    }
    if (key >= SDLK_F1 && key <= SDLK_F12) return {static_cast<unsigned>(0x70 + key - SDLK_F1), 0};
    if (key >= 0x20 && key < 0x7F) {
        KeyStroke stroke = KeyForChar(static_cast<char16_t>(key));
        if (stroke.vk == 0) return {};
        char c = static_cast<char>(key);
        if (modifiers & kCtrl) {
            char16_t ctl = (c >= 'a' && c <= 'z') ? static_cast<char16_t>(c - 'a' + 1) : u'\0';
            return {stroke.vk, ctl};
        }
        if (modifiers & kShift) c = ShiftedChar(c);
        return {stroke.vk, static_cast<char16_t>(c)};
    }
    return {};
}

std::unique_ptr<SdlFrontEnd> SdlFrontEnd::Open(const std::string& title, int scale, std::string& error) {
    // Ctrl+C in the terminal keeps ending the process instead of becoming a
    // close request the program might not answer.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // The screen is copied into the window's own surface in software: no
    // GL renderer (and none of its driver threads) behind the window.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        error = std::string("no display (") + SDL_GetError() + ")";
        return nullptr;
    }
    gdi::ScreenMode mode = gdi::Screen::Mode();
    SDL_Window* window = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                          mode.width * scale, mode.height * scale, SDL_WINDOW_SHOWN);
    if (!window) {
        error = std::string("cannot open a window (") + SDL_GetError() + ")";
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return nullptr;
    }
    std::unique_ptr<SdlFrontEnd> front(new SdlFrontEnd);
    front->window_ = window;
    front->scale_ = scale;
    front->width_ = mode.width;
    front->height_ = mode.height;
    front->PresentIfChanged();
    return front;
}

SdlFrontEnd::~SdlFrontEnd() {
    if (window_) SDL_DestroyWindow(Win(window_));
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

void SdlFrontEnd::PresentIfChanged() {
    uint64_t changes = gdi::Screen::Changes();
    int width = 0, height = 0;
    // The counter belongs to the current surface; a new mode starts a new
    // surface, so the size is compared as well.
    gdi::ScreenMode mode = gdi::Screen::Mode();
    if (changes == changes_ && mode.width == width_ && mode.height == height_) return;
    std::vector<uint32_t> pixels = gdi::Screen::Snapshot(&width, &height);
    if (width <= 0 || height <= 0) return;
    if (width != width_ || height != height_) {
        // Rotation: the window follows the screen's new shape.
        SDL_SetWindowSize(Win(window_), width * scale_, height * scale_);
        width_ = width;
        height_ = height;
    }
    changes_ = changes;
    SDL_Surface* target = SDL_GetWindowSurface(Win(window_));
    if (!target) return;
    SDL_Surface* source =
        SDL_CreateRGBSurfaceWithFormatFrom(pixels.data(), width, height, 32, width * 4, SDL_PIXELFORMAT_RGB888);
    if (!source) return;
    SDL_Rect to{0, 0, width * scale_, height * scale_};
    SDL_BlitScaled(source, nullptr, target, &to);  // nearest pixel
    SDL_FreeSurface(source);
    SDL_UpdateWindowSurface(Win(window_));
    ++presents_;
}

std::vector<uint32_t> SdlFrontEnd::WindowPixels(int& width, int& height) const {
    std::vector<uint32_t> out;
    width = height = 0;
    SDL_Surface* surface = SDL_GetWindowSurface(Win(window_));
    if (!surface) return out;
    SDL_Surface* copy = SDL_ConvertSurfaceFormat(surface, SDL_PIXELFORMAT_RGB888, 0);
    if (!copy) return out;
    width = copy->w;
    height = copy->h;
    out.resize(static_cast<size_t>(width) * height);
    SDL_LockSurface(copy);
    for (int y = 0; y < height; ++y) {
        const auto* row =
            reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(copy->pixels) + y * copy->pitch);
        for (int x = 0; x < width; ++x) out[static_cast<size_t>(y) * width + x] = row[x] & 0xFFFFFF;
    }
    SDL_UnlockSurface(copy);
    SDL_FreeSurface(copy);
    return out;
}

void SdlFrontEnd::HandleEvent(Device& device, const void* raw) {
    const SDL_Event& e = *static_cast<const SDL_Event*>(raw);
    auto toScreen = [&](int wx, int wy, int& x, int& y) {
        x = std::clamp(wx / scale_, 0, std::max(width_ - 1, 0));
        y = std::clamp(wy / scale_, 0, std::max(height_ - 1, 0));
    };
    int x = 0, y = 0;
    switch (e.type) {
        case SDL_QUIT:
            device.RequestQuit();
            break;
        case SDL_WINDOWEVENT:
            if (e.window.event == SDL_WINDOWEVENT_CLOSE)
                device.RequestQuit();
            else if (e.window.event == SDL_WINDOWEVENT_EXPOSED || e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED)
                changes_ = ~uint64_t{0};  // show everything again
            break;
        case SDL_MOUSEBUTTONDOWN:
            if (e.button.button != SDL_BUTTON_LEFT) break;
            toScreen(e.button.x, e.button.y, x, y);
            stylusDown_ = true;
            device.InjectPointer(PointerKind::Down, x, y, 0);
            break;
        case SDL_MOUSEMOTION:
            // A stylus only moves while it touches the panel.
            if (!stylusDown_) break;
            toScreen(e.motion.x, e.motion.y, x, y);
            device.InjectPointer(PointerKind::Move, x, y, 0);
            break;
        case SDL_MOUSEBUTTONUP:
            if (e.button.button != SDL_BUTTON_LEFT || !stylusDown_) break;
            toScreen(e.button.x, e.button.y, x, y);
            stylusDown_ = false;
            device.InjectPointer(PointerKind::Up, x, y, 0);
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            unsigned mods = Modifiers(static_cast<SDL_Keymod>(e.key.keysym.mod));
            KeyMapping key = MapSdlKey(e.key.keysym.sym, mods);
            if (key.vk == 0) break;
            bool down = e.type == SDL_KEYDOWN;
            device.InjectKey(key.vk, down, mods, down ? key.ch : u'\0');
            break;
        }
        default:
            break;
    }
}

void SdlFrontEnd::Pump(Device& device, Millis wait) {
    SDL_Event event;
    if (SDL_WaitEventTimeout(&event, static_cast<int>(wait.count()))) {
        HandleEvent(device, &event);
        while (SDL_PollEvent(&event)) HandleEvent(device, &event);
    }
    PresentIfChanged();
}

void SdlFrontEnd::Run(Device& device, const std::function<bool()>& done) {
    while (!done()) Pump(device, Millis(15));
    PresentIfChanged();
}

}  // namespace ce::host
