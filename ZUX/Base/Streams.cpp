#include "ZUX/Base/Streams.h"

#include <algorithm>
#include <cstring>

namespace ZUX {

int64_t TZUXStream::Size() {
    const int64_t pos = Position();
    const int64_t size = Seek(0, SeekOrigin::End);
    Seek(pos, SeekOrigin::Begin);
    return size;
}

void TZUXStream::ReadBuffer(void* buffer, int64_t count) {
    auto* p = static_cast<uint8_t*>(buffer);
    while (count > 0) {
        const int64_t n = Read(p, count);
        if (n <= 0) throw EReadError(SReadError);
        p += n;
        count -= n;
    }
}

void TZUXStream::WriteBuffer(const void* buffer, int64_t count) {
    const auto* p = static_cast<const uint8_t*>(buffer);
    while (count > 0) {
        const int64_t n = Write(p, count);
        if (n <= 0) throw EWriteError(SWriteError);
        p += n;
        count -= n;
    }
}

int64_t TZUXStream::CopyFrom(TZUXStream& source, int64_t count, int64_t blockSize) {
    if (count <= 0) return 0;
    std::vector<uint8_t> block(size_t(std::min(count, blockSize)));
    for (int64_t left = count; left > 0;) {
        const int64_t n = std::min<int64_t>(left, int64_t(block.size()));
        source.ReadBuffer(block.data(), n);
        WriteBuffer(block.data(), n);
        left -= n;
    }
    return count;
}

Bytes TZUXStream::ReadToEnd() {
    Bytes out;
    uint8_t block[65536];
    for (;;) {
        const int64_t n = Read(block, sizeof block);
        if (n <= 0) break;
        out.append(reinterpret_cast<const char*>(block), size_t(n));
    }
    return out;
}

int64_t TZUXMemoryStream::Read(void* buffer, int64_t count) {
    const int64_t size = Size();
    if (count <= 0 || position_ >= size) return 0;
    const int64_t n = std::min(count, size - position_);
    std::memcpy(buffer, data_.data() + position_, size_t(n));
    position_ += n;
    return n;
}

int64_t TZUXMemoryStream::Write(const void* buffer, int64_t count) {
    if (count <= 0) return 0;
    const int64_t end = position_ + count;
    if (end > Size()) {
        // Grow geometrically, as a string does, but never on the caller's say-so.
        data_.resize(size_t(end));
    }
    std::memcpy(data_.data() + position_, buffer, size_t(count));
    position_ = end;
    return count;
}

int64_t TZUXMemoryStream::Seek(int64_t offset, SeekOrigin origin) {
    int64_t base = 0;
    if (origin == SeekOrigin::Current) base = position_;
    if (origin == SeekOrigin::End) base = Size();
    const int64_t target = base + offset;
    if (target < 0) throw EReadError(SReadError);
    position_ = target;
    return position_;
}

void TZUXMemoryStream::SetSize(int64_t size) {
    data_.resize(size_t(std::max<int64_t>(size, 0)));
    position_ = std::min(position_, Size());
}

void TZUXMemoryStream::Clear() {
    Bytes().swap(data_);
    position_ = 0;
}

void TZUXMemoryStream::Reserve(int64_t capacity) {
    if (capacity > int64_t(data_.capacity())) data_.reserve(size_t(capacity));
}

} // namespace ZUX
