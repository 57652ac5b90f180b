// The host tools' output files: written beside the target through a
// descriptor stream, renamed over it only when complete.
#include "tools/ipk5/TemporaryFile.h"

#include "ZUX/Base/Exceptions.h"
#include "tools/ipk5/Commands.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace ZUX;

namespace ipk5 {

int64_t TDescriptorStream::Read(void* buffer, int64_t count) {
    const ssize_t n = ::read(fd_, buffer, size_t(count));
    return n < 0 ? 0 : n;
}

int64_t TDescriptorStream::Write(const void* buffer, int64_t count) {
    for (;;) {
        const ssize_t n = ::write(fd_, buffer, size_t(count));
        if (n >= 0) return n;
        if (errno != EINTR) {
            error_ = errno;
            return 0;
        }
    }
}

int64_t TDescriptorStream::Seek(int64_t offset, SeekOrigin origin) {
    const int whence = origin == SeekOrigin::Begin     ? SEEK_SET
                       : origin == SeekOrigin::Current ? SEEK_CUR
                                                       : SEEK_END;
    const off_t r = ::lseek(fd_, off_t(offset), whence);
    if (r < 0) throw EReadError(SReadError);
    return r;
}

void TDescriptorStream::SetSize(int64_t size) {
    if (::ftruncate(fd_, off_t(size)) != 0) throw EWriteError(SWriteError);
}

TTemporaryFile::TTemporaryFile(const std::string& target) : target_(target) {
    const fs::path p(target);
    std::string name = (p.parent_path() / ("." + p.filename().string() + ".XXXXXX")).string();
    fd_ = TZUXDescriptor(::mkostemp(name.data(), O_CLOEXEC));
    if (!fd_)
        throw TToolError(target +
                         ": cannot create a temporary file beside it: " + std::strerror(errno));
    path_ = std::move(name);
}

TTemporaryFile::~TTemporaryFile() {
    if (!path_.empty()) ::unlink(path_.c_str());
}

void TTemporaryFile::Replace() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    if (::fchmod(fd_.Get(), 0666 & ~mask) != 0 || ::fsync(fd_.Get()) != 0) Fail("cannot write");
    // Closing reports whether the last writes reached the file.
    if (::close(fd_.Release()) != 0) Fail("cannot write");
    if (::rename(path_.c_str(), target_.c_str()) != 0) Fail("cannot replace");
    path_.clear();
}

void TTemporaryFile::Fail(const char* what) {
    throw TToolError(target_ + ": " + what + ": " + std::strerror(errno));
}

} // namespace ipk5
