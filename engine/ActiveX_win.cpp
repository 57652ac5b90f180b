// Unregistering COM servers the product once registered, and registering
// them again when an update that removed them is undone.
#include "engine/ActiveX.h"

#include "ZUX/Base/FileSystem.h"
#include "ZUX/Base/Handle.h"
#include "ZUX/Base/Paths.h"
#include "ZUX/Base/ScopeExit.h"
#include "ZUX/Base/Win32.h"

using namespace ZUX;

void TSetupActiveX::UnregisterServer(const String& dllPath) {
    CallServer(dllPath, "DllUnregisterServer");
}

void TSetupActiveX::RegisterServer(const String& dllPath) {
    CallServer(dllPath, "DllRegisterServer");
}

void TSetupActiveX::CallServer(const String& dllPath, const char* exportName) {
    // No "insert a disk" boxes while a library on removable media is looked at.
    const UINT errorMode = SetErrorMode(SEM_FAILCRITICALERRORS);
    const auto restoreErrorMode = ScopeExit([errorMode] { SetErrorMode(errorMode); });
    // A server may load its own helpers from the current folder.
    const String folder = GetCurrentDir();
    SetCurrentDir(ExtractFilePath(dllPath));
    const auto restoreFolder = ScopeExit([&folder] { SetCurrentDir(folder); });
    // The server's own libraries come from its folder, the rest from the system's.
    const TZUXModule library(LoadLibraryExW(
        WStr(dllPath), nullptr, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32));
    if (!library.Get()) return;
    using TEntry = HRESULT(__stdcall*)();
    if (const auto entry = GetProcedure<TEntry>(library.Get(), exportName)) entry();
}
