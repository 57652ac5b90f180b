// The interactive face of the program: the language choice, then the wizard
// and its message loop. Registered with the engine at start-up.
#include "engine/Setup.h"
#include "wizard/LanguageDialog.h"
#include "wizard/WizardForm.h"

#include <commctrl.h>
#include <objbase.h>

namespace {

class TComApartment {
public:
    TComApartment() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~TComApartment() {
        if (SUCCEEDED(hr_)) CoUninitialize();
    }
    TComApartment(const TComApartment&) = delete;
    TComApartment& operator=(const TComApartment&) = delete;

private:
    HRESULT hr_;
};

void InitControls() {
    INITCOMMONCONTROLSEX init{sizeof init, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS |
                                               ICC_LINK_CLASS | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&init);
}

int ChooseLanguage(const std::vector<TSetupLanguageInfo>& items, int preselected) {
    InitControls();
    return TSetupLanguageDialog::Execute(items, preselected);
}

void RunWizard() {
    TComApartment com;
    InitControls();
    Wizard::LoadRichEdit();
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

constexpr TSetupInteraction kInteraction{&ChooseLanguage, &RunWizard};

// Registered while the program's modules are initialised, before the main routine.
const bool kRegistered = [] {
    SetupInteraction = &kInteraction;
    return true;
}();

} // namespace
