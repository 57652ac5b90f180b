// Message-only windows of the main thread, the way other threads and other
// processes reach it synchronously, and waits that keep serving them.
#pragma once

#include "ZUX/Base/Strings.h"
#include "ZUX/Base/Win32.h"

#include <exception>
#include <functional>

namespace ZUX {

// True on the thread that started the program.
bool IsMainThread();

class TZUXMessageWindow {
public:
    // Returns true when it handled the message and set result.
    using TWindowProc =
        std::function<bool(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)>;

    // A message-only window of the class className, whose messages go to
    // proc. Raises EInvalidOperation "Cannot create window in non-main thread"
    // off the main thread, EOSError when Windows refuses.
    TZUXMessageWindow(const String& className, TWindowProc proc);
    ~TZUXMessageWindow();
    TZUXMessageWindow(const TZUXMessageWindow&) = delete;
    TZUXMessageWindow& operator=(const TZUXMessageWindow&) = delete;

    HWND Handle() const { return handle_; }

    // Runs f on the window's thread while the caller waits; an exception of
    // f is raised again in the caller. Runs f at once on the window's thread.
    void Synchronize(const std::function<void()>& f);

    // An exception that escapes the message handler stops at the window
    // procedure: the first one is kept here, each is passed to OnHandlerError
    // (when set) with its message, and the message gets the default handling.
    std::exception_ptr HandlerError() const { return handlerError_; }
    std::function<void(const String& message)> OnHandlerError;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam,
                                       LPARAM lParam) noexcept;
    void RecordHandlerError(std::exception_ptr error) noexcept;

    TWindowProc proc_;
    std::exception_ptr handlerError_;
    HWND handle_ = nullptr;
};

// Waits for the handle while serving messages sent to this thread's windows
// (and so requests to run code here). WAIT_OBJECT_0 or WAIT_TIMEOUT.
DWORD WaitServingMessages(HANDLE handle, DWORD timeoutMs = INFINITE);

} // namespace ZUX
