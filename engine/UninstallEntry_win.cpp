// The Windows uninstall entry.
#include "engine/UninstallEntry.h"

#include "ZUX/Base/FileAttributes.h"
#include "ZUX/Base/Log.h"
#include "ZUX/Base/Paths.h"
#include "ZUX/Base/Registry.h"
#include "ZUX/Base/Strings.h"
#include "ZUX/Base/Win32.h"

using namespace ZUX;

namespace {

bool ReadInstallPath(const String& keyPath, REGSAM view, String& path) {
    const TZUXRegKey key = RegOpenKey(HKEY_LOCAL_MACHINE, keyPath, KEY_READ | view);
    if (!key) return false;
    path = IncludeTrailingPathDelimiter(RegReadStr(key, u"InstallPath"));
    if (!DirectoryExists(path)) path = ExtractFilePath(RegReadStr(key, u"UninstallString"));
    if (!DirectoryExists(path)) path = ExtractFilePath(RegReadStr(key, u"DisplayIcon"));
    return DirectoryExists(path);
}

} // namespace

String TSetupAppRepo::GetKeyPath(bool wow6432) {
    return wow6432 ? u"Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
                   : u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
}

String TSetupAppRepo::GetKeyName(const String& name) {
    return RemoveChar(name, u' ');
}

void TSetupAppRepo::Register(const String& name, const String& uninstallExe, const String& version,
                             const String& publisher, const String& homePage) {
    const String key = GetKeyName(name);
    if (key.empty()) return;
    Unregister(name);
    const String path = GetKeyPath(false) + key;
    const TZUXRegKey k = RegOpenKeyWrite(HKEY_LOCAL_MACHINE, path, true);
    if (!k) {
        LogFmt(u"Uninstall entry not created: HKLM\\%s cannot be opened for writing", {path});
        return;
    }
    LogFmt(u"Uninstall entry: HKLM\\%s", {path});
    SYSTEMTIME now;
    GetLocalTime(&now);
    wchar_t date[16];
    swprintf(date, 16, L"%04u%02u%02u", now.wYear, now.wMonth, now.wDay);
    RegWriteInt(k, u"NoModify", 1);
    RegWriteInt(k, u"NoRepair", 1);
    RegWriteStr(k, u"DisplayIcon", uninstallExe);
    RegWriteStr(k, u"DisplayName", name);
    RegWriteStr(k, u"DisplayVersion", version);
    RegWriteStr(k, u"InstallDate", FromWStr(date));
    RegWriteStr(k, u"InstallPath", ExtractFilePath(uninstallExe));
    RegWriteStr(k, u"Publisher", publisher);
    RegWriteStr(k, u"UninstallString", uninstallExe);
    RegWriteStr(k, u"URLInfoAbout", homePage);
}

void TSetupAppRepo::Unregister(const String& name) {
    const String key = GetKeyName(name);
    if (key.empty()) return;
    // The key goes with everything below it; a missing key is no error.
    for (const bool wow : {false, true}) {
        const String path = GetKeyPath(wow) + key;
        const LSTATUS status = RegDeleteTreeW(HKEY_LOCAL_MACHINE, WStr(path));
        if (status == ERROR_SUCCESS)
            LogFmt(u"Registry key removed: HKLM\\%s", {path});
        else if (status != ERROR_FILE_NOT_FOUND)
            LogOSError(u"Registry key not removed: HKLM\\" + path, uint32_t(status));
    }
}

bool TSetupAppRepo::FindInstallPath(const String& name, String& path) {
    const String keyPath = GetKeyPath(false) + GetKeyName(name);
    return ReadInstallPath(keyPath, 0, path) || ReadInstallPath(keyPath, KEY_WOW64_32KEY, path);
}
