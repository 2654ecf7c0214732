// UTF-8 text of this layer to and from the UTF-16 the ODBC wide calls take.
#pragma once

#include "odbcapi.h"


#include <string>

namespace ADODB {

using odbcstring = std::basic_string<SQLWCHAR>;

// Invalid UTF-8 sequences become U+FFFD.
odbcstring toUtf16(const std::string& text);
// Unpaired surrogates become U+FFFD.
std::string toUtf8(const SQLWCHAR* text, size_t length);
inline std::string toUtf8(const odbcstring& text) { return toUtf8(text.data(), text.size()); }

} // namespace ADODB
