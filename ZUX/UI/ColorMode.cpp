// Reading the user's app mode and the toolkit's colours for light and dark.
#include "ZUX/UI/ColorMode.h"

#include "ZUX/Base/Registry.h"
#include "ZUX/UI/Gdi.h"

namespace ZUX {

TZUXColorMode ReadColorMode() noexcept {
    TZUXRegKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER,
                      L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize", 0,
                      KEY_READ, key.Put()) == ERROR_SUCCESS) {
        DWORD value = 1, size = sizeof value, type = 0;
        const LSTATUS status = RegQueryValueExW(key.Get(), L"AppsUseLightTheme", nullptr, &type,
                                                reinterpret_cast<BYTE*>(&value), &size);
        const bool dark = status == ERROR_SUCCESS && type == REG_DWORD && value == 0;
        return dark ? TZUXColorMode::Dark : TZUXColorMode::Light;
    }
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    // Perceived brightness below the middle counts as dark.
    const int luma = (GetRValue(window) * 299 + GetGValue(window) * 587 + GetBValue(window) * 114);
    return luma < 128 * 1000 ? TZUXColorMode::Dark : TZUXColorMode::Light;
}

namespace {
TZUXColorMode& CurrentMode() noexcept {
    static TZUXColorMode mode = ReadColorMode();
    return mode;
}
} // namespace

TZUXColorMode ColorMode() noexcept {
    return CurrentMode();
}

bool UpdateColorMode() noexcept {
    const TZUXColorMode mode = ReadColorMode();
    if (mode == CurrentMode()) return false;
    CurrentMode() = mode;
    return true;
}

const TZUXSkin& SkinFor(TZUXColorMode mode) noexcept {
    static const TZUXSkin light{RgbHex(0xFFFFFF), RgbHex(0x000000), RgbHex(0x8C8C8C),
                                RgbHex(0xFFFFFF), RgbHex(0x000000), RgbHex(0xABABAB),
                                RgbHex(0xEFEFEF), RgbHex(0xDADADA), RgbHex(0xDE8C33),
                                RgbHex(0x0066CC), RgbHex(0xE6E6E6), RgbHex(0xDE8C33)};
    static const TZUXSkin dark{RgbHex(0x262626), RgbHex(0xFFFFFF), RgbHex(0x808080),
                               RgbHex(0x1E1E1E), RgbHex(0xFFFFFF), RgbHex(0x5C5C5C),
                               RgbHex(0x383838), RgbHex(0x4A4A4A), RgbHex(0xAC671C),
                               RgbHex(0x6CB4FF), RgbHex(0x3A3A3A), RgbHex(0xAC671C)};
    return mode == TZUXColorMode::Dark ? dark : light;
}

} // namespace ZUX
