// The last Win32 error and its system message.
#include "ZUX/Base/OSError.h"

#include "ZUX/Base/Exceptions.h"
#include "ZUX/Base/Win32.h"

namespace ZUX {

uint32_t GetLastOSError() {
    return ::GetLastError();
}

String SysErrorMessage(uint32_t code) {
    wchar_t buffer[512];
    DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
                                 FORMAT_MESSAGE_ARGUMENT_ARRAY,
                             nullptr, code, 0, buffer, DWORD(std::size(buffer)), nullptr);
    while (n > 0 && (buffer[n - 1] <= L' ' || buffer[n - 1] == L'.')) --n;
    return FromWStr(buffer, n);
}

void RaiseLastOSError() {
    const uint32_t code = GetLastOSError();
    throw EOSError(SysErrorMessage(code), code);
}

} // namespace ZUX
