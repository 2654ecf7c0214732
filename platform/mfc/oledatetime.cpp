#include "mfc/oledatetime.h"

#include "win/civildate.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

int daysInMonth(int year, int month)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

} // namespace

COleDateTime::COleDateTime(std::time_t t)
{
    std::tm local {};
    if (!localtime_r(&t, &local)) {
        m_status = invalid;
        return;
    }
    SetDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                local.tm_sec);
}

COleDateTime COleDateTime::GetCurrentTime()
{
    return COleDateTime(std::time(nullptr));
}

int COleDateTime::SetDateTime(int year, int month, int day, int hour, int minute, int second)
{
    if (year < 100 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > daysInMonth(year, month) || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
        second < 0 || second > 59) {
        m_dt = 0.0;
        m_status = invalid;
        return 1;
    }
    const long long days = qv::daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - qv::dateEpochDays;
    const double fraction = (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
    // Before day 0 the whole part counts back while the time of day still counts forward.
    m_dt = days >= 0 ? static_cast<double>(days) + fraction : static_cast<double>(days) - fraction;
    m_status = valid;
    return 0;
}

bool COleDateTime::toTm(std::tm& out) const
{
    if (m_status != valid || !std::isfinite(m_dt))
        return false;
    double whole = std::trunc(m_dt);
    long long seconds = std::llround(std::fabs(m_dt - whole) * 86400.0);
    if (seconds >= 86400) {
        seconds -= 86400;
        whole += m_dt >= 0 ? 1 : -1;
    }
    const qv::CivilDate date = qv::civilFromDays(static_cast<long long>(whole) + qv::dateEpochDays);
    const int y = static_cast<int>(date.year);
    const int m = static_cast<int>(date.month);
    const int d = static_cast<int>(date.day);
    out = {};
    out.tm_year = y - 1900;
    out.tm_mon = m - 1;
    out.tm_mday = d;
    out.tm_hour = static_cast<int>(seconds / 3600);
    out.tm_min = static_cast<int>(seconds / 60 % 60);
    out.tm_sec = static_cast<int>(seconds % 60);
    const long long civil = qv::daysFromCivil(y, date.month, date.day);
    out.tm_wday = static_cast<int>(((civil % 7) + 11) % 7); // 1 January 1970 was a Thursday
    out.tm_yday = static_cast<int>(civil - qv::daysFromCivil(y, 1, 1));
    return true;
}

int COleDateTime::GetYear() const { std::tm t; return toTm(t) ? t.tm_year + 1900 : -1; }
int COleDateTime::GetMonth() const { std::tm t; return toTm(t) ? t.tm_mon + 1 : -1; }
int COleDateTime::GetDay() const { std::tm t; return toTm(t) ? t.tm_mday : -1; }
int COleDateTime::GetHour() const { std::tm t; return toTm(t) ? t.tm_hour : -1; }
int COleDateTime::GetMinute() const { std::tm t; return toTm(t) ? t.tm_min : -1; }
int COleDateTime::GetSecond() const { std::tm t; return toTm(t) ? t.tm_sec : -1; }
int COleDateTime::GetDayOfWeek() const { std::tm t; return toTm(t) ? t.tm_wday + 1 : -1; }
int COleDateTime::GetDayOfYear() const { std::tm t; return toTm(t) ? t.tm_yday + 1 : -1; }

CString COleDateTime::Format(const char* format) const
{
    std::tm t;
    if (!format || !toTm(t))
        return CString();
    char buffer[512];
    const size_t n = std::strftime(buffer, sizeof buffer, format, &t);
    return CString(buffer, static_cast<int>(n));
}

bool COleDateTime::ParseDateTime(const char* text)
{
    static const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    char name[4] = {};
    char separator = 0;
    int used = 0;
    const char* t = text ? text : "";
    if (std::sscanf(t, "%3s %d %d%n", name, &d, &y, &used) == 3 && t[used] == '\0') {
        for (int i = 0; i < 12; ++i)
            if (std::strcmp(name, months[i]) == 0)
                mo = i + 1;
    } else if (std::sscanf(t, "%d-%d-%d%n", &y, &mo, &d, &used) == 3) {
        if (t[used] != '\0' &&
            !(std::sscanf(t + used, "%c%d:%d:%d%n", &separator, &h, &mi, &s, &used) == 4 &&
              (separator == 'T' || separator == ' ')))
            mo = 0;
    }
    if (mo == 0) {
        m_dt = 0.0;
        m_status = invalid;
        return false;
    }
    return SetDateTime(y, mo, d, h, mi, s) == 0;
}
