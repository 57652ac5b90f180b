// The language choice shown before the wizard: a list of the setup package's
// languages with the user's own preselected, and an OK button.
#pragma once

#include "engine/SetupResources.h"

#include <vector>

class TSetupLanguageDialog {
public:
    // The chosen item of items (however the dialog was closed), or -1.
    static int Execute(const std::vector<TSetupLanguageInfo>& items, int preselected);
};
