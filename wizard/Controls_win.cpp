#include "wizard/Controls.h"

#include "ZUX/Base/FileAttributes.h"
#include "ZUX/UI/MessageDialog.h"
#include "ZUX/UI/SystemLibraries.h"
#include "engine/InstallerErrors.h"
#include "wizard/Palette.h"

#include <commctrl.h>
#include <objbase.h>
#include <richedit.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <wincodec.h>

#include <vector>

using namespace ZUX;

namespace Wizard {

void SetComponentName(HWND window, StringView name) {
    ClearComponentName(window);
    if (name.empty()) return;
    const String text(name);
    const ATOM atom = GlobalAddAtomW(WStr(text));
    if (atom) SetPropW(window, ComponentNameProperty, HANDLE(uintptr_t(atom)));
}

void ClearComponentName(HWND window) {
    const ATOM atom = ATOM(uintptr_t(RemovePropW(window, ComponentNameProperty)));
    if (atom) GlobalDeleteAtom(atom);
}

String GetComponentName(HWND window) {
    const ATOM atom = ATOM(uintptr_t(GetPropW(window, ComponentNameProperty)));
    if (!atom) return {};
    wchar_t buffer[256];
    const UINT length = GlobalGetAtomNameW(atom, buffer, 256);
    return String(reinterpret_cast<const char16_t*>(buffer), length);
}

namespace {

TPalette MakePalette() {
    const TSetupPalette& colours = SetupPalette();
    TPalette p;
    p.Dark = ZUX::ColorMode() == ZUX::TZUXColorMode::Dark;
    p.Accent = colours.Accent;
    p.PageBackground = colours.PageBackground;
    p.StripBackground = colours.StripBackground;
    p.HeaderText = colours.HeaderText;
    p.VersionText = colours.VersionText;
    p.Text = p.Dark ? RGB(0xF0, 0xF0, 0xF0) : RGB(0, 0, 0);
    return p;
}

TPalette& CurrentPalette() {
    static TPalette palette = MakePalette();
    return palette;
}

} // namespace

const TPalette& Palette() {
    return CurrentPalette();
}

void RefreshPalette() {
    CurrentPalette() = MakePalette();
}

int WindowDpi(HWND window) {
    using TGetDpiForWindow = UINT(WINAPI*)(HWND);
    static const auto getDpi = reinterpret_cast<TGetDpiForWindow>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (getDpi && window) {
        const UINT dpi = getDpi(window);
        if (dpi) return int(dpi);
    }
    const HDC dc = GetDC(nullptr);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    return dpi > 0 ? dpi : 96;
}

HFONT CreateUIFont(int points, bool bold, int dpi, const wchar_t* face) {
    LOGFONTW font{};
    font.lfHeight = -MulDiv(points, dpi, 72);
    font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = CLEARTYPE_QUALITY;
    lstrcpynW(font.lfFaceName, face, LF_FACESIZE);
    return CreateFontIndirectW(&font);
}

namespace {

template <typename T> struct TComPtr {
    T* p = nullptr;
    ~TComPtr() {
        if (p) p->Release();
    }
    T** operator&() { return &p; }
    T* operator->() const { return p; }
};

[[noreturn]] void RaiseNoPicture() {
    throw EInstallerGeneralError(u"The picture cannot be decoded");
}

} // namespace

TImage::TImage(TZUXMemoryStream& data) {
    TComPtr<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&factory))))
        RaiseNoPicture();
    TComPtr<IStream> stream;
    stream.p = SHCreateMemStream(data.Memory(), UINT(data.Size()));
    if (!stream.p) RaiseNoPicture();
    TComPtr<IWICBitmapDecoder> decoder;
    TComPtr<IWICBitmapFrameDecode> frame;
    TComPtr<IWICFormatConverter> converter;
    UINT width = 0, height = 0;
    if (FAILED(factory->CreateDecoderFromStream(stream.p, nullptr, WICDecodeMetadataCacheOnLoad,
                                                &decoder)) ||
        FAILED(decoder->GetFrame(0, &frame)) ||
        FAILED(factory->CreateFormatConverter(&converter)) ||
        FAILED(converter->Initialize(frame.p, GUID_WICPixelFormat32bppPBGRA,
                                     WICBitmapDitherTypeNone, nullptr, 0,
                                     WICBitmapPaletteTypeCustom)) ||
        FAILED(converter->GetSize(&width, &height)) || width == 0 || height == 0)
        RaiseNoPicture();
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = LONG(width);
    info.bmiHeader.biHeight = -LONG(height);
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap_) RaiseNoPicture();
    if (FAILED(converter->CopyPixels(nullptr, width * 4, width * height * 4,
                                     static_cast<BYTE*>(bits)))) {
        DeleteObject(bitmap_);
        RaiseNoPicture();
    }
    width_ = int(width);
    height_ = int(height);
}

TImage::~TImage() {
    if (bitmap_) DeleteObject(bitmap_);
}

void TImage::Draw(HDC dc, const RECT& dest) const {
    const HDC source = CreateCompatibleDC(dc);
    const HGDIOBJ old = SelectObject(source, bitmap_);
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    SetStretchBltMode(dc, HALFTONE);
    GdiAlphaBlend(dc, dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top, source,
                  0, 0, width_, height_, blend);
    SelectObject(source, old);
    DeleteDC(source);
}

void LoadRichEdit() {
    static const HMODULE library = LoadLibraryW(L"MSFTEDIT.DLL");
    (void)library; // freed with the process
}

namespace {

// A read-only viewer lets Tab move on and Enter press the default button.
LRESULT CALLBACK ViewerKeys(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                            DWORD_PTR) noexcept {
    LRESULT result = CommonControls().DefSubclassProc(window, message, wParam, lParam);
    if (message == WM_GETDLGCODE) result &= ~(DLGC_WANTTAB | DLGC_WANTALLKEYS | DLGC_WANTMESSAGE);
    return result;
}

} // namespace

HWND CreateRichViewer(HWND parent, bool vscroll) {
    LoadRichEdit();
    const DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_MULTILINE | ES_READONLY |
                        ES_DISABLENOSCROLL | (vscroll ? WS_VSCROLL : 0);
    const HWND viewer = CreateWindowExW(0, L"RICHEDIT50W", L"", style, 0, 0, 10, 10, parent,
                                        nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!viewer) return nullptr;
    if (const auto subclass = CommonControls().SetWindowSubclass)
        subclass(viewer, ViewerKeys, 1, 0);
    SendMessageW(viewer, EM_SETREADONLY, TRUE, 0);
    SendMessageW(viewer, EM_SETEVENTMASK, 0,
                 ENM_CHANGE | ENM_REQUESTRESIZE | ENM_SELCHANGE | ENM_PROTECTED | ENM_LINK);
    SendMessageW(viewer, EM_AUTOURLDETECT, 1, 0);
    SendMessageW(viewer, EM_SETBKGNDCOLOR, 0, LPARAM(Palette().PageBackground));
    SendMessageW(viewer, EM_EXLIMITTEXT, 0, 2147483646);
    return viewer;
}

namespace {

void ApplyViewerDefaults(HWND viewer) {
    CHARFORMAT2W format{};
    format.cbSize = sizeof format;
    format.dwMask = CFM_COLOR;
    format.crTextColor = Palette().Text;
    SendMessageW(viewer, EM_SETCHARFORMAT, SCF_DEFAULT, LPARAM(&format));
    if (Palette().Dark) {
        // Rich text brings its own colours; in dark mode all of it turns light.
        SendMessageW(viewer, EM_SETCHARFORMAT, SCF_ALL, LPARAM(&format));
    }
    RichViewerSetZoom(viewer, 100);
}

struct TStreamCookie {
    TZUXMemoryStream* Stream;
};

DWORD CALLBACK StreamIn(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG* done) {
    auto* c = reinterpret_cast<TStreamCookie*>(cookie);
    *done = LONG(c->Stream->Read(buffer, wanted));
    return 0;
}

} // namespace

void RichViewerLoadRtf(HWND viewer, TZUXMemoryStream& stream) {
    TStreamCookie cookie{&stream};
    EDITSTREAM edit{};
    edit.dwCookie = DWORD_PTR(&cookie);
    edit.pfnCallback = StreamIn;
    SendMessageW(viewer, EM_STREAMIN, SF_RTF, LPARAM(&edit));
    ApplyViewerDefaults(viewer);
}

void RichViewerSetText(HWND viewer, const String& text) {
    SetWindowTextW(viewer, WStr(text));
    ApplyViewerDefaults(viewer);
}

void RichViewerSetZoom(HWND viewer, double percent) {
    const int n = ZoomNumerator(percent);
    if (n) SendMessageW(viewer, EM_SETZOOM, WPARAM(n), 64);
}

String RichViewerLinkText(HWND viewer, LPARAM lParam) {
    const auto* link = reinterpret_cast<const ENLINK*>(lParam);
    if (link->msg != WM_LBUTTONUP) return {};
    const LONG length = link->chrg.cpMax - link->chrg.cpMin;
    if (length <= 0 || length > 4096) return {};
    std::wstring buffer(size_t(length) + 1, L'\0');
    TEXTRANGEW range{link->chrg, buffer.data()};
    SendMessageW(viewer, EM_GETTEXTRANGE, 0, LPARAM(&range));
    return String(reinterpret_cast<const char16_t*>(buffer.c_str()));
}

void OpenLink(const String& link) {
    if (link.empty()) return;
    String target = link;
    if (link.find(u"//") == String::npos && !DirectoryExists(link)) target = u"https://" + link;
    ShellExecuteW(nullptr, L"open", WStr(target), nullptr, nullptr, SW_SHOWNORMAL);
}

namespace {
int pumpDepth = 0;
}

bool InsideMessagePump() {
    return pumpDepth > 0;
}

void ProcessMessages() {
    ++pumpDepth;
    std::vector<MSG> held;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(int(message.wParam));
            break;
        }
        if (message.message == WM_CLOSE) {
            held.push_back(message);
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    --pumpDepth;
    for (const MSG& m : held) PostMessageW(m.hwnd, m.message, m.wParam, m.lParam);
}

void ShowHandlerError(HWND window, const String& message) noexcept {
    try {
        const HWND root = window ? GetAncestor(window, GA_ROOT) : nullptr;
        ZUXMessageBox(root, message, u"Setup", MB_OK | MB_ICONERROR);
    } catch (...) {
    }
}

} // namespace Wizard
