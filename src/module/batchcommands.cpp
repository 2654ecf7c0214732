#include "commands.h"

#include "arx/acutprintf.h"
#include "blocks/hatch.h"
#include "host/acaddrawingstate.h"
#include "host/acadutilities.h"
#include "host/hostguards.h"
#include "host/layer.h"
#include "module/commandframe.h"
#include "spaceblocks.h"
#include "support/kavroguard.h"

#include <chrono>
#include <ctime>
#include <memory>

namespace {

// The style both hatching commands give a space: solid yellow on "#Hatch".
std::unique_ptr<CHatch> solidSpaceHatch()
{
    auto hatch = std::make_unique<CHatch>();
    hatch->setPattern("SOLID");
    hatch->setAngle(0);
    hatch->setScale(500);
    hatch->setLayer("#Hatch");
    AcCmColor colour;
    colour.setRGB(255, 255, 0);
    hatch->setColour(colour);
    return hatch;
}

// Gives the block its own copy of the style and writes it back; whether it was hatched.
bool hatchWith(const CHatch& style, CBlockDWG* block, CAcadDrawing* drawing)
{
    auto* own = new CHatch;
    style.copyTo(own);
    block->setHatch(own);
    return writeBack(block, drawing, "hatched") == WriteBack::changed;
}

void printLocalTime()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[16];
    std::strftime(text, sizeof text, "%H:%M:%S", &local);
    acutPrintf("%s\n", text);
}

// The layer each space-block attribute belongs on, by kind.
const char* const attributeLayers[3] = {"ATT-NAME", "ATT-AREA", "ATT-AUX"};

// Moves the block's NAME, AREA and AUX entries to their layers; whether any moved.
bool assignAttributeLayers(CBlockDWG* block)
{
    bool changed = false;
    for (int kind = 0; kind < 3; ++kind) {
        CAttribute* attribute = spaceAttribute(block, kind);
        if (attribute && attribute->getLayer() != attributeLayers[kind]) {
            attribute->setLayer(attributeLayers[kind]);
            changed = true;
        }
    }
    return changed;
}

} // namespace

void hatchAllSpaces()
{
    runCommand("hatchAllSpaces", nullptr, [](CAcadDrawing* drawing) {
        // The span is measured on a steady clock: the wall clock may jump or pass midnight.
        const auto started = std::chrono::steady_clock::now();
        printLocalTime();
        int hatched = 0;
        {
            const SpaceBlocks blocks(drawing);
            const std::unique_ptr<CHatch> style = solidSpaceHatch();
            for (int i = 0; i < blocks.count(); ++i) {
                CBlockDWG* block = blocks.at(i);
                if (block->getName() == "GROSS AREA")
                    continue;
                if (hatchWith(*style, block, drawing))
                    ++hatched;
            }
        }
        printLocalTime();
        const auto seconds = static_cast<int>(
            std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - started).count());
        // With nothing hatched there is no time per block to give.
        const double perBlock = hatched > 0 ? static_cast<double>(seconds) / hatched : 0.0;
        acutPrintf("%i block(s) hatched in %d seconds (%.2f s/b)\n", hatched, seconds, perBlock);
    });
}

void hatchSpace()
{
    runCommand("hatchSpace", nullptr, [](CAcadDrawing* drawing) {
        AcDbHandle picked;
        if (CAcadUtilities().userSelectSpace(picked) != 0)
            return;
        char text[17];
        picked.getIntoAsciiBuffer(text, sizeof text);
        const CString handle(text);
        const SpaceBlocks blocks(drawing);
        const std::unique_ptr<CHatch> style = solidSpaceHatch();
        int hatched = 0;
        for (int i = 0; i < blocks.count(); ++i)
            if (blocks.at(i)->getHandle() == handle && hatchWith(*style, blocks.at(i), drawing))
                ++hatched;
        saySpacesDone(hatched, "hatched");
    });
}

void kavroFindReplaceStub()
{
    runCommand("kavroFindReplaceStub", nullptr, [](CAcadDrawing* drawing) {
        CAcadUtilities utilities;
        const CString find = utilities.getString("Enter String to Find");
        const CString replace = utilities.getString("Enter String to Replace");
        const SpaceBlocks blocks(drawing);
        int changes = 0;
        for (int i = 0; i < blocks.count(); ++i) {
            CBlockDWG* block = blocks.at(i);
            const CString oldName = block->getName();
            if (oldName.Left(find.GetLength()) != find)
                continue;
            const CString newName = replace + oldName.Mid(find.GetLength());
            if (CAttribute* name = spaceAttribute(block, 0))
                name->setValue(newName);
            block->setName(newName);
            if (writeBack(block, drawing, "renamed", oldName) != WriteBack::changed)
                continue;
            ++changes;
            acutPrintf("%s changed to %s\n", oldName, newName);
        }
        acutPrintf("%i blocks processed - %i changes made", blocks.count(), changes);
    });
}

void checkAttributeLayers()
{
    runCommand("checkAttributeLayers", nullptr, [](CAcadDrawing* drawing) {
        if (!drawing->isOpen())
            return;
        const DrawingLock lock(drawing);
        if (!lock.held())
            return;
        for (const char* layer : attributeLayers)
            CLayer::ensureLayerExists(layer, drawing);
        // The layout and layer states are put back on every way out, a failure included.
        CAcadDrawingState recorded(drawing);
        const auto restore = [&] { recorded.applyState(drawing, 0); };
        try {
            CAcadDrawingState(drawing).setStateForTakeOff(drawing);
            const SpaceBlocks blocks(drawing);
            for (int i = 0; i < blocks.count(); ++i) {
                CBlockDWG* block = blocks.at(i);
                if (!assignAttributeLayers(block))
                    continue;
                if (const Opened<AcDbEntity> reference = openObject<AcDbEntity>(block->getObjectId(), AcDb::kForWrite))
                    block->getAttributes()->applyToDWG(reference.get());
            }
        } catch (...) {
            cleanUpQuietly(restore);
            throw;
        }
        restore();
    });
}
