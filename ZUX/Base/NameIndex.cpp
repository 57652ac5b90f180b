// The case-blind hash of the name index, with a shortcut for plain ASCII names.
#include "ZUX/Base/NameIndex.h"

namespace ZUX {

size_t HashIgnoreCase(StringView name) {
    // Most names are plain ASCII: upper-cased here, one locale call saved per name.
    String upper(name);
    for (char16_t& c : upper) {
        if (c >= 0x80) return std::hash<StringView>()(UpperCase(name));
        if (c >= u'a' && c <= u'z') c = char16_t(c - (u'a' - u'A'));
    }
    return std::hash<StringView>()(upper);
}

} // namespace ZUX
