// The rich-text viewer: loading RTF or plain text, colours, zoom and links.
#include "ZUX/UI/RichViewer.h"

#include "ZUX/UI/Application.h"
#include "ZUX/UI/ColorMode.h"

#include <richedit.h>

#include <algorithm>
#include <cstring>

namespace ZUX {

namespace {

struct TStreamSource {
    const Bytes* data;
    size_t position;
};

DWORD CALLBACK ReadRtf(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG* done) noexcept {
    auto* source = reinterpret_cast<TStreamSource*>(cookie);
    const size_t left = source->data->size() - source->position;
    const size_t n = std::min(left, size_t(wanted < 0 ? 0 : wanted));
    std::memcpy(buffer, source->data->data() + source->position, n);
    source->position += n;
    *done = LONG(n);
    return 0;
}

} // namespace

TZUXWindow::TCreateParams TZUXRichViewer::CreateParams() {
    TZUXApplicationScope::WaitForRichEdit();
    TCreateParams params;
    params.ClassName = u"RICHEDIT50W";
    params.SystemClass = true;
    params.Style = ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | ES_DISABLENOSCROLL | WS_VSCROLL |
                   WS_BORDER | WS_TABSTOP;
    return params;
}

void TZUXRichViewer::HandleCreated() {
    TZUXControl::HandleCreated();
    SendMessageW(Handle(), EM_SETREADONLY, TRUE, 0);
    SendMessageW(Handle(), EM_SETEVENTMASK, 0,
                 ENM_CHANGE | ENM_REQUESTRESIZE | ENM_SELCHANGE | ENM_PROTECTED | ENM_LINK);
    SendMessageW(Handle(), EM_AUTOURLDETECT, 1, 0);
    ApplyBackground();
    SendMessageW(Handle(), EM_EXLIMITTEXT, 0, 2147483646);
    // The zoom was meant for 96 DPI until now.
    if (Dpi() != zoomDpi_) {
        zoom_ = MulDiv(zoom_, int(Dpi()), int(zoomDpi_));
        zoomDpi_ = Dpi();
    }
    LoadContent();
}

void TZUXRichViewer::LoadRichText(TZUXStream* stream) {
    if (!stream) return;
    rtf_ = stream->ReadToEnd();
    plain_.clear();
    isRtf_ = true;
    if (HandleAllocated()) LoadContent();
}

void TZUXRichViewer::SetPlainText(const String& text) {
    plain_ = text;
    rtf_.clear();
    isRtf_ = false;
    if (HandleAllocated()) LoadContent();
}

void TZUXRichViewer::SetColors(COLORREF background, COLORREF text) {
    background_ = background;
    text_ = text;
    if (!HandleAllocated()) return;
    ApplyBackground();
    ApplyDefaults();
}

void TZUXRichViewer::LoadContent() {
    if (isRtf_) {
        TStreamSource source{&rtf_, 0};
        EDITSTREAM stream{};
        stream.dwCookie = reinterpret_cast<DWORD_PTR>(&source);
        stream.pfnCallback = ReadRtf;
        SendMessageW(Handle(), EM_STREAMIN, SF_RTF, LPARAM(&stream));
    } else {
        SendMessageW(Handle(), WM_SETTEXT, 0, LPARAM(WStr(plain_)));
    }
    ApplyDefaults();
}

void TZUXRichViewer::ApplyBackground() {
    SendMessageW(Handle(), EM_SETBKGNDCOLOR, 0,
                 LPARAM(background_ == kDefaultColor ? Skin().EditBack : background_));
}

void TZUXRichViewer::ApplyDefaults() {
    CHARFORMAT2W format{};
    format.cbSize = sizeof format;
    format.dwMask = CFM_COLOR;
    format.crTextColor = text_ == kDefaultColor ? Skin().EditText : text_;
    SendMessageW(Handle(), EM_SETCHARFORMAT, SCF_DEFAULT, LPARAM(&format));
    // Text in the automatic colour would stay black on the dark background.
    if (IsDarkMode()) SendMessageW(Handle(), EM_SETCHARFORMAT, SCF_ALL, LPARAM(&format));
    SetZoom(zoom_);
}

int TZUXRichViewer::ZoomNumerator(int percent) noexcept {
    if (percent < 0 || percent > 1000000) return 0;
    // In hundredths: z x 0.63 + 1 up to 100 percent, z x 0.64 above; then to
    // the nearest integer, an exact half to the even neighbour.
    const int hundredths = percent <= 100 ? percent * 63 + 100 : percent * 64;
    int numerator = hundredths / 100;
    const int rest = hundredths % 100;
    if (rest > 50 || (rest == 50 && numerator % 2 == 1)) ++numerator;
    return numerator >= 2 && numerator <= 4095 ? numerator : 0;
}

void TZUXRichViewer::SetZoom(int percent) {
    const int numerator = ZoomNumerator(percent);
    if (!numerator) return;
    zoom_ = percent;
    if (HandleAllocated()) SendMessageW(Handle(), EM_SETZOOM, WPARAM(numerator), 64);
}

void TZUXRichViewer::ApplyDpi(UINT dpi) {
    const UINT old = zoomDpi_;
    TZUXMemo::ApplyDpi(dpi);
    if (!HandleAllocated() || dpi == old) return;
    zoomDpi_ = dpi;
    SetZoom(MulDiv(zoom_, int(dpi), int(old)));
}

bool TZUXRichViewer::HandleParentMessage(UINT message, WPARAM wParam, LPARAM lParam,
                                         LRESULT& result) {
    if (message == WM_NOTIFY) {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->code == EN_LINK) {
            const auto* link = reinterpret_cast<const ENLINK*>(lParam);
            if (link->msg == WM_LBUTTONUP && link->chrg.cpMax > link->chrg.cpMin) {
                std::wstring buffer(size_t(link->chrg.cpMax - link->chrg.cpMin) + 1, L'\0');
                TEXTRANGEW range{link->chrg, buffer.data()};
                const LRESULT n = SendMessageW(Handle(), EM_GETTEXTRANGE, 0, LPARAM(&range));
                OpenLinkText(FromWStr(buffer.data(), size_t(n > 0 ? n : 0)));
            }
            result = 0;
            return true;
        }
        return false;
    }
    if (message == WM_CTLCOLORSTATIC || message == WM_CTLCOLOREDIT) return false;
    return TZUXMemo::HandleParentMessage(message, wParam, lParam, result);
}

LRESULT TZUXRichViewer::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    // The text keeps the fonts of its rich text.
    if (message == WM_SETFONT) return 0;
    return TZUXMemo::WndProc(message, wParam, lParam);
}

} // namespace ZUX
