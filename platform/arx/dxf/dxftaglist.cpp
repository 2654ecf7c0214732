#include "arx/dxftaglist.h"

#include <algorithm>
#include <cstring>

namespace qv::dxf {

TagList::TagList(std::pmr::memory_resource* resource) : m_resource(resource), m_tags(resource) {}

TagList::TagList(const TagList& other) : TagList(objectResource()) { append(other, 0, other.size()); }

TagList::TagList(TagList&& other) noexcept : m_resource(other.m_resource), m_tags(std::move(other.m_tags)) {}

TagList& TagList::operator=(const TagList& other)
{
    if (this != &other) {
        clear();
        append(other, 0, other.size());
    }
    return *this;
}

TagList& TagList::operator=(TagList&& other)
{
    if (this == &other)
        return *this;
    if (m_resource != other.m_resource) {
        *this = static_cast<const TagList&>(other);
        other.clear();
        return *this;
    }
    clear();
    m_tags.swap(other.m_tags);
    return *this;
}

TagList::~TagList() { clear(); }

inline const char* TagList::copy(std::string_view value)
{
    if (value.empty())
        return nullptr;
    char* data = static_cast<char*>(m_resource->allocate(value.size(), 1));
    std::memcpy(data, value.data(), value.size());
    return data;
}

inline void TagList::release(const Tag& tag)
{
    if (tag.data)
        m_resource->deallocate(const_cast<char*>(tag.data), tag.size, 1);
}

void TagList::add(int code, std::string_view value, int anchor)
{
    m_tags.push_back(Tag{static_cast<short>(code), static_cast<short>(anchor), static_cast<unsigned>(value.size()),
                         copy(value)});
}

void TagList::append(const TagList& other, size_t first, size_t last)
{
    m_tags.reserve(m_tags.size() + (last - first));
    for (size_t i = first; i < last; ++i)
        add(other[i].code, other[i].value(), other[i].anchor);
}

void TagList::erase(size_t first, size_t last)
{
    for (size_t i = first; i < last; ++i)
        release(m_tags[i]);
    m_tags.erase(m_tags.begin() + static_cast<long>(first), m_tags.begin() + static_cast<long>(last));
}

void TagList::sortByAnchor()
{
    std::stable_sort(m_tags.begin(), m_tags.end(), [](const Tag& a, const Tag& b) { return a.anchor < b.anchor; });
}

bool TagList::operator==(const TagList& other) const
{
    return std::equal(begin(), end(), other.begin(), other.end(), [](const Tag& a, const Tag& b) {
        return a.code == b.code && a.anchor == b.anchor && a.value() == b.value();
    });
}

} // namespace qv::dxf
