// Wide C runtime helpers of the device: numbers and formatted text (the
// printf and scanf families in the device's dialect, see wincrt.h).
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ce_kernel.h"
#include "wincrt.h"

// ---- Numbers -------------------------------------------------------------------

namespace {

int DigitValue(WCHAR c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'z') return c - u'a' + 10;
    if (c >= u'A' && c <= u'Z') return c - u'A' + 10;
    return 99;
}

// Parses an integer as strtoul does: whitespace, sign, base prefix, digits.
// Returns the magnitude saturated at `limit` (with `overflow` set), the sign
// separately; `end` is where parsing stopped (the start when no digits).
uint64_t ParseInteger(const WCHAR* s, const WCHAR** end, int base, uint64_t limit, bool& negative, bool& overflow) {
    const WCHAR* start = s;
    negative = overflow = false;
    if (end) *end = start;
    if (base < 0 || base == 1 || base > 36) return 0;
    while (iswspace(*s)) ++s;
    if (*s == u'+' || *s == u'-') negative = *s++ == u'-';
    if ((base == 0 || base == 16) && s[0] == u'0' && (s[1] == u'x' || s[1] == u'X') && DigitValue(s[2]) < 16) {
        s += 2;
        base = 16;
    } else if (base == 0) {
        base = s[0] == u'0' ? 8 : 10;
    }
    uint64_t value = 0;
    const WCHAR* digits = s;
    for (int d; (d = DigitValue(*s)) < base; ++s) {
        if (value > (limit - static_cast<uint64_t>(d)) / static_cast<uint64_t>(base)) {
            overflow = true;
            value = limit;
        } else if (!overflow) {
            value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
        }
    }
    if (s != digits && end) *end = s;
    return value;
}

WCHAR* FormatUnsigned(uint64_t value, bool negative, WCHAR* buf, int radix) {
    if (!buf) return buf;
    if (radix < 2 || radix > 36) {
        buf[0] = 0;
        return buf;
    }
    WCHAR tmp[70];
    int n = 0;
    do {
        int d = static_cast<int>(value % static_cast<uint64_t>(radix));
        tmp[n++] = static_cast<WCHAR>(d < 10 ? u'0' + d : u'a' + d - 10);
        value /= static_cast<uint64_t>(radix);
    } while (value);
    WCHAR* p = buf;
    if (negative) *p++ = u'-';
    while (n) *p++ = tmp[--n];
    *p = 0;
    return buf;
}

}  // namespace

long wcstol(const WCHAR* s, WCHAR** end, int base) {
    bool negative, overflow;
    const WCHAR* stop;
    // The limit depends on the sign, which the parse finds: parse against
    // the larger (negative) limit, then check the positive side.
    uint64_t magnitude = ParseInteger(s, &stop, base, uint64_t{1} << 31, negative, overflow);
    if (end) *end = const_cast<WCHAR*>(stop);
    uint64_t limit = negative ? uint64_t{1} << 31 : uint64_t{INT32_MAX};
    if (overflow || magnitude > limit) {
        errno = ERANGE;
        return negative ? INT32_MIN : INT32_MAX;
    }
    return negative ? -static_cast<long>(magnitude) : static_cast<long>(magnitude);
}

unsigned long wcstoul(const WCHAR* s, WCHAR** end, int base) {
    bool negative, overflow;
    const WCHAR* stop;
    uint64_t magnitude = ParseInteger(s, &stop, base, UINT32_MAX, negative, overflow);
    if (end) *end = const_cast<WCHAR*>(stop);
    if (overflow) {
        errno = ERANGE;
        return UINT32_MAX;
    }
    // As in C, a minus sign negates in the unsigned type.
    return negative ? static_cast<uint32_t>(0u - static_cast<uint32_t>(magnitude)) : static_cast<uint32_t>(magnitude);
}

long _wtol(const WCHAR* s) {
    return s ? wcstol(s, nullptr, 10) : 0;
}
int _wtoi(const WCHAR* s) {
    return static_cast<int>(_wtol(s));
}

WCHAR* _itow(int value, WCHAR* buf, int radix) {
    // As on the device, only radix 10 shows a sign; others show the bits.
    if (radix == 10 && value < 0)
        return FormatUnsigned(0u - static_cast<uint64_t>(static_cast<int64_t>(value)), true, buf, 10);
    return FormatUnsigned(static_cast<uint32_t>(value), false, buf, radix);
}
WCHAR* _ltow(long value, WCHAR* buf, int radix) {
    return _itow(static_cast<int>(value), buf, radix);
}
WCHAR* _ultow(unsigned long value, WCHAR* buf, int radix) {
    return FormatUnsigned(static_cast<uint32_t>(value), false, buf, radix);
}

// ---- Formatted output -------------------------------------------------------------

namespace {

// Where formatted text goes: at most `cap` characters are stored, every
// character is counted.
struct Sink {
    WCHAR* buf;
    size_t cap;
    size_t len = 0;
    void Put(WCHAR c) {
        if (len < cap) buf[len] = c;
        ++len;
    }
    void Put(std::u16string_view s) {
        for (WCHAR c : s) Put(c);
    }
    void Pad(WCHAR c, size_t n) {
        for (size_t i = 0; i < n; ++i) Put(c);
    }
};

enum class Length { None, hh, h, l, ll, z };

struct Conversion {
    bool left = false, plus = false, space = false, zero = false, alt = false;
    int width = 0;
    int precision = -1;
    Length length = Length::None;
};

// Emits `body` (already converted) with sign/prefix, precision zeros and padding.
void EmitNumber(Sink& out, const Conversion& conv, std::u16string_view prefix, std::u16string_view digits) {
    size_t zeros = 0;
    if (conv.precision >= 0 && digits.size() < static_cast<size_t>(conv.precision))
        zeros = static_cast<size_t>(conv.precision) - digits.size();
    size_t total = prefix.size() + zeros + digits.size();
    size_t pad =
        conv.width > 0 && total < static_cast<size_t>(conv.width) ? static_cast<size_t>(conv.width) - total : 0;
    // The 0 flag pads with zeros after the sign, unless a precision is given.
    bool zeroPad = conv.zero && !conv.left && conv.precision < 0;
    if (!conv.left && !zeroPad) out.Pad(u' ', pad);
    out.Put(prefix);
    if (zeroPad) out.Pad(u'0', pad);
    out.Pad(u'0', zeros);
    out.Put(digits);
    if (conv.left) out.Pad(u' ', pad);
}

void EmitText(Sink& out, const Conversion& conv, std::u16string_view text) {
    if (conv.precision >= 0 && text.size() > static_cast<size_t>(conv.precision))
        text = text.substr(0, static_cast<size_t>(conv.precision));
    size_t pad = conv.width > 0 && text.size() < static_cast<size_t>(conv.width)
                     ? static_cast<size_t>(conv.width) - text.size()
                     : 0;
    if (!conv.left) out.Pad(conv.zero ? u'0' : u' ', pad);
    out.Put(text);
    if (conv.left) out.Pad(u' ', pad);
}

std::u16string Digits(uint64_t v, unsigned base, bool upper) {
    const char* set = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    std::u16string s;
    do {
        s += static_cast<WCHAR>(set[v % base]);
        v /= base;
    } while (v);
    std::reverse(s.begin(), s.end());
    return s;
}

// A bounded wide string: reading stops at `max` characters even without a NUL.
std::u16string_view WideArg(const WCHAR* s, int max) {
    if (!s) return u"(null)";
    size_t n = 0;
    while ((max < 0 || n < static_cast<size_t>(max)) && s[n]) ++n;
    return std::u16string_view(s, n);
}

int Format(Sink& out, const WCHAR* fmt, va_list ap) {
    for (const WCHAR* f = fmt; *f; ++f) {
        if (*f != u'%') {
            out.Put(*f);
            continue;
        }
        const WCHAR* start = f++;
        Conversion conv;
        for (;; ++f) {
            if (*f == u'-')
                conv.left = true;
            else if (*f == u'+')
                conv.plus = true;
            else if (*f == u' ')
                conv.space = true;
            else if (*f == u'0')
                conv.zero = true;
            else if (*f == u'#')
                conv.alt = true;
            else
                break;
        }
        if (*f == u'*') {
            conv.width = va_arg(ap, int);
            if (conv.width < 0) {
                conv.left = true;
                conv.width = conv.width == INT_MIN ? 0 : -conv.width;
            }
            ++f;
        } else {
            while (iswdigit(*f)) conv.width = std::min(conv.width * 10 + (*f++ - u'0'), 1 << 20);
        }
        if (*f == u'.') {
            ++f;
            conv.precision = 0;
            if (*f == u'*') {
                conv.precision = va_arg(ap, int);
                if (conv.precision < 0) conv.precision = -1;
                ++f;
            } else {
                while (iswdigit(*f)) conv.precision = std::min(conv.precision * 10 + (*f++ - u'0'), 1 << 20);
            }
        }
        // Length: h hh l ll (L) I64 I32 w z.
        int narrowWide = 0;  // -1 narrow (h), +1 wide (l, w)
        if (*f == u'h') {
            ++f;
            conv.length = Length::h;
            narrowWide = -1;
            if (*f == u'h') ++f, conv.length = Length::hh;
        } else if (*f == u'l') {
            ++f;
            conv.length = Length::l;
            narrowWide = 1;
            if (*f == u'l') ++f, conv.length = Length::ll;
        } else if (*f == u'L') {
            ++f;
            conv.length = Length::ll;
        } else if (*f == u'w') {
            ++f;
            narrowWide = 1;
        } else if (*f == u'z') {
            ++f;
            conv.length = Length::z;
        } else if (f[0] == u'I' && f[1] == u'6' && f[2] == u'4') {
            f += 3;
            conv.length = Length::ll;
        } else if (f[0] == u'I' && f[1] == u'3' && f[2] == u'2') {
            f += 3;
            conv.length = Length::None;
        }
        WCHAR letter = *f;
        switch (letter) {
            case u'd':
            case u'i': {
                int64_t v;
                switch (conv.length) {
                    case Length::hh:
                        v = static_cast<signed char>(va_arg(ap, int));
                        break;
                    case Length::h:
                        v = static_cast<short>(va_arg(ap, int));
                        break;
                    case Length::ll:
                        v = va_arg(ap, long long);
                        break;
                    case Length::z:
                        v = va_arg(ap, ptrdiff_t);
                        break;
                    default:
                        v = va_arg(ap, int);
                        break;  // `l` is 32 bits on the device
                }
                uint64_t mag = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
                std::u16string digits = (mag == 0 && conv.precision == 0) ? u"" : Digits(mag, 10, false);
                std::u16string_view sign = v < 0 ? u"-" : conv.plus ? u"+" : conv.space ? u" " : u"";
                EmitNumber(out, conv, sign, digits);
                break;
            }
            case u'u':
            case u'x':
            case u'X':
            case u'o': {
                uint64_t v;
                switch (conv.length) {
                    case Length::hh:
                        v = static_cast<unsigned char>(va_arg(ap, unsigned));
                        break;
                    case Length::h:
                        v = static_cast<unsigned short>(va_arg(ap, unsigned));
                        break;
                    case Length::ll:
                        v = va_arg(ap, unsigned long long);
                        break;
                    case Length::z:
                        v = va_arg(ap, size_t);
                        break;
                    default:
                        v = va_arg(ap, unsigned);
                        break;
                }
                unsigned base = letter == u'u' ? 10 : letter == u'o' ? 8 : 16;
                std::u16string digits = (v == 0 && conv.precision == 0) ? u"" : Digits(v, base, letter == u'X');
                std::u16string_view prefix;
                if (conv.alt && v != 0 && letter == u'x') prefix = u"0x";
                if (conv.alt && v != 0 && letter == u'X') prefix = u"0X";
                if (conv.alt && letter == u'o' && (digits.empty() || digits[0] != u'0'))
                    digits.insert(digits.begin(), u'0');
                EmitNumber(out, conv, prefix, digits);
                break;
            }
            case u'p': {
                auto v = reinterpret_cast<uintptr_t>(va_arg(ap, void*));
                Conversion p = conv;
                p.precision = std::max(conv.precision, 8);
                EmitNumber(out, p, u"", Digits(v, 16, true));
                break;
            }
            case u'c':
            case u'C': {
                bool narrow = letter == u'C' ? narrowWide <= 0 : narrowWide < 0;
                int c = va_arg(ap, int);
                WCHAR ch = narrow ? static_cast<WCHAR>(static_cast<unsigned char>(c)) : static_cast<WCHAR>(c);
                Conversion s = conv;
                s.precision = -1;
                EmitText(out, s, std::u16string_view(&ch, 1));
                break;
            }
            case u's':
            case u'S': {
                bool narrow = letter == u'S' ? narrowWide <= 0 : narrowWide < 0;
                if (narrow) {
                    const char* s = va_arg(ap, const char*);
                    std::string_view bytes =
                        !s ? std::string_view("(null)")
                           : std::string_view(s, conv.precision >= 0 ? strnlen(s, static_cast<size_t>(conv.precision))
                                                                     : std::strlen(s));
                    EmitText(out, conv, ce::FromUtf8(bytes));
                } else {
                    EmitText(out, conv, WideArg(va_arg(ap, const WCHAR*), conv.precision));
                }
                break;
            }
            case u'e':
            case u'E':
            case u'f':
            case u'F':
            case u'g':
            case u'G':
            case u'a':
            case u'A': {
                double v = va_arg(ap, double);
                std::string nf = "%";
                if (conv.left) nf += '-';
                if (conv.plus) nf += '+';
                if (conv.space) nf += ' ';
                if (conv.zero) nf += '0';
                if (conv.alt) nf += '#';
                nf += "*.*";
                nf += static_cast<char>(letter);
                char tmp[512];
                int n = std::snprintf(tmp, sizeof tmp, nf.c_str(), conv.width, conv.precision, v);
                if (n < 0 || static_cast<size_t>(n) >= sizeof tmp) {
                    std::string big(static_cast<size_t>(std::max(n, 0)) + 1, '\0');
                    n = std::snprintf(big.data(), big.size(), nf.c_str(), conv.width, conv.precision, v);
                    for (int i = 0; i < n; ++i) out.Put(static_cast<WCHAR>(big[static_cast<size_t>(i)]));
                } else {
                    for (int i = 0; i < n; ++i) out.Put(static_cast<WCHAR>(tmp[i]));
                }
                break;
            }
            case u'%':
                out.Put(u'%');
                break;
            default:
                // Not a conversion (also %n, which is never supported): the
                // text is kept as written and no argument is taken.
                if (!letter) --f;
                for (const WCHAR* p = start; p <= f; ++p) out.Put(*p);
                break;
        }
    }
    return static_cast<int>(std::min<size_t>(out.len, INT_MAX));
}

}  // namespace

int vswprintf(WCHAR* buf, const WCHAR* fmt, va_list args) {
    if (!buf || !fmt) {
        errno = EINVAL;
        return -1;
    }
    Sink out{buf, SIZE_MAX};
    int n = Format(out, fmt, args);
    buf[out.len] = 0;
    return n;
}

int swprintf(WCHAR* buf, const WCHAR* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    int n = vswprintf(buf, fmt, ap);
    va_end(ap);
    return n;
}

int _vsnwprintf(WCHAR* buf, size_t count, const WCHAR* fmt, va_list args) {
    if (!fmt || (!buf && count)) {
        errno = EINVAL;
        return -1;
    }
    Sink out{buf, count};
    Format(out, fmt, args);
    if (out.len < count) {
        buf[out.len] = 0;
        return static_cast<int>(out.len);
    }
    // Exactly filled: no terminator, the count is returned; longer: -1.
    return out.len == count ? static_cast<int>(count) : -1;
}

int _snwprintf(WCHAR* buf, size_t count, const WCHAR* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    int n = _vsnwprintf(buf, count, fmt, ap);
    va_end(ap);
    return n;
}

int wvsprintf(WCHAR* buf, const WCHAR* fmt, va_list args) {
    // The device's wsprintf fills at most 1024 characters, the NUL included.
    constexpr size_t kMax = 1024;
    if (!buf || !fmt) return 0;
    Sink out{buf, kMax - 1};
    Format(out, fmt, args);
    size_t n = std::min(out.len, kMax - 1);
    buf[n] = 0;
    return static_cast<int>(n);
}

int wsprintf(WCHAR* buf, const WCHAR* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    int n = wvsprintf(buf, fmt, ap);
    va_end(ap);
    return n;
}

// ---- Formatted input -------------------------------------------------------------

namespace {

// A %[...] set: `set` is the text between the brackets (without a leading ^).
bool InScanSet(std::u16string_view set, bool negate, WCHAR c) {
    bool in = false;
    for (size_t i = 0; i < set.size() && !in; ++i) {
        if (i + 2 < set.size() && set[i + 1] == u'-' && i != 0) {
            in = c >= set[i] && c <= set[i + 2];
            i += 2;
        } else {
            in = set[i] == c;
        }
    }
    return in != negate;
}

template <class T>
void Store(void* p, T v) {
    *static_cast<T*>(p) = v;
}

void StoreInteger(void* p, Length length, uint64_t bits) {
    switch (length) {
        case Length::hh:
            Store(p, static_cast<uint8_t>(bits));
            break;
        case Length::h:
            Store(p, static_cast<uint16_t>(bits));
            break;
        case Length::ll:
        case Length::z:
            Store(p, bits);
            break;
        default:
            Store(p, static_cast<uint32_t>(bits));
            break;  // `l` is 32 bits on the device
    }
}

int Scan(const WCHAR* in, const WCHAR* fmt, va_list ap) {
    const WCHAR* s = in;
    int stored = 0;
    bool converted = false;  // some conversion was attempted on real input
    for (const WCHAR* f = fmt; *f; ++f) {
        if (iswspace(*f)) {
            while (iswspace(*s)) ++s;
            continue;
        }
        if (*f != u'%' || f[1] == u'%') {
            if (*f == u'%') ++f;
            if (*f == u'%')
                while (iswspace(*s)) ++s;
            if (*s != *f) return (!*s && !converted) ? EOF : stored;
            ++s;
            continue;
        }
        ++f;
        bool suppress = false;
        if (*f == u'*') suppress = true, ++f;
        size_t width = 0;
        while (iswdigit(*f)) width = std::min<size_t>(width * 10 + static_cast<size_t>(*f++ - u'0'), 1 << 20);
        Length length = Length::None;
        int narrowWide = 0;
        if (*f == u'h') {
            ++f, length = Length::h, narrowWide = -1;
            if (*f == u'h') ++f, length = Length::hh;
        } else if (*f == u'l') {
            ++f, length = Length::l, narrowWide = 1;
            if (*f == u'l') ++f, length = Length::ll;
        } else if (*f == u'L') {
            ++f, length = Length::ll;
        } else if (*f == u'w') {
            ++f, narrowWide = 1;
        } else if (*f == u'z') {
            ++f, length = Length::z;
        } else if (f[0] == u'I' && f[1] == u'6' && f[2] == u'4') {
            f += 3, length = Length::ll;
        }
        WCHAR letter = *f;
        if (!letter) break;
        if (letter != u'c' && letter != u'C' && letter != u'[' && letter != u'n')
            while (iswspace(*s)) ++s;
        if (letter == u'n') {
            if (!suppress) Store(va_arg(ap, void*), static_cast<int>(s - in));
            continue;
        }
        if (!*s) return converted ? stored : EOF;
        converted = true;
        const size_t max = width ? width : SIZE_MAX;

        switch (letter) {
            case u'd':
            case u'i':
            case u'u':
            case u'x':
            case u'X':
            case u'o': {
                // Take the longest run the width allows that could be the number.
                std::u16string text;
                const WCHAR* p = s;
                if ((*p == u'+' || *p == u'-') && text.size() < max) text += *p++;
                int base = letter == u'o' ? 8 : (letter == u'x' || letter == u'X') ? 16 : letter == u'i' ? 0 : 10;
                if ((base == 0 || base == 16) && p[0] == u'0' && (p[1] == u'x' || p[1] == u'X') &&
                    text.size() + 2 < max && iswxdigit(p[2])) {
                    text += p[0], text += p[1], p += 2, base = 16;
                } else if (base == 0) {
                    base = p[0] == u'0' ? 8 : 10;
                }
                while (text.size() < max && DigitValue(*p) < base) text += *p++;
                bool negative, overflow;
                const WCHAR* stop;
                uint64_t mag = ParseInteger(text.c_str(), &stop, base, UINT64_MAX, negative, overflow);
                if (stop == text.c_str()) return stored;  // no digits: matching failure
                s = p;
                if (!suppress) {
                    StoreInteger(va_arg(ap, void*), length, negative ? 0 - mag : mag);
                    ++stored;
                }
                break;
            }
            case u'e':
            case u'E':
            case u'f':
            case u'g':
            case u'G':
            case u'a': {
                std::string text;
                const WCHAR* p = s;
                while (text.size() < max && *p < 0x80 &&
                       (iswxdigit(*p) || *p == u'.' || *p == u'+' || *p == u'-' || *p == u'x' || *p == u'X' ||
                        *p == u'n' || *p == u'N' || *p == u'i' || *p == u'I' || *p == u'p' || *p == u'P'))
                    text += static_cast<char>(*p++);
                char* endp = nullptr;
                double v = std::strtod(text.c_str(), &endp);
                if (endp == text.c_str()) return stored;
                s += endp - text.c_str();
                if (!suppress) {
                    if (length == Length::l || length == Length::ll)
                        Store(va_arg(ap, void*), v);
                    else
                        Store(va_arg(ap, void*), static_cast<float>(v));
                    ++stored;
                }
                break;
            }
            case u'c':
            case u'C': {
                bool narrow = letter == u'C' ? narrowWide <= 0 : narrowWide < 0;
                size_t n = width ? width : 1;
                void* dst = suppress ? nullptr : va_arg(ap, void*);
                size_t i = 0;
                for (; i < n && s[i]; ++i) {
                    if (!dst) continue;
                    if (narrow)
                        static_cast<char*>(dst)[i] = static_cast<char>(s[i]);
                    else
                        static_cast<WCHAR*>(dst)[i] = s[i];
                }
                if (i < n) return stored;  // input ended inside the field
                s += n;
                if (dst) ++stored;
                break;
            }
            case u's':
            case u'S':
            case u'[': {
                bool negate = false;
                std::u16string_view set;
                if (letter == u'[') {
                    const WCHAR* p = f + 1;
                    if (*p == u'^') negate = true, ++p;
                    const WCHAR* setStart = p;
                    if (*p == u']') ++p;  // a leading ] belongs to the set
                    while (*p && *p != u']') ++p;
                    if (!*p) return stored;  // unterminated set
                    set = std::u16string_view(setStart, static_cast<size_t>(p - setStart));
                    f = p;
                }
                bool narrow = letter == u'S' ? narrowWide <= 0 : narrowWide < 0;
                size_t n = 0;
                while (n < max && s[n] && (letter == u'[' ? InScanSet(set, negate, s[n]) : !iswspace(s[n]))) ++n;
                if (n == 0) return stored;
                if (!suppress) {
                    void* dst = va_arg(ap, void*);
                    if (narrow) {
                        std::string utf8 = ce::ToUtf8(std::u16string_view(s, n));
                        std::memcpy(dst, utf8.c_str(), utf8.size() + 1);
                    } else {
                        std::memcpy(dst, s, n * sizeof(WCHAR));
                        static_cast<WCHAR*>(dst)[n] = 0;
                    }
                    ++stored;
                }
                s += n;
                break;
            }
            default:
                return stored;  // unknown conversion
        }
    }
    return stored;
}

}  // namespace

int vswscanf(const WCHAR* input, const WCHAR* fmt, va_list args) {
    if (!input || !fmt) {
        errno = EINVAL;
        return EOF;
    }
    return Scan(input, fmt, args);
}

int swscanf(const WCHAR* input, const WCHAR* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    int n = vswscanf(input, fmt, ap);
    va_end(ap);
    return n;
}
