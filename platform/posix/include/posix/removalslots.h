// Files that the handler of a signal that ends the process removes, kept where the handler
// can read them. A slot holds a path only while its file may exist: it is filled with every
// signal blocked, so that no handler sees half a path, and freed before its file goes.
#pragma once

#include <atomic>
#include <climits>
#include <csignal>
#include <cstddef>
#include <cstring>
#include <string>
#include <unistd.h>

namespace qv {

template <std::size_t Count>
class RemovalSlots
{
public:
    // The slot that now holds path; -1 when every slot is taken or the path is too long
    // (a signal then leaves the file behind).
    int take(const std::string& path)
    {
        if (path.size() >= PATH_MAX)
            return -1;
        sigset_t all, old;
        ::sigfillset(&all);
        ::pthread_sigmask(SIG_BLOCK, &all, &old);
        int slot = -1;
        for (std::size_t i = 0; slot < 0 && i < Count; ++i) {
            bool free = false;
            if (m_slots[i].taken.compare_exchange_strong(free, true)) {
                std::memcpy(m_slots[i].path, path.c_str(), path.size() + 1);
                slot = static_cast<int>(i);
            }
        }
        ::pthread_sigmask(SIG_SETMASK, &old, nullptr);
        return slot;
    }

    void release(int& slot)
    {
        if (slot >= 0)
            m_slots[slot].taken.store(false);
        slot = -1;
    }

    // Removes the file of every slot that is held: async-signal-safe.
    void removeAll()
    {
        for (Slot& slot : m_slots)
            if (slot.taken.load())
                ::unlink(slot.path);
    }

private:
    struct Slot
    {
        std::atomic<bool> taken{false};
        char path[PATH_MAX] = {};
    };
    Slot m_slots[Count];
};

} // namespace qv
