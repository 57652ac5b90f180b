// The folder picker: a modal dialog with the folder tree (desktop, documents
// and the drives, each folder expanded on demand), a button that creates a
// folder under the selected one and lets the user name it, and OK and Cancel.
// Its texts are the toolkit's process-wide dialog texts. One picker at a
// time: a second request while one is open returns at once, unconfirmed.
#pragma once

#include "ZUX/UI/Controls.h"
#include "ZUX/UI/Form.h"

#include <commctrl.h>

#include <memory>
#include <vector>

namespace ZUX {

// The folder tree: a real tree-view control whose items know their paths.
class TZUXFolderTree : public TZUXControl {
public:
    TZUXFolderTree();
    ~TZUXFolderTree() override;
    // Expands down to the folder (as far as it exists) and selects it.
    void SelectPath(const String& path);
    // The selected folder, without a trailing backslash; empty when none.
    String SelectedPath() const;
    // Creates a new folder under the selected one, selects it and starts
    // editing its name. False when it cannot be created.
    bool CreateFolderUnderSelection(const String& baseName);
    bool HandleParentMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

protected:
    TCreateParams CreateParams() override;
    void HandleCreated() override;

private:
    HTREEITEM AddItem(HTREEITEM parent, const String& text, const String& path);
    void FillChildren(HTREEITEM item);
    const String* PathOf(HTREEITEM item) const;
    HTREEITEM FindChild(HTREEITEM parent, const String& name) const;

    std::vector<std::unique_ptr<String>> paths_; // item data: index + 1
    std::vector<bool> filled_;
};

class TZUXFolderPicker : public TZUXForm {
public:
    TZUXFolderPicker(HWND owner, const String& start);
    ~TZUXFolderPicker() override;
    // True with the folder when the user confirmed.
    bool Execute(String& folder);

protected:
    String WindowClassName() const override { return u"TZUXFolderPicker"; }
    void Showing() override;
    void Shown() override;

private:
    String start_;
    TZUXFolderTree* tree_ = nullptr;
};

// The picker in one call: owner none means the application's main window.
bool BrowseForFolder(HWND owner, const String& start, String& folder);

} // namespace ZUX
