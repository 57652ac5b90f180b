// User profiles and their application-data folders.
#include "TestFolder.h"

#include "ZUX/Base/FileSystem.h"
#include "ZUX/Base/Locale.h"
#include "ZUX/Base/Paths.h"
#include "ZUX/Base/Registry.h"
#include "engine/Users.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
#include <utility>
#include <vector>

using namespace ZUX;
using namespace ZUXTest;

namespace {

using TProfiles = std::vector<std::pair<String, String>>;

TSetupUsers::TCallback Collect(TProfiles& into) {
    return [&into](const String& name, const String& appData) { into.emplace_back(name, appData); };
}

const String kShellFolders = u"\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User "
                             u"Shell Folders";

void WriteExpandStr(HKEY key, const String& name, const String& value) {
    RegSetValueExW(key, WStr(name), 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   DWORD((value.size() + 1) * 2));
}

// A profile list and a stand-in for HKEY_USERS of our own under HKCU, so the
// machine's real ones stay untouched.
class SetupUsersProfileList : public ::testing::Test {
protected:
    SetupUsersProfileList()
        : root_(u"Software\\ZIVR Setup Tests\\Users" + IntToStr(GetCurrentProcessId())) {
        RegDeleteKeyTree(HKEY_CURRENT_USER, root_);
        list_ = RegOpenKeyWrite(HKEY_CURRENT_USER, root_ + u"\\ProfileList", true);
        users_ = RegOpenKeyWrite(HKEY_CURRENT_USER, root_ + u"\\Users", true);
        SetEnvironmentVariableW(L"ZIVR_TEST_PROFILES",
                                WStr(ExcludeTrailingPathDelimiter(profiles_.Path())));
    }
    ~SetupUsersProfileList() override {
        SetEnvironmentVariableW(L"ZIVR_TEST_PROFILES", nullptr);
        list_.Close();
        users_.Close();
        RegDeleteKeyTree(HKEY_CURRENT_USER, root_);
        RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\ZIVR Setup Tests");
    }

    // A profile entry; with a folder on disk when user is not empty.
    void AddProfile(const String& sid, const String& user, bool folderExists) {
        if (folderExists) ForceDirectories(profiles_ / user);
        const TZUXRegKey entry = RegOpenKeyWrite(list_, sid, true);
        WriteExpandStr(entry, u"ProfileImagePath", u"%ZIVR_TEST_PROFILES%\\" + user);
    }
    // The user's hive is loaded: HKEY_USERS\sid holds the shell folders.
    void AddHive(const String& hive, const String& appData) {
        const TZUXRegKey folders = RegOpenKeyWrite(users_, hive + kShellFolders, true);
        if (!appData.empty()) WriteExpandStr(folders, u"AppData", appData);
    }
    TProfiles Populate() {
        TProfiles found;
        TSetupUsers::PopulateFromProfileList(list_, users_, Collect(found));
        std::sort(found.begin(), found.end());
        return found;
    }
    String Profile(const String& user) const { return profiles_ / user; }

    String root_;
    TTestFolder profiles_;
    TZUXRegKey list_, users_;
};

} // namespace

TEST(SetupUsers, ReportsTheCurrentUserFirstAndAgainFromTheProfileList) {
    TProfiles found;
    TSetupUsers::Populate(Collect(found));
    ASSERT_GE(found.size(), 2u);
    const String appData = GetSpecialFolder(CSIDL_APPDATA);
    EXPECT_EQ(found[0].first, ExtractLastComponent(GetSpecialFolder(CSIDL_PROFILE)));
    EXPECT_EQ(found[0].second, appData);
    // The list's copy comes from the registry as stored: no trailing backslash.
    const bool listed = std::any_of(found.begin() + 1, found.end(), [&](const auto& p) {
        return SameText(p.first, found[0].first) &&
               SameText(p.second, ExcludeTrailingPathDelimiter(appData));
    });
    EXPECT_TRUE(listed);
}

TEST_F(SetupUsersProfileList, SkipsBackupsMissingFoldersAndUsersWithoutShellFolders) {
    AddProfile(u"S-1-5-21-7-1001", u"alice", true);
    AddHive(u"S-1-5-21-7-1001", u"%userprofile%\\AppData\\Roaming"); // any case
    AddProfile(u"S-1-5-21-7-1002.Bak", u"bob", true);                // a backup entry
    AddHive(u"S-1-5-21-7-1002.Bak", u"%USERPROFILE%\\AppData\\Roaming");
    AddProfile(u"S-1-5-21-7-1003", u"gone", false); // its folder was removed
    AddHive(u"S-1-5-21-7-1003", u"%USERPROFILE%\\AppData\\Roaming");
    AddProfile(u"S-1-5-21-7-1004", u"carol", true); // not logged on: no hive
    AddProfile(u"S-1-5-21-7-1005", u"dave", true);  // no AppData folder
    AddHive(u"S-1-5-21-7-1005", String());
    AddProfile(u"S-1-5-21-7-1006", u"erin", true); // a folder elsewhere
    AddHive(u"S-1-5-21-7-1006", u"D:\\Roaming\\erin");

    // Without the default user's folders, a user without hive is skipped.
    EXPECT_EQ(Populate(), (TProfiles{
                              {u"alice", Profile(u"alice\\AppData\\Roaming")},
                              {u"erin", u"D:\\Roaming\\erin"},
                          }));

    AddHive(u".DEFAULT", u"%USERPROFILE%\\Default Roaming");
    EXPECT_EQ(Populate(), (TProfiles{
                              {u"alice", Profile(u"alice\\AppData\\Roaming")},
                              {u"carol", Profile(u"carol\\Default Roaming")},
                              {u"erin", u"D:\\Roaming\\erin"},
                          }));
}
