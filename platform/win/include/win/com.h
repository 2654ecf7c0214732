// COM value types: the error that a failing COM call raises, and the COM string.
// COM initialisation has nothing to start here; the calls only keep the per-thread count
// so that initialise and uninitialise can be checked to pair up.
#pragma once

#include "win/wintypes.h"

#include <optional>
#include <string>

// The COM string: UTF-8 text that may be null (an absent value is not an empty one).
class _bstr_t
{
public:
    _bstr_t() = default;
    _bstr_t(const char* s) : m_value(s ? std::optional<std::string>(s) : std::nullopt) {}
    _bstr_t(const std::string& s) : m_value(s) {}

    bool isNull() const { return !m_value.has_value(); }
    const char* c_str() const { return m_value ? m_value->c_str() : ""; }
    operator const char*() const { return c_str(); }
    std::string str() const { return m_value.value_or(std::string()); }
    unsigned length() const { return m_value ? static_cast<unsigned>(m_value->size()) : 0; }

private:
    std::optional<std::string> m_value;
};

// What a COM object says about an error beyond its HRESULT.
struct ErrorInfo
{
    std::string description;
    std::string source;
};

class _com_error
{
public:
    explicit _com_error(HRESULT hr) : m_hr(hr) {}
    _com_error(HRESULT hr, ErrorInfo info) : m_hr(hr), m_info(std::move(info)) {}

    HRESULT Error() const { return m_hr; }
    // The system's text for the HRESULT ("Unknown error 0x%08X" when it has none).
    std::string ErrorMessage() const;
    // The error-information object's texts; null strings when there is none.
    _bstr_t Description() const { return m_info ? _bstr_t(m_info->description) : _bstr_t(); }
    _bstr_t Source() const { return m_info ? _bstr_t(m_info->source) : _bstr_t(); }
    bool hasErrorInfo() const { return m_info.has_value(); }

private:
    HRESULT m_hr;
    std::optional<ErrorInfo> m_info;
};

[[noreturn]] void _com_issue_error(HRESULT hr);
[[noreturn]] void _com_issue_errorex(HRESULT hr, ErrorInfo info);

constexpr DWORD COINIT_APARTMENTTHREADED = 0x2;
HRESULT CoInitialize(void* reserved);
void CoUninitialize();
// The calling thread's count of initialisations not yet balanced.
int coInitializeCount();

// COM initialised for the length of a scope, and uninitialised on every way out of it.
class CoInitializeScope
{
public:
    CoInitializeScope() : m_initialised(SUCCEEDED(CoInitialize(nullptr))) {}
    ~CoInitializeScope()
    {
        if (m_initialised)
            CoUninitialize();
    }
    CoInitializeScope(const CoInitializeScope&) = delete;
    CoInitializeScope& operator=(const CoInitializeScope&) = delete;

private:
    bool m_initialised;
};
