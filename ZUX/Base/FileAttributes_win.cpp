// File attributes through the Win32 file functions.
#include "ZUX/Base/FileAttributes.h"

#include "ZUX/Base/Paths.h"
#include "ZUX/Base/Win32.h"

namespace ZUX {

uint32_t GetFileAttr(const String& p) {
    if (p.empty()) return faInvalid;
    DWORD oldMode = 0;
    const BOOL changed = SetThreadErrorMode(SEM_FAILCRITICALERRORS, &oldMode);
    const DWORD a = GetFileAttributesW(WStr(LongPathForm(p)));
    if (changed) SetThreadErrorMode(oldMode, nullptr);
    return a;
}

bool SetFileAttr(const String& p, uint32_t attributes) {
    if (p.empty()) return false;
    return SetFileAttributesW(WStr(LongPathForm(p)),
                              attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes) != 0;
}

} // namespace ZUX
