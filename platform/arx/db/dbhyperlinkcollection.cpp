#include "arx/dbhyperlinkcollection.h"

#include <algorithm>

namespace {

std::string text(const char* value)
{
    return value ? value : "";
}

} // namespace

AcDbHyperlink* AcDbHyperlinkCollection::item(int index) const
{
    if (index < 0 || index >= count())
        return nullptr;
    return const_cast<AcDbHyperlink*>(&m_items[static_cast<size_t>(index)]);
}

void AcDbHyperlinkCollection::addHead(const char* name, const char* description, const char* subLocation)
{
    addAt(0, name, description, subLocation);
}

void AcDbHyperlinkCollection::addTail(const char* name, const char* description, const char* subLocation)
{
    addAt(count(), name, description, subLocation);
}

void AcDbHyperlinkCollection::addAt(int index, const char* name, const char* description, const char* subLocation)
{
    const auto at = static_cast<size_t>(std::clamp(index, 0, count()));
    m_items.insert(m_items.begin() + static_cast<std::ptrdiff_t>(at),
                   AcDbHyperlink(text(name), text(description), text(subLocation)));
}

void AcDbHyperlinkCollection::removeHead()
{
    removeAt(0);
}

void AcDbHyperlinkCollection::removeTail()
{
    removeAt(count() - 1);
}

void AcDbHyperlinkCollection::removeAt(int index)
{
    if (index >= 0 && index < count())
        m_items.erase(m_items.begin() + index);
}
