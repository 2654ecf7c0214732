#include "arx/dxffiler.h"

#include "dbimpl.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>

namespace qv::dxf {

namespace {

std::string_view trimmed(std::string_view t)
{
    while (!t.empty() && std::isspace(static_cast<unsigned char>(t.front())))
        t.remove_prefix(1);
    while (!t.empty() && std::isspace(static_cast<unsigned char>(t.back())))
        t.remove_suffix(1);
    return t;
}

bool isPointCode(int code)
{
    return (code >= 10 && code < 19) || (code >= 1010 && code <= 1013);
}

std::string hexOf(const char* data, size_t n)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string s;
    s.reserve(n * 2);
    for (size_t i = 0; i < n; ++i) {
        const auto b = static_cast<unsigned char>(data[i]);
        s += digits[b >> 4];
        s += digits[b & 15];
    }
    return s;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

// A binary chunk is an even number of hexadecimal digits for at most 32,767 bytes (its
// length is a short). False for anything else, and rb keeps no bytes.
bool setBinary(resbuf* rb, const std::string& hex)
{
    const size_t n = hex.size() / 2;
    if (hex.size() % 2 != 0 || n > 32767
        || !std::all_of(hex.begin(), hex.end(), [](char c) { return hexDigit(c) >= 0; }))
        return false;
    char* buf = static_cast<char*>(std::malloc(n ? n : 1));
    for (size_t i = 0; i < n; ++i)
        buf[i] = static_cast<char>(hexDigit(hex[i * 2]) * 16 + hexDigit(hex[i * 2 + 1]));
    rb->resval.rbinary.clen = static_cast<short>(n);
    rb->resval.rbinary.buf = buf;
    return true;
}

// Reads one item starting at tags[i] into rb; returns the index after it. valid becomes
// false when the item is malformed.
size_t readItem(const Tags& tags, size_t i, size_t end, resbuf* rb, bool& valid)
{
    const Tag& t = tags[i];
    double d = 0;
    long long n = 0;
    switch (acutRbValueKind(t.code)) {
    case RbValueKind::kPoint:
        parseReal(t.value, rb->resval.rpoint[0]);
        for (int k = 1; k < 3 && i + 1 < end && tags[i + 1].code == t.code + 10 * k; ++k)
            parseReal(tags[++i].value, rb->resval.rpoint[k]);
        break;
    case RbValueKind::kReal: parseReal(t.value, d); rb->resval.rreal = d; break;
    case RbValueKind::kShort: parseInt(t.value, n); rb->resval.rint = static_cast<short>(n); break;
    case RbValueKind::kLong: parseInt(t.value, n); rb->resval.rlong = static_cast<std::int32_t>(n); break;
    case RbValueKind::kInt64: parseInt(t.value, n); rb->resval.mnInt64 = n; break;
    case RbValueKind::kBinary: valid = setBinary(rb, t.value) && valid; break;
    default: acutSetRbString(rb, t.value.c_str()); break;
    }
    return i + 1;
}

Acad::ErrorStatus writeItem(const resbuf* rb, Tags& out)
{
    const int code = rb->restype;
    switch (acutRbValueKind(code)) {
    case RbValueKind::kPoint:
        if (!isPointCode(code))
            return Acad::eInvalidInput;
        for (int k = 0; k < 3; ++k)
            out.push_back({code + 10 * k, formatReal(rb->resval.rpoint[k])});
        return Acad::eOk;
    case RbValueKind::kReal: out.push_back({code, formatReal(rb->resval.rreal)}); return Acad::eOk;
    case RbValueKind::kShort: out.push_back({code, std::to_string(rb->resval.rint)}); return Acad::eOk;
    case RbValueKind::kLong: out.push_back({code, std::to_string(rb->resval.rlong)}); return Acad::eOk;
    case RbValueKind::kInt64: out.push_back({code, std::to_string(rb->resval.mnInt64)}); return Acad::eOk;
    case RbValueKind::kBinary:
        out.push_back({code, hexOf(rb->resval.rbinary.buf, static_cast<size_t>(rb->resval.rbinary.clen))});
        return Acad::eOk;
    case RbValueKind::kString:
        out.push_back({code, rb->resval.rstring ? rb->resval.rstring : ""});
        return Acad::eOk;
    default: return Acad::eInvalidInput;
    }
}

} // namespace

// A chain that holds a malformed binary chunk cannot be read: null.
resbuf* tagsToRb(const Tags& tags, size_t begin, size_t end)
{
    resbuf* head = nullptr;
    resbuf** tail = &head;
    bool valid = true;
    for (size_t i = begin; i < end;) {
        *tail = acutNewRb(tags[i].code);
        i = readItem(tags, i, end, *tail, valid);
        tail = &(*tail)->rbnext;
    }
    if (valid)
        return head;
    acutRelRb(head);
    return nullptr;
}

Acad::ErrorStatus rbToTags(const resbuf* rb, Tags& out)
{
    for (; rb; rb = rb->rbnext)
        if (const Acad::ErrorStatus es = writeItem(rb, out); es != Acad::eOk)
            return es;
    return Acad::eOk;
}

bool parseReal(std::string_view text, double& value)
{
    const std::string_view t = trimmed(text);
    if (t.empty())
        return false;
    const char* first = t.data() + (t.front() == '+' ? 1 : 0);
    const auto r = std::from_chars(first, t.data() + t.size(), value);
    return r.ec == std::errc() && r.ptr == t.data() + t.size() && std::isfinite(value);
}

bool parseInt(std::string_view text, long long& value)
{
    const std::string_view t = trimmed(text);
    if (t.empty())
        return false;
    const char* first = t.data() + (t.front() == '+' ? 1 : 0);
    const auto r = std::from_chars(first, t.data() + t.size(), value);
    if (r.ec == std::errc() && r.ptr == t.data() + t.size())
        return true;
    // Some writers print integer groups as reals ("1.0").
    double d = 0;
    if (!parseReal(t, d) || std::fabs(d) > 9.2e18)
        return false;
    value = static_cast<long long>(d);
    return true;
}

std::string formatReal(double value)
{
    if (value == 0.0)
        return "0.0";
    char buf[40];
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    std::string s(buf, r.ptr);
    if (s.find_first_of(".eEn") == std::string::npos)
        s += ".0";
    return s;
}

std::string upper(std::string_view text)
{
    std::string s(text);
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

bool equalNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

double DxfIn::real(const Token& t)
{
    double v = 0;
    if (!parseReal(t.value, v))
        fail(t.line, "invalid number '" + t.value + "' for group code " + std::to_string(t.code));
    return v;
}

int DxfIn::integer(const Token& t)
{
    long long v = 0;
    if (!parseInt(t.value, v))
        fail(t.line, "invalid integer '" + t.value + "' for group code " + std::to_string(t.code));
    return static_cast<int>(v);
}

AcDbHandle DxfIn::handle(const Token& t)
{
    const std::string_view v = trimmed(t.value);
    const AcDbHandle h{std::string(v)};
    if (h.isNull() && v != "0" && !v.empty())
        fail(t.line, "invalid handle '" + t.value + "'");
    return h;
}

AcDbObjectId DxfIn::reference(const Token& t, bool strict)
{
    const AcDbHandle h = handle(t);
    if (h.isNull())
        return AcDbObjectId();
    AcDbStub* stub = m_db->impl().stubFor(h);
    if (strict)
        m_strict.push_back({stub, t.line});
    return AcDbObjectId(stub);
}

bool DxfIn::pointPart(const Token& t, int baseCode, AcGePoint3d& p)
{
    if (t.code == baseCode)
        p.x = real(t);
    else if (t.code == baseCode + 10)
        p.y = real(t);
    else if (t.code == baseCode + 20)
        p.z = real(t);
    else
        return false;
    return true;
}

bool DxfIn::vectorPart(const Token& t, int baseCode, AcGeVector3d& v)
{
    AcGePoint3d p(v.x, v.y, v.z);
    if (!pointPart(t, baseCode, p))
        return false;
    v = p.asVector();
    return true;
}

void DxfIn::fail(int line, const std::string& message)
{
    if (m_error.empty())
        m_error = "line " + std::to_string(line) + ": " + message;
}

void DxfOut::tag(int code, std::string_view value)
{
    char buf[16];
    const int n = std::snprintf(buf, sizeof buf, "%3d\n", code);
    m_text.append(buf, static_cast<size_t>(n));
    m_text.append(value);
    m_text += '\n';
}

void DxfOut::integer(int code, long long value) { tag(code, std::to_string(value)); }

void DxfOut::real(int code, double value) { tag(code, formatReal(value)); }

void DxfOut::point(int code, const AcGePoint3d& p)
{
    real(code, p.x);
    real(code + 10, p.y);
    real(code + 20, p.z);
}

void DxfOut::point2d(int code, double x, double y)
{
    real(code, x);
    real(code + 10, y);
}

void DxfOut::vector(int code, const AcGeVector3d& v) { point(code, AcGePoint3d(v.x, v.y, v.z)); }

void DxfOut::handle(int code, AcDbHandle h) { tag(code, h.text()); }

void DxfOut::id(int code, AcDbObjectId id)
{
    tag(code, id.isValid() && !id.isErased() ? id.handle().text() : std::string("0"));
}

void DxfOut::tags(const Tags& tags)
{
    for (const Tag& t : tags)
        tag(t.code, t.value);
}

void DxfOut::beginObject(const Extras* extras)
{
    m_extras = extras;
    m_flushed.assign(extras ? extras->size() : 0, false);
    m_current.clear();
}

void DxfOut::flushSubclass(std::string_view name)
{
    if (!m_extras)
        return;
    for (size_t i = 0; i < m_extras->size(); ++i)
        if (!m_flushed[i] && (*m_extras)[i].subclass == name) {
            tags((*m_extras)[i].tags);
            m_flushed[i] = true;
        }
}

void DxfOut::subclass(std::string_view name)
{
    if (!m_current.empty())
        flushSubclass(m_current);
    tag(100, name);
    m_current = name;
}

void DxfOut::endFields(bool keepEmptyGroups)
{
    if (!m_current.empty())
        flushSubclass(m_current);
    for (size_t i = 0; m_extras && i < m_extras->size(); ++i) {
        const SubclassTags& group = (*m_extras)[i];
        if (m_flushed[i] || (group.tags.empty() && !keepEmptyGroups))
            continue;
        if (!group.subclass.empty())
            tag(100, group.subclass);
        tags(group.tags);
        m_flushed[i] = true;
    }
    m_extras = nullptr;
    m_current.clear();
}

void DxfOut::extrasInOrder(bool skip)
{
    for (size_t i = 0; m_extras && i < m_extras->size(); ++i) {
        const SubclassTags& group = (*m_extras)[i];
        if (!skip && !group.subclass.empty())
            tag(100, group.subclass);
        if (!skip)
            tags(group.tags);
        m_flushed[i] = true;
    }
}

} // namespace qv::dxf
