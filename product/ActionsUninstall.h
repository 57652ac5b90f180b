// The removal of an installed copy: its Windows integration, then its files
// and folders, and on request its backups and the users' profiles.
#pragma once

#include "ZUX/Base/IniFile.h"
#include "ZUX/Base/StringList.h"
#include "engine/SetupActions.h"

#include <memory>
#include <vector>

class TSetupUpdateTask;

// Shell menu extensions, shortcuts, the registration tool's entries and the
// uninstall entry.
class TSetupActionUninstallIntegration : public TSetupAction {
public:
    TSetupActionUninstallIntegration();
    ~TSetupActionUninstallIntegration() override;

    void DoExecute() override;

    std::vector<std::unique_ptr<TSetupUpdateTask>> Tasks;
};

// Marks of the folder list, kept in the items' tags.
enum TSetupDirMark : uint64_t {
    dmPlain = 0,     // removed only when empty
    dmWholeTree = 1, // removed with everything inside
};

// The logged files, the installation's folders and, on request, the backups
// and the users' profiles. The log lies beside the uninstaller and can be
// edited by whoever may write to a portable copy, while the removal runs with
// administrator rights: nothing outside the destination is touched unless the
// setup itself put it there, and a destination that is a drive root or a
// folder of Windows or of a user loses only what was logged.
class TSetupActionUninstallFiles : public TSetupAction {
public:
    void DoExecute() override;

    // Full paths of the files the log lists, each once.
    std::unique_ptr<ZUX::TZUXStringList> CreateFileList();
    // Folders to remove, every folder after all folders below it, whole-tree
    // ones last. A protected destination gives only the folders of its logged
    // files.
    std::unique_ptr<ZUX::TZUXStringList> CreateDirsList(const ZUX::TZUXStringList& files);
    bool IsUserModeInstallation();
    static void RemoveFolder(const ZUX::String& path, bool wholeTree);

    // The log's "Uninstall" entries below dest. Relative entries are cleaned
    // before use, so ".." never climbs out; an absolute entry outside dest is
    // taken only when it is in placedOutside (where the script puts files
    // outside the destination, compared ignoring case).
    static std::unique_ptr<ZUX::TZUXStringList>
    ReadFileList(const ZUX::TZUXIniFile& log, const ZUX::String& dest,
                 const ZUX::TZUXStringList& placedOutside);
    // Every subfolder of folder, deepest first, with the plain mark.
    static void AddSubfolders(const ZUX::String& folder, ZUX::TZUXStringList& list);
    // A drive root, or one of knownFolders or a folder above one of them.
    // knownFolders are in the form GetKnownFolders gives: full and long, with
    // a trailing backslash.
    static bool IsProtectedFolder(const ZUX::String& folder,
                                  const ZUX::TZUXStringList& knownFolders);
    // The folders of Windows, Program Files and the users that no removal may
    // take whole; the ones this machine has none of are left out.
    static std::unique_ptr<ZUX::TZUXStringList> GetKnownFolders();
    // Deletes files, then folders, reporting progress over both lists.
    void RemoveAll(const ZUX::TZUXStringList& files, const ZUX::TZUXStringList& dirs);
};
