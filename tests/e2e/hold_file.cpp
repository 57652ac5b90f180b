// Holds a file open the way a scanner or a running player may: others may read
// it, nobody may write, move or delete it. Writes PATH.held once it holds the
// file, and lets go after SECONDS or when PATH.release appears.
//
//   hold_file PATH SECONDS
#include "ZUX/Base/Handle.h"

#include <windows.h>

#include <cwchar>
#include <string>

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) return 2;
    const std::wstring path = argv[1];
    ZUX::TZUXKernelHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                           OPEN_EXISTING, 0, nullptr));
    if (!file) return 1;
    ZUX::TZUXKernelHandle( // the mark only needs to exist: closed at once
        CreateFileW((path + L".held").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                    nullptr));
    const long seconds = std::wcstol(argv[2], nullptr, 10);
    const std::wstring release = path + L".release";
    for (long i = 0; i < seconds * 10; ++i) {
        if (GetFileAttributesW(release.c_str()) != INVALID_FILE_ATTRIBUTES) break;
        Sleep(100);
    }
    file.Close();
    DeleteFileW((path + L".held").c_str());
    return 0;
}
