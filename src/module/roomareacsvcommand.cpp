#include "commands.h"

#include "arx/aced.h"
#include "arx/acutprintf.h"
#include "host/acadutilities.h"
#include "module/commandframe.h"
#include "module/preferences.h"
#include "posix/atomicfile.h"
#include "posix/homefolder.h"
#include "posix/process.h"
#include "spaceblocks.h"
#include "support/utilities.h"
#include "win/codepage.h"
#include "win/winbase.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>

namespace {

const char* const grossAreaDefinition = "ROOM-GROSS_AREA";

// The drawing's path with its extension replaced by ".csv" (added when it has none).
std::filesystem::path csvPathOf(const CString& drawingPath)
{
    std::filesystem::path path = std::filesystem::absolute(nativePath(drawingPath));
    path.replace_extension(".csv");
    return path;
}

// A space's line: its name, area and perimeter with their units (none for units unknown), and
// a note when given.
std::string line(const CString& name, double area, double perimeter, CMeasureUnits units, int precision,
                 const CString& note = CString())
{
    return CUtilities::csvField(name).str() + "," + CUtilities::DoubleToCString(area, precision).str() + "," +
           units.areaSymbol() + "," + CUtilities::DoubleToCString(perimeter, precision).str() + "," +
           units.lengthSymbol() + (note.IsEmpty() ? std::string() : "," + CUtilities::csvField(note).str()) + "\r\n";
}

// The line of a space that cannot be measured: its name, no measures or units, and why.
std::string unmeasuredLine(const CString& name, const CString& why)
{
    return CUtilities::csvField(name).str() + ",,,,," + CUtilities::csvField("not measured: " + why).str() + "\r\n";
}

// The sums of the room lines, kept per unit system so that the total adds like with like:
// it is given in the units of the last room line, the other system's rooms converted. Each line
// adds its measures as it shows them, at the precision, so that the total is that of the lines.
class RoomTotals
{
public:
    explicit RoomTotals(int precision) : m_precision(precision) {}

    void add(double area, double perimeter, CMeasureUnits units)
    {
        Sums& sums = units.imperial() ? m_imperial : m_metric;
        sums.area += CUtilities::roundDouble(area, m_precision);
        sums.perimeter += CUtilities::roundDouble(perimeter, m_precision);
        m_last = units;
    }

    std::string line() const
    {
        const CMeasureUnits metric = CMeasureUnits::kMetric, imperial = CMeasureUnits::kImperial;
        const double area = m_last.area(m_metric.area, metric) + m_last.area(m_imperial.area, imperial);
        const double perimeter = m_last.length(m_metric.perimeter, metric) + m_last.length(m_imperial.perimeter, imperial);
        return "Total," + CUtilities::DoubleToCString(area, m_precision).str() + "," + m_last.areaSymbol() + "," +
               CUtilities::DoubleToCString(perimeter, m_precision).str() + "," + m_last.lengthSymbol() + "\r\n";
    }

private:
    struct Sums
    {
        double area = 0.0;
        double perimeter = 0.0;
    };
    int m_precision;
    Sums m_metric;
    Sums m_imperial;
    CMeasureUnits m_last = CMeasureUnits::kUnknown; // none before the first room
};

// Why the total leaves rooms out, counted for the command line.
struct LeftOut
{
    int unmeasured = 0;
    int unitsUnknown = 0;
    int outOfDate = 0;
};

// Whether the two areas differ at the precision.
bool differ(double a, double b, int precision)
{
    return CUtilities::DoubleToCString(a, precision) != CUtilities::DoubleToCString(b, precision);
}

// A space's line and whether the total may take it: a space that cannot be measured
// (whyNotUpdatable) has no measures and says why, whatever its record holds; one whose units are
// unknown, or whose record differs from what its outline measures now, at the precision shown
// and at the record's own (when known), shows the record and says so.
std::string spaceLine(CBlockDWG* block, AcApDocument* document, int precision, bool& counted, LeftOut& leftOut)
{
    counted = false;
    if (const CString why = whyNotUpdatable(block); !why.IsEmpty()) {
        ++leftOut.unmeasured;
        return unmeasuredLine(block->getName(), why);
    }
    const CMeasureUnits units = block->getUnits();
    const double recorded = block->getArea();
    if (!units.known()) {
        ++leftOut.unitsUnknown;
        return line(block->getName(), recorded, block->getPerimeter(), units, precision, whyUnitsUnknown(block));
    }
    const std::optional<double> measured = block->measureArea(document);
    if (measured && differ(recorded, *measured, precision) &&
        (block->getPrecision() < 0 || differ(recorded, *measured, block->getPrecision()))) {
        ++leftOut.outOfDate;
        return line(block->getName(), recorded, block->getPerimeter(), units, precision,
                    "recorded " + CUtilities::DoubleToCString(recorded, precision) + ", its outline measures " +
                        CUtilities::DoubleToCString(*measured, precision) + ": run kus");
    }
    counted = true;
    return line(block->getName(), recorded, block->getPerimeter(), units, precision);
}

// The file's text (UTF-8): the header, the rooms in the blocks' order, their total, two
// empty lines, then the gross areas, which the total leaves out. leftOut counts the rooms the
// total leaves out.
std::string csvText(const SpaceBlocks& blocks, AcApDocument* document, int precision, LeftOut& leftOut)
{
    std::string rooms = "Code,Area,Units,Perimeter,Units\r\n";
    std::string grossAreas;
    RoomTotals totals(precision);
    LeftOut grossLeftOut;
    for (int i = 0; i < blocks.count(); ++i) {
        CBlockDWG* block = blocks.at(i);
        const CString definition = block->getBlockName();
        if (definition.Left(5) != "ROOM-")
            continue;
        bool counted = false;
        if (definition == grossAreaDefinition) {
            grossAreas += spaceLine(block, document, precision, counted, grossLeftOut);
            continue;
        }
        rooms += spaceLine(block, document, precision, counted, leftOut);
        if (counted)
            totals.add(block->getArea(), block->getPerimeter(), block->getUnits());
    }
    return rooms + totals.line() + "\r\n\r\n" + grossAreas;
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
        LeftOut leftOut;
        const std::string bytes =
            fileBytes(csvText(blocks, drawing->getDocument(), preferences.getPrecision(), leftOut), asUtf8);
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
        if (leftOut.unmeasured > 0)
            acutPrintf("Rooms left out of the total as they cannot be measured: %d (the file says why)\n",
                       leftOut.unmeasured);
        if (leftOut.unitsUnknown > 0)
            acutPrintf("Rooms left out of the total as their units are unknown: %d (the file says why)\n",
                       leftOut.unitsUnknown);
        if (leftOut.outOfDate > 0)
            acutPrintf("Rooms left out of the total as their records are out of date: %d (the file says why)\n",
                       leftOut.outOfDate);
        const CString opener = preferences.getCsvOpener();
        if (opener != "NONE")
            openCsv(opener, csv);
    });
}
