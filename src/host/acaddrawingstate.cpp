#include "host/acaddrawingstate.h"

#include "arx/dblayout.h"
#include "arx/dbviewport.h"
#include "host/acaddrawing.h"
#include "layertable.h"
#include "support/kavroguard.h"
#include "support/xmlutilities.h"

namespace {

// The body's failures of any kind become a new record without an inner one.
template <class Body>
void guardAll(const char* procSig, Body&& body)
{
    try {
        body();
    } catch (CEXKavro* e) {
        CEXKavro::deleteChain(e);
        throw new CEXUnhandled(KAVRO_PRODUCT_CAPTION, __FILE__, procSig, 0, nullptr);
    } catch (CException* e) {
        e->Delete();
        throw new CEXUnhandled(KAVRO_PRODUCT_CAPTION, __FILE__, procSig, 0, nullptr);
    } catch (...) {
        throw new CEXUnhandled(KAVRO_PRODUCT_CAPTION, __FILE__, procSig, 0, nullptr);
    }
}

// The name of the working drawing's active layout, "Model" for model space.
CString activeLayoutName()
{
    CString name;
    acdbLayoutManager()->getActiveLayoutName(name, true);
    return name;
}

} // namespace

CAcadDrawingState::CAcadDrawingState() : m_layout(activeLayoutName()), m_layers(new CLayers) {}

CAcadDrawingState::CAcadDrawingState(CAcadDrawing* drawing)
{
    getState(drawing);
}

CAcadDrawingState::~CAcadDrawingState()
{
    delete m_layers;
}

void CAcadDrawingState::getState(CAcadDrawing* drawing)
{
    kavroGuard("CAcadDrawingState::getState", __FILE__, [&] {
        m_layout = activeLayoutName();
        auto layers = std::make_unique<CLayers>();
        layers->getDWGLayers(drawing);
        setLayers(layers.release());
    }, 0);
}

void CAcadDrawingState::applyState(CAcadDrawing* drawing, int viewports)
{
    kavroGuard("CAcadDrawingState::applyState", __FILE__, [&] {
        acdbLayoutManager()->setCurrentLayout(m_layout);
        if (m_layers) {
            m_layers->applyToDWG(drawing);
            if (viewports && m_layout != "Model") {
                AcDbObjectIdArray thawed, frozen;
                m_layers->getFrozenThawedIds(thawed, frozen);
                applyLayersInAllLayoutViewports(thawed, frozen);
            }
        }
        drawing->regenDrawing();
    }, 0);
}

void CAcadDrawingState::applyLayersInAllLayoutViewports(const AcDbObjectIdArray& thawed,
                                                        const AcDbObjectIdArray& frozen)
{
    kavroGuard("CAcadDrawingState::applyLayersInAllLayoutViewports", __FILE__, [&] {
        AcDbLayoutManager* manager = acdbLayoutManager();
        const auto layout = openObject<AcDbLayout>(manager->findLayoutNamed(activeLayoutName()), AcDb::kForRead);
        if (!layout)
            return;
        for (const AcDbObjectId& id : layout->getViewportArray()) {
            if (const auto viewport = openObject<AcDbViewport>(id, AcDb::kForWrite)) {
                viewport->freezeLayersInViewport(frozen);
                viewport->thawLayersInViewport(thawed);
            }
        }
    }, 0);
}

void CAcadDrawingState::setAllLayerLineWeights(int lineWeight)
{
    guardAll("CAcadDrawingState::setAllLayerLineWeights", [&] {
        for (int i = 0; m_layers && i < m_layers->getCount(); ++i)
            m_layers->getAt(i)->setLineWeight(lineWeight);
    });
}

void CAcadDrawingState::setStateAllOff(CAcadDrawing* drawing)
{
    guardAll("CAcadDrawingState::setStateAllOff", [&] {
        acdbLayoutManager()->setCurrentLayout("Model");
        for (int i = 0; m_layers && i < m_layers->getCount(); ++i) {
            CLayer* layer = m_layers->getAt(i);
            layer->setFrozen(0);
            layer->setLocked(0);
            layer->setOff(1);
            layer->setPlottable(1);
        }
        applyState(drawing, 0);
    });
}

void CAcadDrawingState::setStateForTakeOff(CAcadDrawing* drawing)
{
    guardAll("CAcadDrawingState::setStateForTakeOff", [&] {
        m_layout = "Model";
        for (int i = 0; m_layers && i < m_layers->getCount(); ++i) {
            CLayer* layer = m_layers->getAt(i);
            layer->setLocked(0);
            layer->setFrozen(0);
            layer->setOff(0);
            layer->setPlottable(1);
        }
        applyState(drawing, 0);
    });
}

void CAcadDrawingState::setLayerState(CString name, int frozen, int locked, int off, int plottable)
{
    kavroGuard("CAcadDrawingState::setLayerState", __FILE__, [&] {
        if (!m_layers)
            m_layers = new CLayers;
        CLayer* layer = m_layers->getAtLayer(name);
        std::unique_ptr<CLayer> added;
        if (!layer) {
            added = std::make_unique<CLayer>();
            added->setName(name);
            layer = added.get();
        }
        layer->setFrozen(frozen);
        layer->setLocked(locked);
        layer->setOff(off);
        layer->setPlottable(plottable);
        if (added)
            m_layers->adopt(std::move(added));
    }, 0);
}

void CAcadDrawingState::setLayers(CLayers* layers)
{
    if (layers != m_layers)
        delete m_layers;
    m_layers = layers;
}

MSXML2::IXMLDOMNodePtr CAcadDrawingState::serialize(CString namespaceURI)
{
    return kavroGuard("CAcadDrawingState::serialize", __FILE__, [&] {
        CXMLUtilities xml;
        MSXML2::IXMLDOMNodePtr element = xml.createNode("AcadDrawingState", namespaceURI);
        element->appendChild(xml.createNode("layout", m_layout, namespaceURI));
        if (m_layers)
            element->appendChild(m_layers->serialize(namespaceURI));
        return element;
    });
}

void CAcadDrawingState::deSerialize(MSXML2::IXMLDOMNodePtr node)
{
    kavroGuard("CAcadDrawingState::deSerialize", __FILE__, [&] {
        if (!node || node->get_nodeName() != "AcadDrawingState" || !node->hasChildNodes())
            return;
        for (long i = 0; i < node->childCount(); ++i) {
            const MSXML2::IXMLDOMNodePtr child = node->childAt(i);
            if (child->get_nodeName() == "layout") {
                m_layout = child->get_text();
            } else if (child->get_nodeName() == "layersOn") {
                auto layers = std::make_unique<CLayers>();
                layers->deSerialize(child->get_childNodes());
                setLayers(layers.release());
            }
        }
    });
}
