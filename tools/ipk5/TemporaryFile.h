// Output files of the host tools: a new file is written beside its target and
// renamed over it only when complete, so a failed run never leaves a half-written
// file under the target's name.
#pragma once

#include "ZUX/Base/Handle.h"
#include "ZUX/Base/Streams.h"

#include <string>

namespace ipk5 {

// Writes to a descriptor and keeps the reason of the last failed write.
class TDescriptorStream : public ZUX::TZUXStream {
public:
    explicit TDescriptorStream(int fd) : fd_(fd) {}
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, ZUX::SeekOrigin origin) override;
    void SetSize(int64_t size) override;
    int Error() const { return error_; }

private:
    int fd_;
    int error_ = 0;
};

// A new file beside the target, removed again unless it replaces the target.
// Failures raise TToolError naming the target.
class TTemporaryFile {
public:
    explicit TTemporaryFile(const std::string& target);
    ~TTemporaryFile();
    TTemporaryFile(const TTemporaryFile&) = delete;
    TTemporaryFile& operator=(const TTemporaryFile&) = delete;

    int Descriptor() const { return fd_.Get(); }
    const std::string& Path() const { return path_; }

    // Makes the file what a newly created one would be, puts it on the disk
    // and only then in place of the target.
    void Replace();

private:
    [[noreturn]] void Fail(const char* what);

    std::string target_;
    std::string path_;
    ZUX::TZUXDescriptor fd_;
};

} // namespace ipk5
