// The toolkit's controls: labels, buttons, check boxes and radio buttons, the
// edit with its embedded button, memo and progress bar, drawn in either skin.
#include "ZUX/UI/Controls.h"

#include "ZUX/UI/ColorMode.h"
#include "ZUX/UI/Form.h"
#include "ZUX/UI/SystemLibraries.h"

#include <commctrl.h>

namespace ZUX {

// ---- TZUXLabel ----

void TZUXLabel::SetWordWrap(bool wordWrap) {
    wordWrap_ = wordWrap;
    if (!HandleAllocated()) return;
    LONG_PTR style = GetWindowLongPtrW(Handle(), GWL_STYLE) & ~LONG_PTR(SS_TYPEMASK);
    style |= wordWrap ? SS_LEFT : SS_LEFTNOWORDWRAP;
    SetWindowLongPtrW(Handle(), GWL_STYLE, style);
    InvalidateRect(Handle(), nullptr, TRUE);
}

void TZUXLabel::MakeHeading() {
    TZUXFont font = Font();
    font.Face = u"Segoe UI";
    font.Points10 = 110;
    SetFont(font);
}

TZUXWindow::TCreateParams TZUXLabel::CreateParams() {
    TCreateParams params;
    params.ClassName = u"STATIC";
    params.SystemClass = true;
    params.Style = SS_NOPREFIX | (wordWrap_ ? SS_LEFT : SS_LEFTNOWORDWRAP);
    return params;
}

// ---- TZUXButton ----

TZUXWindow::TCreateParams TZUXButton::CreateParams() {
    TCreateParams params;
    params.ClassName = u"BUTTON";
    params.SystemClass = true;
    params.Style = BS_OWNERDRAW | WS_TABSTOP;
    return params;
}

void TZUXButton::Click() {
    TZUXControl::Click();
    if (modalResult_ != mrNone)
        if (TZUXForm* form = ParentForm()) form->SetModalResult(modalResult_);
}

bool TZUXButton::HandleParentMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (message == WM_DRAWITEM) {
        Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        result = TRUE;
        return true;
    }
    return TZUXControl::HandleParentMessage(message, wParam, lParam, result);
}

LRESULT TZUXButton::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_GETDLGCODE:
        // A push button to the dialog keyboard, but its look stays ours.
        return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
    case BM_SETSTYLE:
        InvalidateRect(Handle(), nullptr, FALSE);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    default:
        return TZUXControl::WndProc(message, wParam, lParam);
    }
}

void TZUXButton::Draw(const DRAWITEMSTRUCT& item) {
    const TZUXSkin& skin = Skin();
    const HDC dc = item.hDC;
    const RECT r = item.rcItem;
    const bool pressed = item.itemState & ODS_SELECTED;
    const bool disabled = item.itemState & ODS_DISABLED;
    const bool focused = item.itemState & ODS_FOCUS;
    const TZUXForm* form = ParentForm();
    const bool isDefault = form && form->DefaultButton() == this;
    FillSolidRect(dc, r, pressed ? skin.ButtonHot : skin.ButtonFace);
    const int frame = std::max(1, Scale(1));
    FrameSolidRect(dc, r, (focused || isDefault) && !disabled ? skin.Focus : skin.Border,
                   focused ? frame * 2 : frame);
    RECT text = r;
    if (pressed) OffsetRect(&text, frame, frame);
    TZUXSelectObject font(dc, FontHandle());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, disabled ? skin.DisabledText : TextColor());
    const String caption = Caption();
    UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
    if (item.itemState & ODS_NOACCEL) format |= DT_HIDEPREFIX;
    DrawTextW(dc, WStr(caption), int(caption.size()), &text, format);
}

// ---- TZUXCheckBox ----

TZUXWindow::TCreateParams TZUXCheckBox::CreateParams() {
    TCreateParams params;
    params.ClassName = u"BUTTON";
    params.SystemClass = true;
    params.Style = ButtonStyle() | WS_TABSTOP;
    return params;
}

void TZUXCheckBox::HandleCreated() {
    // The classic look takes the text colour we give it, in both skins.
    UseClassicLook(Handle());
    SendMessageW(Handle(), BM_SETCHECK, checked_ ? BST_CHECKED : BST_UNCHECKED, 0);
    TZUXControl::HandleCreated();
}

bool TZUXCheckBox::Checked() const noexcept {
    if (HandleAllocated()) return SendMessageW(Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED;
    return checked_;
}

void TZUXCheckBox::SetChecked(bool checked) {
    checked_ = checked;
    if (HandleAllocated())
        SendMessageW(Handle(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TZUXCheckBox::Click() {
    checked_ = Checked();
    TZUXControl::Click();
}

LRESULT TZUXCheckBox::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == BM_SETCHECK) checked_ = wParam == BST_CHECKED;
    return TZUXControl::WndProc(message, wParam, lParam);
}

TZUXWindow::TCreateParams TZUXRadioButton::CreateParams() {
    TCreateParams params = TZUXCheckBox::CreateParams();
    if (groupStart_) params.Style |= WS_GROUP;
    return params;
}

// ---- TZUXEdit ----

TZUXEdit::TZUXEdit() = default;

TZUXEdit::~TZUXEdit() {
    button_.reset();
    DestroyHandle();
}

TZUXWindow::TCreateParams TZUXEdit::CreateParams() {
    TCreateParams params;
    params.ClassName = u"EDIT";
    params.SystemClass = true;
    params.Style = ES_AUTOHSCROLL | ES_LEFT | WS_TABSTOP | WS_BORDER;
    return params;
}

void TZUXEdit::SetButton(const String& caption, int width96, std::function<void()> onClick) {
    if (!button_) button_ = std::make_unique<TZUXButton>();
    buttonWidth_ = width96;
    button_->SetCaption(caption);
    button_->SetComponentName(ComponentName() + u"Button");
    button_->OnClick = [handler = std::move(onClick)](TZUXControl&) {
        if (handler) handler();
    };
    if (HandleAllocated()) {
        button_->SetParent(Parent());
        PlaceWindows(ScaledBounds());
    }
}

void TZUXEdit::HandleCreated() {
    TZUXControl::HandleCreated();
    if (button_) {
        button_->SetComponentName(ComponentName() + u"Button");
        button_->SetParent(Parent());
        PlaceWindows(ScaledBounds());
    }
}

void TZUXEdit::PlaceWindows(const RECT& r) {
    if (!button_) {
        TZUXControl::PlaceWindows(r);
        return;
    }
    const int gap = 6;
    const int editWidth = std::max(0, bounds_.Width - buttonWidth_ - gap);
    TZUXControl::PlaceWindows({r.left, r.top, r.left + Scale(editWidth), r.bottom});
    button_->SetBounds({bounds_.Left + editWidth + gap, bounds_.Top, buttonWidth_, bounds_.Height});
}

void TZUXEdit::ApplyDpi(UINT dpi) {
    TZUXControl::ApplyDpi(dpi);
    if (button_) button_->ApplyDpi(dpi);
}

bool TZUXEdit::HandleParentMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (message == WM_COMMAND && HIWORD(wParam) == EN_CHANGE) {
        if (OnChange) OnChange(*this);
        result = 0;
        return true;
    }
    return TZUXControl::HandleParentMessage(message, wParam, lParam, result);
}

namespace {
// Edit boxes and memos: the skin's text on the skin's edit background.
HBRUSH EditBoxColor(HDC dc, TZUXSolidBrush& brush, bool enabled) {
    const TZUXSkin& skin = Skin();
    SetTextColor(dc, enabled ? skin.EditText : skin.DisabledText);
    SetBkColor(dc, skin.EditBack);
    return brush.Get(skin.EditBack);
}
} // namespace

HBRUSH TZUXEdit::ControlColor(HDC dc) {
    return EditBoxColor(dc, brush_, enabled_);
}

// ---- TZUXMemo ----

TZUXWindow::TCreateParams TZUXMemo::CreateParams() {
    TCreateParams params;
    params.ClassName = u"EDIT";
    params.SystemClass = true;
    params.Style =
        ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_BORDER | WS_TABSTOP;
    return params;
}

HBRUSH TZUXMemo::ControlColor(HDC dc) {
    return EditBoxColor(dc, brush_, true);
}

// ---- TZUXProgressBar ----

TZUXWindow::TCreateParams TZUXProgressBar::CreateParams() {
    TCreateParams params;
    params.ClassName = u"msctls_progress32";
    params.SystemClass = true;
    return params;
}

void TZUXProgressBar::HandleCreated() {
    TZUXControl::HandleCreated();
    SendMessageW(Handle(), PBM_SETRANGE32, 0, max_);
    SendMessageW(Handle(), PBM_SETPOS, WPARAM(position_), 0);
}

void TZUXProgressBar::SetPosition(int position) {
    position_ = std::max(0, std::min(position, max_));
    if (HandleAllocated()) SendMessageW(Handle(), PBM_SETPOS, WPARAM(position_), 0);
}

void TZUXProgressBar::SetMax(int max) {
    max_ = std::max(1, max);
    position_ = std::min(position_, max_);
    if (HandleAllocated()) {
        SendMessageW(Handle(), PBM_SETRANGE32, 0, max_);
        SendMessageW(Handle(), PBM_SETPOS, WPARAM(position_), 0);
    }
}

LRESULT TZUXProgressBar::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        TZUXBufferedPaint paint(Handle());
        const RECT& r = paint.Client();
        FillSolidRect(paint.Dc(), r, Skin().ProgressBack);
        RECT bar = r;
        bar.right = r.left + MulDiv(r.right - r.left, position_, max_);
        FillSolidRect(paint.Dc(), bar, Skin().ProgressBar);
        return 0;
    }
    default:
        return TZUXControl::WndProc(message, wParam, lParam);
    }
}

} // namespace ZUX
