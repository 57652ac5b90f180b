// Finding the common controls, the visual styles and alpha blending in the
// system folder once the library search is restricted.
#include "ZUX/UI/SystemLibraries.h"

#include <string>

namespace ZUX {

namespace {

// The library of that name in the system folder, never one found elsewhere.
HMODULE LoadSystemLibrary(const wchar_t* name) noexcept {
    if (const HMODULE library = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32))
        return library;
    // Windows 7 without its update knows no such flag: the full path then.
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    try {
        const std::wstring path = std::wstring(folder, length) + L"\\" + name;
        return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    } catch (...) {
        return nullptr;
    }
}

template <typename F> void Find(HMODULE library, const char* name, F& function) noexcept {
    function = GetProcedure<F>(library, name);
}

} // namespace

const TZUXCommonControls& CommonControls() noexcept {
    // Freed with the process.
    static const TZUXCommonControls controls = [] {
        TZUXCommonControls found;
        // The controls draw with the visual styles and with alpha blending,
        // whose libraries the system may load late, by name, and not always
        // within the restricted search (Wine's delayed imports do not keep
        // to it). Loaded from the system folder first, they are found loaded.
        LoadSystemLibrary(L"uxtheme.dll");
        LoadSystemLibrary(L"msimg32.dll");
        // By name: the manifest's version comes from the side-by-side store,
        // which a search confined to the system folder would miss.
        const HMODULE library = LoadLibraryW(L"comctl32.dll");
        if (!library) return found;
        Find(library, "InitCommonControlsEx", found.InitCommonControlsEx);
        Find(library, "SetWindowSubclass", found.SetWindowSubclass);
        Find(library, "RemoveWindowSubclass", found.RemoveWindowSubclass);
        Find(library, "DefSubclassProc", found.DefSubclassProc);
        return found;
    }();
    return controls;
}

const TZUXVisualStyles& VisualStyles() noexcept {
    // Freed with the process.
    static const TZUXVisualStyles styles = [] {
        TZUXVisualStyles found;
        if (const HMODULE library = LoadSystemLibrary(L"uxtheme.dll"))
            Find(library, "SetWindowTheme", found.SetWindowTheme);
        return found;
    }();
    return styles;
}

void UseClassicLook(HWND control) noexcept {
    if (const auto setWindowTheme = VisualStyles().SetWindowTheme)
        setWindowTheme(control, L"", L"");
}

} // namespace ZUX
