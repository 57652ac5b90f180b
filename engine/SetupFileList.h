// Lists of files on disk with the names they get elsewhere (the entry names
// of a backup archive), and the folder walk that fills them.
#pragma once

#include "ZUX/Base/StringList.h"
#include "ZUX/Base/Strings.h"

#include <memory>
#include <vector>

class TSetupFileListItem {
public:
    ZUX::String RelativeName; // the name in the target: a prefix and the path below the folder
    ZUX::String FullPath;     // the file on disk
};

class TSetupFileList {
public:
    TSetupFileList() = default;
    virtual ~TSetupFileList() = default;
    TSetupFileList(const TSetupFileList&) = delete;
    TSetupFileList& operator=(const TSetupFileList&) = delete;

    TSetupFileListItem& Add(const ZUX::String& fullPath, const ZUX::String& relativeName);
    // Every file below folder, except in folders whose path begins with
    // excludePrefix; each named namePrefix + its path relative to folder.
    void AddFolder(const ZUX::String& folder, const ZUX::String& excludePrefix,
                   const ZUX::String& namePrefix);
    // Drops every item whose file name is fileName, ignoring case.
    void RemoveByName(const ZUX::String& fileName);

    int Count() const { return int(items_.size()); }
    TSetupFileListItem& Items(int index) { return *items_.at(size_t(index)); }
    const TSetupFileListItem& Items(int index) const { return *items_.at(size_t(index)); }
    void Clear() { items_.clear(); }

private:
    std::vector<std::unique_ptr<TSetupFileListItem>> items_;
};

// One walk of a folder tree that leaves out the folders below a prefix (the
// backup folder inside the folder being backed up).
class TFileSearchHelper {
public:
    // Appends the full paths of the files below folder: those of a folder in
    // the order the file system lists them, then its subfolders in natural
    // order. A folder whose path (with trailing backslash) begins with
    // excludePrefix, ignoring case, is skipped with everything below it.
    void FindFiles(const ZUX::String& folder, const ZUX::String& excludePrefix,
                   ZUX::TZUXStringList& results);

private:
    bool AcceptFolder(const ZUX::String& folder) const;

    ZUX::String excludePrefix_;
};
