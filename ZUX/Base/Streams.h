// Byte streams: the abstract stream, the growable memory stream.
#pragma once

#include "ZUX/Base/Exceptions.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

namespace ZUX {

enum class SeekOrigin { Begin, Current, End };

class TZUXStream {
public:
    virtual ~TZUXStream() = default;

    // Reads up to count bytes; returns how many were read (0 at the end).
    virtual int64_t Read(void* buffer, int64_t count) = 0;
    // Writes up to count bytes; returns how many were written.
    virtual int64_t Write(const void* buffer, int64_t count) = 0;
    // Returns the new position.
    virtual int64_t Seek(int64_t offset, SeekOrigin origin) = 0;
    virtual int64_t Size();
    virtual void SetSize(int64_t size) = 0;

    int64_t Position() { return Seek(0, SeekOrigin::Current); }
    void SetPosition(int64_t position) { Seek(position, SeekOrigin::Begin); }

    // Exactly count bytes or EReadError "Stream read error".
    void ReadBuffer(void* buffer, int64_t count);
    // Exactly count bytes or EWriteError "Stream write error".
    void WriteBuffer(const void* buffer, int64_t count);
    // Copies count bytes from source's position in blocks of blockSize;
    // a short read raises EReadError. Returns count.
    int64_t CopyFrom(TZUXStream& source, int64_t count, int64_t blockSize = 1 << 20);
    // Everything from the position to the end.
    Bytes ReadToEnd();
};

// A growable stream in memory; Memory() is the whole content. It lives on the
// heap, or, after ReserveBounded, in address space reserved for at most that
// many bytes and committed as it fills (no copy when it grows, and never more
// memory than the content).
class TZUXMemoryStream : public TZUXStream {
public:
    TZUXMemoryStream() = default;
    explicit TZUXMemoryStream(std::string_view data);
    ~TZUXMemoryStream() override;
    TZUXMemoryStream(const TZUXMemoryStream&) = delete;
    TZUXMemoryStream& operator=(const TZUXMemoryStream&) = delete;

    int64_t Read(void* buffer, int64_t count) override;
    // Short (possibly 0) only beyond the bound of a bounded stream or when
    // memory runs out.
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, SeekOrigin origin) override;
    int64_t Size() override { return size_; }
    void SetSize(int64_t size) override;

    void Clear();
    const uint8_t* Memory() const { return data_; }
    uint8_t* Memory() { return data_; }
    std::string_view Data() const { return {reinterpret_cast<const char*>(data_), size_t(size_)}; }
    // Makes room for capacity bytes without changing the size.
    void Reserve(int64_t capacity);
    // Empties the stream and bounds it to limit bytes, reserved up front.
    // False when the address space cannot be had (the stream stays on the heap).
    bool ReserveBounded(int64_t limit);

private:
    bool Grow(int64_t needed);
    void Release();

    uint8_t* data_ = nullptr;
    int64_t size_ = 0;
    int64_t capacity_ = 0;
    int64_t reserved_ = 0; // > 0: bounded, reserved address space (whole pages)
    int64_t bound_ = 0;    // the most a bounded stream holds
    int64_t position_ = 0;
};

// Feeds a digest from the stream's position to its end: a memory stream in one
// piece, any other in blocks of 256 bytes with the percentage after each block.
void UpdateDigestFromStream(TZUXStream& stream,
                            const std::function<void(const void*, size_t)>& update,
                            const std::function<void(int percent)>& progress);

// A read-only view of memory that someone else owns (a resource of the
// program, for example).
class TZUXBufferStream : public TZUXStream {
public:
    TZUXBufferStream(const void* data, int64_t size)
        : data_(static_cast<const uint8_t*>(data)), size_(size) {}

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void*, int64_t) override { return 0; }
    int64_t Seek(int64_t offset, SeekOrigin origin) override;
    int64_t Size() override { return size_; }
    void SetSize(int64_t) override { throw EWriteError(SWriteError); }

private:
    const uint8_t* data_;
    int64_t size_;
    int64_t position_ = 0;
};

} // namespace ZUX
