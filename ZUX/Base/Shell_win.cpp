// The Windows shell and processes: starting, shell links, notices.
#include "ZUX/Base/Log.h"
#include "ZUX/Base/Shell.h"

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

struct TComUninitializer {
    static void Close(bool) noexcept { CoUninitialize(); }
};

// COM on the calling thread for the lifetime of the object. A thread that
// already runs COM in the other threading model can use it as it is.
class TComInit {
public:
    TComInit()
        : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)),
          initialized_(SUCCEEDED(hr_)) {}

    bool Ready() const { return SUCCEEDED(hr_) || hr_ == RPC_E_CHANGED_MODE; }

private:
    HRESULT hr_;
    TZUXHandle<bool, TComUninitializer> initialized_; // uninitialised when dropped
};

struct TComReleaser {
    template <typename T> static void Close(T* object) noexcept { object->Release(); }
};

// Owns one reference to a COM object.
template <typename T> using TComPtr = TZUXHandle<T*, TComReleaser>;

// For the functions that hand out a new reference.
template <typename T> void** Put(TComPtr<T>& object) {
    return reinterpret_cast<void**>(object.Put());
}

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
    const TComInit com; // shell extensions may need it; the call works without
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
        const TComInit com;
        if (!com.Ready()) return false;
        TComPtr<IShellLinkW> link;
        if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                    Put(link))) ||
            FAILED(link->SetPath(WStr(target))))
            return false;
        TComPtr<IPersistFile> file;
        if (FAILED(link->QueryInterface(IID_IPersistFile, Put(file)))) return false;
        return SUCCEEDED(file->Save(WStr(linkFile), TRUE));
    } catch (...) {
        return false;
    }
}

bool GetShortcutTarget(const String& linkFile, String& target) {
    target.clear();
    try {
        if (!EndsWith(linkFile, u".lnk", true)) return false;
        const TComInit com;
        if (!com.Ready()) return false;
        TComPtr<IShellLinkW> link;
        TComPtr<IPersistFile> file;
        if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                    Put(link))) ||
            FAILED(link->QueryInterface(IID_IPersistFile, Put(file))) ||
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
    const TZUXKernelHandle process(info.hProcess), thread(info.hThread);
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

} // namespace ZUX
