// The wizard window: one page at a time between the header band and the
// bottom band, Back and Next, the step strip and the taskbar button's
// progress. It listens to the setup object and hands runs to its pages.
// Split by concern: frame and drawing (WizardFrame), page flow
// (WizardFlow), notifications and closing (WizardNotify).
#pragma once

#include "ZUX/Base/Com.h"
#include "ZUX/UI/Gdi.h"
#include "ZUX/UI/Image.h"
#include "engine/SetupActions.h"
#include "wizard/Pages.h"

#include <memory>

class TWizardForm;
struct ITaskbarList3;

class TWizardCustomViewInfo {
public:
    explicit TWizardCustomViewInfo(TWizardForm& form) : Form(form) {}
    virtual ~TWizardCustomViewInfo() = default;
    TWizardForm& Form;
};

// Background, header and bottom band; the bounds of pages.
class TWizardFormViewInfo : public TWizardCustomViewInfo {
public:
    explicit TWizardFormViewInfo(TWizardForm& form);
    void Paint(HDC dc);
    RECT PageBounds(bool fullScreen) const;

private:
    std::unique_ptr<ZUX::TZUXBitmap> headerLight_;
    std::unique_ptr<ZUX::TZUXBitmap> headerDark_;
};

// The step-progress strip under the header.
class TWizardProgressViewInfo : public TWizardCustomViewInfo {
public:
    using TWizardCustomViewInfo::TWizardCustomViewInfo;
    void Calculate();
    void Paint(HDC dc);
    RECT StripRect() const;

    Wizard::TRect Strip;
    Wizard::TRect Bar;
    int SegmentWidth = 0;
};

// The progress of the taskbar button; does nothing where the shell has no
// taskbar interface.
class TWizardTaskbar {
public:
    explicit TWizardTaskbar(HWND window);
    ~TWizardTaskbar(); // where the interface is declared
    void SetProgress(int value, int maximum);
    void SetError();

private:
    HWND window_;
    ZUX::TZUXComPtr<ITaskbarList3> list_;
    bool error_ = false;
};

class TWizardForm : public IInstallerNotify {
public:
    TWizardForm();
    ~TWizardForm() override;
    TWizardForm(const TWizardForm&) = delete;
    TWizardForm& operator=(const TWizardForm&) = delete;

    void CreatePages(TSetupPageList& pages);
    void Localize();
    void UpdateButtons();
    void SetActivePage(TSetupCustomPage* page);
    void UpdateProgress();
    void bNextClick();
    void bBackClick();
    // Whether the window may close now; asks "QM" before the run has finished.
    bool FormCloseQuery();
    void Notify(int32_t code, intptr_t param) override;

    HWND Handle() const { return handle_; }
    int Dpi() const;
    bool Closed() const { return closed_; }
    TSetupPageList& Pages() const { return *pages_; }
    TSetupCustomPage* ActivePage = nullptr;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam,
                                       LPARAM lParam) noexcept;
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    void CreateFrame();
    void LayoutFrame();
    void Paint(HDC dc);
    void RequestClose();
    void ScheduleProgress();

    HWND handle_ = nullptr;
    HWND bBack_ = nullptr;
    HWND bNext_ = nullptr;
    HWND lbVerInfo_ = nullptr;
    ZUX::TZUXFontHandle font_;
    ZUX::TZUXSolidBrush versionBrush_;
    std::unique_ptr<TSetupPageList> pages_;
    std::unique_ptr<TWizardProgressViewInfo> progressView_;
    std::unique_ptr<TWizardTaskbar> taskbar_;
    std::unique_ptr<TWizardFormViewInfo> formView_;
    bool listening_ = false;
    bool closed_ = false;
    bool progressTimer_ = false;
    Wizard::TRepaintPacer pacer_;
};
