// Lists of files on disk.
#include "engine/SetupFileList.h"

#include "TestFolder.h"
#include "ZUX/Base/FileSystem.h"

#include <gtest/gtest.h>

#include <vector>

using namespace ZUX;
using ZUXTest::TTestFolder;

namespace {

using Names = std::vector<String>;

// One file in each folder, so the order within a folder does not matter.
void MakeTree(const TTestFolder& root) {
    for (const char16_t* file : {u"T\\Player.exe", u"T\\Skins\\10\\s.skn", u"T\\Skins\\9\\s.skn",
                                 u"T\\!backup\\old.zip", u"T\\!Backup2\\keep.txt"}) {
        ASSERT_TRUE(ForceDirectoriesForFile(root / file));
        ZUXTest::WriteFile(root / file);
    }
}

} // namespace

TEST(SetupFileList, FindFilesSkipsTheExcludedFoldersAndKeepsNaturalOrder) {
    TTestFolder root;
    MakeTree(root);
    TZUXStringList results;
    // The prefix is compared ignoring case and as a prefix: "!Backup2" goes too.
    TFileSearchHelper().FindFiles(root / u"T", root / u"t\\!BACKUP", results);
    Names found;
    for (int i = 0; i < results.Count(); ++i) found.push_back(results.Strings(i));
    EXPECT_EQ(found, (Names{root / u"T\\Player.exe", root / u"T\\Skins\\9\\s.skn",
                            root / u"T\\Skins\\10\\s.skn"}));

    results.Clear();
    TFileSearchHelper().FindFiles(root / u"T\\", root / u"T\\", results); // the start folder too
    EXPECT_EQ(results.Count(), 0);
}

TEST(SetupFileList, AddFolderNamesFilesBelowThePrefix) {
    TTestFolder root;
    MakeTree(root);
    for (const String& folder : {root / u"T\\", root / u"T"}) {
        SCOPED_TRACE(ToUtf8(folder));
        TSetupFileList list;
        list.Add(u"C:\\other\\s.SKN", u"x\\s.skn");
        list.AddFolder(folder, root / u"T\\!backup\\", u"Program\\");
        ASSERT_EQ(list.Count(), 5);
        Names relative;
        for (int i = 1; i < list.Count(); ++i) {
            relative.push_back(list.Items(i).RelativeName);
            EXPECT_EQ(list.Items(i).FullPath, root / u"T\\" + relative.back().substr(8));
        }
        EXPECT_EQ(relative, (Names{u"Program\\Player.exe", u"Program\\!Backup2\\keep.txt",
                                   u"Program\\Skins\\9\\s.skn", u"Program\\Skins\\10\\s.skn"}));

        list.RemoveByName(u"S.skn"); // every item of that file name, ignoring case
        ASSERT_EQ(list.Count(), 2);
        EXPECT_EQ(list.Items(0).RelativeName, u"Program\\Player.exe");
        EXPECT_EQ(list.Items(1).RelativeName, u"Program\\!Backup2\\keep.txt");
    }
}
