// The standard lock and condition.
#include "ZUX/Base/Sync.h"

namespace ZUX {

void TZUXMutex::lock() noexcept {
    lock_.lock();
}
void TZUXMutex::unlock() noexcept {
    lock_.unlock();
}
bool TZUXMutex::try_lock() noexcept {
    return lock_.try_lock();
}

void TZUXCondition::Wait(std::unique_lock<TZUXMutex>& guard) noexcept {
    std::unique_lock<std::mutex> inner(guard.mutex()->lock_, std::adopt_lock);
    condition_.wait(inner);
    inner.release(); // the outer guard still owns the lock
}

void TZUXCondition::NotifyOne() noexcept {
    condition_.notify_one();
}

} // namespace ZUX
