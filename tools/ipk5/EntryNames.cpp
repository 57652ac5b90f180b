// Entry names as safe relative paths.
#include "tools/ipk5/EntryNames.h"

#include <cstdio>

using ZUX::String;
using ZUX::StringView;

namespace ipk5 {

namespace {

bool IsHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}
bool IsControl(char16_t c) {
    return c < 0x20 || c == 0x7F;
}

// Index of the first unpaired surrogate, or npos.
size_t UnpairedSurrogate(StringView s) {
    for (size_t i = 0; i < s.size(); ++i) {
        if (IsHighSurrogate(s[i]) && i + 1 < s.size() && IsLowSurrogate(s[i + 1]))
            ++i;
        else if (IsHighSurrogate(s[i]) || IsLowSurrogate(s[i]))
            return i;
    }
    return StringView::npos;
}

} // namespace

std::string SplitEntryName(StringView name, std::vector<String>& components) {
    components.clear();
    if (name.empty()) return "the name is empty";
    for (const char16_t c : name)
        if (IsControl(c)) return "the name holds a control character";
    if (UnpairedSurrogate(name) != StringView::npos) return "the name is not valid UTF-16";
    // A colon makes a drive ("C:x" is relative to that drive's current
    // folder) or an alternate data stream; neither is a place below the target.
    if (name.find(u':') != StringView::npos) return "the name holds a drive or stream colon";
    if (name[0] == u'\\' || name[0] == u'/') return "the name is an absolute path";

    size_t start = 0;
    for (;;) {
        const size_t end = name.find_first_of(u"\\/", start);
        const StringView part = name.substr(start, end == StringView::npos ? end : end - start);
        if (part.empty()) return "the name has an empty component";
        if (part == u"..") return "the name has a \"..\" component";
        if (part == u".") return "the name has a \".\" component";
        components.emplace_back(part);
        if (end == StringView::npos) break;
        start = end + 1;
    }
    return {};
}

std::string Printable(StringView name) {
    std::string out;
    size_t start = 0;
    auto flush = [&](size_t end) { out += ZUX::ToUtf8(name.substr(start, end - start)); };
    for (size_t i = 0; i < name.size(); ++i) {
        const char16_t c = name[i];
        if (IsHighSurrogate(c) && i + 1 < name.size() && IsLowSurrogate(name[i + 1])) {
            ++i;
            continue;
        }
        if (IsControl(c) || IsHighSurrogate(c) || IsLowSurrogate(c)) {
            flush(i);
            char buffer[16];
            std::snprintf(buffer, sizeof buffer, "<U+%04X>", unsigned(c));
            out += buffer;
            start = i + 1;
        }
    }
    flush(name.size());
    return out;
}

} // namespace ipk5
