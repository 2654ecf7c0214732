// Areas and perimeters of space blocks from their outlines and their added and subtracted
// areas, in metric and imperial drawings and units; highlighting; unit conversions.
#include "fixture.h"

#include "arx/acutprintf.h"
#include "arx/dbcurves.h"

#include <cmath>
#include <string>

namespace {

class SpaceAreas : public DrawingTest
{
protected:
    // A room whose outline is w x h drawing units at (x, y), inserted at its lower corner.
    std::unique_ptr<CBlockDWG> room(const char* code, double x, double y, double w, double h,
                                    CMeasureUnits units = CMeasureUnits::kMetric, int precision = 2)
    {
        auto block = newRoom(code, code, units, precision);
        const AcDbObjectId id = insertSpace(*block, rectangle(x, y, w, h), AcGePoint3d(x, y, 0));
        auto read = readBlock(id);
        read->setUnits(units);
        read->setPrecision(precision);
        return read;
    }

    void scale(AcDbObjectId id, double sx, double sy)
    {
        AcDbBlockReference* reference = nullptr;
        ASSERT_EQ(acdbOpenObject(reference, id, AcDb::kForWrite), Acad::eOk);
        reference->setScaleFactors(AcGeScale3d(sx, sy, 1.0));
        reference->close();
    }

    void restyle(AcDbObjectId id, Adesk::UInt16 colour, AcDb::LineWeight weight)
    {
        AcDbEntity* entity = nullptr;
        ASSERT_EQ(acdbOpenObject(entity, id, AcDb::kForWrite), Acad::eOk);
        entity->setColorIndex(colour);
        entity->setLineWeight(weight);
        entity->close();
    }

    AcDb::LineWeight weightOf(AcDbObjectId id)
    {
        AcDbEntity* entity = nullptr;
        EXPECT_EQ(acdbOpenObject(entity, id, AcDb::kForRead), Acad::eOk);
        const AcDb::LineWeight weight = entity->lineWeight();
        entity->close();
        return weight;
    }

    Adesk::UInt16 colourOf(AcDbObjectId id)
    {
        AcDbEntity* entity = nullptr;
        EXPECT_EQ(acdbOpenObject(entity, id, AcDb::kForRead), Acad::eOk);
        const Adesk::UInt16 colour = entity->colorIndex();
        entity->close();
        return colour;
    }
};

} // namespace

TEST_F(SpaceAreas, OutlineLessSubtractedPlusAddedInMetricMillimetreDrawings)
{
    // Outline 10 m x 10 m; subtracted 2 x 5 m, 1 x 5 m and a circle; added 0.5 x 5 m.
    auto block = room("R1", 0, 0, 10000, 10000);
    const AcDbObjectId minusA = rectangle(1000, 1000, 2000, 5000);
    const AcDbObjectId minusB = rectangle(4000, 1000, 1000, 5000);
    const AcDbObjectId circle = post(new AcDbCircle(AcGePoint3d(8000, 8000, 0), AcGeVector3d::kZAxis, 500));
    const AcDbObjectId plus = rectangle(10000, 0, 500, 5000);
    block->setHandlesToMinus(AcDbObjectIdArray{minusA, circle, minusB});
    block->setHandlesToAdd(AcDbObjectIdArray{plus, circle});
    EXPECT_EQ(block->getHandlesToMinusCount(), 3);
    EXPECT_EQ(block->getHandlesToAddCount(), 1);

    block->recalculateArea(document);
    block->recalculatePerimeter(document);
    EXPECT_DOUBLE_EQ(block->getArea(), 100.0 - 10.0 - 5.0 + 2.5);
    EXPECT_DOUBLE_EQ(block->getPerimeter(), 40.0 + 14.0 + 12.0 + 11.0);
    EXPECT_DOUBLE_EQ(block->calcSubArea(document), 15.0);
    EXPECT_DOUBLE_EQ(block->calcAddAreaPerimeters(document), 11.0);
}

TEST_F(SpaceAreas, ImperialUnitsAndInchDrawings)
{
    // Millimetre drawing measured in square feet: 3048 mm square is 100 sq.ft.
    auto feet = room("F1", 0, 0, 3048, 3048, CMeasureUnits::kImperial);
    feet->recalculateArea(document);
    feet->recalculatePerimeter(document);
    EXPECT_NEAR(feet->getArea(), 100.0, 1e-9);
    EXPECT_NEAR(feet->getPerimeter(), 40.0, 1e-9);

    // Inch drawing by its linear units, naming no unit: 120 in square is 100 sq.ft. or 9.29 sq.m.
    ASSERT_EQ(db->setInsunits(AcDb::kUnitsUndefined), Acad::eOk);
    ASSERT_EQ(db->setLunits(4), Acad::eOk);
    auto inches = room("I1", 5000, 0, 120, 120, CMeasureUnits::kImperial, 3);
    inches->recalculateArea(document);
    inches->recalculatePerimeter(document);
    EXPECT_DOUBLE_EQ(inches->getArea(), 100.0);
    EXPECT_DOUBLE_EQ(inches->getPerimeter(), 40.0);
    inches->setUnits(CMeasureUnits::kMetric);
    inches->recalculateArea(document);
    inches->recalculatePerimeter(document);
    EXPECT_DOUBLE_EQ(inches->getArea(), 9.290);
    EXPECT_NEAR(inches->getPerimeter(), 480 * 0.0254, 1e-12);
}

TEST_F(SpaceAreas, ScaleAppliesToTheOutlineOnly)
{
    auto block = room("S1", 0, 0, 10000, 10000);
    const AcDbObjectId plus = rectangle(20000, 0, 1000, 1000);
    block->setHandlesToAdd(AcDbObjectIdArray{plus});
    scale(block->getObjectId(), 2, 2);
    block->recalculateArea(document);
    block->recalculatePerimeter(document);
    EXPECT_DOUBLE_EQ(block->getArea(), 400.0 + 1.0);
    EXPECT_DOUBLE_EQ(block->getPerimeter(), 80.0 + 4.0);
    scale(block->getObjectId(), 2, 1);
    block->recalculateArea(document);
    block->recalculatePerimeter(document);
    EXPECT_DOUBLE_EQ(block->getArea(), 200.0 + 1.0);
    EXPECT_DOUBLE_EQ(block->getPerimeter(), 60.0 + 4.0);
}

TEST_F(SpaceAreas, AreaIsRoundedToAKnownPrecisionOnly)
{
    // 9000 x 9717.333 mm = 87.455997 sq.m.
    auto block = room("P1", 0, 0, 9000, 9717.333);
    block->recalculateArea(document);
    block->recalculatePerimeter(document);
    EXPECT_DOUBLE_EQ(block->getArea(), 87.46);
    EXPECT_DOUBLE_EQ(block->getPerimeter(), 2 * (9.0 + 9.717333));
    block->setPrecision(-1);
    block->recalculateArea(document);
    EXPECT_DOUBLE_EQ(block->getArea(), 9.0 * 9.717333);
    block->setPrecision(0);
    block->recalculateArea(document);
    EXPECT_DOUBLE_EQ(block->getArea(), 87.0);
}

TEST_F(SpaceAreas, AReferenceThatCannotBeOpenedKeepsItsMeasures)
{
    auto block = room("N1", 0, 0, 1000, 1000);
    block->setArea(5.0);
    block->setPerimeter(6.0);
    AcDbEntity* held = nullptr;
    ASSERT_EQ(acdbOpenObject(held, block->getObjectId(), AcDb::kForWrite), Acad::eOk);
    block->recalculateArea(document);
    block->recalculatePerimeter(document);
    held->close();
    EXPECT_EQ(block->getArea(), 5.0);
    EXPECT_EQ(block->getPerimeter(), 6.0);
}

TEST_F(SpaceAreas, OnlyAClosedFirstPolylineOfTheDefinitionIsAnOutline)
{
    EXPECT_TRUE(room("C1", 0, 0, 1000, 1000)->hasClosedOutline());

    // A definition with only a circle, one whose first polyline is open (a closed one after
    // it does not count), and one with nothing at all.
    const AcDbObjectId circleOnly = definition("ROOM-CIRCLE");
    post(new AcDbCircle(AcGePoint3d::kOrigin, AcGeVector3d::kZAxis, 500.0), circleOnly);
    const AcDbObjectId openFirst = definition("ROOM-OPEN");
    const AcDbObjectId open = rectangle(0, 0, 1000, 1000, openFirst);
    rectangle(0, 0, 2000, 2000, openFirst);
    AcDbPolyline* polyline = nullptr;
    ASSERT_EQ(acdbOpenObject(polyline, open, AcDb::kForWrite), Acad::eOk);
    polyline->setClosed(false);
    polyline->close();
    for (const AcDbObjectId id : {circleOnly, openFirst, definition("ROOM-EMPTY")})
        EXPECT_FALSE(readBlock(reference(id, AcGePoint3d::kOrigin))->hasClosedOutline());

    // A reference that does not open has nothing to measure either.
    auto block = room("C2", 0, 0, 1000, 1000);
    AcDbEntity* held = nullptr;
    ASSERT_EQ(acdbOpenObject(held, block->getObjectId(), AcDb::kForWrite), Acad::eOk);
    EXPECT_FALSE(block->hasClosedOutline());
    held->close();
}

TEST_F(SpaceAreas, AClosed2dPolylineMeasuresAsALightweightOneAndA3dPolylineIsNoOutline)
{
    // 10 m x 10 m, a half circle on the right: 2D and closed 3D polylines, which files make.
    std::string text = "0\nSECTION\n2\nENTITIES\n";
    for (const char* kind : {"2D\n8\n0\n66\n1\n70\n1\n", "3D\n8\n0\n66\n1\n70\n9\n"}) {
        text += std::string("0\nPOLYLINE\n5\n") + kind;
        for (const char* vertex : {"0\n20\n0", "10000\n20\n0\n42\n1", "10000\n20\n10000", "0\n20\n10000"})
            text += std::string("0\nVERTEX\n8\n0\n10\n") + vertex + "\n";
        text += "0\nSEQEND\n8\n0\n";
    }
    ASSERT_EQ(db->readDxfText(text + "0\nENDSEC\n0\nEOF\n"), Acad::eOk) << db->lastErrorMessage();
    for (const bool flat : {true, false}) {
        AcDbObjectId outline;
        ASSERT_EQ(db->getAcDbObjectId(outline, false, AcDbHandle(flat ? 0x2D : 0x3D)), Acad::eOk);
        auto block = newRoom("R", flat ? "2D" : "3D");
        auto read = readBlock(insertSpace(*block, outline, AcGePoint3d(5000, 5000, 0)));
        read->setPrecision(-1);
        read->recalculateArea(document);
        read->recalculatePerimeter(document);
        EXPECT_EQ(read->hasClosedOutline(), flat);
        EXPECT_NEAR(read->getArea(), flat ? 100 + kPi * 25 / 2 : 0.0, 1e-9);
        EXPECT_NEAR(read->getPerimeter(), flat ? 30 + kPi * 5 : 0.0, 1e-9);
    }
}

TEST_F(SpaceAreas, HandleListsFromTextResolveInTheDatabase)
{
    const AcDbObjectId a = rectangle(0, 0, 1, 1), b = rectangle(2, 0, 1, 1);
    const std::string ha = a.handle().text(), hb = b.handle().text();
    CBlockDWG block;
    block.setHandlesToMinus(CString(ha + "," + hb + ","), db);
    EXPECT_EQ(block.getHandlesToMinusAsString(), CString(ha + "," + hb + ","));
    block.setHandlesToMinus(CString(ha + "," + hb), db);
    EXPECT_EQ(block.getHandlesToMinusAsString(), CString(ha + ","));
    block.setHandlesToMinus(CString(ha), db);
    EXPECT_EQ(block.getHandlesToMinusCount(), 0);
    block.setHandlesToAdd(CString("FFFFF," + hb + ",zz,"), db);
    EXPECT_EQ(block.getHandlesToAddAsString(), CString(hb + ","));
    // Without a database the pieces are taken as they are.
    block.setHandlesToAdd("FFFFF,2F4,", nullptr);
    EXPECT_EQ(block.getHandlesToAddAsString(), "FFFFF,2F4,");
    block.addHandleToAdd(AcDbHandle(0xABCDE), db);
    block.addHandleToAdd(a.handle(), db);
    EXPECT_EQ(block.getHandlesToAddAsString(), CString("FFFFF,2F4," + ha + ","));
    block.removeHandleToAddAt(0);
    EXPECT_EQ(block.getHandleToAddAt(0), AcDbHandle(0x2F4));
    EXPECT_EQ(CBlockDWG().getHandlesToMinusAsString(), "");
    EXPECT_EQ(CBlockDWG().calcSubArea(document), 0.0);
}

TEST_F(SpaceAreas, UnresolvedHandlesBecomeNullIdsInOrder)
{
    const AcDbObjectId a = rectangle(0, 0, 1, 1), b = rectangle(2, 0, 1, 1);
    CArray<AcDbHandle> handles;
    handles.Add(a.handle());
    handles.Add(AcDbHandle(0xFFFFF));
    handles.Add(b.handle());
    AcDbObjectIdArray ids;
    EXPECT_EQ(CBlockDWG().convertHandlesToObjectIds(handles, db, ids), Acad::eOk);
    EXPECT_EQ(ids, (AcDbObjectIdArray{a, AcDbObjectId(), b}));
}

TEST_F(SpaceAreas, HighlightingColoursRestoresAndDropsUnknownHandles)
{
    std::string printed;
    qv::setOutputSink([&](const std::string& text) { printed += text; });
    auto block = room("H1", 0, 0, 10000, 10000);
    const AcDbObjectId first = rectangle(100, 100, 10, 10), last = rectangle(200, 100, 10, 10);
    const AcDbObjectId own = rectangle(400, 100, 10, 10);
    restyle(last, 5, AcDb::kLnWt030);
    restyle(own, 6, AcDb::kLnWt030);
    block->setHandlesToMinus(CString(first.handle().text() + ",FFFF1,FFFF2," + last.handle().text() + ","), nullptr);
    block->highlightAreasSubtracted(&drawing, 1, 1);
    EXPECT_EQ(printed, "\nThere are 4 area(s) subtracted from this block\n");
    EXPECT_EQ(block->getHandlesToMinusAsString(), CString(first.handle().text() + "," + last.handle().text() + ","));
    EXPECT_EQ(colourOf(first), 1);
    EXPECT_EQ(colourOf(last), 1);
    const AcDbObjectId extra = rectangle(300, 100, 10, 10);
    block->setHandlesToAdd(AcDbObjectIdArray{extra});
    block->highlightAreasAdded(&drawing, 1, 0);
    EXPECT_EQ(colourOf(extra), 3);
    // Off gives each highlighted entity its own colour and weight back, and leaves an
    // entity never highlighted (added after the highlight) as it is.
    block->setHandlesToMinus(CString(first.handle().text() + "," + last.handle().text() + "," + own.handle().text()),
                             nullptr);
    block->highlightAreasSubtracted(&drawing, 0, 0);
    EXPECT_EQ(colourOf(first), 256);
    EXPECT_EQ(colourOf(last), 5);
    EXPECT_EQ(weightOf(last), AcDb::kLnWt030);
    EXPECT_EQ(colourOf(own), 6);
    block->highlightAreasSubtracted(&drawing, 0, 0);
    EXPECT_EQ(colourOf(last), 5);

    // A refused lock changes and prints nothing.
    printed.clear();
    acDocManager->setLockDecider([](AcApDocument*) { return Acad::eLockViolation; });
    block->highlightAreasAdded(&drawing, 0, 1);
    EXPECT_EQ(printed, "");
    EXPECT_EQ(colourOf(extra), 3);
    qv::setOutputSink(nullptr);
}

TEST_F(SpaceAreas, UnitConversionBothWays)
{
    const CMeasureUnits metric = CMeasureUnits::kMetric, imperial = CMeasureUnits::kImperial;
    CBlockDWG block;
    block.setUnits(metric);
    block.setArea(10.0);
    block.setPerimeter(1.0);
    block.setRoomHeight(2.5);
    block.convertUnits(imperial);
    EXPECT_DOUBLE_EQ(block.getArea(), 107.639104);
    EXPECT_DOUBLE_EQ(block.getPerimeter(), 3.2808399);
    EXPECT_EQ(block.getUnits(), imperial);
    block.convertUnits(imperial);
    EXPECT_DOUBLE_EQ(block.getArea(), 107.639104);
    block.convertUnits(metric);
    EXPECT_NEAR(block.getArea(), 10.0, 1e-12);
    EXPECT_NEAR(block.getPerimeter(), 1.0, 1e-12);
    EXPECT_EQ(block.getUnits(), metric);
    EXPECT_EQ(block.getRoomHeight(), 2.5);
    EXPECT_STREQ(block.getUnits().areaText(), "sq.m.");
    block.convertUnits(imperial);
    EXPECT_STREQ(block.getUnits().areaText(), "sq.ft.");
    EXPECT_STREQ(block.getUnits().lengthText(), "ft.");
}
