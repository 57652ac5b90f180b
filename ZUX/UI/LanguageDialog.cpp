// The language dialog: its combo box of names and icons, the preselection and
// the rule that any way of closing it keeps the shown choice.
#include "ZUX/UI/LanguageDialog.h"

#include "ZUX/Base/Locale.h"
#include "ZUX/UI/ColorMode.h"
#include "ZUX/UI/DialogTexts.h"
#include "ZUX/UI/Image.h"

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

TZUXWindow::TCreateParams TZUXImageComboBox::CreateParams() {
    TCreateParams params;
    params.ClassName = u"ComboBox";
    params.SystemClass = true;
    // The items keep their texts, so that they can be read like any other
    // combo box's; we draw them with their icons.
    params.Style = CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS | WS_TABSTOP | WS_VSCROLL;
    return params;
}

void TZUXImageComboBox::PlaceWindows(const RECT& r) {
    // The closed box is as high as its selection field and frame: the field
    // takes the height of the bounds less the frame's 6 pixels.
    const int field = std::max(1, int(r.bottom - r.top) - 6);
    SendMessageW(Handle(), CB_SETITEMHEIGHT, WPARAM(-1), field);
    SendMessageW(Handle(), CB_SETITEMHEIGHT, 0, std::max(field, Scale(imageSize_ + 2)));
    SetWindowPos(Handle(), nullptr, r.left, r.top, r.right - r.left,
                 r.bottom - r.top + Scale(kDropDownHeight), SWP_NOZORDER | SWP_NOACTIVATE);
}

int TZUXImageComboBox::AddImage(const Bytes& iconBytes) {
    // Checked now, so that an item never points at a picture that is not one.
    if (icons_.empty()) iconSize_ = Scale(imageSize_);
    TZUXIconHandle icon = CreateIconFromBytes(iconBytes, UINT(iconSize_));
    if (!icon) return -1;
    imageBytes_.push_back(iconBytes);
    icons_.push_back(std::move(icon));
    if (HandleAllocated()) InvalidateRect(Handle(), nullptr, TRUE);
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

void TZUXImageComboBox::ScaleIcons() {
    const int size = Scale(imageSize_);
    if (size == iconSize_ || icons_.empty()) return;
    for (size_t i = 0; i < icons_.size(); ++i)
        if (TZUXIconHandle icon = CreateIconFromBytes(imageBytes_[i], UINT(size)))
            icons_[i] = std::move(icon);
    iconSize_ = size;
}

void TZUXImageComboBox::FillWindow() {
    const int selected = itemIndex_;
    SendMessageW(Handle(), CB_RESETCONTENT, 0, 0);
    for (const TZUXLanguageItem& item : items_)
        SendMessageW(Handle(), CB_ADDSTRING, 0, LPARAM(WStr(item.Text)));
    SendMessageW(Handle(), CB_SETCURSEL, WPARAM(selected), 0);
}

void TZUXImageComboBox::DrawItem(const DRAWITEMSTRUCT& draw) const {
    const TZUXSkin& skin = Skin();
    const HDC dc = draw.hDC;
    const bool selected = draw.itemState & ODS_SELECTED;
    FillSolidRect(dc, draw.rcItem, selected ? GetSysColor(COLOR_HIGHLIGHT) : skin.Window);
    if (draw.itemID >= items_.size()) return; // an empty box
    const TZUXLanguageItem& item = items_[draw.itemID];
    RECT text = draw.rcItem;
    text.left += Scale(3);
    if (item.ImageIndex >= 0 && size_t(item.ImageIndex) < icons_.size()) {
        const int size = iconSize_;
        const int top = int(draw.rcItem.top + draw.rcItem.bottom - size) / 2;
        DrawIconEx(dc, text.left, top, icons_[size_t(item.ImageIndex)].Get(), size, size, 0,
                   nullptr, DI_NORMAL);
        text.left += size + Scale(4);
    }
    TZUXSelectObject font(dc, FontHandle());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, selected ? GetSysColor(COLOR_HIGHLIGHTTEXT) : TextColor());
    DrawTextW(dc, WStr(item.Text), int(item.Text.size()), &text,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    if ((draw.itemState & ODS_FOCUS) && !(draw.itemState & ODS_NOFOCUSRECT))
        DrawFocusRect(dc, &draw.rcItem);
}

bool TZUXImageComboBox::HandleParentMessage(UINT message, WPARAM wParam, LPARAM lParam,
                                            LRESULT& result) {
    if (message == WM_DRAWITEM) {
        DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        result = TRUE;
        return true;
    }
    return TZUXControl::HandleParentMessage(message, wParam, lParam, result);
}

void TZUXImageComboBox::HandleCreated() {
    ScaleIcons();
    TZUXControl::HandleCreated();
    FillWindow();
}

void TZUXImageComboBox::ApplyDpi(UINT dpi) {
    itemIndex_ = ItemIndex();
    TZUXControl::ApplyDpi(dpi);
    if (HandleAllocated()) {
        ScaleIcons();
        InvalidateRect(Handle(), nullptr, TRUE);
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
