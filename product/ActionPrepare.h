// The preparation step of a run: turning the destination into a clean
// starting point (profiles, backup archive, delete list, update tasks) before
// the first file is extracted.
#pragma once

#include "ZUX/Base/StringList.h"
#include "ZUX/Base/Strings.h"
#include "ZUX/Base/Win32.h"
#include "engine/SetupActions.h"
#include "engine/SetupFileList.h"
#include "product/Profiles.h"
#include "product/UpdateTasks.h"
#include "product/ZipWriter.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

class TSetupActionPrepare : public TSetupAction {
public:
    TSetupActionPrepare();
    ~TSetupActionPrepare() override;

    void Begin() override;
    void DoExecute() override;
    void Describe(TSetupSummaryBuilder& builder) override;

    // The steps of DoExecute, in the order it runs them.
    void CreateUpdateTasks();
    void Backup(ZUX::TZUXStringList& list);
    void CreateBackupFileList(TSetupFileList& files);
    void WriteBackup(const TSetupFileList& files);
    void ExcludeKeptContent(ZUX::TZUXStringList& list);
    void AddOldBackups(ZUX::TZUXStringList& list);
    void AddObsoleteFiles(ZUX::TZUXStringList& list);
    void AddComponentFiles(ZUX::TZUXStringList& list);
    void RunUpdateTasks(ZUX::TZUXStringList& list);
    void DeleteFiles(ZUX::TZUXStringList& list);
    void UpdateProgress();

    // T + "!Backup\".
    static ZUX::String GetBackupFolder();
    // "z Before install <version> [yyyy.MM.dd hh-mm-ss].zip" in the backup
    // folder, for the given local time.
    static ZUX::String GetBackupFileName(const SYSTEMTIME& time);
    // Raises EInstallerInstallError unless dest is a folder of its own: the
    // run lists and deletes everything in it, so a drive root or a folder of
    // Windows, of the programs or of a user must never be the destination.
    static void CheckDestination(const ZUX::String& dest);
    static void CheckDestination(const ZUX::String& dest, const ZUX::TZUXStringList& knownFolders);
    // Whether the summary warns that a copy is installed already.
    static bool ExistingInstallationWarning();

    // Owned. Tasks go first: migration tasks point into Profiles.
    std::unique_ptr<TSetupProfileInfoList> Profiles;
    std::vector<std::unique_ptr<TSetupUpdateTask>> Tasks;
    int32_t Position = 0;
    int32_t Total = 0;

    // The users asked for their profiles; empty: the machine's users.
    TSetupProfileInfoList::TEnumerator EnumerateUsers;
    // Files from this size on get Zip64 headers in the backup archive.
    uint64_t Zip64Threshold = TSetupZipWriter::DefaultZip64Threshold;
    // The archive the last run wrote, or empty.
    ZUX::String BackupFileName;

private:
    // The folders no destination may be: read while the player closes. Null
    // when the reading failed; they are read again where needed.
    std::unique_ptr<ZUX::TZUXStringList> knownFolders_;
    std::thread knownFoldersReader_;
};
