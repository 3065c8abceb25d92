// Statements of a resource script and the binary form of each resource
// (the layouts are described in platform/res/ce_res.h).
#include <algorithm>
#include <set>
#include <sstream>

#include "rc.h"

namespace rc {
namespace {

namespace fs = std::filesystem;

constexpr uint16_t kRtIcon = 3, kRtBitmap = 2, kRtMenu = 4, kRtDialog = 5, kRtString = 6, kRtAccelerator = 9,
                   kRtGroupIcon = 14, kRtDlgInit = 240;

constexpr uint32_t WS_CHILD = 0x40000000, WS_VISIBLE = 0x10000000, WS_POPUP = 0x80000000, WS_BORDER = 0x00800000,
                   WS_SYSMENU = 0x00080000, WS_CAPTION = 0x00C00000, WS_GROUP = 0x00020000, WS_TABSTOP = 0x00010000,
                   DS_SETFONT = 0x40;

// Little-endian byte buffer.
struct Bytes {
    std::vector<uint8_t> b;
    void Word(uint32_t v) {
        b.push_back(static_cast<uint8_t>(v));
        b.push_back(static_cast<uint8_t>(v >> 8));
    }
    void Dword(uint32_t v) {
        Word(v & 0xFFFF);
        Word(v >> 16);
    }
    void Str(const std::u16string& s) {
        for (char16_t c : s) Word(c);
        Word(0);
    }
    void Align4() {
        while (b.size() % 4) b.push_back(0);
    }
};

std::u16string Upper(std::u16string s) {
    for (auto& c : s)
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
    return s;
}

bool EqNoCase(const std::string& a, const char* b) {
    std::string u;
    for (char c : a) u += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return u == b;
}

// A string or ordinal item of a template (class, caption, control text).
struct SzOrOrd {
    bool ordinal = false;
    uint16_t id = 0;
    std::u16string text;
};

struct Control {
    uint32_t style = 0, exStyle = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    uint32_t id = 0;
    SzOrOrd cls, text;
};

struct MenuNode {
    uint16_t flags = 0;
    uint16_t id = 0;
    std::u16string text;
    std::vector<MenuNode> children;
    bool popup = false;
};

class Parser {
public:
    Parser(const std::vector<Token>& toks, Lexer& lexer, const Options& opts, std::vector<fs::path>* deps)
        : t_(toks), lexer_(lexer), opts_(opts), deps_(deps) {
        end_.file = t_.empty() ? opts.script.string() : t_.back().file;
        end_.line = t_.empty() ? 1 : t_.back().line;
        end_.text = "end of file";
    }

    std::vector<Resource> Run() {
        while (!AtEnd()) Statement();
        EmitStrings();
        return std::move(out_);
    }

private:
    // ---- Token access -------------------------------------------------------

    bool AtEnd() const { return i_ >= t_.size(); }
    const Token& Peek(size_t ahead = 0) const { return i_ + ahead < t_.size() ? t_[i_ + ahead] : end_; }
    const Token& Next() {
        const Token& t = Peek();
        if (!AtEnd()) ++i_;
        return t;
    }
    [[noreturn]] void Fail(const Token& at, const std::string& what) const { throw Error(at.file, at.line, what); }
    std::string Describe(const Token& t) const {
        if (t.kind == Tok::End) return "end of file";
        if (t.kind == Tok::String) return "string \"" + t.text + "\"";
        return "'" + t.text + "'";
    }
    bool IsPunct(const char* p, size_t ahead = 0) const {
        return Peek(ahead).kind == Tok::Punct && Peek(ahead).text == p;
    }
    bool IsWord(const char* w, size_t ahead = 0) const {
        return Peek(ahead).kind == Tok::Ident && EqNoCase(Peek(ahead).text, w);
    }
    void Expect(const char* p) {
        if (!IsPunct(p)) Fail(Peek(), std::string("expected '") + p + "' but found " + Describe(Peek()));
        Next();
    }
    bool Accept(const char* p) {
        if (!IsPunct(p)) return false;
        Next();
        return true;
    }
    void Comma() { Expect(","); }
    bool AtBegin() const { return IsPunct("{") || IsWord("BEGIN"); }
    bool AtEndBlock() const { return IsPunct("}") || IsWord("END"); }
    void Begin() {
        if (!AtBegin()) Fail(Peek(), "expected BEGIN or '{' but found " + Describe(Peek()));
        Next();
    }
    std::u16string String() {
        const Token& t = Peek();
        if (t.kind != Tok::String) Fail(t, "expected a string but found " + Describe(t));
        Next();
        return Utf8To16(t.text, t.file, t.line);
    }

    // ---- Expressions ----------------------------------------------------------

    // Value of a symbol: a #define (evaluated as an expression) or a built-in constant.
    std::optional<int64_t> Symbol(const std::string& name, int depth = 0) {
        auto& defs = lexer_.defines();
        auto it = defs.find(name);
        if (it != defs.end()) {
            if (depth > 32) Fail(Peek(), "#define of '" + name + "' refers to itself");
            auto toks = lexer_.TokenizeText(it->second.text, it->second.file, it->second.line);
            if (toks.empty()) return std::nullopt;
            Parser sub(toks, lexer_, opts_, deps_);
            sub.depth_ = depth + 1;
            int64_t v = sub.Expr();
            if (!sub.AtEnd()) return std::nullopt;
            return v;
        }
        return BuiltinConstant(name);
    }

    int64_t Primary() {
        const Token& t = Peek();
        if (t.kind == Tok::Number) {
            Next();
            return t.value;
        }
        if (t.kind == Tok::Ident) {
            auto v = Symbol(t.text, depth_);
            if (!v) Fail(t, "undefined symbol '" + t.text + "'");
            Next();
            return *v;
        }
        if (Accept("(")) {
            int64_t v = Expr();
            Expect(")");
            return v;
        }
        if (Accept("-")) return -Primary();
        if (Accept("~")) return ~Primary();
        if (Accept("+")) return Primary();
        Fail(t, "expected a number but found " + Describe(t));
    }
    int64_t Mul() {
        int64_t v = Primary();
        for (;;) {
            if (Accept("*")) {
                v *= Primary();
            } else if (IsPunct("/")) {
                const Token& at = Next();
                int64_t d = Primary();
                if (d == 0) Fail(at, "division by zero");
                v /= d;
            } else {
                return v;
            }
        }
    }
    int64_t Add() {
        int64_t v = Mul();
        for (;;) {
            if (Accept("+"))
                v += Mul();
            else if (Accept("-"))
                v -= Mul();
            else
                return v;
        }
    }
    int64_t And() {
        int64_t v = Add();
        while (Accept("&")) v &= Add();
        return v;
    }
    int64_t Expr() {
        int64_t v = And();
        while (Accept("|")) v |= And();
        return v;
    }
    int Int() { return static_cast<int>(Expr()); }

    // A style: terms joined by '|' applied to `base`; "NOT x" clears bits.
    // `given` gets the bits the terms set.
    uint32_t Style(uint32_t base, uint32_t* given = nullptr) {
        uint32_t v = base;
        do {
            if (IsWord("NOT")) {
                Next();
                v &= ~static_cast<uint32_t>(And());
            } else {
                const auto term = static_cast<uint32_t>(And());
                v |= term;
                if (given) *given |= term;
            }
        } while (Accept("|"));
        return v;
    }

    // ---- Names ---------------------------------------------------------------

    ResId Name() {
        const Token& t = Peek();
        ResId r;
        if (t.kind == Tok::String) {
            r.isName = true;
            r.name = Upper(String());
            return r;
        }
        auto ordinal = [&](int64_t v) {
            if (v < 1 || v > 0xFFFF) Fail(t, "resource id " + std::to_string(v) + " out of range 1..65535");
            r.id = static_cast<uint16_t>(v);
            return r;
        };
        if (t.kind == Tok::Ident) {
            if (auto v = Symbol(t.text)) {
                Next();
                return ordinal(*v);
            }
            Next();
            r.isName = true;
            r.name = Upper(Utf8To16(t.text, t.file, t.line));
            return r;
        }
        if (t.kind == Tok::Number) return ordinal(Expr());
        Fail(t, "expected a resource name but found " + Describe(t));
    }

    void Add(uint16_t type, ResId name, std::vector<uint8_t> data, std::string what, const Token& at) {
        for (const auto& r : out_) {
            if (!r.type.isName && r.type.id == type && r.name.isName == name.isName && r.name.id == name.id &&
                r.name.name == name.name)
                Fail(at, "duplicate resource " + what);
        }
        Resource r;
        r.type.id = type;
        r.name = std::move(name);
        r.data = std::move(data);
        r.what = std::move(what);
        out_.push_back(std::move(r));
    }

    // Skips memory options of the old 16-bit resource syntax.
    void MemoryOptions() {
        while (IsWord("DISCARDABLE") || IsWord("MOVEABLE") || IsWord("FIXED") || IsWord("PURE") || IsWord("IMPURE") ||
               IsWord("PRELOAD") || IsWord("LOADONCALL") || IsWord("SHARED") || IsWord("NONSHARED"))
            Next();
    }

    // ---- Statements ------------------------------------------------------------

    void Statement() {
        const Token& first = Peek();
        if (IsWord("STRINGTABLE")) {
            Next();
            MemoryOptions();
            StringTable();
            return;
        }
        if (IsWord("LANGUAGE")) {
            Next();
            Expr();
            Comma();
            Expr();
            return;
        }
        ResId name = Name();
        const Token& kind = Peek();
        if (kind.kind != Tok::Ident) Fail(kind, "expected a resource type after the name but found " + Describe(kind));
        Next();
        std::string what = (name.isName ? std::string("\"") + std::string(name.name.begin(), name.name.end()) + "\""
                                        : std::to_string(name.id));
        if (EqNoCase(kind.text, "BITMAP")) {
            MemoryOptions();
            Add(kRtBitmap, name, Bitmap(), "BITMAP " + what, first);
        } else if (EqNoCase(kind.text, "ICON")) {
            MemoryOptions();
            Icon(name, what, first);
        } else if (EqNoCase(kind.text, "DIALOG") || EqNoCase(kind.text, "DIALOGEX")) {
            MemoryOptions();
            Add(kRtDialog, name, Dialog(EqNoCase(kind.text, "DIALOGEX")), "DIALOG " + what, first);
        } else if (EqNoCase(kind.text, "MENU")) {
            MemoryOptions();
            Add(kRtMenu, name, Menu(), "MENU " + what, first);
        } else if (EqNoCase(kind.text, "ACCELERATORS")) {
            MemoryOptions();
            Add(kRtAccelerator, name, Accelerators(), "ACCELERATORS " + what, first);
        } else if (EqNoCase(kind.text, "DLGINIT")) {
            MemoryOptions();
            Add(kRtDlgInit, name, DlgInit(), "DLGINIT " + what, first);
        } else {
            Fail(kind, "unknown resource type '" + kind.text + "'");
        }
    }

    fs::path FindFile(const Token& at, const std::string& name) {
        fs::path p(name);
        std::vector<fs::path> dirs{fs::path(at.file).parent_path()};
        dirs.insert(dirs.end(), opts_.includeDirs.begin(), opts_.includeDirs.end());
        for (const auto& d : dirs) {
            fs::path c = p.is_absolute() ? p : d / p;
            if (fs::is_regular_file(c)) {
                deps_->push_back(c);
                return c;
            }
        }
        Fail(at, "cannot find file \"" + name + "\"");
    }

    std::vector<uint8_t> Bitmap() {
        const Token& at = Peek();
        if (at.kind != Tok::String) Fail(at, "expected a file name but found " + Describe(at));
        Next();
        std::string why;
        auto dib = BitmapFileToDib(ReadBinary(FindFile(at, at.text)), &why);
        if (!dib) Fail(at, "\"" + at.text + "\" " + why);
        return *dib;
    }

    void Icon(const ResId& name, const std::string& what, const Token& first) {
        const Token& at = Peek();
        if (at.kind != Tok::String) Fail(at, "expected a file name but found " + Describe(at));
        Next();
        std::string why;
        auto images = ReadIconFile(ReadBinary(FindFile(at, at.text)), &why);
        if (!images) Fail(at, "\"" + at.text + "\" " + why);
        Bytes group;  // GRPICONDIR: the file's directory with RT_ICON ids for offsets
        group.Word(0);
        group.Word(1);
        group.Word(static_cast<uint32_t>(images->size()));
        for (auto& img : *images) {
            ResId imageName;
            imageName.id = ++iconIds_;
            Add(kRtIcon, imageName, std::move(img.data), "ICON image " + std::to_string(imageName.id) + " of " + what,
                at);
            group.b.insert(group.b.end(), img.entry.begin(), img.entry.end());
            group.Word(imageName.id);
        }
        Add(kRtGroupIcon, name, group.b, "ICON " + what, first);
    }

    // ---- Dialogs -----------------------------------------------------------------

    static SzOrOrd ClassOf(const std::u16string& cls) {
        static const std::pair<const char16_t*, uint16_t> atoms[] = {{u"BUTTON", 0x80},    {u"EDIT", 0x81},
                                                                     {u"STATIC", 0x82},    {u"LISTBOX", 0x83},
                                                                     {u"SCROLLBAR", 0x84}, {u"COMBOBOX", 0x85}};
        SzOrOrd s;
        for (const auto& [n, a] : atoms) {
            if (Upper(cls) == n) {
                s.ordinal = true;
                s.id = a;
                return s;
            }
        }
        s.text = cls;
        return s;
    }

    static void Put(Bytes& b, const SzOrOrd& s) {
        if (s.ordinal) {
            b.Word(0xFFFF);
            b.Word(s.id);
        } else {
            b.Str(s.text);
        }
    }

    // Control text: a string, or a number / symbol (an ordinal, as for icons).
    SzOrOrd TextOrOrdinal() {
        SzOrOrd s;
        if (Peek().kind == Tok::String) {
            s.text = String();
        } else {
            s.ordinal = true;
            s.id = static_cast<uint16_t>(Int());
        }
        return s;
    }

    // The optional ", style [, exstyle [, helpid]]" tail of the short control
    // forms. `kind` is the statement's default for the field `kindMask` of
    // the class's styles (the alignment of a text, the type of a combo box):
    // it applies only when the style names none of that field. The other
    // defaults in c.style (WS_TABSTOP, WS_BORDER, ...) stay unless the style
    // clears them with NOT.
    void StyleTail(Control& c, bool extended, uint32_t kind = 0, uint32_t kindMask = 0) {
        uint32_t given = 0;
        if (Accept(",")) {
            c.style = Style(c.style, &given);
            if (Accept(",")) {
                c.exStyle = static_cast<uint32_t>(Expr());
                if (extended && Accept(",")) Expr();  // help id
            }
        }
        if (!(given & kindMask)) c.style |= kind;
    }

    void Rect(Control& c) {
        c.x = Int();
        Comma();
        c.y = Int();
        Comma();
        c.cx = Int();
        Comma();
        c.cy = Int();
    }

    Control ControlStatement(bool extended) {
        const Token& kw = Peek();
        if (kw.kind != Tok::Ident) Fail(kw, "expected a control statement but found " + Describe(kw));
        const std::string k = [&] {
            std::string u;
            for (char ch : kw.text) u += static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
            return u;
        }();
        Next();
        Control c;
        const uint32_t base = WS_CHILD | WS_VISIBLE;
        // Defaults of the short forms (as documented for resource scripts):
        // flags, and a kind of control (`kind` in the field `kindMask`) that
        // a style naming another kind replaces.
        // Text controls: "text", id, x, y, cx, cy [, style [, exstyle]].
        struct Short {
            const char* name;
            const char16_t* cls;
            uint32_t flags, kind, kindMask;
        };
        constexpr uint32_t kButtonType = 0xF, kStaticType = 0x1F, kEditAlign = 0x3, kComboType = 0x3;
        static const Short textForms[] = {
            {"LTEXT", u"STATIC", WS_GROUP, 0x0, kStaticType},
            {"CTEXT", u"STATIC", WS_GROUP, 0x1, kStaticType},
            {"RTEXT", u"STATIC", WS_GROUP, 0x2, kStaticType},
            {"PUSHBUTTON", u"BUTTON", WS_TABSTOP, 0x0, kButtonType},
            {"DEFPUSHBUTTON", u"BUTTON", WS_TABSTOP, 0x1, kButtonType},
            {"CHECKBOX", u"BUTTON", WS_TABSTOP, 0x2, kButtonType},
            {"AUTOCHECKBOX", u"BUTTON", WS_TABSTOP, 0x3, kButtonType},
            {"RADIOBUTTON", u"BUTTON", WS_TABSTOP, 0x4, kButtonType},
            {"STATE3", u"BUTTON", WS_TABSTOP, 0x5, kButtonType},
            {"AUTO3STATE", u"BUTTON", WS_TABSTOP, 0x6, kButtonType},
            {"GROUPBOX", u"BUTTON", 0, 0x7, kButtonType},
            {"AUTORADIOBUTTON", u"BUTTON", WS_TABSTOP, 0x9, kButtonType},
            {"PUSHBOX", u"BUTTON", WS_TABSTOP, 0xA, kButtonType},
        };
        static const Short plainForms[] = {
            {"EDITTEXT", u"EDIT", WS_BORDER | WS_TABSTOP, 0x0, kEditAlign},  // ES_LEFT
            {"COMBOBOX", u"COMBOBOX", WS_TABSTOP, 0x1, kComboType},          // CBS_SIMPLE
            {"LISTBOX", u"LISTBOX", 0x1 | WS_BORDER, 0, 0},                  // LBS_NOTIFY
            {"SCROLLBAR", u"SCROLLBAR", 0, 0, 0},                            // SBS_HORZ
        };
        for (const auto& f : textForms) {
            if (k != f.name) continue;
            c.cls = ClassOf(f.cls);
            c.style = base | f.flags;
            c.text = TextOrOrdinal();
            Comma();
            c.id = static_cast<uint32_t>(Expr());
            Comma();
            Rect(c);
            StyleTail(c, extended, f.kind, f.kindMask);
            return c;
        }
        for (const auto& f : plainForms) {
            if (k != f.name) continue;
            c.cls = ClassOf(f.cls);
            c.style = base | f.flags;
            c.id = static_cast<uint32_t>(Expr());
            Comma();
            Rect(c);
            StyleTail(c, extended, f.kind, f.kindMask);
            return c;
        }
        if (k == "ICON") {  // ICON icon, id, x, y [, cx, cy [, style [, exstyle]]]
            c.cls = ClassOf(u"STATIC");
            c.style = base | 0x3;  // SS_ICON, whatever the style adds
            c.text = TextOrOrdinal();
            Comma();
            c.id = static_cast<uint32_t>(Expr());
            Comma();
            c.x = Int();
            Comma();
            c.y = Int();
            if (Accept(",")) {
                c.cx = Int();
                Comma();
                c.cy = Int();
                StyleTail(c, extended);
            }
            return c;
        }
        if (k == "CONTROL") {  // CONTROL "text", id, class, style, x, y, cx, cy [, exstyle]
            c.text = TextOrOrdinal();
            Comma();
            c.id = static_cast<uint32_t>(Expr());
            Comma();
            const Token& ct = Peek();
            if (ct.kind == Tok::String) {
                c.cls = ClassOf(String());
            } else if (ct.kind == Tok::Ident) {
                Next();
                c.cls = ClassOf(Utf8To16(ct.text, ct.file, ct.line));
            } else {
                Fail(ct, "expected a window class but found " + Describe(ct));
            }
            Comma();
            c.style = Style(base);
            Comma();
            Rect(c);
            if (Accept(",")) {
                c.exStyle = static_cast<uint32_t>(Expr());
                if (extended && Accept(",")) Expr();  // help id
            }
            return c;
        }
        Fail(kw, "unknown control statement '" + kw.text + "'");
    }

    std::vector<uint8_t> Dialog(bool extended) {
        const Token& at = Peek();
        int x = Int();
        Comma();
        int y = Int();
        Comma();
        int cx = Int();
        Comma();
        int cy = Int();
        if (extended && Accept(",")) Expr();  // help id
        std::optional<uint32_t> style;
        uint32_t exStyle = 0;
        std::optional<std::u16string> caption;
        std::optional<std::pair<int, std::u16string>> font;
        SzOrOrd menu, cls;
        bool hasMenu = false, hasClass = false;
        while (!AtBegin()) {
            const Token& opt = Peek();
            if (AtEnd()) Fail(opt, "expected BEGIN or '{' of the dialog's controls");
            if (IsWord("STYLE")) {
                Next();
                style = Style(0);
            } else if (IsWord("EXSTYLE")) {
                Next();
                exStyle = Style(0);
            } else if (IsWord("CAPTION")) {
                Next();
                caption = String();
            } else if (IsWord("FONT")) {
                Next();
                int size = Int();
                Comma();
                std::u16string face = String();
                if (Accept(",")) {  // weight, italic, charset
                    Expr();
                    if (Accept(",")) {
                        Expr();
                        if (Accept(",")) Expr();
                    }
                }
                font = std::make_pair(size, face);
            } else if (IsWord("MENU")) {
                Next();
                ResId m = Name();
                hasMenu = true;
                menu.ordinal = !m.isName;
                menu.id = m.id;
                menu.text = m.name;
            } else if (IsWord("CLASS")) {
                Next();
                hasClass = true;
                cls = TextOrOrdinal();
            } else if (IsWord("LANGUAGE")) {
                Next();
                Expr();
                Comma();
                Expr();
            } else if (IsWord("CHARACTERISTICS") || IsWord("VERSION")) {
                Next();
                Expr();
            } else {
                Fail(opt, "unknown dialog option " + Describe(opt));
            }
        }
        Begin();
        std::vector<Control> controls;
        while (!AtEndBlock()) {
            if (AtEnd()) Fail(Peek(), "missing END of the dialog");
            controls.push_back(ControlStatement(extended));
        }
        Next();
        if (controls.size() > 0xFFFF) Fail(at, "too many controls");

        uint32_t st = style.value_or(WS_POPUP | WS_BORDER | WS_SYSMENU);
        if (caption) st |= WS_CAPTION;
        if (font) st |= DS_SETFONT;
        Bytes b;
        b.Dword(st);
        b.Dword(exStyle);
        b.Word(static_cast<uint16_t>(controls.size()));
        b.Word(static_cast<uint16_t>(x));
        b.Word(static_cast<uint16_t>(y));
        b.Word(static_cast<uint16_t>(cx));
        b.Word(static_cast<uint16_t>(cy));
        if (hasMenu)
            Put(b, menu);
        else
            b.Word(0);
        if (hasClass)
            Put(b, cls);
        else
            b.Word(0);
        b.Str(caption.value_or(u""));
        if (st & DS_SETFONT) {
            b.Word(static_cast<uint16_t>(font ? font->first : 8));
            b.Str(font ? font->second : u"");
        }
        for (const auto& c : controls) {
            b.Align4();
            b.Dword(c.style);
            b.Dword(c.exStyle);
            b.Word(static_cast<uint16_t>(c.x));
            b.Word(static_cast<uint16_t>(c.y));
            b.Word(static_cast<uint16_t>(c.cx));
            b.Word(static_cast<uint16_t>(c.cy));
            b.Word(static_cast<uint16_t>(c.id));
            Put(b, c.cls);
            Put(b, c.text);
            b.Word(0);  // no creation data
        }
        return b.b;
    }

    // ---- Dialog initialisation data ---------------------------------------------------

    // The messages a dialog sends its controls when it is created, named by the
    // dialog's id:
    //
    //   IDD_X DLGINIT
    //   BEGIN
    //       IDC_COMBO, 0x403, 7, 0
    //   0x3531, 0x5320, 0x6365, "\000"
    //       0
    //   END
    //
    // Each entry is a control id, a message (0x403 adds a string to a combo
    // box), the data length as two words (low, high) and that many bytes of
    // data given as words and strings (a string's bytes as written, with no
    // terminator added); a 0 ends the table. Commas between items are optional,
    // as the classic tools write them. Every entry's data must add up to its
    // length: a wrong length would shift every entry after it.
    std::vector<uint8_t> DlgInit() {
        Begin();
        Bytes b;
        for (;;) {
            const Token& at = Peek();
            if (AtEnd() || AtEndBlock()) Fail(at, "DLGINIT must end with a 0 before its END");
            uint32_t id = static_cast<uint32_t>(Expr());
            Accept(",");
            if (id == 0) {
                b.Word(0);
                if (!AtEndBlock())
                    Fail(Peek(), "expected END after the closing 0 of the DLGINIT but found " + Describe(Peek()));
                Next();
                return b.b;
            }
            if (id > 0xFFFF) Fail(at, "control id " + std::to_string(id) + " out of range");
            uint32_t message = static_cast<uint32_t>(Expr());
            Accept(",");
            uint32_t lenLow = static_cast<uint32_t>(Expr());
            Accept(",");
            uint32_t lenHigh = static_cast<uint32_t>(Expr());
            uint32_t length = (lenLow & 0xFFFF) | (lenHigh << 16);
            b.Word(id);
            b.Word(message);
            b.Dword(length);
            const size_t start = b.b.size();
            while (b.b.size() - start < length) {
                Accept(",");
                const Token& item = Peek();
                if (AtEnd() || AtEndBlock()) break;
                if (item.kind == Tok::String) {
                    Next();
                    b.b.insert(b.b.end(), item.text.begin(), item.text.end());
                } else {
                    b.Word(static_cast<uint32_t>(Expr()));
                }
            }
            Accept(",");
            if (b.b.size() - start != length)
                Fail(at, "DLGINIT entry for control " + std::to_string(id) + " has " +
                             std::to_string(b.b.size() - start) + " bytes of data but its length says " +
                             std::to_string(length));
        }
    }

    // ---- Menus ---------------------------------------------------------------------

    uint16_t MenuOptions() {
        uint16_t flags = 0;
        for (;;) {
            Accept(",");
            if (IsWord("CHECKED"))
                flags |= 0x0008;
            else if (IsWord("GRAYED"))
                flags |= 0x0001;
            else if (IsWord("INACTIVE"))
                flags |= 0x0002;
            else if (IsWord("MENUBARBREAK"))
                flags |= 0x0020;
            else if (IsWord("MENUBREAK"))
                flags |= 0x0040;
            else if (IsWord("HELP"))
                flags |= 0x4000;
            else
                return flags;
            Next();
        }
    }

    std::vector<MenuNode> MenuItems() {
        Begin();
        std::vector<MenuNode> items;
        while (!AtEndBlock()) {
            const Token& t = Peek();
            MenuNode n;
            if (IsWord("MENUITEM")) {
                Next();
                if (IsWord("SEPARATOR")) {
                    Next();
                } else {
                    n.text = String();
                    Comma();
                    n.id = static_cast<uint16_t>(Expr());
                    n.flags = MenuOptions();
                }
            } else if (IsWord("POPUP")) {
                Next();
                n.popup = true;
                n.text = String();
                n.flags = MenuOptions();
                n.children = MenuItems();
                if (n.children.empty()) Fail(t, "POPUP without items");
            } else {
                Fail(t, "expected MENUITEM, POPUP or END but found " + Describe(t));
            }
            items.push_back(std::move(n));
        }
        Next();
        return items;
    }

    static void PutMenu(Bytes& b, const std::vector<MenuNode>& items) {
        for (size_t k = 0; k < items.size(); ++k) {
            const auto& n = items[k];
            uint16_t flags = n.flags | (n.popup ? 0x10 : 0) | (k + 1 == items.size() ? 0x80 : 0);
            b.Word(flags);
            if (!n.popup) b.Word(n.id);
            b.Str(n.text);
            if (n.popup) PutMenu(b, n.children);
        }
    }

    std::vector<uint8_t> Menu() {
        auto items = MenuItems();
        Bytes b;
        b.Word(0);
        b.Word(0);
        PutMenu(b, items);
        return b.b;
    }

    // ---- Accelerators ----------------------------------------------------------------

    std::vector<uint8_t> Accelerators() {
        Begin();
        struct Entry {
            uint16_t flags, key, cmd;
        };
        std::vector<Entry> entries;
        while (!AtEndBlock()) {
            const Token& ev = Peek();
            if (AtEnd()) Fail(ev, "missing END of the accelerator table");
            std::u16string keyText;
            bool isText = ev.kind == Tok::String;
            int64_t key = 0;
            if (isText)
                keyText = String();
            else
                key = Expr();
            Comma();
            uint16_t cmd = static_cast<uint16_t>(Expr());
            uint16_t flags = 0;
            bool ascii = false;
            for (;;) {
                Accept(",");
                if (IsWord("VIRTKEY"))
                    flags |= 0x01;
                else if (IsWord("ASCII"))
                    ascii = true;
                else if (IsWord("NOINVERT"))
                    flags |= 0x02;
                else if (IsWord("SHIFT"))
                    flags |= 0x04;
                else if (IsWord("CONTROL"))
                    flags |= 0x08;
                else if (IsWord("ALT"))
                    flags |= 0x10;
                else
                    break;
                Next();
            }
            if (ascii && (flags & 0x01)) Fail(ev, "accelerator is both ASCII and VIRTKEY");
            if (isText) {
                if (keyText.size() == 2 && keyText[0] == u'^') {
                    if (flags & 0x01) Fail(ev, "\"^X\" accelerators are ASCII only");
                    char16_t c = keyText[1];
                    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
                    if (c < u'@' || c > u'_') Fail(ev, "bad control character in accelerator");
                    key = c - u'@';
                } else if (keyText.size() == 1) {
                    key = keyText[0];
                    if ((flags & 0x01) && key >= u'a' && key <= u'z') key -= 32;  // virtual keys are upper case
                } else {
                    Fail(ev, "accelerator key must be one character or \"^X\"");
                }
            }
            entries.push_back({flags, static_cast<uint16_t>(key), cmd});
        }
        Next();
        Bytes b;
        for (size_t k = 0; k < entries.size(); ++k) {
            b.Word(entries[k].flags | (k + 1 == entries.size() ? 0x80 : 0));
            b.Word(entries[k].key);
            b.Word(entries[k].cmd);
            b.Word(0);
        }
        return b.b;
    }

    // ---- String tables ------------------------------------------------------------------

    void StringTable() {
        Begin();
        while (!AtEndBlock()) {
            const Token& t = Peek();
            if (AtEnd()) Fail(t, "missing END of the string table");
            int64_t id = Expr();
            Accept(",");
            std::u16string s = String();
            if (id < 0 || id > 0xFFFF) Fail(t, "string id " + std::to_string(id) + " out of range");
            if (s.size() > 0xFFFF) Fail(t, "string too long");
            if (!strings_.emplace(static_cast<uint16_t>(id), s).second)
                Fail(t, "duplicate string id " + std::to_string(id));
            if (stringsAt_.file.empty()) stringsAt_ = t;
        }
        Next();
    }

    void EmitStrings() {
        std::map<uint16_t, std::vector<uint8_t>> blocks;
        std::set<uint16_t> used;
        for (const auto& [id, s] : strings_) used.insert(static_cast<uint16_t>(id >> 4));
        for (uint16_t block : used) {
            Bytes b;
            for (uint32_t k = 0; k < 16; ++k) {
                auto it = strings_.find(static_cast<uint16_t>(block * 16 + k));
                if (it == strings_.end()) {
                    b.Word(0);
                    continue;
                }
                b.Word(static_cast<uint16_t>(it->second.size()));
                for (char16_t c : it->second) b.Word(c);
            }
            ResId name;
            name.id = static_cast<uint16_t>(block + 1);
            Add(kRtString, name, b.b, "STRINGTABLE block " + std::to_string(block + 1), stringsAt_);
        }
    }

    const std::vector<Token>& t_;
    Lexer& lexer_;
    const Options& opts_;
    std::vector<fs::path>* deps_;
    size_t i_ = 0;
    int depth_ = 0;
    uint16_t iconIds_ = 0;
    std::map<uint16_t, std::u16string> strings_;
    Token stringsAt_;
    std::vector<Resource> out_;
    Token end_;
};

}  // namespace

std::vector<Resource> Parse(const std::vector<Token>& tokens, Lexer& lexer, const Options& options,
                            std::vector<fs::path>* deps) {
    Parser p(tokens, lexer, options, deps);
    return p.Run();
}

}  // namespace rc
