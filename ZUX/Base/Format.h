// Formatting for texts that come from language files. Such texts are data:
// %s and %d take the next argument, %% is a percent sign; a placeholder without
// an argument, an unknown placeholder or surplus arguments never crash.
#pragma once

#include "ZUX/Base/Strings.h"

#include <cstdint>
#include <initializer_list>
#include <variant>

namespace ZUX {

class FormatArg {
public:
    FormatArg(const String& s) : value_(s) {}
    FormatArg(StringView s) : value_(String(s)) {}
    FormatArg(const char16_t* s) : value_(String(s ? s : u"")) {}
    FormatArg(int v) : value_(int64_t(v)) {}
    FormatArg(unsigned v) : value_(int64_t(v)) {}
    FormatArg(long v) : value_(int64_t(v)) {}
    FormatArg(long long v) : value_(int64_t(v)) {}
    FormatArg(unsigned long v) : value_(int64_t(v)) {}
    FormatArg(unsigned long long v) : value_(int64_t(v)) {}

    String AsString() const;

private:
    std::variant<String, int64_t> value_;
};

String Format(StringView format, std::initializer_list<FormatArg> args = {});

} // namespace ZUX
