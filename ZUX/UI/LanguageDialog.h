// The language choice: a small always-on-top dialog with one combo box of
// languages (name and 16 x 16 icon) and an OK button. Subclasses add the
// languages; the dialog preselects the user's interface language. However the
// dialog is closed, the selection it shows is the answer.
#pragma once

#include "ZUX/UI/Controls.h"
#include "ZUX/UI/Form.h"
#include "ZUX/UI/Gdi.h"

#include <cstdint>
#include <vector>

namespace ZUX {

struct TZUXLanguageItem {
    String Text;
    int ImageIndex = -1;
    int32_t LangId = 0;
    int Data = -1;
};

// A drop-down list whose items carry an image: a system combo box that keeps
// the items' texts and draws each item, icon and name, itself.
class TZUXImageComboBox : public TZUXControl {
public:
    TZUXImageComboBox();
    ~TZUXImageComboBox() override;
    // The icons at size x size pixels of 96 DPI, scaled.
    void SetImageSize(int size96) { imageSize_ = size96; }
    // An image from icon bytes; -1 when they are not an icon.
    int AddImage(const Bytes& iconBytes);
    // Inserts after the items whose text sorts before or equal (ignoring case).
    int AddSorted(const TZUXLanguageItem& item);
    const std::vector<TZUXLanguageItem>& Items() const noexcept { return items_; }
    int ItemIndex() const;
    void SetItemIndex(int index);
    void ApplyDpi(UINT dpi) override;
    bool HandleParentMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

protected:
    TCreateParams CreateParams() override;
    void HandleCreated() override;
    void PlaceWindows(const RECT& scaled) override;

private:
    void FillWindow();
    // The icons decoded anew at the control's DPI when that has changed.
    void ScaleIcons();
    void DrawItem(const DRAWITEMSTRUCT& draw) const;

    std::vector<TZUXLanguageItem> items_;
    std::vector<Bytes> imageBytes_;
    std::vector<TZUXIconHandle> icons_; // at iconSize_ pixels
    int iconSize_ = 0;
    int imageSize_ = 16;
    int itemIndex_ = -1;
};

class TZUXCustomLanguageDialog : public TZUXForm {
public:
    TZUXCustomLanguageDialog();
    ~TZUXCustomLanguageDialog() override;

    // Adds a language: its name, identifier, icon bytes (may be empty or
    // broken: the item then has no image) and data value.
    void AddLanguage(const String& name, int32_t langId, const Bytes& icon, int data);
    // Populates, selects the default and, when show is set, runs the dialog.
    // The data value of the selection, or -1 when none is selected.
    int Execute(bool show);
    int SelectedData() const;
    TZUXImageComboBox& ComboBox() noexcept { return *combo_; }

protected:
    String WindowClassName() const override { return u"TZUXCustomLanguageDialog"; }
    // Adds the languages.
    virtual void Populate() = 0;
    // The user's interface language, else US English (1033), else the first.
    virtual void SelectDefault();

private:
    TZUXImageComboBox* combo_ = nullptr;
    TZUXButton* ok_ = nullptr;
};

} // namespace ZUX
