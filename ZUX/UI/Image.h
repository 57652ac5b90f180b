// Pictures decoded by the Windows Imaging Component (PNG, ICO, BMP, ...) into
// 32-bit premultiplied bitmaps that are drawn with alpha blending; an icon's
// bitmap frame of the wanted size goes to the window manager as it is.
// Nothing here decodes pixels by hand. Failures give false or an empty image
// and raise nothing.
#pragma once

#include "ZUX/Base/Strings.h"
#include "ZUX/UI/Gdi.h"

#include <vector>

namespace ZUX {

// The decoded pixels of one frame: rows top-down, BGRA, 4 bytes a pixel.
struct TZUXPixels {
    UINT Width = 0;
    UINT Height = 0;
    std::vector<BYTE> Data;
};

// Decodes the first frame, or for icons the frame that best suits size
// (the smallest at least that size, else the largest), scaled to size when
// size is not 0. Premultiplied alpha for drawing, straight for icons.
bool DecodeImage(const void* data, size_t size, UINT size_px, bool premultiplied,
                 TZUXPixels& out) noexcept;

class TZUXBitmap {
public:
    TZUXBitmap() = default;
    // An empty bitmap when the bytes are not a picture.
    bool LoadFromBytes(const Bytes& data) noexcept;
    bool Empty() const noexcept { return !bitmap_; }
    int Width() const noexcept { return width_; }
    int Height() const noexcept { return height_; }
    HBITMAP Handle() const noexcept { return bitmap_.Get(); }
    // Stretched into the rectangle with its alpha; opacity 0..255.
    void Draw(HDC dc, const RECT& dest, BYTE opacity = 255) const noexcept;
    // Drawn as if fully opaque (the header band).
    void DrawOpaque(HDC dc, const RECT& dest) const noexcept;

private:
    TZUXBitmapHandle bitmap_;
    int width_ = 0, height_ = 0;
};

// An icon of size x size pixels from icon (or PNG) bytes; none on failure. A
// bitmap frame of that size is taken as it is, anything else is decoded and
// scaled by the imaging component.
TZUXIconHandle CreateIconFromBytes(const Bytes& data, UINT size) noexcept;
// Writes a bitmap of the window's screen area as PNG (the UI driver's
// screenshots); false on failure.
bool SavePixelsAsPng(const TZUXPixels& pixels, const String& fileName) noexcept;

} // namespace ZUX
