// The program's main routine: rights, the setup object, the languages, then
// the silent run or the wizard.
#include "ZUX/Base/CommandLine.h"
#include "ZUX/Base/FileAttributes.h"
#include "ZUX/Base/FileSystem.h"
#include "ZUX/Base/Format.h"
#include "ZUX/Base/Handle.h"
#include "ZUX/Base/Locale.h"
#include "ZUX/Base/Log.h"
#include "ZUX/Base/MessageWindow.h"
#include "ZUX/Base/OSError.h"
#include "ZUX/Base/Paths.h"
#include "ZUX/Base/Shell.h"
#include "ZUX/Base/Strings.h"
#include "ZUX/Base/Win32.h"
#include "ZUX/UI/MessageDialog.h"
#include "engine/Elevation.h"
#include "engine/FaultPoint.h"
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
    EXIT_RESTART_REQUIRED = 3010, // done, but a file takes its place at the next restart
    EXIT_ELEVATION_DECLINED = 1223,
    EXIT_CANCELLED = 1223, // the wizard was closed before the run
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
    LogFmt(u"Error: %s", {message});
    ZUXMessageBox(nullptr, message, u"Setup", MB_OK | MB_ICONERROR);
}

// /LOG or /LOG=FILE starts the run's log; a relaunched copy of the program is
// given the file this run chose, so the whole run ends up in one log.
void StartLog(const String& params) {
    String file;
    if (!HasSwitch(params, u"LOG", file)) return;
    if (file.empty()) file = LogFreeFileName(GetTempPath(), u"ZIVR Setup Log");
    if (!LogOpen(file)) return;
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    GetVersionExW(&info);
#pragma GCC diagnostic pop
    LogFmt(u"Program: %s", {GetProgramFileName()});
    LogFmt(u"Command line: %s", {FromWStr(GetCommandLineW())});
    LogFmt(u"System: Windows %d.%d build %d, user interface language %d, administrator: %s",
           {int64_t(info.dwMajorVersion), int64_t(info.dwMinorVersion), int64_t(info.dwBuildNumber),
            int64_t(GetUserDefaultUILanguage()), RunsAsAdministrator() ? u"yes" : u"no"});
}

// The parameters for a relaunched copy: this run's log file comes first, so
// it wins over a /LOG without a file.
String WithLogSwitch(const String& params) {
    if (!LogActive()) return params;
    return Format(u"/LOG=\"%s\" %s", {LogFileName(), params});
}

String FlagNames(uint8_t flags) {
    static const char16_t* const names[] = {u"AUTO",   u"PORTABLE", u"UPDATE",
                                            u"SILENT", u"RUN",      u"NOBACKUP"};
    String text;
    for (unsigned bit = 0; bit < 6; ++bit)
        if (flags & (1u << bit)) text += (text.empty() ? u"" : u" ") + String(names[bit]);
    return text.empty() ? u"none" : text;
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
    const String arguments =
        Format(u"/%s=\"%s\" %s", {u"PATH", GetProgramFolder(), WithLogSwitch(params)});
    LogFmt(u"Relaunching the uninstaller from the temporary folder: %s %s", {copy, arguments});
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
    LogFmt(u"The uninstaller's copy ended with exit code %d", {int64_t(exitCode)});
    return int(exitCode);
}

int Run(std::unique_ptr<TSetup>& setup, const TSetupUserInterface& ui) {
    const String params = GetParams();
    if (!TSetupResources::ProgramHasPackages())
        throw EInstallerGeneralError(u"This program holds no installer packages: it is the stub "
                                     u"that zivr-setup build makes a Setup.exe from.");
    if (!ProductInfoClass) throw EInstallerGeneralError(u"Setup is malformed");
    if (IsVistaOrLater()) {
        String token;
        if (HasSwitch(params, u"SKIPUAC", token)) {
            TSetupSpawnService::Initialize(uintptr_t(StrToInt64Def(token, 0)));
        } else if (!RunsAsAdministrator() || FaultNotElevated()) {
            // The elevated copy is given /SKIPUAC and never comes here.
            Log(u"No administrator rights: relaunching elevated");
            const std::optional<uint32_t> code = RunElevated(WithLogSwitch(params));
            return code ? int(*code) : EXIT_ELEVATION_DECLINED;
        }
    }
    if (!RunsAsAdministrator()) throw EInstallerNoAdminRightsError();

    setup = std::make_unique<TSetup>(params);
    LogFmt(u"Setup of %s %s (version id %d)",
           {setup->Resources->Script->GetSetting(u"ProductName"),
            setup->Resources->Script->GetSetting(u"ProductVersionNo"),
            int64_t(setup->ProductInfo->GetProductVersionId())});
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

    if (ui.ChooseLanguage) {
        // The dialog shows in every run without AUTO; AUTO takes its preselection.
        const int language = ui.ChooseLanguage(*setup->Resources, !setup->HasFlag(sfAuto));
        setup->Resources->InitializeLanguagesWith(language);
    } else {
        setup->Resources->InitializeLanguages(int32_t(GetUserDefaultUILanguage()));
    }
    LogFmt(u"Mode: %s; flags: %s; destination: %s; language: %s",
           {setup->Mode == smUninstall ? u"uninstall" : u"install", FlagNames(setup->Flags),
            setup->DestPath, setup->Resources->Language});
    if (!setup->HasFlag(sfSilent)) {
        if (!ui.RunWizard) throw EInstallerGeneralError(u"Setup is malformed");
        ui.RunWizard();
        if (setup->State != ssFinished) return EXIT_CANCELLED;
        if (setup->HasErrors()) return EXIT_FAILED;
        return setup->ExtractHelper->RestartRequired ? EXIT_RESTART_REQUIRED : EXIT_OK;
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

int SetupMain(const TSetupUserInterface& ui) {
    // The setup object outlives the error box, as it does the message loop.
    std::unique_ptr<TSetup> setup;
    int code = EXIT_FAILED;
    try {
        StartLog(GetParams());
        code = Run(setup, ui);
    } catch (const Exception& e) {
        ShowError(e.Message());
    } catch (const std::exception& e) {
        ShowError(FromUtf8(e.what()));
    }
    LogFmt(u"Exit code %d", {code});
    LogClose();
    return code;
}
