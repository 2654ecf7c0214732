#include "arx/dxfnumber.h"

#include "arx/dxfbytes.h"

#include "dxfscanword.h"

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace qv::dxf {

namespace {

// The powers of ten a double holds exactly.
constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                              1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
// The powers of ten below 10^18, as integers.
constexpr auto kUnits = [] {
    std::array<long long, 18> units{};
    units[0] = 1;
    for (size_t i = 1; i < units.size(); ++i)
        units[i] = units[i - 1] * 10;
    return units;
}();

template <class T>
bool parseWhole(std::string_view text, T& value, int base = 10)
{
    // Values from the reader come trimmed: only others pay for trimming.
    std::string_view t = !text.empty() && (isBlank(text.front()) || isBlank(text.back())) ? trimmed(text) : text;
    if (!t.empty() && t.front() == '+' && base == 10)
        t.remove_prefix(1);
    if (t.empty())
        return false;
    const char* end = t.data() + t.size();
    const auto r = [&] {
        if constexpr (std::is_floating_point_v<T>)
            return std::from_chars(t.data(), end, value);
        else
            return std::from_chars(t.data(), end, value, base);
    }();
    return r.ec == std::errc() && r.ptr == end;
}

unsigned digitOf(char c) { return static_cast<unsigned>(static_cast<unsigned char>(c)) - '0'; }

// The number of eight digit values (0 to 9, the first in the lowest byte).
std::uint64_t eightDigits(std::uint64_t v)
{
    v = v * 10 + (v >> 8);   // each pair of bytes: the number of its two digits
    return (((v & 0x000000FF000000FFu) * (100 + (1000000ull << 32)))
            + (((v >> 16) & 0x000000FF000000FFu) * (1 + (10000ull << 32))))
           >> 32;
}

// Adds the decimal digits from p on to digits, the first up to eight at once when the text
// has eight bytes from p, the rest two at a time; returns where they end.
[[gnu::always_inline]] inline const char* readDigits(const char* p, const char* end, std::uint64_t& digits)
{
    if (end - p >= 8) {
        const std::uint64_t values = wordAt(p) ^ 0x3030303030303030u;   // digits become 0 to 9
        // A byte's high bit: whether it is no digit (its value above 9).
        const std::uint64_t others = (((values & 0x7F7F7F7F7F7F7F7Fu) + 0x7676767676767676u) | values) & 0x8080808080808080u;
        const int count = others ? std::countr_zero(others) / 8 : 8;
        if (count == 0)
            return p;
        digits = digits * static_cast<std::uint64_t>(kUnits[static_cast<size_t>(count)]) + eightDigits(values << (64 - 8 * count));
        p += count;
        if (count < 8)
            return p;
    }
    for (; end - p >= 2; p += 2) {
        const unsigned high = digitOf(p[0]), low = digitOf(p[1]);
        if (high > 9 || low > 9)
            break;
        digits = digits * 100 + high * 10 + low;
    }
    if (p < end && digitOf(*p) <= 9)
        digits = digits * 10 + digitOf(*p++);
    return p;
}

// A decimal of at most 19 significant digits and a small exponent, as files write
// coordinates: when the digits as an integer are exact in a double (below 2^53) and the
// power of ten is exact too (up to 10^22), one multiplication or division gives the
// correctly rounded value, the same as from_chars. Anything else is left to from_chars.
bool parseShortDecimal(const char* p, const char* end, double& value)
{
    const bool negative = *p == '-';
    p += *p == '-' || *p == '+';
    const char* first = p;
    std::uint64_t digits = 0;
    p = readDigits(p, end, digits);
    long count = p - first;
    int exponent = 0;
    if (p < end && *p == '.') {
        const char* fraction = ++p;
        p = readDigits(p, end, digits);
        exponent = -static_cast<int>(p - fraction);
        count += p - fraction;
    }
    if (count == 0 || count > 19)
        return false;
    if (p < end && (*p == 'e' || *p == 'E')) {
        ++p;
        const bool below = p < end && *p == '-';
        p += p < end && (*p == '-' || *p == '+');
        const char* start = p;
        int e = 0;
        for (; p < end && isDigit(*p) && p - start < 3; ++p)
            e = e * 10 + (*p - '0');
        if (p == start)
            return false;
        exponent += below ? -e : e;
    }
    if (p != end || digits > (std::uint64_t(1) << 53) || exponent < -22 || exponent > 22)
        return false;
    const double v = exponent < 0 ? static_cast<double>(digits) / kPowers[-exponent]
                                  : static_cast<double>(digits) * kPowers[exponent];
    value = negative ? -v : v;
    return true;
}

// What the fast paths leave: from_chars, out of their way.
[[gnu::noinline]] bool parseRealWhole(std::string_view text, double& value)
{
    return parseWhole(text, value) && std::isfinite(value);
}

[[gnu::noinline]] bool parseIntWhole(std::string_view text, long long& value)
{
    if (parseWhole(text, value))
        return true;
    double d = 0;
    if (!parseReal(text, d) || d != std::trunc(d) || std::fabs(d) > 9.2e18)
        return false;
    value = static_cast<long long>(d);
    return true;
}

[[gnu::noinline]] bool parseHandleWhole(std::string_view text, unsigned long long& value)
{
    value = 0;
    return text.empty() || parseWhole(text, value, 16) || trimmed(text).empty();
}

// A number of 1 to 18 decimal digits after an optional sign.
bool parseShortInt(const char* p, const char* end, long long& value)
{
    const bool negative = *p == '-';
    p += *p == '-' || *p == '+';
    if (p == end || end - p > 18)
        return false;
    long long v = 0;
    for (; p < end; ++p) {
        if (!isDigit(*p))
            return false;
        v = v * 10 + (*p - '0');
    }
    value = negative ? -v : v;
    return true;
}

// 1 to 16 hexadecimal digits.
bool parseShortHandle(const char* p, const char* end, unsigned long long& value)
{
    if (end - p > 16)
        return false;
    unsigned long long v = 0;
    for (; p < end; ++p) {
        const int digit = hexDigit(*p);
        if (digit < 0)
            return false;
        v = v << 4 | static_cast<unsigned>(digit);
    }
    value = v;
    return true;
}

} // namespace

bool parseReal(std::string_view text, double& value)
{
    return (!text.empty() && parseShortDecimal(text.data(), text.data() + text.size(), value)) || parseRealWhole(text, value);
}

bool parseInt(std::string_view text, long long& value)
{
    return (!text.empty() && parseShortInt(text.data(), text.data() + text.size(), value)) || parseIntWhole(text, value);
}

bool parseHandle(std::string_view text, unsigned long long& value)
{
    return (!text.empty() && parseShortHandle(text.data(), text.data() + text.size(), value))
           || parseHandleWhole(text, value);
}

namespace {

// Whether the decimal of these decimals nearest to magnitude (its digits, an integer) reads
// back as it. Below 2^50, adding a half is exact: the sum's whole part is the nearest integer.
bool readsBack(double magnitude, int decimals, long long& digits)
{
    digits = static_cast<long long>(magnitude * kPowers[decimals] + 0.5);
    return static_cast<double>(digits) / kPowers[decimals] == magnitude;
}

// Writes value's last count decimal digits backwards, ending before end, two at a time.
void digitsBefore(char* end, long long value, int count)
{
    static constexpr char kPairs[] = "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
                                     "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
                                     "8081828384858687888990919293949596979899";
    auto rest = static_cast<unsigned long long>(value);
    for (; count >= 2; count -= 2, rest /= 100) {
        end -= 2;
        std::memcpy(end, kPairs + 2 * (rest % 100), 2);
    }
    if (count > 0)
        end[-1] = static_cast<char>('0' + rest % 10);
}

// What to_chars writes for value (the shortest decimal that reads back as it, with ".0" when
// integral) when that has at most 15 significant digits and no exponent: 0.001 <= |value|
// < 10^15, and integers ending in at most four zeros. Scaled to 15 significant digits, the
// value lies within 0.22 of that decimal's digits (the double's spacing and the product's
// rounding), and no other decimal of as many digits reads back as it; nor of fewer decimals:
// the fewest decimals that read back give the shortest. Gives 0 otherwise.
size_t formatShortDecimal(double value, char* buf)
{
    const double magnitude = std::fabs(value);
    if (!(magnitude >= 1e-3 && magnitude < 1e15))
        return 0;
    long long digits = 0; // signed: converts to and from doubles in one instruction
    int decimals = 0;
    if (readsBack(magnitude, 0, digits)) { // an integer: below 10^15, its digits are exact
        if (digits % 100000 == 0)
            return 0; // to_chars may write it with an exponent
    } else {
        int whole = 1; // digits before the point; 0, -1, -2 for the zeros after it
        while (whole < 15 && magnitude >= kPowers[whole])
            ++whole;
        if (magnitude < 1)
            whole = magnitude >= 0.1 ? 0 : magnitude >= 0.01 ? -1 : -2;
        if (!readsBack(magnitude, 15 - whole, digits) || digits >= kUnits[15])
            return 0;
        while (!readsBack(magnitude, ++decimals, digits)) // ends at 15 - whole at the latest
            ;
    }
    char* p = buf;
    if (value < 0)
        *p++ = '-';
    const long long integral = digits / kUnits[static_cast<size_t>(decimals)];
    int length = 1;
    while (length < 15 && integral >= kUnits[static_cast<size_t>(length)])
        ++length;
    p += length;
    digitsBefore(p, integral, length);
    *p++ = '.';
    if (decimals == 0) {
        *p++ = '0';
    } else {
        p += decimals;
        digitsBefore(p, digits, decimals);
    }
    return static_cast<size_t>(p - buf);
}

} // namespace

size_t formatReal(double value, char* buf)
{
    if (value == 0.0) {
        std::memcpy(buf, "0.0", 3);
        return 3;
    }
    if (const size_t size = formatShortDecimal(value, buf))
        return size;
    char* end = std::to_chars(buf, buf + kNumberBuffer - 2, value).ptr;
    bool integral = true;
    for (const char* p = buf; p < end && integral; ++p)
        integral = *p != '.' && *p != 'e' && *p != 'n' && *p != 'i';
    if (integral) {
        *end++ = '.';
        *end++ = '0';
    }
    return static_cast<size_t>(end - buf);
}

size_t formatInt(long long value, char* buf)
{
    return static_cast<size_t>(std::to_chars(buf, buf + kNumberBuffer, value).ptr - buf);
}

size_t formatHandle(unsigned long long value, char* buf)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    const size_t size = value == 0 ? 1 : static_cast<size_t>(std::bit_width(value) + 3) / 4;
    for (size_t i = size; i > 0; --i, value >>= 4)
        buf[i - 1] = kHex[value & 15];
    return size;
}

std::string formatReal(double value)
{
    char buf[kNumberBuffer];
    return std::string(buf, formatReal(value, buf));
}

} // namespace qv::dxf
