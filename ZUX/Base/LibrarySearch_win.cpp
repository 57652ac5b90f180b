// Library search on Windows: the current folder is left out, and where the
// system allows it only System32 is searched.
#include "ZUX/Base/LibrarySearch.h"

#include "ZUX/Base/Win32.h"

namespace ZUX {

bool RestrictLibrarySearch() {
    SetDllDirectoryW(L"");
    // Found at run time: Windows 7 has it only with an update.
    using TSetDefaultDllDirectories = BOOL(WINAPI*)(DWORD);
    const auto setDefault = GetProcedure<TSetDefaultDllDirectories>(
        GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories");
    return setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

} // namespace ZUX
