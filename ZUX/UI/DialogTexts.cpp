// The process-wide texts of the toolkit's dialogs and their English defaults.
#include "ZUX/UI/DialogTexts.h"

namespace ZUX {

TZUXDialogTexts& DialogTexts() noexcept {
    static TZUXDialogTexts texts;
    return texts;
}

} // namespace ZUX
