#include "host/layer.h"

#include "arx/dbdatabase.h"
#include "database/parameterint.h"
#include "database/parametertinyint.h"
#include "database/parametervarchar.h"
#include "database/procedureguard.h"
#include "database/storedprocedure.h"
#include "host/acaddrawing.h"
#include "layertable.h"
#include "support/kavroguard.h"
#include "support/xmlutilities.h"

#include <memory>

namespace {

// The table's layer of the name open for write, closed when dropped; null when it does not open.
Opened<AcDbLayerTableRecord> openLayer(const AcDbLayerTable* table, const CString& name)
{
    AcDbLayerTableRecord* record = nullptr;
    const bool opened = table->getAt(name, record, AcDb::kForWrite) == Acad::eOk;
    return Opened<AcDbLayerTableRecord>(opened ? record : nullptr);
}

// Stores a setter's value and marks the layer as changed.
template <class T>
void change(T& field, T value, int& modified)
{
    field = std::move(value);
    modified = 1;
}

} // namespace

CLayer::CLayer()
{
    m_colour.setColorIndex(0);
}

CLayer::CLayer(AcDbLayerTableRecord* record)
{
    kavroGuard("CLayer::CLayer", __FILE__, [&] { getDWGLayer(record); });
}

void CLayer::setName(CString name) { change(m_name, validateLayerName(std::move(name)), m_modified); }
void CLayer::setDescription(CString description) { change(m_description, std::move(description), m_modified); }

void CLayer::setColourIndex(int index)
{
    m_colour.setColorIndex(static_cast<Adesk::UInt16>(index));
    change(m_colourIndex, index, m_modified);
}

void CLayer::setFrozen(int frozen) { change(m_frozen, frozen, m_modified); }
void CLayer::setLocked(int locked) { change(m_locked, locked, m_modified); }
void CLayer::setOff(int off) { change(m_off, off, m_modified); }
void CLayer::setPlottable(int plottable) { change(m_plottable, plottable, m_modified); }
void CLayer::setLineWeight(int lineWeight) { change(m_lineWeight, lineWeight, m_modified); }

void CLayer::getDWGLayer(AcDbLayerTableRecord* record)
{
    kavroGuard("CLayer::getDWGLayer", __FILE__, [&] {
        m_objectId = record->objectId();
        CString name(record->name());
        setName(name.MakeUpper());
        setColourIndex(record->color().colorIndex());
        setStates(record);
    });
}

void CLayer::setStates(const AcDbLayerTableRecord* record)
{
    setFrozen(record->isFrozen() ? 1 : 0);
    setLocked(record->isLocked() ? 1 : 0);
    setOff(record->isOff() ? 1 : 0);
    setPlottable(record->isPlottable() ? 1 : 0);
    setLineWeight(record->lineWeight());
}

int CLayer::getDWGLayer(CAcadDrawing* drawing, CString name)
{
    return kavroGuard("CLayer::getDWGLayer", __FILE__, [&] {
        if (!m_modified || drawing->lock() != Acad::eOk)
            return 0;
        int found = 0;
        if (auto table = openLayerTable(drawing); table && table->has(name)) {
            found = 1;
            if (const auto record = openLayer(table.get(), name))
                getDWGLayer(record.get());
        }
        drawing->unlock(FALSE);
        return found;
    });
}

void CLayer::writeStates(AcDbLayerTableRecord* record) const
{
    record->setIsFrozen(m_frozen != 0);
    record->setIsLocked(m_locked != 0);
    record->setIsOff(m_off != 0);
    record->setIsPlottable(m_plottable != 0);
    record->setLineWeight(static_cast<AcDb::LineWeight>(m_lineWeight));
}

void CLayer::applyToDWG(CAcadDrawing* drawing)
{
    kavroGuard("CLayer::applyToDWG", __FILE__, [&] {
        if (!m_modified || drawing->lock() != Acad::eOk)
            return;
        if (auto table = openLayerTable(drawing); table && table->has(m_name)) {
            if (const auto record = openLayer(table.get(), m_name)) {
                if (m_objectId.isNull())
                    m_objectId = record->objectId();
                writeStates(record.get());
            }
        } else if (table) {
            auto record = std::make_unique<AcDbLayerTableRecord>();
            record->setName(m_name);
            record->setColor(m_colour);
            writeStates(record.get());
            if (table->add(m_objectId, record.get()) == Acad::eOk)
                record.release()->close();
        }
        drawing->unlock(FALSE);
    });
}

MSXML2::IXMLDOMNodePtr CLayer::serialize(CString namespaceURI)
{
    return kavroGuard("CLayer::serialize", __FILE__, [&] {
        CXMLUtilities xml;
        MSXML2::IXMLDOMNodePtr element = xml.createNode("layerOn", namespaceURI);
        element->appendChild(xml.createNode("loName", m_name, namespaceURI));
        if (!m_description.IsEmpty())
            element->appendChild(xml.createNode("loDescription", m_description, namespaceURI));
        return element;
    });
}

void CLayer::deSerialize(MSXML2::IXMLDOMNodePtr node)
{
    kavroGuard("CLayer::deSerialize", __FILE__, [&] {
        if (!node || node->get_nodeName() != "layerOn" || !node->hasChildNodes())
            return;
        for (long i = 0; i < node->childCount(); ++i) {
            const MSXML2::IXMLDOMNodePtr child = node->childAt(i);
            if (child->get_nodeName() == "loName")
                m_name = child->get_text();
            else if (child->get_nodeName() == "loDescription")
                m_description = child->get_text();
        }
    });
}

void CLayer::addLayerToQPX(CStoredProcedure* procedure, int timeout, int attachID)
{
    const char* procSig = "CLayer::addLayerToQPX";
    CParameters parameters;
    CStoredProcedure::Attachment attached;
    procedureGuard(procedure, procSig, __FILE__, [&] {
        addInputParameter<CParameterVarChar>(parameters, "@layerName", _bstr_t(m_name.GetString()));
        addInputParameter<CParameterVarChar>(parameters, "@layerDescription", _bstr_t(""));
        addInputParameter<CParameterTinyInt>(parameters, "@layerColour", static_cast<unsigned char>(m_colourIndex));
        addInputParameter<CParameterInt>(parameters, "@attachID", attachID);
        procedure->setTimeout(timeout);
        procedure->setName("__to_addDrawingLayer");
        attached.attach(procedure, &parameters);
        procedure->execSPNoReturnParas();
    });
}

CString CLayer::validateLayerName(CString name)
{
    return kavroGuard("CLayer::validateLayerName", __FILE__, [&] {
        // What a drawing's layer name cannot hold (other readers refuse a file with such a
        // layer), and the comma; the bar stays, as the names of xref-dependent layers hold it.
        constexpr const char* illegal = "<>/\\\":;?*,=`";
        if (name.str().find_first_of(illegal) == std::string::npos)
            return name;
        for (const char* c = illegal; *c; ++c)
            name.Remove(*c);
        return name;
    });
}

int CLayer::ensureLayerExists(CString name, CAcadDrawing* drawing)
{
    return kavroGuard("CLayer::ensureLayerExists", __FILE__, [&] {
        if (drawing->lock() != Acad::eOk)
            return 1;
        if (auto table = openLayerTable(drawing)) {
            name = validateLayerName(name);
            if (!table->has(name)) {
                auto record = std::make_unique<AcDbLayerTableRecord>();
                record->setName(name);
                if (table->add(record.get()) == Acad::eOk)
                    record.release()->close();
            }
        }
        drawing->unlock(FALSE);
        return 1;
    });
}
