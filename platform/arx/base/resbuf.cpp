#include "arx/resbuf.h"

#include <cstdarg>
#include <cstdlib>
#include <cstring>

RbValueKind acutRbValueKind(int t)
{
    // The texts of XData, asked for most, are answered first.
    if (t == 1000 || t == 1001 || t == 1002)
        return RbValueKind::kString;
    switch (t) {
    case RTREAL: case RTANG: case RTORINT: return RbValueKind::kReal;
    case RTPOINT: case RT3DPOINT: return RbValueKind::kPoint;
    case RTSHORT: return RbValueKind::kShort;
    case RTLONG: return RbValueKind::kLong;
    case RTSTR: case RTDXF0: return RbValueKind::kString;
    case RTENAME: case RTPICKS: return RbValueKind::kName;
    case RTNONE: case RTVOID: case RTLB: case RTLE: case RTDOTE: case RTNIL: case RTT: case RTNORM:
        return RbValueKind::kNone;
    }
    if (t < 0) return RbValueKind::kNone;
    if (t < 10 || t == 100 || t == 102 || t == 105 || (t >= 300 && t < 310) || (t >= 320 && t < 370)
        || (t >= 390 && t < 400) || (t >= 410 && t < 420) || (t >= 430 && t < 440) || (t >= 470 && t < 482)
        || t == 999 || (t >= 1000 && t <= 1003) || t == 1005)
        return RbValueKind::kString;
    if (t >= 10 && t < 40) return RbValueKind::kPoint;
    if ((t >= 40 && t < 60) || (t >= 110 && t < 150) || (t >= 210 && t < 240) || (t >= 460 && t < 470))
        return RbValueKind::kReal;
    if ((t >= 60 && t < 80) || (t >= 170 && t < 180) || (t >= 270 && t < 300) || (t >= 370 && t < 390)
        || (t >= 400 && t < 410) || (t >= 1060 && t <= 1070))
        return RbValueKind::kShort;
    if ((t >= 90 && t < 100) || (t >= 420 && t < 430) || (t >= 440 && t < 460) || t == 1071)
        return RbValueKind::kLong;
    if (t >= 160 && t < 170) return RbValueKind::kInt64;
    if ((t >= 310 && t < 320) || t == 1004) return RbValueKind::kBinary;
    if (t >= 1010 && t < 1040) return RbValueKind::kPoint;
    if (t >= 1040 && t < 1060) return RbValueKind::kReal;
    // Group codes of no defined kind hold text, as files write them.
    return t <= 1071 ? RbValueKind::kString : RbValueKind::kNone;
}

resbuf* acutNewRb(int restype)
{
    auto* rb = static_cast<resbuf*>(std::calloc(1, sizeof(resbuf)));
    rb->restype = static_cast<short>(restype);
    return rb;
}

int acutRelRb(resbuf* rb)
{
    while (rb) {
        resbuf* next = rb->rbnext;
        const RbValueKind kind = acutRbValueKind(rb->restype);
        if (kind == RbValueKind::kString)
            std::free(rb->resval.rstring);
        else if (kind == RbValueKind::kBinary)
            std::free(rb->resval.rbinary.buf);
        std::free(rb);
        rb = next;
    }
    return RTNORM;
}

void acutSetRbString(resbuf* rb, const char* text)
{
    std::free(rb->resval.rstring);
    rb->resval.rstring = text ? strdup(text) : nullptr;
}

static void copyValue(resbuf* to, const resbuf* from)
{
    to->resval = from->resval;
    const RbValueKind kind = acutRbValueKind(from->restype);
    if (kind == RbValueKind::kString) {
        to->resval.rstring = nullptr;
        acutSetRbString(to, from->resval.rstring);
    } else if (kind == RbValueKind::kBinary && from->resval.rbinary.buf) {
        const auto n = static_cast<size_t>(from->resval.rbinary.clen);
        to->resval.rbinary.buf = static_cast<char*>(std::malloc(n ? n : 1));
        std::memcpy(to->resval.rbinary.buf, from->resval.rbinary.buf, n);
    }
}

resbuf* acutDuplicateRbChain(const resbuf* rb)
{
    resbuf* head = nullptr;
    resbuf** tail = &head;
    for (; rb; rb = rb->rbnext) {
        *tail = acutNewRb(rb->restype);
        copyValue(*tail, rb);
        tail = &(*tail)->rbnext;
    }
    return head;
}

static void readValue(resbuf* rb, va_list& args)
{
    switch (acutRbValueKind(rb->restype)) {
    case RbValueKind::kReal: rb->resval.rreal = va_arg(args, double); break;
    case RbValueKind::kPoint: {
        const double* p = va_arg(args, const double*);
        for (int i = 0; i < 3; ++i)
            rb->resval.rpoint[i] = p ? p[i] : 0.0;
        break;
    }
    case RbValueKind::kShort: rb->resval.rint = static_cast<short>(va_arg(args, int)); break;
    case RbValueKind::kLong: rb->resval.rlong = static_cast<std::int32_t>(va_arg(args, int)); break;
    case RbValueKind::kInt64: rb->resval.mnInt64 = va_arg(args, long long); break;
    case RbValueKind::kString: acutSetRbString(rb, va_arg(args, const char*)); break;
    case RbValueKind::kName: {
        const std::int64_t* n = va_arg(args, const std::int64_t*);
        rb->resval.rlname[0] = n ? n[0] : 0;
        rb->resval.rlname[1] = n ? n[1] : 0;
        break;
    }
    case RbValueKind::kBinary: {
        const ads_binary* b = va_arg(args, const ads_binary*);
        resbuf tmp{};
        tmp.restype = rb->restype;
        if (b)
            tmp.resval.rbinary = *b;
        copyValue(rb, &tmp);
        break;
    }
    case RbValueKind::kNone: break;
    }
}

resbuf* acutBuildList(int restype, ...)
{
    va_list args;
    va_start(args, restype);
    resbuf* head = nullptr;
    resbuf** tail = &head;
    for (int type = restype; type != 0; type = va_arg(args, int)) {
        *tail = acutNewRb(type);
        readValue(*tail, args);
        tail = &(*tail)->rbnext;
    }
    va_end(args);
    return head;
}
