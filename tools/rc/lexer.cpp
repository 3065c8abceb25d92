// Tokens and preprocessor lines of resource scripts and their headers.
#include <cctype>
#include <fstream>
#include <sstream>

#include "rc.h"

namespace rc {
namespace {

namespace fs = std::filesystem;

bool IsIdentStart(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}
bool IsIdentChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Scans one logical piece of text into tokens. Strings take C escapes and
// "" for a quote; numbers are decimal or 0x hex with optional L/U suffixes.
class Scanner {
public:
    Scanner(const std::string& text, std::string file, int line) : t_(text), file_(std::move(file)), line_(line) {}

    // Next token; Tok::End at the end of the text.
    Token Next() {
        SkipSpace();
        Token tok;
        tok.file = file_;
        tok.line = line_;
        if (p_ >= t_.size()) return tok;
        char c = t_[p_];
        if (IsIdentStart(c)) {
            size_t b = p_;
            while (p_ < t_.size() && IsIdentChar(t_[p_])) ++p_;
            tok.kind = Tok::Ident;
            tok.text = t_.substr(b, p_ - b);
        } else if (std::isdigit(static_cast<unsigned char>(c))) {
            size_t b = p_;
            while (p_ < t_.size() && std::isalnum(static_cast<unsigned char>(t_[p_]))) ++p_;
            std::string s = t_.substr(b, p_ - b);
            while (!s.empty() && (s.back() == 'L' || s.back() == 'l' || s.back() == 'U' || s.back() == 'u'))
                s.pop_back();
            tok.kind = Tok::Number;
            tok.text = s;
            size_t used = 0;
            try {
                tok.value = static_cast<int64_t>(std::stoull(s, &used, 0));
            } catch (const std::exception&) {
                used = 0;
            }
            if (used != s.size() || s.empty()) throw Error(file_, line_, "bad number '" + t_.substr(b, p_ - b) + "'");
        } else if (c == '"') {
            tok.kind = Tok::String;
            tok.text = ScanString();
        } else if (c == 'L' && p_ + 1 < t_.size() && t_[p_ + 1] == '"') {
            ++p_;
            tok.kind = Tok::String;
            tok.text = ScanString();
        } else if (std::string("{},|()+-~&*/!").find(c) != std::string::npos) {
            ++p_;
            tok.kind = Tok::Punct;
            tok.text = std::string(1, c);
        } else {
            throw Error(file_, line_, std::string("unexpected character '") + c + "'");
        }
        return tok;
    }

private:
    void SkipSpace() {
        while (p_ < t_.size()) {
            char c = t_[p_];
            if (c == '\n') {
                ++line_;
                ++p_;
            } else if (std::isspace(static_cast<unsigned char>(c))) {
                ++p_;
            } else if (t_.compare(p_, 2, "//") == 0) {
                while (p_ < t_.size() && t_[p_] != '\n') ++p_;
            } else if (t_.compare(p_, 2, "/*") == 0) {
                size_t e = t_.find("*/", p_ + 2);
                if (e == std::string::npos) throw Error(file_, line_, "unterminated comment");
                for (size_t i = p_; i < e; ++i) line_ += t_[i] == '\n';
                p_ = e + 2;
            } else {
                break;
            }
        }
    }

    std::string ScanString() {
        ++p_;  // opening quote
        std::string out;
        for (;;) {
            if (p_ >= t_.size() || t_[p_] == '\n') throw Error(file_, line_, "unterminated string");
            char c = t_[p_++];
            if (c == '"') {
                if (p_ < t_.size() && t_[p_] == '"') {  // "" is a quote
                    out += '"';
                    ++p_;
                    continue;
                }
                return out;
            }
            if (c != '\\') {
                out += c;
                continue;
            }
            if (p_ >= t_.size()) throw Error(file_, line_, "unterminated string");
            char e = t_[p_++];
            switch (e) {
                case 'n':
                    out += '\n';
                    break;
                case 't':
                    out += '\t';
                    break;
                case 'r':
                    out += '\r';
                    break;
                case 'a':
                    out += '\a';
                    break;
                case '\\':
                    out += '\\';
                    break;
                case '"':
                    out += '"';
                    break;
                case '\'':
                    out += '\'';
                    break;
                case '0':
                case '1':
                case '2':
                case '3':
                case '4':
                case '5':
                case '6':
                case '7':
                case 'x': {
                    // \x with up to 4 hex digits, or up to 3 octal digits ("\000").
                    bool hex = e == 'x';
                    size_t b = hex ? p_ : p_ - 1;
                    auto digit = [&](char d) {
                        return hex ? std::isxdigit(static_cast<unsigned char>(d)) != 0 : d >= '0' && d <= '7';
                    };
                    while (p_ < t_.size() && p_ - b < (hex ? 4u : 3u) && digit(t_[p_])) ++p_;
                    if (p_ == b) throw Error(file_, line_, "\\x without hex digits");
                    unsigned v = static_cast<unsigned>(std::stoul(t_.substr(b, p_ - b), nullptr, hex ? 16 : 8));
                    // A code point: store it as UTF-8 so the UTF-16 conversion keeps it.
                    if (v < 0x80) {
                        out += static_cast<char>(v);
                    } else if (v < 0x800) {
                        out += static_cast<char>(0xC0 | (v >> 6));
                        out += static_cast<char>(0x80 | (v & 0x3F));
                    } else {
                        out += static_cast<char>(0xE0 | (v >> 12));
                        out += static_cast<char>(0x80 | ((v >> 6) & 0x3F));
                        out += static_cast<char>(0x80 | (v & 0x3F));
                    }
                    break;
                }
                default:
                    throw Error(file_, line_, std::string("unknown escape '\\") + e + "' in string");
            }
        }
    }

    const std::string& t_;
    std::string file_;
    int line_;
    size_t p_ = 0;
};

std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos) return {};
    size_t e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

// Removes a // comment or /* ... */ on a directive line.
std::string StripComment(std::string s) {
    bool inString = false;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '"') inString = !inString;
        if (!inString && (s.compare(i, 2, "//") == 0 || s.compare(i, 2, "/*") == 0)) {
            s.erase(i);
            break;
        }
    }
    return Trim(s);
}

}  // namespace

std::u16string Utf8To16(const std::string& s, const std::string& file, int line) {
    std::u16string out;
    for (size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        uint32_t cp;
        int n;
        if (c < 0x80) {
            cp = c;
            n = 0;
        } else if ((c & 0xE0) == 0xC0) {
            cp = c & 0x1F;
            n = 1;
        } else if ((c & 0xF0) == 0xE0) {
            cp = c & 0x0F;
            n = 2;
        } else if ((c & 0xF8) == 0xF0) {
            cp = c & 0x07;
            n = 3;
        } else
            throw Error(file, line, "text is not valid UTF-8");
        for (int k = 1; k <= n; ++k) {
            if (i + k >= s.size() || (static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
                throw Error(file, line, "text is not valid UTF-8");
            cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        }
        i += n + 1;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
    return out;
}

std::vector<Token> Lexer::TokenizeText(const std::string& text, const std::string& file, int line) {
    Scanner sc(text, file, line);
    std::vector<Token> out;
    for (Token t = sc.Next(); t.kind != Tok::End; t = sc.Next()) out.push_back(t);
    return out;
}

fs::path Lexer::Resolve(const std::string& name, const fs::path& from, bool angled, const std::string& file,
                        int line) const {
    std::vector<fs::path> dirs;
    if (!angled) dirs.push_back(from.parent_path());
    dirs.insert(dirs.end(), includeDirs_.begin(), includeDirs_.end());
    for (const auto& d : dirs) {
        fs::path p = d / name;
        if (fs::is_regular_file(p)) return p;
    }
    return {};
}

std::vector<Token> Lexer::Run(const fs::path& script) {
    std::vector<Token> out;
    Process(script, false, &out, 0);
    return out;
}

void Lexer::Process(const fs::path& path, bool headerOnly, std::vector<Token>* out, int depth) {
    const std::string file = path.string();
    if (!fs::is_regular_file(path)) throw Error(file, 0, "cannot open file");
    if (depth > 16) throw Error(file, 1, "#include nested too deeply");
    const std::string text = ReadFile(path);

    // Conditional sections: each entry is {this branch active, some branch taken}.
    struct Cond {
        bool active;
        bool taken;
        int line;
    };
    std::vector<Cond> conds;
    auto active = [&] {
        for (const auto& c : conds)
            if (!c.active) return false;
        return true;
    };
    auto evalCondition = [&](const std::string& expr, int line) -> bool {
        auto toks = TokenizeText(expr, file, line);
        if (toks.size() == 1 && toks[0].kind == Tok::Number) return toks[0].value != 0;
        if (toks.size() == 1 && toks[0].kind == Tok::Ident) {
            auto it = defines_.find(toks[0].text);
            if (it == defines_.end()) return false;
            auto v = TokenizeText(it->second.text, file, line);
            return v.size() == 1 && v[0].kind == Tok::Number && v[0].value != 0;
        }
        // defined(X) / !defined(X)
        bool negate = !toks.empty() && toks[0].text == "!";
        size_t i = negate ? 1 : 0;
        if (toks.size() > i + 1 && toks[i].text == "defined") {
            size_t n = toks[i + 1].text == "(" ? i + 2 : i + 1;
            if (n < toks.size() && toks[n].kind == Tok::Ident) return negate != (defines_.count(toks[n].text) > 0);
        }
        throw Error(file, line, "unsupported #if expression '" + expr + "'");
    };

    // Split into lines, joining backslash continuations of directive lines;
    // plain lines are gathered into chunks and scanned with their numbers.
    std::string chunk;
    int chunkLine = 1;
    auto flush = [&] {
        if (!chunk.empty() && !headerOnly) {
            auto toks = TokenizeText(chunk, file, chunkLine);
            out->insert(out->end(), toks.begin(), toks.end());
        }
        chunk.clear();
    };

    int lineNo = 0;
    size_t pos = 0;
    bool inComment = false;  // inside a /* */ comment spanning lines
    while (pos < text.size()) {
        size_t eol = text.find('\n', pos);
        if (eol == std::string::npos) eol = text.size();
        std::string line = text.substr(pos, eol - pos);
        pos = eol + 1;
        ++lineNo;
        const int thisLine = lineNo;
        std::string trimmed = Trim(line);
        if (!inComment && !trimmed.empty() && trimmed[0] == '#') {
            while (!trimmed.empty() && trimmed.back() == '\\' && pos < text.size()) {
                trimmed.pop_back();
                size_t e2 = text.find('\n', pos);
                if (e2 == std::string::npos) e2 = text.size();
                trimmed += " " + Trim(text.substr(pos, e2 - pos));
                pos = e2 + 1;
                ++lineNo;
            }
            flush();
            chunkLine = lineNo + 1;
            std::string d = StripComment(Trim(trimmed.substr(1)));
            size_t sp = 0;
            while (sp < d.size() && IsIdentChar(d[sp])) ++sp;
            std::string directive = d.substr(0, sp);
            std::string rest = Trim(d.substr(sp));
            if (directive == "if") {
                bool v = active() && evalCondition(rest, thisLine);
                conds.push_back({v, v, thisLine});
            } else if (directive == "ifdef" || directive == "ifndef") {
                bool v = (defines_.count(rest) > 0) == (directive == "ifdef");
                conds.push_back({v, v, thisLine});
            } else if (directive == "else") {
                if (conds.empty()) throw Error(file, thisLine, "#else without #if");
                conds.back().active = !conds.back().taken;
                conds.back().taken = true;
            } else if (directive == "elif") {
                if (conds.empty()) throw Error(file, thisLine, "#elif without #if");
                bool v = !conds.back().taken && evalCondition(rest, thisLine);
                conds.back().active = v;
                conds.back().taken = conds.back().taken || v;
            } else if (directive == "endif") {
                if (conds.empty()) throw Error(file, thisLine, "#endif without #if");
                conds.pop_back();
            } else if (!active()) {
                // skipped section
            } else if (directive == "define") {
                size_t n = 0;
                while (n < rest.size() && IsIdentChar(rest[n])) ++n;
                if (n == 0 || !IsIdentStart(rest[0])) throw Error(file, thisLine, "#define without a name");
                if (n < rest.size() && rest[n] == '(') continue;  // function-like macros are not used in scripts
                defines_[rest.substr(0, n)] = Define{Trim(rest.substr(n)), file, thisLine};
            } else if (directive == "undef") {
                defines_.erase(rest);
            } else if (directive == "include") {
                if (rest.size() < 2 ||
                    !((rest.front() == '"' && rest.back() == '"') || (rest.front() == '<' && rest.back() == '>')))
                    throw Error(file, thisLine, "#include expects \"file\" or <file>");
                bool angled = rest.front() == '<';
                std::string name = rest.substr(1, rest.size() - 2);
                fs::path found = Resolve(name, path, angled, file, thisLine);
                if (found.empty()) {
                    // System headers of the platform: their constants are built in.
                    if (angled) continue;
                    throw Error(file, thisLine, "cannot find include file \"" + name + "\"");
                }
                included_.push_back(found);
                Process(found, true, out, depth + 1);
            }
            continue;
        }
        // Track block comments so a '#' inside one is not a directive.
        for (size_t i = 0; i + 1 < line.size(); ++i) {
            if (!inComment && line.compare(i, 2, "//") == 0) break;
            if (!inComment && line.compare(i, 2, "/*") == 0) {
                inComment = true;
                ++i;
            } else if (inComment && line.compare(i, 2, "*/") == 0) {
                inComment = false;
                ++i;
            }
        }
        if (!active()) {
            flush();
            chunkLine = lineNo + 1;
            continue;
        }
        if (chunk.empty()) chunkLine = thisLine;
        chunk += line + "\n";
    }
    flush();
    if (!conds.empty()) throw Error(file, conds.back().line, "#if without #endif");
}

}  // namespace rc
