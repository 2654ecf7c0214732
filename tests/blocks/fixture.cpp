#include "fixture.h"

#include "arx/acedselect.h"
#include "blocks/attributes.h"
#include "blocks/kavroattribute.h"
#include "common/tempdir.h"

#include <QJsonDocument>
#include <cstdio>

namespace {

// Adds the record to the database's table of the type and closes both.
template <class Table>
AcDbObjectId addRecord(AcDbDatabase* db, AcDbSymbolTableRecord* record)
{
    Table* table = nullptr;
    EXPECT_EQ(db->getSymbolTable(table, AcDb::kForWrite), Acad::eOk);
    AcDbObjectId id;
    EXPECT_EQ(table->add(id, record), Acad::eOk);
    record->close();
    table->close();
    return id;
}

} // namespace

void DrawingTest::SetUp()
{
    ASSERT_EQ(acDocManager->appContextNewDocument(), Acad::eOk);
    document = acDocManager->curDocument();
    db = document->database();
    drawing.setDocument(document);
    drawing.setFullPath(document->fileName());
    drawing.setOpen(TRUE);
    drawing.setKeepOpen(TRUE);
    m_openSets = qv::openSelectionSetCount();
}

void DrawingTest::TearDown()
{
    EXPECT_EQ(db->openObjectCount(), 0) << "objects left open";
    EXPECT_EQ(qv::openSelectionSetCount(), m_openSets) << "selection sets not freed";
    EXPECT_FALSE(drawing.isLocked()) << "drawing left locked";
    EXPECT_EQ(document->lockCount(), 0);
    acDocManager->setLockDecider(nullptr);
    acDocManager->closeAll();
}

AcDbObjectId DrawingTest::post(AcDbEntity* entity, AcDbObjectId owner)
{
    AcDbBlockTableRecord* record = nullptr;
    EXPECT_EQ(acdbOpenObject(record, owner.isNull() ? db->modelSpaceId() : owner, AcDb::kForWrite), Acad::eOk);
    AcDbObjectId id;
    EXPECT_EQ(record->appendAcDbEntity(id, entity), Acad::eOk);
    entity->close();
    record->close();
    return id;
}

AcDbObjectId DrawingTest::rectangle(double x, double y, double width, double height, AcDbObjectId owner,
                                    const char* layer)
{
    auto* polyline = new AcDbPolyline;
    polyline->addVertexAt(0, AcGePoint2d(x, y));
    polyline->addVertexAt(1, AcGePoint2d(x + width, y));
    polyline->addVertexAt(2, AcGePoint2d(x + width, y + height));
    polyline->addVertexAt(3, AcGePoint2d(x, y + height));
    polyline->setClosed(true);
    polyline->setDatabaseDefaults(db);
    polyline->setLayer(layer);
    return post(polyline, owner);
}

AcDbObjectId DrawingTest::addLayer(const char* name, bool locked)
{
    auto* record = new AcDbLayerTableRecord;
    record->setName(name);
    record->setIsLocked(locked);
    return addRecord<AcDbLayerTable>(db, record);
}

AcDbObjectId DrawingTest::insertSpace(CBlockDWG& block, AcDbObjectId outline, AcGePoint3d base, double textHeight,
                                      double rotation)
{
    AcDbEntity* entity = nullptr;
    EXPECT_EQ(acdbOpenObject(entity, outline, AcDb::kForRead), Acad::eOk);
    entity->close();
    EXPECT_EQ(block.insertBlock(&drawing, entity, base, textHeight, 1.0, rotation), Acad::eOk);
    return lastReference();
}

std::unique_ptr<CBlockDWG> DrawingTest::newRoom(const char* name, const char* code, CMeasureUnits units, int precision)
{
    auto block = std::make_unique<CBlockDWG>();
    block->setBlockName(CString("ROOM-") + code);
    block->setUnits(units);
    block->setPrecision(precision);
    block->setName(name);
    auto* set = new CAttributes;
    const char* values[] = {code, "", " "};
    for (int kind = 0; kind < 3; ++kind) {
        auto* attribute = new CKavroAttribute;
        attribute->setKind(kind);
        attribute->setValue(values[kind]);
        set->add(attribute, 0);
    }
    block->setAttributes(set);
    return block;
}

std::unique_ptr<CBlockDWG> DrawingTest::readBlock(AcDbObjectId id)
{
    AcDbBlockReference* reference = nullptr;
    EXPECT_EQ(acdbOpenObject(reference, id, AcDb::kForRead), Acad::eOk);
    if (!reference)
        return nullptr;
    auto block = std::make_unique<CBlockDWG>(reference, document);
    reference->close();
    return block;
}

AcDbObjectId DrawingTest::definition(const char* name)
{
    auto* record = new AcDbBlockTableRecord;
    record->setName(name);
    return addRecord<AcDbBlockTable>(db, record);
}

AcDbObjectId DrawingTest::reference(AcDbObjectId definition, AcGePoint3d position, AcDbObjectId owner)
{
    return post(new AcDbBlockReference(position, definition), owner);
}

AcDbObjectId DrawingTest::lastReference() const
{
    AcDbBlockTableRecord* space = nullptr;
    EXPECT_EQ(acdbOpenObject(space, db->modelSpaceId(), AcDb::kForRead), Acad::eOk);
    AcDbObjectId found;
    for (const AcDbObjectId& id : space->entityIds())
        if (!id.isErased() && AcDbBlockReference::cast(id.object()))
            found = id;
    space->close();
    return found;
}

int DrawingTest::modelSpaceCount() const
{
    AcDbBlockTableRecord* space = nullptr;
    EXPECT_EQ(acdbOpenObject(space, db->modelSpaceId(), AcDb::kForRead), Acad::eOk);
    int count = 0;
    for (const AcDbObjectId& id : space->entityIds())
        count += id.isErased() ? 0 : 1;
    space->close();
    return count;
}

void DrawingTest::setXData(AcDbObjectId id, const std::vector<std::pair<short, std::string>>& items)
{
    resbuf* head = nullptr;
    for (auto item = items.rbegin(); item != items.rend(); ++item) {
        resbuf* rb = acutNewRb(item->first);
        acutSetRbString(rb, item->second.c_str());
        rb->rbnext = head;
        head = rb;
    }
    acdbRegApp(items.front().second.c_str(), db);
    AcDbObject* object = nullptr;
    EXPECT_EQ(acdbOpenObject(object, id, AcDb::kForWrite), Acad::eOk);
    EXPECT_EQ(object->setXData(head), Acad::eOk);
    object->close();
    acutRelRb(head);
}

QJsonObject DrawingTest::saveAndDump()
{
    TempDir dir;
    const std::string path = dir.file("drawing.dxf");
    EXPECT_EQ(db->saveAs(path.c_str()), Acad::eOk);
    const std::string command = "/usr/bin/python3 -c \"import sys, json; sys.path.insert(0, '" QV_SOURCE_DIR
                                "/tests/tools'); import dxfdump; doc = dxfdump.read(sys.argv[1]); "
                                "print(json.dumps({'audit': dxfdump.audit_messages(doc), "
                                "'dump': dxfdump.describe(doc)}))\" " +
                                path;
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        size_t read = 0;
        while ((read = fread(buffer, 1, sizeof buffer, pipe)) > 0)
            output.append(buffer, read);
        pclose(pipe);
    }
    const QJsonDocument json = QJsonDocument::fromJson(QByteArray::fromStdString(output));
    EXPECT_TRUE(json.isObject()) << output;
    return json.object();
}

std::vector<std::string> xdataStrings(const QJsonObject& entity, const char* app)
{
    std::vector<std::string> strings;
    for (const QJsonValue& item : entity["xdata"].toObject()[app].toArray())
        strings.push_back(item.toArray()[1].toString().toStdString());
    return strings;
}
