// The product's own pages: installation options, add-ons, Windows
// integration and the uninstall options.
#pragma once

#include "ZUX/Base/StringList.h"
#include "wizard/Markup.h"
#include "wizard/Pages.h"

class TSetupPageSetup : public TSetupPage {
public:
    bool CanGoNext() override;
    void Prepare() override { UpdatePage(); }
    void CreateControls() override;

protected:
    RECT AlignArea() const override;

private:
    void UpdatePage();
    void SetDestination(const ZUX::String& path);
    bool ExistingInstallation() const;
    void EditChanged();
    void BrowseClick();
    void UpdateClick();
    void KindClick();

    HWND pathEdit_ = nullptr;
    bool editing_ = false;
    HWND backup_ = nullptr;   // CB4
    HWND update_ = nullptr;   // CB1
    HWND normal_ = nullptr;   // CB2
    HWND portable_ = nullptr; // CB3
    std::vector<HWND> warnings_;
    bool updating_ = false;
};

class TSetupPageAddons : public TSetupPage {
public:
    TSetupPageAddons();
    void Prepare() override;
    void CreateControls() override;
    void Localize() override;

protected:
    void Paint(HDC dc, const RECT& client) override;
    void OnNotify(const NMHDR& header, LPARAM lParam) override;

private:
    void Write();
    void ShowFormatted(HWND viewer, const ZUX::String& markup, Wizard::TMarkup& parsed);

    std::unique_ptr<ZUX::TZUXStringList> settings_;
    std::unique_ptr<ZUX::TZUXBitmap> image_;
    HWND text1_ = nullptr;
    HWND text2_ = nullptr;
    Wizard::TMarkup markup1_, markup2_;
    HWND extensions_ = nullptr; // CB2
    HWND shortcuts_ = nullptr;  // CB3
    HWND viewer_ = nullptr;     // CB1
};

class TSetupPageIntegration : public TSetupPage {
public:
    bool CanShow() override;
    void Prepare() override;
    void CreateControls() override;

private:
    void Write();
    HWND boxes_[5] = {}; // CB1 .. CB5
};

class TSetupPageUninstallParams : public TSetupPage {
public:
    void Prepare() override;
    void CreateControls() override;

private:
    void Write();
    HWND removeBackups_ = nullptr; // CB1
    HWND removeContent_ = nullptr; // CB2
};
