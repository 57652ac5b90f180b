// The entry of Setup.exe (and of its copy Uninstall.exe).
#include "ZUX/Base/LibrarySearch.h"
#include "ZUX/Base/Win32.h"
#include "engine/Setup.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // Before anything else loads a library: Setup.exe is started from
    // downloads folders.
    ZUX::RestrictLibrarySearch();
    return SetupMain();
}
