// What the batch commands share: the drawing's space blocks loaded as a list that destroys
// them, and the write-back of one block that shows what it warned of.
#pragma once

#include "arx/acutprintf.h"
#include "blocks/attributes.h"
#include "blocks/blockdwg.h"
#include "blocks/blocks.h"
#include "support/exrecords.h"
#include "support/kavroexceptions.h"

// The space blocks of the drawing, each loaded as its kind (room, or floor for the gross
// area), destroyed with the list.
class SpaceBlocks
{
public:
    // collectAssets as the collection takes it: 0 without assets.
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
    // True when the drawing has no space block, which a command that has nothing to do
    // then says in one line.
    bool noneFound() const
    {
        if (count() > 0)
            return false;
        acutPrintf("\nNo space blocks found.\n");
        return true;
    }

private:
    CBlocks m_blocks;
};

// The block's attribute of the kind (0 NAME, 1 AREA, 2 AUX), or null.
inline CAttribute* spaceAttribute(const CBlockDWG* block, int kind)
{
    CAttributes* attributes = block->getAttributes();
    return attributes ? attributes->getAtAttribute(kind) : nullptr;
}

// What writing a block back did: the commands count only the blocks it changed.
enum class WriteBack { refused, unchanged, changed };

// Writes the block back and shows what it warned of, one box each. A block that could not
// be written is named in one line instead (by its name, or the name given: the one it had
// before the command renamed it), with why, as "not" and notDone ("altered"), and refused
// given. A block that already held what it writes writes nothing: unchanged.
inline WriteBack writeBack(CBlockDWG* block, CAcadDrawing* drawing, const char* notDone,
                           const CString& name = CString())
{
    CKavroExceptions errors;
    bool changed = false;
    if (!block->applyToDWG(drawing, &errors, &changed)) {
        const auto* failure = dynamic_cast<const CEXBlockNotWritten*>(errors.getAt(errors.getCount() - 1));
        acutPrintf("\nSpace %s (handle %s) not %s: %s\n", name.IsEmpty() ? block->getName() : name,
                   block->getHandle(), notDone,
                   failure ? failure->getReason() : CString("it could not be written"));
        return WriteBack::refused;
    }
    if (errors.getCount() > 0)
        errors.displayAll();
    return changed ? WriteBack::changed : WriteBack::unchanged;
}

// A space command's last line: how many spaces it did what to ("1 space deleted").
inline void saySpacesDone(int count, const char* done)
{
    acutPrintf("%d space%s %s\n", count, count == 1 ? "" : "s", done);
}

// Why a block's measures are in no units the module knows: its record names none it knows, or
// it has no record.
inline CString whyUnitsUnknown(const CBlockDWG* block)
{
    return block->hasRecord() ? "its record names no unit it knows: run kus" : "it has no record: run kus";
}

// Why a block cannot be updated (its record cannot be read; when its outline is to be
// measured, there is none; when its record's measures are taken as they are, their units are
// unknown), or empty when it can.
inline CString whyNotUpdatable(const CBlockDWG* block, bool measured = true)
{
    if (block->isXDataUnreadable())
        return "its " + block->getXDataAppName() + " XData cannot be read";
    if (measured && !block->hasClosedOutline())
        return "its definition holds no closed outline";
    if (!measured && !block->getUnits().known())
        return whyUnitsUnknown(block);
    return CString();
}
