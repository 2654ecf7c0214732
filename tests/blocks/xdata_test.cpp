// The XData record and attributes of space blocks as the module writes them into a drawing
// (checked in the saved file with ezdxf) and reads them back.
#include "fixture.h"

#include "blocks/attributes.h"
#include "blocks/blocks.h"
#include "blocks/kavroattribute.h"
#include "common/tempdir.h"
#include "support/kavroguard.h"

#include <QJsonDocument>
#include <cstdio>
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
    EXPECT_EQ(block->getUnits(), CMeasureUnits::kMetric);
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
        CMeasureUnits units;
        int precision;
        double area;
        const char *areaText, *perimeterText, *volumeText;
    };
    const CMeasureUnits metric = CMeasureUnits::kMetric, imperial = CMeasureUnits::kImperial;
    const Case cases[] = {
        {imperial, 2, 134.5, "AREA=134.50sq.ft.", "PERIMETER=14.25ft.", "VOLUME=0.00cu.ft."},
        {imperial, 0, 13.0, "AREA=13sq.ft.", "PERIMETER=14ft.", "VOLUME=0cu.ft."},
        {metric, -1, 12.5, "AREA=12.5sq.m.", "PERIMETER=14.25m.", "VOLUME=0cu.m."},
        {metric, 3, 0.5, "AREA=0.500sq.m.", "PERIMETER=14.250m.", "VOLUME=0.000cu.m."},
        // An unknown precision keeps 15 significant digits, not 6 (1.23457e+06).
        {imperial, -1, 1234567.8, "AREA=1234567.8sq.ft.", "PERIMETER=14.25ft.", "VOLUME=0cu.ft."},
    };
    const auto write = [](CBlockDWG& block, AcDbObjectId id) {
        AcDbBlockReference* opened = nullptr;
        ASSERT_EQ(acdbOpenObject(opened, id, AcDb::kForRead), Acad::eOk);
        block.writeXData(opened);
        opened->close();
    };
    const auto recordTexts = [](AcDbObjectId id) {
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
    };
    for (const Case& c : cases) {
        const std::string name = "ROOM-" + std::to_string(&c - cases);
        const AcDbObjectId id = reference(definition(name.c_str()), AcGePoint3d::kOrigin);
        CBlockDWG block;
        block.setUnits(c.units);
        block.setPrecision(c.precision);
        block.setArea(c.area);
        block.setPerimeter(14.25);
        write(block, id);
        const Strings texts = recordTexts(id);
        EXPECT_EQ(texts[0], c.areaText);
        EXPECT_EQ(texts[1], c.perimeterText);
        EXPECT_EQ(texts[2], "NAME=");
        EXPECT_EQ(texts[3], "TAGTYPE=<Not Set>");
        EXPECT_EQ(texts[13], c.volumeText);
        // What was written reads back with the precision its digits give.
        const auto read = readBlock(id);
        EXPECT_EQ(read->getUnits(), c.units);
        EXPECT_EQ(read->getPrecision(), c.precision < 0 ? 1 : c.precision);
        EXPECT_DOUBLE_EQ(read->getArea(), c.area);
        // A record whose text is the start of the one held is written over it.
        block.setSpecialReq("a=b");
        write(block, id);
        block.setSpecialReq("a=");
        write(block, id);
        EXPECT_EQ(recordTexts(id)[10], "SPECIAL_REQ=a=");
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
    EXPECT_EQ(fromBoth->getUnits(), CMeasureUnits::kImperial);

    const auto fromOlder = readBlock(older);
    EXPECT_EQ(fromOlder->getXDataAppName(), "AECXDATA");
    EXPECT_DOUBLE_EQ(fromOlder->getArea(), 7.0);
    EXPECT_EQ(fromOlder->getPrecision(), 0);

    const auto fromBare = readBlock(bare);
    EXPECT_EQ(fromBare->getXDataAppName(), "No X Data");
    EXPECT_EQ(fromBare->getUnits(), CMeasureUnits::kUnknown);
    EXPECT_EQ(fromBare->getPrecision(), -1);
    EXPECT_EQ(fromBare->getCostCentre(), "<Not Set>");
    EXPECT_EQ(fromBare->getArea(), 0.0);
    EXPECT_EQ(fromBare->getName(), "ROOM-X");
    EXPECT_EQ(fromBare->getCode(), "");

    // A block read from "AECXDATA" is written back there; one without a record, once
    // measured, gets "ADE".
    for (const AcDbObjectId id : {older, bare}) {
        const auto block = readBlock(id);
        block->setUnits(CMeasureUnits::kMetric);
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
    // Measures without a unit's text keep their numbers, in units unknown.
    const auto block = readBlock(id);
    EXPECT_EQ(block->getArea(), 12.5);
    EXPECT_EQ(block->getPrecision(), 2);
    EXPECT_EQ(block->getUnits(), CMeasureUnits::kUnknown);
    EXPECT_EQ(block->getPerimeter(), 14.25);
    // Such a record is left as it is: written, it could only lose its units.
    AcDbBlockReference* opened = nullptr;
    ASSERT_EQ(acdbOpenObject(opened, id, AcDb::kForWrite), Acad::eOk);
    block->writeXData(opened);
    opened->close();
    EXPECT_EQ(readBlock(id)->getArea(), 12.5);
    EXPECT_EQ(block->getTagType(), "DATE=1");
    EXPECT_EQ(block->getDate(), "1");
    EXPECT_DOUBLE_EQ(block->getRoomHeight(), 2.4);
    EXPECT_EQ(block->getName(), "ROOM-P");
    EXPECT_EQ(block->getHandlesToMinusAsString(), CString(handle + ","));
    EXPECT_EQ(block->getHandlesToAddCount(), 0);

    // A unit's text the module does not know leaves the units unknown, the number read.
    const AcDbObjectId yards = reference(definition("ROOM-Q"), AcGePoint3d::kOrigin);
    setXData(yards, {{1001, "ADE"}, {1000, "AREA=12.75sq.yd."}, {1000, "PERIMETER=7ft."}});
    const auto read = readBlock(yards);
    EXPECT_EQ(read->getArea(), 12.75);
    EXPECT_EQ(read->getPrecision(), 2);
    EXPECT_EQ(read->getUnits(), CMeasureUnits::kUnknown);
    EXPECT_EQ(read->getPerimeter(), 7.0);
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
    block.setUnits(CMeasureUnits::kMetric);
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

namespace {

// Space blocks whose record carries a binary chunk, saved and read back from a file in
// which some chunks have been spoilt.
class UnreadableRecord : public SpaceRecord
{
protected:
    // A reference of a room with a record whose first item is the chunk; its hexadecimal
    // text in the file is then the chunk's bytes, 0xC0 0xDE and the tag.
    AcDbObjectId withChunk(AcDbObjectId definition, unsigned char tag, const char* app = "ADE")
    {
        const AcDbObjectId id = reference(definition, AcGePoint3d::kOrigin);
        acdbRegApp(app, db);
        char bytes[] = {static_cast<char>(0xC0), static_cast<char>(0xDE), static_cast<char>(tag)};
        const ads_binary chunk{3, bytes};
        resbuf* record = acutBuildList(1001, app, 1002, "{", 1004, &chunk, 1000, "AREA=7sq.m.", 1000,
                                       "NAME=Kept", 1002, "}", 0);
        AcDbObject* object = nullptr;
        EXPECT_EQ(acdbOpenObject(object, id, AcDb::kForWrite), Acad::eOk);
        EXPECT_EQ(object->setXData(record), Acad::eOk);
        object->close();
        acutRelRb(record);
        return id;
    }

    // Saves the drawing, puts each replacement in place of its chunk's text, and opens the
    // file as the current document.
    void reopenWith(const std::map<unsigned char, std::string>& replacements)
    {
        const std::string path = dir.file("spoilt.dxf");
        ASSERT_EQ(db->saveAs(path.c_str()), Acad::eOk);
        std::string text = readFile(path);
        for (const auto& [tag, replacement] : replacements) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "C0DE%02X", tag);
            const size_t at = text.find(std::string("\n") + hex + "\n");
            ASSERT_NE(at, std::string::npos) << hex;
            text.replace(at + 1, 6, replacement);
        }
        writeFile(path, text);
        ASSERT_EQ(acDocManager->appContextOpenDocument(path.c_str()), Acad::eOk) << acDocManager->lastOpenError();
        reopened = acDocManager->curDocument();
    }

    std::unique_ptr<CBlockDWG> readReopened(AcDbObjectId original)
    {
        AcDbObjectId id;
        EXPECT_EQ(reopened->database()->getAcDbObjectId(id, false, original.handle()), Acad::eOk);
        AcDbBlockReference* reference = nullptr;
        EXPECT_EQ(acdbOpenObject(reference, id, AcDb::kForRead), Acad::eOk);
        auto block = std::make_unique<CBlockDWG>(reference, reopened);
        reference->close();
        return block;
    }

    TempDir dir;
    AcApDocument* reopened = nullptr;
};

} // namespace

TEST_F(UnreadableRecord, AMalformedChunkMakesTheRecordUnreadableNotAbsent)
{
    const AcDbObjectId room = definition("ROOM-X");
    const AcDbObjectId nonHex = withChunk(room, 1), odd = withChunk(room, 2), huge = withChunk(room, 3),
                       largest = withChunk(room, 4), lowerCase = withChunk(room, 5), signedHex = withChunk(room, 6),
                       bare = reference(room, AcGePoint3d::kOrigin);
    // An unreadable record of the block's own application is not passed over for the older one.
    const AcDbObjectId both = withChunk(room, 7);
    withChunk(room, 8, "AECXDATA");
    // Its kind is still told by the older record's name.
    const AcDbObjectId grossBehind = withChunk(room, 9);
    for (const auto& [id, item] : {std::pair(both, "AREA=3sq.m."), std::pair(grossBehind, "NAME=GROSS AREA")}) {
        AcDbObject* object = nullptr;
        ASSERT_EQ(acdbOpenObject(object, id, AcDb::kForWrite), Acad::eOk);
        resbuf* older = acutBuildList(1001, "AECXDATA", 1000, item, 0);
        EXPECT_EQ(object->setXData(older), Acad::eOk);
        object->close();
        acutRelRb(older);
    }

    reopenWith({{1, "ZZ"}, {2, "ABC"}, {3, std::string(2 * 32768, 'F')},
                {4, std::string(2 * 32767, 'F')}, {5, "c0de05"}, {6, "-1"},
                {7, "0G"}, {9, "0G"}});

    for (const AcDbObjectId id : {nonHex, odd, huge, signedHex, both}) {
        const auto block = readReopened(id);
        EXPECT_TRUE(block->isXDataUnreadable()) << id.handle().text();
        EXPECT_EQ(block->getXDataAppName(), "ADE");
        EXPECT_EQ(block->getArea(), 0.0);
        EXPECT_EQ(block->getUnits(), CMeasureUnits::kUnknown);
    }
    for (const AcDbObjectId id : {largest, lowerCase}) {
        const auto block = readReopened(id);
        EXPECT_FALSE(block->isXDataUnreadable()) << id.handle().text();
        EXPECT_DOUBLE_EQ(block->getArea(), 7.0);
    }
    const auto none = readReopened(bare);
    EXPECT_FALSE(none->isXDataUnreadable());
    EXPECT_EQ(none->getXDataAppName(), "No X Data");

    CAcadDrawing current;
    current.setDocument(reopened);
    CBlocks collected;
    collected.getKavroDWGBlocks_SS(&current, nullptr, 0, "f");
    const auto* floor = dynamic_cast<const CBlockDWG*>(collected.getAt(CString(grossBehind.handle().text())));
    ASSERT_NE(floor, nullptr);
    EXPECT_EQ(floor->getBlockType(), kBlockDWGFloor);
    EXPECT_TRUE(floor->isXDataUnreadable());
    EXPECT_EQ(floor->getXDataAppName(), "ADE");
    collected.destroyBlocks();
}

TEST_F(UnreadableRecord, AnUnreadableRecordIsNeverWrittenOver)
{
    const AcDbObjectId id = withChunk(definition("ROOM-X"), 1);
    reopenWith({{1, "ZZ"}});
    const auto block = readReopened(id);
    ASSERT_TRUE(block->isXDataUnreadable());
    CBlockDWG copy;
    block->copyInto(&copy);
    EXPECT_TRUE(copy.isXDataUnreadable());
    copy.setArea(99.0);
    AcDbBlockReference* reference = nullptr;
    ASSERT_EQ(acdbOpenObject(reference, copy.getObjectId(), AcDb::kForWrite), Acad::eOk);
    EXPECT_EQ(raised([&] { copy.writeXData(reference); }), nullptr);
    reference->close();

    const std::string path = dir.file("again.dxf");
    ASSERT_EQ(reopened->database()->saveAs(path.c_str()), Acad::eOk);
    const std::string text = readFile(path);
    EXPECT_NE(text.find("\n1004\nZZ\n1000\nAREA=7sq.m.\n1000\nNAME=Kept\n"), std::string::npos);
    EXPECT_EQ(text.find("AREA=99"), std::string::npos);
}
