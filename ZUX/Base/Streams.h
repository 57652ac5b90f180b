// Byte streams: the abstract stream, the growable memory stream.
#pragma once

#include "ZUX/Base/Exceptions.h"

#include <cstddef>
#include <cstdint>
#include <memory>
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

// A growable stream in memory; Memory() is the whole content.
class TZUXMemoryStream : public TZUXStream {
public:
    TZUXMemoryStream() = default;
    explicit TZUXMemoryStream(Bytes data) : data_(std::move(data)) {}

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, SeekOrigin origin) override;
    int64_t Size() override { return int64_t(data_.size()); }
    void SetSize(int64_t size) override;

    void Clear();
    const uint8_t* Memory() const { return reinterpret_cast<const uint8_t*>(data_.data()); }
    uint8_t* Memory() { return reinterpret_cast<uint8_t*>(data_.data()); }
    const Bytes& Data() const { return data_; }
    // Reserves room without changing the size (never more than asked).
    void Reserve(int64_t capacity);

private:
    Bytes data_;
    int64_t position_ = 0;
};

} // namespace ZUX
