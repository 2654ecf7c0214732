#include "decimaltext.h"

#include "diagnostics.h"

#include <cmath>
#include <cstdio>
#include <vector>

namespace ADODB {

namespace {

[[noreturn]] void notDecimal(const std::string& what, const std::string& why)
{
    raiseError(DISP_E_TYPEMISMATCH, "ADODB.Parameter", what + ": " + why);
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// A decimal number as sign, integer digits and fraction digits.
struct Decimal
{
    bool negative = false;
    std::string whole;
    std::string fraction;
};

Decimal parsed(const std::string& text, const std::string& what)
{
    size_t at = text.find_first_not_of(" \t");
    const size_t end = text.find_last_not_of(" \t") + 1;
    Decimal d;
    if (at < end && (text[at] == '+' || text[at] == '-'))
        d.negative = text[at++] == '-';
    while (at < end && isDigit(text[at]))
        d.whole += text[at++];
    if (at < end && text[at] == '.')
        for (++at; at < end && isDigit(text[at]);)
            d.fraction += text[at++];
    if (at != end || (d.whole.empty() && d.fraction.empty()))
        notDecimal(what, "\"" + text + "\" is not a decimal number");
    return d;
}

// Adds one unit in the last place of the digits (which are all '0' to '9'); returns the carry.
bool incremented(std::string& digits)
{
    for (size_t i = digits.size(); i-- > 0;) {
        if (digits[i] != '9') {
            ++digits[i];
            return false;
        }
        digits[i] = '0';
    }
    return true;
}

void roundToScale(Decimal& d, size_t scale)
{
    if (d.fraction.size() <= scale) {
        d.fraction.append(scale - d.fraction.size(), '0');
        return;
    }
    const bool up = d.fraction[scale] >= '5';
    d.fraction.resize(scale);
    if (up && incremented(d.fraction) && incremented(d.whole))
        d.whole.insert(0, "1");
}

std::string numberText(double number, int scale, const std::string& what)
{
    if (!std::isfinite(number))
        notDecimal(what, "the value is not a finite number");
    std::vector<char> buffer(static_cast<size_t>(scale) + 400);
    std::snprintf(buffer.data(), buffer.size(), "%.*f", scale, number);
    return buffer.data();
}

} // namespace

std::string decimalText(const _variant_t& value, int precision, int scale, const std::string& what)
{
    std::string text;
    if (value.vt == VT_BSTR) {
        text = value.bstrVal ? value.bstrVal : "";
    } else {
        double number = 0;
        try {
            number = static_cast<double>(value);
        } catch (const _com_error&) {
            notDecimal(what, "the value is not a number");
        }
        text = numberText(number, scale, what);
    }
    Decimal d = parsed(text, what);
    roundToScale(d, static_cast<size_t>(scale));
    d.whole.erase(0, std::min(d.whole.find_first_not_of('0'), d.whole.size()));
    if (precision > 0 && static_cast<int>(d.whole.size()) > precision - scale)
        notDecimal(what, text + " does not fit " + std::to_string(precision) + " digits with "
                             + std::to_string(scale) + " after the point");
    const bool zero = d.whole.empty() && d.fraction.find_first_not_of('0') == std::string::npos;
    std::string out = d.negative && !zero ? "-" : "";
    out += d.whole.empty() ? "0" : d.whole;
    if (scale > 0)
        out += "." + d.fraction;
    return out;
}

} // namespace ADODB
