// A record with a message of the raiser's own.
#pragma once

#include "support/exkavro.h"

class CEXCustom : public CEXKavro
{
public:
    CEXCustom(CString message, CString source, CString file, CString procSig, int code, CEXKavro* inner);
};
