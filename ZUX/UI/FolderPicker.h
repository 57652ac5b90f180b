// The folder picker: the shell's folder tree in a modal dialog, with a button
// that creates a folder under the selected one, and OK and Cancel. Its texts
// are the toolkit's process-wide dialog texts. One picker at a time: a second
// request while one is open returns at once, unconfirmed.
#pragma once

#include "ZUX/Base/Strings.h"
#include "ZUX/Base/Win32.h"

namespace ZUX {

// Shows the picker owned by owner (none: the application's main window),
// centred on it and starting at folder. True with the chosen folder (no
// trailing backslash) when the user confirmed.
bool BrowseForFolder(HWND owner, const String& start, String& folder);

} // namespace ZUX
