// Bounds a blocking call on the client's side: a call armed with a deadline that has not
// ended by then has its action run (which drops the call's connection, so that the driver's
// wait ends). One thread serves the whole process; it starts with the first call armed.
#pragma once

#include <chrono>
#include <functional>

namespace ADODB {

class Watchdog
{
public:
    using Clock = std::chrono::steady_clock;

    // Arms `expire` for `deadline` while the watchdog lives; disarms on destruction. The
    // action runs on the watchdog's thread, never after the destructor has returned.
    Watchdog(Clock::time_point deadline, std::function<void()> expire);
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    // Whether the deadline passed and the action ran.
    bool expired() const;

private:
    unsigned long long m_id;
};

} // namespace ADODB
