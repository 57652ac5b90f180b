// The folder picker: a modal dialog with the shell's folder tree (rooted at
// the desktop: the computer and its drives, the user's folders, the network,
// each expanded on demand), a button that creates a folder under the
// selected one and lets the user name it, and OK and Cancel.
// Its texts are the toolkit's process-wide dialog texts. One picker at a
// time: a second request while one is open returns at once, unconfirmed.
#pragma once

#include "ZUX/Base/Com.h"
#include "ZUX/UI/Controls.h"
#include "ZUX/UI/Form.h"

#include <commctrl.h>

#include <functional>
#include <memory>
#include <vector>

namespace ZUX {

// The folder tree: a real tree-view control over the shell's namespace. It
// lists what leads to file-system folders; each item knows its place in the
// namespace and, for a file-system folder, its path.
class TZUXFolderTree : public TZUXControl {
public:
    TZUXFolderTree();
    ~TZUXFolderTree() override;
    // Called when the selection moves.
    std::function<void()> OnSelect;
    // Expands down to the folder (as far as it exists) and selects it.
    void SelectPath(const String& path);
    // The selected folder, without a trailing backslash; empty when none or
    // when the selection is no file-system folder (the computer, the network).
    String SelectedPath() const;
    // Creates a new folder under the selected one, selects it and starts
    // editing its name. False when it cannot be created.
    bool CreateFolderUnderSelection(const String& baseName);
    bool HandleParentMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

protected:
    TCreateParams CreateParams() override;
    void HandleCreated() override;

private:
    struct TNode;
    HTREEITEM AddItem(HTREEITEM parent, std::unique_ptr<TNode> node);
    void FillChildren(HTREEITEM item);
    TNode* NodeOf(HTREEITEM item) const;
    // The child whose folder holds path, or is it; the longest such path.
    HTREEITEM ChildLeadingTo(HTREEITEM parent, const String& path);
    // After a rename: the item's new name and place, its children read anew.
    void Renamed(HTREEITEM item, const String& path);

    TZUXComInit com_;                           // the shell's objects live on this thread
    std::vector<std::unique_ptr<TNode>> nodes_; // item data: index + 1
    HTREEITEM root_ = nullptr;
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
    TZUXButton* ok_ = nullptr;
};

// The picker in one call: owner none means the application's main window.
bool BrowseForFolder(HWND owner, const String& start, String& folder);

} // namespace ZUX
