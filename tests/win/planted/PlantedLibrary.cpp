// A library a web page might plant beside Setup.exe under the name of one the
// program uses. It does no harm; it leaves "<its own path>.loaded" beside
// itself, so a test can tell it was loaded.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    wchar_t path[MAX_PATH + 8];
    const DWORD length = GetModuleFileNameW(self, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return TRUE;
    lstrcpyW(path + length, L".loaded");
    const HANDLE mark = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (mark != INVALID_HANDLE_VALUE) CloseHandle(mark);
    return TRUE;
}
