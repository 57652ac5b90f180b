// Light or dark: the user's app mode, read once when first asked, and the
// toolkit's colours for each mode.
#pragma once

#include "ZUX/Base/Win32.h"

namespace ZUX {

enum class TZUXColorMode { Light, Dark };

// Dark when "AppsUseLightTheme" of the current user is 0; when that key cannot
// be opened, dark when the system's window colour is dark.
TZUXColorMode ReadColorMode() noexcept;
// The mode of this process: read at the first call, and again by
// UpdateColorMode when Windows reports a change of the setting.
TZUXColorMode ColorMode() noexcept;
// Reads the setting again; true when the mode changed.
bool UpdateColorMode() noexcept;
inline bool IsDarkMode() noexcept {
    return ColorMode() == TZUXColorMode::Dark;
}

// The toolkit's colours for controls and dialogs.
struct TZUXSkin {
    COLORREF Window; // form and container background
    COLORREF Text;   // labels, check boxes, buttons
    COLORREF DisabledText;
    COLORREF EditBack; // edit boxes, memos, lists
    COLORREF EditText;
    COLORREF Border; // edit and memo frames, unfocused buttons
    COLORREF ButtonFace;
    COLORREF ButtonHot; // pressed button
    COLORREF Focus;     // focused or default button frame
    COLORREF Link;
    COLORREF ProgressBack;
    COLORREF ProgressBar;
};

const TZUXSkin& SkinFor(TZUXColorMode mode) noexcept;
inline const TZUXSkin& Skin() noexcept {
    return SkinFor(ColorMode());
}

} // namespace ZUX
