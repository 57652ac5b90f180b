// Reserved address space through VirtualAlloc.
#include "ZUX/Base/VirtualMemory.h"
#include "ZUX/Base/Win32.h"

namespace ZUX {

void* VmReserve(size_t size) {
    return VirtualAlloc(nullptr, size, MEM_RESERVE, PAGE_NOACCESS);
}

bool VmCommit(void* base, size_t size) {
    return VirtualAlloc(base, size, MEM_COMMIT, PAGE_READWRITE) != nullptr;
}

void VmRelease(void* base, size_t) {
    if (base) VirtualFree(base, 0, MEM_RELEASE);
}

size_t VmPageSize() {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info.dwPageSize;
}

} // namespace ZUX
