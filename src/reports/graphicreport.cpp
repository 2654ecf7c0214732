#include "reports/graphicreport.h"

#include "database/plotoptions.h"
#include "host/layers.h"
#include "reports/categories.h"
#include "reports/linklines.h"
#include "support/fileutilities.h"
#include "support/kavroguard.h"
#include "support/utilities.h"
#include "support/xmlutilities.h"

#include <memory>

CGraphicReport::~CGraphicReport()
{
    delete m_categories;
    delete m_layersOn;
    delete m_linkLines;
}

void CGraphicReport::setLinkLines(CLinkLines* linkLines)
{
    if (linkLines != m_linkLines)
        delete m_linkLines;
    m_linkLines = linkLines;
}

void CGraphicReport::setLayersOn(CLayers* layers)
{
    if (layers != m_layersOn)
        delete m_layersOn;
    m_layersOn = layers;
}

void CGraphicReport::setDrawingPath(CString path)
{
    CFileUtilities().checkPathSyntax(path);
    m_drawingPath = path;
}

void CGraphicReport::setOutputPath(CString path)
{
    CFileUtilities().checkPathSyntax(path);
    m_outputPath = path;
}

void CGraphicReport::setXMLOutputTo(CString target)
{
    CFileUtilities().checkPathSyntax(target);
    m_xmlOutputTo = target;
}

namespace {

CString flagText(int flag) { return CUtilities::BoolToCString(flag != 0 ? TRUE : FALSE); }

int flagOf(const CString& text) { return text == "1" || text == "true" ? 1 : 0; }

} // namespace

void CGraphicReport::serialize(CString path)
{
    const char* procSig = "CGraphicReport::serialize";
    kavroComGuard(procSig, __FILE__, comUnhandled(procSig, __FILE__), [&] {
        CFileUtilities files;
        if (files.fileExists(path))
            files.deleteFile(path);
        CXMLUtilities xml;
        xml.createXMLDoc(path, "", "graphicReport", GRAPHIC_REPORT_NAMESPACE);
        MSXML2::IXMLDOMDocumentPtr document;
        document.CreateInstance("Msxml2.DOMDocument");
        document->load(path);
        MSXML2::IXMLDOMNodePtr root = document->selectSingleNode("/*");
        const CString ns = GRAPHIC_REPORT_NAMESPACE;
        auto add = [&](const char* name, const CString& text) { root->appendChild(xml.createNode(name, text, ns)); };
        add("grID", CUtilities::IntToCString(m_id));
        if (!m_title.IsEmpty())
            add("grTitle", m_title);
        add("grDrawingPath", m_drawingPath);
        add("grDrawingFilename", m_drawingFilename);
        add("grPlotTypeID", CUtilities::IntToCString(m_plotTypeID));
        add("grPlotAreaTypeID", CUtilities::IntToCString(m_plotAreaTypeID));
        add("grPlotMediaSizeID", CUtilities::IntToCString(m_plotMediaSizeID));
        // The stored identifier, which reading converts back to the scale type held.
        add("grPlotScaleTypeID", CUtilities::IntToCString(CPlotOptions::convertToScaleTypeID(m_plotScaleTypeID)));
        add("grPlotCentred", flagText(m_plotCentred));
        if (!m_saveCopyTo.IsEmpty())
            add("grSaveCopyTo", m_saveCopyTo);
        if (!m_plotLayout.IsEmpty())
            add("grPlotLayout", m_plotLayout);
        add("grTotalChildAreas", CUtilities::roundTripText(m_totalChildAreas));
        add("grPieXYOffset", CUtilities::roundTripText(m_pieXYOffset));
        add("grPieIgnoreEmptySegments", flagText(m_pieIgnoreEmptySegments));
        add("grPieShowLabels", flagText(m_pieShowLabels));
        add("grPieShowLabelSegmentLines", flagText(m_pieShowLabelSegmentLines));
        if (m_categories)
            root->appendChild(m_categories->serialize(ns));
        if (m_layersOn)
            root->appendChild(m_layersOn->serialize(ns));
        document->save(path);
    });
}

bool CGraphicReport::deSerialize(CString path)
{
    m_readProblem.Empty();
    if (!CFileUtilities().fileExists(path)) {
        m_readProblem = "the file does not exist";
        return false;
    }
    MSXML2::IXMLDOMDocumentPtr document;
    document.CreateInstance("Msxml2.DOMDocument");
    const MSXML2::IXMLDOMNodePtr root = document->load(path) ? document->selectSingleNode("/*") : nullptr;
    if (!root)
        m_readProblem = "the file is not an XML document";
    else if (root->get_nodeName() != "graphicReport")
        m_readProblem = "its root element is \"" + root->get_nodeName() + "\", not \"graphicReport\"";
    else if (!root->hasChildNodes())
        m_readProblem = "the report holds nothing";
    if (!m_readProblem.IsEmpty())
        return false;
    for (long i = 0; i < root->childCount(); ++i) {
        const MSXML2::IXMLDOMNodePtr child = root->childAt(i);
        readElement(child->get_nodeName(), child);
    }
    return true;
}

void CGraphicReport::readElement(const CString& name, const MSXML2::IXMLDOMNodePtr& node)
{
    const CString text = node->get_text();
    if (name == "grID")
        m_id = static_cast<int>(CUtilities::CStringToLong(text));
    else if (name == "grTitle")
        m_title = text;
    else if (name == "grDrawingPath")
        m_drawingPath = text;
    else if (name == "grDrawingFilename")
        m_drawingFilename = text;
    else if (name == "grPlotLayout")
        m_plotLayout = text;
    else if (name == "grPlotTypeID")
        m_plotTypeID = CPlotOptions::convertPlotDevice(CUtilities::CStringToInt(text));
    else if (name == "grPlotAreaTypeID")
        m_plotAreaTypeID = CPlotOptions::convertPlotArea(CUtilities::CStringToInt(text));
    else if (name == "grPlotMediaSizeID")
        m_plotMediaSizeID = CPlotOptions::convertMediaSize(CUtilities::CStringToInt(text));
    else if (name == "grPlotScaleTypeID")
        m_plotScaleTypeID = CPlotOptions::convertScale(CUtilities::CStringToInt(text));
    else if (name == "grPlotCentred")
        m_plotCentred = flagOf(text);
    else if (name == "grPieIgnoreEmptySegments")
        m_pieIgnoreEmptySegments = flagOf(text);
    else if (name == "grPieShowLabels")
        m_pieShowLabels = flagOf(text);
    else if (name == "grPieShowLabelSegmentLines")
        m_pieShowLabelSegmentLines = flagOf(text);
    else if (name == "grTotalChildAreas")
        m_totalChildAreas = CUtilities::CStringToDouble(text);
    else if (name == "grPieXYOffset")
        m_pieXYOffset = CUtilities::CStringToDouble(text);
    else if (name == "categories") {
        // A repeated element replaces what an earlier one read.
        delete m_categories;
        m_categories = new CCategories;
        m_categories->deSerialize(node->get_childNodes());
    } else if (name == "layersOn") {
        delete m_layersOn;
        m_layersOn = new CLayers;
        m_layersOn->deSerialize(node->get_childNodes());
    }
}
