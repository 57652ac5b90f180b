// The formatted labels' mark-up: [b], [i], [u], [s], [color=], [backcolor=],
// [big], [small], [size=] and [url=] in square brackets, closed by the same
// name after "/", names without regard to case; outside tags e-mail
// addresses, scheme:// words and www. words become links. Anything else in
// brackets is text. Never raises.
#pragma once

#include "ZUX/Base/Strings.h"

#include <cstdint>
#include <vector>

namespace Wizard {

inline constexpr uint32_t NoColor = 0xFFFFFFFF;

struct TMarkupRun {
    int Start = 0; // in the plain text, UTF-16 units
    int Length = 0;
    bool Bold = false, Italic = false, Underline = false, Strike = false;
    uint32_t Color = NoColor;     // 0xRRGGBB
    uint32_t BackColor = NoColor; // 0xRRGGBB
    double Scale = 1.0;           // [big] 1.1, [small] 0.9
    int Size = 0;                 // points from [size=], 0 for none
    ZUX::String Link;             // the address, empty for plain text
};

struct TMarkup {
    ZUX::String Text;
    std::vector<TMarkupRun> Runs; // cover Text in order
};

TMarkup ParseMarkup(ZUX::StringView source);
// Only addresses of the form scheme://more are opened.
bool IsOpenableLink(ZUX::StringView address);

} // namespace Wizard
