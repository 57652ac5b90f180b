#include "product/ActionPrepare.h"

#include "ZUX/Base/FileAttributes.h"
#include "ZUX/Base/FileSystem.h"
#include "ZUX/Base/Format.h"
#include "ZUX/Base/IniFile.h"
#include "ZUX/Base/Locale.h"
#include "ZUX/Base/OSError.h"
#include "ZUX/Base/Paths.h"
#include "ZUX/Base/StrUtils.h"
#include "engine/Exceptions.h"
#include "engine/FaultPoint.h"
#include "engine/KernelHandle.h"
#include "engine/ProductInfo.h"
#include "engine/Setup.h"
#include "engine/SetupResources.h"
#include "engine/SetupScript.h"
#include "engine/SystemTools.h"
#include "product/ActionsUninstall.h"
#include "product/FreeSpace.h"
#include "product/ProductZIVR.h"

#include <minizip/zip.h>

#include <algorithm>
#include <cstring>
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

// ---- closing the player ----

const std::vector<String>& TSetupActionCloseApplications::ApplicationWindowClasses() {
    static const std::vector<String> classes{
        u"TZIVR2EditorForm",       u"TZIVR2MainW",      u"TZIVR3MainWindow", u"TZIVRATEForm",
        u"TZIVRConverterMainForm", u"TZIVRLibMainForm", u"TZIVRMainForm",
    };
    return classes;
}

void TSetupActionCloseApplications::DoExecute() {
    SetStatus(GetCommonText(u"A8"));
    passes_ = 0;
    for (;;) {
        bool found = false;
        for (const String& name : ApplicationWindowClasses()) {
            const HWND window = FindWindowW(WStr(name), nullptr);
            if (!window) continue;
            found = true;
            // A hung window gets no second chance within this pass: the
            // timeout keeps the worker from hanging with it.
            DWORD_PTR result = 0;
            SendMessageTimeoutW(window, WM_CLOSE, 0, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                                CloseTimeoutMs, &result);
        }
        ++passes_;
        // Give the closed programs time to write their settings and exit.
        Sleep(PassDelayMs);
        if (!found || passes_ >= MaxPasses || cancelled_) break;
    }
}

// ---- the archive ----

// The archive file under minizip, behind a write buffer: minizip writes its
// headers a few bytes at a time.
struct TSetupZipWriter::TState {
    static constexpr size_t BufferSize = 256 * 1024;

    TKernelHandle file;
    std::vector<uint8_t> pending;
    uint64_t position = 0; // of the next byte written, pending ones included
    uint32_t lastError = 0;
    zipFile zip = nullptr;

    bool Flush() {
        size_t done = 0;
        while (done < pending.size()) {
            DWORD written = 0;
            const DWORD chunk = DWORD(std::min<size_t>(pending.size() - done, 1u << 30));
            if (!WriteFile(file.Get(), pending.data() + done, chunk, &written, nullptr) ||
                written == 0) {
                lastError = GetLastError();
                return false;
            }
            done += written;
        }
        pending.clear();
        return true;
    }

    static voidpf ZCALLBACK Open(voidpf opaque, const void*, int) { return opaque; }
    static uLong ZCALLBACK Read(voidpf, voidpf, void*, uLong) { return 0; }
    static uLong ZCALLBACK Write(voidpf, voidpf stream, const void* buf, uLong size) {
        auto& self = *static_cast<TState*>(stream);
        const auto* bytes = static_cast<const uint8_t*>(buf);
        if (self.pending.size() + size > BufferSize && !self.Flush()) return 0;
        if (size >= BufferSize) {
            self.pending.assign(bytes, bytes + size);
            if (!self.Flush()) return 0;
        } else {
            self.pending.insert(self.pending.end(), bytes, bytes + size);
        }
        self.position += size;
        return size;
    }
    static ZPOS64_T ZCALLBACK Tell(voidpf, voidpf stream) {
        return static_cast<TState*>(stream)->position;
    }
    static long ZCALLBACK Seek(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
        auto& self = *static_cast<TState*>(stream);
        if (!self.Flush()) return -1;
        DWORD method = FILE_BEGIN;
        if (origin == ZLIB_FILEFUNC_SEEK_CUR)
            method = FILE_CURRENT;
        else if (origin == ZLIB_FILEFUNC_SEEK_END)
            method = FILE_END;
        LARGE_INTEGER distance, now;
        distance.QuadPart = LONGLONG(offset);
        if (!SetFilePointerEx(self.file.Get(), distance, &now, method)) {
            self.lastError = GetLastError();
            return -1;
        }
        self.position = uint64_t(now.QuadPart);
        return 0;
    }
    // The handle stays open for the end records that minizip leaves out.
    static int ZCALLBACK CloseFile(voidpf, voidpf stream) {
        return static_cast<TState*>(stream)->Flush() ? 0 : -1;
    }
    static int ZCALLBACK Error(voidpf, voidpf stream) {
        return static_cast<TState*>(stream)->lastError != 0;
    }

    static void Put(std::vector<uint8_t>& out, uint64_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) out.push_back(uint8_t(value >> (8 * i)));
    }

    // Minizip writes the Zip64 end records only when the central directory
    // starts beyond 4 GiB; from 65535 entries on its classic end record
    // says "see Zip64" all the same. Puts the missing records in front of
    // the classic one, which must end the file (no comment).
    bool CompleteZip64End(uint64_t entries) {
        constexpr uint32_t kEnd = 0x06054b50, kEnd64 = 0x06064b50, kLocator = 0x07064b50;
        if (!Flush() || position < 22 + 20) return false;
        uint8_t tail[42];
        const uint64_t endPos = position - 22;
        LARGE_INTEGER at;
        at.QuadPart = LONGLONG(position - sizeof tail);
        DWORD got = 0;
        if (!SetFilePointerEx(file.Get(), at, nullptr, FILE_BEGIN) ||
            !ReadFile(file.Get(), tail, sizeof tail, &got, nullptr) || got != sizeof tail) {
            lastError = GetLastError();
            return false;
        }
        const auto get = [&](size_t offset, int bytes) {
            uint64_t v = 0;
            for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | tail[offset + size_t(i)];
            return v;
        };
        if (get(20, 4) != kEnd) return false;
        if (get(0, 4) == kLocator) return true; // written already
        const uint64_t cdSize = get(20 + 12, 4), cdOffset = get(20 + 16, 4);
        std::vector<uint8_t> out;
        Put(out, kEnd64, 4);
        Put(out, 44, 8); // size of the rest of this record
        Put(out, 45, 2); // made by: version 4.5
        Put(out, 45, 2); // needed to extract
        Put(out, 0, 4);
        Put(out, 0, 4);
        Put(out, entries, 8);
        Put(out, entries, 8);
        Put(out, cdSize, 8);
        Put(out, cdOffset, 8);
        Put(out, kLocator, 4);
        Put(out, 0, 4);
        Put(out, endPos, 8);
        Put(out, 1, 4);
        out.insert(out.end(), tail + 20, tail + 42); // the classic record as it was
        if (Seek(nullptr, this, endPos, ZLIB_FILEFUNC_SEEK_SET) != 0) return false;
        pending = std::move(out);
        position += pending.size();
        return Flush();
    }
};

TSetupZipWriter::TSetupZipWriter(const String& fileName, uint64_t zip64Threshold)
    : fileName_(fileName), zip64Threshold_(zip64Threshold), state_(std::make_unique<TState>()),
      buffer_(1024 * 1024) {
    // Others may read the archive while it grows, never write it.
    state_->file = TKernelHandle(CreateFileW(WStr(LongPathForm(fileName)),
                                             GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    const uint32_t error = GetLastError();
    if (!state_->file)
        throw EInstallerBackupError(
            Format(u"Cannot create file \"%s\". %s", {fileName, SysErrorMessage(error)}));
    zlib_filefunc64_def functions{};
    functions.zopen64_file = &TState::Open;
    functions.zread_file = &TState::Read;
    functions.zwrite_file = &TState::Write;
    functions.ztell64_file = &TState::Tell;
    functions.zseek64_file = &TState::Seek;
    functions.zclose_file = &TState::CloseFile;
    functions.zerror_file = &TState::Error;
    functions.opaque = state_.get();
    state_->zip = zipOpen2_64(WStr(fileName), APPEND_STATUS_CREATE, nullptr, &functions);
    if (!state_->zip)
        throw EInstallerBackupError(Format(u"Cannot create file \"%s\". %s",
                                           {fileName, SysErrorMessage(state_->lastError)}));
}

TSetupZipWriter::~TSetupZipWriter() {
    // What was written so far stays a readable archive.
    if (state_->zip && zipClose(state_->zip, nullptr) == ZIP_OK && entries_ >= 0xFFFF)
        state_->CompleteZip64End(entries_);
}

void TSetupZipWriter::RaiseFileError(const String& fullPath, const String& message,
                                     uint32_t osError) {
    throw EInstallerBackupError(
        Format(u"An error occurs while backuping the \"%s\" file (%d)\r\n%s\r\n%s",
               {fullPath, int64_t(ZUX::GetFileSize(fullPath)), message, SysErrorMessage(osError)}));
}

void TSetupZipWriter::AddFile(const String& fullPath, const String& entryName) {
    const TKernelHandle file(CreateFileW(WStr(LongPathForm(fullPath)), GENERIC_READ,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN,
                                         nullptr));
    if (!file) {
        const uint32_t error = GetLastError();
        RaiseFileError(fullPath,
                       Format(u"Cannot open file \"%s\". %s", {fullPath, SysErrorMessage(error)}),
                       error);
    }
    LARGE_INTEGER size{};
    GetFileSizeEx(file.Get(), &size);
    AddEntry(fullPath, entryName, uint64_t(size.QuadPart), [&](void* buffer, uint32_t capacity) {
        DWORD got = 0;
        if (!ReadFile(file.Get(), buffer, capacity, &got, nullptr)) {
            const uint32_t error = GetLastError();
            RaiseFileError(fullPath, SReadError, error);
        }
        return uint32_t(got);
    });
}

void TSetupZipWriter::AddData(const void* data, size_t size, const String& entryName) {
    size_t done = 0;
    AddEntry(entryName, entryName, size, [&](void* buffer, uint32_t capacity) {
        const size_t n = std::min<size_t>(capacity, size - done);
        std::memcpy(buffer, static_cast<const uint8_t*>(data) + done, n);
        done += n;
        return uint32_t(n);
    });
}

void TSetupZipWriter::AddEntry(const String& source, const String& entryName, uint64_t size,
                               const std::function<uint32_t(void*, uint32_t)>& read) {
    if (!state_->zip) throw EInvalidOperation(u"The archive is closed");
    // Minizip reserves the Zip64 sizes in the local header only when asked
    // up front; without them an entry past 4 GiB would get cut sizes.
    const bool zip64 = size >= zip64Threshold_;

    SYSTEMTIME now;
    GetLocalTime(&now);
    zip_fileinfo info{};
    info.tmz_date.tm_sec = now.wSecond;
    info.tmz_date.tm_min = now.wMinute;
    info.tmz_date.tm_hour = now.wHour;
    info.tmz_date.tm_mday = now.wDay;
    info.tmz_date.tm_mon = now.wMonth - 1;
    info.tmz_date.tm_year = now.wYear;

    const std::string name = ToUtf8(StringReplace(entryName, u"\\", u"/"));
    constexpr uLong kUtf8Names = 1u << 11;
    const auto zipFailed = [&](int code) {
        const uint32_t error = state_->lastError;
        RaiseFileError(source,
                       error ? String(SWriteError)
                             : Format(u"Cannot write the archive \"%s\" (%d)", {fileName_, code}),
                       error);
    };
    int code =
        zipOpenNewFileInZip4_64(state_->zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                Z_DEFLATED, Z_DEFAULT_COMPRESSION, 0, -MAX_WBITS, DEF_MEM_LEVEL,
                                Z_DEFAULT_STRATEGY, nullptr, 0, 0, kUtf8Names, zip64 ? 1 : 0);
    if (code != ZIP_OK) zipFailed(code);
    ++entries_; // from here on the archive holds the entry, whole or not

    uint64_t total = 0;
    for (;;) {
        const uint32_t got = read(buffer_.data(), uint32_t(buffer_.size()));
        if (got == 0) break;
        total += got;
        code = zipWriteInFileInZip(state_->zip, buffer_.data(), got);
        if (code != ZIP_OK) zipFailed(code);
    }
    if (!zip64 && total >= 0xFFFFFFFFu)
        RaiseFileError(source, u"The file grew past 4 GiB while it was archived", 0);
    code = zipCloseFileInZip(state_->zip);
    if (code != ZIP_OK) zipFailed(code);
}

void TSetupZipWriter::Close() {
    if (!state_->zip) return;
    int code = zipClose(state_->zip, nullptr);
    state_->zip = nullptr;
    if (code == ZIP_OK && entries_ >= 0xFFFF && !state_->CompleteZip64End(entries_))
        code = ZIP_ERRNO;
    state_->file.Close();
    if (code != ZIP_OK)
        throw EInstallerBackupError(Format(u"Cannot write the archive \"%s\" (%d)\r\n%s",
                                           {fileName_, code, SysErrorMessage(state_->lastError)}));
}

// ---- preparation ----

TSetupActionPrepare::TSetupActionPrepare() : Profiles(std::make_unique<TSetupProfileInfoList>()) {}

TSetupActionPrepare::~TSetupActionPrepare() = default;

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
    const String folder = IncludeTrailingPathDelimiter(dest);
    if (!ExtractFileDrive(folder).empty() &&
        !TSetupActionUninstallFiles::IsProtectedFolder(
            folder, *TSetupActionUninstallFiles::GetKnownFolders()))
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

void TSetupActionPrepare::DoExecute() {
    // Everything below lists and deletes the destination's content.
    CheckDestination(Setup->DestPath);
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
    if (files.Count() == 0) return;
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
    archives.Sort();
    // The three that sort last stay. During an update the others go only once
    // it has succeeded: a failed one gives the user back all of them.
    TSetupUpdateRecovery* const recovery = TProductInfoZIVR::RunRecovery();
    for (int i = 0; i + 3 < archives.Count(); ++i)
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
    for (const auto& task : Tasks) {
        ++Position;
        task->Execute(&list);
        UpdateProgress();
    }
}

void TSetupActionPrepare::DeleteFiles(TZUXStringList& list) {
    SetStatus(GetCommonText(u"A3"));
    TZUXStringList folders;
    for (int i = 0; i < list.Count(); ++i) {
        const String path = list.Strings(i);
        if (i == list.Count() / 2) FaultPoint("deleting");
        DeleteFileOrSchedule(path);
        folders.Add(ExtractFilePath(path));
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
