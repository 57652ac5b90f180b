// The entry of Setup.exe (and of its copy Uninstall.exe).
#include "ZUX/Base/Win32.h"
#include "engine/Setup.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    return SetupMain();
}
