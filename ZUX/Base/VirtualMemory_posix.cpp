// Reserved address space through mmap.
#include "ZUX/Base/VirtualMemory.h"

#include <sys/mman.h>
#include <unistd.h>

namespace ZUX {

void* VmReserve(size_t size) {
    void* p = ::mmap(nullptr, size, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    return p == MAP_FAILED ? nullptr : p;
}

bool VmCommit(void* base, size_t size) {
    return ::mprotect(base, size, PROT_READ | PROT_WRITE) == 0;
}

void VmRelease(void* base, size_t size) {
    if (base) ::munmap(base, size);
}

size_t VmPageSize() {
    return size_t(::sysconf(_SC_PAGESIZE));
}

} // namespace ZUX
