// Registry text files: key paths, value formatting, parsing.
#include "regtext.h"

#include <gtest/gtest.h>

#include <sstream>

#include "ce_kernel.h"

using namespace ce::regtext;

namespace {

std::vector<BYTE> Bytes(std::initializer_list<int> list) {
    std::vector<BYTE> out;
    for (int b : list) out.push_back(BYTE(b));
    return out;
}

std::string Text(std::u16string_view s) {
    return ce::ToUtf8(s);
}

std::string Format(std::u16string name, DWORD type, std::vector<BYTE> data) {
    return Text(FormatValue({std::move(name), type, std::move(data)}));
}

// Parses a file body under a 5.00 header and returns its operations.
std::vector<Operation> Parse(const std::string& body, bool regedit4 = false) {
    std::string file = std::string(regedit4 ? "REGEDIT4" : "Windows Registry Editor Version 5.00") + "\n\n" + body;
    std::vector<Operation> ops;
    ParseError error;
    EXPECT_TRUE(ParseRegFile(file, ops, error)) << "line " << error.line << ": " << error.message;
    return ops;
}

ParseError ParseFailure(const std::string& file) {
    std::vector<Operation> ops;
    ParseError error;
    EXPECT_FALSE(ParseRegFile(file, ops, error)) << file;
    EXPECT_TRUE(ops.empty());
    return error;
}

std::string Utf16Le(std::u16string_view s, bool bom) {
    std::string out = bom ? "\xFF\xFE" : "";
    for (char16_t c : s) {
        out += char(c & 0xFF);
        out += char(c >> 8);
    }
    return out;
}

}  // namespace

// ---- Key paths -------------------------------------------------------------

TEST(RegTextKeyPath, RootsInEitherFormAndCaseEmptyNamesRefused) {
    KeyPath key;
    std::string error;
    ASSERT_TRUE(ParseKeyPath(u"hklm\\Drivers\\BuiltIn\\", key, error));  // trailing backslash ignored
    EXPECT_EQ(Text(FullPath(key)), "HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn");
    ASSERT_TRUE(ParseKeyPath(u"Hkey_Users", key, error));
    EXPECT_EQ(key.root, HKEY_USERS);
    EXPECT_TRUE(key.IsRoot());
    for (std::u16string_view bad : {u"", u"HKEY_LOCAL", u"HKLMX\\a", u"\\HKLM\\a", u"HKLM\\a\\\\b"}) {
        error.clear();
        EXPECT_FALSE(ParseKeyPath(bad, key, error)) << Text(bad);
        EXPECT_FALSE(error.empty());
    }
}

// ---- Formatting ------------------------------------------------------------

TEST(RegTextFormat, LongHexDataWrapsWithinEightyColumns) {
    std::vector<BYTE> data(200);
    for (size_t i = 0; i < data.size(); ++i) data[i] = BYTE(i);
    std::string text = Format(u"Blob", REG_BINARY, data);
    std::istringstream lines(text);
    std::vector<std::string> all;
    for (std::string line; std::getline(lines, line);) all.push_back(line);
    ASSERT_GT(all.size(), 2u);
    for (size_t i = 0; i < all.size(); ++i) {
        EXPECT_LE(all[i].size(), kWrapColumn) << all[i];
        if (i + 1 < all.size()) {
            EXPECT_EQ(all[i].substr(all[i].size() - 2), ",\\") << all[i];
        }
        if (i > 0) {
            EXPECT_EQ(all[i].substr(0, 3).find_first_not_of(' '), 2u) << all[i];
        }
    }
    EXPECT_EQ(all[0].substr(0, 16), "\"Blob\"=hex:00,01");
    EXPECT_EQ(all.back().substr(all.back().size() - 2), "c7");
    // A name longer than a line still keeps its first byte on the first line.
    std::string longName = Format(std::u16string(100, u'n'), REG_BINARY, Bytes({1, 2}));
    EXPECT_EQ(longName.substr(longName.size() - 13), "hex:01,\\\n  02");
}

TEST(RegTextFormat, Utf8RefusesUnpairedSurrogates) {
    std::string bytes, error;
    ASSERT_TRUE(EncodeText(u"\"\U0001F600\"", false, bytes, error));
    EXPECT_EQ(bytes, "\"\U0001F600\"");
    EXPECT_FALSE(EncodeText(u"\"a\xDC00\"", false, bytes, error));
    EXPECT_NE(error.find("--utf16"), std::string::npos);
    EXPECT_TRUE(EncodeText(u"\"a\xDC00\"", true, bytes, error));
}

// ---- Formatting and round trip -------------------------------------------------

// Each value's line (unchecked where empty), and the file of all of them
// parses back to the same values in either encoding.
TEST(RegTextFormat, EveryValueHasItsFormAndParsesBackExactly) {
    std::vector<BYTE> longData(333);
    for (size_t i = 0; i < longData.size(); ++i) longData[i] = BYTE(i * 7);
    const std::vector<std::pair<Value, std::string>> cases = {
        {{u"", REG_SZ, StringData(u"")}, R"(@="")"},
        {{u"Path", REG_SZ, StringData(u"C:\\a \"b\"")}, R"("Path"="C:\\a \"b\"")"},
        {{u"a\"b\\c", REG_SZ, StringData(u"x")}, R"("a\"b\\c"="x")"},
        {{u"two\r\nlines", REG_SZ, StringData(u"x")}, R"("two\r\nlines"="x")"},
        {{u"Grüße 日本 \U0001F600", REG_SZ, StringData(u"€")}, "\"Grüße 日本 \U0001F600\"=\"€\""},
        {{u";not a comment", REG_SZ, StringData(u"; neither")}, R"(";not a comment"="; neither")"},
        // String data that the quoted form cannot carry is hex(1).
        {{u"odd", REG_SZ, Bytes({0x41, 0, 0})}, R"("odd"=hex(1):41,00,00)"},
        {{u"unterminated", REG_SZ, Bytes({0x41, 0})}, R"("unterminated"=hex(1):41,00)"},
        {{u"inner", REG_SZ, Bytes({0x41, 0, 0, 0, 0x42, 0, 0, 0})}, R"("inner"=hex(1):41,00,00,00,42,00,00,00)"},
        {{u"empty", REG_SZ, {}}, R"("empty"=hex(1):)"},
        {{u"newline", REG_SZ, StringData(u"a\nb")}, R"("newline"=hex(1):61,00,0a,00,62,00,00,00)"},
        {{u"surrogate", REG_SZ, StringData(u"\xD800")}, R"("surrogate"=hex(1):00,d8,00,00)"},
        {{u"d", REG_DWORD, Bytes({0x2c, 0x01, 0, 0})}, R"("d"=dword:0000012c)"},
        {{u"d3", REG_DWORD, Bytes({1, 2, 3})}, R"("d3"=hex(4):01,02,03)"},
        {{u"d5", REG_DWORD, Bytes({1, 2, 3, 4, 5})}, R"("d5"=hex(4):01,02,03,04,05)"},
        {{u"b", REG_BINARY, Bytes({0xAB, 0x00, 0x0F})}, R"("b"=hex:ab,00,0f)"},
        {{u"b0", REG_BINARY, {}}, R"("b0"=hex:)"},
        {{u"e", REG_EXPAND_SZ, StringData(u"%A%")}, R"("e"=hex(2):25,00,41,00,25,00,00,00)"},
        {{u"m", REG_MULTI_SZ, MultiStringData({u"a", u"b"})}, R"("m"=hex(7):61,00,00,00,62,00,00,00,00,00)"},
        {{u"q", REG_QWORD, Bytes({1, 0, 0, 0, 0, 0, 0, 0})}, R"("q"=hex(b):01,00,00,00,00,00,00,00)"},
        {{u"n", REG_NONE, {}}, R"("n"=hex(0):)"},
        {{u"n1", REG_NONE, Bytes({9})}, R"("n1"=hex(0):09)"},
        {{u"be", REG_DWORD_BIG_ENDIAN, Bytes({0, 0, 0, 1})}, R"("be"=hex(5):00,00,00,01)"},
        {{u"bin", REG_BINARY, longData}, ""},
        {{u"custom", 0x12345, longData}, ""},
        {{std::u16string(120, u'L'), REG_MULTI_SZ, longData}, ""},
    };
    std::u16string text = std::u16string(kHeader5) + u"\n\n[HKEY_LOCAL_MACHINE\\T]\n";
    for (const auto& [value, form] : cases) {
        if (!form.empty()) {
            EXPECT_EQ(Text(FormatValue(value)), form);
        }
        text += FormatValue(value) + u"\n";
    }
    for (bool utf16 : {false, true}) {
        std::string bytes, error;
        ASSERT_TRUE(EncodeText(text, utf16, bytes, error));
        std::vector<Operation> ops;
        ParseError perr;
        ASSERT_TRUE(ParseRegFile(bytes, ops, perr)) << perr.line << ": " << perr.message;
        ASSERT_EQ(ops.size(), cases.size() + 1);
        EXPECT_EQ(ops[0].kind, Operation::CreateKey);
        for (size_t i = 0; i < cases.size(); ++i) {
            EXPECT_EQ(ops[i + 1].kind, Operation::SetValue);
            EXPECT_EQ(ops[i + 1].key.sub, u"T");
            EXPECT_TRUE(ops[i + 1].value == cases[i].first) << Text(cases[i].first.name);
        }
    }
}

// ---- Parsing -------------------------------------------------------------------

TEST(RegTextParse, KeysValuesDeletionsInFileOrder) {
    auto ops = Parse(
        "; a comment\n"
        "[HKEY_LOCAL_MACHINE\\A]\r\n"
        "  \"s\" = \"text\"   ; trailing comment\r\n"
        "@=dword:1\n"
        "\"gone\"=-\n"
        "\n"
        "[-HKLM\\B]\n"
        "[hkcu\\C]\n"
        "\"h\"=HEX(2):41,00,\\\n"
        "    00,00 ; done\n"
        "[HKLM\\a]b\\ c ]\n");
    ASSERT_EQ(ops.size(), 8u);
    EXPECT_EQ(ops[0].kind, Operation::CreateKey);
    EXPECT_EQ(ops[0].line, 4);
    EXPECT_EQ(ops[1].value, (Value{u"s", REG_SZ, StringData(u"text")}));
    EXPECT_EQ(ops[2].value, (Value{u"", REG_DWORD, Bytes({1, 0, 0, 0})}));
    EXPECT_EQ(ops[3].kind, Operation::DeleteValue);
    EXPECT_EQ(ops[3].value.name, u"gone");
    EXPECT_EQ(ops[4].kind, Operation::DeleteKey);
    EXPECT_EQ(Text(FullPath(ops[4].key)), "HKEY_LOCAL_MACHINE\\B");
    EXPECT_EQ(ops[5].key.root, HKEY_CURRENT_USER);
    EXPECT_EQ(ops[6].value, (Value{u"h", REG_EXPAND_SZ, StringData(u"A")}));
    EXPECT_EQ(ops[6].key.sub, u"C");
    EXPECT_EQ(ops[7].key.sub, u"a]b\\ c ");  // brackets and spaces inside a name are kept
}

TEST(RegTextParse, MalformedLinesReportTheirLineAndNothingElse) {
    const std::string h = "Windows Registry Editor Version 5.00\n\n";
    struct Case {
        std::string file;
        int line;
        std::string words;
    };
    const std::vector<Case> cases = {
        {"", 1, "header"},
        {"REGEDIT5\n[HKLM\\A]\n", 1, "header"},
        {h + "\"v\"=\"x\"\n", 3, "before the first"},
        {h + "[HKLM\\A]\n\"v\"=\"x\n", 4, "closing quote"},
        {h + "[HKLM\\A]\n\"v\"=\"C:\\path\"\n", 4, "escape"},
        {h + "[HKLM\\A]\n\"v\"\"x\"\n", 4, "'='"},
        {h + "[HKLM\\A]\n\"v\"=\"x\" y\n", 4, "after the closing quote"},
        {h + "[HKLM\\A]\n\"v\"=dword:\n", 4, "dword"},
        {h + "[HKLM\\A]\n\"v\"=dword:12xyz\n", 4, "after the dword"},
        {h + "[HKLM\\A]\n\"v\"=hex:01,zz\n", 4, "zz"},
        {h + "[HKLM\\A]\n\"v\"=hex:01,,02\n", 4, "between commas"},
        {h + "[HKLM\\A]\n\"v\"=hex(g):01\n", 4, "hex(N)"},
        {h + "[HKLM\\A]\n\"v\"=hex 01\n", 4, "':'"},
        {h + "[HKLM\\A]\n\"v\"=qword:1\n", 4, "unknown value data"},
        {h + "[HKLM\\A\n", 3, "']'"},
        {h + "[HKXX\\A]\n", 3, "unknown root"},
        {h + "[-HKEY_LOCAL_MACHINE]\n", 3, "whole root"},
        {h + "[HKLM\\" + std::string(256, 'k') + "]\n", 3, "longer than 255"},
        {h + "[HKLM\\A]\n\"" + std::string(16384, 'v') + "\"=\"\"\n", 4, "longer than 16383"},
        {h + "[-HKLM\\A]\n\"v\"=\"x\"\n", 4, "deleted key"},
        {h + "[HKLM\\A]\nv=1\n", 4, "unexpected text"},
        {h + "[HKLM\\A]\n\"v\"=\"a" + std::string(1, '\0') + "b\"\n", 4, "NUL"},
    };
    for (const Case& c : cases) {
        ParseError error = ParseFailure(c.file);
        EXPECT_EQ(error.line, c.line) << c.file << " -> " << error.message;
        EXPECT_NE(error.message.find(c.words), std::string::npos) << c.file << " -> " << error.message;
    }
}

// How the byte lists of hex values continue over lines, with the forms other
// readers of these files accept or refuse.
TEST(RegTextParse, HexContinuationsJoinLinesAndSkipBlankAndCommentLines) {
    struct Accepted {
        std::string value;  // the lines after "[HKLM\A]"
        DWORD type;
        std::vector<BYTE> data;
    };
    const std::vector<Accepted> accepted = {
        {"\"v\"=hex:11,22,3\\\n  3,44\n", REG_BINARY, Bytes({0x11, 0x22, 0x33, 0x44})},
        {"\"v\"=hex:1\\\n2\n", REG_BINARY, Bytes({0x12})},
        {"\"v\"=hex:01,02,\\\n  ; a note\n  03\n", REG_BINARY, Bytes({1, 2, 3})},
        {"\"v\"=hex:01,02,\\\n# a note\n\n\n  03\n", REG_BINARY, Bytes({1, 2, 3})},
        {"\"v\"=hex:01,02,\\", REG_BINARY, Bytes({1, 2})},
        {"\"v\"=hex:01,02,\\\n\n", REG_BINARY, Bytes({1, 2})},
        {"\"v\"=hex:\\\n  0a , 0b\n", REG_BINARY, Bytes({0x0a, 0x0b})},
        {"# a note\n\"v\"=dword: \t0000002a\n", REG_DWORD, Bytes({0x2a, 0, 0, 0})},
    };
    for (const Accepted& c : accepted) {
        auto ops = Parse("[HKLM\\A]\n" + c.value);
        ASSERT_EQ(ops.size(), 2u) << c.value;
        EXPECT_EQ(ops[1].value, (Value{u"v", c.type, c.data})) << c.value;
    }
    const std::string h = "Windows Registry Editor Version 5.00\n\n[HKLM\\A]\n";
    struct Refused {
        std::string value;
        int line;
        std::string words;
    };
    const std::vector<Refused> refused = {
        // A comment does not end the list: the next line must go on with it.
        {"\"a\"=hex:01,02,\\\n; a note\n\"b\"=\"x\"\n", 6, "more hex bytes"},
        {"\"a\"=hex:01,\\\n\n[HKLM\\B]\n", 6, "more hex bytes"},
        {"\"a\"=hex:01,\\\n\\\n  02\n", 5, "more hex bytes"},
        // Without a comma before the break the bytes run together.
        {"\"a\"=hex:01,02\\\n  03,04\n", 4, "\"0203\""},
        {"\"a\"=hex:01,3 \\\n  3\n", 4, "\"3 3\""},
        {"\"a\"=hex:01,\\\n  ,02\n", 5, "between commas"},
        {"\"a\"=hex:01,\\\n  02,\\\n  0x\n", 6, "0x"},
    };
    for (const Refused& c : refused) {
        ParseError error = ParseFailure(h + c.value);
        EXPECT_EQ(error.line, c.line) << c.value << " -> " << error.message;
        EXPECT_NE(error.message.find(c.words), std::string::npos) << c.value << " -> " << error.message;
    }
}

TEST(RegTextParse, Regedit4WidensStringListsFromEightBitCharacters) {
    auto ops = Parse(
        "[HKLM\\A]\n"
        "\"e\"=hex(2):25,41,80,00\n"
        "\"m\"=hex(7):61,00,e9,00,00\n"
        "\"b\"=hex:80,00\n"
        "\"s\"=\"plain\"\n",
        true);
    ASSERT_EQ(ops.size(), 5u);
    EXPECT_EQ(ops[1].value, (Value{u"e", REG_EXPAND_SZ, StringData(u"%A€")}));
    EXPECT_EQ(ops[2].value, (Value{u"m", REG_MULTI_SZ, MultiStringData({u"a", u"é"})}));
    EXPECT_EQ(ops[3].value.data, Bytes({0x80, 0}));  // binary stays as it is
    EXPECT_EQ(ops[4].value, (Value{u"s", REG_SZ, StringData(u"plain")}));
    // In a 5.00 file the same bytes are already UTF-16.
    auto v5 = Parse("[HKLM\\A]\n\"e\"=hex(2):25,00,00,00\n");
    EXPECT_EQ(v5[1].value.data, StringData(u"%"));
}

// ---- Decoding ------------------------------------------------------------------

TEST(RegTextDecode, Utf16WithOrWithoutByteOrderMarkAndCrLf) {
    std::u16string body = u"Windows Registry Editor Version 5.00\r\n\r\n[HKLM\\Ä]\r\n\"v\"=\"\U0001F600\"\r\n";
    for (bool bom : {true, false}) {
        std::vector<Operation> ops;
        ParseError error;
        ASSERT_TRUE(ParseRegFile(Utf16Le(body, bom), ops, error)) << error.message;
        ASSERT_EQ(ops.size(), 2u);
        EXPECT_EQ(ops[0].key.sub, u"Ä");
        EXPECT_EQ(ops[1].value.data, StringData(u"\U0001F600"));
    }
    std::vector<Operation> ops;
    ParseError error;
    EXPECT_FALSE(ParseRegFile(Utf16Le(body, true) + "x", ops, error));
    EXPECT_NE(error.message.find("odd number"), std::string::npos);
}

TEST(RegTextDecode, Utf8ByteOrderMarkAndInvalidUtf8) {
    std::vector<Operation> ops;
    ParseError error;
    ASSERT_TRUE(ParseRegFile("\xEF\xBB\xBFWindows Registry Editor Version 5.00\n[HKLM\\\xC3\xA4]\n", ops, error));
    EXPECT_EQ(ops[0].key.sub, u"ä");
    // Latin-1 bytes in a 5.00 file: refused, naming the line.
    error = ParseFailure("Windows Registry Editor Version 5.00\n\n[HKLM\\A]\n\"v\"=\"\xE9\"\n");
    EXPECT_EQ(error.line, 4);
    EXPECT_NE(error.message.find("UTF-8"), std::string::npos);
    // Truncated and overlong sequences and encoded surrogates are not UTF-8 either.
    for (std::string bad : {"\xC3", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80"}) {
        error = ParseFailure("Windows Registry Editor Version 5.00\n[HKLM\\" + bad + "]\n");
        EXPECT_EQ(error.line, 2);
    }
    // A REGEDIT4 file in the system's 8-bit code page is read as Windows-1252.
    ASSERT_TRUE(ParseRegFile("REGEDIT4\n[HKLM\\A]\n\"v\"=\"\xE9\x80\"\n", ops, error)) << error.message;
    EXPECT_EQ(ops[1].value.data, StringData(u"é€"));
}
