// Formatting of language-file texts with %s, %d and %%.
#include "ZUX/Base/Format.h"

namespace ZUX {

String FormatArg::AsString() const {
    if (const auto* s = std::get_if<String>(&value_)) return *s;
    return IntToStr(std::get<int64_t>(value_));
}

String Format(StringView format, std::initializer_list<FormatArg> args) {
    String out;
    out.reserve(format.size() + 32);
    auto next = args.begin();
    for (size_t i = 0; i < format.size(); ++i) {
        const char16_t c = format[i];
        if (c != u'%' || i + 1 == format.size()) {
            out += c;
            continue;
        }
        const char16_t spec = format[i + 1];
        if (spec == u'%') {
            out += u'%';
            ++i;
        } else if ((spec == u's' || spec == u'd' || spec == u'S' || spec == u'D') &&
                   next != args.end()) {
            out += next->AsString();
            ++next;
            ++i;
        } else {
            // A placeholder without an argument, or one we do not know, stays
            // visible as it was written.
            out += c;
        }
    }
    return out;
}

} // namespace ZUX
