// Selection sets by mode, by interactive input, and the filters applied to them.
#include "arx/acedinput.h"
#include "acedpick.h"
#include "arx/acedselect.h"
#include "arx/acutprintf.h"
#include "arx/acutwcmatch.h"
#include "arx/dbblockref.h"
#include "arx/dbdatabase.h"
#include "arx/dbsymtb.h"

#include <cctype>
#include <deque>
#include <memory>
#include <sstream>
#include <unordered_set>

namespace {

struct Condition {
    int code;
    std::string text;
    qv::WcPattern pattern;
};
using Filter = std::vector<Condition>;

int filterCode(const resbuf* rb) { return rb->restype == RTDXF0 ? 0 : rb->restype; }

bool compileFilter(const resbuf* rb, Filter& filter)
{
    for (; rb; rb = rb->rbnext) {
        const int code = filterCode(rb);
        if ((code != 0 && code != 2 && code != 8) || !rb->resval.rstring)
            return false;
        filter.push_back({code, rb->resval.rstring, qv::WcPattern(rb->resval.rstring, true)});
    }
    return true;
}

bool sameFilter(const resbuf* rb, const Filter& filter)
{
    for (const Condition& c : filter) {
        if (!rb || filterCode(rb) != c.code || !rb->resval.rstring || c.text != rb->resval.rstring)
            return false;
        rb = rb->rbnext;
    }
    return !rb;
}

// The filter of a chain, compiled once for the last few distinct chains given: commands
// select with the same filter many times over. Null for a chain that is not a filter.
std::shared_ptr<const Filter> filterOf(const resbuf* chain)
{
    constexpr size_t kKept = 8;
    static std::deque<std::shared_ptr<const Filter>> recent;
    for (const auto& filter : recent)
        if (sameFilter(chain, *filter))
            return filter;
    auto filter = std::make_shared<Filter>();
    if (!compileFilter(chain, *filter))
        return nullptr;
    if (recent.size() == kKept)
        recent.pop_back();
    recent.push_front(filter);
    return filter;
}

// The entity's value of a filter group; false when it has none. A layer name is made in
// scratch.
bool valueOf(const AcDbEntity* ent, int code, std::string& scratch, std::string_view& value)
{
    if (code == 0) {
        value = ent->dxfName();
    } else if (code == 8) {
        scratch = ent->layer().str();
        value = scratch;
    } else if (const auto* ref = AcDbBlockReference::cast(ent)) {
        const auto* btr = AcDbBlockTableRecord::cast(ref->blockTableRecord().object());
        value = btr ? std::string_view(btr->name()) : std::string_view();
    } else {
        return false;
    }
    return true;
}

bool passes(AcDbObjectId id, const Filter& filter)
{
    const auto* ent = AcDbEntity::cast(id.object());
    if (!ent)
        return false;
    std::string scratch;
    std::string_view value;
    for (const Condition& c : filter)
        if (!valueOf(ent, c.code, scratch, value) || !c.pattern.matches(value))
            return false;
    return true;
}

AcDbObjectIdArray passing(const AcDbObjectIdArray& ids, const Filter& filter)
{
    AcDbObjectIdArray kept;
    kept.reserve(ids.size());
    for (const AcDbObjectId& id : ids)
        if (!id.isNull() && passes(id, filter))
            kept.push_back(id);
    return kept;
}

// A set made from input lines: each entity once, in the order selected.
class Selection
{
public:
    explicit Selection(const Filter& filter) : m_filter(filter) {}
    // Adds the ids that pass the filter; the line that tells what was found.
    std::string add(const AcDbObjectIdArray& ids)
    {
        const size_t before = m_ids.size();
        const AcDbObjectIdArray kept = passing(ids, m_filter);
        for (const AcDbObjectId& id : kept)
            if (m_seen.insert(id).second)
                m_ids.push_back(id);
        const size_t duplicates = kept.size() - (m_ids.size() - before);
        std::string line = std::to_string(kept.size()) + " found";
        if (duplicates > 0)
            line += ", " + std::to_string(duplicates) + (duplicates == 1 ? " duplicate" : " duplicates");
        if (before > 0)
            line += ", " + std::to_string(m_ids.size()) + " total";
        return line + "\n";
    }
    const AcDbObjectIdArray& ids() const { return m_ids; }

private:
    const Filter& m_filter;
    AcDbObjectIdArray m_ids;
    std::unordered_set<AcDbObjectId> m_seen;
};

std::string lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// Reads the rest of the line as points, each of which may be relative to the one before.
bool readPoints(std::istringstream& words, AcGePoint3d& last, std::vector<AcGePoint3d>& points)
{
    for (std::string word; words >> word;) {
        if (!qv::parsePoint(word, last, last))
            return false;
        points.push_back(last);
    }
    return true;
}

// The entities of a window or polygon line ("w", "c", "wp", "cp" and points); false when
// the points do not make one.
bool areaLine(AcDbDatabase* db, const std::string& keyword, std::istringstream& words, AcGePoint3d& last,
              AcDbObjectIdArray& found)
{
    std::vector<AcGePoint3d> points;
    if (!readPoints(words, last, points) || points.size() < 2 || (keyword.size() == 1 && points.size() != 2))
        return false;
    if (keyword.size() == 1)
        points = qv::windowPolygon(points[0], points[1]);
    if (!qv::hasArea(points))
        return false;
    found = qv::entitiesInPolygon(db, points, keyword.front() == 'c');
    return true;
}

// The entities one input line names; false when the line is not a selection. Points may
// be relative to the last point, which becomes the line's last point.
bool selectionLine(AcDbDatabase* db, const std::string& line, AcDbObjectIdArray& found)
{
    std::istringstream words(line);
    std::string first;
    words >> first;
    const std::string keyword = lower(first);
    AcGePoint3d last = qv::lastPointInUcs(db);
    bool valid = true;
    if (keyword == "w" || keyword == "c" || keyword == "wp" || keyword == "cp")
        valid = areaLine(db, keyword, words, last, found);
    else if (std::string extra; words >> extra)
        valid = false;
    else if (keyword == "all")
        found = qv::entitiesOfCurrentSpace(db);
    else if (keyword == "last")
        found = {qv::lastEntity(db)};
    else if (keyword.front() == '#' && keyword.size() > 1) {
        found = {qv::layoutEntityByHandle(db, std::string_view(first).substr(1))};
        if (found.front().isNull())
            qv::writeOutput(qv::noEntityWithHandle(std::string_view(first).substr(1)));
    } else if (qv::parsePoint(first, last, last))
        found = {qv::pickAt(db, last)};
    else
        valid = false;
    if (valid)
        qv::setLastPointFromUcs(db, last);
    return valid;
}

int selectInteractively(AcDbDatabase* db, Selection& selection)
{
    for (;;) {
        const qv::InputLine line = qv::readInput("Select objects: ", qv::InputKind::text);
        if (line.status != qv::InputStatus::line)
            return RTCAN;
        if (qv::trimmed(line.text).empty())
            return RTNORM;
        AcDbObjectIdArray found;
        if (!selectionLine(db, line.text, found)) {
            if (!qv::refuseAnswer("*Invalid selection*\nExpects a point, all, last, #handle, w, c, wp or cp."))
                return RTCAN;
            continue;
        }
        qv::writeOutput(selection.add(found));
    }
}

bool polygonOf(const void* chain, std::vector<AcGePoint3d>& points)
{
    for (auto* rb = static_cast<const resbuf*>(chain); rb; rb = rb->rbnext) {
        if (rb->restype != RTPOINT && rb->restype != RT3DPOINT)
            return false;
        points.emplace_back(rb->resval.rpoint[0], rb->resval.rpoint[1], rb->resval.rpoint[2]);
    }
    return qv::hasArea(points);
}

AcGePoint3d pointOf(const void* p)
{
    const auto* v = static_cast<const double*>(p);
    return AcGePoint3d(v[0], v[1], v[2]);
}

// The entities a non-interactive mode selects; false for a mode or points not understood.
bool selectByMode(AcDbDatabase* db, std::string mode, const void* point1, const void* point2, AcDbObjectIdArray& ids)
{
    if (mode.starts_with("_"))
        mode.erase(0, 1);
    mode = lower(mode);
    if (mode == "x")
        ids = qv::entitiesOfLayouts(db);
    else if (mode == "a")
        ids = qv::entitiesOfCurrentSpace(db);
    else if (mode == "l")
        ids = {qv::lastEntity(db)};
    else if ((mode == "w" || mode == "c") && point1 && point2) {
        const std::vector<AcGePoint3d> window = qv::windowPolygon(pointOf(point1), pointOf(point2));
        if (!qv::hasArea(window))
            return false;
        ids = qv::entitiesInPolygon(db, window, mode == "c");
    } else if (mode == "wp" || mode == "cp") {
        std::vector<AcGePoint3d> polygon;
        if (!polygonOf(point1, polygon))
            return false;
        ids = qv::entitiesInPolygon(db, polygon, mode == "cp");
    } else
        return false;
    return true;
}

} // namespace

int acedSSGet(const char* mode, const void* point1, const void* point2, const resbuf* filterChain, ads_name set)
{
    AcDbDatabase* db = qv::currentDatabase();
    const std::shared_ptr<const Filter> filter = set && db ? filterOf(filterChain) : nullptr;
    if (!filter)
        return RTERROR;
    if (!mode || !*mode) {
        Selection selection(*filter);
        const int status = selectInteractively(db, selection);
        return status == RTNORM ? qv::makeSelectionSet(selection.ids(), set) : status;
    }
    AcDbObjectIdArray ids;
    if (!selectByMode(db, mode, point1, point2, ids))
        return RTERROR;
    return qv::makeSelectionSet(passing(ids, *filter), set);
}
