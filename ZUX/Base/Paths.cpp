// Path functions on UTF-16 Windows paths.
#include "ZUX/Base/Paths.h"

#include "ZUX/Base/Locale.h"
#include "ZUX/Base/Strings.h"

namespace ZUX {

namespace {

constexpr StringView kLongPrefix = u"\\\\?\\";
constexpr StringView kPathDelimiters = u":\\/";
// What may stand in front of an extension's dot and still belong to it.
constexpr StringView kExtDelimiters = u" .\\/:";
// What Windows does not allow in a file name (quotes become apostrophes).
constexpr StringView kForbidden = u"\\<>*:?|/";
// Windows' own limit for one component.
constexpr size_t kMaxComponent = 260;

bool IsSeparator(char16_t c) {
    return c == u'\\' || c == u'/';
}

bool IsAsciiAlnum(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

// The last index before end whose character is in set, or npos.
size_t LastOf(StringView s, size_t end, StringView set) {
    return end == 0 ? StringView::npos : s.find_last_of(set, end - 1);
}

// Where the extension sits in p: [start, end). start == end when there is
// none; end is then where one would be inserted (before a URL's query).
struct ExtSpan {
    size_t start, end;
};

ExtSpan FindExt(const String& p, bool doubleExt) {
    size_t end = p.size();
    if (IsURL(p))
        if (const size_t q = p.rfind(u'?'); q != String::npos) end = q;
    const size_t dot = LastOf(p, end, kExtDelimiters);
    if (dot == StringView::npos || p[dot] != u'.') return {end, end};
    size_t start = dot;
    if (doubleExt) {
        // Only a real second extension: ".tar" of .tar.gz, not the empty one of "a..gz".
        const size_t prev = LastOf(p, dot, kExtDelimiters);
        if (prev != StringView::npos && p[prev] == u'.' && dot - prev > 1) start = prev;
    }
    return {start, end};
}

// "C:" or "\\server" of a path; a "\\?\" prefix is not looked through here.
StringView DriveOf(StringView s) {
    if (s.size() >= 2 && s[1] == u':') return s.substr(0, 2);
    if (s.size() >= 2 && s[0] == u'\\' && s[1] == u'\\') return s.substr(0, s.find(u'\\', 2));
    return StringView();
}

String CleanComponent(StringView part) {
    String out;
    out.reserve(part.size());
    for (const char16_t c : part) {
        if (c < 32 || kForbidden.find(c) != StringView::npos) continue;
        out += c == u'"' ? u'\'' : c;
    }
    const auto trimBlanks = [](String& s) {
        size_t b = 0, e = s.size();
        while (b < e && s[b] == u' ') ++b;
        while (e > b && s[e - 1] == u' ') --e;
        s = s.substr(b, e - b);
    };
    trimBlanks(out);
    if (out.size() > kMaxComponent) {
        // Never leave half of a surrogate pair behind, nor a trailing blank
        // that Windows would drop from the name it creates.
        size_t cut = kMaxComponent;
        if (out[cut - 1] >= 0xD800 && out[cut - 1] <= 0xDBFF) --cut;
        out.resize(cut);
        trimBlanks(out);
    }
    if (out == u"." || out == u"..") out.clear();
    return out;
}

String CleanUp(StringView text) {
    // "/" separates components just as "\" does: C:/Games/ZIVR names the same
    // folder as C:\Games\ZIVR rather than one called GamesZIVR.
    String unified(text);
    for (auto& c : unified)
        if (c == u'/') c = u'\\';
    const bool trailing = !unified.empty() && unified.back() == u'\\';
    String out;
    for (const String& part : ExplodeString(unified, u"\\")) {
        const String clean = CleanComponent(part);
        if (clean.empty()) continue;
        out += clean;
        out += u'\\';
    }
    if (!trailing && !out.empty()) out.pop_back();
    return out;
}

} // namespace

bool IsUNCPath(const String& p) {
    return p.size() >= 2 && p[0] == u'\\' && p[1] == u'\\';
}

bool IsURL(const String& p) {
    if (p.size() <= 3) return false;
    size_t i = 0;
    while (i < p.size() && IsAsciiAlnum(p[i])) ++i;
    return i + 2 < p.size() && p[i] == u':' && IsSeparator(p[i + 1]) && p[i + 2] == p[i + 1];
}

String ExtractFileDrive(const String& p) {
    const StringView s = StringView(p);
    return String(DriveOf(s.starts_with(kLongPrefix) ? s.substr(kLongPrefix.size()) : s));
}

String ExtractFilePath(const String& p) {
    const size_t i = LastOf(p, p.size(), kPathDelimiters);
    return i == StringView::npos ? String() : p.substr(0, i + 1);
}

String ExtractFileDir(const String& p) {
    String dir = ExtractFilePath(p);
    const size_t n = dir.size();
    if (n > 0 && IsSeparator(dir[n - 1]) &&
        !(n >= 2 && (dir[n - 2] == u':' || IsSeparator(dir[n - 2]))))
        dir.pop_back();
    return dir;
}

String ExtractFileName(const String& p) {
    const size_t i = LastOf(p, p.size(), kPathDelimiters);
    return i == StringView::npos ? p : p.substr(i + 1);
}

String ExtractFileExt(const String& p, bool doubleExt) {
    const ExtSpan ext = FindExt(p, doubleExt);
    return p.substr(ext.start, ext.end - ext.start);
}

String ChangeFileExt(const String& p, const String& ext, bool doubleExt) {
    const ExtSpan span = FindExt(p, doubleExt);
    return p.substr(0, span.start) + ext + p.substr(span.end);
}

String ExtractFileNameWithoutExt(const String& p) {
    // The name ends where the extension (or a URL's query) begins.
    const ExtSpan span = FindExt(p, false);
    const size_t sep = LastOf(p, span.start, kPathDelimiters);
    const size_t nameStart = sep == StringView::npos ? 0 : sep + 1;
    return p.substr(nameStart, span.start - nameStart);
}

String ExtractLastComponent(const String& p) {
    size_t end = p.size();
    while (end > 0 && IsSeparator(p[end - 1])) --end;
    const size_t sep = LastOf(p, end, kPathDelimiters);
    const size_t start = sep == StringView::npos ? 0 : sep + 1;
    return p.substr(start, end - start);
}

String ExtractFileDirName(const String& p) {
    return ExtractLastComponent(ExtractFileDir(p));
}

String IncludeTrailingPathDelimiter(const String& p) {
    return p.empty() || p.back() == u'\\' ? p : p + u'\\';
}

String ExcludeTrailingPathDelimiter(const String& p) {
    return !p.empty() && p.back() == u'\\' ? p.substr(0, p.size() - 1) : p;
}

bool IsExtInList(const String& list, const String& ext) {
    if (list.size() < 3 || ext.empty()) return false;
    return UpperCase(list).find(UpperCase(u"*" + ext + u";")) != String::npos;
}

String CleanFileName(const String& p) {
    // A "\\?\" prefix is kept as it is and the rest cleaned behind it; cleaning
    // it as a component would turn \\?\C:\x into C:\C\x.
    const bool prefixed = StringView(p).starts_with(kLongPrefix);
    const String body = prefixed ? p.substr(kLongPrefix.size()) : p;
    const StringView root = DriveOf(body);
    String out = prefixed ? String(kLongPrefix) : String();
    if (root.empty()) return out + CleanUp(body);
    return out + String(root) + u'\\' + CleanUp(StringView(body).substr(root.size()));
}

String LongPathForm(const String& p) {
    if (p.size() < 260 || StringView(p).starts_with(kLongPrefix)) return p;
    if (IsUNCPath(p)) return u"\\\\?\\UNC\\" + p.substr(2);
    return String(kLongPrefix) + p;
}

} // namespace ZUX
