// Dates of the proleptic Gregorian calendar as day numbers, the arithmetic under DATE
// (the days since 30 December 1899) and its conversions.
#pragma once

namespace qv {

// Days since 1 January 1970 of a civil date; before it, negative.
constexpr long long daysFromCivil(long long year, unsigned month, unsigned day)
{
    year -= month <= 2;
    const long long era = (year >= 0 ? year : year - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(year - era * 400);
    const unsigned doy = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

struct CivilDate
{
    long long year;
    unsigned month;
    unsigned day;
};

// The civil date of a count of days since 1 January 1970.
constexpr CivilDate civilFromDays(long long days)
{
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(days - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned month = mp < 10 ? mp + 3 : mp - 9;
    return {static_cast<long long>(yoe) + era * 400 + (month <= 2), month, doy - (153 * mp + 2) / 5 + 1};
}

// 30 December 1899, day 0 of a DATE, in days since 1 January 1970.
inline constexpr long long dateEpochDays = daysFromCivil(1899, 12, 30);

} // namespace qv
