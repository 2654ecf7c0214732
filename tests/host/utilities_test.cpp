#include "arx/acdocman.h"
#include "arx/aced.h"
#include "arx/acedinput.h"
#include "arx/acutprintf.h"
#include "arx/dbblockref.h"
#include "arx/dbcurves.h"
#include "arx/dbdatabase.h"
#include "arx/dbdict.h"
#include "arx/dbsymtb.h"
#include "host/acadutilities.h"
#include "host/drawingunit.h"
#include "support/exrecords.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

// A new current drawing, the given input lines, and the command-line output collected.
class Session
{
public:
    explicit Session(std::vector<std::string> lines = {}, bool typed = false)
    {
        acDocManager->appContextNewDocument();
        db = acDocManager->curDocument()->database();
        qv::setInputSource(qv::makeLineInput(std::move(lines), typed));
        qv::setOutputSink([this](const std::string& text) { output += text; });
    }
    ~Session()
    {
        qv::setOutputSink(nullptr);
        qv::setInputSource(nullptr);
        acDocManager->closeAll();
    }

    AcDbObjectId post(AcDbEntity* entity, AcDbObjectId owner = AcDbObjectId())
    {
        AcDbBlockTableRecord* record = nullptr;
        EXPECT_EQ(acdbOpenObject(record, owner.isNull() ? db->modelSpaceId() : owner, AcDb::kForWrite), Acad::eOk);
        AcDbObjectId id;
        EXPECT_EQ(record->appendAcDbEntity(id, entity), Acad::eOk);
        entity->close();
        record->close();
        return id;
    }

    AcDbDatabase* db;
    std::string output;
};

const CMeasureUnits kMetric = CMeasureUnits::kMetric, kImperial = CMeasureUnits::kImperial;

AcDbPolyline* rectangle(double width, double height, double x = 0, double y = 0)
{
    auto* polyline = new AcDbPolyline;
    polyline->addVertexAt(0, AcGePoint2d(x, y));
    polyline->addVertexAt(1, AcGePoint2d(x + width, y));
    polyline->addVertexAt(2, AcGePoint2d(x + width, y + height));
    polyline->addVertexAt(3, AcGePoint2d(x, y + height));
    polyline->setClosed(true);
    return polyline;
}

} // namespace

// Runs a prompt that must end the command: the cancel travels as the innermost record of
// the chain it throws.
template <class Prompt>
void expectCancelled(Prompt prompt)
{
    try {
        prompt();
        FAIL();
    } catch (CEXKavro* e) {
        ASSERT_TRUE(e->getInnerException());
        EXPECT_TRUE(dynamic_cast<CEXCancelled*>(e->getInnerException()));
        CEXKavro::deleteChain(e);
    }
}

TEST(Prompts, IntegersAndRealsKeepTheDefaultOnEnterAndEndTheCommandOnCancel)
{
    Session session({"5", "", "^C", "12.345", "x", "7.5", "^C"}, true);
    CAcadUtilities u;
    int i = 0;
    u.getInteger("Text size", 3, &i);
    EXPECT_EQ(i, 5);
    u.getInteger("Text size", 3, &i);
    EXPECT_EQ(i, 3);
    expectCancelled([&] { u.getInteger("Text size", 3, &i); });
    double d = 0;
    u.getDouble("Scale", 12.5, 2, &d);
    EXPECT_DOUBLE_EQ(d, 12.345);
    u.getDouble("Scale", 12.5, 2, &d);
    EXPECT_DOUBLE_EQ(d, 7.5);
    expectCancelled([&] { u.getDouble("Scale", 12.5, 2, &d); });
    EXPECT_EQ(session.output, "\nText size <3>: 5\n\nText size <3>: 3\n\nText size <3>:"
                              "\nScale <12.50>: 12.35\n"
                              "\nScale <12.50>:\nRequires numeric value.\n\nScale <12.50>: 7.50\n\nScale <12.50>:");
}

TEST(Prompts, TextsTakeTheWholeLineAndEndTheCommandOnCancel)
{
    Session session({"Room 1 East", "", "free text", "^C"});
    CAcadUtilities u;
    CString text;
    u.getString("Name", "Room", &text);
    EXPECT_EQ(text, "Room 1 East");
    u.getString("Name", "Room", &text);
    EXPECT_EQ(text, "Room");
    EXPECT_EQ(u.getString("Anything"), "free text");
    try {
        u.getString("Name", "Room", &text);
        FAIL();
    } catch (CEXKavro* e) {
        // The cancel travels as the innermost record of the chain.
        ASSERT_TRUE(e->getInnerException());
        EXPECT_TRUE(dynamic_cast<CEXCancelled*>(e->getInnerException()));
        CEXKavro::deleteChain(e);
    }
    EXPECT_EQ(session.output, "\nName <Room>: Room 1 East\n\nName <Room>: Room\n\nAnything:\nName <Room>:");
    // At the end of input the prompt gives up at once instead of asking again.
    try {
        u.getString("Anything");
        FAIL();
    } catch (CEXKavro* e) {
        CEXKavro::deleteChain(e);
    }
}

TEST(Prompts, YesOrNoInAnyCaseAndNothingElse)
{
    Session session({"y", "Yes", "N", "", "1", "no", "maybe", "TRUE", "0", "^C"}, true);
    CAcadUtilities u;
    const BOOL expected[] = {TRUE, TRUE, FALSE, FALSE, TRUE, FALSE, TRUE, FALSE};
    for (BOOL want : expected) {
        BOOL value = !want;
        u.getBoolean("Recalculate", FALSE, &value);
        EXPECT_EQ(value, want);
    }
    EXPECT_EQ(session.output.substr(0, 24), "\nRecalculate <0>: 1\n\nRec");
    EXPECT_NE(session.output.find("\nRecalculate <0>:\nAnswer Yes or No (1 or 0).\nRecalculate <0>: 1\n"),
              std::string::npos)
        << session.output;
    BOOL kept = FALSE;
    expectCancelled([&] { u.getBoolean("Recalculate", TRUE, &kept); });
    expectCancelled([&] { u.getBoolean("Recalculate", TRUE, &kept); });   // the end of input too
}

TEST(Measures, UnitsFollowTheDrawingsLinearUnits)
{
    AcDbPolyline* metricRoom = rectangle(10000, 5000);
    CAcadUtilities u;
    const CDrawingUnit millimetre(2);
    EXPECT_DOUBLE_EQ(u.calculatePolylineArea(metricRoom, millimetre, kMetric), 50.0);
    EXPECT_NEAR(u.calculatePolylineArea(metricRoom, millimetre, kImperial), 538.1955, 1e-4);
    EXPECT_DOUBLE_EQ(u.calculatePolylinePerimeter(metricRoom, millimetre, kMetric), 30.0);
    EXPECT_NEAR(u.calculatePolylinePerimeter(metricRoom, millimetre, kImperial), 98.4252, 1e-4);
    AcDbPolyline* imperialRoom = rectangle(120, 60);
    for (short units : {3, 4}) {
        EXPECT_DOUBLE_EQ(u.calculatePolylineArea(imperialRoom, CDrawingUnit(units), kImperial), 50.0);
        EXPECT_NEAR(u.calculatePolylineArea(imperialRoom, CDrawingUnit(units), kMetric), 4.6452, 1e-4);
        EXPECT_DOUBLE_EQ(u.calculatePolylinePerimeter(imperialRoom, CDrawingUnit(units), kImperial), 30.0);
    }
    // An arc side counts: half a circle of radius 2500 on the 5000 side.
    metricRoom->setBulgeAt(1, 1.0);
    EXPECT_NEAR(u.calculatePolylineArea(metricRoom, millimetre, kMetric), 50.0 + M_PI * 2.5 * 2.5 / 2, 1e-9);
    EXPECT_NEAR(u.getPolyPerimeter(metricRoom), 25000 + M_PI * 2500, 1e-6);
    // Far from the origin (national-grid coordinates) a small room keeps its digits.
    AcDbPolyline* farRoom = rectangle(90.818, 50.085, 2.6e9, 1.2e9);
    EXPECT_NEAR(u.calculatePolylineArea(farRoom, millimetre, kMetric), 90.818 * 50.085 / 1e6, 1e-10);
    delete farRoom;
    delete metricRoom;
    delete imperialRoom;
}

TEST(Measures, TheDrawingsInsertionUnitsNameItsUnit)
{
    // The same 5 m x 4 m room drawn in each unit; insertion units that name no unit of
    // length leave the linear units' rule.
    const struct { int insunits; short lunits; double metres; const char* said; } cases[] = {
        {4, 2, 0.001, ""},
        {5, 2, 0.01, "1 cm, as the drawing says"},
        {6, 4, 1, "1 m, as the drawing says"},
        {1, 2, 0.0254, "1 in, as the drawing says"},
        {2, 2, 0.3048, "1 ft, as the drawing says"},
        {14, 2, 0.1, "1 dm, as the drawing says"},
        {21, 2, 1200 / 3937.0, "1 US survey ft, as the drawing says"},
        {0, 4, 0.0254, "1 in, as the drawing's linear units imply"},
        {0, 2, 0.001, ""},
        {99, 2, 0.001, ""},
    };
    for (const auto& c : cases) {
        Session session;
        session.db->setLunits(c.lunits);
        session.db->setHeaderValue("$INSUNITS", 70, std::to_string(c.insunits));
        const CDrawingUnit unit = CDrawingUnit::of(session.db);
        AcDbPolyline* room = rectangle(5 / c.metres, 4 / c.metres);
        CAcadUtilities u;
        EXPECT_NEAR(u.calculatePolylineArea(room, unit, kMetric), 20.0, 20.0 * 1e-12) << c.insunits;
        EXPECT_NEAR(u.calculatePolylineArea(room, unit, kImperial), 20.0 / 0.09290304, 1e-9) << c.insunits;
        EXPECT_NEAR(u.calculatePolylinePerimeter(room, unit, kMetric), 18.0, 18.0 * 1e-12) << c.insunits;
        unit.announce();
        EXPECT_EQ(session.output, *c.said ? "\nAreas measured with one drawing unit = " + std::string(c.said) +
                                                " (SETVAR INSUNITS changes it).\n"
                                          : std::string())
            << c.insunits;
        delete room;
    }
}

TEST(Measures, BlockScalesCarryIntoAreasAndPerimeters)
{
    AcDbPolyline* outline = rectangle(10000, 5000);
    AcDbBlockReference reference;
    CAcadUtilities u;
    const struct { AcGeScale3d scale; double area; double perimeter; } cases[] = {
        {AcGeScale3d(2, 2, 1), 200.0, 60.0}, {AcGeScale3d(-2, 2, 1), 200.0, 60.0}, {AcGeScale3d(2, 3, 1), 300.0, 70.0}};
    for (const auto& c : cases) {
        reference.setScaleFactors(c.scale);
        EXPECT_DOUBLE_EQ(u.recalculateBlockArea(&reference, outline, CDrawingUnit(2), kMetric), c.area);
        EXPECT_DOUBLE_EQ(u.recalculateBlockPerimeter(&reference, outline, CDrawingUnit(2), kMetric), c.perimeter);
    }
    // A round room of radius 5 m stretched twice as high: an ellipse of semi-axes 5 m and 10 m,
    // whose perimeter is 40 m times the complete elliptic integral E(0.75).
    AcDbPolyline round;
    round.addVertexAt(0, AcGePoint2d(0, 0), 1.0);
    round.addVertexAt(1, AcGePoint2d(0, 10000), 1.0);
    round.setClosed(true);
    reference.setScaleFactors(AcGeScale3d(1, 2, 1));
    EXPECT_NEAR(u.recalculateBlockPerimeter(&reference, &round, CDrawingUnit(2), kMetric), 40 * 1.2110560275684594, 1e-10);
    delete outline;
}

TEST(Geometry, TopLeftCornersAndBlockExtents)
{
    Session session;
    CAcadUtilities u;
    AcDbPolyline* polyline = rectangle(4, 2, 1, 1);
    EXPECT_EQ(u.getPolylineTopLeft(polyline, nullptr), AcGePoint3d(1, 3, 0));
    AcGeMatrix3d shift = AcGeMatrix3d::translation(AcGeVector3d(10, 20, 5));
    EXPECT_EQ(u.getPolylineTopLeft(polyline, &shift), AcGePoint3d(11, 23, 0));
    AcDbPolyline empty;
    const AcGePoint3d none = u.getPolylineTopLeft(&empty, nullptr);
    EXPECT_EQ(none.x, std::numeric_limits<double>::max());
    EXPECT_EQ(none.y, -std::numeric_limits<double>::max());

    AcDbBlockTable* table = nullptr;
    ASSERT_EQ(session.db->getSymbolTable(table, AcDb::kForWrite), Acad::eOk);
    auto* definition = new AcDbBlockTableRecord;
    definition->setName("ROOM-A");
    AcDbObjectId definitionId;
    ASSERT_EQ(table->add(definitionId, definition), Acad::eOk);
    definition->close();
    table->close();
    session.post(polyline, definitionId);
    auto* reference = new AcDbBlockReference(AcGePoint3d(100, 100, 0), definitionId);
    reference->setScaleFactors(AcGeScale3d(2, 2, 1));
    const AcDbObjectId referenceId = session.post(reference);
    AcDbBlockReference* open = nullptr;
    ASSERT_EQ(acdbOpenObject(open, referenceId, AcDb::kForRead), Acad::eOk);
    AcGePoint3d lower, upper;
    u.getBlockExtents(open, lower, upper, 0);
    EXPECT_EQ(lower, AcGePoint3d(102, 102, 0));
    EXPECT_EQ(upper, AcGePoint3d(110, 106, 0));
    u.getBlockExtents(open, lower, upper, 1);
    EXPECT_EQ(lower, AcGePoint3d(100, 100, 0));
    EXPECT_EQ(upper, AcGePoint3d(112, 108, 0));
    open->close();
    EXPECT_EQ(session.db->openObjectCount(), 0);
}

TEST(Geometry, CoordinatesFollowTheCurrentUcs)
{
    Session session;
    session.db->setUcs(AcGePoint3d(100, 50, 0), AcGeVector3d(0, 1, 0), AcGeVector3d(-1, 0, 0));
    CAcadUtilities u;
    const AcGePoint3d world = u.convertUCSToWCS(AcGePoint3d(10, 0, 0));
    EXPECT_TRUE(world.isEqualTo(AcGePoint3d(100, 60, 0)));
    EXPECT_TRUE(u.convertWCSToUCS(world).isEqualTo(AcGePoint3d(10, 0, 0)));
}

TEST(Handles, ListsNeedTheirTrailingComma)
{
    Session session;
    CAcadUtilities u;
    std::vector<AcDbHandle> handles;
    u.convertHandlesStringToArray("1A,2B,", handles);
    ASSERT_EQ(handles.size(), 2u);
    EXPECT_EQ(handles[1], AcDbHandle("2B"));
    u.convertHandlesStringToArray("3C,4D", handles);
    EXPECT_EQ(handles.size(), 3u);
    u.convertHandlesStringToArray("", handles);
    u.convertHandlesStringToArray(",", handles);
    EXPECT_EQ(handles.size(), 4u);
    EXPECT_TRUE(handles[3].isNull());

    const AcDbObjectId id = session.post(rectangle(1, 1));
    EXPECT_EQ(u.convertHandleToObjectId(id.handle()), id);
    EXPECT_TRUE(u.convertHandleToObjectId(AcDbHandle("FFFFFF")).isNull());
}

TEST(XDataItems, ValuesAreCutByKind)
{
    CAcadUtilities u;
    EXPECT_EQ(u.extractData(256, "AREA=12.50sq.m."), "12.50");
    EXPECT_EQ(u.extractData(257, "AREA=134.55sq.ft."), "134.55");
    EXPECT_EQ(u.extractData(272, "PERIMETER=14.2m."), "14.2");
    EXPECT_EQ(u.extractData(273, "PERIMETER=46.6ft."), "46.6");
    EXPECT_EQ(u.extractData(0x11, "NAME=Room 1"), "Room 1");
    EXPECT_EQ(u.extractData(0x1110, "ROOM_HEIGHT=2.70m."), "2.70m.");
    EXPECT_EQ(u.extractData(0x10100, "HANDLESTOADD=1A,2B,"), "1A,2B,");
    EXPECT_EQ(u.extractData(0x10011, "HANDLESTOMINUS="), "");
    EXPECT_EQ(u.extractData(256, "AREA"), "");
    EXPECT_EQ(u.extractData(0x12, "NAME=Room 1"), "");
}

TEST(DrawOrder, SendingToBackRaisesSortentsAndMakesTheTable)
{
    Session session;
    CAcadUtilities u;
    const AcDbObjectId first = session.post(rectangle(1, 1));
    const AcDbObjectId second = session.post(rectangle(2, 2));
    for (auto [start, expected] : {std::pair{0, 127}, {128, 255}, {127, 127}}) {
        resbuf value {};
        value.restype = RTSHORT;
        value.resval.rint = static_cast<short>(start);
        acedSetVar("SORTENTS", &value);
        AcDbEntity* entity = nullptr;
        ASSERT_EQ(acdbOpenObject(entity, second, AcDb::kForWrite), Acad::eOk);
        u.sendToBack(entity);
        entity->close();
        acedGetVar("SORTENTS", &value);
        EXPECT_EQ(value.resval.rint, expected);
    }
    AcDbBlockTableRecord* modelSpace = nullptr;
    ASSERT_EQ(acdbOpenObject(modelSpace, session.db->modelSpaceId(), AcDb::kForRead), Acad::eOk);
    AcDbSortentsTable* table = nullptr;
    ASSERT_EQ(modelSpace->getSortentsTable(table, AcDb::kForRead, false), Acad::eOk);
    modelSpace->close();
    EXPECT_TRUE(table->firstEntityIsDrawnBeforeSecond(second, first));
    table->close();
    EXPECT_EQ(session.db->openObjectCount(), 0);
}

TEST(Colours, OnlyTheBackgroundColourIsInverted)
{
    CAcadUtilities u;
    AcCmColor black;
    black.setRGB(0, 0, 0);
    u.adjustColourToBackground(black);
    EXPECT_EQ(black.rgb(), 0xFFFFFFu);
    AcCmColor red;
    red.setRGB(255, 0, 0);
    u.adjustColourToBackground(red);
    EXPECT_EQ(red.rgb(), 0xFF0000u);
}

TEST(Automation, PointsTravelAsArraysOfThreeDoubles)
{
    _variant_t point;
    ASSERT_EQ(CAcadUtilities::createPointArray(&point, 1.5, -2, 3), S_OK);
    EXPECT_EQ(point.vt, VT_ARRAY | VT_R8);
    double values[3];
    for (LONG i = 0; i < 3; ++i)
        SafeArrayGetElement(point.parray, &i, &values[i]);
    EXPECT_EQ(values[0], 1.5);
    EXPECT_EQ(values[1], -2);
    EXPECT_EQ(values[2], 3);
}
