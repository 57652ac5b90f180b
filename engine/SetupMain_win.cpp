// The program's main routine: rights, the setup object, the languages, and the
// silent run (the wizard takes over interactive runs).
#include "ZUX/Base/CommandLine.h"
#include "ZUX/Base/FileAttributes.h"
#include "ZUX/Base/FileSystem.h"
#include "ZUX/Base/Handle.h"
#include "ZUX/Base/Locale.h"
#include "ZUX/Base/MessageWindow.h"
#include "ZUX/Base/OSError.h"
#include "ZUX/Base/Paths.h"
#include "ZUX/Base/Strings.h"
#include "ZUX/Base/Win32.h"
#include "engine/Elevation.h"
#include "engine/Setup.h"
#include "engine/SpawnService.h"

#include <shellapi.h>
#include <shlobj.h>

using namespace ZUX;

namespace {

// Exit codes a script can rely on.
enum : int {
    EXIT_OK = 0,
    EXIT_FAILED = 1,
    EXIT_NOT_AVAILABLE = 2,
    EXIT_RESTART_REQUIRED = 3010, // done, but a file takes its place at the next restart
    EXIT_ELEVATION_DECLINED = 1223,
};

// The "Setup" error box. Under a script's eye the text also goes to the
// standard error handle, where there is one.
void ShowError(const String& message) {
    const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    if (err && err != INVALID_HANDLE_VALUE) {
        const std::string line = ToUtf8(message) + "\n";
        DWORD written = 0;
        WriteFile(err, line.data(), DWORD(line.size()), &written, nullptr);
    }
    MessageBoxW(nullptr, WStr(message), L"Setup", MB_OK | MB_ICONERROR);
}

bool IsVistaOrLater() {
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    // The manifest lists the supported systems, so the real version is reported.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    GetVersionExW(&info);
#pragma GCC diagnostic pop
    return info.dwMajorVersion >= 6;
}

int64_t StrToInt64Def(const String& text, int64_t defaultValue) {
    if (text.empty() || text.size() > 19) return defaultValue;
    int64_t value = 0;
    for (const char16_t c : text) {
        if (c < u'0' || c > u'9') return defaultValue;
        value = value * 10 + (c - u'0');
    }
    return value;
}

// A new folder of the uninstaller's own under the temporary folder, with a
// trailing backslash.
String NewTempFolder() {
    for (int attempt = 0; attempt < 16; ++attempt) {
        // The system picks a free name; the file it made gives way to the folder.
        const String name = GetTempFileName(u"zun");
        ZUX::DeleteFile(name);
        if (CreateDirectoryW(WStr(name), nullptr)) return name + u"\\";
    }
    RaiseLastOSError();
}

// The copy goes into folder and is deleted at the next restart.
String CopyToFolder(const String& source, const String& folder) {
    const String target = folder + ExtractFileName(source);
    SetFileAttr(target, 0);
    CopyFileOrRaise(source, target);
    ScheduleDeleteOnReboot(target);
    return target;
}

// The uninstaller runs from a copy, so that every file of the installation can
// go; this process waits for the copy and reports how it ended.
int RelaunchFromTemp(const String& params) {
    const String program = GetProgramFileName();
    const String folder = NewTempFolder();
    const String copy = CopyToFolder(program, folder);
    CopyToFolder(ChangeFileExt(program, u".dat"), folder);
    ScheduleDeleteOnReboot(folder); // after its files
    SetCurrentDir(folder);
    const String arguments = Format(u"/%s=\"%s\" %s", {u"PATH", GetProgramFolder(), params});
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    info.lpFile = WStr(copy);
    info.lpParameters = WStr(arguments);
    info.lpDirectory = WStr(folder);
    info.nShow = SW_SHOW;
    if (!ShellExecuteExW(&info)) RaiseLastOSError();
    const TZUXKernelHandle process(info.hProcess);
    if (!process) return EXIT_FAILED; // started, but its outcome cannot be known
    WaitServingMessages(process.Get(), INFINITE);
    DWORD exitCode = EXIT_FAILED;
    if (!GetExitCodeProcess(process.Get(), &exitCode)) return EXIT_FAILED;
    return int(exitCode);
}

int Run(std::unique_ptr<TSetup>& setup) {
    const String params = GetParams();
    if (!ProductInfoClass) throw EInstallerGeneralError(u"Setup is malformed");
    if (IsVistaOrLater()) {
        String token;
        if (HasSwitch(params, u"SKIPUAC", token)) {
            TSetupSpawnService::Initialize(uintptr_t(StrToInt64Def(token, 0)));
        } else if (!IsUserAnAdmin()) {
            const std::optional<uint32_t> code = RunElevated(params);
            return code ? int(*code) : EXIT_ELEVATION_DECLINED;
        }
    }
    if (!IsUserAnAdmin()) throw EInstallerNoAdminRightsError();

    setup = std::make_unique<TSetup>(params);
    if (setup->Mode == smUninstall) {
        String path;
        if (HasSwitch(params, u"PATH", path) && !path.empty() && DirectoryExists(path)) {
            setup->SetDestPath(path);
        } else if (StartsWith(GetProgramFolder(), GetTempPath(), true)) {
            throw EInstallerMysteryError(u"Cannot start the Uninstaller");
        } else {
            return RelaunchFromTemp(params);
        }
    }

    setup->Resources->InitializeLanguages(int32_t(GetUserDefaultUILanguage()));
    if (!setup->HasFlag(sfSilent)) {
        ShowError(u"The interactive mode is not available yet: start Setup with /AUTO /SILENT.");
        return EXIT_NOT_AVAILABLE;
    }
    setup->Run(true);
    if (setup->HasErrors()) {
        String lines;
        for (int i = 0; i < setup->Errors->Count(); ++i)
            lines += setup->Errors->Strings(i) + u"\r\n";
        throw EInstallerInstallError(lines);
    }
    setup->RunPostInstallActions();
    return setup->ExtractHelper->RestartRequired ? EXIT_RESTART_REQUIRED : EXIT_OK;
}

} // namespace

int SetupMain() {
    // The setup object outlives the error box, as it does the message loop.
    std::unique_ptr<TSetup> setup;
    try {
        return Run(setup);
    } catch (const Exception& e) {
        ShowError(e.Message());
    } catch (const std::exception& e) {
        ShowError(FromUtf8(e.what()));
    }
    return EXIT_FAILED;
}
