// A list of group pairs kept as read: XData, application groups, header variables and the
// tags of objects that no field reads ("extras"). An extra tag carries the index of the
// field it followed (its anchor), so that it is written back in place. Values are copied
// into the list's memory resource.
#pragma once

#include "arx/dxfresource.h"

#include <memory_resource>
#include <string_view>
#include <vector>

namespace qv::dxf {

struct Tag {
    short code = 0;
    short anchor = -1;      // extras: the field entry it follows (-1: before them all)
    unsigned size = 0;
    const char* data = nullptr;
    std::string_view value() const { return {data, size}; }
};

class TagList
{
public:
    TagList() : TagList(objectResource()) {}
    explicit TagList(std::pmr::memory_resource* resource);
    // Copies take the object resource of the moment.
    TagList(const TagList& other);
    TagList(TagList&& other) noexcept;
    TagList& operator=(const TagList& other);
    TagList& operator=(TagList&& other);
    ~TagList();

    void add(int code, std::string_view value, int anchor = -1);
    // Room for size tags in one block: a list that grows tag by tag in an arena leaves every
    // smaller block it outgrew behind.
    void reserve(size_t size) { m_tags.reserve(size); }
    // Copies other's tags [first, last) to the end.
    void append(const TagList& other, size_t first, size_t last);
    void erase(size_t first, size_t last);
    void clear() { erase(0, size()); }
    // Orders the tags by anchor, keeping the order of tags with the same anchor.
    void sortByAnchor();

    size_t size() const { return m_tags.size(); }
    bool empty() const { return m_tags.empty(); }
    const Tag& operator[](size_t i) const { return m_tags[i]; }
    const Tag* begin() const { return m_tags.data(); }
    const Tag* end() const { return m_tags.data() + m_tags.size(); }
    bool operator==(const TagList& other) const;
    // Where the tags' texts are kept: a list moved into one of the same resource is taken
    // whole, into another it is copied.
    std::pmr::memory_resource* resource() const { return m_resource; }

private:
    const char* copy(std::string_view value);
    void release(const Tag& tag);

    std::pmr::memory_resource* m_resource;
    std::pmr::vector<Tag> m_tags;
};

} // namespace qv::dxf
