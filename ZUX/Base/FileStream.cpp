// File streams: the buffered stream and opening for reading.
#include "ZUX/Base/FileStream.h"

#include <algorithm>
#include <cstring>

namespace ZUX {

TZUXBufferedFileStream::TZUXBufferedFileStream(const String& fileName, uint32_t mode,
                                               int64_t bufferSize)
    : TZUXBufferedFileStream(std::make_unique<TZUXFileStream>(fileName, mode), bufferSize) {}

TZUXBufferedFileStream::TZUXBufferedFileStream(std::unique_ptr<TZUXFileStream> file,
                                               int64_t bufferSize)
    : file_(std::move(file)),
      buffer_(std::make_unique_for_overwrite<uint8_t[]>(size_t(std::max<int64_t>(bufferSize, 1)))),
      bufferSize_(std::max<int64_t>(bufferSize, 1)) {}

TZUXBufferedFileStream::~TZUXBufferedFileStream() {
    try {
        Flush();
    } catch (...) {
        // Nothing can be reported from here; writers that care call Flush.
    }
}

void TZUXBufferedFileStream::Flush() {
    if (!writing_) return;
    int64_t done = 0;
    while (done < bufferLen_) {
        const int64_t n = file_->Write(buffer_.get() + done, bufferLen_ - done);
        if (n <= 0) {
            // Keep what was not written, so the bytes are not silently lost.
            std::memmove(buffer_.get(), buffer_.get() + done, size_t(bufferLen_ - done));
            bufferLen_ -= done;
            throw EWriteError(SWriteError);
        }
        done += n;
    }
    bufferLen_ = 0;
    writing_ = false;
}

void TZUXBufferedFileStream::DropReadAhead() {
    if (writing_ || bufferPos_ == bufferLen_) {
        bufferPos_ = bufferLen_ = 0;
        return;
    }
    file_->Seek(-(bufferLen_ - bufferPos_), SeekOrigin::Current);
    bufferPos_ = bufferLen_ = 0;
}

int64_t TZUXBufferedFileStream::Read(void* buffer, int64_t count) {
    if (count <= 0) return 0;
    Flush();
    auto* out = static_cast<uint8_t*>(buffer);
    int64_t total = 0;
    while (count > 0) {
        if (bufferPos_ == bufferLen_) {
            bufferPos_ = bufferLen_ = 0;
            if (count >= bufferSize_) {
                const int64_t n = file_->Read(out, count);
                if (n <= 0) break;
                total += n;
                break;
            }
            const int64_t n = file_->Read(buffer_.get(), bufferSize_);
            if (n <= 0) break;
            bufferLen_ = n;
        }
        const int64_t n = std::min(count, bufferLen_ - bufferPos_);
        std::memcpy(out, buffer_.get() + bufferPos_, size_t(n));
        bufferPos_ += n;
        out += n;
        total += n;
        count -= n;
    }
    return total;
}

int64_t TZUXBufferedFileStream::Write(const void* buffer, int64_t count) {
    if (count <= 0) return 0;
    if (!writing_) {
        DropReadAhead();
        writing_ = true;
    }
    const int64_t capacity = bufferSize_;
    if (bufferLen_ + count > capacity) {
        Flush();
        writing_ = true;
        if (count >= capacity) {
            writing_ = false;
            return file_->Write(buffer, count);
        }
    }
    std::memcpy(buffer_.get() + bufferLen_, buffer, size_t(count));
    bufferLen_ += count;
    return count;
}

int64_t TZUXBufferedFileStream::Seek(int64_t offset, SeekOrigin origin) {
    if (origin == SeekOrigin::Current && offset == 0) {
        const int64_t filePos = file_->Seek(0, SeekOrigin::Current);
        return writing_ ? filePos + bufferLen_ : filePos - (bufferLen_ - bufferPos_);
    }
    Flush();
    DropReadAhead();
    return file_->Seek(offset, origin);
}

int64_t TZUXBufferedFileStream::Size() {
    Flush();
    return file_->Size();
}

void TZUXBufferedFileStream::SetSize(int64_t size) {
    Flush();
    DropReadAhead();
    file_->SetSize(size);
}

bool OpenFileForReading(const String& fileName, std::unique_ptr<TZUXBufferedFileStream>& stream) {
    try {
        stream = std::make_unique<TZUXBufferedFileStream>(fileName, fmOpenRead | fmShareDenyNone);
        return true;
    } catch (const EFOpenError&) {
        stream.reset();
        return false;
    }
}

bool CreateFileForWriting(const String& fileName, std::unique_ptr<TZUXBufferedFileStream>& stream,
                          int64_t bufferSize) {
    try {
        stream = std::make_unique<TZUXBufferedFileStream>(fileName, fmCreate, bufferSize);
        return true;
    } catch (const EFOpenError&) {
        stream.reset();
        return false;
    }
}

} // namespace ZUX
