// The user profiles of this computer and their application-data folders.
#include "engine/Users.h"

#include "ZUX/Base/FileAttributes.h"
#include "ZUX/Base/FileSystem.h"
#include "ZUX/Base/Locale.h"
#include "ZUX/Base/Paths.h"
#include "ZUX/Base/Strings.h"
#include "ZUX/Base/Win32.h"

#include <shlobj.h>

#include <vector>

using namespace ZUX;

namespace {

const char16_t* const kProfileList =
    u"Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\";
const char16_t* const kShellFolders =
    u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders\\";

// Profile paths are stored with variables such as %SystemDrive%.
String ExpandEnvironment(const String& text) {
    constexpr DWORD kMaxChars = 65535;
    const DWORD needed = ExpandEnvironmentStringsW(WStr(text), nullptr, 0);
    if (needed == 0 || needed > kMaxChars + 1) return String(); // too long counts as no folder
    std::vector<wchar_t> buffer(needed);
    const DWORD n = ExpandEnvironmentStringsW(WStr(text), buffer.data(), needed);
    if (n == 0 || n > needed) return String();
    return FromWStr(buffer.data(), n - 1);
}

} // namespace

void TSetupUsers::Populate(const TCallback& callback) {
    callback(ExtractLastComponent(GetSpecialFolder(CSIDL_PROFILE)),
             GetSpecialFolder(CSIDL_APPDATA));
    const TZUXRegKey profileList = RegOpenKeyRead(HKEY_LOCAL_MACHINE, kProfileList);
    if (profileList) PopulateFromProfileList(profileList, HKEY_USERS, callback);
}

void TSetupUsers::PopulateFromProfileList(HKEY profileList, HKEY users, const TCallback& callback) {
    // Names first: the callback may take its time, and the list may change.
    std::vector<String> sids;
    RegEnumKeys(profileList, String(), [&](const String& name) { sids.push_back(name); });
    for (const String& sid : sids) {
        if (SameText(ExtractFileExt(sid), u".bak")) continue; // a backup of a profile entry
        const String profilePath =
            ExpandEnvironment(RegReadStr(profileList, sid, u"ProfileImagePath"));
        if (profilePath.empty() || !DirectoryExists(profilePath)) continue;
        // A user who is not logged on has no hive loaded: the default user's
        // folders are the best guess then.
        TZUXRegKey folders = RegOpenKeyRead(users, sid + u"\\" + kShellFolders);
        if (!folders) folders = RegOpenKeyRead(users, String(u".DEFAULT\\") + kShellFolders);
        if (!folders) continue;
        const String appData =
            StringReplace(RegReadStr(folders, u"AppData"), u"%USERPROFILE%", profilePath, true);
        if (!appData.empty()) callback(ExtractLastComponent(profilePath), appData);
    }
}
