// CTickTimer: a periodic timer thread that calls one function at a steady-clock period.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

// Ticks are spaced by the period from the start, not from the end of the previous tick; a
// tick that overruns does not queue up missed ones. Start and Kill belong to one owner
// thread; the callback runs on the timer's own thread.
class CTickTimer {
public:
    CTickTimer() = default;
    ~CTickTimer() { Kill(); }
    CTickTimer(const CTickTimer&) = delete;
    CTickTimer& operator=(const CTickTimer&) = delete;

    // False when already running or the period is not positive.
    bool Start(std::chrono::milliseconds period, std::function<void()> tick);
    // Stops the timer and waits for a running tick to end; no tick runs afterwards.
    void Kill();
    bool IsRunning() const { return m_thread.joinable(); }

private:
    void Run(std::chrono::milliseconds period);

    std::function<void()> m_tick;  // immutable while running
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_bKill = false;  // guarded by m_mutex
};
