#include "pdfnumber.h"

#include <cmath>
#include <cstdint>

namespace qv {

namespace {

constexpr double kLimit = 1e9;   // beyond every reader's real-number range anyway
constexpr std::int64_t kScale[] = {1, 10, 100, 1000, 10000, 100000, 1000000};

void appendDigits(std::string& out, std::uint64_t value, int minDigits)
{
    char digits[24];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0 || n < minDigits);
    while (n > 0)
        out += digits[--n];
}

} // namespace

void appendPdfNumber(std::string& out, double value, int decimals)
{
    decimals = decimals < 0 ? 0 : decimals > 6 ? 6 : decimals;
    if (!std::isfinite(value))
        value = 0;
    value = value > kLimit ? kLimit : value < -kLimit ? -kLimit : value;
    // Half away from zero, without a call into the maths library.
    const double shifted = value * static_cast<double>(kScale[decimals]);
    const auto scaled = static_cast<std::int64_t>(shifted + (shifted < 0 ? -0.5 : 0.5));
    if (scaled == 0) {
        out += '0';
        return;
    }
    if (scaled < 0)
        out += '-';
    const std::uint64_t magnitude = static_cast<std::uint64_t>(scaled < 0 ? -scaled : scaled);
    appendDigits(out, magnitude / kScale[decimals], 1);
    std::uint64_t fraction = magnitude % kScale[decimals];
    if (fraction == 0)
        return;
    int places = decimals;
    while (fraction % 10 == 0) {
        fraction /= 10;
        --places;
    }
    out += '.';
    appendDigits(out, fraction, places);
}

} // namespace qv
