// CTickTimer: the timer thread's periodic wait.
#include "player/app/TickTimer.h"

bool CTickTimer::Start(std::chrono::milliseconds period, std::function<void()> tick) {
    if (m_thread.joinable() || period.count() <= 0 || !tick) {
        return false;
    }
    m_tick = std::move(tick);
    {
        std::lock_guard lock(m_mutex);
        m_bKill = false;
    }
    m_thread = std::thread([this, period] { Run(period); });
    return true;
}

void CTickTimer::Kill() {
    if (!m_thread.joinable()) {
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        m_bKill = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void CTickTimer::Run(std::chrono::milliseconds period) {
    using Clock = std::chrono::steady_clock;
    auto next = Clock::now() + period;
    std::unique_lock lock(m_mutex);
    while (!m_wake.wait_until(lock, next, [this] { return m_bKill; })) {
        lock.unlock();
        m_tick();
        lock.lock();
        next += period;
        const auto now = Clock::now();
        if (next <= now) {
            // Overran: carry on from now rather than firing the missed ticks in a burst.
            next = now + period;
        }
    }
}
