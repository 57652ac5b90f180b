// Forms: top-level windows whose client size is given in 96-DPI units and
// follows the DPI of the monitor they are on. A form runs modally with the
// dialog keyboard (Tab, Enter for the default button, Escape for the cancel
// button, mnemonics) and asks its close-query hook before it closes.
#pragma once

#include "ZUX/UI/Control.h"

namespace ZUX {

class TZUXButton;

// Modal results: the Windows dialog result codes.
enum : int {
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrAbort = 3,
    mrRetry = 4,
    mrIgnore = 5,
    mrYes = 6,
    mrNo = 7
};

enum class TZUXFormBorder {
    Sizeable, // resizable frame
    Single,   // fixed frame with a caption
    Dialog,   // dialog frame with a caption
};

enum class TZUXFormPosition { Default, ScreenCenter, OwnerCenter };

// The application's main window: the owner of dialogs that are given none.
HWND ApplicationMainWindow() noexcept;
void SetApplicationMainWindow(HWND window) noexcept;

class TZUXForm : public TZUXCustomControl {
public:
    TZUXForm();
    ~TZUXForm() override;

    void SetClientSize(int width96, int height96);
    int ClientWidth() const noexcept { return clientWidth_; }
    int ClientHeight() const noexcept { return clientHeight_; }
    // The smallest client height (96-DPI units) a sizeable form keeps.
    void SetMinClientHeight(int height96) { minClientHeight_ = height96; }
    void SetBorder(TZUXFormBorder border) { border_ = border; }
    // The system menu with its close button, and the minimize and maximize boxes.
    void SetBorderIcons(bool systemMenu, bool minimize, bool maximize);
    void SetStayOnTop(bool onTop) { stayOnTop_ = onTop; }
    void SetPosition(TZUXFormPosition position) { position_ = position; }
    // The window that owns the form (none: a window of its own on the taskbar).
    void SetOwnerWindow(HWND owner) { owner_ = owner; }
    HWND OwnerWindow() const noexcept { return owner_; }

    // Creates the window, hidden, sized for its monitor and placed.
    void CreateForm();
    void ShowForm();
    // Shows the form and runs it until a modal result is set or it is
    // closed; its owner is disabled meanwhile. mrNone when the form could not
    // be shown (no display). Raises the failure of a message handler, if one
    // failed while it ran.
    int ShowModal();
    int ModalResult() const noexcept { return modalResult_; }
    void SetModalResult(int result) noexcept { modalResult_ = result; }
    bool InModalLoop() const noexcept { return inModalLoop_; }
    // Asks the close query; when it allows, ends the modal run (mrCancel) or
    // hides the form.
    void Close();

    // Enter presses the default button, Escape the cancel button.
    void SetDefaultButton(TZUXButton* button);
    TZUXButton* DefaultButton() const noexcept { return defaultButton_; }
    void SetCancelButton(TZUXButton* button) { cancelButton_ = button; }
    TZUXButton* CancelButton() const noexcept { return cancelButton_; }

    // Whether the form may close; both the hook and the virtual must agree.
    std::function<bool()> OnCloseQuery;
    virtual bool CloseQuery();

protected:
    TCreateParams CreateParams() override;
    String WindowClassName() const override { return u"TZUXForm"; }
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // After the DPI changed and every control was scaled.
    virtual void DpiChanged() {}
    // Called when the form is about to show, and once it shows.
    virtual void Showing() {}
    virtual void Shown() {}
    // After the user's app mode (light or dark) changed; the form repaints.
    virtual void ColorModeChanged() {}
    void PlaceWindows(const RECT& scaled) override;
    // The window size for the client size at the DPI.
    SIZE WindowSizeFor(UINT dpi) const noexcept;
    DWORD FormStyle() const noexcept;
    DWORD FormExStyle() const noexcept;

private:
    void CenterWindow();
    void FocusFirstControl();

    int clientWidth_ = 320, clientHeight_ = 240, minClientHeight_ = 0;
    TZUXFormBorder border_ = TZUXFormBorder::Single;
    bool systemMenu_ = true, minimizeBox_ = false, maximizeBox_ = false;
    bool stayOnTop_ = false;
    TZUXFormPosition position_ = TZUXFormPosition::ScreenCenter;
    HWND owner_ = nullptr;
    int modalResult_ = mrNone;
    bool inModalLoop_ = false;
    TZUXButton* defaultButton_ = nullptr;
    TZUXButton* cancelButton_ = nullptr;
};

} // namespace ZUX
