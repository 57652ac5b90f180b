// An update is all or nothing: the marker and the record survive a round trip,
// a restore puts back the archived copy byte for byte, its empty folders, the
// registry keys and shortcuts the run removed, and removes what the run wrote;
// the free-space check refuses a volume that cannot take the run.
#include "product/UpdateRecovery.h"

#include "TestFolder.h"
#include "TestProduct.h"
#include "ZUX/Base/FileAttributes.h"
#include "ZUX/Base/FileSystem.h"
#include "ZUX/Base/Registry.h"
#include "ZUX/Base/Strings.h"
#include "engine/Setup.h"
#include "engine/UninstallEntry.h"
#include "product/ActionPrepare.h"
#include "product/FreeSpace.h"

#include <gtest/gtest.h>

using namespace ZUX;
using ZUXTest::TTestFolder;
using ZUXTest::WriteFile;

namespace {

std::string ReadAll(const String& path) {
    TZUXFileStream file(path, fmOpenRead);
    std::string bytes(size_t(file.Size()), '\0');
    file.ReadBuffer(bytes.data(), int64_t(bytes.size()));
    return bytes;
}

const String kTestEntry = u"ZIVRRecoveryTest";

TEST(UpdateRecovery, MarkerRoundTripsThroughARename) {
    TTestFolder folder;
    TSetupUpdateMarker marker;
    marker.State = u"Installing";
    marker.Archive = u"z Before install 5.62 [2026.01.02 03-04-05].zip";
    marker.Portable = false;
    marker.DestExisted = false;
    marker.Profiles.push_back(
        {u"Ann Lee", u"C:\\Users\\Ann\\ZIVR3\\", u"C:\\Users\\Ann\\ZIVR\\", false});
    marker.Entries.push_back(
        {u"ZIVR",
         true,
         {{u"DisplayName", REG_SZ, u"ZIVR = player"}, {u"NoModify", REG_DWORD, u"1"}}});
    const String file = folder / u"marker.ini";
    ASSERT_TRUE(marker.Save(file));
    EXPECT_FALSE(FileExists(file + u".new"));

    TSetupUpdateMarker read;
    ASSERT_TRUE(read.Load(file));
    EXPECT_EQ(read.State, marker.State);
    EXPECT_EQ(read.Archive, marker.Archive);
    EXPECT_FALSE(read.DestExisted);
    ASSERT_EQ(read.Profiles.size(), 1u);
    EXPECT_EQ(read.Profiles[0].UserName, u"Ann Lee");
    EXPECT_EQ(read.Profiles[0].Path, u"C:\\Users\\Ann\\ZIVR\\");
    EXPECT_FALSE(read.Profiles[0].PathExisted);
    ASSERT_EQ(read.Entries.size(), 1u);
    ASSERT_EQ(read.Entries[0].Values.size(), 2u);
    EXPECT_EQ(read.Entries[0].Values[0].Data, u"ZIVR = player");
    EXPECT_EQ(read.Entries[0].Values[1].Type, uint32_t(REG_DWORD));

    EXPECT_FALSE(read.Load(folder / u"missing.ini"));
}

TEST(UpdateRecovery, RestorePutsTheArchivedCopyBackAndRemovesWhatTheRunWrote) {
    TTestFolder dest, profile, newProfile, shortcuts;
    WriteFile(dest / u"ZIVR.exe", "old program");
    ForceDirectories(dest / u"Skins");
    ForceDirectories(dest / u"Plugins\\Empty");
    ForceDirectories(profile / u"Downloads");
    // What the preparation removes besides files: an entry in the 32-bit view
    // with a subkey and a binary value, a desktop link, a start menu folder.
    const String wowKey = TSetupAppRepo::GetKeyPath(true) + kTestEntry;
    RegDeleteKeyTree(HKEY_LOCAL_MACHINE, wowKey);
    {
        const TZUXRegKey key = RegOpenKeyWrite(HKEY_LOCAL_MACHINE, wowKey + u"\\Sub", true);
        const unsigned char bytes[] = {0, 1, 0xfe, 0xff};
        RegSetValueExW(key, L"Blob", 0, REG_BINARY, bytes, sizeof bytes);
        RegWriteStr(RegOpenKeyWrite(HKEY_LOCAL_MACHINE, wowKey, true), u"DisplayName", u"old 32");
    }
    const std::string link("L\0\0\0\x01\x14\x02 binary link", 20);
    WriteFile(shortcuts / u"ZIVR.lnk", link);
    ForceDirectories(shortcuts / u"ZIVR\\Tools\\Empty");
    WriteFile(shortcuts / u"ZIVR\\Tools\\Help.lnk", "help");
    WriteFile(dest / u"Skins\\Night Sky.zsk4", std::string(300000, 's'));
    WriteFile(dest / u"AlbumArts.db", "cache");
    WriteFile(profile / u"ZIVR.ini", "old settings");
    {
        ForceDirectories(dest / u"!Backup");
        TSetupZipWriter zip(dest / u"!Backup\\before.zip");
        zip.AddFile(profile / u"ZIVR.ini", u"Profiles\\Ann\\ZIVR.ini");
        zip.AddFile(dest / u"ZIVR.exe", u"Program\\ZIVR.exe");
        zip.AddFile(dest / u"Skins\\Night Sky.zsk4", u"Program\\Skins\\Night Sky.zsk4");
        zip.Close();
    }
    TSetupUpdateRecord record;
    record.Keys.push_back(TSetupUpdateRecord::ReadKey(wowKey));
    record.Keys.push_back(TSetupUpdateRecord::ReadKey(wowKey + u"2"));
    record.Paths.push_back(TSetupUpdateRecord::ReadPath(shortcuts / u"ZIVR.lnk"));
    record.Paths.push_back(TSetupUpdateRecord::ReadPath(shortcuts / u"ZIVR\\"));
    record.Paths.push_back(TSetupUpdateRecord::ReadPath(shortcuts / u"ZIVR3\\"));
    record.AddEmptyFolders(dest.Path(), dest / u"!Backup\\");
    record.AddEmptyFolders(profile.Path(), String());
    // Through its file, as after a killed run.
    ASSERT_TRUE(record.Save(dest / u"!Backup\\record.ini"));
    ASSERT_TRUE(record.Load(dest / u"!Backup\\record.ini"));
    ASSERT_EQ(record.EmptyFolders.size(), 2u);

    // What a failed run leaves: old files gone or overwritten, new ones written.
    DeleteFile(dest / u"Skins\\Night Sky.zsk4");
    RemoveDir(dest / u"Plugins\\Empty");
    RemoveDir(profile / u"Downloads");
    RegDeleteKeyTree(HKEY_LOCAL_MACHINE, wowKey);
    RegWriteStr(RegOpenKeyWrite(HKEY_LOCAL_MACHINE, wowKey + u"2", true), u"DisplayName", u"new");
    DeleteFile(shortcuts / u"ZIVR.lnk");
    DeleteDirectory(shortcuts / u"ZIVR\\", true);
    ForceDirectories(shortcuts / u"ZIVR3");
    WriteFile(shortcuts / u"ZIVR3\\new.lnk", "new");
    WriteFile(dest / u"ZIVR.exe", "new program");
    SetFileAttr(dest / u"ZIVR.exe", FILE_ATTRIBUTE_READONLY);
    ForceDirectories(dest / u"Plugins\\New");
    WriteFile(dest / u"Plugins\\New\\new.dll", "new");
    WriteFile(dest / u"Uninstall.exe", "new");
    WriteFile(profile / u"ZIVR.ini", "migrated");
    WriteFile(profile / u"added.ini", "new");
    const String createdProfile = newProfile / u"ZIVR\\";
    ForceDirectories(createdProfile);
    WriteFile(createdProfile + u"ZIVR.ini", "copy");
    RegDeleteKeyTree(HKEY_LOCAL_MACHINE, TSetupAppRepo::GetKeyPath(false) + kTestEntry);
    RegWriteStr(
        RegOpenKeyWrite(HKEY_LOCAL_MACHINE, TSetupAppRepo::GetKeyPath(false) + kTestEntry, true),
        u"DisplayName", u"written by the run");

    TSetupUpdateMarker marker;
    marker.Archive = u"before.zip";
    marker.Profiles.push_back({u"Ann", profile.Path(), createdProfile, false});
    marker.Entries.push_back(
        {kTestEntry,
         true,
         {{u"DisplayName", REG_SZ, u"old entry"}, {u"NoRepair", REG_DWORD, u"1"}}});
    marker.Entries.push_back({kTestEntry + u"2", false, {}});
    String reason;
    ASSERT_TRUE(TSetupUpdateRecovery::Restore(dest.Path(), marker, record, reason))
        << ToUtf8(reason);

    EXPECT_EQ(ReadAll(dest / u"ZIVR.exe"), "old program");
    EXPECT_EQ(ReadAll(dest / u"Skins\\Night Sky.zsk4"), std::string(300000, 's'));
    EXPECT_EQ(ReadAll(profile / u"ZIVR.ini"), "old settings");
    EXPECT_EQ(ReadAll(dest / u"AlbumArts.db"), "cache"); // never archived, never touched
    for (const String& gone : {dest / u"Plugins\\New\\new.dll", dest / u"Uninstall.exe",
                               profile / u"added.ini", createdProfile + u"ZIVR.ini"})
        EXPECT_FALSE(FileExists(gone)) << ToUtf8(gone);
    EXPECT_FALSE(FileExists(dest / u"Plugins\\New\\new.dll"));
    EXPECT_TRUE(DirectoryExists(dest / u"Plugins\\Empty"));
    EXPECT_FALSE(DirectoryExists(dest / u"Plugins\\New"));
    EXPECT_TRUE(DirectoryExists(profile / u"Downloads"));
    EXPECT_FALSE(DirectoryExists(createdProfile));
    EXPECT_TRUE(FileExists(dest / u"!Backup\\before.zip"));

    const String key = TSetupAppRepo::GetKeyPath(false) + kTestEntry;
    EXPECT_EQ(RegReadStr(HKEY_LOCAL_MACHINE, key, u"DisplayName"), u"old entry");
    EXPECT_EQ(RegReadInt(RegOpenKeyRead(HKEY_LOCAL_MACHINE, key), u"NoRepair", 0), 1);
    RegDeleteKeyTree(HKEY_LOCAL_MACHINE, key);

    EXPECT_EQ(RegReadStr(HKEY_LOCAL_MACHINE, wowKey, u"DisplayName"), u"old 32");
    {
        const TZUXRegKey sub = RegOpenKeyRead(HKEY_LOCAL_MACHINE, wowKey + u"\\Sub");
        unsigned char bytes[8] = {};
        DWORD type = 0, size = sizeof bytes;
        ASSERT_EQ(RegQueryValueExW(sub, L"Blob", nullptr, &type, bytes, &size), ERROR_SUCCESS);
        EXPECT_EQ(type, DWORD(REG_BINARY));
        EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), size),
                  std::string("\0\1\xfe\xff", 4));
    }
    EXPECT_FALSE(RegOpenKeyRead(HKEY_LOCAL_MACHINE, wowKey + u"2"));
    RegDeleteKeyTree(HKEY_LOCAL_MACHINE, wowKey);
    EXPECT_EQ(ReadAll(shortcuts / u"ZIVR.lnk"), link);
    EXPECT_EQ(ReadAll(shortcuts / u"ZIVR\\Tools\\Help.lnk"), "help");
    EXPECT_TRUE(DirectoryExists(shortcuts / u"ZIVR\\Tools\\Empty"));
    EXPECT_FALSE(DirectoryExists(shortcuts / u"ZIVR3")); // made by the run
}

// Whatever the failed run left where an old file belongs, the old bytes come
// back: the file is written over in place, cut where the old one ended, its
// folder made again, a read-only mark cleared, a folder in its way removed.
TEST(UpdateRecovery, EachOldFileComesBackOverWhateverTheRunLeft) {
    struct TCase {
        const char16_t* name;
        std::string old;
        std::string left; // empty: the run removed it
        DWORD attributes = FILE_ATTRIBUTE_NORMAL;
    };
    const std::string longer(70000, 'n'), shorter = "short";
    const TCase cases[] = {
        {u"removed.ini", "old", ""},
        {u"Gone\\Deeper\\removed.dll", "old library", ""},
        {u"longer.txt", "old text", longer},
        {u"shorter.txt", std::string(90000, 'o'), shorter},
        {u"same size.txt", "old bytes", "new bytes"},
        {u"read-only.exe", "old program", longer, FILE_ATTRIBUTE_READONLY},
        {u"hidden.db", "old data", shorter, FILE_ATTRIBUTE_HIDDEN},
        {u"Folder in the way", "old file", ""},
    };
    TTestFolder dest;
    ForceDirectories(dest / u"!Backup");
    {
        TSetupZipWriter zip(dest / u"!Backup\\before.zip");
        for (const TCase& c : cases)
            zip.AddData(c.old.data(), c.old.size(), String(u"Program\\") + c.name);
        zip.Close();
    }
    for (const TCase& c : cases) {
        if (c.left.empty()) continue;
        WriteFile(dest / c.name, c.left);
        SetFileAttr(dest / c.name, c.attributes);
    }
    ForceDirectories(dest / u"Gone");
    ForceDirectories(dest / u"Folder in the way");
    WriteFile(dest / u"Folder in the way\\new.dll", "new");

    TSetupUpdateMarker marker;
    marker.Archive = u"before.zip";
    String reason;
    ASSERT_TRUE(TSetupUpdateRecovery::Restore(dest.Path(), marker, {}, reason)) << ToUtf8(reason);
    for (const TCase& c : cases) {
        SCOPED_TRACE(ToUtf8(c.name));
        EXPECT_EQ(ReadAll(dest / c.name), c.old);
    }
}

// An archive whose directory and largest entry each outgrow one read of the
// file comes back whole, and files already intact are not written again.
TEST(UpdateRecovery, ALargeArchiveComesBackWholeAndIntactFilesStay) {
    TTestFolder dest;
    ForceDirectories(dest / u"!Backup");
    std::string big(300000, '\0');
    uint32_t seed = 12345; // not compressible, so the entry is large in the archive too
    for (char& c : big) c = char((seed = seed * 1103515245u + 12345u) >> 24);
    const String longName(120, u'n');
    const int count = 600;
    {
        TSetupZipWriter zip(dest / u"!Backup\\before.zip");
        for (int i = 0; i < count; ++i) {
            const std::string text = "file " + std::to_string(i);
            zip.AddData(text.data(), text.size(),
                        u"Program\\Many\\" + IntToStr(i) + longName + u".txt");
        }
        zip.AddData(big.data(), big.size(), u"Program\\big.bin");
        zip.Close();
    }
    // One file already holds its old bytes: it keeps its time.
    ForceDirectories(dest / u"Many");
    const String intact = dest / (u"Many\\7" + longName + u".txt");
    WriteFile(intact, "file 7");
    FILETIME before{};
    {
        const TZUXKernelHandle file(CreateFileW(WStr(intact), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                                OPEN_EXISTING, 0, nullptr));
        before.dwLowDateTime = 0x12345678; // long ago
        before.dwHighDateTime = 0x01c00000;
        ASSERT_TRUE(SetFileTime(file.Get(), nullptr, nullptr, &before));
    }

    TSetupUpdateMarker marker;
    marker.Archive = u"before.zip";
    String reason;
    ASSERT_TRUE(TSetupUpdateRecovery::Restore(dest.Path(), marker, {}, reason)) << ToUtf8(reason);
    EXPECT_EQ(ReadAll(dest / u"big.bin"), big);
    for (int i = 0; i < count; ++i)
        ASSERT_EQ(ReadAll(dest / (u"Many\\" + IntToStr(i) + longName + u".txt")),
                  "file " + std::to_string(i));
    WIN32_FILE_ATTRIBUTE_DATA after{};
    ASSERT_TRUE(GetFileAttributesExW(WStr(intact), GetFileExInfoStandard, &after));
    EXPECT_EQ(after.ftLastWriteTime.dwLowDateTime, before.dwLowDateTime);
    EXPECT_EQ(after.ftLastWriteTime.dwHighDateTime, before.dwHighDateTime);
}

TEST(UpdateRecovery, AShellExtensionIsRegisteredAgainFromItsRestoredFile) {
    // The demo's stand-in notes each call of its registration exports beside itself.
    const String standIn =
        NormalizePath(GetProgramFolder() + u"..\\..\\demo\\standins\\zivr_menu64.dll");
    if (!FileExists(standIn)) GTEST_SKIP() << "build demo_zivr_menu64 first";
    TTestFolder folder;
    ASSERT_TRUE(ZUX::CopyFile(standIn, folder / u"zivr_menu64.dll", false));
    TSetupUpdateRecord record;
    record.Servers = {folder / u"zivr_menu64.dll", folder / u"gone.dll"};
    String reason;
    ASSERT_TRUE(record.PutBack(reason)) << ToUtf8(reason);
    EXPECT_NE(ReadAll(folder / u"zivr_menu64.log").find("DllRegisterServer"), std::string::npos);
}

TEST(UpdateRecovery, RestoreWithoutItsArchiveSaysWhichArchive) {
    TTestFolder dest;
    WriteFile(dest / u"ZIVR.exe", "new");
    TSetupUpdateMarker marker;
    marker.Archive = u"gone.zip";
    String reason;
    EXPECT_FALSE(TSetupUpdateRecovery::Restore(dest.Path(), marker, {}, reason));
    EXPECT_NE(reason.find(u"gone.zip"), String::npos);
    EXPECT_TRUE(FileExists(dest / u"ZIVR.exe")); // nothing removed without a way back
}

TEST(FreeSpace, FiguresReadAsPeopleWriteThem) {
    const struct {
        uint64_t bytes;
        const char16_t* text;
    } cases[] = {
        {0, u"0 bytes"},        {1023, u"1023 bytes"},        {1024, u"1.0 KB"},
        {1536, u"1.5 KB"},      {1024 * 1024 + 1, u"1.1 MB"}, // rounded up: never less than needed
        {5ull << 30, u"5.0 GB"}};
    for (const auto& c : cases) EXPECT_EQ(TSetupFreeSpace::FormatBytes(c.bytes), c.text) << c.bytes;
    EXPECT_EQ(TSetupFreeSpace::FormatBytes(1024 * 1024 + 1, false), u"1.0 MB");
}

TEST(FreeSpace, RefusesAVolumeThatCannotTakeTheRun) {
    TTestFolder folder;
    const TSetupProductInfoClass saved = ProductInfoClass;
    ProductInfoClass = [] {
        return std::unique_ptr<TSetupProductInfo>(new ZUXTest::TInertProduct);
    };
    {
        TSetup setup(u"/AUTO=\"" + folder.Path() + u"\" /SILENT");
        setup.Resources->InitializeLanguages(1033);
        const auto available = TSetupFreeSpace::Available(folder / u"not\\yet\\there\\");
        ASSERT_TRUE(available.has_value());
        EXPECT_NO_THROW(TSetupFreeSpace::Check(folder.Path(), 0));
        try {
            TSetupFreeSpace::Check(folder.Path(), *available + (1ull << 40));
            ADD_FAILURE() << "not refused";
        } catch (const EInstallerInstallError& e) {
            EXPECT_NE(e.Message().find(ExtractFileDrive(folder.Path())), String::npos);
            EXPECT_NE(e.Message().find(TSetupFreeSpace::FormatBytes(*available + (1ull << 40))),
                      String::npos);
        }
        EXPECT_GT(TSetupFreeSpace::RunBytes(), GetFileSize(GetProgramFileName()));
    }
    ProductInfoClass = saved;
}

} // namespace
