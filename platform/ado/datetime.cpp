#include "datetime.h"

#include "diagnostics.h"

#include <cmath>

namespace ADODB {

namespace {

constexpr long long millisecondsPerDay = 86400000;

// Days since 1 January 1970 of a date of the proleptic Gregorian calendar.
long long daysFromCivil(long long y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void civilFromDays(long long z, long long& y, unsigned& m, unsigned& d)
{
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<long long>(yoe) + era * 400 + (m <= 2);
}

const long long dateEpoch = daysFromCivil(1899, 12, 30);

[[noreturn]] void outOfRange()
{
    raiseError(E_INVALIDARG, "ADODB.Parameter", "the date is outside the years 1 to 9999");
}

} // namespace

SQL_TIMESTAMP_STRUCT timestampFromDate(double date)
{
    if (!std::isfinite(date) || std::fabs(date) > 3.0e6)
        outOfRange();
    // The day counts towards zero; the time of day is the fraction's size, also before 1900.
    long long day = static_cast<long long>(std::trunc(date));
    long long ms = std::llround(std::fabs(date - static_cast<double>(day)) * millisecondsPerDay);
    if (ms >= millisecondsPerDay) {
        ++day;
        ms -= millisecondsPerDay;
    }
    long long year;
    unsigned month, dayOfMonth;
    civilFromDays(dateEpoch + day, year, month, dayOfMonth);
    if (year < 1 || year > 9999)
        outOfRange();
    SQL_TIMESTAMP_STRUCT ts{};
    ts.year = static_cast<SQLSMALLINT>(year);
    ts.month = static_cast<SQLUSMALLINT>(month);
    ts.day = static_cast<SQLUSMALLINT>(dayOfMonth);
    ts.hour = static_cast<SQLUSMALLINT>(ms / 3600000);
    ts.minute = static_cast<SQLUSMALLINT>(ms / 60000 % 60);
    ts.second = static_cast<SQLUSMALLINT>(ms / 1000 % 60);
    ts.fraction = static_cast<SQLUINTEGER>(ms % 1000 * 1000000);
    return ts;
}

double dateFromTimestamp(const SQL_TIMESTAMP_STRUCT& ts)
{
    const long long day = daysFromCivil(ts.year, ts.month, ts.day) - dateEpoch;
    const long long ms = ((ts.hour * 60LL + ts.minute) * 60 + ts.second) * 1000
                         + std::llround(ts.fraction / 1.0e6);
    const double time = static_cast<double>(ms) / millisecondsPerDay;
    return day < 0 ? static_cast<double>(day) - time : static_cast<double>(day) + time;
}

} // namespace ADODB
