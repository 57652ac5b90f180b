#include "ZUX/UI/DialogTexts.h"

namespace ZUX {

TZUXDialogTexts& DialogTexts() noexcept {
    static TZUXDialogTexts texts;
    return texts;
}

} // namespace ZUX
