// Removal of an installed copy. The uninstall log is handed in directly; the
// test program's own package carries none.
#include "product/ActionsUninstall.h"

#include "TestFolder.h"
#include "TestProduct.h"
#include "ZUX/Base/FileAttributes.h"
#include "ZUX/Base/FileSystem.h"
#include "ZUX/Base/Locale.h"
#include "ZUX/Base/ScopeExit.h"
#include "ZUX/Base/Strings.h"
#include "engine/Setup.h"

#include <shlobj.h>

#include <gtest/gtest.h>

using namespace ZUX;
using ZUXTest::TTestFolder;
using ZUXTest::WriteFile;

namespace {

using UninstProduct = ZUXTest::TInertProduct;

class ActionUninst : public testing::Test {
protected:
    void SetUp() override {
        saved_ = ProductInfoClass;
        ProductInfoClass = [] { return std::unique_ptr<TSetupProductInfo>(new UninstProduct); };
    }
    void TearDown() override {
        setup.reset();
        ProductInfoClass = saved_;
    }
    void Make(const String& dest) {
        setup.reset();
        setup = std::make_unique<TSetup>(u"/AUTO=\"" + dest + u"\" /SILENT");
        setup->Resources->InitializeLanguages(1033);
        ASSERT_TRUE(SameText(setup->DestPath, dest)) << ToUtf8(setup->DestPath);
    }
    // What the action does after reading its log.
    void Uninstall(const TZUXIniFile& log) {
        TSetupActionUninstallFiles action;
        const auto files = action.ReadFileList(log, setup->DestPath, TZUXStringList());
        const auto dirs = action.CreateDirsList(*files);
        action.RemoveAll(*files, *dirs);
        EXPECT_EQ(action.Progress(), files->Count() + dirs->Count() ? 100 : 0);
    }

    std::unique_ptr<TSetup> setup;

private:
    TSetupProductInfoClass saved_ = nullptr;
};

std::unique_ptr<TZUXIniFile> MakeLog(std::initializer_list<String> entries) {
    auto log = std::make_unique<TZUXIniFile>();
    int k = 0;
    for (const String& e : entries) log->WriteString(u"Uninstall", IntToStr(k++), e);
    log->WriteInteger(u"Uninstall", u"Count", k);
    return log;
}

} // namespace

TEST(ActionUninstLog, EntriesStayInsideTheDestination) {
    const String dest = u"C:\\Games\\ZIVR\\";
    TZUXStringList placed;
    placed.Add(u"C:\\Users\\Public\\Desktop\\ZIVR Readme.txt");
    const auto log = MakeLog({
        u"Player.exe",
        u"..\\..\\evil.dll",                // cleaned, never climbed
        u"Plugins\\..\\..\\Windows\\x.dll", // the same in the middle
        u"Plugins/a.dll",
        u"PLAYER.EXE",                                  // a repeat, once only
        u"C:\\Windows\\System32\\kernel32.dll",         // absolute, not ours
        u"\\\\server\\share\\x.dll",                    // likewise
        u"\\\\?\\C:\\Windows\\win.ini",                 // likewise
        u"C:\\games\\zivr\\Skins\\a.zsk4",              // absolute but inside
        u"c:\\users\\public\\desktop\\zivr readme.txt", // where the script puts a file
        u"..",                                          // names nothing
        u"",
    });
    const auto files = TSetupActionUninstallFiles::ReadFileList(*log, dest, placed);
    EXPECT_EQ(files->Text(), u"C:\\Games\\ZIVR\\Player.exe\r\n"
                             u"C:\\Games\\ZIVR\\evil.dll\r\n"
                             u"C:\\Games\\ZIVR\\Plugins\\Windows\\x.dll\r\n"
                             u"C:\\Games\\ZIVR\\Plugins\\a.dll\r\n"
                             u"C:\\games\\zivr\\Skins\\a.zsk4\r\n"
                             u"c:\\users\\public\\desktop\\zivr readme.txt\r\n");

    // A forged count reads no further than the lines there are.
    TZUXIniFile forged;
    forged.WriteString(u"Uninstall", u"Count", u"2000000000");
    forged.WriteString(u"Uninstall", u"0", u"a.txt");
    EXPECT_EQ(TSetupActionUninstallFiles::ReadFileList(forged, dest, placed)->Text(),
              u"C:\\Games\\ZIVR\\a.txt\r\n");
    EXPECT_EQ(TSetupActionUninstallFiles::ReadFileList(TZUXIniFile(), dest, placed)->Count(), 0);
}

TEST(ActionUninstGuard, RootsAndWellKnownFoldersAreProtected) {
    TZUXStringList known;
    known.Add(u"C:\\Windows\\");
    known.Add(u"C:\\Users\\John\\AppData\\Roaming\\");
    const std::pair<const char16_t*, bool> cases[] = {
        {u"C:\\", true},
        {u"D:\\", true},
        {u"\\\\server\\share\\", true},
        {u"\\\\server\\share\\ZIVR\\", false},
        {u"C:\\Windows\\", true},
        {u"c:\\windows", true},
        {u"\\\\?\\C:\\Windows\\", true},
        {u"C:\\Windows\\ZIVR\\", false},
        {u"C:\\Users\\", true},       // holds profiles
        {u"C:\\Users\\John\\", true}, // a profile
        {u"C:\\Users\\John\\Apps\\ZIVR\\", false},
        {u"C:\\Users\\John\\AppData\\Roaming\\ZIVR\\", false},
    };
    for (const auto& [folder, isProtected] : cases)
        EXPECT_EQ(TSetupActionUninstallFiles::IsProtectedFolder(folder, known), isProtected)
            << ToUtf8(folder);

    // The machine's own folders.
    const auto real = TSetupActionUninstallFiles::GetKnownFolders();
    const String programFiles = GetSpecialFolder(CSIDL_PROGRAM_FILES);
    EXPECT_TRUE(TSetupActionUninstallFiles::IsProtectedFolder(programFiles, *real));
    EXPECT_TRUE(
        TSetupActionUninstallFiles::IsProtectedFolder(GetSpecialFolder(CSIDL_PROFILE), *real));
    EXPECT_TRUE(TSetupActionUninstallFiles::IsProtectedFolder(
        GetSpecialFolder(CSIDL_COMMON_DESKTOPDIRECTORY), *real));
    EXPECT_FALSE(TSetupActionUninstallFiles::IsProtectedFolder(programFiles + u"ZIVR\\", *real));
}

TEST_F(ActionUninst, RemovesLoggedFilesFoldersAndChosenContent) {
    struct Case {
        const char* name;
        int removeBackups, removeContent; // -1: not set
        bool backupGone, profileGone, destGone;
    } const cases[] = {
        {"silent defaults", -1, -1, true, false, false},
        {"content only", 0, 1, false, true, false},
        {"both", 1, 1, true, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TTestFolder root;
        const String dest = root / u"inst\\ZIVR\\";
        for (const char16_t* f : {u"Player.exe", u"Plugins\\a.dll", u"Plugins\\mine.txt",
                                  u"Skins\\Old\\s.zsk4", u"!Backup\\b.zip", u"Profile\\p.ini"}) {
            ForceDirectoriesForFile(dest + f);
            WriteFile(dest + f);
        }
        ForceDirectories(dest + u"Empty\\Deeper\\");
        WriteFile(root / u"evil.dll");
        ForceDirectories(root / u"outside\\");
        WriteFile(root / u"outside\\victim.txt");

        Make(dest);
        if (c.removeBackups >= 0)
            setup->Options->WriteBool(u"Common", u"RemoveBackups", c.removeBackups);
        if (c.removeContent >= 0)
            setup->Options->WriteBool(u"Common", u"RemoveContent", c.removeContent);
        Uninstall(*MakeLog({u"Player.exe", u"Plugins\\a.dll", u"Skins\\Old\\s.zsk4",
                            u"..\\..\\evil.dll", root / u"outside\\victim.txt"}));

        // Whatever the log says, nothing outside the destination goes.
        EXPECT_TRUE(FileExists(root / u"evil.dll"));
        EXPECT_TRUE(FileExists(root / u"outside\\victim.txt"));
        EXPECT_FALSE(FileExists(dest + u"Player.exe"));
        EXPECT_FALSE(DirectoryExists(dest + u"Skins\\"));
        EXPECT_FALSE(DirectoryExists(dest + u"Empty\\"));
        EXPECT_EQ(FileExists(dest + u"Plugins\\mine.txt"), !c.destGone);
        EXPECT_EQ(DirectoryExists(dest + u"!Backup\\"), !c.backupGone);
        EXPECT_EQ(DirectoryExists(dest + u"Profile\\"), !c.profileGone);
        EXPECT_EQ(DirectoryExists(dest), !c.destGone);
        setup.reset();
    }
}

TEST_F(ActionUninst, ProtectedDestinationLosesOnlyWhatWasLogged) {
    // A copy unpacked straight into the public documents: removing "everything"
    // must not take the folder's other content with it.
    const String docs = GetSpecialFolder(CSIDL_COMMON_DOCUMENTS);
    ASSERT_TRUE(DirectoryExists(docs));
    const String mine = u"zivr-uninst-";
    const std::vector<String> created = {
        mine + u"logged.exe",          mine + u"dir\\logged.dll",
        mine + u"dir\\own.txt",        mine + u"keep.txt",
        mine + u"sub\\logged.dll",     u"Profile\\" + mine + u"p.ini",
        u"!Backup\\" + mine + u"b.zip"};
    const auto cleanup = ZUX::ScopeExit([docs, mine] {
        for (const String& d : {mine + u"dir\\", mine + u"sub\\", mine + u"empty\\"})
            ZUXTest::RemoveTree(docs + d);
        ZUX::DeleteFile(docs + mine + u"logged.exe");
        ZUX::DeleteFile(docs + mine + u"keep.txt");
        ZUX::DeleteFile(docs + u"Profile\\" + mine + u"p.ini");
        ZUX::DeleteFile(docs + u"!Backup\\" + mine + u"b.zip");
        RemoveDir(docs + u"Profile\\");
        RemoveDir(docs + u"!Backup\\");
    });
    for (const String& f : created) {
        ForceDirectoriesForFile(docs + f);
        WriteFile(docs + f);
    }
    ForceDirectories(docs + mine + u"empty\\");

    Make(docs);
    setup->Options->WriteBool(u"Common", u"RemoveBackups", true);
    setup->Options->WriteBool(u"Common", u"RemoveContent", true);
    Uninstall(
        *MakeLog({mine + u"logged.exe", mine + u"dir\\logged.dll", mine + u"sub\\logged.dll"}));

    EXPECT_TRUE(DirectoryExists(docs));
    EXPECT_FALSE(FileExists(docs + mine + u"logged.exe"));
    EXPECT_FALSE(FileExists(docs + mine + u"dir\\logged.dll"));
    EXPECT_FALSE(DirectoryExists(docs + mine + u"sub\\")); // emptied by the removal
    EXPECT_TRUE(FileExists(docs + mine + u"dir\\own.txt"));
    EXPECT_TRUE(FileExists(docs + mine + u"keep.txt"));
    EXPECT_TRUE(DirectoryExists(docs + mine + u"empty\\")); // not ours to tidy
    EXPECT_TRUE(FileExists(docs + u"Profile\\" + mine + u"p.ini"));
    EXPECT_TRUE(FileExists(docs + u"!Backup\\" + mine + u"b.zip"));
}

TEST_F(ActionUninst, PerUserCopiesListEveryUsersProfile) {
    TTestFolder root;
    Make(root.Path());
    setup->Options->WriteBool(u"Common", u"RemoveContent", true);
    TSetupActionUninstallFiles action;
    const auto wholeTrees = [&] {
        String text;
        const auto dirs = action.CreateDirsList(TZUXStringList());
        for (int i = 0; i < dirs->Count(); ++i)
            if (dirs->Tags(i) == dmWholeTree) text += dirs->Strings(i) + u"|";
        return text;
    };
    // No configuration: counted as portable, only the copy's own profile.
    EXPECT_EQ(wholeTrees(), root / u"!Backup\\|" + root / u"|");
    WriteFile(root / u"ZIVR.ini", "[System]\r\nUserMode=1\r\n");
    ASSERT_TRUE(action.IsUserModeInstallation());
    // Version id 1230 of the test product: the profile folder of old versions.
    EXPECT_NE(wholeTrees().find(GetAppDataFolder() + u"ZIVR3\\|"), String::npos);
}

TEST_F(ActionUninst, LinksInsideTheDestinationAreNotFollowed) {
    TTestFolder root;
    const String dest = root / u"ZIVR\\";
    ForceDirectories(dest);
    ForceDirectories(root / u"elsewhere\\");
    WriteFile(root / u"elsewhere\\victim.txt");
    if (!CreateSymbolicLinkW(WStr(dest + u"Plugins"), WStr(root / u"elsewhere"),
                             SYMBOLIC_LINK_FLAG_DIRECTORY))
        GTEST_SKIP() << "no folder links here";
    // Wine 8 makes the link but does not resolve paths through it.
    if (!FileExists(dest + u"Plugins\\victim.txt")) GTEST_SKIP() << "folder links not followed";

    Make(dest);
    setup->Options->WriteBool(u"Common", u"RemoveBackups", true);
    setup->Options->WriteBool(u"Common", u"RemoveContent", true);
    Uninstall(*MakeLog({u"Plugins\\victim.txt"}));
    EXPECT_TRUE(FileExists(root / u"elsewhere\\victim.txt"));
    EXPECT_FALSE(DirectoryExists(dest));
}

TEST_F(ActionUninst, IntegrationUndoesTheRegistrationAndShellMenu) {
    const String tool = NormalizePath(GetProgramFolder() + u"..\\..\\demo\\standins\\Elevator.exe");
    if (!FileExists(tool)) GTEST_SKIP() << "build demo_elevator first: " << ToUtf8(tool);
    TTestFolder root;
    const String dest = root / u"ZIVR\\";
    ForceDirectories(dest + u"System\\");
    ASSERT_TRUE(CopyFile(tool, dest + u"Elevator.exe", false));
    // Not a loadable library: unregistering skips it, the file still goes.
    WriteFile(dest + u"System\\zivr_menu64.dll", "not a library");

    Make(dest);
    TSetupActionUninstallIntegration action;
    ASSERT_EQ(action.Tasks.size(), 3u);
    action.DoExecute();
    EXPECT_EQ(action.Progress(), 100);
    std::unique_ptr<TZUXBufferedFileStream> log;
    ASSERT_TRUE(OpenFileForReading(dest + u"Elevator.log", log));
    EXPECT_EQ(log->ReadToEnd(), "/REG=U\n");
    EXPECT_FALSE(FileExists(dest + u"System\\zivr_menu64.dll"));
}
