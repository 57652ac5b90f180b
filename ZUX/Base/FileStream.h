// File streams over the operating system's file handles (Win32 handles or
// POSIX descriptors), with the mode word of the support library.
#pragma once

#include "ZUX/Base/Handle.h"
#include "ZUX/Base/Streams.h"

#include <memory>

namespace ZUX {

// Mode word: low nibble the access, bits 4 to 7 the sharing; fmCreate wins
// whatever the low bits say.
enum : uint32_t {
    fmOpenRead = 0x0000,
    fmOpenWrite = 0x0001,
    fmOpenReadWrite = 0x0002,
    fmShareExclusive = 0x0010,
    fmShareDenyWrite = 0x0020, // others may read
    fmShareDenyRead = 0x0030,  // others may write
    fmShareDenyNone = 0x0040,  // others may read and write
    fmCreate = 0xFF00,
};

class TZUXFileStream : public TZUXStream {
public:
    // Raises EFOpenError "Cannot open file \"%s\". %s".
    TZUXFileStream(const String& fileName, uint32_t mode);
    ~TZUXFileStream() override = default;
    TZUXFileStream(const TZUXFileStream&) = delete;
    TZUXFileStream& operator=(const TZUXFileStream&) = delete;

    // 0 only at the end of the file; a failed read raises EReadError.
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, SeekOrigin origin) override;
    void SetSize(int64_t size) override;
    const String& FileName() const { return fileName_; }

private:
    String fileName_;
    TZUXFileHandle handle_;
};

// A file stream it owns, behind a buffer (reads and writes in whole buffers).
class TZUXBufferedFileStream : public TZUXStream {
public:
    static constexpr int64_t DefaultBufferSize = 262144;

    TZUXBufferedFileStream(const String& fileName, uint32_t mode,
                           int64_t bufferSize = DefaultBufferSize);
    explicit TZUXBufferedFileStream(std::unique_ptr<TZUXFileStream> file,
                                    int64_t bufferSize = DefaultBufferSize);
    // Flushes; a failing flush on destruction is lost, so writers call Flush.
    ~TZUXBufferedFileStream() override;

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, SeekOrigin origin) override;
    int64_t Size() override;
    void SetSize(int64_t size) override;
    // Writes pending bytes; raises EWriteError when the file takes fewer.
    void Flush();

private:
    void DropReadAhead();

    std::unique_ptr<TZUXFileStream> file_;
    // Not zero-filled: a file written in one piece costs no 256 KiB memset.
    std::unique_ptr<uint8_t[]> buffer_;
    int64_t bufferSize_;
    int64_t bufferPos_ = 0; // next byte in buffer_
    int64_t bufferLen_ = 0; // valid read-ahead bytes, or pending write bytes
    bool writing_ = false;
};

// Opened for reading, others may read and write. False instead of raising.
bool OpenFileForReading(const String& fileName, std::unique_ptr<TZUXBufferedFileStream>& stream);
// Created or truncated, exclusive. False instead of raising.
bool CreateFileForWriting(const String& fileName, std::unique_ptr<TZUXBufferedFileStream>& stream);

} // namespace ZUX
