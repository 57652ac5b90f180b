// The elevated relaunch of the program by a process without administrator
// rights.
#pragma once

#include "ZUX/Base/Strings.h"

#include <cstdint>
#include <optional>

// Whether the process runs with the Administrators group in force: an
// elevated token, not the filtered one of an administrator under UAC.
bool RunsAsAdministrator();

// Becomes the spawn service's host, starts the program's own file with the
// verb "runas" and the parameters "/SKIPUAC=<host window> " + params, and
// waits for that process to end while serving the host window. Returns the
// elevated process's exit code (1 when it cannot be read), none when the user
// declined the elevation prompt; any other failure to start raises the
// operating system's error.
std::optional<uint32_t> RunElevated(const ZUX::String& params);
