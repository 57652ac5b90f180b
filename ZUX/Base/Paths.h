// Path functions: pure string work on UTF-16 Windows paths. Both "\" and "/"
// separate components, ":" ends a drive, a UNC path starts with "\\".
// Folder paths that the installer passes around end with a backslash.
#pragma once

#include "ZUX/Base/Strings.h"

namespace ZUX {

bool IsUNCPath(const String& p);
// scheme "://" or scheme ":\\", the scheme made of letters and digits only.
bool IsURL(const String& p);

// "C:" of C:\x, "\\server" of \\server\share\x; a leading "\\?\" is looked through.
String ExtractFileDrive(const String& p);
// Up to and including the last ":", "\" or "/".
String ExtractFilePath(const String& p);
// ExtractFilePath without its final separator, except at a root (C:\ stays C:\).
String ExtractFileDir(const String& p);
// After the last ":", "\" or "/".
String ExtractFileName(const String& p);
// The extension with its dot (".gz"; with doubleExt ".tar.gz"), "" when none.
// A URL's query ("?" onwards) is not part of the name.
String ExtractFileExt(const String& p, bool doubleExt = false);
// Replaces the extension (appends ext when there is none); an empty ext removes
// it. A URL keeps its query.
String ChangeFileExt(const String& p, const String& ext, bool doubleExt = false);
String ExtractFileNameWithoutExt(const String& p);
// John for C:\Users\John\ and for C:\Users\John.
String ExtractLastComponent(const String& p);
// The name of the folder p names when p ends with a separator.
String ExtractFileDirName(const String& p);
String IncludeTrailingPathDelimiter(const String& p);
String ExcludeTrailingPathDelimiter(const String& p);

// Extension lists are entries "*" + ext + ";" one after the other ("*.lng;*.bak;").
// Letters compare ignoring case.
bool IsExtInList(const String& list, const String& ext);

// Makes every component a valid file name: quotes become apostrophes, characters
// Windows forbids are removed, blanks trimmed, "." and ".." dropped (not
// resolved), empty components squeezed out. The drive and a trailing backslash
// are kept.
String CleanFileName(const String& p);

// What the file functions hand to Windows: paths of 260 characters and more get
// the "\\?\" (or "\\?\UNC\") prefix so they are not cut at MAX_PATH.
String LongPathForm(const String& p);

} // namespace ZUX
