#include "datetime.h"

#include "diagnostics.h"
#include "win/civildate.h"

#include <cmath>

namespace ADODB {

namespace {

constexpr long long millisecondsPerDay = 86400000;

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
        day += date >= 0 ? 1 : -1;
        ms -= millisecondsPerDay;
    }
    const qv::CivilDate civil = qv::civilFromDays(qv::dateEpochDays + day);
    if (civil.year < 1 || civil.year > 9999)
        outOfRange();
    SQL_TIMESTAMP_STRUCT ts{};
    ts.year = static_cast<SQLSMALLINT>(civil.year);
    ts.month = static_cast<SQLUSMALLINT>(civil.month);
    ts.day = static_cast<SQLUSMALLINT>(civil.day);
    ts.hour = static_cast<SQLUSMALLINT>(ms / 3600000);
    ts.minute = static_cast<SQLUSMALLINT>(ms / 60000 % 60);
    ts.second = static_cast<SQLUSMALLINT>(ms / 1000 % 60);
    ts.fraction = static_cast<SQLUINTEGER>(ms % 1000 * 1000000);
    return ts;
}

double dateFromTimestamp(const SQL_TIMESTAMP_STRUCT& ts)
{
    const long long day = qv::daysFromCivil(ts.year, ts.month, ts.day) - qv::dateEpochDays;
    const long long ms = ((ts.hour * 60LL + ts.minute) * 60 + ts.second) * 1000
                         + std::llround(ts.fraction / 1.0e6);
    const double time = static_cast<double>(ms) / millisecondsPerDay;
    return day < 0 ? static_cast<double>(day) - time : static_cast<double>(day) + time;
}

} // namespace ADODB
