// File-system functions under Wine.
#include "ZUX/Base/FileSystem.h"

#include "FolderLink.h"
#include "TestFolder.h"
#include "ZUX/Base/Exceptions.h"
#include "ZUX/Base/FileAttributes.h"
#include "ZUX/Base/Locale.h"
#include "ZUX/Base/Paths.h"
#include "ZUX/Base/ScopeExit.h"
#include "ZUX/Base/Strings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace ZUX;
using ZUXTest::TFolderLink;
using ZUXTest::TTestFolder;
using ZUXTest::WriteFile;

namespace {

using Names = std::vector<String>;

Names Sorted(Names names) {
    std::sort(names.begin(), names.end());
    return names;
}

// The entries a search reports, by name, in search order.
Names Search(const String& path, const String& extList, TZUXFileKinds kinds) {
    Names names;
    TZUXFindFileInfo info;
    for (bool f = FindFirst(path, extList, kinds, info); f; f = FindNext(info))
        names.push_back(info.Name);
    EXPECT_FALSE(info.Searching());
    return names;
}

// What EnumFiles passes, relative to root, in order.
Names Enum(const String& root, const String& extList, TZUXFileKinds kinds, bool recursive) {
    Names names;
    EnumFiles(
        root, extList, kinds,
        [&](const TZUXFindFileInfo& info) { names.push_back(info.FullPath().substr(root.size())); },
        recursive);
    return names;
}

String Show(const Names& names) {
    String all;
    for (const String& n : names) all += n + u" ";
    return all;
}

} // namespace

TEST(FileSystem, LongPathsWorkThroughThePrefixedForm) {
    // Which form Windows gets: a short path as it is, a long one with "\\?\"
    // or, for a UNC path, with "\\?\UNC\".
    const String tail(300, u'a');
    EXPECT_EQ(LongPathForm(u"C:\\x"), u"C:\\x");
    EXPECT_EQ(LongPathForm(u"C:\\" + tail), u"\\\\?\\C:\\" + tail);
    EXPECT_EQ(LongPathForm(u"\\\\server\\share\\" + tail), u"\\\\?\\UNC\\server\\share\\" + tail);

    TTestFolder root;
    const String top = root / String(40, u'd') + u"\\";
    String deep = top;
    while (deep.size() < 300) deep += String(40, u'e') + u"\\";
    ASSERT_TRUE(ForceDirectories(deep));
    ASSERT_TRUE(DirectoryExists(deep));

    const String file = deep + u"file.bin", copy = deep + u"copy.bin";
    WriteFile(file, "12345");
    EXPECT_EQ(GetFileSize(file), 5u);
    EXPECT_EQ(GetFileSize(deep + u"missing.bin"), 0u);
    EXPECT_TRUE(CopyFile(file, copy, true));
    EXPECT_FALSE(CopyFile(file, copy, true)); // the target exists
    EXPECT_TRUE(CopyFile(file, copy, false)); // and is overwritten
    EXPECT_FALSE(MoveFile(file, copy));
    EXPECT_TRUE(MoveFile(file, deep + u"moved.bin"));

    TZUXStringList list;
    EnumFilesToList(deep, String(), list);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(Sorted({list.Strings(0), list.Strings(1)}), (Names{copy, deep + u"moved.bin"}));

    EXPECT_TRUE(DeleteFile(copy));
    EXPECT_FALSE(DeleteFile(copy));
    EXPECT_TRUE(DeleteDirectory(top, true));
    EXPECT_FALSE(DirectoryExists(top));
}

TEST(FileSystem, SearchFiltersByKindAndExtensionList) {
    TTestFolder root;
    for (const char16_t* name : {u"a.LNG", u"b.lng", u"c.txt", u"noext"})
        WriteFile(root / name, "abc");
    ASSERT_TRUE(ForceDirectories(root / u"sub.lng"));

    struct Case {
        TZUXFileKinds kinds;
        String extList;
        Names expected;
    };
    const Case cases[] = {
        {fkAny, u"", {u"a.LNG", u"b.lng", u"c.txt", u"noext", u"sub.lng"}},
        {fkFile, u"", {u"a.LNG", u"b.lng", u"c.txt", u"noext"}},
        {fkFile, u"*.lng;", {u"a.LNG", u"b.lng"}},
        {fkAny, u"*.txt;*.lng;", {u"a.LNG", u"b.lng", u"c.txt", u"sub.lng"}},
        {fkFolder, u"*.txt;", {u"sub.lng"}}, // folders are not filtered by the list
        {fkFile, u"*.lng", {}},              // every entry ends with ";"
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ToUtf8(c.extList) + " kinds " + std::to_string(c.kinds));
        EXPECT_EQ(Sorted(Search(root.Path(), c.extList, c.kinds)), c.expected);
    }

    // A path that is not a folder is the pattern itself.
    TZUXFindFileInfo info;
    ASSERT_TRUE(FindFirst(root / u"*.txt", String(), fkAny, info));
    EXPECT_EQ(info.Name, u"c.txt");
    EXPECT_EQ(info.Folder, root.Path());
    EXPECT_EQ(info.FullPath(), root / u"c.txt");
    EXPECT_EQ(info.Size, 3u);
    EXPECT_FALSE(info.IsFolder);
    EXPECT_FALSE(FindNext(info));
    EXPECT_FALSE(FindFirst(root / u"missing\\", String(), fkAny, info));
}

// Wine keeps the DOS attributes in extended attributes of the host's file
// system; where it has none, the system attribute cannot be set and the test
// is skipped.
TEST(FileSystem, SystemEntriesAreNeverReportedAndKeepTheirFolder) {
    TTestFolder root;
    struct Case {
        const char16_t* systemEntry;
        bool isFolder;
    };
    for (const Case c : {Case{u"sys.dat", false}, Case{u"sysdir", true}}) {
        SCOPED_TRACE(ToUtf8(c.systemEntry));
        const String dir = root / u"tree\\";
        const String entry = dir + c.systemEntry;
        ASSERT_TRUE(ForceDirectories(dir));
        WriteFile(dir + u"plain.txt");
        if (c.isFolder)
            ASSERT_TRUE(ForceDirectories(entry));
        else
            WriteFile(entry);
        ASSERT_TRUE(SetFileAttr(entry, faSysFile));
        if (!(GetFileAttr(entry) & faSysFile)) GTEST_SKIP() << "no DOS attributes here";

        EXPECT_EQ(Search(dir, String(), fkAny), Names{u"plain.txt"});
        EXPECT_EQ(Enum(dir, String(), fkAny, true), Names{u"plain.txt"});
        TZUXStringList list;
        EnumFilesToList(dir, String(), list);
        EXPECT_EQ(list.Count(), 1);

        // The plain file goes; the unseen entry keeps the folder.
        EXPECT_FALSE(DeleteDirectory(dir, true));
        EXPECT_FALSE(FileExists(dir + u"plain.txt"));
        EXPECT_NE(GetFileAttr(entry), faInvalid);
        EXPECT_TRUE(DirectoryExists(dir));
        ZUXTest::RemoveTree(dir);
    }
}

TEST(FileSystem, CopyDirectoryCopiesWhatThereIsAndCreatesNothingForNothing) {
    TTestFolder root;
    ASSERT_TRUE(ForceDirectories(root / u"empty"));
    EXPECT_TRUE(CopyDirectory(root / u"empty", root / u"out-empty", u"", true));
    EXPECT_FALSE(DirectoryExists(root / u"out-empty"));
    EXPECT_FALSE(CopyDirectory(root / u"missing", root / u"out-missing", u"", true));
    EXPECT_FALSE(DirectoryExists(root / u"out-missing"));

    const String src = root / u"src\\";
    ASSERT_TRUE(ForceDirectories(src + u"sub\\deeper"));
    ASSERT_TRUE(ForceDirectories(src + u"hollow"));
    WriteFile(src + u"a.txt", "source");
    WriteFile(src + u"b.bak");
    WriteFile(src + u"sub\\c.txt");
    WriteFile(src + u"sub\\deeper\\d.txt");

    const String all = root / u"all\\";
    EXPECT_TRUE(CopyDirectory(src, root / u"all", u"*.txt;", true));
    EXPECT_TRUE(FileExists(all + u"a.txt"));
    EXPECT_FALSE(FileExists(all + u"b.bak"));
    EXPECT_TRUE(FileExists(all + u"sub\\c.txt"));
    EXPECT_TRUE(FileExists(all + u"sub\\deeper\\d.txt"));
    EXPECT_FALSE(DirectoryExists(all + u"hollow")); // nothing in it to copy

    const String flat = root / u"flat\\";
    ASSERT_TRUE(ForceDirectories(flat));
    WriteFile(flat + u"a.txt", "old");
    EXPECT_TRUE(CopyDirectory(src, flat, u"", false));
    EXPECT_EQ(GetFileSize(flat + u"a.txt"), 6u); // overwritten
    EXPECT_TRUE(FileExists(flat + u"b.bak"));
    EXPECT_FALSE(DirectoryExists(flat + u"sub"));

    // A file that cannot be written ends the copy with false, and so does a
    // target folder that cannot be made. (A read-only target would do on
    // Windows, but Wine's CopyFileW overwrites read-only files.)
    ASSERT_TRUE(DeleteFile(flat + u"b.bak"));
    ASSERT_TRUE(ForceDirectories(flat + u"b.bak"));
    EXPECT_FALSE(CopyDirectory(src, flat, u"", false));
    EXPECT_FALSE(CopyDirectory(src, flat + u"a.txt\\inside", u"", false));
}

TEST(FileSystem, DeleteDirectoryReportsOnlyAFolderThatIsGone) {
    TTestFolder root;
    const String dir = root / u"d\\";
    ASSERT_TRUE(ForceDirectories(dir + u"sub\\deeper"));
    WriteFile(dir + u"a.txt");
    WriteFile(dir + u"sub\\b.txt");
    WriteFile(dir + u"sub\\deeper\\c.txt");

    EXPECT_FALSE(DeleteDirectory(dir, false)); // the subfolder stays
    EXPECT_FALSE(FileExists(dir + u"a.txt"));
    EXPECT_TRUE(FileExists(dir + u"sub\\b.txt"));
    EXPECT_TRUE(DeleteDirectory(dir, true));
    EXPECT_FALSE(DirectoryExists(dir));
    EXPECT_FALSE(DeleteDirectory(dir, true)); // nothing left to delete

    const String ro = root / u"ro\\";
    ASSERT_TRUE(ForceDirectories(ro));
    WriteFile(ro + u"locked.txt");
    ASSERT_TRUE(SetFileAttr(ro + u"locked.txt", faReadOnly));
    EXPECT_FALSE(DeleteDirectory(ro, true));
    EXPECT_TRUE(FileExists(ro + u"locked.txt"));
}

TEST(FileSystem, DeleteDirectoryRemovesALinkedFolderButNotWhatItPointsTo) {
    TTestFolder root;
    const String outside = root / u"outside\\", dir = root / u"d\\";
    ASSERT_TRUE(ForceDirectories(outside));
    ASSERT_TRUE(ForceDirectories(dir));
    WriteFile(outside + u"precious.txt");
    if (!CreateSymbolicLinkW(WStr(dir + u"link"), WStr(outside), SYMBOLIC_LINK_FLAG_DIRECTORY) ||
        !(GetFileAttr(dir + u"link") & FILE_ATTRIBUTE_REPARSE_POINT))
        GTEST_SKIP() << "no folder links here";

    EXPECT_TRUE(DeleteDirectory(dir, true));
    EXPECT_FALSE(DirectoryExists(dir));
    EXPECT_TRUE(FileExists(outside + u"precious.txt"));
}

// A link inside a tree (a "Music" folder pointing at the user's music, or back
// up the tree) is listed, never entered.
TEST(FileSystem, WalksListLinksAndNeverEnterThem) {
    TTestFolder root;
    const String outside = root / u"outside\\", tree = root / u"tree\\";
    ASSERT_TRUE(ForceDirectories(outside + u"Album\\"));
    ASSERT_TRUE(ForceDirectories(tree + u"sub\\"));
    WriteFile(outside + u"Album\\song.mp3");
    WriteFile(tree + u"sub\\own.txt");
    const TFolderLink music(tree + u"Music", outside), loop(tree + u"sub\\loop", tree);
    if (!IsRunningUnderWine() && !(music.Made() && loop.Made()))
        GTEST_SKIP() << "no folder links here";
    ASSERT_TRUE(music.Made() && loop.Made());

    // Whether the links themselves are listed depends on their attributes
    // (searches skip system entries); what lies behind them never is.
    for (const String& name : Enum(tree, String(), fkAny, true))
        EXPECT_TRUE(name == u"Music" || name == u"sub" || name == u"sub\\loop" ||
                    name == u"sub\\own.txt")
            << ToUtf8(name);
    Names found;
    TZUXSearch search([&](const String& path) { found.push_back(path.substr(tree.size())); });
    search.SetPath(tree);
    search.Start(true);
    EXPECT_EQ(found, Names{u"sub\\own.txt"});

    const String copy = root / u"copy\\";
    EXPECT_TRUE(CopyDirectory(tree, copy, String(), true));
    EXPECT_TRUE(FileExists(copy + u"sub\\own.txt"));
    EXPECT_FALSE(DirectoryExists(copy + u"Music\\"));
    EXPECT_FALSE(DirectoryExists(copy + u"sub\\loop\\"));
    EXPECT_TRUE(FileExists(outside + u"Album\\song.mp3"));
}

TEST(FileSystem, EnumFilesListsSubfolderContentsBeforeTheirParent) {
    TTestFolder root;
    ASSERT_TRUE(ForceDirectories(root / u"a\\b"));
    WriteFile(root / u"top.txt");
    WriteFile(root / u"top.bak");
    WriteFile(root / u"a\\mid.txt");
    WriteFile(root / u"a\\b\\low.txt");

    const Names all = Enum(root.Path(), u"", fkAny, true);
    EXPECT_EQ(Sorted(all),
              (Names{u"a", u"a\\b", u"a\\b\\low.txt", u"a\\mid.txt", u"top.bak", u"top.txt"}));
    // A chain of folders: the deeper an entry's folder, the earlier it comes.
    const auto depth = [](const String& p) { return std::count(p.begin(), p.end(), u'\\'); };
    EXPECT_TRUE(std::is_sorted(all.begin(), all.end(), [&](const String& x, const String& y) {
        return depth(x) > depth(y);
    })) << ToUtf8(Show(all));

    EXPECT_EQ(Sorted(Enum(root.Path(), u"*.txt;", fkFile, true)),
              (Names{u"a\\b\\low.txt", u"a\\mid.txt", u"top.txt"}));
    EXPECT_EQ(Sorted(Enum(root.Path(), u"", fkFolder, false)), Names{u"a"});
}

TEST(FileSystem, SearchVisitsSubfoldersInNaturalOrder) {
    TTestFolder root;
    for (const char16_t* file :
         {u"r.txt", u"f10\\x.txt", u"f2\\x.txt", u"f2\\g\\y.txt", u"F1\\x.txt", u"skip\\x.txt"}) {
        ASSERT_TRUE(ForceDirectoriesForFile(root / file));
        WriteFile(root / file);
    }
    Names found;
    TZUXSearch search(
        [&](const String& path) { found.push_back(path.substr(root.Path().size())); });
    search.SetPath(ExcludeTrailingPathDelimiter(root.Path()));
    EXPECT_EQ(search.Path(), root.Path());
    search.SetFolderFilter([&](const String& folder) { return folder != root / u"skip\\"; });
    search.Start(true);
    EXPECT_EQ(found, (Names{u"r.txt", u"F1\\x.txt", u"f2\\x.txt", u"f2\\g\\y.txt", u"f10\\x.txt"}))
        << ToUtf8(Show(found));
    EXPECT_FALSE(search.Running());

    found.clear();
    search.Start(false);
    EXPECT_EQ(found, Names{u"r.txt"});
}

TEST(FileSystem, SearchEndsWhenStoppedOrAborted) {
    TTestFolder root;
    for (const char16_t* file : {u"a\\1.txt", u"b\\2.txt", u"c\\3.txt"}) {
        ASSERT_TRUE(ForceDirectoriesForFile(root / file));
        WriteFile(root / file);
    }
    int calls = 0;
    TZUXSearch* self = nullptr;
    bool abort = false;
    TZUXSearch search([&](const String&) {
        EXPECT_TRUE(self->Running());
        if (++calls < 2) return;
        if (abort) throw EAbort(u"enough");
        self->Stop();
    });
    self = &search;
    search.SetPath(root.Path());
    search.Start(true);
    EXPECT_EQ(calls, 2);

    calls = 0;
    abort = true;
    EXPECT_NO_THROW(search.Start(true));
    EXPECT_EQ(calls, 2);
    EXPECT_FALSE(search.Running());
}

TEST(FileSystem, ForceDirectoriesCreatesEveryMissingParent) {
    TTestFolder root;
    WriteFile(root / u"file");
    struct Case {
        String path;
        bool ok;
    };
    const Case cases[] = {
        {u"", false},
        {root.Path(), true},
        {root / u"a\\b\\c", true},
        {root / u"x\\y\\", true},
        {root / u"x/z/w", true},
        {root / u"file", false}, // a file is in the way
        {root / u"file\\below", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ToUtf8(c.path));
        EXPECT_EQ(ForceDirectories(c.path), c.ok);
        if (c.ok) {
            EXPECT_TRUE(DirectoryExists(c.path));
        }
    }
    EXPECT_TRUE(ForceDirectoriesForFile(root / u"p\\q\\name.txt"));
    EXPECT_TRUE(DirectoryExists(root / u"p\\q"));
    EXPECT_FALSE(FileExists(root / u"p\\q\\name.txt"));
}

TEST(FileSystem, SpecialFoldersAndTheProgram) {
    const String temp = GetTempPath();
    EXPECT_TRUE(EndsWith(temp, u"\\"));
    EXPECT_TRUE(DirectoryExists(temp));
    // 0x11 is the computer folder (no file-system path); 0xFF no folder at all.
    EXPECT_EQ(GetSpecialFolder(0x11), temp);
    EXPECT_EQ(GetSpecialFolder(0xFF), temp);
    const String appData = GetAppDataFolder();
    EXPECT_TRUE(EndsWith(appData, u"\\"));
    EXPECT_NE(appData, temp);
    EXPECT_TRUE(EndsWith(GetDesktopFolder(), u"\\"));
    // Read without the shell, the programs' folder is still the shell's (0x26).
    EXPECT_EQ(GetProgramFilesFolder(), GetSpecialFolder(0x26));

    const String tempFile = GetTempFileName(u"zt");
    EXPECT_TRUE(FileExists(tempFile));
    EXPECT_EQ(GetFileSize(tempFile), 0u);
    EXPECT_TRUE(SameText(ExtractFilePath(tempFile), temp));
    EXPECT_TRUE(StartsWith(ExtractFileName(tempFile), u"zt", true));
    EXPECT_TRUE(DeleteFile(tempFile));

    EXPECT_TRUE(EndsWith(GetProgramFileName(), u"win_tests.exe", true));
    EXPECT_EQ(GetProgramFolder(), ExtractFilePath(GetProgramFileName()));
}

TEST(FileSystem, CurrentDirRoundTrip) {
    TTestFolder root;
    const String before = GetCurrentDir();
    EXPECT_TRUE(EndsWith(before, u"\\"));
    const auto restore = ScopeExit([before] { SetCurrentDir(before); }); // before the folder goes
    ASSERT_TRUE(SetCurrentDir(root.Path()));
    EXPECT_TRUE(SameText(GetCurrentDir(), root.Path()));
    EXPECT_FALSE(SetCurrentDir(root / u"missing"));
}

TEST(FileSystem, NormalizePathResolvesDotsAndShortNames) {
    TTestFolder root;
    ASSERT_TRUE(ForceDirectories(root / u"A Long Folder Name\\b"));
    EXPECT_EQ(NormalizePath(root / u"x\\..\\b\\"), root / u"b\\");
    EXPECT_EQ(NormalizePath(root / u".\\b"), root / u"b");
    EXPECT_EQ(NormalizePath(u"C:\\plain\\path\\"), u"C:\\plain\\path\\"); // not touched
    EXPECT_EQ(NormalizePath(u""), u"");
    // Relative paths and slashes are resolved against the current folder.
    const String current = GetCurrentDir();
    ASSERT_TRUE(SetCurrentDir(root.Path()));
    EXPECT_EQ(NormalizePath(u"ZIVR"), root / u"ZIVR");
    EXPECT_EQ(NormalizePath(u"Apps/ZIVR/"), root / u"Apps\\ZIVR\\");
    EXPECT_EQ(NormalizePath(u"C:/Apps/ZIVR"), u"C:\\Apps\\ZIVR");
    EXPECT_EQ(NormalizePath(u"\\Apps"), root.Path().substr(0, 2) + u"\\Apps");
    SetCurrentDir(current);

    wchar_t shortName[MAX_PATH];
    const DWORD n = GetShortPathNameW(WStr(root / u"A Long Folder Name\\b\\"), shortName, MAX_PATH);
    ASSERT_GT(n, 0u);
    const String shortPath = FromWStr(shortName, n);
    ASSERT_NE(shortPath.find(u'~'), String::npos) << ToUtf8(shortPath);
    EXPECT_TRUE(SameText(NormalizePath(shortPath), root / u"A Long Folder Name\\b\\"))
        << ToUtf8(NormalizePath(shortPath));
}
