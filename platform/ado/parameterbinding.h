// The buffers a command's parameters are bound to for one execution: the values converted
// for the driver before the call, and the output values read back after it.
#pragma once

#include "odbcapi.h"

#include "ado/ado.h"
#include "utf16.h"


#include <vector>

namespace ADODB {

class ParameterBinding
{
public:
    // Converts every value; raises _com_error for a value that its type cannot take.
    explicit ParameterBinding(const std::vector<_ParameterPtr>& parameters);
    void bind(SQLHSTMT statement, Errors* errors);
    // Stores the output and input-output values in their parameters (VT_NULL for null). A
    // number its parameter cannot hold (too wide, or with a fraction for a whole number)
    // raises adErrDataOverflow, recorded in `errors` with SQLSTATE 22003, and no value is
    // stored.
    void readBack(Errors* errors);

private:
    struct Slot
    {
        Parameter* parameter = nullptr;
        SQLSMALLINT ioType = SQL_PARAM_INPUT;
        SQLSMALLINT cType = 0;
        SQLSMALLINT sqlType = 0;
        SQLULEN columnSize = 0;
        SQLSMALLINT digits = 0;
        std::vector<unsigned char> data;
        SQLLEN indicator = 0;
    };

    static Slot prepare(Parameter& parameter);
    static void prepareValue(Slot& slot, const _variant_t& value, bool send);
    static void prepareWhole(Slot& slot, SQLBIGINT value);
    static void prepareText(Slot& slot, const _variant_t& value, bool send);
    static void prepareDecimal(Slot& slot, const _variant_t& value, bool send);
    static _variant_t outputValue(const Slot& slot, Errors* errors);
    // An integer or byte output's text as its number; a fraction or a value out of range
    // raises adErrDataOverflow.
    static _variant_t wholeOutput(const Slot& slot, const std::string& text, Errors* errors);
    static _variant_t realOutput(const Slot& slot, double value, Errors* errors);

    std::vector<Slot> m_slots;
};

} // namespace ADODB
