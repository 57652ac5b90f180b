// A lock and a condition for threads of one process that hand work to each
// other often. On Windows they are the slim reader/writer lock and its
// condition variable, which wait in the process itself; the C++ runtime's
// own ones wait on kernel objects, and under Wine every wait and every wake-up
// of those is a round trip to the server. Elsewhere they are the standard ones.
#pragma once

#include <mutex>

#ifndef _WIN32
#include <condition_variable>
#endif

namespace ZUX {

// Usable with std::lock_guard and std::unique_lock.
class TZUXMutex {
public:
    TZUXMutex() = default;
    TZUXMutex(const TZUXMutex&) = delete;
    TZUXMutex& operator=(const TZUXMutex&) = delete;

    void lock() noexcept;
    void unlock() noexcept;
    bool try_lock() noexcept;

private:
    friend class TZUXCondition;
#ifdef _WIN32
    void* lock_ = nullptr; // an SRWLOCK, unlocked when null
#else
    std::mutex lock_;
#endif
};

class TZUXCondition {
public:
    TZUXCondition() = default;
    TZUXCondition(const TZUXCondition&) = delete;
    TZUXCondition& operator=(const TZUXCondition&) = delete;

    // The guard holds its lock before and after; it may wake without a notice.
    void Wait(std::unique_lock<TZUXMutex>& guard) noexcept;
    template <typename Predicate> void Wait(std::unique_lock<TZUXMutex>& guard, Predicate ready) {
        while (!ready()) Wait(guard);
    }
    void NotifyOne() noexcept;

private:
#ifdef _WIN32
    void* condition_ = nullptr; // a CONDITION_VARIABLE, without waiters when null
#else
    std::condition_variable condition_;
#endif
};

} // namespace ZUX
