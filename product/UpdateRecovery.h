// An update is all or nothing. Once the preparation has archived the old copy,
// a marker in the backup folder records the archive, where its profiles came
// from and the uninstall entries as they were. A run that fails afterwards,
// and the next run of any setup or uninstaller after one that was killed, put
// the old copy back from the archive byte for byte and remove what the run
// wrote. The marker goes once the run has finished well.
#pragma once

#include "ZUX/Base/Strings.h"
#include "product/Profiles.h"
#include "product/UpdateRecord.h"

#include <cstdint>
#include <vector>

// What the marker holds.
struct TSetupUpdateMarker {
    struct TProfile {
        ZUX::String UserName;
        ZUX::String OldPath;      // archived under Profiles/<UserName>/
        ZUX::String Path;         // the new version's folder
        bool PathExisted = false; // before the run
    };
    struct TValue {
        ZUX::String Name;
        uint32_t Type = 0; // REG_SZ, REG_EXPAND_SZ or REG_DWORD
        ZUX::String Data;  // the text, or the number in decimal
    };
    struct TEntry {
        ZUX::String KeyName; // below the uninstall key
        bool Existed = false;
        std::vector<TValue> Values;
    };

    ZUX::String State;   // "Prepared", then "Installing"
    ZUX::String Archive; // file name in the backup folder; empty: nothing was kept
    bool Portable = false;
    bool DestExisted = true;
    std::vector<TProfile> Profiles;
    std::vector<TEntry> Entries;

    // Written beside fileName and renamed into place; false on failure.
    bool Save(const ZUX::String& fileName) const;
    // False when the file is missing or not a marker.
    bool Load(const ZUX::String& fileName);
};

class TSetupUpdateRecovery {
public:
    // dest + "!Backup\z Update in progress.ini".
    static ZUX::String MarkerFileName(const ZUX::String& dest);
    // Beside the marker: what the run removes besides the old copy's files.
    static ZUX::String RecordFileName(const ZUX::String& dest);

    // The preparation has archived the old copy into archive (empty: the
    // destination held no file): records what a restore needs and writes the
    // marker. Raises EInstallerInstallError when an earlier update's marker
    // is still there (its restore failed) or the marker cannot be written.
    void Begin(const ZUX::String& dest, const ZUX::String& archive, bool portable, bool destExisted,
               const TSetupProfileInfoList& profiles);
    // An update without archive: nothing could be restored if it failed.
    void BeginWithoutBackup() { noBackup_ = true; }
    // While an update is in flight, path is deleted only when it succeeds:
    // true. False when no update is in flight.
    bool DeleteOnSuccess(const ZUX::String& path);
    // Before the preparation removes them: files or folders (ending in a
    // backslash) outside the old copy, and a shell extension it unregisters.
    // Nothing when no update is in flight; raises EInstallerInstallError
    // when the record cannot be written.
    void KeepPaths(const std::vector<ZUX::String>& paths);
    void KeepServer(const ZUX::String& dllPath);
    // Rewrites the marker's state.
    void SetState(const ZUX::String& state);
    // The run's end. Failed: restore, and give the line that says so (or
    // where the archive is). Otherwise the marker goes. Empty when nothing
    // was begun.
    ZUX::String End(bool failed);
    // A marker left by a run that was killed: restores the old copy at dest
    // and sets Notice. Never raises.
    void RecoverInterrupted(const ZUX::String& dest);

    // Restores what the marker and the record in dest's backup folder
    // describe; false with the reason when something could not be put back.
    static bool Restore(const ZUX::String& dest, const TSetupUpdateMarker& marker,
                        const TSetupUpdateRecord& record, ZUX::String& reason);

    // What the last recovery of an interrupted update did, for the wizard
    // and the log; empty when there was none.
    ZUX::String Notice;

private:
    void SaveRecord();

    ZUX::String dest_;
    TSetupUpdateMarker marker_;
    TSetupUpdateRecord record_;
    bool active_ = false;
    bool noBackup_ = false;
    std::vector<ZUX::String> deleteOnSuccess_;
};
