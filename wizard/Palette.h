// The colours the wizard window and its pages paint with, for the light and
// the dark app mode.
#pragma once

#include "ZUX/UI/ColorMode.h"

struct TSetupPalette {
    COLORREF Accent;          // header separator, bottom band, progress strip
    COLORREF PageBackground;  // window and page background
    COLORREF StripBackground; // step-progress strip behind the bar
    COLORREF HeaderText;      // title and description in the header
    COLORREF VersionText;     // lbVerInfo
    COLORREF Text;            // the pages' controls
    bool Dark;
};

const TSetupPalette& SetupPaletteFor(ZUX::TZUXColorMode mode) noexcept;
// The palette of the toolkit's current colour mode.
inline const TSetupPalette& SetupPalette() noexcept {
    return SetupPaletteFor(ZUX::ColorMode());
}
