// The clean-up and migration tasks that updates and the uninstaller run on
// older installed copies, on small folders under the temporary folder.
#include "ZUX/Base/Exceptions.h"
#include "ZUX/Base/FileAttributes.h"
#include "ZUX/Base/FileSystem.h"
#include "ZUX/Base/ScopeExit.h"
#include "ZUX/Base/Win32.h"
#include "engine/Setup.h"
#include "engine/UninstallEntry.h"
#include "product/ProductZIVR.h"
#include "product/Profiles.h"
#include "product/UpdateTasks.h"
#include "tests/win/FolderLink.h"
#include "tests/win/TestFolder.h"

#include <gtest/gtest.h>

#include <shlobj.h>

using namespace ZUX;
using ZUXTest::TFolderLink;
using ZUXTest::TTestFolder;
using ZUXTest::WriteFile;

namespace {

std::vector<String> Lines(const TZUXStringList& list) {
    std::vector<String> lines;
    for (int i = 0; i < list.Count(); ++i) lines.push_back(list.Strings(i));
    return lines;
}

void Touch(const String& path) {
    ForceDirectoriesForFile(path);
    WriteFile(path);
}

class UpdateTask : public testing::Test {
protected:
    void SetUp() override {
        ProductInfoClass = [] { return std::unique_ptr<TSetupProductInfo>(new TProductInfoZIVR); };
        setup = std::make_unique<TSetup>(u"");
        dest = root / u"ZIVR\\";
        ForceDirectories(dest);
    }
    void TearDown() override {
        setup.reset();
        TSetupAppRepo::Unregister(u"ZIVR");
        TSetupAppRepo::Unregister(u"ZIVR3");
        TSetupAppRepo::Unregister(u"Test Player");
    }
    // An installed copy of that version id in dest.
    void Installed(int32_t version, const char16_t* configName = u"ZIVR.ini") {
        WriteFile(dest + configName, "[System]\r\nVersion=" + std::to_string(version) + "\r\n");
        // The engine reloads only when the folder changes.
        if (setup->DestPath == dest)
            setup->ProductInfo->Load();
        else
            setup->SetDestPath(dest);
        ASSERT_EQ(setup->ProductInfo->GetInstalledVersion(), version);
    }

    TTestFolder root;
    String dest;
    std::unique_ptr<TSetup> setup;
};

} // namespace

TEST_F(UpdateTask, ExcludeFromListDropsEveryEntryUnderPrefix) {
    TZUXStringList list;
    for (const char16_t* s : {u"C:\\T\\Skins\\a", u"c:\\t\\skins\\b", u"C:\\T\\Skinsx", u"C:\\T\\a",
                              u"C:\\T\\SKINS\\c\\d"})
        list.Add(s);
    TSetupHelper::ExcludeFromList(list, u"C:\\T\\Skins\\");
    EXPECT_EQ(Lines(list), (std::vector<String>{u"C:\\T\\Skinsx", u"C:\\T\\a"}));
}

TEST_F(UpdateTask, CopyFolderCopiesTreeAndNamesBothEndsOnFailure) {
    const String src = root / u"src\\", dst = root / u"dst\\";
    Touch(src + u"a.ini");
    Touch(src + u"sub\\deeper\\b.db");
    ForceDirectories(src + u"empty\\");
    ForceDirectories(dst);
    WriteFile(dst + u"a.ini", "old");
    WriteFile(dst + u"mine.txt");

    TSetupHelper::CopyFolder(src, dst, false);
    EXPECT_EQ(GetFileSize(dst + u"a.ini"), 1u); // overwritten
    EXPECT_TRUE(FileExists(dst + u"sub\\deeper\\b.db"));
    EXPECT_TRUE(DirectoryExists(dst + u"empty\\"));
    EXPECT_TRUE(FileExists(dst + u"mine.txt"));
    EXPECT_TRUE(FileExists(src + u"a.ini")); // the source stays

    // Same folder in another letter case: nothing at all.
    TSetupHelper::CopyFolder(src, root / u"SRC\\", false);
    // A destination inside the source is not copied into itself again.
    TSetupHelper::CopyFolder(src, src + u"sub\\copy\\", false);
    EXPECT_TRUE(FileExists(src + u"sub\\copy\\sub\\deeper\\b.db"));
    EXPECT_FALSE(DirectoryExists(src + u"sub\\copy\\sub\\copy\\"));

    const String blocked = root / u"file\\";
    WriteFile(root / u"file");
    try {
        TSetupHelper::CopyFolder(src, blocked, false);
        FAIL() << "no error";
    } catch (const EInstallerInstallError& e) {
        EXPECT_EQ(e.Message(), u"Cannot copy \"" + src + u"\" to \"" + blocked + u"\"");
    }
}

// A link in the tree (a "Music" folder pointing at the user's music) is not
// copied, nor what it leads to.
TEST_F(UpdateTask, CopyFolderLeavesLinksBehind) {
    const String src = root / u"src\\", dst = root / u"dst\\", music = root / u"music\\";
    Touch(src + u"a.ini");
    Touch(music + u"Album\\song.mp3");
    const TFolderLink link(src + u"Music", music);
    if (!IsRunningUnderWine() && !link.Made()) GTEST_SKIP() << "no folder links here";
    ASSERT_TRUE(link.Made());

    TSetupHelper::CopyFolder(src, dst, false);
    EXPECT_TRUE(FileExists(dst + u"a.ini"));
    EXPECT_FALSE(DirectoryExists(dst + u"Music\\"));
    EXPECT_TRUE(FileExists(music + u"Album\\song.mp3"));
}

TEST_F(UpdateTask, MigratesProfileOfVersion3900) {
    Installed(3900, u"ZIVR3.ini");
    const String oldProfile = root / u"AppData\\ZIVR3\\", newProfile = root / u"AppData\\ZIVR\\";
    for (const char16_t* name :
         {u"ZIVR3-cat.db", u"zivr3_menu.ini", u"ZIVR3.ini", u"ZIVR3ac.ini", u"ZIVR3ate.ini",
          u"ZIVR3-SkinLayout.ini", u"ZIVR3.bak", u"ZIVR3ate.bak", u"AlbumArts.db",
          u"AlbumArtCache.db", u"AlbumArtsForURLs.db", u"Playlists\\Default.zpl"})
        Touch(oldProfile + name);
    for (const char16_t* name : {u"Skins\\Velvet Dark.zsk4", u"Skins\\Modern.zsk4",
                                 u"System\\libsoxr.dll", u"System\\Encoders\\lame.exe",
                                 u"System\\Data\\Tags\\genres.txt", u"System\\Data\\keys.dat"})
        Touch(dest + name);

    TSetupProfileInfo profile{u"u1", newProfile, oldProfile};
    TZUXStringList list; // as the backup leaves it
    list.Add(oldProfile + u"ZIVR3.ini");
    list.Add(newProfile + u"Stale.ini");
    list.Add(dest + u"ZIVR3.ini");
    TSetupUpdateTaskUpdateConfigs(&profile).Execute(&list);

    for (const char16_t* name :
         {u"ZIVR-cat.db", u"ZIVR-ContextMenu.ini", u"ZIVR.ini", u"ZIVRac.ini", u"ZIVRate.ini",
          u"AlbumArts.Custom.db", u"Playlists\\Default.zpl"})
        EXPECT_TRUE(FileExists(newProfile + name)) << ToUtf8(name);
    EXPECT_FALSE(FileExists(newProfile + u"ZIVR3.ini"));
    EXPECT_TRUE(FileExists(oldProfile + u"ZIVR3.ini")); // emptied by the delete list only
    EXPECT_TRUE(FileExists(dest + u"ZIVR.ini"));
    EXPECT_FALSE(FileExists(dest + u"ZIVR3.ini"));
    EXPECT_EQ(Lines(list), (std::vector<String>{
                               oldProfile + u"ZIVR3.ini",
                               dest + u"ZIVR3.ini",
                               newProfile + u"ZIVR3-SkinLayout.ini",
                               newProfile + u"ZIVR3.bak",
                               newProfile + u"ZIVR3ate.bak",
                               dest + u"Skins\\Velvet Dark.zsk4",
                               newProfile + u"AlbumArts.db",
                               newProfile + u"AlbumArtCache.db",
                               dest + u"System\\libsoxr.dll",
                               dest + u"System\\Encoders\\lame.exe",
                               dest + u"System\\Data\\Tags\\genres.txt",
                               dest + u"System\\Data\\keys.dat",
                           }));
}

TEST_F(UpdateTask, MigrationStepsAreCumulativeByVersion) {
    const String profile = dest + u"Profile\\"; // a portable copy keeps it in place
    for (const char16_t* name :
         {u"Profile\\AlbumArts.db", u"Profile\\AlbumArtCache.db", u"Profile\\Settings.ini",
          u"Skins\\Dark Velvet.zsk4", u"System\\libsoxr.dll", u"System\\Encoders\\flac.exe"})
        Touch(dest + name);
    const String skins = dest + u"Skins\\Dark Velvet.zsk4", art = profile + u"AlbumArts.db",
                 cache = profile + u"AlbumArtCache.db", soxr = dest + u"System\\libsoxr.dll",
                 flac = dest + u"System\\Encoders\\flac.exe";
    struct Case {
        int32_t version;
        std::vector<String> added;
    } cases[] = {
        {4499, {skins, art, cache, soxr, flac}},
        {4500, {art, cache, soxr, flac}},
        {4600, {cache, soxr, flac}},
        {5030, {soxr, flac}},
        {5400, {soxr, flac}},
        {5401, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version);
        Installed(c.version);
        TSetupProfileInfo info{u"SingleUser", profile, profile};
        TZUXStringList list;
        list.Add(profile + u"Settings.ini");
        TSetupUpdateTaskUpdateConfigs(&info).Execute(&list);
        EXPECT_EQ(Lines(list), c.added);
    }
}

TEST_F(UpdateTask, LegacyRenameOntoExistingFileEndsTheRun) {
    Installed(3900);
    WriteFile(dest + u"ZIVR3.ini"); // both names in the destination
    const String profile = root / u"AppData\\ZIVR3\\";
    Touch(profile + u"ZIVR3.ini");
    TSetupProfileInfo info{u"u1", root / u"AppData\\ZIVR\\", profile};
    TZUXStringList list;
    EXPECT_THROW(TSetupUpdateTaskUpdateConfigs(&info).Execute(&list), EOSError);
    EXPECT_TRUE(FileExists(dest + u"ZIVR3.ini"));

    // A clash in the album-art cache step is only a cache: the run goes on.
    Installed(4900);
    const String current = root / u"AppData\\Test Player\\";
    Touch(current + u"AlbumArtsForURLs.db");
    Touch(current + u"AlbumArts.Custom.db");
    TSetupProfileInfo same{u"u1", current, current};
    EXPECT_NO_THROW(TSetupUpdateTaskUpdateConfigs(&same).Execute(&list));
    EXPECT_TRUE(FileExists(current + u"AlbumArtsForURLs.db"));
}

TEST_F(UpdateTask, RemovesShellMenuExtensions) {
    // Not loadable libraries: unregistering is skipped, deleting is not.
    Touch(dest + u"System\\zivr_menu32.dll");
    Touch(dest + u"System\\zivr_menu64.dll");
    Touch(dest + u"System\\other.dll");
    setup->SetDestPath(dest);
    TSetupUpdateTaskRemoveShellMenu().Execute(nullptr);
    EXPECT_FALSE(FileExists(dest + u"System\\zivr_menu32.dll"));
    EXPECT_FALSE(FileExists(dest + u"System\\zivr_menu64.dll"));
    EXPECT_TRUE(FileExists(dest + u"System\\other.dll"));
}

TEST_F(UpdateTask, RemovesOnlyUninstallEntriesOfThisFolder) {
    const String elsewhere = root / u"Other\\";
    ForceDirectories(elsewhere);
    TSetupAppRepo::Register(u"ZIVR", dest + u"Uninstall.exe", u"5.30", u"p", u"h");
    TSetupAppRepo::Register(u"ZIVR3", elsewhere + u"Uninstall.exe", u"3.90", u"p", u"h");
    setup->SetDestPath(dest);
    TSetupUpdateTaskRemoveUninstallInfo().Execute(nullptr);
    String path;
    EXPECT_FALSE(TSetupAppRepo::FindInstallPath(u"ZIVR", path));
    EXPECT_TRUE(TSetupAppRepo::FindInstallPath(u"ZIVR3", path));
}

TEST_F(UpdateTask, RemoveFromRegistryDropsProductEntryWithoutTool) {
    // No Elevator.exe in a folder with blanks: the start fails, nothing else runs.
    const String spaced = root / u"My Player\\";
    ForceDirectories(spaced);
    TSetupAppRepo::Register(u"Test Player", spaced + u"Uninstall.exe", u"1.23", u"p", u"h");
    setup->SetDestPath(spaced);
    TSetupUpdateTaskRemoveFromRegistry().Execute(nullptr);
    String path;
    EXPECT_FALSE(TSetupAppRepo::FindInstallPath(u"Test Player", path));
}

TEST_F(UpdateTask, RemovesShortcutsOfOldNamesByVersion) {
    auto folder = [](int csidl) {
        wchar_t buffer[MAX_PATH];
        EXPECT_EQ(SHGetFolderPathW(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, 0, buffer), S_OK);
        return FromWStr(buffer) + u"\\";
    };
    const String desktop = folder(CSIDL_DESKTOPDIRECTORY), startMenu = folder(CSIDL_STARTMENU),
                 programs = folder(CSIDL_COMMON_PROGRAMS);
    const std::vector<String> placed{desktop + u"ZIVR.lnk", desktop + u"ZIVR3.lnk",
                                     startMenu + u"ZIVR\\ZIVR.lnk",
                                     programs + u"ZIVR3\\Help\\Readme.lnk"};
    const auto cleanup = ScopeExit([placed] {
        for (const String& p : placed) DeleteFile(p);
        for (const String& p : placed) RemoveDir(p.substr(0, p.rfind(u'\\')));
    });
    for (const String& p : placed) Touch(p);

    Installed(5300); // the old name stays for copies that never used it
    TSetupUpdateTaskRemoveShortcuts().Execute(nullptr);
    EXPECT_FALSE(FileExists(placed[0]));
    EXPECT_TRUE(FileExists(placed[1]));
    EXPECT_FALSE(DirectoryExists(startMenu + u"ZIVR\\"));
    EXPECT_TRUE(FileExists(placed[3]));

    Installed(3900);
    TSetupUpdateTaskRemoveShortcuts().Execute(nullptr);
    EXPECT_FALSE(FileExists(placed[1]));
    EXPECT_FALSE(DirectoryExists(programs + u"ZIVR3\\"));
}
