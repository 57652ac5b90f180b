#include "engine/SystemTools.h"

#include "ZUX/Base/Exceptions.h"
#include "ZUX/Base/FileAttributes.h"
#include "ZUX/Base/FileSystem.h"
#include "ZUX/Base/Format.h"
#include "ZUX/Base/Locale.h"
#include "ZUX/Base/OSError.h"
#include "ZUX/Base/Paths.h"
#include "ZUX/Base/Win32.h"
#include "engine/KernelHandle.h"

#include <vector>

using namespace ZUX;

void DeleteFileOrSchedule(const String& path) {
    if (!FileExists(path)) return;
    SetFileAttr(path, 0);
    if (ZUX::DeleteFile(path)) return;
    // A running program's file cannot be deleted but can be moved: out of the
    // folder now, off the disk at the next restart.
    const String temp = ZUX::GetTempFileName(u"delete");
    ZUX::DeleteFile(temp);
    if (ZUX::MoveFile(path, temp)) {
        ScheduleDeleteOnReboot(temp);
        return;
    }
    // Another volume than the temporary folder: off the disk at the restart,
    // from where it stands.
    ZUX::DeleteFile(temp);
    ScheduleDeleteOnReboot(path);
}

void CopyFileOrRaise(const String& source, const String& target) {
    if (ZUX::CopyFile(source, target, false)) return;
    const uint32_t code = GetLastOSError();
    throw EOSError(Format(u"System Error.  Code: %d.\r\n%s%s",
                          {int64_t(code), SysErrorMessage(code), source + u" -> " + target}));
}

void ScheduleDeleteOnReboot(const String& path) {
    MoveFileExW(WStr(LongPathForm(path)), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

std::optional<uint32_t> RunAndWait(const String& commandLine, uint32_t timeoutMs) {
    std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end()); // CreateProcessW writes
    buffer.push_back(0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &info))
        return std::nullopt;
    const TKernelHandle process(info.hProcess), thread(info.hThread);
    // A tool that is slow to show its window is still at work: what comes
    // next (deleting it, with the uninstaller) must wait until it has ended.
    if (WaitForSingleObject(process.Get(), timeoutMs) != WAIT_OBJECT_0) return std::nullopt;
    DWORD exitCode = 0;
    if (!GetExitCodeProcess(process.Get(), &exitCode)) return std::nullopt;
    return uint32_t(exitCode);
}

bool IsUninstaller() {
    return SameText(ExtractFileName(GetProgramFileName()), u"Uninstall.exe");
}
