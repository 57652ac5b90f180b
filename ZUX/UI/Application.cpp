#include "ZUX/UI/Application.h"

#include <commctrl.h>
#include <objbase.h>

namespace ZUX {

TZUXApplicationScope::TZUXApplicationScope() noexcept {
    com_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS |
                                                       ICC_USEREX_CLASSES | ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    richEdit_ = LoadLibraryW(L"MSFTEDIT.DLL");
}

TZUXApplicationScope::~TZUXApplicationScope() {
    if (richEdit_) FreeLibrary(richEdit_);
    if (com_) CoUninitialize();
}

} // namespace ZUX
