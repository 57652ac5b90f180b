// The folder picker dialog: the shell's folder tree filled on demand, the
// new-folder button and the one-at-a-time rule.
#include "ZUX/UI/FolderPicker.h"

#include "ZUX/Base/Locale.h"
#include "ZUX/Base/Paths.h"
#include "ZUX/Base/ScopeExit.h"
#include "ZUX/UI/ColorMode.h"
#include "ZUX/UI/DialogTexts.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <algorithm>

namespace ZUX {

namespace {

bool pickerOpen = false;

String WithoutSlash(String path) {
    while (path.size() > 3 && (path.back() == u'\\' || path.back() == u'/')) path.pop_back();
    return path;
}

String WithSlash(const String& path) {
    return !path.empty() && path.back() != u'\\' ? path + u'\\' : path;
}

bool IsFolder(const String& path) {
    const DWORD attributes = GetFileAttributesW(WStr(path));
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

using TZUXPidl = TZUXComMemory<ITEMIDLIST>;

// The file-system path of a place in the namespace; empty for the computer,
// the network and the like.
String PathOfPidl(PCIDLIST_ABSOLUTE pidl) {
    wchar_t buffer[MAX_PATH] = {};
    return SHGetPathFromIDListW(pidl, buffer) ? FromWStr(buffer) : String();
}

// The place of a file-system folder; null when the shell cannot parse it.
TZUXPidl PidlOfPath(const String& path) {
    PIDLIST_ABSOLUTE pidl = nullptr;
    if (FAILED(SHParseDisplayName(WStr(path), nullptr, &pidl, 0, nullptr))) return TZUXPidl();
    return TZUXPidl(pidl);
}

String DisplayName(IShellFolder* folder, PCUITEMID_CHILD child, SHGDNF flags) {
    STRRET name{};
    wchar_t buffer[MAX_PATH] = {};
    if (FAILED(folder->GetDisplayNameOf(child, flags, &name)) ||
        FAILED(StrRetToBufW(&name, child, buffer, MAX_PATH)))
        return {};
    return FromWStr(buffer);
}

// What the tree lists: folders of the file system and whatever leads to
// them (the computer, the network), not archives the shell opens as folders.
bool Listed(SFGAOF attributes) {
    if (attributes & SFGAO_STREAM) return false;
    return (attributes & SFGAO_FILESYSANCESTOR) ||
           ((attributes & SFGAO_FILESYSTEM) && (attributes & SFGAO_FOLDER));
}

} // namespace

// ---- TZUXFolderTree ----

struct TZUXFolderTree::TNode {
    TZUXPidl Pidl; // absolute; the desktop's is empty
    String Path;   // empty when it is no file-system folder
    bool Filled = false;
};

TZUXFolderTree::TZUXFolderTree() = default;
TZUXFolderTree::~TZUXFolderTree() {
    DestroyHandle();
}

TZUXWindow::TCreateParams TZUXFolderTree::CreateParams() {
    TCreateParams params;
    params.ClassName = u"SysTreeView32";
    params.SystemClass = true;
    params.Style = TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS |
                   TVS_EDITLABELS | WS_BORDER | WS_TABSTOP;
    return params;
}

void TZUXFolderTree::HandleCreated() {
    TZUXControl::HandleCreated();
    const TZUXSkin& skin = Skin();
    TreeView_SetBkColor(Handle(), skin.EditBack);
    TreeView_SetTextColor(Handle(), skin.EditText);
    nodes_.clear();
    root_ = nullptr;
    PIDLIST_ABSOLUTE desktop = nullptr;
    if (!com_.Ready() || FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, &desktop)))
        return;
    auto node = std::make_unique<TNode>();
    node->Pidl = TZUXPidl(desktop);
    node->Path = PathOfPidl(desktop);
    // The system's small icons, shared: the tree neither owns nor frees them.
    SHFILEINFOW info{};
    const auto icons = reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoW(reinterpret_cast<LPCWSTR>(desktop), 0, &info, sizeof info,
                       SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    if (icons) TreeView_SetImageList(Handle(), icons, TVSIL_NORMAL);
    root_ = AddItem(TVI_ROOT, std::move(node));
    TreeView_Expand(Handle(), root_, TVE_EXPAND);
}

HTREEITEM TZUXFolderTree::AddItem(HTREEITEM parent, std::unique_ptr<TNode> node) {
    const PCIDLIST_ABSOLUTE pidl = node->Pidl.Get();
    String text;
    TZUXComPtr<IShellFolder> folder;
    PCUITEMID_CHILD child = nullptr;
    if (SUCCEEDED(SHBindToParent(pidl, IID_PPV_ARGS(&folder), &child)))
        text = DisplayName(folder.Get(), child, SHGDN_NORMAL);
    if (text.empty()) text = node->Path;
    SHFILEINFOW info{};
    const bool icon = SHGetFileInfoW(reinterpret_cast<LPCWSTR>(pidl), 0, &info, sizeof info,
                                     SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON) != 0;
    nodes_.push_back(std::move(node));
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_CHILDREN;
    if (icon) {
        insert.item.mask |= TVIF_IMAGE | TVIF_SELECTEDIMAGE;
        insert.item.iImage = insert.item.iSelectedImage = info.iIcon;
    }
    insert.item.pszText = const_cast<wchar_t*>(WStr(text));
    insert.item.lParam = LPARAM(nodes_.size());
    insert.item.cChildren = 1; // known when it is expanded
    return TreeView_InsertItem(Handle(), &insert);
}

TZUXFolderTree::TNode* TZUXFolderTree::NodeOf(HTREEITEM item) const {
    if (!item) return nullptr;
    TVITEMW data{};
    data.mask = TVIF_PARAM;
    data.hItem = item;
    if (!TreeView_GetItem(Handle(), &data)) return nullptr;
    const size_t index = size_t(data.lParam);
    return index >= 1 && index <= nodes_.size() ? nodes_[index - 1].get() : nullptr;
}

void TZUXFolderTree::FillChildren(HTREEITEM item) {
    TNode* const node = NodeOf(item);
    if (!node || node->Filled) return;
    node->Filled = true;
    TZUXComPtr<IShellFolder> desktop, folder;
    if (FAILED(SHGetDesktopFolder(&desktop))) return;
    if (node->Pidl.Get()->mkid.cb == 0)
        folder = desktop;
    else if (FAILED(desktop->BindToObject(node->Pidl.Get(), nullptr, IID_PPV_ARGS(&folder))))
        return;
    struct TChild {
        std::unique_ptr<TNode> Node;
        String Name;
    };
    std::vector<TChild> children;
    TZUXComPtr<IEnumIDList> items;
    // A folder the shell cannot open (a drive without a disc) lists nothing;
    // with no window given, the shell asks the user nothing.
    if (folder->EnumObjects(nullptr, SHCONTF_FOLDERS, &items) == S_OK && items) {
        PITEMID_CHILD child = nullptr;
        while (items->Next(1, &child, nullptr) == S_OK) {
            const TZUXComMemory<ITEMID_CHILD> owned(child);
            SFGAOF attributes =
                SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR | SFGAO_FOLDER | SFGAO_STREAM;
            PCUITEMID_CHILD one = child;
            if (FAILED(folder->GetAttributesOf(1, &one, &attributes)) || !Listed(attributes))
                continue;
            auto childNode = std::make_unique<TNode>();
            childNode->Pidl = TZUXPidl(ILCombine(node->Pidl.Get(), child));
            if (!childNode->Pidl) continue;
            childNode->Path = PathOfPidl(childNode->Pidl.Get());
            children.push_back(
                {std::move(childNode), DisplayName(folder.Get(), child, SHGDN_INFOLDER)});
        }
    }
    // A file-system folder's subfolders by name; the shell's own order elsewhere.
    if (!node->Path.empty() && item != root_)
        std::stable_sort(children.begin(), children.end(), [](const TChild& a, const TChild& b) {
            return CompareTextIgnoreCase(a.Name, b.Name) < 0;
        });
    for (TChild& child : children) AddItem(item, std::move(child.Node));
    if (children.empty()) {
        TVITEMW none{};
        none.mask = TVIF_CHILDREN;
        none.hItem = item;
        none.cChildren = 0;
        TreeView_SetItem(Handle(), &none);
    }
}

HTREEITEM TZUXFolderTree::ChildLeadingTo(HTREEITEM parent, const String& path) {
    FillChildren(parent);
    HTREEITEM best = nullptr;
    size_t bestLength = 0;
    for (HTREEITEM child = TreeView_GetChild(Handle(), parent); child;
         child = TreeView_GetNextSibling(Handle(), child)) {
        const TNode* node = NodeOf(child);
        if (!node || node->Path.empty()) continue;
        const String folder = WithoutSlash(node->Path);
        if ((SameText(path, folder) || StartsWith(path, WithSlash(folder), true)) &&
            folder.size() > bestLength) {
            best = child;
            bestLength = folder.size();
        }
    }
    return best;
}

void TZUXFolderTree::SelectPath(const String& path) {
    if (!HandleAllocated() || !root_ || path.size() < 2) return;
    const String target = WithoutSlash(path);
    // From the desktop down, each step to the folder that holds the target;
    // a drive is reached through the computer.
    HTREEITEM item = root_;
    for (;;) {
        const TNode* node = NodeOf(item);
        if (node && !node->Path.empty() && SameText(WithoutSlash(node->Path), target)) break;
        HTREEITEM next = ChildLeadingTo(item, target);
        if (!next && item == root_) {
            PIDLIST_ABSOLUTE computer = nullptr;
            if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &computer))) {
                const TZUXPidl owned(computer);
                for (HTREEITEM child = TreeView_GetChild(Handle(), root_); child && !next;
                     child = TreeView_GetNextSibling(Handle(), child)) {
                    const TNode* childNode = NodeOf(child);
                    if (childNode && ILIsEqual(childNode->Pidl.Get(), computer)) {
                        next = ChildLeadingTo(child, target);
                        if (next) TreeView_Expand(Handle(), child, TVE_EXPAND);
                    }
                }
            }
        }
        if (!next) break; // as far as the folder exists
        TreeView_Expand(Handle(), item, TVE_EXPAND);
        item = next;
    }
    TreeView_SelectItem(Handle(), item);
    TreeView_EnsureVisible(Handle(), item);
}

String TZUXFolderTree::SelectedPath() const {
    if (!HandleAllocated()) return {};
    const TNode* node = NodeOf(TreeView_GetSelection(Handle()));
    return node ? WithoutSlash(node->Path) : String();
}

bool TZUXFolderTree::CreateFolderUnderSelection(const String& baseName) {
    const HTREEITEM parent = TreeView_GetSelection(Handle());
    const TNode* parentNode = NodeOf(parent);
    if (!parentNode || parentNode->Path.empty()) return false;
    const String folder = WithSlash(parentNode->Path);
    String name = baseName.empty() ? String(u"New folder") : baseName;
    for (int i = 2; IsFolder(folder + name) && i < 1000; ++i)
        name = baseName + u" (" + IntToStr(i) + u")";
    if (!CreateDirectoryW(WStr(folder + name), nullptr)) return false;
    const bool listed = parentNode->Filled;
    FillChildren(parent);
    HTREEITEM item = ChildLeadingTo(parent, folder + name);
    if (!item && listed) {
        // Listed before the folder existed: it joins the list.
        auto node = std::make_unique<TNode>();
        node->Pidl = PidlOfPath(folder + name);
        node->Path = folder + name;
        if (node->Pidl) item = AddItem(parent, std::move(node));
    }
    if (!item) return false;
    TreeView_Expand(Handle(), parent, TVE_EXPAND);
    TreeView_SelectItem(Handle(), item);
    ::SetFocus(Handle());
    TreeView_EditLabel(Handle(), item);
    return true;
}

void TZUXFolderTree::Renamed(HTREEITEM item, const String& path) {
    TNode* const node = NodeOf(item);
    if (!node) return;
    node->Path = path;
    if (TZUXPidl pidl = PidlOfPath(path)) node->Pidl = std::move(pidl);
    // Its children's places changed with it: they are read again when it opens.
    while (const HTREEITEM child = TreeView_GetChild(Handle(), item))
        TreeView_DeleteItem(Handle(), child);
    node->Filled = false;
    TVITEMW data{};
    data.mask = TVIF_CHILDREN;
    data.hItem = item;
    data.cChildren = 1;
    TreeView_SetItem(Handle(), &data);
}

bool TZUXFolderTree::HandleParentMessage(UINT message, WPARAM wParam, LPARAM lParam,
                                         LRESULT& result) {
    if (message != WM_NOTIFY)
        return TZUXControl::HandleParentMessage(message, wParam, lParam, result);
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    result = 0;
    switch (header->code) {
    case NM_CUSTOMDRAW: {
        // The selection in the skin's colours, focused or not.
        auto* draw = reinterpret_cast<NMTVCUSTOMDRAW*>(lParam);
        if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) {
            result = CDRF_NOTIFYITEMDRAW;
        } else if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
            if (draw->nmcd.uItemState & CDIS_SELECTED) {
                draw->clrText = RGB(255, 255, 255);
                draw->clrTextBk = Skin().Focus;
            }
            result = CDRF_DODEFAULT;
        }
        return true;
    }
    case TVN_ITEMEXPANDINGW: {
        const auto* view = reinterpret_cast<const NMTREEVIEWW*>(lParam);
        if (view->action & TVE_EXPAND) FillChildren(view->itemNew.hItem);
        return true;
    }
    case TVN_SELCHANGEDW:
        if (OnSelect) OnSelect();
        return true;
    case TVN_BEGINLABELEDITW: {
        // Only a folder that lies in its parent folder can be renamed: not
        // the desktop, a drive, or a user's folder shown beside the drives.
        const auto* info = reinterpret_cast<const NMTVDISPINFOW*>(lParam);
        const TNode* node = NodeOf(info->item.hItem);
        const TNode* parent = NodeOf(TreeView_GetParent(Handle(), info->item.hItem));
        const bool renamable = node && parent && !node->Path.empty() && !parent->Path.empty() &&
                               SameText(ExtractFilePath(WithoutSlash(node->Path)),
                                        WithSlash(WithoutSlash(parent->Path)));
        result = renamable ? FALSE : TRUE;
        return true;
    }
    case TVN_ENDLABELEDITW: {
        const auto* info = reinterpret_cast<const NMTVDISPINFOW*>(lParam);
        if (!info->item.pszText || !*info->item.pszText) return true;
        const TNode* node = NodeOf(info->item.hItem);
        if (!node || node->Path.empty()) return true;
        const String path = WithoutSlash(node->Path);
        const String name = FromWStr(info->item.pszText);
        if (name.find_first_of(u"\\/:*?\"<>|") != String::npos) return true;
        const String renamed = path.substr(0, path.rfind(u'\\') + 1) + name;
        if (MoveFileW(WStr(path), WStr(renamed))) {
            Renamed(info->item.hItem, renamed);
            result = TRUE; // the tree keeps the new text
        }
        return true;
    }
    default:
        return false;
    }
}

// ---- TZUXFolderPicker ----

TZUXFolderPicker::TZUXFolderPicker(HWND owner, const String& start) : start_(WithoutSlash(start)) {
    const TZUXDialogTexts& texts = DialogTexts();
    if (!owner) owner = ApplicationMainWindow();
    SetOwnerWindow(owner);
    SetComponentName(u"FolderPicker");
    SetCaption(texts.BrowseTitle);
    SetBorder(TZUXFormBorder::Dialog);
    SetPosition(owner ? TZUXFormPosition::OwnerCenter : TZUXFormPosition::ScreenCenter);
    if (owner && (GetWindowLongPtrW(owner, GWL_EXSTYLE) & WS_EX_TOPMOST)) SetStayOnTop(true);
    SetClientSize(340, 320);
    tree_ = &AddControl<TZUXFolderTree>();
    tree_->SetComponentName(u"Folders");
    tree_->SetBounds({8, 8, 324, 268});
    auto& newFolder = AddControl<TZUXButton>();
    newFolder.SetComponentName(u"NewFolder");
    newFolder.SetCaption(texts.NewFolder);
    newFolder.SetBounds({8, 286, 120, 25});
    newFolder.OnClick = [this](TZUXControl&) {
        tree_->CreateFolderUnderSelection(DialogTexts().NewFolder);
    };
    auto& ok = AddControl<TZUXButton>();
    ok_ = &ok;
    ok.SetComponentName(u"OK");
    ok.SetCaption(texts.Ok);
    ok.SetModalResult(mrOk);
    ok.SetBounds({172, 286, 76, 25});
    auto& cancel = AddControl<TZUXButton>();
    cancel.SetComponentName(u"Cancel");
    cancel.SetCaption(texts.Cancel);
    cancel.SetModalResult(mrCancel);
    cancel.SetBounds({256, 286, 76, 25});
    SetDefaultButton(&ok);
    SetCancelButton(&cancel);
}

TZUXFolderPicker::~TZUXFolderPicker() {
    DestroyHandle();
}

void TZUXFolderPicker::Showing() {
    // The computer or the network is no folder to install into.
    tree_->OnSelect = [this] { ok_->SetEnabled(!tree_->SelectedPath().empty()); };
    tree_->SelectPath(start_);
    ok_->SetEnabled(!tree_->SelectedPath().empty());
}

void TZUXFolderPicker::Shown() {
    tree_->SetFocus();
}

bool TZUXFolderPicker::Execute(String& folder) {
    try {
        CreateForm();
    } catch (const EZUXUIError&) {
        return false; // no display
    }
    if (ShowModal() != mrOk) return false;
    const String chosen = tree_->SelectedPath();
    if (chosen.empty()) return false;
    folder = chosen;
    return true;
}

bool BrowseForFolder(HWND owner, const String& start, String& folder) {
    if (pickerOpen) return false;
    pickerOpen = true;
    const auto reset = ScopeExit([] { pickerOpen = false; });
    TZUXFolderPicker picker(owner, start);
    return picker.Execute(folder);
}

} // namespace ZUX
