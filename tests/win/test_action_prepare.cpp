// Preparation of the destination (backup archive, delete list, clean-up) and
// the closing of running players. Archives are read back with minizip's
// reader, independent of the writer's own bookkeeping.
#include "product/ActionCloseApplications.h"
#include "product/ActionPrepare.h"

#include "FolderLink.h"
#include "TestFolder.h"
#include "ZUX/Base/FileAttributes.h"
#include "ZUX/Base/FileSystem.h"
#include "ZUX/Base/Handle.h"
#include "ZUX/Base/Locale.h"
#include "ZUX/Base/OSError.h"
#include "ZUX/Base/ScopeExit.h"
#include "ZUX/Base/Strings.h"
#include "ZUX/Base/Win32.h"
#include "engine/Setup.h"

#include <minizip/unzip.h>
// After unzip.h, which defines what it needs.
#include <minizip/iowin32.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>

using namespace ZUX;
using ZUXTest::TFolderLink;
using ZUXTest::TTestFolder;
using ZUXTest::WriteFile;

namespace {

struct PrepareProduct : TSetupProductInfo {
    static inline int32_t installed = 0;
    bool CanUpdate() override { return installed > 0; }
    bool IsPortable() override { return false; }
    int32_t GetInstalledVersion() override { return installed; }
    void Load() override {}
    void PopulateActions(const std::function<void(TSetupActionClass)>&) override {}
    void PopulatePages(const std::function<void(TSetupPageClass)>&) override {}
};

struct ZipEntry {
    uLong flag = 0;
    uLong method = 0;
    uLong versionNeeded = 0;
    tm_unz date{};
    std::string data;
};

// Entry name (UTF-8 as stored) -> entry.
std::map<std::string, ZipEntry> ReadZip(const String& path) {
    zlib_filefunc64_def functions;
    fill_win32_filefunc64W(&functions);
    const std::unique_ptr<void, int (*)(unzFile)> zip(unzOpen2_64(WStr(path), &functions),
                                                      &unzClose);
    std::map<std::string, ZipEntry> entries;
    if (!zip) {
        ADD_FAILURE() << "not a readable archive: " << ToUtf8(path);
        return entries;
    }
    for (int more = unzGoToFirstFile(zip.get()); more == UNZ_OK;
         more = unzGoToNextFile(zip.get())) {
        unz_file_info64 info{};
        char name[1024];
        EXPECT_EQ(
            unzGetCurrentFileInfo64(zip.get(), &info, name, sizeof name, nullptr, 0, nullptr, 0),
            UNZ_OK);
        ZipEntry& entry = entries[name];
        entry.flag = info.flag;
        entry.method = info.compression_method;
        entry.versionNeeded = info.version_needed;
        entry.date = info.tmu_date;
        EXPECT_EQ(unzOpenCurrentFile(zip.get()), UNZ_OK);
        char buffer[65536];
        for (int n; (n = unzReadCurrentFile(zip.get(), buffer, sizeof buffer)) > 0;)
            entry.data.append(buffer, size_t(n));
        // Checks the CRC as well.
        EXPECT_EQ(unzCloseCurrentFile(zip.get()), UNZ_OK) << name;
        EXPECT_EQ(entry.data.size(), info.uncompressed_size) << name;
    }
    return entries;
}

std::string ReadBytes(const String& path) {
    TZUXFileStream file(path, fmOpenRead | fmShareDenyNone);
    std::string bytes(size_t(file.Size()), '\0');
    file.ReadBuffer(bytes.data(), int64_t(bytes.size()));
    return bytes;
}

void SetFileYear(const String& path, WORD year) {
    const TZUXKernelHandle file(
        CreateFileW(WStr(path), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    SYSTEMTIME st{};
    st.wYear = year;
    st.wMonth = 1;
    st.wDay = 1;
    FILETIME ft;
    SystemTimeToFileTime(&st, &ft);
    ASSERT_TRUE(SetFileTime(file.Get(), nullptr, nullptr, &ft));
}

class ActionPrepare : public testing::Test {
protected:
    void SetUp() override {
        saved_ = ProductInfoClass;
        ProductInfoClass = [] { return std::unique_ptr<TSetupProductInfo>(new PrepareProduct); };
        PrepareProduct::installed = 0;
    }
    void TearDown() override {
        setup.reset();
        ProductInfoClass = saved_;
    }
    // A setup for dest with exactly these flags (no rule of the command line
    // drops one).
    void Make(const String& dest, uint8_t flags) {
        setup.reset();
        setup = std::make_unique<TSetup>(u"/AUTO=\"" + dest + u"\" /SILENT");
        setup->Resources->InitializeLanguages(1033);
        setup->Flags = uint8_t(flags | FlagBit(sfAuto) | FlagBit(sfSilent));
        ASSERT_TRUE(SameText(IncludeTrailingPathDelimiter(setup->DestPath), dest));
    }
    // The archives in dest's backup folder.
    static TZUXStringList& Archives(const String& dest, TZUXStringList& list) {
        list.Clear();
        EnumFilesToList(dest + u"!Backup\\", u"*.zip;", list);
        list.Sort();
        return list;
    }

    TTestFolder folder;
    std::unique_ptr<TSetup> setup;

private:
    TSetupProductInfoClass saved_ = nullptr;
};

} // namespace

TEST_F(ActionPrepare, BackupNameFollowsVersionAndLocalTime) {
    Make(folder.Path(), FlagBit(sfPortable));
    SYSTEMTIME t{};
    t.wYear = 2024;
    t.wMonth = 3;
    t.wDay = 7;
    t.wHour = 14;
    t.wMinute = 5;
    t.wSecond = 9;
    EXPECT_EQ(TSetupActionPrepare::GetBackupFileName(t),
              folder.Path() + u"!Backup\\z Before install 1.23 [2024.03.07 14-05-09].zip");
}

// An update of a per-machine copy with two users' profiles: everything goes
// into the archive under its names, then the old copy is cleaned up.
TEST_F(ActionPrepare, UpdateArchivesProfilesAndProgramThenCleansUp) {
    const String dest = folder / u"ZIVR\\";
    const String skin = dest + u"Skins\\Blue skin.zsk";
    for (const String& f : {dest + u"Player.exe", dest + u"AlbumArts.db", skin,
                            dest + u"Plugins\\zivr_Walnut\\old.dll", dest + u"Plugins\\mine.dll",
                            dest + u"!Backup\\notes.txt", folder / u"A1\\Test Player\\ZIVR.ini",
                            folder / u"A2\\Test Player\\sub\\list.m3u"}) {
        ASSERT_TRUE(ForceDirectoriesForFile(f));
        WriteFile(f, ToUtf8(u"content of " + ExtractFileName(f)));
    }
    // A player holding its skin open for writing does not stop the backup.
    const TZUXKernelHandle held(CreateFileW(WStr(skin), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                            OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    SetFileYear(dest + u"Player.exe", 2001);

    PrepareProduct::installed = 5301;
    Make(dest, FlagBit(sfUpdate));
    TSetupActionPrepare action;
    action.EnumerateUsers = [&](const TSetupUsers::TCallback& report) {
        report(u"Anna", folder / u"A1\\");
        report(u"Nobody", folder / u"A3\\"); // no profile: not listed
        report(u"Boris", folder / u"A2\\");
    };
    std::vector<int32_t> progress;
    action.OnProgress = [&](TSetupAction& a) { progress.push_back(a.Progress()); };
    SYSTEMTIME now;
    GetLocalTime(&now);
    action.DoExecute();

    ASSERT_EQ(action.Profiles->Count(), 2);
    EXPECT_EQ(action.Profiles->Items(1).UserName, u"Boris");
    // Copies from 4000 on keep their integration: only the two migrations.
    EXPECT_EQ(action.Tasks.size(), 2u);
    // Counted before the caches leave the archive list, so the steps done
    // (tasks + archived files) fall one short; Execute ends on 100.
    EXPECT_EQ(action.Total, 2 + 7);
    EXPECT_EQ(action.Position, 2 + 6);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_EQ(progress.back(), 89);

    TZUXStringList archives;
    ASSERT_EQ(Archives(dest, archives).Count(), 1);
    EXPECT_EQ(archives.Strings(0), action.BackupFileName);
    const auto entries = ReadZip(action.BackupFileName);
    std::vector<std::string> names;
    for (const auto& [name, entry] : entries) {
        names.push_back(name);
        EXPECT_EQ(entry.method, uLong(Z_DEFLATED)) << name;
        EXPECT_TRUE(entry.flag & (1u << 11)) << name;
        // Stamped when archived, not with the file's own time.
        EXPECT_EQ(entry.date.tm_year, uInt(now.wYear)) << name;
        EXPECT_EQ(entry.date.tm_mon + 1, uInt(now.wMonth)) << name;
    }
    EXPECT_EQ(names, (std::vector<std::string>{
                         "Profiles/Anna/ZIVR.ini",
                         "Profiles/Boris/sub/list.m3u",
                         "Program/Player.exe",
                         "Program/Plugins/mine.dll",
                         "Program/Plugins/zivr_Walnut/old.dll",
                         "Program/Skins/Blue skin.zsk",
                     }));
    EXPECT_EQ(entries.at("Program/Player.exe").data, "content of Player.exe");
    EXPECT_EQ(entries.at("Program/Skins/Blue skin.zsk").data, "content of Blue skin.zsk");

    // Kept: the user's plug-ins and skins, the backup folder's own files.
    // Gone: the component, the cache, the obsolete plug-in with its folder.
    EXPECT_TRUE(FileExists(skin));
    EXPECT_TRUE(FileExists(dest + u"Plugins\\mine.dll"));
    EXPECT_TRUE(FileExists(dest + u"!Backup\\notes.txt"));
    EXPECT_FALSE(FileExists(dest + u"Player.exe"));
    EXPECT_FALSE(FileExists(dest + u"AlbumArts.db"));
    EXPECT_FALSE(DirectoryExists(dest + u"Plugins\\zivr_Walnut\\"));
    // The profiles moved to the new version's folder.
    EXPECT_EQ(ReadBytes(folder / u"A1\\ZIVR3\\ZIVR.ini"), "content of ZIVR.ini");
    EXPECT_TRUE(FileExists(folder / u"A2\\ZIVR3\\sub\\list.m3u"));
}

// Six archives before the run: the three whose names sort last remain,
// whether or not this run adds one.
TEST_F(ActionPrepare, OldBackupsAreTrimmedToTheLastThree) {
    for (const bool backup : {false, true}) {
        SCOPED_TRACE(backup ? "with a new archive" : "without");
        const String dest = folder / (backup ? u"B\\" : u"A\\");
        const String old = dest + u"!Backup\\";
        for (int day = 1; day <= 6; ++day)
            ASSERT_TRUE(ForceDirectoriesForFile(old + u"z Before install 1.00 [2020.01.0" +
                                                IntToStr(day) + u" 10-00-00].ZIP"));
        for (int day = 1; day <= 6; ++day)
            WriteFile(old + u"z Before install 1.00 [2020.01.0" + IntToStr(day) +
                      u" 10-00-00].ZIP");
        WriteFile(old + u"readme.txt");
        ASSERT_TRUE(ForceDirectories(old + u"keep\\"));
        WriteFile(old + u"keep\\a.zip");
        WriteFile(dest + u"user.txt");

        Make(dest, FlagBit(sfPortable) | (backup ? 0 : FlagBit(sfNoBackup)));
        TSetupActionPrepare action;
        action.DoExecute();

        TZUXStringList archives;
        Archives(dest, archives);
        ASSERT_EQ(archives.Count(), 3);
        const int firstOld = backup ? 5 : 4;
        for (int i = 0; i < archives.Count(); ++i) {
            const String expected = i == 2 && backup
                                        ? action.BackupFileName
                                        : old + u"z Before install 1.00 [2020.01.0" +
                                              IntToStr(firstOld + i) + u" 10-00-00].ZIP";
            EXPECT_EQ(archives.Strings(i), expected);
        }
        EXPECT_TRUE(FileExists(old + u"readme.txt"));
        EXPECT_TRUE(FileExists(old + u"keep\\a.zip"));
        // A portable backup archives the plain relative names; without one
        // the user's files stay.
        if (backup) {
            EXPECT_EQ(ReadZip(action.BackupFileName).count("user.txt"), 1u);
        }
        EXPECT_EQ(FileExists(dest + u"user.txt"), !backup);
    }
}

TEST_F(ActionPrepare, TheNewArchiveStaysWhenOlderOnesSortAfterIt) {
    // Archives of a later version, written by an older setup run afterwards,
    // sort after this run's archive of version 1.00.
    const String dest = folder.Path();
    const String old = dest + u"!Backup\\";
    ASSERT_TRUE(ForceDirectories(old));
    for (const char16_t* version : {u"9.10", u"9.20", u"9.30", u"10.00"})
        WriteFile(old + u"z Before install " + version + u" [2020.01.01 10-00-00].zip");
    WriteFile(dest + u"user.txt");
    Make(dest, FlagBit(sfPortable));
    TSetupActionPrepare action;
    action.DoExecute();

    ASSERT_FALSE(action.BackupFileName.empty());
    EXPECT_EQ(ReadZip(action.BackupFileName).count("user.txt"), 1u);
    TZUXStringList archives;
    Archives(dest, archives);
    EXPECT_EQ(archives.Count(), 3);
    EXPECT_GE(archives.IndexOf(action.BackupFileName), 0);
}

TEST_F(ActionPrepare, ALinkInTheDestinationIsNeitherArchivedNorFollowed) {
    const String dest = folder / u"Player\\", music = folder / u"My Music\\";
    ASSERT_TRUE(ForceDirectories(music));
    ASSERT_TRUE(ForceDirectories(dest));
    WriteFile(music + u"song.mp3", "the user's own");
    WriteFile(dest + u"old.dll");
    // One link in the copy, one in an obsolete folder whose files all go.
    ASSERT_TRUE(ForceDirectories(dest + u"Plugins\\Falcon\\"));
    WriteFile(dest + u"Plugins\\Falcon\\f.dll");
    const TFolderLink link(dest + u"Music", music),
        obsolete(dest + u"Plugins\\Falcon\\Music", music);
    if (!IsRunningUnderWine() && !(link.Made() && obsolete.Made()))
        GTEST_SKIP() << "no folder links here";
    ASSERT_TRUE(link.Made() && obsolete.Made());
    Make(dest, FlagBit(sfPortable));
    TSetupActionPrepare action;
    action.DoExecute();

    EXPECT_EQ(ReadBytes(music + u"song.mp3"), "the user's own");
    const auto entries = ReadZip(action.BackupFileName);
    EXPECT_EQ(entries.count("old.dll"), 1u);
    EXPECT_EQ(entries.count("Music/song.mp3"), 0u);
    EXPECT_EQ(entries.count("Plugins/Falcon/Music/song.mp3"), 0u);
    EXPECT_FALSE(FileExists(dest + u"old.dll"));
    EXPECT_FALSE(FileExists(dest + u"Plugins\\Falcon\\f.dll"));
}

TEST_F(ActionPrepare, NoBackupLeavesTheCopyButComponentsAndObsoleteFiles) {
    const String dest = folder.Path();
    for (const char16_t* f : {u"Player.exe", u"libVorbis.dll", u"Plugins\\a.dll",
                              u"Plugins\\Falcon\\f.dll", u"Skins\\s.zsk", u"notes.txt"}) {
        ASSERT_TRUE(ForceDirectoriesForFile(dest + f));
        WriteFile(dest + f);
    }
    PrepareProduct::installed = 5301;
    Make(dest, FlagBit(sfPortable) | FlagBit(sfUpdate) | FlagBit(sfNoBackup));
    TSetupActionPrepare action;
    action.DoExecute();

    EXPECT_FALSE(DirectoryExists(dest + u"!Backup\\"));
    EXPECT_EQ(action.Total, 0);
    EXPECT_TRUE(FileExists(dest + u"notes.txt"));
    EXPECT_TRUE(FileExists(dest + u"Skins\\s.zsk"));
    for (const char16_t* f : {u"Player.exe", u"libVorbis.dll", u"Plugins\\a.dll"})
        EXPECT_FALSE(FileExists(dest + f)) << ToUtf8(f);
    EXPECT_FALSE(DirectoryExists(dest + u"Plugins\\Falcon\\"));
}

TEST_F(ActionPrepare, UnreadableFileStopsTheBackupBeforeAnythingIsDeleted) {
    const String dest = folder.Path();
    const String locked = dest + u"Data\\locked.bin";
    for (const String& f : {dest + u"Player.exe", dest + u"AlbumArts.db", locked}) {
        ASSERT_TRUE(ForceDirectoriesForFile(f));
        WriteFile(f, "12345");
    }
    const TZUXKernelHandle exclusive(
        CreateFileW(WStr(locked), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(exclusive);

    Make(dest, FlagBit(sfPortable));
    TSetupActionPrepare action;
    try {
        action.DoExecute();
        FAIL() << "the backup went on";
    } catch (const EInstallerBackupError& e) {
        const String head = u"An error occurs while backuping the \"" + locked + u"\" file (5)\r\n";
        EXPECT_TRUE(StartsWith(e.Message(), head)) << e.what();
        EXPECT_NE(e.Message().find(u"Cannot open file"), String::npos) << e.what();
        EXPECT_TRUE(EndsWith(Trim(e.Message()), Trim(SysErrorMessage(ERROR_SHARING_VIOLATION))))
            << e.what();
    }
    for (const String& f : {dest + u"Player.exe", dest + u"AlbumArts.db", locked})
        EXPECT_TRUE(FileExists(f)) << ToUtf8(f);
    // What was written stays a readable archive.
    TZUXStringList archives;
    ASSERT_EQ(Archives(dest, archives).Count(), 1);
    EXPECT_LE(ReadZip(archives.Strings(0)).size(), 1u);
}

TEST_F(ActionPrepare, RefusesDrivesAndFoldersOfWindowsAndUsers) {
    const std::pair<int, bool> folders[] = {
        {CSIDL_WINDOWS, true},          {CSIDL_PROGRAM_FILES, true}, {CSIDL_PROFILE, true},
        {CSIDL_DESKTOPDIRECTORY, true}, {CSIDL_PERSONAL, true},
    };
    for (const auto& [csidl, _] : folders) {
        const String path = GetSpecialFolder(csidl);
        EXPECT_THROW(TSetupActionPrepare::CheckDestination(path), EInstallerInstallError)
            << ToUtf8(path);
    }
    for (const char16_t* path : {u"C:\\", u"D:\\", u"C:\\Users\\", u"relative\\ZIVR\\"})
        EXPECT_THROW(TSetupActionPrepare::CheckDestination(path), EInstallerInstallError)
            << ToUtf8(path);
    for (const String& path : {GetSpecialFolder(CSIDL_PROGRAM_FILES) + u"ZIVR\\",
                               GetSpecialFolder(CSIDL_DESKTOPDIRECTORY) + u"ZIVR\\", folder.Path()})
        EXPECT_NO_THROW(TSetupActionPrepare::CheckDestination(path)) << ToUtf8(path);

    // A whole run into the documents folder touches nothing there.
    const String documents = GetSpecialFolder(CSIDL_PERSONAL);
    ASSERT_TRUE(ForceDirectories(documents));
    const String probe = documents + u"zivr-prepare-probe.txt";
    WriteFile(probe);
    Make(documents, FlagBit(sfPortable));
    TSetupActionPrepare action;
    EXPECT_THROW(action.DoExecute(), EInstallerInstallError);
    EXPECT_TRUE(FileExists(probe));
    EXPECT_FALSE(DirectoryExists(documents + u"!Backup\\"));
    DeleteFile(probe);
}

// Zip64 headers forced on every entry, as files from 3 GiB on get them. The
// entry names carry the non-ASCII characters: Wine here cannot create such
// file names on disk (the host has no UTF-8 locale for it).
TEST_F(ActionPrepare, Zip64EntriesAndUtf8NamesReadBack) {
    std::string big(300 * 1024, '\0');
    for (size_t i = 0; i < big.size(); ++i) big[i] = char((i * 7919) >> 5);
    WriteFile(folder / u"big.bin", big);
    WriteFile(folder / u"empty.bin", "");
    const String archive = folder / u"z64.zip";
    {
        TSetupZipWriter zip(archive, 0);
        zip.AddFile(folder / u"big.bin", u"Program\\big.bin");
        zip.AddFile(folder / u"empty.bin", u"Program\\Skins\\Ünïcode скин.zsk");
        zip.Close();
    }
    const auto entries = ReadZip(archive);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries.at("Program/big.bin").data, big);
    const auto& unicode = entries.at(ToUtf8(u"Program/Skins/Ünïcode скин.zsk"));
    EXPECT_EQ(unicode.data, "");
    EXPECT_TRUE(unicode.flag & (1u << 11));
    // The local headers announce Zip64 (version 4.5 needed to extract).
    const std::string bytes = ReadBytes(archive);
    ASSERT_GE(bytes.size(), 30u);
    EXPECT_EQ(uint8_t(bytes[4]), 45);

    // Below the threshold the classic headers stay.
    {
        TSetupZipWriter zip(archive, TSetupZipWriter::DefaultZip64Threshold);
        zip.AddFile(folder / u"big.bin", u"big.bin");
    } // closed by the destructor
    EXPECT_EQ(uint8_t(ReadBytes(archive)[4]), 20);
    EXPECT_EQ(ReadZip(archive).at("big.bin").data, big);
}

// From 65535 entries on the entry count lives in the Zip64 end record; a
// reader that finds none sees a broken archive.
TEST_F(ActionPrepare, ManyEntriesGetZip64EndRecords) {
    const String archive = folder / u"many.zip";
    constexpr int kEntries = 0x10000 + 5;
    {
        TSetupZipWriter zip(archive);
        for (int i = 0; i < kEntries; ++i) zip.AddData("1", 1, IntToStr(i));
        zip.Close();
    }
    zlib_filefunc64_def functions;
    fill_win32_filefunc64W(&functions);
    const std::unique_ptr<void, int (*)(unzFile)> zip(unzOpen2_64(WStr(archive), &functions),
                                                      &unzClose);
    ASSERT_TRUE(zip);
    unz_global_info64 global{};
    ASSERT_EQ(unzGetGlobalInfo64(zip.get(), &global), UNZ_OK);
    EXPECT_EQ(global.number_entry, ZPOS64_T(kEntries));
    EXPECT_EQ(unzLocateFile(zip.get(), "65540", 0), UNZ_OK);
}

// ---- closing running players ----

namespace {

struct TestWindowClass {
    static inline int closeRequests = 0;
    static LRESULT CALLBACK Stubborn(HWND h, UINT m, WPARAM w, LPARAM l) noexcept {
        if (m == WM_CLOSE) {
            ++closeRequests;
            return 0; // never closes
        }
        return DefWindowProcW(h, m, w, l);
    }
    static LRESULT CALLBACK Obliging(HWND h, UINT m, WPARAM w, LPARAM l) noexcept {
        return DefWindowProcW(h, m, w, l); // WM_CLOSE destroys the window
    }

    TestWindowClass(const wchar_t* name, WNDPROC proc) : name(name) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = name;
        // Another test may have registered the class with its own procedure.
        UnregisterClassW(name, GetModuleHandleW(nullptr));
        RegisterClassW(&wc);
        window = CreateWindowExW(0, name, L"test", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    }
    ~TestWindowClass() {
        if (IsWindow(window)) DestroyWindow(window);
        UnregisterClassW(name, GetModuleHandleW(nullptr));
    }
    TestWindowClass(const TestWindowClass&) = delete;
    TestWindowClass& operator=(const TestWindowClass&) = delete;

    const wchar_t* name;
    HWND window = nullptr;
};

} // namespace

TEST(CloseApplications, ClosesPlayersAndGivesUpOnOneThatNeverCloses) {
    const auto restore = ScopeExit([saved = ProductInfoClass] { ProductInfoClass = saved; });
    ProductInfoClass = [] { return std::unique_ptr<TSetupProductInfo>(new PrepareProduct); };
    TSetup setup(u"/AUTO /SILENT");
    setup.Resources->InitializeLanguages(1033);
    {
        TSetupActionCloseApplications idle;
        idle.PassDelayMs = 1;
        idle.DoExecute();
        EXPECT_EQ(idle.Passes(), 1); // nothing to close: one pass
    }
    TestWindowClass library(L"TZIVRLibMainForm", &TestWindowClass::Obliging);
    TestWindowClass player(L"TZIVRMainForm", &TestWindowClass::Stubborn);
    if (!library.window || !player.window) GTEST_SKIP() << "no top-level windows here";
    TestWindowClass::closeRequests = 0;

    TSetupActionCloseApplications action;
    action.MaxPasses = 4;
    action.PassDelayMs = 1;
    action.DoExecute();
    EXPECT_EQ(action.Passes(), 4);
    EXPECT_EQ(TestWindowClass::closeRequests, 4);
    EXPECT_FALSE(IsWindow(library.window));
    EXPECT_TRUE(IsWindow(player.window));
    EXPECT_EQ(TSetupActionCloseApplications::ApplicationWindowClasses().back(), u"TZIVRMainForm");
}
