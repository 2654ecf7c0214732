// Block definitions hold references to other definitions; a definition must never contain
// itself, directly or through the definitions it holds, or every walk through the nesting
// (extents, outlines, selection) would never end. These find such a containment.
#pragma once

#include "arx/errorstatus.h"
#include "arx/dbid.h"

#include <string>
#include <vector>

class AcDbDatabase;
class AcDbObject;

namespace qv {

// Whether a reference to the definition, held by the record, would make the record contain
// itself: the definition is the record, or holds such a reference at any depth. Erased
// references count, as they may be restored. Takes time linear in what the definition holds.
bool wouldContainItself(AcDbObjectId record, AcDbObjectId definition);
// The same for an entity to be held by the record: false unless it is a block reference.
bool wouldContainItself(AcDbObjectId record, const AcDbObject* entity);

// A block of the database that contains itself, as the chain of records from it back to
// it (the first and last are the same); empty when there is none. Takes time linear in the
// size of the drawing.
std::vector<AcDbObjectId> selfContainingChain(const AcDbDatabase* db);

// eOk, or eSelfReference with a message naming a block that contains itself.
Acad::ErrorStatus checkBlockNesting(const AcDbDatabase* db, std::string& error);

} // namespace qv
