// A progress bar on stderr for work that takes more than a moment, and a
// stream that counts the bytes passing through it so the bar can follow a
// reader or a builder without their knowing.
#pragma once

#include "ZUX/Base/Streams.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

namespace ipk5 {

class TProgressBar {
public:
    // Draws only when enabled (stderr is a terminal) and the work has taken
    // longer than a moment.
    explicit TProgressBar(bool enabled);
    ~TProgressBar();
    TProgressBar(const TProgressBar&) = delete;
    TProgressBar& operator=(const TProgressBar&) = delete;

    void Start(std::string label, int64_t total);
    void Update(int64_t done);
    void Update(int64_t done, int64_t total);
    // Clears the bar's line, so messages after it start on a clean line.
    void Finish();

private:
    using Clock = std::chrono::steady_clock;
    void Draw(int64_t done);

    bool enabled_;
    bool shown_ = false;
    std::string label_;
    int64_t total_ = 0;
    Clock::time_point start_{};
    Clock::time_point last_{};
};

// Forwards everything to the inner stream; after every read or write it
// reports the running total of bytes read plus bytes written.
class TCountingStream : public ZUX::TZUXStream {
public:
    using Callback = std::function<void(int64_t bytes)>;
    TCountingStream(ZUX::TZUXStream& inner, Callback callback)
        : inner_(inner), callback_(std::move(callback)) {}

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, ZUX::SeekOrigin origin) override {
        return inner_.Seek(offset, origin);
    }
    int64_t Size() override { return inner_.Size(); }
    void SetSize(int64_t size) override { inner_.SetSize(size); }
    int64_t Count() const { return count_; }

private:
    void Counted(int64_t n);

    ZUX::TZUXStream& inner_;
    Callback callback_;
    int64_t count_ = 0;
};

} // namespace ipk5
