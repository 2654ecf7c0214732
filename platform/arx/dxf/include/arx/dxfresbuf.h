// Result-buffer chains to and from tags (XData, extension records): a point is one tag per
// coordinate (code, code + 10, code + 20), as in a file; binary data is hexadecimal.
#pragma once

#include "arx/dxftaglist.h"
#include "arx/errorstatus.h"
#include "arx/resbuf.h"

#include <functional>
#include <string_view>

namespace qv::dxf {

// A chain of tags [first, last), or null when a value does not convert (a number that is
// not one or does not fit its code, binary data that is not whole hexadecimal bytes or
// longer than a buffer holds, a negative code, which holds no value in a buffer). The
// caller frees the chain.
resbuf* toResbuf(const TagList& tags, size_t first, size_t last);
// Calls visit(code, text) for each item toResbuf makes of tags [first, last), text being the
// item's text for a text item and empty for others, without making the chain; false, and
// nothing visited, when toResbuf makes none.
bool visitItems(const TagList& tags, size_t first, size_t last,
                const std::function<void(int code, std::string_view text)>& visit);
// Whether an item's value can be one its code holds: for a numeric code, a number that fits
// it; any value for the other codes.
bool isItemValue(int code, std::string_view value);
// Appends the chain's items; eInvalidInput for an item no tag holds (an unknown code, a
// number that is not finite).
Acad::ErrorStatus fromResbuf(const resbuf* chain, TagList& out);

} // namespace qv::dxf
