// Address space reserved up front and committed as it is used: a buffer can
// be bounded by a size read from a file without taking that much memory.
#pragma once

#include <cstddef>

namespace ZUX {

// nullptr on failure.
void* VmReserve(size_t size);
bool VmCommit(void* base, size_t size);
void VmRelease(void* base, size_t size);
size_t VmPageSize();

} // namespace ZUX
