// The floor of the first-window benchmark: a Win32 program that only shows
// one window and ends when it is closed.
#include <windows.h>

namespace {
LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(window, message, wParam, lParam);
}
} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    WNDCLASSW info{};
    info.lpfnWndProc = Proc;
    info.hInstance = instance;
    info.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    info.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    info.lpszClassName = L"TrivialWindow";
    RegisterClassW(&info);
    const HWND window =
        CreateWindowExW(0, L"TrivialWindow", L"Trivial", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                        CW_USEDEFAULT, 236, 114, nullptr, nullptr, instance, nullptr);
    ShowWindow(window, SW_SHOW);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
