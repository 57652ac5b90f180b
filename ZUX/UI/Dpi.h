// Per-monitor DPI: every size of the user interface is given in 96-DPI units
// and scaled with one function. The DPI functions of newer systems are found
// at run time; older systems fall back to the screen's device capabilities.
#pragma once

#include "ZUX/Base/Win32.h"

namespace ZUX {

inline constexpr UINT kDefaultDpi = 96;

// value96 at dpi, rounded to the nearest pixel.
int ScaleValue(int value96, UINT dpi) noexcept;
RECT ScaleRect(const RECT& rect96, UINT dpi) noexcept;
// The DPI of the window (its monitor's under per-monitor awareness), else the
// system's.
UINT GetWindowDpi(HWND window) noexcept;
UINT GetSystemDpi() noexcept;
// AdjustWindowRectExForDpi where the system has it, else AdjustWindowRectEx.
void AdjustWindowRectForDpi(RECT& rect, DWORD style, DWORD exStyle, UINT dpi) noexcept;
// GetSystemMetricsForDpi where the system has it, else the metric scaled.
int GetSystemMetricForDpi(int index, UINT dpi) noexcept;
// The work area of the monitor nearest to the window (or the primary one).
RECT GetWorkArea(HWND window) noexcept;

} // namespace ZUX
