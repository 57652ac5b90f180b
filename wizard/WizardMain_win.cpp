// The wizard and its message loop, for the program's main routine.
#include "wizard/WizardMain.h"

#include "wizard/WizardForm.h"

void RunSetupWizard() {
    auto form = std::make_unique<TWizardForm>();
    ShowWindow(form->Handle(), SW_SHOW);
    SetForegroundWindow(form->Handle());
    MSG message;
    while (!form->Closed() && GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageW(form->Handle(), &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    form.reset();
}
