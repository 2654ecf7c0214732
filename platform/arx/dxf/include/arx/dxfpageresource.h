// Memory straight from the system in whole pages: the upstream of drawings' arenas.
#pragma once

#include <memory_resource>

namespace qv::dxf {

class PageResource : public std::pmr::memory_resource
{
public:
    static PageResource* instance();

private:
    void* do_allocate(size_t bytes, size_t alignment) override;
    void do_deallocate(void* p, size_t bytes, size_t alignment) override;
    bool do_is_equal(const std::pmr::memory_resource& other) const noexcept override { return this == &other; }
};

} // namespace qv::dxf
