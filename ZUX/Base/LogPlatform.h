// What the log needs of the platform: local time, a file to append to, and
// standard error. Internal to the log module.
#pragma once

#include "ZUX/Base/Handle.h"
#include "ZUX/Base/Strings.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace ZUX {

struct TLocalTime {
    int Year, Month, Day, Hour, Minute, Second, Millisecond;
};
TLocalTime LogLocalTime();

// None when the file cannot be opened (error set).
TZUXFileHandle LogOpenFile(const String& fileName, uint32_t& error);
bool LogAppend(const TZUXFileHandle& file, std::string_view bytes, uint32_t& error);
void LogReport(const std::string& line);

} // namespace ZUX
