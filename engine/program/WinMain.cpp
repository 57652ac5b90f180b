// The entry of Setup.exe (and of its copy Uninstall.exe).
#include "ZUX/Base/CommandLine.h"
#include "ZUX/Base/FileSystem.h"
#include "ZUX/Base/LibrarySearch.h"
#include "ZUX/Base/Win32.h"
#include "ZUX/UI/Application.h"
#include "engine/Setup.h"
#include "engine/SpawnService.h"
#include "wizard/LanguageDialog.h"
#include "wizard/WizardMain.h"

#include <cstdlib>

// The C++ runtime's default terminate handler prints the exception's type on
// stderr, which a windowed program does not have, and brings a demangler of
// 50 KiB with it. Ours ends the process the same way, without the text.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
    std::abort();
}
} // namespace __gnu_cxx

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // Before anything else loads a library: Setup.exe is started from
    // downloads folders.
    ZUX::RestrictLibrarySearch();
    // COM, the common controls and RichEdit for the whole run; a silent run
    // readies none of the windows' libraries unless an error box needs them.
    const ZUX::String params = ZUX::GetParams();
    const bool silent = ZUX::HasSwitch(params, u"AUTO") && ZUX::HasSwitch(params, u"SILENT");
    // The program's name is read from the loader now, before the start-up
    // thread holds the loader's lock while it loads the common controls.
    ZUX::GetProgramFileName();
    const ZUX::TZUXApplicationScope application(!silent);
    // Links open as the user who started the setup, not as the elevated one.
    ZUX::SetLinkOpener([](const ZUX::String& target) { TSetupSpawnService::Run(target); });
    TSetupUserInterface ui;
    ui.ChooseLanguage = ChooseSetupLanguage;
    ui.RunWizard = RunSetupWizard;
    return SetupMain(ui);
}
