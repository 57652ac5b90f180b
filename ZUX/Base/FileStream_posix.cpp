// Host side of the file stream: POSIX descriptors. Sharing bits have no
// meaning here and are ignored.
#include "ZUX/Base/FileStream.h"

#include "ZUX/Base/Format.h"
#include "ZUX/Base/OSError.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ZUX {

TZUXFileStream::TZUXFileStream(const String& fileName, uint32_t mode) : fileName_(fileName) {
    int flags;
    if ((mode & 0xFF00) == 0xFF00) {
        flags = O_RDWR | O_CREAT | O_TRUNC;
    } else {
        switch (mode & 0x0F) {
        case fmOpenWrite:
            flags = O_WRONLY;
            break;
        case fmOpenReadWrite:
            flags = O_RDWR;
            break;
        default:
            flags = O_RDONLY;
            break;
        }
    }
    const std::string path = ToUtf8(fileName);
    int fd = -1;
    do {
        fd = ::open(path.c_str(), flags | O_CLOEXEC, 0644);
    } while (fd < 0 && errno == EINTR);
    handle_ = TZUXFileHandle(fd);
    struct stat st {};
    if (handle_ && ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        handle_.Close();
        errno = EISDIR;
    }
    if (!handle_) {
        const uint32_t error = GetLastOSError();
        throw EFOpenError(
            Format(u"Cannot open file \"%s\". %s", {fileName, SysErrorMessage(error)}), error);
    }
}

int64_t TZUXFileStream::Read(void* buffer, int64_t count) {
    if (count <= 0) return 0;
    for (;;) {
        const ssize_t n = ::read(handle_.Get(), buffer, size_t(count));
        if (n >= 0) return n;
        // A failed read is no end of file: the caller would go on with a part.
        if (errno != EINTR) throw EReadError(SReadError);
    }
}

int64_t TZUXFileStream::Write(const void* buffer, int64_t count) {
    if (count <= 0) return 0;
    for (;;) {
        const ssize_t n = ::write(handle_.Get(), buffer, size_t(count));
        if (n >= 0) return n;
        if (errno != EINTR) return 0;
    }
}

int64_t TZUXFileStream::Seek(int64_t offset, SeekOrigin origin) {
    const int whence = origin == SeekOrigin::Begin     ? SEEK_SET
                       : origin == SeekOrigin::Current ? SEEK_CUR
                                                       : SEEK_END;
    const off_t r = ::lseek(handle_.Get(), off_t(offset), whence);
    if (r < 0) throw EReadError(SReadError);
    return r;
}

void TZUXFileStream::SetSize(int64_t size) {
    if (::ftruncate(handle_.Get(), off_t(size)) != 0) throw EWriteError(SWriteError);
    if (Position() > size) Seek(size, SeekOrigin::Begin);
}

} // namespace ZUX
