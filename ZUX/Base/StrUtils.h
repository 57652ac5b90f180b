// Small string functions. Comparisons ignoring case go through the locale seam
// (Locale.h), so they agree with SameText and the INI name lookup.
#pragma once

#include "ZUX/Base/Strings.h"

#include <cstddef>
#include <vector>

namespace ZUX {

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

} // namespace ZUX
