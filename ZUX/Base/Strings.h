// The one string type of the code base: UTF-16 code units, as Windows and our
// file formats count them, and the small functions on it. Conversions happen
// only at the edges.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ZUX {

using String = std::u16string;
using StringView = std::u16string_view;
using Bytes = std::string; // raw bytes; never interpreted as text

// UTF-8 <-> UTF-16. Unpaired surrogates and invalid UTF-8 become U+FFFD.
std::string ToUtf8(StringView text);
String FromUtf8(std::string_view text);

// Strict UTF-8 decoding: false on any invalid sequence (overlongs, surrogates,
// code points above U+10FFFF, truncated sequences).
bool TryDecodeUtf8(std::string_view bytes, String& out);

String IntToStr(int64_t value);

// Small string functions. Comparisons ignoring case go through the locale
// seam (Locale.h), so they agree with SameText and the INI name lookup.

// Text at least as long as prefix/suffix, and that part equal.
bool StartsWith(StringView text, StringView prefix, bool ignoreCase = false);
bool EndsWith(StringView text, StringView suffix, bool ignoreCase = false);
// Every occurrence, left to right; replaced text is not searched again. An
// empty oldPattern replaces nothing.
String StringReplace(StringView text, StringView oldPattern, StringView newPattern,
                     bool ignoreCase = false);
String RemoveChar(StringView text, char16_t c);
// Removes characters with codes up to 32 at both ends.
String Trim(StringView text);
// The parts between delimiters, empty parts included: n delimiters, n + 1 parts.
std::vector<String> ExplodeString(StringView text, StringView delimiter);
// "07" for 7; other numbers as they are.
String TwoDigits(int n);
// Backslash + "n", as language files write a line break, becomes CR LF.
String DecodeLineBreaks(StringView text);
// Two lower-case hexadecimal digits per byte.
String HexEncode(const void* data, size_t length);
String HexEncode(const Bytes& bytes);
// The value of one hexadecimal digit of either case, -1 for anything else.
int HexDigit(char16_t c) noexcept;
// Two digits per byte; false, with out untouched, for an odd length or a bad digit.
bool HexDecode(StringView text, Bytes& out);

#ifdef _WIN32
// The same representation under mingw: wchar_t is a UTF-16 code unit.
inline const wchar_t* WStr(const String& s) {
    return reinterpret_cast<const wchar_t*>(s.c_str());
}
inline String FromWStr(const wchar_t* s) {
    return s ? String(reinterpret_cast<const char16_t*>(s)) : String();
}
inline String FromWStr(const wchar_t* s, size_t n) {
    return String(reinterpret_cast<const char16_t*>(s), n);
}
#endif

} // namespace ZUX
