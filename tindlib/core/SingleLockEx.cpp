// Re-entrant timed critical section.
#include "tindlib/core/SingleLockEx.h"

#include <chrono>

namespace tindlib {

bool CCriticalSection::Lock(uint32_t nTimeoutMs) {
    const auto self = std::this_thread::get_id();
    std::unique_lock<std::mutex> guard(m_mutex);
    if (m_nDepth > 0 && m_owner == self) {
        ++m_nDepth;
        return true;
    }
    if (m_nDepth > 0) {
        auto isFree = [this] { return m_nDepth == 0; };
        ++m_nWaiters;
        bool bFree = true;
        if (nTimeoutMs == INFINITE) {
            m_released.wait(guard, isFree);
        } else {
            bFree = m_released.wait_for(guard, std::chrono::milliseconds(nTimeoutMs), isFree);
        }
        --m_nWaiters;
        if (!bFree) {
            return false;
        }
    }
    m_owner = self;
    m_nDepth = 1;
    return true;
}

bool CCriticalSection::Unlock() {
    std::unique_lock<std::mutex> guard(m_mutex);
    if (m_nDepth == 0 || m_owner != std::this_thread::get_id()) {
        return false;
    }
    if (--m_nDepth == 0) {
        m_owner = std::thread::id();
        const bool bWaiters = m_nWaiters > 0;
        guard.unlock();
        if (bWaiters) {
            m_released.notify_one();
        }
    }
    return true;
}

bool CCriticalSection::IsHeldByCurrentThread() const {
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_nDepth > 0 && m_owner == std::this_thread::get_id();
}

}  // namespace tindlib
