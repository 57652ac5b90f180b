// The pages every product's wizard uses: welcome, license, summary, progress
// and finish.
#pragma once

#include "engine/SetupActions.h"
#include "wizard/Pages.h"

class TSetupPageFullScreen : public TSetupPage {
public:
    void CreateControls() override;

protected:
    void Paint(HDC dc, const RECT& client) override;

    std::unique_ptr<ZUX::TZUXBitmap> Image;
    HWND L2 = nullptr;
    HWND L1 = nullptr;
};

class TSetupPageWelcome : public TSetupPageFullScreen {};

class TSetupPageLicense : public TSetupPage {
public:
    bool CanGoBack() override { return false; }
    bool CanGoNext() override;
    void Prepare() override;
    void CreateControls() override;

protected:
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    HWND checkBox_ = nullptr;
    TSetupTextViewer* viewer_ = nullptr;
};

class TSetupPageReadyToInstall : public TSetupPage {
public:
    void Prepare() override;
    void CreateControls() override;

private:
    TSetupTextViewer* viewer_ = nullptr;
};

class TSetupPageInstall : public TSetupPage, public IInstallerNotify {
public:
    ~TSetupPageInstall() override;
    bool CanGoBack() override { return false; }
    bool CanGoNext() override { return finished_; }
    int GetProgress() override { return overall_; }
    void Prepare() override;
    void CreateControls() override;
    void Notify(int32_t code, intptr_t param) override;

protected:
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void ShowProgress();

    HWND status_ = nullptr;
    bool finished_ = false;
    HWND actionBar_ = nullptr;
    HWND overallBar_ = nullptr;
    int action_ = 0, overall_ = 0;           // the worker's latest values
    int shownAction_ = 0, shownOverall_ = 0; // what the bars show
    bool timerArmed_ = false;
    bool listening_ = false;
    Wizard::TRepaintPacer pacer_;
};

class TSetupPageUninstall : public TSetupPageInstall {};

class TSetupPageCustomFinish : public TSetupPageFullScreen {
public:
    bool CanGoBack() override { return false; }
    void Prepare() override;
    void CreateControls() override;

protected:
    bool ErrorsShown() const { return errorsShown_; }

private:
    HWND errorBox_ = nullptr;
    bool errorsShown_ = false;
};

class TSetupPageFinish : public TSetupPageCustomFinish {
public:
    void Prepare() override;
    void CreateControls() override;
    void Localize() override;

protected:
    void OnNotify(const NMHDR& header, LPARAM lParam) override;

private:
    void WriteRunOptions();

    std::vector<HWND> runOptions_;
    HWND homePage_ = nullptr;
};

class TSetupPageUninstallFinish : public TSetupPageCustomFinish {};
