// The wizard and its message loop, for the program's main routine.
#include "wizard/WizardMain.h"

#include "ZUX/UI/MessageDialog.h"
#include "engine/Setup.h"
#include "product/ProductZIVR.h"
#include "wizard/WizardForm.h"

namespace {

// An update that was killed earlier was put back before the wizard opened: the
// user learns it before choosing anything. Unattended runs have the log for it.
void ShowRecoveryNotice(HWND owner) {
    if (!Setup || Setup->HasFlag(sfAuto)) return;
    const auto* product = dynamic_cast<const TProductInfoZIVR*>(Setup->ProductInfo.get());
    if (product && !product->Recovery.Notice.empty())
        ZUX::ZUXMessageBox(owner, product->Recovery.Notice, ZUX::String(), MB_ICONINFORMATION);
}

} // namespace

void RunSetupWizard() {
    auto form = std::make_unique<TWizardForm>();
    ShowWindow(form->Handle(), SW_SHOW);
    SetForegroundWindow(form->Handle());
    ShowRecoveryNotice(form->Handle());
    MSG message;
    while (!form->Closed() && GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageW(form->Handle(), &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    form.reset();
}
