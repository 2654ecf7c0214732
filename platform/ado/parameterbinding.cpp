#include "parameterbinding.h"

#include "datetime.h"
#include "decimaltext.h"
#include "diagnostics.h"
#include "parameterimpl.h"


#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>

namespace ADODB {

namespace {

constexpr const char* source = "ADODB.Parameter";
// Room for an output text beyond its declared size, as the server may return more.
constexpr size_t outputTextUnits = 8000;
constexpr size_t outputDecimalBytes = 512;

std::string what(const Parameter& parameter) { return "parameter \"" + parameter.impl().name + "\""; }

bool isNullValue(const _variant_t& value)
{
    return value.vt == VT_NULL || value.vt == VT_EMPTY || value.vt == VT_ERROR;
}

// The value converted by `convert`, or a clear error naming the parameter and the type.
template <class Convert>
auto converted(const Parameter& parameter, const char* typeWord, Convert convert)
{
    try {
        return convert();
    } catch (const _com_error&) {
        raiseError(DISP_E_TYPEMISMATCH, source,
                   what(parameter) + ": the value cannot be converted to " + typeWord);
    }
}

template <class T>
void store(std::vector<unsigned char>& data, const T& value)
{
    data.resize(sizeof value);
    std::memcpy(data.data(), &value, sizeof value);
}

template <class T>
T stored(const std::vector<unsigned char>& data)
{
    T value{};
    std::memcpy(&value, data.data(), std::min(sizeof value, data.size()));
    return value;
}

SQLSMALLINT ioTypeOf(const Parameter& parameter)
{
    switch (parameter.impl().direction) {
    case adParamUnknown: case adParamInput: return SQL_PARAM_INPUT;
    case adParamOutput: return SQL_PARAM_OUTPUT;
    case adParamInputOutput: return SQL_PARAM_INPUT_OUTPUT;
    default:
        raiseError(E_INVALIDARG, source, what(parameter) + ": direction "
                   + std::to_string(parameter.impl().direction) + " is not supported");
    }
}

} // namespace

ParameterBinding::ParameterBinding(const std::vector<_ParameterPtr>& parameters)
{
    m_slots.reserve(parameters.size());
    for (const _ParameterPtr& parameter : parameters)
        m_slots.push_back(prepare(*parameter));
}

ParameterBinding::Slot ParameterBinding::prepare(Parameter& parameter)
{
    Slot slot;
    slot.parameter = &parameter;
    slot.ioType = ioTypeOf(parameter);
    const bool send = slot.ioType != SQL_PARAM_OUTPUT;
    const _variant_t& value = parameter.impl().value;
    prepareValue(slot, value, send && !isNullValue(value));
    if (send && isNullValue(value))
        slot.indicator = SQL_NULL_DATA;
    return slot;
}

// Fills the slot's types and buffer; a value not sent leaves a zero of the type.
void ParameterBinding::prepareValue(Slot& slot, const _variant_t& value, bool send)
{
    const Parameter& p = *slot.parameter;
    switch (p.impl().type) {
    case adInteger:
        slot.sqlType = SQL_INTEGER, slot.columnSize = 10;
        return prepareWhole(slot, send ? converted(p, "an integer", [&] { return static_cast<long>(value); }) : 0);
    case adBoolean:
        slot.cType = SQL_C_BIT, slot.sqlType = SQL_BIT, slot.columnSize = 1;
        store(slot.data, static_cast<unsigned char>(send && converted(p, "a boolean", [&] { return static_cast<bool>(value); })));
        break;
    case adTinyInt:
        slot.sqlType = SQL_TINYINT, slot.columnSize = 3;
        return prepareWhole(slot, send ? converted(p, "a byte (0 to 255)", [&] { return static_cast<BYTE>(value); }) : BYTE(0));
    case adNumeric:
        if (p.impl().precision || p.impl().scale)
            return prepareDecimal(slot, value, send);
        [[fallthrough]];
    case adDouble:
        slot.cType = SQL_C_DOUBLE, slot.sqlType = SQL_DOUBLE, slot.columnSize = 15;
        store(slot.data, send ? converted(p, "a number", [&] { return static_cast<double>(value); }) : 0.0);
        break;
    case adChar: case adVarChar:
        return prepareText(slot, value, send);
    case adDBTimeStamp:
        slot.cType = SQL_C_TYPE_TIMESTAMP, slot.sqlType = SQL_TYPE_TIMESTAMP, slot.columnSize = 23, slot.digits = 3;
        store(slot.data, send ? converted(p, "a date of the years 1 to 9999",
                                          [&] { return timestampFromDate(static_cast<double>(value)); })
                              : SQL_TIMESTAMP_STRUCT{});
        break;
    default:
        raiseError(E_INVALIDARG, source, what(p) + ": type " + std::to_string(p.impl().type) + " is not supported");
    }
    slot.indicator = static_cast<SQLLEN>(slot.data.size());
}

// An input goes as 64 bits. An output comes back as the server's text, so that a value too
// wide for its parameter, or with a fraction, is seen instead of cut.
void ParameterBinding::prepareWhole(Slot& slot, SQLBIGINT value)
{
    if (slot.ioType == SQL_PARAM_INPUT) {
        slot.cType = SQL_C_SBIGINT;
        store(slot.data, value);
        slot.indicator = static_cast<SQLLEN>(slot.data.size());
        return;
    }
    const std::string text = std::to_string(value);
    slot.cType = SQL_C_CHAR;
    slot.data.assign(outputDecimalBytes, 0);
    std::memcpy(slot.data.data(), text.data(), text.size());
    slot.indicator = static_cast<SQLLEN>(text.size());
}

// Text goes whole, whatever the declared size; an output gets room beyond it.
void ParameterBinding::prepareText(Slot& slot, const _variant_t& value, bool send)
{
    const Parameter& p = *slot.parameter;
    const odbcstring text = send ? toUtf16(converted(p, "text", [&] { return static_cast<_bstr_t>(value).str(); }))
                                 : odbcstring();
    const size_t declared = static_cast<size_t>(std::max(p.impl().size, 0L));
    size_t capacity = std::max({declared, text.size(), size_t(1)});
    if (slot.ioType != SQL_PARAM_INPUT)
        capacity = std::max(capacity, outputTextUnits);
    slot.cType = SQL_C_WCHAR;
    slot.sqlType = SQL_WVARCHAR;
    slot.columnSize = capacity;
    slot.data.assign((capacity + 1) * sizeof(SQLWCHAR), 0);
    std::memcpy(slot.data.data(), text.data(), text.size() * sizeof(SQLWCHAR));
    slot.indicator = static_cast<SQLLEN>(text.size() * sizeof(SQLWCHAR));
}

void ParameterBinding::prepareDecimal(Slot& slot, const _variant_t& value, bool send)
{
    const Parameter& p = *slot.parameter;
    const std::string text = send ? decimalText(value, p.impl().precision, p.impl().scale, what(p)) : "0";
    slot.cType = SQL_C_CHAR;
    slot.sqlType = SQL_NUMERIC;
    slot.columnSize = p.impl().precision ? p.impl().precision : text.size();
    slot.digits = p.impl().scale;
    slot.data.assign(std::max(text.size() + 1, slot.ioType == SQL_PARAM_INPUT ? 0 : outputDecimalBytes), 0);
    std::memcpy(slot.data.data(), text.data(), text.size());
    slot.indicator = static_cast<SQLLEN>(text.size());
}

void ParameterBinding::bind(SQLHSTMT statement, Errors* errors)
{
    for (size_t i = 0; i < m_slots.size(); ++i) {
        Slot& slot = m_slots[i];
        const SQLRETURN rc = SQLBindParameter(statement, static_cast<SQLUSMALLINT>(i + 1), slot.ioType,
                                              slot.cType, slot.sqlType, slot.columnSize, slot.digits,
                                              slot.data.data(), static_cast<SQLLEN>(slot.data.size()),
                                              &slot.indicator);
        checkDiagnostics(rc, SQL_HANDLE_STMT, statement, "ADODB.Command", errors);
    }
}

void ParameterBinding::readBack(Errors* errors)
{
    for (const Slot& slot : m_slots)
        if (slot.ioType != SQL_PARAM_INPUT)
            slot.parameter->impl().value = outputValue(slot, errors);
}

namespace {

[[noreturn]] void overflow(const Parameter& parameter, const std::string& value, const char* range, Errors* errors)
{
    const std::string description = what(parameter) + ": the output value " + value + " does not fit " + range;
    errors->Add(std::make_shared<Error>(adErrDataOverflow, source, description, "22003", 0));
    raiseError(adErrDataOverflow, source, description);
}

// The whole number a text of digits gives, with an optional sign and a fraction of zeros
// ("-7.000"); none for any other text, a fraction that is not zero among them.
std::optional<long long> wholeNumber(const char* text, const char* end)
{
    long long value = 0;
    auto [at, error] = std::from_chars(text + (text != end && *text == '+'), end, value);
    if (error != std::errc())
        return std::nullopt;
    if (at != end && *at == '.')
        at = std::find_if(at + 1, end, [](char c) { return c != '0'; });
    return at == end ? std::optional(value) : std::nullopt;
}

} // namespace

_variant_t ParameterBinding::wholeOutput(const Slot& slot, const std::string& text, Errors* errors)
{
    const bool byte = slot.sqlType == SQL_TINYINT;
    const char* range = byte ? "a byte (0 to 255)" : "a 32-bit integer";
    const std::optional<long long> value = wholeNumber(text.data(), text.data() + text.size());
    if (!value || *value < (byte ? 0 : std::numeric_limits<std::int32_t>::min())
        || *value > (byte ? 255 : std::numeric_limits<std::int32_t>::max()))
        overflow(*slot.parameter, text, range, errors);
    return byte ? _variant_t(static_cast<BYTE>(*value)) : _variant_t(static_cast<long>(*value));
}

_variant_t ParameterBinding::realOutput(const Slot& slot, double value, Errors* errors)
{
    if (!std::isfinite(value))
        overflow(*slot.parameter, std::to_string(value), "a finite number", errors);
    return _variant_t(value);
}

_variant_t ParameterBinding::outputValue(const Slot& slot, Errors* errors)
{
    if (slot.indicator == SQL_NULL_DATA)
        return _variant_t::null();
    switch (slot.cType) {
    case SQL_C_BIT: return _variant_t(stored<unsigned char>(slot.data) != 0);
    case SQL_C_DOUBLE: return realOutput(slot, stored<double>(slot.data), errors);
    case SQL_C_TYPE_TIMESTAMP: return _variant_t(dateFromTimestamp(stored<SQL_TIMESTAMP_STRUCT>(slot.data)), VT_DATE);
    default: break;
    }
    const size_t room = slot.data.size() - (slot.cType == SQL_C_WCHAR ? sizeof(SQLWCHAR) : 1);
    if (slot.indicator == SQL_NO_TOTAL || static_cast<size_t>(slot.indicator) > room)
        raiseError(E_FAIL, source, what(*slot.parameter) + ": the output value is longer than the "
                                   + std::to_string(room) + " bytes set aside for it");
    if (slot.cType == SQL_C_WCHAR)
        return _variant_t(toUtf8(reinterpret_cast<const SQLWCHAR*>(slot.data.data()),
                                 static_cast<size_t>(slot.indicator) / sizeof(SQLWCHAR)).c_str());
    const char* text = reinterpret_cast<const char*>(slot.data.data());
    if (slot.sqlType != SQL_NUMERIC)
        return wholeOutput(slot, std::string(text, static_cast<size_t>(slot.indicator)), errors);
    double number = 0;
    const auto [end, error] = std::from_chars(text, text + slot.indicator, number);
    if (error != std::errc() || end != text + slot.indicator)
        overflow(*slot.parameter, std::string(text, static_cast<size_t>(slot.indicator)), "a number", errors);
    return realOutput(slot, number, errors);
}

} // namespace ADODB
