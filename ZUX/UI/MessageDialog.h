// The toolkit's message box: a modal question or message that takes the
// Windows message-box flags (icon kind, button set, default button, system
// modal) and returns the Windows result codes. When its window cannot be
// created or shown (no display), it returns 0 at once and never waits.
#pragma once

#include "ZUX/UI/Controls.h"
#include "ZUX/UI/Form.h"
#include "ZUX/UI/Gdi.h"

#include <vector>

namespace ZUX {

enum class TZUXMessageKind { None, Information, Warning, Question, Error };

// The kind from the icon bits of the flags.
TZUXMessageKind MessageKindOf(UINT flags) noexcept;
// "Information", "Warning", "Confirm", "Error", or empty.
String DefaultMessageTitle(TZUXMessageKind kind);

struct TZUXMessageButton {
    String Caption;
    int Result = 0;
    String Name; // component name
};
// The buttons of the low four bits of the flags, in order.
std::vector<TZUXMessageButton> MessageButtonsOf(UINT flags);

class TZUXMessageDialog : public TZUXForm {
public:
    // Owner none: the application's main window.
    TZUXMessageDialog(HWND owner, const String& text, const String& title, UINT flags);
    ~TZUXMessageDialog() override;

    // Raises EZUXUIError "MsgDlg: button limit has been exceed" for a fourth.
    TZUXButton& AddButton(const TZUXMessageButton& button);
    // Shown modally with the kind's sound; the pressed button's result, or 0
    // when the window could not be shown.
    int Execute();
    TZUXMessageKind Kind() const noexcept { return kind_; }

protected:
    String WindowClassName() const override { return u"TZUXMessageDialog"; }
    void Paint(HDC dc, const RECT& client) override;
    void Showing() override;
    void DpiChanged() override;
    bool CloseQuery() override;

private:
    void Layout();
    void LoadKindIcon();

    TZUXMessageKind kind_;
    UINT flags_;
    TZUXLabel* message_ = nullptr;
    std::vector<TZUXButton*> buttons_;
    TZUXIconHandle icon_;
    UINT iconDpi_ = 0;
};

// The message box in one call: (owner or none, text, title or empty, flags).
int ZUXMessageBox(HWND owner, const String& text, const String& title, UINT flags);

} // namespace ZUX
