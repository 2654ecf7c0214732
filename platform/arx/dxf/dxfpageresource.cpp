#include "arx/dxfpageresource.h"

#include <cstdint>
#include <new>
#include <sys/mman.h>

namespace qv::dxf {

namespace {

constexpr size_t kHugePage = size_t(2) << 20;
// Blocks from this size on take huge pages: what the last page leaves unused is little.
constexpr size_t kHugeBlock = size_t(16) << 20;

size_t roundedUp(size_t bytes) { return (bytes + kHugePage - 1) / kHugePage * kHugePage; }

} // namespace

PageResource* PageResource::instance()
{
    static PageResource resource;
    return &resource;
}

void* PageResource::do_allocate(size_t bytes, size_t alignment)
{
    const size_t size = roundedUp(bytes);
    // Room to align the block on a huge page.
    void* p = ::mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED || alignment > kHugePage)
        throw std::bad_alloc();
    auto* start = static_cast<char*>(p);
    auto* aligned = reinterpret_cast<char*>((reinterpret_cast<uintptr_t>(start) + kHugePage - 1) & ~(kHugePage - 1));
    if (aligned > start)
        ::munmap(start, static_cast<size_t>(aligned - start));
    if (aligned + size < start + size + kHugePage)
        ::munmap(aligned + size, static_cast<size_t>(start + size + kHugePage - (aligned + size)));
    if (size >= kHugeBlock)
        ::madvise(aligned, size, MADV_HUGEPAGE);
    return aligned;
}

void PageResource::do_deallocate(void* p, size_t bytes, size_t) { ::munmap(p, roundedUp(bytes)); }

} // namespace qv::dxf
