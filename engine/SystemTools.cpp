#include "engine/SystemTools.h"

#include "ZUX/Base/Exceptions.h"
#include "ZUX/Base/FileAttributes.h"
#include "ZUX/Base/FileSystem.h"
#include "ZUX/Base/Format.h"
#include "ZUX/Base/Locale.h"
#include "ZUX/Base/Log.h"
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
        LogFmt(u"File in use moved out of the way: %s to %s", {path, temp});
        ScheduleDeleteOnReboot(temp);
    }
}

void CopyFileOrRaise(const String& source, const String& target) {
    if (ZUX::CopyFile(source, target, false)) return;
    const uint32_t code = GetLastOSError();
    throw EOSError(Format(u"System Error.  Code: %d.\r\n%s%s",
                          {int64_t(code), SysErrorMessage(code), source + u" -> " + target}));
}

void ScheduleDeleteOnReboot(const String& path) {
    if (MoveFileExW(WStr(LongPathForm(path)), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT))
        LogFmt(u"File scheduled for deletion at restart: %s", {path});
    else
        LogLastError(u"File not scheduled for deletion at restart: " + path);
}

std::optional<uint32_t> RunAndWait(const String& commandLine) {
    std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end()); // CreateProcessW writes
    buffer.push_back(0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &info)) {
        LogLastError(u"Program not started: " + commandLine);
        return std::nullopt;
    }
    LogFmt(u"Program started: %s", {commandLine});
    const TKernelHandle process(info.hProcess), thread(info.hThread);
    // A console program has no input queue and fails this wait at once: it is
    // ready. Only a window that stays busy too long is left to itself.
    if (WaitForInputIdle(process.Get(), 5000) == WAIT_TIMEOUT) {
        Log(u"Program busy for more than 5 s: not waited for");
        return std::nullopt;
    }
    WaitForSingleObject(process.Get(), INFINITE);
    DWORD exitCode = 0;
    if (!GetExitCodeProcess(process.Get(), &exitCode)) return std::nullopt;
    LogFmt(u"Program ended with exit code %d", {int64_t(exitCode)});
    return uint32_t(exitCode);
}

bool IsUninstaller() {
    return SameText(ExtractFileName(GetProgramFileName()), u"Uninstall.exe");
}
