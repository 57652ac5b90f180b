// The abstract byte stream and the memory stream.
#include "ZUX/Base/Streams.h"

#include "ZUX/Base/VirtualMemory.h"

#include <algorithm>
#include <cstdlib>
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

TZUXMemoryStream::TZUXMemoryStream(std::string_view data) {
    if (!data.empty() && Grow(int64_t(data.size()))) {
        std::memcpy(data_, data.data(), data.size());
        size_ = int64_t(data.size());
    }
}

TZUXMemoryStream::~TZUXMemoryStream() {
    Release();
}

void TZUXMemoryStream::Release() {
    if (reserved_ > 0)
        VmRelease(data_, size_t(reserved_));
    else
        std::free(data_);
    data_ = nullptr;
    size_ = capacity_ = reserved_ = bound_ = position_ = 0;
}

bool TZUXMemoryStream::Grow(int64_t needed) {
    if (needed <= capacity_) return true;
    if (reserved_ > 0) {
        if (needed > bound_) return false;
        // Commit in steps of 1 MiB so small writes do not call the system each time.
        const int64_t step = 1 << 20;
        const int64_t target = std::min(reserved_, (needed + step - 1) / step * step);
        if (!VmCommit(data_ + capacity_, size_t(target - capacity_))) return false;
        capacity_ = target;
        return true;
    }
    const int64_t target = std::max({needed, capacity_ + capacity_ / 2, int64_t(256)});
    auto* p = static_cast<uint8_t*>(std::realloc(data_, size_t(target)));
    if (!p) return false;
    data_ = p;
    capacity_ = target;
    return true;
}

bool TZUXMemoryStream::ReserveBounded(int64_t limit) {
    Release();
    if (limit <= 0) return true;
    const int64_t page = int64_t(VmPageSize());
    const int64_t rounded = (limit + page - 1) / page * page;
    void* p = VmReserve(size_t(rounded));
    if (!p) return false;
    data_ = static_cast<uint8_t*>(p);
    reserved_ = rounded;
    bound_ = limit;
    return true;
}

int64_t TZUXMemoryStream::Read(void* buffer, int64_t count) {
    if (count <= 0 || position_ >= size_) return 0;
    const int64_t n = std::min(count, size_ - position_);
    std::memcpy(buffer, data_ + position_, size_t(n));
    position_ += n;
    return n;
}

int64_t TZUXMemoryStream::Write(const void* buffer, int64_t count) {
    if (count <= 0) return 0;
    int64_t end = position_ + count;
    if (reserved_ > 0 && end > bound_) end = bound_; // a bounded stream takes what fits
    if (end <= position_ || !Grow(end)) return 0;
    count = end - position_;
    if (position_ > size_) std::memset(data_ + size_, 0, size_t(position_ - size_));
    std::memcpy(data_ + position_, buffer, size_t(count));
    position_ = end;
    size_ = std::max(size_, end);
    return count;
}

int64_t TZUXMemoryStream::Seek(int64_t offset, SeekOrigin origin) {
    int64_t base = 0;
    if (origin == SeekOrigin::Current) base = position_;
    if (origin == SeekOrigin::End) base = size_;
    const int64_t target = base + offset;
    if (target < 0) throw EReadError(SReadError);
    position_ = target;
    return position_;
}

void TZUXMemoryStream::SetSize(int64_t size) {
    size = std::max<int64_t>(size, 0);
    if (!Grow(size)) throw EWriteError(SWriteError);
    if (size > size_) std::memset(data_ + size_, 0, size_t(size - size_));
    size_ = size;
    position_ = std::min(position_, size_);
}

void TZUXMemoryStream::Clear() {
    Release();
}

void TZUXMemoryStream::Reserve(int64_t capacity) {
    Grow(capacity);
}

int64_t TZUXBufferStream::Read(void* buffer, int64_t count) {
    if (count <= 0 || position_ >= size_) return 0;
    const int64_t n = std::min(count, size_ - position_);
    std::memcpy(buffer, data_ + position_, size_t(n));
    position_ += n;
    return n;
}

int64_t TZUXBufferStream::Seek(int64_t offset, SeekOrigin origin) {
    const int64_t base = origin == SeekOrigin::Begin     ? 0
                         : origin == SeekOrigin::Current ? position_
                                                         : size_;
    if (base + offset < 0) throw EReadError(SReadError);
    position_ = base + offset;
    return position_;
}

void UpdateDigestFromStream(TZUXStream& stream,
                            const std::function<void(const void*, size_t)>& update,
                            const std::function<void(int)>& progress) {
    if (auto* memory = dynamic_cast<TZUXMemoryStream*>(&stream)) {
        const int64_t pos = memory->Position();
        const int64_t size = memory->Size();
        if (pos < size) update(memory->Memory() + pos, size_t(size - pos));
        memory->Seek(0, SeekOrigin::End);
        return;
    }
    const int64_t start = stream.Position();
    const int64_t total = stream.Size() - start;
    int64_t done = 0;
    uint8_t block[256];
    for (;;) {
        const int64_t n = stream.Read(block, sizeof block);
        if (n <= 0) break;
        update(block, size_t(n));
        done += n;
        if (progress && total > 0) progress(int(std::min(done, total) * 100 / total));
    }
}

} // namespace ZUX
