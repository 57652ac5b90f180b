// Host side: read-only is the absence of the owner's write bit; the other
// Windows attributes have no counterpart.
#include "ZUX/Base/FileAttributes.h"

#include <sys/stat.h>

namespace ZUX {

uint32_t GetFileAttr(const String& p) {
    struct stat st {};
    if (p.empty() || ::stat(ToUtf8(p).c_str(), &st) != 0) return faInvalid;
    uint32_t a = S_ISDIR(st.st_mode) ? faDirectory : 0;
    if (!(st.st_mode & S_IWUSR)) a |= faReadOnly;
    return a ? a : faNormal;
}

bool SetFileAttr(const String& p, uint32_t attributes) {
    struct stat st {};
    const std::string path = ToUtf8(p);
    if (p.empty() || ::stat(path.c_str(), &st) != 0) return false;
    mode_t mode = st.st_mode & 07777;
    mode = (attributes & faReadOnly) ? (mode & ~mode_t(0222)) : (mode | S_IWUSR);
    return ::chmod(path.c_str(), mode) == 0;
}

} // namespace ZUX
