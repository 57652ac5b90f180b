// The process-wide texts of the toolkit's dialogs. English until the program
// replaces them with texts of its language files.
#pragma once

#include "ZUX/Base/Strings.h"

namespace ZUX {

struct TZUXDialogTexts {
    String Ok = u"OK";
    String Cancel = u"Cancel";
    String BrowseTitle = u"Browse Folder";
    String NewFolder = u"New folder";
};

// The texts every toolkit dialog reads when it is built.
TZUXDialogTexts& DialogTexts() noexcept;

} // namespace ZUX
