#include "ZUX/UI/Application.h"

#include "ZUX/Base/FileAttributes.h"
#include "ZUX/Base/Shell.h"

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

namespace {
std::function<void(const String&)>& LinkOpener() {
    static std::function<void(const String&)> opener;
    return opener;
}
} // namespace

void SetLinkOpener(std::function<void(const String& target)> opener) {
    LinkOpener() = std::move(opener);
}

String LinkTarget(const String& text) {
    if (text.find(u"//") != String::npos) return text;
    if (DirectoryExists(text)) return text;
    return u"https://" + text;
}

void OpenLinkText(const String& text) {
    if (!text.empty()) OpenAddress(LinkTarget(text));
}

void OpenAddress(const String& target) {
    if (target.empty()) return;
    if (LinkOpener())
        LinkOpener()(target);
    else
        ShellOpen(target);
}

} // namespace ZUX
