// Locale comparisons built on the platform seam.
#include "ZUX/Base/Locale.h"

namespace ZUX {

bool SameText(StringView a, StringView b) {
    return a.size() == b.size() && CompareTextIgnoreCase(a, b) == 0;
}

} // namespace ZUX
