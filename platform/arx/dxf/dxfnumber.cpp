#include "arx/dxfnumber.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace qv::dxf {

namespace {

std::string_view trimmed(std::string_view t)
{
    while (!t.empty() && (t.front() == ' ' || t.front() == '\t'))
        t.remove_prefix(1);
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t' || t.back() == '\r'))
        t.remove_suffix(1);
    return t;
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

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

// Decimals of at most 15 digits without an exponent, as most files write coordinates: the
// digits as an integer are exact in a double, and so is a power of ten up to 10^22, so
// one division gives the correctly rounded value (the fast path of exact reading).
bool parseShortDecimal(std::string_view t, double& value)
{
    static constexpr double kPowers[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8,
                                         1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const char* p = t.data();
    const char* end = p + t.size();
    const bool negative = p < end && *p == '-';
    p += p < end && (*p == '-' || *p == '+');
    unsigned long long digits = 0;
    int count = 0, decimals = -1;
    for (; p < end; ++p) {
        if (*p >= '0' && *p <= '9') {
            digits = digits * 10 + static_cast<unsigned>(*p - '0');
            decimals += decimals >= 0;
            if (++count > 15)
                return false;
        } else if (*p == '.' && decimals < 0) {
            decimals = 0;
        } else {
            return false;
        }
    }
    if (count == 0)
        return false;
    const double v = static_cast<double>(digits) / kPowers[decimals < 0 ? 0 : decimals];
    value = negative ? -v : v;
    return true;
}

} // namespace

bool parseReal(std::string_view text, double& value)
{
    return parseShortDecimal(text, value) || (parseWhole(text, value) && std::isfinite(value));
}

bool parseInt(std::string_view text, long long& value)
{
    if (parseWhole(text, value))
        return true;
    double d = 0;
    if (!parseReal(text, d) || d != std::trunc(d) || std::fabs(d) > 9.2e18)
        return false;
    value = static_cast<long long>(d);
    return true;
}

bool parseHandle(std::string_view text, unsigned long long& value)
{
    value = 0;
    return text.empty() || parseWhole(text, value, 16) || trimmed(text).empty();
}

size_t formatReal(double value, char* buf)
{
    if (value == 0.0) {
        std::memcpy(buf, "0.0", 3);
        return 3;
    }
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
    char* end = std::to_chars(buf, buf + kNumberBuffer, value, 16).ptr;
    for (char* p = buf; p < end; ++p)
        if (*p >= 'a')
            *p = static_cast<char>(*p - 'a' + 'A');
    return static_cast<size_t>(end - buf);
}

std::string formatReal(double value)
{
    char buf[kNumberBuffer];
    return std::string(buf, formatReal(value, buf));
}

} // namespace qv::dxf
