#include "support/exunhandled.h"

#include "support/utilities.h"

#include <cstdio>

namespace {
const char* const unhandledError = "unhandled error";
}

CEXUnhandled::CEXUnhandled(CString source, CString file, CString procSig)
    : CEXKavro(std::move(source), std::move(file), std::move(procSig), 0, nullptr)
{
    m_description = unhandledError;
}

CEXUnhandled::CEXUnhandled(CString source, CString file, CString procSig, int code, CEXKavro* inner)
    : CEXKavro(std::move(source), std::move(file), std::move(procSig), code, inner)
{
    m_description = unhandledError;
}

CEXUnhandled::CEXUnhandled(Acad::ErrorStatus es, CString source, CString file, CString procSig,
                           int line, CString drawing, CEXKavro* inner)
    : CEXKavro(std::move(source), std::move(file), std::move(procSig), static_cast<int>(es), inner)
{
    m_description = "The following AutoCAD error occurred on line#" + CUtilities::LongToCString(line) +
                    ": " + acadErrorStatusText(es);
    if (!drawing.IsEmpty())
        m_description += ", whilst processing drawing " + drawing;
    m_description += ".";
}

CEXUnhandled::CEXUnhandled(const CException* e, CString source, CString file, CString procSig, int code,
                           CEXKavro* inner)
    : CEXKavro(std::move(source), std::move(file), std::move(procSig), code, inner)
{
    char buffer[255] = {};
    if (e)
        e->GetErrorMessage(buffer, sizeof buffer);
    m_description = buffer;
}

CEXUnhandled::CEXUnhandled(const std::exception& e, CString source, CString file, CString procSig,
                           int code, CEXKavro* inner)
    : CEXKavro(std::move(source), std::move(file), std::move(procSig), code, inner)
{
    m_description = e.what();
}

CEXUnhandled::CEXUnhandled(CString message, CString source, CString file, CString procSig, int code)
    : CEXKavro(std::move(source), std::move(file), std::move(procSig), code, nullptr)
{
    m_description = std::move(message);
}

CEXUnhandled::CEXUnhandled(const _com_error& e, CString source, CString file, CString procSig, int severity)
    : CEXKavro(std::move(source), std::move(file), std::move(procSig), 0, nullptr)
{
    m_source = e.Source().c_str();
    m_description = e.Description().c_str();
    m_severity = severity;
}

CString CEXUnhandled::getComErrorText(const _com_error& e)
{
    // Each line is formatted into a buffer of 1024 characters, as the reports expect.
    auto line = [](const char* format, auto value) {
        char buffer[1024];
        std::snprintf(buffer, sizeof buffer, format, value);
        return CString(buffer);
    };
    CString text = line("COM Error HRESULT 0x%X\n", static_cast<unsigned>(e.Error()));
    text += line("_com_error::ErrorMessage() = %s\n", e.ErrorMessage().c_str());
    if (e.hasErrorInfo()) {
        text += line("_com_error::Description() = %s\n", e.Description().c_str());
        text += line("\n_com_error::Source() = %s", e.Source().c_str());
    } else {
        text += "No IErrorInfo Interface present\n";
    }
    return text;
}
