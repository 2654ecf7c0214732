// The parameters appended to a command, in order.
#pragma once

#include "ado/ado.h"

#include <vector>

namespace ADODB {

struct Parameters::Impl
{
    std::vector<_ParameterPtr> items;
};

} // namespace ADODB
