// The state of a command.
#pragma once

#include "ado/ado.h"

#include <string>

namespace ADODB {

struct Command::Impl
{
    _ConnectionPtr connection;
    long type = adCmdUnspecified;
    long timeout = 30;
    std::string text;
    ParametersPtr parameters;
};

} // namespace ADODB
