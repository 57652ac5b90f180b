// The setup's language dialog: the languages of the setup package, each with
// the name and icon from its language file.
#pragma once

#include "ZUX/UI/LanguageDialog.h"
#include "engine/SetupResources.h"

class TSetupLanguageDialog : public ZUX::TZUXCustomLanguageDialog {
public:
    explicit TSetupLanguageDialog(const TSetupResources& resources) : resources_(resources) {}

protected:
    ZUX::String WindowClassName() const override { return u"TSetupLanguageDialog"; }
    void Populate() override;

private:
    const TSetupResources& resources_;
};

// The index in the resources' Languages of the chosen language (the
// preselection when show is false), or -1 for none.
int ChooseSetupLanguage(TSetupResources& resources, bool show);
