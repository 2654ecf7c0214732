// The framework's date and time value: a DATE, the days since 30 December 1899 with the
// time of day as the fraction, and a status. Components of an invalid value read -1.
#pragma once

#include "mfc/cstring.h"

#include <ctime>

using DATE = double;

class COleDateTime
{
public:
    enum DateTimeStatus { valid = 0, invalid = 1, null = 2 };

    COleDateTime() = default;
    COleDateTime(DATE dt) : m_dt(dt) {}
    COleDateTime(int year, int month, int day, int hour, int minute, int second)
    {
        SetDateTime(year, month, day, hour, minute, second);
    }
    explicit COleDateTime(std::time_t t);

    // The current local date and time, to the second.
    static COleDateTime GetCurrentTime();

    // Sets the value; returns 0, or 1 (and the invalid status) when a component is out of
    // range: year 100 to 9999, a real day of the month, hour 0 to 23, minute and second 0 to 59.
    int SetDateTime(int year, int month, int day, int hour, int minute, int second);
    int SetDate(int year, int month, int day) { return SetDateTime(year, month, day, 0, 0, 0); }

    DateTimeStatus GetStatus() const { return m_status; }
    void SetStatus(DateTimeStatus status) { m_status = status; }

    int GetYear() const;
    int GetMonth() const;
    int GetDay() const;
    int GetHour() const;
    int GetMinute() const;
    int GetSecond() const;
    int GetDayOfWeek() const; // 1 Sunday to 7 Saturday
    int GetDayOfYear() const;

    // strftime-style text; "" for a value that is not valid.
    CString Format(const char* format) const;

    // Reads "Mmm dd yyyy" (as the compiler writes its date), "yyyy-mm-dd",
    // "yyyy-mm-ddThh:mm:ss" or "yyyy-mm-dd hh:mm:ss". Returns FALSE and marks the value
    // invalid for other texts.
    bool ParseDateTime(const char* text);

    bool operator==(const COleDateTime& o) const { return m_status == o.m_status && m_dt == o.m_dt; }
    bool operator!=(const COleDateTime& o) const { return !(*this == o); }
    bool operator<(const COleDateTime& o) const { return m_dt < o.m_dt; }

    DATE m_dt = 0.0;
    DateTimeStatus m_status = valid;

private:
    bool toTm(std::tm& out) const;
};
