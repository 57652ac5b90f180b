// The wizard's page flow: construction, pages, captions, moving between pages.
#include "wizard/WizardForm.h"

#include "ZUX/UI/DialogTexts.h"
#include "engine/Setup.h"
#include "wizard/GenericPages.h"
#include "wizard/HandlerBoundary.h"

using namespace ZUX;

TWizardForm::TWizardForm() {
    CreateFrame();
    pages_ = std::make_unique<TSetupPageList>();
    progressView_ = std::make_unique<TWizardProgressViewInfo>(*this);
    taskbar_ = std::make_unique<TWizardTaskbar>(handle_);
    formView_ = std::make_unique<TWizardFormViewInfo>(*this);
    Setup->AddListener(this);
    listening_ = true;
    CreatePages(*pages_);
    Localize();
    UpdateButtons();
    SetActivePage(pages_->First());
}

TWizardForm::~TWizardForm() {
    Wizard::Guarded(handle_, [] { Setup->RunPostInstallActions(); });
    if (listening_) Setup->RemoveListener(this);
    taskbar_.reset();
    progressView_.reset();
    formView_.reset();
    ActivePage = nullptr;
    pages_.reset();
    if (handle_) {
        for (const HWND window : {bBack_, bNext_, lbVerInfo_, handle_}) RemoveComponentName(window);
        SetWindowLongPtrW(handle_, GWLP_USERDATA, 0);
        DestroyWindow(handle_);
    }
}

void TWizardForm::CreatePages(TSetupPageList& pages) {
    if (!Setup->HasFlag(sfAuto)) {
        // Names of classes that are no page are passed over.
        Setup->ProductInfo->PopulatePages(
            [&](TSetupPageClass className) { pages.Add(className, handle_); });
    }
    if (Setup->Mode == smUninstall) {
        pages.Add(u"TSetupPageUninstall", handle_);
        pages.Add(u"TSetupPageUninstallFinish", handle_);
    } else {
        pages.Add(u"TSetupPageInstall", handle_);
        pages.Add(u"TSetupPageFinish", handle_);
    }
}

void TWizardForm::Localize() {
    const TSetupResources& resources = *Setup->Resources;
    SetWindowTextW(handle_, WStr(resources.GetText(u"Caption")));
    SetWindowTextW(bBack_, WStr(resources.GetText(u"bBack")));
    SetWindowTextW(bNext_, WStr(resources.GetText(u"bNext")));
    ZUX::TZUXDialogTexts& texts = ZUX::DialogTexts();
    texts.BrowseTitle = resources.GetText(u"lBrowse");
    texts.NewFolder = resources.GetText(u"lNewFolder");
    texts.Ok = resources.GetText(u"lOk");
    texts.Cancel = resources.GetText(u"lCancel");
    SetWindowTextW(lbVerInfo_, WStr(Setup->ProductInfo->GetFullVersion()));
}

void TWizardForm::UpdateButtons() {
    ShowWindow(bBack_, pages_->CanGoBack(ActivePage) ? SW_SHOWNA : SW_HIDE);
    EnableWindow(bNext_, pages_->CanGoNext(ActivePage) || ActivePage == pages_->Last());
    TSetupCustomPage* next = pages_->NextPage(ActivePage);
    Wizard::TNextKind kind = Wizard::TNextKind::Other;
    // The uninstall progress page descends from the install progress page.
    if (!next)
        kind = Wizard::TNextKind::None;
    else if (dynamic_cast<TSetupPageUninstall*>(next))
        kind = Wizard::TNextKind::Uninstall;
    else if (dynamic_cast<TSetupPageInstall*>(next))
        kind = Wizard::TNextKind::Install;
    SetWindowTextW(bNext_, WStr(Setup->Resources->GetText(Wizard::NextCaptionKey(kind))));
    if (Setup->State == ssFinished) {
        if (Setup->HasErrors()) taskbar_->SetError();
        EnableMenuItem(GetSystemMenu(handle_, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
    }
    progressView_->Calculate();
    InvalidateRect(handle_, &static_cast<const RECT&>(progressView_->StripRect()), FALSE);
}

void TWizardForm::SetActivePage(TSetupCustomPage* page) {
    if (page == ActivePage) return;
    const DWORD started = GetTickCount();
    if (ActivePage) ActivePage->ShowPage(false);
    ActivePage = nullptr;
    if (page) {
        ActivePage = page;
        page->Place(formView_->PageBounds(dynamic_cast<TSetupPageFullScreen*>(page) != nullptr));
        page->Prepare();
        page->ShowPage(true);
    }
    UpdateButtons();
    const HWND focus = GetFocus();
    if ((!focus || !IsChild(handle_, focus) || !IsWindowVisible(focus)) && IsWindowEnabled(bNext_))
        SetFocus(bNext_);
    UpdateProgress();
    // The header shows the new page's texts.
    InvalidateRect(handle_, nullptr, FALSE);
    if (page) {
        const String line = Format(u"Page %s shown in %d ms\n",
                                   {static_cast<const TSetupCustomPage*>(page)->PageName(),
                                    int(GetTickCount() - started)});
        OutputDebugStringW(WStr(line));
    }
}

void TWizardForm::UpdateProgress() {
    const Wizard::TStepProgress progress = Wizard::StepProgress(
        pages_->IndexOf(ActivePage), ActivePage ? ActivePage->GetProgress() : 0, pages_->Count());
    taskbar_->SetProgress(progress.Value, progress.Maximum);
    RECT strip = progressView_->StripRect();
    InvalidateRect(handle_, &strip, FALSE);
}

void TWizardForm::bNextClick() {
    if (pages_->CanGoNext(ActivePage))
        SetActivePage(pages_->NextPage(ActivePage));
    else if (ActivePage && ActivePage == pages_->Last())
        RequestClose();
}

void TWizardForm::bBackClick() {
    if (pages_->CanGoBack(ActivePage)) SetActivePage(pages_->PrevPage(ActivePage));
}
