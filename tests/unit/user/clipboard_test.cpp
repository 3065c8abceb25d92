// The clipboard: text in and out through LocalAlloc blocks, the rules of
// opening it, bad handles refused, and the host's text shared with it.
#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "ce_user.h"
#include "lasterror.h"

namespace {

HLOCAL TextBlock(std::u16string_view s) {
    HLOCAL h = LocalAlloc(LMEM_MOVEABLE, static_cast<UINT>((s.size() + 1) * 2));
    auto* p = static_cast<WCHAR*>(LocalLock(h));
    std::copy(s.begin(), s.end(), p);
    p[s.size()] = 0;
    LocalUnlock(h);
    return h;
}

std::u16string ReadText() {
    EXPECT_TRUE(OpenClipboard(nullptr));
    HANDLE h = GetClipboardData(CF_UNICODETEXT);
    std::u16string s = h ? static_cast<const WCHAR*>(LocalLock(h)) : u"<none>";
    EXPECT_TRUE(CloseClipboard());
    return s;
}

TEST(Clipboard, TextGoesInAndComesOutAndTheHostSeesIt) {
    const uint64_t before = ce::user::DeviceClipboard().changes;
    ASSERT_TRUE(OpenClipboard(nullptr));
    ASSERT_TRUE(EmptyClipboard());
    HLOCAL block = TextBlock(u"HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn");
    EXPECT_EQ(SetClipboardData(CF_UNICODETEXT, block), block);
    EXPECT_EQ(ce::user::DeviceClipboard().changes, before);  // seen when closed
    ASSERT_TRUE(CloseClipboard());
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_UNICODETEXT));
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));
    EXPECT_EQ(CountClipboardFormats(), 1);
    EXPECT_EQ(ReadText(), u"HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn");
    auto seen = ce::user::DeviceClipboard();
    EXPECT_EQ(seen.changes, before + 1);
    EXPECT_TRUE(seen.hasText);
    EXPECT_EQ(seen.text, u"HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn");

    // The desktop's text replaces it; while a program has it open, only
    // once it closes. The same text again is no change.
    ASSERT_TRUE(OpenClipboard(nullptr));
    ce::user::SetDeviceClipboardText(u"from the desktop");
    HANDLE lent = GetClipboardData(CF_UNICODETEXT);
    EXPECT_EQ(std::u16string(static_cast<const WCHAR*>(LocalLock(lent))), u"HKEY_LOCAL_MACHINE\\Drivers\\BuiltIn");
    ASSERT_TRUE(CloseClipboard());
    EXPECT_EQ(ReadText(), u"from the desktop");
    const uint64_t now = ce::user::DeviceClipboard().changes;
    ce::user::SetDeviceClipboardText(u"from the desktop");
    EXPECT_EQ(ce::user::DeviceClipboard().changes, now);

    ASSERT_TRUE(OpenClipboard(nullptr));
    ASSERT_TRUE(EmptyClipboard());
    ASSERT_TRUE(CloseClipboard());
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_UNICODETEXT));
    EXPECT_FALSE(ce::user::DeviceClipboard().hasText);
}

TEST(Clipboard, OneOpenerAtATimeAndBadDataIsRefused) {
    for (auto call : {+[] { return EmptyClipboard(); }, +[] { return CloseClipboard(); },
                      +[] { return static_cast<BOOL>(GetClipboardData(CF_UNICODETEXT) != nullptr); }}) {
        EXPECT_FAILS_WITH(call(), ERROR_CLIPBOARD_NOT_OPEN);
    }
    HLOCAL block = TextBlock(u"x");
    EXPECT_EQ(SetClipboardData(CF_UNICODETEXT, block), nullptr);

    ASSERT_TRUE(OpenClipboard(nullptr));
    auto other = std::async(std::launch::async, [] {
                     BOOL ok = OpenClipboard(nullptr);
                     return std::make_pair(ok, GetLastError());
                 }).get();
    EXPECT_FALSE(other.first);
    EXPECT_EQ(other.second, static_cast<DWORD>(ERROR_ACCESS_DENIED));
    // Memory that is not a LocalAlloc block (it would be freed later), and no data at all.
    WCHAR stack[4] = u"abc";
    EXPECT_FAILS_WITH(SetClipboardData(CF_UNICODETEXT, stack), ERROR_INVALID_HANDLE);
    EXPECT_EQ(SetClipboardData(CF_UNICODETEXT, nullptr), nullptr);
    ASSERT_TRUE(CloseClipboard());

    // A block freed twice, or never allocated, is refused and handed back.
    EXPECT_EQ(LocalFree(block), nullptr);
    EXPECT_EQ(LocalFree(block), block);
    EXPECT_EQ(LocalFree(stack), static_cast<HLOCAL>(stack));
    EXPECT_EQ(LocalSize(block), 0u);
    HLOCAL zeroed = LocalAlloc(LPTR, 8);
    EXPECT_EQ(LocalSize(zeroed), 8u);
    EXPECT_EQ(static_cast<const char*>(zeroed)[7], 0);
    EXPECT_EQ(LocalAlloc(0x8000, 8), nullptr);
    LocalFree(zeroed);
}

}  // namespace
