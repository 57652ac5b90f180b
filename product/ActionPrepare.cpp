// The preparation action: profiles, backup archive, delete list, update tasks.
#include "product/ActionPrepare.h"

#include "ZUX/Base/FileAttributes.h"
#include "ZUX/Base/FileSystem.h"
#include "ZUX/Base/Format.h"
#include "ZUX/Base/Handle.h"
#include "ZUX/Base/IniFile.h"
#include "ZUX/Base/Locale.h"
#include "ZUX/Base/Log.h"
#include "ZUX/Base/OSError.h"
#include "ZUX/Base/Paths.h"
#include "ZUX/Base/Strings.h"
#include "engine/FaultPoint.h"
#include "engine/InstallerErrors.h"
#include "engine/ProductInfo.h"
#include "engine/Setup.h"
#include "engine/SetupResources.h"
#include "engine/SetupScript.h"
#include "product/ActionsUninstall.h"
#include "product/FreeSpace.h"
#include "product/ProductZIVR.h"

#include <algorithm>
#include <cstring>
#include <system_error>
#include <unordered_map>
#include <unordered_set>

using namespace ZUX;

namespace {

String Dest() {
    return IncludeTrailingPathDelimiter(Setup->DestPath);
}

// Keeps the first of entries that are equal ignoring case; in linear time,
// as the list holds every file of the installed copy.
void RemoveDuplicatePaths(TZUXStringList& list) {
    std::unordered_set<String> seen;
    TZUXStringList unique;
    for (int i = 0; i < list.Count(); ++i) {
        const String path = list.Strings(i);
        if (seen.insert(UpperCase(path)).second) unique.Add(path);
    }
    if (unique.Count() == list.Count()) return;
    list.Clear();
    for (int i = 0; i < unique.Count(); ++i) list.Add(unique.Strings(i));
}

} // namespace

TSetupActionPrepare::TSetupActionPrepare() : Profiles(std::make_unique<TSetupProfileInfoList>()) {}

TSetupActionPrepare::~TSetupActionPrepare() {
    if (knownFoldersReader_.joinable()) knownFoldersReader_.join();
}

String TSetupActionPrepare::GetBackupFolder() {
    return Dest() + u"!Backup\\";
}

String TSetupActionPrepare::GetBackupFileName(const SYSTEMTIME& time) {
    const String date = IntToStr(time.wYear) + u"." + TwoDigits(time.wMonth) + u"." +
                        TwoDigits(time.wDay) + u" " + TwoDigits(time.wHour) + u"-" +
                        TwoDigits(time.wMinute) + u"-" + TwoDigits(time.wSecond);
    return GetBackupFolder() + u"z Before install " + ProductInfo().GetProductVersion() + u" [" +
           date + u"].zip";
}

void TSetupActionPrepare::CheckDestination(const String& dest) {
    CheckDestination(dest, *TSetupActionUninstallFiles::GetKnownFolders());
}

void TSetupActionPrepare::CheckDestination(const String& dest, const TZUXStringList& knownFolders) {
    const String folder = IncludeTrailingPathDelimiter(dest);
    if (!ExtractFileDrive(folder).empty() &&
        !TSetupActionUninstallFiles::IsProtectedFolder(folder, knownFolders))
        return;
    throw EInstallerInstallError(
        Format(u"Setup cannot install into \"%s\": the folder is a drive root or belongs to "
               u"Windows, the programs or a user, and everything in it would be removed. "
               u"Choose a folder of its own for the program.",
               {folder}));
}

bool TSetupActionPrepare::ExistingInstallationWarning() {
    if (Setup->HasFlag(sfUpdate)) return false;
    const String config = TProductInfoZIVR::GetConfigFileName(Dest());
    if (!config.empty()) {
        TZUXIniFile ini;
        ini.LoadFromFile(config);
        if (ini.ReadInteger(u"System", u"Version", 0) >= 1) return true;
    }
    String path;
    return !Setup->HasFlag(sfPortable) && TProductInfoZIVR::FindInstalledPath(path);
}

void TSetupActionPrepare::Describe(TSetupSummaryBuilder& builder) {
    builder.AddHeaderText(u"PageSetup", u"LB1");
    builder.AddItem(Setup->DestPath);
    builder.AddHeaderText(u"PageSetup", u"Title");
    const char16_t* mode = Setup->HasFlag(sfUpdate)     ? u"CB1"
                           : Setup->HasFlag(sfPortable) ? u"CB3"
                                                        : u"CB2";
    builder.AddItemText(u"PageSetup", mode);
    if (!Setup->HasFlag(sfNoBackup))
        builder.AddItemText(u"PageSetup", u"CB4");
    else if (Setup->HasFlag(sfUpdate))
        builder.AddItemText(u"PageSetup", u"W4"); // nothing to restore from
    if (ExistingInstallationWarning()) {
        builder.AddHeaderText(u"PageSetup", u"Title");
        builder.AddItemText(u"PageSetup", u"W3");
    }
}

void TSetupActionPrepare::Begin() {
    // Some thirty folder look-ups: they take longer than anything else before
    // the first file is written, and no closing program changes them.
    if (knownFoldersReader_.joinable()) return;
    try {
        knownFoldersReader_ = std::thread([this] {
            try {
                knownFolders_ = TSetupActionUninstallFiles::GetKnownFolders();
            } catch (...) {
                // Left null: read again, and the failure reported, when needed.
            }
        });
    } catch (const std::system_error&) {
        // No thread to spare: they are read when needed.
    }
}

void TSetupActionPrepare::DoExecute() {
    // Everything below lists and deletes the destination's content.
    if (knownFoldersReader_.joinable()) knownFoldersReader_.join();
    if (!knownFolders_) knownFolders_ = TSetupActionUninstallFiles::GetKnownFolders();
    CheckDestination(Setup->DestPath, *knownFolders_);
    Position = 0;
    Total = 0;
    BackupFileName.clear();
    TZUXStringList list;
    Tasks.clear();
    if (EnumerateUsers)
        Profiles->Populate(Setup->HasFlag(sfPortable), EnumerateUsers);
    else
        Profiles->Populate();
    CreateUpdateTasks();
    Backup(list);
    if (Setup->HasFlag(sfUpdate)) ExcludeKeptContent(list);
    AddOldBackups(list);
    AddObsoleteFiles(list);
    AddComponentFiles(list);
    RemoveDuplicatePaths(list);
    RunUpdateTasks(list);
    if (TSetupUpdateRecovery* recovery = TProductInfoZIVR::RunRecovery())
        recovery->SetState(u"Installing");
    DeleteFiles(list);
}

void TSetupActionPrepare::CreateUpdateTasks() {
    const bool update = Setup->HasFlag(sfUpdate);
    if (!Setup->HasFlag(sfPortable) && (!update || ProductInfo().GetInstalledVersion() < 4000)) {
        Tasks.push_back(std::make_unique<TSetupUpdateTaskRemoveShellMenu>());
        Tasks.push_back(std::make_unique<TSetupUpdateTaskRemoveUninstallInfo>());
        Tasks.push_back(std::make_unique<TSetupUpdateTaskRemoveShortcuts>());
    }
    if (update)
        for (const auto& profile : *Profiles)
            Tasks.push_back(std::make_unique<TSetupUpdateTaskUpdateConfigs>(profile.get()));
}

void TSetupActionPrepare::Backup(TZUXStringList& list) {
    TSetupUpdateRecovery* const recovery = TProductInfoZIVR::RunRecovery();
    if (Setup->HasFlag(sfNoBackup)) {
        Log(u"Backup skipped: NOBACKUP");
        TSetupFreeSpace::Check(Dest(), TSetupFreeSpace::RunBytes());
        if (recovery && ProductInfo().GetInstalledVersion() > 0) recovery->BeginWithoutBackup();
        return;
    }
    TSetupFileList files;
    CreateBackupFileList(files);
    Total = int32_t(Tasks.size()) + files.Count();
    for (int i = 0; i < files.Count(); ++i) list.Add(files.Items(i).FullPath);
    // Caches the player rebuilds, and the updater: deleted, not worth archiving.
    for (const char16_t* name : {u"AlbumArts.cache", u"AlbumArts.db", u"AlbumArtsCache.db",
                                 u"AlbumArtCache.db", u"UpdateInstaller.exe"})
        files.RemoveByName(name);
    // Before the first byte is written.
    TSetupFreeSpace::Check(Dest(),
                           TSetupFreeSpace::RunBytes() + TSetupFreeSpace::ArchiveBytes(files));
    const bool destExisted = DirectoryExists(Dest());
    WriteBackup(files);
    if (recovery)
        recovery->Begin(Dest(), BackupFileName, Setup->HasFlag(sfPortable), destExisted, *Profiles);
    FaultPoint("archived");
}

void TSetupActionPrepare::CreateBackupFileList(TSetupFileList& files) {
    const String backup = GetBackupFolder();
    if (Setup->HasFlag(sfPortable)) {
        files.AddFolder(Dest(), backup, String());
        return;
    }
    for (const auto& profile : *Profiles)
        files.AddFolder(profile->OldPath, backup, u"Profiles\\" + profile->UserName + u"\\");
    files.AddFolder(Dest(), backup, u"Program\\");
}

void TSetupActionPrepare::WriteBackup(const TSetupFileList& files) {
    SetStatus(GetCommonText(u"A1"));
    if (files.Count() == 0) {
        Log(u"Backup: nothing to archive");
        return;
    }
    ForceDirectories(GetBackupFolder());
    SYSTEMTIME now;
    GetLocalTime(&now);
    BackupFileName = GetBackupFileName(now);
    TSetupZipWriter zip(BackupFileName, Zip64Threshold);
    for (int i = 0; i < files.Count(); ++i) {
        zip.AddFile(files.Items(i).FullPath, files.Items(i).RelativeName);
        ++Position;
        UpdateProgress();
    }
    zip.Close();
    LogFmt(u"Backup archive written: %s (%d files)", {BackupFileName, files.Count()});
}

void TSetupActionPrepare::ExcludeKeptContent(TZUXStringList& list) {
    // The user's own plug-ins, icons, data, encoders and skins survive an
    // update; the archive still has them.
    const String dest = Dest();
    if (ProductInfo().GetInstalledVersion() >= 3600)
        TSetupHelper::ExcludeFromList(list, dest + u"Plugins\\");
    for (const char16_t* kept :
         {u"Icons\\", u"System\\Data\\", u"System\\Encoders\\", u"Skins\\", u"libwebp.dll"})
        TSetupHelper::ExcludeFromList(list, dest + kept);
}

void TSetupActionPrepare::AddOldBackups(TZUXStringList& list) {
    TZUXStringList archives;
    EnumFilesToList(GetBackupFolder(), u"*.zip;", archives);
    // The archive this run wrote holds what is about to be deleted: it always
    // stays, and counts as one of the three that are kept.
    int keep = 3;
    if (!BackupFileName.empty()) {
        const int own = archives.IndexOf(BackupFileName);
        if (own >= 0) {
            archives.Delete(own);
            --keep;
        }
    }
    archives.Sort();
    // The others that sort last stay. During an update the rest go only once it
    // has succeeded: a failed one gives the user back all of them.
    TSetupUpdateRecovery* const recovery = TProductInfoZIVR::RunRecovery();
    for (int i = 0; i + keep < archives.Count(); ++i)
        if (!recovery || !recovery->DeleteOnSuccess(archives.Strings(i)))
            list.Add(archives.Strings(i));
}

void TSetupActionPrepare::AddObsoleteFiles(TZUXStringList& list) {
    const String dest = Dest();
    if (FileExists(dest + u"libVorbis.dll")) list.Add(dest + u"libVorbis.dll");
    const int32_t installed = ProductInfo().GetInstalledVersion();
    struct Obsolete {
        const char16_t* folder;
        int32_t below; // removed from copies older than this; 0: always
    };
    static constexpr Obsolete kFolders[] = {
        {u"Plugins\\zivr_Marble\\", 4002},  {u"Plugins\\zivr_Harbor\\", 4002},
        {u"Plugins\\Quartz\\", 4002},       {u"Plugins\\Juniper\\", 4002},
        {u"Plugins\\Cobalt\\", 4002},       {u"Plugins\\Tundra\\", 4699},
        {u"Plugins\\zivr_Saffron\\", 5030}, {u"Plugins\\zivr_Walnut\\", 0},
        {u"Plugins\\zivr_Pebble\\", 0},     {u"Plugins\\Lantern\\", 0},
        {u"Plugins\\Falcon\\", 0},
    };
    for (const Obsolete& entry : kFolders) {
        if (entry.below != 0 && installed >= entry.below) continue;
        const String folder = dest + entry.folder;
        if (!DirectoryExists(folder)) continue;
        EnumFiles(
            folder, String(), fkFile,
            [&list](const TZUXFindFileInfo& info) { list.Add(info.FullPath()); }, true);
    }
}

void TSetupActionPrepare::AddComponentFiles(TZUXStringList& list) {
    const TSetupScriptGroup& components = *Script().Components;
    for (int i = 0; i < components.Count(); ++i)
        list.Add(Resources().ExpandFileName(components.Items(i).Name));
}

void TSetupActionPrepare::RunUpdateTasks(TZUXStringList& list) {
    SetStatus(GetCommonText(u"A5"));
    LogFmt(u"Update tasks: %d", {int64_t(Tasks.size())});
    for (const auto& task : Tasks) {
        ++Position;
        task->Execute(&list);
        UpdateProgress();
    }
}

void TSetupActionPrepare::DeleteFiles(TZUXStringList& list) {
    SetStatus(GetCommonText(u"A3"));
    LogFmt(u"Deleting what is there of %d old paths", {list.Count()});
    TZUXStringList folders;
    // A folder that is not there holds nothing to delete: a fresh
    // installation asks once per folder, not once per file.
    std::unordered_map<String, bool> present;
    for (int i = 0; i < list.Count(); ++i) {
        const String path = list.Strings(i);
        if (i == list.Count() / 2) FaultPoint("deleting");
        const String folder = ExtractFilePath(path);
        const auto [known, added] = present.try_emplace(folder, true);
        if (added) known->second = folder.empty() || DirectoryExists(folder);
        if (known->second) DeleteFileOrSchedule(path);
        folders.Add(folder);
    }
    RemoveDuplicatePaths(folders);
    // Backwards in sorted order: a subfolder goes before its parent.
    folders.Sort();
    for (int i = folders.Count() - 1; i >= 0; --i) RemoveDir(folders.Strings(i));
}

void TSetupActionPrepare::UpdateProgress() {
    if (Total <= 0) return;
    const int64_t done = std::min<int64_t>(Position, Total);
    SetProgress(int32_t((done * 100 + Total / 2) / Total));
}
