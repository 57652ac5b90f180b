// The window-side helpers of the wizard: component names readable from other
// processes, the palette, fonts, DPI, pictures decoded with the imaging
// component, the rich-text viewer and the folder picker.
#pragma once

#include "ZUX/Base/Streams.h"
#include "ZUX/Base/Strings.h"
#include "ZUX/Base/Win32.h"
#include "wizard/PageFlow.h"

#include <memory>

namespace Wizard {

// The window property that holds a control's component name as a global atom,
// so screen readers, tests and drivers can find "bNext" from outside.
inline constexpr const wchar_t* ComponentNameProperty = L"ZUX.ComponentName";
void SetComponentName(HWND window, ZUX::StringView name);
// Removes the property and releases its atom.
void ClearComponentName(HWND window);
ZUX::String GetComponentName(HWND window);

// Colours of the wizard and its pages for the colour mode read at start.
struct TPalette {
    bool Dark = false;
    COLORREF Accent;
    COLORREF PageBackground;
    COLORREF StripBackground;
    COLORREF HeaderText;
    COLORREF VersionText;
    COLORREF Text; // controls' own text
};
const TPalette& Palette();
// Follows the toolkit's colour mode again after it reported a change.
void RefreshPalette();

int WindowDpi(HWND window);
HFONT CreateUIFont(int points, bool bold, int dpi, const wchar_t* face = L"Segoe UI");

struct TFontDeleter {
    void operator()(HFONT font) const noexcept { DeleteObject(font); }
};
using TFont = std::unique_ptr<std::remove_pointer_t<HFONT>, TFontDeleter>;

// A picture decoded to premultiplied 32-bit pixels.
class TImage {
public:
    // Raises EInstallerGeneralError when the bytes are no picture.
    explicit TImage(ZUX::TZUXMemoryStream& data);
    ~TImage();
    TImage(const TImage&) = delete;
    TImage& operator=(const TImage&) = delete;
    int Width() const { return width_; }
    int Height() const { return height_; }
    // Stretched into dest, alpha-blended.
    void Draw(HDC dc, const RECT& dest) const;

private:
    HBITMAP bitmap_ = nullptr;
    int width_ = 0, height_ = 0;
};

// Loads the RichEdit library for the process's life.
void LoadRichEdit();
// The read-only rich-text viewer: create, fill with RTF or plain text, zoom.
HWND CreateRichViewer(HWND parent, bool vscroll);
void RichViewerLoadRtf(HWND viewer, ZUX::TZUXMemoryStream& stream);
void RichViewerSetText(HWND viewer, const ZUX::String& text);
void RichViewerSetZoom(HWND viewer, double percent);
// The link the viewer reported in an EN_LINK notification, or empty.
ZUX::String RichViewerLinkText(HWND viewer, LPARAM enLink);
// Opens a link: "//" as it is, an existing folder, otherwise https://.
void OpenLink(const ZUX::String& link);

// Lets sent and posted messages through while a notification is handled. A
// WM_QUIT is put back; a close request waits until the pump has returned,
// as the worker waits for the notification that runs the pump.
void ProcessMessages();
bool InsideMessagePump();

// Runs a handler at a window-procedure boundary: an exception is caught and
// shown, never unwound through the system's frames.
template <typename F> void Guarded(HWND window, F&& f) noexcept;
void ShowHandlerError(HWND window, const ZUX::String& message) noexcept;

} // namespace Wizard

#include "ZUX/Base/Exceptions.h"

template <typename F> void Wizard::Guarded(HWND window, F&& f) noexcept {
    try {
        f();
    } catch (const ZUX::Exception& e) {
        ShowHandlerError(window, e.Message());
    } catch (const std::exception& e) {
        ShowHandlerError(window, ZUX::FromUtf8(e.what()));
    } catch (...) {
        ShowHandlerError(window, u"Unknown error");
    }
}
