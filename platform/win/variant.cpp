#include "win/variant.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

struct SAFEARRAY
{
    VARTYPE type;
    LONG lower;
    size_t elementSize;
    std::vector<unsigned char> data;
};

namespace {

size_t elementSize(VARTYPE type)
{
    switch (type) {
    case VT_I1: case VT_UI1: return 1;
    case VT_I2: case VT_UI2: case VT_BOOL: return 2;
    case VT_I4: case VT_UI4: case VT_R4: case VT_INT: case VT_UINT: case VT_ERROR: return 4;
    case VT_R8: case VT_DATE: case VT_I8: case VT_UI8: return 8;
    default: return 0;
    }
}

// The element's offset, or -1 outside the array.
long long offsetOf(const SAFEARRAY* array, const LONG* indices)
{
    if (!array || !indices)
        return -1;
    const long long i = static_cast<long long>(*indices) - array->lower;
    const long long count = static_cast<long long>(array->data.size() / array->elementSize);
    return i >= 0 && i < count ? i * static_cast<long long>(array->elementSize) : -1;
}

[[noreturn]] void mismatch() { _com_issue_error(DISP_E_TYPEMISMATCH); }

// The value of a numeric, truth or text variant as a double.
double numberOf(const VARIANT& v)
{
    switch (v.vt) {
    case VT_I2: return v.iVal;
    case VT_I4: return v.lVal;
    case VT_INT: return v.intVal;
    case VT_UI1: return v.bVal;
    case VT_R4: return v.fltVal;
    case VT_R8: case VT_DATE: return v.dblVal;
    case VT_I8: return static_cast<double>(v.llVal);
    case VT_BOOL: return v.boolVal ? -1.0 : 0.0;
    case VT_EMPTY: return 0.0;
    case VT_BSTR: {
        double d = 0;
        const char* s = v.bstrVal ? v.bstrVal : "";
        const auto [end, ec] = std::from_chars(s, s + std::strlen(s), d);
        if (ec != std::errc() || *end != '\0' || !*s)
            mismatch();
        return d;
    }
    default: mismatch();
    }
}

template <class Int>
Int integerOf(const VARIANT& v)
{
    const double d = std::round(numberOf(v));
    if (d < static_cast<double>(std::numeric_limits<Int>::min()) || d > static_cast<double>(std::numeric_limits<Int>::max()))
        _com_issue_error(DISP_E_OVERFLOW);
    return static_cast<Int>(d);
}

} // namespace

SAFEARRAY* SafeArrayCreate(VARTYPE type, UINT dimensions, SAFEARRAYBOUND* bounds)
{
    const size_t size = elementSize(type);
    if (dimensions != 1 || !bounds || size == 0)
        return nullptr;
    return new SAFEARRAY{type, bounds->lLbound, size, std::vector<unsigned char>(bounds->cElements * size)};
}

HRESULT SafeArrayPutElement(SAFEARRAY* array, LONG* indices, void* value)
{
    const long long at = offsetOf(array, indices);
    if (at < 0 || !value)
        return DISP_E_BADINDEX;
    std::memcpy(array->data.data() + at, value, array->elementSize);
    return S_OK;
}

HRESULT SafeArrayGetElement(SAFEARRAY* array, LONG* indices, void* value)
{
    const long long at = offsetOf(array, indices);
    if (at < 0 || !value)
        return DISP_E_BADINDEX;
    std::memcpy(value, array->data.data() + at, array->elementSize);
    return S_OK;
}

HRESULT SafeArrayGetLBound(SAFEARRAY* array, UINT dimension, LONG* bound)
{
    if (!array || dimension != 1 || !bound)
        return DISP_E_BADINDEX;
    *bound = array->lower;
    return S_OK;
}

HRESULT SafeArrayGetUBound(SAFEARRAY* array, UINT dimension, LONG* bound)
{
    if (!array || dimension != 1 || !bound)
        return DISP_E_BADINDEX;
    *bound = array->lower + static_cast<LONG>(array->data.size() / array->elementSize) - 1;
    return S_OK;
}

HRESULT SafeArrayDestroy(SAFEARRAY* array)
{
    delete array;
    return S_OK;
}

SAFEARRAY* SafeArrayCopy(const SAFEARRAY* array)
{
    return array ? new SAFEARRAY(*array) : nullptr;
}

BSTR SysAllocString(const char* text)
{
    if (!text)
        return nullptr;
    const size_t n = std::strlen(text) + 1;
    auto* copy = static_cast<char*>(std::malloc(n));
    if (copy)
        std::memcpy(copy, text, n);
    return copy;
}

void SysFreeString(BSTR text) { std::free(text); }

void VariantInit(VARIANT* v)
{
    v->vt = VT_EMPTY;
    v->llVal = 0;
}

HRESULT VariantClear(VARIANT* v)
{
    if (!v)
        return E_POINTER;
    if (v->vt == VT_BSTR)
        SysFreeString(v->bstrVal);
    else if (v->vt & VT_ARRAY)
        SafeArrayDestroy(v->parray);
    VariantInit(v);
    return S_OK;
}

HRESULT VariantCopy(VARIANT* target, const VARIANT* source)
{
    if (!target || !source)
        return E_POINTER;
    if (target == source)
        return S_OK;
    VariantClear(target);
    target->vt = source->vt;
    target->llVal = source->llVal;
    if (source->vt == VT_BSTR)
        target->bstrVal = SysAllocString(source->bstrVal);
    else if (source->vt & VT_ARRAY)
        target->parray = SafeArrayCopy(source->parray);
    return S_OK;
}

_variant_t::_variant_t(const VARIANT& v) { VariantCopy(this, &v); }
_variant_t::_variant_t(const _variant_t& v) : VARIANT() { VariantCopy(this, &v); }

_variant_t& _variant_t::operator=(const _variant_t& v)
{
    VariantCopy(this, &v);
    return *this;
}

_variant_t::~_variant_t() { VariantClear(this); }

_variant_t::_variant_t(short value, VARTYPE type)
{
    vt = VT_I2;
    iVal = value;
    if (type != VT_I2)
        ChangeType(type);
}

_variant_t::_variant_t(long value, VARTYPE type)
{
    vt = VT_I4;
    lVal = static_cast<LONG>(value);
    if (type != VT_I4)
        ChangeType(type);
}

_variant_t::_variant_t(int value, VARTYPE type) : _variant_t(static_cast<long>(value), type) {}

_variant_t::_variant_t(double value, VARTYPE type)
{
    vt = type == VT_DATE ? VT_DATE : VT_R8;
    dblVal = value;
    if (type != VT_R8 && type != VT_DATE)
        ChangeType(type);
}

_variant_t::_variant_t(bool value)
{
    vt = VT_BOOL;
    boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

_variant_t::_variant_t(BYTE value)
{
    vt = VT_UI1;
    bVal = value;
}

_variant_t::_variant_t(const char* text)
{
    vt = VT_BSTR;
    bstrVal = SysAllocString(text ? text : "");
}

_variant_t::_variant_t(const _bstr_t& text)
{
    if (text.isNull()) {
        vt = VT_NULL;
        return;
    }
    vt = VT_BSTR;
    bstrVal = SysAllocString(text.c_str());
}

_variant_t _variant_t::null()
{
    _variant_t v;
    v.vt = VT_NULL;
    return v;
}

_variant_t _variant_t::missing()
{
    _variant_t v;
    v.vt = VT_ERROR;
    v.scode = DISP_E_PARAMNOTFOUND;
    return v;
}

_variant_t::operator long() const { return integerOf<LONG>(*this); }
_variant_t::operator short() const { return integerOf<short>(*this); }
_variant_t::operator BYTE() const { return integerOf<BYTE>(*this); }
_variant_t::operator double() const { return numberOf(*this); }

_variant_t::operator bool() const
{
    if (vt == VT_BSTR) {
        const std::string s = bstrVal ? bstrVal : "";
        if (s == "True" || s == "true" || s == "#TRUE#")
            return true;
        if (s == "False" || s == "false" || s == "#FALSE#")
            return false;
    }
    return numberOf(*this) != 0.0;
}

_variant_t::operator _bstr_t() const
{
    switch (vt) {
    case VT_BSTR: return _bstr_t(bstrVal ? bstrVal : "");
    case VT_NULL: return _bstr_t();
    case VT_BOOL: return _bstr_t(boolVal ? "True" : "False");
    case VT_EMPTY: return _bstr_t("");
    case VT_R4: case VT_R8: case VT_DATE: {
        char buffer[64];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, numberOf(*this));
        return _bstr_t(std::string(buffer, result.ptr));
    }
    default: return _bstr_t(std::to_string(integerOf<LONGLONG>(*this)));
    }
}

void _variant_t::ChangeType(VARTYPE type)
{
    if (type == vt)
        return;
    _variant_t converted;
    switch (type) {
    case VT_I2: converted = _variant_t(static_cast<short>(*this)); break;
    case VT_I4: converted = _variant_t(static_cast<long>(*this)); break;
    case VT_INT: converted = _variant_t(static_cast<long>(*this)); converted.vt = VT_INT; break;
    case VT_UI1: converted = _variant_t(static_cast<BYTE>(*this)); break;
    case VT_R8: converted = _variant_t(static_cast<double>(*this)); break;
    case VT_DATE: converted = _variant_t(static_cast<double>(*this), VT_DATE); break;
    case VT_BOOL: converted = _variant_t(static_cast<bool>(*this)); break;
    case VT_BSTR: converted = _variant_t(static_cast<_bstr_t>(*this)); break;
    default: mismatch();
    }
    *this = converted;
}
