// Entity picks from input lines, entity names, handles and "last", and the view that sizes
// the pick box.
#include "editor_drawing.h"

#include "arx/aced.h"
#include "arx/acedview.h"
#include "arx/dbdict.h"
#include "arx/dbhatch.h"

#include <cctype>
#include <cmath>

namespace {

class Picks : public EditorDrawing
{
protected:
    Picks()
    {
        // An 80 x 60 window on the 800 x 600 screen: the pick box reaches 3 pixels = 0.3 units.
        qv::zoomWindow(&db, AcGePoint3d(0, 0, 0), AcGePoint3d(80, 60, 0));
    }
};

} // namespace

TEST_F(Picks, RoomIsPickedOnItsEdgeNotInside)
{
    const AcDbObjectId r = room(0, 0, 10, 10);
    EXPECT_EQ(pick("10.2,5"), r);
    EXPECT_EQ(pick("5,0.25"), r);
    int status = 0;
    EXPECT_TRUE(pick("5,5", &status).isNull());
    EXPECT_EQ(status, RTERROR);
    EXPECT_TRUE(pick("10.4,5", &status).isNull());
    EXPECT_EQ(status, RTERROR);
    EXPECT_EQ(output, "\nNo entity at that point.\n\nNo entity at that point.\n");
}

TEST_F(Picks, PickBoxFollowsZoomAndPickbox)
{
    const AcDbObjectId r = room(0, 0, 10, 10);
    EXPECT_TRUE(pick("10.5,5").isNull());
    // Twice the window: the box reaches 0.6 units.
    ASSERT_TRUE(qv::zoomWindow(&db, AcGePoint3d(0, 0, 0), AcGePoint3d(160, 120, 0)));
    EXPECT_EQ(pick("10.5,5"), r);
    ASSERT_TRUE(qv::zoomPrevious(&db));
    EXPECT_TRUE(pick("10.5,5").isNull());
    resbuf value;
    value.restype = RTSHORT;
    value.resval.rint = 6;
    ASSERT_EQ(acedSetVar("PICKBOX", &value), RTNORM);
    EXPECT_EQ(pick("10.5,5"), r);
    value.resval.rint = 3;
    acedSetVar("PICKBOX", &value);
}

TEST_F(Picks, ArcSideIsPickedOnTheArcNotOnItsChord)
{
    // The right side bulges out by 5 (a half circle through (15, 5)).
    const AcDbObjectId r = add(rectangle(0, 0, 10, 10, 1.0));
    EXPECT_EQ(pick("15.1,5"), r);
    EXPECT_TRUE(pick("10,5").isNull());
    const AcDbObjectId c = add(new AcDbCircle(AcGePoint3d(40, 40, 0), AcGeVector3d::kZAxis, 5));
    EXPECT_EQ(pick("43,44.1"), c);
    EXPECT_TRUE(pick("40,40").isNull());
}

TEST_F(Picks, TopmostInDrawOrderWins)
{
    const AcDbObjectId a = room(0, 0, 10, 10);
    const AcDbObjectId b = room(0, 0, 10, 10);
    EXPECT_EQ(pick("0,5"), b);
    AcDbBlockTableRecord* ms = nullptr;
    ASSERT_EQ(acdbOpenObject(ms, db.modelSpaceId(), AcDb::kForWrite), Acad::eOk);
    AcDbSortentsTable* order = nullptr;
    ASSERT_EQ(ms->getSortentsTable(order, AcDb::kForWrite, true), Acad::eOk);
    ASSERT_EQ(order->moveToBottom({b}), Acad::eOk);
    order->close();
    ms->close();
    EXPECT_EQ(pick("0,5"), a);
}

TEST_F(Picks, ReferenceIsPickedByItsDefinitionsGeometry)
{
    const AcDbObjectId ring = define("RING", {new AcDbCircle(AcGePoint3d(0, 0, 0), AcGeVector3d::kZAxis, 1)});
    const AcDbObjectId ref = insert(ring, AcGePoint3d(20, 20, 0), AcDbObjectId(), {{"NAME", "Ring"}});
    AcDbBlockReference* open = nullptr;
    ASSERT_EQ(acdbOpenObject(open, ref, AcDb::kForWrite), Acad::eOk);
    open->setScaleFactors(AcGeScale3d(2));
    open->close();
    EXPECT_EQ(pick("22,20"), ref);
    EXPECT_TRUE(pick("21,20").isNull());
    EXPECT_TRUE(pick("20,20").isNull());
    // Its attribute's text (at (20, 19), 0.5 high) belongs to it too.
    EXPECT_EQ(pick("20.2,19.2"), ref);
    // A reference nested in another definition is picked as the outer reference.
    const AcDbObjectId outer = define("OUTER", {new AcDbBlockReference(AcGePoint3d(5, 0, 0), ring)});
    const AcDbObjectId outerRef = insert(outer, AcGePoint3d(40, 20, 0));
    EXPECT_EQ(pick("46,20"), outerRef);
}

TEST_F(Picks, HatchIsPickedOnItsBoundary)
{
    auto* hatch = new AcDbHatch;
    ASSERT_EQ(hatch->appendLoop(AcDbHatch::kExternal | AcDbHatch::kPolyline,
                                {AcGePoint2d(0, 0), AcGePoint2d(10, 0), AcGePoint2d(10, 10), AcGePoint2d(0, 10)},
                                {0, 0, 0, 0}),
              Acad::eOk);
    const AcDbObjectId h = add(hatch);
    EXPECT_EQ(pick("10.1,5"), h);
    EXPECT_TRUE(pick("5,5").isNull());
}

TEST_F(Picks, EveryCellOfAnArrayOfReferencesIsPicked)
{
    const AcDbObjectId dot = define("DOT", {new AcDbCircle(AcGePoint3d(0, 0, 0), AcGeVector3d::kZAxis, 1)});
    auto* array = new AcDbMInsertBlock;
    array->setBlockTableRecord(dot);
    array->setPosition(AcGePoint3d(10, 10, 0));
    array->setColumns(3);
    array->setRows(2);
    array->setColumnSpacing(5);
    array->setRowSpacing(5);
    const AcDbObjectId a = add(array);
    EXPECT_EQ(pick("21,10"), a);    // column 2, row 0
    EXPECT_EQ(pick("16,15"), a);    // column 1, row 1
    EXPECT_TRUE(pick("26,10").isNull());
    AcDbExtents e;   // the box of every cell, not the first one's
    ASSERT_EQ(AcDbEntity::cast(a.object())->getGeomExtents(e), Acad::eOk);
    EXPECT_EQ(e.minPoint(), AcGePoint3d(9, 9, 0));
    EXPECT_EQ(e.maxPoint(), AcGePoint3d(21, 16, 0));
}

TEST_F(Picks, OnlyDrawnEntitiesArePicked)
{
    const AcDbObjectId hidden = layer("HIDDEN");
    auto* line = new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(10, 0, 0));
    line->setLayer(hidden);
    add(line);
    AcDbLayerTableRecord* rec = nullptr;
    ASSERT_EQ(acdbOpenObject(rec, hidden, AcDb::kForWrite), Acad::eOk);
    rec->setIsOff(true);
    rec->close();
    EXPECT_TRUE(pick("5,0").isNull());
    auto* invisible = new AcDbLine(AcGePoint3d(0, 2, 0), AcGePoint3d(10, 2, 0));
    invisible->setVisibility(AcDb::kInvisible);
    add(invisible);
    EXPECT_TRUE(pick("5,2").isNull());
}

TEST_F(Picks, PointIsTakenInTheCurrentUcs)
{
    const AcDbObjectId r = room(100, 0, 10, 10);
    ASSERT_EQ(db.setUcs(AcGePoint3d(100, 0, 0), AcGeVector3d::kXAxis, AcGeVector3d::kYAxis), Acad::eOk);
    input({"0,5"});
    ads_name name;
    ads_point at;
    ASSERT_EQ(acedEntSel("Pick: ", name, at), RTNORM);
    AcDbObjectId id;
    acdbGetObjectId(id, name);
    EXPECT_EQ(id, r);
    EXPECT_EQ(at[0], 0.0);
    EXPECT_EQ(at[1], 5.0);
    EXPECT_EQ(output, "Pick: ");
}

TEST_F(Picks, ByHandleAndLast)
{
    const AcDbObjectId r = room(0, 0, 10, 10);
    const AcDbObjectId inDefinition = add(new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 1, 0)),
                                          define("PART", {}));
    const AcDbObjectId last = room(20, 0, 10, 10);
    EXPECT_EQ(pick(std::string("#").append(r.handle().text())), r);
    std::string lower = r.handle().text();
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(pick("#" + lower), r);
    EXPECT_EQ(pick("LAST"), last);
    EXPECT_EQ(output, "");
    int status = 0;
    EXPECT_TRUE(pick(std::string("#").append(inDefinition.handle().text()), &status).isNull());
    EXPECT_EQ(status, RTERROR);
    EXPECT_EQ(output, "\nNo entity with handle " + inDefinition.handle().text() + ".\n");
    output.clear();
    EXPECT_TRUE(pick("#FFFFFF", &status).isNull());
    EXPECT_EQ(status, RTERROR);
    EXPECT_EQ(output, "\nNo entity with handle FFFFFF.\n");
    AcDbEntity* ent = nullptr;
    ASSERT_EQ(acdbOpenObject(ent, last, AcDb::kForWrite), Acad::eOk);
    ent->erase();
    ent->close();
    EXPECT_EQ(pick("last"), r);
    EXPECT_TRUE(pick(std::string("#").append(last.handle().text())).isNull());
}

TEST_F(Picks, EmptyCancelEndAndInvalidAnswers)
{
    room(0, 0, 10, 10);
    int status = 0;
    pick("", &status);
    EXPECT_EQ(status, RTNONE);
    pick("^C", &status);
    EXPECT_EQ(status, RTCAN);
    pick("\x1b", &status);
    EXPECT_EQ(status, RTCAN);
    input({});
    ads_name name;
    ads_point at;
    EXPECT_EQ(acedEntSel("Pick: ", name, at), RTCAN);
    output.clear();
    input({"somewhere", "10,5"}, true); // typed: refused and asked again
    EXPECT_EQ(acedEntSel("Pick: ", name, at), RTNORM);
    EXPECT_EQ(output, "Pick: \n*Invalid selection*\nExpects a point, #handle or last.\nPick: ");
}

TEST_F(Picks, WithoutADrawingNothingIsAskedAndWithoutEntitiesNoneIsLast)
{
    int status = 0;
    EXPECT_TRUE(pick("last", &status).isNull());
    EXPECT_EQ(status, RTERROR);
    EXPECT_EQ(output, "\nNo last entity.\n");
    output.clear();
    acdbHostApplicationServices()->setWorkingDatabase(nullptr);
    input({"last"});
    ads_name name;
    ads_point at;
    EXPECT_EQ(acedEntSel("Pick: ", name, at), RTERROR);
    EXPECT_EQ(output, "No drawing is open.\n");
    acdbHostApplicationServices()->setWorkingDatabase(&db);
    room(0, 0, 10, 10);
    EXPECT_EQ(acedEntSel("", name, at), RTNORM); // the answer is still there to read
}

TEST_F(Picks, PickPointsMayBeRelativeToTheLastPointWhichStaysInTheWorld)
{
    const AcDbObjectId r = room(0, 0, 10, 10);
    const auto lastPoint = [] {
        resbuf value;
        EXPECT_EQ(acedGetVar("LASTPOINT", &value), RTNORM);
        EXPECT_EQ(value.restype, RT3DPOINT);
        return AcGePoint3d(value.resval.rpoint[0], value.resval.rpoint[1], value.resval.rpoint[2]);
    };
    EXPECT_TRUE(pick("20,5").isNull());
    EXPECT_EQ(lastPoint(), AcGePoint3d(20, 5, 0)); // a point that finds nothing is still the last
    EXPECT_EQ(pick("@-9.8,0"), r);
    EXPECT_EQ(pick("@"), r);
    EXPECT_EQ(pick("@0.1<180"), r);
    EXPECT_EQ(lastPoint(), AcGePoint3d(10.1, 5, 0));
    EXPECT_EQ(pick("@0,5,2"), r);
    EXPECT_TRUE(pick("@ 5 < 90 ").isNull());
    EXPECT_EQ(lastPoint(), AcGePoint3d(10.1, 15, 2));
    // Typed in a moved UCS, the last point keeps its place in the world.
    ASSERT_EQ(db.setUcs(AcGePoint3d(100, 0, 0), AcGeVector3d::kXAxis, AcGeVector3d::kYAxis), Acad::eOk);
    EXPECT_EQ(lastPoint(), AcGePoint3d(-89.9, 15, 2));
    EXPECT_EQ(pick("@0,-6"), r);
    EXPECT_EQ(output, "\nNo entity at that point.\n\nNo entity at that point.\n");
}

TEST_F(Picks, PointsThatAreNotFiniteAreRefused)
{
    const AcDbObjectId r = room(0, 0, 10, 10);
    resbuf far;
    far.restype = RTPOINT;
    far.resval.rpoint[0] = 1e308;
    far.resval.rpoint[1] = std::nan("");
    EXPECT_EQ(acedSetVar("LASTPOINT", &far), RTERROR);
    far.resval.rpoint[1] = 0;
    // Each is refused and asked again; the next answer is taken.
    for (const char* answer : {"nan,nan", "inf,0", "0,-inf", "1e400,0", "@1e308,0", "@1e309<0", "nan<0", "1<inf"}) {
        ASSERT_EQ(acedSetVar("LASTPOINT", &far), RTNORM);
        output.clear();
        input({answer, "10,5"}, true);
        ads_name name;
        ads_point at;
        ASSERT_EQ(acedEntSel("", name, at), RTNORM) << answer;
        AcDbObjectId id;
        acdbGetObjectId(id, name);
        EXPECT_EQ(id, r) << answer;
        EXPECT_EQ(output, "\n*Invalid selection*\nExpects a point, #handle or last.\n") << answer;
    }
}

TEST_F(Picks, EntityNamesAndHandles)
{
    const AcDbObjectId r = room(0, 0, 10, 10);
    ads_name name;
    ASSERT_EQ(acdbGetAdsName(name, r), Acad::eOk);
    AcDbObjectId id;
    ASSERT_EQ(acdbGetObjectId(id, name), Acad::eOk);
    EXPECT_EQ(id, r);
    EXPECT_EQ(acdbGetAdsName(name, AcDbObjectId()), Acad::eNullObjectId);
    ads_name unknown = {0, 0};
    EXPECT_EQ(acdbGetObjectId(id, unknown), Acad::eUnknownHandle);

    ASSERT_EQ(acdbHandEnt(r.handle().text().c_str(), name), RTNORM);
    acdbGetObjectId(id, name);
    EXPECT_EQ(id, r);
    EXPECT_EQ(acdbHandEnt("not hex", name), RTERROR);
    EXPECT_EQ(acdbHandEnt(nullptr, name), RTERROR);
    ASSERT_EQ(acdbEntLast(name), RTNORM);
    acdbGetObjectId(id, name);
    EXPECT_EQ(id, r);

    // Reading the drawing again replaces its contents: old names find nothing.
    ASSERT_EQ(acdbGetAdsName(name, r), Acad::eOk);
    ASSERT_EQ(db.readDxfText(db.dxfText()), Acad::eOk);
    EXPECT_EQ(acdbGetObjectId(id, name), Acad::eUnknownHandle);
}

TEST_F(Picks, ViewStack)
{
    room(0, 0, 10, 10);
    qv::Box2d view = qv::viewWindow(&db);
    EXPECT_EQ(view.maxX, 80);
    ASSERT_TRUE(qv::zoomExtents(&db));
    view = qv::viewWindow(&db);
    EXPECT_EQ(view.minX, 0);
    EXPECT_EQ(view.maxX, 10);
    EXPECT_FALSE(qv::zoomWindow(&db, AcGePoint3d(1, 1, 0), AcGePoint3d(1, 1, 0)));
    EXPECT_FALSE(qv::zoomWindow(&db, AcGePoint3d(0, 0, 0), AcGePoint3d(NAN, 1, 0)));
    // The extents zoomed to are those of the drawing when the view is looked at.
    room(20, 0, 10, 10);
    EXPECT_EQ(qv::viewWindow(&db).maxX, 30);
    ASSERT_TRUE(qv::zoomPrevious(&db));
    EXPECT_EQ(qv::viewWindow(&db).maxX, 80);
    ASSERT_TRUE(qv::zoomPrevious(&db));   // the view before any window: the extents
    EXPECT_EQ(qv::viewWindow(&db).maxX, 30);
    EXPECT_FALSE(qv::zoomPrevious(&db));
}
