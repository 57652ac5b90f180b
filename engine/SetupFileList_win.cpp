// Lists of files on disk and the folder walk that fills them.
#include "engine/SetupFileList.h"

#include "ZUX/Base/FileSystem.h"
#include "ZUX/Base/Locale.h"
#include "ZUX/Base/Paths.h"
#include "ZUX/Base/Strings.h"

using namespace ZUX;

TSetupFileListItem& TSetupFileList::Add(const String& fullPath, const String& relativeName) {
    auto item = std::make_unique<TSetupFileListItem>();
    item->FullPath = fullPath;
    item->RelativeName = relativeName;
    items_.push_back(std::move(item));
    return *items_.back();
}

void TSetupFileList::AddFolder(const String& folder, const String& excludePrefix,
                               const String& namePrefix) {
    // Relative names never start with a backslash, with or without one after folder.
    const String base = IncludeTrailingPathDelimiter(folder);
    TZUXStringList paths;
    TFileSearchHelper().FindFiles(base, excludePrefix, paths);
    for (int i = 0; i < paths.Count(); ++i) {
        const String path = paths.Strings(i);
        Add(path, namePrefix + path.substr(base.size()));
    }
}

void TSetupFileList::RemoveByName(const String& fileName) {
    std::erase_if(items_, [&](const std::unique_ptr<TSetupFileListItem>& item) {
        return SameText(ExtractFileName(item->FullPath), fileName);
    });
}

bool TFileSearchHelper::AcceptFolder(const String& folder) const {
    return excludePrefix_.empty() || !StartsWith(folder, excludePrefix_, true);
}

void TFileSearchHelper::FindFiles(const String& folder, const String& excludePrefix,
                                  TZUXStringList& results) {
    excludePrefix_ = excludePrefix;
    TZUXSearch search([&results](const String& path) { results.Add(path); });
    search.SetFolderFilter([this](const String& f) { return AcceptFolder(f); });
    search.SetPath(folder);
    search.Start(true);
}
