#include "regtext.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "ce_kernel.h"

namespace ce::regtext {

namespace {

struct RootEntry {
    HKEY key;
    std::u16string_view name;
    std::u16string_view shortName;
};

const std::array<RootEntry, 4> kRoots = {{
    {HKEY_CLASSES_ROOT, u"HKEY_CLASSES_ROOT", u"HKCR"},
    {HKEY_CURRENT_USER, u"HKEY_CURRENT_USER", u"HKCU"},
    {HKEY_LOCAL_MACHINE, u"HKEY_LOCAL_MACHINE", u"HKLM"},
    {HKEY_USERS, u"HKEY_USERS", u"HKU"},
}};

// Windows-1252 code points of 0x80..0x9f (the bytes it leaves undefined map
// to the C1 controls, as the system's own conversion does).
const std::array<char16_t, 32> kCp1252High = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                              0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                              0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                              0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char16_t FromCp1252(BYTE b) {
    return b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : char16_t(b);
}

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t';
}

std::u16string_view TrimLeft(std::u16string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    return s;
}

std::u16string_view TrimRight(std::u16string_view s) {
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// A line the reader passes over: blank, or a comment starting with ';' or '#'.
bool IsSkippable(std::u16string_view line) {
    line = TrimLeft(line);
    return line.empty() || line.front() == u';' || line.front() == u'#';
}

// True when only blanks or a ';' comment are left.
bool RestIsEmpty(std::u16string_view s) {
    s = TrimLeft(s);
    return s.empty() || s.front() == u';';
}

int HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

char16_t AsciiLower(char16_t c) {
    return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c;
}

bool EqualsAsciiNoCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    return true;
}

bool StartsWithNoCase(std::u16string_view s, std::u16string_view prefix) {
    return s.size() >= prefix.size() && EqualsAsciiNoCase(s.substr(0, prefix.size()), prefix);
}

bool IsHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

bool HasUnpairedSurrogate(std::u16string_view s) {
    for (size_t i = 0; i < s.size(); ++i) {
        if (IsHighSurrogate(s[i]) && i + 1 < s.size() && IsLowSurrogate(s[i + 1])) {
            ++i;
        } else if (IsHighSurrogate(s[i]) || IsLowSurrogate(s[i])) {
            return true;
        }
    }
    return false;
}

// A short quotation of user text for messages.
std::string Quote(std::u16string_view s) {
    std::string u = ce::ToUtf8(s.substr(0, 40));
    return "\"" + u + (s.size() > 40 ? "...\"" : "\"");
}

std::u16string Escape(std::u16string_view s) {
    std::u16string out;
    out.reserve(s.size() + 2);
    for (char16_t c : s) {
        switch (c) {
            case u'\\':
                out += u"\\\\";
                break;
            case u'"':
                out += u"\\\"";
                break;
            case u'\n':
                out += u"\\n";
                break;
            case u'\r':
                out += u"\\r";
                break;
            default:
                out += c;
        }
    }
    return out;
}

// REG_SZ data that the quoted form carries exactly: whole UTF-16 units,
// exactly one terminating NUL, and text that survives a line-based file.
bool IsPlainString(const std::vector<BYTE>& data) {
    if (data.size() < 2 || data.size() % 2 != 0) return false;
    std::u16string units = UnitsOf(data);
    if (units.back() != 0) return false;
    units.pop_back();
    for (char16_t c : units)
        if (c == 0 || c == u'\r' || c == u'\n') return false;
    return !HasUnpairedSurrogate(units);
}

std::u16string Hex2(BYTE b) {
    static const char16_t digits[] = u"0123456789abcdef";
    return {digits[b >> 4], digits[b & 15]};
}

std::u16string HexType(DWORD type) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%x", unsigned(type));
    return ce::FromUtf8(buf);
}

// Offset of the first byte that is not well-formed UTF-8, or npos.
size_t FirstInvalidUtf8(std::string_view s) {
    size_t i = 0;
    while (i < s.size()) {
        auto b = static_cast<unsigned char>(s[i]);
        size_t n;
        unsigned lo = 0x80, hi = 0xBF;
        if (b < 0x80) {
            ++i;
            continue;
        } else if (b >= 0xC2 && b <= 0xDF) {
            n = 1;
        } else if (b >= 0xE0 && b <= 0xEF) {
            n = 2;
            if (b == 0xE0) lo = 0xA0;
            if (b == 0xED) hi = 0x9F;  // no surrogate code points
        } else if (b >= 0xF0 && b <= 0xF4) {
            n = 3;
            if (b == 0xF0) lo = 0x90;
            if (b == 0xF4) hi = 0x8F;
        } else {
            return i;
        }
        if (i + n >= s.size()) return i;  // truncated sequence
        for (size_t k = 1; k <= n; ++k) {
            auto c = static_cast<unsigned char>(s[i + k]);
            unsigned l = k == 1 ? lo : 0x80, h = k == 1 ? hi : 0xBF;
            if (c < l || c > h) return i;
        }
        i += n + 1;
    }
    return std::string_view::npos;
}

class Parser {
public:
    explicit Parser(std::u16string_view text) {
        size_t start = 0;
        while (start <= text.size()) {
            size_t end = text.find(u'\n', start);
            if (end == std::u16string_view::npos) end = text.size();
            std::u16string_view line = text.substr(start, end - start);
            if (!line.empty() && line.back() == u'\r') line.remove_suffix(1);
            lines_.push_back(line);
            start = end + 1;
        }
    }

    bool Run(std::vector<Operation>& ops, ParseError& error) {
        if (!ReadHeader()) return Fail(error);
        for (++index_; index_ < lines_.size(); ++index_) {
            std::u16string_view line = lines_[index_];
            if (line.find(u'\0') != std::u16string_view::npos) {
                Error("NUL character in the line");
                return Fail(error);
            }
            if (IsSkippable(line)) continue;
            line = TrimLeft(line);
            bool ok = true;
            if (line.front() == u'[')
                ok = KeyLine(line);
            else if (line.front() == u'"' || line.front() == u'@')
                ok = ValueLine(line);
            else
                ok = Error("unexpected text " + Quote(line));
            if (!ok) return Fail(error);
        }
        ops = std::move(ops_);
        return true;
    }

private:
    int LineNo() const { return int(index_) + 1; }

    bool Error(std::string message) {
        error_ = {LineNo(), std::move(message)};
        return false;
    }

    bool Fail(ParseError& error) {
        error = error_;
        return false;
    }

    bool ReadHeader() {
        for (index_ = 0; index_ < lines_.size(); ++index_) {
            std::u16string_view line = TrimRight(TrimLeft(lines_[index_]));
            if (line.empty()) continue;
            if (EqualsAsciiNoCase(line, kHeader5)) return true;
            if (EqualsAsciiNoCase(line, kHeader4)) {
                regedit4_ = true;
                return true;
            }
            return Error("expected the header \"Windows Registry Editor Version 5.00\" or \"REGEDIT4\"");
        }
        index_ = 0;
        return Error("empty file: no \"Windows Registry Editor Version 5.00\" or \"REGEDIT4\" header");
    }

    bool KeyLine(std::u16string_view line) {
        line = TrimRight(line);
        if (line.size() < 2 || line.back() != u']') return Error("a key line must end with ']'");
        std::u16string_view inner = line.substr(1, line.size() - 2);
        bool remove = !inner.empty() && inner.front() == u'-';
        if (remove) inner.remove_prefix(1);
        Operation op;
        std::string why;
        if (!ParseKeyPath(inner, op.key, why)) return Error(why);
        if (remove && op.key.IsRoot())
            return Error("refusing to delete the whole root key " + ce::ToUtf8(FullPath(op.key)));
        op.kind = remove ? Operation::DeleteKey : Operation::CreateKey;
        op.line = LineNo();
        haveKey_ = true;
        keyDeleted_ = remove;
        key_ = op.key;
        ops_.push_back(std::move(op));
        return true;
    }

    // Reads a quoted string at the start of `s` and moves `s` past it.
    bool Quoted(std::u16string_view& s, std::u16string& out) {
        out.clear();
        for (size_t i = 1; i < s.size(); ++i) {
            char16_t c = s[i];
            if (c == u'"') {
                s.remove_prefix(i + 1);
                return true;
            }
            if (c != u'\\') {
                out += c;
                continue;
            }
            if (++i == s.size()) break;
            switch (s[i]) {
                case u'\\':
                    out += u'\\';
                    break;
                case u'"':
                    out += u'"';
                    break;
                case u'n':
                    out += u'\n';
                    break;
                case u'r':
                    out += u'\r';
                    break;
                default:
                    return Error("unknown escape sequence \\" + ce::ToUtf8(s.substr(i, 1)) +
                                 " (write a backslash as \\\\)");
            }
        }
        return Error("missing closing quote");
    }

    bool ValueLine(std::u16string_view s) {
        if (!haveKey_) return Error("value line before the first [KEY] line");
        if (keyDeleted_) return Error("value line under a deleted key [-...]");
        Operation op;
        op.key = key_;
        op.line = LineNo();
        if (s.front() == u'@') {
            s.remove_prefix(1);
        } else if (!Quoted(s, op.value.name)) {
            return false;
        }
        s = TrimLeft(s);
        if (s.empty() || s.front() != u'=') return Error("expected '=' after the value name");
        s = TrimLeft(s.substr(1));
        if (!s.empty() && s.front() == u'-') {
            if (!RestIsEmpty(s.substr(1))) return Error("unexpected text after '-'");
            op.kind = Operation::DeleteValue;
        } else if (!s.empty() && s.front() == u'"') {
            std::u16string text;
            if (!Quoted(s, text)) return false;
            if (!RestIsEmpty(s)) return Error("unexpected text after the closing quote");
            op.kind = Operation::SetValue;
            op.value.type = REG_SZ;
            op.value.data = StringData(text);
        } else if (StartsWithNoCase(s, u"dword:")) {
            s = TrimLeft(s.substr(6));
            DWORD v = 0;
            size_t n = 0;
            for (; n < s.size() && HexDigit(s[n]) >= 0; ++n) v = (v << 4) | DWORD(HexDigit(s[n]));
            if (n == 0 || n > 8) return Error("dword: needs 1 to 8 hex digits");
            if (!RestIsEmpty(s.substr(n))) return Error("unexpected text after the dword value");
            op.kind = Operation::SetValue;
            op.value.type = REG_DWORD;
            op.value.data = {BYTE(v), BYTE(v >> 8), BYTE(v >> 16), BYTE(v >> 24)};
        } else if (StartsWithNoCase(s, u"hex")) {
            if (!HexValue(s.substr(3), op.value)) return false;
            op.kind = Operation::SetValue;
        } else {
            return Error("unknown value data " + Quote(s) + " (expected \"text\", dword:, hex:, hex(N): or -)");
        }
        std::string why;
        if (!CheckValueLimits(op.value, why)) return Error(why);
        ops_.push_back(std::move(op));
        return true;
    }

    // After "hex": an optional "(N)" type, ':' and the byte list, which may
    // continue on the following lines after a trailing '\'.
    bool HexValue(std::u16string_view s, Value& value) {
        value.type = REG_BINARY;
        if (!s.empty() && s.front() == u'(') {
            size_t close = s.find(u')');
            if (close == std::u16string_view::npos) return Error("missing ')' in hex(N)");
            std::u16string_view digits = s.substr(1, close - 1);
            if (digits.empty() || digits.size() > 8) return Error("hex(N) needs a type of 1 to 8 hex digits");
            DWORD type = 0;
            for (char16_t c : digits) {
                if (HexDigit(c) < 0) return Error("bad type in hex(N): " + Quote(digits));
                type = (type << 4) | DWORD(HexDigit(c));
            }
            value.type = type;
            s.remove_prefix(close + 1);
        }
        if (s.empty() || s.front() != u':') return Error("expected ':' after hex");
        s.remove_prefix(1);
        // The byte list may go on over several lines: a '\' at the end of a
        // line joins the next line to it, without its leading blanks, so a
        // byte may be split over the break ("3\" then "3" is 33). Blank and
        // comment lines in between are skipped, and the file may end right
        // after a '\'. A line that goes on must hold more hex bytes.
        std::u16string joined;
        std::vector<Piece> pieces;
        while (true) {
            pieces.push_back({joined.size(), index_});
            size_t comment = s.find(u';');
            if (comment != std::u16string_view::npos) s = s.substr(0, comment);
            s = TrimRight(s);
            bool more = !s.empty() && s.back() == u'\\';
            if (more) s.remove_suffix(1);
            joined += s;
            if (!more) break;
            size_t next = index_ + 1;
            while (next < lines_.size() && IsSkippable(lines_[next])) {
                if (lines_[next].find(u'\0') != std::u16string_view::npos) {
                    index_ = next;
                    return Error("NUL character in the line");
                }
                ++next;
            }
            if (next == lines_.size()) {
                index_ = next - 1;
                break;
            }
            index_ = next;
            s = TrimLeft(lines_[index_]);
            if (s.find(u'\0') != std::u16string_view::npos) return Error("NUL character in the line");
            if (s.empty() || (HexDigit(s.front()) < 0 && s.front() != u','))
                return Error("a continuation '\\' must be followed by a line with more hex bytes, found " + Quote(s));
        }
        if (!HexBytes(joined, pieces, value.data)) return false;
        if (regedit4_ && (value.type == REG_EXPAND_SZ || value.type == REG_MULTI_SZ)) {
            // 8-bit characters of the file's code page: widen them.
            std::vector<BYTE> wide;
            wide.reserve(value.data.size() * 2);
            for (BYTE b : value.data) {
                char16_t c = FromCp1252(b);
                wide.push_back(BYTE(c));
                wide.push_back(BYTE(c >> 8));
            }
            value.data = std::move(wide);
        }
        return true;
    }

    // Where each line's part of a joined byte list starts, for messages.
    struct Piece {
        size_t offset;
        size_t line;
    };

    // "01,02,ff" (a trailing comma is allowed). A problem is reported on the
    // line where the offending byte starts.
    bool HexBytes(std::u16string_view s, const std::vector<Piece>& pieces, std::vector<BYTE>& data) {
        if (TrimLeft(s).empty()) return true;
        auto errorAt = [&](size_t offset, std::string message) {
            for (const Piece& p : pieces)
                if (p.offset <= offset) index_ = p.line;
            return Error(std::move(message));
        };
        size_t pos = 0;
        while (true) {
            size_t comma = s.find(u',', pos);
            bool last = comma == std::u16string_view::npos;
            std::u16string_view item = TrimRight(TrimLeft(s.substr(pos, last ? s.npos : comma - pos)));
            if (item.empty()) {
                if (last && pos > 0) return true;  // trailing comma
                return errorAt(pos, "missing hex byte between commas");
            }
            if (item.size() > 2 || HexDigit(item[0]) < 0 || (item.size() == 2 && HexDigit(item[1]) < 0))
                return errorAt(size_t(item.data() - s.data()), "bad hex byte " + Quote(item));
            data.push_back(BYTE(item.size() == 1 ? HexDigit(item[0]) : HexDigit(item[0]) * 16 + HexDigit(item[1])));
            if (last) return true;
            pos = comma + 1;
        }
    }

    std::vector<std::u16string_view> lines_;
    size_t index_ = 0;
    bool regedit4_ = false;
    bool haveKey_ = false;
    bool keyDeleted_ = false;
    KeyPath key_;
    std::vector<Operation> ops_;
    ParseError error_;
};

}  // namespace

// ---- Key paths -------------------------------------------------------------

std::u16string_view RootName(HKEY root) {
    for (const RootEntry& r : kRoots)
        if (r.key == root) return r.name;
    return {};
}

std::u16string FullPath(const KeyPath& key) {
    std::u16string path(RootName(key.root));
    if (!key.sub.empty()) path += u'\\' + key.sub;
    return path;
}

bool ParseKeyPath(std::u16string_view text, KeyPath& key, std::string& error) {
    size_t slash = text.find(u'\\');
    std::u16string_view root = text.substr(0, slash);
    std::u16string_view rest = slash == text.npos ? std::u16string_view() : text.substr(slash + 1);
    key = {};
    for (const RootEntry& r : kRoots)
        if (EqualsAsciiNoCase(root, r.name) || EqualsAsciiNoCase(root, r.shortName)) key.root = r.key;
    if (!key.root) {
        error = "unknown root key " + Quote(root) +
                " (expected HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS "
                "or HKCR, HKCU, HKLM, HKU)";
        return false;
    }
    while (!rest.empty() && rest.back() == u'\\') rest.remove_suffix(1);
    if (rest.find(u"\\\\") != rest.npos || (!rest.empty() && rest.front() == u'\\')) {
        error = "empty key name in " + Quote(text);
        return false;
    }
    for (size_t start = 0; start < rest.size();) {
        size_t end = std::min(rest.find(u'\\', start), rest.size());
        if (end - start > kMaxKeyName) {
            error = "key name longer than " + std::to_string(kMaxKeyName) +
                    " characters: " + Quote(rest.substr(start, end - start));
            return false;
        }
        start = end + 1;
    }
    key.sub = rest;
    return true;
}

bool CheckValueLimits(const Value& value, std::string& error) {
    if (value.name.size() > kMaxValueName) {
        error = "value name longer than " + std::to_string(kMaxValueName) + " characters: " + Quote(value.name);
        return false;
    }
    if (value.data.size() > kMaxValueData) {
        error = "value data larger than " + std::to_string(kMaxValueData) + " bytes";
        return false;
    }
    return true;
}

// ---- Values ----------------------------------------------------------------

std::vector<BYTE> StringData(std::u16string_view text) {
    std::vector<BYTE> data;
    data.reserve(text.size() * 2 + 2);
    for (char16_t c : text) {
        data.push_back(BYTE(c));
        data.push_back(BYTE(c >> 8));
    }
    data.push_back(0);
    data.push_back(0);
    return data;
}

std::vector<BYTE> MultiStringData(const std::vector<std::u16string>& items) {
    std::vector<BYTE> data;
    for (const std::u16string& item : items) {
        std::vector<BYTE> one = StringData(item);
        data.insert(data.end(), one.begin(), one.end());
    }
    data.push_back(0);
    data.push_back(0);
    return data;
}

std::u16string UnitsOf(const std::vector<BYTE>& data) {
    std::u16string units;
    units.reserve(data.size() / 2);
    for (size_t i = 0; i + 1 < data.size(); i += 2) units += char16_t(data[i] | (data[i + 1] << 8));
    return units;
}

// ---- Formatting ------------------------------------------------------------

std::u16string FormatKeyLine(std::u16string_view fullPath) {
    return u"[" + std::u16string(fullPath) + u"]";
}

std::u16string FormatValue(const Value& value) {
    std::u16string out = value.name.empty() ? u"@" : u"\"" + Escape(value.name) + u"\"";
    out += u'=';
    if (value.type == REG_SZ && IsPlainString(value.data)) {
        std::u16string text = UnitsOf(value.data);
        text.pop_back();
        return out + u"\"" + Escape(text) + u"\"";
    }
    if (value.type == REG_DWORD && value.data.size() == 4) {
        char buf[16];
        DWORD v = value.data[0] | (value.data[1] << 8) | (value.data[2] << 16) | (DWORD(value.data[3]) << 24);
        std::snprintf(buf, sizeof buf, "dword:%08x", unsigned(v));
        return out + ce::FromUtf8(buf);
    }
    out += value.type == REG_BINARY ? u"hex:" : u"hex(" + HexType(value.type) + u"):";
    size_t column = out.size();
    bool lineHasByte = false;
    for (size_t i = 0; i < value.data.size(); ++i) {
        bool last = i + 1 == value.data.size();
        size_t width = last ? 2 : 3;
        // Leave room for the trailing '\' of a wrapped line.
        if (lineHasByte && column + width + 1 > kWrapColumn) {
            out += u"\\\n  ";
            column = 2;
        }
        out += Hex2(value.data[i]);
        if (!last) out += u',';
        column += width;
        lineHasByte = true;
    }
    return out;
}

std::string HexList(const std::vector<BYTE>& data) {
    std::string out;
    for (size_t i = 0; i < data.size(); ++i) {
        if (i) out += ',';
        out += ce::ToUtf8(Hex2(data[i]));
    }
    return out;
}

bool EncodeText(std::u16string_view text, bool utf16, std::string& bytes, std::string& error) {
    bytes.clear();
    if (!utf16) {
        if (HasUnpairedSurrogate(text)) {
            error = "a name holds an unpaired UTF-16 surrogate that UTF-8 cannot carry (use --utf16)";
            return false;
        }
        bytes = ce::ToUtf8(text);
        return true;
    }
    bytes.reserve(text.size() * 2 + 64);
    bytes += "\xFF\xFE";
    auto put = [&](char16_t c) {
        bytes += char(c & 0xFF);
        bytes += char(c >> 8);
    };
    for (char16_t c : text) {
        if (c == u'\n') put(u'\r');
        put(c);
    }
    return true;
}

// ---- Parsing ---------------------------------------------------------------

bool DecodeFile(std::string_view bytes, std::u16string& text, ParseError& error) {
    auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    text.clear();
    auto utf16 = [&](size_t start, bool bigEndian) {
        if ((bytes.size() - start) % 2 != 0) {
            error = {0, "UTF-16 file with an odd number of bytes"};
            return false;
        }
        for (size_t i = start; i < bytes.size(); i += 2)
            text += bigEndian ? char16_t(byte(i) << 8 | byte(i + 1)) : char16_t(byte(i) | byte(i + 1) << 8);
        return true;
    };
    if (bytes.size() >= 2 && byte(0) == 0xFF && byte(1) == 0xFE) return utf16(2, false);
    if (bytes.size() >= 2 && byte(0) == 0xFE && byte(1) == 0xFF) return utf16(2, true);
    if (bytes.size() >= 2 && byte(0) != 0 && byte(1) == 0) return utf16(0, false);
    if (bytes.size() >= 3 && byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF) bytes.remove_prefix(3);
    size_t bad = FirstInvalidUtf8(bytes);
    if (bad == std::string_view::npos) {
        text = ce::FromUtf8(bytes);
        return true;
    }
    if (bytes.substr(0, 8) == "REGEDIT4") {
        for (char c : bytes) text += FromCp1252(static_cast<BYTE>(c));
        return true;
    }
    int line = 1;
    for (size_t i = 0; i < bad; ++i) line += bytes[i] == '\n';
    error = {line, "not valid UTF-8 (save the file as UTF-8 or UTF-16)"};
    return false;
}

bool ParseRegText(std::u16string_view text, std::vector<Operation>& ops, ParseError& error) {
    return Parser(text).Run(ops, error);
}

bool ParseRegFile(std::string_view bytes, std::vector<Operation>& ops, ParseError& error) {
    std::u16string text;
    return DecodeFile(bytes, text, error) && ParseRegText(text, ops, error);
}

bool ParseHexBytes(std::string_view text, std::vector<BYTE>& data) {
    data.clear();
    std::string digits;
    bool commas = text.find(',') != text.npos;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = commas ? text.find(',', pos) : text.size();
        if (end == text.npos) end = text.size();
        std::string_view item = text.substr(pos, end - pos);
        while (!item.empty() && (item.front() == ' ' || item.front() == '\t')) item.remove_prefix(1);
        while (!item.empty() && (item.back() == ' ' || item.back() == '\t')) item.remove_suffix(1);
        if (commas && (item.empty() || item.size() > 2)) return false;
        if (!commas && item.size() % 2 != 0) return false;
        for (char c : item)
            if (HexDigit(char16_t(c)) < 0) return false;
        if (commas) {
            data.push_back(BYTE(item.size() == 1 ? HexDigit(char16_t(item[0]))
                                                 : HexDigit(char16_t(item[0])) * 16 + HexDigit(char16_t(item[1]))));
        } else {
            for (size_t i = 0; i < item.size(); i += 2)
                data.push_back(BYTE(HexDigit(char16_t(item[i])) * 16 + HexDigit(char16_t(item[i + 1]))));
        }
        pos = end + 1;
    }
    return true;
}

}  // namespace ce::regtext
