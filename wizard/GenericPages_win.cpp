// The generic pages: welcome, license, summary, progress and finish.
#include "wizard/GenericPages.h"

#include "ZUX/UI/Application.h"
#include "engine/Setup.h"
#include "wizard/HandlerBoundary.h"
#include "wizard/Palette.h"

#include <commctrl.h>

using namespace ZUX;

namespace {

constexpr UINT WM_FOCUS_VIEWER = WM_APP + 1;
constexpr UINT_PTR kRepaintTimer = 1;
// Bottom margin of a control filling the page above a bottom-aligned one.
constexpr int Above(int bottomMargin, int height, int gap) {
    return bottomMargin + height + gap;
}

} // namespace

// TSetupPageFullScreen

void TSetupPageFullScreen::CreateControls() {
    Image = LoadSetupPicture(Format(u"wizard_%s.png", {SetupPalette().Dark ? u"dark" : u"light"}));
    L2 = CreateLabel({210, 61, 400, 240}, u"L2", true);
    // Made after the body text, the headline lies beneath it: its box reaches
    // into the body's, its one line does not.
    L1 = CreateLabel({210, 22, 400, 50}, u"L1", true);
    SetFont(L1, 11, false);
}

void TSetupPageFullScreen::Paint(HDC dc, const RECT& client) {
    TSetupPage::Paint(dc, client);
    const RECT side{0, 0, Scale(188), Scale(435)};
    if (Image) Image->Draw(dc, side);
}

// TSetupPageLicense

void TSetupPageLicense::CreateControls() {
    viewer_ = &CreateViewer({28, 22, 28, Above(22, 16, 4 + 4)});
    checkBox_ = CreateCheckBox({0, 0, 0, 16}, u"L1", [this] { NotifyStateChanged(); });
    Align(checkBox_, TAlign::Bottom, {28, 4, 28, 22}, 16);
}

bool TSetupPageLicense::CanGoNext() {
    return Checked(checkBox_);
}

void TSetupPageLicense::Prepare() {
    if (auto stream = Setup->Resources->GetLicenseStream()) {
        stream->SetPosition(0);
        viewer_->LoadRichText(stream.get());
    }
    if (!Checked(checkBox_)) PostMessageW(Handle(), WM_FOCUS_VIEWER, 0, 0);
}

bool TSetupPageLicense::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (message == WM_FOCUS_VIEWER) {
        if (IsWindowVisible(Handle()) && !Checked(checkBox_)) ::SetFocus(viewer_->Handle());
        result = 0;
        return true;
    }
    return TSetupPage::HandleMessage(message, wParam, lParam, result);
}

// TSetupPageReadyToInstall

void TSetupPageReadyToInstall::CreateControls() {
    viewer_ = &CreateViewer({28, 22, 28, 22});
    viewer_->SetEnabled(false);
}

void TSetupPageReadyToInstall::Prepare() {
    TSetupSummaryBuilder builder;
    Setup->ProductInfo->PopulateActions(
        [&builder](TSetupActionClass actionClass) { actionClass()->Describe(builder); });
    viewer_->SetPlainText(builder.ToString());
}

// TSetupPageInstall

void TSetupPageInstall::CreateControls() {
    actionBar_ = CreateControl({30, 40, 580, 18}, u"", PROGRESS_CLASSW, 0, false).Handle;
    overallBar_ = CreateControl({30, 65, 580, 18}, u"", PROGRESS_CLASSW, 0, false).Handle;
    for (const HWND bar : {actionBar_, overallBar_}) {
        SendMessageW(bar, PBM_SETRANGE32, 0, 100);
        SendMessageW(bar, PBM_SETBARCOLOR, 0, LPARAM(SetupPalette().Accent));
        SendMessageW(bar, PBM_SETBKCOLOR, 0, LPARAM(SetupPalette().StripBackground));
    }
    status_ = CreateLabel({30, 16, 580, 18}, u"", false);
    SetFont(status_, 8, false);
    SetText(status_, Translate(u"L1"));
    Setup->AddListener(this);
    listening_ = true;
}

TSetupPageInstall::~TSetupPageInstall() {
    if (listening_ && Setup) Setup->RemoveListener(this);
}

void TSetupPageInstall::Prepare() {
    Setup->Run(false);
}

void TSetupPageInstall::ShowProgress() {
    if (timerArmed_) {
        KillTimer(Handle(), kRepaintTimer);
        timerArmed_ = false;
    }
    if (action_ == shownAction_ && overall_ == shownOverall_) return;
    shownAction_ = action_;
    shownOverall_ = overall_;
    SendMessageW(actionBar_, PBM_SETPOS, WPARAM(action_), 0);
    SendMessageW(overallBar_, PBM_SETPOS, WPARAM(overall_), 0);
}

void TSetupPageInstall::Notify(int32_t code, intptr_t param) {
    Wizard::Guarded(Handle(), [&] {
        switch (code) {
        case NOTIFY_FINISHED:
            finished_ = true;
            ShowProgress();
            break;
        case NOTIFY_PROGRESS: {
            const int a = int(uint32_t(param) & 0xFFFF);
            const int b = int((uint32_t(param) >> 16) & 0xFFFF);
            if (a == action_ && b == overall_) return;
            action_ = a;
            overall_ = b;
            // However fast the worker reports, the bars repaint at most 30
            // times a second; a timer shows the last values of a burst.
            if (pacer_.Ready(GetTickCount())) {
                ShowProgress();
                ProcessMessages();
            } else if (!timerArmed_) {
                timerArmed_ = SetTimer(Handle(), kRepaintTimer, 34, nullptr) != 0;
            }
            break;
        }
        case NOTIFY_STATUS:
            SetText(status_, *reinterpret_cast<const String*>(param));
            ProcessMessages();
            break;
        default:
            break;
        }
    });
}

bool TSetupPageInstall::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (message == WM_TIMER && wParam == kRepaintTimer) {
        ShowProgress();
        result = 0;
        return true;
    }
    return TSetupPage::HandleMessage(message, wParam, lParam, result);
}

// TSetupPageCustomFinish

void TSetupPageCustomFinish::CreateControls() {
    TSetupPageFullScreen::CreateControls();
    errorBox_ = CreateControl({0, 0, 0, 0}, u"", L"EDIT",
                              WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, false)
                    .Handle;
    // Above the home-page link of the finish page, where there is one.
    Align(errorBox_, TAlign::Client, {210, 120, 20, Above(4, 16, 0)});
}

void TSetupPageCustomFinish::Prepare() {
    errorsShown_ = Setup->HasErrors();
    SetShown(errorBox_, errorsShown_);
    if (!errorsShown_) return;
    SetTextColor(L1, RGB(0xFF, 0, 0));
    SetText(L1, Translate(u"E1"));
    String lines;
    for (int i = 0; i < Setup->Errors->Count(); ++i) {
        if (i) lines += u"\r\n";
        lines += Setup->Errors->Strings(i);
    }
    SetText(errorBox_, lines);
    SetText(L2, Translate(u"E2"));
}

// TSetupPageFinish

void TSetupPageFinish::CreateControls() {
    TSetupPageCustomFinish::CreateControls();
    homePage_ = CreateControl({0, 0, 0, 16}, u"L3", WC_LINK, WS_TABSTOP, false).Handle;
    Align(homePage_, TAlign::Bottom, {210, 0, 20, 4}, 16);
    SetFont(homePage_, 8, false);
    const TSetupScriptGroup& actions = *Setup->Resources->Script->Actions;
    for (int i = 0; i < actions.Count(); ++i) {
        const HWND box = CreateCheckBox({210, 120 + 24 * i, 320, 17}, Format(u"CB%d", {i + 1}),
                                        [this] { WriteRunOptions(); });
        SetChecked(box, true);
        runOptions_.push_back(box);
    }
}

void TSetupPageFinish::Localize() {
    TSetupPageCustomFinish::Localize();
    // The link control shows its text as a link.
    SetText(homePage_, u"<a>" + Translate(u"L3") + u"</a>");
    LITEM item{};
    item.mask = LIF_ITEMINDEX | LIF_URL;
    item.iLink = 0;
    const String url = Setup->ProductInfo->GetHomePage();
    lstrcpynW(item.szUrl, WStr(url), L_MAX_URL_LENGTH);
    SendMessageW(homePage_, LM_SETITEM, 0, LPARAM(&item));
}

void TSetupPageFinish::Prepare() {
    TSetupPageCustomFinish::Prepare();
    const TSetupScriptGroup& actions = *Setup->Resources->Script->Actions;
    for (size_t i = 0; i < runOptions_.size(); ++i) {
        SetText(runOptions_[i], Translate(actions.Items(int(i)).GetPackagedName()));
        SetShown(runOptions_[i], !ErrorsShown());
    }
    WriteRunOptions();
}

void TSetupPageFinish::WriteRunOptions() {
    const TSetupScriptGroup& actions = *Setup->Resources->Script->Actions;
    for (size_t i = 0; i < runOptions_.size(); ++i)
        Setup->Options->WriteBool(u"Actions", actions.Items(int(i)).Name, Checked(runOptions_[i]));
}

void TSetupPageFinish::OnNotify(const NMHDR& header, LPARAM lParam) {
    if (header.hwndFrom == homePage_ && (header.code == NM_CLICK || header.code == NM_RETURN)) {
        OpenAddress(Setup->ProductInfo->GetHomePage());
        return;
    }
    TSetupPageCustomFinish::OnNotify(header, lParam);
}
