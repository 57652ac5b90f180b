// The log's file, clock and error output on the build host.
#include "ZUX/Base/Log.h"
#include "ZUX/Base/LogPlatform.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>

#include <fcntl.h>
#include <unistd.h>

namespace ZUX {

TLocalTime LogLocalTime() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm t{};
    localtime_r(&seconds, &t);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch());
    return {t.tm_year + 1900, t.tm_mon + 1,          t.tm_mday, t.tm_hour, t.tm_min,
            t.tm_sec,         int(ms.count() % 1000)};
}

TZUXFileHandle LogOpenFile(const String& fileName, uint32_t& error) {
    TZUXFileHandle file(
        ::open(ToUtf8(fileName).c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
    if (!file) error = uint32_t(errno);
    return file;
}

bool LogAppend(const TZUXFileHandle& file, std::string_view bytes, uint32_t& error) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(file.Get(), bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = n < 0 ? uint32_t(errno) : uint32_t(ENOSPC);
            return false;
        }
        bytes.remove_prefix(size_t(n));
    }
    return true;
}

void LogReport(const std::string& line) {
    std::fprintf(stderr, "%s\n", line.c_str());
}

} // namespace ZUX
