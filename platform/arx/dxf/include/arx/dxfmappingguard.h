// Keeps a process alive when a file it has mapped shrinks while it is read (another program
// truncates and rewrites it in place): a page past the file's new end raises SIGBUS. While
// a mapping is guarded, a handler takes such a fault inside it by mapping zero pages over the
// rest of the mapping, so that the read goes on over zeros, and marks the mapping. Any other
// SIGBUS goes on to the action there was before the first guard (the default one: the
// process ends). Faults of every thread are recognised, in any guarded mapping; the handler
// is in place only while a mapping is guarded.
#pragma once

#include <atomic>
#include <cstddef>

namespace qv::dxf {

class MappingGuard
{
public:
    // How many mappings can be guarded at once.
    static constexpr size_t kSlots = 64;

    MappingGuard() = default;
    ~MappingGuard() { release(); }
    MappingGuard(const MappingGuard&) = delete;
    MappingGuard& operator=(const MappingGuard&) = delete;

    // Guards the size bytes mapped at data; false when kSlots mappings are guarded already.
    bool guard(const char* data, size_t size);
    // Stops guarding, before the mapping goes.
    void release();
    // Whether a page of the mapping faulted: what was read from there on was zeros.
    bool faulted() const { return m_faulted && m_faulted->load(std::memory_order_relaxed); }

private:
    size_t m_slot = kSlots;
    const std::atomic<bool>* m_faulted = nullptr;
};

} // namespace qv::dxf
