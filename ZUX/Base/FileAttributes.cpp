// File attributes: the checks shared by both platforms.
#include "ZUX/Base/FileAttributes.h"

namespace ZUX {

bool FileExists(const String& p) {
    const uint32_t a = GetFileAttr(p);
    return a != faInvalid && !(a & faDirectory);
}

bool DirectoryExists(const String& p) {
    const uint32_t a = GetFileAttr(p);
    return a != faInvalid && (a & faDirectory);
}

} // namespace ZUX
