// The wide C runtime helpers: WCHAR overloads beside the host's wchar_t ones,
// the device's printf/scanf dialect and its 32-bit `long`.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>

#include "windows.h"

namespace {

std::u16string S(const WCHAR* s) {
    return s;
}

// Both families coexist and a u"" literal picks the device version.
static_assert(std::is_same_v<decltype(towlower(u'A')), WCHAR>);
static_assert(std::is_same_v<decltype(wcschr(static_cast<const WCHAR*>(u"a"), u'a')), const WCHAR*>);

TEST(CrtStrings, OverloadsForWcharAndHostWideStringsCoexist) {
    WCHAR buf[8];
    EXPECT_EQ(wcslen(u"abc"), 3u);
    EXPECT_EQ(wcslen(L"abcd"), 4u);  // the host's wchar_t function is still there
    EXPECT_EQ(swprintf(buf, u"%d", 42), 2);
    EXPECT_EQ(S(buf), u"42");
    wchar_t host[8];
    EXPECT_EQ(swprintf(host, 8, L"%d", 7), 1);
}

TEST(CrtStrings, BoundedCopyAndConcatenation) {
    WCHAR buf[8];
    std::fill(std::begin(buf), std::end(buf), u'#');
    wcsncpy(buf, u"ab", 5);  // pads with NULs up to n, leaves the rest
    EXPECT_EQ(std::u16string(buf, 6), std::u16string(u"ab\0\0\0#", 6));
    wcsncpy(buf, u"abcdef", 3);  // no terminator when the source is longer
    EXPECT_EQ(std::u16string(buf, 4), std::u16string(u"abc\0", 4));

    WCHAR cat[8] = u"ab";
    wcsncat(cat, u"cdefgh", 3);  // appends at most n and terminates
    EXPECT_EQ(S(cat), u"abcde");
    wcscat(cat, u"X");
    EXPECT_EQ(S(cat), u"abcdeX");
    EXPECT_EQ(S(lstrcpyn(buf, u"abcdef", 4)), u"abc");
    EXPECT_EQ(lstrlen(nullptr), 0);
}

TEST(CrtStrings, ComparisonsAreUnsignedAndCaseFoldingCoversLatin1) {
    EXPECT_GT(wcscmp(u"\xFFFF", u"a"), 0);  // no sign trouble with high units
    EXPECT_LT(wcscmp(u"ab", u"abc"), 0);
    EXPECT_EQ(wcsncmp(u"abcX", u"abcY", 3), 0);
    EXPECT_EQ(_wcsicmp(u"\xC4pfel", u"\xE4PFEL"), 0);  // Ä / ä
    EXPECT_EQ(_wcsicmp(u"\x0178", u"\x00FF"), 0);      // Ÿ / ÿ
    EXPECT_LT(_wcsicmp(u"a", u"B"), 0);                // compared as lower case
    EXPECT_LT(_wcsicmp(u"_", u"A"), 0);                // as lower case: '_' < 'a' (though > 'A')
    EXPECT_EQ(_wcsnicmp(u"HKEY_x", u"hkey_y", 5), 0);
    EXPECT_EQ(lstrcmpi(u"Windows", u"WINDOWS"), 0);
    EXPECT_EQ(lstrcmp(u"b", u"a"), 1);
}

TEST(CrtStrings, Searching) {
    const WCHAR* s = u"\\Windows\\info.civ";
    EXPECT_EQ(wcschr(s, u'\\'), s);
    EXPECT_EQ(wcsrchr(s, u'\\'), s + 8);
    EXPECT_EQ(wcschr(s, 0), s + wcslen(s));  // the terminator is part of the string
    EXPECT_EQ(wcschr(s, u'z'), nullptr);
    EXPECT_EQ(wcsstr(s, u"info"), s + 9);
    EXPECT_EQ(wcsstr(s, u""), s);
    EXPECT_EQ(wcsstr(s, u"civx"), nullptr);
    WCHAR buf[] = u"a,b";
    *wcschr(buf, u',') = 0;  // the non-const overload gives a writable pointer
    EXPECT_EQ(S(buf), u"a");
    EXPECT_EQ(wcscspn(u"abc,d", u",;"), 3u);
    EXPECT_EQ(wcsspn(u"  x", u" "), 2u);
}

TEST(CrtCharacters, CaseMappingRoundTripsAndSpaces) {
    for (WCHAR c : {u'A', u'Z', u'\xC0', u'\xDE', u'\x100', u'\x139', u'\x17D', u'\x391', u'\x410', u'\x401'}) {
        EXPECT_NE(towlower(c), c) << int(c);
        EXPECT_EQ(towupper(towlower(c)), c) << int(c);
    }
    EXPECT_EQ(towlower(u'\xD7'), u'\xD7');  // × has no case
    EXPECT_EQ(towupper(u'\xDF'), u'\xDF');  // ß has no single upper case
    EXPECT_TRUE(iswspace(u'\t'));
    EXPECT_TRUE(iswspace(u'\x3000'));
    EXPECT_FALSE(iswspace(u'x'));
    WCHAR word[] = u"MiXed\xC9";
    EXPECT_EQ(S(_wcslwr(word)), u"mixed\xE9");
}

TEST(CrtNumbers, ParsingFollowsThe32BitLongOfTheDevice) {
    WCHAR* end = nullptr;
    const WCHAR* text = u"  -123abc";
    EXPECT_EQ(wcstol(text, &end, 10), -123);
    EXPECT_EQ(end, text + 6);
    EXPECT_EQ(wcstol(u"0x1F", nullptr, 0), 31);
    EXPECT_EQ(wcstol(u"0x1F", nullptr, 16), 31);
    EXPECT_EQ(wcstol(u"017", nullptr, 0), 15);
    const WCHAR* none = u"  xyz";
    EXPECT_EQ(wcstol(none, &end, 10), 0);
    EXPECT_EQ(end, none);  // no digits: nothing consumed

    errno = 0;
    EXPECT_EQ(wcstol(u"-2147483648", nullptr, 10), -2147483648L);
    EXPECT_EQ(errno, 0);
    EXPECT_EQ(wcstol(u"2147483648", nullptr, 10), 2147483647L);
    EXPECT_EQ(errno, ERANGE);
    errno = 0;
    EXPECT_EQ(wcstoul(u"4294967295", nullptr, 10), 4294967295UL);
    EXPECT_EQ(errno, 0);
    EXPECT_EQ(wcstoul(u"99999999999", nullptr, 10), 4294967295UL);
    EXPECT_EQ(errno, ERANGE);
    EXPECT_EQ(wcstoul(u"-1", nullptr, 10), 4294967295UL);
    EXPECT_EQ(wcstol(u"12", nullptr, 1), 0);  // invalid base

    EXPECT_EQ(_wtol(u" 42x"), 42);
    EXPECT_EQ(_wtoi(u"-7"), -7);
    EXPECT_EQ(_wtoi(nullptr), 0);
    WCHAR buf[40];
    EXPECT_EQ(S(_itow(-255, buf, 10)), u"-255");
    EXPECT_EQ(S(_itow(-1, buf, 16)), u"ffffffff");
    EXPECT_EQ(S(_ultow(255, buf, 2)), u"11111111");
}

std::u16string Fmt(const WCHAR* fmt, ...) {
    WCHAR buf[256];
    va_list ap;
    va_start(ap, fmt);
    int n = vswprintf(buf, fmt, ap);
    va_end(ap);
    EXPECT_EQ(n, static_cast<int>(wcslen(buf)));
    return buf;
}

TEST(CrtFormat, Integers) {
    EXPECT_EQ(Fmt(u"[%d|%5d|%-5d|%05d|%+d|% d]", -3, 42, 42, -42, 7, 7), u"[-3|   42|42   |-0042|+7| 7]");
    EXPECT_EQ(Fmt(u"%x %X %#x %#X %08X %o %#o", 255u, 255u, 255u, 0u, 0xBEEFu, 8u, 8u),
              u"ff FF 0xff 0 0000BEEF 10 010");
    EXPECT_EQ(Fmt(u"%u", -1), u"4294967295");
    EXPECT_EQ(Fmt(u"%.5d|%.0d|%8.3d|%-+6d|", 42, 0, -7, 5), u"00042||    -007|+5    |");
    EXPECT_EQ(Fmt(u"%hd %hu %hhx", 70000, 70000, 0x1FF), u"4464 4464 ff");
    // `l` is 32 bits as on the device; ll and I64 are 64 bits.
    EXPECT_EQ(Fmt(u"%ld %lu %lX", LONG(-5), DWORD(0xFFFFFFFF), DWORD(0xABCD)), u"-5 4294967295 ABCD");
    EXPECT_EQ(Fmt(u"%lld %I64u %llx", -9000000000LL, 18446744073709551615ULL, 0x123456789ULL),
              u"-9000000000 18446744073709551615 123456789");
    EXPECT_EQ(Fmt(u"%*d|%-*d|%.*d", 4, 1, 4, 2, 3, 3), u"   1|2   |003");
    EXPECT_EQ(Fmt(u"%*d|", -4, 1), u"1   |");  // a negative width means left-aligned
}

TEST(CrtFormat, TextCharactersAndOthers) {
    EXPECT_EQ(Fmt(u"%s|%S|%hs|%ls|%ws", u"wide", "narrow", "h", u"l", u"w"), u"wide|narrow|h|l|w");
    EXPECT_EQ(Fmt(u"[%6s][%-6s][%.2s][%.*s]", u"ab", u"ab", u"abcdef", 3, u"abcdef"), u"[    ab][ab    ][ab][abc]");
    EXPECT_EQ(Fmt(u"%c%C%c", u'\x263A', 'n', u'x'),
              u"\x263An"
              u"x");
    EXPECT_EQ(Fmt(u"%s %S", static_cast<const WCHAR*>(nullptr), static_cast<const char*>(nullptr)), u"(null) (null)");
    EXPECT_EQ(Fmt(u"%S", "gr\xC3\xBC\xC3\x9F"), u"gr\xFC\xDF");  // narrow text is UTF-8
    EXPECT_EQ(Fmt(u"100%% %.2f %e", 2.345, 1e10), u"100% 2.35 1.000000e+10");
    EXPECT_EQ(Fmt(u"%p", reinterpret_cast<void*>(0xABC)), u"00000ABC");
    // Unknown conversions and %n stay as text and take no argument.
    EXPECT_EQ(Fmt(u"%n%k%d%", 5), u"%n%k5%");
    // A precision reads no further than it needs (no terminator required).
    const WCHAR raw[3] = {u'x', u'y', u'z'};
    EXPECT_EQ(Fmt(u"%.3s", raw), u"xyz");
}

TEST(CrtFormat, BoundedFormsReportTruncationTheDeviceWay) {
    WCHAR buf[8];
    auto fresh = [&] {
        std::fill(std::begin(buf), std::end(buf), u'#');
        return buf;
    };
    EXPECT_EQ(_snwprintf(fresh(), 6, u"%d", 123), 3);
    EXPECT_EQ(S(buf), u"123");
    EXPECT_EQ(_snwprintf(fresh(), 3, u"%d", 123), 3);  // exactly full: no terminator
    EXPECT_EQ(std::u16string(buf, 4), u"123#");
    EXPECT_EQ(_snwprintf(fresh(), 3, u"%s", u"abcdef"), -1);  // too long
    EXPECT_EQ(std::u16string(buf, 4), u"abc#");               // nothing written past count
    EXPECT_EQ(_snwprintf(nullptr, 0, u"x"), -1);

    std::u16string big(2000, u'x');
    std::u16string out(2000, u'#');
    EXPECT_EQ(wsprintf(out.data(), u"%s", big.c_str()), 1023);
    EXPECT_EQ(out[1023], 0);
    EXPECT_EQ(out[1024], u'#');
    EXPECT_EQ(wsprintf(out.data(), u"%d-%s", 5, u"a"), 3);
}

TEST(CrtScan, NumbersWidthsAndMacAddresses) {
    int d = 0;
    unsigned u = 0, x = 0;
    EXPECT_EQ(swscanf(u" -12 34 ff", u"%d %u %x", &d, &u, &x), 3);
    EXPECT_EQ(std::tuple(d, u, x), std::tuple(-12, 34u, 0xFFu));

    unsigned mac[6] = {};
    EXPECT_EQ(swscanf(u"00-50-C2-12-34-5a", u"%02X-%02X-%02X-%02X-%02X-%02X", &mac[0], &mac[1], &mac[2], &mac[3],
                      &mac[4], &mac[5]),
              6);
    EXPECT_EQ(std::pair(mac[2], mac[5]), std::pair(0xC2u, 0x5Au));
    unsigned a = 0, b = 0;
    EXPECT_EQ(swscanf(u"0A1B", u"%02X%02X", &a, &b), 2);  // widths split adjacent fields
    EXPECT_EQ(std::pair(a, b), std::pair(0x0Au, 0x1Bu));
    EXPECT_EQ(swscanf(u"0x10", u"%x", &a), 1);
    EXPECT_EQ(a, 16u);
}

TEST(CrtScan, LongIsStoredAs32BitsAndLengthsNarrowTheStore) {
    struct {
        LONG value;
        LONG guard;
    } v = {0, 0x5A5A5A5A};
    EXPECT_EQ(swscanf(u"-77", u"%ld", &v.value), 1);
    EXPECT_EQ(v.value, -77);
    EXPECT_EQ(v.guard, 0x5A5A5A5A);  // nothing written past the 32-bit field
    DWORD lu = 0;
    EXPECT_EQ(swscanf(u"4000000000", u"%lu", &lu), 1);
    EXPECT_EQ(lu, 4000000000u);
    short h[2] = {0, 0x1234};
    EXPECT_EQ(swscanf(u"-2", u"%hd", &h[0]), 1);
    EXPECT_EQ(std::pair(h[0], h[1]), std::pair(short{-2}, short{0x1234}));
    long long ll = 0;
    EXPECT_EQ(swscanf(u"-9000000000", u"%lld", &ll), 1);
    EXPECT_EQ(ll, -9000000000LL);
}

TEST(CrtScan, StringsCharactersAndFailures) {
    WCHAR word[16], rest[16];
    char narrow[16];
    WCHAR c[2] = {};
    EXPECT_EQ(swscanf(u"  key  value!", u"%s %c", word, &c[0]), 2);
    EXPECT_EQ(std::pair(S(word), c[0]), std::pair(std::u16string(u"key"), u'v'));
    EXPECT_EQ(swscanf(u"abc def", u"%2s%S", word, narrow), 2);
    EXPECT_EQ(S(word), u"ab");
    EXPECT_STREQ(narrow, "c");
    EXPECT_EQ(swscanf(u"name,rest", u"%[^,],%s", word, rest), 2);
    EXPECT_EQ(std::pair(S(word), S(rest)), std::pair(std::u16string(u"name"), std::u16string(u"rest")));

    int n1 = -1, n2 = -1;
    EXPECT_EQ(swscanf(u"", u"%d", &n1), EOF);
    EXPECT_EQ(swscanf(u"   ", u"%d", &n1), EOF);
    EXPECT_EQ(swscanf(u"x1", u"%d", &n1), 0);  // matching failure: nothing stored
    EXPECT_EQ(n1, -1);
    EXPECT_EQ(swscanf(u"5 x", u"%d %d", &n1, &n2), 1);
    EXPECT_EQ(n2, -1);
    EXPECT_EQ(swscanf(u"7 8", u"%*d %d", &n2), 1);  // suppressed fields are not counted
    EXPECT_EQ(n2, 8);
    EXPECT_EQ(swscanf(u"v=3", u"v=%d", &n1), 1);
    EXPECT_EQ(swscanf(u"w=3", u"v=%d", &n1), 0);
}

}  // namespace
