// Windows side of the file-system functions. Tree walks keep their pending
// folders on the heap, not the call stack: a tree as deep as a 32,767-character
// path allows must not overflow the stack of a worker thread.
#include "ZUX/Base/FileSystem.h"
#include "ZUX/Base/Log.h"

#include "ZUX/Base/Exceptions.h"
#include "ZUX/Base/FileAttributes.h"
#include "ZUX/Base/Format.h"
#include "ZUX/Base/OSError.h"
#include "ZUX/Base/Paths.h"
#include "ZUX/Base/Registry.h"
#include "ZUX/Base/ScopeExit.h"
#include "ZUX/Base/Strings.h"
#include "ZUX/Base/Win32.h"

#include <shlobj.h>

#include <vector>

namespace ZUX {

namespace {

uint64_t Join(DWORD high, DWORD low) {
    return (uint64_t(high) << 32) | low;
}

uint64_t Ticks(const FILETIME& t) {
    return Join(t.dwHighDateTime, t.dwLowDateTime);
}

bool EndsWithSeparator(const String& p) {
    return !p.empty() && (p.back() == u'\\' || p.back() == u'/');
}

String WithoutTrailingSeparators(String p) {
    while (EndsWithSeparator(p)) p.pop_back();
    return p;
}

// Calls get(buffer, size) -> length until the buffer is large enough, as the
// Win32 functions that return the size they need do. Empty on failure.
template <typename Get> String QueryString(Get&& get, DWORD size = MAX_PATH + 1) {
    std::vector<wchar_t> buffer;
    for (int attempt = 0; attempt < 4; ++attempt) {
        buffer.resize(size);
        const DWORD n = get(buffer.data(), size);
        if (n == 0) return String();
        if (n < size) return FromWStr(buffer.data(), n);
        size = n + 1; // it needs n characters (with or without the zero)
    }
    return String();
}

bool Wanted(const WIN32_FIND_DATAW& data, TZUXFileKinds kinds, const String& extList) {
    const wchar_t* n = data.cFileName;
    if (n[0] == L'.' && (n[1] == 0 || (n[1] == L'.' && n[2] == 0))) return false;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_SYSTEM) return false;
    const bool folder = data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
    if (!(kinds & (folder ? fkFolder : fkFile))) return false;
    return folder || extList.empty() || IsExtInList(extList, ExtractFileExt(FromWStr(n)));
}

void Fill(TZUXFindFileInfo& info, const WIN32_FIND_DATAW& data) {
    info.Name = FromWStr(data.cFileName);
    info.IsFolder = data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
    info.Attributes = data.dwFileAttributes;
    info.Size = Join(data.nFileSizeHigh, data.nFileSizeLow);
    info.CreationTime = Ticks(data.ftCreationTime);
    info.LastAccessTime = Ticks(data.ftLastAccessTime);
    info.LastWriteTime = Ticks(data.ftLastWriteTime);
}

} // namespace

bool IsLinkFolder(const TZUXFindFileInfo& info) {
    return info.IsFolder && (info.Attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool FindFirst(const String& path, const String& extList, TZUXFileKinds kinds,
               TZUXFindFileInfo& info) {
    FindClose(info);
    const String pattern = EndsWithSeparator(path) ? path + u"*" : path;
    info.Folder = ExtractFilePath(pattern);
    info.kinds_ = kinds;
    info.extList_ = extList;
    WIN32_FIND_DATAW data;
    const HANDLE h = FindFirstFileExW(WStr(LongPathForm(pattern)), FindExInfoBasic, &data,
                                      FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (h == INVALID_HANDLE_VALUE) return false;
    info.handle_ = TZUXFindHandle(h);
    if (Wanted(data, kinds, extList)) {
        Fill(info, data);
        return true;
    }
    return FindNext(info);
}

bool FindNext(TZUXFindFileInfo& info) {
    if (!info.handle_) return false;
    WIN32_FIND_DATAW data;
    while (FindNextFileW(info.handle_.Get(), &data)) {
        if (Wanted(data, info.kinds_, info.extList_)) {
            Fill(info, data);
            return true;
        }
    }
    info.handle_.Close();
    return false;
}

void FindClose(TZUXFindFileInfo& info) {
    info.handle_.Close();
}

uint64_t GetFileSize(const String& path) {
    if (path.empty()) return 0;
    const String longPath = LongPathForm(path);
    WIN32_FILE_ATTRIBUTE_DATA attr;
    if (GetFileAttributesExW(WStr(longPath), GetFileExInfoStandard, &attr))
        return Join(attr.nFileSizeHigh, attr.nFileSizeLow);
    // Files the system holds open (a paging file) still show in a search; a
    // wildcard, though, would report the size of whatever matches first.
    if (path.find_first_of(u"*?") != String::npos) return 0;
    WIN32_FIND_DATAW data;
    const TZUXFindHandle search(FindFirstFileW(WStr(longPath), &data));
    if (!search) return 0;
    return Join(data.nFileSizeHigh, data.nFileSizeLow);
}

bool CopyFile(const String& source, const String& target, bool failIfExists) {
    return CopyFileW(WStr(LongPathForm(source)), WStr(LongPathForm(target)), failIfExists) != 0;
}

bool MoveFile(const String& source, const String& target) {
    return MoveFileW(WStr(LongPathForm(source)), WStr(LongPathForm(target))) != 0;
}

bool MoveFileReplacing(const String& source, const String& target) {
    SetFileAttributesW(WStr(LongPathForm(target)), FILE_ATTRIBUTE_NORMAL);
    return MoveFileExW(WStr(LongPathForm(source)), WStr(LongPathForm(target)),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool DeleteFile(const String& path) {
    if (DeleteFileW(WStr(LongPathForm(path)))) {
        LogFmt(u"File deleted: %s", {path});
        return true;
    }
    // Nothing to delete is no event worth a line.
    if (const DWORD code = GetLastError();
        code != ERROR_FILE_NOT_FOUND && code != ERROR_PATH_NOT_FOUND)
        LogOSError(u"File not deleted: " + path, code);
    return false;
}

bool RemoveDir(const String& path) {
    if (RemoveDirectoryW(WStr(LongPathForm(path)))) {
        LogFmt(u"Folder removed: %s", {path});
        return true;
    }
    const DWORD code = GetLastError();
    if (code == ERROR_DIR_NOT_EMPTY)
        LogFmt(u"Folder kept, not empty: %s", {path});
    else if (code != ERROR_FILE_NOT_FOUND && code != ERROR_PATH_NOT_FOUND)
        LogOSError(u"Folder not removed: " + path, code);
    return false;
}

bool ForceDirectories(const String& path) {
    try {
        if (path.empty()) return false;
        // Walk up to the first folder that exists, then create downwards.
        std::vector<String> missing;
        for (String dir = WithoutTrailingSeparators(path);
             !dir.empty() && !DirectoryExists(IncludeTrailingPathDelimiter(dir));) {
            missing.push_back(dir);
            const String parent = WithoutTrailingSeparators(ExtractFilePath(dir));
            if (parent.size() >= dir.size()) break; // a root that does not exist
            dir = parent;
        }
        for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
            if (CreateDirectoryW(WStr(LongPathForm(*it)), nullptr)) continue;
            // Someone else may have made it meanwhile; a file of that name is no folder.
            if (::GetLastError() != ERROR_ALREADY_EXISTS || !DirectoryExists(*it)) return false;
        }
        return true;
    } catch (...) {
        return false;
    }
}

bool ForceDirectoriesForFile(const String& path) {
    return ForceDirectories(ExtractFilePath(path));
}

bool CopyDirectory(const String& source, const String& target, const String& extList,
                   bool recursive) {
    struct Level {
        Level(String s, String t) : source(std::move(s)), target(std::move(t)) {}
        String source, target;
        TZUXFindFileInfo info;
        bool started = false;
    };
    const bool result = DirectoryExists(source);
    std::vector<Level> levels;
    levels.emplace_back(IncludeTrailingPathDelimiter(source), IncludeTrailingPathDelimiter(target));
    while (!levels.empty()) {
        Level& level = levels.back();
        const bool found = level.started ? FindNext(level.info)
                                         : FindFirst(level.source, extList, fkAny, level.info);
        level.started = true;
        // A folder with nothing to copy is not created.
        if (!found) {
            levels.pop_back();
            continue;
        }
        if (!ForceDirectories(level.target)) return false;
        const String name = level.info.Name;
        if (!level.info.IsFolder) {
            if (!CopyFile(level.source + name, level.target + name, false)) return false;
        } else if (recursive && !IsLinkFolder(level.info)) {
            String subSource = level.source + name + u"\\";
            String subTarget = level.target + name + u"\\";
            levels.emplace_back(std::move(subSource), std::move(subTarget)); // level is invalid now
        }
    }
    return result;
}

bool DeleteDirectory(const String& path, bool recursive) {
    struct Level {
        explicit Level(String f) : folder(std::move(f)) {}
        String folder;
        TZUXFindFileInfo info;
        bool started = false;
    };
    std::vector<Level> levels;
    levels.emplace_back(IncludeTrailingPathDelimiter(path));
    bool removed = false;
    while (!levels.empty()) {
        Level& level = levels.back();
        // After a failure the search is closed, so the level ends at once.
        const bool found = level.started ? FindNext(level.info)
                                         : FindFirst(level.folder, String(), fkAny, level.info);
        level.started = true;
        if (found) {
            const String full = level.info.FullPath();
            bool ok = true;
            if (!level.info.IsFolder) {
                ok = DeleteFile(full);
            } else if (recursive && IsLinkFolder(level.info)) {
                ok = RemoveDir(full); // the link goes, the folder it points to stays
            } else if (recursive) {
                levels.emplace_back(full + u"\\"); // level is invalid from here on
                continue;
            }
            if (!ok) FindClose(level.info);
            continue;
        }
        removed = RemoveDir(level.folder);
        levels.pop_back();
        if (!removed && !levels.empty()) FindClose(levels.back().info);
    }
    return removed;
}

void EnumFiles(const String& path, const String& extList, TZUXFileKinds kinds,
               const TZUXEnumFilesProc& proc, bool recursive) {
    struct Level {
        explicit Level(String f) : folder(std::move(f)) {}
        String folder;
        std::vector<String> subfolders;
        size_t next = 0;
        bool listed = false;
    };
    std::vector<Level> levels;
    levels.emplace_back(IncludeTrailingPathDelimiter(path));
    TZUXFindFileInfo info;
    while (!levels.empty()) {
        Level& level = levels.back();
        if (recursive && !level.listed) {
            level.listed = true;
            for (bool f = FindFirst(level.folder, String(), fkFolder, info); f; f = FindNext(info))
                if (!IsLinkFolder(info)) level.subfolders.push_back(info.FullPath() + u"\\");
        }
        if (level.next < level.subfolders.size()) {
            String sub = level.subfolders[level.next++];
            levels.emplace_back(std::move(sub)); // level is invalid from here on
            continue;
        }
        for (bool f = FindFirst(level.folder, extList, kinds, info); f; f = FindNext(info))
            proc(info);
        levels.pop_back();
    }
}

void EnumFilesToList(const String& path, const String& extList, TZUXStringList& list) {
    TZUXFindFileInfo info;
    for (bool f = FindFirst(IncludeTrailingPathDelimiter(path), extList, fkFile, info); f;
         f = FindNext(info))
        list.Add(info.FullPath());
}

TZUXSearch::TZUXSearch(FileProc onFile) : onFile_(std::move(onFile)) {}

void TZUXSearch::SetPath(const String& path) {
    path_ = IncludeTrailingPathDelimiter(path);
}

bool TZUXSearch::Accept(const String& folder) const {
    return !folderFilter_ || folderFilter_(folder);
}

void TZUXSearch::Start(bool recursive) {
    const auto stopped = ScopeExit([this] { running_ = false; });
    running_ = true;
    try {
        // Folders still to search, the next one last.
        std::vector<String> pending{path_};
        TZUXFindFileInfo info;
        TZUXStringList subfolders;
        while (running_ && !pending.empty()) {
            const String folder = std::move(pending.back());
            pending.pop_back();
            if (!Accept(folder)) continue;
            subfolders.Clear();
            for (bool f = FindFirst(folder, extList_, recursive ? fkAny : fkFile, info);
                 f && running_; f = FindNext(info)) {
                if (info.IsFolder) {
                    if (!IsLinkFolder(info)) subfolders.Add(info.FullPath() + u"\\");
                } else if (onFile_) {
                    onFile_(info.FullPath());
                }
            }
            subfolders.SortLogical();
            for (int i = subfolders.Count() - 1; i >= 0; --i)
                pending.push_back(subfolders.Strings(i));
        }
    } catch (const EAbort&) {
        // The callback asked to end the search.
    }
}

String GetTempPath() {
    const String path = QueryString([](wchar_t* b, DWORD n) { return GetTempPathW(n, b); });
    if (path.empty()) RaiseLastOSError();
    return IncludeTrailingPathDelimiter(path);
}

String GetTempFileName(const String& prefix) {
    const String folder = GetTempPath();
    wchar_t name[MAX_PATH];
    if (!GetTempFileNameW(WStr(folder), WStr(prefix), 0, name)) RaiseLastOSError();
    return FromWStr(name);
}

String GetSpecialFolder(int csidl) {
    wchar_t buffer[MAX_PATH] = {};
    const HRESULT hr = SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer);
    if (SUCCEEDED(hr) && buffer[0]) return IncludeTrailingPathDelimiter(FromWStr(buffer));
    try {
        return GetTempPath();
    } catch (const EOSError&) {
        return String(); // nothing left to offer; callers get no folder rather than an error
    }
}

String GetProgramFilesFolder() {
    // The system's own record, which the shell answers from: asking the shell
    // would load it, and its libraries, on the way to the first window.
    const TZUXRegKey key =
        RegOpenKey(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
                   KEY_QUERY_VALUE | KEY_WOW64_64KEY);
    const String folder = key ? RegReadStr(key, u"ProgramFilesDir") : String();
    if (!folder.empty() && folder.find(u'%') == String::npos)
        return IncludeTrailingPathDelimiter(folder);
    return GetSpecialFolder(CSIDL_PROGRAM_FILES);
}

String GetAppDataFolder() {
    return GetSpecialFolder(CSIDL_APPDATA);
}

String GetDesktopFolder() {
    // A new profile may not have its desktop folder yet; a portable copy goes there.
    return GetSpecialFolder(CSIDL_DESKTOP | CSIDL_FLAG_CREATE);
}

String GetProgramFileName() {
    // Asked once: the loader answers only under its lock, which another thread
    // may hold for milliseconds while it loads a library.
    static const String name = [] {
        // GetModuleFileNameW returns the buffer size, not the needed one, when cut.
        std::vector<wchar_t> buffer(MAX_PATH);
        for (;;) {
            const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), DWORD(buffer.size()));
            if (n == 0) return String();
            if (n < buffer.size()) return FromWStr(buffer.data(), n);
            if (buffer.size() >= 32768) return String();
            buffer.resize(buffer.size() * 2);
        }
    }();
    return name;
}

String GetProgramFolder() {
    return ExtractFilePath(GetProgramFileName());
}

String GetCurrentDir() {
    return IncludeTrailingPathDelimiter(
        QueryString([](wchar_t* b, DWORD n) { return GetCurrentDirectoryW(n, b); }));
}

bool SetCurrentDir(const String& path) {
    return SetCurrentDirectoryW(WStr(path)) != 0;
}

String NormalizePath(const String& path) {
    String result = path;
    // C:\... and \\server\... stand alone; ZIVR, C:ZIVR, \ZIVR and C:/Apps
    // depend on the current folder or are spelt unlike Windows.
    const bool absolute = (result.size() >= 3 && result[1] == u':' && result[2] == u'\\') ||
                          StartsWith(result, u"\\\\");
    if (!result.empty() &&
        (!absolute || result.find(u'/') != String::npos || result.find(u".\\") != String::npos)) {
        const String full = QueryString(
            [&](wchar_t* b, DWORD n) { return GetFullPathNameW(WStr(result), n, b, nullptr); });
        if (!full.empty()) result = full;
    }
    if (result.find(u'~') != String::npos) {
        // Expands the path as it stands now, so that a resolved ".." stays resolved.
        const String longName =
            QueryString([&](wchar_t* b, DWORD n) { return GetLongPathNameW(WStr(result), b, n); });
        if (!longName.empty()) {
            result = longName;
        } else if (FileExists(result)) {
            WIN32_FIND_DATAW data;
            const TZUXFindHandle search(FindFirstFileW(WStr(LongPathForm(result)), &data));
            if (search) result = ExtractFilePath(result) + FromWStr(data.cFileName);
        }
    }
    return result;
}

void DeleteFileOrSchedule(const String& path) {
    // Most files simply go, or are not there: one call per file, not three.
    if (ZUX::DeleteFile(path)) return;
    const uint32_t error = GetLastOSError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || !FileExists(path)) return;
    SetFileAttr(path, 0); // a read-only file goes too
    if (ZUX::DeleteFile(path)) return;
    // A running program's file cannot be deleted but can be moved: out of the
    // folder now, off the disk at the next restart.
    const String temp = ZUX::GetTempFileName(u"delete");
    ZUX::DeleteFile(temp);
    if (ZUX::MoveFile(path, temp)) {
        LogFmt(u"File in use moved out of the way: %s to %s", {path, temp});
        ScheduleDeleteOnReboot(temp);
        return;
    }
    // Another volume than the temporary folder: off the disk at the restart,
    // from where it stands.
    ZUX::DeleteFile(temp);
    LogFmt(u"File in use deleted at the next restart where it stands: %s", {path});
    ScheduleDeleteOnReboot(path);
}

void CopyFileOrRaise(const String& source, const String& target) {
    if (ZUX::CopyFile(source, target, false)) return;
    const uint32_t code = GetLastOSError();
    throw EOSError(Format(u"System Error.  Code: %d.\r\n%s%s",
                          {int64_t(code), SysErrorMessage(code), source + u" -> " + target}),
                   code);
}

void ScheduleDeleteOnReboot(const String& path) {
    if (MoveFileExW(WStr(LongPathForm(path)), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT))
        LogFmt(u"File scheduled for deletion at restart: %s", {path});
    else
        LogLastError(u"File not scheduled for deletion at restart: " + path);
}

} // namespace ZUX
