// CCriticalSection and CSingleLockEx: a re-entrant mutex with timed locking, and its guard.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace tindlib {

inline constexpr uint32_t INFINITE = 0xFFFFFFFFu;

// A mutual exclusion object that its owning thread may enter again (built on a plain mutex
// and a condition variable, so thread checkers see every hand-over); every Lock must be
// matched by one Unlock from the same thread. Lock requests can time out.
class CCriticalSection {
public:
    CCriticalSection() = default;
    CCriticalSection(const CCriticalSection&) = delete;
    CCriticalSection& operator=(const CCriticalSection&) = delete;

    // Waits at most nTimeoutMs milliseconds (INFINITE: no limit). True when acquired.
    bool Lock(uint32_t nTimeoutMs = INFINITE);
    // False (and nothing changes) when the calling thread does not hold the section.
    bool Unlock();
    bool IsHeldByCurrentThread() const;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_released;
    // --- guarded by m_mutex
    std::thread::id m_owner;
    uint32_t m_nDepth = 0;
    uint32_t m_nWaiters = 0;
};

// The guard over a critical section. One guard object serves several threads: each
// Lock/Unlock pair acts for the calling thread, and its holder may lock again.
class CSingleLockEx {
public:
    explicit CSingleLockEx(CCriticalSection* pSection) : m_pSection(pSection) {}
    CSingleLockEx(const CSingleLockEx&) = delete;
    CSingleLockEx& operator=(const CSingleLockEx&) = delete;

    bool Lock(uint32_t nTimeoutMs = INFINITE) { return m_pSection->Lock(nTimeoutMs); }
    bool Unlock() { return m_pSection->Unlock(); }
    bool IsLocked() const { return m_pSection->IsHeldByCurrentThread(); }

private:
    CCriticalSection* m_pSection;
};

// Holds a CSingleLockEx for one scope; Acquired() tells whether the request succeeded.
class CScopedLock {
public:
    explicit CScopedLock(CSingleLockEx& lock, uint32_t nTimeoutMs = INFINITE)
        : m_lock(lock), m_bAcquired(lock.Lock(nTimeoutMs)) {}
    ~CScopedLock() {
        if (m_bAcquired) {
            m_lock.Unlock();
        }
    }
    CScopedLock(const CScopedLock&) = delete;
    CScopedLock& operator=(const CScopedLock&) = delete;

    bool Acquired() const { return m_bAcquired; }

private:
    CSingleLockEx& m_lock;
    bool m_bAcquired;
};

}  // namespace tindlib
