// The host has no command-line text, only arguments: rebuild one from
// /proc/self/cmdline, quoting arguments that hold blanks.
#include "ZUX/Base/CommandLine.h"

#include <fstream>
#include <iterator>
#include <string>

namespace ZUX {

String GetParams() {
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    const std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    String commandLine;
    size_t start = 0;
    while (start < raw.size()) {
        size_t end = raw.find('\0', start);
        if (end == std::string::npos) end = raw.size();
        const String arg = FromUtf8(std::string_view(raw).substr(start, end - start));
        if (!commandLine.empty()) commandLine += u' ';
        if (arg.empty() || arg.find_first_of(u" \t") != String::npos)
            commandLine += u'"' + arg + u'"';
        else
            commandLine += arg;
        start = end + 1;
    }
    return GetParams(commandLine);
}

} // namespace ZUX
