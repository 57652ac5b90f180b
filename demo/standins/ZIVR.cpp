// Stand-in for the ZIVR media player "ZIVR.exe". It plays nothing: it opens a
// small top-level window of the player's window class "TZIVRMainForm" (the
// class by which the installer finds and closes running players), and records
// its life in "ZIVR.log" beside itself, one UTF-8 line each:
//   "start" (followed by a blank and the arguments, when there are any)
//   "close" when it receives WM_CLOSE, just before it exits.
#include "StandIn.h"

namespace {

constexpr wchar_t kClassName[] = L"TZIVRMainForm";
constexpr wchar_t kText[] = L"This window stands in for the ZIVR media player of the ZIVR "
                            L"Setup demo. Close it to end the program.";

const wchar_t* logPath = L"";

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    switch (message) {
    case WM_CLOSE:
        standin::AppendLine(logPath, L"close");
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        RECT r;
        GetClientRect(window, &r);
        InflateRect(&r, -12, -12);
        SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
        SetBkMode(dc, TRANSPARENT);
        DrawTextW(dc, kText, -1, &r, DT_WORDBREAK | DT_NOPREFIX);
        EndPaint(window, &ps);
        return 0;
    }
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    const standin::PathBuffer log;
    if (!standin::LogPathBeside(nullptr, log)) return 1;
    logPath = log.get();
    const wchar_t* args = standin::OwnArguments();
    standin::HeapBlock line(sizeof(wchar_t) * (SIZE_T(lstrlenW(args)) + 7));
    if (!line.as<wchar_t>()) return 1;
    lstrcpyW(line.as<wchar_t>(), *args ? L"start " : L"start");
    lstrcatW(line.as<wchar_t>(), args);
    standin::AppendLine(logPath, line.as<wchar_t>());

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kClassName;
    if (!RegisterClassExW(&wc)) return 1;

    HWND window =
        CreateWindowExW(0, kClassName, L"ZIVR (demo stand-in)",
                        WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, CW_USEDEFAULT,
                        CW_USEDEFAULT, 380, 150, nullptr, nullptr, instance, nullptr);
    if (!window) return 1;
    ShowWindow(window, show);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
