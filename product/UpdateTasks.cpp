// Clean-up and migration steps for older installed copies.
#include "product/UpdateTasks.h"

#include "ZUX/Base/FileAttributes.h"
#include "ZUX/Base/FileSystem.h"
#include "ZUX/Base/Format.h"
#include "ZUX/Base/Locale.h"
#include "ZUX/Base/OSError.h"
#include "ZUX/Base/Paths.h"
#include "ZUX/Base/ScopeExit.h"
#include "ZUX/Base/Shell.h"
#include "ZUX/Base/Strings.h"
#include "ZUX/Base/Win32.h"
#include "engine/ActiveX.h"
#include "engine/InstallerErrors.h"
#include "engine/Setup.h"
#include "engine/UninstallEntry.h"
#include "product/ProductZIVR.h"
#include "product/Profiles.h"

#include <shlobj.h>

using namespace ZUX;

namespace {

String Dest() {
    return IncludeTrailingPathDelimiter(Setup->DestPath);
}

// Null when the shell cannot name the folder: a stand-in such as the
// temporary folder would have us delete whatever is called "ZIVR" there.
bool ShellFolder(int csidl, String& path) {
    wchar_t buffer[MAX_PATH];
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer)) ||
        buffer[0] == 0)
        return false;
    path = IncludeTrailingPathDelimiter(FromWStr(buffer));
    return true;
}

// Copies the tree below source into destination; skip is a folder inside
// source that must not be walked (the destination itself, when nested).
bool CopyTree(const String& source, const String& destination, const String& skip) {
    if (!DirectoryExists(destination) && !ForceDirectories(destination)) return false;
    TZUXFindFileInfo info;
    if (!FindFirst(source, String(), fkAny, info)) return true;
    do {
        const String from = info.FullPath();
        if (info.IsFolder) {
            const String folder = from + u"\\";
            // What a link leads to is not part of the tree.
            if (IsLinkFolder(info) || (!skip.empty() && SameText(folder, skip))) continue;
            if (!CopyTree(folder, destination + info.Name + u"\\", skip)) return false;
        } else if (!ZUX::CopyFile(from, destination + info.Name, false)) {
            return false;
        }
    } while (FindNext(info));
    return true;
}

} // namespace

// ---- helpers ----

void TSetupHelper::CopyFolder(const String& source, const String& destination, bool deleteSource) {
    const String from = IncludeTrailingPathDelimiter(source);
    const String to = IncludeTrailingPathDelimiter(destination);
    if (SameText(from, to)) return;
    // A destination inside the source would otherwise be copied into itself
    // again and again.
    const String skip = StartsWith(to, from, true) ? to : String();
    if (!CopyTree(from, to, skip))
        throw EInstallerInstallError(
            Format(u"Cannot copy \"%s\" to \"%s\"", {source, destination}));
    if (deleteSource && skip.empty()) DeleteDirectory(from, true);
}

void TSetupHelper::ExcludeFromList(TZUXStringList& list, const String& prefix) {
    for (int i = list.Count() - 1; i >= 0; --i)
        if (StartsWith(list.Strings(i), prefix, true)) list.Delete(i);
}

// ---- removal tasks ----

void TSetupUpdateTaskRemoveShellMenu::Execute(TZUXStringList*) {
    const String dest = Dest();
    for (const char16_t* name : {u"System\\zivr_menu32.dll", u"System\\zivr_menu64.dll"}) {
        const String dll = dest + name;
        if (!FileExists(dll)) continue;
        if (TSetupUpdateRecovery* recovery = TProductInfoZIVR::RunRecovery())
            recovery->KeepServer(dll);
        TSetupActiveX::UnregisterServer(dll);
        DeleteFileOrSchedule(dll);
    }
}

void TSetupUpdateTaskRemoveUninstallInfo::Execute(TZUXStringList*) {
    const String dest = Dest();
    for (const char16_t* name : {u"ZIVR3", u"ZIVR"}) {
        String path;
        // Entries of copies installed elsewhere belong to those copies.
        if (TSetupAppRepo::FindInstallPath(name, path) &&
            StartsWith(IncludeTrailingPathDelimiter(path), dest, true))
            TSetupAppRepo::Unregister(name);
    }
}

void TSetupUpdateTaskRemoveShortcuts::Execute(TZUXStringList*) {
    std::vector<String> names{u"ZIVR"};
    if (ProductInfo().GetInstalledVersion() < 4000) names.push_back(u"ZIVR3");
    std::vector<String> links, trees;
    for (const String& name : names) {
        String folder;
        for (const int csidl : {CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_DESKTOPDIRECTORY})
            if (ShellFolder(csidl, folder)) links.push_back(folder + name + u".lnk");
        for (const int csidl : {CSIDL_STARTMENU, CSIDL_COMMON_PROGRAMS, CSIDL_COMMON_STARTMENU})
            if (ShellFolder(csidl, folder)) trees.push_back(folder + name + u"\\");
    }
    // A failed update puts them back as they were.
    if (TSetupUpdateRecovery* recovery = TProductInfoZIVR::RunRecovery()) {
        std::vector<String> paths(links);
        paths.insert(paths.end(), trees.begin(), trees.end());
        recovery->KeepPaths(paths);
    }
    for (const String& link : links) DeleteFileOrSchedule(link);
    // A file that cannot go keeps its folders; nothing is reported.
    for (const String& tree : trees)
        if (DirectoryExists(tree)) DeleteDirectory(tree, true);
}

void TSetupUpdateTaskRemoveFromRegistry::Execute(TZUXStringList*) {
    // Quoted: an unquoted path with blanks would start another program.
    RunAndWait(u"\"" + Dest() + u"Elevator.exe\" /REG=U");
    TSetupAppRepo::Unregister(ProductInfo().GetProductName());
}

// ---- profile migration ----

void TSetupUpdateTaskUpdateConfigs::Execute(TZUXStringList* deleteList) {
    TZUXStringList unused; // the uninstaller has no delete list
    list_ = deleteList ? deleteList : &unused;
    dest_ = Dest();
    installed_ = ProductInfo().GetInstalledVersion();
    const auto reset = ScopeExit([this] { list_ = nullptr; });

    TSetupHelper::CopyFolder(Profile->OldPath, Profile->Path, false);
    // The new profile stays; an old folder of another name is emptied.
    TSetupHelper::ExcludeFromList(*list_, Profile->Path);
    if (installed_ < 4000) MigrateLegacyNames();
    if (installed_ < 4500) RemoveOldSkins();
    if (installed_ < 4600) RemoveOldAlbumArts();
    if (installed_ < 5020) RemoveOldAlbumArtCache();
    if (installed_ < 5401) RemoveOldEncoders();
}

void TSetupUpdateTaskUpdateConfigs::MigrateLegacyNames() {
    RenameInFolder(dest_, u"ZIVR3.ini", u"ZIVR.ini");
    const String& path = Profile->Path;
    RenameInFolder(path, u"ZIVR3-cat.db", u"ZIVR-cat.db");
    RenameInFolder(path, u"zivr3_menu.ini", u"ZIVR-ContextMenu.ini");
    RenameInFolder(path, u"ZIVR3.ini", u"ZIVR.ini");
    RenameInFolder(path, u"ZIVR3ac.ini", u"ZIVRac.ini");
    RenameInFolder(path, u"ZIVR3ate.ini", u"ZIVRate.ini");
    for (const char16_t* name :
         {u"ZIVR3-SkinLayout.ini", u"ZIVR3.bak", u"ZIVR3ac.bak", u"ZIVR3ate.bak"})
        AddIfExists(path + name);
}

void TSetupUpdateTaskUpdateConfigs::RemoveOldSkins() {
    AddIfExists(dest_ + u"Skins\\Velvet Dark.zsk4");
    AddIfExists(dest_ + u"Skins\\Dark Velvet.zsk4");
}

void TSetupUpdateTaskUpdateConfigs::RemoveOldAlbumArts() {
    AddIfExists(Profile->Path + u"AlbumArts.db");
}

void TSetupUpdateTaskUpdateConfigs::RemoveOldAlbumArtCache() {
    // A cache: losing it costs the player a rebuild, never the update.
    try {
        AddIfExists(Profile->Path + u"AlbumArtCache.db");
        RenameInFolder(Profile->Path, u"AlbumArtsForURLs.db", u"AlbumArts.Custom.db");
    } catch (const std::exception&) {
    }
}

void TSetupUpdateTaskUpdateConfigs::RemoveOldEncoders() {
    AddIfExists(dest_ + u"System\\libsoxr.dll");
    DoDeleteDir(dest_ + u"System\\Encoders\\");
    DoDeleteDir(dest_ + u"System\\Data\\");
}

void TSetupUpdateTaskUpdateConfigs::AddIfExists(const String& path) {
    if (FileExists(path)) list_->Add(path);
}

void TSetupUpdateTaskUpdateConfigs::DoDeleteDir(const String& folder) {
    if (!DirectoryExists(folder)) return;
    EnumFiles(
        folder, String(), fkFile,
        [this](const TZUXFindFileInfo& info) { list_->Add(info.FullPath()); }, true);
}

void TSetupUpdateTaskUpdateConfigs::RenameInFolder(const String& folder, const String& oldName,
                                                   const String& newName) {
    const String from = folder + oldName;
    if (FileExists(from) && !ZUX::MoveFile(from, folder + newName)) RaiseLastOSError();
}
