// The progress bar and the counting stream.
#include "tools/ipk5/Progress.h"

#include <cstdio>

namespace ipk5 {

namespace {

constexpr auto kDelay = std::chrono::milliseconds(300);    // quick work shows no bar
constexpr auto kInterval = std::chrono::milliseconds(100); // redraws at most this often
constexpr int kWidth = 30;

} // namespace

TProgressBar::TProgressBar(bool enabled) : enabled_(enabled) {}

TProgressBar::~TProgressBar() {
    Finish();
}

void TProgressBar::Start(std::string label, int64_t total) {
    Finish();
    label_ = std::move(label);
    total_ = total;
    start_ = last_ = Clock::now();
}

void TProgressBar::Update(int64_t done, int64_t total) {
    total_ = total;
    Update(done);
}

void TProgressBar::Update(int64_t done) {
    if (!enabled_) return;
    const auto now = Clock::now();
    if (now - start_ < kDelay || (shown_ && now - last_ < kInterval)) return;
    last_ = now;
    Draw(done);
}

void TProgressBar::Draw(int64_t done) {
    const int64_t total = total_ > 0 ? total_ : 1;
    if (done > total) done = total;
    if (done < 0) done = 0;
    const int filled = int(done * kWidth / total);
    char bar[kWidth + 1];
    for (int i = 0; i < kWidth; ++i) bar[i] = i < filled ? '#' : '.';
    bar[kWidth] = 0;
    std::fprintf(stderr, "\r%-12s [%s] %3d%% %9.1f MB", label_.c_str(), bar,
                 int(done * 100 / total), double(done) / 1e6);
    std::fflush(stderr);
    shown_ = true;
}

void TProgressBar::Finish() {
    if (!shown_) return;
    std::fprintf(stderr, "\r%*s\r", 12 + 3 + kWidth + 18, "");
    std::fflush(stderr);
    shown_ = false;
}

int64_t TCountingStream::Read(void* buffer, int64_t count) {
    const int64_t n = inner_.Read(buffer, count);
    Counted(n);
    return n;
}

int64_t TCountingStream::Write(const void* buffer, int64_t count) {
    const int64_t n = inner_.Write(buffer, count);
    Counted(n);
    return n;
}

void TCountingStream::Counted(int64_t n) {
    if (n <= 0) return;
    count_ += n;
    if (callback_) callback_(count_);
}

} // namespace ipk5
