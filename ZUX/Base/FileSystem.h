// Files and folders on Windows: sizes, copies, moves, deletions, folder trees,
// directory searches, the temporary and special folders, the program's own
// path. Every path goes to Windows in its long-path form; failures give false
// and raise nothing, except where a function says otherwise.
#pragma once

#include "ZUX/Base/Handle.h"
#include "ZUX/Base/StringList.h"
#include "ZUX/Base/Strings.h"

#include <atomic>
#include <cstdint>
#include <functional>

namespace ZUX {

// The kinds of entries a search reports, combined as bits.
using TZUXFileKinds = uint32_t;
inline constexpr TZUXFileKinds fkFile = 1;
inline constexpr TZUXFileKinds fkFolder = 2;
inline constexpr TZUXFileKinds fkAny = fkFile | fkFolder;

// One entry of a directory search, and the search that found it.
class TZUXFindFileInfo {
public:
    String Name;
    String Folder; // the folder searched, with a trailing backslash
    bool IsFolder = false;
    uint32_t Attributes = 0;
    uint64_t Size = 0;
    // FILETIME values: 100-ns ticks since 1601, UTC.
    uint64_t CreationTime = 0;
    uint64_t LastAccessTime = 0;
    uint64_t LastWriteTime = 0;

    String FullPath() const { return Folder + Name; }
    bool Searching() const { return bool(handle_); }

private:
    friend bool FindFirst(const String&, const String&, TZUXFileKinds, TZUXFindFileInfo&);
    friend bool FindNext(TZUXFindFileInfo&);
    friend void FindClose(TZUXFindFileInfo&);

    TZUXFindHandle handle_; // the search stays open between FindFirst and FindClose
    TZUXFileKinds kinds_ = fkAny;
    String extList_;
};

// A folder that is a junction or a symbolic link. Walks list it and never
// enter it: what lies behind belongs to somebody else, and a link may lead
// back up the tree.
bool IsLinkFolder(const TZUXFindFileInfo& info);

// Starts a search of path: a folder (ending in a backslash) is searched for
// "*", anything else is the pattern itself. Reports only entries that are not
// "." or "..", do not have the system attribute, are of a wanted kind and, for
// files, have an extension in extList (when it is not empty). False when
// nothing is found; the search is then closed already.
bool FindFirst(const String& path, const String& extList, TZUXFileKinds kinds,
               TZUXFindFileInfo& info);
// The next entry under the same rules; false (and closed) at the end.
bool FindNext(TZUXFindFileInfo& info);
// Ends the search early; the info's destructor does the same.
void FindClose(TZUXFindFileInfo& info);

// From the file's attribute data, else from a search for it; 0 when both fail.
uint64_t GetFileSize(const String& path);
// With failIfExists false an existing target is overwritten.
bool CopyFile(const String& source, const String& target, bool failIfExists);
// Fails when the target exists.
bool MoveFile(const String& source, const String& target);
// Replaces target (read-only or not) with source in one step, on the same
// volume: readers see the old file or the new one, never a part.
bool MoveFileReplacing(const String& source, const String& target);
// Fails on read-only files.
bool DeleteFile(const String& path);
// Removes an empty folder.
bool RemoveDir(const String& path);
// Creates path and every missing parent; false for an empty path.
bool ForceDirectories(const String& path);
bool ForceDirectoriesForFile(const String& path);

// Copies the files of source (filtered by extList) into target, and with
// recursive the subfolders that hold something (links are not followed). Target is created only
// when there is something to copy. Stops at the first failure.
bool CopyDirectory(const String& source, const String& target, const String& extList,
                   bool recursive);
// Deletes the files (and with recursive the subfolders) of path, then path
// itself; true only when path is gone. A read-only or system file inside
// keeps it.
bool DeleteDirectory(const String& path, bool recursive);

using TZUXEnumFilesProc = std::function<void(const TZUXFindFileInfo& info)>;
// Passes the entries of path that pass the filter to proc. With recursive the
// subfolders' contents (not those behind links) come first (depth first, in search order), then the
// entries of path itself.
void EnumFiles(const String& path, const String& extList, TZUXFileKinds kinds,
               const TZUXEnumFilesProc& proc, bool recursive);
// Appends the full path of every file directly in path whose extension is in
// extList (every file when it is empty).
void EnumFilesToList(const String& path, const String& extList, TZUXStringList& list);

// A file search over a folder tree: the files of a folder first, then its
// subfolders one after the other in natural order; links are not entered.
class TZUXSearch {
public:
    using FileProc = std::function<void(const String& fullPath)>;
    // Offered each folder (trailing backslash) before it is entered; false skips
    // it with everything below it.
    using FolderFilter = std::function<bool(const String& folder)>;

    explicit TZUXSearch(FileProc onFile);

    void SetPath(const String& path);
    const String& Path() const { return path_; }
    // Empty (the default): every file.
    void SetExtList(const String& extList) { extList_ = extList; }
    void SetFolderFilter(FolderFilter filter) { folderFilter_ = std::move(filter); }

    // Runs the search until it is done, stopped, or the callback raises EAbort.
    // Other exceptions of the callback pass through.
    void Start(bool recursive);
    // Ends a running search after the current entry; any thread may call it.
    void Stop() { running_ = false; }
    bool Running() const { return running_; }

private:
    bool Accept(const String& folder) const;

    FileProc onFile_;
    FolderFilter folderFilter_;
    String path_;
    String extList_;
    std::atomic<bool> running_{false};
};

// The system's temporary folder with a trailing backslash; raises the last
// system error when Windows cannot say.
String GetTempPath();
// Creates a new empty file named from prefix in the temporary folder and
// returns its path; raises the last system error on failure.
String GetTempFileName(const String& prefix);
// The shell's path for a CSIDL value, not created, with a trailing backslash;
// the temporary folder when the shell cannot name it.
String GetSpecialFolder(int csidl);
// The 64-bit programs' folder as the system records it, without the shell.
String GetProgramFilesFolder();
String GetAppDataFolder();
String GetDesktopFolder();
// Read from the loader once, at the first call.
String GetProgramFileName();
// With a trailing backslash.
String GetProgramFolder();
// With a trailing backslash.
String GetCurrentDir();
bool SetCurrentDir(const String& path);

// Makes a relative path, one with slashes, or one with "." or ".." components
// absolute and resolved (against the current folder), and expands 8.3 short
// names ("~"). Touches the file system.
String NormalizePath(const String& path);

// Deletes the file (read-only or not). When it is in use, it is moved into the
// temporary folder under a name beginning with "del" and deleted at the next
// restart; when it cannot be moved (another volume), it is deleted at the next
// restart where it stands. A failed deletion, move or scheduling is not reported; only a
// temporary folder or name that cannot be had raises the system's error.
void DeleteFileOrSchedule(const ZUX::String& path);

// Copies source over target. On failure raises EOSError
// "System Error.  Code: <n>.\r\n<system message><source> -> <target>".
void CopyFileOrRaise(const ZUX::String& source, const ZUX::String& target);

// Asks Windows to delete path at the next restart; the result is ignored.
void ScheduleDeleteOnReboot(const ZUX::String& path);

} // namespace ZUX
