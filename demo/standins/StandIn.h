// What the demo's stand-in programs share: each records how it was called as
// one UTF-8 line (ending in LF) appended to a log file beside its own module,
// so that tests can check from outside what the installer did with it.
//
// Only the Windows API is used here, no C++ library code: that keeps each
// stand-in at a few kilobytes. The support library's handle owners are
// templates, and their close functions raise nothing.
#pragma once

#include "ZUX/Base/Handle.h"

#include <windows.h>

namespace standin {

// Longest path the Windows API hands out, terminator included.
constexpr DWORD kMaxPath = 32768;

struct HeapFreer {
    static void Close(void* block) noexcept { HeapFree(GetProcessHeap(), 0, block); }
};

// A block of the process heap, freed with the owner.
class HeapBlock : public ZUX::TZUXHandle<void*, HeapFreer> {
public:
    explicit HeapBlock(SIZE_T bytes) : TZUXHandle(HeapAlloc(GetProcessHeap(), 0, bytes)) {}
    template <typename T> T* as() const { return static_cast<T*>(Get()); }
};

// The module whose code calls this (the DLL when called from the DLL).
inline HMODULE ThisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ThisModule), &module);
    return module;
}

// Room for the longest path, on the heap (a 64 KiB array belongs on neither
// the stack nor in the file).
class PathBuffer : public HeapBlock {
public:
    PathBuffer() : HeapBlock(kMaxPath * sizeof(wchar_t)) {}
    wchar_t* get() const { return as<wchar_t>(); }
};

// The module's path with its extension replaced by ".log"; false when the
// path cannot be had.
inline bool LogPathBeside(HMODULE module, const PathBuffer& path) {
    wchar_t* p = path.get();
    const DWORD n = p ? GetModuleFileNameW(module, p, kMaxPath) : 0;
    if (n == 0 || n + 4 >= kMaxPath) return false;
    DWORD end = n;
    for (DWORD i = n; i-- > 0 && p[i] != L'\\' && p[i] != L'/';) {
        if (p[i] == L'.') {
            end = i;
            break;
        }
    }
    lstrcpyW(p + end, L".log");
    return true;
}

// Appends the first length characters of text (all when length is negative)
// and LF. Other processes may read and append at the same time.
inline bool AppendLine(const wchar_t* logPath, const wchar_t* text, int length = -1) {
    if (length < 0) length = lstrlenW(text);
    const int bytes =
        length ? WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr) : 0;
    HeapBlock utf8(SIZE_T(bytes) + 1);
    if (!utf8.as<char>()) return false;
    if (length)
        WideCharToMultiByte(CP_UTF8, 0, text, length, utf8.as<char>(), bytes, nullptr, nullptr);
    utf8.as<char>()[bytes] = '\n';

    const ZUX::TZUXKernelHandle file(CreateFileW(
        logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file && WriteFile(file.Get(), utf8.as<char>(), DWORD(bytes) + 1, &written, nullptr) &&
           written == DWORD(bytes) + 1;
}

// The arguments of a command line: what follows the module's own path when
// the line starts with it (quoted or not: the installer starts tools by
// unquoted paths that may hold blanks), otherwise what follows the first
// argument. Leading blanks are skipped; the rest is kept as given.
inline const wchar_t* Arguments(const wchar_t* line, const wchar_t* modulePath) {
    const bool quoted = line[0] == L'"';
    const wchar_t* rest = line + (quoted ? 1 : 0);
    const int n = lstrlenW(modulePath);
    const wchar_t* p;
    if (n > 0 && lstrlenW(rest) >= n &&
        CompareStringOrdinal(rest, n, modulePath, n, TRUE) == CSTR_EQUAL) {
        p = rest + n;
        if (quoted && *p == L'"') ++p;
    } else if (quoted) {
        p = rest;
        while (*p && *p != L'"') ++p;
        if (*p) ++p;
    } else {
        p = line;
        while (*p && *p != L' ' && *p != L'\t') ++p;
    }
    while (*p == L' ' || *p == L'\t') ++p;
    return p;
}

// This process's arguments (a pointer into its command line).
inline const wchar_t* OwnArguments() {
    const PathBuffer self;
    const DWORD n = self.get() ? GetModuleFileNameW(nullptr, self.get(), kMaxPath) : 0;
    return Arguments(GetCommandLineW(), n > 0 && n < kMaxPath ? self.get() : L"");
}

} // namespace standin
