// Decoding pictures and icons with the imaging component, drawing them with
// alpha blending, and saving pixels as PNG.
#include "ZUX/UI/Image.h"

#include "ZUX/Base/Com.h"
#include "ZUX/Base/LittleEndian.h"
#include "ZUX/UI/Gdi.h"

#include <objbase.h>
#include <wincodec.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace ZUX {

namespace {

TZUXComPtr<IWICImagingFactory> CreateFactory() noexcept {
    TZUXComPtr<IWICImagingFactory> factory;
    CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                     IID_PPV_ARGS(factory.GetAddressOf()));
    return factory;
}

// The frame that best suits the size: the smallest at least that big, else
// the largest.
TZUXComPtr<IWICBitmapFrameDecode> PickFrame(IWICBitmapDecoder* decoder, UINT size) noexcept {
    UINT count = 0;
    if (FAILED(decoder->GetFrameCount(&count)) || count == 0) return nullptr;
    TZUXComPtr<IWICBitmapFrameDecode> best;
    UINT bestWidth = 0;
    for (UINT i = 0; i < (size ? count : 1); ++i) {
        TZUXComPtr<IWICBitmapFrameDecode> frame;
        UINT w = 0, h = 0;
        if (FAILED(decoder->GetFrame(i, frame.GetAddressOf())) || FAILED(frame->GetSize(&w, &h)))
            continue;
        const bool better =
            !best || (bestWidth < size ? w > bestWidth : (w >= size && w < bestWidth));
        if (better) {
            best = frame;
            bestWidth = w;
        }
    }
    return best;
}

} // namespace

bool DecodeImage(const void* data, size_t size, UINT sizePx, bool premultiplied,
                 TZUXPixels& out) noexcept {
    out = {};
    if (!data || size == 0 || size > 0x7FFFFFFF) return false;
    const TZUXComInit com;
    const TZUXComPtr<IWICImagingFactory> factory = CreateFactory();
    if (!factory) return false;
    TZUXComPtr<IWICStream> stream;
    if (FAILED(factory->CreateStream(stream.GetAddressOf())) ||
        FAILED(
            stream->InitializeFromMemory(static_cast<BYTE*>(const_cast<void*>(data)), DWORD(size))))
        return false;
    TZUXComPtr<IWICBitmapDecoder> decoder;
    if (FAILED(factory->CreateDecoderFromStream(
            stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand, decoder.GetAddressOf())))
        return false;
    const TZUXComPtr<IWICBitmapFrameDecode> frame = PickFrame(decoder.Get(), sizePx);
    if (!frame) return false;
    TZUXComPtr<IWICBitmapSource> source = frame;
    UINT w = 0, h = 0;
    if (FAILED(source->GetSize(&w, &h)) || w == 0 || h == 0 || w > 16384 || h > 16384) return false;
    if (sizePx && (w != sizePx || h != sizePx)) {
        TZUXComPtr<IWICBitmapScaler> scaler;
        if (FAILED(factory->CreateBitmapScaler(scaler.GetAddressOf())) ||
            FAILED(
                scaler->Initialize(source.Get(), sizePx, sizePx, WICBitmapInterpolationModeFant)))
            return false;
        source = scaler;
        w = h = sizePx;
    }
    TZUXComPtr<IWICFormatConverter> converter;
    if (FAILED(factory->CreateFormatConverter(converter.GetAddressOf())) ||
        FAILED(converter->Initialize(
            source.Get(),
            premultiplied ? GUID_WICPixelFormat32bppPBGRA : GUID_WICPixelFormat32bppBGRA,
            WICBitmapDitherTypeNone, nullptr, 0.0, WICBitmapPaletteTypeCustom)))
        return false;
    try {
        out.Data.resize(size_t(w) * h * 4);
    } catch (...) {
        return false;
    }
    if (FAILED(converter->CopyPixels(nullptr, w * 4, UINT(out.Data.size()), out.Data.data()))) {
        out = {};
        return false;
    }
    out.Width = w;
    out.Height = h;
    return true;
}

namespace {

HBITMAP CreateDib(const TZUXPixels& pixels) noexcept {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = LONG(pixels.Width);
    info.bmiHeader.biHeight = -LONG(pixels.Height); // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap && bits) std::memcpy(bits, pixels.Data.data(), pixels.Data.size());
    return bitmap;
}

} // namespace

bool TZUXBitmap::LoadFromBytes(const Bytes& data) noexcept {
    bitmap_.Close();
    width_ = height_ = 0;
    TZUXPixels pixels;
    if (!DecodeImage(data.data(), data.size(), 0, true, pixels)) return false;
    bitmap_ = TZUXBitmapHandle(CreateDib(pixels));
    if (!bitmap_) return false;
    width_ = int(pixels.Width);
    height_ = int(pixels.Height);
    return true;
}

void TZUXBitmap::Draw(HDC dc, const RECT& dest, BYTE opacity) const noexcept {
    if (!bitmap_) return;
    const TZUXMemoryDC memoryDc(CreateCompatibleDC(dc));
    if (!memoryDc) return;
    const HDC memory = memoryDc.Get();
    const TZUXSelectObject select(memory, bitmap_.Get());
    BLENDFUNCTION blend{AC_SRC_OVER, 0, opacity, AC_SRC_ALPHA};
    GdiAlphaBlend(dc, dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top, memory,
                  0, 0, width_, height_, blend);
}

void TZUXBitmap::DrawOpaque(HDC dc, const RECT& dest) const noexcept {
    if (!bitmap_) return;
    const TZUXMemoryDC memoryDc(CreateCompatibleDC(dc));
    if (!memoryDc) return;
    const HDC memory = memoryDc.Get();
    const TZUXSelectObject select(memory, bitmap_.Get());
    SetStretchBltMode(dc, HALFTONE);
    StretchBlt(dc, dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top, memory, 0,
               0, width_, height_, SRCCOPY);
}

namespace {

// The icon file's frame of exactly size x size pixels when it is a bitmap
// whose parts all lie within the bytes, made an icon by the window manager:
// the imaging component need not start for the usual small icon.
TZUXIconHandle IconFromBitmapFrame(const Bytes& data, UINT size) noexcept {
    const auto* bytes = reinterpret_cast<const uint8_t*>(data.data());
    if (data.size() < 6 || LoadLE(bytes, 2) != 0 || LoadLE(bytes + 2, 2) != 1) return {};
    const size_t count = LoadLE(bytes + 4, 2);
    if (data.size() < 6 + count * 16) return {};
    for (size_t i = 0; i < count; ++i) {
        const size_t entry = 6 + i * 16;
        const UINT width = LoadLE(bytes + entry, 1) ? LoadLE(bytes + entry, 1) : 256;
        const UINT height = LoadLE(bytes + entry + 1, 1) ? LoadLE(bytes + entry + 1, 1) : 256;
        const size_t length = LoadLE(bytes + entry + 8, 4), offset = LoadLE(bytes + entry + 12, 4);
        if (width != size || height != size || offset > data.size() ||
            length > data.size() - offset || length < 40)
            continue;
        // A bitmap frame: its header, colour table, colour rows and mask rows.
        Bytes frame(data.begin() + ptrdiff_t(offset), data.begin() + ptrdiff_t(offset + length));
        const auto* frameBytes = reinterpret_cast<const uint8_t*>(frame.data());
        const uint32_t header = LoadLE(frameBytes, 4), bits = LoadLE(frameBytes + 14, 2);
        if (header < 40 || header > length || LoadLE(frameBytes + 4, 4) != size ||
            LoadLE(frameBytes + 8, 4) != 2 * size || LoadLE(frameBytes + 12, 2) != 1 ||
            LoadLE(frameBytes + 16, 4) != BI_RGB)
            continue;
        if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) continue;
        const size_t used = LoadLE(frameBytes + 32, 4);
        const size_t colors = bits > 8 ? 0 : used ? used : size_t(1) << bits;
        if (colors > (size_t(1) << bits)) continue;
        const size_t colorRow = (size_t(size) * bits + 31) / 32 * 4, maskRow = (size + 31) / 32 * 4;
        if (header + colors * 4 + (colorRow + maskRow) * size > length) continue;
        const HICON icon =
            CreateIconFromResourceEx(reinterpret_cast<BYTE*>(frame.data()), DWORD(length), TRUE,
                                     0x00030000, int(size), int(size), 0);
        if (icon) return TZUXIconHandle(icon);
    }
    return {};
}

} // namespace

TZUXIconHandle CreateIconFromBytes(const Bytes& data, UINT size) noexcept {
    if (TZUXIconHandle icon = IconFromBitmapFrame(data, size)) return icon;
    TZUXPixels pixels;
    if (!DecodeImage(data.data(), data.size(), size, false, pixels)) return {};
    TZUXBitmapHandle color(CreateDib(pixels));
    TZUXBitmapHandle mask(CreateBitmap(int(pixels.Width), int(pixels.Height), 1, 1, nullptr));
    if (!color || !mask) return {};
    ICONINFO info{};
    info.fIcon = TRUE;
    info.hbmColor = color.Get();
    info.hbmMask = mask.Get();
    return TZUXIconHandle(CreateIconIndirect(&info));
}

bool SavePixelsAsPng(const TZUXPixels& pixels, const String& fileName) noexcept {
    if (pixels.Width == 0 || pixels.Height == 0) return false;
    const TZUXComInit com;
    const TZUXComPtr<IWICImagingFactory> factory = CreateFactory();
    if (!factory) return false;
    TZUXComPtr<IWICStream> stream;
    TZUXComPtr<IWICBitmapEncoder> encoder;
    TZUXComPtr<IWICBitmapFrameEncode> frame;
    if (FAILED(factory->CreateStream(stream.GetAddressOf())) ||
        FAILED(stream->InitializeFromFilename(WStr(fileName), GENERIC_WRITE)) ||
        FAILED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.GetAddressOf())) ||
        FAILED(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache)) ||
        FAILED(encoder->CreateNewFrame(frame.GetAddressOf(), nullptr)) ||
        FAILED(frame->Initialize(nullptr)) || FAILED(frame->SetSize(pixels.Width, pixels.Height)))
        return false;
    WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
    if (FAILED(frame->SetPixelFormat(&format))) return false;
    if (format != GUID_WICPixelFormat32bppBGRA) {
        // The encoder wants another layout: hand it a converted copy.
        TZUXComPtr<IWICBitmap> bitmap;
        if (FAILED(factory->CreateBitmapFromMemory(
                pixels.Width, pixels.Height, GUID_WICPixelFormat32bppBGRA, pixels.Width * 4,
                UINT(pixels.Data.size()), const_cast<BYTE*>(pixels.Data.data()),
                bitmap.GetAddressOf())) ||
            FAILED(frame->WriteSource(bitmap.Get(), nullptr)))
            return false;
    } else if (FAILED(frame->WritePixels(pixels.Height, pixels.Width * 4, UINT(pixels.Data.size()),
                                         const_cast<BYTE*>(pixels.Data.data())))) {
        return false;
    }
    return SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
}

} // namespace ZUX
