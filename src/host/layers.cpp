#include "host/layers.h"

#include "database/parameterint.h"
#include "database/procedureguard.h"
#include "database/rowset.h"
#include "database/storedprocedure.h"
#include "layertable.h"
#include "support/kavroguard.h"
#include "support/xmlitems.h"

#include <algorithm>
#include <iterator>

CLayers::~CLayers()
{
    cleanUpQuietly([&] { deleteObjects(); });
}

void CLayers::add(CLayer* layer)
{
    kavroGuard("CLayers::add", __FILE__, [&] {
        for (int i = 0; i < m_count; ++i)
            if (m_layers.GetAt(i)->getName() == layer->getName())
                return;
        m_layers.Add(layer);
        ++m_count;
    });
}

void CLayers::adopt(std::unique_ptr<CLayer> layer)
{
    const int before = m_count;
    add(layer.get());
    if (m_count != before)
        layer.release();
}

CLayer* CLayers::getAtLayer(CString name)
{
    return kavroGuard("CLayers::getAtLayer", __FILE__, [&]() -> CLayer* {
        name.MakeUpper();
        for (int i = 0; i < m_count; ++i) {
            CString stored = m_layers.GetAt(i)->getName();
            if (stored.MakeUpper() == name)
                return m_layers.GetAt(i);
        }
        return nullptr;
    });
}

template <class Setter>
void CLayers::setAllExempting(Setter setter)
{
    // Layers the module keeps as they are: hyperlink and hatch outlines, attribute texts.
    static const char* const exempt[] = {"##HYPERLINKS", "##HATCH", "ATT-NAME", "ATT-AREA", "ATT-AUX"};
    for (int i = 0; i < m_count; ++i) {
        CLayer* layer = m_layers.GetAt(i);
        const CString name = layer->getName();
        if (std::none_of(std::begin(exempt), std::end(exempt), [&](const char* e) { return name == e; }))
            setter(layer);
    }
}

void CLayers::setAllLayersOff(int off)
{
    kavroGuard("CLayers::setAllLayersOff", __FILE__,
               [&] { setAllExempting([off](CLayer* layer) { layer->setOff(off); }); });
}

void CLayers::setAllLayersFrozen(int frozen)
{
    kavroGuard("CLayers::setAllLayersFrozen", __FILE__,
               [&] { setAllExempting([frozen](CLayer* layer) { layer->setFrozen(frozen); }); });
}

void CLayers::getDWGLayers(CAcadDrawing* drawing)
{
    kavroGuard("CLayers::getDWGLayers", __FILE__, [&] {
        if (drawing->lock() != Acad::eOk)
            return;
        // Released last, after the table, also when a layer cannot be made.
        const auto unlock = [](CAcadDrawing* d) { d->unlock(FALSE); };
        const std::unique_ptr<CAcadDrawing, decltype(unlock)> locked(drawing, unlock);
        const auto table = openLayerTable(drawing);
        AcDbLayerTableIterator* opened = nullptr;
        if (!table || table->newIterator(opened) != Acad::eOk)
            return;
        for (const std::unique_ptr<AcDbLayerTableIterator> it(opened); !it->done(); it->step()) {
            AcDbLayerTableRecord* record = nullptr;
            if (it->getRecord(record, AcDb::kForWrite) != Acad::eOk)
                continue;
            const Opened<AcDbLayerTableRecord> closed(record);
            adopt(std::make_unique<CLayer>(record));
        }
    });
}

void CLayers::applyToDWG(CAcadDrawing* drawing)
{
    kavroGuard("CLayers::applyToDWG", __FILE__, [&] {
        for (int i = 0; i < m_count; ++i)
            m_layers.GetAt(i)->applyToDWG(drawing);
    });
}

int CLayers::ensureLayerExists(CAcadDrawing* drawing, CString name, AcCmColor colour)
{
    return kavroGuard("CLayers::ensureLayerExists", __FILE__, [&] {
        if (!drawing->isLocked())
            return 1;
        const auto table = openLayerTable(drawing);
        if (!table)
            return 1;
        name = CLayer::validateLayerName(name);
        if (!table->has(name)) {
            auto record = std::make_unique<AcDbLayerTableRecord>();
            record->setName(name);
            record->setColor(colour);
            if (table->add(record.get()) == Acad::eOk)
                record.release()->close();
        }
        return 1;
    });
}

void CLayers::getFrozenThawedIds(AcDbObjectIdArray& thawed, AcDbObjectIdArray& frozen)
{
    kavroGuard("CLayers::getFrozenThawedIds", __FILE__, [&] {
        for (int i = 0; i < m_count; ++i) {
            const CLayer* layer = m_layers.GetAt(i);
            // A layer that has no record in the drawing (never written to it) has nothing to
            // freeze or thaw; its null id would end a viewport's list short.
            if (!layer->getObjectId().isNull())
                (layer->getFrozen() ? frozen : thawed).push_back(layer->getObjectId());
        }
    });
}

int CLayers::addLayersToQPX(CStoredProcedure* procedure, int timeout, int attachID)
{
    return kavroGuard("CLayers::addLayersToQPX", __FILE__, [&] {
        for (int i = 0; i < m_count; ++i)
            m_layers.GetAt(i)->addLayerToQPX(procedure, timeout, attachID);
        return 1;
    });
}

void CLayers::getGraphicReportLayersOn(CStoredProcedure* procedure, int reportID, int timeout)
{
    CParameters parameters;
    CStoredProcedure::Attachment attached;
    procedureGuard(procedure, "CLayers::getGraphicReportLayersOn", __FILE__, [&] {
        addInputParameter<CParameterInt>(parameters, "@graphicReportID", reportID);
        procedure->setTimeout(timeout);
        procedure->setName("__gr_getReportLayersOn");
        attached.attach(procedure, &parameters);
        const _RecordsetPtr rows = procedure->execSPReturnParas();
        if (!rows)
            return;
        RowSet read(rows);
        read.forEachRow([&] {
            auto layer = std::make_unique<CLayer>();
            if (CString name; read.text("loName", name))
                layer->setName(name);
            if (CString description; read.text("loDescription", description))
                layer->setDescription(description);
            adopt(std::move(layer));
        });
    });
}

MSXML2::IXMLDOMNodePtr CLayers::serialize(CString namespaceURI)
{
    return kavroGuard("CLayers::serialize", __FILE__,
                      [&] { return serializeItems("layersOn", namespaceURI, m_layers, m_count); });
}

void CLayers::deSerialize(MSXML2::IXMLDOMNodeListPtr nodes)
{
    kavroGuard("CLayers::deSerialize", __FILE__, [&] {
        deSerializeItems<CLayer>(nodes, "layerOn", [this](CLayer* layer) { adopt(std::unique_ptr<CLayer>(layer)); });
    });
}

void CLayers::deleteObjects()
{
    kavroGuard("CLayers::deleteObjects", __FILE__, [&] {
        for (int i = 0; i < m_count; ++i)
            delete m_layers.GetAt(i);
        m_layers.RemoveAll();
        m_count = 0;
    });
}

namespace {

// The id of the drawing's layer whose upper-cased name is the name; null when none is.
AcDbObjectId findUpperCased(const AcDbLayerTable* table, const CString& name)
{
    AcDbObjectId found;
    AcDbLayerTableIterator* opened = nullptr;
    if (table->newIterator(opened) != Acad::eOk)
        return found;
    for (const std::unique_ptr<AcDbLayerTableIterator> it(opened); !it->done(); it->step()) {
        AcDbLayerTableRecord* record = nullptr;
        if (it->getRecord(record, AcDb::kForWrite) != Acad::eOk)
            continue;
        const Opened<AcDbLayerTableRecord> closed(record);
        CString recordName(record->name().c_str());
        if (recordName.MakeUpper() == name && name != "0")
            found = record->objectId();
    }
    return found;
}

} // namespace

void CLayers::setOnLayerToCurrent(CAcadDrawing* drawing)
{
    kavroGuard("CLayers::setOnLayerToCurrent", __FILE__, [&] {
        for (int i = 0; i < m_count; ++i) {
            const CLayer* layer = m_layers.GetAt(i);
            if (layer->getOff() != 0)
                continue;
            AcApDocument* document = drawing->getDocument();
            if (acDocManagerPtr()->lockDocument(document, AcAp::kWrite, nullptr, nullptr, true) != Acad::eOk)
                continue;
            AcDbObjectId candidate;
            if (const auto table = openLayerTable(drawing))
                candidate = findUpperCased(table.get(), layer->getName());
            // A pass that found nothing leaves the current layer as it is.
            if (!candidate.isNull())
                document->database()->setClayer(candidate);
            acDocManagerPtr()->unlockDocument(document);
        }
    });
}
