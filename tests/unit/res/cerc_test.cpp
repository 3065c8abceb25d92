// The resource compiler on bad scripts: a failing exit status and a message
// naming the file and line, never a crash or a half-written output.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status = -1;
    std::string output;
};

class Cerc : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("cerc_test_" + std::to_string(::getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    void Write(const std::string& name, const std::string& text) {
        std::ofstream(dir_ / name, std::ios::binary) << text;
    }

    // Runs cerc with `args`.
    Outcome Run(const std::string& args) {
        Outcome r;
        FILE* p = popen((std::string(CERC_PATH) + args + " 2>&1").c_str(), "r");
        char buf[512];
        while (size_t n = fread(buf, 1, sizeof buf, p)) r.output.append(buf, n);
        int st = pclose(p);
        r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
        return r;
    }
    // Compiles `script` written to `input`; an empty script leaves `input` missing.
    Outcome Compile(const std::string& script, const std::string& input = "bad.rc") {
        if (!script.empty()) Write(input, script);
        return Run(" -o '" + (dir_ / "out.cpp").string() + "' '" + (dir_ / input).string() + "'");
    }

    // Fails with `what` reported at bad.rc:line (or another file's).
    void ExpectError(const std::string& script, const std::string& where, const std::string& what) {
        Outcome r = Compile(script);
        EXPECT_EQ(r.status, 1) << r.output;
        EXPECT_NE(r.output.find(where + ": error: "), std::string::npos) << r.output;
        EXPECT_NE(r.output.find(what), std::string::npos) << r.output;
        EXPECT_FALSE(fs::exists(dir_ / "out.cpp"));
    }

    fs::path dir_;
};

TEST_F(Cerc, GoodScriptCompiles) {
    Outcome r = Compile("#define IDS_A 7\nSTRINGTABLE\nBEGIN\n  IDS_A \"a\"\nEND\n");
    EXPECT_EQ(r.status, 0) << r.output;
    std::ifstream in(dir_ / "out.cpp");
    std::string text((std::istreambuf_iterator<char>(in)), {});
    EXPECT_NE(text.find("ce::res::ModuleRegistration"), std::string::npos);
}

TEST_F(Cerc, SyntaxErrorsNameTheLine) {
    ExpectError("1 DIALOG 0, 0, 10 10\nBEGIN\nEND\n", "bad.rc:1", "expected ','");
    ExpectError("\n\n1 MENU\nBEGIN\n  MENUITEM \"x\" 5\nEND\n", "bad.rc:5", "expected ','");
    ExpectError("1 DIALOG 0,0,1,1\nBEGIN\n  LTEXT \"a\", 1, 2, 3, 4, 5\n  BUTTONISH \"b\", 2\nEND\n", "bad.rc:4",
                "unknown control statement 'BUTTONISH'");
    ExpectError("1 WIDGET \"x\"\n", "bad.rc:1", "unknown resource type 'WIDGET'");
    ExpectError("STRINGTABLE\nBEGIN\n 1 \"open\n", "bad.rc:3", "unterminated string");
    ExpectError("1 DIALOG 0,0,1,1\nBEGIN\n", "bad.rc:2", "missing END");
    ExpectError("STRINGTABLE\nBEGIN\n 1 \"bad \\q\"\nEND\n", "bad.rc:3", "unknown escape");
    ExpectError("STRINGTABLE\nBEGIN\n\n 1 \"caf\xE9\"\nEND\n", "bad.rc:4", "not valid UTF-8");
}

TEST_F(Cerc, SymbolsAndDuplicates) {
    ExpectError("1 DIALOG 0,0,1,1\nBEGIN\n  EDITTEXT IDC_TYPO, 1, 2, 3, 4\nEND\n", "bad.rc:3",
                "undefined symbol 'IDC_TYPO'");
    ExpectError("STRINGTABLE\nBEGIN\n 1 \"a\"\n 1 \"b\"\nEND\n", "bad.rc:4", "duplicate string id 1");
    ExpectError("1 ACCELERATORS\nBEGIN\n \"ab\", 5\nEND\n", "bad.rc:3", "one character");
    ExpectError("1 MENU\nBEGIN\nEND\n1 MENU\nBEGIN\nEND\n", "bad.rc:4", "duplicate resource MENU 1");
    ExpectError("#define IDB_BIG 70000\nIDB_BIG BITMAP \"x.bmp\"\n", "bad.rc:2", "out of range");
}

TEST_F(Cerc, DialogInitLengthsAndEnd) {
    // A length that does not match the data would shift every later entry.
    ExpectError("1 DLGINIT\nBEGIN\n  5, 0x403, 2, 0, \"abc\"\n  0\nEND\n", "bad.rc:3",
                "has 3 bytes of data but its length says 2");
    ExpectError("1 DLGINIT\nBEGIN\n  5, 0x403, 4, 0, \"abc\"\nEND\n", "bad.rc:3",
                "has 3 bytes of data but its length says 4");
    ExpectError("1 DLGINIT\nBEGIN\n  5, 0x403, 2, 0, \"a\\000\"\nEND\n", "bad.rc:4", "must end with a 0");
    Outcome r = Compile("1 DLGINIT\nBEGIN\n  5, 0x403, 6, 0, \"\\101\\102\\0C\\x44\\000\"\n  0\nEND\n");
    EXPECT_EQ(r.status, 0) << r.output;
}

TEST_F(Cerc, PreprocessorAndFiles) {
    ExpectError("#include \"missing.h\"\n", "bad.rc:1", "cannot find include file \"missing.h\"");
    ExpectError("#if 0\n1 MENU\n", "bad.rc:1", "#if without #endif");
    ExpectError("#endif\n", "bad.rc:1", "#endif without #if");
    ExpectError("\n1 BITMAP \"nothere.bmp\"\n", "bad.rc:2", "cannot find file \"nothere.bmp\"");
    Write("fake.bmp", "not a bitmap at all, just text long enough to pass a size check.......");
    ExpectError("1 BITMAP \"fake.bmp\"\n", "bad.rc:1", "is not a bitmap file");
    Write("fake.ico", std::string("\0\0\1\0\5\0", 6));
    ExpectError("1 ICON \"fake.ico\"\n", "bad.rc:1", "not a valid icon file");
    // Errors inside a header name the header's line.
    Write("ids.h", "#define A 1\n#if\n");
    ExpectError("#include \"ids.h\"\n", "ids.h:2", "unsupported #if expression");
}

TEST_F(Cerc, UsageErrors) {
    EXPECT_EQ(Run("").status, 2);
    Outcome r = Compile("", "none.rc");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("none.rc"), std::string::npos) << r.output;
}

}  // namespace
