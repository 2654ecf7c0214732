// Hatching spaces and assets: the pattern is evaluated against the outline at the style's
// scale, and a pattern too fine or too coarse, or unknown, is reported while the hatch is
// still posted.
#include "fixture.h"

#include "arx/aced.h"
#include "arx/dbhatch.h"
#include "blocks/asset.h"
#include "blocks/hatch.h"
#include "support/exrecords.h"
#include "support/kavroexceptions.h"

namespace {

class Hatching : public DrawingTest
{
protected:
    // A space (named by its code) whose outline is the rectangle, hatched in the pattern at
    // the scale; gives the warnings' texts (and codes).
    std::vector<std::string> hatchSpace(const char* code, double x, double y, double w, double h,
                                        const char* pattern, int scale, std::vector<int>* codes = nullptr)
    {
        auto made = newRoom(code, code);
        const AcDbObjectId id = insertSpace(*made, rectangle(x, y, w, h), AcGePoint3d(x + w / 2, y + h / 2, 0));
        const auto block = readBlock(id);
        auto* hatch = new CHatch;
        hatch->setPattern(pattern);
        hatch->setScale(scale);
        hatch->setLayer("HATCHES");
        block->setHatch(hatch);
        return apply([&](CKavroExceptions* errors) { block->applyToDWG(&drawing, errors); }, codes);
    }

    template <class Apply>
    std::vector<std::string> apply(Apply&& body, std::vector<int>* codes)
    {
        CKavroExceptions warnings;
        body(&warnings);
        std::vector<std::string> texts;
        for (int i = 0; i < warnings.getCount(); ++i) {
            texts.push_back(warnings.getAt(i)->getDescription().str());
            if (codes)
                codes->push_back(warnings.getAt(i)->getInnerException() ? -1 : warnings.getAt(i)->getCode());
        }
        return texts;
    }

    int hatchCount()
    {
        AcDbBlockTableRecord* space = nullptr;
        EXPECT_EQ(acdbOpenObject(space, db->modelSpaceId(), AcDb::kForRead), Acad::eOk);
        int count = 0;
        for (const AcDbObjectId& id : space->entityIds())
            count += !id.isErased() && AcDbHatch::cast(id.object()) ? 1 : 0;
        space->close();
        return count;
    }
};

} // namespace

TEST_F(Hatching, PatternsTooFineOrTooCoarseAreReportedAndStillPosted)
{
    // A 10 m × 8 m room takes ANSI31 at scale 1 without a word.
    EXPECT_TRUE(hatchSpace("R1", 0, 0, 10000, 8000, "ANSI31", 1).empty());
    EXPECT_EQ(hatchCount(), 1);

    // A 2 km × 1 km site needs more than 100,000 lines at scale 1.
    EXPECT_EQ(hatchSpace("S1", 0, 20000, 2000000, 1000000, "ANSI31", 1),
              std::vector<std::string>{"Unable to hatch kavro block S1. ANSI31 set at scale 1.00 is too dense to be displayed."});
    EXPECT_EQ(hatchCount(), 2);
    // SOLID has no lines to count, whatever the size.
    EXPECT_TRUE(hatchSpace("S2", 0, 20000, 2000000, 1000000, "SOLID", 1).empty());
    EXPECT_EQ(hatchCount(), 3);

    // At scale 100,000 the lines of ANSI31 stand 317.5 m apart: none crosses the room.
    EXPECT_EQ(hatchSpace("R2", 20000, 0, 10000, 8000, "ANSI31", 100000),
              std::vector<std::string>{"Unable to hatch kavro block R2. ANSI31 set at scale 100000.00 is not dense enough to be displayed."});
    EXPECT_EQ(hatchCount(), 4);

    // The limit is the host's HPMAXLINES: lowered, the small room is too dense too.
    resbuf limit{};
    limit.restype = RTLONG;
    limit.resval.rlong = 1000;
    ASSERT_EQ(acedSetVar("HPMAXLINES", &limit), RTNORM);
    const auto lowered = hatchSpace("R3", 40000, 0, 10000, 8000, "ANSI31", 1);
    limit.resval.rlong = 100000;
    ASSERT_EQ(acedSetVar("HPMAXLINES", &limit), RTNORM);
    EXPECT_EQ(lowered, std::vector<std::string>{"Unable to hatch kavro block R3. ANSI31 set at scale 1.00 is too dense to be displayed."});
}

TEST_F(Hatching, AnUnknownPatternIsReportedAsTheHostsStatusNamingTheDrawing)
{
    std::vector<int> codes;
    const auto warnings = hatchSpace("U1", 0, 0, 5000, 4000, "NO-SUCH-PATTERN", 1, &codes);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(codes, std::vector<int>{Acad::eHatchPatternNotFound});
    EXPECT_NE(warnings[0].find("eHatchPatternNotFound"), std::string::npos) << warnings[0];
    EXPECT_NE(warnings[0].find(document->fileName()), std::string::npos) << warnings[0];
    EXPECT_EQ(hatchCount(), 1);
}

TEST_F(Hatching, AssetsAreNamedByTheirHandleInDensityWarnings)
{
    const AcDbObjectId desk = definition("DESK");
    rectangle(-1600, -800, 1600, 800, desk);
    const AcDbObjectId reference = this->reference(desk, AcGePoint3d(-5000, -5000, 0));
    CAsset asset;
    asset.setObjectId(reference);
    asset.setHandle(AcDbHandle(reference.handle()));
    auto* hatch = new CHatch;
    hatch->setPattern("AR-B816");
    hatch->setScale(1000);
    asset.setHatch(hatch);
    std::vector<int> codes;
    const auto warnings = apply([&](CKavroExceptions* errors) { asset.applyToDWG(&drawing, errors); }, &codes);
    EXPECT_EQ(warnings, std::vector<std::string>{"Unable to hatch asset - " + asset.getHandle().str() +
                                                 ". AR-B816 set at scale 1000.00 is not dense enough to be displayed."});
    EXPECT_EQ(hatchCount(), 1);
    // At scale 1 the brick pattern fills the desk, in place of the hatch drawn before.
    asset.getHatch()->setScale(1);
    EXPECT_TRUE(apply([&](CKavroExceptions* errors) { asset.applyToDWG(&drawing, errors); }, nullptr).empty());
    EXPECT_EQ(hatchCount(), 1);
}

TEST_F(Hatching, AnAssetWithNothingToMeasureIsReportedAndNotHatched)
{
    const AcDbObjectId empty = definition("EMPTY");
    const AcDbObjectId reference = this->reference(empty, AcGePoint3d(100, 100, 0));
    CAsset asset;
    asset.setObjectId(reference);
    asset.setHandle(AcDbHandle(reference.handle()));
    asset.setHatch(new CHatch);
    asset.getHatch()->setPattern("SOLID");
    const int entities = modelSpaceCount();
    EXPECT_EQ(apply([&](CKavroExceptions* errors) { asset.applyToDWG(&drawing, errors); }, nullptr),
              std::vector<std::string>{"Unable to hatch asset - " + asset.getHandle().str() +
                                       ". Its block has no geometry to hatch around."});
    EXPECT_EQ(modelSpaceCount(), entities);
}

TEST_F(Hatching, ASpaceOnALockedLayerIsNotWrittenAndSaysWhy)
{
    addLayer("LOCKED", true);
    auto made = newRoom("L1", "L1");
    const AcDbObjectId id = insertSpace(*made, rectangle(0, 0, 5000, 4000), AcGePoint3d(0, 0, 0));
    {
        const auto reference = openObject<AcDbEntity>(id, AcDb::kForWrite);
        ASSERT_TRUE(reference);
        ASSERT_EQ(reference->setLayer("LOCKED"), Acad::eOk);
    }
    const auto block = readBlock(id);
    block->setHatch(new CHatch);
    block->getHatch()->setPattern("SOLID");
    CKavroExceptions warnings;
    EXPECT_FALSE(block->applyToDWG(&drawing, &warnings));
    ASSERT_EQ(warnings.getCount(), 1);
    EXPECT_EQ(warnings.getAt(0)->getDescription(),
              "Space L1 (handle " + block->getHandle() + ") not written: its layer \"LOCKED\" is locked.");
    EXPECT_EQ(hatchCount(), 0);
    EXPECT_FALSE(block->applyToDWG(&drawing, nullptr));
}

TEST_F(Hatching, AnAssetsLayerIsShownWithItsOwnLineWeightAndPlotFlag)
{
    const AcDbObjectId desk = definition("DESK");
    rectangle(-1600, -800, 1600, 800, desk);
    const AcDbObjectId reference = this->reference(desk, AcGePoint3d(-5000, -5000, 0));
    const AcDbObjectId layerId = addLayer("FURNITURE", true);
    {
        const auto layer = openObject<AcDbLayerTableRecord>(layerId, AcDb::kForWrite);
        layer->setIsOff(true);
        ASSERT_EQ(layer->setIsFrozen(true), Acad::eOk);
        layer->setLineWeight(AcDb::kLnWt050);
        layer->setIsPlottable(false);
        const auto entity = openObject<AcDbEntity>(reference, AcDb::kForWrite);
        ASSERT_EQ(entity->setLayer(layerId), Acad::eOk);
    }
    CAsset asset;
    asset.setObjectId(reference);
    asset.setHandle(AcDbHandle(reference.handle()));
    CKavroExceptions warnings;
    asset.applyToDWG(&drawing, &warnings);
    const auto layer = openObject<AcDbLayerTableRecord>(layerId, AcDb::kForRead);
    EXPECT_FALSE(layer->isOff());
    EXPECT_FALSE(layer->isFrozen());
    EXPECT_FALSE(layer->isLocked());
    EXPECT_EQ(layer->lineWeight(), AcDb::kLnWt050);
    EXPECT_FALSE(layer->isPlottable());
}
