// The space blocks of a drawing for one command: every "ROOM-" reference, each loaded as
// its kind (room, or floor for the gross area), destroyed with the list.
#pragma once

#include "blocks/blockdwg.h"
#include "blocks/blocks.h"

class SpaceBlocks
{
public:
    explicit SpaceBlocks(CAcadDrawing* drawing, int collectAssets = 0)
    {
        m_blocks.getKavroDWGBlocks_SS(drawing, nullptr, collectAssets, "f");
    }
    ~SpaceBlocks() { m_blocks.destroyBlocks(); }
    SpaceBlocks(const SpaceBlocks&) = delete;
    SpaceBlocks& operator=(const SpaceBlocks&) = delete;

    int count() const { return m_blocks.count(); }
    CBlockDWG* at(int index) const { return static_cast<CBlockDWG*>(m_blocks.getAt(index)); }
    void sortByHandle(int ascending) { m_blocks.sortBlocksByHandle(ascending); }

private:
    CBlocks m_blocks;
};
