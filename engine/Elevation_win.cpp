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

bool RunElevated(const String& params) {
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
        if (GetLastError() == ERROR_CANCELLED) return false; // the user said no
        RaiseLastOSError();
    }
    const TZUXKernelHandle process(info.hProcess);
    if (process) {
        TSetupSpawnService::AcceptClient(GetProcessId(process.Get()));
        // The child's hand-offs arrive as sent messages: keep serving them.
        WaitServingMessages(process.Get(), INFINITE);
    }
    return true;
}
