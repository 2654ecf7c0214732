// The hyperlinks of a space block or an asset: an owning list in which no two items have
// the same address (compared exactly).
//
// An entity of the drawing keeps a list of hyperlinks in order (the host's hyperlink
// protocol extension); an item's address is a host hyperlink's name, its description the
// hyperlink's description, and the sub-location is left empty.
#pragma once

#include "arx/dbblockref.h"
#include "blocks/hyperlink.h"
#include "mfc/carray.h"
#include "msxml/dom.h"

class AcDbHyperlinkCollection;
class CStoredProcedure;

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
    // Appends the entity's own hyperlinks, in their order.
    void getEntityHyperlinks(AcDbEntity* entity);
    // fromDefinition 0: the entity's own hyperlinks; otherwise those of every entity of the
    // block reference's definition (read-only opens; entities that do not open are passed
    // over), nothing for an entity that is not a block reference.
    void getBlockHyperlinks(AcDbEntity* entity, int fromDefinition);
    // Appends the entries of a list text "address,description;address,description…", each
    // address made into a register link for the id (CHyperlink::setHyperlink). An entry
    // without "," is its own address and description; an empty part takes the other; both
    // are trimmed after that, and an entry whose address trims to nothing is skipped.
    void setHyperlinks(CString list, int id);
    // Makes the list, in list order or reversed, the hyperlinks of an entity: the entity's
    // collection is emptied, filled and given back. An entity that holds them already is
    // left as it is; one open for read is opened for write when it does not.
    Acad::ErrorStatus setEntityHyperlinks(AcDbEntity* entity, bool reversed) const;


    // Append the hyperlinks the server holds for a block's or an asset's handle in a report
    // category ("__gr_getBlockHyperlinks", "__gr_getAssetHyperlinks"), in the server's order.
    void getBlockHyperlinks(CStoredProcedure* procedure, int timeout, int categoryID, CString handle);
    void getAssetHyperlinks(CStoredProcedure* procedure, int timeout, int categoryID, CString handle);

private:
    // Whether the collection holds the list's items, in list order or reversed.
    bool holdsItems(const AcDbHyperlinkCollection& collection, bool reversed) const;
    void getRegisterHyperlinks(CStoredProcedure* procedure, int timeout, int categoryID, const CString& handle,
                               const char* procedureName, const char* procSig);

    CArray<CHyperlink*> m_items;
};
