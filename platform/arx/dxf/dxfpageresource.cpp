#include "arx/dxfpageresource.h"

#include <new>
#include <sys/mman.h>
#include <unistd.h>

namespace qv::dxf {

namespace {

size_t pageSize()
{
    static const size_t size = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
    return size;
}

size_t roundedUp(size_t bytes) { return (bytes + pageSize() - 1) / pageSize() * pageSize(); }

} // namespace

PageResource* PageResource::instance()
{
    static PageResource resource;
    return &resource;
}

// Plain pages, not huge ones: the kernel's zeroing and compacting of huge pages cost a large
// load more than the page faults they save, and made its time vary from run to run.
void* PageResource::do_allocate(size_t bytes, size_t alignment)
{
    if (alignment > pageSize())
        throw std::bad_alloc();
    void* p = ::mmap(nullptr, roundedUp(bytes), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED)
        throw std::bad_alloc();
    return p;
}

void PageResource::do_deallocate(void* p, size_t bytes, size_t) { ::munmap(p, roundedUp(bytes)); }

} // namespace qv::dxf
