#include "commands.h"
#include "outlinecheck.h"

#include "arx/acedinput.h"
#include "arx/acutprintf.h"
#include "arx/dbdatabase.h"
#include "blocks/attributes.h"
#include "blocks/blockdwg.h"
#include "host/acadutilities.h"
#include "host/drawingunit.h"
#include "host/hostguards.h"
#include "module/commandframe.h"
#include "module/preferences.h"
#include "spaceblocks.h"
#include "support/utilities.h"

namespace {

CString attributeValue(CBlockDWG* block, int kind)
{
    CAttribute* attribute = spaceAttribute(block, kind);
    return attribute ? attribute->getValue() : CString();
}

void setAttributeValue(CBlockDWG* block, int kind, const CString& value)
{
    if (CAttribute* attribute = spaceAttribute(block, kind))
        attribute->setValue(value);
}

using UnitReading = CMeasureUnits (*)(std::string_view, std::string_view&);

// Whether a text shows a measure as the record holds it: its number at the record's precision,
// followed by the record's unit's text, or by any when the record names none the module knows.
bool showsMeasure(const CString& text, double value, const CBlockDWG* block, UnitReading read)
{
    std::string_view number;
    const CMeasureUnits shown = read(text.str(), number);
    return number == CUtilities::DoubleToCString(value, block->getPrecision()).str() &&
           (!block->getUnits().known() || shown == block->getUnits());
}

// Asks until the answer is "i" (none), or a number (one greater than 0 when positive is
// set); after another answer the prompt says why (invalid, or mustBePositive of a number). In
// a script that answer is refused, which fails the command.
std::optional<double> askTextValue(const CString& question, const CString& mustBePositive, const CString& invalid,
                                   double defaultValue, int precision, bool positive)
{
    CAcadUtilities utilities;
    const CString defaultText = CUtilities::DoubleToCString(defaultValue, precision);
    CString prompt = question;
    for (;;) {
        CString answer;
        utilities.getString(prompt, defaultText, &answer);
        if (answer == "i")
            return std::nullopt;
        const bool numeric = CUtilities::isNumeric(answer);
        if (numeric && (!positive || CUtilities::CStringToDouble(answer) > 0.0))
            return CUtilities::CStringToDouble(answer);
        prompt = numeric ? mustBePositive : invalid;
        if (!qv::inputInteractive())
            utilities.refuseAnswer(prompt);
    }
}

} // namespace

void updateSpaces()
{
    runCommand("updateSpaces", "Kavro Update Spaces", [](CAcadDrawing* drawing) {
        SpaceBlocks blocks(drawing);
        if (blocks.noneFound())
            return;
        CPreferences preferences;
        preferences.loadPreferences();
        const int precision = preferences.getPrecision();
        const CMeasureUnits units = preferences.getUnits();
        CDrawingUnit::of(drawing->getDocument()->database()).announce();
        int updated = 0;
        for (int i = 0; i < blocks.count(); ++i) {
            CBlockDWG* block = blocks.at(i);
            // Such a block is left as it is, named in one line; the others go on.
            if (const CString reason = whyNotUpdatable(block); !reason.IsEmpty()) {
                acutPrintf("\nSpace %s (handle %s) not updated: %s\n", block->getName(), block->getHandle(), reason);
                continue;
            }
            const bool areaLinked =
                showsMeasure(attributeValue(block, 1), block->getArea(), block, &CMeasureUnits::readArea);
            const bool perimeterLinked =
                showsMeasure(attributeValue(block, 2), block->getPerimeter(), block, &CMeasureUnits::readLength);
            block->setPrecision(precision);
            block->setUnits(units);
            // The new measures are in the new units: their texts carry the new units' labels.
            block->recalculateArea(drawing->getDocument());
            if (areaLinked)
                setAttributeValue(block, 1, CUtilities::DoubleToCString(block->getArea(), precision) + units.areaText());
            block->recalculatePerimeter(drawing->getDocument());
            sayWhereOutlineMeetsItself(*block, drawing->getDocument()->database());
            if (perimeterLinked)
                setAttributeValue(block, 2,
                                  CUtilities::DoubleToCString(block->getPerimeter(), precision) + units.lengthText());
            if (writeBack(block, drawing, "updated") == WriteBack::changed)
                ++updated;
        }
        saySpacesDone(updated, "updated");
    });
}

void updateTextSize()
{
    runCommand("updateTextSize", "Kavro Update Text Size", [](CAcadDrawing* drawing) {
        SpaceBlocks blocks(drawing);
        CPreferences preferences;
        preferences.loadPreferences();
        const int precision = preferences.getPrecision();
        const std::optional<double> size =
            askTextValue("Enter new Text Size or (i)gnore", "Text Size must be greater than 0\nEnter new Text Size or (i)gnore",
                         "Invalid Input. Enter new Text Siz or (i)gnore", preferences.getTextSize(), precision, true);
        const std::optional<double> scale =
            askTextValue("Enter new Text Scale or (i)gnore",
                         "Text Scale must be greater than 0\nEnter new Text Scale or (i)gnore",
                         "Invalid Input. Enter new Text Scale or (i)gnore", preferences.getTextScale(), precision, true);
        const std::optional<double> rotation =
            askTextValue("Enter new Text Rotation or (i)gnore", CString(), "Invalid Input. Enter new Text Rotation or (i)gnore",
                         preferences.getTextRotation(), precision, false);
        int updated = 0;
        for (int i = 0; i < blocks.count(); ++i) {
            CBlockDWG* block = blocks.at(i);
            if (CAttributes* attributes = block->getAttributes()) {
                if (size)
                    attributes->setTextHeight(*size);
                if (scale)
                    attributes->setWidthFactor(*scale);
                if (rotation)
                    attributes->setRotation(*rotation);
            }
            if (writeBack(block, drawing, "updated") == WriteBack::changed)
                ++updated;
        }
        saySpacesDone(updated, "updated");
    });
}

void kavroRefreshTags()
{
    runCommand("kavroRefreshTags", nullptr, [](CAcadDrawing* drawing) {
        const DrawingLock lock(drawing);
        if (!lock.held())
            return;
        SpaceBlocks blocks(drawing);
        AcGeMatrix3d ucs;
        acdbUcsMatrix(ucs, drawing->getDocument()->database());
        for (int i = 0; i < blocks.count(); ++i) {
            AcGeMatrix3d transform = ucs;
            blocks.at(i)->updateAttributes(transform, nullptr);
        }
    });
}
