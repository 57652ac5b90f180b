// The one string type of the code base: UTF-16 code units, as Windows and our
// file formats count them. Conversions happen only at the edges.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

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
