// A folder link for the tests of the walks: a symbolic link where Windows
// makes one. Wine 8 makes none (CreateSymbolicLinkW leaves no reparse point),
// but shows a Unix symbolic link in its drives as a folder with a reparse
// point, as Windows shows a link; there the link is made, and removed, from
// the Linux side. Wine cannot remove such a link itself.
#pragma once

#include "ChildProcessSupport.h"

#include "ZUX/Base/Handle.h"
#include "ZUX/Base/Shell.h"
#include "ZUX/Base/Strings.h"
#include "ZUX/Base/Win32.h"

#include <vector>

namespace ZUXTest {

using ZUX::String;

class TFolderLink {
public:
    // A link at link (no trailing backslash) to the folder target.
    TFolderLink(const String& link, const String& target) : link_(link) {
        if (CreateSymbolicLinkW(ZUX::WStr(link), ZUX::WStr(target), SYMBOLIC_LINK_FLAG_DIRECTORY) &&
            Made())
            return;
        if (!ZUX::IsRunningUnderWine()) return;
        const String unixLink = UnixPath(link), unixTarget = UnixPath(target);
        if (unixLink.empty() || unixTarget.empty()) return;
        unix_ = true;
        if (StartLinuxProgram(u"Z:\\bin\\ln -s -n \"" + unixTarget + u"\" \"" + unixLink + u"\""))
            WaitUntil([this] { return Made(); });
    }
    // The link goes; what it points to stays.
    ~TFolderLink() {
        if (!unix_) {
            RemoveDirectoryW(ZUX::WStr(link_));
        } else if (StartLinuxProgram(u"Z:\\bin\\rm -f \"" + UnixPath(link_) + u"\"")) {
            WaitUntil(
                [this] { return GetFileAttributesW(ZUX::WStr(link_)) == INVALID_FILE_ATTRIBUTES; });
        }
    }
    TFolderLink(const TFolderLink&) = delete;
    TFolderLink& operator=(const TFolderLink&) = delete;

    // Whether the link stands, as a folder with a reparse point.
    bool Made() const {
        const DWORD attributes = GetFileAttributesW(ZUX::WStr(link_));
        const DWORD link = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & link) == link;
    }

private:
    // Wine starts a Linux program given by its path in drive Z:, but hands
    // back no process to wait for: callers wait for its effect.
    static bool StartLinuxProgram(const String& commandLine) {
        std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
        buffer.push_back(0);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &startup, &info))
            return false;
        const ZUX::TZUXKernelHandle process(info.hProcess), thread(info.hThread);
        return true;
    }

    // Wine's own name of the Linux path of a Windows path; empty elsewhere.
    static String UnixPath(const String& path) {
        using TGetUnixFileName = char*(CDECL*)(const wchar_t*);
        const auto get = reinterpret_cast<TGetUnixFileName>(reinterpret_cast<void (*)()>(
            GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
        char* name = get ? get(ZUX::WStr(path)) : nullptr;
        if (!name) return String();
        String result = ZUX::FromUtf8(name);
        HeapFree(GetProcessHeap(), 0, name);
        while (!result.empty() && result.back() == u'/') result.pop_back();
        return result;
    }

    String link_;
    bool unix_ = false;
};

} // namespace ZUXTest
