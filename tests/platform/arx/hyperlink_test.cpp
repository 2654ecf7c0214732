// Entity hyperlinks kept in the drawing, and references of dynamic blocks through their
// anonymous definitions, checked against files that ezdxf reads and writes.
#include "arx/dbblockref.h"
#include "arx/dbcurves.h"
#include "arx/dbdatabase.h"
#include "arx/dbdynblockreference.h"
#include "arx/dbentityhyperlinkpe.h"
#include "arx/dbsymtb.h"
#include "arx/resbuf.h"
#include "common/tempdir.h"

#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace {

std::string checkScript()
{
    const char* script = std::getenv("QV_DXF_CHECK");
    return script ? script : QV_SOURCE_DIR "/tests/platform/arx/check_dxf.py";
}

int runCheck(const std::string& args)
{
    return std::system(("/usr/bin/python3 " + checkScript() + " " + args).c_str());
}

// What ezdxf prints for the arguments, without the line's end.
std::string checkOutput(const std::string& args)
{
    std::string output;
    if (FILE* pipe = popen(("/usr/bin/python3 " + checkScript() + " " + args).c_str(), "r")) {
        char buffer[512];
        while (fgets(buffer, sizeof buffer, pipe))
            output += buffer;
        pclose(pipe);
    }
    while (!output.empty() && output.back() == '\n')
        output.pop_back();
    return output;
}

AcDbEntityHyperlinkPE* protocol(const AcDbEntity* entity)
{
    return AcDbEntityHyperlinkPE::cast(entity->x(AcDbEntityHyperlinkPE::desc()));
}

AcDbObjectId post(AcDbObjectId owner, AcDbEntity* entity)
{
    AcDbBlockTableRecord* record = nullptr;
    EXPECT_EQ(acdbOpenObject(record, owner, AcDb::kForWrite), Acad::eOk);
    AcDbObjectId id;
    EXPECT_EQ(record->appendAcDbEntity(id, entity), Acad::eOk);
    entity->close();
    record->close();
    return id;
}

void setLinks(AcDbObjectId id, const std::vector<AcDbHyperlink>& links)
{
    AcDbEntity* entity = nullptr;
    ASSERT_EQ(acdbOpenObject(entity, id, AcDb::kForWrite), Acad::eOk);
    AcDbHyperlinkCollection collection;
    for (const AcDbHyperlink& link : links)
        collection.addTail(link.name(), link.description(), link.subLocation());
    EXPECT_EQ(protocol(entity)->setHyperlinkCollection(entity, &collection), Acad::eOk);
    entity->close();
}

std::vector<AcDbHyperlink> linksOf(AcDbObjectId id, bool ignoreBlockDefinition = true)
{
    AcDbEntity* entity = nullptr;
    EXPECT_EQ(acdbOpenObject(entity, id, AcDb::kForRead), Acad::eOk);
    AcDbHyperlinkCollection* collection = nullptr;
    EXPECT_EQ(protocol(entity)->getHyperlinkCollection(entity, collection, false, ignoreBlockDefinition), Acad::eOk);
    entity->close();
    std::vector<AcDbHyperlink> links;
    for (int i = 0; collection && i < collection->count(); ++i)
        links.push_back(*collection->item(i));
    delete collection;
    return links;
}

// What hasHyperlink answers, which must be whether the entity's collection holds any.
bool hasLinks(AcDbObjectId id, bool ignoreBlockDefinition = true)
{
    AcDbEntity* entity = nullptr;
    EXPECT_EQ(acdbOpenObject(entity, id, AcDb::kForRead), Acad::eOk);
    bool has = false;
    EXPECT_EQ(protocol(entity)->hasHyperlink(entity, has, ignoreBlockDefinition), Acad::eOk);
    entity->close();
    EXPECT_EQ(has, !linksOf(id, ignoreBlockDefinition).empty());
    return has;
}

AcDbObjectId byHandle(AcDbDatabase& db, const std::string& handle)
{
    AcDbObjectId id;
    EXPECT_EQ(db.getAcDbObjectId(id, false, AcDbHandle(handle)), Acad::eOk);
    return id;
}

std::string nameOf(AcDbObjectId record)
{
    AcDbBlockTableRecord* opened = nullptr;
    if (acdbOpenObject(opened, record, AcDb::kForRead) != Acad::eOk)
        return "";
    std::string name;
    opened->getName(name);
    opened->close();
    return name;
}

} // namespace

TEST(Hyperlinks, CollectionsKeepTheirOrderAndIgnoreRemovalsOutside)
{
    AcDbHyperlinkCollection collection;
    collection.addTail("b", "B");
    collection.addHead("a", "A", "sheet 2");
    collection.addAt(99, "c", "C");
    collection.addAt(1, "ab", "");
    ASSERT_EQ(collection.count(), 4);
    EXPECT_STREQ(collection.item(0)->subLocation(), "sheet 2");
    EXPECT_STREQ(collection.item(1)->name(), "ab");
    EXPECT_STREQ(collection.item(3)->name(), "c");
    EXPECT_EQ(collection.item(4), nullptr);
    collection.removeAt(7);
    collection.removeHead();
    collection.removeTail();
    ASSERT_EQ(collection.count(), 2);
    EXPECT_STREQ(collection.item(0)->name(), "ab");
    EXPECT_STREQ(collection.item(1)->name(), "b");
}

TEST(Hyperlinks, AListSurvivesTheFileAndOtherProgramsReadTheFirst)
{
    TempDir dir;
    const std::string path = dir.file("links.dxf");
    AcDbDatabase db;
    const AcDbObjectId circle = post(db.modelSpaceId(), new AcDbCircle(AcGePoint3d(0, 0, 0), AcGeVector3d::kZAxis, 5));
    const AcDbObjectId single = post(db.modelSpaceId(), new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 1, 0)));
    const AcDbObjectId none = post(db.modelSpaceId(), new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(2, 1, 0)));
    const std::vector<AcDbHyperlink> three = {{"https://plans.example/a?x=1;y=2", "Plan, level 1", "view 3"},
                                              {"b.htm", "", ""},
                                              {"c.htm", "{braces} and ünïcode", ""}};
    setLinks(circle, three);
    setLinks(single, {{"only.htm", "Only", ""}});
    setLinks(none, {{"gone.htm", "", ""}});
    setLinks(none, {});
    EXPECT_EQ(linksOf(circle), three);
    EXPECT_TRUE(linksOf(none).empty());
    ASSERT_EQ(db.saveAs(path.c_str()), Acad::eOk);
    EXPECT_EQ(runCheck("audit " + path), 0);
    EXPECT_EQ(checkOutput("hyperlink " + path + " " + circle.handle().text()),
              "https://plans.example/a?x=1;y=2|Plan, level 1|view 3");
    EXPECT_EQ(checkOutput("hyperlink " + path + " " + single.handle().text()), "only.htm|Only|");
    EXPECT_EQ(checkOutput("hyperlink " + path + " " + none.handle().text()), "||");

    AcDbDatabase back;
    ASSERT_EQ(back.readDxfFile(path.c_str()), Acad::eOk);
    EXPECT_EQ(linksOf(byHandle(back, circle.handle().text())), three);
    EXPECT_EQ(linksOf(byHandle(back, single.handle().text())),
              (std::vector<AcDbHyperlink>{{"only.htm", "Only", ""}}));
}

TEST(Hyperlinks, AHyperlinkChangedOrRemovedByAnotherProgramWins)
{
    TempDir dir;
    const std::string path = dir.file("links.dxf");
    std::string changed, removed;
    {
        AcDbDatabase db;
        const AcDbObjectId first = post(db.modelSpaceId(), new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 0, 0)));
        const AcDbObjectId second = post(db.modelSpaceId(), new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(0, 1, 0)));
        setLinks(first, {{"a.htm", "A", ""}, {"b.htm", "B", ""}});
        setLinks(second, {{"a.htm", "A", ""}, {"b.htm", "B", ""}});
        changed = first.handle().text();
        removed = second.handle().text();
        ASSERT_EQ(db.saveAs(path.c_str()), Acad::eOk);
    }
    ASSERT_EQ(runCheck("relink " + path + " " + changed + " theirs.htm"), 0);
    ASSERT_EQ(runCheck("relink " + path + " " + removed + " -"), 0);
    AcDbDatabase back;
    ASSERT_EQ(back.readDxfFile(path.c_str()), Acad::eOk);
    EXPECT_EQ(linksOf(byHandle(back, changed)), (std::vector<AcDbHyperlink>{{"theirs.htm", "theirs", ""}}));
    EXPECT_TRUE(linksOf(byHandle(back, removed)).empty());
    EXPECT_TRUE(hasLinks(byHandle(back, changed)));
    EXPECT_FALSE(hasLinks(byHandle(back, removed)));

    // A first hyperlink without a text is none.
    AcDbEntity* entity = nullptr;
    ASSERT_EQ(acdbOpenObject(entity, byHandle(back, changed), AcDb::kForWrite), Acad::eOk);
    resbuf* noText = acutBuildList(1001, "PE_URL", 1070, 1, 0);
    EXPECT_EQ(entity->setXData(noText), Acad::eOk);
    acutRelRb(noText);
    entity->close();
    EXPECT_FALSE(hasLinks(byHandle(back, changed)));
}

TEST(Hyperlinks, AListTooLongForTheDrawingLeavesNoOlderListBehind)
{
    AcDbDatabase db;
    const AcDbObjectId line = post(db.modelSpaceId(), new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 0, 0)));
    setLinks(line, {{"old-a.htm", "", ""}, {"old-b.htm", "", ""}});
    AcDbHyperlinkCollection many;
    for (int i = 0; i < 40; ++i)
        many.addTail(("https://plans.example/" + std::to_string(i) + std::string(480, 'x')).c_str(), "", "");
    AcDbEntity* entity = nullptr;
    ASSERT_EQ(acdbOpenObject(entity, line, AcDb::kForWrite), Acad::eOk);
    EXPECT_EQ(protocol(entity)->setHyperlinkCollection(entity, &many), Acad::eXdataSizeExceeded);
    entity->close();
    const std::vector<AcDbHyperlink> kept = linksOf(line);
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_STREQ(kept[0].name(), many.item(0)->name());
}

TEST(Hyperlinks, AProtocolAddedForAClassIsFoundAfterItsParentsOneWas)
{
    const AcDbArc arc;
    AcRxObject* general = arc.x(AcDbEntityHyperlinkPE::desc());
    static AcDbEntityHyperlinkPE forArcs;
    AcRxObject::addX(AcDbArc::desc(), AcDbEntityHyperlinkPE::desc(), &forArcs);
    EXPECT_EQ(arc.x(AcDbEntityHyperlinkPE::desc()), &forArcs);
    AcRxObject::addX(AcDbArc::desc(), AcDbEntityHyperlinkPE::desc(), general);
}

TEST(Hyperlinks, AReferenceCanAlsoGiveItsDefinitionsHyperlinks)
{
    AcDbDatabase db;
    AcDbBlockTable* table = nullptr;
    ASSERT_EQ(db.getSymbolTable(table, AcDb::kForWrite), Acad::eOk);
    auto* record = new AcDbBlockTableRecord;
    record->setName("CHAIR");
    AcDbObjectId chair;
    ASSERT_EQ(table->add(chair, record), Acad::eOk);
    record->close();
    table->close();
    const AcDbObjectId seat = post(chair, new AcDbCircle(AcGePoint3d(0, 0, 0), AcGeVector3d::kZAxis, 1));
    setLinks(seat, {{"seat.htm", "Seat", ""}});
    const AcDbObjectId reference = post(db.modelSpaceId(), new AcDbBlockReference(AcGePoint3d(5, 5, 0), chair));
    EXPECT_FALSE(hasLinks(reference));
    EXPECT_TRUE(hasLinks(reference, false));
    setLinks(reference, {{"chair.htm", "Chair", ""}});
    EXPECT_EQ(linksOf(reference).size(), 1u);
    EXPECT_EQ(linksOf(reference, false),
              (std::vector<AcDbHyperlink>{{"chair.htm", "Chair", ""}, {"seat.htm", "Seat", ""}}));

    // Writing needs the entity open for write.
    AcDbEntity* entity = nullptr;
    ASSERT_EQ(acdbOpenObject(entity, reference, AcDb::kForRead), Acad::eOk);
    AcDbHyperlinkCollection collection;
    EXPECT_EQ(protocol(entity)->setHyperlinkCollection(entity, &collection), Acad::eNotOpenForWrite);
    bool has = false;
    EXPECT_EQ(protocol(entity)->hasHyperlink(entity, has), Acad::eOk);
    EXPECT_TRUE(has);
    entity->close();
}

TEST(DynamicBlocks, AnonymousDefinitionsResolveToTheirDynamicDefinition)
{
    TempDir dir;
    const std::string path = dir.file("dynamic.dxf");
    ASSERT_EQ(runCheck("make-dynamic " + path), 0);
    AcDbDatabase db;
    ASSERT_EQ(db.readDxfFile(path.c_str()), Acad::eOk) << db.lastErrorMessage();
    AcDbBlockTableRecord* space = nullptr;
    ASSERT_EQ(acdbOpenObject(space, db.modelSpaceId(), AcDb::kForRead), Acad::eOk);
    const std::vector<AcDbObjectId> references = space->entityIds();
    space->close();
    ASSERT_EQ(references.size(), 4u);

    // The plain reference of the dynamic definition, then one through each kind of link.
    for (size_t i = 0; i < 3; ++i) {
        const AcDbDynBlockReference dynamic(references[i]);
        EXPECT_TRUE(dynamic.isDynamicBlock()) << i;
        EXPECT_EQ(nameOf(dynamic.dynamicBlockTableRecord()), "DOOR") << i;
        EXPECT_EQ(dynamic.anonymousBlockTableRecord().isNull(), i == 0) << i;
        EXPECT_EQ(dynamic.blockId(), references[i]);
    }
    EXPECT_EQ(nameOf(AcDbDynBlockReference(references[1]).anonymousBlockTableRecord()).substr(0, 2), "*U");
    // An anonymous definition of nothing dynamic stays itself.
    const AcDbDynBlockReference plain(references[3]);
    EXPECT_FALSE(plain.isDynamicBlock());
    EXPECT_EQ(nameOf(plain.dynamicBlockTableRecord()).substr(0, 2), "*U");
    EXPECT_FALSE(AcDbDynBlockReference(db.modelSpaceId()).isDynamicBlock());
    EXPECT_TRUE(AcDbDynBlockReference(db.modelSpaceId()).dynamicBlockTableRecord().isNull());

    // The links survive our own save and read.
    const std::string ours = dir.file("ours.dxf");
    ASSERT_EQ(db.saveAs(ours.c_str()), Acad::eOk);
    EXPECT_EQ(runCheck("audit " + ours), 0);
    AcDbDatabase back;
    ASSERT_EQ(back.readDxfFile(ours.c_str()), Acad::eOk);
    ASSERT_EQ(acdbOpenObject(space, back.modelSpaceId(), AcDb::kForRead), Acad::eOk);
    const std::vector<AcDbObjectId> again = space->entityIds();
    space->close();
    for (size_t i = 1; i < 3; ++i)
        EXPECT_EQ(nameOf(AcDbDynBlockReference(again[i]).dynamicBlockTableRecord()), "DOOR") << i;
}
