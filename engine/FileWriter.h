// Writing decoded files on threads of their own: while the system creates one
// file, the next is decoded and handed on, and with two lanes two files are
// created at once. A lane only creates and writes; a file it cannot write goes
// back to the caller untouched by anything later, for the caller's own path
// with its questions (a file in use, a full disk). The same name always takes
// the same lane, so two files of one name are written in their order.
#pragma once

#include "ZUX/Base/Streams.h"
#include "ZUX/Base/Strings.h"
#include "ZUX/Base/Sync.h"

#include <cstddef>
#include <deque>
#include <memory>
#include <thread>
#include <vector>

class TSetupFileWriter {
    enum class TOutcome { Waiting, Written, Back };

public:
    struct TItem {
        size_t Index = 0; // the caller's position of the file, to restore its order
        ZUX::String FileName;
        std::unique_ptr<ZUX::TZUXMemoryStream> Data;

    private:
        friend class TSetupFileWriter;
        TOutcome* Outcome = nullptr; // its line of the run's log, when there is a log
    };

    // Files and bytes that may wait at once: the decoded data waits in memory.
    // A caller stopped by a full queue goes on as soon as one file is done:
    // each lane has a queue of its own, and waiting for more to drain would
    // leave a lane idle.
    static constexpr size_t MaxWaitingFiles = 64;
    static constexpr int64_t MaxWaitingBytes = 16 << 20;

    // Raises std::system_error when a thread cannot be started.
    explicit TSetupFileWriter(size_t lanes);
    // Files still waiting are dropped: the caller stops with an error.
    ~TSetupFileWriter();
    TSetupFileWriter(const TSetupFileWriter&) = delete;
    TSetupFileWriter& operator=(const TSetupFileWriter&) = delete;

    // Waits while too much waits already.
    void Write(TItem item);
    // True once a file went back; the caller then calls Drain.
    bool HasReturned() const;
    // Waits until every file is written or back; the ones back, in the
    // caller's order. The lanes take files again afterwards.
    std::vector<TItem> Drain();

private:
    struct TLane {
        std::deque<TItem> Queue;
        bool Busy = false;
        // A file of this lane went back: the later ones go back unwritten,
        // so that none overtakes it.
        bool Failed = false;
        ZUX::TZUXCondition Work; // a file was queued, or the lanes stop
        std::thread Thread;
    };

    // A file's line of the run's log waits until the files before it are done.
    struct TWritten {
        ZUX::String FileName;
        int64_t Size = 0;
        TOutcome Outcome = TOutcome::Waiting;
    };

    // What the caller waits for, if anything: the lanes wake it only once it may go on.
    enum class TWaitFor { Nothing, Room, Idle };

    void Run(TLane& lane);
    bool HasRoom(int64_t size) const;
    bool CallerMayGoOn() const;
    // Logs the written files whose earlier ones are done (all: every one).
    void LogWritten(bool all);
    void Stop();
    bool Idle() const;

    mutable ZUX::TZUXMutex lock_;
    ZUX::TZUXCondition callerWakes_;
    TWaitFor callerWaitsFor_ = TWaitFor::Nothing;
    int64_t roomWanted_ = 0; // the size of the file the caller waits to queue
    std::vector<std::unique_ptr<TLane>> lanes_;
    std::vector<TItem> returned_;
    std::deque<TWritten> written_; // in the caller's order; its ends move, its middle stays put
    size_t waitingFiles_ = 0;
    int64_t waitingBytes_ = 0;
    bool stopping_ = false;
};
