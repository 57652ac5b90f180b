// The close function of the descriptor owner.
#include "ZUX/Base/Handle.h"

#include <unistd.h>

namespace ZUX {

void TZUXDescriptorCloser::Close(int fd) noexcept {
    ::close(fd);
}

} // namespace ZUX
