#include "ZUX/UI/Application.h"

#include "ZUX/Base/FileAttributes.h"
#include "ZUX/Base/ScopeExit.h"
#include "ZUX/Base/Shell.h"
#include "ZUX/UI/SystemLibraries.h"

#include <commctrl.h>
#include <objbase.h>

#include <vector>

namespace ZUX {

namespace {
// The scope of the running program, while it exists.
TZUXApplicationScope* scope = nullptr;
} // namespace

TZUXApplicationScope::TZUXApplicationScope() noexcept {
    com_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS |
                                                       ICC_USEREX_CLASSES | ICC_TREEVIEW_CLASSES};
    if (const auto init = CommonControls().InitCommonControlsEx) init(&controls);
    loader_ = CreateThread(nullptr, 0, LoadRichEdit, this, 0, nullptr);
    if (!loader_) LoadRichEdit(this);
    scope = this;
}

TZUXApplicationScope::~TZUXApplicationScope() {
    WaitForRichEdit();
    scope = nullptr;
    if (richEdit_) FreeLibrary(richEdit_);
    if (com_) CoUninitialize();
}

DWORD WINAPI TZUXApplicationScope::LoadRichEdit(void* self) noexcept {
    static_cast<TZUXApplicationScope*>(self)->richEdit_ = LoadLibraryW(L"MSFTEDIT.DLL");
    return 0;
}

void TZUXApplicationScope::WaitForRichEdit() noexcept {
    if (!scope || !scope->loader_) return;
    WaitForSingleObject(scope->loader_, INFINITE);
    CloseHandle(scope->loader_);
    scope->loader_ = nullptr;
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

namespace {
thread_local int pumpDepth = 0;
} // namespace

bool InsideMessagePump() noexcept {
    return pumpDepth > 0;
}

void ProcessMessages() {
    ++pumpDepth;
    const auto leave = ScopeExit([] { --pumpDepth; });
    std::vector<MSG> held;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(int(message.wParam));
            break;
        }
        if (message.message == WM_CLOSE) {
            held.push_back(message);
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    for (const MSG& m : held) PostMessageW(m.hwnd, m.message, m.wParam, m.lParam);
}

} // namespace ZUX
