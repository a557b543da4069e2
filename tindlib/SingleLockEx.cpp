// Re-entrant timed critical section.
#include "tindlib/SingleLockEx.h"

#include <chrono>

namespace tindlib {

bool CCriticalSection::Lock(uint32_t nTimeoutMs) {
    if (nTimeoutMs == INFINITE) {
        m_mutex.lock();
    } else if (!m_mutex.try_lock_for(std::chrono::milliseconds(nTimeoutMs))) {
        return false;
    }
    m_owner.store(std::this_thread::get_id(), std::memory_order_relaxed);
    ++m_nDepth;
    return true;
}

bool CCriticalSection::Unlock() {
    // Only the holder may unlock; anyone else's request is refused instead of corrupting it.
    if (m_owner.load(std::memory_order_relaxed) != std::this_thread::get_id()) {
        return false;
    }
    if (--m_nDepth == 0) {
        m_owner.store(std::thread::id(), std::memory_order_relaxed);
    }
    m_mutex.unlock();
    return true;
}

bool CCriticalSection::IsHeldByCurrentThread() const {
    return m_owner.load(std::memory_order_relaxed) == std::this_thread::get_id();
}

}  // namespace tindlib
