// The base of every window of the toolkit: it owns its HWND, binds itself to
// it (at WM_NCCREATE for our own window classes, by subclassing for the
// system's control classes) and handles messages in one virtual function.
// An exception that escapes a handler never unwinds through the system's
// frames: the window procedure records it, and the modal loops end and raise
// it again (TakeHandlerError).
#pragma once

#include "ZUX/Base/Exceptions.h"
#include "ZUX/Base/Strings.h"
#include "ZUX/Base/Win32.h"

namespace ZUX {

ZUX_DECLARE_EXCEPTION(EZUXUIError, Exception);

// The window property that holds the global atom of a window's component name,
// so that other processes (screen readers, the UI driver) can read it.
inline constexpr wchar_t kComponentNameProperty[] = L"ZUX.ComponentName";
// The component name of a window that no toolkit object owns; "" takes it
// away. Its atom is freed only by RemoveComponentName (or a new name), so an
// owner calls it before the window goes.
void PublishComponentName(HWND window, const String& name) noexcept;
void RemoveComponentName(HWND window) noexcept;

class TZUXWindow {
public:
    TZUXWindow() = default;
    virtual ~TZUXWindow();
    TZUXWindow(const TZUXWindow&) = delete;
    TZUXWindow& operator=(const TZUXWindow&) = delete;

    HWND Handle() const noexcept { return handle_; }
    bool HandleAllocated() const noexcept { return handle_ != nullptr; }
    void DestroyHandle() noexcept;
    // The toolkit object bound to a window of this process, or none.
    static TZUXWindow* FromHandle(HWND window) noexcept;

    const String& ComponentName() const noexcept { return name_; }
    void SetComponentName(const String& name);
    // The component name of any window, also of another process.
    static String ReadComponentName(HWND window);

    // The first failure of a message handler since the last call, if any.
    static bool TakeHandlerError(String& message) noexcept;
    // Raises EZUXUIError when a handler failed.
    static void RaiseHandlerError();

protected:
    struct TCreateParams {
        String ClassName;
        bool SystemClass = false; // a control class of the system, subclassed
        UINT ClassStyle = CS_DBLCLKS;
        HCURSOR Cursor = nullptr; // the arrow when none
        DWORD Style = 0;
        DWORD ExStyle = 0;
        int X = CW_USEDEFAULT, Y = CW_USEDEFAULT, Width = CW_USEDEFAULT, Height = CW_USEDEFAULT;
        HWND Parent = nullptr;
        UINT_PTR Id = 0; // child identifier, or the menu of a top-level window
        String Caption;
    };
    // Raises EZUXUIError when the window cannot be created.
    void CreateHandle(const TCreateParams& params);
    virtual LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);
    // What the window class does with a message we do not handle.
    LRESULT DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    // Called once the window exists (after WM_CREATE).
    virtual void HandleCreated() {}
    // Called while the window is being destroyed (WM_NCDESTROY).
    virtual void HandleDestroyed() noexcept {}

private:
    static LRESULT CALLBACK ClassWndProc(HWND, UINT, WPARAM, LPARAM) noexcept;
    static LRESULT CALLBACK SubclassWndProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR,
                                            DWORD_PTR) noexcept;
    static void RecordHandlerError(String message) noexcept;
    LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    void Bind(HWND window) noexcept;
    void Unbind() noexcept;
    void PublishName() noexcept;

    HWND handle_ = nullptr;
    bool subclassed_ = false;
    String name_;
};

} // namespace ZUX
