// The rich-text viewer: a read-only RichEdit 5.0 control for licenses and
// summaries, with automatic link detection; a link click opens the link
// through the toolkit's link opener. Its zoom follows the DPI.
#pragma once

#include "ZUX/Base/Streams.h"
#include "ZUX/UI/Controls.h"

namespace ZUX {

class TZUXRichViewer : public TZUXMemo {
public:
    // The rest of the stream, from its position, as rich text; none: nothing.
    // Text that is not rich text is the control's own business.
    void LoadRichText(TZUXStream* stream);
    void SetPlainText(const String& text);
    // Background and default text colour; kDefaultColor: the skin's edit colours.
    void SetColors(COLORREF background, COLORREF text);
    int Zoom() const noexcept { return zoom_; }
    // Percent; a zoom whose numerator leaves 2..4095 changes nothing.
    void SetZoom(int percent);
    // The numerator over 64 for a zoom in percent (0 outside 2..4095).
    static int ZoomNumerator(int percent) noexcept;
    void ApplyDpi(UINT dpi) override;
    bool HandleParentMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

protected:
    TCreateParams CreateParams() override;
    void HandleCreated() override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void LoadContent();
    void ApplyBackground();
    void ApplyDefaults();

    Bytes rtf_;
    String plain_;
    bool isRtf_ = false;
    COLORREF background_ = kDefaultColor;
    COLORREF text_ = kDefaultColor;
    int zoom_ = 100;
    UINT zoomDpi_ = 96; // the DPI the zoom was set for
};

} // namespace ZUX
