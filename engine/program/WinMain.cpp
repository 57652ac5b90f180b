// The entry of Setup.exe (and of its copy Uninstall.exe).
#include "ZUX/Base/Win32.h"
#include "ZUX/UI/Application.h"
#include "engine/Setup.h"
#include "wizard/LanguageDialog.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // COM, the common controls and RichEdit for the whole run.
    const ZUX::TZUXApplicationScope application;
    TSetupUserInterface ui;
    ui.ChooseLanguage = ChooseSetupLanguage;
    return SetupMain(ui);
}
