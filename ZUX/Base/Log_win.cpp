// The log's file, clock and error output on Windows.
#include "ZUX/Base/Log.h"
#include "ZUX/Base/LogPlatform.h"
#include "ZUX/Base/Win32.h"

namespace ZUX {

TLocalTime LogLocalTime() {
    SYSTEMTIME t{};
    GetLocalTime(&t);
    return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
}

TZUXFileHandle LogOpenFile(const String& fileName, uint32_t& error) {
    // Shared, so a relaunched copy of the program can append to the same log.
    TZUXFileHandle file(CreateFileW(WStr(fileName), FILE_APPEND_DATA,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) error = GetLastError();
    return file;
}

bool LogAppend(const TZUXFileHandle& file, std::string_view bytes, uint32_t& error) {
    DWORD written = 0;
    if (!WriteFile(file.Get(), bytes.data(), DWORD(bytes.size()), &written, nullptr) ||
        written != bytes.size()) {
        error = GetLastError();
        if (error == 0) error = ERROR_DISK_FULL;
        return false;
    }
    return true;
}

void LogReport(const std::string& line) {
    const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    if (!err || err == INVALID_HANDLE_VALUE) return;
    const std::string text = line + "\n";
    DWORD written = 0;
    WriteFile(err, text.data(), DWORD(text.size()), &written, nullptr);
}

} // namespace ZUX
