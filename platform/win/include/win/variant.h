// COM variants: a typed value (number, truth, date, text, null, error, array), the safe
// arrays they can hold, and the owning wrapper _variant_t. Texts are UTF-8.
#pragma once

#include "win/com.h"

#include <cstdint>

using VARTYPE = unsigned short;
using VARIANT_BOOL = short;
using SCODE = std::int32_t;
using BSTR = char*;
using DATE = double;

constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;

enum VARENUM : VARTYPE {
    VT_EMPTY = 0, VT_NULL = 1, VT_I2 = 2, VT_I4 = 3, VT_R4 = 4, VT_R8 = 5, VT_DATE = 7, VT_BSTR = 8,
    VT_ERROR = 10, VT_BOOL = 11, VT_I1 = 16, VT_UI1 = 17, VT_UI2 = 18, VT_UI4 = 19, VT_I8 = 20,
    VT_UI8 = 21, VT_INT = 22, VT_UINT = 23, VT_ARRAY = 0x2000,
};

constexpr HRESULT DISP_E_TYPEMISMATCH = static_cast<HRESULT>(0x80020005u);
constexpr HRESULT DISP_E_PARAMNOTFOUND = static_cast<HRESULT>(0x80020004u);
constexpr HRESULT DISP_E_OVERFLOW = static_cast<HRESULT>(0x8002000Au);
constexpr HRESULT DISP_E_BADINDEX = static_cast<HRESULT>(0x8002000Bu);
constexpr HRESULT DISP_E_ARRAYISLOCKED = static_cast<HRESULT>(0x8002000Du);

struct SAFEARRAYBOUND
{
    ULONG cElements;
    LONG lLbound;
};

// A one-dimensional array of fixed-size elements.
struct SAFEARRAY;

SAFEARRAY* SafeArrayCreate(VARTYPE type, UINT dimensions, SAFEARRAYBOUND* bounds);
HRESULT SafeArrayPutElement(SAFEARRAY* array, LONG* indices, void* value);
HRESULT SafeArrayGetElement(SAFEARRAY* array, LONG* indices, void* value);
HRESULT SafeArrayGetLBound(SAFEARRAY* array, UINT dimension, LONG* bound);
HRESULT SafeArrayGetUBound(SAFEARRAY* array, UINT dimension, LONG* bound);
HRESULT SafeArrayDestroy(SAFEARRAY* array);
SAFEARRAY* SafeArrayCopy(const SAFEARRAY* array);

BSTR SysAllocString(const char* text);
void SysFreeString(BSTR text);

struct VARIANT
{
    VARTYPE vt = VT_EMPTY;
    union {
        LONG lVal;
        BYTE bVal;
        short iVal;
        float fltVal;
        double dblVal;
        VARIANT_BOOL boolVal;
        SCODE scode;
        DATE date;
        BSTR bstrVal;
        SAFEARRAY* parray;
        int intVal;
        LONGLONG llVal;
    };
    VARIANT() : llVal(0) {}
};

void VariantInit(VARIANT* v);
HRESULT VariantClear(VARIANT* v);
HRESULT VariantCopy(VARIANT* target, const VARIANT* source);

// An owning variant. Conversions raise _com_error(DISP_E_TYPEMISMATCH) when the value
// cannot become the type asked for.
class _variant_t : public VARIANT
{
public:
    _variant_t() = default;
    _variant_t(const VARIANT& v);
    _variant_t(const _variant_t& v);
    _variant_t& operator=(const _variant_t& v);
    ~_variant_t();

    _variant_t(short value, VARTYPE type = VT_I2);
    _variant_t(long value, VARTYPE type = VT_I4);
    _variant_t(int value, VARTYPE type = VT_I4);
    _variant_t(double value, VARTYPE type = VT_R8);
    _variant_t(bool value);
    _variant_t(BYTE value);
    _variant_t(const char* text);
    _variant_t(const _bstr_t& text);

    static _variant_t null();
    // The value of an argument left out ("missing").
    static _variant_t missing();

    bool isNull() const { return vt == VT_NULL; }
    operator long() const;
    operator int() const { return static_cast<int>(operator long()); }
    operator short() const;
    operator BYTE() const;
    operator double() const;
    operator bool() const;
    operator _bstr_t() const;
    // Converts in place; raises on a value that cannot be converted.
    void ChangeType(VARTYPE type);
    void Clear() { VariantClear(this); }
};
