// The window system's side of the emulator host: input delivery, idleness,
// finding what shows a text, and the window tree of a dump.
#include "userdesktop.h"

#include <thread>

#include "ce_kernel.h"
#include "ce_user.h"
#include "user_internal.h"
#include "winioctl.h"

namespace ce::user {

namespace {

std::mutex& ExtMutex() {
    static std::mutex& m = *new std::mutex;
    return m;
}
std::map<std::u16string, ClassInspector>& Inspectors() {
    static auto& m = *new std::map<std::u16string, ClassInspector>;
    return m;
}

// A snapshot of one window, taken under the window system's lock.
struct Snapshot {
    HWND hwnd;
    std::u16string className;
    std::u16string text;
    LONG_PTR id;
    DWORD style, exStyle;
    RECT rect;  // screen
    bool visible, enabled;
    std::vector<Snapshot> children;  // topmost first
};

Snapshot Take(const Window* w) {
    Snapshot s;
    s.hwnd = w->hwnd;
    s.className = w->cls ? w->cls->name : u"";
    s.text = w->text;
    s.id = w->id;
    s.style = w->style;
    s.exStyle = w->exStyle;
    s.rect = ScreenRect(w);
    s.visible = (w->style & WS_VISIBLE) != 0;
    s.enabled = !(w->style & WS_DISABLED);
    for (const Window* c : w->children)
        if (!c->destroyed) s.children.push_back(Take(c));
    return s;
}

std::vector<Snapshot> TopLevels() {
    std::vector<Snapshot> out;
    Lock l(S().mu);
    Window* desktop = S().desktop.get();
    if (!desktop) return out;
    for (const Window* w : desktop->children)
        if (!w->destroyed) out.push_back(Take(w));
    return out;
}

ClassInspector InspectorFor(const std::u16string& className) {
    std::lock_guard lock(ExtMutex());
    auto it = Inspectors().find(Fold(className));
    return it == Inspectors().end() ? ClassInspector{} : it->second;
}

// "&File" shows "File"; "&&" shows "&".
std::u16string StripMnemonics(std::u16string_view s) {
    std::u16string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == u'&' && i + 1 < s.size()) {
            out += s[++i];
            continue;
        }
        if (s[i] != u'&') out += s[i];
    }
    return out;
}

bool ShowsText(std::u16string_view shown, std::u16string_view wanted) {
    std::u16string plain = StripMnemonics(shown);
    if (plain == wanted) return true;
    size_t start = 0;
    while (start <= plain.size()) {
        size_t end = plain.find_first_of(u"\r\n", start);
        if (end == std::u16string::npos) end = plain.size();
        if (std::u16string_view(plain).substr(start, end - start) == wanted) return true;
        if (end == plain.size()) break;
        start = end + 1;
        if (plain[end] == u'\r' && start < plain.size() && plain[start] == u'\n') ++start;
    }
    return false;
}

host::ScreenPoint Centre(const RECT& r) {
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

std::optional<host::ScreenPoint> FindIn(const Snapshot& s, std::u16string_view wanted) {
    if (!s.visible) return std::nullopt;
    // Children lie above their parent; the topmost child first.
    for (const Snapshot& c : s.children)
        if (auto p = FindIn(c, wanted)) return p;
    if (ClassInspector inspect = InspectorFor(s.className); inspect.findText) {
        POINT pt;
        if (inspect.findText(s.hwnd, wanted, pt)) return host::ScreenPoint{pt.x, pt.y};
    }
    // The OK button a dialog may have in its caption.
    if (wanted == u"OK" && (s.exStyle & WS_EX_CAPTIONOKBTN) && !(s.style & WS_CHILD)) {
        RECT ok = CaptionOkRect(s.hwnd);
        if (!IsRectEmpty(&ok)) return Centre(ok);
    }
    // Edit fields show what is typed, not a label: they are not matched.
    if (!EqualsNoCase(s.className, u"Edit") && ShowsText(s.text, wanted)) return Centre(s.rect);
    return std::nullopt;
}

std::optional<host::ScreenPoint> FindId(const Snapshot& s, LONG_PTR id) {
    for (const Snapshot& c : s.children) {
        if ((c.style & WS_CHILD) && c.id == id && c.visible) return Centre(c.rect);
        if (auto p = FindId(c, id)) return p;
    }
    return std::nullopt;
}

void Dump(const Snapshot& s, HWND focus, std::string& out) {
    out += "{\"class\":" + JsonString(ToUtf8(s.className));
    out += ",\"id\":" + std::to_string((s.style & WS_CHILD) ? s.id : 0);
    out += ",\"text\":" + JsonString(ToUtf8(s.text));
    out += ",\"rect\":" + JsonRect(s.rect);
    out += ",\"visible\":" + JsonBool(s.visible);
    out += ",\"enabled\":" + JsonBool(s.enabled);
    out += ",\"focused\":" + JsonBool(s.hwnd == focus);
    out += ",\"style\":" + std::to_string(s.style);
    out += ",\"exstyle\":" + std::to_string(s.exStyle);
    if (ClassInspector inspect = InspectorFor(s.className); inspect.dumpFields) {
        std::string extra = inspect.dumpFields(s.hwnd);
        if (!extra.empty()) out += "," + extra;
    }
    out += ",\"children\":[";
    for (size_t i = 0; i < s.children.size(); ++i) {
        if (i) out += ",";
        Dump(s.children[i], focus, out);
    }
    out += "]}";
}

class UserDesktop : public host::Desktop {
public:
    void InjectPointer(host::PointerKind kind, int x, int y, uint32_t time) override {
        Mouse m = kind == host::PointerKind::Down ? Mouse::Down
                  : kind == host::PointerKind::Up ? Mouse::Up
                                                  : Mouse::Move;
        InjectMouse(m, x, y, time);
    }

    void InjectKey(unsigned vk, bool down, unsigned, char16_t ch) override { ce::user::InjectKey(vk, down, ch); }

    bool WaitIdle(host::Millis timeout) override {
        auto deadline = std::chrono::steady_clock::now() + timeout;
        // Idle must hold twice in a row, a moment apart: a message being
        // handled right now may post the next one.
        int calm = 0;
        while (std::chrono::steady_clock::now() < deadline) {
            if (MessageLoopStarted() && IsIdle()) {
                if (++calm >= 2) return true;
            } else {
                calm = 0;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return MessageLoopStarted() && IsIdle();
    }

    std::optional<host::ScreenPoint> FindText(const std::string& text) override {
        std::u16string wanted = FromUtf8(text);
        for (const Snapshot& top : TopLevels())
            if (auto p = FindIn(top, wanted)) return p;
        return std::nullopt;
    }

    std::optional<host::ScreenPoint> FindControl(int id) override {
        HWND active = GetActiveWindow();
        for (const Snapshot& top : TopLevels()) {
            if (active && top.hwnd != active) continue;
            if (auto p = FindId(top, id)) return p;
        }
        return std::nullopt;
    }

    std::string DumpWindowsJson() override {
        HWND focus = GetFocus();
        std::string out = "[";
        auto tops = TopLevels();
        for (size_t i = 0; i < tops.size(); ++i) {
            if (i) out += ",";
            Dump(tops[i], focus, out);
        }
        return out + "]";
    }

    void StorageCardChanged(bool inserted) override {
        for (const Snapshot& top : TopLevels())
            PostMessage(top.hwnd, WM_DEVICECHANGE, inserted ? DBT_DEVICEARRIVAL : DBT_DEVICEREMOVECOMPLETE, 0);
    }

    bool RequestRestart() override {
        // A timer message with a procedure is carried out by whichever loop
        // of the program retrieves it (a dialog's or a message box's too).
        TIMERPROC reboot = [](HWND, UINT, UINT_PTR, DWORD) {
            KernelIoControl(IOCTL_HAL_REBOOT, nullptr, 0, nullptr, 0, nullptr);
        };
        for (const Snapshot& top : TopLevels())
            if (PostMessage(top.hwnd, WM_TIMER, 0, reinterpret_cast<LPARAM>(reboot))) return true;
        return false;
    }
    std::optional<std::string> ClipboardText(uint64_t& changes) override {
        ClipboardState c = DeviceClipboard();
        changes = c.changes;
        return c.hasText ? std::optional<std::string>(ToUtf8(c.text)) : std::nullopt;
    }
    void SetClipboardText(const std::string& text) override { SetDeviceClipboardText(FromUtf8(text)); }

    void RequestQuit() override {
        // Close the program's main window as its user would: the topmost
        // enabled top-level window gets WM_CLOSE (a dialog turns it into
        // Cancel).
        for (const Snapshot& top : TopLevels()) {
            if (top.visible && top.enabled) {
                PostMessage(top.hwnd, WM_CLOSE, 0, 0);
                return;
            }
        }
    }
};

}  // namespace

void RegisterClassInspector(std::u16string_view className, ClassInspector inspector) {
    std::lock_guard lock(ExtMutex());
    Inspectors()[Fold(className)] = std::move(inspector);
}

std::string JsonBool(bool b) {
    return b ? "true" : "false";
}

std::string JsonRect(const RECT& r) {
    return "[" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + "]";
}

std::unique_ptr<host::Desktop> MakeDesktop() {
    RegisterControlInspectors();
    RepaintDesktop();
    return std::make_unique<UserDesktop>();
}

}  // namespace ce::user
