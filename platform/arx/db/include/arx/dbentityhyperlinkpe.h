// The hyperlinks of an entity, reached through the entity's protocol extension
// (entity->x(AcDbEntityHyperlinkPE::desc())).
//
// They are stored as XData so that the drawing keeps them: the first hyperlink as the
// application "PE_URL" (1000 name, 1002 "{", 1000 description, 1000 sub-location,
// 1002 "}"), which other programs read as the entity's hyperlink, and the whole list, in
// order, as the application "CADHOST_HYPERLINKS" (1070 count, then per hyperlink 1002 "{",
// 1000 name, 1000 description, 1000 sub-location, 1002 "}"). The list is read back only
// while its first item is still the "PE_URL" one: a hyperlink changed or removed by another
// program wins over the list.
#pragma once

#include "arx/dbhyperlinkcollection.h"
#include "arx/dbobject.h"

class AcDbEntityHyperlinkPE : public AcRxObject
{
public:
    ACRX_DECLARE_MEMBERS(AcDbEntityHyperlinkPE)

    // A new collection of the object's hyperlinks (the caller deletes it): only the first
    // with oneOnly; for a block reference also those of its definition's entities unless
    // ignoreBlockDefinition. The object must be open.
    virtual Acad::ErrorStatus getHyperlinkCollection(AcDbObject* object, AcDbHyperlinkCollection*& collection,
                                                     bool oneOnly = false, bool ignoreBlockDefinition = true);
    // Makes the collection the object's hyperlinks (none for an empty or null collection).
    // The object must be open for write; the XData applications are registered in its
    // database.
    virtual Acad::ErrorStatus setHyperlinkCollection(AcDbObject* object, const AcDbHyperlinkCollection* collection);
    virtual Acad::ErrorStatus getHyperlinkCount(AcDbObject* object, unsigned int& count,
                                                bool ignoreBlockDefinition = true);
    virtual Acad::ErrorStatus hasHyperlink(AcDbObject* object, bool& result, bool ignoreBlockDefinition = true);
};
