// The folder picker dialog: the folder tree filled on demand, the new-folder
// button and the one-at-a-time rule.
#include "ZUX/UI/FolderPicker.h"

#include "ZUX/Base/Locale.h"
#include "ZUX/Base/ScopeExit.h"
#include "ZUX/UI/ColorMode.h"
#include "ZUX/UI/DialogTexts.h"

#include <shlobj.h>

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

String SpecialFolder(int csidl) {
    wchar_t buffer[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer))) return {};
    return FromWStr(buffer);
}

} // namespace

// ---- TZUXFolderTree ----

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
    paths_.clear();
    filled_.clear();
    const String desktop = SpecialFolder(CSIDL_DESKTOPDIRECTORY);
    if (!desktop.empty()) AddItem(TVI_ROOT, u"Desktop", desktop);
    const String documents = SpecialFolder(CSIDL_PERSONAL);
    if (!documents.empty()) AddItem(TVI_ROOT, u"Documents", documents);
    wchar_t drives[512] = {};
    const DWORD n = GetLogicalDriveStringsW(511, drives);
    for (const wchar_t* drive = drives; n && n < 512 && *drive; drive += wcslen(drive) + 1) {
        const UINT type = GetDriveTypeW(drive);
        if (type == DRIVE_NO_ROOT_DIR || type == DRIVE_UNKNOWN) continue;
        const String root = FromWStr(drive);
        AddItem(TVI_ROOT, root.substr(0, 2), root);
    }
}

HTREEITEM TZUXFolderTree::AddItem(HTREEITEM parent, const String& text, const String& path) {
    paths_.push_back(std::make_unique<String>(path));
    filled_.push_back(false);
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_CHILDREN;
    insert.item.pszText = const_cast<wchar_t*>(WStr(text));
    insert.item.lParam = LPARAM(paths_.size());
    insert.item.cChildren = 1; // known when it is expanded
    return TreeView_InsertItem(Handle(), &insert);
}

const String* TZUXFolderTree::PathOf(HTREEITEM item) const {
    if (!item) return nullptr;
    TVITEMW data{};
    data.mask = TVIF_PARAM;
    data.hItem = item;
    if (!TreeView_GetItem(Handle(), &data)) return nullptr;
    const size_t index = size_t(data.lParam);
    return index >= 1 && index <= paths_.size() ? paths_[index - 1].get() : nullptr;
}

void TZUXFolderTree::FillChildren(HTREEITEM item) {
    TVITEMW data{};
    data.mask = TVIF_PARAM;
    data.hItem = item;
    if (!TreeView_GetItem(Handle(), &data)) return;
    const size_t index = size_t(data.lParam);
    if (index < 1 || index > filled_.size() || filled_[index - 1]) return;
    filled_[index - 1] = true;
    const String folder = WithSlash(*paths_[index - 1]);
    std::vector<String> names;
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileExW(WStr(folder + u"*"), FindExInfoBasic, &found,
                                           FindExSearchLimitToDirectories, nullptr, 0);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const String name = FromWStr(found.cFileName);
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || name == u"." ||
                name == u".." || (found.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN))
                continue;
            names.push_back(name);
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    std::sort(names.begin(), names.end(),
              [](const String& a, const String& b) { return CompareTextIgnoreCase(a, b) < 0; });
    for (const String& name : names) AddItem(item, name, folder + name);
    if (names.empty()) {
        TVITEMW none{};
        none.mask = TVIF_CHILDREN;
        none.hItem = item;
        none.cChildren = 0;
        TreeView_SetItem(Handle(), &none);
    }
}

HTREEITEM TZUXFolderTree::FindChild(HTREEITEM parent, const String& name) const {
    for (HTREEITEM child = parent == TVI_ROOT ? TreeView_GetRoot(Handle())
                                              : TreeView_GetChild(Handle(), parent);
         child; child = TreeView_GetNextSibling(Handle(), child)) {
        wchar_t text[MAX_PATH] = {};
        TVITEMW data{};
        data.mask = TVIF_TEXT;
        data.hItem = child;
        data.pszText = text;
        data.cchTextMax = MAX_PATH;
        if (TreeView_GetItem(Handle(), &data) && SameText(FromWStr(text), name)) return child;
    }
    return nullptr;
}

void TZUXFolderTree::SelectPath(const String& path) {
    if (!HandleAllocated() || path.size() < 2) return;
    // The drive first, then one folder after the other.
    HTREEITEM item = FindChild(TVI_ROOT, path.substr(0, 2));
    size_t pos = 3;
    while (item && pos < path.size()) {
        const size_t end = std::min(path.find(u'\\', pos), path.size());
        const String name = path.substr(pos, end - pos);
        pos = end + 1;
        if (name.empty()) continue;
        FillChildren(item);
        TreeView_Expand(Handle(), item, TVE_EXPAND);
        HTREEITEM child = FindChild(item, name);
        if (!child) break;
        item = child;
    }
    if (item) {
        TreeView_SelectItem(Handle(), item);
        TreeView_EnsureVisible(Handle(), item);
    }
}

String TZUXFolderTree::SelectedPath() const {
    if (!HandleAllocated()) return {};
    const String* path = PathOf(TreeView_GetSelection(Handle()));
    return path ? WithoutSlash(*path) : String();
}

bool TZUXFolderTree::CreateFolderUnderSelection(const String& baseName) {
    const HTREEITEM parent = TreeView_GetSelection(Handle());
    const String* parentPath = PathOf(parent);
    if (!parentPath) return false;
    const String folder = WithSlash(*parentPath);
    String name = baseName.empty() ? String(u"New folder") : baseName;
    for (int i = 2; IsFolder(folder + name) && i < 1000; ++i)
        name = baseName + u" (" + IntToStr(i) + u")";
    if (!CreateDirectoryW(WStr(folder + name), nullptr)) return false;
    FillChildren(parent);
    HTREEITEM item = FindChild(parent, name);
    if (!item) item = AddItem(parent, name, folder + name);
    TreeView_Expand(Handle(), parent, TVE_EXPAND);
    TreeView_SelectItem(Handle(), item);
    ::SetFocus(Handle());
    TreeView_EditLabel(Handle(), item);
    return true;
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
    case TVN_BEGINLABELEDITW: {
        // Only folders of the file system can be renamed, not the roots.
        const auto* info = reinterpret_cast<const NMTVDISPINFOW*>(lParam);
        result = TreeView_GetParent(Handle(), info->item.hItem) ? FALSE : TRUE;
        return true;
    }
    case TVN_ENDLABELEDITW: {
        const auto* info = reinterpret_cast<const NMTVDISPINFOW*>(lParam);
        if (!info->item.pszText || !*info->item.pszText) return true;
        TVITEMW data{};
        data.mask = TVIF_PARAM;
        data.hItem = info->item.hItem;
        if (!TreeView_GetItem(Handle(), &data)) return true;
        const size_t index = size_t(data.lParam);
        if (index < 1 || index > paths_.size()) return true;
        String& path = *paths_[index - 1];
        const String name = FromWStr(info->item.pszText);
        if (name.find_first_of(u"\\/:*?\"<>|") != String::npos) return true;
        const String renamed = path.substr(0, path.rfind(u'\\') + 1) + name;
        if (MoveFileW(WStr(path), WStr(renamed))) {
            path = renamed;
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
    tree_->SelectPath(start_);
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
