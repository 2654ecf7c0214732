// The host's wildcard patterns.
#include "arx/acutwcmatch.h"
#include "arx/resbuf.h"

#include <gtest/gtest.h>

namespace {

struct Row {
    const char* text;
    const char* pattern;
    bool matches;          // letter case counting
    bool matchesAnyCase;
};

constexpr Row kRows[] = {
    {"ROOM-101", "ROOM-*", true, true},
    {"room-101", "ROOM-*", false, true},
    {"ROOM-", "ROOM-*", true, true},
    {"ROOM", "ROOM-*", false, false},
    {"ROOM-101", "~ROOM-*", false, false},
    {"DOOR", "~ROOM-*", true, true},
    {"room-1", "~ROOM-*", true, false},
    {"TENDRA_SPACE_LABEL", "TENDRA_SPACE_LABEL", true, true},
    {"TENDRA_SPACE_LABEL2", "TENDRA_SPACE_LABEL", false, false},
    {"insert", "INSERT", false, true},
    {"INSER", "INSERT*", false, false},
    {"ROOM-\xC3", "room-*", false, true},
    {"\xC3", "\xC3\x83", true, true},   // a stray byte stands for the character of its value
    {"\xC3\xA9X", "\xC3\xA9x", false, true},
    {"A1", "A?", true, true},
    {"A", "A?", false, false},
    {"A12", "A#", false, false},
    {"A1", "A#", true, true},
    {"AX", "A#", false, false},
    {"A-B", "@.@", true, true},
    {"A1B", "@.@", false, false},
    {"é1", "@#", true, true},
    {"é", "?", true, true},
    {"B", "[ABC]", true, true},
    {"b", "[ABC]", false, true},
    {"D", "[A-C]", false, false},
    {"D", "[~A-C]", true, true},
    {"]", "[]x]", true, true},
    {"-", "[a-]", true, true},
    {"*U12", "`*U#*", true, true},
    {"XU12", "`*U#*", false, false},
    {"a,b", "a`,b", true, true},
    {"MARKER-LEGEND", "MARKER-PIECHART,MARKER-LEGEND", true, true},
    {"MARKER-PIECHART", "MARKER-[LP]*", true, true},
    {"[x", "[x", true, true},
    {"", "", true, true},
    {"", "*", true, true},
    {"x", "", false, false},
    {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*a*a*a*a*a*a*c", false, false},
};

} // namespace

TEST(WcMatch, PatternTable)
{
    for (const Row& row : kRows) {
        EXPECT_EQ(acutWcMatch(row.text, row.pattern), row.matches ? RTNORM : RTERROR)
            << row.text << " / " << row.pattern;
        EXPECT_EQ(qv::wcMatch(row.text, row.pattern, true), row.matchesAnyCase) << row.text << " / " << row.pattern;
    }
}

TEST(WcMatch, NullArgumentsDoNotMatch)
{
    EXPECT_EQ(acutWcMatch(nullptr, "*"), RTERROR);
    EXPECT_EQ(acutWcMatch("x", nullptr), RTERROR);
}
