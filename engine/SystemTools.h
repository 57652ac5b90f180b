// The file and process routines of the setup's steps: deleting files that may
// be in use, copying with an error that names both ends, running a tool.
#pragma once

#include "ZUX/Base/Strings.h"

#include <cstdint>
#include <optional>

// Deletes the file (read-only or not). When it is in use, it is moved into the
// temporary folder under a name beginning with "del" and deleted at the next
// restart; when it cannot be moved (another volume), it is deleted at the next
// restart where it stands. A failed deletion, move or scheduling is not reported; only a
// temporary folder or name that cannot be had raises the system's error.
void DeleteFileOrSchedule(const ZUX::String& path);

// Copies source over target. On failure raises EOSError
// "System Error.  Code: <n>.\r\n<system message><source> -> <target>".
void CopyFileOrRaise(const ZUX::String& source, const ZUX::String& target);

// Asks Windows to delete path at the next restart; the result is ignored.
void ScheduleDeleteOnReboot(const ZUX::String& path);

// Runs commandLine (the program first, as the command line gives it) with our
// rights and handles, shown normally, and waits for it to end, however long it
// stays busy, up to timeoutMs. Gives the exit code when the program ended in
// time; nothing is raised.
inline constexpr uint32_t RunAndWaitTimeoutMs = 10 * 60 * 1000;
std::optional<uint32_t> RunAndWait(const ZUX::String& commandLine,
                                   uint32_t timeoutMs = RunAndWaitTimeoutMs);

// Whether the running program is the uninstaller ("Uninstall.exe").
bool IsUninstaller();
