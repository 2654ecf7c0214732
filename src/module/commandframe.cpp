#include "module/commandframe.h"

#include "arx/acdocman.h"
#include "arx/acutprintf.h"
#include "arx/dbdatabase.h"
#include "arx/dbsymtb.h"
#include "module/quorvane.h"
#include "support/exrecords.h"
#include "support/kavroguard.h"

#include <memory>

namespace {

void showUnhandled(CEXUnhandled* head)
{
    head->display();
    CEXKavro::deleteChain(head);
}

} // namespace

void reportChain(CEXKavro* caught, const char* signature)
{
    CEXKavro* innermost = caught;
    while (innermost->getInnerException())
        innermost = innermost->getInnerException();
    if (dynamic_cast<CEXCancelled*>(innermost)) {
        acutPrintf("\n*Cancel*\n");
        CEXKavro::deleteChain(caught);
        return;
    }
    CEXUnhandled* head = new CEXUnhandled(KAVRO_PRODUCT_CAPTION, MODULE_MAIN_FILE, signature, 0, caught);
    head->display();
    CEXKavro::deleteChain(head);
}

void printCommandTitle(CString title)
{
    acutPrintf("%s\n", title + " " + getModuleVersion());
}

bool blockDefinitionExists(CAcadDrawing* drawing, CString name)
{
    if (!drawing->isOpen())
        return false;
    AcDbBlockTable* table = nullptr;
    if (drawing->getDocument()->database()->getSymbolTable(table, AcDb::kForRead) != Acad::eOk)
        return false;
    bool found = false;
    AcDbBlockTableIterator* it = nullptr;
    table->newIterator(it, true, true);
    for (; it && !it->done(); it->step(true, true)) {
        AcDbBlockTableRecord* record = nullptr;
        if (it->getRecord(record, AcDb::kForRead, false) != Acad::eOk)
            continue;
        const char* recordName = nullptr;
        record->getName(recordName);
        if (recordName && recordName[0] != '*' && name == recordName)
            found = true;
        record->close();
    }
    delete it;
    table->close();
    return found;
}

void runCommand(const char* signature, const char* title, const std::function<void(CAcadDrawing*)>& work,
                const char* catchAllLine)
{
    try {
        if (title)
            printCommandTitle(title);
        auto drawing = std::make_unique<CAcadDrawing>();
        drawing->setDocument(acDocManagerPtr()->curDocument());
        drawing->setFileName(drawing->getDocument() ? drawing->getDocument()->fileName() : "");
        drawing->setOpen(TRUE);
        drawing->setKeepOpen(TRUE);
        work(drawing.get());
    } catch (CEXKavro* e) {
        reportChain(e, signature);
    } catch (CException* e) {
        showUnhandled(new CEXUnhandled(e, KAVRO_PRODUCT_CAPTION, MODULE_MAIN_FILE, signature, 0, nullptr));
        e->Delete();
    } catch (...) {
        if (catchAllLine)
            acutPrintf("%s", catchAllLine);
        else
            showUnhandled(new CEXUnhandled(KAVRO_PRODUCT_CAPTION, MODULE_MAIN_FILE, signature, 0, nullptr));
    }
}
