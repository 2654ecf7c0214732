#include "host/layouts.h"

#include "arx/dblayout.h"
#include "database/parameterint.h"
#include "database/procedureguard.h"
#include "database/storedprocedure.h"
#include "layertable.h"
#include "support/kavroguard.h"

#include <memory>
#include <optional>

CLayouts::~CLayouts()
{
    cleanUpQuietly([&] { deleteObjects(); });
}

void CLayouts::add(CLayout* layout)
{
    kavroGuard("CLayouts::add", __FILE__, [&] {
        for (int i = 0; i < m_count; ++i)
            if (m_layouts.GetAt(i)->getName() == layout->getName())
                return;
        m_layouts.Add(layout);
        ++m_count;
    }, 0);
}

namespace {

// The name of the layout whose block the record is; nothing for another block.
std::optional<CString> layoutName(const AcDbBlockTableRecord* record)
{
    if (!record->isLayout())
        return std::nullopt;
    const auto layout = openObject<AcDbLayout>(record->getLayoutId(), AcDb::kForRead);
    CString name;
    if (!layout || layout->getName(name) != Acad::eOk)
        return std::nullopt;
    return name;
}

} // namespace

void CLayouts::getDWGLayouts(CAcadDrawing* drawing)
{
    kavroGuard("CLayouts::getDWGLayouts", __FILE__, [&] {
        if (drawing->lock() != Acad::eOk)
            return;
        // Released last, after the table, also when a layout cannot be added.
        const auto unlock = [](CAcadDrawing* d) { d->unlock(FALSE); };
        const std::unique_ptr<CAcadDrawing, decltype(unlock)> locked(drawing, unlock);
        AcDbBlockTable* opened = nullptr;
        if (drawing->getDocument()->database()->getSymbolTable(opened, AcDb::kForRead) != Acad::eOk)
            return;
        const Opened<AcDbBlockTable> table(opened);
        AcDbBlockTableIterator* walk = nullptr;
        if (table->newIterator(walk, true, true) != Acad::eOk)
            return;
        for (const std::unique_ptr<AcDbBlockTableIterator> it(walk); !it->done(); it->step(true, true)) {
            AcDbBlockTableRecord* record = nullptr;
            if (it->getRecord(record, AcDb::kForRead) != Acad::eOk)
                continue;
            const Opened<AcDbBlockTableRecord> closed(record);
            if (const std::optional<CString> name = layoutName(record)) {
                auto layout = std::make_unique<CLayout>();
                layout->setName(*name);
                const int before = m_count;
                add(layout.get());
                if (m_count != before)
                    layout.release();
            }
        }
    });
}

int CLayouts::addLayoutsToQPX(CStoredProcedure* procedure, int timeout, int attachID)
{
    return kavroGuard("CLayouts::addLayoutsToQPX", __FILE__, [&] {
        deleteDrawingLayouts(procedure, timeout, attachID);
        for (int i = 0; i < m_count; ++i)
            m_layouts.GetAt(i)->addLayoutToQPX(procedure, timeout, attachID);
        return 1;
    });
}

void CLayouts::deleteDrawingLayouts(CStoredProcedure* procedure, int timeout, int attachID)
{
    const char* procSig = "CLayouts::deleteDrawingLayouts";
    CParameters parameters;
    CStoredProcedure::Attachment attached;
    procedureGuard(procedure, procSig, __FILE__, [&] {
        addInputParameter<CParameterInt>(parameters, "@attachID", attachID);
        procedure->setTimeout(timeout);
        procedure->setName("__to_deleteDrawingLayouts");
        attached.attach(procedure, &parameters);
        procedure->execSPNoReturnParas();
    });
}

void CLayouts::deleteObjects()
{
    kavroGuard("CLayouts::deleteObjects", __FILE__, [&] {
        for (int i = 0; i < m_count; ++i)
            delete m_layouts.GetAt(i);
        m_layouts.RemoveAll();
        m_count = 0;
    }, 0);
}
