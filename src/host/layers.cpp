#include "host/layers.h"

#include "arx/dbdatabase.h"
#include "host/acaddrawing.h"
#include "support/kavroguard.h"

#include <memory>

CLayers::~CLayers()
{
    try {
        deleteObjects();
    } catch (CEXKavro* e) {
        CEXKavro::deleteChain(e);
    }
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

void CLayers::deleteObjects()
{
    kavroGuard("CLayers::deleteObjects", __FILE__, [&] {
        for (int i = 0; i < m_count; ++i)
            delete m_layers.GetAt(i);
        m_layers.RemoveAll();
        m_count = 0;
    });
}

int CLayers::ensureLayerExists(CAcadDrawing* drawing, CString name, AcCmColor colour)
{
    return kavroGuard("CLayers::ensureLayerExists", __FILE__, [&] {
        AcDbLayerTable* opened = nullptr;
        if (!drawing->isLocked())
            return 1;
        if (drawing->getDocument()->database()->getSymbolTable(opened, AcDb::kForWrite) != Acad::eOk)
            return 1;
        const auto close = [](AcDbLayerTable* t) { t->close(); };
        const std::unique_ptr<AcDbLayerTable, decltype(close)> table(opened, close);
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
