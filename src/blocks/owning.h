// Helpers for what the space-block model owns through plain pointers: the lists of blocks,
// assets, attributes and hyperlinks, and the parts that blocks and assets copy.
#pragma once

#include "mfc/carray.h"

#include <memory>

// Deletes every item and empties the list.
template <class T>
void deleteAll(CArray<T*>& items)
{
    for (T* item : items)
        delete item;
    items.RemoveAll();
}

// The first item that matches, or null.
template <class T, class Match>
T* findFirst(const CArray<T*>& items, Match&& match)
{
    for (T* item : items)
        if (match(item))
            return item;
    return nullptr;
}

// A new copy of an object that copies itself into an empty one with copyTo.
template <class T>
T* copyOf(const T& original)
{
    auto copy = std::make_unique<T>();
    original.copyTo(copy.get());
    return copy.release();
}
