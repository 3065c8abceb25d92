// The cereg executable on fresh device images: exit statuses, messages,
// export of the factory registry and exact round trips through import.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "testimage.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using ce::test::ReadTextFile;
using ce::test::WriteTextFile;

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

class CeregE2E : public ::testing::Test {
protected:
    void SetUp() override {
        work_ = ce::test::MakeTempDir("cereg-e2e-");
        Init(Device());
    }
    void Init(const fs::path& device) {
        Result r = Run(device, {"init"});
        ASSERT_EQ(r.status, 0) << r.err;
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(work_, ec);
    }

    fs::path Device(const std::string& name = "device") const { return work_ / name; }

    // Runs cereg on an image; stdout and stderr go to files so that large
    // outputs cannot block the child.
    Result Run(const fs::path& device, std::vector<std::string> args, const std::string& input = "") {
        args.insert(args.begin(), {CEREG_EXE, "--device", device.string()});
        fs::path in = work_ / "stdin", out = work_ / "stdout", err = work_ / "stderr";
        WriteTextFile(in, input);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        pid_t pid = 0;
        Result r;
        int rc = posix_spawn(&pid, CEREG_EXE, &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (rc != 0) {
            ADD_FAILURE() << "cannot start " << CEREG_EXE;
            return r;
        }
        int wstatus = 0;
        waitpid(pid, &wstatus, 0);
        r.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
        r.out = ReadTextFile(out);
        r.err = ReadTextFile(err);
        return r;
    }

    Result Run(std::vector<std::string> args, const std::string& input = "") {
        return Run(Device(), std::move(args), input);
    }

    std::string Ok(std::vector<std::string> args, const fs::path& device) {
        Result r = Run(device, args);
        EXPECT_EQ(r.status, 0) << args[0] << ": " << r.err;
        EXPECT_EQ(r.err, "");
        return r.out;
    }
    std::string Ok(std::vector<std::string> args) { return Ok(std::move(args), Device()); }

    // Expects a failure with exactly one "cereg: ..." line on stderr that
    // contains `words`, and nothing on stdout.
    void Fails(int status, std::vector<std::string> args, const std::string& words) {
        Result r = Run(args);
        std::string what = args.empty() ? "" : args[0];
        EXPECT_EQ(r.status, status) << what << ": " << r.err;
        EXPECT_EQ(r.out, "") << what;
        EXPECT_EQ(r.err.rfind("cereg: ", 0), 0u) << r.err;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
        EXPECT_NE(r.err.find(words), std::string::npos) << r.err;
    }

    fs::path File(const std::string& name, const std::string& bytes) {
        WriteTextFile(work_ / name, bytes);
        return work_ / name;
    }

    fs::path work_;
};

const std::string kHeader = "Windows Registry Editor Version 5.00\n\n";

TEST_F(CeregE2E, OnlyInitCreatesAnImageAndADamagedOneIsRefused) {
    const fs::path fresh = Device("fresh");
    Result r = Run(fresh, {"get", "HKLM"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("there is no device image " + fresh.string() + "; cereg --device"), std::string::npos)
        << r.err;
    EXPECT_FALSE(fs::exists(fresh));
    fs::create_directories(fresh);
    Fails(2, {"--device", fresh.string(), "export"}, "is not a device image (it has no registry.db)");
    EXPECT_TRUE(fs::is_empty(fresh));
    r = Run(fresh, {"init"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.err.find("created a new device image"), std::string::npos) << r.err;
    Fails(2, {"--device", fresh.string(), "init"}, "a device image already exists in " + fresh.string());
    fs::resize_file(fresh / "registry.db", 0);
    Fails(2, {"--device", fresh.string(), "get", "HKLM"}, "registry.db is damaged: it holds no registry");
    EXPECT_EQ(fs::file_size(fresh / "registry.db"), 0u);
}

TEST_F(CeregE2E, ExportOfAFreshImageHoldsTheFactoryRegistryAndImportsBackExactly) {
    std::string text = Ok({"export"});
    EXPECT_EQ(text.rfind(kHeader, 0), 0u);
    EXPECT_NE(text.find("\n[HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn\\ExtPartInit]\n"), std::string::npos);
    for (const char* root :
         {"[HKEY_CLASSES_ROOT]\n", "[HKEY_CURRENT_USER]\n", "[HKEY_LOCAL_MACHINE]\n", "[HKEY_USERS]\n"})
        EXPECT_NE(text.find(root), std::string::npos) << root;
    // Each key block ends with a blank line; no carriage returns in UTF-8 output.
    EXPECT_EQ(text.substr(text.size() - 2), "\n\n");
    EXPECT_EQ(text.find('\r'), std::string::npos);

    // A sub-tree, addressed with a short root in another case.
    std::string sub = Ok({"export", "hklm\\drivers\\builtin"});
    EXPECT_EQ(sub.rfind(kHeader + "[HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn]\n", 0), 0u) << sub.substr(0, 200);
    EXPECT_NE(sub.find("[HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn\\ExtPartInit]"), std::string::npos);
    EXPECT_EQ(sub.find("[HKEY_CURRENT_USER"), std::string::npos);

    // UTF-16: a byte-order mark and CRLF line ends.
    std::string wide = Ok({"export", "--utf16", "HKLM\\Drivers\\BuiltIn"});
    EXPECT_EQ(wide.rfind(std::string("\xFF\xFEW\0i\0", 6), 0), 0u);
    EXPECT_NE(wide.find(std::string("]\0\r\0\n\0\r\0\n\0", 10)), std::string::npos);

    // The whole registry, factory content included, survives a round trip.
    Init(Device("copyAll"));
    Ok({"import", File("all.reg", text).string()}, Device("copyAll"));
    EXPECT_EQ(Ok({"export"}, Device("copyAll")), text);
}

// What set stores, get prints it as; the key then survives a round trip
// through export and import in either encoding.
TEST_F(CeregE2E, SetAndGetEveryTypeAndTheKeyRoundTripsThroughExportAndImport) {
    const std::string k = "HKLM\\Software\\Cereg\\Deep";  // set creates the whole path
    std::string blob, blobList;
    for (int i = 0; i < 100; ++i) {
        const char* hex = "0123456789abcdef";
        blob += {hex[i % 16], hex[15 - i % 16]};
        blobList += (i ? "," : "") + blob.substr(blob.size() - 2);
    }
    struct Case {
        const char* name;
        const char* type;
        std::vector<std::string> data;
        std::string shown;
    } cases[] = {
        {"Text", "sz", {"C:\\Windows \"x\" Grüße"}, "C:\\Windows \"x\" Grüße"},
        {"Path", "expand_sz", {"%WINDIR%\\x"}, "%WINDIR%\\x"},
        {"List", "multi_sz", {"one", "two words", "三"}, "one\ntwo words\n三"},
        {"Dec", "dword", {"4294967295"}, "4294967295"},
        {"Hex", "DWORD", {"0x12c"}, "300"},
        {"Bin", "binary", {"01,02,ff"}, "01,02,ff"},
        {"Packed", "binary", {"0102FF"}, "01,02,ff"},
        {"Blob", "binary", {blob}, blobList},
        {"Empty", "binary", {""}, ""},
        {"Q", "hex(b)", {"0100000000000000"}, "01,00,00,00,00,00,00,00"},
        {"Custom", "hex(abcdef)", {"ff"}, "ff"},
        {"", "sz", {"the default"}, "the default"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"set", k, c.name, c.type};
        args.insert(args.end(), c.data.begin(), c.data.end());
        Ok(args);
    }
    for (const Case& c : cases) EXPECT_EQ(Ok({"get", k, c.name}), c.shown + "\n") << c.name;
    EXPECT_EQ(Ok({"get", k, "path"}), "%WINDIR%\\x\n");  // value names are case-insensitive
    // Setting again replaces the type and data.
    Ok({"set", k, "Text", "dword", "7"});
    EXPECT_EQ(Ok({"get", k, "Text"}), "7\n");

    // The key alone: its block, then its sub-keys as comments.
    Ok({"set", k + "\\Child", "x", "sz", "line1\nline2"});
    std::string block = Ok({"get", "HKEY_LOCAL_MACHINE\\SOFTWARE\\cereg\\deep"});
    EXPECT_EQ(block.rfind("[HKEY_LOCAL_MACHINE\\Software\\Cereg\\Deep]\n", 0), 0u) << block;
    EXPECT_NE(block.find("\n\"List\"=hex(7):6f,00,6e,00,65,00,00,00,74,00"), std::string::npos) << block;
    EXPECT_NE(block.find("\n\"Hex\"=dword:0000012c\n"), std::string::npos) << block;
    EXPECT_NE(block.find("\n@=\"the default\"\n"), std::string::npos) << block;
    EXPECT_NE(block.find("\n\"Text\"=dword:00000007\n"), std::string::npos) << block;
    EXPECT_EQ(block.substr(block.size() - 17), "; sub-key: Child\n") << block;

    for (bool utf16 : {false, true}) {
        std::vector<std::string> exportArgs = {"export", k};
        if (utf16) exportArgs.insert(exportArgs.begin() + 1, "--utf16");
        std::string first = Ok(exportArgs);
        fs::path other = Device(utf16 ? "copy16" : "copy8");
        Init(other);
        Ok({"import", File(utf16 ? "rt16.reg" : "rt8.reg", first).string()}, other);
        EXPECT_EQ(Ok(exportArgs, other), first);
        EXPECT_EQ(Ok({"get", k, "Blob"}, other), blobList + "\n");
    }
}

TEST_F(CeregE2E, FailuresExitWithOneOrTwoSayWhyAndChangeNothing) {
    Ok({"set", "HKLM\\Cereg", "v", "dword", "5"});
    const std::string v = "HKLM\\Cereg";
    struct Case {
        int status;
        std::vector<std::string> args;
        std::string words;
    } cases[] = {
        {1, {"get", "HKLM\\Cereg\\Nope"}, "key not found: HKEY_LOCAL_MACHINE\\Cereg\\Nope"},
        {1, {"get", v, "nope"}, "value not found"},
        {1, {"export", "HKCU\\Nope"}, "key not found"},
        {1, {"delete", "HKLM\\Cereg\\Nope"}, "key not found"},
        {1, {"delete", v, "nope"}, "value not found"},
        {2, {}, "missing command"},
        {2, {"frobnicate"}, "unknown command"},
        {2, {"get", "HKXX\\a"}, "unknown root key"},
        {2, {"get"}, "get takes"},
        {2, {"--bogus", "export"}, "unknown option --bogus"},
        {2, {"get", v, "v", "--utf16"}, "--utf16 applies to export only"},
        {2, {"set", v, "v", "dword"}, "set takes"},
        {2, {"set", v, "v", "dword", "4294967296"}, "bad dword"},
        {2, {"set", v, "v", "dword", "-1"}, "bad dword"},
        {2, {"set", v, "v", "dword", "12abc"}, "bad dword"},
        {2, {"set", v, "v", "dword", "0x"}, "bad dword"},
        {2, {"set", v, "v", "dword", "1", "2"}, "exactly one DATA"},
        {2, {"set", v, "v", "binary", "0g"}, "bad hex bytes"},
        {2, {"set", v, "v", "hex(xyz)", "01"}, "bad type"},
        {2, {"set", v, "v", "qword", "1"}, "unknown type"},
        {2, {"set", v, "v", "multi_sz", "a", ""}, "cannot be empty"},
        {2, {"delete", "HKLM"}, "refusing to delete the whole root key HKEY_LOCAL_MACHINE"},
        {2, {"import", (work_ / "missing.reg").string()}, "cannot read"},
        {2, {"import", work_.string()}, "is a folder"},
    };
    for (const Case& c : cases) Fails(c.status, c.args, c.words);
    EXPECT_EQ(Ok({"get", v, "v"}), "5\n");
    // "--" lets data start with dashes.
    Ok({"set", v, "v", "sz", "--", "--x"});
    EXPECT_EQ(Ok({"get", v, "v"}), "--x\n");
    // Help goes to stdout with status 0.
    Result help = Run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("usage: cereg"), std::string::npos);
}

TEST_F(CeregE2E, DeleteRemovesKeysWithTheirSubKeysAndSingleValues) {
    Ok({"set", "HKLM\\Cereg\\A\\B\\C", "v", "sz", "x"});
    Ok({"set", "HKLM\\Cereg\\A", "keep", "sz", "y"});
    Ok({"set", "HKLM\\Cereg\\A", "drop", "sz", "z"});
    Ok({"delete", "HKLM\\Cereg\\A", "DROP"});
    Fails(1, {"get", "HKLM\\Cereg\\A", "drop"}, "value not found");
    EXPECT_EQ(Ok({"get", "HKLM\\Cereg\\A", "keep"}), "y\n");
    Ok({"delete", "hklm\\cereg\\a"});
    Fails(1, {"get", "HKLM\\Cereg\\A\\B\\C"}, "key not found");
    Fails(1, {"get", "HKLM\\Cereg\\A"}, "key not found");
    EXPECT_EQ(Ok({"get", "HKLM\\Cereg"}), "[HKEY_LOCAL_MACHINE\\Cereg]\n");
}

TEST_F(CeregE2E, ImportAppliesDeletionsFromAFileOrStandardInput) {
    Ok({"set", "HKLM\\Cereg\\Old\\Sub", "v", "sz", "x"});
    Ok({"set", "HKLM\\Cereg\\Keep", "gone", "sz", "x"});
    Ok({"set", "HKLM\\Cereg\\Keep", "stays", "sz", "x"});
    std::string file =
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "; comments and CRLF line ends\r\n"
        "[-HKEY_LOCAL_MACHINE\\Cereg\\Old]\r\n"
        "[-HKLM\\Cereg\\NeverWas]\r\n"
        "[HKLM\\Cereg\\Keep]\r\n"
        "\"gone\"=-\r\n"
        "\"alsoNeverWas\"=-\r\n"
        "\"bin\"=hex:01,02,\\\r\n"
        "  03\r\n"
        "[HKLM\\Cereg\\New]\r\n";
    Ok({"import", File("a.reg", file).string()});
    Fails(1, {"get", "HKLM\\Cereg\\Old"}, "key not found");
    Fails(1, {"get", "HKLM\\Cereg\\Keep", "gone"}, "value not found");
    EXPECT_EQ(Ok({"get", "HKLM\\Cereg\\Keep", "stays"}), "x\n");
    EXPECT_EQ(Ok({"get", "HKLM\\Cereg\\Keep", "bin"}), "01,02,03\n");
    EXPECT_EQ(Ok({"get", "HKLM\\Cereg\\New"}), "[HKEY_LOCAL_MACHINE\\Cereg\\New]\n");

    // From standard input (the encodings are the parser's own tests).
    Result r = Run({"import", "-"}, kHeader + "[HKLM\\Cereg\\In]\n\"s\"=\"Grüße\"\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Ok({"get", "HKLM\\Cereg\\In", "s"}), "Grüße\n");
}

TEST_F(CeregE2E, MalformedImportNamesTheLineAndAppliesNothing) {
    Ok({"set", "HKLM\\Cereg", "v", "sz", "before"});
    std::string file = kHeader +
                       "[HKLM\\Cereg]\n"
                       "\"v\"=\"after\"\n"
                       "[-HKLM\\Cereg]\n"
                       "[HKLM\\Cereg\\X]\n"
                       "\"n\"=dword:xyz\n";
    fs::path path = File("bad.reg", file);
    Fails(2, {"import", path.string()}, path.string() + ":7: dword:");
    EXPECT_EQ(Ok({"get", "HKLM\\Cereg", "v"}), "before\n");
}

}  // namespace
