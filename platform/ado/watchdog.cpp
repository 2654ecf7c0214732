#include "watchdog.h"

#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

namespace ADODB {

namespace {

// The armed calls by id, and the thread that waits for the earliest deadline. Made once and
// never destroyed, so that its thread may still wait at exit.
class Deadlines
{
public:
    static Deadlines& instance()
    {
        static Deadlines* deadlines = new Deadlines;
        return *deadlines;
    }

    unsigned long long arm(Watchdog::Clock::duration limit, const std::atomic<Watchdog::Clock::rep>* waitingSince,
                           std::function<void()> expire)
    {
        std::lock_guard lock(m_mutex);
        if (!m_started) {
            std::thread([this] { serve(); }).detach();
            m_started = true;
        }
        const unsigned long long id = ++m_lastId;
        const auto deadline = Watchdog::Clock::now() + limit;
        m_armed.emplace(id, Entry{deadline, limit, waitingSince, std::move(expire), false});
        if (deadline < m_waitingUntil)   // else the thread wakes in time as it is
            m_wake.notify_one();
        return id;
    }

    void disarm(unsigned long long id)
    {
        std::lock_guard lock(m_mutex);
        m_armed.erase(id);
    }

    bool expired(unsigned long long id)
    {
        std::lock_guard lock(m_mutex);
        const auto found = m_armed.find(id);
        return found != m_armed.end() && found->second.expired;
    }

private:
    struct Entry
    {
        Watchdog::Clock::time_point deadline;   // when to look at the call again
        Watchdog::Clock::duration limit;
        const std::atomic<Watchdog::Clock::rep>* waitingSince;   // the watchdog's, disarmed before it goes
        std::function<void()> expire;
        bool expired;
    };

    // Moves the entry's deadline to where its limit now runs out: from the start of the
    // wait, or a whole limit from now while the call is paused (a wait begun later ends later).
    static void update(Entry& entry, Watchdog::Clock::time_point now)
    {
        const Watchdog::Clock::rep since = entry.waitingSince->load(std::memory_order_relaxed);
        entry.deadline = since == Watchdog::notWaiting
                             ? now + entry.limit
                             : Watchdog::Clock::time_point(Watchdog::Clock::duration(since)) + entry.limit;
    }

    // Runs each action under the lock, so that a call that disarms waits for its action to end.
    void serve()
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            auto next = Watchdog::Clock::time_point::max();
            const auto now = Watchdog::Clock::now();
            for (auto& [id, entry] : m_armed) {
                if (entry.expired)
                    continue;
                if (entry.deadline <= now)
                    update(entry, now);
                if (entry.deadline <= now) {
                    entry.expired = true;
                    entry.expire();
                } else {
                    next = std::min(next, entry.deadline);
                }
            }
            m_waitingUntil = next;
            if (next == Watchdog::Clock::time_point::max())
                m_wake.wait(lock);
            else
                m_wake.wait_until(lock, next);
            m_waitingUntil = Watchdog::Clock::time_point::min();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::map<unsigned long long, Entry> m_armed;
    // The deadline the thread sleeps until; min() while it is awake (or not started).
    Watchdog::Clock::time_point m_waitingUntil = Watchdog::Clock::time_point::min();
    unsigned long long m_lastId = 0;
    bool m_started = false;
};

} // namespace

Watchdog::Watchdog(Clock::duration limit, std::function<void()> expire)
    : m_waitingSince(Clock::now().time_since_epoch().count()),
      m_id(Deadlines::instance().arm(limit, &m_waitingSince, std::move(expire)))
{
}

Watchdog::~Watchdog() { Deadlines::instance().disarm(m_id); }

bool Watchdog::expired() const { return Deadlines::instance().expired(m_id); }

} // namespace ADODB
