// Host side of the locale seam: glibc's Unicode case tables through the
// C.UTF-8 locale, and Windows-1252 as the ANSI code page.
#include "ZUX/Base/Locale.h"

#include <algorithm>
#include <array>
#include <clocale>
#include <cwctype>
#include <locale.h>

namespace ZUX {

namespace {

locale_t UnicodeLocale() {
    static const locale_t loc = [] {
        locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(nullptr));
        return l ? l : newlocale(LC_CTYPE_MASK, "C", locale_t(nullptr));
    }();
    return loc;
}

char16_t UpperUnit(char16_t c, locale_t loc) {
    if (c < 0x80) return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c;
    if (c >= 0xD800 && c <= 0xDFFF) return c;
    const auto u = towupper_l(wint_t(c), loc);
    // Keep the mapping length-preserving and inside the BMP.
    return u <= 0xFFFF ? char16_t(u) : c;
}

// Windows-1252 bytes 0x80 to 0x9F; the five unassigned ones map to themselves.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

} // namespace

String UpperCase(StringView text) {
    const locale_t loc = UnicodeLocale();
    String out(text);
    for (auto& c : out) c = UpperUnit(c, loc);
    return out;
}

int CompareTextIgnoreCase(StringView a, StringView b) {
    const locale_t loc = UnicodeLocale();
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const char16_t x = UpperUnit(a[i], loc), y = UpperUnit(b[i], loc);
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

int CompareTextLocale(StringView a, StringView b) {
    // Letters first ignoring case, then lower case before upper case, as a
    // user's locale orders them.
    if (const int r = CompareTextIgnoreCase(a, b); r != 0) return r;
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i)
        if (a[i] != b[i]) return a[i] > b[i] ? -1 : 1;
    return 0;
}

String AnsiToString(std::string_view bytes) {
    String out;
    out.reserve(bytes.size());
    for (const char ch : bytes) {
        const auto b = uint8_t(ch);
        out += (b >= 0x80 && b < 0xA0) ? kCp1252High[b - 0x80] : char16_t(b);
    }
    return out;
}

Bytes StringToAnsi(StringView text) {
    Bytes out;
    out.reserve(text.size());
    for (const char16_t c : text) {
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            out += char(c);
            continue;
        }
        char mapped = '?';
        for (size_t k = 0; k < kCp1252High.size(); ++k)
            if (kCp1252High[k] == c) mapped = char(0x80 + k);
        out += mapped;
    }
    return out;
}

} // namespace ZUX
