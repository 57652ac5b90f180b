// Owners of GDI objects, icons and device contexts, and small drawing helpers.
#pragma once

#include "ZUX/Base/Handle.h"
#include "ZUX/Base/Strings.h"
#include "ZUX/Base/Win32.h"

namespace ZUX {

// GDI objects (DeleteObject) and icons (DestroyIcon), owned by the support
// library's one handle template.
struct TZUXGdiObjectCloser {
    static void Close(void* object) noexcept { DeleteObject(static_cast<HGDIOBJ>(object)); }
};
struct TZUXIconCloser {
    static void Close(HICON icon) noexcept { DestroyIcon(icon); }
};
template <typename H> using TZUXGdiHandle = TZUXHandle<H, TZUXGdiObjectCloser>;
using TZUXFontHandle = TZUXGdiHandle<HFONT>;
using TZUXBrushHandle = TZUXGdiHandle<HBRUSH>;
using TZUXBitmapHandle = TZUXGdiHandle<HBITMAP>;
using TZUXPenHandle = TZUXGdiHandle<HPEN>;
using TZUXIconHandle = TZUXHandle<HICON, TZUXIconCloser>;
// Memory device contexts (DeleteDC), made with CreateCompatibleDC.
struct TZUXMemoryDCCloser {
    static void Close(HDC dc) noexcept { DeleteDC(dc); }
};
using TZUXMemoryDC = TZUXHandle<HDC, TZUXMemoryDCCloser>;

// A solid brush of one colour, made again when the colour changes.
class TZUXSolidBrush {
public:
    HBRUSH Get(COLORREF color) noexcept {
        if (!brush_ || color_ != color) {
            brush_ = TZUXBrushHandle(CreateSolidBrush(color));
            color_ = color;
        }
        return brush_.Get();
    }

private:
    TZUXBrushHandle brush_;
    COLORREF color_ = CLR_INVALID;
};

// Selects an object into a device context for one scope.
class TZUXSelectObject {
public:
    TZUXSelectObject(HDC dc, HGDIOBJ object) noexcept
        : dc_(dc), old_(object ? SelectObject(dc, object) : nullptr) {}
    ~TZUXSelectObject() {
        if (old_) SelectObject(dc_, old_);
    }
    TZUXSelectObject(const TZUXSelectObject&) = delete;
    TZUXSelectObject& operator=(const TZUXSelectObject&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// BeginPaint/EndPaint with an off-screen buffer: drawing goes to Dc() and is
// copied to the window at the end, so nothing flickers.
class TZUXBufferedPaint {
public:
    explicit TZUXBufferedPaint(HWND window) noexcept;
    ~TZUXBufferedPaint();
    TZUXBufferedPaint(const TZUXBufferedPaint&) = delete;
    TZUXBufferedPaint& operator=(const TZUXBufferedPaint&) = delete;
    HDC Dc() const noexcept { return memory_ ? memory_.Get() : paint_.hdc; }
    const RECT& Client() const noexcept { return client_; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    RECT client_{};
    TZUXBitmapHandle bitmap_;
    TZUXMemoryDC memory_;
    HGDIOBJ oldBitmap_ = nullptr;
};

void FillSolidRect(HDC dc, const RECT& rect, COLORREF color) noexcept;
void FrameSolidRect(HDC dc, const RECT& rect, COLORREF color, int width = 1) noexcept;
// A font of the face at the point size for the DPI.
TZUXFontHandle CreatePointFont(const String& face, int points10, UINT dpi, bool bold = false,
                               bool italic = false, bool underline = false,
                               bool strikeOut = false) noexcept;
constexpr COLORREF RgbHex(unsigned rgb) noexcept {
    return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

} // namespace ZUX
