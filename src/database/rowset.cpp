#include "database/rowset.h"

#include <charconv>
#include <cstdint>
#include <cmath>

namespace {

[[noreturn]] void refused(HRESULT hr, const char* column, const _variant_t& value, const std::string& why)
{
    const std::string text = value.isNull()      ? std::string("NULL")
                             : value.vt == VT_BSTR ? "\"" + static_cast<_bstr_t>(value).str() + "\""
                                                   : static_cast<_bstr_t>(value).str();
    _com_issue_errorex(hr, {"column \"" + std::string(column) + "\": the value " + text + " " + why,
                            "ADODB.Recordset"});
}

// The value as a whole number, when it is one: an integer, a real without a fraction, or a
// text of digits with an optional sign.
bool wholeValue(const _variant_t& value, long long& whole)
{
    switch (value.vt) {
    case VT_I2: case VT_I4: case VT_I8: case VT_UI1:
        whole = static_cast<long long>(value.vt == VT_I8 ? value.llVal : static_cast<long>(value));
        return true;
    case VT_R4: case VT_R8: {
        const double real = static_cast<double>(value);
        if (!std::isfinite(real) || real != std::trunc(real) || std::fabs(real) > 9.0e18)
            return false;
        whole = static_cast<long long>(real);
        return true;
    }
    case VT_BSTR: {
        const std::string text = static_cast<_bstr_t>(value).str();
        const char* begin = text.c_str() + (text.size() > 1 && text[0] == '+' ? 1 : 0);
        const auto [end, error] = std::from_chars(begin, text.c_str() + text.size(), whole);
        return error == std::errc() && end == text.c_str() + text.size();
    }
    default:
        return false;
    }
}

} // namespace

int RowSet::integer(const char* column) const
{
    int number = 0;
    if (!wholeNumber(column, INT32_MIN, INT32_MAX, number))
        refused(DISP_E_TYPEMISMATCH, column, value(column), "is not a whole number");
    return number;
}

bool RowSet::wholeNumber(const char* column, long low, long high, int& number) const
{
    const _variant_t v = value(column);
    if (v.isNull())
        return false;
    long long whole = 0;
    if (!wholeValue(v, whole))
        refused(DISP_E_TYPEMISMATCH, column, v, "is not a whole number");
    if (whole < low || whole > high)
        refused(DISP_E_OVERFLOW, column, v, "is outside " + std::to_string(low) + " to " + std::to_string(high));
    number = static_cast<int>(whole);
    return true;
}
