// Closing the running player.
#include "product/ActionCloseApplications.h"

#include "ZUX/Base/Win32.h"

using namespace ZUX;

const std::vector<String>& TSetupActionCloseApplications::ApplicationWindowClasses() {
    static const std::vector<String> classes{
        u"TZIVR2EditorForm",       u"TZIVR2MainW",      u"TZIVR3MainWindow", u"TZIVRATEForm",
        u"TZIVRConverterMainForm", u"TZIVRLibMainForm", u"TZIVRMainForm",
    };
    return classes;
}

void TSetupActionCloseApplications::DoExecute() {
    SetStatus(GetCommonText(u"A8"));
    passes_ = 0;
    for (;;) {
        bool found = false;
        for (const String& name : ApplicationWindowClasses()) {
            const HWND window = FindWindowW(WStr(name), nullptr);
            if (!window) continue;
            found = true;
            // A hung window gets no second chance within this pass: the
            // timeout keeps the worker from hanging with it.
            DWORD_PTR result = 0;
            SendMessageTimeoutW(window, WM_CLOSE, 0, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                                CloseTimeoutMs, &result);
        }
        ++passes_;
        // Give the closed programs time to write their settings and exit.
        Sleep(PassDelayMs);
        if (!found || passes_ >= MaxPasses || cancelled_) break;
    }
}
