// The pages' text viewer (license, summary): the toolkit's rich-text viewer
// without a frame, on the page's background, at the same zoom at every DPI,
// and part of the dialog keyboard: Tab moves on and Enter presses the default
// button. The page places it; its links open through the toolkit.
#pragma once

#include "ZUX/UI/RichViewer.h"

class TSetupTextViewer : public ZUX::TZUXRichViewer {
public:
    TSetupTextViewer();
    void ApplyDpi(UINT dpi) override;

protected:
    TCreateParams CreateParams() override;
    void HandleCreated() override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void PlaceWindows(const RECT&) override {}
};
