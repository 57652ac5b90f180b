// The setup's language dialog: the languages of the setup package with their
// names and icons, and the preselection by the user's UI language.
#include "wizard/LanguageDialog.h"

void TSetupLanguageDialog::Populate() {
    for (const TSetupLanguageInfo& language : resources_.ListLanguages())
        AddLanguage(language.Name, language.LangId, language.Icon, language.Index);
}

int ChooseSetupLanguage(TSetupResources& resources, bool show) {
    TSetupLanguageDialog dialog(resources);
    return dialog.Execute(show);
}
