// The framework's growable array. GetAt, SetAt, RemoveAt and InsertAt outside the array
// throw the framework's invalid-argument exception.
#pragma once

#include "mfc/exceptions.h"

#include <vector>

template <class TYPE, class ARG_TYPE = const TYPE&>
class CArray
{
public:
    int GetSize() const { return static_cast<int>(m_items.size()); }
    int GetCount() const { return GetSize(); }
    bool IsEmpty() const { return m_items.empty(); }
    int GetUpperBound() const { return GetSize() - 1; }

    const TYPE& GetAt(int index) const { return m_items[checked(index)]; }
    TYPE& GetAt(int index) { return m_items[checked(index)]; }
    TYPE& ElementAt(int index) { return m_items[checked(index)]; }
    void SetAt(int index, ARG_TYPE item) { m_items[checked(index)] = item; }
    const TYPE& operator[](int index) const { return GetAt(index); }
    TYPE& operator[](int index) { return GetAt(index); }

    int Add(ARG_TYPE item)
    {
        m_items.push_back(item);
        return GetSize() - 1;
    }
    void InsertAt(int index, ARG_TYPE item, int count = 1)
    {
        if (index < 0 || index > GetSize() || count < 0)
            AfxThrowInvalidArgException();
        m_items.insert(m_items.begin() + index, static_cast<size_t>(count), item);
    }
    void RemoveAt(int index, int count = 1)
    {
        if (index < 0 || count < 0 || index + count > GetSize())
            AfxThrowInvalidArgException();
        m_items.erase(m_items.begin() + index, m_items.begin() + index + count);
    }
    void RemoveAll() { m_items.clear(); }
    void SetSize(int size) { m_items.resize(size > 0 ? static_cast<size_t>(size) : 0); }

    auto begin() { return m_items.begin(); }
    auto end() { return m_items.end(); }
    auto begin() const { return m_items.begin(); }
    auto end() const { return m_items.end(); }

private:
    size_t checked(int index) const
    {
        if (index < 0 || index >= GetSize())
            AfxThrowInvalidArgException();
        return static_cast<size_t>(index);
    }

    std::vector<TYPE> m_items;
};
