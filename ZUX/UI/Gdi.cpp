// Buffered painting, solid fills and frames, and fonts by point size.
#include "ZUX/UI/Gdi.h"

#include <algorithm>
#include <utility>

namespace ZUX {

TZUXBufferedPaint::TZUXBufferedPaint(HWND window) noexcept : window_(window) {
    BeginPaint(window, &paint_);
    GetClientRect(window, &client_);
    if (!paint_.hdc || client_.right <= 0 || client_.bottom <= 0) return;
    TZUXMemoryDC memory(CreateCompatibleDC(paint_.hdc));
    if (!memory) return;
    bitmap_ = TZUXBitmapHandle(CreateCompatibleBitmap(paint_.hdc, client_.right, client_.bottom));
    if (!bitmap_) return;
    memory_ = std::move(memory);
    oldBitmap_ = SelectObject(memory_.Get(), bitmap_.Get());
}

TZUXBufferedPaint::~TZUXBufferedPaint() {
    if (memory_) {
        BitBlt(paint_.hdc, 0, 0, client_.right, client_.bottom, memory_.Get(), 0, 0, SRCCOPY);
        SelectObject(memory_.Get(), oldBitmap_);
    }
    EndPaint(window_, &paint_);
}

void FillSolidRect(HDC dc, const RECT& rect, COLORREF color) noexcept {
    const COLORREF old = SetBkColor(dc, color);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
    SetBkColor(dc, old);
}

void FrameSolidRect(HDC dc, const RECT& r, COLORREF color, int w) noexcept {
    FillSolidRect(dc, {r.left, r.top, r.right, r.top + w}, color);
    FillSolidRect(dc, {r.left, r.bottom - w, r.right, r.bottom}, color);
    FillSolidRect(dc, {r.left, r.top, r.left + w, r.bottom}, color);
    FillSolidRect(dc, {r.right - w, r.top, r.right, r.bottom}, color);
}

TZUXFontHandle CreatePointFont(const String& face, int points10, UINT dpi, bool bold, bool italic,
                               bool underline, bool strikeOut) noexcept {
    LOGFONTW font{};
    font.lfHeight = -MulDiv(points10, int(dpi), 720);
    font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    font.lfItalic = italic;
    font.lfUnderline = underline;
    font.lfStrikeOut = strikeOut;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = CLEARTYPE_QUALITY;
    const size_t n = std::min<size_t>(face.size(), LF_FACESIZE - 1);
    face.copy(reinterpret_cast<char16_t*>(font.lfFaceName), n);
    return TZUXFontHandle(CreateFontIndirectW(&font));
}

} // namespace ZUX
