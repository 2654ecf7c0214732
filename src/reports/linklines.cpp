#include "reports/linklines.h"

#include "database/parameterint.h"
#include "database/parameters.h"
#include "database/procedureguard.h"
#include "database/rowset.h"
#include "database/storedprocedure.h"
#include "support/kavroguard.h"
#include "support/xmlitems.h"

#include <memory>

CLinkLines::~CLinkLines()
{
    cleanUpQuietly([this] { deleteObjects(); });
}

void CLinkLines::add(CLinkLine* line)
{
    kavroGuard("CLinkLines::add", __FILE__, [&] {
        std::unique_ptr<CLinkLine> owned(line);
        if (!owned)
            return;
        for (int i = 0; i < m_count; ++i) {
            const CLinkLine* held = m_lines.GetAt(i);
            if (held->getStartHandle() == owned->getStartHandle() && held->getEndHandle() == owned->getEndHandle())
                return;
        }
        m_lines.Add(owned.release());
        ++m_count;
    });
}

void CLinkLines::deleteObjects()
{
    kavroGuard("CLinkLines::deleteObjects", __FILE__, [&] {
        for (int i = 0; i < m_lines.GetSize(); ++i)
            delete m_lines.GetAt(i);
        m_lines.RemoveAll();
        m_count = 0;
    });
}

MSXML2::IXMLDOMNodePtr CLinkLines::serialize(CString namespaceURI)
{
    return kavroGuard("CLinkLines::serialize", __FILE__,
                      [&] { return serializeItems("linkLines", namespaceURI, m_lines, m_count); });
}

void CLinkLines::deSerialize(MSXML2::IXMLDOMNodePtr node)
{
    kavroGuard("CLinkLines::deSerialize", __FILE__, [&] {
        if (node)
            deSerializeItems<CLinkLine>(node->get_childNodes(), "linkLine", [this](CLinkLine* line) { add(line); });
    });
}

void CLinkLines::getGraphicReportLinkLines(CStoredProcedure* procedure, int graphicReportID, int timeout)
{
    CParameters parameters;
    CStoredProcedure::Attachment attached;
    procedureGuard(procedure, "CLinkLines::getGraphicReportLinkLines", __FILE__, [&] {
        addInputParameter<CParameterInt>(parameters, "@graphicReportID", graphicReportID);
        procedure->setTimeout(timeout);
        procedure->setName("__gr_getReportLinkLines");
        attached.attach(procedure, &parameters);
        const _RecordsetPtr rows = procedure->execSPReturnParas();
        if (!rows)
            return;
        RowSet row(rows);
        row.forEachRow([&] {
            // NULL columns leave their fields empty.
            auto line = std::make_unique<CLinkLine>();
            line->setStartHandle(row.text("llStartHandle"));
            line->setEndHandle(row.text("llEndHandle"));
            line->setLayer(row.text("llLayerName"));
            line->setLabel(row.text("llLabelText"));
            add(line.release());
        });
    });
}

void CLinkLines::applyToDrawing(CAcadDrawing* drawing, CAcadDrawingState* state)
{
    kavroGuard("CLinkLines::applyToDrawing", __FILE__, [&] {
        for (int i = 0; i < m_count; ++i)
            m_lines.GetAt(i)->applyToDrawing(drawing, state);
    });
}
