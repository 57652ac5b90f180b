// A fresh folder under the temporary folder for one test, removed with
// everything in it (read-only and system entries included) when dropped.
#pragma once

#include "ZUX/Base/FileStream.h"
#include "ZUX/Base/Handle.h"
#include "ZUX/Base/Paths.h"
#include "ZUX/Base/Strings.h"
#include "ZUX/Base/Win32.h"

#include <vector>

namespace ZUXTest {

using ZUX::String;

// Writes text as bytes (ASCII) into a new file.
inline void WriteFile(const String& path, std::string_view bytes = "x") {
    ZUX::TZUXFileStream file(path, ZUX::fmCreate);
    file.WriteBuffer(bytes.data(), int64_t(bytes.size()));
}

// Deletes a tree with the raw API, whatever the attributes say; the code under
// test is not trusted to clean up after itself. A link is removed, never
// entered: what it points to is not the test's.
inline void RemoveTree(const String& folder) {
    std::vector<String> subfolders;
    WIN32_FIND_DATAW data;
    const ZUX::TZUXFindHandle h(FindFirstFileW(ZUX::WStr(ZUX::LongPathForm(folder + u"*")), &data));
    if (h) {
        do {
            const String name = ZUX::FromWStr(data.cFileName);
            if (name == u"." || name == u"..") continue;
            const String full = folder + name;
            SetFileAttributesW(ZUX::WStr(ZUX::LongPathForm(full)), FILE_ATTRIBUTE_NORMAL);
            const DWORD link = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
            if ((data.dwFileAttributes & link) == link)
                RemoveDirectoryW(ZUX::WStr(ZUX::LongPathForm(full)));
            else if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                subfolders.push_back(full + u"\\");
            else
                DeleteFileW(ZUX::WStr(ZUX::LongPathForm(full)));
        } while (FindNextFileW(h.Get(), &data));
    }
    for (const String& sub : subfolders) RemoveTree(sub);
    RemoveDirectoryW(ZUX::WStr(ZUX::LongPathForm(folder)));
}

class TTestFolder {
public:
    TTestFolder() {
        // A unique name from the system's temporary-file service, made a folder.
        wchar_t temp[MAX_PATH + 1], name[MAX_PATH];
        GetTempPathW(MAX_PATH + 1, temp);
        GetTempFileNameW(temp, L"zt", 0, name);
        DeleteFileW(name);
        CreateDirectoryW(name, nullptr);
        path_ = ZUX::FromWStr(name) + u"\\";
    }
    ~TTestFolder() { RemoveTree(path_); }
    TTestFolder(const TTestFolder&) = delete;
    TTestFolder& operator=(const TTestFolder&) = delete;

    // The folder, with a trailing backslash.
    const String& Path() const { return path_; }
    String operator/(const String& relative) const { return path_ + relative; }

private:
    String path_;
};

} // namespace ZUXTest
