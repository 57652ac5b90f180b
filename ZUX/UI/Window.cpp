// The base window: binding an object to its HWND, subclassing system
// controls, component names and the window procedure's exception boundary.
#include "ZUX/UI/Window.h"

#include "ZUX/UI/Application.h"
#include "ZUX/UI/SystemLibraries.h"

#include <commctrl.h>

namespace ZUX {

namespace {

constexpr wchar_t kObjectProperty[] = L"ZUX.Object";
constexpr UINT_PTR kSubclassId = 0x5A5558; // "ZUX"

// The failure of a handler, kept for the modal loop of the same thread.
thread_local String handlerError;
thread_local bool handlerFailed = false;

} // namespace

TZUXWindow::~TZUXWindow() {
    DestroyHandle();
}

void TZUXWindow::DestroyHandle() noexcept {
    if (handle_) DestroyWindow(handle_);
    // A window of another thread cannot be destroyed from here; forget it.
    if (handle_) Unbind();
}

TZUXWindow* TZUXWindow::FromHandle(HWND window) noexcept {
    if (!window) return nullptr;
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId()) return nullptr;
    return static_cast<TZUXWindow*>(GetPropW(window, kObjectProperty));
}

void TZUXWindow::SetComponentName(const String& name) {
    name_ = name;
    PublishName();
}

void TZUXWindow::PublishName() noexcept {
    if (handle_) PublishComponentName(handle_, name_);
}

void PublishComponentName(HWND window, const String& name) noexcept {
    RemoveComponentName(window);
    // Atoms hold at most 255 characters; longer names are cut.
    if (name.empty()) return;
    try {
        const String atomName = name.substr(0, 255);
        const ATOM atom = GlobalAddAtomW(WStr(atomName));
        if (atom)
            SetPropW(window, kComponentNameProperty, reinterpret_cast<HANDLE>(uintptr_t(atom)));
    } catch (...) {
    }
}

void RemoveComponentName(HWND window) noexcept {
    const ATOM atom = ATOM(uintptr_t(RemovePropW(window, kComponentNameProperty)));
    if (atom) GlobalDeleteAtom(atom);
}

String TZUXWindow::ReadComponentName(HWND window) {
    const ATOM atom = ATOM(uintptr_t(GetPropW(window, kComponentNameProperty)));
    if (!atom) return {};
    wchar_t buffer[256];
    const UINT n = GlobalGetAtomNameW(atom, buffer, 256);
    return FromWStr(buffer, n);
}

bool TZUXWindow::TakeHandlerError(String& message) noexcept {
    if (!handlerFailed) return false;
    handlerFailed = false;
    message = std::move(handlerError);
    handlerError.clear();
    return true;
}

void TZUXWindow::RaiseHandlerError() {
    String message;
    if (TakeHandlerError(message)) throw EZUXUIError(message);
}

void TZUXWindow::RecordHandlerError(String message) noexcept {
    if (handlerFailed) return; // the first failure is the cause; keep it
    try {
        handlerError = std::move(message);
    } catch (...) {
    }
    handlerFailed = true;
}

void TZUXWindow::CreateHandle(const TCreateParams& p) {
    if (handle_) return;
    TZUXApplicationScope::WaitForControls();
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    if (!p.SystemClass) {
        WNDCLASSEXW info{};
        info.cbSize = sizeof info;
        if (!GetClassInfoExW(instance, WStr(p.ClassName), &info)) {
            info.style = p.ClassStyle;
            info.lpfnWndProc = ClassWndProc;
            info.hInstance = instance;
            info.hCursor = p.Cursor ? p.Cursor : LoadCursorW(nullptr, IDC_ARROW);
            info.lpszClassName = WStr(p.ClassName);
            if (!RegisterClassExW(&info))
                throw EZUXUIError(u"Cannot register the window class " + p.ClassName);
        }
    }
    const HWND window = CreateWindowExW(
        p.ExStyle, WStr(p.ClassName), WStr(p.Caption), p.Style, p.X, p.Y, p.Width, p.Height,
        p.Parent, reinterpret_cast<HMENU>(p.Id), instance, p.SystemClass ? nullptr : this);
    if (!window) {
        RaiseHandlerError();
        throw EZUXUIError(u"Cannot create a window of the class " + p.ClassName);
    }
    if (p.SystemClass) {
        Bind(window);
        const auto subclass = CommonControls().SetWindowSubclass;
        subclassed_ = subclass && subclass(window, SubclassWndProc, kSubclassId,
                                           reinterpret_cast<DWORD_PTR>(this));
    }
    HandleCreated();
}

void TZUXWindow::Bind(HWND window) noexcept {
    handle_ = window;
    SetPropW(window, kObjectProperty, this);
    PublishName();
}

void TZUXWindow::Unbind() noexcept {
    if (!handle_) return;
    RemovePropW(handle_, kObjectProperty);
    RemoveComponentName(handle_);
    if (subclassed_) CommonControls().RemoveWindowSubclass(handle_, SubclassWndProc, kSubclassId);
    subclassed_ = false;
    handle_ = nullptr;
}

LRESULT TZUXWindow::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefaultHandler(message, wParam, lParam);
}

LRESULT TZUXWindow::DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    // Subclassed only where the common controls were loaded.
    if (subclassed_) return CommonControls().DefSubclassProc(handle_, message, wParam, lParam);
    return DefWindowProcW(handle_, message, wParam, lParam);
}

LRESULT TZUXWindow::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    const HWND window = handle_;
    LRESULT result = 0;
    try {
        result = WndProc(message, wParam, lParam);
    } catch (const Exception& e) {
        RecordHandlerError(e.Message());
    } catch (const std::exception& e) {
        RecordHandlerError(FromUtf8(e.what()));
    } catch (...) {
        RecordHandlerError(u"Unknown error in a window handler");
    }
    if (message == WM_NCDESTROY && handle_ == window) {
        Unbind();
        HandleDestroyed();
    }
    return result;
}

LRESULT CALLBACK TZUXWindow::ClassWndProc(HWND window, UINT message, WPARAM wParam,
                                          LPARAM lParam) noexcept {
    auto* self = static_cast<TZUXWindow*>(GetPropW(window, kObjectProperty));
    if (!self && message == WM_NCCREATE) {
        self = static_cast<TZUXWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        if (self) self->Bind(window);
    }
    if (!self) return DefWindowProcW(window, message, wParam, lParam);
    return self->Dispatch(message, wParam, lParam);
}

LRESULT CALLBACK TZUXWindow::SubclassWndProc(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam, UINT_PTR, DWORD_PTR data) noexcept {
    auto* self = reinterpret_cast<TZUXWindow*>(data);
    if (!self || self->handle_ != window)
        return CommonControls().DefSubclassProc(window, message, wParam, lParam);
    return self->Dispatch(message, wParam, lParam);
}

} // namespace ZUX
