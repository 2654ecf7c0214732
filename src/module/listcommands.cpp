#include "commands.h"

#include "arx/acutprintf.h"
#include "blocks/asset.h"
#include "blocks/assets.h"
#include "blocks/attributes.h"
#include "host/acadutilities.h"
#include "module/commandframe.h"
#include "module/preferences.h"
#include "spaceblocks.h"
#include "support/utilities.h"

#include <charconv>

namespace {

int attributeCount(const CAttributes* attributes)
{
    return attributes ? attributes->getCount() : 0;
}

// The listing's lines are joined field by field rather than formatted: a plan of thousands
// of spaces and assets spends more on formatting than on all else the listing does.
// A text field, as "%s" gives it, then its separator.
void appendField(CString& listing, const CString& text, char separator)
{
    listing += text.GetString();
    listing += separator;
}

template <class Integer>
void appendNumber(CString& listing, Integer value, char separator)
{
    char digits[24];
    char* end = std::to_chars(digits, digits + sizeof digits - 2, value).ptr;
    end[0] = separator;
    end[1] = '\0';
    listing += digits;
}

// One line per asset of the block: six empty fields, its block name, its handle in
// hexadecimal and decimal, and how many attributes it has.
void appendAssetLines(CString& listing, const CAssets* assets)
{
    for (int i = 0; i < assets->getCount(); ++i) {
        const CAsset* asset = assets->getAt(i);
        const CString handle = asset->getHandle();
        listing += ",,,,,,";
        appendField(listing, CUtilities::csvField(asset->getBlockIdentifier()), ',');
        appendField(listing, handle, ',');
        appendNumber(listing, CUtilities::handleValue(handle), ',');
        appendNumber(listing, attributeCount(asset->getAttributes()), '\n');
    }
}

void printAttribute(const CAttributes* attributes, int kind, const char* format)
{
    if (const CAttribute* attribute = attributes->getAtAttribute(kind))
        acutPrintf(format, attribute->getValue());
}

void printSpaceDetails(const CBlockDWG* block)
{
    acutPrintf("\n");
    acutPrintf("Block Identifier %s\n", block->getBlockName());
    acutPrintf("Handle\t\t\t %s\n", block->getHandle());
    if (const CAttributes* attributes = block->getAttributes()) {
        acutPrintf("Attributes\n");
        printAttribute(attributes, 0, "\tName '%s'\n");
        printAttribute(attributes, 1, "\tArea '%s'\n");
        printAttribute(attributes, 2, "\t Aux '%s'\n");
        acutPrintf("\n");
    }
    acutPrintf("XDATA\n");
    acutPrintf("\t Area           %f\n", block->getArea());
    acutPrintf("\t Perimeter      %f\n", block->getPerimeter());
    acutPrintf("\t Tag Type       %s\n", block->getTagType());
    acutPrintf("\t Area Type      %s\n", block->getAreaType());
    acutPrintf("\t Cost Centre    %s\n", block->getCostCentre());
    acutPrintf("\t Date           %s\n", block->getDate());
    acutPrintf("\t Date Last Move %s\n", block->getDateLastMove());
    acutPrintf("\t Dept Charge    %s\n", block->getDeptCharge());
    acutPrintf("\t Room Height    %f\n", block->getRoomHeight());
    acutPrintf("\t Special Req    %s\n", block->getSpecialReq());
    acutPrintf("\t Tot Staff      %s\n", block->getTotStaff());
    acutPrintf("\t Tot Wk Stns    %s\n", block->getTotWkStns());
    acutPrintf("\t Vloume         %f\n", block->getVolume());
    acutPrintf("\n\n");
}

} // namespace

void listBlockNameIdentifier()
{
    runCommand("listBlockNameIdentifier", nullptr, [](CAcadDrawing* drawing) {
        CAcadUtilities utilities;
        BOOL ascending = TRUE;
        utilities.getBoolean("sort by handle in ascending order", TRUE, &ascending);
        BOOL listAssets = FALSE;
        utilities.getBoolean("list assets", FALSE, &listAssets);
        SpaceBlocks blocks(drawing, 1);
        if (blocks.noneFound())
            return;
        blocks.sortByHandle(ascending);
        // Areas at the preferences' precision, as kcsv gives them.
        CPreferences preferences;
        preferences.loadPreferences();
        const int precision = preferences.getPrecision();
        // The listing is built whole and written at once, as it is: a plan of thousands of
        // spaces would otherwise flush the command line once per line, and formatting the
        // whole text would copy it twice more.
        CString listing = "\n\nID,Name,Area,Handle(hex),Handle(dec),Assets\n";
        for (int i = 0; i < blocks.count(); ++i) {
            const CBlockDWG* block = blocks.at(i);
            const CAssets* assets = block->getAssets();
            const CString handle = block->getHandle();
            appendField(listing, CUtilities::csvField(block->getBlockName()), ',');
            appendField(listing, CUtilities::csvField(block->getName()), ',');
            appendField(listing, CUtilities::DoubleToCString(block->getArea(), precision), ',');
            appendField(listing, handle, ',');
            appendNumber(listing, CUtilities::handleValue(handle), ',');
            appendNumber(listing, assets ? assets->getCount() : 0, '\n');
            if (listAssets && assets)
                appendAssetLines(listing, assets);
        }
        qv::writeOutput(listing.str());
    });
}

void displaySpaceDetails()
{
    runCommand("displaySpaceDetails", nullptr, [](CAcadDrawing* drawing) {
        AcDbHandle picked;
        if (CAcadUtilities().userSelectSpace(picked) != 0)
            return;
        char text[17] = {};
        picked.getIntoAsciiBuffer(text, sizeof text);
        const SpaceBlocks blocks(drawing, 0);
        for (int i = 0; i < blocks.count(); ++i)
            if (blocks.at(i)->getHandle() == text)
                printSpaceDetails(blocks.at(i));
    });
}
