// Bounds the waits of a blocking call on the client's side: a call armed with a time limit
// that waits on the server for longer than that has its action run (which drops the call's
// connection, so that the driver's wait ends). The limit runs only while the call waits: a
// call paused while the client works on what has come in is not bounded meanwhile. One
// thread serves the whole process; it starts with the first call armed.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>

namespace ADODB {

class Watchdog
{
public:
    using Clock = std::chrono::steady_clock;

    // Arms `expire` while the watchdog lives, the call waiting from now; disarms on
    // destruction. The action runs on the watchdog's thread, never after the destructor has
    // returned.
    Watchdog(Clock::duration limit, std::function<void()> expire);
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    // The client works on what has come in: the limit stops running.
    void pause() { m_waitingSince.store(notWaiting, std::memory_order_relaxed); }
    // The call waits on the server again: the limit runs afresh from now.
    void resume() { m_waitingSince.store(Clock::now().time_since_epoch().count(), std::memory_order_relaxed); }

    // Whether the limit ran out and the action ran.
    bool expired() const;

    static constexpr Clock::rep notWaiting = Clock::duration::max().count();

private:
    std::atomic<Clock::rep> m_waitingSince;
    unsigned long long m_id;
};

} // namespace ADODB
