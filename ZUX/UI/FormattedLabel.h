// A label that renders the toolkit's text mark-up: tags in square brackets,
// names without regard to case, each closed by "[/name]": [b] [i] [u] [s],
// [color=value] [backcolor=value] (#RRGGBB, #RGB or a colour name), [big]
// and [small] (1.1 and 0.9 times the size), [size=points], [url=address].
// Outside tags an e-mail address, a scheme:// address and a word beginning
// with "www." become links. A bracketed name that is no tag stays text. The
// window text is the mark-up itself.
#pragma once

#include "ZUX/UI/Control.h"

#include <vector>

namespace ZUX {

struct TZUXTextRun {
    String Text;
    bool Bold = false, Italic = false, Underline = false, StrikeOut = false;
    COLORREF Color = kDefaultColor;
    COLORREF BackColor = kDefaultColor;
    double SizeFactor = 1.0; // of the label's font
    int Points10 = 0;        // a given size; 0: the label's
    String Link;             // the address, or none
};

// The runs of a mark-up text; never fails, whatever the text.
std::vector<TZUXTextRun> ParseMarkup(StringView text);
// A colour value of the mark-up; kDefaultColor when it is none.
COLORREF ParseMarkupColor(StringView value);

class TZUXFormattedLabel : public TZUXControl {
public:
    // The link under a client point, or none.
    String LinkAt(POINT point) const;

protected:
    TCreateParams CreateParams() override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    struct THit {
        RECT Rect;
        String Link;
    };
    void Paint(HDC dc, const RECT& client);

    std::vector<THit> hits_;
};

} // namespace ZUX
