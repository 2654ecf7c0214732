#include "common/chain.h"
#include "support/exrecords.h"
#include "support/exunhandled.h"
#include "support/utilities.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

TEST(CUtilities, DoubleToCStringGivesTheWorkedValues)
{
    const struct { double value; int decimals; const char* text; } cases[] = {
        {3.14159, 2, "3.14"}, {2.5, 2, "2.50"},     {45.0, 2, "45.00"},   {1234.5678, 3, "1234.568"},
        {12.0, 0, "12"},      {12.5, 0, "13"},      {-2.5, 0, "-3"},      {0.125, 2, "0.13"},
        {7.25, 1, "7.3"},     {2.675, 2, "2.67"},   {99.996, 2, "100.00"}, {-0.5, 1, "-0.5"},
        {0.0, 2, "0.00"},     {0.0, 0, "0"},        {0.006, 2, "0.01"},   {0.004, 2, "0.00"},
        {0.0004, 2, "0.00"}, {-0.001, 2, "-0.00"}, {-0.4, 0, "-0"},      {1.5e6, -1, "1.5e+06"},
        {0.5, -1, "0.5"},     {100.0, -1, "100"},   {0.00000123, 2, "0.00"},
        {9.5, 0, "10"},       {0.05, 1, "0.1"},     {1e21, 2, "1000000000000000000000.00"},
        {-999.9996, 3, "-1000.000"}, {123456789.0, -1, "1.23457e+08"}, {0.0001234, -1, "0.0001234"},
        {0.00001234, -1, "1.234e-05"},
        // Never more digits than asked; exact ties (of the binary value) away from zero.
        {1e-30, 2, "0.00"},   {-1e-30, 2, "-0.00"}, {-0.0, 2, "0.00"},    {0.375, 2, "0.38"},
        {-0.375, 2, "-0.38"}, {0.5, 0, "1"},       {1.5, 0, "2"},        {9.995, 2, "9.99"},
        {1.0000000000000002, 17, "1.00000000000000022"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CUtilities::DoubleToCString(c.value, c.decimals), c.text) << c.value << " at " << c.decimals;
    // The extremes: the smallest subnormal's every digit, the largest double's 309 digits,
    // and a precision past what a double holds bounded to those digits.
    const CString tiny = CUtilities::DoubleToCString(5e-324, 1074);
    EXPECT_EQ(tiny.GetLength(), 1076);
    EXPECT_EQ(tiny.Right(4), "5625");
    EXPECT_EQ(CUtilities::DoubleToCString(1.7976931348623157e308, 0).GetLength(), 309);
    EXPECT_EQ(CUtilities::DoubleToCString(0.25, 2000000000).GetLength(), 1076);
}

// The value's exact decimal expansion cut at decimals digits, one added in the last place
// when the next digit is 5 or more: the nearest, exact ties away from zero.
std::string roundedExpansion(double value, int decimals)
{
    char exact[1500];
    std::snprintf(exact, sizeof exact, "%.1100f", value == 0.0 ? 0.0 : value);
    std::string text(exact);
    const size_t point = text.find('.');
    const bool up = text[point + 1 + static_cast<size_t>(decimals)] >= '5';
    text.resize(point + (decimals > 0 ? 1 + static_cast<size_t>(decimals) : 0));
    if (!up)
        return text;
    for (size_t i = text.size(); i-- > 0;) {
        if (text[i] == '.')
            continue;
        if (text[i] == '-')
            break;
        if (text[i] != '9') {
            ++text[i];
            return text;
        }
        text[i] = '0';
    }
    text.insert(text[0] == '-' ? 1 : 0, 1, '1');
    return text;
}

TEST(CUtilities, NumbersAtEveryPrecisionAreTheirExpansionsRounded)
{
    // Random values of many magnitudes, exact ties, and the neighbours of decimal halves.
    std::mt19937_64 random(29);
    for (int decimals = 0; decimals <= 16; ++decimals) {
        std::vector<double> values;
        for (int i = 0; i < 150; ++i) {
            const double mantissa = std::ldexp(static_cast<double>(random() >> 11), -53);
            const double value = std::ldexp(mantissa, static_cast<int>(random() % 80) - 30);
            const double tie = std::ldexp(static_cast<double>(random() % 100000 * 2 + 1), -(decimals + 1));
            const double half = (static_cast<double>(random() % 100000) + 0.5) / std::pow(10.0, decimals);
            for (const double v : {value, tie, half, std::nextafter(half, 0.0), std::nextafter(half, 1e300)})
                values.insert(values.end(), {v, -v});
        }
        for (const double v : values) {
            const std::string expected = roundedExpansion(v, decimals);
            ASSERT_EQ(CUtilities::DoubleToCString(v, decimals).str(), expected) << v << " at " << decimals;
            const double rounded = CUtilities::roundDouble(v, decimals), read = std::strtod(expected.c_str(), nullptr);
            ASSERT_TRUE(rounded == read && std::signbit(rounded) == std::signbit(read)) << v << " at " << decimals;
        }
    }
}

TEST(CUtilities, RoundingFollowsTheTextForm)
{
    EXPECT_EQ(CUtilities::DoubleToInt(2.5), 3);
    EXPECT_EQ(CUtilities::DoubleToInt(-2.5), -3);
    EXPECT_EQ(CUtilities::DoubleToInt(-0.4), 0);
    EXPECT_EQ(CUtilities::DoubleToInt(12.7), 13);
    EXPECT_DOUBLE_EQ(CUtilities::roundDouble(2.675, 2), 2.67);
    EXPECT_DOUBLE_EQ(CUtilities::roundDouble(0.125, 2), 0.13);
    EXPECT_DOUBLE_EQ(CUtilities::roundDouble(123456789.0, -1), 123457000.0);
}

TEST(CUtilities, NumericTexts)
{
    for (const char* yes : {"12", "-12.5", ".5", "5.", "-.5", "1,250", ",", "-,"})
        EXPECT_TRUE(CUtilities::isNumeric(yes)) << yes;
    for (const char* no : {"", "-", ".", "-.", "1.2.3", "5-", "--5", " 5", "+5", "1e5", "abc"})
        EXPECT_FALSE(CUtilities::isNumeric(no)) << no;

    EXPECT_EQ(CUtilities::CStringToInt(","), 0);
    EXPECT_EQ(CUtilities::CStringToInt("1,250"), 1);
    EXPECT_EQ(CUtilities::CStringToInt("12.7"), 12);
    EXPECT_EQ(CUtilities::CStringToInt(" 5"), 0);
    EXPECT_EQ(CUtilities::CStringToInt("-42"), -42);
    EXPECT_EQ(CUtilities::CStringToInt("99999999999"), 2147483647);
    EXPECT_EQ(CUtilities::CStringToLong("-99999999999"), -2147483648L);
    EXPECT_EQ(CUtilities::CStringToInt64("9223372036854775807"), INT64_MAX);
    EXPECT_EQ(CUtilities::CStringToInt64("-12345678901"), -12345678901LL);

    EXPECT_DOUBLE_EQ(CUtilities::CStringToDouble(" 5"), 5.0);
    EXPECT_DOUBLE_EQ(CUtilities::CStringToDouble("3,5"), 3.0);
    EXPECT_DOUBLE_EQ(CUtilities::CStringToDouble("12abc"), 12.0);
    EXPECT_DOUBLE_EQ(CUtilities::CStringToDouble("1e3"), 1000.0);
    EXPECT_DOUBLE_EQ(CUtilities::CStringToDouble("-2.5E-1x"), -0.25);
    EXPECT_DOUBLE_EQ(CUtilities::CStringToDouble("1e"), 1.0);
    EXPECT_DOUBLE_EQ(CUtilities::CStringToDouble("0x10"), 0.0);
    EXPECT_DOUBLE_EQ(CUtilities::CStringToDouble("abc"), 0.0);
    EXPECT_DOUBLE_EQ(CUtilities::CStringToDouble("."), 0.0);
    EXPECT_TRUE(std::isinf(CUtilities::CStringToDouble("1e999")));
    EXPECT_DOUBLE_EQ(CUtilities::CStringToDouble("1e-999"), 0.0);
    EXPECT_EQ(CUtilities::CStringToDouble(" +1.5"), 1.5);
    EXPECT_EQ(CUtilities::CStringToDouble("4."), 4.0);
    EXPECT_EQ(CUtilities::CStringToDouble(".5"), 0.5);
    EXPECT_TRUE(std::signbit(CUtilities::CStringToDouble("-0")));
    EXPECT_EQ(CUtilities::CStringToDouble("4.9e-324"), std::numeric_limits<double>::denorm_min());
    EXPECT_EQ(CUtilities::CStringToDouble("0.1"), 0.1);
}

TEST(CUtilities, TruthTexts)
{
    for (const char* yes : {"1", "t", "tr", "tru", "true", "y", "ye", "yes"})
        EXPECT_TRUE(CUtilities::CStringToBOOL(yes)) << yes;
    for (const char* no : {"", "0", "True", "YES", "on", "yes ", "2"})
        EXPECT_FALSE(CUtilities::CStringToBOOL(no)) << no;
    EXPECT_EQ(CUtilities::BoolToCString(TRUE), "1");
    EXPECT_EQ(CUtilities::BoolToCString(-7), "1");
    EXPECT_EQ(CUtilities::BoolToCString(FALSE), "0");
    EXPECT_EQ(CUtilities::IntToCString(-305), "-305");
    EXPECT_EQ(CUtilities::LongToCString(2147483647), "2147483647");
}

TEST(CUtilities, SmallTextOperations)
{
    EXPECT_EQ(CUtilities::padding(3, "0"), "000");
    EXPECT_EQ(CUtilities::padding(2, "ab"), "abab");
    EXPECT_EQ(CUtilities::padding(0, "0"), "");
    EXPECT_EQ(CUtilities::padding(-1, "0"), "");

    const struct { const char* in; const char* out; } numeric[] = {
        {"", "0"}, {"12a.5.6", "12.56"}, {"-3-4", "-34"}, {" -5", "5"}, {"1,5", "1,5"}, {"abc", ""}};
    for (const auto& c : numeric) {
        CString text(c.in);
        CUtilities::makeNumeric(text);
        EXPECT_EQ(text, c.out) << c.in;
    }

    EXPECT_EQ(CUtilities::occurrenceCount(":", "C:\\a:b"), 2);
    EXPECT_EQ(CUtilities::occurrenceCount(":", ":ab"), 0);
    EXPECT_EQ(CUtilities::occurrenceCount("aa", "aaaa"), 2);
    EXPECT_EQ(CUtilities::occurrenceCount("", "abcd"), 4);
    EXPECT_EQ(CUtilities::occurrenceCount("x", ""), 0);

    CUtilities u;
    CString name("Room 1/2 (East)");
    u.replaceIllegalCharacters(name, "_");
    EXPECT_EQ(name, "Room 1_2 _East_");
    CString all("\\/:*?\"<>|=';(),ok");
    u.replaceIllegalCharacters(all, "");
    EXPECT_EQ(all, "ok");
    CString longer("a=b");
    u.replaceIllegalCharacters(longer, "[eq]");
    EXPECT_EQ(longer, "a[eq]b");

    EXPECT_EQ(CUtilities::CStringToSTDString("Büro"), "Büro");
}

TEST(CUtilities, HexNumbers)
{
    EXPECT_EQ(CUtilities::_httoi("FF"), 255);
    EXPECT_EQ(CUtilities::_httoi("0x1a"), 26);
    EXPECT_EQ(CUtilities::_httoi("7G"), 7);
    EXPECT_EQ(CUtilities::_httoi("G7"), 0);
    EXPECT_EQ(CUtilities::_httoi("-1"), 0);
    EXPECT_EQ(CUtilities::_httoi(""), 0);
    EXPECT_EQ(CUtilities::_httoi("2F4"), 0x2F4);
}

TEST(CUtilities, ColoursBothWays)
{
    AcCmColor colour;
    for (const char* text : {"#ff8000", "FF8000", "#Ff8000"}) {
        colour.setColorIndex(1);
        CUtilities::hashColourToAcad(text, colour);
        EXPECT_TRUE(colour.isByColor());
        EXPECT_EQ(CUtilities::acadColourToHash(colour), "#FF8000") << text;
    }
    colour.setRGB(10, 11, 12);
    EXPECT_EQ(CUtilities::acadColourToHash(colour), "#0A0B0C");
    colour.setRGB(0, 0, 0);
    EXPECT_EQ(CUtilities::acadColourToHash(colour), "#000000");
    colour.setColorIndex(1); // an index colour reads as its palette entry
    EXPECT_EQ(CUtilities::acadColourToHash(colour), "#FF0000");
}

TEST(CUtilities, BadColoursRaiseTheInvalidColourRecord)
{
    AcCmColor colour;
    colour.setRGB(1, 2, 3);
    // Wrong length or empty: the record from the parser itself, unwrapped.
    for (const char* text : {"#FF80", "", "#1234567"}) {
        Chain e = caught([&] { CUtilities::hashColourToAcad(text, colour); });
        ASSERT_TRUE(e) << text;
        EXPECT_TRUE(dynamic_cast<CEXInvalidHexColour*>(e.get())) << text;
        EXPECT_EQ(e->getDescription(), CString("Invalid Hex Colour - ") + text);
        EXPECT_EQ(e->getSource(), "CUtilities");
        EXPECT_EQ(e->getProcSig(), "CUtilities::parseHashString");
        EXPECT_EQ(e->getClass(), "utilities");
        EXPECT_EQ(e->getInnerException(), nullptr);
    }
    // A character that is not hexadecimal: the record wrapped twice.
    for (const char* text : {"#GG8000", "##FF800", "#12G"}) {
        Chain e = caught([&] { CUtilities::hashColourToAcad(text, colour); });
        ASSERT_TRUE(e) << text;
        EXPECT_EQ(e->getProcSig(), "CUtilities::hashColourToAcad");
        EXPECT_EQ(e->getDescription(), "unhandled error");
        CEXKavro* middle = e->getInnerException();
        ASSERT_TRUE(middle);
        EXPECT_EQ(middle->getProcSig(), "CUtilities::validteHexString");
        CEXKavro* innermost = middle->getInnerException();
        ASSERT_TRUE(dynamic_cast<CEXInvalidHexColour*>(innermost));
        CString upper = CString(text).Mid(1);
        upper.MakeUpper();
        EXPECT_EQ(innermost->getDescription(), "Invalid Hex Colour - " + upper);
        EXPECT_EQ(innermost->getInnerException(), nullptr);
    }
    EXPECT_EQ(CUtilities::acadColourToHash(colour), "#010203"); // unchanged by every failure
}
