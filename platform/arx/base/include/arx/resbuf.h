// Result buffers: the host's linked lists of typed values, used for XData, extension
// records, selection filters and system variables. Strings are UTF-8 and owned by the
// buffer; acutRelRb frees a whole chain.
#pragma once

#include <cstdint>

constexpr short RTNONE = 5000;
constexpr short RTREAL = 5001;
constexpr short RTPOINT = 5002;
constexpr short RTSHORT = 5003;
constexpr short RTANG = 5004;
constexpr short RTSTR = 5005;
constexpr short RTENAME = 5006;
constexpr short RTPICKS = 5007;
constexpr short RTORINT = 5008;
constexpr short RT3DPOINT = 5009;
constexpr short RTLONG = 5010;
constexpr short RTVOID = 5014;
constexpr short RTLB = 5016;
constexpr short RTLE = 5017;
constexpr short RTDOTE = 5018;
constexpr short RTNIL = 5019;
constexpr short RTDXF0 = 5020;
constexpr short RTT = 5021;
constexpr short RTRESBUF = 5023;
constexpr short RTNORM = 5100;
constexpr int RTERROR = -5001;
constexpr int RTCAN = -5002;
constexpr int RTREJ = -5003;
constexpr int RTFAIL = -5004;
constexpr int RTKWORD = -5005;

using ads_real = double;
using ads_point = ads_real[3];
using ads_name = std::int64_t[2];

struct ads_binary {
    short clen;
    char* buf;
};

union ads_u_val {
    ads_real rreal;
    ads_real rpoint[3];
    short rint;
    char* rstring;
    std::int64_t rlname[2];
    std::int32_t rlong;
    std::int64_t mnInt64;
    ads_binary rbinary;
};

struct resbuf {
    resbuf* rbnext;
    short restype;
    ads_u_val resval;
};

// The kind of value a result-buffer type or DXF group code holds.
enum class RbValueKind { kNone, kReal, kPoint, kShort, kLong, kInt64, kString, kBinary, kName };
RbValueKind acutRbValueKind(int restype);

resbuf* acutNewRb(int restype);
// Frees every buffer of the chain starting at rb, with the strings and binaries they own.
int acutRelRb(resbuf* rb);
// Builds a chain from (type, value) pairs ended by 0: RTSTR and string group codes take a
// const char*, RTREAL/RTANG and real codes a double, RTSHORT and 16-bit codes an int,
// RTLONG and 32-bit codes an int (32 bits, as on the host), RTPOINT/RT3DPOINT and point codes a const double*.
resbuf* acutBuildList(int restype, ...);
// A deep copy of a chain.
resbuf* acutDuplicateRbChain(const resbuf* rb);
// Sets an owned copy of text as the buffer's string.
void acutSetRbString(resbuf* rb, const char* text);
