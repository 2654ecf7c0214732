// The position a collection's Item argument names: an index from 0, or a name looked up by the
// collection.
#pragma once

#include "win/variant.h"

#include <optional>
#include <string>

namespace ADODB {

// The index a numeric variant holds; nothing for a text (a name) or another type.
std::optional<long> numericIndex(const _variant_t& index);
// Raises adErrItemNotFound for a variant that is neither an index nor a name.
std::string nameIndex(const _variant_t& index, const char* source);
// ASCII letters folded to lower case, for names that compare case-insensitively.
std::string foldedName(const std::string& name);
[[noreturn]] void raiseItemNotFound(const char* source);

} // namespace ADODB
