// A room: a space block of a definition that the creator names "ROOM-" and the room's
// identifier. Read from the drawing, it can gather the assets inside its outline.
#pragma once

#include "blocks/blockdwg.h"

class CStoredProcedure;

class CBlockDWGRoom : public CBlockDWG
{
public:
    // The kind's own TP export takes more arguments; the shared slot stays in view beside it.
    using CBlockDWG::exportTP;

    CBlockDWGRoom();
    // With collectAssets not 0, the block references inside the definition's first
    // lightweight polyline become the room's assets.
    CBlockDWGRoom(AcDbBlockReference* reference, AcApDocument* document, int collectAssets,
                  const Record* record = nullptr);
    // Gathers the assets of a room read without them from its reference in the drawing, as
    // the constructor does; a room that holds a list of assets keeps it.
    void collectAssets();

    // The TP export: writes the room with "__to_exportSpaceBlockToTP" under the command time-out, then its
    // assets (when it has a list) with "__to_tp_exportAsset".
    void exportTP(CStoredProcedure* procedure, int timeout, int parentID, CString exportParameters);

private:
    void gatherAssets(const AcDbBlockReference* reference);
};
