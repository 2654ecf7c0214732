#include "itemindex.h"

#include "ado/ado.h"
#include "diagnostics.h"

namespace ADODB {

std::optional<long> numericIndex(const _variant_t& index)
{
    switch (index.vt) {
    case VT_I2: case VT_I4: case VT_INT: case VT_UI1: case VT_I8: case VT_R4: case VT_R8:
        return static_cast<long>(index);
    default:
        return std::nullopt;
    }
}

std::string nameIndex(const _variant_t& index, const char* source)
{
    if (index.vt != VT_BSTR)
        raiseItemNotFound(source);
    return index.bstrVal ? index.bstrVal : "";
}

std::string foldedName(const std::string& name)
{
    std::string folded = name;
    for (char& c : folded)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return folded;
}

void raiseItemNotFound(const char* source)
{
    raiseError(adErrItemNotFound, source,
               "Item cannot be found in the collection corresponding to the requested name or ordinal.");
}

} // namespace ADODB
