// Controls and their containers: creation, bounds scaled for the DPI, captions,
// component names, fonts and the messages a container passes to its children.
#include "ZUX/UI/Control.h"

#include "ZUX/UI/ColorMode.h"
#include "ZUX/UI/Dpi.h"
#include "ZUX/UI/Form.h"

namespace ZUX {

// ---- TZUXControl ----

TZUXControl::~TZUXControl() = default;

void TZUXControl::SetParent(TZUXCustomControl* parent) {
    if (parent == parent_) return;
    parent_ = parent;
    if (!parent_ || !parent_->HandleAllocated()) {
        // A window without a container to live in waits for the next one.
        DestroyHandle();
        return;
    }
    if (HandleAllocated()) {
        ::SetParent(Handle(), parent_->Handle());
        ApplyDpi(parent_->Dpi());
    } else {
        CreateWindowNow();
    }
}

TZUXForm* TZUXControl::ParentForm() const noexcept {
    const TZUXControl* control = this;
    while (control) {
        if (auto* form = dynamic_cast<TZUXForm*>(const_cast<TZUXControl*>(control))) return form;
        control = control->parent_;
    }
    return nullptr;
}

void TZUXControl::SetBounds(const TZUXRect& bounds) {
    bounds_ = bounds;
    if (HandleAllocated()) PlaceWindows(ScaledBounds());
}

RECT TZUXControl::ScaledBounds() const noexcept {
    return ScaleRect({bounds_.Left, bounds_.Top, bounds_.Right(), bounds_.Bottom()}, dpi_);
}

void TZUXControl::PlaceWindows(const RECT& r) {
    SetWindowPos(Handle(), nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

String TZUXControl::Caption() const {
    if (!HandleAllocated()) return caption_;
    const int length = GetWindowTextLengthW(Handle());
    std::wstring buffer(size_t(length) + 1, L'\0');
    const int n = GetWindowTextW(Handle(), buffer.data(), length + 1);
    return FromWStr(buffer.data(), size_t(n < 0 ? 0 : n));
}

void TZUXControl::SetCaption(const String& caption) {
    caption_ = caption;
    if (HandleAllocated()) {
        SetWindowTextW(Handle(), WStr(caption));
        InvalidateRect(Handle(), nullptr, TRUE);
    }
}

void TZUXControl::SetVisible(bool visible) {
    visible_ = visible;
    if (HandleAllocated()) ShowWindow(Handle(), visible ? SW_SHOWNA : SW_HIDE);
}

void TZUXControl::SetEnabled(bool enabled) {
    enabled_ = enabled;
    if (HandleAllocated()) EnableWindow(Handle(), enabled);
}

void TZUXControl::SetFont(const TZUXFont& font) {
    font_ = font;
    if (HandleAllocated()) RecreateFont();
}

void TZUXControl::SetFontColor(COLORREF color) {
    fontColor_ = color;
    if (HandleAllocated()) InvalidateRect(Handle(), nullptr, TRUE);
}

bool TZUXControl::CanFocus() const noexcept {
    return HandleAllocated() && IsWindowVisible(Handle()) && IsWindowEnabled(Handle());
}

void TZUXControl::SetFocus() {
    if (CanFocus()) ::SetFocus(Handle());
}

int TZUXControl::Scale(int value96) const noexcept {
    return ScaleValue(value96, dpi_);
}

void TZUXControl::CreateWindowNow() {
    if (HandleAllocated() || !parent_ || !parent_->HandleAllocated()) return;
    dpi_ = parent_->Dpi();
    TCreateParams params = CreateParams();
    const RECT r = ScaledBounds();
    params.Style |=
        WS_CHILD | WS_CLIPSIBLINGS | (visible_ ? WS_VISIBLE : 0) | (enabled_ ? 0 : WS_DISABLED);
    params.X = r.left;
    params.Y = r.top;
    params.Width = r.right - r.left;
    params.Height = r.bottom - r.top;
    params.Parent = parent_->Handle();
    params.Id = id_;
    if (params.Caption.empty()) params.Caption = caption_;
    CreateHandle(params);
}

void TZUXControl::HandleCreated() {
    RecreateFont();
    PlaceWindows(ScaledBounds());
}

void TZUXControl::HandleDestroyed() noexcept {
    // The window's text may have been changed by the user; keep it.
}

void TZUXControl::RecreateFont() {
    fontHandle_ = CreatePointFont(font_.Face, font_.Points10, dpi_, font_.Bold, font_.Italic,
                                  font_.Underline, font_.StrikeOut);
    if (HandleAllocated()) SendMessageW(Handle(), WM_SETFONT, WPARAM(fontHandle_.Get()), TRUE);
}

void TZUXControl::ApplyDpi(UINT dpi) {
    dpi_ = dpi;
    if (!HandleAllocated()) return;
    RecreateFont();
    PlaceWindows(ScaledBounds());
}

LRESULT TZUXControl::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SETTEXT) {
        const LRESULT result = DefaultHandler(message, wParam, lParam);
        caption_ = FromWStr(reinterpret_cast<const wchar_t*>(lParam));
        return result;
    }
    return DefaultHandler(message, wParam, lParam);
}

bool TZUXControl::HandleParentMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
    switch (message) {
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
        result = LRESULT(ControlColor(reinterpret_cast<HDC>(wParam)));
        return true;
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED) {
            Click();
            result = 0;
            return true;
        }
        return false;
    default:
        return false;
    }
}

void TZUXControl::Click() {
    if (OnClick) OnClick(*this);
}

COLORREF TZUXControl::TextColor() const noexcept {
    if (!enabled_) return Skin().DisabledText;
    return fontColor_ == kDefaultColor ? Skin().Text : fontColor_;
}

HBRUSH TZUXControl::ParentBackground(HDC dc) const {
    if (!parent_) return GetSysColorBrush(COLOR_WINDOW);
    const RECT r = ScaledBounds();
    const HBRUSH brush = parent_->BackgroundBrush(r);
    LOGBRUSH info{};
    if (GetObjectW(brush, sizeof info, &info)) SetBkColor(dc, info.lbColor);
    return brush;
}

HBRUSH TZUXControl::ControlColor(HDC dc) {
    SetTextColor(dc, TextColor());
    SetBkMode(dc, TRANSPARENT);
    return ParentBackground(dc);
}

// ---- TZUXCustomControl ----

TZUXCustomControl::TZUXCustomControl() = default;

TZUXCustomControl::~TZUXCustomControl() {
    // The windows go first, while every control object still exists.
    DestroyHandle();
}

TZUXControl& TZUXCustomControl::InsertControl(std::unique_ptr<TZUXControl> control) {
    TZUXControl& result = *control;
    control->id_ = nextId_++;
    controls_.push_back(std::move(control));
    result.SetParent(this);
    return result;
}

void TZUXCustomControl::DeleteControl(TZUXControl* control) {
    for (auto it = controls_.begin(); it != controls_.end(); ++it) {
        if (it->get() != control) continue;
        controls_.erase(it);
        return;
    }
}

TZUXControl* TZUXCustomControl::FindControl(StringView name) const noexcept {
    for (const auto& control : controls_) {
        if (control->ComponentName() == name) return control.get();
        if (auto* container = dynamic_cast<TZUXCustomControl*>(control.get()))
            if (TZUXControl* found = container->FindControl(name)) return found;
    }
    return nullptr;
}

COLORREF TZUXCustomControl::Color() const noexcept {
    return color_ == kDefaultColor ? Skin().Window : color_;
}

void TZUXCustomControl::SetColor(COLORREF color) {
    color_ = color;
    if (HandleAllocated()) InvalidateRect(Handle(), nullptr, TRUE);
}

HBRUSH TZUXCustomControl::OwnBrush() {
    return brush_.Get(Color());
}

HBRUSH TZUXCustomControl::BackgroundBrush(const RECT&) {
    return OwnBrush();
}

void TZUXCustomControl::ApplyDpi(UINT dpi) {
    TZUXControl::ApplyDpi(dpi);
    for (const auto& control : controls_) control->ApplyDpi(dpi);
    if (HandleAllocated()) InvalidateRect(Handle(), nullptr, TRUE);
}

TZUXWindow::TCreateParams TZUXCustomControl::CreateParams() {
    TCreateParams params;
    params.ClassName = WindowClassName();
    params.Style = WS_CLIPCHILDREN;
    params.ExStyle = WS_EX_CONTROLPARENT;
    return params;
}

void TZUXCustomControl::HandleCreated() {
    TZUXControl::HandleCreated();
    for (const auto& control : controls_) control->CreateWindowNow();
}

void TZUXCustomControl::Paint(HDC dc, const RECT& client) {
    FillSolidRect(dc, client, Color());
}

bool TZUXCustomControl::ReflectToChild(HWND child, UINT message, WPARAM wParam, LPARAM lParam,
                                       LRESULT& result) {
    auto* control = dynamic_cast<TZUXControl*>(FromHandle(child));
    return control && control != this &&
           control->HandleParentMessage(message, wParam, lParam, result);
}

LRESULT TZUXCustomControl::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    switch (message) {
    case WM_ERASEBKGND:
        return 1; // painted with the rest, without flicker
    case WM_PAINT: {
        TZUXBufferedPaint paint(Handle());
        Paint(paint.Dc(), paint.Client());
        return 0;
    }
    case WM_PRINTCLIENT: {
        RECT client;
        GetClientRect(Handle(), &client);
        Paint(reinterpret_cast<HDC>(wParam), client);
        return 0;
    }
    case WM_COMMAND:
        if (lParam &&
            ReflectToChild(reinterpret_cast<HWND>(lParam), message, wParam, lParam, result))
            return result;
        break;
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header && ReflectToChild(header->hwndFrom, message, wParam, lParam, result))
            return result;
        break;
    }
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item && ReflectToChild(item->hwndItem, message, wParam, lParam, result)) return result;
        break;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
        if (ReflectToChild(reinterpret_cast<HWND>(lParam), message, wParam, lParam, result))
            return result;
        break;
    default:
        break;
    }
    return TZUXControl::WndProc(message, wParam, lParam);
}

} // namespace ZUX
