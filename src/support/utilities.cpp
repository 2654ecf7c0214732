#include "support/utilities.h"

#include "support/exrecords.h"
#include "support/kavroguard.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <clocale>
#include <cstdlib>
#include <locale.h>
#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>
#include <string>

namespace {

bool isNumericChar(char c) { return (c >= '0' && c <= '9') || c == '-' || c == '.' || c == ','; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The optional "-" and the digits at the start of the text, saturated to the type's range.
template <class Int>
Int leadingInteger(const CString& text)
{
    const std::string& s = text.str();
    size_t i = 0;
    const bool negative = !s.empty() && s[0] == '-';
    if (negative)
        ++i;
    const long double limit = negative ? -static_cast<long double>(std::numeric_limits<Int>::min())
                                       : static_cast<long double>(std::numeric_limits<Int>::max());
    long double value = 0;
    for (; i < s.size() && isDigit(s[i]); ++i)
        value = std::min(value * 10 + (s[i] - '0'), limit);
    return static_cast<Int>(negative ? -value : value);
}

// The number of binary digits after the point of a finite value: its exact decimal
// expansion has just as many digits after the point, the last of them a 5.
int binaryFractionDigits(double value)
{
    if (value == 0.0)
        return 0;
    int exponent = 0;
    const double mantissa = std::frexp(std::fabs(value), &exponent);
    const auto bits = static_cast<std::uint64_t>(std::ldexp(mantissa, 53));
    return std::max(0, 53 - exponent - std::countr_zero(bits));
}

// Adds one in the last place of a number's text, carrying to the left over the point.
void incrementLastPlace(std::string& text)
{
    size_t i = text.size();
    while (i-- > 0) {
        char& c = text[i];
        if (c == '.')
            continue;
        if (c == '-')
            break;
        if (c != '9') {
            ++c;
            return;
        }
        c = '0';
    }
    text.insert(text[0] == '-' ? 1 : 0, 1, '1');
}

constexpr double kPowersOfTen[] = {1e0, 1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// A finite value's digits at decimals digits after the point (the value times 10^decimals
// rounded to an integer, exact ties away from zero), without its sign; nullopt past 15
// decimals or 2^52. A fused multiply-add gives the product's rounding error exactly, and the
// rounded product with that error settles the rounding: the error is at most half a unit in
// the product's last place, and a fraction of the product other than one half at least a
// whole unit from one half.
std::optional<std::uint64_t> decimalDigits(double value, int decimals)
{
    if (decimals < 0 || decimals > 15)
        return std::nullopt;
    const double magnitude = std::fabs(value), scale = kPowersOfTen[decimals];
    const double product = magnitude * scale;
    if (!(product < 0x1p52))
        return std::nullopt;
    const double error = std::fma(magnitude, scale, -product);
    const double whole = std::floor(product), fraction = product - whole;
    return static_cast<std::uint64_t>(whole) + (fraction > 0.5 || (fraction == 0.5 && error >= 0.0));
}

// The text of digits with decimals of them after the point, as to_chars writes it fixed.
CString decimalText(bool negative, std::uint64_t digits, int decimals)
{
    char number[24];
    const int count = static_cast<int>(std::to_chars(number, number + sizeof number, digits).ptr - number);
    const int leading = std::max(decimals + 1 - count, 0);
    std::string text;
    text.reserve(static_cast<size_t>(count + leading + 2));
    if (negative)
        text.push_back('-');
    text.append(static_cast<size_t>(leading), '0');
    text.append(number, static_cast<size_t>(count));
    if (decimals > 0)
        text.insert(text.size() - static_cast<size_t>(decimals), 1, '.');
    return CString(std::move(text));
}

// The value with exactly decimals digits after the point, correctly rounded from its exact
// binary value. to_chars settles an exact tie to the even digit; a tie is a value whose
// binary fraction has exactly decimals + 1 digits, and it is rounded away from zero here.
CString formatDecimals(double value, int decimals)
{
    const double shown = value == 0.0 ? 0.0 : value;   // no "-" for a negative zero
    if (const std::optional<std::uint64_t> digits = decimalDigits(shown, decimals))
        return decimalText(shown < 0.0, *digits, decimals);
    // No double has more than 309 digits before the point or 1074 after it.
    decimals = std::min(decimals, 1074);
    char buffer[1400];
    const bool tie = binaryFractionDigits(shown) == decimals + 1;
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, shown, std::chars_format::fixed,
                                      tie ? decimals + 1 : decimals);
    std::string text(buffer, result.ptr);
    if (tie) {
        text.pop_back();
        if (text.back() == '.')
            text.pop_back();
        incrementLastPlace(text);
    }
    return CString(std::move(text));
}

} // namespace

BOOL CUtilities::isNumeric(CString text)
{
    return kavroGuard("CUtilities::isNumeric", __FILE__, [&]() -> BOOL {
        if (text.IsEmpty() || text == "-" || text == "." || text == "-.")
            return FALSE;
        int points = 0;
        for (int i = 0; i < text.GetLength(); ++i) {
            const char c = text[i];
            if (!isNumericChar(c) || (c == '-' && i > 0) || (c == '.' && ++points > 1))
                return FALSE;
        }
        return TRUE;
    });
}

int CUtilities::CStringToInt(CString text)
{
    return kavroGuard("CUtilities::CStringToInt", __FILE__,
                      [&] { return isNumeric(text) ? leadingInteger<int>(text) : 0; }, 0);
}

long CUtilities::CStringToLong(CString text)
{
    // long is 32 bits wide on the system these texts come from.
    return kavroGuard("CUtilities::CStringToLong", __FILE__,
                      [&]() -> long { return isNumeric(text) ? leadingInteger<std::int32_t>(text) : 0; }, 0);
}

std::int64_t CUtilities::CStringToInt64(CString text)
{
    return kavroGuard("CUtilities::CStringToInt64", __FILE__,
                      [&] { return isNumeric(text) ? leadingInteger<std::int64_t>(text) : std::int64_t(0); }, 0);
}

double CUtilities::CStringToDouble(CString text)
{
    return kavroGuard("CUtilities::CStringToDouble", __FILE__, [&] {
        // Take white space, a sign, digits with one point and an exponent; stop at anything else.
        const std::string& s = text.str();
        size_t i = 0;
        while (i < s.size() && (s[i] == ' ' || (s[i] >= '\t' && s[i] <= '\r')))
            ++i;
        const size_t start = i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-'))
            ++i;
        size_t mantissa = 0;
        for (; i < s.size() && isDigit(s[i]); ++i)
            ++mantissa;
        if (i < s.size() && s[i] == '.')
            for (++i; i < s.size() && isDigit(s[i]); ++i)
                ++mantissa;
        if (mantissa == 0)
            return 0.0;
        if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
            size_t j = i + 1;
            if (j < s.size() && (s[j] == '+' || s[j] == '-'))
                ++j;
            if (j < s.size() && isDigit(s[j])) {
                while (j < s.size() && isDigit(s[j]))
                    ++j;
                i = j;
            }
        }
        // from_chars rounds as strtod does; what it finds out of range is left to strtod.
        double value = 0.0;
        const char* last = s.data() + i;
        if (const auto [end, error] = std::from_chars(s.data() + start + (s[start] == '+' ? 1 : 0), last, value);
            error == std::errc() && end == last)
            return value;
        // strtod of the C locale gives over- and underflow their proper results.
        static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", nullptr);
        const std::string number = s.substr(start, i - start);
        return strtod_l(number.c_str(), nullptr, cLocale);
    }, kStandardHandler);
}

BOOL CUtilities::CStringToBOOL(CString text)
{
    return kavroGuard("CUtilities::CStringToBOOL", __FILE__, [&]() -> BOOL {
        static const char* const truths[] = {"1", "t", "tr", "tru", "true", "y", "ye", "yes"};
        for (const char* t : truths)
            if (text == t)
                return TRUE;
        return FALSE;
    }, 0);
}

CString CUtilities::IntToCString(int value)
{
    return kavroGuard("CUtilities::IntToCString", __FILE__, [&] { return CString(std::to_string(value)); }, 0);
}

CString CUtilities::LongToCString(long value)
{
    return kavroGuard("CUtilities::LongToCString", __FILE__, [&] { return CString(std::to_string(value)); }, 0);
}

CString CUtilities::BoolToCString(BOOL value)
{
    return kavroGuard("CUtilities::BoolToCString", __FILE__, [&] { return CString(value ? "1" : "0"); }, 0);
}

CString CUtilities::DoubleToCString(double value, int decimals)
{
    return kavroGuard("CUtilities::DoubleToCString", __FILE__, [&] {
        if (decimals < 0 || !std::isfinite(value)) {
            char buffer[64];
            const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 6);
            return CString(std::string(buffer, result.ptr));
        }
        return formatDecimals(value, decimals);
    }, 0);
}

CString CUtilities::roundTripText(double value)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return CString(std::string(buffer, result.ptr));
}

int CUtilities::DoubleToInt(double value)
{
    return kavroGuard("CUtilities::DoubleToInt", __FILE__,
                      [&] { return CStringToInt(DoubleToCString(value, 0)); }, 0);
}

double CUtilities::roundDouble(double value, int decimals)
{
    return kavroGuard("CUtilities::roundDouble", __FILE__,
                      [&] {
                          // The digits over the power of ten, both exact, divide to the nearest
                          // double of the decimal text, as reading the text would.
                          if (const std::optional<std::uint64_t> digits = decimalDigits(value, decimals)) {
                              const double rounded = static_cast<double>(*digits) / kPowersOfTen[decimals];
                              return value < 0.0 ? -rounded : rounded;
                          }
                          return CStringToDouble(DoubleToCString(value, decimals));
                      }, 0);
}

CString CUtilities::padding(int count, CString text)
{
    return kavroGuard("CUtilities::padding", __FILE__, [&] {
        CString out;
        for (int i = 0; i < count; ++i)
            out += text;
        return out;
    }, 0);
}

void CUtilities::makeNumeric(CString& text)
{
    kavroGuard("CUtilities::makeNumeric", __FILE__, [&] {
        if (text.IsEmpty()) {
            text = "0";
            return;
        }
        std::string kept;
        bool point = false;
        for (int i = 0; i < text.GetLength(); ++i) {
            const char c = text[i];
            if (isDigit(c) || c == ',' || (c == '-' && i == 0) || (c == '.' && !point)) {
                point = point || c == '.';
                kept += c;
            }
        }
        text = CString(std::move(kept));
    });
}

int CUtilities::occurrenceCount(CString sought, CString text)
{
    return kavroGuard("CUtilities::occurrenceCount", __FILE__, [&] {
        int count = 0;
        for (int at = text.Find(sought, 1); at >= 0; at = text.Find(sought, at + 1))
            ++count;
        return count;
    }, 0);
}

std::string CUtilities::CStringToSTDString(CString text)
{
    // The narrow code page here is UTF-8, the text's own encoding.
    return kavroGuard("CUtilities::CStringToSTDString", __FILE__, [&] { return text.str(); }, 0);
}

int CUtilities::_httoi(const char* text)
{
    return kavroGuard("CUtilities::_httoi", __FILE__, [&] {
        CString upper(text);
        upper.MakeUpper();
        int i = upper.Left(2) == "0X" ? 2 : 0;
        std::uint32_t value = 0;
        for (; i < upper.GetLength(); ++i) {
            const char c = upper[i];
            if (isDigit(c))
                value = value * 16 + static_cast<std::uint32_t>(c - '0');
            else if (c >= 'A' && c <= 'F')
                value = value * 16 + static_cast<std::uint32_t>(c - 'A' + 10);
            else
                break;
        }
        return static_cast<int>(value);
    }, 0);
}

std::uint64_t CUtilities::handleValue(const CString& handle)
{
    const std::string& text = handle.str();
    std::uint64_t value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value, 16);
    return value;
}

CString CUtilities::csvField(const CString& text)
{
    const std::string& value = text.str();
    if (value.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (char c : value) {
        quoted += c;
        if (c == '"')
            quoted += '"';
    }
    return CString(quoted + "\"");
}

CString CUtilities::oneLine(const CString& text, int maxCharacters)
{
    const std::string& value = text.str();
    const auto at = [&](size_t i) { return i < value.size() ? static_cast<unsigned char>(value[i]) : 0u; };
    std::string line;
    int characters = 0;
    for (size_t i = 0; i < value.size(); ++i) {
        const unsigned byte = at(i);
        if ((byte & 0xC0) != 0x80 && characters++ == maxCharacters)
            return CString(line + "...");
        if (byte == 0xC2 && at(i + 1) >= 0x80 && at(i + 1) <= 0x9F) {
            // U+0080 to U+009F, the C1 controls.
            line += ' ';
            ++i;
        } else {
            line += byte < 0x20 || byte == 0x7F ? ' ' : value[i];
        }
    }
    return CString(line);
}

void CUtilities::validteHexString(CString text)
{
    kavroGuard("CUtilities::validteHexString", __FILE__, [&] {
        for (int i = 0; i < text.GetLength(); ++i) {
            const char c = text[i];
            if (!isDigit(c) && !(c >= 'A' && c <= 'F'))
                throw new CEXInvalidHexColour("CUtilities", __FILE__, "CUtilities::validteHexString", text);
        }
    }, 0);
}

void CUtilities::parseHashString(CString colour, CString& red, CString& green, CString& blue)
{
    if (colour.IsEmpty())
        throw new CEXInvalidHexColour("CUtilities", __FILE__, "CUtilities::parseHashString", colour);
    CString hex = colour;
    hex.MakeUpper();
    if (hex.Left(1) == "#")
        hex = hex.Mid(1);
    validteHexString(hex);
    if (hex.GetLength() != 6)
        throw new CEXInvalidHexColour("CUtilities", __FILE__, "CUtilities::parseHashString", colour);
    red = hex.Mid(0, 2);
    green = hex.Mid(2, 2);
    blue = hex.Mid(4, 2);
}

void CUtilities::hashColourToAcad(CString colour, AcCmColor& acadColour)
{
    kavroGuard<CEXInvalidHexColour>("CUtilities::hashColourToAcad", __FILE__, [&] {
        CString red, green, blue;
        parseHashString(colour, red, green, blue);
        acadColour.setRGB(static_cast<Adesk::UInt8>(_httoi(red)), static_cast<Adesk::UInt8>(_httoi(green)),
                          static_cast<Adesk::UInt8>(_httoi(blue)));
    });
}

CString CUtilities::acadColourToHash(AcCmColor acadColour)
{
    return kavroGuard("CUtilities::acadColourToHash", __FILE__, [&] {
        CString hash;
        hash.Format("#%02X%02X%02X", acadColour.red(), acadColour.green(), acadColour.blue());
        return hash;
    }, 0);
}

void CUtilities::replaceIllegalCharacters(CString& text, CString replacement)
{
    static const std::string illegal = "\\/:*?\"<>|=';(),";
    std::string out;
    for (char c : text.str())
        out += illegal.find(c) != std::string::npos ? replacement.str() : std::string(1, c);
    text = CString(std::move(out));
}
