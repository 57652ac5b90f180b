// The Windows shell and processes: starting documents, web addresses and
// programs, shell links, the association-changed notice. Every function
// reports failure by false and raises nothing; only RunAndWait waits for what
// it starts.
#pragma once

#include "ZUX/Base/Handle.h"
#include "ZUX/Base/Strings.h"

#include <cstdint>
#include <optional>

namespace ZUX {

// The system library "ntdll.dll" exports "wine_get_version".
bool IsRunningUnderWine();

// A web or mail address goes to ShellOpen; anything else gets the shell's
// default verb with parameters, started in the current folder and shown.
bool ShellExecute(const String& fileName, const String& parameters = String());
// The shell's default verb on target. Under Wine the shell cannot reach the
// host's browser, so "winebrowser" is started with target instead.
bool ShellOpen(const String& target);
// An address with "//" as it is, an existing folder in the shell, anything
// else as an https address.
bool OpenLink(const String& text);
// Tells the shell that file associations changed, then gives it a second.
void ShellRefresh();

// A shell link at linkFile whose target path is target (nothing else set);
// only when target is an existing file.
bool CreateShortcut(const String& linkFile, const String& target);
// The target path of a ".lnk" file; true with an empty target for a link
// that has no path (a link to a shell object).
bool GetShortcutTarget(const String& linkFile, String& target);

// Runs commandLine (the program first, as the command line gives it) with our
// rights and handles, shown normally, and waits for it to end, however long it
// stays busy, up to timeoutMs. Gives the exit code when the program ended in
// time; nothing is raised.
inline constexpr uint32_t RunAndWaitTimeoutMs = 10 * 60 * 1000;
std::optional<uint32_t> RunAndWait(const ZUX::String& commandLine,
                                   uint32_t timeoutMs = RunAndWaitTimeoutMs);
// RunAndWait in two steps, for work that goes on meanwhile: the process, or
// an empty handle when it could not be started; then its exit code.
TZUXKernelHandle StartProgram(const ZUX::String& commandLine);
std::optional<uint32_t> WaitForProgram(const TZUXKernelHandle& process,
                                       uint32_t timeoutMs = RunAndWaitTimeoutMs);

} // namespace ZUX
