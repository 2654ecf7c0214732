// Reading and writing DXF: round trips checked by an independent reader (ezdxf), files
// written by another program, and malformed input.
#include "arx/dbblockref.h"
#include "arx/dbcurves.h"
#include "arx/dbdatabase.h"
#include "arx/dbdict.h"
#include "arx/dbhatch.h"
#include "arx/dblayout.h"
#include "arx/dbsymtb.h"
#include "arx/dbtext.h"
#include "arx/dbviewport.h"
#include "common/tempdir.h"

#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

int runCheck(const std::string& args)
{
    const char* script = std::getenv("QV_DXF_CHECK");
    const std::string path = script ? script : QV_SOURCE_DIR "/tests/platform/arx/check_dxf.py";
    return std::system(("/usr/bin/python3 " + path + " " + args).c_str());
}

AcDbObjectId post(AcDbObjectId space, AcDbEntity* ent)
{
    AcDbBlockTableRecord* btr = nullptr;
    acdbOpenObject(btr, space, AcDb::kForWrite);
    AcDbObjectId id;
    EXPECT_EQ(btr->appendAcDbEntity(id, ent), Acad::eOk);
    ent->close();
    btr->close();
    return id;
}

// A drawing with everything the module puts in one: layers with flags and colours, a
// room block with an outline and an attribute definition, a reference with an attribute
// and XData, a hatch sent to the back, text and a paper-space viewport.
void buildPlan(AcDbDatabase& db)
{
    acdbRegApp("ROOMS", &db);
    AcDbLayerTable* layers = nullptr;
    db.getSymbolTable(layers, AcDb::kForWrite);
    auto* walls = new AcDbLayerTableRecord;
    walls->setName("Walls #1");
    AcCmColor green;
    green.setRGB(10, 200, 30);
    walls->setColor(green);
    walls->setIsLocked(true);
    walls->setLineWeight(AcDb::kLnWt050);
    layers->add(walls);
    walls->close();
    auto* hidden = new AcDbLayerTableRecord;
    hidden->setName("hidden_layer");
    hidden->setIsFrozen(true);
    hidden->setIsOff(true);
    hidden->setIsPlottable(false);
    AcDbObjectId hiddenId;
    layers->add(hiddenId, hidden);
    hidden->close();
    layers->close();

    AcDbBlockTable* blocks = nullptr;
    db.getSymbolTable(blocks, AcDb::kForWrite);
    auto* room = new AcDbBlockTableRecord;
    room->setName("ROOM-101");
    AcDbObjectId roomId;
    blocks->add(roomId, room);
    blocks->close();
    auto* outline = new AcDbPolyline;
    outline->addVertexAt(0, AcGePoint2d(0, 0));
    outline->addVertexAt(1, AcGePoint2d(10, 0), 1.0);
    outline->addVertexAt(2, AcGePoint2d(10, 10));
    outline->addVertexAt(3, AcGePoint2d(0, 10));
    outline->setClosed(true);
    room->appendAcDbEntity(outline);
    outline->close();
    auto* def = new AcDbAttributeDefinition(AcGePoint3d(1, 1, 0), "", "ROOM NAME", "Name?");
    def->setHeight(2.5);
    room->appendAcDbEntity(def);
    def->close();
    room->close();

    auto* ref = new AcDbBlockReference(AcGePoint3d(100, 50, 0), roomId);
    ref->setRotation(kPi / 6);
    const AcDbObjectId refId = post(db.modelSpaceId(), ref);
    acdbOpenObject(ref, refId, AcDb::kForWrite);
    auto* attr = new AcDbAttribute(AcGePoint3d(100, 50, 0), "Lab <!1>! – Zürich", "ROOM NAME");
    attr->setHeight(2.5);
    ref->appendAttribute(attr);
    attr->close();
    resbuf* xdata = acutBuildList(1001, "ROOMS", 1000, "NAME=Lab", 1070, 3, 1040, 2.5, 0);
    ref->setXData(xdata);
    acutRelRb(xdata);
    ref->close();

    auto* hatch = new AcDbHatch;
    hatch->setPattern(AcDbHatch::kPreDefined, "ANSI31");
    hatch->setPatternScale(2);
    const AcDbObjectId hatchId = post(db.modelSpaceId(), hatch);
    acdbOpenObject(hatch, hatchId, AcDb::kForWrite);
    hatch->appendLoop(AcDbHatch::kExternal, std::vector<AcGePoint2d>{{0, 0}, {5, 0}, {5, 5}}, {0, 0.4, 0});
    hatch->close();
    AcDbBlockTableRecord* ms = nullptr;
    acdbOpenObject(ms, db.modelSpaceId(), AcDb::kForWrite);
    AcDbSortentsTable* order = nullptr;
    ms->getSortentsTable(order, AcDb::kForWrite, true);
    ms->close();
    order->moveToBottom({hatchId});
    order->close();
    post(db.modelSpaceId(), new AcDbText(AcGePoint3d(3, 4, 0), "Plan", AcDbObjectId(), 2.0, 0.1));
    auto* vp = new AcDbViewport;
    vp->setCenterPoint(AcGePoint3d(100, 100, 0));
    vp->setWidth(150);
    vp->setHeight(100);
    vp->freezeLayersInViewport({hiddenId});
    post(db.paperSpaceId(), vp);
}

// Texts that a file must carry as they are: line breaks, escape-like sequences, blanks at
// both ends, tabs, characters beyond ASCII.
const char* binaryOf()
{
    static const char bytes[] = {0, 1, static_cast<char>(0xFF)};
    return bytes;
}

const char* const kOddText = "  two\nlines\r\nC:\\U+0041\\P \tZ\xc3\xbcrich \xe2\x82\xac  ";

// One of every entity and object type the database models, each with values away from
// the defaults.
void buildEveryType(AcDbDatabase& db)
{
    buildPlan(db);
    acdbRegApp("EVERY", &db);
    const AcDbObjectId ms = db.modelSpaceId();
    auto* line = new AcDbLine(AcGePoint3d(1, 2, 3), AcGePoint3d(-4, 5e-7, 1e15));
    AcCmColor orange;
    orange.setRGB(255, 128, 0);
    line->setColor(orange);
    line->setLineWeight(AcDb::kLnWt211);
    line->setLinetypeScale(0.25);
    line->setVisibility(AcDb::kInvisible);
    const AcDbObjectId lineId = post(ms, line);
    AcDbLine* open = nullptr;
    acdbOpenObject(open, lineId, AcDb::kForWrite);
    ads_binary chunk{3, const_cast<char*>(binaryOf())};
    const double point[3] = {1.5, -2, 3};
    resbuf* xdata = acutBuildList(1001, "EVERY", 1000, kOddText, 1002, "{", 1070, -32768, 1071, 2147483647, 1040, 1e-300,
                                  1010, point, 1004, &chunk, 1005, "2F4", 1002, "}", 0);
    EXPECT_EQ(open->setXData(xdata), Acad::eOk);
    acutRelRb(xdata);
    open->close();
    post(ms, new AcDbCircle(AcGePoint3d(1, 1, 1), AcGeVector3d(0, 0.6, 0.8), 2.5));
    post(ms, new AcDbArc(AcGePoint3d(-1, 0, 0), AcGeVector3d(0, 0, -1), 3, kPi * 1.75, kPi / 8));
    auto* pl = new AcDbPolyline;
    pl->addVertexAt(0, AcGePoint2d(0, 0), -1, 0.5, 0.25);
    pl->addVertexAt(1, AcGePoint2d(5, 0), 0.3);
    pl->addVertexAt(2, AcGePoint2d(5, 5));
    pl->setElevation(-2);
    pl->setNormal(AcGeVector3d(1, 1, 1));
    post(ms, pl);
    auto* text = new AcDbText(AcGePoint3d(3, 3, 0), kOddText, AcDbObjectId(), 1.5, 0.3);
    text->setHorizontalMode(AcDb::kTextFit);
    text->setVerticalMode(AcDb::kTextTop);
    text->setAlignmentPoint(AcGePoint3d(9, 3, 0));
    text->setOblique(0.2);
    text->setWidthFactor(0.8);
    text->setNormal(AcGeVector3d(0, -1, 1));
    post(ms, text);
    auto* mtext = new AcDbMText;
    std::string contents;
    for (int i = 0; i < 90; ++i)
        contents += "\xc3\xa4\\P";   // multi-byte characters across the 250-byte pieces
    mtext->setContents((contents + kOddText).c_str());
    mtext->setAttachment(AcDbMText::kBottomRight);
    mtext->setRotation(1);
    mtext->setWidth(40);
    post(ms, mtext);
    AcDbObjectId roomId;
    AcDbBlockTable* blocks = nullptr;
    db.getSymbolTable(blocks);
    blocks->getAt("ROOM-101", roomId);
    blocks->close();
    auto* array = new AcDbMInsertBlock;
    array->setBlockTableRecord(roomId);
    array->setColumns(3);
    array->setRows(2);
    array->setColumnSpacing(12.5);
    array->setRowSpacing(-7);
    array->setScaleFactors(AcGeScale3d(-1, 2, 0.5));
    array->setNormal(AcGeVector3d(0, 0, -1));
    post(ms, array);
    auto* hatch = new AcDbHatch;
    hatch->setNormal(AcGeVector3d(0, 0, -1));
    hatch->setElevation(4);
    hatch->setPattern(AcDbHatch::kPreDefined, "DASH");
    hatch->setPatternAngle(0.5);
    const AcDbObjectId circle = post(ms, new AcDbCircle(AcGePoint3d(20, 20, -4), AcGeVector3d(0, 0, -1), 3));
    hatch->appendLoop(AcDbHatch::kExternal, AcDbObjectIdArray{circle});
    post(ms, hatch);
    AcDbObjectId layoutId, layoutBlock;
    acdbLayoutManager()->createLayout("Sheet \xc3\x84", layoutId, layoutBlock, &db);
    AcDbLayout* layout = nullptr;
    acdbOpenObject(layout, layoutId, AcDb::kForWrite);
    layout->setPlotRotation(AcDbPlotSettings::k270degrees);
    layout->setPlotType(AcDbPlotSettings::kWindow);
    layout->setPlotWindowArea(-1, -2, 3e5, 4e5);
    layout->setCustomPrintScale(1, 125);
    layout->close();
    auto* vp = new AcDbViewport;
    vp->setCenterPoint(AcGePoint3d(50, 60, 0));
    vp->setViewCenter(AcGePoint2d(-3, 4));
    vp->setViewHeight(123.25);
    post(layoutBlock, vp);
    AcDbDictionary* root = nullptr;
    db.getNamedObjectsDictionary(root, AcDb::kForWrite);
    auto* record = new AcDbXrecord;
    const std::string rootHandle = root->objectId().handle().text();
    resbuf* data = acutBuildList(1, kOddText, 70, 7, 40, 2.5, 10, point, 310, &chunk, 330, rootHandle.c_str(), 0);
    record->setFromRbChain(data);
    acutRelRb(data);
    AcDbObjectId recordId;
    root->setAt("EVERY DATA", record, recordId);
    record->close();
    auto* settings = new AcDbPlotSettings;
    settings->setPlotSettingsName("Setup 1");
    settings->setPlotPaperUnits(AcDbPlotSettings::kInches);
    AcDbDictionary* plotSettings = nullptr;
    db.getPlotSettingsDictionary(plotSettings, AcDb::kForWrite);
    AcDbObjectId settingsId;
    plotSettings->setAt("Setup 1", settings, settingsId);
    settings->close();
    plotSettings->close();
    root->close();
}

} // namespace

TEST(DxfRoundTrip, WrittenDrawingPassesIndependentChecksAndReadsBackTheSame)
{
    TempDir dir;
    const std::string first = dir.file("plan.dxf"), second = dir.file("plan2.dxf");
    {
        AcDbDatabase db;
        buildPlan(db);
        ASSERT_EQ(db.openObjectCount(), 0);
        ASSERT_EQ(db.saveAs(first.c_str()), Acad::eOk) << db.lastErrorMessage();
    }
    EXPECT_EQ(runCheck("audit " + first), 0);
    EXPECT_EQ(runCheck("librecad " + first), 0);
    AcDbDatabase back(false);
    ASSERT_EQ(back.readDxfFile(first.c_str()), Acad::eOk) << back.lastErrorMessage();
    ASSERT_EQ(back.saveAs(second.c_str()), Acad::eOk);
    EXPECT_EQ(runCheck("same " + first + " " + second), 0);
    // Writing again what was read changes nothing at all.
    EXPECT_TRUE(readFile(first) == readFile(second));

    AcDbLayerTable* layers = nullptr;
    back.getSymbolTable(layers);
    AcDbLayerTableRecord* walls = nullptr;
    ASSERT_EQ(layers->getAt("WALLS #1", walls), Acad::eOk);
    EXPECT_TRUE(walls->isLocked());
    EXPECT_EQ(walls->color().rgb() & 0xFFFFFF, 0x0AC81Eu);
    EXPECT_EQ(walls->lineWeight(), AcDb::kLnWt050);
    walls->close();
    AcDbLayerTableRecord* hidden = nullptr;
    ASSERT_EQ(layers->getAt("hidden_layer", hidden), Acad::eOk);
    EXPECT_TRUE(hidden->isFrozen() && hidden->isOff() && !hidden->isPlottable());
    hidden->close();
    layers->close();

    AcDbBlockTableRecord* ms = nullptr;
    acdbOpenObject(ms, back.modelSpaceId(), AcDb::kForRead);
    AcDbSortentsTable* order = nullptr;
    ASSERT_EQ(ms->getSortentsTable(order, AcDb::kForRead), Acad::eOk);
    AcDbObjectIdArray ids;
    order->getFullDrawOrder(ids);
    order->close();
    ASSERT_EQ(ids.size(), 3u);
    EXPECT_STREQ(ids.front().object()->isA()->name(), "AcDbHatch");
    const auto* ref = AcDbBlockReference::cast(ms->entityIds().front().object());
    ms->close();
    ASSERT_NE(ref, nullptr);
    EXPECT_NEAR(ref->rotation(), kPi / 6, 1e-12);
    const auto* attr = AcDbAttribute::cast(ref->attributeIds().at(0).object());
    EXPECT_STREQ(attr->tagConst(), "ROOM NAME");
    EXPECT_STREQ(attr->textStringConst(), "Lab <!1>! – Zürich");
    resbuf* x = ref->xData("ROOMS");
    ASSERT_NE(x, nullptr);
    EXPECT_EQ(x->rbnext->rbnext->resval.rint, 3);
    acutRelRb(x);
    EXPECT_EQ(back.openObjectCount(), 0);
}

TEST(DxfRoundTrip, DrawingOfAnotherProgramKeepsItsContent)
{
    TempDir dir;
    const std::string theirs = dir.file("theirs.dxf"), ours = dir.file("ours.dxf");
    ASSERT_EQ(runCheck("make " + theirs), 0);
    AcDbDatabase db(false);
    ASSERT_EQ(db.readDxfFile(theirs.c_str()), Acad::eOk) << db.lastErrorMessage();
    AcDbObjectId id;
    ASSERT_EQ(db.getAcDbObjectId(id, false, AcDbHandle("38")), Acad::eOk);
    EXPECT_STREQ(id.object()->isA()->name(), "AcDbBlockReference");
    ASSERT_EQ(db.saveAs(ours.c_str()), Acad::eOk);
    EXPECT_EQ(runCheck("audit " + ours), 0);
    EXPECT_EQ(runCheck("same " + theirs + " " + ours), 0);
}

TEST(DxfRoundTrip, NamesAndTextsOfACodePageReadAsOtherReadersReadThem)
{
    // 2000 drawings in their code pages, written in UTF-8. In Shift-JIS the second byte of
    // "表" is a backslash, and half-width katakana are single bytes.
    const struct {
        const char* encoding;
        const char* layer;
        const char* block;
        const char* text;
    } cases[] = {
        {"cp1251", "Стены", "Дверь", "Комната №5"},
        {"cp932", "壁", "扉", "部屋表 ｶﾅ"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        const std::string theirs = dir.file("theirs.dxf"), ours = dir.file("ours.dxf");
        ASSERT_EQ(runCheck(std::string("make-codepage ") + theirs + " " + c.encoding + " '" + c.layer + "' '" + c.block +
                           "' '" + c.text + "'"),
                  0);
        AcDbDatabase db(false);
        ASSERT_EQ(db.readDxfFile(theirs.c_str()), Acad::eOk) << db.lastErrorMessage();
        AcDbLayerTable* layers = nullptr;
        db.getSymbolTable(layers);
        EXPECT_TRUE(layers->has(c.layer)) << c.encoding;
        layers->close();
        ASSERT_EQ(db.saveAs(ours.c_str()), Acad::eOk);
        EXPECT_EQ(runCheck("same " + theirs + " " + ours), 0) << c.encoding;
    }
}

TEST(DxfRoundTrip, ReleaseTwelveDrawingBecomesAValid2013One)
{
    TempDir dir;
    const std::string theirs = dir.file("r12.dxf"), ours = dir.file("ours.dxf");
    ASSERT_EQ(runCheck("make12 " + theirs), 0);
    AcDbDatabase db(false);
    ASSERT_EQ(db.readDxfFile(theirs.c_str()), Acad::eOk) << db.lastErrorMessage();
    ASSERT_EQ(db.saveAs(ours.c_str()), Acad::eOk);
    EXPECT_EQ(runCheck("audit " + ours), 0);
    EXPECT_EQ(runCheck("same-entities " + theirs + " " + ours), 0);
    AcDbLayerTable* layers = nullptr;
    db.getSymbolTable(layers);
    EXPECT_TRUE(layers->has("Old"));
    layers->close();
}

TEST(DxfRoundTrip, MtextInColumnsOf2018KeepsItsPlace)
{
    // The columns are an embedded object, whose codes repeat those of the text's own fields.
    TempDir dir;
    const std::string theirs = dir.file("theirs.dxf"), ours = dir.file("ours.dxf");
    ASSERT_EQ(runCheck("make2018 " + theirs), 0);
    AcDbDatabase db(false);
    ASSERT_EQ(db.readDxfFile(theirs.c_str()), Acad::eOk) << db.lastErrorMessage();
    ASSERT_EQ(db.saveAs(ours.c_str()), Acad::eOk);
    EXPECT_EQ(runCheck("audit " + ours), 0);
    EXPECT_EQ(runCheck("same " + theirs + " " + ours), 0);
}

TEST(DxfRead, OlderReleaseWithoutHandlesAndCodePage)
{
    // A release-12 file: no handles, no block records, Windows-1252 text and an escape.
    const std::string r12 = "0\nSECTION\n2\nHEADER\n9\n$ACADVER\n1\nAC1009\n9\n$DWGCODEPAGE\n3\nANSI_1252\n0\nENDSEC\n"
                            "0\nSECTION\n2\nTABLES\n0\nTABLE\n2\nLAYER\n70\n1\n0\nLAYER\n2\nR\xe4ume\n70\n4\n62\n-5\n6\n"
                            "CONTINUOUS\n0\nENDTAB\n0\nENDSEC\n0\nSECTION\n2\nBLOCKS\n0\nBLOCK\n8\n0\n2\nDOOR\n70\n0\n10\n"
                            "0.0\n20\n0.0\n30\n0.0\n0\nLINE\n8\n0\n10\n0\n20\n0\n30\n0\n11\n1\n21\n0\n31\n0\n0\nENDBLK\n"
                            "0\nENDSEC\n0\nSECTION\n2\nENTITIES\n0\nINSERT\n8\nR\xe4ume\n2\nDOOR\n10\n5\n20\n5\n30\n0\n"
                            "0\nTEXT\n8\n0\n10\n0\n20\n0\n30\n0\n40\n1\n1\n\\U+00C4rger \xb0\n0\nENDSEC\n0\nEOF\n";
    TempDir dir;
    writeFile(dir.file("old.dwg"), r12);
    AcDbDatabase db(false);
    ASSERT_EQ(db.readDxfFile(dir.file("old.dwg").c_str()), Acad::eOk) << db.lastErrorMessage();
    AcDbLayerTable* layers = nullptr;
    db.getSymbolTable(layers);
    AcDbLayerTableRecord* layer = nullptr;
    ASSERT_EQ(layers->getAt("R\xc3\xa4ume", layer), Acad::eOk);
    EXPECT_TRUE(layer->isOff() && layer->isLocked());
    layer->close();
    layers->close();
    AcDbBlockTableRecord* ms = nullptr;
    acdbOpenObject(ms, db.modelSpaceId(), AcDb::kForRead);
    ASSERT_EQ(ms->entityIds().size(), 2u);
    const auto* text = AcDbText::cast(ms->entityIds()[1].object());
    EXPECT_STREQ(text->textStringConst(), "\xc3\x84rger \xc2\xb0");
    EXPECT_FALSE(ms->entityIds()[0].handle().isNull());
    ms->close();
    ASSERT_EQ(db.saveAs(dir.file("new.dxf").c_str()), Acad::eOk);
    EXPECT_EQ(runCheck("audit " + dir.file("new.dxf")), 0);
}

TEST(DxfRead, BadInputGivesAStatusAndAMessage)
{
    TempDir dir;
    const std::string good = [] {
        AcDbDatabase db;
        post(db.modelSpaceId(), new AcDbLine(AcGePoint3d(), AcGePoint3d(1, 1, 0)));
        return db.dxfText();
    }();
    const struct {
        const char* name;
        std::string bytes;
        const char* message;
    } cases[] = {
        {"empty", "", "empty"},
        {"binary", std::string("AutoCAD Binary DXF\r\n\x1a\0", 22) + "junk", "binary"},
        {"dwg", "AC1027\0\0\0garbage", "DWG"},
        {"truncated", good.substr(0, good.size() / 2), "line"},
        {"odd lines", good.substr(0, good.find("ENTITIES")) + "ENTITIES\n0\n", "line"},
        {"bad code", "0\nSECTION\n2\nHEADER\nxx\n1\n0\nENDSEC\n0\nEOF\n", "invalid group code"},
        {"no endsec", "0\nSECTION\n2\nENTITIES\n0\nEOF\n", "ENDSEC"},
        // A drawing refused names the object at fault and what the user can do.
        {"bad number", "0\nSECTION\n2\nENTITIES\n0\nCIRCLE\n5\n2A\n8\n0\n40\nabc\n0\nENDSEC\n0\nEOF\n",
         "CIRCLE 2A: invalid number 'abc' for group code 40 (the drawing is not opened: correct this in the program that wrote it"},
        // Numbers kept as read, of types not modelled and of the header, are numbers too.
        {"dimension point", "0\nSECTION\n2\nENTITIES\n0\nDIMENSION\n5\n2B\n100\nAcDbEntity\n8\n0\n100\nAcDbDimension\n"
                            "10\n0\n20\n0\n30\n0\n11\n1\n21\n1\n31\n0\n70\n1\n100\nAcDbAlignedDimension\n13\nnan\n0\nENDSEC\n0\nEOF\n",
         "line 31: DIMENSION 2B: invalid number 'nan' for group code 13"},
        {"header", "0\nSECTION\n2\nHEADER\n9\n$EXTMIN\n10\ninf\n0\nENDSEC\n0\nEOF\n",
         "line 7: $EXTMIN: invalid number 'inf' for group code 10"},
    };
    for (const auto& c : cases) {
        const std::string path = dir.file(std::string(c.name) + ".dxf");
        writeFile(path, c.bytes);
        AcDbDatabase db;
        const AcDbObjectId before = db.modelSpaceId();
        EXPECT_NE(db.readDxfFile(path.c_str()), Acad::eOk) << c.name;
        EXPECT_NE(db.lastErrorMessage().find(c.message), std::string::npos) << c.name << ": " << db.lastErrorMessage();
        EXPECT_EQ(db.modelSpaceId(), before) << c.name;
    }
    AcDbDatabase db;
    EXPECT_EQ(db.readDxfFile(dir.file("missing.dxf").c_str()), Acad::eFileNotFound);
}

TEST(DxfRead, DrawingsOtherReadersOpenAreRepairedNamingEachRepair)
{
    TempDir dir;
    const std::string entities = "0\nSECTION\n2\nENTITIES\n";
    const std::string lines = "0\nLINE\n5\n10\n8\n0\n10\n0\n20\n0\n11\n1\n21\n1\n"
                              "0\nLINE\n5\n11\n8\n0\n10\n1\n20\n0\n11\n2\n21\n1\n";
    const std::string end = "0\nENDSEC\n0\nEOF\n";
    const std::string objects = "0\nENDSEC\n0\nSECTION\n2\nOBJECTS\n";
    // A linetype of more dashes than its count (a 16-bit integer) can say.
    std::string linetype = "0\nSECTION\n2\nTABLES\n0\nTABLE\n2\nLTYPE\n5\n5\n0\nLTYPE\n5\n20\n"
                           "100\nAcDbSymbolTableRecord\n100\nAcDbLinetypeTableRecord\n2\nDOTS\n70\n0\n3\n\n72\n65\n73\n0\n";
    for (int i = 0; i <= INT16_MAX; ++i)
        linetype += "49\n-0.5\n74\n0\n";
    linetype += "0\nENDTAB\n0\nENDSEC\n";
    // A layout copied, the copy without its name and in the dictionary in its place.
    std::string copied, copyRepairs;
    {
        AcDbDatabase db;
        post(db.modelSpaceId(), new AcDbLine(AcGePoint3d(), AcGePoint3d(1, 1, 0)));
        copied = db.dxfText();
        const std::string handle = acdbLayoutManager()->findLayoutNamed("Layout1", &db).handle().text();
        const std::string head = "  0\nLAYOUT\n  5\n" + handle + "\n", entry = "  3\nLayout1\n350\n" + handle + "\n";
        const std::string name = "  1\nLayout1\n";
        const size_t at = copied.find(head), next = copied.find("  0\n", at + 1);
        std::string copy = "  0\nLAYOUT\n  5\nFFF\n" + copied.substr(at + head.size(), next - at - head.size());
        copy.erase(copy.find(name), name.size());
        copied.insert(at, copy);
        copied.replace(copied.find(entry), entry.size(), "  3\nLayout1\n350\nFFF\n");
        copyRepairs = "LAYOUT FFF: it has no name, and its block record is LAYOUT " + handle
                    + "'s ('Layout1'): dropped\nLAYOUT " + handle
                    + ": it is not in the layout dictionary: entered as 'Layout1'\n";
    }
    // Model space's layout copied before it, cut short where its own section begins and run
    // into a dictionary's pairs; and copied whole under another name, first in the dictionary.
    std::string cut, cutRepairs, renamed;
    {
        AcDbDatabase db;
        post(db.modelSpaceId(), new AcDbLine(AcGePoint3d(), AcGePoint3d(1, 1, 0)));
        cut = renamed = db.dxfText();
        const std::string handle = acdbLayoutManager()->findLayoutNamed("Model", &db).handle().text();
        const std::string head = "  0\nLAYOUT\n  5\n" + handle + "\n";
        const size_t at = cut.find(head);
        const std::string copy = cut.substr(at, cut.find("100\nAcDbLayout\n", at) - at) + "100\nAcDbDictionary\n281\n1\n";
        cut.insert(at, copy);
        const auto line = std::count(cut.begin(), cut.begin() + static_cast<long>(at + copy.size()), '\n') + 1;
        cutRepairs = "LAYOUT at line " + std::to_string(line) + ": its handle " + handle + " is the LAYOUT's before it: given a new one\nLAYOUT " + handle
                   + ": its pairs under the marker 'AcDbDictionary' are no layout's: dropped\nLAYOUT " + handle
                   + ": it has no name nor block record, and its entry 'Model' is LAYOUT ";
        const std::string whole = renamed.substr(at, renamed.find("  0\n", at + 1) - at), entry = "  3\nModel\n";
        std::string other = "  0\nLAYOUT\n  5\nFFF\n" + whole.substr(head.size());
        other.replace(other.find("  1\nModel\n"), 11, "  1\nSheet\n");
        renamed.insert(at, other);
        renamed.insert(renamed.find(entry), "  3\nSheet\n350\nFFF\n");
    }
    const struct {
        const char* name;
        std::string bytes;
        const char* repair;   // how the repairs begin; empty: opened without a repair
        const char* kept = "";   // what the saved file holds of the original
    } cases[] = {
        {"dictionary entry", entities + lines + objects
             + "0\nDICTIONARY\n5\nA\n330\n0\n100\nAcDbDictionary\n3\nKEY\n350\nBEEF\n" + end,
         "DICTIONARY A: the entry 'KEY' names the missing object BEEF: dropped"},
        {"layout block", entities + lines + objects
             + "0\nDICTIONARY\n5\nA\n330\n0\n100\nAcDbDictionary\n3\nACAD_LAYOUT\n350\nB\n"
               "0\nDICTIONARY\n5\nB\n330\nA\n100\nAcDbDictionary\n3\nSheet\n350\nC\n"
               "0\nLAYOUT\n5\nC\n330\nB\n100\nAcDbPlotSettings\n100\nAcDbLayout\n1\nSheet\n70\n1\n71\n1\n330\n99\n"
             + end,
         "LAYOUT C ('Sheet'): its block record 99 is missing: given *Paper_Space"},
        {"largest handles", entities + "0\nLINE\n5\nF000000000000000\n8\n0\n10\n0\n20\n0\n11\n1\n21\n1\n"
             + "0\nLINE\n5\n4000000000000000\n8\n0\n10\n0\n20\n0\n11\n1\n21\n1\n" + end,
         "", "\n  5\nF000000000000000\n"},
        {"header endsec", "0\nSECTION\n2\nHEADER\n9\n$ACADVER\n1\nAC1009\n9\n$HANDSEED\n5\nFFFF\n0\nENDSEC\n"
             "9\n$INSUNITS\n70\n6\n0\nENDSEC\n" + entities + lines + end,
         "HEADER: an ENDSEC at line 13 within the header variables: skipped", "$INSUNITS\n 70\n6\n"},
        {"duplicate handles", entities + "0\nPOLYLINE\n5\n90\n8\n0\n66\n1\n10\n0\n20\n0\n30\n0\n"
             "0\nVERTEX\n5\n90\n8\n0\n10\n0\n20\n0\n0\nVERTEX\n5\n91\n8\n0\n10\n1\n20\n1\n0\nSEQEND\n8\n0\n" + end,
         "VERTEX at line 19: its handle 90 is the POLYLINE's before it: given a new one"},
        {"undefined block", entities + "0\nINSERT\n5\n20\n8\n0\n2\nNOPE\n10\n0\n20\n0\n" + end,
         "INSERT 20 at line 11: the block 'NOPE' is not defined: an empty one was added"},
        {"letter handle", entities + "0\nLINE\n5\n10\n330\nS\n100\nAcDbEntity\n8\n0\n10\n0\n20\n0\n11\n1\n21\n1\n" + end,
         "LINE 10 at line 9: the handle 'S' (group code 330) is not hexadecimal: taken as none"},
        {"extension dictionary", entities + "0\nLINE\n5\n10\n102\n{ACAD_XDICTIONARY\n360\nBEEF\n102\n}\n8\n0\n" + end,
         "LINE 10 at line 11: its extension dictionary BEEF is missing: taken as none"},
        {"text style", entities + "0\nTEXT\n5\n30\n8\n0\n10\n0\n20\n0\n40\n1\n1\nT\n7\nNarrow\n" + end,
         "TEXT 30 at line 19: its text style 'Narrow' is not in the table: added", "\n  7\nNarrow\n"},
        // Objects without owners, as some writers leave them: held by a dictionary, or by
        // an object of a type not modelled; a record's pointer to nothing.
        {"no owners", entities + lines + objects
             + "0\nDICTIONARY\n5\nA\n100\nAcDbDictionary\n3\nINDEX\n350\nB\n"
               "0\nLAYER_INDEX\n5\nB\n100\nAcDbIndex\n360\nC\n0\nIDBUFFER\n5\nC\n330\n0\n100\nAcDbIdBuffer\n"
             + end,
         "DICTIONARY A: 1 of its entries named no owner: given this dictionary\n"
         "IDBUFFER C: it named no owner: given LAYER_INDEX B, which holds it\n"},
        {"missing owner", entities + lines + objects
             + "0\nDICTIONARY\n5\nA\n100\nAcDbDictionary\n3\nDATA\n350\nB\n"
               "0\nXRECORD\n5\nB\n330\n99\n100\nAcDbXrecord\n1\nkept\n"
             + end,
         "XRECORD B: its owner 99 is missing: taken as none\n"
         "DICTIONARY A: 1 of its entries named no owner: given this dictionary\n"},
        {"too many dashes", linetype + entities + "0\nLINE\n5\n10\n8\n0\n6\nDOTS\n10\n0\n20\n0\n11\n1\n21\n1\n" + end,
         "LTYPE 20 ('DOTS'): its 32768 dashes are more than group code 73 counts: the first 32767 kept\n",
         " 73\n32767\n"},
        {"nameless layout", copied, copyRepairs.c_str(), "  1\nLayout1\n"},
        {"cut model layout", cut, cutRepairs.c_str()},
        {"model layout copied", renamed, "LAYOUT FFF ('Sheet'): its block record *Model_Space is another layout's: given "
                                         "*Paper_Space0\n"},
        {"record pointer", entities + lines + objects
             + "0\nDICTIONARY\n5\nA\n100\nAcDbDictionary\n3\nDATA\n350\nB\n"
               "0\nXRECORD\n5\nB\n330\nA\n100\nAcDbXrecord\n1\nkept\n340\nBEEF\n"
             + end,
         "XRECORD B: 1 of its pointers named missing objects: set to none", "  1\nkept\n340\n0\n"},
        // Entries that name what no dictionary, or no layout dictionary, holds.
        {"entry of a table", "0\nSECTION\n2\nTABLES\n0\nTABLE\n2\nLAYER\n5\n2\n330\n0\n100\nAcDbSymbolTable\n70\n0\n"
                             "0\nENDTAB\n0\nENDSEC\n" + entities + lines + objects
             + "0\nDICTIONARY\n5\nA\n330\n0\n100\nAcDbDictionary\n3\nTAB\n350\n2\n" + end,
         "DICTIONARY A: the entry 'TAB' names TABLE 2, which no dictionary holds: dropped\n"},
        {"layout entry of a record", entities + lines + objects
             + "0\nDICTIONARY\n5\nA\n330\n0\n100\nAcDbDictionary\n3\nACAD_LAYOUT\n350\nB\n"
               "0\nDICTIONARY\n5\nB\n330\nA\n100\nAcDbDictionary\n3\nModel\n350\nC\n0\nXRECORD\n5\nC\n330\nB\n100\nAcDbXrecord\n"
             + end,
         "DICTIONARY B: the entry 'Model' names XRECORD C, not a layout: dropped\n"},
        // Layouts whose names differ after a NUL byte, outside the layout dictionary: both entered.
        {"layout names with NUL bytes", entities + lines + objects
             + std::string("0\nLAYOUT\n5\n41\n100\nAcDbPlotSettings\n100\nAcDbLayout\n1\nL\0A\n71\n1\n", 61)
             + std::string("0\nLAYOUT\n5\n42\n100\nAcDbPlotSettings\n100\nAcDbLayout\n1\nL\0B\n71\n2\n", 61) + end,
         "LAYOUT 41 at line 47: the name 'L\\U+0000A' holds a NUL byte, which no name can: read as 'L\xEF\xBF\xBD" "A'\n"},
        // An object that owns a missing object and takes that handle would own itself.
        {"owner pointer", entities + lines + objects + "0\nDICTIONARY\n5\n50\n330\n0\n100\nAcDbDictionary\n0\nF\n360\n51\n"
                              + end,
         "F without a handle: 1 of its owner pointers named missing objects: set to none", "\n360\n0\n"},
        // XData numbers that are none, which other readers refuse: kept as texts, decoded.
        {"xdata numbers", entities + "0\nLINE\n5\n10\n8\n0\n10\n0\n20\n0\n11\n1\n21\n1\n1001\nACAD\n1071\n   \xDE     0\n"
                              "1070\nx7\n1040\n1.5e\n1040\n2.5\n" + end,
         "LINE 10 at line 21: its XData value '\xC3\x9E     0' (group code 1071) is none of that code: kept as a text "
         "(1000)\nLINE 10 at line 23: its XData value 'x7' (group code 1070) is none of that code: kept as a text (1000)\n",
         "1000\nx7\n1000\n1.5e\n1040\n2.5\n"},
        // A draw order for a line made every save crash.
        {"draw order", entities + lines + objects
             + "0\nSORTENTSTABLE\n5\n20\n100\nAcDbSortentsTable\n330\n10\n331\n11\n5\n10\n331\n10\n5\n11\n" + end,
         "SORTENTSTABLE 20: the draw order is for LINE 10, not a block: dropped"},
        // A hatch's spline edge given by fit points and tangents only.
        {"fit-point spline edge", entities
             + "0\nHATCH\n5\n30\n100\nAcDbEntity\n8\n0\n100\nAcDbHatch\n10\n0\n20\n0\n30\n0\n210\n0\n220\n0\n230\n1\n"
               "2\nSOLID\n70\n1\n71\n0\n91\n1\n92\n1\n93\n2\n72\n1\n10\n0\n20\n0\n11\n10\n21\n0\n"
               "72\n4\n94\n3\n73\n0\n74\n0\n95\n0\n96\n0\n97\n3\n11\n10\n21\n0\n11\n5\n21\n5\n11\n0\n21\n0\n"
               "12\n0\n22\n1\n13\n-1\n23\n0\n97\n0\n75\n0\n76\n1\n98\n0\n"
             + end,
         "", " 97\n3\n 11\n10\n 21\n0\n 11\n5\n 21\n5\n 11\n0\n 21\n0\n 12\n0\n 22\n1\n 13\n-1\n 23\n0\n 97\n0\n"},
        // Columns under a marker that is not the reference's are not its columns.
        {"reference columns under another marker", entities
             + "0\nINSERT\n5\n30\n100\nAcDbEntity\n8\n0\n100\nAcDbBlockReference\n2\nB\n10\n0\n20\n0\n100\n\n70\n2\n71\n3\n"
             + end,
         "INSERT 30 at line 15: the block 'B' is not defined", "AcDbBlockReference\n  2\nB\n"},
        // A version after more of the header than the look for the code page: the save's
        // version comes first, so its UTF-8 reads back as such.
        {"version late in a long header", "0\nSECTION\n2\nHEADER\n9\n$DWGCODEPAGE\n3\nANSI_1252\n9\n$MENU\n1\n" + std::string(70000, 'M')
             + "\n9\n$ACADVER\n1\nAC1015\n0\nENDSEC\n" + entities + "0\nTEXT\n5\n30\n8\n0\n10\n0\n20\n0\n40\n1\n1\n\xe9\n" + end,
         "", "\n  1\n\xc3\xa9\n"},
        {"header text reading SECTION", "0\nSECTION\n2\nHEADER\n9\n$DWGCODEPAGE\n3\nANSI_1252\n9\n$PROJECTNAME\n1\nSECTION\n"
             "9\n$ACADVER\n1\nAC1027\n0\nENDSEC\n" + entities + "0\nTEXT\n5\n30\n8\n0\n10\n0\n20\n0\n40\n1\n1\n\xc3\xa9\n" + end,
         "", "\n  1\n\xc3\xa9\n"},
    };
    for (const auto& c : cases) {
        const std::string path = dir.file(std::string(c.name) + ".dxf"), saved = dir.file("saved.dxf");
        writeFile(path, c.bytes);
        AcDbDatabase db;
        ASSERT_EQ(db.readDxfFile(path.c_str()), Acad::eOk) << c.name << ": " << db.lastErrorMessage();
        std::string repairs;
        for (const std::string& line : db.readRepairs())
            repairs += line + "\n";
        EXPECT_TRUE(*c.repair ? repairs.starts_with(c.repair) : repairs.empty()) << c.name << ": " << repairs;
        ASSERT_EQ(db.saveAs(saved.c_str()), Acad::eOk) << c.name << ": " << db.lastErrorMessage();
        EXPECT_EQ(runCheck("audit " + saved), 0) << c.name;
        EXPECT_NE(readFile(saved).find(c.kept), std::string::npos) << c.name;
        AcDbDatabase back(false);
        EXPECT_EQ(back.readDxfFile(saved.c_str()), Acad::eOk) << c.name << ": " << back.lastErrorMessage();
        EXPECT_TRUE(back.readRepairs().empty()) << c.name << ": " << back.readRepairs()[0];
        EXPECT_EQ(back.dxfText(), readFile(saved)) << c.name;
        const auto* model = AcDbLayout::cast(acdbLayoutManager()->findLayoutNamed("Model", &back).object());
        EXPECT_TRUE(model && model->getBlockTableRecordId() == back.modelSpaceId()) << c.name;
    }
}

TEST(DxfRoundTrip, EveryTypeReadsBackAsWritten)
{
    TempDir dir;
    const std::string first = dir.file("every.dxf"), second = dir.file("every2.dxf");
    {
        AcDbDatabase db;
        buildEveryType(db);
        ASSERT_EQ(db.openObjectCount(), 0);
        ASSERT_EQ(db.saveAs(first.c_str()), Acad::eOk) << db.lastErrorMessage();
    }
    EXPECT_EQ(runCheck("audit " + first), 0);
    AcDbDatabase back(false);
    ASSERT_EQ(back.readDxfFile(first.c_str()), Acad::eOk) << back.lastErrorMessage();
    ASSERT_EQ(back.saveAs(second.c_str()), Acad::eOk) << back.lastErrorMessage();
    EXPECT_TRUE(readFile(first) == readFile(second));

    const auto* ms = AcDbBlockTableRecord::cast(back.modelSpaceId().object());
    const AcDbText* text = nullptr;
    const AcDbMText* mtext = nullptr;
    const AcDbLine* line = nullptr;
    const AcDbMInsertBlock* array = nullptr;
    for (const AcDbObjectId& id : ms->entityIds()) {
        if (const auto* t = AcDbText::cast(id.object()); t && std::string(t->textStringConst()) == kOddText)
            text = t;
        mtext = mtext ? mtext : AcDbMText::cast(id.object());
        line = line ? line : AcDbLine::cast(id.object());
        array = array ? array : AcDbMInsertBlock::cast(id.object());
    }
    ASSERT_TRUE(text && mtext && line && array);
    EXPECT_EQ(text->horizontalMode(), AcDb::kTextFit);
    EXPECT_EQ(text->verticalMode(), AcDb::kTextTop);
    EXPECT_TRUE(text->alignmentPoint().isEqualTo(AcGePoint3d(9, 3, 0)));
    EXPECT_TRUE(text->normal().isEqualTo(AcGeVector3d(0, -1, 1).normal()));
    EXPECT_EQ(std::string(mtext->contents().str()).substr(360), std::string(kOddText));
    EXPECT_EQ(mtext->attachment(), AcDbMText::kBottomRight);
    EXPECT_EQ(line->endPoint().z, 1e15);
    EXPECT_EQ(line->lineWeight(), AcDb::kLnWt211);
    EXPECT_EQ(line->visibility(), AcDb::kInvisible);
    EXPECT_EQ(line->color().rgb() & 0xFFFFFF, 0xFF8000u);
    resbuf* x = line->xData("EVERY");
    ASSERT_NE(x, nullptr);
    EXPECT_STREQ(x->rbnext->resval.rstring, kOddText);
    std::vector<std::string> binaries;
    int items = 0;
    for (const resbuf* rb = x; rb; rb = rb->rbnext, ++items)
        if (rb->restype == 1004)
            binaries.emplace_back(rb->resval.rbinary.buf, static_cast<size_t>(rb->resval.rbinary.clen));
    EXPECT_EQ(binaries, std::vector<std::string>{std::string(binaryOf(), 3)});
    EXPECT_EQ(items, 10);
    // Visited in place, the items are the chain's: codes, and texts where they are texts.
    const resbuf* item = x;
    EXPECT_TRUE(line->visitXData("EVERY", [&](int code, std::string_view text) {
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(code, item->restype);
        EXPECT_EQ(text, acutRbValueKind(code) == RbValueKind::kString ? item->resval.rstring : "");
        item = item->rbnext;
    }));
    EXPECT_EQ(item, nullptr);
    acutRelRb(x);
    EXPECT_EQ(array->columns(), 3);
    EXPECT_EQ(array->rows(), 2);
    EXPECT_EQ(array->scaleFactors().sx, -1);
    EXPECT_TRUE(array->normal().isEqualTo(AcGeVector3d(0, 0, -1)));
    AcDbObjectId layoutId = acdbLayoutManager()->findLayoutNamed("Sheet \xc3\x84", &back);
    const auto* layout = AcDbLayout::cast(layoutId.object());
    ASSERT_NE(layout, nullptr);
    EXPECT_EQ(layout->plotRotation(), AcDbPlotSettings::k270degrees);
    EXPECT_EQ(layout->getViewportArray().size(), 1u);
}

TEST(DxfWrite, ValuesThatCannotBeWrittenFailTheSaveAndKeepTheFile)
{
    TempDir dir;
    const std::string path = dir.file("keep.dxf");
    writeFile(path, "old");
    AcDbDatabase db;
    const double nan = std::nan("");
    const AcDbObjectId id = post(db.modelSpaceId(), new AcDbLine(AcGePoint3d(), AcGePoint3d(nan, 0, 0)));
    EXPECT_EQ(db.saveAs(path.c_str()), Acad::eInvalidInput);
    EXPECT_EQ(db.lastErrorMessage(), "cannot save '" + path + "': the LINE " + id.handle().text()
                                         + ": a number for group code 11 is not finite");
    EXPECT_EQ(readFile(path), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(DxfWrite, FailedSavesLeaveTheOldFileWhole)
{
    TempDir dir;
    ::chmod(dir.path().c_str(), 0777);
    const std::string path = dir.file("keep.dxf");
    writeFile(path, "old drawing");
    ::chmod(path.c_str(), 0666);
    AcDbDatabase db;
    buildEveryType(db);
    ASSERT_GT(db.dxfText().size(), 8u * 1024);
    // A file system that fills up half way: the save really writes, and fails.
    const int full = runUnprivileged([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4 * 1024, 4 * 1024};
        setrlimit(RLIMIT_FSIZE, &limit);
        const bool failed = db.saveAs(path.c_str()) == Acad::eFileAccessErr;
        return failed && db.lastErrorMessage().find("File too large") != std::string::npos ? 0 : 1;
    });
    EXPECT_EQ(full, 0);
    EXPECT_EQ(readFile(path), "old drawing");
    // A folder the saver may not write in.
    ::chmod(dir.path().c_str(), 0755);
    const int readOnly = runUnprivileged([&] {
        const bool failed = db.saveAs(path.c_str()) == Acad::eFileAccessErr;
        return failed && db.lastErrorMessage().find("Permission denied") != std::string::npos ? 0 : 1;
    });
    EXPECT_EQ(readOnly, 0);
    EXPECT_EQ(readFile(path), "old drawing");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
    // A folder that does not exist.
    EXPECT_EQ(db.saveAs((dir.folder() + "no/such/folder/x.dxf").c_str()), Acad::eFileAccessErr);
    EXPECT_NE(db.lastErrorMessage().find("does not exist"), std::string::npos);
    ASSERT_EQ(db.saveAs(path.c_str()), Acad::eOk);
    EXPECT_NE(readFile(path), "old drawing");
}

TEST(DxfRead, PairsOfUnmodelledTypesReadByCodeAndSubclass)
{
    // A markerless solid, a table whose group 2 and 11 occur again under a later marker, a
    // point, and an old polyline with widths.
    const std::string text = "0\nSECTION\n2\nENTITIES\n"
                             "0\nSOLID\n8\n0\n10\n1\n20\n2\n11\n3\n21\n4\n12\n5\n22\n6\n"
                             "0\nACAD_TABLE\n8\n0\n100\nAcDbEntity\n100\nAcDbBlockReference\n2\n*T7\n10\n1\n20\n2\n30\n3\n"
                             "100\nAcDbTable\n11\n0\n21\n1\n31\n0\n2\nchunk\n"
                             "0\nPOINT\n8\n0\n10\n1\n20\n1\n"
                             "0\nPOLYLINE\n8\n0\n66\n1\n10\n0\n20\n0\n30\n4\n40\n2\n41\n3\n"
                             "0\nVERTEX\n8\n0\n10\n0\n20\n0\n30\n0\n40\n0.5\n41\n1.5\n0\nVERTEX\n8\n0\n10\n1\n20\n0\n30\n0\n"
                             "0\nSEQEND\n8\n0\n0\nENDSEC\n0\nEOF\n";
    TempDir dir;
    writeFile(dir.file("kept.dxf"), text);
    AcDbDatabase db(false);
    ASSERT_EQ(db.readDxfFile(dir.file("kept.dxf").c_str()), Acad::eOk) << db.lastErrorMessage();
    AcDbBlockTableRecord* ms = nullptr;
    acdbOpenObject(ms, db.modelSpaceId(), AcDb::kForRead);
    const std::vector<AcDbObjectId> ids = ms->entityIds();
    ms->close();
    ASSERT_EQ(ids.size(), 4u);

    const auto* solid = AcDbProxyEntity::cast(ids[0].object());
    ASSERT_NE(solid, nullptr);
    AcGePoint3d p;
    ASSERT_TRUE(solid->storedPoint(12, p, "AcDbTrace"));   // no markers: the subclass is not asked
    EXPECT_EQ(p, AcGePoint3d(5, 6, 0));
    EXPECT_FALSE(solid->storedPoint(13, p));
    EXPECT_EQ(p, AcGePoint3d(5, 6, 0));   // untouched on failure

    const auto* table = AcDbProxyEntity::cast(ids[1].object());
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->storedText(2, "AcDbBlockReference"), "*T7");
    EXPECT_EQ(table->storedText(2, "AcDbTable"), "chunk");
    EXPECT_EQ(table->storedText(2, "AcDbNone"), "");
    ASSERT_TRUE(table->storedPoint(10, p, "AcDbBlockReference"));
    EXPECT_EQ(p, AcGePoint3d(1, 2, 3));
    EXPECT_FALSE(table->storedPoint(11, p, "AcDbBlockReference"));
    ASSERT_TRUE(table->storedPoint(11, p));
    EXPECT_EQ(p, AcGePoint3d(0, 1, 0));

    double x = 7;
    const auto* point = AcDbProxyEntity::cast(ids[2].object());
    ASSERT_NE(point, nullptr);
    EXPECT_FALSE(point->storedReal(11, x));   // not given
    EXPECT_EQ(x, 7);
    EXPECT_FALSE(point->storedPoint(11, p));

    const auto* pl = AcDb2dPolyline::cast(ids[3].object());
    ASSERT_NE(pl, nullptr);
    EXPECT_EQ(pl->defaultStartWidth(), 2);
    EXPECT_EQ(pl->defaultEndWidth(), 3);
    EXPECT_EQ(pl->elevation(), 4);
    ASSERT_EQ(pl->vertexIds().size(), 2u);
    const auto* v = AcDbVertex::cast(pl->vertexIds()[0].object());
    EXPECT_EQ(v->startWidth(), 0.5);
    EXPECT_EQ(v->endWidth(), 1.5);
}
