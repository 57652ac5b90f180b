// The entry of Setup.exe (and of its copy Uninstall.exe).
#include "ZUX/Base/Win32.h"
#include "ZUX/UI/Application.h"
#include "engine/Setup.h"
#include "engine/SpawnService.h"
#include "wizard/LanguageDialog.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // COM, the common controls and RichEdit for the whole run.
    const ZUX::TZUXApplicationScope application;
    // Links open as the user who started the setup, not as the elevated one.
    ZUX::SetLinkOpener([](const ZUX::String& target) { TSetupSpawnService::Run(target); });
    TSetupUserInterface ui;
    ui.ChooseLanguage = ChooseSetupLanguage;
    return SetupMain(ui);
}
