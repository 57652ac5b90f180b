// Forms: creation at the monitor's DPI, the dialog keyboard (Tab, Enter,
// Escape, mnemonics), modal runs and DPI changes.
#include "ZUX/UI/Form.h"

#include "ZUX/UI/Application.h"
#include "ZUX/UI/ColorMode.h"
#include "ZUX/UI/Controls.h"
#include "ZUX/UI/Dpi.h"

#include <algorithm>

namespace ZUX {

namespace {
// The application's main window: the owner of boxes that name none.
HWND mainWindow = nullptr;
} // namespace

HWND ApplicationMainWindow() noexcept {
    return IsWindow(mainWindow) ? mainWindow : nullptr;
}
void SetApplicationMainWindow(HWND window) noexcept {
    mainWindow = window;
}

TZUXForm::TZUXForm() {
    visible_ = false;
}

TZUXForm::~TZUXForm() {
    if (mainWindow && mainWindow == Handle()) mainWindow = nullptr;
    DestroyHandle();
}

void TZUXForm::SetClientSize(int width96, int height96) {
    clientWidth_ = width96;
    clientHeight_ = std::max(height96, minClientHeight_);
    if (!HandleAllocated()) return;
    const SIZE size = WindowSizeFor(dpi_);
    SetWindowPos(Handle(), nullptr, 0, 0, size.cx, size.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TZUXForm::SetBorderIcons(bool systemMenu, bool minimize, bool maximize) {
    systemMenu_ = systemMenu;
    minimizeBox_ = minimize;
    maximizeBox_ = maximize;
}

DWORD TZUXForm::FormStyle() const noexcept {
    DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_CLIPCHILDREN;
    if (systemMenu_) style |= WS_SYSMENU;
    if (minimizeBox_) style |= WS_MINIMIZEBOX;
    if (maximizeBox_) style |= WS_MAXIMIZEBOX;
    if (border_ == TZUXFormBorder::Sizeable) style |= WS_THICKFRAME;
    return style;
}

DWORD TZUXForm::FormExStyle() const noexcept {
    DWORD exStyle = WS_EX_CONTROLPARENT;
    if (border_ == TZUXFormBorder::Dialog) exStyle |= WS_EX_DLGMODALFRAME;
    if (stayOnTop_) exStyle |= WS_EX_TOPMOST;
    if (!owner_) exStyle |= WS_EX_APPWINDOW;
    return exStyle;
}

SIZE TZUXForm::WindowSizeFor(UINT dpi) const noexcept {
    RECT r{0, 0, ScaleValue(clientWidth_, dpi), ScaleValue(clientHeight_, dpi)};
    AdjustWindowRectForDpi(r, FormStyle(), FormExStyle(), dpi);
    return {r.right - r.left, r.bottom - r.top};
}

TZUXWindow::TCreateParams TZUXForm::CreateParams() {
    TCreateParams params;
    params.ClassName = WindowClassName();
    params.Style = FormStyle();
    params.ExStyle = FormExStyle();
    return params;
}

void TZUXForm::PlaceWindows(const RECT&) {
    // A form places itself: its size comes from its client size.
}

void TZUXForm::CreateForm() {
    if (HandleAllocated()) return;
    TCreateParams params = CreateParams();
    params.Parent = owner_;
    params.Caption = caption_;
    dpi_ = GetSystemDpi();
    const SIZE size = WindowSizeFor(dpi_);
    params.Width = size.cx;
    params.Height = size.cy;
    CreateHandle(params);
    // The window now knows its monitor: size it for that monitor's DPI.
    const UINT dpi = GetWindowDpi(Handle());
    if (dpi != dpi_) {
        ApplyDpi(dpi);
        SetClientSize(clientWidth_, clientHeight_);
    }
    CenterWindow();
}

void TZUXForm::CenterWindow() {
    if (position_ == TZUXFormPosition::Default) return;
    RECT window;
    GetWindowRect(Handle(), &window);
    RECT area = GetWorkArea(Handle());
    if (position_ == TZUXFormPosition::OwnerCenter && owner_ && IsWindowVisible(owner_) &&
        !IsIconic(owner_))
        GetWindowRect(owner_, &area);
    const int width = window.right - window.left, height = window.bottom - window.top;
    int x = area.left + (area.right - area.left - width) / 2;
    int y = area.top + (area.bottom - area.top - height) / 2;
    // Never off the work area of the monitor.
    const RECT work = GetWorkArea(Handle());
    x = std::max(int(work.left), std::min(x, int(work.right) - width));
    y = std::max(int(work.top), std::min(y, int(work.bottom) - height));
    SetWindowPos(Handle(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TZUXForm::ShowForm() {
    CreateForm();
    visible_ = true;
    Showing();
    ShowWindow(Handle(), SW_SHOW);
    TZUXApplicationScope::FirstWindowShown();
    SetForegroundWindow(Handle());
    FocusFirstControl();
    Shown();
}

void TZUXForm::FocusFirstControl() {
    const HWND focus = GetFocus();
    if (focus && (focus == Handle() || IsChild(Handle(), focus))) {
        if (focus != Handle()) return;
    }
    if (defaultButton_ && defaultButton_->CanFocus()) {
        defaultButton_->SetFocus();
        return;
    }
    if (const HWND first = GetNextDlgTabItem(Handle(), nullptr, FALSE)) ::SetFocus(first);
}

void TZUXForm::SetDefaultButton(TZUXButton* button) {
    TZUXButton* old = defaultButton_;
    defaultButton_ = button;
    if (old && old->HandleAllocated()) InvalidateRect(old->Handle(), nullptr, TRUE);
    if (button && button->HandleAllocated()) InvalidateRect(button->Handle(), nullptr, TRUE);
}

bool TZUXForm::CloseQuery() {
    return !OnCloseQuery || OnCloseQuery();
}

void TZUXForm::Close() {
    if (!CloseQuery()) return;
    if (inModalLoop_) {
        if (modalResult_ == mrNone) modalResult_ = mrCancel;
    } else if (HandleAllocated()) {
        ShowWindow(Handle(), SW_HIDE);
        visible_ = false;
    }
}

int TZUXForm::ShowModal() {
    CreateForm();
    const HWND owner = owner_ && IsWindow(owner_) ? owner_ : nullptr;
    const bool ownerWasEnabled = owner && IsWindowEnabled(owner);
    if (ownerWasEnabled) EnableWindow(owner, FALSE);
    modalResult_ = mrNone;
    inModalLoop_ = true;
    String failure;
    bool failed = TZUXWindow::TakeHandlerError(failure);
    bool shown = false;
    if (!failed) {
        ShowForm();
        failed = TZUXWindow::TakeHandlerError(failure);
        // Without a display nothing shows, and nobody could answer.
        shown = HandleAllocated() && IsWindowVisible(Handle());
    }
    if (!shown) modalResult_ = mrNone;
    MSG message;
    while (shown && !failed && modalResult_ == mrNone && HandleAllocated()) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            // A quit request belongs to the outer loop: end ours and pass it on.
            PostQuitMessage(int(message.wParam));
            modalResult_ = mrCancel;
            break;
        }
        if (got < 0) break;
        if (!IsDialogMessageW(Handle(), &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        failed = TZUXWindow::TakeHandlerError(failure);
    }
    inModalLoop_ = false;
    // The owner is enabled before the form hides, so that it gets the focus back.
    if (ownerWasEnabled) EnableWindow(owner, TRUE);
    if (HandleAllocated()) {
        ShowWindow(Handle(), SW_HIDE);
        if (owner && IsWindowVisible(owner)) SetActiveWindow(owner);
    }
    visible_ = false;
    if (failed) throw EZUXUIError(failure);
    if (shown && modalResult_ == mrNone) modalResult_ = mrCancel;
    return modalResult_;
}

LRESULT TZUXForm::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CLOSE:
        Close();
        return 0;
    case DM_GETDEFID:
        if (defaultButton_ && defaultButton_->HandleAllocated())
            return MAKELRESULT(defaultButton_->ControlId(), DC_HASDEFID);
        return 0;
    case WM_COMMAND: {
        const UINT id = LOWORD(wParam);
        // Enter and Escape of the dialog keyboard: the default and cancel buttons.
        if (id == IDOK || (defaultButton_ && id == defaultButton_->ControlId() && !lParam)) {
            // A push button with the focus acts as the default button.
            auto* focused = dynamic_cast<TZUXButton*>(FromHandle(GetFocus()));
            if (focused && focused->ParentForm() == this)
                focused->Click();
            else if (defaultButton_ && defaultButton_->CanFocus())
                defaultButton_->Click();
            return 0;
        }
        if (id == IDCANCEL) {
            if (cancelButton_ && cancelButton_->CanFocus()) cancelButton_->Click();
            return 0;
        }
        break;
    }
    case WM_DPICHANGED: {
        const auto* suggested = reinterpret_cast<const RECT*>(lParam);
        ApplyDpi(LOWORD(wParam));
        if (suggested)
            SetWindowPos(Handle(), nullptr, suggested->left, suggested->top,
                         suggested->right - suggested->left, suggested->bottom - suggested->top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
        DpiChanged();
        return 0;
    }
    case WM_SETTINGCHANGE:
        if (lParam &&
            lstrcmpiW(reinterpret_cast<const wchar_t*>(lParam), L"ImmersiveColorSet") == 0 &&
            UpdateColorMode()) {
            ColorModeChanged();
            RedrawWindow(Handle(), nullptr, nullptr,
                         RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
        }
        break;
    case WM_GETMINMAXINFO:
        if (border_ == TZUXFormBorder::Sizeable && HandleAllocated()) {
            auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
            const int saved = clientHeight_;
            clientHeight_ = minClientHeight_;
            const SIZE minimum = WindowSizeFor(dpi_);
            clientHeight_ = saved;
            info->ptMinTrackSize.y = minimum.cy;
            return 0;
        }
        break;
    default:
        break;
    }
    return TZUXCustomControl::WndProc(message, wParam, lParam);
}

} // namespace ZUX
