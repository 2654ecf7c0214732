// SETVAR: asks for a system variable ("?" lists them all with their values), then for its
// value until one is taken; Enter and a cancel keep the value. A value the variable does not
// take is refused (qv::refuseAnswer), naming why.
#pragma once

void setVar();
