// The message box: its layout from the text, icon and buttons, its sounds, and
// the owner and foreground rules.
#include "ZUX/UI/MessageDialog.h"

#include "ZUX/UI/DialogTexts.h"
#include "ZUX/UI/Dpi.h"

#include <commctrl.h>
#include <shellapi.h>
#include <versionhelpers.h>

#include <algorithm>

namespace ZUX {

namespace {

// Layout in 96-DPI units.
constexpr int kClientWidth = 400;
constexpr int kMargin = 16;
constexpr int kIconSize = 32;
constexpr int kIconGap = 12;
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 25;
constexpr int kButtonGap = 8;
constexpr int kMaxButtons = 3;

// The text's size at 96 DPI: wrapped at width, or unwrapped when width is 0.
SIZE MeasureText(const String& text, const TZUXFont& font, int width) {
    const TZUXMemoryDC dc(CreateCompatibleDC(nullptr));
    TZUXFontHandle handle = CreatePointFont(font.Face, font.Points10, kDefaultDpi);
    RECT r{0, 0, width ? width : 32767, 0};
    TZUXSelectObject select(dc.Get(), handle.Get());
    DrawTextW(dc.Get(), WStr(text), int(text.size()), &r,
              DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS | (width ? DT_WORDBREAK : 0));
    return {r.right - r.left, r.bottom - r.top};
}

} // namespace

TZUXMessageKind MessageKindOf(UINT flags) noexcept {
    if (flags & 0x40) return TZUXMessageKind::Information;
    if ((flags & 0x30) == 0x30) return TZUXMessageKind::Warning;
    if (flags & 0x20) return TZUXMessageKind::Question;
    if (flags & 0x10) return TZUXMessageKind::Error;
    return TZUXMessageKind::None;
}

String DefaultMessageTitle(TZUXMessageKind kind) {
    switch (kind) {
    case TZUXMessageKind::Information:
        return u"Information";
    case TZUXMessageKind::Warning:
        return u"Warning";
    case TZUXMessageKind::Question:
        return u"Confirm";
    case TZUXMessageKind::Error:
        return u"Error";
    default:
        return {};
    }
}

std::vector<TZUXMessageButton> MessageButtonsOf(UINT flags) {
    const TZUXDialogTexts& texts = DialogTexts();
    const TZUXMessageButton ok{texts.Ok, mrOk, u"OK"}, cancel{texts.Cancel, mrCancel, u"Cancel"},
        yes{u"&Yes", mrYes, u"Yes"}, no{u"&No", mrNo, u"No"}, abort{u"&Abort", mrAbort, u"Abort"},
        retry{u"&Retry", mrRetry, u"Retry"}, ignore{u"&Ignore", mrIgnore, u"Ignore"};
    switch (flags & 0xF) {
    case 1:
        return {ok, cancel};
    case 2:
        return {abort, retry, ignore};
    case 3:
        return {yes, no, cancel};
    case 4:
        return {yes, no};
    case 5:
        return {retry, cancel};
    default:
        return {ok};
    }
}

TZUXMessageDialog::TZUXMessageDialog(HWND owner, const String& text, const String& title,
                                     UINT flags)
    : kind_(MessageKindOf(flags)), flags_(flags) {
    if (!owner) owner = ApplicationMainWindow();
    SetOwnerWindow(owner);
    SetComponentName(u"MessageDialog");
    SetBorder(TZUXFormBorder::Dialog);
    SetBorderIcons(true, false, false);
    SetPosition(owner ? TZUXFormPosition::OwnerCenter : TZUXFormPosition::ScreenCenter);
    // An owner that stays on top would otherwise cover its own question.
    if ((owner && (GetWindowLongPtrW(owner, GWL_EXSTYLE) & WS_EX_TOPMOST)) || (flags & 0x1000))
        SetStayOnTop(true);
    SetCaption(title.empty() ? DefaultMessageTitle(kind_) : title);
    message_ = &AddControl<TZUXLabel>(true);
    message_->SetComponentName(u"Message");
    message_->SetCaption(text);
    for (const TZUXMessageButton& button : MessageButtonsOf(flags)) AddButton(button);
    const size_t defaultIndex = (flags & 0x200) ? 2 : (flags & 0x100) ? 1 : 0;
    SetDefaultButton(buttons_[defaultIndex < buttons_.size() ? defaultIndex : 0]);
    Layout();
}

TZUXMessageDialog::~TZUXMessageDialog() {
    DestroyHandle();
}

TZUXButton& TZUXMessageDialog::AddButton(const TZUXMessageButton& spec) {
    if (buttons_.size() >= kMaxButtons) throw EZUXUIError(u"MsgDlg: button limit has been exceed");
    TZUXButton& button = AddControl<TZUXButton>();
    button.SetCaption(spec.Caption);
    button.SetComponentName(spec.Name);
    button.SetModalResult(spec.Result);
    if (spec.Result == mrCancel) SetCancelButton(&button);
    buttons_.push_back(&button);
    Layout();
    return button;
}

void TZUXMessageDialog::Layout() {
    if (!message_) return;
    const bool hasIcon = kind_ != TZUXMessageKind::None;
    const int textLeft = kMargin + (hasIcon ? kIconSize + kIconGap : 0);
    const String text = message_->Caption();
    // The text may widen the box up to half the screen's width.
    const int screenWidth96 =
        MulDiv(GetSystemMetrics(SM_CXSCREEN), int(kDefaultDpi), int(GetSystemDpi()));
    const int maxTextWidth = std::max(kClientWidth, screenWidth96 / 2) - textLeft - kMargin;
    const int minTextWidth = kClientWidth - textLeft - kMargin;
    const SIZE natural = MeasureText(text, message_->Font(), 0);
    const int textWidth = std::clamp(int(natural.cx) + 4, minTextWidth, maxTextWidth);
    // A little slack: fonts do not scale exactly with the DPI.
    const int textHeight = int(MeasureText(text, message_->Font(), textWidth - 4).cy) + 4;
    const int clientWidth = textLeft + textWidth + kMargin;
    const int bodyHeight = std::max(hasIcon ? kIconSize : 0, textHeight);
    const int textTop = kMargin + (bodyHeight > textHeight ? (bodyHeight - textHeight) / 2 : 0);
    message_->SetBounds({textLeft, textTop, textWidth, textHeight});
    const int buttonsTop = kMargin + bodyHeight + kMargin;
    const int count = int(buttons_.size());
    int left = clientWidth - kMargin - count * kButtonWidth - (count - 1) * kButtonGap;
    for (TZUXButton* button : buttons_) {
        button->SetBounds({left, buttonsTop, kButtonWidth, kButtonHeight});
        left += kButtonWidth + kButtonGap;
    }
    SetClientSize(clientWidth, buttonsTop + kButtonHeight + 12);
}

void TZUXMessageDialog::LoadKindIcon() {
    icon_.Close();
    iconDpi_ = Dpi();
    if (kind_ == TZUXMessageKind::None) return;
    const int size = Scale(kIconSize);
    if (IsWindows8OrGreater()) {
        SHSTOCKICONID stock = SIID_INFO;
        if (kind_ == TZUXMessageKind::Warning) stock = SHSTOCKICONID(78);
        if (kind_ == TZUXMessageKind::Error) stock = SHSTOCKICONID(80);
        if (kind_ == TZUXMessageKind::Information || kind_ == TZUXMessageKind::Question)
            stock = SHSTOCKICONID(79);
        SHSTOCKICONINFO info{};
        info.cbSize = sizeof info;
        if (SUCCEEDED(SHGetStockIconInfo(stock, SHGSI_ICON | SHGSI_LARGEICON, &info)) && info.hIcon)
            icon_ = TZUXIconHandle(info.hIcon);
    }
    if (icon_) return;
    const wchar_t* classic = IDI_INFORMATION;                       // 32516
    if (kind_ == TZUXMessageKind::Warning) classic = IDI_WARNING;   // 32515
    if (kind_ == TZUXMessageKind::Error) classic = IDI_ERROR;       // 32513
    if (kind_ == TZUXMessageKind::Question) classic = IDI_QUESTION; // 32514
    // System icons are shared; the copy is ours to destroy.
    HANDLE shared = LoadImageW(nullptr, classic, IMAGE_ICON, size, size, LR_SHARED);
    if (!shared) shared = LoadIconW(nullptr, classic);
    if (shared) icon_ = TZUXIconHandle(CopyIcon(static_cast<HICON>(shared)));
}

void TZUXMessageDialog::Paint(HDC dc, const RECT& client) {
    TZUXForm::Paint(dc, client);
    if (kind_ == TZUXMessageKind::None) return;
    if (!icon_ || iconDpi_ != Dpi()) LoadKindIcon();
    if (icon_)
        DrawIconEx(dc, Scale(kMargin), Scale(kMargin), icon_.Get(), Scale(kIconSize),
                   Scale(kIconSize), 0, nullptr, DI_NORMAL);
}

void TZUXMessageDialog::DpiChanged() {
    LoadKindIcon();
    Layout();
}

bool TZUXMessageDialog::CloseQuery() {
    // Closing is Cancel; a box without Cancel closes only through its buttons.
    return CancelButton() != nullptr && TZUXForm::CloseQuery();
}

void TZUXMessageDialog::Showing() {
    if (!CancelButton())
        EnableMenuItem(GetSystemMenu(Handle(), FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
    if (flags_ & 0x1000) {
        // One empty input event lets Windows switch the foreground to us.
        INPUT input{};
        input.type = INPUT_MOUSE;
        SendInput(1, &input, sizeof input);
        SetForegroundWindow(Handle());
    }
    MessageBeep(kind_ == TZUXMessageKind::Information ? 0x40
                : kind_ == TZUXMessageKind::Warning   ? 0x30
                : kind_ == TZUXMessageKind::Question  ? 0x20
                : kind_ == TZUXMessageKind::Error     ? 0x10
                                                      : 0);
}

int TZUXMessageDialog::Execute() {
    try {
        CreateForm();
    } catch (const EZUXUIError&) {
        return 0; // no display: nobody could answer
    }
    // The default button takes the focus when the form is shown.
    return ShowModal();
}

int ZUXMessageBox(HWND owner, const String& text, const String& title, UINT flags) {
    TZUXMessageDialog dialog(owner, text, title, flags);
    return dialog.Execute();
}

} // namespace ZUX
