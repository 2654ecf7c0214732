#include "arx/dxfmappingguard.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <mutex>
#include <sys/mman.h>
#include <unistd.h>

namespace qv::dxf {

namespace {

// A guarded mapping as the handler reads it while other threads may change it: its version
// is odd while the bounds are written, and read again after them (a sequence lock).
struct Slot
{
    std::atomic<unsigned> version{0};
    std::atomic<uintptr_t> begin{0};
    std::atomic<uintptr_t> end{0};
    std::atomic<bool> faulted{false};
    bool used = false;   // under g_mutex
};

Slot g_slots[MappingGuard::kSlots];
// Over the slots' use, the count of guards and the handler's place.
std::mutex g_mutex;
size_t g_guards = 0;
// What the first guard found, read by the handler.
struct sigaction g_before{};
uintptr_t g_pageSize = 0;

void setBounds(Slot& slot, uintptr_t begin, uintptr_t end)
{
    const unsigned version = slot.version.load(std::memory_order_relaxed);
    slot.version.store(version + 1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    slot.begin.store(begin, std::memory_order_relaxed);
    slot.end.store(end, std::memory_order_relaxed);
    slot.version.store(version + 2, std::memory_order_release);
}

// The end of the slot's mapping when it holds at, else 0. Only a fault calls it, which no
// thread takes while it writes a slot: a version being written is another thread's, soon done.
uintptr_t endHolding(const Slot& slot, uintptr_t at)
{
    for (;;) {
        const unsigned version = slot.version.load(std::memory_order_acquire);
        const uintptr_t begin = slot.begin.load(std::memory_order_relaxed);
        const uintptr_t end = slot.end.load(std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_acquire);
        if (version % 2 == 0 && slot.version.load(std::memory_order_relaxed) == version)
            return begin <= at && at < end ? end : 0;
    }
}

// A SIGBUS that is no guarded mapping's goes to the action there was before the guards.
void passOn(int signal, siginfo_t* info, void* context)
{
    if (g_before.sa_flags & SA_SIGINFO) {
        g_before.sa_sigaction(signal, info, context);
    } else if (g_before.sa_handler != SIG_DFL && g_before.sa_handler != SIG_IGN) {
        g_before.sa_handler(signal);
    } else if (info->si_code > 0) {
        // A fault: with that action back, the access faults again once this returns.
        ::sigaction(signal, &g_before, nullptr);
    } else if (g_before.sa_handler == SIG_DFL) {
        // Sent by a process: sent again, to end this one as it would have.
        ::sigaction(signal, &g_before, nullptr);
        ::raise(signal);
    }
}

// Maps zero pages from the page of at to the end of the guarded mapping that holds it, so
// that none of them faults again, and marks the mapping; false when none holds it.
bool zeroRest(uintptr_t at)
{
    for (Slot& slot : g_slots) {
        const uintptr_t end = endHolding(slot, at);
        if (end == 0)
            continue;
        const uintptr_t page = at / g_pageSize * g_pageSize;
        if (::mmap(reinterpret_cast<void*>(page), end - page, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1,
                   0) == MAP_FAILED)
            return false;
        slot.faulted.store(true, std::memory_order_relaxed);
        return true;
    }
    return false;
}

void onBusError(int signal, siginfo_t* info, void* context)
{
    const int error = errno;   // of the code interrupted
    // A page past the end of a file (not a signal sent, nor a fault of the memory itself).
    if (info->si_code != BUS_ADRERR || !zeroRest(reinterpret_cast<uintptr_t>(info->si_addr)))
        passOn(signal, info, context);
    errno = error;
}

void install()
{
    g_pageSize = static_cast<uintptr_t>(::sysconf(_SC_PAGESIZE));
    ::sigaction(SIGBUS, nullptr, &g_before);
    struct sigaction action{};
    action.sa_sigaction = onBusError;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGBUS, &action, nullptr);
}

// Puts the action before back, unless another was set meanwhile.
void uninstall()
{
    struct sigaction now{};
    ::sigaction(SIGBUS, nullptr, &now);
    if ((now.sa_flags & SA_SIGINFO) && now.sa_sigaction == onBusError)
        ::sigaction(SIGBUS, &g_before, nullptr);
}

} // namespace

bool MappingGuard::guard(const char* data, size_t size)
{
    release();
    const std::lock_guard lock(g_mutex);
    Slot* slot = std::find_if(std::begin(g_slots), std::end(g_slots), [](const Slot& s) { return !s.used; });
    if (slot == std::end(g_slots))
        return false;
    if (g_guards++ == 0)
        install();
    slot->used = true;
    slot->faulted.store(false, std::memory_order_relaxed);
    const auto begin = reinterpret_cast<uintptr_t>(data);
    setBounds(*slot, begin, begin + size);
    m_slot = static_cast<size_t>(slot - g_slots);
    m_faulted = &slot->faulted;
    return true;
}

void MappingGuard::release()
{
    if (m_slot == kSlots)
        return;
    const std::lock_guard lock(g_mutex);
    setBounds(g_slots[m_slot], 0, 0);
    g_slots[m_slot].used = false;
    if (--g_guards == 0)
        uninstall();
    m_slot = kSlots;
    m_faulted = nullptr;
}

} // namespace qv::dxf
