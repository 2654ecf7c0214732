// Selection sets: interactive selection from input lines, the modes "X", "A", "L", "W",
// "C", "WP" and "CP", filters, and the registry of sets.
#include "editor_drawing.h"

#include "arx/aced.h"
#include "arx/acedview.h"
#include "arx/dblayout.h"

#include <array>
#include <cstring>

namespace {

using Ids = std::vector<AcDbObjectId>;

class Selections : public EditorDrawing
{
protected:
    ~Selections() override { EXPECT_EQ(qv::openSelectionSetCount(), setsBefore); }

    // The status of a selection; ids receives its entities.
    int select(const char* mode, const void* p1, const void* p2, const resbuf* filter, Ids& ids)
    {
        ads_name set;
        const int status = acedSSGet(mode, p1, p2, filter, set);
        ids = status == RTNORM ? take(set) : Ids();
        return status;
    }

    Ids selectAll(const char* mode, const resbuf* filter = nullptr)
    {
        Ids ids;
        select(mode, nullptr, nullptr, filter, ids);
        return ids;
    }

    Ids polygon(const char* mode, const std::vector<AcGePoint3d>& points, const resbuf* filter = nullptr, int* status = nullptr)
    {
        resbuf* chain = nullptr;
        for (auto it = points.rbegin(); it != points.rend(); ++it) {
            resbuf* rb = acutNewRb(RTPOINT);
            rb->resval.rpoint[0] = it->x;
            rb->resval.rpoint[1] = it->y;
            rb->resval.rpoint[2] = it->z;
            rb->rbnext = chain;
            chain = rb;
        }
        Ids ids;
        const int result = select(mode, chain, nullptr, filter, ids);
        acutRelRb(chain);
        if (status)
            *status = result;
        return ids;
    }

    Ids interactive(std::vector<std::string> lines, int* status = nullptr)
    {
        input(std::move(lines), true);
        Ids ids;
        const int result = select(nullptr, nullptr, nullptr, nullptr, ids);
        if (status)
            *status = result;
        return ids;
    }

    const size_t setsBefore = qv::openSelectionSetCount();
};

// A plan with space blocks: references of room definitions, of other blocks, one nested in
// a definition and one in the paper-space layout.
class SpaceBlocks : public Selections
{
protected:
    SpaceBlocks()
    {
        const AcDbObjectId r101 = define("ROOM-101", {rectangle(0, 0, 10, 10)});
        const AcDbObjectId r102 = define("ROOM-102", {rectangle(0, 0, 10, 10)});
        const AcDbObjectId lower = define("room-lower", {rectangle(0, 0, 10, 10)});
        const AcDbObjectId legend = define("MARKER-LEGEND", {rectangle(0, 0, 2, 2)});
        const AcDbObjectId chair = define("CHAIR", {new AcDbCircle(AcGePoint3d(0, 0, 0), AcGeVector3d::kZAxis, 0.5)});
        const AcDbObjectId nest = define("NEST", {new AcDbBlockReference(AcGePoint3d(0, 0, 0), r101)});
        room101 = insert(r101, AcGePoint3d(0, 0, 0), AcDbObjectId(), {{"NAME", "Office"}});
        outline = room(50, 50, 5, 5);
        room102 = insert(r102, AcGePoint3d(20, 0, 0));
        roomLower = insert(lower, AcGePoint3d(40, 0, 0));
        legendRef = insert(legend, AcGePoint3d(0, 30, 0));
        chairRef = insert(chair, AcGePoint3d(5, 5, 0));
        nestRef = insert(nest, AcGePoint3d(60, 0, 0));
        paperRoom = insert(r102, AcGePoint3d(0, 0, 0), db.paperSpaceId());
    }

    AcDbObjectId room101, outline, room102, roomLower, legendRef, chairRef, nestRef, paperRoom;
};

resbuf* insertsNamed(const char* pattern)
{
    return acutBuildList(RTDXF0, "INSERT", 2, pattern, 0);
}

} // namespace

TEST_F(SpaceBlocks, XSelectsReferencesByBlockNameWildcards)
{
    resbuf* rooms = insertsNamed("ROOM-*");
    EXPECT_EQ(selectAll("X", rooms), (Ids{room101, room102, roomLower, paperRoom}));
    acutRelRb(rooms);
    resbuf* others = insertsNamed("~ROOM-*");
    EXPECT_EQ(selectAll("X", others), (Ids{legendRef, chairRef, nestRef}));
    acutRelRb(others);
    resbuf* legend = insertsNamed("marker-legend");
    EXPECT_EQ(selectAll("_x", legend), (Ids{legendRef}));
    acutRelRb(legend);
    resbuf* both = insertsNamed("CHAIR,MARKER-@*,ROOM-10[2-9]");
    EXPECT_EQ(selectAll("X", both), (Ids{room102, legendRef, chairRef, paperRoom}));
    acutRelRb(both);
    resbuf* polylines = acutBuildList(RTDXF0, "LWPOLYLINE", 0);
    EXPECT_EQ(selectAll("X", polylines), (Ids{outline}));
    acutRelRb(polylines);
    EXPECT_EQ(selectAll("X").size(), 8u);

    // A filter is known by its groups and their texts, wherever it lies and whatever came
    // before it.
    resbuf* anyInsert = acutBuildList(RTDXF0, "INSERT", 0);
    EXPECT_EQ(selectAll("X", anyInsert).size(), 7u);
    acutRelRb(anyInsert);
    resbuf* onLayer = acutBuildList(RTDXF0, "INSERT", 8, "ROOM-*", 0);
    EXPECT_EQ(selectAll("X", onLayer), Ids{});
    acutRelRb(onLayer);
    resbuf* renamed = insertsNamed("ROOM-*");
    std::strcpy(renamed->rbnext->resval.rstring, "CHAIR*");
    EXPECT_EQ(selectAll("X", renamed), Ids{chairRef});
    acutRelRb(renamed);
}

TEST_F(SpaceBlocks, XNeedsAMatchAndKnownGroups)
{
    Ids ids;
    resbuf* none = insertsNamed("DOOR*");
    EXPECT_EQ(select("X", nullptr, nullptr, none, ids), RTERROR);
    acutRelRb(none);
    resbuf* colour = acutBuildList(62, 1, 0);
    EXPECT_EQ(select("X", nullptr, nullptr, colour, ids), RTERROR);
    acutRelRb(colour);
    EXPECT_EQ(select("Q", nullptr, nullptr, nullptr, ids), RTERROR);
    EXPECT_EQ(acedSSGet("X", nullptr, nullptr, nullptr, nullptr), RTERROR);
    EXPECT_EQ(qv::openSelectionSetCount(), setsBefore);
}

TEST_F(SpaceBlocks, XIgnoresVisibilityButNotErasure)
{
    const AcDbObjectId off = layer("OFF");
    AcDbEntity* ent = nullptr;
    ASSERT_EQ(acdbOpenObject(ent, room102, AcDb::kForWrite), Acad::eOk);
    ent->setLayer(off);
    ent->close();
    AcDbLayerTableRecord* rec = nullptr;
    ASSERT_EQ(acdbOpenObject(rec, off, AcDb::kForWrite), Acad::eOk);
    rec->setIsOff(true);
    rec->close();
    ASSERT_EQ(acdbOpenObject(ent, roomLower, AcDb::kForWrite), Acad::eOk);
    ent->erase();
    ent->close();
    resbuf* rooms = insertsNamed("ROOM-*");
    EXPECT_EQ(selectAll("X", rooms), (Ids{room101, room102, paperRoom}));
    acutRelRb(rooms);
    resbuf* onLayer = acutBuildList(8, "o?f", 0);
    EXPECT_EQ(selectAll("X", onLayer), (Ids{room102}));
    acutRelRb(onLayer);
}

TEST_F(SpaceBlocks, CrossingPolygonTakesWhatIsInsideOrCrosses)
{
    // Around the chair and across room 101's right side, room 102 outside; the last point
    // repeats the first.
    const std::vector<AcGePoint3d> shape = {AcGePoint3d(4, 4, 0), AcGePoint3d(12, 4, 0), AcGePoint3d(12, 6, 0),
                                            AcGePoint3d(4, 6, 0), AcGePoint3d(4, 4, 0)};
    EXPECT_EQ(polygon("CP", shape), (Ids{room101, chairRef}));
    EXPECT_EQ(polygon("WP", shape), (Ids{chairRef}));
    resbuf* others = insertsNamed("~ROOM-*");
    EXPECT_EQ(polygon("CP", shape, others), (Ids{chairRef}));
    acutRelRb(others);
    // A polygon inside room 101 that meets none of its lines selects nothing.
    int status = 0;
    EXPECT_TRUE(polygon("CP", {AcGePoint3d(1, 1, 0), AcGePoint3d(2, 1, 0), AcGePoint3d(2, 2, 0)}, nullptr, &status).empty());
    EXPECT_EQ(status, RTERROR);
}

TEST_F(SpaceBlocks, DegeneratePolygonsAreRefused)
{
    int status = 0;
    polygon("CP", {AcGePoint3d(0, 0, 0), AcGePoint3d(30, 0, 0), AcGePoint3d(0, 0, 0)}, nullptr, &status);
    EXPECT_EQ(status, RTERROR);
    polygon("CP", {AcGePoint3d(0, 0, 0), AcGePoint3d(30, 0, 0), AcGePoint3d(60, 0, 0)}, nullptr, &status);
    EXPECT_EQ(status, RTERROR);
    polygon("CP", {}, nullptr, &status);
    EXPECT_EQ(status, RTERROR);
    resbuf* notPoints = acutBuildList(RTSTR, "0,0", 0);
    Ids ids;
    EXPECT_EQ(select("CP", notPoints, nullptr, nullptr, ids), RTERROR);
    acutRelRb(notPoints);
}

TEST_F(SpaceBlocks, PolygonIsInTheCurrentUcsAndTheCurrentSpace)
{
    ASSERT_EQ(db.setUcs(AcGePoint3d(20, 0, 0), AcGeVector3d::kXAxis, AcGeVector3d::kYAxis), Acad::eOk);
    const std::vector<AcGePoint3d> around = {AcGePoint3d(-1, -1, 0), AcGePoint3d(11, -1, 0), AcGePoint3d(11, 11, 0),
                                             AcGePoint3d(-1, 11, 0)};
    EXPECT_EQ(polygon("WP", around), (Ids{room102}));
    ASSERT_EQ(db.setUcs(AcGePoint3d(0, 0, 0), AcGeVector3d::kXAxis, AcGeVector3d::kYAxis), Acad::eOk);
    db.setTilemode(false);
    EXPECT_EQ(polygon("WP", around), (Ids{paperRoom}));
}

TEST_F(SpaceBlocks, WindowsLastAndAll)
{
    const ads_point low = {-2, -2, 0}, high = {11, 11, 0}, across = {30, 5, 0};
    Ids ids;
    ASSERT_EQ(select("W", low, high, nullptr, ids), RTNORM);
    EXPECT_EQ(ids, (Ids{room101, chairRef}));
    ASSERT_EQ(select("C", low, across, nullptr, ids), RTNORM);
    EXPECT_EQ(ids, (Ids{room101, room102, chairRef}));
    EXPECT_EQ(select("W", low, low, nullptr, ids), RTERROR);
    EXPECT_EQ(select("W", low, nullptr, nullptr, ids), RTERROR);
    EXPECT_EQ(selectAll("L"), (Ids{paperRoom}));
    EXPECT_EQ(selectAll("A"), (Ids{room101, outline, room102, roomLower, legendRef, chairRef, nestRef}));
}

TEST_F(SpaceBlocks, InteractiveSelectionTakesEachEntityOnceAndCountsEachLine)
{
    const std::string handle = std::string("#").append(chairRef.handle().text());
    EXPECT_EQ(interactive({handle, "w -2,-2 11,11", "C 39,1 41,2", handle, "10,5", ""}),
              (Ids{chairRef, room101, roomLower}));
    EXPECT_EQ(output, "1 found\n"
                      "2 found, 1 duplicate, 2 total\n"
                      "1 found, 3 total\n"
                      "1 found, 1 duplicate, 3 total\n"
                      "1 found, 1 duplicate, 3 total\n");
    EXPECT_EQ(interactive({"cp 4,4 12,4 12,6 4,6", "wp 49,49 56,49 56,56 49,56", ""}),
              (Ids{room101, chairRef, outline}));
    EXPECT_EQ(interactive({"ALL", "last", ""}).size(), 8u);
}

TEST_F(SpaceBlocks, OnATerminalThePromptIsShown)
{
    // A terminal shows the prompt it is given; it is recorded here. A selection line holds
    // blanks ("w 0,0 10,10"): Space must not end it.
    class Terminal : public qv::InputSource
    {
    public:
        Terminal(std::vector<std::string> lines, std::string& shown) : m_lines(std::move(lines)), m_shown(shown) {}
        std::optional<std::string> readLine(const std::string& prompt, qv::InputKind kind) override
        {
            m_shown += prompt;
            EXPECT_EQ(kind, qv::InputKind::text);
            if (m_next == m_lines.size())
                return std::nullopt;
            return m_lines[m_next++];
        }
        bool interactive() const override { return true; }

    private:
        std::vector<std::string> m_lines;
        size_t m_next = 0;
        std::string& m_shown;
    };
    std::string shown;
    qv::setInputSource(std::make_unique<Terminal>(std::vector<std::string>{"w -2,-2 11,11", "10,5", ""}, shown));
    ads_name set;
    ASSERT_EQ(acedSSGet(nullptr, nullptr, nullptr, nullptr, set), RTNORM);
    EXPECT_EQ(take(set), (Ids{room101, chairRef}));
    EXPECT_EQ(shown, "Select objects: Select objects: Select objects: ");
    EXPECT_EQ(output, "2 found\n1 found, 1 duplicate, 2 total\n");
}

TEST_F(SpaceBlocks, InteractiveSelectionEndsOnCancelAndNeedsSomething)
{
    int status = 0;
    EXPECT_TRUE(interactive({"w -1,-1 11,11", "^C"}, &status).empty());
    EXPECT_EQ(status, RTCAN);
    EXPECT_TRUE(interactive({"w -1,-1 11,11"}, &status).empty());
    EXPECT_EQ(status, RTCAN);
    output.clear();
    EXPECT_TRUE(interactive({"100,100", "#FFFF", ""}, &status).empty());
    EXPECT_EQ(status, RTERROR);
    // A handle that names nothing is told, not passed over in silence.
    EXPECT_EQ(output, "0 found\n\nNo entity with handle FFFF.\n0 found\n");
    EXPECT_TRUE(interactive({""}, &status).empty());
    EXPECT_EQ(status, RTERROR);
}

TEST_F(SpaceBlocks, InvalidSelectionLinesAreRefusedAndAskedAgain)
{
    for (const char* line : {"window", "w 1,1", "w 1,1 2,2 3,3", "cp 1,1 2,2", "all of them", "1,x", "#",
                             "nan,0", "w 0,0 inf,inf", "c -1e400,0 1,1", "wp 0,0 1,nan 1,1"}) {
        output.clear();
        EXPECT_EQ(interactive({line, std::string("#").append(chairRef.handle().text()), ""}), (Ids{chairRef})) << line;
        EXPECT_EQ(output, "\n*Invalid selection*\nExpects a point, all, last, #handle, w, c, wp or cp.\n1 found\n")
            << line;
    }
}

TEST_F(SpaceBlocks, SelectionPointsMayBeRelativeAndSetTheLastPoint)
{
    resbuf last;
    last.restype = RT3DPOINT;
    last.resval.rpoint[0] = last.resval.rpoint[1] = -2;
    last.resval.rpoint[2] = 0;
    ASSERT_EQ(acedSetVar("LASTPOINT", &last), RTNORM);
    // The second corner is relative to the first: a window from (-2,-2) to (11,11).
    EXPECT_EQ(interactive({"w @ @13,13", ""}), (Ids{room101, chairRef}));
    ASSERT_EQ(acedGetVar("LASTPOINT", &last), RTNORM);
    EXPECT_EQ(AcGePoint3d(last.resval.rpoint[0], last.resval.rpoint[1], last.resval.rpoint[2]),
              AcGePoint3d(11, 11, 0));
    // Picks at (41,11), then one below at (41,10), on the lower room's top edge.
    EXPECT_EQ(interactive({"@30<0", "@1<-90", ""}), (Ids{roomLower}));
    // A refused line leaves the last point where it was.
    EXPECT_EQ(interactive({"w @1,1 @nan,0", "all", ""}).size(), 7u);
    ASSERT_EQ(acedGetVar("LASTPOINT", &last), RTNORM);
    EXPECT_EQ(AcGePoint3d(last.resval.rpoint[0], last.resval.rpoint[1], last.resval.rpoint[2]),
              AcGePoint3d(41, 10, 0));
}

TEST_F(SpaceBlocks, InteractiveSelectionAppliesTheFilter)
{
    input({"all", ""});
    resbuf* rooms = insertsNamed("ROOM-*");
    ads_name set;
    ASSERT_EQ(acedSSGet(nullptr, nullptr, nullptr, rooms, set), RTNORM);
    acutRelRb(rooms);
    EXPECT_EQ(take(set), (Ids{room101, room102, roomLower}));
}

TEST_F(Selections, SetsAreCheckedAndFreedOnce)
{
    const AcDbObjectId a = room(0, 0, 1, 1);
    ads_name set;
    ASSERT_EQ(acedSSGet("X", nullptr, nullptr, nullptr, set), RTNORM);
    EXPECT_EQ(qv::openSelectionSetCount(), setsBefore + 1);
    Adesk::Int32 length = 0;
    EXPECT_EQ(acedSSLength(set, nullptr), RTERROR);
    ads_name entity;
    EXPECT_EQ(acedSSName(set, 1, entity), RTERROR);
    EXPECT_EQ(acedSSName(set, -1, entity), RTERROR);
    ASSERT_EQ(acedSSName(set, 0, entity), RTNORM);
    AcDbObjectId id;
    acdbGetObjectId(id, entity);
    EXPECT_EQ(id, a);
    // An entity name is not a set.
    EXPECT_EQ(acedSSLength(entity, &length), RTERROR);
    EXPECT_EQ(acedSSFree(entity), RTERROR);
    EXPECT_EQ(acedSSFree(set), RTNORM);
    EXPECT_EQ(acedSSFree(set), RTERROR);
    EXPECT_EQ(acedSSLength(set, &length), RTERROR);
    EXPECT_EQ(acedSSLength(nullptr, &length), RTERROR);
}

TEST_F(Selections, ManySetsMayBeOpen)
{
    room(0, 0, 1, 1);
    std::vector<std::array<std::int64_t, 2>> sets(300);
    for (auto& set : sets)
        ASSERT_EQ(acedSSGet("X", nullptr, nullptr, nullptr, set.data()), RTNORM);
    EXPECT_EQ(qv::openSelectionSetCount(), setsBefore + 300);
    for (auto& set : sets)
        acedSSFree(set.data());
}
