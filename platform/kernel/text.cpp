// UTF-8/UTF-16 conversion and the device's case folding of names.
#include "ce_kernel.h"

namespace ce {

std::string ToUtf8(std::u16string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        uint32_t c = s[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;  // a lone surrogate has no UTF-8 form
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// Broken input decodes as MultiByteToWideChar(CP_UTF8, 0, ...) decodes it:
// nothing is dropped, and each maximal part of a sequence that cannot be
// completed becomes one U+FFFD (a stray continuation byte, a byte that never
// starts a sequence, a sequence cut short by the end or by a wrong byte).
// Overlong forms, encoded surrogates and values above U+10FFFF cannot be
// completed either: their second byte is already out of range, so a forged
// "/" or "." never comes through.
std::u16string FromUtf8(std::string_view s) {
    std::u16string out;
    out.reserve(s.size());
    auto at = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    size_t i = 0;
    while (i < s.size()) {
        const unsigned char b = at(i++);
        if (b < 0x80) {
            out += static_cast<char16_t>(b);
            continue;
        }
        int more;
        uint32_t c;
        unsigned char lo = 0x80, hi = 0xBF;  // the range of the next byte
        if (b >= 0xC2 && b <= 0xDF) {
            more = 1, c = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            more = 2, c = b & 0x0F;
            if (b == 0xE0) lo = 0xA0;  // below: overlong
            if (b == 0xED) hi = 0x9F;  // above: surrogates
        } else if (b >= 0xF0 && b <= 0xF4) {
            more = 3, c = b & 0x07;
            if (b == 0xF0) lo = 0x90;  // below: overlong
            if (b == 0xF4) hi = 0x8F;  // above: beyond U+10FFFF
        } else {
            out += u'\xFFFD';  // continuation byte, C0, C1, F5..FF
            continue;
        }
        for (; more > 0 && i < s.size() && at(i) >= lo && at(i) <= hi; --more, ++i) {
            c = (c << 6) | (at(i) & 0x3F);
            lo = 0x80, hi = 0xBF;
        }
        if (more > 0) {
            out += u'\xFFFD';  // decoding goes on at the byte that broke it
        } else if (c >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
    }
    return out;
}

char16_t FoldChar(char16_t c) {
    if (c < 0x80) return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char16_t>(c + 32);
    if (c >= 0x100 && c <= 0x17F) {
        if ((c <= 0x137 || (c >= 0x14A && c <= 0x177)) && c != 0x130) return (c % 2 == 0) ? c + 1 : c;
        if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c % 2 == 1) ? c + 1 : c;
        if (c == 0x178) return 0xFF;
        return c;
    }
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return static_cast<char16_t>(c + 32);
    if (c >= 0x410 && c <= 0x42F) return static_cast<char16_t>(c + 32);
    if (c >= 0x400 && c <= 0x40F) return static_cast<char16_t>(c + 80);
    return c;
}

std::u16string Fold(std::u16string_view s) {
    std::u16string out(s);
    for (auto& c : out) c = FoldChar(c);
    return out;
}

bool EqualsNoCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldChar(a[i]) != FoldChar(b[i])) return false;
    return true;
}

size_t BoundedLen(const WCHAR* s, size_t max) {
    size_t n = 0;
    while (n < max && s[n]) ++n;
    return n;
}

}  // namespace ce
