// The wizard's colours for the light and the dark app mode.
#include "wizard/Palette.h"

#include "ZUX/UI/Gdi.h"

using ZUX::RgbHex;

const TSetupPalette& SetupPaletteFor(ZUX::TZUXColorMode mode) noexcept {
    static const TSetupPalette light{RgbHex(0xDE8C33),
                                     RgbHex(0xFFFFFF),
                                     RgbHex(0xFFFFFF),
                                     RgbHex(0x000000),
                                     RgbHex(0xF0F0F0),
                                     RgbHex(0x000000),
                                     false};
    static const TSetupPalette dark{RgbHex(0xAC671C),
                                    RgbHex(0x262626),
                                    RgbHex(0x2A2A2A),
                                    RgbHex(0xFFFFFF),
                                    RgbHex(0xF0F0F0),
                                    RgbHex(0xF0F0F0),
                                    true};
    return mode == ZUX::TZUXColorMode::Dark ? dark : light;
}
