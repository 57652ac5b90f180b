// The Windows shell and processes: starting, shell links, notices.
#include "ZUX/Base/Log.h"
#include "ZUX/Base/Shell.h"

#include "ZUX/Base/Com.h"
#include "ZUX/Base/FileAttributes.h"
#include "ZUX/Base/Handle.h"
#include "ZUX/Base/Paths.h"
#include "ZUX/Base/Strings.h"
#include "ZUX/Base/Win32.h"

#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

// <shellapi.h> brings the macro back that would rename our own function.
#undef ShellExecute

#include <vector>

namespace ZUX {

namespace {

bool Accepted(HINSTANCE result) {
    return reinterpret_cast<INT_PTR>(result) > 32;
}

// One argument as the C runtime splits a command line: quotes around it,
// backslashes doubled where a quote follows them.
String QuoteArgument(const String& arg) {
    String out = u"\"";
    size_t slashes = 0;
    for (const char16_t c : arg) {
        if (c == u'\\') {
            ++slashes;
            continue;
        }
        out.append(c == u'"' ? slashes * 2 + 1 : slashes, u'\\');
        slashes = 0;
        out += c;
    }
    out.append(slashes * 2, u'\\');
    out += u'"';
    return out;
}

// Starts a program without waiting for it.
bool StartProcess(const String& commandLine) {
    std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back(0);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return false;
    const TZUXKernelHandle processHandle(process.hProcess), threadHandle(process.hThread);
    return true;
}

bool ShellDefaultVerb(const String& file, const wchar_t* parameters, const wchar_t* folder) {
    const TZUXComInit com; // shell extensions may need it; the call works without
    return Accepted(ShellExecuteW(nullptr, nullptr, WStr(file), parameters, folder, SW_SHOW));
}

// "\\?\" in front, so a link in a deep folder still loads.
String PrefixedLinkPath(const String& p) {
    if (StartsWith(p, u"\\\\?\\")) return p;
    String path = p;
    for (auto& c : path)
        if (c == u'/') c = u'\\'; // no separator is translated behind the prefix
    if (IsUNCPath(path)) return u"\\\\?\\UNC\\" + path.substr(2);
    if (path.size() >= 3 && path[1] == u':' && path[2] == u'\\') return u"\\\\?\\" + path;
    return p; // a relative path has no prefixed form
}

} // namespace

bool IsRunningUnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

bool ShellExecute(const String& fileName, const String& parameters) {
    bool started = false;
    try {
        if (IsURL(fileName) || StartsWith(fileName, u"mailto:", true))
            started = ShellOpen(fileName);
        else
            started = ShellDefaultVerb(fileName, WStr(parameters), L"");
    } catch (...) {
    }
    if (started)
        LogFmt(u"Program started: %s %s", {fileName, parameters});
    else
        LogLastError(u"Program not started: " + fileName + u" " + parameters);
    return started;
}

bool ShellOpen(const String& target) {
    try {
        if (IsRunningUnderWine()) return StartProcess(u"winebrowser " + QuoteArgument(target));
        return ShellDefaultVerb(target, nullptr, nullptr);
    } catch (...) {
        return false;
    }
}

bool OpenLink(const String& text) {
    try {
        if (text.find(u"//") != String::npos) return ShellOpen(text);
        if (DirectoryExists(text)) return ShellDefaultVerb(text, nullptr, nullptr);
        return ShellOpen(u"https://" + text);
    } catch (...) {
        return false;
    }
}

void ShellRefresh() {
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST | SHCNF_FLUSH, nullptr, nullptr);
    Sleep(1000);
}

bool CreateShortcut(const String& linkFile, const String& target) {
    try {
        if (!FileExists(target)) return false;
        const TZUXComInit com;
        if (!com.Ready()) return false;
        TZUXComPtr<IShellLinkW> link;
        if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_PPV_ARGS(link.GetAddressOf()))) ||
            FAILED(link->SetPath(WStr(target))))
            return false;
        TZUXComPtr<IPersistFile> file;
        if (FAILED(link.As(&file))) return false;
        return SUCCEEDED(file->Save(WStr(linkFile), TRUE));
    } catch (...) {
        return false;
    }
}

bool GetShortcutTarget(const String& linkFile, String& target) {
    target.clear();
    try {
        if (!EndsWith(linkFile, u".lnk", true)) return false;
        const TZUXComInit com;
        if (!com.Ready()) return false;
        TZUXComPtr<IShellLinkW> link;
        TZUXComPtr<IPersistFile> file;
        if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_PPV_ARGS(link.GetAddressOf()))) ||
            FAILED(link.As(&file)) ||
            FAILED(file->Load(WStr(PrefixedLinkPath(linkFile)), STGM_READ)))
            return false;
        std::vector<wchar_t> path(32768);
        // S_FALSE: a link without a path; the buffer is then empty.
        if (FAILED(link->GetPath(path.data(), int(path.size()), nullptr, 0))) return false;
        path.back() = 0;
        target = FromWStr(path.data());
        return true;
    } catch (...) {
        return false;
    }
}

TZUXKernelHandle StartProgram(const String& commandLine) {
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
        return TZUXKernelHandle();
    }
    LogFmt(u"Program started: %s", {commandLine});
    const TZUXKernelHandle thread(info.hThread);
    return TZUXKernelHandle(info.hProcess);
}

std::optional<uint32_t> WaitForProgram(const TZUXKernelHandle& process, uint32_t timeoutMs) {
    if (!process) return std::nullopt;
    // A tool that is slow to show its window is still at work: what comes
    // next (deleting it, with the uninstaller) must wait until it has ended.
    if (WaitForSingleObject(process.Get(), timeoutMs) != WAIT_OBJECT_0) {
        LogFmt(u"Program still running after %d s: not waited for any longer",
               {int64_t(timeoutMs / 1000)});
        return std::nullopt;
    }
    DWORD exitCode = 0;
    if (!GetExitCodeProcess(process.Get(), &exitCode)) return std::nullopt;
    LogFmt(u"Program ended with exit code %d", {int64_t(exitCode)});
    return uint32_t(exitCode);
}

std::optional<uint32_t> RunAndWait(const String& commandLine, uint32_t timeoutMs) {
    return WaitForProgram(StartProgram(commandLine), timeoutMs);
}

} // namespace ZUX
