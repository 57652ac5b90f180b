// The run log's portable part: the one log of the process, its stamped lines,
// and the single report of a log that cannot be written.
#include "ZUX/Base/Log.h"
#include "ZUX/Base/LogPlatform.h"

#include "ZUX/Base/FileAttributes.h"
#include "ZUX/Base/OSError.h"

#include <cstdio>
#include <mutex>

namespace ZUX {

namespace {

// The one log of the process.
struct TLogState {
    std::mutex Lock;
    TZUXFileHandle File;
    String FileName;
    bool Reported = false; // a failure was told once; later ones are not
};

TLogState& State() {
    static TLogState state;
    return state;
}

void Fail(TLogState& state, const char* what, uint32_t code) {
    state.File.Close();
    if (state.Reported) return;
    state.Reported = true;
    LogReport("Setup: the log \"" + ToUtf8(state.FileName) + "\" " + what + ": " +
              ToUtf8(SysErrorMessage(code)) + " (" + std::to_string(code) +
              "); the run goes on without it.");
}

String Padded(int value, int width = 2) {
    String text = IntToStr(value);
    while (int(text.size()) < width) text.insert(0, 1, u'0');
    return text;
}

String Date(const TLocalTime& t) {
    return Padded(t.Year, 4) + u"-" + Padded(t.Month) + u"-" + Padded(t.Day);
}

} // namespace

bool LogOpen(const String& fileName) {
    TLogState& state = State();
    std::lock_guard<std::mutex> guard(state.Lock);
    state.File.Close();
    state.FileName = fileName;
    uint32_t error = 0;
    state.File = LogOpenFile(fileName, error);
    if (!state.File) Fail(state, "cannot be opened", error);
    return bool(state.File);
}

void LogClose() {
    TLogState& state = State();
    std::lock_guard<std::mutex> guard(state.Lock);
    state.File.Close();
}

bool LogActive() {
    TLogState& state = State();
    std::lock_guard<std::mutex> guard(state.Lock);
    return bool(state.File);
}

String LogFileName() {
    TLogState& state = State();
    std::lock_guard<std::mutex> guard(state.Lock);
    return state.FileName;
}

String LogTimeStamp() {
    const TLocalTime t = LogLocalTime();
    return Date(t) + u" " + Padded(t.Hour) + u":" + Padded(t.Minute) + u":" + Padded(t.Second) +
           u"." + Padded(t.Millisecond, 3) + u"  ";
}

void Log(StringView text) {
    TLogState& state = State();
    std::lock_guard<std::mutex> guard(state.Lock);
    if (!state.File) return;
    // Line breaks inside an event would read as events of their own.
    String line = LogTimeStamp();
    for (const char16_t c : text) line += c == u'\r' ? u' ' : c == u'\n' ? u' ' : c;
    line += u"\r\n";
    uint32_t error = 0;
    if (!LogAppend(state.File, ToUtf8(line), error)) Fail(state, "cannot be written", error);
}

void LogFmt(StringView format, std::initializer_list<FormatArg> args) {
    if (LogActive()) Log(Format(format, args));
}

void LogLastError(StringView text) {
    const uint32_t code = GetLastOSError();
    if (LogActive()) LogOSError(text, code);
}

void LogOSError(StringView text, uint32_t code) {
    if (!LogActive()) return;
    String message = SysErrorMessage(code);
    while (!message.empty() && (message.back() == u'\n' || message.back() == u'\r' ||
                                message.back() == u' ' || message.back() == u'.'))
        message.pop_back();
    Log(String(text) + u": error " + IntToStr(code) + u" (" + message + u")");
}

void LogException(StringView text, const Exception& e) {
    if (!LogActive()) return;
    uint32_t code = 0;
    if (const auto* os = dynamic_cast<const EOSError*>(&e))
        code = os->Code();
    else if (const auto* open = dynamic_cast<const EFOpenError*>(&e))
        code = open->Code();
    const String line = String(text) + u": " + e.Message();
    if (code != 0)
        LogOSError(line, code);
    else
        Log(line);
}

String LogFreeFileName(const String& folder, StringView prefix) {
    const String stem = folder + String(prefix) + u" " + Date(LogLocalTime()) + u" #";
    for (int n = 1; n < 1000; ++n) {
        const String name = stem + Padded(n, 3) + u".txt";
        if (!FileExists(name) && !DirectoryExists(name)) return name;
    }
    return stem + u"999.txt";
}

} // namespace ZUX
