// What the toolkit needs for the whole run of the program: COM on the main
// thread, the common controls, and the RichEdit library. Created first in the
// program's entry and destroyed last. A thread of its own readies the
// toolkit's font while the program reads its packages, and once the first
// window shows, the imaging component and the RichEdit library; a viewer
// waits for RichEdit before it makes its window. Also here: where links go,
// and the message pump of a handler that runs long.
#pragma once

#include "ZUX/Base/Com.h"
#include "ZUX/Base/Handle.h"
#include "ZUX/Base/Strings.h"
#include "ZUX/Base/Win32.h"

#include <atomic>
#include <functional>

namespace ZUX {

class TZUXApplicationScope {
public:
    // Without preload (a run that expects no windows) nothing is readied
    // beside the start; the first window, if one comes, loads it all then.
    explicit TZUXApplicationScope(bool preload = true) noexcept;
    ~TZUXApplicationScope();
    TZUXApplicationScope(const TZUXApplicationScope&) = delete;
    TZUXApplicationScope& operator=(const TZUXApplicationScope&) = delete;

    // Waits until the RichEdit library is loaded (at once without a scope).
    static void WaitForRichEdit() noexcept;
    // Waits until the common controls are ready for windows to be made (at
    // once without a scope).
    static void WaitForControls() noexcept;
    // The first window is on the screen: the libraries of the later ones may
    // load now.
    static void FirstWindowShown() noexcept;

private:
    static DWORD WINAPI LoadLibraries(void* self) noexcept;
    static void LoadOnDemand() noexcept;

    // Dropped in reverse: the libraries before COM goes.
    TZUXComInit com_;
    TZUXModule richEdit_;
    TZUXModule imaging_;
    std::atomic<bool> ending_ = false;
    bool onDemand_ = false;          // nothing readied yet; main thread only
    TZUXKernelHandle controlsReady_; // set once they are
    TZUXKernelHandle firstWindow_;   // set once it shows
    TZUXKernelHandle loader_;
};

// Where the links of the toolkit's controls go: the shell by default; a
// program that runs elevated hands them to the user who started it.
void SetLinkOpener(std::function<void(const String& target)> opener);
// The target of a link text: with "//" as it is, an existing folder as it
// is, anything else as "https://" followed by the text.
String LinkTarget(const String& text);
// Opens the link text's target through the link opener; nothing for "".
void OpenLinkText(const String& text);
// Opens an address as it is through the link opener.
void OpenAddress(const String& target);

// Lets sent and posted messages through while a handler runs (a long
// notification from a worker that waits for it). A WM_QUIT is put back; a
// WM_CLOSE waits until the pump has returned, so that a window is never
// closed under the handler that pumps.
void ProcessMessages();
// Whether ProcessMessages is running on this thread.
bool InsideMessagePump() noexcept;

} // namespace ZUX
