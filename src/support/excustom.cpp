#include "support/excustom.h"

CEXCustom::CEXCustom(CString message, CString source, CString file, CString procSig, int code, CEXKavro* inner)
    : CEXKavro(std::move(source), std::move(file), std::move(procSig), code, inner)
{
    m_description = std::move(message);
}
