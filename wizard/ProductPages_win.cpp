// The product's pages: installation options, add-ons, Windows integration and
// the uninstall options.
#include "wizard/ProductPages.h"

#include "ZUX/Base/Locale.h"
#include "ZUX/Base/ScopeExit.h"
#include "ZUX/UI/Application.h"
#include "ZUX/UI/FolderPicker.h"
#include "engine/Setup.h"
#include "product/ProductZIVR.h"
#include "wizard/Palette.h"

#include <richedit.h>

using namespace ZUX;
using Wizard::TRect;

// TSetupPageSetup

namespace {
// The setup page's own inset, in pixels whatever the DPI.
constexpr int kInsetX = 40, kInsetY = 20;
} // namespace

RECT TSetupPageSetup::AlignArea() const {
    RECT r = TSetupPage::AlignArea();
    return {r.left + kInsetX, r.top + kInsetY, r.right - kInsetX, r.bottom - kInsetY};
}

void TSetupPageSetup::CreateControls() {
    CreateHeading({40, 30, 540, 20}, u"LB1");
    TControl& edit = CreateControl({60, 70, 436, 21}, u"PathEdit", L"EDIT",
                                   WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, false);
    pathEdit_ = edit.Handle;
    edit.OnChange = [this] { EditChanged(); };
    TControl& browse = CreateControl({500, 70, 100, 21}, u"Browse", L"BUTTON", WS_TABSTOP);
    browse.OnClick = [this] { BrowseClick(); };
    update_ = CreateCheckBox({60, 100, 540, 17}, u"CB1", [this] { UpdateClick(); });
    backup_ = CreateCheckBox({60, 120, 540, 17}, u"CB4", [this] { UpdateClick(); });
    CreateHeading({40, 150, 540, 20}, u"LB2");
    portable_ = CreateRadioButton(
        {60, 190, 540, 16}, u"CB3", [this] { KindClick(); }, true);
    EnableWindow(CreateLabel({79, 212, 500, 48}, u"CB3Hint", true), FALSE);
    normal_ = CreateRadioButton(
        {60, 248, 540, 16}, u"CB2", [this] { KindClick(); }, false);
}

bool TSetupPageSetup::CanGoNext() {
    return !Setup->DestPath.empty();
}

bool TSetupPageSetup::ExistingInstallation() const {
    if (Setup->HasFlag(sfUpdate)) return false;
    if (Setup->ProductInfo->GetInstalledVersion() > 0) return true;
    if (Setup->HasFlag(sfPortable)) return false;
    String path;
    return TProductInfoZIVR::FindInstalledPath(path);
}

void TSetupPageSetup::UpdatePage() {
    // Setting the controls from here must not count as the user's input.
    updating_ = true;
    const auto done = ScopeExit([this] { updating_ = false; });
    NotifyStateChanged();
    if (!editing_) SetText(pathEdit_, Setup->DestPath);
    const bool update = Setup->HasFlag(sfUpdate);
    SetChecked(update_, update);
    SetShown(update_, Setup->ProductInfo->CanUpdate());
    SetChecked(backup_, !Setup->HasFlag(sfNoBackup));
    SetShown(backup_, update);
    const bool portable =
        (update ? Setup->ProductInfo->IsPortable() : Setup->HasFlag(sfPortable)) &&
        !Setup->IsDestInProgramFiles();
    SetChecked(portable_, portable);
    SetChecked(normal_, !portable);
    EnableWindow(portable_, !update);
    EnableWindow(normal_, !update);

    for (const HWND warning : warnings_) DestroyControl(warning);
    warnings_.clear();
    std::vector<const char16_t*> keys;
    if (update) keys.push_back(u"W1");
    if (ExistingInstallation()) keys.push_back(u"W3");
    int bottom = 0;
    for (const char16_t* key : keys) {
        const HWND label = CreateLabel({0, 0, 0, 32}, key, true);
        SetFont(label, 9, true);
        SetText(label, Translate(key));
        Align(label, TAlign::Bottom, {0, 0, 0, bottom}, 32);
        bottom += 36;
        warnings_.push_back(label);
    }
    Relayout();
}

void TSetupPageSetup::SetDestination(const String& path) {
    if (path == Setup->DestPath) return;
    Setup->SetDestPath(path);
    UpdatePage();
}

void TSetupPageSetup::EditChanged() {
    if (updating_) return;
    const int length = GetWindowTextLengthW(pathEdit_);
    std::wstring text(size_t(length) + 1, L'\0');
    GetWindowTextW(pathEdit_, text.data(), length + 1);
    text.resize(size_t(length));
    editing_ = true;
    const auto done = ScopeExit([this] { editing_ = false; });
    SetDestination(FromWStr(text.c_str(), text.size()));
}

void TSetupPageSetup::BrowseClick() {
    String folder;
    if (!ZUX::BrowseForFolder(Handle(), Setup->DestPath, folder)) return;
    SetDestination(Wizard::BrowsedDestination(folder, Setup->ProductInfo->GetProductName()));
}

void TSetupPageSetup::UpdateClick() {
    if (updating_) return;
    Setup->SetFlag(sfNoBackup, !Checked(backup_));
    Setup->SetFlag(sfUpdate, Checked(update_));
    UpdatePage();
}

void TSetupPageSetup::KindClick() {
    if (updating_) return;
    const bool portable = Checked(portable_);
    if (portable && Setup->IsDestInProgramFiles())
        Setup->SetDestPath(Setup->ProductInfo->GetDefaultPortablePath());
    if (!portable && SameText(Setup->DestPath, Setup->ProductInfo->GetDefaultPortablePath()))
        Setup->SetDestPath(Setup->ProductInfo->GetDefaultPath());
    Setup->SetFlag(sfPortable, portable);
    UpdatePage();
}

// TSetupPageAddons

TSetupPageAddons::TSetupPageAddons() {
    settings_ = Setup->Resources->GetStrings(u"addons.ini");
    image_ = LoadSetupPicture(settings_->Values(u"I0"));
}

void TSetupPageAddons::CreateControls() {
    const HWND heading = CreateLabel({40, 30, 300, 40}, u"L0", true);
    SetFont(heading, 11, false);
    viewer_ = CreateCheckBox({60, 100, 500, 17}, u"CB1", [this] { Write(); });
    extensions_ = CreateCheckBox({60, 120, 500, 17}, u"CB2", [this] { Write(); });
    shortcuts_ = CreateCheckBox({60, 140, 500, 17}, u"CB3", [this] { Write(); });
    TZUXApplicationScope::WaitForRichEdit();
    for (HWND* text : {&text1_, &text2_}) {
        const TRect r = text == &text1_ ? TRect{40, 280, 500, 20} : TRect{40, 310, 550, 50};
        *text = CreateControl(r, u"", L"RICHEDIT50W", ES_MULTILINE | ES_READONLY, false).Handle;
        SendMessageW(*text, EM_SETEVENTMASK, 0, ENM_LINK);
        SendMessageW(*text, EM_SETBKGNDCOLOR, 0, LPARAM(SetupPalette().PageBackground));
    }
}

void TSetupPageAddons::Localize() {
    TSetupPage::Localize();
    ShowFormatted(text1_, Format(Translate(u"L1"), {settings_->Values(u"L0")}), markup1_);
    ShowFormatted(text2_,
                  Format(Translate(u"L2"), {settings_->Values(u"L1"), settings_->Values(u"L2")}),
                  markup2_);
}

void TSetupPageAddons::ShowFormatted(HWND viewer, const String& text, Wizard::TMarkup& parsed) {
    parsed = Wizard::ParseMarkup(text);
    SetWindowTextW(viewer, WStr(parsed.Text));
    const int dpiPoints = 9;
    for (const Wizard::TMarkupRun& run : parsed.Runs) {
        CHARRANGE range{run.Start, run.Start + run.Length};
        SendMessageW(viewer, EM_EXSETSEL, 0, LPARAM(&range));
        CHARFORMAT2W f{};
        f.cbSize = sizeof f;
        f.dwMask = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT | CFM_LINK | CFM_COLOR |
                   CFM_SIZE | CFM_FACE;
        lstrcpynW(f.szFaceName, L"Segoe UI", LF_FACESIZE);
        f.dwEffects = (run.Bold ? CFE_BOLD : 0) | (run.Italic ? CFE_ITALIC : 0) |
                      (run.Underline ? CFE_UNDERLINE : 0) | (run.Strike ? CFE_STRIKEOUT : 0) |
                      (run.Link.empty() ? 0 : CFE_LINK);
        const uint32_t c = run.Color != Wizard::NoColor ? run.Color
                           : !run.Link.empty()          ? 0x0066CC
                                                        : Wizard::NoColor;
        f.crTextColor = c != Wizard::NoColor ? RGB((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF)
                                             : SetupPalette().Text;
        const double points = run.Size ? run.Size : dpiPoints * run.Scale;
        f.yHeight = LONG(points * 20);
        if (run.BackColor != Wizard::NoColor) {
            f.dwMask |= CFM_BACKCOLOR;
            const uint32_t b = run.BackColor;
            f.crBackColor = RGB((b >> 16) & 0xFF, (b >> 8) & 0xFF, b & 0xFF);
        }
        SendMessageW(viewer, EM_SETCHARFORMAT, SCF_SELECTION, LPARAM(&f));
    }
    CHARRANGE none{0, 0};
    SendMessageW(viewer, EM_EXSETSEL, 0, LPARAM(&none));
}

void TSetupPageAddons::OnNotify(const NMHDR& header, LPARAM lParam) {
    if (header.code != EN_LINK) return;
    const auto* link = reinterpret_cast<const ENLINK*>(lParam);
    if (link->msg != WM_LBUTTONUP) return;
    const Wizard::TMarkup& markup = header.hwndFrom == text1_ ? markup1_ : markup2_;
    for (const Wizard::TMarkupRun& run : markup.Runs) {
        if (run.Link.empty() || link->chrg.cpMin < run.Start ||
            link->chrg.cpMin >= run.Start + run.Length)
            continue;
        if (Wizard::IsOpenableLink(run.Link)) OpenAddress(run.Link);
        return;
    }
}

void TSetupPageAddons::Prepare() {
    const TZUXIniFile& options = *Setup->Options;
    SetChecked(viewer_, options.ReadBool(u"Common", u"AddonsViewer", true));
    SetChecked(shortcuts_, options.ReadBool(u"Common", u"AddonsShortcuts", true));
    SetChecked(extensions_, options.ReadBool(u"Common", u"AddonsExtensions", true));
    Write();
}

void TSetupPageAddons::Write() {
    TZUXIniFile& options = *Setup->Options;
    options.WriteBool(u"Common", u"AddonsViewer", Checked(viewer_));
    options.WriteBool(u"Common", u"AddonsExtensions", Checked(extensions_));
    options.WriteBool(u"Common", u"AddonsShortcuts", Checked(shortcuts_));
}

void TSetupPageAddons::Paint(HDC dc, const RECT& client) {
    TSetupPage::Paint(dc, client);
    if (!image_) return;
    const int w = Scale(image_->Width()), h = Scale(image_->Height());
    const int right = client.right - Scale(10);
    image_->Draw(dc, {right - w, client.top, right, client.top + h});
}

// TSetupPageIntegration

namespace {
const char16_t* const kIntegrationKeys[5] = {u"ShortcutDesktop", u"ShortcutStartMenu",
                                             u"AssociateWithFiles", u"IntegrateToWindows",
                                             u"RegisterContextMenu"};
} // namespace

bool TSetupPageIntegration::CanShow() {
    return !Setup->HasFlag(sfPortable) && !Setup->HasFlag(sfUpdate);
}

void TSetupPageIntegration::CreateControls() {
    auto write = [this] { Write(); };
    CreateHeading({40, 30, 540, 20}, u"LB1");
    boxes_[0] = CreateCheckBox({60, 70, 540, 16}, u"CB1", write);
    boxes_[1] = CreateCheckBox({60, 90, 540, 16}, u"CB2", write);
    CreateHeading({40, 120, 540, 20}, u"LB2");
    boxes_[3] = CreateCheckBox({60, 160, 540, 16}, u"CB4", write);
    EnableWindow(CreateLabel({79, 180, 540, 48}, u"CB4Hint", true), FALSE);
    boxes_[2] = CreateCheckBox({60, 230, 540, 16}, u"CB3", write);
    boxes_[4] = CreateCheckBox({60, 250, 540, 16}, u"CB5", write);
}

void TSetupPageIntegration::Prepare() {
    const bool byDefault = !Setup->HasFlag(sfPortable);
    for (int i = 0; i < 5; ++i)
        SetChecked(boxes_[i],
                   Setup->Options->ReadBool(u"Integration", kIntegrationKeys[i], byDefault));
}

void TSetupPageIntegration::Write() {
    for (int i = 0; i < 5; ++i)
        Setup->Options->WriteBool(u"Integration", kIntegrationKeys[i], Checked(boxes_[i]));
}

// TSetupPageUninstallParams

void TSetupPageUninstallParams::CreateControls() {
    removeBackups_ = CreateCheckBox({44, 40, 480, 17}, u"CB1", [this] { Write(); });
    removeContent_ = CreateCheckBox({44, 65, 480, 17}, u"CB2", [this] { Write(); });
}

void TSetupPageUninstallParams::Prepare() {
    SetChecked(removeBackups_, Setup->Options->ReadBool(u"Common", u"RemoveBackups", false));
    SetChecked(removeContent_, Setup->Options->ReadBool(u"Common", u"RemoveContent", false));
}

void TSetupPageUninstallParams::Write() {
    Setup->Options->WriteBool(u"Common", u"RemoveBackups", Checked(removeBackups_));
    Setup->Options->WriteBool(u"Common", u"RemoveContent", Checked(removeContent_));
}
