// What the log needs of the platform: local time, a file to append to, and
// standard error. Internal to the log module.
#pragma once

#include "ZUX/Base/Strings.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace ZUX {

struct TLocalTime {
    int Year, Month, Day, Hour, Minute, Second, Millisecond;
};
TLocalTime LogLocalTime();

// A file handle or descriptor; -1 when the file cannot be opened (error set).
intptr_t LogOpenFile(const String& fileName, uint32_t& error);
bool LogAppend(intptr_t file, std::string_view bytes, uint32_t& error);
void LogCloseFile(intptr_t file);
void LogReport(const std::string& line);

} // namespace ZUX
