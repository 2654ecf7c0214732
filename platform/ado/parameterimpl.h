// The state of a command parameter.
#pragma once

#include "ado/ado.h"

#include <string>

namespace ADODB {

struct Parameter::Impl
{
    std::string name;
    long type = adEmpty;
    long direction = adParamInput;
    long size = 0;
    unsigned char precision = 0;
    unsigned char scale = 0;
    _variant_t value;
};

} // namespace ADODB
