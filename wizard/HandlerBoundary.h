// The wizard's boundary between a message handler and the system's frames:
// an exception from a handler is caught and shown to the user in a message
// box of the setup, never unwound through the system's frames.
#pragma once

#include "ZUX/Base/Exceptions.h"
#include "ZUX/Base/Strings.h"
#include "ZUX/Base/Win32.h"

namespace Wizard {

// Shows message in an error box owned by the window's top-level window.
void ShowHandlerError(HWND window, const ZUX::String& message) noexcept;

template <typename F> void Guarded(HWND window, F&& f) noexcept {
    try {
        f();
    } catch (const ZUX::Exception& e) {
        ShowHandlerError(window, e.Message());
    } catch (const std::exception& e) {
        ShowHandlerError(window, ZUX::FromUtf8(e.what()));
    } catch (...) {
        ShowHandlerError(window, u"Unknown error");
    }
}

} // namespace Wizard
