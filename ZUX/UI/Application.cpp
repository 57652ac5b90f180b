// The toolkit's run-wide scope (COM, the common controls, the libraries loaded
// beside the start), where links go, and the message pump of long handlers.
#include "ZUX/UI/Application.h"

#include "ZUX/Base/FileAttributes.h"
#include "ZUX/Base/ScopeExit.h"
#include "ZUX/Base/Shell.h"
#include "ZUX/UI/Control.h"
#include "ZUX/UI/Dpi.h"
#include "ZUX/UI/Gdi.h"
#include "ZUX/UI/SystemLibraries.h"

#include <commctrl.h>
#include <objbase.h>
#include <wincodec.h>

#include <vector>

namespace ZUX {

namespace {
// The scope of the running program, while it exists.
TZUXApplicationScope* scope = nullptr;
} // namespace

// COM (a member, so before the thread starts) brings up the window system on
// this thread. Under Wine the thread must not load a library while this one
// does that: both then wait on each other in the loader and the program hangs
// before its first window.
TZUXApplicationScope::TZUXApplicationScope(bool preload) noexcept {
    scope = this;
    if (!preload) {
        onDemand_ = true;
        return;
    }
    controlsReady_ = TZUXKernelHandle(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    firstWindow_ = TZUXKernelHandle(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (controlsReady_ && firstWindow_)
        loader_ = TZUXKernelHandle(CreateThread(nullptr, 0, LoadLibraries, this, 0, nullptr));
    if (!loader_) {
        controlsReady_.Close();
        firstWindow_.Close();
        LoadLibraries(this);
    }
}

TZUXApplicationScope::~TZUXApplicationScope() {
    ending_ = true; // what was not loaded yet is no longer wanted
    onDemand_ = false;
    WaitForRichEdit();
    scope = nullptr;
}

DWORD WINAPI TZUXApplicationScope::LoadLibraries(void* self) noexcept {
    auto& scope = *static_cast<TZUXApplicationScope*>(self);
    // What the first window needs comes first, while the program reads its
    // packages: the common controls with the visual styles, and the
    // toolkit's face, which the font cache then holds.
    INITCOMMONCONTROLSEX controls{sizeof controls,
                                  ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_TREEVIEW_CLASSES};
    if (const auto init = CommonControls().InitCommonControlsEx) init(&controls);
    if (const HDC screen = GetDC(nullptr)) {
        const TZUXFontHandle font = CreatePointFont(TZUXFont().Face, TZUXFont().Points10,
                                                    GetSystemDpi(), false, false, false, false);
        const HGDIOBJ old = SelectObject(screen, font.Get());
        TEXTMETRICW metrics;
        GetTextMetricsW(screen, &metrics);
        SelectObject(screen, old);
        ReleaseDC(nullptr, screen);
    }
    if (scope.controlsReady_) SetEvent(scope.controlsReady_.Get());
    // The rest is for the windows that follow: loading it while the first
    // one is made would hold the loader lock and a processor from it.
    if (scope.firstWindow_) WaitForSingleObject(scope.firstWindow_.Get(), INFINITE);
    if (scope.ending_) return 0;
    // The imaging component for the pictures, kept loaded (COM would unload
    // it with this thread's apartment), and RichEdit.
    scope.imaging_ = TZUXModule(LoadLibraryW(L"WINDOWSCODECS.DLL"));
    if (SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) {
        const auto uninitialize = ScopeExit([] { CoUninitialize(); });
        TZUXComPtr<IWICImagingFactory> factory;
        CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                         IID_PPV_ARGS(factory.GetAddressOf()));
    }
    scope.richEdit_ = TZUXModule(LoadLibraryW(L"MSFTEDIT.DLL"));
    return 0;
}

void TZUXApplicationScope::LoadOnDemand() noexcept {
    if (!scope || !scope->onDemand_) return;
    scope->onDemand_ = false;
    LoadLibraries(scope); // no events: all of it, at once
}

void TZUXApplicationScope::WaitForControls() noexcept {
    LoadOnDemand();
    if (scope && scope->controlsReady_) WaitForSingleObject(scope->controlsReady_.Get(), INFINITE);
}

void TZUXApplicationScope::FirstWindowShown() noexcept {
    if (scope && scope->firstWindow_) SetEvent(scope->firstWindow_.Get());
}

void TZUXApplicationScope::WaitForRichEdit() noexcept {
    LoadOnDemand();
    if (!scope || !scope->loader_) return;
    FirstWindowShown(); // a run without windows, or one that needs RichEdit first
    WaitForSingleObject(scope->loader_.Get(), INFINITE);
    scope->loader_.Close();
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
