// Writing a collection of the module's objects as one XML element with a child per item,
// and reading the items back from such children.
#pragma once

#include "msxml/dom.h"
#include "support/xmlutilities.h"

#include <memory>

// The element `name` with the serialized form of each of the first count items, in order.
template <class Items>
MSXML2::IXMLDOMNodePtr serializeItems(const char* name, const CString& namespaceURI, const Items& items, int count)
{
    MSXML2::IXMLDOMNodePtr element = CXMLUtilities().createNode(name, namespaceURI);
    for (int i = 0; i < count; ++i)
        element->appendChild(items.GetAt(i)->serialize(namespaceURI));
    return element;
}

// Hands add a new Item read (by its deSerialize) from each node of the list named itemName;
// other nodes are skipped, and a null list gives none.
template <class Item, class Add>
void deSerializeItems(MSXML2::IXMLDOMNodeListPtr nodes, const char* itemName, Add&& add)
{
    if (!nodes)
        return;
    for (long i = 0; i < nodes->get_length(); ++i) {
        const MSXML2::IXMLDOMNodePtr node = nodes->get_item(i);
        if (node->get_nodeName() != itemName)
            continue;
        auto item = std::make_unique<Item>();
        item->deSerialize(node);
        add(item.release());
    }
}
