// <windows.h> for our Windows-side modules. The Windows headers define macros
// such as CopyFile or DeleteFile that would rename the support library's own
// functions; we call the W functions by their full names instead.
#pragma once

#ifndef _WIN32
#error "Windows-only header"
#endif

#include <windows.h>
// Included here so that its macros are undone below as well.
#include <shellapi.h>

#undef CopyFile
#undef MoveFile
#undef DeleteFile
#undef GetFileAttributes
#undef SetFileAttributes
#undef GetTempPath
#undef GetTempFileName
#undef GetCurrentDirectory
#undef SetCurrentDirectory
#undef CreateDirectory
#undef RemoveDirectory
#undef RegOpenKey
#undef RegDeleteKey
#undef ShellExecute
#undef FindFirstFile
#undef FindNextFile
#undef GetFileSize
#undef GetCommandLine
#undef FormatMessage
#undef CreateFile

namespace ZUX {

// A library's function by name, as the function type F; null when the library
// is null or lacks it.
template <typename F> F GetProcedure(HMODULE library, const char* name) noexcept {
    if (!library) return nullptr;
    // Through void (*)(), the one function type GCC lets any other convert to.
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}

} // namespace ZUX
