// Reading automation scripts.
#include "script.h"

#include <charconv>
#include <fstream>
#include <sstream>

#include "commands.h"

namespace ce::host {

namespace {

struct Token {
    std::string text;
    bool quoted = false;
};

// Splits a line into words and quoted strings; a `#` that starts a word
// begins a comment, except `#` directly followed by a digit after the command
// word (a control id).
bool Tokenize(std::string_view line, std::vector<Token>& tokens, std::string& error) {
    size_t i = 0;
    while (i < line.size()) {
        char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
            continue;
        }
        if (c == '#') {
            bool id = !tokens.empty() && i + 1 < line.size() && line[i + 1] >= '0' && line[i + 1] <= '9';
            if (!id) return true;
        }
        Token token;
        if (c == '"') {
            token.quoted = true;
            ++i;
            bool closed = false;
            while (i < line.size()) {
                char q = line[i++];
                if (q == '"') {
                    closed = true;
                    break;
                }
                if (q == '\\' && i < line.size() && (line[i] == '"' || line[i] == '\\')) q = line[i++];
                token.text += q;
            }
            if (!closed) {
                error = "unterminated quoted text";
                return false;
            }
            if (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') {
                error = "text after closing quote";
                return false;
            }
        } else {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') token.text += line[i++];
        }
        tokens.push_back(std::move(token));
    }
    return true;
}

bool ParseNumber(const Token& token, int& value, int max = 86'400'000) {
    if (token.quoted || token.text.empty()) return false;
    const char* begin = token.text.data();
    const char* end = begin + token.text.size();
    auto [ptr, ec] = std::from_chars(begin, end, value);
    return ec == std::errc() && ptr == end && value >= 0 && value <= max;
}

std::string Upper(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

struct NamedKey {
    const char* name;
    unsigned vk;
    char16_t ch;
};

constexpr NamedKey kNamedKeys[] = {
    {"ENTER", 0x0D, u'\r'}, {"ESCAPE", 0x1B, 0x1B}, {"TAB", 0x09, u'\t'}, {"UP", 0x26, 0},
    {"DOWN", 0x28, 0},      {"LEFT", 0x25, 0},      {"RIGHT", 0x27, 0},   {"BACKSPACE", 0x08, 0x08},
    {"DELETE", 0x2E, 0},    {"SPACE", 0x20, u' '},  {"HOME", 0x24, 0},    {"END", 0x23, 0},
};

// Virtual keys of the US keyboard's punctuation (VK_OEM_*).
unsigned PunctuationVk(char c) {
    switch (c) {
        case ';':
            return 0xBA;
        case '=':
            return 0xBB;
        case ',':
            return 0xBC;
        case '-':
            return 0xBD;
        case '.':
            return 0xBE;
        case '/':
            return 0xBF;
        case '`':
            return 0xC0;
        case '[':
            return 0xDB;
        case '\\':
            return 0xDC;
        case ']':
            return 0xDD;
        case '\'':
            return 0xDE;
        default:
            return 0;
    }
}

// The US keyboard's keys that make another character with Shift held, and
// that character.
constexpr char kPlainKeys[] = "1234567890-=[]\\;',./`";
constexpr char kShiftedKeys[] = "!@#$%^&*()_+{}|:\"<>?~";

// The virtual key of a digit or punctuation key (0 for other characters).
unsigned DigitOrPunctuationVk(char c) {
    return (c >= '0' && c <= '9') ? static_cast<unsigned>(c) : PunctuationVk(c);
}

}  // namespace

char ShiftedChar(char c) {
    if (c >= 'a' && c <= 'z') return static_cast<char>(c - 'a' + 'A');
    for (size_t i = 0; kPlainKeys[i]; ++i)
        if (kPlainKeys[i] == c) return kShiftedKeys[i];
    return c;
}

bool ParseKey(std::string_view text, KeyStroke& key) {
    key = {};
    std::string rest = Upper(text);
    for (;;) {
        if (rest.starts_with("ALT+") && rest.size() > 4) {
            key.modifiers |= kAlt;
            rest.erase(0, 4);
        } else if (rest.starts_with("CTRL+") && rest.size() > 5) {
            key.modifiers |= kCtrl;
            rest.erase(0, 5);
        } else if (rest.starts_with("SHIFT+") && rest.size() > 6) {
            key.modifiers |= kShift;
            rest.erase(0, 6);
        } else {
            break;
        }
    }
    for (const NamedKey& named : kNamedKeys) {
        if (rest == named.name) {
            key.vk = named.vk;
            key.ch = named.ch;
            if (key.modifiers & (kCtrl | kAlt)) key.ch = 0;
            return true;
        }
    }
    if (rest.size() >= 2 && rest.size() <= 3 && rest[0] == 'F') {
        int n = 0;
        auto [ptr, ec] = std::from_chars(rest.data() + 1, rest.data() + rest.size(), n);
        if (ec == std::errc() && ptr == rest.data() + rest.size() && n >= 1 && n <= 12 && rest[1] != '0') {
            key.vk = 0x70 + n - 1;
            return true;
        }
    }
    if (rest.size() == 1) {
        char c = rest[0];
        if (c >= 'A' && c <= 'Z') {
            key.vk = static_cast<unsigned>(c);
            if (key.modifiers & kCtrl)
                key.ch = static_cast<char16_t>(c - 'A' + 1);  // control character
            else
                key.ch = static_cast<char16_t>((key.modifiers & kShift) ? c : c - 'A' + 'a');
            return true;
        }
        // A digit or punctuation key makes its shifted character with Shift, as the window's keyboard does.
        const char16_t made =
            (key.modifiers & kCtrl) ? 0 : static_cast<char16_t>(key.modifiers & kShift ? ShiftedChar(c) : c);
        if (unsigned vk = DigitOrPunctuationVk(c)) {
            key.vk = vk;
            key.ch = made;
            return true;
        }
    }
    return false;
}

std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

std::string KeyName(unsigned vk, unsigned modifiers) {
    std::string name;
    for (const NamedKey& named : kNamedKeys)
        if (named.vk == vk) name = named.name;
    if (vk >= 0x70 && vk <= 0x7B) name = "F" + std::to_string(vk - 0x70 + 1);
    if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) name = std::string(1, static_cast<char>(vk));
    for (char c : std::string_view(";=,-./`[\\]'"))
        if (PunctuationVk(c) == vk) name = std::string(1, c);
    if (name.empty()) return {};
    return std::string(modifiers & kCtrl ? "CTRL+" : "") + (modifiers & kAlt ? "ALT+" : "") +
           (modifiers & kShift ? "SHIFT+" : "") + name;
}

KeyStroke KeyForChar(char16_t ch) {
    KeyStroke key;
    key.ch = ch;
    if (ch >= u'a' && ch <= u'z')
        key.vk = ch - u'a' + 'A';
    else if (ch >= u'A' && ch <= u'Z')
        key.vk = ch, key.modifiers = kShift;
    else if (ch == u' ')
        key.vk = 0x20;
    else if (ch == u'\n' || ch == u'\r')
        key.vk = 0x0D, key.ch = u'\r';
    else if (ch == u'\t')
        key.vk = 0x09;
    else if (ch < 0x80) {
        key.vk = DigitOrPunctuationVk(static_cast<char>(ch));
        // A shifted character is its plain key with Shift ('!' is Shift+1).
        for (size_t i = 0; !key.vk && kShiftedKeys[i]; ++i) {
            if (kShiftedKeys[i] != ch) continue;
            key.vk = DigitOrPunctuationVk(kPlainKeys[i]);
            key.modifiers = kShift;
        }
    }
    return key;  // vk 0: a character without a key of its own
}

namespace {

bool ParseTarget(const std::vector<Token>& t, size_t& at, Target& target, std::string& error) {
    if (at >= t.size()) {
        error = "missing target (X Y, \"TEXT\" or #ID)";
        return false;
    }
    const Token& first = t[at];
    if (first.quoted) {
        target.kind = Target::Kind::Text;
        target.text = first.text;
        if (target.text.empty()) {
            error = "empty target text";
            return false;
        }
        ++at;
        return true;
    }
    if (first.text.starts_with('#')) {
        target.kind = Target::Kind::Control;
        if (!ParseNumber(Token{first.text.substr(1), false}, target.id, 65535)) {
            error = "bad control id \"" + first.text + "\"";
            return false;
        }
        ++at;
        return true;
    }
    target.kind = Target::Kind::Point;
    if (at + 1 >= t.size() || !ParseNumber(t[at], target.x, 65535) || !ParseNumber(t[at + 1], target.y, 65535)) {
        error = "bad target: expected X Y, \"TEXT\" or #ID";
        return false;
    }
    at += 2;
    return true;
}

bool ParseMs(const std::vector<Token>& t, size_t& at, int& ms, bool optional, std::string& error) {
    if (at >= t.size()) {
        if (optional) return true;
        error = "missing time in milliseconds";
        return false;
    }
    if (!ParseNumber(t[at], ms)) {
        error = "bad time \"" + t[at].text + "\": expected milliseconds";
        return false;
    }
    ++at;
    return true;
}

bool ParseFile(const std::vector<Token>& t, size_t& at, std::string_view ext, std::string& file, std::string& error) {
    if (at >= t.size() || t[at].text.empty()) {
        error = "missing file name";
        return false;
    }
    file = t[at++].text;
    std::string lower = file;
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (!lower.ends_with(ext) || lower.size() == ext.size()) {
        error = "file name must end in " + std::string(ext);
        return false;
    }
    return true;
}

bool ParseQuoted(const std::vector<Token>& t, size_t& at, std::string& text, std::string& error) {
    if (at >= t.size() || !t[at].quoted) {
        error = "expected quoted \"TEXT\"";
        return false;
    }
    text = t[at++].text;
    return true;
}

bool ParseArg(Arg arg, const std::vector<Token>& t, size_t& at, Step& step, std::string& error) {
    switch (arg) {
        case Arg::None:
            return true;
        case Arg::Target:
            return ParseTarget(t, at, step.target, error);
        case Arg::Ms:
        case Arg::OptionalMs:
            return ParseMs(t, at, step.ms, arg == Arg::OptionalMs, error);
        case Arg::Key:
            if (at >= t.size() || t[at].quoted || !ParseKey(t[at].text, step.key)) {
                error = at < t.size() ? "unknown key \"" + t[at].text + "\"" : "missing key";
                return false;
            }
            ++at;
            return true;
        case Arg::Text:
        case Arg::AnyText:
            if (!ParseQuoted(t, at, step.text, error)) return false;
            if (arg == Arg::Text && step.text.empty()) {
                error = "empty text";
                return false;
            }
            return true;
        case Arg::PngFile:
            return ParseFile(t, at, ".png", step.text, error);
        case Arg::JsonFile:
            if (at < t.size() && !t[at].quoted && t[at].text == "-") {
                step.text = t[at++].text;
                return true;
            }
            return ParseFile(t, at, ".json", step.text, error);
    }
    return false;
}

bool ParseLine(const std::vector<Token>& t, Step& step, std::string& error) {
    step.command = t[0].quoted ? nullptr : FindCommand(t[0].text);
    if (!step.command) {
        error = "unknown command \"" + t[0].text + "\"";
        return false;
    }
    size_t at = 1;
    for (Arg arg : step.command->args)
        if (!ParseArg(arg, t, at, step, error)) return false;
    if (at < t.size()) {
        error = "unexpected \"" + t[at].text + "\" after " + std::string(step.command->name);
        return false;
    }
    return true;
}

std::string StripLine(std::string_view line) {
    size_t b = line.find_first_not_of(" \t\r");
    if (b == std::string_view::npos) return {};
    size_t e = line.find_last_not_of(" \t\r");
    return std::string(line.substr(b, e - b + 1));
}

}  // namespace

bool ParseStep(std::string_view line, Step& step, bool& empty, std::string& error) {
    step = {};
    std::vector<Token> tokens;
    if (!Tokenize(line, tokens, error)) return false;
    empty = tokens.empty();
    if (empty) return true;
    step.source = StripLine(line);
    return ParseLine(tokens, step, error);
}

bool ParseScript(std::string_view text, std::string name, Script& script, std::string& error) {
    script = {};
    script.name = std::move(name);
    int lineNo = 0;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t nl = text.find('\n', pos);
        std::string_view line = text.substr(pos, nl == std::string_view::npos ? std::string_view::npos : nl - pos);
        pos = nl == std::string_view::npos ? text.size() + 1 : nl + 1;
        ++lineNo;
        Step step;
        bool empty = false;
        std::string why;
        if (!ParseStep(line, step, empty, why)) {
            error = script.name + ":" + std::to_string(lineNo) + ": " + why;
            return false;
        }
        if (empty) continue;
        step.line = lineNo;
        script.steps.push_back(std::move(step));
    }
    return true;
}

bool LoadScript(const std::string& file, Script& script, std::string& error) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        error = file + ": cannot read the script";
        return false;
    }
    std::stringstream buffer;
    buffer << in.rdbuf();
    return ParseScript(buffer.str(), file, script, error);
}

}  // namespace ce::host
