// A register block: a space as the QPX register keeps it, with its location id, its
// parent's id, the register's exists and duplicate flags and, for a room, the assets the
// register holds in it. Each kind writes itself to the register through its own stored
// procedure; this base kind writes nothing.
#pragma once

#include "blocks/block.h"

#include <memory>

class CAssets;
class CParameters;
class CStoredProcedure;

class CBlockQPX : public CBlock
{
public:
    CBlockQPX();
    ~CBlockQPX() override;

    int getLocationID() const { return m_locationID; }
    void setLocationID(int id) { m_locationID = id; }
    int getParentID() const { return m_parentID; }
    void setParentID(int id) { m_parentID = id; }
    int getStatusExists() const { return m_statusExists; }
    void setStatusExists(int exists) { m_statusExists = exists; }
    int getStatusDuplicate() const { return m_statusDuplicate; }
    void setStatusDuplicate(int duplicate) { m_statusDuplicate = duplicate; }
    CAssets* getAssets() const { return m_assets.get(); }
    // Takes over the list; the one it replaces is not deleted.
    void setAssets(CAssets* assets);

    // Writes the block to the register under the command time-out; drawingID goes with a
    // room's assets.
    virtual void applyToQPX(CStoredProcedure* procedure, int drawingID, int timeout);

protected:
    // Both fill the list the caller has attached. A room or a building: location id (sent
    // and returned), parent, name, code, flags and measures. The location id the register
    // returns replaces the block's; a NULL keeps it.
    void writeSpace(CStoredProcedure* procedure, int timeout, const char* procedureName, CParameters& parameters);
    // A floor or a site: its measures under its own location id; nothing comes back.
    void writeGrossArea(CStoredProcedure* procedure, int timeout, const char* procedureName,
                        CParameters& parameters);

private:
    int m_locationID = 0;
    int m_parentID = 0;
    int m_statusDuplicate = 0;
    int m_statusExists = 0;
    std::unique_ptr<CAssets> m_assets;
};
