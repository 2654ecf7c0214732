#include "win/com.h"

#include "win/winbase.h"

#include <cstdio>

std::string _com_error::ErrorMessage() const
{
    switch (m_hr) {
    case S_OK: return "No error";
    case E_FAIL: return "Unspecified error";
    case E_POINTER: return "Invalid pointer";
    case E_NOTIMPL: return "Not implemented";
    case E_NOINTERFACE: return "No such interface supported";
    case REGDB_E_CLASSNOTREG: return "Class not registered";
    default: break;
    }
    // Errors of facility 7 carry a Windows error code with a system text of its own.
    if ((static_cast<DWORD>(m_hr) & 0xFFFF0000u) == 0x80070000u) {
        char* text = nullptr;
        if (FormatMessage(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr,
                          static_cast<DWORD>(m_hr) & 0xFFFFu, 0, reinterpret_cast<LPTSTR>(&text), 0,
                          nullptr)) {
            std::string message = text;
            LocalFree(text);
            while (!message.empty() && (message.back() == '\n' || message.back() == '\r'))
                message.pop_back();
            return message;
        }
    }
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "Unknown error 0x%08X", static_cast<unsigned>(m_hr));
    return buffer;
}

void _com_issue_error(HRESULT hr) { throw _com_error(hr); }
void _com_issue_errorex(HRESULT hr, ErrorInfo info) { throw _com_error(hr, std::move(info)); }

namespace {
thread_local int initialised = 0;
}

HRESULT CoInitialize(void*)
{
    return ++initialised == 1 ? S_OK : S_FALSE;
}

void CoUninitialize()
{
    if (initialised > 0)
        --initialised;
}

int coInitializeCount() { return initialised; }
