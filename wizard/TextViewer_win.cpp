// The pages' text viewer: the toolkit's rich-text viewer without a frame, on
// the page's background, at one zoom at every DPI.
#include "wizard/TextViewer.h"

#include "wizard/Palette.h"

TSetupTextViewer::TSetupTextViewer() {
    SetColors(SetupPalette().PageBackground, SetupPalette().Text);
}

ZUX::TZUXWindow::TCreateParams TSetupTextViewer::CreateParams() {
    TCreateParams params = TZUXRichViewer::CreateParams();
    params.Style &= ~DWORD(WS_BORDER);
    return params;
}

void TSetupTextViewer::HandleCreated() {
    TZUXRichViewer::HandleCreated();
    SetZoom(100);
}

void TSetupTextViewer::ApplyDpi(UINT dpi) {
    // The zoom stays at 100 at every DPI, as the pages have always shown it.
    TZUXControl::ApplyDpi(dpi);
}

LRESULT TSetupTextViewer::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = TZUXRichViewer::WndProc(message, wParam, lParam);
    if (message == WM_GETDLGCODE) result &= ~(DLGC_WANTTAB | DLGC_WANTALLKEYS | DLGC_WANTMESSAGE);
    return result;
}
