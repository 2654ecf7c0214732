// An ordered list of hyperlinks, handed out by the entity hyperlink protocol extension;
// whoever asked for it deletes it.
#pragma once

#include "arx/dbhyperlink.h"

#include <vector>

class AcDbHyperlinkCollection
{
public:
    int count() const { return static_cast<int>(m_items.size()); }
    // The hyperlink at the index, still owned by the collection; null outside the list.
    AcDbHyperlink* item(int index) const;
    void addHead(const char* name, const char* description, const char* subLocation = "");
    void addTail(const char* name, const char* description, const char* subLocation = "");
    // Inserts before the index (at the end when the index is past it).
    void addAt(int index, const char* name, const char* description, const char* subLocation = "");
    // Removals outside the list change nothing.
    void removeHead();
    void removeTail();
    void removeAt(int index);

private:
    std::vector<AcDbHyperlink> m_items;
};
