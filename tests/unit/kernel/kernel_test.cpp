// Text, device.conf, the device log, built-in modules and device dispatch.
#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <tuple>
#include <vector>

#include "ce_kernel.h"
#include "handle_table.h"
#include "jsontest.h"
#include "testimage.h"

namespace {

TEST(Text, Utf8RoundTripIncludingSurrogates) {
    std::u16string s = u"Grüße \xD83D\xDE00 \\ \"x\"";
    EXPECT_EQ(ce::FromUtf8(ce::ToUtf8(s)), s);
    EXPECT_EQ(ce::ToUtf8(u"\xD800"), "\xEF\xBF\xBD");  // lone surrogate
}

// Broken UTF-8 as MultiByteToWideChar(CP_UTF8, 0) reads it: nothing dropped,
// one U+FFFD for each maximal part that cannot be completed.
TEST(Text, BrokenUtf8BecomesReplacementCharacters) {
    constexpr char16_t R = u'\xFFFD';
    const struct {
        const char* what;
        std::string in;
        std::u16string out;
    } cases[] = {
        {"invalid lead, then ASCII", "\xC0\x41\x42", {R, u'A', u'B'}},
        {"overlong slash (2 bytes)", "\xC0\xAF", {R, R}},
        {"overlong dot (3 bytes)", "\xE0\x80\xAE", {R, R, R}},
        {"overlong (4 bytes)", "\xF0\x80\x80\xAF", {R, R, R, R}},
        {"encoded surrogate", "\xED\xA0\x80x", {R, R, R, u'x'}},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", {R, R, R, R}},
        {"bytes never used", "\xF5\xFF", {R, R}},
        {"stray continuations",
         "a\x80\xBF"
         "b",
         {u'a', R, R, u'b'}},
        {"truncated at the end", "a\xC3", {u'a', R}},
        {"truncated 4-byte at the end", "\xF0\x9F\x98", {R}},
        {"cut short by ASCII", "\xE2\x82(", {R, u'('}},
        {"cut short by a new lead", "\xE2\xC3\xA9", {R, u'\xE9'}},
        {"valid neighbours", "\xEF\xBF\xBD\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF", {R, 0xD83D, 0xDE00, 0xDBFF, 0xDFFF}},
    };
    for (const auto& c : cases) EXPECT_EQ(ce::FromUtf8(c.in), c.out) << c.what;
}

// A full table refuses with its error and recovers once a slot is freed; a
// freed handle stays dead after its slot is reused; handles carry the tag.
TEST(HandleTable, FullTableStaleHandlesAndTags) {
    struct Obj {};
    ce::HandleTable<Obj> table(2, ERROR_NOT_ENOUGH_MEMORY);
    std::vector<void*> handles;
    for (void* h; (h = table.Alloc(std::make_shared<Obj>())) != nullptr;) handles.push_back(h);
    EXPECT_EQ(handles.size(), 0xFFFFu);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    for (void* h : handles) ASSERT_EQ(reinterpret_cast<uintptr_t>(h) & 3, 2u);
    void* old = handles[100];
    EXPECT_NE(table.Free(old), nullptr);
    EXPECT_EQ(table.Free(old), nullptr);
    void* reused = table.Alloc(std::make_shared<Obj>());
    ASSERT_NE(reused, nullptr);
    EXPECT_NE(reused, old);
    EXPECT_EQ(table.Lookup(old), nullptr);
    EXPECT_NE(table.Lookup(reused), nullptr);
    EXPECT_EQ(table.Lookup(reinterpret_cast<void*>(reinterpret_cast<uintptr_t>(reused) & ~uintptr_t{3})), nullptr);
}

// (Names in either case, Latin-1 letters and lengths are the registry's and
// the file system's tests.)
TEST(Text, FoldingKeepsThePunctuationAroundTheLetters) {
    EXPECT_EQ(ce::Fold(u"[Z]_"), u"[z]_");
}

TEST(DeviceConf, TheFileOfANewImageSetsEveryKnownKeyToItsDefault) {
    auto conf = ce::DeviceConfig::Parse(ce::DefaultDeviceConf());
    EXPECT_TRUE(conf.Problems().empty());
    for (const ce::ConfKey& key : ce::ConfKeys()) {
        EXPECT_TRUE(conf.Has(key.name)) << key.name;
        EXPECT_EQ(conf.Get(key.name), key.value) << key.name;
        EXPECT_EQ(ce::DeviceConfig{}.Get(key.name), key.value) << key.name;  // unset: the default
    }
}

TEST(DeviceConf, UnknownKeysAndBrokenLinesAreReportedWithTheNearestKey) {
    auto conf = ce::DeviceConfig::Parse(
        "# ok\nEPl1 = absent\n\ntouch.calibration_timout = 5\nnonsense line\n = 3\nI2C0=absent\n");
    const std::vector<std::tuple<int, std::string, std::string_view>> expected = {
        {2, "EPl1", "EPI1"}, {4, "touch.calibration_timout", "touch.calibration_timeout"}, {5, "", ""}, {6, "", ""}};
    ASSERT_EQ(conf.Problems().size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const ce::ConfProblem& p = conf.Problems()[i];
        EXPECT_EQ(std::tie(p.line, p.key, p.nearest), expected[i]) << p.Message();
    }
    EXPECT_EQ(conf.Problems()[0].Message("img/device.conf"),
              "img/device.conf:2: unknown key \"EPl1\" (nearest known key: EPI1)");
    EXPECT_EQ(conf.Problems()[2].Message(), "device.conf:5: not a \"key = value\" line");
    EXPECT_FALSE(conf.Present("I2C0"));  // known keys around them still count
    EXPECT_TRUE(conf.Present("EPI1"));   // the mistyped one did not switch the driver off
}

TEST(DeviceLog, SequenceContinuesAcrossWritersAndAfterForeignLines) {
    ce::test::TestImage image;
    ce::LogDevice({{"dev", "A:"}});
    ce::LogDevice({{"dev", "B:"}, {"text", "a\"b\\c\n\x01"}});
    // Another process appends its own line.
    {
        std::string log = ce::test::ReadTextFile(image.dir() / "log" / "device.log");
        ce::test::WriteTextFile(image.dir() / "log" / "device.log", log + "{\"seq\":41,\"dev\":\"X:\"}\n");
    }
    std::vector<std::thread> writers;
    for (int i = 0; i < 4; ++i)
        writers.emplace_back([] {
            for (int k = 0; k < 5; ++k) ce::LogDevice({{"dev", "T:"}});
        });
    for (auto& t : writers) t.join();
    auto lines = ce::test::ParseLines(ce::test::ReadTextFile(image.dir() / "log" / "device.log"));
    ASSERT_EQ(lines.size(), 23u);
    EXPECT_EQ(lines[0], ce::test::Json::parse(R"({"seq":1,"dev":"A:"})"));
    EXPECT_EQ(lines[1], ce::test::Json::parse(R"({"seq":2,"dev":"B:","text":"a\"b\\c\n\u0001"})"));
    for (size_t i = 3; i < lines.size(); ++i) EXPECT_EQ(lines[i], ce::test::Json({{"seq", 39 + i}, {"dev", "T:"}}));
}

int WINAPI Answer() {
    return 42;
}

TEST(Modules, LoadLibraryFindsRegisteredExportsOnly) {
    ce::RegisterModule(u"testlib.dll", {{"Answer", &Answer}});
    SetLastError(0);
    EXPECT_EQ(LoadLibrary(u"missing.dll"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));

    HMODULE h = LoadLibrary(u"\\Windows\\TESTLIB.DLL");
    ASSERT_NE(h, nullptr);
    FARPROC p = GetProcAddress(h, u"Answer");
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p(), 42);
    EXPECT_EQ(GetProcAddress(h, "Answer"), p);
    EXPECT_EQ(GetProcAddress(h, u"answer"), nullptr);  // export names are exact
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
    EXPECT_TRUE(FreeLibrary(h));
    EXPECT_FALSE(FreeLibrary(h));
    EXPECT_EQ(GetProcAddress(h, u"Answer"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    ce::UnregisterAllModules();
    EXPECT_EQ(LoadLibrary(u"testlib.dll"), nullptr);
}

// A driver that echoes its input and reads through buffer references.
class EchoDriver : public ce::DeviceDriver {
public:
    DWORD IoControl(DWORD code, const BYTE* in, DWORD cbIn, BYTE* out, DWORD cbOut, DWORD* returned) override {
        if (code == 1) {
            DWORD n = std::min(cbIn, cbOut);
            std::copy(in, in + n, out);
            *returned = n;
            return ERROR_SUCCESS;
        }
        if (code == 2 && cbIn == 8) {  // {ref, count}: fill the referenced buffer
            DWORD ref, count;
            std::memcpy(&ref, in, 4);
            std::memcpy(&count, in + 4, 4);
            BYTE* p = ce::ResolveCallerBuffer32(ref, count);
            if (!p) return ERROR_INVALID_PARAMETER;
            std::fill(p, p + count, 0xAB);
            return ERROR_SUCCESS;
        }
        return ERROR_NOT_SUPPORTED;
    }
};

TEST(Devices, OpenDispatchAndLogEveryRequest) {
    ce::test::TestImage image;
    ce::RegisterDevice(u"ECH0:", [](DWORD&) { return std::make_shared<EchoDriver>(); });
    ce::RegisterDevice(u"BAD0:", [](DWORD& error) {
        error = ERROR_ACCESS_DENIED;
        return std::shared_ptr<ce::DeviceDriver>();
    });
    EXPECT_TRUE(ce::IsDeviceName(u"EPI1:"));
    EXPECT_FALSE(ce::IsDeviceName(u"EPI1"));
    EXPECT_FALSE(ce::IsDeviceName(u"\\EPI1:"));

    EXPECT_EQ(ce::OpenDevice(u"NON1:"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DEV_NOT_EXIST));
    EXPECT_EQ(ce::OpenDevice(u"BAD0:"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));

    HANDLE h = ce::OpenDevice(u"ech0:");
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    BYTE in[3] = {1, 2, 3}, out[4] = {9, 9, 9, 9};
    DWORD got = 0;
    EXPECT_TRUE(DeviceIoControl(h, 1, in, 3, out, 4, &got, nullptr));
    EXPECT_EQ(got, 3u);
    EXPECT_FALSE(DeviceIoControl(h, 5, nullptr, 0, nullptr, 0, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
    EXPECT_FALSE(DeviceIoControl(h, 1, nullptr, 4, nullptr, 0, nullptr, nullptr));  // length without buffer
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    CloseHandle(h);
    EXPECT_FALSE(DeviceIoControl(h, 1, in, 3, out, 4, &got, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));

    auto lines = ce::test::ParseLines(ce::test::ReadTextFile(image.dir() / "log" / "device.log"));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], ce::test::Json::parse(R"({"seq":1,"dev":"NON1:","open":"failed","error":55})"));
    EXPECT_EQ(lines[2],
              ce::test::Json::parse(R"({"seq":3,"dev":"ech0:","ioctl":"0x1","in":"010203","out":"01020309"})"));
    EXPECT_EQ(lines[3], ce::test::Json::parse(R"({"seq":4,"dev":"ech0:","ioctl":"0x5","in":"","out":"","error":50})"));
    ce::UnregisterAllDevices();
}

TEST(Devices, BufferReferencesAreCheckedAndLastOneRequest) {
    ce::test::TestImage image;
    ce::RegisterDevice(u"ECH0:", [](DWORD&) { return std::make_shared<EchoDriver>(); });
    HANDLE h = ce::OpenDevice(u"ECH0:");
    BYTE buf[4] = {};
    auto request = [&](DWORD ref, DWORD count) {
        BYTE rec[8];
        std::memcpy(rec, &ref, 4);
        std::memcpy(rec + 4, &count, 4);
        return DeviceIoControl(h, 2, rec, 8, nullptr, 0, nullptr, nullptr);
    };
    DWORD ref = MapCallerBuffer32(buf, 4);
    EXPECT_NE(ref, 0u);
    EXPECT_TRUE(request(ref, 4));
    EXPECT_EQ(buf[3], 0xAB);
    // The reference died with the request that used it.
    EXPECT_FALSE(request(ref, 1));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    // (Forged, null and too short references are refused by the I2C driver's test.)
    EXPECT_EQ(MapCallerBuffer32(nullptr, 4), 0u);
    // References are per thread.
    DWORD mine = MapCallerBuffer32(buf, 4);
    bool otherThreadOk = true;
    std::thread([&] { otherThreadOk = ce::ResolveCallerBuffer32(mine, 1) != nullptr; }).join();
    EXPECT_FALSE(otherThreadOk);
    CloseHandle(h);
    ce::UnregisterAllDevices();
}

}  // namespace
