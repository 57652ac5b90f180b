// Showing an error that a message handler raised, in the wizard's message box.
#include "wizard/HandlerBoundary.h"

#include "ZUX/UI/MessageDialog.h"

namespace Wizard {

void ShowHandlerError(HWND window, const ZUX::String& message) noexcept {
    try {
        const HWND root = window ? GetAncestor(window, GA_ROOT) : nullptr;
        ZUX::ZUXMessageBox(root, message, u"Setup", MB_OK | MB_ICONERROR);
    } catch (...) {
    }
}

} // namespace Wizard
