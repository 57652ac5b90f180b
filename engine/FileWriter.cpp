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
    LogWritten(true); // the files written before the stop, not the dropped ones
}

void TSetupFileWriter::Stop() {
    {
        std::lock_guard<TZUXMutex> guard(lock_);
        stopping_ = true;
    }
    for (auto& lane : lanes_) lane->Work.NotifyOne();
    for (auto& lane : lanes_)
        if (lane->Thread.joinable()) lane->Thread.join();
}

void TSetupFileWriter::Write(TItem item) {
    const int64_t size = item.Data->Size();
    TLane& lane = *lanes_[HashIgnoreCase(item.FileName) % lanes_.size()];
    {
        std::unique_lock<TZUXMutex> guard(lock_);
        // One file larger than the bound still passes, alone.
        if (!HasRoom(size)) {
            callerWaitsFor_ = TWaitFor::Room;
            roomWanted_ = size;
            callerWakes_.Wait(guard, [&] { return HasRoom(size); });
            callerWaitsFor_ = TWaitFor::Nothing;
        }
        ++waitingFiles_;
        waitingBytes_ += size;
        if (LogActive()) {
            written_.push_back({item.FileName, size, TOutcome::Waiting});
            item.Outcome = &written_.back().Outcome;
        }
        lane.Queue.push_back(std::move(item));
    }
    lane.Work.NotifyOne();
    LogWritten(false);
}

void TSetupFileWriter::LogWritten(bool all) {
    // The lanes finish in any order; the log tells the files in the caller's.
    std::vector<TWritten> done;
    {
        std::lock_guard<TZUXMutex> guard(lock_);
        while (!written_.empty() && (all || written_.front().Outcome != TOutcome::Waiting)) {
            done.push_back(std::move(written_.front()));
            written_.pop_front();
        }
    }
    for (const TWritten& file : done)
        if (file.Outcome == TOutcome::Written)
            LogFmt(u"File written: %s (%d bytes)", {file.FileName, file.Size});
}

bool TSetupFileWriter::HasReturned() const {
    std::lock_guard<TZUXMutex> guard(lock_);
    return !returned_.empty();
}

bool TSetupFileWriter::Idle() const {
    for (const auto& lane : lanes_)
        if (lane->Busy || !lane->Queue.empty()) return false;
    return true;
}

bool TSetupFileWriter::HasRoom(int64_t size) const {
    return waitingFiles_ == 0 ||
           (waitingFiles_ < MaxWaitingFiles && waitingBytes_ + size <= MaxWaitingBytes);
}

bool TSetupFileWriter::CallerMayGoOn() const {
    switch (callerWaitsFor_) {
    case TWaitFor::Room:
        return HasRoom(roomWanted_);
    case TWaitFor::Idle:
        return Idle();
    case TWaitFor::Nothing:
        break;
    }
    return false;
}

std::vector<TSetupFileWriter::TItem> TSetupFileWriter::Drain() {
    std::vector<TItem> back;
    {
        std::unique_lock<TZUXMutex> guard(lock_);
        callerWaitsFor_ = TWaitFor::Idle;
        callerWakes_.Wait(guard, [&] { return Idle(); });
        callerWaitsFor_ = TWaitFor::Nothing;
        back.swap(returned_);
        for (auto& lane : lanes_) lane->Failed = false;
    }
    LogWritten(true);
    std::sort(back.begin(), back.end(),
              [](const TItem& a, const TItem& b) { return a.Index < b.Index; });
    return back;
}

void TSetupFileWriter::Run(TLane& lane) {
    std::unique_lock<TZUXMutex> guard(lock_);
    for (;;) {
        lane.Work.Wait(guard, [&] { return stopping_ || !lane.Queue.empty(); });
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
        if (item.Outcome) *item.Outcome = written ? TOutcome::Written : TOutcome::Back;
        if (!written) {
            lane.Failed = true;
            returned_.push_back(std::move(item));
        }
        if (CallerMayGoOn()) callerWakes_.NotifyOne();
    }
}
