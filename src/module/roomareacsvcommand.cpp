#include "commands.h"

#include "arx/aced.h"
#include "arx/acutprintf.h"
#include "host/acadutilities.h"
#include "module/preferences.h"
#include "module/slabmend.h"
#include "posix/atomicfile.h"
#include "posix/homefolder.h"
#include "posix/process.h"
#include "spaceblocks.h"
#include "support/utilities.h"
#include "win/codepage.h"
#include "win/winbase.h"

#include <algorithm>
#include <filesystem>
#include <string>

namespace {

const char* const grossAreaDefinition = "ROOM-GROSS_AREA";
// The factors between metric and imperial measures, as the space blocks convert them.
constexpr double feetPerMetre = 3.2808399;
constexpr double squareFeetPerSquareMetre = 10.7639104;

// The drawing's path with its extension replaced by ".csv" (added when it has none).
std::filesystem::path csvPathOf(const CString& drawingPath)
{
    std::filesystem::path path = std::filesystem::absolute(nativePath(drawingPath));
    path.replace_extension(".csv");
    return path;
}

struct UnitTexts
{
    const char* area;
    const char* length;
};

// The units flag 0 is metric, any other imperial.
UnitTexts unitTexts(bool imperial)
{
    return imperial ? UnitTexts{"ft\u00b2", "ft"} : UnitTexts{"m\u00b2", "m"};
}

std::string line(const CString& name, double area, double perimeter, bool imperial, int precision)
{
    const UnitTexts units = unitTexts(imperial);
    return CUtilities::csvField(name).str() + "," + CUtilities::DoubleToCString(area, precision).str() + "," +
           units.area + "," + CUtilities::DoubleToCString(perimeter, precision).str() + "," + units.length + "\r\n";
}

// The line of a space that cannot be measured: its name, no measures or units, and why.
std::string unmeasuredLine(const CString& name, const CString& why)
{
    return CUtilities::csvField(name).str() + ",,,,," + CUtilities::csvField("not measured: " + why).str() + "\r\n";
}

// The sums of the room lines, kept per unit system so that the total adds like with like:
// it is given in the units of the last room line, the other system's rooms converted.
class RoomTotals
{
public:
    void add(double area, double perimeter, bool imperial)
    {
        Sums& sums = imperial ? m_imperial : m_metric;
        sums.area += area;
        sums.perimeter += perimeter;
        m_lastImperial = imperial;
        m_any = true;
    }

    std::string line(int precision) const
    {
        double area = m_metric.area, perimeter = m_metric.perimeter;
        if (m_lastImperial) {
            area = area * squareFeetPerSquareMetre + m_imperial.area;
            perimeter = perimeter * feetPerMetre + m_imperial.perimeter;
        } else {
            area += m_imperial.area / squareFeetPerSquareMetre;
            perimeter += m_imperial.perimeter / feetPerMetre;
        }
        const UnitTexts units = m_any ? unitTexts(m_lastImperial) : UnitTexts{"", ""};
        return "Total," + CUtilities::DoubleToCString(area, precision).str() + "," + units.area + "," +
               CUtilities::DoubleToCString(perimeter, precision).str() + "," + units.length + "\r\n";
    }

private:
    struct Sums
    {
        double area = 0.0;
        double perimeter = 0.0;
    };
    Sums m_metric;
    Sums m_imperial;
    bool m_lastImperial = false;
    bool m_any = false;
};

// The file's text (UTF-8): the header, the rooms in the blocks' order, their total, two
// empty lines, then the gross areas, which the total leaves out. A space that cannot be
// measured (whyNotUpdatable) has a line that says why, and a room of them is left out of the
// total, whatever its record holds: leftOut counts them.
std::string csvText(const SpaceBlocks& blocks, int precision, int& leftOut)
{
    std::string rooms = "Code,Area,Units,Perimeter,Units\r\n";
    std::string grossAreas;
    RoomTotals totals;
    for (int i = 0; i < blocks.count(); ++i) {
        const CBlockDWG* block = blocks.at(i);
        const CString definition = block->getBlockName();
        if (definition.Left(5) != "ROOM-")
            continue;
        const bool imperial = block->getUnits() != 0;
        const CString why = whyNotUpdatable(block);
        const std::string text = why.IsEmpty()
                                     ? line(block->getName(), block->getArea(), block->getPerimeter(), imperial, precision)
                                     : unmeasuredLine(block->getName(), why);
        if (definition == grossAreaDefinition) {
            grossAreas += text;
        } else {
            rooms += text;
            if (why.IsEmpty())
                totals.add(block->getArea(), block->getPerimeter(), imperial);
            else
                ++leftOut;
        }
    }
    return rooms + totals.line(precision) + "\r\n\r\n" + grossAreas;
}

// The file's bytes: Windows-1252, which the file has always been written in, while every
// character fits it; otherwise the whole text as UTF-8 after a byte-order mark, which
// spreadsheet programs read, so that no name is lost. The code page writes a character it
// cannot hold as "?": more of them than the text has means one would be lost.
std::string fileBytes(const std::string& text, bool& asUtf8)
{
    std::string bytes = qv::utf8ToWindows1252(text);
    asUtf8 = std::count(bytes.begin(), bytes.end(), '?') != std::count(text.begin(), text.end(), '?');
    return asUtf8 ? "\xEF\xBB\xBF" + text : bytes;
}

// Starts the opener on the file, in the file's folder, asking for one when the preferences
// name none (an empty answer is refused); a program that does not start is named with the
// reason.
void openCsv(CString opener, const std::filesystem::path& csv)
{
    CAcadUtilities utilities;
    while (opener.IsEmpty()) {
        opener = qv::withHomeExpanded(
            utilities.getString("Please enter the path of the application you wish to open csv files with\n").str());
        if (opener.IsEmpty())
            utilities.refuseAnswer("A program is needed to open the csv file.");
    }
    std::string error;
    if (!qv::startProgram(opener.str(), {csv.string()}, csv.parent_path().string(), error))
        acutPrintf("unable to start the program to open the csv file - %s\n", error);
}

} // namespace

void createRoomAreaCSV()
{
    runCommand("createRoomAreaCSV", "Kavro Block Details", [](CAcadDrawing* drawing) {
        CPreferences preferences;
        preferences.loadPreferences();
        const std::filesystem::path csv = csvPathOf(drawing->getFileName());
        SpaceBlocks blocks(drawing);
        blocks.noneFound();   // said; the file is still written, with its total of 0
        blocks.sortByHandle(1);
        bool asUtf8 = false;
        int leftOut = 0;
        const std::string bytes = fileBytes(csvText(blocks, preferences.getPrecision(), leftOut), asUtf8);
        const std::optional<bool> replacing = qv::replacing(csv.string());
        if (!replacing)
            return;   // the user keeps the file there
        std::string error;
        if (!qv::writeFileAtomically(csv.string(), bytes, error)) {
            acutPrintf("unable to save csv data - %s\n", error);
            return;
        }
        if (asUtf8)
            acutPrintf("some names hold characters beyond Windows-1252: the csv file is written in UTF-8\n");
        acutPrintf("csv data successfully saved to file (%s)%s\n", csv.string(), *replacing ? " (replaced)" : "");
        if (leftOut > 0)
            acutPrintf("Rooms left out of the total as they cannot be measured: %d (the file says why)\n", leftOut);
        const CString opener = preferences.getCsvOpener();
        if (opener != "NONE")
            openCsv(opener, csv);
    });
}
