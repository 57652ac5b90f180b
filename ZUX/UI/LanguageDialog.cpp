// The language dialog: its combo box of names and icons, the preselection and
// the rule that any way of closing it keeps the shown choice.
#include "ZUX/UI/LanguageDialog.h"

#include "ZUX/Base/Locale.h"
#include "ZUX/UI/DialogTexts.h"
#include "ZUX/UI/Image.h"
#include "ZUX/UI/SystemLibraries.h"

#include <commctrl.h>

#include <algorithm>

namespace ZUX {

namespace {
constexpr int kDropDownHeight = 200; // the open list, 96-DPI units
constexpr int32_t kEnglishUnitedStates = 1033;
} // namespace

// ---- TZUXImageComboBox ----

TZUXImageComboBox::TZUXImageComboBox() = default;

TZUXImageComboBox::~TZUXImageComboBox() {
    DestroyHandle();
}

void TZUXImageComboBox::TImageListCloser::Close(HIMAGELIST list) noexcept {
    if (const auto destroy = CommonControls().ImageList_Destroy) destroy(list);
}

TZUXWindow::TCreateParams TZUXImageComboBox::CreateParams() {
    TCreateParams params;
    params.ClassName = u"ComboBoxEx32";
    params.SystemClass = true;
    params.Style = CBS_DROPDOWNLIST | WS_TABSTOP | WS_VSCROLL;
    return params;
}

void TZUXImageComboBox::PlaceWindows(const RECT& r) {
    // The closed box is as high as its selection field and frame: the field
    // takes the height of the bounds less the frame's 6 pixels.
    SendMessageW(Handle(), CB_SETITEMHEIGHT, WPARAM(-1), std::max(1, int(r.bottom - r.top) - 6));
    SetWindowPos(Handle(), nullptr, r.left, r.top, r.right - r.left,
                 r.bottom - r.top + Scale(kDropDownHeight), SWP_NOZORDER | SWP_NOACTIVATE);
}

int TZUXImageComboBox::AddImage(const Bytes& iconBytes) {
    // Checked now, so that an item never points at a picture that is not one.
    TZUXIconHandle icon = CreateIconFromBytes(iconBytes, UINT(imageSize_));
    if (!icon) return -1;
    imageBytes_.push_back(iconBytes);
    icons_.push_back(std::move(icon));
    if (HandleAllocated()) BuildImageList();
    return int(imageBytes_.size()) - 1;
}

int TZUXImageComboBox::AddSorted(const TZUXLanguageItem& item) {
    const auto at = std::upper_bound(items_.begin(), items_.end(), item,
                                     [](const TZUXLanguageItem& a, const TZUXLanguageItem& b) {
                                         return CompareTextIgnoreCase(a.Text, b.Text) < 0;
                                     });
    const int index = int(at - items_.begin());
    items_.insert(at, item);
    if (itemIndex_ >= index) ++itemIndex_;
    if (HandleAllocated()) FillWindow();
    return index;
}

int TZUXImageComboBox::ItemIndex() const {
    if (HandleAllocated()) return int(SendMessageW(Handle(), CB_GETCURSEL, 0, 0));
    return itemIndex_;
}

void TZUXImageComboBox::SetItemIndex(int index) {
    itemIndex_ = index >= 0 && index < int(items_.size()) ? index : -1;
    if (HandleAllocated()) SendMessageW(Handle(), CB_SETCURSEL, WPARAM(itemIndex_), 0);
}

void TZUXImageComboBox::BuildImageList() {
    const int size = Scale(imageSize_);
    const TZUXCommonControls& controls = CommonControls();
    if (!controls.ImageList_Create) return;
    const HIMAGELIST list =
        controls.ImageList_Create(size, size, ILC_COLOR32, int(imageBytes_.size()), 1);
    if (!list) return;
    for (size_t i = 0; i < imageBytes_.size(); ++i) {
        if (size == imageSize_) {
            controls.ImageList_ReplaceIcon(list, -1, icons_[i].Get()); // the list keeps a copy
            continue;
        }
        TZUXIconHandle icon = CreateIconFromBytes(imageBytes_[i], UINT(size));
        controls.ImageList_ReplaceIcon(list, -1, icon ? icon.Get() : icons_[i].Get());
    }
    SendMessageW(Handle(), CBEM_SETIMAGELIST, 0, LPARAM(list));
    images_ = TZUXHandle<HIMAGELIST, TImageListCloser>(list);
}

void TZUXImageComboBox::FillWindow() {
    const int selected = itemIndex_;
    SendMessageW(Handle(), CB_RESETCONTENT, 0, 0);
    for (size_t i = 0; i < items_.size(); ++i) {
        COMBOBOXEXITEMW item{};
        item.mask = CBEIF_TEXT | CBEIF_LPARAM | CBEIF_IMAGE | CBEIF_SELECTEDIMAGE;
        item.iItem = INT_PTR(i);
        item.pszText = const_cast<wchar_t*>(WStr(items_[i].Text));
        item.iImage = item.iSelectedImage =
            items_[i].ImageIndex < 0 ? I_IMAGENONE : items_[i].ImageIndex;
        item.lParam = LPARAM(i);
        SendMessageW(Handle(), CBEM_INSERTITEMW, 0, LPARAM(&item));
    }
    SendMessageW(Handle(), CB_SETCURSEL, WPARAM(selected), 0);
}

void TZUXImageComboBox::HandleCreated() {
    TZUXControl::HandleCreated();
    BuildImageList();
    FillWindow();
    // A new image list sizes the box anew: our bounds hold.
    PlaceWindows(ScaledBounds());
}

void TZUXImageComboBox::ApplyDpi(UINT dpi) {
    itemIndex_ = ItemIndex();
    TZUXControl::ApplyDpi(dpi);
    if (HandleAllocated()) {
        BuildImageList();
        FillWindow();
        PlaceWindows(ScaledBounds());
    }
}

// ---- TZUXCustomLanguageDialog ----

TZUXCustomLanguageDialog::TZUXCustomLanguageDialog() {
    // No language is known yet: this caption is not translated.
    SetCaption(u"Select Language");
    SetComponentName(u"LanguageDialog");
    SetPosition(TZUXFormPosition::ScreenCenter);
    SetBorder(TZUXFormBorder::Dialog);
    SetBorderIcons(false, false, false);
    SetStayOnTop(true);
    SetMinClientHeight(75);
    SetClientSize(220, 75);
    combo_ = &AddControl<TZUXImageComboBox>();
    combo_->SetComponentName(u"Languages");
    combo_->SetBounds({8, 8, 220 - 16, 22});
    ok_ = &AddControl<TZUXButton>();
    ok_->SetComponentName(u"OK");
    ok_->SetCaption(u"OK");
    ok_->SetModalResult(mrOk);
    ok_->SetBounds({60, 75 - 8 - 25, 220 - 120, 25});
    SetDefaultButton(ok_);
}

TZUXCustomLanguageDialog::~TZUXCustomLanguageDialog() {
    DestroyHandle();
}

void TZUXCustomLanguageDialog::AddLanguage(const String& name, int32_t langId, const Bytes& icon,
                                           int data) {
    const int image = icon.empty() ? -1 : combo_->AddImage(icon);
    combo_->AddSorted({name, image, langId, data});
}

void TZUXCustomLanguageDialog::SelectDefault() {
    const auto& items = combo_->Items();
    const auto find = [&](int32_t id) {
        for (size_t i = 0; i < items.size(); ++i)
            if (items[i].LangId == id) return int(i);
        return -1;
    };
    int index = find(int32_t(GetUserDefaultUILanguage()));
    if (index < 0) index = find(kEnglishUnitedStates);
    if (index < 0 && !items.empty()) index = 0;
    combo_->SetItemIndex(index);
}

int TZUXCustomLanguageDialog::SelectedData() const {
    const int index = combo_->ItemIndex();
    const auto& items = combo_->Items();
    return index >= 0 && index < int(items.size()) ? items[size_t(index)].Data : -1;
}

int TZUXCustomLanguageDialog::Execute(bool show) {
    Populate();
    SelectDefault();
    if (!show) return SelectedData();
    try {
        CreateForm();
    } catch (const EZUXUIError&) {
        return SelectedData(); // no window (no display): the preselection stands
    }
    ShowModal(); // its result does not matter: the shown selection does
    return SelectedData();
}

} // namespace ZUX
