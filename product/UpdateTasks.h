// Clean-up and migration steps for older installed copies: run by the
// preparation action of an install and by the uninstaller's integration step.
#pragma once

#include "ZUX/Base/StringList.h"
#include "ZUX/Base/Strings.h"
#include "engine/SetupActions.h"

#include <cstdint>

struct TSetupProfileInfo;

class TSetupHelper {
public:
    TSetupHelper() = delete;

    // Copies every file and subfolder of source into destination, creating
    // folders and overwriting files; nothing when both name the same folder.
    // Raises EInstallerInstallError "Cannot copy "%s" to "%s"" on failure.
    static void CopyFolder(const ZUX::String& source, const ZUX::String& destination,
                           bool deleteSource);
    // Removes every entry that begins with prefix (ignoring case).
    static void ExcludeFromList(ZUX::TZUXStringList& list, const ZUX::String& prefix);
};

class TSetupUpdateTask : public TSetupPersistent {
public:
    // deleteList: full paths to delete after the last task; null when the
    // uninstaller runs the task.
    virtual void Execute(ZUX::TZUXStringList* deleteList) = 0;
};

// Unregisters and deletes the shell menu extensions of System\.
class TSetupUpdateTaskRemoveShellMenu : public TSetupUpdateTask {
public:
    void Execute(ZUX::TZUXStringList* deleteList) override;
};

// The uninstall entries "ZIVR3" and "ZIVR" of a copy in the destination.
class TSetupUpdateTaskRemoveUninstallInfo : public TSetupUpdateTask {
public:
    void Execute(ZUX::TZUXStringList* deleteList) override;
};

// Desktop links and start menu folders of the player (and of "ZIVR3" for
// copies older than version id 4000).
class TSetupUpdateTaskRemoveShortcuts : public TSetupUpdateTask {
public:
    void Execute(ZUX::TZUXStringList* deleteList) override;
};

// The registration tool's undo ("Elevator.exe /REG=U") and the product's
// uninstall entry.
class TSetupUpdateTaskRemoveFromRegistry : public TSetupUpdateTask {
public:
    void Execute(ZUX::TZUXStringList* deleteList) override;
};

// Moves one user's profile to this version's folder and file names, and marks
// what older versions left behind for deletion.
class TSetupUpdateTaskUpdateConfigs : public TSetupUpdateTask {
public:
    explicit TSetupUpdateTaskUpdateConfigs(TSetupProfileInfo* profile) : Profile(profile) {}

    void Execute(ZUX::TZUXStringList* deleteList) override;

    TSetupProfileInfo* Profile; // not owned

private:
    void MigrateLegacyNames();
    void RemoveOldSkins();
    void RemoveOldAlbumArts();
    void RemoveOldAlbumArtCache();
    void RemoveOldEncoders();
    void AddIfExists(const ZUX::String& path);
    void DoDeleteDir(const ZUX::String& folder);
    // Raises the system's error when the rename fails.
    static void RenameInFolder(const ZUX::String& folder, const ZUX::String& oldName,
                               const ZUX::String& newName);

    ZUX::TZUXStringList* list_ = nullptr; // during Execute
    ZUX::String dest_;
    int32_t installed_ = 0;
};
