// Holds a file open as a program that plays it would: others may read it,
// nobody may write, move or delete it; until
// a second file appears or 120 seconds have passed.
//   HoldFile.exe FILE RELEASE-FILE
#include "ZUX/Base/Handle.h"

#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) return 2;
    const ZUX::TZUXKernelHandle file(CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return 1;
    for (int i = 0; i < 1200 && GetFileAttributesW(argv[2]) == INVALID_FILE_ATTRIBUTES; ++i)
        Sleep(100);
    return 0;
}
