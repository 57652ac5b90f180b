// Message-only windows and the waits that serve them.
#include "ZUX/Base/MessageWindow.h"

#include "ZUX/Base/Exceptions.h"
#include "ZUX/Base/OSError.h"

#include <exception>

namespace ZUX {

namespace {

// Static initialisation runs on the thread that starts the program.
const DWORD kMainThreadId = GetCurrentThreadId();

UINT SynchronizeMessage() {
    static const UINT message = RegisterWindowMessageW(L"ZUX.Synchronize");
    return message;
}

struct TSyncRequest {
    const std::function<void()>* f;
    std::exception_ptr error;
};

} // namespace

bool IsMainThread() {
    return GetCurrentThreadId() == kMainThreadId;
}

TZUXMessageWindow::TZUXMessageWindow(const String& className, TWindowProc proc)
    : proc_(std::move(proc)) {
    if (!IsMainThread()) throw EInvalidOperation(u"Cannot create window in non-main thread");
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExW(instance, WStr(className), &existing) &&
        existing.lpfnWndProc != &WindowProc)
        UnregisterClassW(WStr(className), instance);
    WNDCLASSEXW cls{};
    cls.cbSize = sizeof cls;
    cls.lpfnWndProc = &WindowProc;
    cls.hInstance = instance;
    cls.lpszClassName = WStr(className);
    RegisterClassExW(&cls); // already registered with our procedure is fine
    handle_ = CreateWindowExW(WS_EX_TOOLWINDOW, WStr(className), L"", WS_POPUP, 0, 0, 0, 0,
                              HWND_MESSAGE, nullptr, instance, this);
    if (!handle_) RaiseLastOSError();
}

TZUXMessageWindow::~TZUXMessageWindow() {
    if (handle_) {
        SetWindowLongPtrW(handle_, GWLP_USERDATA, 0);
        DestroyWindow(handle_);
    }
}

void TZUXMessageWindow::Synchronize(const std::function<void()>& f) {
    if (GetWindowThreadProcessId(handle_, nullptr) == GetCurrentThreadId()) {
        f();
        return;
    }
    TSyncRequest request{&f, nullptr};
    SendMessageW(handle_, SynchronizeMessage(), 0, reinterpret_cast<LPARAM>(&request));
    if (request.error) std::rethrow_exception(request.error);
}

void TZUXMessageWindow::RecordHandlerError(std::exception_ptr error) noexcept {
    if (!handlerError_) handlerError_ = error;
    try {
        String text = u"Unknown error";
        try {
            std::rethrow_exception(error);
        } catch (const Exception& e) {
            text = e.Message();
        } catch (const std::exception& e) {
            text = FromUtf8(e.what());
        } catch (...) {
        }
        OutputDebugStringW(WStr(text));
        if (OnHandlerError) OnHandlerError(text);
    } catch (...) {
        // Reporting must not fail the window procedure either.
    }
}

LRESULT CALLBACK TZUXMessageWindow::WindowProc(HWND window, UINT message, WPARAM wParam,
                                               LPARAM lParam) noexcept {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<TZUXMessageWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self) {
        if (message == SynchronizeMessage() && lParam) {
            auto* request = reinterpret_cast<TSyncRequest*>(lParam);
            try {
                (*request->f)();
            } catch (...) {
                request->error = std::current_exception();
            }
            return 0;
        }
        LRESULT result = 0;
        try {
            if (self->proc_ && self->proc_(message, wParam, lParam, result)) return result;
        } catch (...) {
            // Never through the system's frames.
            self->RecordHandlerError(std::current_exception());
        }
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

DWORD WaitServingMessages(HANDLE handle, DWORD timeoutMs) {
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        DWORD left = INFINITE;
        if (timeoutMs != INFINITE) {
            const ULONGLONG spent = GetTickCount64() - start;
            if (spent >= timeoutMs) return WAIT_TIMEOUT;
            left = DWORD(timeoutMs - spent);
        }
        const DWORD r = MsgWaitForMultipleObjects(1, &handle, FALSE, left, QS_SENDMESSAGE);
        if (r == WAIT_OBJECT_0 || r == WAIT_TIMEOUT) return r;
        if (r == WAIT_FAILED) return r;
        // Sent messages are delivered inside this call.
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

} // namespace ZUX
