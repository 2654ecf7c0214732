#include "commands.h"
#include "outlinecheck.h"

#include "arx/acutprintf.h"
#include "host/acadutilities.h"
#include "host/drawingunit.h"
#include "module/commandframe.h"
#include "module/preferences.h"
#include "spaceblocks.h"
#include "support/utilities.h"

namespace {

struct SyncAnswers
{
    BOOL name = TRUE;
    BOOL area = TRUE;
    BOOL perimeter = FALSE;
    BOOL recalculate = FALSE;
};

SyncAnswers askSyncAnswers()
{
    CAcadUtilities utilities;
    SyncAnswers answers;
    utilities.getBoolean("Sync XData name to name attribute?", TRUE, &answers.name);
    utilities.getBoolean("Sync XData area to area attribute?", TRUE, &answers.area);
    utilities.getBoolean("Sync XData perimeter to aux attribute?", FALSE, &answers.perimeter);
    utilities.getBoolean("Recalculate values before sync?", FALSE, &answers.recalculate);
    return answers;
}

// The block's area and perimeter in the units, converted when the block holds them in the
// other unit; the block itself keeps its values and units.
std::pair<double, double> measuresIn(const CBlockDWG* block, CMeasureUnits units)
{
    return {units.area(block->getArea(), block->getUnits()), units.length(block->getPerimeter(), block->getUnits())};
}

void setValue(CBlockDWG* block, int kind, const CString& value)
{
    if (CAttribute* attribute = spaceAttribute(block, kind))
        attribute->setValue(value);
}

} // namespace

void syncXDataToAttributes()
{
    runCommand("syncXDataToAttributes", "Kavro Update Spaces", [](CAcadDrawing* drawing) {
        const SyncAnswers answers = askSyncAnswers();
        const SpaceBlocks blocks(drawing);
        CPreferences preferences;
        preferences.loadPreferences();
        const int precision = preferences.getPrecision();
        const CMeasureUnits units = preferences.getUnits();
        if (answers.recalculate && blocks.count() > 0)
            CDrawingUnit::of(drawing->getDocument()->database()).announce();
        for (int i = 0; i < blocks.count(); ++i) {
            CBlockDWG* block = blocks.at(i);
            // A block whose record is unknown has no values to copy (or, to recalculate, no
            // outline to measure): it is left as it is, named in one line.
            if (const CString reason = whyNotUpdatable(block, answers.recalculate); !reason.IsEmpty()) {
                acutPrintf("\nSpace %s (handle %s) not updated: %s\n", block->getName(), block->getHandle(), reason);
                continue;
            }
            if (answers.recalculate) {
                block->setPrecision(precision);
                block->setUnits(units);
                block->recalculateArea(drawing->getDocument());
                block->recalculatePerimeter(drawing->getDocument());
                sayWhereOutlineMeetsItself(*block, drawing->getDocument()->database());
            }
            // The texts carry the preferences' unit, so the numbers are given in that unit.
            const auto [area, perimeter] = measuresIn(block, units);
            if (answers.name)
                setValue(block, 0, block->getName());
            if (answers.area)
                setValue(block, 1, CUtilities::DoubleToCString(area, precision) + units.areaText());
            if (answers.perimeter)
                setValue(block, 2, CUtilities::DoubleToCString(perimeter, precision) + units.lengthText());
            writeBack(block, drawing, "updated");
        }
    });
}

void blankThirdAttribute()
{
    runCommand("blankThirdAttribute", nullptr, [](CAcadDrawing* drawing) {
        const SpaceBlocks blocks(drawing);
        int altered = 0;
        for (int i = 0; i < blocks.count(); ++i) {
            CBlockDWG* block = blocks.at(i);
            CAttribute* aux = spaceAttribute(block, 2);
            if (!aux)
                continue;
            aux->setValue(" ");
            if (writeBack(block, drawing, "altered") == WriteBack::changed)
                ++altered;
        }
        acutPrintf("%i block(s) altered\n", altered);
    });
}
