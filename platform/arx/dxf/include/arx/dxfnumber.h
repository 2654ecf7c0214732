// Numbers and handles as DXF files write them: parsed with from_chars, formatted with
// to_chars (reals in their shortest exact form, with ".0" when they would look integral;
// handles in upper-case hexadecimal).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qv::dxf {

// Room for any formatted number or handle.
constexpr size_t kNumberBuffer = 32;

// Blanks around the text are allowed, as is a leading "+". Only finite reals are read.
bool parseReal(std::string_view text, double& value);
// An integer, or a real with an integral value ("1.0", as some writers print integers).
bool parseInt(std::string_view text, long long& value);
// Hexadecimal without sign; "0" and "" give 0.
bool parseHandle(std::string_view text, unsigned long long& value);

// Each writes into buf (kNumberBuffer bytes) and returns the length.
size_t formatReal(double value, char* buf);
size_t formatInt(long long value, char* buf);
size_t formatHandle(unsigned long long value, char* buf);
std::string formatReal(double value);

} // namespace qv::dxf
