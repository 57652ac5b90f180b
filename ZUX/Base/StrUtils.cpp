#include "ZUX/Base/StrUtils.h"

#include "ZUX/Base/Locale.h"

namespace ZUX {

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

} // namespace ZUX
