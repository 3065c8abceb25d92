#include "commands.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

#include "boot.h"
#include "ce_kernel.h"
#include "regfile.h"

namespace cereg {

using namespace ce::regtext;

namespace {

constexpr const char* kUsage =
    "usage: cereg [--device DIR] export [--utf16] [KEY]\n"
    "       cereg [--device DIR] import FILE|-\n"
    "       cereg [--device DIR] get KEY [NAME]\n"
    "       cereg [--device DIR] set KEY NAME sz|expand_sz|multi_sz|dword|binary|hex(N) DATA...\n"
    "       cereg [--device DIR] delete KEY [NAME]\n"
    "       cereg [--device DIR] init\n"
    "KEY: HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn or HKLM\\Drivers\\BuiltIn (HKCR, HKCU, HKLM, HKU).\n"
    "NAME \"\" is the default value. Options may also follow the command; \"--\" ends them.\n"
    "No command but init creates a device image; DIR defaults to ./device.\n"
    "Exit status: 0 done, 1 key or value not found, 2 usage error or missing/unusable image or file.\n";

// Ends the command with an exit status and a one-line message.
struct Failure {
    int status;
    std::string message;
};

[[noreturn]] void Fail(int status, std::string message) {
    throw Failure{status, std::move(message)};
}

std::string Utf8(std::u16string_view s) {
    return ce::ToUtf8(s);
}

std::string ErrorText(LONG rc) {
    return DescribeError(static_cast<DWORD>(rc));
}

// An open registry key; the predefined roots are never closed.
class Key {
public:
    Key() = default;
    explicit Key(HKEY root) : h_(root) {}
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    Key(Key&& other) noexcept : h_(other.h_), owned_(other.owned_) { other.h_ = nullptr; }
    Key& operator=(Key&& other) noexcept {
        if (this != &other) {
            Close();
            h_ = other.h_;
            owned_ = other.owned_;
            other.h_ = nullptr;
        }
        return *this;
    }
    ~Key() { Close(); }

    HKEY get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }

    LONG Open(HKEY parent, const std::u16string& sub, REGSAM sam) {
        Close();
        HKEY h = nullptr;
        LONG rc = RegOpenKeyEx(parent, sub.c_str(), 0, sam, &h);
        if (rc == ERROR_SUCCESS) Adopt(h);
        return rc;
    }

    LONG Create(HKEY parent, const std::u16string& sub) {
        Close();
        HKEY h = nullptr;
        DWORD disposition = 0;
        LONG rc = RegCreateKeyEx(parent, sub.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &h,
                                 &disposition);
        if (rc == ERROR_SUCCESS) Adopt(h);
        return rc;
    }

    void Close() {
        if (h_ && owned_) RegCloseKey(h_);
        h_ = nullptr;
        owned_ = false;
    }

private:
    void Adopt(HKEY h) {
        h_ = h;
        owned_ = true;
    }

    HKEY h_ = nullptr;
    bool owned_ = false;
};

std::vector<std::u16string> SubKeys(HKEY h, const std::u16string& path) {
    std::vector<std::u16string> names;
    std::u16string buf(256, u'\0');
    for (DWORD i = 0;;) {
        DWORD n = DWORD(buf.size());
        LONG rc = RegEnumKeyEx(h, i, buf.data(), &n, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc == ERROR_MORE_DATA && buf.size() < 65536) {
            buf.resize(buf.size() * 2);
            continue;
        }
        if (rc != ERROR_SUCCESS) Fail(kExitUsage, "cannot list the sub-keys of " + Utf8(path) + ": " + ErrorText(rc));
        names.emplace_back(buf.data(), std::min<size_t>(n, buf.size()));
        ++i;
    }
    return names;
}

std::vector<Value> Values(HKEY h, const std::u16string& path) {
    DWORD maxName = 0, maxData = 0;
    if (RegQueryInfoKey(h, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &maxName, &maxData, nullptr,
                        nullptr) != ERROR_SUCCESS) {
        maxName = maxData = 0;
    }
    std::u16string name(std::max<DWORD>(maxName + 1, 256), u'\0');
    std::vector<BYTE> data(std::max<DWORD>(maxData, 256));
    std::vector<Value> values;
    for (DWORD i = 0;;) {
        DWORD cName = DWORD(name.size()), cData = DWORD(data.size()), type = 0;
        LONG rc = RegEnumValue(h, i, name.data(), &cName, nullptr, &type, data.data(), &cData);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc == ERROR_MORE_DATA && name.size() < (1u << 20) && data.size() < (1u << 30)) {
            name.resize(name.size() * 2);
            data.resize(std::max<size_t>(data.size() * 2, cData));
            continue;
        }
        if (rc != ERROR_SUCCESS) Fail(kExitUsage, "cannot list the values of " + Utf8(path) + ": " + ErrorText(rc));
        Value v;
        v.name.assign(name.data(), std::min<size_t>(cName, name.size()));
        v.type = type;
        v.data.assign(data.begin(), data.begin() + std::min<size_t>(cData, data.size()));
        values.push_back(std::move(v));
        ++i;
    }
    return values;
}

// Opens KEY and finds the names of its path as the registry spells them.
// Returns false when some key on the way does not exist.
bool OpenExisting(const KeyPath& path, Key& key, std::u16string& fullPath) {
    key = Key(path.root);
    fullPath = RootName(path.root);
    std::u16string_view rest = path.sub;
    while (!rest.empty()) {
        size_t slash = rest.find(u'\\');
        std::u16string_view part = rest.substr(0, slash);
        rest = slash == rest.npos ? std::u16string_view() : rest.substr(slash + 1);
        std::u16string found;
        for (const std::u16string& name : SubKeys(key.get(), fullPath))
            if (ce::EqualsNoCase(name, part)) found = name;
        if (found.empty()) return false;
        Key child;
        LONG rc = child.Open(key.get(), found, KEY_ALL_ACCESS);
        if (rc == ERROR_FILE_NOT_FOUND) return false;
        if (rc != ERROR_SUCCESS)
            Fail(kExitUsage, "cannot open " + Utf8(fullPath) + "\\" + Utf8(found) + ": " + ErrorText(rc));
        fullPath += u'\\' + found;
        key = std::move(child);
    }
    return true;
}

Key OpenOrFail(const KeyPath& path, std::u16string& fullPath) {
    Key key;
    if (!OpenExisting(path, key, fullPath)) Fail(kExitNotFound, "key not found: " + Utf8(FullPath(path)));
    return key;
}

Key CreatePath(const KeyPath& path) {
    if (path.IsRoot()) return Key(path.root);
    Key key;
    LONG rc = key.Create(path.root, path.sub);
    if (rc != ERROR_SUCCESS) Fail(kExitUsage, "cannot create " + Utf8(FullPath(path)) + ": " + ErrorText(rc));
    return key;
}

void Flush(HKEY h) {
    RegFlushKey(h);
}

bool ReadValue(HKEY h, const std::u16string& name, Value& value) {
    DWORD type = 0, size = 0;
    LONG rc = RegQueryValueEx(h, name.c_str(), nullptr, &type, nullptr, &size);
    for (int attempt = 0; rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA; ++attempt) {
        value.data.resize(size);
        DWORD got = size;
        rc = RegQueryValueEx(h, name.c_str(), nullptr, &type, value.data.data(), &got);
        if (rc == ERROR_SUCCESS) {
            value.data.resize(std::min(got, size));
            value.name = name;
            value.type = type;
            return true;
        }
        size = std::max<DWORD>(got, size * 2 + 16);  // grew meanwhile
        if (attempt > 8) break;
    }
    if (rc == ERROR_FILE_NOT_FOUND) return false;
    Fail(kExitUsage, "cannot read value \"" + Utf8(name) + "\": " + ErrorText(rc));
}

// ---- Argument helpers ----------------------------------------------------

KeyPath ParseKeyArg(const std::string& arg) {
    KeyPath key;
    std::string why;
    if (!ParseKeyPath(ce::FromUtf8(arg), key, why)) Fail(kExitUsage, why);
    return key;
}

bool ParseDword(const std::string& s, DWORD& v) {
    uint64_t n = 0;
    bool hex = s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X');
    std::string_view digits = hex ? std::string_view(s).substr(2) : std::string_view(s);
    if (digits.empty()) return false;
    for (char c : digits) {
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return false;
        n = n * (hex ? 16 : 10) + unsigned(d);
        if (n > 0xFFFFFFFFull) return false;
    }
    v = DWORD(n);
    return true;
}

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c + 32);
    return s;
}

// The value of `set` from its type word and data arguments.
Value BuildValue(const std::string& typeWord, const std::vector<std::string>& data) {
    Value v;
    std::string t = Lower(typeWord);
    auto one = [&]() -> const std::string& {
        if (data.size() != 1)
            Fail(kExitUsage,
                 "type " + typeWord + " takes exactly one DATA argument (got " + std::to_string(data.size()) + ")");
        return data[0];
    };
    auto hexBytes = [&](const std::string& text) {
        if (!ParseHexBytes(text, v.data))
            Fail(kExitUsage, "bad hex bytes \"" + text + "\" (expected e.g. 01,02,ff or 0102ff)");
    };
    if (t == "sz" || t == "expand_sz") {
        v.type = t == "sz" ? REG_SZ : REG_EXPAND_SZ;
        v.data = StringData(ce::FromUtf8(one()));
    } else if (t == "multi_sz") {
        if (data.empty()) Fail(kExitUsage, "type multi_sz needs one or more DATA arguments");
        std::vector<std::u16string> items;
        for (const std::string& item : data) {
            if (item.empty()) Fail(kExitUsage, "multi_sz items cannot be empty (an empty item ends the list)");
            items.push_back(ce::FromUtf8(item));
        }
        v.type = REG_MULTI_SZ;
        v.data = MultiStringData(items);
    } else if (t == "dword") {
        DWORD n = 0;
        if (!ParseDword(one(), n))
            Fail(kExitUsage, "bad dword \"" + data[0] + "\" (expected 0..4294967295 or 0x0..0xffffffff)");
        v.type = REG_DWORD;
        v.data = {BYTE(n), BYTE(n >> 8), BYTE(n >> 16), BYTE(n >> 24)};
    } else if (t == "binary") {
        v.type = REG_BINARY;
        hexBytes(one());
    } else if (t.size() > 5 && t.starts_with("hex(") && t.back() == ')') {
        std::string digits = t.substr(4, t.size() - 5);
        DWORD type = 0;
        if (digits.size() > 8 || !ParseDword("0x" + digits, type))
            Fail(kExitUsage, "bad type " + typeWord + " (hex(N) takes N in hex, e.g. hex(b))");
        v.type = type;
        hexBytes(one());
    } else {
        Fail(kExitUsage,
             "unknown type \"" + typeWord + "\" (expected sz, expand_sz, multi_sz, dword, binary or hex(N))");
    }
    return v;
}

// ---- Commands ------------------------------------------------------------

struct Context {
    std::filesystem::path device = "device";
    bool utf16 = false;
    std::ostream* out = nullptr;
};

class Booted {
public:
    explicit Booted(const Context& ctx, bool create = false) {
        ce::BootOptions options;
        options.deviceDir = ctx.device;
        options.createImage = create;
        std::string error;
        if (!ce::BootDevice(options, error)) {
            std::error_code ec;
            bool missing = !create && !std::filesystem::exists(ctx.device / "registry.db", ec);
            Fail(kExitUsage, error + (missing ? "; cereg --device " + ctx.device.string() + " init creates one" : ""));
        }
    }
    ~Booted() { ce::ShutdownDevice(); }
    Booted(const Booted&) = delete;
    Booted& operator=(const Booted&) = delete;
};

void WriteText(const Context& ctx, std::u16string_view text, bool utf16) {
    std::string bytes, error;
    if (!EncodeText(text, utf16, bytes, error)) Fail(kExitUsage, error);
    ctx.out->write(bytes.data(), std::streamsize(bytes.size()));
}

int Export(const Context& ctx, const std::vector<std::string>& args) {
    if (args.size() > 1) Fail(kExitUsage, "export takes at most one KEY");
    std::vector<KeyPath> starts;
    if (args.empty()) {
        for (HKEY root : {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS})
            starts.push_back({root, u""});
    } else {
        starts.push_back(ParseKeyArg(args[0]));
    }
    Booted booted(ctx);
    std::u16string text(kHeader5);
    text += u"\n\n";
    for (const KeyPath& start : starts) {
        std::string error;
        Outcome outcome = ExportKey(start, text, error);
        if (outcome == Outcome::NotFound) Fail(kExitNotFound, error);
        if (outcome != Outcome::Ok) Fail(kExitUsage, error);
    }
    WriteText(ctx, text, ctx.utf16);
    return kExitOk;
}

std::string ReadInput(const std::string& file) {
    std::ostringstream bytes;
    if (file == "-") {
        bytes << std::cin.rdbuf();
        return bytes.str();
    }
    std::error_code ec;
    if (std::filesystem::is_directory(file, ec)) Fail(kExitUsage, "cannot read " + file + ": is a folder");
    std::ifstream in(file, std::ios::binary);
    if (!in) Fail(kExitUsage, "cannot read " + file + ": no such file or no permission");
    bytes << in.rdbuf();
    if (in.bad()) Fail(kExitUsage, "cannot read " + file + ": read error");
    return bytes.str();
}

int Import(const Context& ctx, const std::vector<std::string>& args) {
    if (args.size() != 1) Fail(kExitUsage, "import takes one FILE (or - for standard input)");
    const std::string& file = args[0];
    std::vector<Operation> ops;
    ParseError error;
    if (!ParseRegFile(ReadInput(file), ops, error)) {
        std::string where = error.line > 0 ? ":" + std::to_string(error.line) : "";
        Fail(kExitUsage, file + where + ": " + error.message + "; nothing imported");
    }

    Booted booted(ctx);
    if (ApplyOperations(ops, error) != Outcome::Ok) {
        std::string where = error.line > 0 ? ":" + std::to_string(error.line) : "";
        Fail(kExitUsage, file + where + ": " + error.message + "; nothing imported");
    }
    return kExitOk;
}

void PrintData(const Context& ctx, const Value& v) {
    std::ostream& out = *ctx.out;
    if (v.type == REG_SZ || v.type == REG_EXPAND_SZ) {
        std::u16string text = UnitsOf(v.data);
        text.resize(std::min(text.size(), text.find(u'\0')));
        out << Utf8(text) << '\n';
    } else if (v.type == REG_DWORD && v.data.size() == 4) {
        out << (v.data[0] | (v.data[1] << 8) | (v.data[2] << 16) | (uint32_t(v.data[3]) << 24)) << '\n';
    } else if (v.type == REG_MULTI_SZ) {
        std::u16string units = UnitsOf(v.data);
        while (!units.empty() && units.back() == u'\0') units.pop_back();
        if (units.empty()) return;
        size_t start = 0;
        for (size_t end; (end = units.find(u'\0', start)) != units.npos; start = end + 1)
            out << Utf8(std::u16string_view(units).substr(start, end - start)) << '\n';
        out << Utf8(std::u16string_view(units).substr(start)) << '\n';
    } else {
        out << HexList(v.data) << '\n';
    }
}

int Get(const Context& ctx, const std::vector<std::string>& args) {
    if (args.empty() || args.size() > 2) Fail(kExitUsage, "get takes KEY and an optional NAME");
    KeyPath path = ParseKeyArg(args[0]);
    Booted booted(ctx);
    std::u16string fullPath;
    Key key = OpenOrFail(path, fullPath);
    if (args.size() == 2) {
        Value v;
        if (!ReadValue(key.get(), ce::FromUtf8(args[1]), v))
            Fail(kExitNotFound, "value not found: \"" + args[1] + "\" in " + Utf8(fullPath));
        PrintData(ctx, v);
        return kExitOk;
    }
    // The key's block as export writes it, then its direct sub-keys as comments.
    std::u16string text = FormatKeyLine(fullPath) + u"\n";
    for (const Value& v : Values(key.get(), fullPath)) text += FormatValue(v) + u"\n";
    for (const std::u16string& name : SubKeys(key.get(), fullPath)) text += u"; sub-key: " + name + u"\n";
    WriteText(ctx, text, false);
    return kExitOk;
}

int Set(const Context& ctx, const std::vector<std::string>& args) {
    if (args.size() < 4) Fail(kExitUsage, "set takes KEY NAME TYPE DATA");
    KeyPath path = ParseKeyArg(args[0]);
    Value v = BuildValue(args[2], std::vector<std::string>(args.begin() + 3, args.end()));
    v.name = ce::FromUtf8(args[1]);
    std::string why;
    if (!CheckValueLimits(v, why)) Fail(kExitUsage, why);
    Booted booted(ctx);
    Key key = CreatePath(path);
    LONG rc = RegSetValueEx(key.get(), v.name.c_str(), 0, v.type, v.data.data(), DWORD(v.data.size()));
    if (rc != ERROR_SUCCESS)
        Fail(kExitUsage, "cannot set value \"" + args[1] + "\" in " + Utf8(FullPath(path)) + ": " + ErrorText(rc));
    Flush(key.get());
    return kExitOk;
}

int Delete(const Context& ctx, const std::vector<std::string>& args) {
    if (args.empty() || args.size() > 2) Fail(kExitUsage, "delete takes KEY and an optional NAME");
    KeyPath path = ParseKeyArg(args[0]);
    if (args.size() == 1 && path.IsRoot())
        Fail(kExitUsage, "refusing to delete the whole root key " + Utf8(FullPath(path)));
    Booted booted(ctx);
    if (args.size() == 1) {
        std::string error;
        Outcome outcome = DeleteKeyTree(path, error);
        if (outcome == Outcome::NotFound) Fail(kExitNotFound, error);
        if (outcome != Outcome::Ok) Fail(kExitUsage, error);
        return kExitOk;
    }
    std::u16string fullPath;
    Key key = OpenOrFail(path, fullPath);
    LONG rc = RegDeleteValue(key.get(), ce::FromUtf8(args[1]).c_str());
    if (rc == ERROR_FILE_NOT_FOUND) Fail(kExitNotFound, "value not found: \"" + args[1] + "\" in " + Utf8(fullPath));
    if (rc != ERROR_SUCCESS) Fail(kExitUsage, "cannot delete value \"" + args[1] + "\": " + ErrorText(rc));
    Flush(key.get());
    return kExitOk;
}

int Init(const Context& ctx, const std::vector<std::string>& args) {
    if (!args.empty()) Fail(kExitUsage, "init takes no arguments");
    std::error_code ec;
    if (std::filesystem::exists(ctx.device / "registry.db", ec))
        Fail(kExitUsage, "a device image already exists in " + ctx.device.string());
    Booted booted(ctx, true);
    return kExitOk;
}

}  // namespace

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    Context ctx;
    ctx.out = &out;
    std::vector<std::string> words;
    try {
        bool options = true;
        for (size_t i = 0; i < args.size(); ++i) {
            const std::string& a = args[i];
            if (options && a == "--") {
                options = false;
            } else if (options && (a == "--help" || a == "-h")) {
                out << kUsage;
                return kExitOk;
            } else if (options && a == "--device") {
                if (i + 1 == args.size()) Fail(kExitUsage, "--device needs a folder");
                ctx.device = args[++i];
            } else if (options && a.starts_with("--device=")) {
                ctx.device = a.substr(9);
            } else if (options && a == "--utf16") {
                ctx.utf16 = true;
            } else if (options && a.starts_with("--")) {
                Fail(kExitUsage, "unknown option " + a + " (put \"--\" before arguments that start with --)");
            } else {
                words.push_back(a);
            }
        }
        if (ctx.device.empty()) Fail(kExitUsage, "--device needs a folder");
        if (words.empty()) Fail(kExitUsage, "missing command (export, import, get, set, delete, init; see --help)");
        std::string command = words[0];
        words.erase(words.begin());
        if (ctx.utf16 && command != "export") Fail(kExitUsage, "--utf16 applies to export only");
        if (command == "export") return Export(ctx, words);
        if (command == "import") return Import(ctx, words);
        if (command == "get") return Get(ctx, words);
        if (command == "set") return Set(ctx, words);
        if (command == "delete") return Delete(ctx, words);
        if (command == "init") return Init(ctx, words);
        Fail(kExitUsage, "unknown command \"" + command + "\" (export, import, get, set, delete, init; see --help)");
    } catch (const Failure& f) {
        err << "cereg: " << f.message << '\n';
        return f.status;
    } catch (const std::exception& e) {
        err << "cereg: " << e.what() << '\n';
        return kExitUsage;
    }
}

}  // namespace cereg
