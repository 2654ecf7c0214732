#include "support/exrecords.h"

#include "support/utilities.h"

namespace {
CString twoDecimals(double value) { return CUtilities::DoubleToCString(value, 2); }
} // namespace

CEXInvalidHandle::CEXInvalidHandle(CString handle, CString source, CString file, CString procSig)
    : CEXKavro(std::move(source), std::move(file), std::move(procSig), 0, nullptr)
{
    m_description = "Invalid Handle - " + handle;
    m_severity = medium;
}

CEXInvalidHexColour::CEXInvalidHexColour(CString source, CString file, CString procSig, CString colour)
    : CEXKavro(std::move(source), std::move(file), std::move(procSig), 0, nullptr)
{
    m_description = "Invalid Hex Colour - " + colour;
}

CEXInvalidPlotFilename::CEXInvalidPlotFilename(CString source, CString file, CString procSig, CString filename)
    : CEXKavro(std::move(source), std::move(file), std::move(procSig), 0, nullptr)
{
    m_description = "Invalid Plot Filename - '" + filename + "'";
}

CEXInvalidXMLFile::CEXInvalidXMLFile(CString source, CString file, CString procSig, CString filename)
    : CEXKavro(std::move(source), std::move(file), std::move(procSig), 0, nullptr)
{
    m_description = "Invalid XML file - " + filename;
}

CEXSegmentAreaOverTotal::CEXSegmentAreaOverTotal(CString source, CString file, CString procSig,
                                                 double segmentArea, double totalArea)
    : CEXKavro(std::move(source), std::move(file), std::move(procSig), 0, nullptr)
{
    m_description = "Unable to calculate pie chart percentages the total segment area (" +
                    twoDecimals(segmentArea) + ") is greater than the specified total area (" +
                    twoDecimals(totalArea) + ").";
    m_severity = medium;
}

CEXAdditionalHatchAreas::CEXAdditionalHatchAreas(CString blockName, CString source, CString file, CString procSig)
    : CEXKavro(std::move(source), std::move(file), std::move(procSig), 0, nullptr)
{
    m_description = "Unable to apply additional hatch areas to Kavro Block: " + blockName + ".";
    m_severity = medium;
}

CEXNoHatchAreas::CEXNoHatchAreas(CString blockName, CString source, CString file, CString procSig)
    : CEXKavro(std::move(source), std::move(file), std::move(procSig), 0, nullptr)
{
    m_description = "Unable to apply no hatch areas to Kavro Block: " + blockName + ".";
    m_severity = medium;
}

CEXHatchNoAssetExtents::CEXHatchNoAssetExtents(CString handle, CString source, CString file, CString procSig)
    : CEXKavro(std::move(source), std::move(file), std::move(procSig), 0, nullptr)
{
    m_description = "Unable to hatch asset - " + handle + ". Its block has no geometry to hatch around.";
    m_severity = medium;
}

CEXHatchAroundAttributes::CEXHatchAroundAttributes(CString blockName, CString handle, CString source,
                                                   CString file, CString procSig)
    : CEXKavro(std::move(source), std::move(file), std::move(procSig), 0, nullptr)
{
    m_description = "Unable to hatch around attributes: " + blockName + ". Handle: " + handle +
                    ". Please check the Kavro block.";
    m_severity = medium;
}

CEXHatchNotDenseEnough::CEXHatchNotDenseEnough(CString objectText, CString pattern, double scale,
                                               CString source, CString file, CString procSig)
    : CEXKavro(std::move(source), std::move(file), std::move(procSig), 0, nullptr)
{
    m_description = "Unable to hatch " + objectText + ". " + pattern + " set at scale " + twoDecimals(scale) +
                    " is not dense enough to be displayed.";
    m_severity = medium;
}

CEXHatchPolylineNotClosed::CEXHatchPolylineNotClosed(CString blockName, CString handle, CString source,
                                                     CString file, CString procSig)
    : CEXKavro(std::move(source), std::move(file), std::move(procSig), 0, nullptr)
{
    m_description = "Unable to hatch Kavro Block: " + blockName + ". Handle: " + handle +
                    ". Please check the polyline is closed.";
}

CEXHatchTooDense::CEXHatchTooDense(CString objectText, CString pattern, double scale, CString source,
                                   CString file, CString procSig)
    : CEXKavro(std::move(source), std::move(file), std::move(procSig), 0, nullptr)
{
    m_description = "Unable to hatch " + objectText + ". " + pattern + " set at scale " + twoDecimals(scale) +
                    " is too dense to be displayed.";
    m_severity = medium;
}

CEXXMLNotAvailable::CEXXMLNotAvailable(CString source, CString file, CString procSig)
    : CEXKavro(std::move(source), std::move(file), std::move(procSig), 0, nullptr)
{
    m_description = CString("Msxml2.DOMDocument") + " is not available - please check msxml is installed.";
}

CEXXMLMissingField::CEXXMLMissingField(CString xmlFile, CString field, CString source, CString file,
                                       CString procSig)
    : CEXKavro(std::move(source), std::move(file), std::move(procSig), 0, nullptr)
{
    m_description = "The XML file " + xmlFile + " does not contain the required field " + field;
    m_severity = medium;
}

CEXBlockNotWritten::CEXBlockNotWritten(CString blockName, CString handle, CString reason, CString source,
                                       CString file, CString procSig)
    : CEXKavro(std::move(source), std::move(file), std::move(procSig), 0, nullptr), m_reason(std::move(reason))
{
    m_description = "Space " + blockName + " (handle " + handle + ") not written: " + m_reason + ".";
    m_severity = medium;
}

CEXCancelled::CEXCancelled(CString source, CString file, CString procSig)
    : CEXKavro(std::move(source), std::move(file), std::move(procSig), 0, nullptr)
{
    m_description = "Cancelled by User.";
    m_severity = low;
}
