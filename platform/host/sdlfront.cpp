// The SDL2 window of the emulator.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "ce_gdi.h"
#include "ce_kernel.h"
#include "frontend.h"
#include "screenshot.h"
#include "script.h"
#include "sdlapi.h"

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

// The display SDL is about to use, in words.
std::string DisplayName() {
    auto get = [](const char* name) -> std::string {
        const char* v = std::getenv(name);
        return v && *v ? v : "";
    };
    if (std::string d = get("SDL_VIDEODRIVER"); !d.empty() && d != "x11" && d != "wayland")
        return "SDL video driver \"" + d + "\"";
    if (std::string d = get("WAYLAND_DISPLAY"); !d.empty() && get("DISPLAY").empty())
        return "Wayland display \"" + d + "\"";
    return "display \"" + get("DISPLAY") + "\"";
}

void SetHints() {
    // Ctrl+C in the terminal keeps ending the process instead of becoming a
    // close request the program might not answer.
    Sdl().SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // The screen is copied into the window's own surface in software: no
    // GL renderer (and none of its driver threads) behind the window.
    Sdl().SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    // The display the environment names, and no other: SDL would otherwise
    // try the next driver when that one cannot be reached.
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (!(driver && *driver)) {
        if (x11 && *x11)
            Sdl().SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
        else if (wayland && *wayland)
            Sdl().SDL_SetHint(SDL_HINT_VIDEODRIVER, "wayland");
    }
}

}  // namespace

std::string ProbeDisplay() {
    std::string error;
    if (!LoadSdl(error)) return error;
    SetHints();
    if (Sdl().SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        std::string why = Sdl().SDL_GetError();
        return "cannot reach the " + DisplayName() + (why.empty() ? "" : " (" + why + ")");
    }
    Sdl().SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return "";
}

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

std::unique_ptr<SdlFrontEnd> SdlFrontEnd::Open(const std::string& program, int scale, std::string& error) {
    if (!LoadSdl(error)) return nullptr;
    SetHints();
    if (Sdl().SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        error = "cannot reach the " + DisplayName() + " (" + Sdl().SDL_GetError() + ")";
        return nullptr;
    }
    gdi::ScreenMode mode = gdi::Screen::Mode();
    SDL_Window* window = Sdl().SDL_CreateWindow(program.c_str(), SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                                mode.width * scale, mode.height * scale, SDL_WINDOW_SHOWN);
    if (!window) {
        error = std::string("cannot open a window (") + Sdl().SDL_GetError() + ")";
        Sdl().SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return nullptr;
    }
    std::unique_ptr<SdlFrontEnd> front(new SdlFrontEnd);
    front->window_ = window;
    front->program_ = program;
    front->scale_ = scale;
    front->width_ = mode.width;
    front->height_ = mode.height;
    front->Resize();
    front->PresentIfChanged();
    return front;
}

SdlFrontEnd::~SdlFrontEnd() {
    if (window_) Sdl().SDL_DestroyWindow(Win(window_));
    Sdl().SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

void SdlFrontEnd::SetControls(EmulatorControls controls) {
    controls_ = std::move(controls);
    UpdateTitle();
}

std::string SdlFrontEnd::Title() const {
    const char* t = Sdl().SDL_GetWindowTitle(Win(window_));
    return t ? t : "";
}

void SdlFrontEnd::UpdateTitle() {
    titleAt_ = std::chrono::steady_clock::now();
    std::string title = controls_.title ? controls_.title(scale_) : program_;
    if (title != Title()) Sdl().SDL_SetWindowTitle(Win(window_), title.c_str());
}

void SdlFrontEnd::WindowRect(int& x, int& y, int& w, int& h) const {
    Sdl().SDL_GetWindowPosition(Win(window_), &x, &y);
    Sdl().SDL_GetWindowSize(Win(window_), &w, &h);
}

void SdlFrontEnd::MoveWindow(int x, int y) {
    Sdl().SDL_SetWindowPosition(Win(window_), x, y);
}

// The window takes the screen's size times the zoom. When that does not fit
// the desktop the zoom is lowered until it does (down to 1); then the window
// is moved back onto the desktop where it reaches past an edge.
void SdlFrontEnd::Resize() {
    SDL_Rect desk{};
    int display = Sdl().SDL_GetWindowDisplayIndex(Win(window_));
    bool known = display >= 0 && Sdl().SDL_GetDisplayUsableBounds(display, &desk) == 0 && desk.w > 0 && desk.h > 0;
    if (known)
        while (scale_ > 1 && (width_ * scale_ > desk.w || height_ * scale_ > desk.h)) --scale_;
    int w = width_ * scale_, h = height_ * scale_;
    Sdl().SDL_SetWindowSize(Win(window_), w, h);
    if (known) {
        int x = 0, y = 0;
        Sdl().SDL_GetWindowPosition(Win(window_), &x, &y);
        int nx = std::max(desk.x, std::min(x, desk.x + desk.w - w));
        int ny = std::max(desk.y, std::min(y, desk.y + desk.h - h));
        if (nx != x || ny != y) Sdl().SDL_SetWindowPosition(Win(window_), nx, ny);
    }
    changes_ = ~uint64_t{0};  // show everything again
    UpdateTitle();
}

void SdlFrontEnd::PresentIfChanged(const BacklightView& light) {
    uint64_t changes = gdi::Screen::Changes();
    int width = 0, height = 0;
    // The counter belongs to the current surface; a new mode starts a new
    // surface, so the size is compared as well.
    gdi::ScreenMode mode = gdi::Screen::Mode();
    if (changes == changes_ && mode.width == width_ && mode.height == height_ && light == light_) return;
    std::vector<uint32_t> pixels = gdi::Screen::Snapshot(&width, &height);
    if (width <= 0 || height <= 0) return;
    if (width != width_ || height != height_) {
        // Rotation: the window follows the screen's new shape.
        width_ = width;
        height_ = height;
        Resize();
    }
    changes_ = changes;
    light_ = light;
    SDL_Surface* target = Sdl().SDL_GetWindowSurface(Win(window_));
    if (!target) return;
    SDL_Rect to{0, 0, width * scale_, height * scale_};
    Sdl().SDL_FillRect(target, nullptr, Sdl().SDL_MapRGB(target->format, 0, 0, 0));
    if (light.lit) {
        SDL_Surface* source = Sdl().SDL_CreateRGBSurfaceWithFormatFrom(pixels.data(), width, height, 32, width * 4,
                                                                       SDL_PIXELFORMAT_RGB888);
        if (!source) return;
        // The LCD at level 0 is very dim but readable; 31 is full brightness.
        unsigned level = std::min(light.level, 31u);
        Uint8 factor = static_cast<Uint8>(40 + (255 - 40) * level / 31);
        Sdl().SDL_SetSurfaceColorMod(source, factor, factor, factor);
        Sdl().SDL_BlitScaled(source, nullptr, target, &to);  // nearest pixel
        Sdl().SDL_FreeSurface(source);
    }
    if (help_) DrawHelp(target);
    Sdl().SDL_UpdateWindowSurface(Win(window_));
    ++presents_;
}

// The list of the emulator's keys, over the top left corner of the window.
void SdlFrontEnd::DrawHelp(void* surface) {
    if (helpPixels_.empty()) {
        std::vector<std::string> lines = {"Emulator keys (Right Ctrl + letter)"};
        for (const EmulatorKey& k : EmulatorKeys())
            lines.push_back(std::string("Right Ctrl+") + k.letter + "   " + k.what);
        constexpr int kLine = 18, kMargin = 10;
        HDC dc = CreateCompatibleDC(nullptr);
        std::vector<std::u16string> texts;
        helpWidth_ = 0;
        for (const std::string& line : lines) {
            texts.push_back(ce::FromUtf8(line));
            SIZE size{};
            GetTextExtentPoint32(dc, texts.back().c_str(), static_cast<int>(texts.back().size()), &size);
            helpWidth_ = std::max(helpWidth_, static_cast<int>(size.cx) + 2 * kMargin);
        }
        helpHeight_ = kMargin * 2 + kLine * static_cast<int>(lines.size());
        std::vector<uint32_t> back(static_cast<size_t>(helpWidth_) * helpHeight_, 0x203040);
        HBITMAP bmp = gdi::CreateBitmapFromPixels(helpWidth_, helpHeight_, back.data());
        HGDIOBJ old = SelectObject(dc, bmp);
        SetBkMode(dc, TRANSPARENT);
        for (size_t i = 0; i < texts.size(); ++i) {
            SetTextColor(dc, i == 0 ? RGB(255, 220, 120) : RGB(255, 255, 255));
            ExtTextOut(dc, kMargin, kMargin + kLine * static_cast<int>(i), 0, nullptr, texts[i].c_str(),
                       static_cast<UINT>(texts[i].size()), nullptr);
        }
        helpPixels_.resize(back.size());
        for (int y = 0; y < helpHeight_; ++y)
            for (int x = 0; x < helpWidth_; ++x)
                helpPixels_[static_cast<size_t>(y) * helpWidth_ + x] = gdi::ToPixel(GetPixel(dc, x, y));
        SelectObject(dc, old);
        DeleteObject(bmp);
        DeleteDC(dc);
    }
    SDL_Surface* source = Sdl().SDL_CreateRGBSurfaceWithFormatFrom(helpPixels_.data(), helpWidth_, helpHeight_, 32,
                                                                   helpWidth_ * 4, SDL_PIXELFORMAT_RGB888);
    if (!source) return;
    SDL_Rect to{0, 0, helpWidth_, helpHeight_};
    Sdl().SDL_BlitSurface(source, nullptr, static_cast<SDL_Surface*>(surface), &to);
    Sdl().SDL_FreeSurface(source);
}

void SdlFrontEnd::Screenshot() {
    std::string name;
    std::error_code ec;
    for (int n = 1;; ++n) {
        name = program_ + "-screen-" + std::to_string(n) + ".png";
        if (!std::filesystem::exists(name, ec)) break;
    }
    std::string error;
    if (WriteScreenPng(name, error)) {
        lastShot_ = name;
        std::printf("screenshot: %s\n", name.c_str());
    } else {
        lastShot_.clear();
        std::fprintf(stderr, "%s: screenshot failed: %s\n", program_.c_str(), error.c_str());
    }
    std::fflush(stdout);
}

void SdlFrontEnd::Act(EmulatorAction action) {
    switch (action) {
        case EmulatorAction::Rotate:
            if (controls_.rotate) controls_.rotate();
            break;  // the window follows the screen when it presents
        case EmulatorAction::ZoomIn:
        case EmulatorAction::ZoomOut: {
            int wanted = std::clamp(scale_ + (action == EmulatorAction::ZoomIn ? 1 : -1), 1, 4);
            if (action == EmulatorAction::ZoomOut && scale_ > 4) wanted = 4;
            if (wanted == scale_) break;
            scale_ = wanted;
            Resize();
            break;
        }
        case EmulatorAction::Screenshot:
            Screenshot();
            break;
        case EmulatorAction::Reset:
            if (controls_.reset) controls_.reset();
            break;
        case EmulatorAction::Card:
            if (controls_.toggleCard) controls_.toggleCard();
            break;
        case EmulatorAction::Help:
            help_ = !help_;
            changes_ = ~uint64_t{0};
            break;
    }
    UpdateTitle();
}

std::vector<uint32_t> SdlFrontEnd::WindowPixels(int& width, int& height) const {
    std::vector<uint32_t> out;
    width = height = 0;
    SDL_Surface* surface = Sdl().SDL_GetWindowSurface(Win(window_));
    if (!surface) return out;
    SDL_Surface* copy = Sdl().SDL_ConvertSurfaceFormat(surface, SDL_PIXELFORMAT_RGB888, 0);
    if (!copy) return out;
    width = copy->w;
    height = copy->h;
    out.resize(static_cast<size_t>(width) * height);
    Sdl().SDL_LockSurface(copy);
    for (int y = 0; y < height; ++y) {
        const auto* row =
            reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(copy->pixels) + y * copy->pitch);
        for (int x = 0; x < width; ++x) out[static_cast<size_t>(y) * width + x] = row[x] & 0xFFFFFF;
    }
    Sdl().SDL_UnlockSurface(copy);
    Sdl().SDL_FreeSurface(copy);
    return out;
}

// Right Ctrl is the emulator's key: it and every key pressed while it is
// held stay with the emulator; a letter of EmulatorKeys() acts on key-down.
bool SdlFrontEnd::HandleHostKey(const void* raw) {
    const SDL_Event& e = *static_cast<const SDL_Event*>(raw);
    if (e.type != SDL_KEYDOWN && e.type != SDL_KEYUP) return false;
    if (e.key.keysym.sym == SDLK_RCTRL) {
        hostKey_ = e.type == SDL_KEYDOWN;
        return true;
    }
    if (!hostKey_ && !(e.key.keysym.mod & KMOD_RCTRL)) return false;
    if (e.type == SDL_KEYDOWN && !e.key.repeat) {
        SDL_Keycode sym = e.key.keysym.sym;
        for (const EmulatorKey& k : EmulatorKeys())
            if (sym == SDLK_a + (k.letter - 'A')) Act(k.action);
    }
    return true;
}

void SdlFrontEnd::HandleEvent(Device& device, const void* raw) {
    const SDL_Event& e = *static_cast<const SDL_Event*>(raw);
    auto toScreen = [&](int wx, int wy, int& x, int& y) {
        x = std::clamp(wx / scale_, 0, std::max(width_ - 1, 0));
        y = std::clamp(wy / scale_, 0, std::max(height_ - 1, 0));
    };
    if (HandleHostKey(raw)) return;
    int x = 0, y = 0;
    switch (e.type) {
        case SDL_QUIT:
        case SDL_WINDOWEVENT:
            if (e.type == SDL_QUIT || e.window.event == SDL_WINDOWEVENT_CLOSE) {
                // The close button is the device's power switch.
                if (controls_.powerOff)
                    controls_.powerOff();
                else
                    device.RequestQuit();
            } else if (e.window.event == SDL_WINDOWEVENT_EXPOSED || e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
                changes_ = ~uint64_t{0};  // show everything again
            } else if (e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) {
                desktopClipboardChanged_ = true;
            }
            break;
        case SDL_CLIPBOARDUPDATE:
            desktopClipboardChanged_ = true;
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
    if (Sdl().SDL_WaitEventTimeout(&event, static_cast<int>(wait.count()))) {
        HandleEvent(device, &event);
        while (Sdl().SDL_PollEvent(&event)) HandleEvent(device, &event);
    }
    ShareClipboard(device);
    // The title follows what changed behind the window's back (a program
    // turning the screen) within a second.
    if (std::chrono::steady_clock::now() - titleAt_ > std::chrono::seconds(1)) UpdateTitle();
    PresentIfChanged(device.Backlight());
}

void SdlFrontEnd::ShareClipboard(Device& device) {
    // Text a program copied goes to the desktop; text copied on the desktop
    // (seen when the window gets the focus or SDL reports a change) goes to
    // the device. Equal texts change nothing on either side, so neither
    // echoes the other for ever.
    uint64_t changes = 0;
    std::optional<std::string> text = device.ClipboardText(changes);
    if (changes != clipboardChanges_) {
        clipboardChanges_ = changes;
        if (text) Sdl().SDL_SetClipboardText(text->c_str());
    }
    if (desktopClipboardChanged_) {
        desktopClipboardChanged_ = false;
        if (Sdl().SDL_HasClipboardText()) {
            char* utf8 = Sdl().SDL_GetClipboardText();
            if (utf8 && (!text || *text != utf8)) device.SetClipboardText(utf8);
            Sdl().SDL_free(utf8);
        }
    }
}

void SdlFrontEnd::Run(Device& device, const std::function<bool()>& done) {
    while (!done()) Pump(device, Millis(15));
    PresentIfChanged(device.Backlight());
}

}  // namespace ce::host
