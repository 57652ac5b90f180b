// The system's libraries the toolkit uses that are not among its known
// libraries (the common controls and the visual styles), found at run time in
// the system folder. Imported by name they would be loaded before the program
// can restrict the library search, from the program's own folder first, with
// their own dependencies: a downloads folder may hold a library planted beside
// Setup.exe under such a name.
#pragma once

#include "ZUX/Base/Win32.h"

#include <commctrl.h>

namespace ZUX {

// The functions of comctl32.dll the toolkit uses; null where the library
// cannot be loaded. The version the program's manifest asks for is taken.
struct TZUXCommonControls {
    BOOL(WINAPI* InitCommonControlsEx)(const INITCOMMONCONTROLSEX*) = nullptr;
    BOOL(WINAPI* SetWindowSubclass)(HWND, SUBCLASSPROC, UINT_PTR, DWORD_PTR) = nullptr;
    BOOL(WINAPI* RemoveWindowSubclass)(HWND, SUBCLASSPROC, UINT_PTR) = nullptr;
    LRESULT(WINAPI* DefSubclassProc)(HWND, UINT, WPARAM, LPARAM) = nullptr;
};
// Loaded on first use and kept for the run, after the visual styles and the
// alpha blending from the system folder. The program restricts the library
// search before, so the library's own dependencies come from the system too.
const TZUXCommonControls& CommonControls() noexcept;

// The functions of uxtheme.dll the toolkit uses; null where the system has
// none.
struct TZUXVisualStyles {
    HRESULT(WINAPI* SetWindowTheme)(HWND, LPCWSTR, LPCWSTR) = nullptr;
};
// Loaded on first use and kept for the run.
const TZUXVisualStyles& VisualStyles() noexcept;

// Gives a control the classic look, which takes the colours we give it; no
// change where the system has no visual styles.
void UseClassicLook(HWND control) noexcept;

} // namespace ZUX
