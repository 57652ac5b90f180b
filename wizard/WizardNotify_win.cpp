// The wizard's notifications from the setup object, and closing.
#include "wizard/WizardForm.h"

#include "ZUX/UI/Application.h"
#include "ZUX/UI/MessageDialog.h"
#include "engine/Setup.h"
#include "wizard/HandlerBoundary.h"

using namespace ZUX;

void TWizardForm::Notify(int32_t code, intptr_t) {
    Wizard::Guarded(handle_, [&] {
        switch (code) {
        case NOTIFY_FINISHED:
            if (Setup->HasFlag(sfAuto) && !Setup->HasErrors()) {
                // Posted: the window must outlive this notification.
                PostMessageW(handle_, WM_CLOSE, 0, 0);
            } else {
                bNextClick();
            }
            break;
        case NOTIFY_INPUT_CHANGED:
            UpdateButtons();
            break;
        case NOTIFY_PROGRESS_CHANGED:
            ScheduleProgress();
            break;
        default:
            break;
        }
    });
}

// At most 30 refreshes of the strip and the taskbar a second; a timer brings
// the last value of a burst.
void TWizardForm::ScheduleProgress() {
    if (pacer_.Ready(GetTickCount())) {
        UpdateProgress();
    } else if (!progressTimer_) {
        progressTimer_ = SetTimer(handle_, 1, 34, nullptr) != 0;
    }
}

bool TWizardForm::FormCloseQuery() {
    if (Setup->State == ssFinished) return true;
    String caption(size_t(GetWindowTextLengthW(handle_)), u'\0');
    GetWindowTextW(handle_, reinterpret_cast<wchar_t*>(caption.data()), int(caption.size()) + 1);
    const String text = Setup->Resources->GetText(u"QM");
    if (ZUXMessageBox(handle_, text, caption, MB_OKCANCEL | MB_DEFBUTTON2 | MB_ICONQUESTION) !=
        IDOK)
        return false;
    Setup->FreeThread();
    return true;
}

void TWizardForm::RequestClose() {
    if (closed_) return;
    // Inside a notification the worker waits for us: stopping it there would
    // wait forever. The request comes back once the notification is over.
    if (InsideMessagePump()) {
        PostMessageW(handle_, WM_CLOSE, 0, 0);
        return;
    }
    if (!FormCloseQuery()) return;
    closed_ = true;
    ShowWindow(handle_, SW_HIDE);
    PostQuitMessage(0);
}
