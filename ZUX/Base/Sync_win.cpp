// The slim reader/writer lock and its condition variable.
#include "ZUX/Base/Sync.h"

#include <windows.h>

namespace ZUX {

static_assert(sizeof(SRWLOCK) == sizeof(void*) && sizeof(CONDITION_VARIABLE) == sizeof(void*));

namespace {
PSRWLOCK Srw(void*& lock) {
    return reinterpret_cast<PSRWLOCK>(&lock);
}
PCONDITION_VARIABLE Cv(void*& condition) {
    return reinterpret_cast<PCONDITION_VARIABLE>(&condition);
}
} // namespace

void TZUXMutex::lock() noexcept {
    AcquireSRWLockExclusive(Srw(lock_));
}
void TZUXMutex::unlock() noexcept {
    ReleaseSRWLockExclusive(Srw(lock_));
}
bool TZUXMutex::try_lock() noexcept {
    return TryAcquireSRWLockExclusive(Srw(lock_)) != 0;
}

void TZUXCondition::Wait(std::unique_lock<TZUXMutex>& guard) noexcept {
    // Without a time-out the wait only ends when woken.
    SleepConditionVariableSRW(Cv(condition_), Srw(guard.mutex()->lock_), INFINITE, 0);
}

void TZUXCondition::NotifyOne() noexcept {
    WakeConditionVariable(Cv(condition_));
}

} // namespace ZUX
