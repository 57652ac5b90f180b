// Writing decoded files on threads of their own.
#include "engine/FileWriter.h"

#include "ZUX/Base/Exceptions.h"
#include "ZUX/Base/FileStream.h"
#include "ZUX/Base/Log.h"
#include "ZUX/Base/NameIndex.h"

#include <algorithm>

using namespace ZUX;

namespace {

// Created or truncated, then written whole; false leaves the rest to the caller.
bool WriteWhole(const TSetupFileWriter::TItem& item) {
    try {
        TZUXFileStream file(item.FileName, fmCreate);
        const std::string_view bytes = item.Data->Data();
        file.WriteBuffer(bytes.data(), int64_t(bytes.size()));
    } catch (const Exception&) {
        return false;
    }
    LogFmt(u"File written: %s (%d bytes)", {item.FileName, int64_t(item.Data->Size())});
    return true;
}

} // namespace

TSetupFileWriter::TSetupFileWriter(size_t lanes) {
    lanes_.reserve(std::max<size_t>(lanes, 1));
    try {
        for (size_t i = 0; i < std::max<size_t>(lanes, 1); ++i) {
            auto lane = std::make_unique<TLane>();
            TLane& self = *lane;
            lanes_.push_back(std::move(lane));
            self.Thread = std::thread([this, &self] { Run(self); });
        }
    } catch (...) {
        Stop();
        throw;
    }
}

TSetupFileWriter::~TSetupFileWriter() {
    Stop();
}

void TSetupFileWriter::Stop() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        stopping_ = true;
    }
    changed_.notify_all();
    for (auto& lane : lanes_)
        if (lane->Thread.joinable()) lane->Thread.join();
}

void TSetupFileWriter::Write(TItem item) {
    const int64_t size = item.Data->Size();
    TLane& lane = *lanes_[HashIgnoreCase(item.FileName) % lanes_.size()];
    {
        std::unique_lock<std::mutex> guard(lock_);
        // One file larger than the bound still passes, alone.
        changed_.wait(guard, [&] {
            return waitingFiles_ == 0 ||
                   (waitingFiles_ < MaxWaitingFiles && waitingBytes_ + size <= MaxWaitingBytes);
        });
        ++waitingFiles_;
        waitingBytes_ += size;
        lane.Queue.push_back(std::move(item));
    }
    changed_.notify_all();
}

bool TSetupFileWriter::HasReturned() const {
    std::lock_guard<std::mutex> guard(lock_);
    return !returned_.empty();
}

bool TSetupFileWriter::Idle() const {
    for (const auto& lane : lanes_)
        if (lane->Busy || !lane->Queue.empty()) return false;
    return true;
}

std::vector<TSetupFileWriter::TItem> TSetupFileWriter::Drain() {
    std::vector<TItem> back;
    {
        std::unique_lock<std::mutex> guard(lock_);
        changed_.wait(guard, [&] { return Idle(); });
        back.swap(returned_);
        for (auto& lane : lanes_) lane->Failed = false;
    }
    std::sort(back.begin(), back.end(),
              [](const TItem& a, const TItem& b) { return a.Index < b.Index; });
    return back;
}

void TSetupFileWriter::Run(TLane& lane) {
    std::unique_lock<std::mutex> guard(lock_);
    for (;;) {
        changed_.wait(guard, [&] { return stopping_ || !lane.Queue.empty(); });
        if (stopping_) return;
        TItem item = std::move(lane.Queue.front());
        lane.Queue.pop_front();
        lane.Busy = true;
        const bool skip = lane.Failed;
        guard.unlock();
        const bool written = !skip && WriteWhole(item);
        guard.lock();
        lane.Busy = false;
        --waitingFiles_;
        waitingBytes_ -= item.Data->Size();
        if (!written) {
            lane.Failed = true;
            returned_.push_back(std::move(item));
        }
        changed_.notify_all();
    }
}
