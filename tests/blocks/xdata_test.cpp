// The XData record and attributes of space blocks as the module writes them into a drawing
// (checked in the saved file with ezdxf) and reads them back.
#include "fixture.h"

#include "blocks/attributes.h"
#include "blocks/kavroattribute.h"
#include "support/kavroguard.h"

#include <QJsonDocument>
#include <map>

namespace {

using Strings = std::vector<std::string>;

QJsonObject entityOfHandle(const QJsonArray& entities, const std::string& handle)
{
    for (const QJsonValue& entity : entities)
        if (entity.toObject()["handle"].toString().toStdString() == handle)
            return entity.toObject();
    return {};
}

class SpaceRecord : public DrawingTest
{
protected:
    // A metric room of 5000 x 2500 mm whose record holds every field and two subtracted
    // areas.
    AcDbObjectId roomWithRecord()
    {
        column = rectangle(1500, 1500, 100, 100);
        wall = rectangle(2000, 1500, 100, 100);
        const AcDbObjectId outline = rectangle(1000, 1000, 5000, 2500);
        auto room = newRoom("Office", "R101");
        room->setArea(12.5);
        room->setPerimeter(15.0);
        room->setRoomHeight(2.4);
        room->setVolume(30.0);
        room->setTagType("T1");
        room->setAreaType("NET");
        room->setCostCentre("CC-7");
        room->setDate("01/02/2019");
        room->setDateLastMove("03/04/2019");
        room->setDeptCharge("Finance");
        room->setSpecialReq("a=b, c");
        room->setTotStaff("4");
        room->setTotWkStns("5");
        room->setHandlesToMinus(AcDbObjectIdArray{column, wall});
        return insertSpace(*room, outline, AcGePoint3d(3500, 2250, 0));
    }

    AcDbObjectId column, wall;
};

std::map<std::string, std::pair<std::string, std::string>> attributesOf(const QJsonObject& insert)
{
    std::map<std::string, std::pair<std::string, std::string>> attributes;
    for (const QJsonValue& value : insert["attribs"].toArray()) {
        const QJsonObject attrib = value.toObject();
        attributes[attrib["dxf"].toObject()["tag"].toString().toStdString()] = {
            attrib["dxf"].toObject()["text"].toString().toStdString(), attrib["layer"].toString().toStdString()};
    }
    return attributes;
}

} // namespace

TEST_F(SpaceRecord, AWrittenBlockReadsBackInEzdxfWithItsAttributesLayersAndRecord)
{
    const AcDbObjectId id = roomWithRecord();
    const QJsonObject described = saveAndDump();
    EXPECT_TRUE(described["audit"].toArray().isEmpty())
        << QJsonDocument(described["audit"].toArray()).toJson().constData();
    const QJsonObject dump = described["dump"].toObject();
    const QJsonObject insert = entityOfHandle(dump["modelspace"].toArray(), id.handle().text());
    ASSERT_EQ(insert["type"].toString(), "INSERT");
    EXPECT_EQ(insert["dxf"].toObject()["name"].toString(), "ROOM-R101");
    EXPECT_TRUE(dump["appids"].toArray().contains("ADE"));

    const Strings expected = {"{",
                              "AREA=12.50sq.m.",
                              "PERIMETER=15.00m.",
                              "NAME=R101",
                              "TAGTYPE=T1",
                              "AREA_TYPE=NET",
                              "COST_CENTRE=CC-7",
                              "DATE=01/02/2019",
                              "DATE_L_MOVE=03/04/2019",
                              "DEPT_CHARGE=Finance",
                              "ROOM_HEIGHT=2.40m.",
                              "SPECIAL_REQ=a=b, c",
                              "TOT_STAFF=4",
                              "TOT_WKSTNS=5",
                              "VOLUME=30.00cu.m.",
                              "HANDLESTOMINUS=" + column.handle().text() + "," + wall.handle().text() + ",",
                              "HANDLESTOADD=",
                              "}"};
    EXPECT_EQ(xdataStrings(insert, "ADE"), expected);

    const auto attributes = attributesOf(insert);
    EXPECT_EQ(attributes.size(), 3u);
    EXPECT_EQ(attributes.at("NAME"), std::make_pair(std::string("R101"), std::string("ATT-NAME")));
    EXPECT_EQ(attributes.at("AREA"), std::make_pair(std::string(""), std::string("ATT-AREA")));
    EXPECT_EQ(attributes.at("AUX"), std::make_pair(std::string(" "), std::string("ATT-AUX")));

    // The definition: the outline moved to the origin, then AREA, NAME and AUX definitions.
    for (const QJsonValue& value : dump["blocks"].toArray()) {
        const QJsonObject block = value.toObject();
        if (block["name"].toString() != "ROOM-R101")
            continue;
        const QJsonArray entities = block["entities"].toArray();
        ASSERT_EQ(entities.size(), 4);
        EXPECT_EQ(entities[0].toObject()["type"].toString(), "LWPOLYLINE");
        EXPECT_EQ(entities[0].toObject()["points"].toArray()[0].toArray()[0].toDouble(), -2500.0);
        const char* tags[] = {"AREA", "NAME", "AUX"};
        const double y[] = {0, -375, 375};
        for (int i = 0; i < 3; ++i) {
            const QJsonObject dxf = entities[i + 1].toObject()["dxf"].toObject();
            EXPECT_EQ(entities[i + 1].toObject()["type"].toString(), "ATTDEF");
            EXPECT_EQ(dxf["tag"].toString(), tags[i]);
            EXPECT_EQ(dxf["insert"].toArray()[1].toDouble(), y[i]);
            EXPECT_EQ(entities[i + 1].toObject()["layer"].toString(), CString("ATT-") + tags[i]);
        }
    }
}

TEST_F(SpaceRecord, ReadingTheReferenceGivesTheSameRecord)
{
    const AcDbObjectId id = roomWithRecord();
    const auto block = readBlock(id);
    EXPECT_EQ(block->getXDataAppName(), "ADE");
    EXPECT_EQ(block->getBlockName(), "ROOM-R101");
    EXPECT_EQ(block->getName(), "R101");
    EXPECT_EQ(block->getCode(), "R101");
    EXPECT_EQ(block->getHandle(), CString(id.handle().text()));
    EXPECT_EQ(block->getUnits(), 0);
    EXPECT_EQ(block->getPrecision(), 2);
    EXPECT_DOUBLE_EQ(block->getArea(), 12.5);
    EXPECT_DOUBLE_EQ(block->getPerimeter(), 15.0);
    EXPECT_DOUBLE_EQ(block->getRoomHeight(), 2.4);
    EXPECT_DOUBLE_EQ(block->getVolume(), 30.0);
    EXPECT_EQ(block->getTagType(), "T1");
    EXPECT_EQ(block->getSpecialReq(), "a=b, c");
    EXPECT_EQ(block->getTotWkStns(), "5");
    EXPECT_EQ(block->getHandlesToMinusCount(), 2);
    EXPECT_EQ(block->getHandleToMinusAt(1), wall.handle());
    EXPECT_EQ(block->getHandlesToAddCount(), 0);
    ASSERT_NE(block->getAttributes(), nullptr);
    EXPECT_EQ(block->getAttributes()->getCount(), 3);
    EXPECT_DOUBLE_EQ(block->getAttributes()->getTextHeight(), 250.0);
    EXPECT_EQ(block->getAttributes()->getAtAttribute(kAuxAttribute)->getValue(), " ");
}

TEST_F(SpaceRecord, NumbersFollowThePrecisionAndTheUnits)
{
    struct Case {
        int units, precision;
        double area;
        const char *areaText, *perimeterText, *volumeText;
    };
    const Case cases[] = {
        {1, 2, 134.5, "AREA=134.50sq.ft.", "PERIMETER=14.25ft.", "VOLUME=0.00cu.ft."},
        {-1, 0, 13.0, "AREA=13sq.ft.", "PERIMETER=14ft.", "VOLUME=0cu.ft."},
        {0, -1, 12.5, "AREA=12.5sq.m.", "PERIMETER=14.25m.", "VOLUME=0cu.m."},
        {0, 3, 0.5, "AREA=0.500sq.m.", "PERIMETER=14.250m.", "VOLUME=0.000cu.m."},
    };
    for (const Case& c : cases) {
        const std::string name = "ROOM-" + std::to_string(c.units + 10 * c.precision + 20);
        const AcDbObjectId id = reference(definition(name.c_str()), AcGePoint3d::kOrigin);
        CBlockDWG block;
        block.setUnits(c.units);
        block.setPrecision(c.precision);
        block.setArea(c.area);
        block.setPerimeter(14.25);
        AcDbBlockReference* opened = nullptr;
        ASSERT_EQ(acdbOpenObject(opened, id, AcDb::kForWrite), Acad::eOk);
        block.writeXData(opened);
        opened->close();
        const Strings texts = [&] {
            Strings all;
            AcDbObject* object = nullptr;
            acdbOpenObject(object, id, AcDb::kForRead);
            resbuf* chain = object->xData("ADE");
            object->close();
            for (const resbuf* rb = chain; rb; rb = rb->rbnext)
                if (rb->restype == 1000)
                    all.emplace_back(rb->resval.rstring);
            acutRelRb(chain);
            return all;
        }();
        EXPECT_EQ(texts[0], c.areaText);
        EXPECT_EQ(texts[1], c.perimeterText);
        EXPECT_EQ(texts[2], "NAME=");
        EXPECT_EQ(texts[3], "TAGTYPE=<Not Set>");
        EXPECT_EQ(texts[13], c.volumeText);
        // What was written reads back with the precision its digits give.
        const auto read = readBlock(id);
        EXPECT_EQ(read->getUnits(), c.units == 0 ? 0 : 1);
        EXPECT_EQ(read->getPrecision(), c.precision < 0 ? 1 : c.precision);
        EXPECT_DOUBLE_EQ(read->getArea(), c.area);
    }
}

TEST_F(SpaceRecord, TheApplicationDecidesWhichRecordIsRead)
{
    const AcDbObjectId room = definition("ROOM-X");
    const AcDbObjectId both = reference(room, AcGePoint3d::kOrigin);
    setXData(both, {{1001, "AECXDATA"}, {1000, "AREA=7sq.m."}, {1000, "NAME=GROSS AREA"}});
    setXData(both, {{1001, "ADE"}, {1000, "AREA=9.5sq.ft."}});
    const AcDbObjectId older = reference(room, AcGePoint3d::kOrigin);
    setXData(older, {{1001, "AECXDATA"}, {1000, "AREA=7sq.m."}});
    const AcDbObjectId bare = reference(room, AcGePoint3d::kOrigin);

    const auto fromBoth = readBlock(both);
    EXPECT_EQ(fromBoth->getXDataAppName(), "ADE");
    EXPECT_DOUBLE_EQ(fromBoth->getArea(), 9.5);
    EXPECT_EQ(fromBoth->getUnits(), 1);

    const auto fromOlder = readBlock(older);
    EXPECT_EQ(fromOlder->getXDataAppName(), "AECXDATA");
    EXPECT_DOUBLE_EQ(fromOlder->getArea(), 7.0);
    EXPECT_EQ(fromOlder->getPrecision(), 0);

    const auto fromBare = readBlock(bare);
    EXPECT_EQ(fromBare->getXDataAppName(), "No X Data");
    EXPECT_EQ(fromBare->getUnits(), -1);
    EXPECT_EQ(fromBare->getPrecision(), -1);
    EXPECT_EQ(fromBare->getCostCentre(), "<Not Set>");
    EXPECT_EQ(fromBare->getArea(), 0.0);
    EXPECT_EQ(fromBare->getName(), "ROOM-X");
    EXPECT_EQ(fromBare->getCode(), "");

    // A block read from "AECXDATA" is written back there; one without a record gets "ADE".
    for (const AcDbObjectId id : {older, bare}) {
        const auto block = readBlock(id);
        AcDbBlockReference* opened = nullptr;
        ASSERT_EQ(acdbOpenObject(opened, id, AcDb::kForWrite), Acad::eOk);
        block->writeXData(opened);
        opened->close();
    }
    EXPECT_EQ(readBlock(older)->getXDataAppName(), "AECXDATA");
    EXPECT_EQ(readBlock(bare)->getXDataAppName(), "ADE");
}

TEST_F(SpaceRecord, ItemsAreParsedAsTheyStand)
{
    const AcDbObjectId kept = rectangle(0, 0, 10, 10);
    const std::string handle = kept.handle().text();
    const AcDbObjectId id = reference(definition("ROOM-P"), AcGePoint3d::kOrigin);
    setXData(id, {{1001, "ADE"},
                  {1002, "{"},
                  {1000, "AREA=12.50"},
                  {1000, "PERIMETER=14.25"},
                  {1000, "TAGTYPE=DATE=1"},
                  {1000, "ROOM_HEIGHT=2.40m."},
                  {1000, "NAME=Elsewhere"},
                  {1000, "SOMETHING=else"},
                  {1000, "HANDLESTOMINUS=" + handle + ",FFFFF," + handle},
                  {1000, "HANDLESTOADD="},
                  {1002, "}"}});
    const auto block = readBlock(id);
    EXPECT_EQ(block->getArea(), 0.0);
    EXPECT_EQ(block->getPrecision(), 2);
    EXPECT_EQ(block->getUnits(), -1);
    EXPECT_EQ(block->getPerimeter(), 0.0);
    EXPECT_EQ(block->getTagType(), "DATE=1");
    EXPECT_EQ(block->getDate(), "1");
    EXPECT_DOUBLE_EQ(block->getRoomHeight(), 2.4);
    EXPECT_EQ(block->getName(), "ROOM-P");
    EXPECT_EQ(block->getHandlesToMinusAsString(), CString(handle + ","));
    EXPECT_EQ(block->getHandlesToAddCount(), 0);
}

TEST_F(SpaceRecord, AFailedWriteIsReportedAndTheApplicationIsRegisteredInTheBlocksDatabase)
{
    // A second drawing is current: the record's application must go to the block's own.
    AcDbDatabase* own = db;
    const AcDbObjectId id = reference(definition("ROOM-Z"), AcGePoint3d::kOrigin);
    ASSERT_EQ(acDocManager->appContextNewDocument(), Acad::eOk);
    AcDbBlockReference* opened = nullptr;
    ASSERT_EQ(acdbOpenObject(opened, id, AcDb::kForWrite), Acad::eOk);
    CBlockDWG block;
    EXPECT_EQ(raised([&] { block.writeXData(opened); }), nullptr);
    AcDbRegAppTable* apps = nullptr;
    own->getSymbolTable(apps, AcDb::kForRead);
    EXPECT_TRUE(apps->has("ADE"));
    apps->close();

    // A record beyond what the host keeps on an object is refused, and the refusal reported.
    for (int i = 0; i < 3000; ++i)
        block.addHandleToAdd(AcDbHandle(0x100000 + i), nullptr);
    const auto error = raised([&] { block.writeXData(opened); });
    opened->close();
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->getProcSig(), "CBlockDWG::writeXData");
    EXPECT_EQ(error->getSource(), KAVRO_PRODUCT_CAPTION);
    ASSERT_NE(error->getInnerException(), nullptr);
    EXPECT_EQ(error->getInnerException()->getCode(), Acad::eXdataSizeExceeded);
    EXPECT_EQ(error->getInnerException()->getClass(), "blockdwg");
    EXPECT_DOUBLE_EQ(readBlock(id)->getArea(), 0.0);
    acDocManager->closeDocument(acDocManager->curDocument());
}
