#include "arx/dbproxygraphics.h"

#include "arx/dbdatabase.h"
#include "arx/dbentity.h"
#include "arx/dxfbytes.h"
#include "arx/dxfnumber.h"
#include "arx/dxftext.h"
#include "arx/dxftextdecoder.h"
#include "dbobjectdata.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace qv {

namespace {

constexpr unsigned kMaxTransforms = 64;
constexpr int kMaxArcSteps = 1000;
constexpr int kExtentsSteps = 72;   // a turn's chords when no tolerance is given

enum Command : unsigned {
    kCircle = 2, kCircle3p, kArc, kArc3p, kPolyline, kPolygon, kMesh, kShell, kText, kText2, kXLine, kRay,
    kColour, kLayer = 16, kFill = 20, kTrueColour = 22, kLineWeight, kPushTransform = 29, kPushTransform2,
    kPopTransform, kPolylineWithNormal, kLwPolyline, kUnicodeText = 36, kUnicodeText2 = 38,
};

bool finite(const AcGePoint3d& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

// Appends the bytes of a hexadecimal chunk; false (nothing appended) when it is not one.
bool appendHex(std::string& out, std::string_view hex)
{
    if (hex.size() % 2 != 0)
        return false;
    const size_t start = out.size();
    for (size_t i = 0; i < hex.size(); i += 2) {
        const int hi = qv::dxf::hexDigit(hex[i]), lo = qv::dxf::hexDigit(hex[i + 1]);
        if (hi < 0 || lo < 0) {
            out.resize(start);
            return false;
        }
        out.push_back(static_cast<char>(hi << 4 | lo));
    }
    return true;
}

// The centre of the circle through three points, false when they lie on a line.
bool circumcentre(const AcGePoint3d& a, const AcGePoint3d& b, const AcGePoint3d& c, AcGePoint3d& centre,
                  AcGeVector3d& normal)
{
    const AcGeVector3d ab = b - a, ac = c - a, n = ab.crossProduct(ac);
    const double nn = n.dotProduct(n);
    if (!(nn > 1e-24 * ab.dotProduct(ab) * ac.dotProduct(ac)) || !std::isfinite(nn))
        return false;
    const AcGeVector3d toCentre =
        (n.crossProduct(ab) * ac.dotProduct(ac) + ac.crossProduct(n) * ab.dotProduct(ab)) * (1 / (2 * nn));
    centre = a + toCentre;
    normal = n.normal();
    return finite(centre);
}

} // namespace

// Little-endian numbers, padded strings and bit-coded values within one command's bytes; a
// read past them, or a number that is not finite, fails and every read after it too.
class ProxyGraphics::Reader
{
public:
    explicit Reader(std::string_view bytes) : m_bytes(bytes) {}

    bool ok() const { return m_ok; }
    size_t left() const { return m_ok ? m_bytes.size() - m_at : 0; }
    // Whether count items of size bytes each fit in what is left.
    bool holds(std::uint64_t count, size_t size) { return m_ok = m_ok && count <= left() / size; }

    std::uint32_t u32() { return static_cast<std::uint32_t>(littleEndian(4)); }
    std::int32_t i32() { return static_cast<std::int32_t>(u32()); }
    double real()
    {
        const auto v = std::bit_cast<double>(littleEndian(8));
        m_ok = m_ok && std::isfinite(v);
        return m_ok ? v : 0;
    }
    AcGePoint3d point()
    {
        const double x = real(), y = real(), z = real();
        return {x, y, z};
    }
    AcGeVector3d vector() { return point().asVector(); }

    // A string ended by a zero byte (two for UTF-16), then padding to four bytes.
    std::string padded(bool wide)
    {
        const size_t unit = wide ? 2 : 1;
        size_t end = m_at;
        while (m_ok && end + unit <= m_bytes.size()
               && !(m_bytes[end] == 0 && (!wide || m_bytes[end + 1] == 0)))
            end += unit;
        if (!m_ok || end + unit > m_bytes.size())
            return fail();
        const std::string_view raw = m_bytes.substr(m_at, end - m_at);
        m_at = std::min(m_bytes.size(), (end + unit + 3) / 4 * 4);
        return wide ? fromUtf16(raw) : std::string(raw);
    }

    // Bit-coded values, read from the first bit of the command's bytes on.
    unsigned bits(int count)
    {
        unsigned v = 0;
        for (int i = 0; i < count; ++i) {
            if (m_bit >= m_bytes.size() * 8) {
                m_ok = false;
                return 0;
            }
            v = v << 1 | ((static_cast<unsigned char>(m_bytes[m_bit >> 3]) >> (7 - (m_bit & 7))) & 1);
            ++m_bit;
        }
        return v;
    }
    std::uint64_t rawBits(int bytes)
    {
        std::uint64_t v = 0;
        for (int i = 0; i < bytes; ++i)
            v |= static_cast<std::uint64_t>(bits(8)) << (8 * i);
        return v;
    }
    double bitReal(std::uint64_t raw)
    {
        double v = 0;
        std::memcpy(&v, &raw, 8);
        m_ok = m_ok && std::isfinite(v);
        return m_ok ? v : 0;
    }
    long bitShort()
    {
        switch (bits(2)) {
        case 0: return static_cast<std::int16_t>(rawBits(2));
        case 1: return static_cast<long>(rawBits(1));
        case 2: return 0;
        default: return 256;
        }
    }
    long bitLong()
    {
        switch (bits(2)) {
        case 0: return static_cast<std::int32_t>(rawBits(4));
        case 1: return static_cast<long>(rawBits(1));
        case 2: return 0;
        default: m_ok = false; return 0;
        }
    }
    double bitDouble()
    {
        switch (bits(2)) {
        case 0: return bitReal(rawBits(8));
        case 1: return 1;
        default: return 0;
        }
    }
    double rawDouble() { return bitReal(rawBits(8)); }
    // A double that replaces the bytes of a default it differs from.
    double bitDoubleOr(double fallback)
    {
        std::uint64_t v = 0;
        std::memcpy(&v, &fallback, 8);
        switch (bits(2)) {
        case 0: return fallback;
        case 1: return bitReal((v & ~0xFFFFFFFFull) | rawBits(4));
        case 2: {
            const std::uint64_t high = rawBits(2), low = rawBits(4);
            return bitReal((v & 0xFFFF000000000000ull) | high << 32 | low);
        }
        default: return rawDouble();
        }
    }
    // Whether the bit-coded data read so far fits in the command.
    bool bitsFit() const { return m_ok && m_bit <= m_bytes.size() * 8; }

private:
    // The next size bytes (at most eight) as a number, the first byte lowest whatever the
    // machine's byte order; 0 past the bytes.
    std::uint64_t littleEndian(size_t size)
    {
        if (!m_ok || size > m_bytes.size() - m_at) {
            m_ok = false;
            return 0;
        }
        std::uint64_t v = 0;
        for (size_t i = size; i > 0; --i)
            v = v << 8 | static_cast<unsigned char>(m_bytes[m_at + i - 1]);
        m_at += size;
        return v;
    }
    std::string fail()
    {
        m_ok = false;
        return {};
    }
    static std::string fromUtf16(std::string_view raw)
    {
        std::string out;
        for (size_t i = 0; i + 1 < raw.size(); i += 2) {
            unsigned unit = static_cast<unsigned char>(raw[i]) | static_cast<unsigned char>(raw[i + 1]) << 8;
            if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < raw.size()) {
                const unsigned low = static_cast<unsigned char>(raw[i + 2]) | static_cast<unsigned char>(raw[i + 3]) << 8;
                if (low >= 0xDC00 && low < 0xE000) {
                    unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                    i += 2;
                }
            }
            dxf::appendUtf8(out, unit >= 0xD800 && unit < 0xE000 ? 0xFFFD : unit);
        }
        return out;
    }

    std::string_view m_bytes;
    size_t m_at = 0, m_bit = 0;
    bool m_ok = true;
};

ProxyGraphics::ProxyGraphics(std::string_view bytes, double tolerance, std::size_t maxPoints)
    : m_tolerance(tolerance), m_pointsLeft(maxPoints)
{
    decode(bytes);
}

ProxyGraphics::ProxyGraphics(const AcDbProxyEntity& entity, double tolerance, std::size_t maxPoints)
    : m_tolerance(tolerance), m_pointsLeft(maxPoints)
{
    const std::string bytes = bytesOf(entity);
    if (bytes.empty())
        return;
    decode(bytes);
    // Texts of files before release 2007 are in the drawing's code page.
    std::string version, page;
    const AcDbDatabase* db = entity.database();
    if (!db || !db->getHeaderText("$ACADVER", 1, version) || version >= "AC1021")
        return;
    db->getHeaderText("$DWGCODEPAGE", 3, page);
    dxf::TextDecoder decoder(false, page);
    for (Part& part : m_parts)
        if (part.kind == Kind::kText) {
            std::string text;
            decoder.decode(part.text, text);
            part.text = std::move(text);
        }
}

std::string ProxyGraphics::bytesOf(const AcDbProxyEntity& entity)
{
    std::string bytes;
    const ObjectData* data = entity.data();
    if (!data)
        return bytes;
    const dxf::TagList& tags = data->extras;
    for (auto it = tags.begin(); it != tags.end(); ++it) {
        const auto next = it + 1;
        if ((it->code != 92 && it->code != 160) || next == tags.end() || next->code != 310)
            continue;
        long long count = 0;
        if (!dxf::parseInt(it->value(), count) || count <= 0)
            return bytes;
        for (auto chunk = next; chunk != tags.end() && chunk->code == 310 && bytes.size() < static_cast<size_t>(count); ++chunk)
            if (!appendHex(bytes, chunk->value()))
                break;
        if (bytes.size() > static_cast<size_t>(count))
            bytes.resize(static_cast<size_t>(count));
        return bytes;
    }
    return bytes;
}

void ProxyGraphics::decode(std::string_view bytes)
{
    Reader header(bytes);
    const std::uint32_t total = header.u32(), count = header.u32();
    if (!header.ok()) {
        m_complete = false;
        return;
    }
    const size_t end = std::min<size_t>(bytes.size(), std::max<std::uint32_t>(total, 8));
    size_t at = 8;
    for (std::uint32_t k = 0; k < count && at < end; ++k) {
        Reader head(bytes.substr(at, 8));
        const std::uint32_t size = head.u32(), type = head.u32();
        if (!head.ok() || size < 8 || size > end - at) {
            m_complete = false;
            return;
        }
        Reader in(bytes.substr(at + 8, size - 8));
        const size_t before = m_parts.size();
        if (!command(type, in)) {
            m_parts.resize(before);   // nothing of the command that failed
            m_complete = false;
            return;
        }
        at += size;
    }
}

bool ProxyGraphics::command(unsigned type, Reader& in)
{
    switch (type) {
    case kCircle: {
        const AcGePoint3d centre = in.point();
        const double radius = in.real();
        const AcGeVector3d normal = in.vector();
        return in.ok() && addCircle(centre, radius, normal, AcGeVector3d(), 2 * M_PI, 0);
    }
    case kArc: {
        const AcGePoint3d centre = in.point();
        const double radius = in.real();
        const AcGeVector3d normal = in.vector(), start = in.vector();
        const double sweep = in.real();
        const int arcType = in.left() >= 4 ? in.i32() : 0;
        return in.ok() && addCircle(centre, radius, normal, start, sweep, arcType);
    }
    case kCircle3p: return addThreePoint(in, true);
    case kArc3p: return addThreePoint(in, false);
    case kPolyline: return addRun(in, false, false);
    case kPolylineWithNormal: return addRun(in, false, true);
    case kPolygon: return addRun(in, true, false);
    case kMesh: return addMesh(in);
    case kShell: return addShell(in);
    case kText:
    case kText2:
    case kUnicodeText:
    case kUnicodeText2: return addText(in, type);
    case kLwPolyline: return addLwPolyline(in);
    case kXLine:
    case kRay: {
        Part& part = newPart(type == kRay ? Kind::kRay : Kind::kXLine);
        const AcGePoint3d base = in.point(), through = in.point();
        return in.ok() && addPoint(part, base) && addPoint(part, through);
    }
    case kColour: {
        const std::uint32_t index = in.u32();
        m_style.colour.setColorIndex(static_cast<Adesk::UInt16>(index <= 256 ? index : 256));
        return in.ok();
    }
    case kTrueColour: {
        const std::uint32_t raw = in.u32();
        switch (raw >> 24) {
        case 0xC0: m_style.colour.setColorIndex(256); break;
        case 0xC1: m_style.colour.setColorIndex(0); break;
        case 0xC2: m_style.colour.setRGB(static_cast<Adesk::UInt8>(raw >> 16), static_cast<Adesk::UInt8>(raw >> 8),
                                         static_cast<Adesk::UInt8>(raw)); break;
        case 0xC3: m_style.colour.setColorIndex(static_cast<Adesk::UInt16>(raw & 0xFF)); break;
        default: break;
        }
        return in.ok();
    }
    case kLayer: {
        const std::uint32_t index = in.u32();
        m_style.layer = index <= 0x7FFFFFFF ? static_cast<int>(index) : -1;
        return in.ok();
    }
    case kLineWeight: {
        const std::int32_t weight = in.i32();
        m_style.lineWeight = weight >= -3 && weight <= 211 ? weight : -3;
        return in.ok();
    }
    case kFill: m_fill = in.u32() != 0; return in.ok();
    case kPushTransform:
    case kPushTransform2: return pushTransform(in);
    case kPopTransform:
        if (!m_transforms.empty())
            m_transforms.pop_back();
        return true;
    default: return true;   // extents, markers, linetypes, clips and the like draw nothing
    }
}

ProxyGraphics::Part& ProxyGraphics::newPart(Kind kind)
{
    Part& part = m_parts.emplace_back();
    part.kind = kind;
    part.style = m_style;
    return part;
}

// Adds a point under the current transform; false when it is not finite or no more points
// may be made.
bool ProxyGraphics::addPoint(Part& part, const AcGePoint3d& p)
{
    if (m_pointsLeft == 0)
        return false;
    const AcGePoint3d q = m_transforms.empty() ? p : m_transforms.back().transform(p);
    if (!finite(q))
        return false;
    --m_pointsLeft;
    part.points.push_back(q);
    return true;
}

bool ProxyGraphics::addRun(Reader& in, bool closed, bool withNormal)
{
    const std::uint32_t count = in.u32();
    if (!in.holds(count, 24) || count == 0)
        return in.ok();
    Part& part = newPart(closed && m_fill ? Kind::kArea : Kind::kLine);
    part.closed = closed;
    for (std::uint32_t i = 0; i < count; ++i)
        if (const AcGePoint3d p = in.point(); !in.ok() || !addPoint(part, p))
            return false;
    if (withNormal)
        in.vector();
    return in.ok();
}

// An arc about centre in the plane of normal, from the direction start (any, for a circle)
// over sweep radians; arc type 1 closes it through the centre, 2 by its chord.
bool ProxyGraphics::addCircle(const AcGePoint3d& centre, double radius, const AcGeVector3d& normal,
                              const AcGeVector3d& start, double sweep, int arcType)
{
    if (!(radius > 0) || normal.length() < 1e-12 || !std::isfinite(radius * sweep))
        return true;   // describes nothing
    const AcGeMatrix3d plane = AcGeMatrix3d::planeToWorld(normal);
    const AcGeVector3d n = normal.normal();
    AcGeVector3d x = start - n * start.dotProduct(n);
    x = x.length() > 1e-12 ? x.normal() : plane.transform(AcGeVector3d::kXAxis).normal();
    const AcGeVector3d y = n.crossProduct(x);
    sweep = std::clamp(sweep, -2 * M_PI, 2 * M_PI);
    const double scale = m_transforms.empty() ? 1 : std::cbrt(std::abs(m_transforms.back().det()));
    const double r = radius * (scale > 0 ? scale : 1);
    const double step = m_tolerance > 0 && r > m_tolerance ? 2 * std::acos(1 - m_tolerance / r) : 2 * M_PI / kExtentsSteps;
    // A tolerance lost in the radius's last bits makes the step 0: the most chords.
    const double chords = std::ceil(std::abs(sweep) / step);
    const int steps = chords < kMaxArcSteps ? std::max(4, static_cast<int>(chords)) : kMaxArcSteps;
    const bool full = std::abs(sweep) >= 2 * M_PI;
    Part& part = newPart(m_fill && (full || arcType != 0) ? Kind::kArea : Kind::kLine);
    part.closed = full || arcType != 0;
    for (int i = 0; i <= steps - (full ? 1 : 0); ++i) {
        const double a = sweep * i / steps;
        if (!addPoint(part, centre + x * (radius * std::cos(a)) + y * (radius * std::sin(a))))
            return false;
    }
    return arcType != 1 || full || addPoint(part, centre);
}

// A circle through three points, or the arc from the first through the second to the third.
bool ProxyGraphics::addThreePoint(Reader& in, bool full)
{
    const AcGePoint3d a = in.point(), b = in.point(), c = in.point();
    const int arcType = !full && in.left() >= 4 ? in.i32() : 0;
    AcGePoint3d centre;
    AcGeVector3d normal;
    if (!in.ok() || !circumcentre(a, b, c, centre, normal))
        return in.ok();
    const AcGeVector3d start = a - centre;
    const AcGeVector3d y = normal.crossProduct(start);
    const double sweep = full ? 2 * M_PI : normalizeAngle(std::atan2((c - centre).dotProduct(y), (c - centre).dotProduct(start)));
    return addCircle(centre, start.length(), normal, start, sweep, arcType);
}

// A grid of rows by columns of vertices: its rows and columns as lines.
bool ProxyGraphics::addMesh(Reader& in)
{
    const std::uint32_t rows = in.u32(), columns = in.u32();
    if (!in.ok() || rows == 0 || columns == 0 || !in.holds(static_cast<std::uint64_t>(rows) * columns, 24))
        return in.ok();
    std::vector<AcGePoint3d> vertices(static_cast<size_t>(rows) * columns);
    for (AcGePoint3d& v : vertices)
        v = in.point();
    if (!in.ok())
        return false;
    for (std::uint32_t r = 0; r < rows; ++r) {
        Part& part = newPart(Kind::kLine);
        for (std::uint32_t c = 0; c < columns; ++c)
            if (!addPoint(part, vertices[static_cast<size_t>(r) * columns + c]))
                return false;
    }
    for (std::uint32_t c = 0; c < columns; ++c) {
        Part& part = newPart(Kind::kLine);
        for (std::uint32_t r = 0; r < rows; ++r)
            if (!addPoint(part, vertices[static_cast<size_t>(r) * columns + c]))
                return false;
    }
    return true;
}

// Vertices and faces, each face a count (negative for a hole) and as many vertex indices:
// the faces' outlines, filled when fill is on.
bool ProxyGraphics::addShell(Reader& in)
{
    const std::uint32_t count = in.u32();
    if (!in.holds(count, 24))
        return false;
    std::vector<AcGePoint3d> vertices(count);
    for (AcGePoint3d& v : vertices)
        v = in.point();
    const std::uint32_t entries = in.u32();
    if (!in.holds(entries, 4))
        return false;
    for (std::uint32_t read = 0; read < entries;) {
        const std::int32_t signedSize = in.i32();
        const std::uint32_t size = signedSize < 0 ? 0u - static_cast<std::uint32_t>(signedSize) : static_cast<std::uint32_t>(signedSize);
        if (!in.holds(size, 4) || size > entries - read - 1)
            return false;
        read += size + 1;
        Part& face = newPart(m_fill && signedSize > 0 ? Kind::kArea : Kind::kLine);
        face.closed = true;
        for (std::uint32_t k = 0; k < size; ++k) {
            const std::uint32_t index = in.u32();
            if (index >= count || !addPoint(face, vertices[index]))
                return false;
        }
    }
    return in.ok();   // edge, face and vertex data may follow
}

bool ProxyGraphics::addText(Reader& in, unsigned type)
{
    const bool wide = type == kUnicodeText || type == kUnicodeText2, second = type == kText2 || type == kUnicodeText2;
    const AcGePoint3d position = in.point();
    const AcGeVector3d normal = in.vector(), direction = in.vector();
    std::string text;
    double height = 0, widthFactor = 1, oblique = 0;
    if (second) {
        text = in.padded(wide);
        in.i32();   // its length and whether it is raw
        in.i32();
    }
    height = in.real();
    widthFactor = in.real();
    oblique = in.real();
    if (!second)
        text = in.padded(wide);
    if (!in.ok())
        return false;
    if (!(height > 0) || direction.length() < 1e-12 || normal.length() < 1e-12 || text.empty())
        return true;
    Part& part = newPart(Kind::kText);
    if (!addPoint(part, position))
        return false;
    const AcGeMatrix3d& m = m_transforms.empty() ? AcGeMatrix3d::kIdentity : m_transforms.back();
    const AcGeVector3d along = direction.normal() * height;
    AcGeVector3d up = normal.normal().crossProduct(along);
    if (std::abs(oblique) < 1.5)
        up = up + along * std::tan(oblique);
    part.direction = m.transform(along);
    part.up = m.transform(up);
    part.widthFactor = widthFactor > 0 ? widthFactor : 1;
    part.text = std::move(text);
    return true;
}

// A lightweight polyline in bit-coded form: flags, its plane, the vertices (the first as raw
// doubles, the others as changes to the one before), bulges, vertex ids and widths.
bool ProxyGraphics::addLwPolyline(Reader& in)
{
    const long flags = in.bitShort();
    if (flags & 4)
        in.bitDouble();   // constant width
    const double elevation = flags & 8 ? in.bitDouble() : 0;
    if (flags & 2)
        in.bitDouble();   // thickness
    AcGeVector3d normal = AcGeVector3d::kZAxis;
    if (flags & 1) {
        const double x = in.bitDouble(), y = in.bitDouble(), z = in.bitDouble();
        normal = AcGeVector3d(x, y, z);
    }
    const long count = in.bitLong();
    const long bulges = flags & 16 ? in.bitLong() : 0;
    const long ids = flags & 1024 ? in.bitLong() : 0;
    const long widths = flags & 32 ? in.bitLong() : 0;
    // Each value takes two bits at least.
    const auto fits = [&](long n) { return n >= 0 && static_cast<std::uint64_t>(n) <= in.left() * 4; };
    if (!in.ok() || !fits(count) || !fits(bulges) || !fits(ids) || !fits(widths) || count == 0)
        return in.ok();
    std::vector<AcGePoint2d> points(1);
    points[0].x = in.rawDouble();
    points[0].y = in.rawDouble();
    for (long i = 1; i < count && in.ok(); ++i) {
        const double x = in.bitDoubleOr(points.back().x), y = in.bitDoubleOr(points.back().y);
        points.emplace_back(x, y);
    }
    std::vector<double> bends;
    for (long i = 0; i < bulges && in.ok(); ++i)
        bends.push_back(in.bitDouble());
    if (!in.bitsFit() || normal.length() < 1e-12)
        return in.ok();
    const AcGeMatrix3d plane = AcGeMatrix3d::planeToWorld(normal);
    const bool closed = flags & 512;
    Part& part = newPart(Kind::kLine);
    const auto at = [&](const AcGePoint2d& p) { return plane.transform(AcGePoint3d(p.x, p.y, elevation)); };
    if (!addPoint(part, at(points[0])))
        return false;
    const size_t n = points.size(), segments = closed ? n : n - 1;
    for (size_t i = 0; i < segments; ++i) {
        const AcGePoint2d a = points[i], b = points[(i + 1) % n];
        const double bulge = i < bends.size() ? bends[i] : 0, chord = (b - a).length();
        if (std::abs(bulge) > 1e-9 && chord > 1e-12) {
            // The arc from a to b turning by four times the bulge's arctangent.
            const double sweep = 4 * std::atan(bulge), radius = chord / (2 * std::sin(std::abs(sweep) / 2));
            const AcGeVector2d left((a.y - b.y) / chord, (b.x - a.x) / chord);
            const AcGePoint2d mid(a.x + (b.x - a.x) / 2, a.y + (b.y - a.y) / 2);
            const AcGePoint2d centre = mid + left * (radius * std::cos(sweep / 2) * (bulge > 0 ? 1 : -1));
            const double start = std::atan2(a.y - centre.y, a.x - centre.x);
            const int steps = std::clamp(static_cast<int>(std::ceil(std::abs(sweep) / (M_PI / 36))), 2, 144);
            for (int s = 1; s < steps; ++s) {
                const double t = start + sweep * s / steps;
                if (!addPoint(part, at(AcGePoint2d(centre.x + radius * std::cos(t), centre.y + radius * std::sin(t)))))
                    return false;
            }
        }
        if (!addPoint(part, at(b)))
            return false;
    }
    return true;
}

bool ProxyGraphics::pushTransform(Reader& in)
{
    AcGeMatrix3d m;
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column)
            m(row, column) = in.real();
    if (!in.ok() || m_transforms.size() >= kMaxTransforms)
        return false;
    m_transforms.push_back(m_transforms.empty() ? m : m_transforms.back() * m);
    return true;
}

AcDbExtents ProxyGraphics::extents() const
{
    AcDbExtents box;
    for (const Part& part : m_parts) {
        if (part.kind == Kind::kXLine || part.kind == Kind::kRay)
            continue;   // infinite
        for (const AcGePoint3d& p : part.points)
            box.addPoint(p);
        if (part.kind == Kind::kText && !part.points.empty()) {
            // About as long as its characters, each as wide as the text is high.
            const double chars = static_cast<double>(part.text.size());
            box.addPoint(part.points[0] + part.direction * (chars * part.widthFactor) + part.up);
        }
    }
    return box;
}

} // namespace qv
