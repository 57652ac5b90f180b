#include "engine/ActiveX.h"

#include "ZUX/Base/FileSystem.h"
#include "ZUX/Base/Paths.h"
#include "ZUX/Base/Win32.h"

using namespace ZUX;

namespace {

// No "insert a disk" boxes while a library on removable media is looked at.
class TErrorModeScope {
public:
    explicit TErrorModeScope(UINT mode) : saved_(SetErrorMode(mode)) {}
    ~TErrorModeScope() { SetErrorMode(saved_); }
    TErrorModeScope(const TErrorModeScope&) = delete;
    TErrorModeScope& operator=(const TErrorModeScope&) = delete;

private:
    UINT saved_;
};

// A server may load its own helpers from the current folder.
class TCurrentDirScope {
public:
    explicit TCurrentDirScope(const String& folder) : saved_(GetCurrentDir()) {
        SetCurrentDir(folder);
    }
    ~TCurrentDirScope() { SetCurrentDir(saved_); }
    TCurrentDirScope(const TCurrentDirScope&) = delete;
    TCurrentDirScope& operator=(const TCurrentDirScope&) = delete;

private:
    String saved_;
};

class TLibrary {
public:
    // The server's own libraries come from its folder, the rest from the system's.
    explicit TLibrary(const String& path)
        : module_(LoadLibraryExW(WStr(path), nullptr,
                                 LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32)) {
    }
    ~TLibrary() {
        if (module_) FreeLibrary(module_);
    }
    TLibrary(const TLibrary&) = delete;
    TLibrary& operator=(const TLibrary&) = delete;

    HMODULE Get() const { return module_; }

private:
    HMODULE module_;
};

} // namespace

void TSetupActiveX::UnregisterServer(const String& dllPath) {
    const TErrorModeScope errorMode(SEM_FAILCRITICALERRORS);
    const TCurrentDirScope folder(ExtractFilePath(dllPath));
    const TLibrary library(dllPath);
    if (!library.Get()) return;
    using TUnregister = HRESULT(__stdcall*)();
    // Through void (*)(), the one function type GCC lets any other convert to.
    const auto unregister = reinterpret_cast<TUnregister>(
        reinterpret_cast<void (*)()>(GetProcAddress(library.Get(), "DllUnregisterServer")));
    if (unregister) unregister();
}
