// The hyperlinks of a space block or an asset: an owning list in which no two items have
// the same address (compared exactly).
//
// The drawing keeps one hyperlink per entity, as XData of the application "PE_URL" (the
// address, then "{", the description, "}"): reading an entity gives at most one item, and
// writing a list gives the entity the list's first item (its last, written in reverse
// order), or none for an empty list.
#pragma once

#include "arx/dbblockref.h"
#include "blocks/hyperlink.h"
#include "mfc/carray.h"
#include "msxml/dom.h"

class CHyperlinks
{
public:
    CHyperlinks() = default;
    // The reference's own hyperlinks.
    explicit CHyperlinks(AcDbBlockReference* reference);
    virtual ~CHyperlinks();
    CHyperlinks(const CHyperlinks&) = delete;
    CHyperlinks& operator=(const CHyperlinks&) = delete;

    // Appends the item unless one with the same address is present; the list owns only an
    // item it appended.
    void add(CHyperlink* hyperlink);
    // Adds the item, deleting it when the list refuses it.
    void adopt(CHyperlink* hyperlink);
    // Raises the framework's invalid-argument exception outside the list.
    CHyperlink* getAt(int index) const { return m_items.GetAt(index); }
    int getCount() const { return m_items.GetSize(); }
    void deleteObjects();
    // The element "hyperlinks" with one "hyperlink" per item, in order (also when empty).
    MSXML2::IXMLDOMNodePtr serialize(CString namespaceURI) const;
    // Appends the items of the "hyperlink" nodes of a "hyperlinks" element's children.
    void deSerialize(MSXML2::IXMLDOMNodeListPtr nodes);
    // Appends a copy of every item whose address the target does not hold yet.
    void copyTo(CHyperlinks* target) const;
    // Appends the entity's hyperlink.
    void getEntityHyperlinks(AcDbEntity* entity);
    // Makes the list, in list order or reversed, the hyperlinks of an entity open for write.
    Acad::ErrorStatus setEntityHyperlinks(AcDbEntity* entity, bool reversed) const;

private:
    CArray<CHyperlink*> m_items;
};
