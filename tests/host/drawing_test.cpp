#include "arx/acdocman.h"
#include "arx/acedview.h"
#include "arx/acutprintf.h"
#include "arx/dbcurves.h"
#include "arx/dbdatabase.h"
#include "common/chain.h"
#include "common/hostproduct.h"
#include "common/tempdir.h"
#include "host/acaddrawing.h"
#include "host/acadhost.h"
#include "support/exkavro.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

// Every test starts without documents and with the default product, and whatever it
// changes of the host's global state (documents, lock decider, product, TMPDIR) is put
// back when it ends, whether it passed or not.
class HostState : public ::testing::Test
{
protected:
    void TearDown() override
    {
        acDocManager->setLockDecider(nullptr);
        acDocManager->closeAll();
        acdbHostApplicationServices()->setProduct(kDefaultProduct);
        unsetenv("TMPDIR");
    }

    // A new drawing made current, wrapped as the module wraps the current drawing.
    AcApDocument* newCurrentDrawing(CAcadDrawing& drawing)
    {
        acDocManager->appContextNewDocument();
        AcApDocument* document = acDocManager->curDocument();
        drawing.setDocument(document);
        drawing.setFileName(document->fileName());
        drawing.setOpen(TRUE);
        drawing.setKeepOpen(TRUE);
        return document;
    }

    static constexpr const char* kDefaultProduct = "AutoCAD 2019";
};

using CAcadHostTest = HostState;
using CAcadDrawingTest = HostState;

AcDbPolyline* rectangle(double width, double height)
{
    auto* polyline = new AcDbPolyline;
    polyline->addVertexAt(0, AcGePoint2d(0, 0));
    polyline->addVertexAt(1, AcGePoint2d(width, 0));
    polyline->addVertexAt(2, AcGePoint2d(width, height));
    polyline->addVertexAt(3, AcGePoint2d(0, height));
    polyline->setClosed(true);
    return polyline;
}

void saveEmptyDrawing(const std::string& path)
{
    AcDbDatabase db;
    ASSERT_EQ(db.saveAs(path.c_str()), Acad::eOk);
}

} // namespace

TEST_F(CAcadHostTest, TheProductNameDecidesTheHost)
{
    const struct { const char* product; int type; const char* name; } cases[] = {
        {"AutoCAD LT 2019", 1, "AutoCADLT"}, {"autocad lt", 1, "AutoCADLT"}, {"AutoCAD 2019", 2, "AutoCAD"},
        {"BricsCAD V19", 3, "BricsCAD"},     {"AutoCAD on BricsCAD", 2, "AutoCAD"},
        {"", 0, "unknown <>"},               {"Other CAD 7", 0, "unknown <other cad 7>"},
    };
    HostProduct product("AutoCAD 2019");
    for (const auto& c : cases) {
        product.use(c.product);
        const CAcadHost host;
        EXPECT_EQ(host.getHostType(), c.type) << c.product;
        EXPECT_EQ(host.getHostName(), c.name) << c.product;
        EXPECT_EQ(acadHost.getHostType(), c.type) << c.product;
    }
}

TEST_F(CAcadHostTest, TheHostInfoIsTheVersionTextTakenWhenTheModuleLoaded)
{
    acdbHostApplicationServices()->setProduct("BricsCAD V19");
    const CAcadHost host;
    EXPECT_EQ(host.getHostInfo(), "cadhost BricsCAD V19");
    // A later change of product is not seen by a host already made.
    acdbHostApplicationServices()->setProduct("AutoCAD LT 2019");
    EXPECT_EQ(host.getHostInfo(), "cadhost BricsCAD V19");
    EXPECT_EQ(host.getHostType(), CAcadHost::bricscad);
    EXPECT_EQ(CAcadHost().getHostInfo(), "cadhost AutoCAD LT 2019");
}

TEST_F(CAcadDrawingTest, LocksNestAndCount)
{
    CAcadDrawing drawing;
    AcApDocument* document = newCurrentDrawing(drawing);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(drawing.lock(), Acad::eOk);
    EXPECT_EQ(document->lockCount(), 1);
    EXPECT_EQ(drawing.unlock(FALSE), CAcadDrawing::stillLocked);
    EXPECT_EQ(drawing.unlock(FALSE), 320);
    EXPECT_TRUE(drawing.isLocked());
    EXPECT_EQ(document->lockCount(), 1);
    EXPECT_EQ(drawing.unlock(FALSE), Acad::eOk);
    EXPECT_FALSE(drawing.isLocked());
    EXPECT_EQ(document->lockCount(), 0);
}

TEST_F(CAcadDrawingTest, ForcedUnlockAndUnmatchedUnlock)
{
    CAcadDrawing drawing;
    AcApDocument* document = newCurrentDrawing(drawing);
    drawing.lock();
    drawing.lock();
    EXPECT_EQ(drawing.unlock(TRUE), Acad::eOk);
    EXPECT_FALSE(drawing.isLocked());
    EXPECT_EQ(drawing.getLockCount(), 2);
    EXPECT_EQ(document->lockCount(), 0);
    EXPECT_EQ(drawing.lock(), Acad::eOk);
    EXPECT_EQ(drawing.getLockCount(), 1);
    drawing.unlock(FALSE);

    CAcadDrawing never;
    never.setDocument(document);
    never.setOpen(TRUE);
    never.setKeepOpen(TRUE);
    EXPECT_EQ(never.unlock(FALSE), 320);
    EXPECT_EQ(never.getLockCount(), -1);
    EXPECT_EQ(never.lock(), Acad::eOk);
    EXPECT_EQ(never.getLockCount(), 1);
    never.unlock(FALSE);
}

TEST_F(CAcadDrawingTest, ARefusedLockChangesNothing)
{
    CAcadDrawing drawing;
    newCurrentDrawing(drawing);
    acDocManager->setLockDecider([](AcApDocument*) { return Acad::eLockViolation; });
    EXPECT_EQ(drawing.lock(), Acad::eLockViolation);
    EXPECT_FALSE(drawing.isLocked());
    EXPECT_EQ(drawing.getLockCount(), 0);
    AcDbPolyline* polyline = rectangle(10, 10);
    AcDbObjectId id;
    EXPECT_EQ(drawing.postToDrawing(id, polyline), Acad::eLockViolation);
    EXPECT_TRUE(id.isNull());
    EXPECT_FALSE(polyline->isDatabaseResident());
    delete polyline; // still the caller's
}

TEST_F(CAcadDrawingTest, PostedEntitiesGoToModelSpace)
{
    CAcadDrawing drawing;
    AcApDocument* document = newCurrentDrawing(drawing);
    AcDbObjectId id;
    ASSERT_EQ(drawing.postToDrawing(id, rectangle(10000, 5000)), Acad::eOk);
    AcDbPolyline* posted = nullptr;
    ASSERT_EQ(acdbOpenObject(posted, id, AcDb::kForRead), Acad::eOk);
    EXPECT_EQ(posted->ownerId(), document->database()->modelSpaceId());
    posted->close();
    EXPECT_FALSE(drawing.isLocked());
    EXPECT_EQ(document->database()->openObjectCount(), 0);
}

TEST_F(CAcadDrawingTest, OpeningByFolderAndFileName)
{
    TempDir dir;
    saveEmptyDrawing(dir.file("plan.dxf"));
    {
        CAcadDrawing drawing(dir.path().c_str(), "plan.dxf");
        EXPECT_EQ(drawing.getPath(), CString(dir.folder().c_str()));
        EXPECT_TRUE(drawing.isOpen());
        EXPECT_EQ(drawing.getDocument(), acDocManager->curDocument());
        drawing.setKeepOpen(TRUE);
    }
    try {
        CAcadDrawing missing(dir.path().c_str(), "none.dxf");
        FAIL();
    } catch (CEXKavro* e) {
        EXPECT_EQ(e->getProcSig(), "CAcadDrawing::CAcadDrawing");
        CEXKavro* inner = e->getInnerException();
        ASSERT_TRUE(inner);
        EXPECT_EQ(inner->getProcSig(), "CAcadDrawing::openDrawing");
        ASSERT_TRUE(inner->getInnerException());
        EXPECT_EQ(inner->getInnerException()->getDescription(),
                  ("cannot open \"" + dir.file("none.dxf") + "\": No such file or directory").c_str());
        CEXKavro::deleteChain(e);
    }
}

TEST_F(CAcadDrawingTest, FullPathsSplitAtTheLastSeparator)
{
    CAcadDrawing drawing;
    drawing.setFullPath("plan.dxf");
    EXPECT_EQ(drawing.getPath(), "");
    EXPECT_EQ(drawing.getFileName(), "plan.dxf");
    drawing.setFullPath("/srv/plans/level2.dxf");
    EXPECT_EQ(drawing.getPath(), "/srv/plans/");
    EXPECT_EQ(drawing.getFileName(), "level2.dxf");
    drawing.setFullPath("");
    EXPECT_EQ(drawing.getFileName(), "level2.dxf");
}

TEST_F(CAcadDrawingTest, CopiesGoThroughTheTemporaryFolderAndAreDeletedAfter)
{
    TempDir dir, temp;
    setenv("TMPDIR", temp.path().c_str(), 1);
    saveEmptyDrawing(dir.file("plan.dxf"));
    std::string stamped;
    {
        CAcadDrawing drawing(dir.folder().c_str(), "plan.dxf");
        drawing.setKeepOpen(TRUE);
        const CString copy = drawing.saveAsTemp();
        stamped = copy.str();
        EXPECT_EQ(stamped.rfind(temp.folder(), 0), 0u);
        EXPECT_EQ(stamped.substr(stamped.size() - 9), "_plan.qrv");
        EXPECT_TRUE(std::filesystem::exists(stamped));
        EXPECT_EQ(drawing.saveAs(dir.folder().c_str(), "copy.dxf"), 0);
        EXPECT_TRUE(std::filesystem::exists(dir.file("copy.dxf")));
        try {
            drawing.saveAs(dir.file("missing/").c_str(), "copy.dxf");
            FAIL();
        } catch (CEXKavro* e) {
            ASSERT_TRUE(e->getInnerException());
            EXPECT_EQ(e->getInnerException()->getDescription(),
                      "unable to copy drawing from temp location - The system cannot find the path specified.");
            CEXKavro::deleteChain(e);
        }
    }
    EXPECT_FALSE(std::filesystem::exists(stamped));
    EXPECT_TRUE(std::filesystem::is_empty(temp.path()));
    EXPECT_TRUE(std::filesystem::exists(dir.file("copy.dxf")));
}

TEST_F(CAcadDrawingTest, DestroyingAnOpenedDrawingClosesIt)
{
    TempDir dir;
    saveEmptyDrawing(dir.file("plan.dxf"));
    {
        CAcadDrawing locked(dir.folder().c_str(), "plan.dxf");
        locked.lock();
    }
    // Destroyed while locked: one level released, the document stays open.
    ASSERT_EQ(acDocManager->documentCount(), 1);
    EXPECT_EQ(acDocManager->curDocument()->lockCount(), 0);
    acDocManager->closeAll();
    {
        CAcadDrawing opened(dir.folder().c_str(), "plan.dxf");
    }
    EXPECT_EQ(acDocManager->documentCount(), 0);
}

TEST_F(CAcadDrawingTest, ClosingClosesTheWrappedDocumentNotTheActiveOne)
{
    TempDir dir;
    saveEmptyDrawing(dir.file("plan.dxf"));
    {
        CAcadDrawing opened(dir.folder().c_str(), "plan.dxf");
        acDocManager->appContextNewDocument(); // the user's own drawing, now active
    }
    ASSERT_EQ(acDocManager->documentCount(), 1);
    EXPECT_STRNE(acDocManager->curDocument()->fileName(), dir.file("plan.dxf").c_str());
}

TEST_F(CAcadDrawingTest, SavingADrawingThatIsNotOpenNeverCopiesAStaleFile)
{
    TempDir dir, temp;
    setenv("TMPDIR", temp.path().c_str(), 1);
    writeFile(temp.file("copy.qrv"), "a stale copy");
    CAcadDrawing closed;
    try {
        closed.saveAs(dir.folder().c_str(), "copy.dxf");
        FAIL();
    } catch (CEXKavro* e) {
        ASSERT_TRUE(e->getInnerException());
        EXPECT_EQ(e->getInnerException()->getDescription(),
                  "unable to save drawing to temp location " + temp.file("copy.qrv"));
        CEXKavro::deleteChain(e);
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("copy.dxf")));
}

TEST_F(CAcadDrawingTest, TheDestructorPrintsWhatFailedAndStillDeletesItsCopies)
{
    TempDir dir, temp;
    std::string output;
    qv::setOutputSink([&](const std::string& text) { output += text; });
    setenv("TMPDIR", temp.path().c_str(), 1);
    std::filesystem::create_directory(dir.file("plans"));
    saveEmptyDrawing(dir.file("plans/plan.dxf"));
    {
        // The copy back fails: its folder went while the drawing was open.
        CAcadDrawing drawing((dir.folder() + "plans/").c_str(), "plan.dxf");
        drawing.setSaveOnClose(TRUE);
        std::filesystem::remove_all(dir.file("plans"));
    }
    EXPECT_NE(output.find("The changes to " + dir.file("plans/plan.dxf") + " could not be copied back"),
              std::string::npos) << output;
    EXPECT_TRUE(std::filesystem::is_empty(temp.path()));
    EXPECT_EQ(acDocManager->documentCount(), 0);

    // The save fails: the chain is printed, nothing escapes.
    output.clear();
    saveEmptyDrawing(dir.file("plan.dxf"));
    setenv("TMPDIR", dir.file("missing").c_str(), 1);
    {
        CAcadDrawing drawing(dir.folder().c_str(), "plan.dxf");
        drawing.setSaveOnClose(TRUE);
    }
    EXPECT_NE(output.find("CAcadDrawing::~CAcadDrawing"), std::string::npos) << output;
    qv::setOutputSink({});
}

// The view follows the zooms of the drawing, each keeping the window it replaced; a window
// without area is refused through the automation call's error, and nothing changes.
TEST_F(CAcadDrawingTest, ZoomsMoveTheViewAndPreviousGoesBack)
{
    CAcadDrawing drawing;
    AcApDocument* document = newCurrentDrawing(drawing);
    AcDbDatabase* db = document->database();
    AcDbObjectId id;
    ASSERT_EQ(drawing.postToDrawing(id, rectangle(1000, 500)), Acad::eOk);

    drawing.zoomExtents();
    const qv::Box2d extents = qv::viewWindow(db);
    EXPECT_LE(extents.minX, 0.0);
    EXPECT_GE(extents.maxX, 1000.0);

    drawing.zoomWindow(AcGePoint3d(100, 100, 0), AcGePoint3d(300, 200, 0));
    qv::Box2d window = qv::viewWindow(db);
    EXPECT_LE(window.minX, 100.0);
    EXPECT_GE(window.maxX, 300.0);
    EXPECT_LT(window.width(), 500.0);

    Chain refused = caught([&] { drawing.zoomWindow(AcGePoint3d(5, 5, 0), AcGePoint3d(5, 5, 0)); });
    ASSERT_NE(refused, nullptr);
    EXPECT_EQ(std::string(refused->getProcSig()), "CAcadDrawing::zoomWindow");
    EXPECT_EQ(std::string(refused->getDescription()), "Invalid zoom window.");
    EXPECT_EQ(qv::viewWindow(db).width(), window.width());

    drawing.zoomPrevious();
    window = qv::viewWindow(db);
    EXPECT_EQ(window.width(), extents.width());
    EXPECT_EQ(window.minY, extents.minY);
    EXPECT_EQ(drawing.regenDrawing(), TRUE);
}
