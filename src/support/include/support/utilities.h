// Conversions between texts, numbers, truth values and colours, used wherever the system
// writes a value as text and reads it back, so that every part reads it the same way.
#pragma once

#include "arx/cmcolor.h"
#include "mfc/cstring.h"

#include <cmath>
#include <cstdint>
#include <string>

class CUtilities
{
public:
    virtual ~CUtilities() = default;

    // The precisions numbers are formatted with: -1 for six significant digits, up to 1074
    // decimals, every one a double has.
    static constexpr int minPrecision = -1;
    static constexpr int maxPrecision = 1074;
    // Whether a length or text size can be drawn: finite and at most 1e150 either way, so
    // that the sums, products and squares a legend or pie chart makes of it stay finite.
    static bool isDrawableSize(double value) { return std::fabs(value) <= 1e150; }

    // Digits, "-" only first, at most one "." and any number of ","; not "", "-", "." or "-.".
    static BOOL isNumeric(CString text);
    // The leading decimal integer of a numeric text ("12.7" gives 12), else 0.
    static int CStringToInt(CString text);
    static long CStringToLong(CString text);
    static std::int64_t CStringToInt64(CString text);
    // The leading floating-point number after white space ("3,5" gives 3), else 0.0.
    static double CStringToDouble(CString text);
    // TRUE only for "1", "t", "tr", "tru", "true", "y", "ye", "yes".
    static BOOL CStringToBOOL(CString text);
    static CString IntToCString(int value);
    static CString LongToCString(long value);
    static CString BoolToCString(BOOL value);
    // The value with exactly decimals digits after the point (at most 1074, all a double
    // has), rounding its exact binary value half away from zero and keeping trailing zeros;
    // negative decimals give six significant digits ("%-g").
    static CString DoubleToCString(double value, int decimals);
    // The shortest text that reads back as the same value ("1234.56789", "2500000", "1e-30").
    static CString roundTripText(double value);
    static int DoubleToInt(double value);
    static double roundDouble(double value, int decimals);
    static CString padding(int count, CString text);
    static void makeNumeric(CString& text);
    // Matches of sought in text that start after the first character, overlaps included.
    static int occurrenceCount(CString sought, CString text);
    static std::string CStringToSTDString(CString text);
    static int _httoi(const char* text);
    // A handle's hexadecimal digits (up to 16) as the unsigned number they make; reading
    // stops at the first character that is no hexadecimal digit.
    static std::uint64_t handleValue(const CString& handle);
    // A field of a comma-separated line: quoted, with quotes doubled, only when it holds a
    // comma, a quote or a line break, so that a name never shifts the columns after it.
    static CString csvField(const CString& text);
    // A text as one bounded line for the command line, as titles are echoed: each control
    // character (line breaks and tabs, C1 controls too) a blank, and a text of more than
    // maxCharacters characters cut at a character's boundary, "..." after it.
    static CString oneLine(const CString& text, int maxCharacters = 100);
    static void parseHashString(CString colour, CString& red, CString& green, CString& blue);
    static void validteHexString(CString text);
    static void hashColourToAcad(CString colour, AcCmColor& acadColour);
    static CString acadColourToHash(AcCmColor acadColour);

    // Replaces each of \ / : * ? " < > | = ' ; ( ) , with replacement.
    void replaceIllegalCharacters(CString& text, CString replacement);
};
