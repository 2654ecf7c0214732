#include "arx/dxfresbuf.h"

#include "arx/dxfbytes.h"
#include "arx/dxfcodes.h"
#include "arx/dxfnumber.h"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

namespace qv::dxf {

namespace {

bool isPointCode(int code) { return (code >= 10 && code < 19) || (code >= 1010 && code <= 1013); }

// The kind of an item's value; the texts of XData, most of its items, are told without a call.
RbValueKind itemKind(int code)
{
    return code >= 1000 && code <= 1002 ? RbValueKind::kString : acutRbValueKind(code);
}

bool setBinary(resbuf* rb, std::string_view hex)
{
    const size_t n = hex.size() / 2;
    if (hex.size() % 2 != 0 || n > SHRT_MAX)
        return false;
    char* buf = static_cast<char*>(std::malloc(n ? n : 1));
    rb->resval.rbinary.buf = buf;
    rb->resval.rbinary.clen = static_cast<short>(n);
    for (size_t i = 0; i < n; ++i) {
        const int hi = hexDigit(hex[2 * i]), lo = hexDigit(hex[2 * i + 1]);
        if (hi < 0 || lo < 0)
            return false;
        buf[i] = static_cast<char>(hi * 16 + lo);
    }
    return true;
}

bool setInteger(resbuf* rb, int code, std::string_view value, RbValueKind kind)
{
    long long n = 0;
    if (!parseInt(value, n) || !fitsCode(code, n))
        return false;
    if (kind == RbValueKind::kShort && (n < SHRT_MIN || n > SHRT_MAX))
        return false;
    if (kind == RbValueKind::kShort)
        rb->resval.rint = static_cast<short>(n);
    else if (kind == RbValueKind::kLong)
        rb->resval.rlong = static_cast<std::int32_t>(n);
    else
        rb->resval.mnInt64 = n;
    return kind != RbValueKind::kLong || (n >= INT32_MIN && n <= INT32_MAX);
}

// A text a buffer owns (freed by acutRelRb), made without an intermediate copy.
char* copyOf(std::string_view text)
{
    auto* copy = static_cast<char*>(std::malloc(text.size() + 1));
    copy[text.copy(copy, text.size())] = '\0';
    return copy;
}

// Reads the item at tags[i] into rb and moves i past it; false when it does not convert.
bool readItem(const TagList& tags, size_t& i, size_t last, resbuf* rb)
{
    const Tag& t = tags[i++];
    const RbValueKind kind = acutRbValueKind(t.code);
    switch (kind) {
    case RbValueKind::kPoint:
        if (!parseReal(t.value(), rb->resval.rpoint[0]))
            return false;
        for (int k = 1; k < 3 && i < last && tags[i].code == t.code + 10 * k; ++k)
            if (!parseReal(tags[i++].value(), rb->resval.rpoint[k]))
                return false;
        return true;
    case RbValueKind::kReal: return parseReal(t.value(), rb->resval.rreal);
    case RbValueKind::kShort:
    case RbValueKind::kLong:
    case RbValueKind::kInt64: return setInteger(rb, t.code, t.value(), kind);
    case RbValueKind::kBinary: return setBinary(rb, t.value());
    case RbValueKind::kString: rb->resval.rstring = copyOf(t.value()); return true;
    default: return false;   // a code no buffer holds a value of
    }
}

void addReal(TagList& out, int code, double value)
{
    char buf[kNumberBuffer];
    out.add(code, std::string_view(buf, formatReal(value, buf)));
}

void addInteger(TagList& out, int code, long long value)
{
    char buf[kNumberBuffer];
    out.add(code, std::string_view(buf, formatInt(value, buf)));
}

Acad::ErrorStatus writeItem(const resbuf* rb, TagList& out)
{
    static const char digits[] = "0123456789ABCDEF";
    const int code = rb->restype;
    if (!isValidCode(code))
        return Acad::eInvalidInput;
    switch (acutRbValueKind(code)) {
    case RbValueKind::kPoint:
        for (int k = 0; k < 3; ++k)
            if (!isPointCode(code) || !std::isfinite(rb->resval.rpoint[k]))
                return Acad::eInvalidInput;
        for (int k = 0; k < 3; ++k)
            addReal(out, code + 10 * k, rb->resval.rpoint[k]);
        return Acad::eOk;
    case RbValueKind::kReal:
        if (!std::isfinite(rb->resval.rreal))
            return Acad::eInvalidInput;
        addReal(out, code, rb->resval.rreal);
        return Acad::eOk;
    case RbValueKind::kShort: addInteger(out, code, rb->resval.rint); return Acad::eOk;
    case RbValueKind::kLong: addInteger(out, code, rb->resval.rlong); return Acad::eOk;
    case RbValueKind::kInt64: addInteger(out, code, rb->resval.mnInt64); return Acad::eOk;
    case RbValueKind::kBinary: {
        if (rb->resval.rbinary.clen < 0 || (rb->resval.rbinary.clen > 0 && !rb->resval.rbinary.buf))
            return Acad::eInvalidInput;
        std::string hex;
        for (short i = 0; i < rb->resval.rbinary.clen; ++i) {
            const auto b = static_cast<unsigned char>(rb->resval.rbinary.buf[i]);
            hex += digits[b >> 4];
            hex += digits[b & 15];
        }
        out.add(code, hex);
        return Acad::eOk;
    }
    case RbValueKind::kString: out.add(code, rb->resval.rstring ? rb->resval.rstring : ""); return Acad::eOk;
    default: return Acad::eInvalidInput;
    }
}

} // namespace

bool isItemValue(int code, std::string_view value)
{
    resbuf item{};
    switch (const RbValueKind kind = itemKind(code)) {
    case RbValueKind::kPoint:
    case RbValueKind::kReal: return parseReal(value, item.resval.rreal);
    case RbValueKind::kShort:
    case RbValueKind::kLong:
    case RbValueKind::kInt64: return setInteger(&item, code, value, kind);
    default: return true;
    }
}

resbuf* toResbuf(const TagList& tags, size_t first, size_t last)
{
    resbuf* head = nullptr;
    resbuf** tail = &head;
    for (size_t i = first; i < last;) {
        *tail = acutNewRb(tags[i].code);
        if (!readItem(tags, i, last, *tail)) {
            acutRelRb(head);
            return nullptr;
        }
        tail = &(*tail)->rbnext;
    }
    return head;
}

bool visitItems(const TagList& tags, size_t first, size_t last,
                const std::function<void(int code, std::string_view text)>& visit)
{
    // Whether every item converts, as toResbuf would convert it: text items always do.
    for (size_t i = first; i < last;) {
        const RbValueKind kind = itemKind(tags[i].code);
        if (kind == RbValueKind::kString) {
            ++i;
            continue;
        }
        resbuf item{};
        const bool converts = readItem(tags, i, last, &item);
        if (kind == RbValueKind::kBinary)
            std::free(item.resval.rbinary.buf);
        if (!converts)
            return false;
    }
    for (size_t i = first; i < last;) {
        const Tag& t = tags[i++];
        const RbValueKind kind = itemKind(t.code);
        // A point's other coordinates belong to its item.
        for (int k = 1; kind == RbValueKind::kPoint && k < 3 && i < last && tags[i].code == t.code + 10 * k; ++k)
            ++i;
        // A text ends at its first zero byte, as the buffer's copy does.
        visit(t.code, kind == RbValueKind::kString ? t.value().substr(0, t.value().find('\0')) : std::string_view());
    }
    return true;
}

Acad::ErrorStatus fromResbuf(const resbuf* chain, TagList& out)
{
    for (; chain; chain = chain->rbnext)
        if (const Acad::ErrorStatus es = writeItem(chain, out); es != Acad::eOk)
            return es;
    return Acad::eOk;
}

} // namespace qv::dxf
