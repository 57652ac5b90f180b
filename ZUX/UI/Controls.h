// The toolkit's controls. Each is a real child window of a system control
// class whose window text is its caption; the toolkit draws them in the
// light or dark skin.
#pragma once

#include "ZUX/UI/Control.h"

namespace ZUX {

// Static text on the container's background: one line, or aligned to the top
// and word-wrapped.
class TZUXLabel : public TZUXControl {
public:
    explicit TZUXLabel(bool wordWrap = false) : wordWrap_(wordWrap) {}
    bool WordWrap() const noexcept { return wordWrap_; }
    void SetWordWrap(bool wordWrap);
    // "Segoe UI" at 11 points: the heading of a page.
    void MakeHeading();

protected:
    TCreateParams CreateParams() override;

private:
    bool wordWrap_;
};

// A push button; its click sets the form's modal result when it has one.
class TZUXButton : public TZUXControl {
public:
    int ModalResult() const noexcept { return modalResult_; }
    void SetModalResult(int result) noexcept { modalResult_ = result; }
    void Click() override;
    bool HandleParentMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

protected:
    TCreateParams CreateParams() override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void Draw(const DRAWITEMSTRUCT& item);

private:
    int modalResult_ = 0;
};

// A check box; it keeps its state when its window does not exist yet.
class TZUXCheckBox : public TZUXControl {
public:
    bool Checked() const noexcept;
    void SetChecked(bool checked);
    void Click() override;

protected:
    TCreateParams CreateParams() override;
    void HandleCreated() override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    virtual DWORD ButtonStyle() const { return BS_AUTOCHECKBOX; }

    bool checked_ = false;
};

// A radio button: ticking one unticks the others of its group (the buttons up
// to the next group start in creation order).
class TZUXRadioButton : public TZUXCheckBox {
public:
    void SetGroupStart(bool start) noexcept { groupStart_ = start; }

protected:
    TCreateParams CreateParams() override;
    DWORD ButtonStyle() const override { return BS_AUTORADIOBUTTON; }

private:
    bool groupStart_ = false;
};

// A one-line edit box, optionally with a button embedded at its right end.
class TZUXEdit : public TZUXControl {
public:
    TZUXEdit();
    ~TZUXEdit() override;
    String Text() const { return Caption(); }
    void SetText(const String& text) { SetCaption(text); }
    // The embedded button: caption, width in 96-DPI units, click handler. Its
    // component name is the edit's followed by "Button".
    void SetButton(const String& caption, int width96, std::function<void()> onClick);
    TZUXButton* Button() const noexcept { return button_.get(); }
    std::function<void(TZUXEdit&)> OnChange;
    bool HandleParentMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void ApplyDpi(UINT dpi) override;

protected:
    TCreateParams CreateParams() override;
    void HandleCreated() override;
    HBRUSH ControlColor(HDC dc) override;
    void PlaceWindows(const RECT& scaled) override;

private:
    std::unique_ptr<TZUXButton> button_;
    int buttonWidth_ = 0;
    TZUXSolidBrush brush_;
};

// Read-only multi-line text with a vertical scroll bar.
class TZUXMemo : public TZUXControl {
public:
    String Text() const { return Caption(); }
    void SetText(const String& text) { SetCaption(text); }

protected:
    TCreateParams CreateParams() override;
    HBRUSH ControlColor(HDC dc) override;

    TZUXSolidBrush brush_;
};

// A progress bar drawn in the skin's colours.
class TZUXProgressBar : public TZUXControl {
public:
    int Position() const noexcept { return position_; }
    int Max() const noexcept { return max_; }
    void SetPosition(int position);
    void SetMax(int max);

protected:
    TCreateParams CreateParams() override;
    void HandleCreated() override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    int position_ = 0;
    int max_ = 100;
};

} // namespace ZUX
