// The string type's conversions and small string functions.
#include "ZUX/Base/Strings.h"

#include "ZUX/Base/Locale.h"

namespace ZUX {

namespace {

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

void AppendUtf16(String& out, char32_t cp) {
    if (cp < 0x10000) {
        out += char16_t(cp);
    } else {
        cp -= 0x10000;
        out += char16_t(0xD800 + (cp >> 10));
        out += char16_t(0xDC00 + (cp & 0x3FF));
    }
}

// Decodes one sequence at i; returns false on an invalid one (i then points past
// the first byte only, so decoding resynchronises).
bool DecodeOne(std::string_view s, size_t& i, char32_t& cp) {
    const auto b0 = uint8_t(s[i]);
    if (b0 < 0x80) {
        cp = b0;
        ++i;
        return true;
    }
    int len;
    char32_t min;
    if ((b0 & 0xE0) == 0xC0) {
        len = 2, cp = b0 & 0x1F, min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3, cp = b0 & 0x0F, min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4, cp = b0 & 0x07, min = 0x10000;
    } else {
        ++i;
        return false;
    }
    if (i + len > s.size()) {
        ++i;
        return false;
    }
    for (int k = 1; k < len; ++k) {
        const auto b = uint8_t(s[i + k]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return false;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return false;
    }
    i += len;
    return true;
}

} // namespace

std::string ToUtf8(StringView text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        AppendUtf8(out, c);
    }
    return out;
}

String FromUtf8(std::string_view text) {
    String out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        char32_t cp;
        AppendUtf16(out, DecodeOne(text, i, cp) ? cp : char32_t(0xFFFD));
    }
    return out;
}

bool TryDecodeUtf8(std::string_view bytes, String& out) {
    out.clear();
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size();) {
        char32_t cp;
        if (!DecodeOne(bytes, i, cp)) return false;
        AppendUtf16(out, cp);
    }
    return true;
}

String IntToStr(int64_t value) {
    const std::string s = std::to_string(value);
    return String(s.begin(), s.end());
}

bool StartsWith(StringView text, StringView prefix, bool ignoreCase) {
    if (text.size() < prefix.size()) return false;
    const StringView head = text.substr(0, prefix.size());
    return ignoreCase ? CompareTextIgnoreCase(head, prefix) == 0 : head == prefix;
}

bool EndsWith(StringView text, StringView suffix, bool ignoreCase) {
    if (text.size() < suffix.size()) return false;
    const StringView tail = text.substr(text.size() - suffix.size());
    return ignoreCase ? CompareTextIgnoreCase(tail, suffix) == 0 : tail == suffix;
}

String StringReplace(StringView text, StringView oldPattern, StringView newPattern,
                     bool ignoreCase) {
    if (oldPattern.empty() || text.size() < oldPattern.size()) return String(text);
    // UpperCase keeps the length, so positions found in the upper-cased copy
    // are positions in text.
    const String upperText = ignoreCase ? UpperCase(text) : String();
    const String upperOld = ignoreCase ? UpperCase(oldPattern) : String();
    const StringView hay = ignoreCase ? StringView(upperText) : text;
    const StringView needle = ignoreCase ? StringView(upperOld) : oldPattern;

    String out;
    out.reserve(text.size());
    size_t from = 0;
    for (size_t at; (at = hay.find(needle, from)) != StringView::npos; from = at + needle.size()) {
        out.append(text.substr(from, at - from));
        out.append(newPattern);
    }
    out.append(text.substr(from));
    return out;
}

String RemoveChar(StringView text, char16_t c) {
    String out;
    out.reserve(text.size());
    for (const char16_t ch : text)
        if (ch != c) out += ch;
    return out;
}

String Trim(StringView text) {
    size_t b = 0, e = text.size();
    while (b < e && text[b] <= u' ') ++b;
    while (e > b && text[e - 1] <= u' ') --e;
    return String(text.substr(b, e - b));
}

std::vector<String> ExplodeString(StringView text, StringView delimiter) {
    std::vector<String> parts;
    if (delimiter.empty()) {
        parts.emplace_back(text);
        return parts;
    }
    size_t from = 0;
    for (size_t at; (at = text.find(delimiter, from)) != StringView::npos;
         from = at + delimiter.size())
        parts.emplace_back(text.substr(from, at - from));
    parts.emplace_back(text.substr(from));
    return parts;
}

String TwoDigits(int n) {
    return (n >= 0 && n <= 9 ? u"0" : u"") + IntToStr(n);
}

String DecodeLineBreaks(StringView text) {
    String out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\\' && i + 1 < text.size() && text[i + 1] == u'n') {
            out += u"\r\n";
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

String HexEncode(const void* data, size_t length) {
    static constexpr char16_t kDigits[] = u"0123456789abcdef";
    const auto* p = static_cast<const unsigned char*>(data);
    String out;
    out.reserve(length * 2);
    for (size_t i = 0; i < length; ++i) {
        out += kDigits[p[i] >> 4];
        out += kDigits[p[i] & 0x0F];
    }
    return out;
}

String HexEncode(const Bytes& bytes) {
    return HexEncode(bytes.data(), bytes.size());
}

int HexDigit(char16_t c) noexcept {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

bool HexDecode(StringView text, Bytes& out) {
    if (text.size() % 2 != 0) return false;
    Bytes bytes(text.size() / 2, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) {
        const int hi = HexDigit(text[2 * i]), lo = HexDigit(text[2 * i + 1]);
        if (hi < 0 || lo < 0) return false;
        bytes[i] = char((hi << 4) | lo);
    }
    out = std::move(bytes);
    return true;
}

} // namespace ZUX
