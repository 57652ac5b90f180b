// The elevated relaunch of the program by a process without administrator
// rights.
#pragma once

#include "ZUX/Base/Strings.h"

// Becomes the spawn service's host, starts the program's own file with the
// verb "runas" and the parameters "/SKIPUAC=<host window> " + params, and
// waits for that process to end while serving the host window. False when the
// user declined the elevation prompt; any other failure to start raises the
// operating system's error.
bool RunElevated(const ZUX::String& params);
