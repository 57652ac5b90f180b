// Restoring an old copy from this run's archive after a failed or killed
// update, and the marker that tells the next run to do so.
#include "product/UpdateRecovery.h"

#include "ZUX/Base/FileAttributes.h"
#include "ZUX/Base/FileSystem.h"
#include "ZUX/Base/Format.h"
#include "ZUX/Base/Handle.h"
#include "ZUX/Base/IniFile.h"
#include "ZUX/Base/Locale.h"
#include "ZUX/Base/Log.h"
#include "ZUX/Base/OSError.h"
#include "ZUX/Base/Paths.h"
#include "ZUX/Base/Registry.h"
#include "ZUX/Base/Strings.h"
#include "ZUX/Base/Win32.h"
#include "engine/InstallerErrors.h"
#include "engine/ProductInfo.h"
#include "engine/Setup.h"
#include "engine/UninstallEntry.h"

#include <minizip/unzip.h>
#include <zlib.h>

#include <cstring>
#include <unordered_map>
#include <unordered_set>
#include <vector>

using namespace ZUX;

namespace {

const char16_t* const kUpdate = u"Update";
const char16_t* const kProfiles = u"Profiles";

// Caches the preparation deletes without archiving; a restore leaves them.
bool IsUnarchivedCache(const String& name) {
    for (const char16_t* cache : {u"AlbumArts.cache", u"AlbumArts.db", u"AlbumArtsCache.db",
                                  u"AlbumArtCache.db", u"UpdateInstaller.exe"})
        if (SameText(name, cache)) return true;
    return false;
}

// A language text, or the English one when the language file lacks the key.
String Text(StringView key, const char16_t* english) {
    String text = Setup && Setup->Resources ? Setup->Resources->GetText(key) : String();
    return text.empty() ? String(english) : text;
}

String BackupFolder(const String& dest) {
    return IncludeTrailingPathDelimiter(dest) + u"!Backup\\";
}

String EntryKeyPath(const String& keyName) {
    return TSetupAppRepo::GetKeyPath(false) + keyName;
}

TSetupUpdateMarker::TEntry ReadEntry(const String& keyName) {
    TSetupUpdateMarker::TEntry entry;
    entry.KeyName = keyName;
    const TZUXRegKey key = RegOpenKeyRead(HKEY_LOCAL_MACHINE, EntryKeyPath(keyName));
    if (!key) return entry;
    entry.Existed = true;
    for (DWORD index = 0;; ++index) {
        wchar_t name[16384];
        DWORD nameLength = DWORD(std::size(name)), type = 0, size = 0;
        if (RegEnumValueW(key, index, name, &nameLength, nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS)
            break;
        TSetupUpdateMarker::TValue value;
        value.Name = FromWStr(name, nameLength);
        value.Type = type;
        if (type == REG_DWORD)
            value.Data = IntToStr(uint32_t(RegReadInt(key, value.Name, 0)));
        else if (type == REG_SZ || type == REG_EXPAND_SZ)
            value.Data = RegReadStr(key, value.Name);
        else
            continue;
        entry.Values.push_back(std::move(value));
    }
    return entry;
}

void WriteEntry(const TSetupUpdateMarker::TEntry& entry) {
    // Whatever the run registered goes; the entry as it was comes back.
    RegDeleteKeyTree(HKEY_LOCAL_MACHINE, EntryKeyPath(entry.KeyName));
    if (!entry.Existed) return;
    const TZUXRegKey key = RegOpenKeyWrite(HKEY_LOCAL_MACHINE, EntryKeyPath(entry.KeyName), true);
    if (!key) return;
    for (const auto& value : entry.Values) {
        if (value.Type == REG_DWORD) {
            DWORD number = 0;
            for (const char16_t c : value.Data)
                if (c >= u'0' && c <= u'9') number = number * 10 + DWORD(c - u'0');
            RegSetValueExW(key, WStr(value.Name), 0, REG_DWORD,
                           reinterpret_cast<const BYTE*>(&number), sizeof number);
        } else {
            RegSetValueExW(key, WStr(value.Name), 0, value.Type,
                           reinterpret_cast<const BYTE*>(WStr(value.Data)),
                           DWORD((value.Data.size() + 1) * sizeof(wchar_t)));
        }
    }
}

struct TUnzipCloser {
    static void Close(unzFile zip) noexcept { unzClose(zip); }
};

// The archive file behind a read-ahead buffer: minizip reads its headers a
// few bytes at a time, and each read would be a call into the system.
class TArchiveFile {
public:
    explicit TArchiveFile(const String& fileName)
        : file_(CreateFileW(WStr(LongPathForm(fileName)), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {
        LARGE_INTEGER size{};
        if (file_ && GetFileSizeEx(file_.Get(), &size)) size_ = uint64_t(size.QuadPart);
    }

    // The functions minizip reads the file through.
    zlib_filefunc64_def Functions() {
        zlib_filefunc64_def functions{};
        functions.zopen64_file = &Open;
        functions.zread_file = &Read;
        functions.zwrite_file = &Write;
        functions.ztell64_file = &Tell;
        functions.zseek64_file = &Seek;
        functions.zclose_file = &CloseFile;
        functions.zerror_file = &Error;
        functions.opaque = this;
        return functions;
    }

private:
    static constexpr size_t kBufferSize = 64 * 1024;

    // Reads at the position, past the buffer: false on an error. The
    // file's own pointer moves only when the read does not follow the last.
    bool ReadAt(uint64_t at, void* into, DWORD size, DWORD& got) {
        got = 0;
        LARGE_INTEGER distance;
        distance.QuadPart = LONGLONG(at);
        if ((at != filePointer_ && !SetFilePointerEx(file_.Get(), distance, nullptr, FILE_BEGIN)) ||
            !ReadFile(file_.Get(), into, size, &got, nullptr)) {
            lastError_ = GetLastError();
            filePointer_ = ~uint64_t(0); // unknown
            return false;
        }
        filePointer_ = at + got;
        return true;
    }

    static voidpf ZCALLBACK Open(voidpf opaque, const void*, int mode) {
        auto& self = *static_cast<TArchiveFile*>(opaque);
        return self.file_ && (mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) == ZLIB_FILEFUNC_MODE_READ
                   ? opaque
                   : nullptr;
    }
    static uLong ZCALLBACK Read(voidpf, voidpf stream, void* buf, uLong size) {
        auto& self = *static_cast<TArchiveFile*>(stream);
        auto* out = static_cast<uint8_t*>(buf);
        uLong done = 0;
        while (done < size) {
            if (self.position_ >= self.start_ && self.position_ < self.start_ + self.fill_) {
                const size_t offset = size_t(self.position_ - self.start_);
                const size_t n = std::min<size_t>(self.fill_ - offset, size - done);
                std::memcpy(out + done, self.buffer_.data() + offset, n);
                done += uLong(n);
                self.position_ += n;
                continue;
            }
            DWORD got = 0;
            if (size - done >= kBufferSize) {
                // A large read goes straight to its place.
                if (!self.ReadAt(self.position_, out + done, DWORD(size - done), got)) break;
                done += got;
                self.position_ += got;
            } else {
                self.buffer_.resize(kBufferSize);
                self.start_ = self.position_;
                self.fill_ = 0;
                if (!self.ReadAt(self.position_, self.buffer_.data(), DWORD(kBufferSize), got))
                    break;
                self.fill_ = got;
            }
            if (got == 0) break; // the end of the file
        }
        return done;
    }
    static uLong ZCALLBACK Write(voidpf, voidpf, const void*, uLong) { return 0; }
    static ZPOS64_T ZCALLBACK Tell(voidpf, voidpf stream) {
        return static_cast<TArchiveFile*>(stream)->position_;
    }
    static long ZCALLBACK Seek(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
        auto& self = *static_cast<TArchiveFile*>(stream);
        if (origin == ZLIB_FILEFUNC_SEEK_CUR)
            self.position_ += offset;
        else if (origin == ZLIB_FILEFUNC_SEEK_END)
            self.position_ = self.size_ + offset;
        else
            self.position_ = offset;
        return 0;
    }
    // The handle is the owner's.
    static int ZCALLBACK CloseFile(voidpf, voidpf) { return 0; }
    static int ZCALLBACK Error(voidpf, voidpf stream) {
        return static_cast<TArchiveFile*>(stream)->lastError_ != 0;
    }

    TZUXKernelHandle file_;
    uint64_t size_ = 0;
    std::vector<uint8_t> buffer_;
    uint64_t start_ = 0;       // where in the file the buffer starts
    size_t fill_ = 0;          // bytes in the buffer
    uint64_t position_ = 0;    // minizip's
    uint64_t filePointer_ = 0; // the file's
    uint32_t lastError_ = 0;
};

// The archive, read entry by entry.
class TArchiveReader {
public:
    explicit TArchiveReader(const String& fileName)
        : file_(std::make_unique<TArchiveFile>(fileName)) {
        zlib_filefunc64_def functions = file_->Functions();
        zip_ = TZUXHandle<unzFile, TUnzipCloser>(unzOpen2_64(nullptr, &functions));
    }

    bool IsOpen() const { return bool(zip_); }

    struct TItem {
        String Name; // backslashes
        uint64_t Size = 0;
        uint32_t Crc = 0;
        unz64_file_pos Position{};
    };
    // False when the directory cannot be read.
    bool List(std::vector<TItem>& items) {
        int code = unzGoToFirstFile(zip_.Get());
        while (code == UNZ_OK) {
            unz_file_info64 info;
            char name[4096];
            if (unzGetCurrentFileInfo64(zip_.Get(), &info, name, sizeof name, nullptr, 0, nullptr,
                                        0) != UNZ_OK)
                return false;
            TItem item;
            const std::string_view bytes(name, std::min<size_t>(info.size_filename, sizeof name));
            item.Name = StringReplace(
                (info.flag & (1u << 11)) ? FromUtf8(bytes) : AnsiToString(bytes), u"/", u"\\");
            item.Size = info.uncompressed_size;
            item.Crc = uint32_t(info.crc);
            unzGetFilePos64(zip_.Get(), &item.Position);
            if (!item.Name.empty() && item.Name.back() != u'\\') items.push_back(std::move(item));
            code = unzGoToNextFile(zip_.Get());
        }
        return code == UNZ_END_OF_LIST_OF_FILE;
    }

    // Writes the entry to target, replacing what is there and making its
    // folder when it is missing. False with the reason.
    bool Extract(const TItem& item, const String& target, std::vector<uint8_t>& buffer,
                 String& reason) {
        if (unzGoToFilePos64(zip_.Get(), &item.Position) != UNZ_OK ||
            unzOpenCurrentFile(zip_.Get()) != UNZ_OK) {
            reason = Format(u"The archive entry \"%s\" cannot be read", {item.Name});
            return false;
        }
        // Most targets are missing or plain files: each remedy is tried only
        // after the plain create has said why it failed.
        TZUXKernelHandle file = Create(target);
        if (!file && GetLastError() == ERROR_PATH_NOT_FOUND && ForceDirectoriesForFile(target))
            file = Create(target);
        if (!file && GetLastError() == ERROR_ACCESS_DENIED &&
            SetFileAttr(target, FILE_ATTRIBUTE_NORMAL))
            file = Create(target); // read-only, hidden or system
        if (!file && MoveFile(target, target + u".bak")) file = Create(target);
        const uint32_t createError = GetLastError();
        bool ok = bool(file);
        if (!ok) reason = Format(u"\"%s\": %s", {target, SysErrorMessage(createError)});
        while (ok) {
            const int got = unzReadCurrentFile(zip_.Get(), buffer.data(), unsigned(buffer.size()));
            if (got == 0) {
                // A longer file written by the run ends where the old one did.
                LARGE_INTEGER size{};
                FILE_END_OF_FILE_INFO end{};
                end.EndOfFile.QuadPart = LONGLONG(item.Size);
                if ((!GetFileSizeEx(file.Get(), &size) || uint64_t(size.QuadPart) > item.Size) &&
                    !SetFileInformationByHandle(file.Get(), FileEndOfFileInfo, &end, sizeof end)) {
                    reason = Format(u"\"%s\": %s", {target, SysErrorMessage(GetLastError())});
                    ok = false;
                }
                break;
            }
            DWORD written = 0;
            if (got < 0) {
                reason = Format(u"The archive entry \"%s\" is damaged", {item.Name});
                ok = false;
            } else if (!WriteFile(file.Get(), buffer.data(), DWORD(got), &written, nullptr) ||
                       written != DWORD(got)) {
                reason = Format(u"\"%s\": %s", {target, SysErrorMessage(GetLastError())});
                ok = false;
            }
        }
        // The entry's checksum is tested when it has been read to its end.
        if (unzCloseCurrentFile(zip_.Get()) != UNZ_OK && ok) {
            reason = Format(u"The archive entry \"%s\" is damaged", {item.Name});
            ok = false;
        }
        return ok;
    }

private:
    // An existing file is written over, not cut to nothing first: a file
    // system may write out at its close what a truncation left pending.
    static TZUXKernelHandle Create(const String& target) {
        return TZUXKernelHandle(CreateFileW(WStr(LongPathForm(target)), GENERIC_WRITE, 0, nullptr,
                                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    }

    std::unique_ptr<TArchiveFile> file_; // outlives zip_, which reads through it
    TZUXHandle<unzFile, TUnzipCloser> zip_;
};

// Upper-cased full paths of the files a restore keeps, and of the folders
// (with a trailing backslash) that stay even when empty: the archive's files
// go back into them, so removing them would only mean making them again.
struct TKeep {
    std::unordered_set<String> Files;
    std::unordered_set<String> Folders;
};

// Deletes the files below folder that are not kept, outside skip (a folder
// that is not entered); then the folders that became empty and are not kept.
// What a link leads to is not walked. The kept files found go to present
// with their sizes. True when nothing is left.
bool RemoveOthers(const String& folder, const TKeep& keep, const String& skip,
                  std::unordered_map<String, uint64_t>& present) {
    bool empty = true;
    std::vector<String> subfolders;
    {
        TZUXFindFileInfo info;
        if (!FindFirst(folder, String(), fkAny, info)) return true;
        do {
            const String path = info.FullPath();
            if (info.IsFolder) {
                if (IsLinkFolder(info) || (!skip.empty() && SameText(path + u"\\", skip)))
                    empty = false;
                else
                    subfolders.push_back(path + u"\\");
            } else if (String key = UpperCase(path); keep.Files.count(key)) {
                present.emplace(std::move(key), info.Size);
                empty = false;
            } else if (IsUnarchivedCache(info.Name)) {
                empty = false;
            } else if (!DeleteFile(path)) {
                // Read-only: the run's own files may be, the user's never are.
                SetFileAttr(path, FILE_ATTRIBUTE_NORMAL);
                empty = DeleteFile(path) && empty;
            }
        } while (FindNext(info));
    }
    // A folder that still holds something is not asked to go.
    for (const String& sub : subfolders)
        if (!RemoveOthers(sub, keep, skip, present) || keep.Folders.count(UpperCase(sub)) ||
            !RemoveDir(sub))
            empty = false;
    return empty;
}

// True when the file at path has this size and CRC-32; one handle serves
// both, and a missing file fails at once.
bool HoldsSame(const String& path, uint64_t size, uint32_t crc, std::vector<uint8_t>& buffer) {
    const TZUXKernelHandle file(CreateFileW(WStr(LongPathForm(path)), GENERIC_READ,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                            nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN,
                                            nullptr));
    LARGE_INTEGER actual{};
    if (!file || !GetFileSizeEx(file.Get(), &actual) || uint64_t(actual.QuadPart) != size)
        return false;
    uLong sum = crc32(0, nullptr, 0);
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file.Get(), buffer.data(), DWORD(buffer.size()), &got, nullptr)) return false;
        if (got == 0) break;
        sum = crc32(sum, buffer.data(), got);
    }
    return uint32_t(sum) == crc;
}

// The folder above path (which may end in a backslash), with its trailing
// backslash; empty at a root.
String ParentFolder(const String& path) {
    String trimmed = path;
    if (!trimmed.empty() && trimmed.back() == u'\\') trimmed.pop_back();
    const size_t slash = trimmed.rfind(u'\\');
    if (slash == String::npos || slash < 3) return String();
    return trimmed.substr(0, slash + 1);
}

} // namespace

// ---- the marker ----

bool TSetupUpdateMarker::Save(const String& fileName) const {
    TZUXIniFile ini;
    ini.WriteString(kUpdate, u"State", State);
    ini.WriteString(kUpdate, u"Archive", Archive);
    ini.WriteBool(kUpdate, u"Portable", Portable);
    ini.WriteBool(kUpdate, u"DestExisted", DestExisted);
    ini.WriteInteger(kProfiles, u"Count", int32_t(Profiles.size()));
    for (size_t i = 0; i < Profiles.size(); ++i) {
        const String n = IntToStr(int64_t(i));
        ini.WriteString(kProfiles, u"User" + n, Profiles[i].UserName);
        ini.WriteString(kProfiles, u"OldPath" + n, Profiles[i].OldPath);
        ini.WriteString(kProfiles, u"Path" + n, Profiles[i].Path);
        ini.WriteBool(kProfiles, u"PathExisted" + n, Profiles[i].PathExisted);
    }
    for (const TEntry& entry : Entries) {
        const String section = u"Entry " + entry.KeyName;
        ini.WriteBool(section, u"Existed", entry.Existed);
        ini.WriteInteger(section, u"Count", int32_t(entry.Values.size()));
        for (size_t i = 0; i < entry.Values.size(); ++i) {
            const String n = IntToStr(int64_t(i));
            ini.WriteString(section, u"Name" + n, entry.Values[i].Name);
            ini.WriteInteger(section, u"Type" + n, int32_t(entry.Values[i].Type));
            ini.WriteString(section, u"Data" + n, entry.Values[i].Data);
        }
    }
    // A marker is whole or absent: a killed write leaves only the temporary file.
    const String temporary = fileName + u".new";
    return ini.SaveToFile(temporary, TZUXEncoding::UTF16LE) &&
           MoveFileReplacing(temporary, fileName);
}

bool TSetupUpdateMarker::Load(const String& fileName) {
    if (!FileExists(fileName)) return false;
    TZUXIniFile ini;
    ini.LoadFromFile(fileName);
    if (!ini.ExistsSection(kUpdate)) return false;
    State = ini.ReadString(kUpdate, u"State", u"");
    Archive = ini.ReadString(kUpdate, u"Archive", u"");
    Portable = ini.ReadBool(kUpdate, u"Portable", false);
    DestExisted = ini.ReadBool(kUpdate, u"DestExisted", true);
    Profiles.clear();
    const int32_t profiles = ini.ReadInteger(kProfiles, u"Count", 0);
    for (int32_t i = 0; i < profiles; ++i) {
        const String n = IntToStr(i);
        TProfile profile;
        profile.UserName = ini.ReadString(kProfiles, u"User" + n, u"");
        profile.OldPath = ini.ReadString(kProfiles, u"OldPath" + n, u"");
        profile.Path = ini.ReadString(kProfiles, u"Path" + n, u"");
        profile.PathExisted = ini.ReadBool(kProfiles, u"PathExisted" + n, true);
        Profiles.push_back(std::move(profile));
    }
    Entries.clear();
    for (int s = 0; s < ini.SectionCount(); ++s) {
        const String section = ini.SectionNames(s);
        if (!StartsWith(section, u"Entry ") || section.size() <= 6) continue;
        TEntry entry;
        entry.KeyName = section.substr(6);
        entry.Existed = ini.ReadBool(section, u"Existed", false);
        const int32_t values = ini.ReadInteger(section, u"Count", 0);
        for (int32_t i = 0; i < values; ++i) {
            const String n = IntToStr(i);
            TValue value;
            value.Name = ini.ReadString(section, u"Name" + n, u"");
            value.Type = uint32_t(ini.ReadInteger(section, u"Type" + n, REG_SZ));
            value.Data = ini.ReadString(section, u"Data" + n, u"");
            entry.Values.push_back(std::move(value));
        }
        Entries.push_back(std::move(entry));
    }
    return true;
}

// ---- the run ----

String TSetupUpdateRecovery::MarkerFileName(const String& dest) {
    return BackupFolder(dest) + u"z Update in progress.ini";
}

String TSetupUpdateRecovery::RecordFileName(const String& dest) {
    return BackupFolder(dest) + u"z Update in progress (record).ini";
}

namespace {

EInstallerInstallError CannotWrite(const String& fileName) {
    return EInstallerInstallError(
        Format(u"Cannot write the file \"%s\". %s", {fileName, SysErrorMessage(GetLastError())}));
}

// The update is over: its marker and record go, and the backup folder with
// them when nothing else is in it.
void ForgetUpdate(const String& dest) {
    DeleteFile(TSetupUpdateRecovery::MarkerFileName(dest));
    DeleteFile(TSetupUpdateRecovery::RecordFileName(dest));
    RemoveDir(BackupFolder(dest));
}

} // namespace

void TSetupUpdateRecovery::Begin(const String& dest, const String& archive, bool portable,
                                 bool destExisted, const TSetupProfileInfoList& profiles) {
    const String marker = MarkerFileName(dest);
    if (FileExists(marker)) {
        TSetupUpdateMarker earlier;
        earlier.Load(marker);
        throw EInstallerInstallError(
            Format(Text(u"R2", u"The previous version could not be restored. Its files are in "
                               u"the archive \"%s\"."),
                   {BackupFolder(dest) + earlier.Archive}));
    }
    marker_ = TSetupUpdateMarker();
    record_ = TSetupUpdateRecord();
    deleteOnSuccess_.clear();
    marker_.State = u"Prepared";
    marker_.Archive = ExtractFileName(archive);
    marker_.Portable = portable;
    marker_.DestExisted = destExisted;
    for (const auto& profile : profiles)
        marker_.Profiles.push_back(
            {profile->UserName, profile->OldPath, profile->Path, DirectoryExists(profile->Path)});
    if (!portable) {
        // The entries the update tasks remove, and the one the extraction writes.
        std::vector<String> names{u"ZIVR", u"ZIVR3"};
        const String own = Setup && Setup->ProductInfo
                               ? TSetupAppRepo::GetKeyName(Setup->ProductInfo->GetProductName())
                               : String();
        if (!own.empty() && !SameText(own, u"ZIVR") && !SameText(own, u"ZIVR3"))
            names.push_back(own);
        for (const String& name : names) {
            marker_.Entries.push_back(ReadEntry(name));
            // Whole, and in both views: a new entry replaces the 32-bit one too.
            for (const bool wow : {false, true})
                record_.Keys.push_back(
                    TSetupUpdateRecord::ReadKey(TSetupAppRepo::GetKeyPath(wow) + name));
        }
    }
    // The archive holds files only; the old copy's empty folders are written down.
    const String folder = IncludeTrailingPathDelimiter(dest);
    if (destExisted) record_.AddEmptyFolders(folder, BackupFolder(folder));
    for (const auto& profile : marker_.Profiles)
        if (!StartsWith(IncludeTrailingPathDelimiter(profile.OldPath), folder, true))
            record_.AddEmptyFolders(profile.OldPath, String());
    // The record first: a marker is never without it.
    const String record = RecordFileName(dest);
    if (!ForceDirectories(BackupFolder(dest)) || !record_.Save(record)) throw CannotWrite(record);
    if (!marker_.Save(marker)) throw CannotWrite(marker);
    dest_ = folder;
    active_ = true;
    LogFmt(u"File written: %s (update in flight)", {marker});
}

bool TSetupUpdateRecovery::DeleteOnSuccess(const String& path) {
    if (!active_) return false;
    deleteOnSuccess_.push_back(path);
    return true;
}

void TSetupUpdateRecovery::KeepPaths(const std::vector<String>& paths) {
    if (!active_) return;
    for (const String& path : paths) record_.Paths.push_back(TSetupUpdateRecord::ReadPath(path));
    SaveRecord();
}

void TSetupUpdateRecovery::KeepServer(const String& dllPath) {
    if (!active_) return;
    record_.Servers.push_back(dllPath);
    SaveRecord();
}

void TSetupUpdateRecovery::SaveRecord() {
    const String fileName = RecordFileName(dest_);
    if (!record_.Save(fileName)) throw CannotWrite(fileName);
}

void TSetupUpdateRecovery::SetState(const String& state) {
    if (!active_) return;
    marker_.State = state;
    marker_.Save(MarkerFileName(dest_));
}

String TSetupUpdateRecovery::End(bool failed) {
    const bool active = active_, noBackup = noBackup_;
    active_ = noBackup_ = false;
    if (!active) {
        if (failed && noBackup)
            return Text(u"R3", u"No backup was made (NOBACKUP), so the previous version could not "
                               u"be restored.");
        return String();
    }
    std::vector<String> surplus;
    surplus.swap(deleteOnSuccess_);
    if (!failed) {
        for (const String& path : surplus) DeleteFileOrSchedule(path);
        // A fresh installation keeps no backup folder of its own.
        ForgetUpdate(dest_);
        return String();
    }
    LogFmt(u"Run failed after the old copy was touched: restoring from \"%s\"",
           {BackupFolder(dest_) + marker_.Archive});
    String reason;
    if (Restore(dest_, marker_, record_, reason)) {
        Log(u"Restored");
        ForgetUpdate(dest_);
        if (!marker_.DestExisted) RemoveDir(dest_);
        if (marker_.Archive.empty())
            return Text(u"R4", u"The files this installation had written were removed.");
        return Text(u"R1", u"The previous version was restored.");
    }
    LogFmt(u"Restore failed: %s", {reason});
    return Format(Text(u"R2", u"The previous version could not be restored. Its files are in the "
                              u"archive \"%s\"."),
                  {BackupFolder(dest_) + marker_.Archive}) +
           u"\r\n" + reason;
}

namespace {

// Until the run log exists, a script sees the notice on the standard error
// handle, where there is one.
void TellScript(const String& text) {
    const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    if (!err || err == INVALID_HANDLE_VALUE) return;
    const std::string line = ToUtf8(text) + "\n";
    DWORD written = 0;
    WriteFile(err, line.data(), DWORD(line.size()), &written, nullptr);
}

} // namespace

void TSetupUpdateRecovery::RecoverInterrupted(const String& dest) {
    if (dest.empty()) return;
    const String fileName = MarkerFileName(dest);
    TSetupUpdateMarker marker;
    try {
        if (!marker.Load(fileName)) return;
        const String folder = IncludeTrailingPathDelimiter(dest);
        // A marker of a version that kept no record restores without one.
        TSetupUpdateRecord record;
        record.Load(RecordFileName(folder));
        String reason;
        if (Restore(folder, marker, record, reason)) {
            ForgetUpdate(folder);
            if (!marker.DestExisted) RemoveDir(folder);
            Notice = marker.Archive.empty()
                         ? Text(u"R5", u"An interrupted installation was found; the files it had "
                                       u"written were removed.")
                         : Format(Text(u"R6", u"An interrupted update was found; the previous "
                                              u"version was restored from \"%s\"."),
                                  {BackupFolder(folder) + marker.Archive});
        } else {
            Notice = Format(Text(u"R2", u"The previous version could not be restored. Its files "
                                        u"are in the archive \"%s\"."),
                            {BackupFolder(folder) + marker.Archive}) +
                     u"\r\n" + reason;
        }
    } catch (const Exception& e) {
        Notice = e.Message();
    }
    TellScript(Notice);
    Log(Notice);
}

bool TSetupUpdateRecovery::Restore(const String& dest, const TSetupUpdateMarker& marker,
                                   const TSetupUpdateRecord& record, String& reason) {
    const String folder = IncludeTrailingPathDelimiter(dest);
    const String backup = BackupFolder(folder);
    // Enough for full-speed reads and writes; a larger one costs its pages.
    std::vector<uint8_t> buffer(128 * 1024);

    // Where each archived file goes back to.
    std::vector<std::pair<TArchiveReader::TItem, String>> targets;
    std::unique_ptr<TArchiveReader> archive;
    if (!marker.Archive.empty()) {
        archive = std::make_unique<TArchiveReader>(backup + marker.Archive);
        std::vector<TArchiveReader::TItem> items;
        if (!archive->IsOpen() || !archive->List(items)) {
            reason = Format(u"The archive \"%s\" cannot be read", {backup + marker.Archive});
            return false;
        }
        std::unordered_map<String, String> profileFolders;
        for (const auto& profile : marker.Profiles)
            profileFolders[UpperCase(profile.UserName)] =
                IncludeTrailingPathDelimiter(profile.OldPath);
        for (auto& item : items) {
            String target;
            if (marker.Portable) {
                target = folder + item.Name;
            } else if (StartsWith(item.Name, u"Program\\", true)) {
                target = folder + item.Name.substr(8);
            } else if (StartsWith(item.Name, u"Profiles\\", true)) {
                const String rest = item.Name.substr(9);
                const size_t slash = rest.find(u'\\');
                const auto found = slash == String::npos
                                       ? profileFolders.end()
                                       : profileFolders.find(UpperCase(rest.substr(0, slash)));
                if (found != profileFolders.end()) target = found->second + rest.substr(slash + 1);
            }
            // Names that climb out of their folder are not followed.
            if (target.empty() || target.find(u"\\..\\") != String::npos) continue;
            targets.emplace_back(std::move(item), std::move(target));
        }
    }

    // What this run wrote goes: files the archive does not hold, and new
    // profile folders. The folders the old files go back to stay.
    TKeep keep;
    for (const auto& [item, target] : targets) {
        keep.Files.insert(UpperCase(target));
        for (String up = UpperCase(ParentFolder(target));
             !up.empty() && keep.Folders.insert(up).second; up = ParentFolder(up)) {
        }
    }
    std::unordered_map<String, uint64_t> present; // kept files found, with their sizes
    RemoveOthers(folder, keep, backup, present);
    for (const auto& profile : marker.Profiles) {
        RemoveOthers(IncludeTrailingPathDelimiter(profile.OldPath), keep, String(), present);
        if (!profile.PathExisted && !SameText(IncludeTrailingPathDelimiter(profile.Path),
                                              IncludeTrailingPathDelimiter(profile.OldPath)))
            DeleteDirectory(IncludeTrailingPathDelimiter(profile.Path), true);
    }

    // The old files come back; those still intact are left as they are.
    bool ok = true;
    for (const auto& [item, target] : targets) {
        const auto found = present.find(UpperCase(target));
        if (found != present.end() && found->second == item.Size &&
            HoldsSame(target, item.Size, item.Crc, buffer))
            continue;
        String failure;
        if (!archive->Extract(item, target, buffer, failure)) {
            if (ok) reason = failure;
            ok = false;
        }
    }
    for (const auto& entry : marker.Entries) WriteEntry(entry);
    // After the files: a shell extension is registered from its restored file.
    String failure;
    if (!record.PutBack(failure)) {
        if (ok) reason = failure;
        ok = false;
    }
    return ok;
}
