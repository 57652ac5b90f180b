// The removal of an installed copy.
#include "product/ActionsUninstall.h"

#include "ZUX/Base/Com.h"
#include "ZUX/Base/FileAttributes.h"
#include "ZUX/Base/FileSystem.h"
#include "ZUX/Base/Paths.h"
#include "ZUX/Base/Strings.h"
#include "ZUX/Base/Win32.h"
#include "engine/Setup.h"
#include "engine/UninstallLog.h"
#include "engine/Users.h"
#include "product/Profiles.h"
#include "product/UpdateTasks.h"

#include <algorithm>
#include <shlobj.h>
#include <unordered_map>
#include <vector>

using namespace ZUX;

namespace {

constexpr StringView kLongPrefix = u"\\\\?\\";

bool IsLink(const String& path) {
    const uint32_t attributes = GetFileAttr(ExcludeTrailingPathDelimiter(path));
    return attributes != faInvalid && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// Whether folders are junctions or symbolic links, each folder asked once
// however many logged files lie below it.
class TLinkCache {
public:
    bool IsLink(const String& folder) {
        const auto [it, added] = known_.try_emplace(folder, false);
        if (added) it->second = ::IsLink(folder);
        return it->second;
    }

private:
    std::unordered_map<String, bool> known_;
};

// True when a folder between dest and path (path itself not counted) is a
// junction or symbolic link: the file behind it lies somewhere else.
bool PassesLink(const String& dest, const String& path, TLinkCache& links) {
    for (size_t i = path.find(u'\\', dest.size()); i != String::npos; i = path.find(u'\\', i + 1))
        if (links.IsLink(path.substr(0, i))) return true;
    return false;
}

// The path Windows would use, so that "C:\PROGRA~1", "c:\program files\.\" and
// "\\?\C:\Program Files" all compare equal; with a trailing backslash.
String CanonicalFolder(const String& folder) {
    String path = folder;
    if (StartsWith(path, u"\\\\?\\UNC\\", true))
        path = u"\\\\" + path.substr(8);
    else if (StartsWith(path, kLongPrefix))
        path = path.substr(kLongPrefix.size());
    std::vector<wchar_t> buffer(32768);
    DWORD n = GetFullPathNameW(WStr(path), DWORD(buffer.size()), buffer.data(), nullptr);
    if (n > 0 && n < buffer.size()) path = FromWStr(buffer.data(), n);
    n = GetLongPathNameW(WStr(path), buffer.data(), DWORD(buffer.size()));
    if (n > 0 && n < buffer.size()) path = FromWStr(buffer.data(), n);
    return IncludeTrailingPathDelimiter(path);
}

bool IsRoot(const String& folder) {
    if (IsUNCPath(folder)) {
        // \\server\share\ and anything shorter.
        const size_t share = folder.find(u'\\', 2);
        if (share == String::npos) return true;
        const size_t end = folder.find(u'\\', share + 1);
        return end == String::npos || end + 1 >= folder.size();
    }
    return folder.size() <= ExtractFileDrive(folder).size() + 1;
}

void AddKnownFolder(TZUXStringList& list, const GUID& id) {
    TZUXComMemory<wchar_t> path; // freed also after a failure
    if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, path.Put())))
        list.Add(IncludeTrailingPathDelimiter(FromWStr(path.Get())));
}

} // namespace

// ---- integration ----

TSetupActionUninstallIntegration::TSetupActionUninstallIntegration() {
    Tasks.push_back(std::make_unique<TSetupUpdateTaskRemoveShellMenu>());
    Tasks.push_back(std::make_unique<TSetupUpdateTaskRemoveShortcuts>());
    Tasks.push_back(std::make_unique<TSetupUpdateTaskRemoveFromRegistry>());
}

TSetupActionUninstallIntegration::~TSetupActionUninstallIntegration() = default;

void TSetupActionUninstallIntegration::DoExecute() {
    SetStatus(GetCommonText(u"A9"));
    const int count = int(Tasks.size());
    for (int i = 0; i < count; ++i) {
        Tasks[size_t(i)]->Execute(nullptr);
        SetProgress((i + 1) * 100 / count);
    }
}

// ---- files ----

std::unique_ptr<TZUXStringList>
TSetupActionUninstallFiles::ReadFileList(const TZUXIniFile& log, const String& dest,
                                         const TZUXStringList& placedOutside) {
    auto files = std::make_unique<TZUXStringList>();
    // Without a full destination a relative entry would name a file anywhere.
    if (ExtractFileDrive(dest).empty()) return files;
    TLinkCache links;
    for (const String& entry : TSetupUninstallLog::ReadFiles(log)) {
        const String clean = CleanFileName(entry);
        if (clean.empty()) continue; // ".." and the like: nothing left to name
        String path;
        if (ExtractFileDrive(clean).empty()) {
            path = dest + clean;
        } else if (StartsWith(clean, dest, true)) {
            path = clean;
        } else {
            // Files the script places outside the destination are logged with
            // their full paths; anything else absolute was not put there by us.
            if (placedOutside.IndexOf(clean) >= 0) files->Add(clean);
            continue;
        }
        if (!PassesLink(dest, path, links)) files->Add(path);
    }
    files->RemoveDuplicates();
    return files;
}

std::unique_ptr<TZUXStringList> TSetupActionUninstallFiles::CreateFileList() {
    TZUXIniFile log;
    log.LoadFromStream(*Resources().GetStream(UninstallLogName));
    const String& dest = Setup->DestPath;
    TZUXStringList placedOutside;
    const TSetupScriptGroup& components = *Script().Components;
    for (int i = 0; i < components.Count(); ++i) {
        const String target = Resources().ExpandFileName(components.Items(i).Name);
        if (!StartsWith(target, dest, true)) placedOutside.Add(target);
    }
    return ReadFileList(log, dest, placedOutside);
}

void TSetupActionUninstallFiles::AddSubfolders(const String& folder, TZUXStringList& list) {
    std::vector<String> subfolders;
    TZUXFindFileInfo info;
    for (bool found = FindFirst(folder, String(), fkFolder, info); found; found = FindNext(info))
        subfolders.push_back(info.FullPath() + u"\\");
    for (const String& sub : subfolders) {
        // Behind a link lies somebody else's tree: the link is removed when
        // empty of its own, never walked.
        if (!IsLink(sub)) AddSubfolders(sub, list);
        list.Insert(list.Count(), sub, dmPlain);
    }
}

bool TSetupActionUninstallFiles::IsProtectedFolder(const String& folder,
                                                   const TZUXStringList& knownFolders) {
    const String path = CanonicalFolder(folder);
    if (IsRoot(path)) return true;
    for (int i = 0; i < knownFolders.Count(); ++i)
        if (StartsWith(knownFolders.Strings(i), path, true)) return true;
    return false;
}

std::unique_ptr<TZUXStringList> TSetupActionUninstallFiles::GetKnownFolders() {
    auto list = std::make_unique<TZUXStringList>();
    static constexpr int kFolders[] = {
        CSIDL_WINDOWS,
        CSIDL_SYSTEM,
        CSIDL_SYSTEMX86,
        CSIDL_PROGRAM_FILES,
        CSIDL_PROGRAM_FILESX86,
        CSIDL_PROGRAM_FILES_COMMON,
        CSIDL_PROGRAM_FILES_COMMONX86,
        CSIDL_PROFILE,
        CSIDL_DESKTOPDIRECTORY,
        CSIDL_PERSONAL,
        CSIDL_MYMUSIC,
        CSIDL_MYPICTURES,
        CSIDL_MYVIDEO,
        CSIDL_APPDATA,
        CSIDL_LOCAL_APPDATA,
        CSIDL_STARTMENU,
        CSIDL_PROGRAMS,
        CSIDL_COMMON_DESKTOPDIRECTORY,
        CSIDL_COMMON_DOCUMENTS,
        CSIDL_COMMON_APPDATA,
        CSIDL_COMMON_STARTMENU,
        CSIDL_COMMON_PROGRAMS,
        CSIDL_COMMON_MUSIC,
        CSIDL_COMMON_PICTURES,
        CSIDL_COMMON_VIDEO,
    };
    for (const int csidl : kFolders) list->Add(GetSpecialFolder(csidl));
    AddKnownFolder(*list, FOLDERID_Downloads);
    AddKnownFolder(*list, FOLDERID_Public);
    // Every user's application data stands for that user's profile folder.
    TSetupUsers::Populate([&](const String&, const String& appData) { list->Add(appData); });
    // Made canonical once here: under Wine each look-up reads every folder
    // on the way, some thirty of them, and a check compares against all.
    auto canonical = std::make_unique<TZUXStringList>();
    for (int i = 0; i < list->Count(); ++i)
        if (!list->Strings(i).empty()) canonical->Add(CanonicalFolder(list->Strings(i)));
    return canonical;
}

bool TSetupActionUninstallFiles::IsUserModeInstallation() {
    const TZUXIniFile config(Setup->DestPath + u"ZIVR.ini");
    return config.ReadBool(u"System", u"UserMode", false);
}

std::unique_ptr<TZUXStringList>
TSetupActionUninstallFiles::CreateDirsList(const TZUXStringList& files) {
    const String& dest = Setup->DestPath;
    const bool removeBackups =
        Options().ReadBool(u"Common", u"RemoveBackups", Setup->HasFlag(sfAuto));
    const bool removeContent = Options().ReadBool(u"Common", u"RemoveContent", false);
    const auto known = GetKnownFolders();
    const bool guarded =
        ExtractFileDrive(dest).empty() || IsLink(dest) || IsProtectedFolder(dest, *known);

    auto dirs = std::make_unique<TZUXStringList>();
    if (guarded) {
        // Only the folders that hold logged files, deepest first.
        std::vector<String> folders;
        for (int i = 0; i < files.Count(); ++i) {
            const String& file = files.Strings(i);
            if (!StartsWith(file, dest, true)) continue;
            for (String f = ExtractFilePath(file); f.size() > dest.size();
                 f = ExtractFilePath(ExcludeTrailingPathDelimiter(f)))
                folders.push_back(f);
        }
        std::stable_sort(folders.begin(), folders.end(),
                         [](const String& a, const String& b) { return a.size() > b.size(); });
        for (const String& f : folders)
            if (dirs->IndexOf(f) < 0) dirs->Insert(dirs->Count(), f, dmPlain);
    } else {
        AddSubfolders(dest, *dirs);
    }

    const auto addTree = [&](const String& folder) {
        if (guarded && StartsWith(folder, dest, true)) return;
        if (IsProtectedFolder(folder, *known)) return;
        dirs->Insert(dirs->Count(), folder, dmWholeTree);
    };
    if (removeBackups) addTree(dest + u"!Backup\\");
    if (removeContent) {
        addTree(removeBackups ? dest : dest + u"Profile\\");
        if (IsUserModeInstallation())
            TSetupUsers::Populate([&](const String&, const String& appData) {
                addTree(TSetupProfileHelper::GetNewProfilePath(appData));
            });
    }
    return dirs;
}

void TSetupActionUninstallFiles::RemoveFolder(const String& path, bool wholeTree) {
    // A link goes, the tree it points to stays.
    if (!wholeTree || IsLink(path))
        RemoveDir(path);
    else
        DeleteDirectory(path, true);
}

void TSetupActionUninstallFiles::RemoveAll(const TZUXStringList& files,
                                           const TZUXStringList& dirs) {
    const int total = files.Count() + dirs.Count();
    int done = 0;
    for (int i = 0; i < files.Count(); ++i) {
        DeleteFileOrSchedule(files.Strings(i));
        SetProgress(++done * 100 / total);
    }
    for (int i = 0; i < dirs.Count(); ++i) {
        RemoveFolder(dirs.Strings(i), dirs.Tags(i) == dmWholeTree);
        SetProgress(++done * 100 / total);
    }
}

void TSetupActionUninstallFiles::DoExecute() {
    // The log first: without it nothing at all is removed.
    const auto files = CreateFileList();
    const auto dirs = CreateDirsList(*files);
    SetStatus(GetCommonText(u"A9"));
    RemoveAll(*files, *dirs);
}
