// The run's diagnostic log: one UTF-8 line per event, each with its local time,
// appended to a file as it happens, so a run that dies still leaves its trail.
// Silent until LogOpen. A log that cannot be written is reported once on
// standard error and then left alone: logging never stops or fails a run, and
// nothing here raises. Lines may come from any thread.
#pragma once

#include "ZUX/Base/Exceptions.h"
#include "ZUX/Base/Format.h"
#include "ZUX/Base/Strings.h"

#include <cstdint>
#include <initializer_list>

namespace ZUX {

// Starts writing to fileName (appending when it exists); false, after the
// report on standard error, when it cannot be opened.
bool LogOpen(const String& fileName);
void LogClose();
bool LogActive();
String LogFileName();

void Log(StringView text);
void LogFmt(StringView format, std::initializer_list<FormatArg> args);
// The text, then the operating system's last error: its code and message.
void LogLastError(StringView text);
// The text, then the given operating-system error code and its message.
void LogOSError(StringView text, uint32_t code);

// "text: message", with the system's error code and message when the
// exception keeps one.
void LogException(StringView text, const Exception& e);

// The first name "<prefix> yyyy-mm-dd #nnn.txt" (today, nnn from 001) that no
// file in folder (with its trailing delimiter) has yet.
String LogFreeFileName(const String& folder, StringView prefix);

// "yyyy-mm-dd hh:mm:ss.mmm  " of now, local time: what every line starts with.
String LogTimeStamp();

} // namespace ZUX
