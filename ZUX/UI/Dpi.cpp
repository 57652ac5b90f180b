// The DPI shim: the per-monitor functions of newer systems when present, the
// screen's DPI otherwise, and scaling from 96-DPI units.
#include "ZUX/UI/Dpi.h"

namespace ZUX {

namespace {

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using GetDpiForSystemFn = UINT(WINAPI*)();
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);

// Resolved once; the functions of user32 never move while the process runs.
struct DpiFunctions {
    GetDpiForWindowFn forWindow = nullptr;
    GetDpiForSystemFn forSystem = nullptr;
    AdjustWindowRectExForDpiFn adjust = nullptr;
    GetSystemMetricsForDpiFn metrics = nullptr;

    DpiFunctions() noexcept {
        if (const HMODULE user = GetModuleHandleW(L"user32.dll")) {
            forWindow = GetProcedure<GetDpiForWindowFn>(user, "GetDpiForWindow");
            forSystem = GetProcedure<GetDpiForSystemFn>(user, "GetDpiForSystem");
            adjust = GetProcedure<AdjustWindowRectExForDpiFn>(user, "AdjustWindowRectExForDpi");
            metrics = GetProcedure<GetSystemMetricsForDpiFn>(user, "GetSystemMetricsForDpi");
        }
    }
};

const DpiFunctions& Functions() noexcept {
    static const DpiFunctions functions;
    return functions;
}

} // namespace

int ScaleValue(int value96, UINT dpi) noexcept {
    return MulDiv(value96, int(dpi ? dpi : kDefaultDpi), int(kDefaultDpi));
}

RECT ScaleRect(const RECT& r, UINT dpi) noexcept {
    return {ScaleValue(r.left, dpi), ScaleValue(r.top, dpi), ScaleValue(r.right, dpi),
            ScaleValue(r.bottom, dpi)};
}

UINT GetSystemDpi() noexcept {
    if (Functions().forSystem) {
        if (const UINT dpi = Functions().forSystem()) return dpi;
    }
    const HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? UINT(dpi) : kDefaultDpi;
}

UINT GetWindowDpi(HWND window) noexcept {
    if (window && Functions().forWindow) {
        if (const UINT dpi = Functions().forWindow(window)) return dpi;
    }
    return GetSystemDpi();
}

void AdjustWindowRectForDpi(RECT& rect, DWORD style, DWORD exStyle, UINT dpi) noexcept {
    if (Functions().adjust && Functions().adjust(&rect, style, FALSE, exStyle, dpi)) return;
    AdjustWindowRectEx(&rect, style, FALSE, exStyle);
}

int GetSystemMetricForDpi(int index, UINT dpi) noexcept {
    if (Functions().metrics) return Functions().metrics(index, dpi);
    return MulDiv(GetSystemMetrics(index), int(dpi), int(GetSystemDpi()));
}

RECT GetWorkArea(HWND window) noexcept {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    const HMONITOR monitor = window ? MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY)
                                    : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    if (monitor && GetMonitorInfoW(monitor, &info)) return info.rcWork;
    RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

} // namespace ZUX
