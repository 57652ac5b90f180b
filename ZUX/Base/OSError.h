// The operating system's last error, as a code and as its message.
#pragma once

#include "ZUX/Base/Strings.h"

#include <cstdint>

namespace ZUX {

uint32_t GetLastOSError();
String SysErrorMessage(uint32_t code);
// Raises EOSError with the system's message for the last error.
[[noreturn]] void RaiseLastOSError();

} // namespace ZUX
