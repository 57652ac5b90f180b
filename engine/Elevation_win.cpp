// The elevated relaunch of the program.
#include "engine/Elevation.h"

#include "ZUX/Base/FileSystem.h"
#include "ZUX/Base/Format.h"
#include "ZUX/Base/Handle.h"
#include "ZUX/Base/MessageWindow.h"
#include "ZUX/Base/OSError.h"
#include "ZUX/Base/Win32.h"
#include "engine/SpawnService.h"

#include <shellapi.h>

using namespace ZUX;

bool RunsAsAdministrator() {
    // Asked of the token through advapi32: the shell's own question would load
    // the shell, and its libraries, before the first window.
    BYTE administrators[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof administrators;
    if (!CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &size))
        return false;
    BOOL member = FALSE;
    return CheckTokenMembership(nullptr, administrators, &member) && member;
}

std::optional<uint32_t> RunElevated(const String& params) {
    TSetupSpawnService::Initialize(0);
    const String parameters = Format(
        u"/%s=%d %s",
        {u"SKIPUAC", int64_t(reinterpret_cast<intptr_t>(TSetupSpawnService::Token())), params});
    const String program = GetProgramFileName();
    const String folder = GetCurrentDir();

    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask =
        SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOZONECHECKS;
    info.lpVerb = L"runas";
    info.lpFile = WStr(program);
    info.lpParameters = WStr(parameters);
    info.lpDirectory = WStr(folder);
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&info)) {
        if (GetLastError() == ERROR_CANCELLED) return std::nullopt; // the user said no
        RaiseLastOSError();
    }
    const TZUXKernelHandle process(info.hProcess);
    if (!process) return 1; // started, but its outcome cannot be known
    TSetupSpawnService::AcceptClient(GetProcessId(process.Get()));
    // The child's hand-offs arrive as sent messages: keep serving them.
    WaitServingMessages(process.Get(), INFINITE);
    // The script that started us must hear how the real run ended.
    DWORD exitCode = 1;
    if (!GetExitCodeProcess(process.Get(), &exitCode)) return 1;
    return uint32_t(exitCode);
}
