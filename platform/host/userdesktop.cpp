// The window system's side of the emulator host: input delivery, idleness,
// finding what shows a text, and the window tree of a dump.
#include "userdesktop.h"

#include <algorithm>
#include <thread>

#include "ce_kernel.h"
#include "ce_user.h"
#include "script.h"
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

bool IsEdit(const std::u16string& className) {
    return EqualsNoCase(className, u"Edit");
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
    std::vector<DrawnText> drawn;    // in its last paint (edit fields: none, they show what is typed)
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
    if (!IsEdit(s.className)) s.drawn = DrawnTexts(w->hwnd);
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
    if (!IsEdit(s.className) && ShowsText(s.text, wanted)) return Centre(s.rect);
    for (const DrawnText& d : s.drawn)
        if (ShowsText(d.text, wanted)) return Centre(d.rect);
    return std::nullopt;
}

std::optional<host::ScreenPoint> FindId(const Snapshot& s, LONG_PTR id) {
    for (const Snapshot& c : s.children) {
        if ((c.style & WS_CHILD) && c.id == id && c.visible) return Centre(c.rect);
        if (auto p = FindId(c, id)) return p;
    }
    return std::nullopt;
}

// The deepest visible window under `p`, children before their parent.
const Snapshot* DeepestAt(const Snapshot& s, host::ScreenPoint p) {
    const POINT pt{p.x, p.y};
    if (!s.visible || !PtInRect(&s.rect, pt)) return nullptr;
    for (const Snapshot& c : s.children)
        if (const Snapshot* d = DeepestAt(c, p)) return d;
    return &s;
}

const Snapshot* ParentOf(const Snapshot& s, HWND child) {
    for (const Snapshot& c : s.children) {
        if (c.hwnd == child) return &s;
        if (const Snapshot* p = ParentOf(c, child)) return p;
    }
    return nullptr;
}

bool IsLabel(const Snapshot& s) {
    return EqualsNoCase(s.className, u"Static");
}

// Pixels between two rectangles (0 when they touch or overlap).
long RectDistance(const RECT& a, const RECT& b) {
    long dx = std::max({0L, static_cast<long>(a.left - b.right), static_cast<long>(b.left - a.right)});
    long dy = std::max({0L, static_cast<long>(a.top - b.bottom), static_cast<long>(b.top - a.bottom)});
    return dx + dy;
}

// The window a touch at `p` reaches, as input delivers it: topmost first,
// past windows that let touches through, down to the deepest child.
const Snapshot* HitAt(const std::vector<Snapshot>& windows, host::ScreenPoint p) {
    const POINT pt{p.x, p.y};
    for (const Snapshot& s : windows) {
        if (!s.visible || !PtInRect(&s.rect, pt)) continue;
        if (SendMessage(s.hwnd, WM_NCHITTEST, 0, MAKELPARAM(pt.x, pt.y)) == HTTRANSPARENT) continue;
        const Snapshot* child = HitAt(s.children, p);
        return child ? child : &s;
    }
    return nullptr;
}

bool InJsonRect(const Json& rect, host::ScreenPoint p) {
    return rect.is_array() && rect.size() == 4 && p.x >= rect[0] && p.y >= rect[1] && p.x < rect[2] && p.y < rect[3];
}

// The item of a dump entry (tree items, list rows, menu items) whose
// rectangle holds `p`: its text (a row's first cell) and rectangle.
const Json* ItemAt(const Json& j, host::ScreenPoint p) {
    if (j.is_object() && j.contains("rect") && InJsonRect(j["rect"], p) &&
        ((j.contains("text") && j["text"].is_string()) || (j.contains("cells") && !j["cells"].empty())))
        return &j;
    if (j.is_structured())
        for (const Json& child : j)
            if (const Json* found = ItemAt(child, p)) return found;
    return nullptr;
}

Json Dump(const Snapshot& s, HWND focus) {
    Json entry = {{"class", ToUtf8(s.className)}, {"id", (s.style & WS_CHILD) ? s.id : 0},
                  {"text", ToUtf8(s.text)},       {"rect", JsonRect(s.rect)},
                  {"visible", s.visible},         {"enabled", s.enabled},
                  {"focused", s.hwnd == focus},   {"style", s.style},
                  {"exstyle", s.exStyle}};
    if (ClassInspector inspect = InspectorFor(s.className); inspect.dumpFields) inspect.dumpFields(s.hwnd, entry);
    if (!s.drawn.empty()) {
        Json drawn = Json::array();
        for (const DrawnText& d : s.drawn) drawn.push_back(ToUtf8(d.text));
        entry["drawn"] = std::move(drawn);
    }
    Json children = Json::array();
    for (const Snapshot& c : s.children) children.push_back(Dump(c, focus));
    entry["children"] = std::move(children);
    return entry;
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
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return MessageLoopStarted() && IsIdle();
    }

    std::optional<host::ScreenPoint> FindText(const std::string& text) override {
        std::u16string wanted = FromUtf8(text);
        for (const Snapshot& top : TopLevels())
            if (auto p = FindIn(top, wanted)) return p;
        return std::nullopt;
    }

    std::string TouchPassesAt(host::ScreenPoint p) override {
        auto tops = TopLevels();
        const Snapshot* at = nullptr;
        for (const Snapshot& top : tops)
            if (!at) at = DeepestAt(top, p);
        if (!at || !(at->style & WS_CHILD)) return {};
        const POINT pt{p.x, p.y};
        if (SendMessage(at->hwnd, WM_NCHITTEST, 0, MAKELPARAM(pt.x, pt.y)) != HTTRANSPARENT) return {};
        // A control under it takes the touch (a radio button inside a group
        // box): only a touch that falls through to the window itself is lost.
        HWND hit = WindowFromPoint(pt);
        if (hit && hit != at->hwnd && (GetWindowLong(hit, GWL_STYLE) & WS_CHILD)) return {};
        // The control a person would take it for: the one right above it
        // (a label names the picture button over it), else the nearest one.
        const Snapshot* parent = nullptr;
        for (const Snapshot& top : tops)
            if (!parent) parent = ParentOf(top, at->hwnd);
        static const std::vector<Snapshot> kNone;
        const Snapshot* nearest = nullptr;
        long best = 0;
        for (const Snapshot& c : parent ? parent->children : kNone) {
            if (&c == at || !c.visible || !c.enabled || c.id <= 0 || c.id == 0xFFFF || IsLabel(c)) continue;
            const bool above =
                c.rect.bottom <= at->rect.top + 2 && c.rect.left < at->rect.right && c.rect.right > at->rect.left;
            long d = RectDistance(c.rect, at->rect) + (above ? 0 : 100000);
            if (!nearest || d < best) nearest = &c, best = d;
        }
        std::string why = "it lets touches through";
        if (nearest)
            why += "; the control nearest to it is #" + std::to_string(nearest->id) +
                   (nearest->text.empty() ? "" : " \"" + ToUtf8(nearest->text) + "\"");
        return why;
    }

    std::string TargetAt(host::ScreenPoint p) override {
        auto tops = TopLevels();
        const Snapshot* w = HitAt(tops, p);
        if (!w) return {};
        if (ClassInspector inspect = InspectorFor(w->className); inspect.dumpFields) {
            Json entry = Json::object();
            inspect.dumpFields(w->hwnd, entry);
            if (const Json* item = ItemAt(entry, p)) {
                std::string text = item->contains("text") ? (*item)["text"].get<std::string>()
                                                          : (*item)["cells"][0].get<std::string>();
                // Only when the text finds this item again.
                auto found =
                    text.empty() || text.find_first_of("\r\n") != std::string::npos ? std::nullopt : FindText(text);
                if (found && InJsonRect((*item)["rect"], *found)) return ce::host::Quoted(text);
            }
        }
        // Buttons act wherever they are touched; other controls (lists,
        // bars, edit fields) care where, so they keep their coordinates.
        if ((w->style & WS_CHILD) && w->id > 0 && w->id != 0xFFFF && EqualsNoCase(w->className, u"Button")) {
            auto found = FindControl(static_cast<int>(w->id));
            if (found && *found == Centre(w->rect)) return "#" + std::to_string(w->id);
        }
        return {};
    }

    std::vector<std::string> Captions() override {
        std::vector<std::string> out;
        for (const Snapshot& top : TopLevels())
            if (top.visible && !top.text.empty()) out.push_back(ToUtf8(top.text));
        return out;
    }

    std::optional<host::ScreenPoint> FindControl(int id) override {
        HWND active = GetActiveWindow();
        for (const Snapshot& top : TopLevels()) {
            if (active && top.hwnd != active) continue;
            if (auto p = FindId(top, id)) return p;
        }
        return std::nullopt;
    }

    Json DumpWindows() override {
        HWND focus = GetFocus();
        Json out = Json::array();
        for (const Snapshot& top : TopLevels()) out.push_back(Dump(top, focus));
        return out;
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

Json JsonRect(const RECT& r) {
    return Json::array({r.left, r.top, r.right, r.bottom});
}

std::unique_ptr<host::Desktop> MakeDesktop() {
    RegisterControlInspectors();
    RepaintDesktop();
    return std::make_unique<UserDesktop>();
}

}  // namespace ce::user
