// Writing space blocks into the drawing: definitions and their failures, insertion under a
// user coordinate system, the drawing update with attribute layout, hatch and hyperlinks,
// and turning blocks back into geometry.
#include "fixture.h"

#include "arx/dbdict.h"
#include "arx/dbhatch.h"
#include "arx/dbtext.h"
#include "blocks/attributes.h"
#include "blocks/hatch.h"
#include "blocks/hyperlinks.h"
#include "blocks/kavroattribute.h"
#include "support/exrecords.h"
#include "support/kavroexceptions.h"

#include <cmath>
#include <map>

namespace {

std::vector<AcGePoint3d> verticesOf(AcDbObjectId id)
{
    AcDbPolyline* polyline = nullptr;
    EXPECT_EQ(acdbOpenObject(polyline, id, AcDb::kForRead), Acad::eOk);
    std::vector<AcGePoint3d> points(polyline ? polyline->numVerts() : 0);
    for (unsigned int i = 0; i < points.size(); ++i)
        polyline->getPointAt(i, points[i]);
    if (polyline)
        polyline->close();
    return points;
}

void expectNear(const AcGePoint3d& actual, const AcGePoint3d& expected)
{
    EXPECT_NEAR(actual.x, expected.x, 1e-6);
    EXPECT_NEAR(actual.y, expected.y, 1e-6);
    EXPECT_NEAR(actual.z, expected.z, 1e-6);
}

class SpaceDrawing : public DrawingTest
{
protected:
    bool hasDefinition(const char* name)
    {
        AcDbBlockTable* table = nullptr;
        EXPECT_EQ(db->getSymbolTable(table, AcDb::kForRead), Acad::eOk);
        const bool found = table->has(name);
        table->close();
        return found;
    }

    // The attributes (or attribute definitions) of a reference (or definition) by tag.
    template <class T>
    std::map<std::string, std::pair<AcGePoint3d, std::string>> texts(const std::vector<AcDbObjectId>& ids)
    {
        std::map<std::string, std::pair<AcGePoint3d, std::string>> found;
        for (const AcDbObjectId& id : ids) {
            T* text = nullptr;
            if (acdbOpenObject(text, id, AcDb::kForRead) != Acad::eOk)
                continue;
            found[text->tag().str()] = {text->position(), text->textString().str()};
            text->close();
        }
        return found;
    }

    std::vector<AcDbObjectId> attributesOf(AcDbObjectId reference)
    {
        AcDbBlockReference* opened = nullptr;
        EXPECT_EQ(acdbOpenObject(opened, reference, AcDb::kForRead), Acad::eOk);
        std::vector<AcDbObjectId> ids;
        for (const AcDbObjectId& id : opened->attributeIds())
            if (!id.isErased())
                ids.push_back(id);
        opened->close();
        return ids;
    }

    std::vector<AcDbObjectId> entitiesOf(AcDbObjectId record)
    {
        AcDbBlockTableRecord* opened = nullptr;
        EXPECT_EQ(acdbOpenObject(opened, record, AcDb::kForRead), Acad::eOk);
        std::vector<AcDbObjectId> ids;
        for (const AcDbObjectId& id : opened->entityIds())
            if (!id.isErased())
                ids.push_back(id);
        opened->close();
        return ids;
    }

    AcDbObjectId definitionOf(AcDbObjectId reference)
    {
        AcDbBlockReference* opened = nullptr;
        EXPECT_EQ(acdbOpenObject(opened, reference, AcDb::kForRead), Acad::eOk);
        const AcDbObjectId id = opened->blockTableRecord();
        opened->close();
        return id;
    }

    std::string hyperlinkOf(AcDbObjectId id)
    {
        AcDbEntity* entity = nullptr;
        EXPECT_EQ(acdbOpenObject(entity, id, AcDb::kForRead), Acad::eOk);
        CHyperlinks links;
        links.getEntityHyperlinks(entity);
        entity->close();
        return links.getCount() ? (links.getAt(0)->getHref() + "|" + links.getAt(0)->getDescription()).str() : "";
    }
};

} // namespace

TEST_F(SpaceDrawing, FailedDefinitionsLeaveTheDrawingAsItWas)
{
    definition("ROOM-A");
    addLayer("LOCKED", true);
    const AcDbObjectId free = rectangle(100, 100, 500, 400);
    const AcDbObjectId locked = rectangle(900, 100, 500, 400, AcDbObjectId(), "LOCKED");
    const auto before = verticesOf(free);
    const int entities = modelSpaceCount();
    auto insert = [&](const char* name, AcDbObjectId outline) {
        CBlockDWG block;
        block.setBlockName(name);
        AcDbEntity* entity = nullptr;
        acdbOpenObject(entity, outline, AcDb::kForRead);
        entity->close();
        return block.insertBlock(&drawing, entity, AcGePoint3d(100, 100, 0), 250, 1, 0);
    };

    EXPECT_EQ(insert("ROOM-a", free), Acad::eDuplicateRecordName);
    EXPECT_EQ(insert("ROOM-B", locked), Acad::eOnLockedLayer);
    acDocManager->setLockDecider([](AcApDocument*) { return Acad::eLockViolation; });
    EXPECT_EQ(insert("ROOM-C", free), Acad::eLockViolation);
    acDocManager->setLockDecider(nullptr);

    EXPECT_EQ(verticesOf(free), before);
    EXPECT_EQ(entitiesOf(db->modelSpaceId()).size(), static_cast<size_t>(entities));
    EXPECT_FALSE(hasDefinition("ROOM-B"));
    EXPECT_FALSE(hasDefinition("ROOM-C"));
    EXPECT_EQ(insert("ROOM-D", free), Acad::eOk);
    EXPECT_EQ(entitiesOf(db->modelSpaceId()).size(), static_cast<size_t>(entities));
}

TEST_F(SpaceDrawing, AttributeDefinitionsStandAroundTheAreaText)
{
    for (const double rotation : {0.0, 90.0}) {
        auto block = newRoom("N", rotation == 0 ? "R0" : "R90");
        const AcDbObjectId id = insertSpace(*block, rectangle(0, 0, 4000, 3000), AcGePoint3d(2000, 1500, 0),
                                            250.0, rotation);
        const auto definitions = texts<AcDbAttributeDefinition>(entitiesOf(definitionOf(id)));
        const double s = rotation == 0 ? 0.0 : 375.0, c = rotation == 0 ? 375.0 : 0.0;
        expectNear(definitions.at("AREA").first, AcGePoint3d(0, 0, 0));
        expectNear(definitions.at("NAME").first, AcGePoint3d(s, -c, 0));
        expectNear(definitions.at("AUX").first, AcGePoint3d(-s, c, 0));
        EXPECT_EQ(definitions.at("AUX").second, "DEFAULT AUX");
    }
}

TEST_F(SpaceDrawing, InsertionTakesThePointInTheUserCoordinateSystem)
{
    // A UCS standing upright: x along the world x, y along the world z.
    ASSERT_EQ(db->setUcs(AcGePoint3d(1000, 0, 0), AcGeVector3d(1, 0, 0), AcGeVector3d(0, 0, 1)), Acad::eOk);
    CBlockDWG block;
    block.setBlockName("ROOM-U");
    auto* set = new CAttributes;
    auto* name = new CKavroAttribute;
    name->setKind(kNameAttribute);
    name->setValue("U1");
    set->add(name, 0);
    block.setAttributes(set);
    const AcDbObjectId outline = rectangle(0, 0, 200, 100);
    const auto ucsVertices = verticesOf(outline);
    const AcDbObjectId id = insertSpace(block, outline, AcGePoint3d(100, 50, 0));

    AcDbBlockReference* reference = nullptr;
    ASSERT_EQ(acdbOpenObject(reference, id, AcDb::kForRead), Acad::eOk);
    expectNear(reference->position(), AcGePoint3d(1100, 0, 50));
    EXPECT_TRUE(reference->normal().isEqualTo(AcGeVector3d(0, -1, 0)));
    const AcGeMatrix3d transform = reference->blockTransform();
    reference->close();
    // The outline stands where it was drawn in the UCS.
    AcGeMatrix3d ucs;
    acdbUcsMatrix(ucs, db);
    const auto inBlock = verticesOf(outline);
    for (size_t i = 0; i < inBlock.size(); ++i)
        expectNear(transform.transform(inBlock[i]), ucs.transform(ucsVertices[i]));
    for (const AcDbObjectId& text : entitiesOf(definitionOf(id))) {
        AcDbAttributeDefinition* definition = nullptr;
        if (acdbOpenObject(definition, text, AcDb::kForRead) != Acad::eOk)
            continue;
        EXPECT_TRUE(definition->normal().isEqualTo(AcGeVector3d(0, -1, 0)));
        definition->close();
    }
    // Only the attributes whose kind the set holds have texts.
    const auto attributes = texts<AcDbAttribute>(attributesOf(id));
    EXPECT_EQ(attributes.at("NAME").second, "U1");
    EXPECT_EQ(attributes.at("AREA").second, "");
    EXPECT_EQ(attributes.at("AUX").second, "");
}

TEST_F(SpaceDrawing, TheDrawingUpdateWritesNameRecordLayoutHatchAndHyperlinks)
{
    auto made = newRoom("Lab", "L1");
    const AcDbObjectId id = insertSpace(*made, rectangle(0, 0, 10000, 8000), AcGePoint3d(5000, 4000, 0));
    const AcDbObjectId pillar = rectangle(1000, 1000, 1000, 1000);
    const auto block = readBlock(id);
    block->setBlockName("ROOM-L1B");
    block->getAttributes()->getAtAttribute(kAreaAttribute)->setValue("80.00sq.m.");
    block->getAttributes()->setRotation(90.0);
    block->setHandlesToMinus(AcDbObjectIdArray{pillar});
    block->recalculateArea(document);
    auto* hatch = new CHatch;
    hatch->setPattern("SOLID");
    hatch->setLayer("##HATCH");
    AcCmColor red;
    red.setRGB(255, 0, 0);
    hatch->setColour(red);
    block->setHatch(hatch);
    block->getHyperlinks()->add(new CHyperlink("plan.htm", "Plan"));
    block->getHyperlinks()->add(new CHyperlink("second.htm", ""));
    CKavroExceptions warnings;
    block->applyToDWG(&drawing, &warnings);
    EXPECT_EQ(warnings.getCount(), 0);

    EXPECT_TRUE(hasDefinition("ROOM-L1B"));
    EXPECT_FALSE(hasDefinition("ROOM-L1"));
    const auto read = readBlock(id);
    EXPECT_DOUBLE_EQ(read->getArea(), 79.0);
    EXPECT_EQ(read->getHandlesToMinusCount(), 1);
    // NAME and AUX stand 375 units to the left and right of the AREA text.
    const auto attributes = texts<AcDbAttribute>(attributesOf(id));
    const AcGePoint3d anchor = attributes.at("AREA").first;
    expectNear(attributes.at("NAME").first, AcGePoint3d(anchor.x - 375, anchor.y, 0));
    expectNear(attributes.at("AUX").first, AcGePoint3d(anchor.x + 375, anchor.y, 0));
    EXPECT_EQ(attributes.at("AREA").second, "80.00sq.m.");
    EXPECT_EQ(hyperlinkOf(id), "plan.htm|Plan");

    // The hatch: the outline with the pillar as a hole, behind everything else.
    const auto entities = entitiesOf(db->modelSpaceId());
    AcDbObjectId hatchId;
    for (const AcDbObjectId& entity : entities)
        if (AcDbHatch::cast(entity.object()))
            hatchId = entity;
    ASSERT_FALSE(hatchId.isNull());
    AcDbHatch* opened = nullptr;
    ASSERT_EQ(acdbOpenObject(opened, hatchId, AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(opened->numLoops(), 2);
    EXPECT_EQ(opened->layer(), "##HATCH");
    EXPECT_EQ(opened->color().red(), 255);
    opened->close();
    EXPECT_EQ(hyperlinkOf(hatchId), "plan.htm|Plan");
    AcDbBlockTableRecord* space = nullptr;
    ASSERT_EQ(acdbOpenObject(space, db->modelSpaceId(), AcDb::kForWrite), Acad::eOk);
    AcDbSortentsTable* order = nullptr;
    ASSERT_EQ(space->getSortentsTable(order, AcDb::kForRead), Acad::eOk);
    AcDbObjectIdArray drawn;
    order->getFullDrawOrder(drawn);
    order->close();
    space->close();
    EXPECT_EQ(drawn.front(), hatchId);
    // ezdxf reads the reference's hyperlink.
    for (const QJsonValue& entity : saveAndDump()["dump"].toObject()["modelspace"].toArray()) {
        if (entity.toObject()["handle"].toString().toStdString() != id.handle().text())
            continue;
        EXPECT_EQ(xdataStrings(entity.toObject(), "PE_URL"),
                  (std::vector<std::string>{"plan.htm", "{", "Plan", "", "}"}));
    }
    // The definition's outline was moved back.
    const auto outline = verticesOf(CBlockDWG::outlineOf(definitionOf(id)));
    expectNear(outline[0], AcGePoint3d(-5000, -4000, 0));

    // An empty list removes the hyperlinks; a lock that fails raises an error naming the drawing.
    block->getHyperlinks()->deleteObjects();
    block->setHatch(nullptr);
    delete hatch;
    block->applyToDWG(&drawing, &warnings);
    EXPECT_EQ(hyperlinkOf(id), "");
    acDocManager->setLockDecider([](AcApDocument*) { return Acad::eLockViolation; });
    const auto error = raised([&] { block->applyToDWG(&drawing, &warnings); });
    acDocManager->setLockDecider(nullptr);
    ASSERT_NE(error, nullptr);
    ASSERT_NE(error->getInnerException(), nullptr);
    EXPECT_EQ(error->getInnerException()->getCode(), Acad::eLockViolation);
    EXPECT_NE(error->getInnerException()->getDescription().Find(document->fileName()), -1);
}

TEST_F(SpaceDrawing, HatchingProblemsAreCollectedAndTheDefinitionRestored)
{
    const AcDbObjectId open = [&] {
        auto* polyline = new AcDbPolyline;
        polyline->addVertexAt(0, AcGePoint2d(0, 0));
        polyline->addVertexAt(1, AcGePoint2d(1000, 0));
        polyline->addVertexAt(2, AcGePoint2d(1000, 1000));
        return post(polyline);
    }();
    auto made = newRoom("Open", "O1");
    const AcDbObjectId id = insertSpace(*made, open, AcGePoint3d(500, 500, 0));
    const auto block = readBlock(id);
    auto* hatch = new CHatch;
    hatch->setPattern("ANSI31");
    hatch->setLayer("HATCHES");
    block->setHatch(hatch);
    const auto before = verticesOf(CBlockDWG::outlineOf(definitionOf(id)));
    CKavroExceptions warnings;
    block->applyToDWG(&drawing, &warnings);
    ASSERT_EQ(warnings.getCount(), 1);
    EXPECT_EQ(warnings.getAt(0)->getDescription(),
              "Unable to hatch Kavro Block: O1. Handle: " + block->getHandle() +
                  ". Please check the polyline is closed.");
    EXPECT_EQ(verticesOf(CBlockDWG::outlineOf(definitionOf(id))), before);

    // A closed room with a stale subtracted handle and a line among its added areas.
    auto closed = newRoom("Closed", "C1");
    const AcDbObjectId closedId = insertSpace(*closed, rectangle(5000, 0, 1000, 1000), AcGePoint3d(5000, 0, 0));
    const auto second = readBlock(closedId);
    second->setHatch(new CHatch);
    second->getHatch()->setPattern("SOLID");
    second->setHandlesToMinus("FFFFF,", nullptr);
    second->setHandlesToAdd(AcDbObjectIdArray{post(new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 1, 0)))});
    CKavroExceptions more;
    second->applyToDWG(&drawing, &more);
    EXPECT_EQ(more.getCount(), 1);
    EXPECT_EQ(more.getAt(0)->getDescription(), "Unable to apply no hatch areas to Kavro Block: C1.");
}

TEST_F(SpaceDrawing, AttributesAreLaidOutAroundAnAnchor)
{
    auto made = newRoom("Hall", "H1");
    const AcDbObjectId id = insertSpace(*made, rectangle(0, 0, 4000, 3000), AcGePoint3d(2000, 1500, 0));
    const auto block = readBlock(id);
    block->getAttributes()->setTextHeight(100.0);
    AcGeMatrix3d ucs;
    AcGePoint3d anchor(500, 600, 0);
    ASSERT_EQ(drawing.lock(), Acad::eOk);
    block->updateAttributes(ucs, &anchor);
    drawing.unlock(FALSE);
    const auto attributes = texts<AcDbAttribute>(attributesOf(id));
    expectNear(attributes.at("AREA").first, anchor);
    expectNear(attributes.at("NAME").first, AcGePoint3d(500, 750, 0));
    expectNear(attributes.at("AUX").first, AcGePoint3d(500, 450, 0));
}

TEST_F(SpaceDrawing, TurningBackGivesTheOutlineWhereTheReferenceShowsIt)
{
    auto made = newRoom("Turn", "T1");
    const AcDbObjectId first = insertSpace(*made, rectangle(0, 0, 2000, 1000), AcGePoint3d(0, 0, 0));
    const AcDbObjectId definitionId = definitionOf(first);
    const AcDbObjectId second = reference(definitionId, AcGePoint3d(10000, 0, 0));
    AcDbBlockReference* opened = nullptr;
    ASSERT_EQ(acdbOpenObject(opened, second, AcDb::kForWrite), Acad::eOk);
    opened->setRotation(kPi / 2);
    opened->setScaleFactors(AcGeScale3d(2.0));
    opened->close();
    const int before = static_cast<int>(entitiesOf(db->modelSpaceId()).size());

    // The second drawing is current: the clones stay in the block's own drawing.
    ASSERT_EQ(acDocManager->appContextNewDocument(), Acad::eOk);
    EXPECT_EQ(readBlock(second)->deleteBlock(&drawing), 1);
    const auto afterSecond = entitiesOf(db->modelSpaceId());
    ASSERT_EQ(afterSecond.size(), static_cast<size_t>(before));
    const auto outline = verticesOf(afterSecond.back());
    expectNear(outline[0], AcGePoint3d(10000, 0, 0));
    expectNear(outline[1], AcGePoint3d(10000, 4000, 0));
    expectNear(outline[2], AcGePoint3d(8000, 4000, 0));
    EXPECT_TRUE(second.isErased());
    EXPECT_FALSE(definitionId.isErased());

    EXPECT_EQ(readBlock(first)->deleteBlock(&drawing), 1);
    EXPECT_TRUE(definitionId.isErased());
    for (const AcDbObjectId& id : entitiesOf(db->modelSpaceId()))
        EXPECT_FALSE(AcDbBlockReference::cast(id.object()) || AcDbAttribute::cast(id.object()));
    acDocManager->closeDocument(acDocManager->curDocument());
}

TEST_F(SpaceDrawing, BlocksThatCannotBeTurnedBackStayAsTheyAre)
{
    addLayer("FROZEN-OUTLINES", false);
    auto made = newRoom("Stretched", "S1");
    const AcDbObjectId id = insertSpace(*made, rectangle(0, 0, 2000, 1000), AcGePoint3d(0, 0, 0));
    AcDbBlockReference* opened = nullptr;
    ASSERT_EQ(acdbOpenObject(opened, id, AcDb::kForWrite), Acad::eOk);
    opened->setScaleFactors(AcGeScale3d(2.0, 1.0, 1.0));
    opened->close();
    const size_t before = entitiesOf(db->modelSpaceId()).size();
    EXPECT_EQ(readBlock(id)->deleteBlock(&drawing), 0);

    // An outline on a locked layer could not be placed: nothing is cloned.
    auto locked = newRoom("Locked", "K1");
    const AcDbObjectId lockedId = insertSpace(*locked, rectangle(0, 0, 100, 100, AcDbObjectId(), "FROZEN-OUTLINES"),
                                              AcGePoint3d(0, 0, 0));
    AcDbLayerTableRecord* layer = nullptr;
    AcDbLayerTable* table = nullptr;
    db->getSymbolTable(table, AcDb::kForRead);
    table->getAt("FROZEN-OUTLINES", layer, AcDb::kForWrite);
    layer->setIsLocked(true);
    layer->close();
    table->close();
    EXPECT_EQ(readBlock(lockedId)->deleteBlock(&drawing), 0);
    EXPECT_EQ(entitiesOf(db->modelSpaceId()).size(), before + 1);
    EXPECT_FALSE(id.isErased());
    EXPECT_FALSE(lockedId.isErased());
}

TEST_F(SpaceDrawing, ADefinitionStaysWhileAnyReferenceRemains)
{
    auto made = newRoom("Kept", "K2");
    const AcDbObjectId id = insertSpace(*made, rectangle(0, 0, 2000, 1000), AcGePoint3d(0, 0, 0));
    const AcDbObjectId definitionId = definitionOf(id);
    const AcDbObjectId inPaper = reference(definitionId, AcGePoint3d(0, 0, 0), db->paperSpaceId());
    const AcDbObjectId wrapper = definition("WRAPPER");
    const AcDbObjectId nested = reference(definitionId, AcGePoint3d(0, 0, 0), wrapper);

    EXPECT_EQ(readBlock(id)->deleteBlock(&drawing), 1);
    EXPECT_FALSE(definitionId.isErased());
    AcDbEntity* paperReference = nullptr;
    ASSERT_EQ(acdbOpenObject(paperReference, inPaper, AcDb::kForWrite), Acad::eOk);
    paperReference->erase(true);
    paperReference->close();

    AcDbBlockTableRecord* opened = nullptr;
    ASSERT_EQ(acdbOpenObject(opened, definitionId, AcDb::kForWrite), Acad::eOk);
    EXPECT_EQ(CBlockDWG().deleteBlockDefinition(&drawing, opened), 0);
    AcDbEntity* nestedReference = nullptr;
    ASSERT_EQ(acdbOpenObject(nestedReference, nested, AcDb::kForWrite), Acad::eOk);
    nestedReference->erase(true);
    nestedReference->close();
    EXPECT_EQ(CBlockDWG().deleteBlockDefinition(&drawing, opened), 1);
    opened->close();
    EXPECT_TRUE(definitionId.isErased());
    const QJsonObject described = saveAndDump();
    EXPECT_TRUE(described["audit"].toArray().isEmpty());
}
