// The first two steps of a run: closing the running player, and turning the
// destination into a clean starting point (profiles, backup archive, delete
// list, update tasks) before the first file is extracted.
#pragma once

#include "ZUX/Base/StringList.h"
#include "ZUX/Base/Strings.h"
#include "ZUX/Base/Win32.h"
#include "engine/SetupActions.h"
#include "engine/SetupFileList.h"
#include "product/Profiles.h"
#include "product/UpdateTasks.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// Closes the top-level windows of the player and its companion tools.
class TSetupActionCloseApplications : public TSetupAction {
public:
    // Searched in this order on every pass.
    static const std::vector<ZUX::String>& ApplicationWindowClasses();

    void DoExecute() override;
    void Cancel() override { cancelled_ = true; }

    // A window that never closes must not hold the setup for ever: after
    // MaxPasses passes the run goes on and the files in use are dealt with
    // by extraction.
    int MaxPasses = 15;
    uint32_t PassDelayMs = 2000;
    // How long one window may take to handle the close request.
    uint32_t CloseTimeoutMs = 5000;

    // The passes the last run made.
    int Passes() const { return passes_; }

private:
    std::atomic<bool> cancelled_{false};
    int passes_ = 0;
};

// A ZIP archive being written: deflated entries (default level) with UTF-8
// names (general-purpose bit 11). Entries that may reach 4 GiB get Zip64
// headers; offsets and entry counts beyond the classic limits get the Zip64
// end records. The archive is closed when the object goes, written or not.
class TSetupZipWriter {
public:
    // Files from this size on get Zip64 local headers; the margin below 4 GiB
    // covers files that grow while they are read and deflate's worst case.
    static constexpr uint64_t DefaultZip64Threshold = 0xC0000000u;

    // Creates fileName, replacing a file of that name; raises
    // EInstallerBackupError when it cannot be created.
    explicit TSetupZipWriter(const ZUX::String& fileName,
                             uint64_t zip64Threshold = DefaultZip64Threshold);
    ~TSetupZipWriter();
    TSetupZipWriter(const TSetupZipWriter&) = delete;
    TSetupZipWriter& operator=(const TSetupZipWriter&) = delete;

    // Adds the file under entryName ("\" becomes "/"), stamped with the local
    // time of the call. The file is opened so that others may keep writing
    // it. Raises EInstallerBackupError naming the file on any failure.
    void AddFile(const ZUX::String& fullPath, const ZUX::String& entryName);
    // An entry made from memory (a generated file), stamped and named alike.
    void AddData(const void* data, size_t size, const ZUX::String& entryName);
    // Writes the central directory; raises EInstallerBackupError on failure.
    void Close();

    const ZUX::String& FileName() const { return fileName_; }

private:
    struct TState;
    // read fills the buffer and gives the bytes it put there, 0 at the end.
    void AddEntry(const ZUX::String& source, const ZUX::String& entryName, uint64_t size,
                  const std::function<uint32_t(void*, uint32_t)>& read);
    [[noreturn]] void RaiseFileError(const ZUX::String& fullPath, const ZUX::String& message,
                                     uint32_t osError);

    ZUX::String fileName_;
    uint64_t zip64Threshold_;
    std::unique_ptr<TState> state_;
    std::vector<uint8_t> buffer_;
    uint64_t entries_ = 0;
};

class TSetupActionPrepare : public TSetupAction {
public:
    TSetupActionPrepare();
    ~TSetupActionPrepare() override;

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
};
