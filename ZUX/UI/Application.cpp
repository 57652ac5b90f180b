#include "ZUX/UI/Application.h"

#include "ZUX/Base/FileAttributes.h"
#include "ZUX/Base/Shell.h"
#include "ZUX/UI/Control.h"
#include "ZUX/UI/Dpi.h"
#include "ZUX/UI/Gdi.h"

#include <commctrl.h>
#include <objbase.h>
#include <wincodec.h>

namespace ZUX {

namespace {
// The scope of the running program, while it exists.
TZUXApplicationScope* scope = nullptr;
} // namespace

TZUXApplicationScope::TZUXApplicationScope() noexcept {
    com_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS |
                                                       ICC_USEREX_CLASSES | ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    loader_ = CreateThread(nullptr, 0, LoadLibraries, this, 0, nullptr);
    if (!loader_) LoadLibraries(this);
    scope = this;
}

TZUXApplicationScope::~TZUXApplicationScope() {
    WaitForRichEdit();
    scope = nullptr;
    if (richEdit_) FreeLibrary(richEdit_);
    if (imaging_) FreeLibrary(imaging_);
    if (com_) CoUninitialize();
}

DWORD WINAPI TZUXApplicationScope::LoadLibraries(void* self) noexcept {
    auto& scope = *static_cast<TZUXApplicationScope*>(self);
    // What the first window needs comes first: the imaging component for the
    // language icons, kept loaded (COM would unload it with this thread's
    // apartment), and the toolkit's face, which the font cache then holds.
    scope.imaging_ = LoadLibraryW(L"WINDOWSCODECS.DLL");
    if (SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {
        IWICImagingFactory* factory = nullptr;
        if (SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                       IID_PPV_ARGS(&factory))))
            factory->Release();
        CoUninitialize();
    }
    if (const HDC screen = GetDC(nullptr)) {
        const TZUXFontHandle font = CreatePointFont(TZUXFont().Face, TZUXFont().Points10,
                                                    GetSystemDpi(), false, false, false, false);
        const HGDIOBJ old = SelectObject(screen, font.Get());
        TEXTMETRICW metrics;
        GetTextMetricsW(screen, &metrics);
        SelectObject(screen, old);
        ReleaseDC(nullptr, screen);
    }
    scope.richEdit_ = LoadLibraryW(L"MSFTEDIT.DLL");
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

} // namespace ZUX
