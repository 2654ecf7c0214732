// Where the objects of a drawing take their memory from. While a drawing is read, its
// objects and what they hold come from the drawing's arena (a monotonic resource released
// with the drawing at once); at other times objects use the heap.
#pragma once

#include <memory_resource>

namespace qv::dxf {

// The resource for storage made now (the heap unless a ResourceScope is active).
std::pmr::memory_resource* objectResource();

// Makes resource the object resource of this thread for the scope's life.
class ResourceScope
{
public:
    explicit ResourceScope(std::pmr::memory_resource* resource);
    ~ResourceScope();
    ResourceScope(const ResourceScope&) = delete;
    ResourceScope& operator=(const ResourceScope&) = delete;

private:
    std::pmr::memory_resource* m_previous;
};

} // namespace qv::dxf
