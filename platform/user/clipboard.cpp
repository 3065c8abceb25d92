// The clipboard: one per device, opened by one thread at a time.
//
// Each format holds a LocalAlloc block the clipboard owns. The host shares
// the CF_UNICODETEXT text with the desktop's clipboard through
// DeviceClipboard / SetDeviceClipboardText, which may be called from any
// thread and never touch windows.
//
// Choices where Win32 leaves room: delayed rendering (SetClipboardData with
// no data) is not offered and refused with ERROR_INVALID_PARAMETER; data
// that is not a live LocalAlloc block is refused with ERROR_INVALID_HANDLE
// (it would be freed later); CF_TEXT is not made from CF_UNICODETEXT.
#include <map>
#include <mutex>
#include <optional>

#include "ce_user.h"
#include "windows.h"

namespace {

struct Clipboard {
    std::mutex mu;
    DWORD openThread = 0;  // 0: closed
    HWND opener = nullptr;
    HWND owner = nullptr;  // the opener of the last EmptyClipboard
    std::map<UINT, HANDLE> data;
    uint64_t changes = 0;
    bool changedWhileOpen = false;
    std::optional<std::u16string> pendingHostText;
};

Clipboard& Board() {
    static Clipboard* c = new Clipboard;  // never destroyed: other threads may use it at exit
    return *c;
}

void FreeAll(Clipboard& c) {
    for (auto& [format, block] : c.data) LocalFree(block);
    c.data.clear();
}

// The text of the CF_UNICODETEXT block up to its NUL (or its end).
std::optional<std::u16string> TextOf(const Clipboard& c) {
    auto it = c.data.find(CF_UNICODETEXT);
    if (it == c.data.end()) return std::nullopt;
    const auto* s = static_cast<const char16_t*>(LocalLock(it->second));
    const size_t max = LocalSize(it->second) / sizeof(char16_t);
    size_t n = 0;
    while (s && n < max && s[n]) ++n;
    return std::u16string(s ? s : u"", n);
}

void ApplyHostText(Clipboard& c, std::u16string_view text) {
    if (auto now = TextOf(c); now && *now == text) return;
    HLOCAL block = LocalAlloc(LMEM_FIXED, static_cast<UINT>((text.size() + 1) * sizeof(char16_t)));
    if (!block) return;
    auto* s = static_cast<char16_t*>(block);
    std::copy(text.begin(), text.end(), s);
    s[text.size()] = 0;
    FreeAll(c);
    c.owner = nullptr;
    c.data[CF_UNICODETEXT] = block;
    ++c.changes;
}

// True when the calling thread has the clipboard open; else sets the error.
bool OpenHere(const Clipboard& c) {
    if (c.openThread == GetCurrentThreadId()) return true;
    SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
    return false;
}

}  // namespace

namespace ce::user {

ClipboardState DeviceClipboard() {
    Clipboard& c = Board();
    std::lock_guard lock(c.mu);
    ClipboardState s;
    s.changes = c.changes;
    if (auto text = TextOf(c)) {
        s.hasText = true;
        s.text = std::move(*text);
    }
    return s;
}

void SetDeviceClipboardText(std::u16string_view text) {
    Clipboard& c = Board();
    std::lock_guard lock(c.mu);
    if (c.openThread)
        c.pendingHostText = std::u16string(text);
    else
        ApplyHostText(c, text);
}

}  // namespace ce::user

BOOL OpenClipboard(HWND hWndNewOwner) {
    Clipboard& c = Board();
    std::lock_guard lock(c.mu);
    const DWORD me = GetCurrentThreadId();
    if (c.openThread && c.openThread != me) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    c.openThread = me;
    c.opener = hWndNewOwner;
    return TRUE;
}

BOOL CloseClipboard() {
    Clipboard& c = Board();
    std::lock_guard lock(c.mu);
    if (!OpenHere(c)) return FALSE;
    c.openThread = 0;
    if (c.changedWhileOpen) ++c.changes;
    c.changedWhileOpen = false;
    if (c.pendingHostText) {
        ApplyHostText(c, *c.pendingHostText);
        c.pendingHostText.reset();
    }
    return TRUE;
}

BOOL EmptyClipboard() {
    Clipboard& c = Board();
    std::lock_guard lock(c.mu);
    if (!OpenHere(c)) return FALSE;
    if (!c.data.empty()) c.changedWhileOpen = true;
    FreeAll(c);
    c.owner = c.opener;
    return TRUE;
}

HANDLE SetClipboardData(UINT uFormat, HANDLE hMem) {
    Clipboard& c = Board();
    std::lock_guard lock(c.mu);
    if (!OpenHere(c)) return nullptr;
    if (!hMem || uFormat == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (!LocalLock(hMem)) return nullptr;  // not a live block (the error is set)
    HANDLE& slot = c.data[uFormat];
    if (slot && slot != hMem) LocalFree(slot);
    slot = hMem;
    c.changedWhileOpen = true;
    return hMem;
}

HANDLE GetClipboardData(UINT uFormat) {
    Clipboard& c = Board();
    std::lock_guard lock(c.mu);
    if (!OpenHere(c)) return nullptr;
    auto it = c.data.find(uFormat);
    return it == c.data.end() ? nullptr : it->second;
}

BOOL IsClipboardFormatAvailable(UINT format) {
    Clipboard& c = Board();
    std::lock_guard lock(c.mu);
    return c.data.count(format) ? TRUE : FALSE;
}

int CountClipboardFormats() {
    Clipboard& c = Board();
    std::lock_guard lock(c.mu);
    return static_cast<int>(c.data.size());
}

HWND GetClipboardOwner() {
    Clipboard& c = Board();
    std::lock_guard lock(c.mu);
    return c.owner;
}
