// The last error of the C library (errno) and its message.
#include "ZUX/Base/OSError.h"

#include "ZUX/Base/Exceptions.h"

#include <cerrno>
#include <cstring>

namespace ZUX {

uint32_t GetLastOSError() {
    return uint32_t(errno);
}

String SysErrorMessage(uint32_t code) {
    return FromUtf8(std::strerror(int(code)));
}

void RaiseLastOSError() {
    const uint32_t code = GetLastOSError();
    throw EOSError(SysErrorMessage(code), code);
}

} // namespace ZUX
