// The ZIVR player's product information and its run's steps.
#include "product/ProductZIVR.h"

#include "ZUX/Base/FileAttributes.h"
#include "ZUX/Base/Handle.h"
#include "ZUX/Base/Locale.h"
#include "ZUX/Base/Paths.h"
#include "ZUX/Base/Win32.h"
#include "engine/Setup.h"

#include "engine/UninstallEntry.h"
#include "product/ActionCloseApplications.h"
#include "product/ActionPrepare.h"
#include "product/ActionsIntegration.h"
#include "product/ActionsUninstall.h"

using namespace ZUX;

namespace {

// The folder of the running player's program, or empty.
String RunningPlayerFolder() {
    const HWND window = FindWindowW(L"TZIVRMainForm", nullptr);
    if (!window) return String();
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (!pid) return String();
    const TZUXKernelHandle process(
        OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
    if (!process) return String();
    wchar_t buffer[MAX_PATH * 4];
    DWORD size = DWORD(std::size(buffer));
    if (!QueryFullProcessImageNameW(process.Get(), 0, buffer, &size)) return String();
    return ExtractFilePath(FromWStr(buffer, size));
}

} // namespace

bool TProductInfoZIVR::FindInstalledPath(String& path) {
    for (const char16_t* name : {u"ZIVR", u"ZIVR3"}) {
        String found;
        if (TSetupAppRepo::FindInstallPath(name, found)) {
            path = IncludeTrailingPathDelimiter(found);
            return true;
        }
    }
    // A player whose path cannot be read counts as not found: an empty folder
    // would send the installation to the current folder.
    const String folder = RunningPlayerFolder();
    if (folder.empty() || !DirectoryExists(folder)) return false;
    path = folder;
    return true;
}

String TProductInfoZIVR::GetDefaultPath() {
    String path;
    return FindInstalledPath(path) ? path : TSetupProductInfo::GetDefaultPath();
}

bool TProductInfoZIVR::CanUpdate() {
    const int32_t version = GetInstalledVersion();
    return version >= MinUpdatableVersion && version <= MaxUpdatableVersion;
}

bool TProductInfoZIVR::IsPortable() {
    return !Config.ReadBool(u"System", u"UserMode", true);
}

int32_t TProductInfoZIVR::GetInstalledVersion() {
    return Config.ReadInteger(u"System", u"Version", 0);
}

String TProductInfoZIVR::GetConfigFileName(const String& dest) {
    const String folder = IncludeTrailingPathDelimiter(dest);
    for (const char16_t* name : {u"ZIVR.ini", u"ZIVR3.ini"})
        if (FileExists(folder + name)) return folder + name;
    return String();
}

void TProductInfoZIVR::Load() {
    // A run that was killed in the middle of an update left its marker: the
    // old copy comes back before anything looks at the folder.
    Recovery.RecoverInterrupted(Setup->DestPath);
    Config.Clear();
    const String file = GetConfigFileName(Setup->DestPath);
    if (!file.empty()) Config.LoadFromFile(file);
    // The integration page and actions start from what this folder's copy chose;
    // choices made for another folder must not leak over.
    Setup->Options->WriteSectionText(u"Integration", Config.ReadSectionText(u"Integration"));
}

TSetupUpdateRecovery* TProductInfoZIVR::RunRecovery() {
    auto* product = Setup ? dynamic_cast<TProductInfoZIVR*>(Setup->ProductInfo.get()) : nullptr;
    return product ? &product->Recovery : nullptr;
}

String TProductInfoZIVR::EndRun(bool failed) {
    return Recovery.End(failed);
}

bool TProductInfoZIVR::AddonsAvailable() {
    if (Setup->HasFlag(sfAuto) || Setup->HasFlag(sfSilent)) return false;
    return SameText(Setup->Resources->Language, u"Russian");
}

bool TProductInfoZIVR::IsWindows10OrLater() {
    // The real version, whatever compatibility the program's manifest declares.
    using TRtlGetVersion = LONG(WINAPI*)(OSVERSIONINFOW*);
    const auto get = GetProcedure<TRtlGetVersion>(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion");
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (!get || get(&info) != 0) return false;
    return info.dwMajorVersion >= 10;
}

void TProductInfoZIVR::PopulateActions(const std::function<void(TSetupActionClass)>& callback) {
    const bool install = Setup->Mode == smInstall;
    callback(&CreateAction<TSetupActionCloseApplications>);
    if (install) callback(&CreateAction<TSetupActionPrepare>);
    if (install) {
        if (AddonsAvailable()) callback(&CreateAction<TSetupActionAddonsInstall>);
        callback(&CreateAction<TSetupActionExtract>);
        // Updates keep the integration and shortcuts the copy already has,
        // except those of a 3.x copy, which the preparation removes: they come
        // back as its "Integration" section (now the options) says. Portable
        // copies leave no traces in the system beyond shortcuts.
        const bool portable = Setup->HasFlag(sfPortable);
        const bool update = Setup->HasFlag(sfUpdate) && (portable || GetInstalledVersion() >= 4000);
        callback(&CreateAction<TSetupActionConfig>);
        if (!update && !portable) callback(&CreateAction<TSetupActionIntegrate>);
        if (!update) callback(&CreateAction<TSetupActionShortcuts>);
        if (IsWindows10OrLater()) callback(&CreateAction<TSetupActionUpdateShellCache>);
    } else {
        callback(&CreateAction<TSetupActionUninstallIntegration>);
        callback(&CreateAction<TSetupActionUninstallFiles>);
    }
}

void TProductInfoZIVR::PopulatePages(const std::function<void(TSetupPageClass)>& callback) {
    if (Setup->Mode == smUninstall) {
        callback(u"TSetupPageUninstallParams");
        return;
    }
    callback(u"TSetupPageWelcome");
    callback(u"TSetupPageLicense");
    callback(u"TSetupPageSetup");
    if (AddonsAvailable()) callback(u"TSetupPageAddons");
    callback(u"TSetupPageIntegration");
    callback(u"TSetupPageReadyToInstall");
}

namespace {

// Registered while the program's modules are initialised, before the main routine.
const bool kRegistered = [] {
    ProductInfoClass = [] { return std::unique_ptr<TSetupProductInfo>(new TProductInfoZIVR); };
    return true;
}();

} // namespace
