// The DXF group-code layer: tags, the reading context that typed objects parse their
// fields from, and the writer they print their fields to. Objects keep every tag they do
// not model ("extras", grouped by subclass marker) and print them back unchanged.
#pragma once

#include "arx/dbid.h"
#include "arx/geometry.h"
#include "arx/resbuf.h"

#include <string>
#include <string_view>
#include <vector>

class AcDbDatabase;

namespace qv::dxf {

struct Tag {
    int code = 0;
    std::string value;
};
using Tags = std::vector<Tag>;

// One subclass's unmodelled tags; the subclass is "" for tags before any marker.
struct SubclassTags {
    std::string subclass;
    Tags tags;
};
using Extras = std::vector<SubclassTags>;

// A tag as read, with its line number (of the group code) for messages.
struct Token {
    int code = 0;
    std::string value;
    int line = 0;
};

// Result-buffer chains to and from tags: a point item is one tag per coordinate (code,
// code + 10, code + 20), as in a file.
resbuf* tagsToRb(const Tags& tags, size_t begin, size_t end);
Acad::ErrorStatus rbToTags(const resbuf* rb, Tags& out);

bool parseReal(std::string_view text, double& value);
bool parseInt(std::string_view text, long long& value);
std::string formatReal(double value);
std::string upper(std::string_view text);
bool equalNoCase(std::string_view a, std::string_view b);

// The state of reading one file: numbers and references parsed from tokens, with the first
// error kept (reading goes on to the end of the record, then stops).
class DxfIn
{
public:
    explicit DxfIn(AcDbDatabase* db) : m_db(db) {}
    AcDbDatabase* database() const { return m_db; }

    double real(const Token& t);
    int integer(const Token& t);
    bool flag(const Token& t) { return integer(t) != 0; }
    AcDbHandle handle(const Token& t);
    // An object id for a handle; a reference that stays unresolved at the end is an error
    // when strict, and is dropped otherwise.
    AcDbObjectId reference(const Token& t, bool strict);
    // Reads the coordinate of a point group (10/20/30, 11/21/31 ...) into p.
    bool pointPart(const Token& t, int baseCode, AcGePoint3d& p);
    bool vectorPart(const Token& t, int baseCode, AcGeVector3d& v);

    const std::string& subclass() const { return m_subclass; }
    void setSubclass(std::string s) { m_subclass = std::move(s); }

    void fail(int line, const std::string& message);
    bool failed() const { return !m_error.empty(); }
    const std::string& error() const { return m_error; }

    struct PendingReference {
        AcDbStub* stub;
        int line;
    };
    const std::vector<PendingReference>& strictReferences() const { return m_strict; }

private:
    AcDbDatabase* m_db;
    std::string m_subclass;
    std::string m_error;
    std::vector<PendingReference> m_strict;
};

class DxfOut
{
public:
    void tag(int code, std::string_view value);
    void integer(int code, long long value);
    void real(int code, double value);
    void point(int code, const AcGePoint3d& p);
    void point2d(int code, double x, double y);
    void vector(int code, const AcGeVector3d& v);
    void handle(int code, AcDbHandle h);
    // A pointer: the referenced object's handle, or "0" for none.
    void id(int code, AcDbObjectId id);
    void tags(const Tags& tags);

    // Starts an object whose unmodelled tags are extras; they are printed at the end of
    // their own subclass, those of subclasses the object does not print at endFields.
    void beginObject(const Extras* extras);
    void subclass(std::string_view name);
    void endFields(bool keepEmptyGroups = false);
    // Prints every extras group in the order read, with its marker (objects kept whole);
    // with skip, marks them printed without printing.
    void extrasInOrder(bool skip = false);

    std::string& text() { return m_text; }

private:
    void flushSubclass(std::string_view name);

    std::string m_text;
    const Extras* m_extras = nullptr;
    std::vector<bool> m_flushed;
    std::string m_current;
};

} // namespace qv::dxf
