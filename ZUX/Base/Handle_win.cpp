// The close functions of the handle owners.
#include "ZUX/Base/Handle.h"

#include "ZUX/Base/Win32.h"

namespace ZUX {

void TZUXKernelHandleCloser::Close(void* handle) noexcept {
    CloseHandle(handle);
}

void TZUXFindHandleCloser::Close(void* handle) noexcept {
    ::FindClose(handle);
}

void TZUXModuleCloser::Close(HINSTANCE__* module) noexcept {
    FreeLibrary(module);
}

} // namespace ZUX
