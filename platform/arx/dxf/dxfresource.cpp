#include "arx/dxfresource.h"

namespace qv::dxf {

namespace {

thread_local std::pmr::memory_resource* current = nullptr;

} // namespace

std::pmr::memory_resource* objectResource()
{
    return current ? current : std::pmr::new_delete_resource();
}

ResourceScope::ResourceScope(std::pmr::memory_resource* resource) : m_previous(current) { current = resource; }

ResourceScope::~ResourceScope() { current = m_previous; }

} // namespace qv::dxf
