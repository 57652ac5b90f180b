// The narrow seam to the operating system's locale services. Portable code
// compares and upper-cases through these functions only, so that the INI name
// hash and name equality always agree. Win32: the user's default locale;
// POSIX: glibc's Unicode case tables (C.UTF-8).
#pragma once

#include "ZUX/Base/Strings.h"

namespace ZUX {

// Locale comparison ignoring case: <0, 0, >0.
int CompareTextIgnoreCase(StringView a, StringView b);
// Locale comparison, case-sensitive (no flags): <0, 0, >0.
int CompareTextLocale(StringView a, StringView b);
// The locale's upper-case mapping, code unit for code unit length-preserving.
String UpperCase(StringView text);
// Equal ignoring case with the same number of code units: the rule names follow.
bool SameText(StringView a, StringView b);

// The system's ANSI code page (on POSIX: Windows-1252, what an English system uses).
String AnsiToString(std::string_view bytes);
Bytes StringToAnsi(StringView text);

} // namespace ZUX
