// Unregistering COM servers the product once registered.
#include "engine/ActiveX.h"

#include "ZUX/Base/FileSystem.h"
#include "ZUX/Base/Handle.h"
#include "ZUX/Base/Paths.h"
#include "ZUX/Base/ScopeExit.h"
#include "ZUX/Base/Win32.h"

using namespace ZUX;

void TSetupActiveX::UnregisterServer(const String& dllPath) {
    // No "insert a disk" boxes while a library on removable media is looked at.
    const UINT errorMode = SetErrorMode(SEM_FAILCRITICALERRORS);
    const auto restoreErrorMode = ScopeExit([errorMode] { SetErrorMode(errorMode); });
    // A server may load its own helpers from the current folder.
    const String folder = GetCurrentDir();
    SetCurrentDir(ExtractFilePath(dllPath));
    const auto restoreFolder = ScopeExit([&folder] { SetCurrentDir(folder); });
    const TZUXModule library(LoadLibraryW(WStr(dllPath)));
    if (!library.Get()) return;
    using TUnregister = HRESULT(__stdcall*)();
    // Through void (*)(), the one function type GCC lets any other convert to.
    const auto unregister = reinterpret_cast<TUnregister>(
        reinterpret_cast<void (*)()>(GetProcAddress(library.Get(), "DllUnregisterServer")));
    if (unregister) unregister();
}
