#include "reports/linklines.h"

#include "database/exstoredprocedure.h"
#include "database/parameterint.h"
#include "database/parameters.h"
#include "database/storedprocedure.h"
#include "support/kavroguard.h"
#include "support/xmlutilities.h"

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
    return kavroGuard("CLinkLines::serialize", __FILE__, [&] {
        MSXML2::IXMLDOMNodePtr element = CXMLUtilities().createNode("linkLines", namespaceURI);
        for (int i = 0; i < m_count; ++i)
            element->appendChild(m_lines.GetAt(i)->serialize(namespaceURI));
        return element;
    });
}

void CLinkLines::deSerialize(MSXML2::IXMLDOMNodePtr node)
{
    kavroGuard("CLinkLines::deSerialize", __FILE__, [&] {
        if (!node)
            return;
        for (long i = 0; i < node->childCount(); ++i) {
            const MSXML2::IXMLDOMNodePtr child = node->childAt(i);
            if (child->get_nodeName() != "linkLine")
                continue;
            auto line = std::make_unique<CLinkLine>();
            line->deSerialize(child);
            add(line.release());
        }
    });
}

namespace {

// Sets a field from a recordset column that is not NULL.
template <class Setter>
void readColumn(const _RecordsetPtr& rows, const char* column, Setter set)
{
    const _variant_t value = rows->GetCollect(column);
    if (!value.isNull())
        set(CString(static_cast<_bstr_t>(value).c_str()));
}

} // namespace

void CLinkLines::getGraphicReportLinkLines(CStoredProcedure* procedure, int graphicReportID, int timeout)
{
    const char* procSig = "CLinkLines::getGraphicReportLinkLines";
    CParameters parameters;
    CStoredProcedure::Attachment attached;
    auto failedCall = [&](const _com_error& e) {
        throw new CEXStoredProcedure(e, procedure, KAVRO_PRODUCT_CAPTION, __FILE__, procSig, high);
    };
    kavroComGuard(procSig, __FILE__, failedCall, [&] {
        addInputParameter<CParameterInt>(parameters, "@graphicReportID", graphicReportID);
        procedure->setTimeout(timeout);
        procedure->setName("__gr_getReportLinkLines");
        attached.attach(procedure, &parameters);
        const _RecordsetPtr rows = procedure->execSPReturnParas();
        if (!rows)
            return;
        const auto close = [](ADODB::Recordset* r) {
            if (r->GetState() == ADODB::adStateOpen)
                r->Close();
        };
        const std::unique_ptr<ADODB::Recordset, decltype(close)> closing(rows.GetInterfacePtr(), close);
        if (rows->GetBOF() && rows->GetadoEOF())
            return;
        for (; !rows->GetadoEOF(); rows->MoveNext()) {
            auto line = std::make_unique<CLinkLine>();
            readColumn(rows, "llStartHandle", [&](CString text) { line->setStartHandle(text); });
            readColumn(rows, "llEndHandle", [&](CString text) { line->setEndHandle(text); });
            readColumn(rows, "llLayerName", [&](CString text) { line->setLayer(text); });
            readColumn(rows, "llLabelText", [&](CString text) { line->setLabel(text); });
            add(line.release());
        }
    });
}

void CLinkLines::applyToDrawing(CAcadDrawing* drawing, CAcadDrawingState* state)
{
    kavroGuard("CLinkLines::applyToDrawing", __FILE__, [&] {
        for (int i = 0; i < m_count; ++i)
            m_lines.GetAt(i)->applyToDrawing(drawing, state);
    });
}
